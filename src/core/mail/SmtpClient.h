// Our SMTP engine (RFC 5321 with EHLO/HELO, STARTTLS of RFC 3207, AUTH PLAIN / LOGIN /
// CRAM-MD5 / XOAUTH2 / OAUTHBEARER, PIPELINING of RFC 2920) over one blocking MailSocket. Sends one message
// to its recipients, all or nothing: when the server refuses any recipient, no message is sent and the
// failure text names every refused recipient with the server's reply.
//
// Without TLS it logs in only with CRAM-MD5, or with PLAIN / LOGIN when the server was written
// "smtp://host" (the user's explicit consent); a server that offered STARTTLS before
// (TlsMemory) and no longer does gets nothing at all.
#pragma once

#include "core/mail/BearerSasl.h"
#include "core/mail/MailSocket.h"
#include "core/mail/TlsDiscovery.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ricorne {

class SmtpClient {
public:
    struct Options {
        MailTimeouts timeouts;
        QString caFile;                    // extra trusted certificates (PEM); may not exist
        bool usePipelining = true;         // only when the server offers it
        QString authMechanism;             // empty: the best one both sides know; else forced
        QString heloName;                  // empty: the local address literal, e.g. "[127.0.0.1]"
        QString tlsMemoryFile;             // empty: no memory of servers that offered STARTTLS
        QList<TlsCandidate> tlsCandidates; // for a bare host; empty: DefaultTlsCandidates
        // The password given to Send and CheckLogin is an OAuth 2.0 access token: the login is
        // OAUTHBEARER or XOAUTH2 (whichever the server offers), and only over TLS.
        bool tokenLogin = false;
    };

    SmtpClient();
    explicit SmtpClient(Options options);
    ~SmtpClient();

    // Connects to server ("host", "host:port", "smtp://", "smtps://"), says EHLO, switches
    // to TLS when offered (or from the start for smtps://), logs in when the server offers
    // AUTH and user is not empty, and sends message to recipients. True when the server
    // accepted the message. A bare host tries the TLS candidates in turn, as Pop3Client does
    // (what worked is in ResolvedServer()).
    bool Send(const QString& server, const QString& user, const QString& password,
              const QString& envelopeFrom, const QStringList& recipients, const QByteArray& message);

    // With keep on, a sent message leaves the session open, and the next Send to the same
    // server with the same login goes over it (a batch to many recipients pays for one
    // connection, TLS start and login). A kept session the server has dropped is replaced by
    // a new one when it fails before the message went out. EndSession says QUIT.
    void SetKeepSession(bool keep) { keepSession_ = keep; }
    static constexpr int kMailsPerSession = 50; // then a kept session starts afresh
    void EndSession();

    // Connects, starts TLS, logs in (when the server offers AUTH) and says QUIT, sending no
    // mail: the account check. Step() tells where it failed.
    bool CheckLogin(const QString& server, const QString& user, const QString& password);

    // The explicit form found for a bare host ("smtps://host", "host:587"); else empty.
    const QString& ResolvedServer() const { return resolved_; }
    SessionStep Step() const { return step_; }

    const QString& Error() const { return error_; }
    // What the last Send saw, for tests.
    bool WasEncrypted() const { return encrypted_; }
    const QString& UsedAuthMechanism() const { return usedAuth_; }
    // With tokenLogin: whether the server refused the token itself (refresh it, or sign in again).
    BearerResult BearerOutcome() const { return bearerResult_; }
    bool UsedPipelining() const { return usedPipelining_; }

    // The DATA block: bare CR or LF become CR LF, lines starting with "." get another ".",
    // the last line is ended, and the "." line follows.
    static QByteArray DataBlock(const QByteArray& message);
    // An address that can go into MAIL FROM / RCPT TO: printable ASCII without blanks,
    // "<", ">" or control characters (so nothing can be injected), non-empty.
    static bool IsSafeAddress(const QString& address);

private:
    struct Reply {
        int code = 0; // 0: no valid reply (the connection failed; error_ is set)
        QList<QByteArray> lines;
        QString Text() const;
    };
    bool Open(const ServerAddress& address);
    bool Connect(const ServerAddress& address, bool bare, const QString& user, const QString& password);
    bool OpenTrusted(const ServerAddress& address);
    bool OpenBare(const ServerAddress& address);
    // MAIL, RCPT, DATA and the message. *dropped: the connection failed before any of the
    // message went out.
    bool Transaction(const QString& envelopeFrom, const QStringList& recipients, const QByteArray& message,
                     bool* dropped);
    Reply ReadReply();
    Reply Command(const QByteArray& command);
    bool Hello();
    bool Authenticate(const QString& user, const QString& password);
    bool AuthenticateWithToken(const QString& user, const QByteArray& token);
    bool Fail(const QString& text);
    void Close(bool polite);
    bool HasExtension(QStringView name) const;
    QStringList AuthMechanisms() const;

    Options options_;
    MailSocket socket_;
    ServerAddress address_;
    QString error_;
    QString resolved_;
    SessionStep step_ = SessionStep::Connect;
    QStringList extensions_;
    bool encrypted_ = false;
    QString usedAuth_;
    BearerResult bearerResult_ = BearerResult::Failed;
    bool usedPipelining_ = false;
    bool keepSession_ = false;
    QString sessionKey_; // server and login of the open kept session
    int sessionMails_ = 0;
};

} // namespace ricorne
