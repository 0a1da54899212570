// account --suggest ADDRESS: what the provider table says for an address, as one JSON line.
// account --test --appdir DIR: the account check on the folder's saved settings; a bare host
// found to work with TLS is written back into klmail.ini in its explicit form.
// account --sign-in --appdir DIR [--device] [--client-id ID]: the OAuth sign-in for the saved
// mail address without a window: the device flow (the code and the address to enter it at are
// printed), or, where the provider has none or --browser is given, the address to open in a
// browser on this computer.
#include "ToolCommands.h"
#include "ToolOutput.h"
#include "core/mail/NMail.h"
#include "core/mail/TlsDiscovery.h"
#include "core/oauth/OAuthTokens.h"
#include "core/paths/Paths.h"
#include "core/providers/ProviderTable.h"
#include "core/settings/AccountSettings.h"

#include <QFileInfo>

namespace ricorne {

namespace {

int Suggest(const QString& address) {
    const ProviderSuggestion s = SuggestProvider(address);
    if (!s.found) {
        WriteStderr(QStringLiteral("account: no provider known for ") + address);
        return kToolFailed;
    }
    WriteStdout(JsonLine()
                    .Add("domain", s.domain)
                    .Add("pattern", s.pattern)
                    .Add("pop3", s.pop3)
                    .Add("smtp", s.smtp)
                    .Add("signIn", SignInKindName(s.signIn))
                    .Add("source", s.source)
                    .Bytes());
    return kToolOk;
}

int Test(const QString& appDir) {
    const QFileInfo dir(appDir);
    if (!dir.isDir()) {
        WriteStderr(QStringLiteral("account: not a folder: ") + appDir);
        return kToolFailed;
    }
    SetAppDir(dir.absoluteFilePath());
    LoadServerSettings();
    const AccountRecord& a = AccountSettings();
    const Credentials c = ReadCredentials();
    if (a.Pop3Server.isEmpty() || c.AccountId.isEmpty() ||
        (c.Password.isEmpty() && !oauth::AccountUsesOAuth(a.FromAddress))) {
        WriteStderr(QStringLiteral("account: the POP3 server, ID or password is not saved in ") + appDir);
        return kToolFailed;
    }
    NMail mail;
    const AccountCheckReport report = mail.NMailCheckAccount(
        {a.Pop3Server, a.SmtpServer, a.FromAddress, c.AccountId, c.Password, a.UseApop != 0});
    const QString pop3 = a.Pop3Server, smtp = a.SmtpServer;
    const bool written = AdoptResolvedServer(MailProtocol::Pop3, pop3, report.pop3.resolved) &&
                         AdoptResolvedServer(MailProtocol::Smtp, smtp, report.smtp.resolved);
    WriteStdout(report.Text().toUtf8() + '\n');
    if (!written)
        WriteStderr(QStringLiteral("account: cannot write klmail.ini in ") + appDir);
    return report.Ok() ? kToolOk : kToolFailed;
}

int SignIn(const QString& appDir, bool device, bool browser, const QString& clientId) {
    const QFileInfo dir(appDir);
    if (!dir.isDir()) {
        WriteStderr(QStringLiteral("account: not a folder: ") + appDir);
        return kToolFailed;
    }
    SetAppDir(dir.absoluteFilePath());
    LoadServerSettings();
    const QString address = AccountSettings().FromAddress.trimmed();
    if (address.isEmpty()) {
        WriteStderr(QStringLiteral("account: no mail address saved in ") + appDir);
        return kToolFailed;
    }
    if (!clientId.isEmpty()) {
        const platform::ReplaceResult saved = oauth::SaveClientId(clientId);
        if (!saved) {
            WriteStderr(saved.Text());
            return kToolFailed;
        }
    }
    const QString id = ReadCredentials().AccountId.trimmed();
    oauth::SignInOptions options;
    options.deviceFlow = device;
    const bool hasDevice = !OAuthForAddress(address).deviceUrl.isEmpty();
    if (!device && (browser || !hasDevice)) {
        options.openBrowser = [](const QUrl& url) {
            WriteStdout(QStringLiteral(
                            "このコンピューターのブラウザーで次のアドレスを開いてサインインしてください:\n")
                            .toUtf8() +
                        url.toEncoded() + '\n');
            return true;
        };
    }
    options.showDeviceCode = [](const QString& code, const QString& uri) {
        WriteStdout(QStringLiteral("%1 を開いて、コード %2 を入力してください\n").arg(uri, code).toUtf8());
        WriteStdout(JsonLine().Add("userCode", code).Add("verificationUri", uri).Bytes());
    };
    const oauth::SignInResult result = oauth::SignIn(address, id.isEmpty() ? address : id, options);
    if (!result.ok) {
        WriteStderr(result.text);
        return kToolFailed;
    }
    WriteStdout(result.text.toUtf8() + '\n');
    return kToolOk;
}

} // namespace

int RunAccountCommand(const QStringList& args) {
    if (args.size() == 2 && args[0] == QLatin1String("--suggest"))
        return Suggest(args[1]);
    if (args.size() == 3 && args[0] == QLatin1String("--test") && args[1] == QLatin1String("--appdir"))
        return Test(args[2]);
    if (args.size() >= 3 && args[0] == QLatin1String("--sign-in") && args[1] == QLatin1String("--appdir")) {
        bool device = false, browser = false, ok = true;
        QString clientId;
        for (qsizetype i = 3; i < args.size(); ++i) {
            if (args[i] == QLatin1String("--device"))
                device = true;
            else if (args[i] == QLatin1String("--browser"))
                browser = true;
            else if (args[i] == QLatin1String("--client-id") && i + 1 < args.size())
                clientId = args[++i];
            else
                ok = false;
        }
        if (ok && !(device && browser))
            return SignIn(args[2], device, browser, clientId);
    }
    WriteStderr(QStringLiteral("account: --suggest ADDRESS | --test --appdir DIR | "
                               "--sign-in --appdir DIR [--device | --browser] [--client-id ID]"));
    return kToolBadArguments;
}

} // namespace ricorne
