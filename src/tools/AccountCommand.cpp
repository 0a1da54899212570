// account --suggest ADDRESS: what the provider table says for an address, as one JSON line.
// account --test --appdir DIR: the account check on the folder's saved settings; a bare host
// found to work with TLS is written back into klmail.ini in its explicit form.
#include "ToolCommands.h"
#include "ToolOutput.h"
#include "core/mail/NMail.h"
#include "core/mail/TlsDiscovery.h"
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
    if (a.Pop3Server.isEmpty() || c.AccountId.isEmpty() || c.Password.isEmpty()) {
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

} // namespace

int RunAccountCommand(const QStringList& args) {
    if (args.size() == 2 && args[0] == QLatin1String("--suggest"))
        return Suggest(args[1]);
    if (args.size() == 3 && args[0] == QLatin1String("--test") && args[1] == QLatin1String("--appdir"))
        return Test(args[2]);
    WriteStderr(QStringLiteral("account: --suggest ADDRESS | --test --appdir DIR"));
    return kToolBadArguments;
}

} // namespace ricorne
