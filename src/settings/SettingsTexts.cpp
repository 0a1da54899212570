#include "settings/SettingsTexts.h"

namespace ricorne {

QString ProviderOAuthOnlyText() {
    return QStringLiteral(
        u"このプロバイダーは OAuth でのサインインが必要です。「ID/PASS」でクライアント ID を入れ、"
        u"「サインイン」を押して下さい。");
}

QString ProviderAppPasswordText() {
    return QStringLiteral(u"サーバーを入力しました。アプリ パスワードを作って「ID/PASS」に入力して下さい。");
}

QString ProviderNoPop3Text() {
    return QStringLiteral(
        u"このプロバイダーは POP3 に対応していないため受信できません (送信だけ入力しました)。");
}

QString ProviderFilledText() {
    return QStringLiteral(u"メールアドレスからサーバーを入力しました。違うときは書き換えて下さい。");
}

QString ProviderHintText() {
    return QStringLiteral(u"サーバー名が空のままメールアドレスを入力すると、サーバー名が入ります。");
}

QString TestConnectionCaption() {
    return QStringLiteral(u"接続テスト(&T)");
}

QString TestConnectionTitle() {
    return QStringLiteral(u"接続テスト");
}

QString TestNeedsServerText() {
    return QStringLiteral(u"POP3サーバー名を入力して下さい。");
}

QString TestNeedsIdPassText() {
    return QStringLiteral(u"ID とパスワードがまだありません。設定の「ID/PASS」で入力してから"
                          u"もう一度お試し下さい。");
}

QString TestPassedText() {
    return QStringLiteral(u"このアカウントで受信・送信できます。「設定」を押すと保存します。");
}

QString IdBoxName() {
    return QStringLiteral("ID");
}
QString PasswordBoxName() {
    return QStringLiteral(u"パスワード");
}
QString SaveIdPassName() {
    return QStringLiteral(u"IDパスワードを保存する");
}

QString ClientIdLabel() {
    return QStringLiteral(u"クライアント ID");
}
QString SignInCaption() {
    return QStringLiteral(u"サインイン");
}
QString SignInWaitingText() {
    return QStringLiteral(u"ブラウザーでサインインしてください…");
}
QString DeviceCodeText(const QString& code, const QString& address) {
    return QStringLiteral(u"%1 を開いて、コード %2 を入力してください").arg(address, code);
}
QString ClientIdSaveFailedText(const QString& detail) {
    return QStringLiteral(u"クライアント ID を保存できません: %1").arg(detail);
}

QString SendCheckOptionCaption() {
    return QStringLiteral(u"送信前の確認(&C)");
}

QString SendDelayCaption() {
    return QStringLiteral(u"確認後の待ち時間(&W)");
}

QString SendCheckOptionHelp() {
    return QStringLiteral(u"送信の前に、宛先・件名・添付ファイルを一覧で確かめます。宛先すべてにチェックを付"
                          u"けると送信できます。"
                          u"待ち時間を決めておくと、その秒数のあいだは送信を止められます。");
}

QString SendDelaySuffix() {
    return QStringLiteral(u" 秒");
}

QString SendCheckSaveFailedText(const QString& why) {
    return QStringLiteral(u"送信前の確認の設定を保存できませんでした。\n") + why;
}

} // namespace ricorne
