// Failures explained: a server's answer (or our own refusal) that we recognise becomes a short
// Japanese help with the next step; the original text stays below it for support.
#pragma once

#include "core/mail/MailSocket.h"
#include "core/providers/ProviderTable.h"

#include <QString>

namespace ricorne {

enum class MailFailureKind {
    Unknown,
    WrongPassword,
    AppPasswordRequired, // the provider wants a password made for mail programs
    PasswordsRetired,    // the provider accepts only OAuth sign-in
    TooManyConnections,
    MailboxLocked,    // another program holds the mailbox
    CertificateName,  // the certificate is for another name
    CertificateOther, // any other certificate failure
    NoTls,            // no STLS / STARTTLS, so no password was sent
};

MailFailureKind ClassifyMailFailure(const QString& text);

// The help for a kind, fitted to how the provider signs in (a refused password at an
// app-password provider is most likely the account password typed in its place). Empty for
// Unknown. domain names the provider in the app-password steps ("gmail.com").
QString MailFailureHelp(MailFailureKind kind, SignInKind signIn, const QString& domain);

// help, a blank line and the text as it was; the text alone when nothing is recognised.
QString ExplainMailFailure(const QString& text, const ProviderSuggestion& provider);

// The steps of the account check, as the check names them.
QString SessionStepName(SessionStep step);
// What to do when a step failed and the answer is not one we recognise.
QString SessionStepHelp(SessionStep step);

} // namespace ricorne
