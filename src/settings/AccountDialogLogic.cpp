#include "settings/AccountDialogLogic.h"

#include "core/mail/NMail.h"
#include "core/oauth/OAuthTokens.h"
#include "core/paths/Paths.h"
#include "core/providers/ProviderTable.h"
#include "core/settings/AccountSettings.h"
#include "core/settings/ProfileFile.h"
#include "core/text/Text.h"
#include "settings/SettingsTexts.h"

#include <initializer_list>

namespace ricorne {

namespace {

struct Field {
    const char16_t* name; // as the dialog labels it
    const QString& text;
};

QString FirstRefusal(std::initializer_list<Field> fields) {
    for (const Field& field : fields)
        if (!KeptByCp932(field.text))
            return QStringLiteral(u"「%1」に、設定ファイルに保存できない文字が含まれています。"
                                  u"その文字を使わずに入力し直して下さい。設定は保存していません。")
                .arg(QString::fromUtf16(field.name));
    return {};
}

} // namespace

QString IdPassRefusal(const IdPassValues& values) {
    return FirstRefusal({{u"ID", values.id}, {u"Password", values.password}});
}

QString ServerRefusal(const ServerValues& values) {
    return FirstRefusal({{u"SMTPサーバー名", values.smtp},
                         {u"POP3サーバー名", values.pop3},
                         {u"メールアドレス", values.address}});
}

IdPassValues OpenIdPassValues() {
    const Credentials c = ReadCredentials();
    return {c.AccountId, c.Password};
}

bool IdPassWasSaved() {
    return ReadProfileString(ResolvePath(CredentialsFile()), QStringLiteral("EXEINI"),
                             QStringLiteral("NAME3")) == QLatin1String("1");
}

platform::ReplaceResult ApplyIdPass(const IdPassValues& values, bool save) {
    AccountSettings().AccountId = values.id;
    AccountSettings().Password = values.password;
    return SaveCredentials(values.id, values.password, save);
}

ServerValues OpenServerValues() {
    const AccountRecord& a = AccountSettings();
    return {a.SmtpServer, a.Pop3Server, a.FromAddress, a.UseApop != 0};
}

platform::ReplaceResult ApplyServerValues(const ServerValues& values) {
    AccountRecord& a = AccountSettings();
    a.SmtpServer = values.smtp;
    a.Pop3Server = values.pop3;
    a.FromAddress = values.address;
    a.UseApop = values.apop ? 1 : 0;
    return SaveServerSettings(a);
}

ServerSuggestion SuggestServers(const QString& address) {
    const ProviderSuggestion p = SuggestProvider(address);
    if (!p.found)
        return {};
    ServerSuggestion s{p.pop3, p.smtp, ProviderFilledText()};
    if (p.pop3.isEmpty())
        s.note = ProviderNoPop3Text();
    else if (p.signIn == SignInKind::OAuth)
        s.note = ProviderOAuthOnlyText();
    else if (p.signIn == SignInKind::AppPassword)
        s.note = ProviderAppPasswordText();
    return s;
}

ServerTestResult TestServerValues(const ServerValues& values) {
    ServerTestResult result;
    if (values.pop3.trimmed().isEmpty()) {
        result.refusal = TestNeedsServerText();
        return result;
    }
    AccountCheckInput input{
        values.pop3, values.smtp, values.address, AccountSettings().AccountId, AccountSettings().Password,
        values.apop};
    if (input.id.isEmpty() || input.password.isEmpty()) {
        const Credentials saved = ReadCredentials();
        input.id = saved.AccountId;
        input.password = saved.Password;
    }
    // An OAuth account has no password: the check uses its saved sign-in.
    if (input.id.isEmpty() || (input.password.isEmpty() && !oauth::AccountUsesOAuth(values.address))) {
        result.refusal = TestNeedsIdPassText();
        return result;
    }
    result.report = SharedMail().NMailCheckAccount(input);
    return result;
}

QString IdPassSaveFailedText(const QString& detail) {
    return QStringLiteral(u"ID,PASSを保存できませんでした。データフォルダへの書き込みを確認して下さい。") +
           (detail.isEmpty() ? QString() : u'\n' + detail);
}

QString ServerSettingsSaveFailedText(const QString& detail) {
    return QStringLiteral(u"サーバー設定を保存できませんでした。フォルダへの書き込みを確認して下さい。") +
           (detail.isEmpty() ? QString() : u'\n' + detail);
}

} // namespace ricorne
