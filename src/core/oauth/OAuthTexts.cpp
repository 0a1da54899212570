#include "core/oauth/OAuthTexts.h"

namespace ricorne::oauth {

QString NoOAuthForAddressText(const QString& address) {
    return QStringLiteral("メールアドレス %1 のプロバイダーは OAuth のサインインに対応していません"
                          " (providers.tsv に oauth の行がありません)")
        .arg(address);
}

QString NoClientIdText(const QString& provider) {
    return QStringLiteral(
               "%1 のアドレスはパスワードではログインできず、OAuth のサインインが必要です。"
               "サインインに使うアプリケーションの「クライアント ID」がまだありません。"
               "「設定」→「ID/PASS」の「クライアント ID」に、%1 に登録したアプリケーションの"
               "クライアント ID を入れて「サインイン」を押してください (登録の方法はヘルプにあります)")
        .arg(provider);
}

QString NotSignedInText(const QString& provider) {
    return QStringLiteral(
               "%1 にサインインしていません。「設定」→「ID/PASS」の「サインイン」でサインインしてください")
        .arg(provider);
}

QString SignInExpiredText(const QString& provider) {
    return QStringLiteral("%1 のサインインの期限が切れたか、取り消されました。"
                          "「設定」→「ID/PASS」の「サインイン」でもう一度サインインしてください")
        .arg(provider);
}

QString TokenStillRefusedText() {
    return QStringLiteral("新しいトークンでもログインできませんでした。アカウントでメール ソフトからの"
                          "利用 (POP・SMTP) が許可されているか確かめてください");
}

QString ServerUnreachableText(const QString& detail) {
    return QStringLiteral("サインインのサーバーにつながりません: %1").arg(detail);
}

QString ServerErrorText(const QString& error, const QString& description) {
    return description.isEmpty()
               ? QStringLiteral("サインインのサーバーが断りました: %1").arg(error)
               : QStringLiteral("サインインのサーバーが断りました: %1 (%2)").arg(error, description);
}

QString StateMismatchText() {
    return QStringLiteral("ブラウザーから戻った応答がこのサインインのものではありません (state が違います)。"
                          "安全のためサインインを中止しました。もう一度お試しください");
}

QString BrowserTimeoutText() {
    return QStringLiteral("ブラウザーでのサインインが時間内に終わりませんでした");
}

QString DeviceExpiredText() {
    return QStringLiteral("コードの有効期限が切れました。もう一度サインインしてください");
}

QString DeniedText() {
    return QStringLiteral("サインインが許可されませんでした");
}

QString LoopbackPageOk() {
    return QStringLiteral("サインインしました。このページを閉じて、リコルネに戻ってください。");
}

QString LoopbackPageFailed() {
    return QStringLiteral("サインインできませんでした。リコルネのメッセージをご覧ください。");
}

QString SaveFailedText(const QString& detail) {
    return QStringLiteral("サインインの情報を保存できません: %1").arg(detail);
}

QString SignedInText(const QString& provider) {
    return QStringLiteral("%1 にサインインしました").arg(provider);
}

} // namespace ricorne::oauth
