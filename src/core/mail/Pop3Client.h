// Our POP3 engine (RFC 1939, CAPA and PIPELINING of RFC 2449, STLS of RFC 2595) over one
// blocking MailSocket.
//
// What it promises, so no mail is lost or fetched twice:
// - it never reconnects on its own: after a timeout or a dropped connection every call fails;
// - DELE goes out only for a mail the caller asked to delete, never for a mail whose fetch
//   failed in this session, and only QUIT (Quit) commits deletions: a session that ends any
//   other way leaves every mail on the server;
// - lines over maxLineBytes and mails over maxMailBytes fail that fetch (the mail stays on the
//   server) while the session goes on;
// - without TLS it sends a password only by APOP, or by USER/PASS when the server was written
//   "pop3://host" (the user's explicit consent); a server that offered STLS before (TlsMemory)
//   and no longer does gets no login at all;
// - the number of mails is what the server lists (LIST), at most maxMails, whatever STAT
//   claims; a list beyond maxListBytes ends the login with one failure.
// With PIPELINING offered, the RETR of the next mails go out while the caller handles the
// current one, and DELE commands are sent without waiting for their replies.
#pragma once

#include "core/mail/BearerSasl.h"
#include "core/mail/MailSocket.h"
#include "core/mail/TlsDiscovery.h"

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <deque>

namespace ricorne {

class Pop3Client {
public:
    struct Options {
        MailTimeouts timeouts;
        QString caFile; // extra trusted certificates (PEM); may not exist
        qsizetype maxLineBytes = 1 << 20;
        qint64 maxMailBytes = qint64(256) << 20;
        bool usePipelining = true;         // only when the server offers it
        int aheadMails = 64;               // RETR sent ahead: at most this many mails ...
        qint64 aheadBytes = 8 << 20;       // ... and this many bytes (by LIST sizes)
        int maxMails = 100000;             // one check takes at most this many; the rest wait
        qint64 maxListBytes = 8 << 20;     // LIST and UIDL replies
        QString tlsMemoryFile;             // empty: no memory of servers that offered STLS
        QList<TlsCandidate> tlsCandidates; // for a bare host; empty: DefaultTlsCandidates
    };

    Pop3Client();
    explicit Pop3Client(Options options);
    ~Pop3Client();

    // Connects, reads the greeting, asks CAPA and switches to TLS by STLS when the server
    // offers it (or from the start for pop3s://). A bare host tries the TLS candidates in turn
    // (a rejected certificate stops the search: it is no closed port); the one that worked
    // with TLS is then in ResolvedServer(). When none gives TLS, the last one that answered
    // is used and the TLS rules decide at login.
    bool Connect(const QString& server);
    // The explicit form found for a bare host ("pop3s://host", "host:110"); else empty.
    const QString& ResolvedServer() const { return resolved_; }
    // The step the session is at, or failed in.
    SessionStep Step() const { return step_; }
    // APOP (apop = true) or USER/PASS, then STAT and LIST. Returns the number of mails, or -1.
    // APOP needs a valid timestamp in the greeting; without one the login fails and never
    // falls back to USER/PASS. The TLS rules above may refuse the login before anything is sent.
    int Login(const QString& id, const QString& password, bool apop);
    // AUTH with an OAuth 2.0 access token (OAUTHBEARER or XOAUTH2, whichever the server
    // offers), then STAT and LIST as Login. Only over TLS: without it nothing is sent, whatever
    // the server is called. Returns the number of mails, or -1; BearerOutcome() then says
    // whether the token itself was refused.
    int LoginWithToken(const QString& user, const QByteArray& token);
    BearerResult BearerOutcome() const { return bearerResult_; }

    int Count() const { return count_; }
    qint64 Size(int number) const; // from LIST; -1 for an unknown number
    // The whole mail as the server holds it (CR LF line ends, dot-unstuffed).
    bool Retrieve(int number, QByteArray* raw);
    bool Delete(int number);
    // Delete of each number (with pipelining, in one write). Returns how many were accepted.
    int DeleteAll(const QList<int>& numbers);
    // The unique id of a mail (one UIDL for all mails, asked on the first call); empty when
    // the server has none or the session failed.
    QString Uidl(int number);
    // QUIT: commits the deletions. Closes the connection whatever the reply.
    bool Quit();
    // Closes without QUIT: nothing is deleted.
    void Abort();

    const QString& Error() const { return error_; }
    bool IsBroken() const { return broken_; }
    bool UsesPipelining() const { return pipelining_; }
    bool IsEncrypted() const { return socket_.IsEncrypted(); }

    // The APOP timestamp of a greeting: "<...@...>" of printable ASCII; false when absent.
    static bool ApopTimestamp(const QByteArray& greeting, QByteArray* stamp);

private:
    bool StartLogin(); // false (with the error set) unless a login may begin
    struct Pending {
        enum Kind { Retr, Dele } kind;
        int number;
    };
    enum class Reply { Ok, Err, Broken };

    bool ConnectOnce(const ServerAddress& address);
    bool ConnectTrusted(const ServerAddress& address);
    bool ConnectBare(const ServerAddress& address);
    Reply Command(const QByteArray& command, QByteArray* line);
    Reply ReadStatus(QByteArray* line);
    bool ReadCapabilities();
    bool ReadPendingOne();
    bool DrainPending();
    bool SendAhead(int number);
    bool FailBroken(const QString& text = {});
    bool Fail(const QString& text);
    bool LoadUidls();
    bool CheckNumber(int number);
    QString FetchFailureText(int number, const QString& reason) const;

    bool ReadList();
    // After a login: reads STAT (already sent), sends LIST unless listSent, reads the list.
    int ReadMailCount(bool listSent);
    // "1 MB" or "1000 バイト", for the limits in failure texts.
    static QString SizeText(qint64 bytes);

    Options options_;
    MailSocket socket_;
    ServerAddress address_;
    QByteArray greeting_;
    QStringList capabilities_;
    bool pipelining_ = false;
    bool loggedIn_ = false;
    bool broken_ = false;
    QString error_;
    QString resolved_;
    SessionStep step_ = SessionStep::Connect;
    int count_ = 0;
    QHash<int, qint64> sizes_;

    std::deque<Pending> pending_;
    QMap<int, QByteArray> fetched_; // RETR replies read ahead of the caller
    QHash<int, QString> fetchErrors_;
    QSet<int> retrInFlight_;
    QSet<int> failed_; // fetch failed: never deleted in this session
    QSet<int> deleteQueued_;
    int aheadUpTo_ = 0; // highest number a RETR was sent for
    BearerResult bearerResult_ = BearerResult::Failed;
    bool uidlsLoaded_ = false;
    QHash<int, QString> uidls_;
};

} // namespace ricorne
