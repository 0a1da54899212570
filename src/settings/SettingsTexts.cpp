#include "settings/SettingsTexts.h"

namespace ricorne {

QString ProviderOAuthOnlyText() {
    return QStringLiteral(
        u"このプロバイダー (Outlook.com・Hotmail など) はパスワードでのログインを受け付けず、"
        u"OAuth によるサインインが必要です。このプログラムはまだ OAuth に対応していません。");
}

QString ProviderAppPasswordText() {
    return QStringLiteral(u"サーバーを入力しました。このプロバイダーでは、メールソフト用のパスワード"
                          u" (アプリ パスワード) を作って「ID/PASS」に入力します。");
}

QString ProviderNoPop3Text() {
    return QStringLiteral(u"このプロバイダーは POP3 での受信に対応していないため、受信はできません。"
                          u"送信サーバーだけを入力しました。");
}

QString ProviderFilledText() {
    return QStringLiteral(u"メールアドレスからサーバーを入力しました。違うときは書き換えて下さい。");
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

} // namespace ricorne
