#include "receive/CheckMail.h"

#include "core/dialogs/CommonTexts.h"
#include "core/dialogs/DialogService.h"
#include "core/mail/NMail.h"
#include "core/oauth/OAuthTokens.h"
#include "core/paths/Paths.h"
#include "core/paths/ProgramFolderLock.h"
#include "core/settings/AccountSettings.h"
#include "core/stores/RecordBuffers.h"
#include "core/stores/RecordField.h"
#include "core/stores/RecordStore.h"
#include "core/stores/StoreAppender.h"
#include "core/text/Text.h"
#include "receive/AttachmentJournal.h"
#include "receive/CheckLeftovers.h"
#include "receive/ReceiveTexts.h"
#include "receive/ReceivedUidls.h"

#include <QVector>

#include <optional>

namespace ricorne {

namespace {

// Deletions wait for the barrier that puts their mails on disk; one barrier covers at most this
// many mails or bytes, so a long check does not hold every deletion until its end.
constexpr int kGroupMails = 64;
constexpr qint64 kGroupBytes = 8 << 20;

// One check's state and the steps it takes.
class Check {
public:
    explicit Check(const CheckMailHooks& hooks)
        : w_(hooks), mail_(*hooks.mail),
          attachFolder_(ResolvePath(QLatin1Char('\\') + AttachDir() + QLatin1Char('\\'))),
          journal_(attachFolder_) {}

    CheckMailResult Run();

private:
    enum class MailOutcome { Stored, Skipped, Stop };

    void Status(const QString& text) const {
        if (w_.setStatus)
            w_.setStatus(text);
    }
    void Notice(const QString& title, const QString& text) const { Dialogs().Notice(text, title); }
    // A failure: the check did not do all it should have.
    void Failure(const QString& title, const QString& text) {
        result_.failed = true;
        Notice(title, text);
    }
    void LibraryFailure() { Failure(ErrorTitle(), CutAtNul(mail_.NMailGetMessage())); }

    void Session(AccountRecord& account);
    void ReceiveAll();
    MailOutcome ReceiveOne(int k);
    bool StoreStaged(const QString& uidl);
    bool Barrier();
    bool Sync();
    bool DropSession();
    bool FlushBeforeClose();
    void ShowResult();

    const CheckMailHooks& w_;
    NMail& mail_;
    CheckMailResult result_;
    int handle_ = -1;
    qint16 attachmentFlag_ = 0;
    qint16 lastStoredFlag_ = 0;
    bool deletionsPending_ = false;
    bool dropped_ = false;               // a failed flush ended the session without QUIT
    bool syncAll_ = false;               // records of an earlier check wait for a DELE too
    std::optional<ReceivedUidls> known_; // of this server and account, once logged in
    QSet<QString> deletedIds_;           // asked to be deleted in this session
    QSet<QString> storedIds_;            // stored in this session, not yet on disk for sure
    std::optional<StoreAppender> store_; // the received store, open for this check
    QVector<int> unsynced_;              // stored mails waiting for the barrier before DELE
    qint64 unsyncedBytes_ = 0;
    QString lastFetchFailure_;
    QVector<QString> uidls_; // by mail number; empty: no usable id
    QString attachFolder_;
    AttachmentJournal journal_; // the files of the mail being received
};

CheckMailResult Check::Run() {
    AccountRecord& account = AccountSettings();
    if (!account.Pop3Server.isEmpty()) {
        const ProgramFolderLock lock;
        if (!lock.Held()) {
            result_.folderBusy = true;
            Failure(ErrorTitle(), lock.IsBusy() ? FolderBusyText() : LockUnavailableText());
        } else {
            result_.leftoversRemoved = RemoveCheckLeftovers(attachFolder_) + journal_.Recover();
            store_.emplace(ReceivedStore());
            Session(account);
            // A mail that was not stored is received again: its files must not stay.
            journal_.Discard();
        }
    }
    ShowResult();
    return result_;
}

void Check::Session(AccountRecord& account) {
    handle_ = mail_.NMailPop3Connect(account.Pop3Server);
    Status(CheckingStatus());
    if (handle_ == -1) {
        LibraryFailure(); // no such server, refused, TLS or certificate failure: the text says which
        return;
    }
    result_.contacted = true;
    // The file is the only source of the ID and password: what the dialog holds unsaved does
    // not count.
    const Credentials credentials = ReadCredentials();
    account.AccountId = credentials.AccountId;
    account.Password = credentials.Password;
    // An account signed in with OAuth has no password: the saved sign-in stands for it.
    if (account.AccountId.isEmpty() ||
        (account.Password.isEmpty() && !oauth::AccountUsesOAuth(account.FromAddress))) {
        result_.askedForCredentials = true;
        if (w_.openAccountDialog)
            w_.openAccountDialog(account.AccountId, account.Password);
    } else {
        result_.waiting = mail_.NMailPop3Authenticate(handle_, account.AccountId, account.Password,
                                                      account.UseApop != 0 ? -1 : 0);
        if (result_.waiting >= 0) {
            known_.emplace(account.Pop3Server, account.AccountId);
            known_->Load();
        }
        if (result_.waiting > 0) {
            ReceiveAll();
        } else if (result_.waiting == 0) {
            // An empty mailbox holds none of the mails stored earlier.
            known_->KeepOnly({});
        } else {
            LibraryFailure();
        }
    }
    if (!FlushBeforeClose())
        return;
    result_.committed = mail_.NMailPop3Close(handle_) >= 0;
    if (result_.committed) {
        // The server has deleted these mails and may give their ids to new ones.
        if (known_ && !deletedIds_.isEmpty())
            known_->Forget(deletedIds_);
    } else if (deletionsPending_ && lastFetchFailure_.isEmpty()) {
        // Nothing was deleted; the next check sorts it out. A session that broke earlier has
        // said so already.
        LibraryFailure();
    }
}

// The attachment flag and the count speak of what was received, so a mail that could not be
// stored is not counted.
void Check::ShowResult() {
    if (attachmentFlag_ > 0) {
        Status(AttachmentMailStatus());
        if (w_.pullLever)
            w_.pullLever();
    }
    if (result_.stored >= 1) {
        Status(NewMailStatus());
        if (w_.pullLever)
            w_.pullLever();
    } else if (result_.failed) {
        Status(CheckFailedStatus());
    } else {
        Status(NoNewMailStatus());
    }
}

void Check::ReceiveAll() {
    const int count = result_.waiting;
    uidls_ = QVector<QString>(count + 1);
    QSet<QString> onServer;
    QSet<QString> shared;
    for (int k = 1; k <= count; ++k) {
        const QString uidl = mail_.NMailPop3GetUidl(handle_, k);
        if (ReceivedUidls::IsUsable(uidl)) {
            uidls_[k] = uidl;
            if (onServer.contains(uidl))
                shared.insert(uidl);
            onServer.insert(uidl);
        }
    }
    // An id that several mails share tells them apart from none: storing one of them must not
    // make the others count as stored, so those mails are handled as if the server had no UIDL.
    for (QString& uidl : uidls_) {
        if (shared.contains(uidl))
            uidl.clear();
    }
    // Without any id (a server without UIDL, or the list failed) nothing is known to be gone.
    if (!onServer.isEmpty())
        known_->KeepOnly(onServer);

    for (int k = 1; k <= count; ++k) {
        // A long check must not look like a hung one.
        Status(ReceivingProgressStatus(k, count));
        if (ReceiveOne(k) == MailOutcome::Stop) {
            result_.stoppedEarly = true;
            break;
        }
    }
}

Check::MailOutcome Check::ReceiveOne(int k) {
    const QString& uidl = uidls_[k];
    if (!uidl.isEmpty() && known_->Contains(uidl)) {
        // Stored by a check that was cut off before the server committed its deletions, maybe
        // before its flush: deleted with the next group, after a flush of the whole store.
        ++result_.alreadyStored;
        unsynced_.append(k);
        syncAll_ = true;
        if (unsynced_.size() >= kGroupMails && !Barrier())
            return MailOutcome::Stop;
        return MailOutcome::Skipped;
    }
    if (store_->NextNumber() > kMaxRecordNumber) {
        Failure(ErrorTitle(), StoreFullText());
        return MailOutcome::Stop;
    }

    QString subject, date, sender, header, body;
    mail_.NMailPop3GetMailStatus(handle_, k, subject, date, sender, header);
    const int size = mail_.NMailPop3GetMailSize(handle_, k);
    if (mail_.NMailPop3GetMail(handle_, k, subject, date, sender, header, body) < 0) {
        // The mail stays on the server and the check goes on with the next one (a mail too big
        // to fetch must not hold up the rest). A session that broke fails every later fetch
        // with the same text: that ends the check, and the text is shown once.
        const QString failure = CutAtNul(mail_.NMailGetMessage());
        if (failure == lastFetchFailure_)
            return MailOutcome::Stop;
        lastFetchFailure_ = failure;
        Failure(ErrorTitle(), failure);
        return MailOutcome::Skipped;
    }
    subject = CutAtNul(subject);
    date = CutAtNul(date);
    sender = CutAtNul(sender);
    header = CutAtNul(header);
    body = CutAtNul(body);

    attachmentFlag_ = body.contains(QStringLiteral("attachment"), Qt::CaseSensitive) ? 1 : 0;

    {
        // The component keeps the mail it fetched, read once: the attachments come from that
        // reading, so no copy of the mail goes through a file.
        // A file of this mail written by a check that was interrupted is taken again, not copied
        // to "name (1)"; every new file is listed until the mail is stored.
        ExtractOptions options;
        options.reuseIdentical = true;
        options.created = [this](const QString& name) { return journal_.Add(name); };
        mail_.SetAttachmentOptions(options);
        const int r = mail_.NMailAttachmentFileFirst(subject, date, sender, header, body, attachFolder_,
                                                     QString(), QString());
        mail_.NMailAttachmentFileClose();
        mail_.SetAttachmentOptions({});
        if (r == -5) {
            journal_.Discard(); // what was written of it goes: the mail is received again
            // Storing the mail would tell of files that are not there, and deleting it would
            // lose them: it stays on the server with the later ones.
            const QString cause = CutAtNul(mail_.NMailGetMessage());
            Failure(QString(), CannotOpenAttachmentText() + QLatin1Char('\n') +
                                   (cause.isEmpty() ? QString() : cause + QLatin1Char('\n')) +
                                   MailKeptOnServerText());
            attachmentFlag_ = lastStoredFlag_;
            return MailOutcome::Stop;
        }
        if (r == -6) // the part is kept until the others arrive; the mail is stored as it is
            Notice(QString(), SplitMailIncompleteText());
    }

    const QString crlf = QStringLiteral("\r\n");
    w_.recordView().SetRecordView(subject, sender, date,
                                  attachmentFlag_ == 1 ? body + crlf + AttachmentNotice() : body);
    if (!StoreStaged(uidl)) {
        journal_.Discard();
        attachmentFlag_ = lastStoredFlag_;
        return MailOutcome::Stop;
    }
    journal_.Keep();
    lastStoredFlag_ = attachmentFlag_;
    ++result_.stored;
    if (!uidl.isEmpty())
        storedIds_.insert(uidl);
    // Deleted once the barrier has put it on disk, with the others of its group.
    unsynced_.append(k);
    unsyncedBytes_ += qMax(0, size);
    if ((unsynced_.size() >= kGroupMails || unsyncedBytes_ >= kGroupBytes) && !Barrier())
        return MailOutcome::Stop;
    return MailOutcome::Stored;
}

bool Check::StoreStaged(const QString& uidl) {
    const HistoryView& view = w_.recordView();
    MailRecord& record = ReceivedBuffer();
    SetField(record.Subject, Trim(view.SubjectText()));
    SetField(record.DateText, Trim(view.DateText()));
    SetField(record.Address, Trim(view.SenderText()));
    SetField(record.Body, Trim(view.BodyText()));
    record.LineEnd[0] = '\r';
    record.LineEnd[1] = '\n';
    record.Live = 1;
    store_->Refresh();
    const int n = store_->NextNumber();
    if (n > kMaxRecordNumber) {
        Failure(ErrorTitle(), StoreFullText());
        return false;
    }
    // The id goes first, with the number and checksum of the record it is about to get: it
    // counts only once that record is on disk, so a kill on either side of the write stores the
    // mail exactly once. Without the line a cut-off session would at worst store it again.
    const QByteArray sum = ReceivedUidls::RecordSum(reinterpret_cast<const char*>(&record), sizeof record);
    if (!uidl.isEmpty())
        known_->AddBeforeRecord(uidl, n, sum);
    // Likewise the attachments: theirs once the record is there.
    if (!journal_.MarkStoredAs(n, sum) || !store_->Append(record)) {
        if (!uidl.isEmpty())
            known_->Forget({uidl}); // its line would not count anyway: the record is not there
        Failure(ErrorTitle(), StoreWriteFailedText());
        return false;
    }
    return true;
}

// Puts the records (and ids) of the mails stored since the last barrier on disk with one flush
// of each file, then asks the server to delete those mails: no DELE goes out for a mail before
// its record and attachments (synced when they were written) are on disk. When the flush
// fails the session is dropped and nothing is deleted.
bool Check::Barrier() {
    if (unsynced_.isEmpty())
        return true;
    if (!Sync())
        return DropSession();
    // A refusal (a session that broke) keeps a mail on the server; its id tells the next check
    // that it is stored.
    mail_.NMailPop3DeleteMails(handle_, unsynced_);
    for (const int k : std::as_const(unsynced_)) {
        if (!uidls_.value(k).isEmpty())
            deletedIds_.insert(uidls_.value(k));
    }
    deletionsPending_ = true;
    unsynced_.clear();
    unsyncedBytes_ = 0;
    storedIds_.clear(); // on disk now
    return true;
}

bool Check::Sync() {
    if (!store_->Flush(syncAll_) || (known_ && !known_->Flush()))
        return false;
    syncAll_ = false;
    return true;
}

// Ends the session without QUIT (the component has only the one session open now).
bool Check::DropSession() {
    mail_.NMailEndWinSock();
    dropped_ = true;
    // What did not reach the disk may be gone after a power cut: the ids stored since the last
    // barrier must not make the next check delete those mails unstored.
    if (known_)
        known_->Forget(storedIds_);
    unsynced_.clear();
    Failure(ErrorTitle(), StoreFlushFailedText());
    return false;
}

// The server commits deletions when the session ends cleanly; before that every mail it will
// delete must be on disk.
bool Check::FlushBeforeClose() {
    if (dropped_)
        return false;
    if (!unsynced_.isEmpty())
        return Barrier();
    return !deletionsPending_ || Sync() || DropSession();
}

} // namespace

CheckMailResult CheckMail(const CheckMailHooks& hooks) {
    Q_ASSERT(hooks.mail && hooks.recordView);
    Check check(hooks);
    return check.Run();
}

} // namespace ricorne
