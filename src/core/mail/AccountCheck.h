// The account check ("接続テスト"): connect, TLS with the certificate checked, capabilities,
// login and logout, for receiving (POP3) and sending (SMTP), without fetching or sending mail.
// Says in Japanese which step failed and what to do.
#pragma once

#include "core/mail/MailSocket.h"

#include <QString>

namespace ricorne {

struct AccountCheckInput {
    QString pop3;
    QString smtp;    // empty: sending is not checked
    QString address; // picks the provider's help from the provider table
    QString id;
    QString password;
    bool apop = false;
};

struct AccountCheckPart {
    bool checked = false;
    bool ok = false;
    SessionStep step = SessionStep::Connect; // where it failed
    QString error;                           // the engine's text, with the server's answer
    QString resolved;                        // the explicit form found for a bare host, or empty
};

struct AccountCheckReport {
    AccountCheckPart pop3;
    AccountCheckPart smtp;
    QString pop3Server, smtpServer, address; // as checked
    bool Ok() const { return pop3.ok && (!smtp.checked || smtp.ok); }
    // Japanese, one paragraph per protocol: what worked, or the step that failed, what to do
    // and the server's text.
    QString Text() const;
};

} // namespace ricorne
