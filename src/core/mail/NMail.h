// The mail component's operations under the names the program has always called them by:
// POP3 login, fetching, sizing and deleting mail, attachment extraction, SMTP sending and the
// last failure's text. Text crosses this interface as QString; results are those the program
// relies on (handle -1, count > 0 / 0 / < 0, -5, -6, negative send result).
//
// Every call blocks until it is done (the program calls them on the window thread); every
// network wait is bounded by the timeouts (connect 30 s, idle 60 s by default). The methods
// are virtual so tests of the callers can put a fake in its place.
#pragma once

#include "core/mail/AccountCheck.h"
#include "core/mail/MailSocket.h"
#include "core/mail/TlsDiscovery.h"
#include "core/mime/MimeDecoder.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>

namespace ricorne {

class Pop3Client;
class SmtpClient;

class NMail {
public:
    NMail();
    virtual ~NMail();
    NMail(const NMail&) = delete;
    NMail& operator=(const NMail&) = delete;

    // Start-up and shut-down. EndWinSock closes every open POP3 session without QUIT, so
    // nothing is deleted from a server by closing the program mid-check.
    virtual int NMailInitializeWinSock();
    virtual int NMailSetOption(int option, int value); // kept; the buffers it sized are gone
    virtual int NMailEndWinSock();

    // POP3. A handle is >= 1; -1 means failure (text in NMailGetMessage). A bare host that is
    // found to work with TLS is written back into AccountSettings and "klmail.ini" in its
    // explicit form when it is the POP3 server there (the same for SMTP when sending).
    virtual int NMailPop3Connect(const QString& server);
    // apop != 0: APOP (fails when the server's greeting has no timestamp). Returns the number
    // of mails waiting (> 0), 0 for none, < 0 for failure.
    virtual int NMailPop3Authenticate(int handle, const QString& id, const QString& password, int apop);
    // Fetches mail number (1..count) and fills the decoded texts; the whole mail is kept for
    // NMailAttachmentFileFirst. GetMailStatus and GetMail of the same mail fetch it once.
    // Return 1, or -1 with every text emptied when the fetch failed (the mail then stays on
    // the server: NMailPop3DeleteMail refuses it).
    virtual int NMailPop3GetMailStatus(int handle, int number, QString& subject, QString& date,
                                       QString& sender, QString& header);
    virtual int NMailPop3GetMail(int handle, int number, QString& subject, QString& date, QString& sender,
                                 QString& header, QString& body);
    virtual int NMailPop3GetMailSize(int handle, int number); // bytes, or -1
    virtual QString NMailPop3GetUidl(int handle, int number); // empty when unknown
    // Marks the mail for deletion; only NMailPop3Close (QUIT) commits it. 1 or -1.
    virtual int NMailPop3DeleteMail(int handle, int number);
    // NMailPop3DeleteMail of each number, sent together. Returns how many were accepted, or -1
    // when there is no such session.
    virtual int NMailPop3DeleteMails(int handle, const QList<int>& numbers);
    // QUIT and close. 1 when the server confirmed, -1 otherwise. The handle is gone either way.
    virtual int NMailPop3Close(int handle);

    // Writes the attachments of the last fetched mail into targetFolder. 1: written; -5: a
    // file could not be written; -6: part of a split mail kept until all parts are there;
    // 0: nothing to write. Without a fetched mail the file messagePath is read as the mail.
    virtual int NMailAttachmentFileFirst(const QString& subject, const QString& date, const QString& sender,
                                         const QString& header, const QString& body,
                                         const QString& targetFolder, const QString& messagePath,
                                         const QString& messageText);
    virtual int NMailAttachmentFileClose(); // forgets the kept mail

    // The text of the last failure (Japanese, with the server's reply where there is one). A
    // failure to connect, log in or send that we recognise starts with help for the next step.
    virtual QString NMailGetMessage() const;

    // Builds and sends one mail with one attachment per path (full paths; a path is taken
    // whole, commas and all). Logs in with the account ID and password (from the credential
    // source) when the server offers AUTH. Returns 1 when sent, a negative number when not
    // (an attachment that cannot be read sends nothing).
    virtual int NMailSmtpSendMail(const QString& server, const QString& to, const QString& from,
                                  const QString& subject, const QString& body,
                                  const QStringList& attachmentPaths);

    // Between these two, the mails sent to one server with one login share one SMTP session
    // (a batch to many recipients); the session ends at EndBatch or when the object goes.
    void NMailSmtpBeginBatch();
    void NMailSmtpEndBatch();

    // The account check (AccountCheck.h) with this component's certificates and TLS memory.
    // A bare host found to work with TLS is not written anywhere: the caller decides.
    AccountCheckReport NMailCheckAccount(const AccountCheckInput& input);

    // Settings of the component itself.
    // The ports tried for a bare host (tests point them at their own servers); empty: the defaults.
    void SetTlsCandidates(MailProtocol protocol, QList<TlsCandidate> candidates) {
        (protocol == MailProtocol::Pop3 ? pop3Candidates_ : smtpCandidates_) = std::move(candidates);
    }
    void SetTimeouts(MailTimeouts timeouts) { timeouts_ = timeouts; }
    // Extra trusted certificates; default: "ca-certificates.pem" in the mail data folder.
    void SetCaFile(const QString& path) { caFile_ = path; }
    // How NMailAttachmentFileFirst writes its files (default: never over a file, nothing told).
    void SetAttachmentOptions(const ExtractOptions& options) { attachmentOptions_ = options; }
    // Names written by the last NMailAttachmentFileFirst.
    const QStringList& LastSavedAttachments() const { return savedNames_; }

private:
    Pop3Client* Session(int handle);
    bool Fetch(int handle, int number);
    QString CaFile() const;
    QString TlsMemoryFile() const;

    struct KeptMail;
    MailTimeouts timeouts_;
    QString caFile_;
    QList<TlsCandidate> pop3Candidates_;
    QList<TlsCandidate> smtpCandidates_;
    int nextHandle_ = 1;
    QHash<int, Pop3Client*> sessions_;
    std::unique_ptr<KeptMail> kept_;
    bool smtpBatch_ = false;
    std::unique_ptr<SmtpClient> batchClient_; // the kept session of a batch
    QStringList savedNames_;
    ExtractOptions attachmentOptions_;
    QString message_;
};

// The process-wide instance the program's operations call (created on first use). Tests of
// those operations may put their own (a fake) in its place; nullptr restores the real one.
// The caller keeps ownership of what it sets.
NMail& SharedMail();
void SetSharedMail(NMail* mail);

} // namespace ricorne
