#include "settings/AccountDialogLogic.h"

#include "core/settings/AccountSettings.h"

namespace ricorne {

IdPassValues OpenIdPassValues() {
    const Credentials c = ReadCredentials();
    return {c.AccountId, c.Password};
}

bool ApplyIdPass(const IdPassValues& values, bool save) {
    AccountSettings().AccountId = values.id;
    AccountSettings().Password = values.password;
    return SaveCredentials(values.id, values.password, save);
}

ServerValues OpenServerValues() {
    const AccountRecord& a = AccountSettings();
    return {a.SmtpServer, a.Pop3Server, a.FromAddress, a.UseApop == 1};
}

bool ApplyServerValues(const ServerValues& values) {
    AccountRecord& a = AccountSettings();
    a.SmtpServer = values.smtp;
    a.Pop3Server = values.pop3;
    a.FromAddress = values.address;
    a.UseApop = values.apop ? 1 : 0;
    return SaveServerSettings(a);
}

QString IdPassSaveFailedText() {
    return QStringLiteral(u"ID,PASSを保存できませんでした。データフォルダへの書き込みを確認して下さい。");
}

QString ServerSettingsSaveFailedText() {
    return QStringLiteral(u"サーバー設定を保存できませんでした。フォルダへの書き込みを確認して下さい。");
}

} // namespace ricorne
