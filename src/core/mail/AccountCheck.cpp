#include "core/mail/AccountCheck.h"

#include "core/mail/FailureHelp.h"
#include "core/providers/ProviderTable.h"

namespace ricorne {

namespace {

QString PartText(const QString& title, const AccountCheckPart& part, const QString& server,
                 const ProviderSuggestion& provider) {
    const QString shown = part.resolved.isEmpty() ? server : part.resolved;
    if (part.ok)
        return QStringLiteral(u"%1 %2: 接続・暗号化・ログイン・ログアウトを確認しました。").arg(title, shown);
    QString help = MailFailureHelp(ClassifyMailFailure(part.error),
                                   provider.found ? provider.signIn : SignInKind::Password, provider.domain);
    if (help.isEmpty())
        help = SessionStepHelp(part.step);
    return QStringLiteral(u"%1 %2: 「%3」で失敗しました。\n%4\n%5")
        .arg(title, shown, SessionStepName(part.step), help, part.error);
}

} // namespace

QString AccountCheckReport::Text() const {
    const ProviderSuggestion provider = SuggestProvider(address);
    QStringList parts;
    if (pop3.checked)
        parts << PartText(QStringLiteral(u"受信 (POP3)"), pop3, pop3Server, provider);
    if (smtp.checked)
        parts << PartText(QStringLiteral(u"送信 (SMTP)"), smtp, smtpServer, provider);
    return parts.join(QStringLiteral("\n\n"));
}

} // namespace ricorne
