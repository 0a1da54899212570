// The mail check against a scripted POP3 server of our own: the paths a real server will not
// take on demand (no UIDL, a line dropped mid-mail, a full store, a failing disk).
#include "FakePop3.h"
#include "ReceiveTestSupport.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/paths/Paths.h"
#include "core/paths/ProgramFolderLock.h"
#include "core/platform/FileIo.h"
#include "core/settings/AccountSettings.h"
#include "core/stores/RecordStore.h"
#include "receive/AttachmentJournal.h"
#include "receive/ReceivedUidls.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <climits>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

class CheckMailTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app_.IsValid());
        pop_.mails = {TextMail(u"一通目"_s, u"本文1"_s, 1), TextMail(u"二通目"_s, u"本文2"_s, 2),
                      TextMail(u"三通目"_s, u"本文3"_s, 3)};
        app_.SetServer(server_.Url("pop3"));
        app_.SetCredentials(u"alice"_s, u"secret1"_s);
    }
    bool SawCommand(const QByteArray& prefix) const { return server_.ReceivedLineStartingWith(prefix); }
    QStringList StoredSubjects() const {
        QStringList subjects;
        for (const StoredMail& m : ReceivedMails())
            subjects << m.subject;
        return subjects;
    }

    AccountAppDir app_;
    FakePop3 pop_;
    FakeServer server_{[this](FakeConnection& c) { pop_.Serve(c); }};
    NMail mail_;
    CheckRecorder check_;
};

TEST_F(CheckMailTest, NoPop3ServerContactsNothingAndCreatesNoFile) {
    app_.SetServer(QString());
    const QStringList before = app_.Files();
    check_.Run(mail_);
    EXPECT_EQ(check_.statuses, QStringList{u"新着メール無し。"_s});
    EXPECT_EQ(server_.Connections(), 0);
    EXPECT_EQ(app_.Files(), before);
    EXPECT_EQ(check_.leverPulls, 0);
    EXPECT_TRUE(check_.messages.isEmpty());
}

// A check that could not do its work says why in a box and never ends in "新着メール無し。",
// which would tell the user that there is no mail.
struct FailureCase {
    const char* name;
    QString server; // empty: the scripted server
    bool serverRefusesLogin;
};
class CheckFailureTest : public CheckMailTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CheckFailureTest, FailureIsShownAndNeverCalledNoNewMail) {
    const FailureCase& c = GetParam();
    if (!c.server.isEmpty())
        app_.SetServer(c.server);
    if (c.serverRefusesLogin) {
        pop_.onCommand = [](FakeConnection& conn, const QByteArray& command) {
            if (!command.toUpper().startsWith("PASS"))
                return false;
            conn.SendLine("-ERR [AUTH] 認証に失敗しました");
            return true;
        };
    }
    const CheckMailResult result = check_.Run(mail_);
    EXPECT_TRUE(result.failed);
    ASSERT_EQ(check_.messages.size(), 1);
    EXPECT_EQ(check_.messages[0].title, u"エラー"_s);
    EXPECT_FALSE(check_.messages[0].text.isEmpty());
    EXPECT_EQ(check_.messages[0].text, mail_.NMailGetMessage());
    EXPECT_EQ(check_.statuses,
              (QStringList{u"メールのチェックをしています。"_s, u"メールのチェックに失敗しました。"_s}));
    EXPECT_FALSE(check_.statuses.contains(u"新着メール無し。"_s));
    EXPECT_EQ(check_.leverPulls, 0);
    EXPECT_TRUE(ReceivedMails().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Failures, CheckFailureTest,
                         ::testing::Values(FailureCase{"Refused", u"127.0.0.1:1"_s, false},
                                           FailureCase{"UnknownHost", u"no-such-host.invalid"_s, false},
                                           FailureCase{"LoginRefused", QString(), true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The file is the only source: an ID and password confirmed without saving do not count, and
// with either one empty the dialog opens and nothing is sent that could log in.
TEST_F(CheckMailTest, MissingPasswordOpensTheDialogAndLogsInNowhere) {
    app_.SetCredentials(u"alice"_s, QString());
    AccountSettings().AccountId = u"typed"_s;
    AccountSettings().Password = u"typed-but-not-saved"_s;
    const CheckMailResult result = check_.Run(mail_);
    EXPECT_TRUE(result.askedForCredentials);
    EXPECT_EQ(check_.dialogOpenings, QStringList{u"alice/"_s});
    EXPECT_EQ(AccountSettings().AccountId, u"alice"_s);
    EXPECT_EQ(AccountSettings().Password, QString());
    EXPECT_FALSE(SawCommand("USER"));
    EXPECT_FALSE(SawCommand("PASS"));
    EXPECT_FALSE(SawCommand("APOP"));
    EXPECT_FALSE(SawCommand("AUTH"));
    EXPECT_EQ(check_.statuses, (QStringList{u"メールのチェックをしています。"_s, u"新着メール無し。"_s}));
    EXPECT_EQ(check_.leverPulls, 0);
    EXPECT_TRUE(ReceivedMails().isEmpty());
}

TEST_F(CheckMailTest, ServerWithoutUidlStillGetsEveryMailStoredAndDeleted) {
    pop_.capabilities = {"USER", "PIPELINING"};
    pop_.onCommand = [](FakeConnection& c, const QByteArray& command) {
        if (!command.toUpper().startsWith("UIDL"))
            return false;
        c.SendLine("-ERR no UIDL here");
        return true;
    };
    const CheckMailResult result = check_.Run(mail_);
    EXPECT_EQ(result.stored, 3);
    EXPECT_EQ(StoredSubjects(), (QStringList{u"一通目"_s, u"二通目"_s, u"三通目"_s}));
    EXPECT_EQ(pop_.committedDeletes, (QSet<int>{1, 2, 3}));
    EXPECT_FALSE(QFile::exists(ReceivedUidls(AccountSettings().Pop3Server, u"alice"_s).Path()));
    EXPECT_TRUE(check_.messages.isEmpty());
    EXPECT_EQ(check_.statuses.last(), u"新着メール有り。"_s);
    EXPECT_EQ(check_.leverPulls, 1);
}

// A server that gives several mails one id: storing the first must not pass the others off as
// stored earlier.
TEST_F(CheckMailTest, MailsSharingOneUidlAreEachStored) {
    pop_.onCommand = [](FakeConnection& c, const QByteArray& command) {
        if (!command.toUpper().startsWith("UIDL"))
            return false;
        c.Send("+OK\r\n1 same\r\n2 same\r\n3 other\r\n.\r\n");
        return true;
    };
    const CheckMailResult result = check_.Run(mail_);
    EXPECT_EQ(result.stored, 3);
    EXPECT_EQ(result.alreadyStored, 0);
    EXPECT_EQ(StoredSubjects(), (QStringList{u"一通目"_s, u"二通目"_s, u"三通目"_s}));
    EXPECT_EQ(pop_.committedDeletes, (QSet<int>{1, 2, 3}));
}

// The line drops in the middle of the second mail: the first is stored, the user sees the
// component's text once, nothing is deleted, and the next check does not store the first again.
TEST_F(CheckMailTest, DroppedLineLosesNothingAndTheNextCheckStoresEachMailOnce) {
    bool dropped = false;
    pop_.onRetr = [&dropped](FakeConnection& c, int number) {
        if (number != 2 || dropped)
            return false;
        dropped = true;
        c.Send("+OK\r\nFrom: someone\r\nSubject: cut");
        c.Close();
        return true;
    };
    CheckMailResult result = check_.Run(mail_);
    EXPECT_EQ(result.stored, 1);
    EXPECT_TRUE(result.stoppedEarly);
    EXPECT_FALSE(pop_.quitSeen);
    EXPECT_TRUE(pop_.committedDeletes.isEmpty());
    ASSERT_EQ(check_.messages.size(), 1);
    EXPECT_EQ(check_.messages[0].title, u"エラー"_s);
    EXPECT_EQ(check_.messages[0].text, mail_.NMailGetMessage());
    EXPECT_FALSE(check_.messages[0].text.isEmpty());
    EXPECT_EQ(check_.statuses.last(), u"新着メール有り。"_s); // one mail did arrive

    CheckRecorder second;
    result = second.Run(mail_);
    EXPECT_EQ(result.alreadyStored, 1);
    EXPECT_EQ(result.stored, 2);
    EXPECT_EQ(StoredSubjects(), (QStringList{u"一通目"_s, u"二通目"_s, u"三通目"_s}));
    EXPECT_EQ(pop_.committedDeletes, (QSet<int>{1, 2, 3}));
    EXPECT_TRUE(second.messages.isEmpty());
}

TEST_F(CheckMailTest, FullStoreLeavesEveryMailOnTheServer) {
    {
        QFile store(StorePath(ReceivedStore()));
        ASSERT_TRUE(store.open(QIODevice::WriteOnly));
        ASSERT_TRUE(store.resize(qint64(kMaxRecordNumber) * sizeof(MailRecord))); // sparse
    }
    const CheckMailResult result = check_.Run(mail_);
    EXPECT_EQ(result.stored, 0);
    EXPECT_FALSE(SawCommand("RETR"));
    EXPECT_TRUE(pop_.committedDeletes.isEmpty());
    ASSERT_EQ(check_.messages.size(), 1);
    EXPECT_EQ(check_.messages[0].text, StoreFullText());
    EXPECT_EQ(check_.statuses.last(), CheckFailedStatus());
    EXPECT_EQ(check_.leverPulls, 0);
    EXPECT_EQ(RecordCount(ReceivedStore()), kMaxRecordNumber);
}

// The disk fills up while the second record is written: that mail and the third stay on the
// server, the first is deleted, and the user is told why.
TEST_F(CheckMailTest, FailingRecordWriteStopsTheCheckThereAndKeepsTheRestOnTheServer) {
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = sizeof(MailRecord) + sizeof(MailRecord) / 2;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const CheckMailResult result = check_.Run(mail_);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(result.stored, 1);
    EXPECT_TRUE(result.stoppedEarly);
    EXPECT_TRUE(result.committed);
    EXPECT_EQ(pop_.committedDeletes, QSet<int>{1});
    EXPECT_EQ(StoredSubjects(), QStringList{u"一通目"_s});
    EXPECT_EQ(QFile(StorePath(ReceivedStore())).size(), qint64(sizeof(MailRecord))); // no torn record
    ASSERT_EQ(check_.messages.size(), 1);
    EXPECT_EQ(check_.messages[0].text, StoreWriteFailedText());
    EXPECT_EQ(check_.statuses.last(), u"新着メール有り。"_s);
    EXPECT_EQ(check_.leverPulls, 1);
}

// Another program (a second window, ricorne-mailtool) is checking this folder: the check says so
// and touches neither the server nor the stores.
TEST_F(CheckMailTest, FolderHeldByAnotherProgramIsLeftAlone) {
    const int other =
        ::open(QFile::encodeName(ProgramFolderLock::Path()).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    const QStringList before = app_.Files();
    const CheckMailResult result = check_.Run(mail_);
    ::close(other);

    EXPECT_TRUE(result.folderBusy);
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(server_.Connections(), 0);
    EXPECT_EQ(app_.Files(), before);
    ASSERT_EQ(check_.messages.size(), 1);
    EXPECT_EQ(check_.messages[0].text, FolderBusyText());
    EXPECT_EQ(check_.statuses, QStringList{u"メールのチェックに失敗しました。"_s});

    // Free again: the next check works as usual.
    EXPECT_EQ(CheckRecorder().Run(mail_).stored, 3);
}

// Once the server has committed the deletions it may give the same ids to new mails (and
// another account on the same server uses its own "uid-1", ...): those must be fetched.
TEST_F(CheckMailTest, IdsOfCommittedDeletionsAndOfOtherAccountsNeverSkipANewMail) {
    CheckMailResult result = check_.Run(mail_);
    ASSERT_EQ(result.stored, 3);
    ASSERT_TRUE(result.committed);
    const ReceivedUidls ids(AccountSettings().Pop3Server, u"alice"_s);
    EXPECT_FALSE(QFile::exists(ids.Path()));

    // The same ids again, on new mails: stored, none deleted unfetched.
    pop_.mails = {TextMail(u"四通目"_s, u"本文4"_s, 4), TextMail(u"五通目"_s, u"本文5"_s, 5)};
    pop_.committedDeletes.clear();
    result = CheckRecorder().Run(mail_);
    EXPECT_EQ(result.stored, 2);
    EXPECT_EQ(result.alreadyStored, 0);

    // A session of alice cut off before QUIT leaves her ids; bob's mails with the same ids are
    // his own.
    pop_.mails = {TextMail(u"六通目"_s, u"本文6"_s, 6)};
    pop_.onCommand = [](FakeConnection& c, const QByteArray& command) {
        if (!command.toUpper().startsWith("QUIT"))
            return false;
        c.Close();
        return true;
    };
    result = CheckRecorder().Run(mail_);
    EXPECT_EQ(result.stored, 1);
    EXPECT_FALSE(result.committed);
    EXPECT_TRUE(QFile::exists(ids.Path()));
    pop_.onCommand = {};
    pop_.mails = {TextMail(u"ボブ宛て"_s, u"本文"_s, 7)};
    app_.SetCredentials(u"bob"_s, u"secret2"_s);
    result = CheckRecorder().Run(mail_);
    EXPECT_EQ(result.stored, 1);
    EXPECT_EQ(result.alreadyStored, 0);
    EXPECT_EQ(StoredSubjects(), (QStringList{u"一通目"_s, u"二通目"_s, u"三通目"_s, u"四通目"_s, u"五通目"_s,
                                             u"六通目"_s, u"ボブ宛て"_s}));
}

// Ids of a session cut off before QUIT wait for the server to commit; when the server no longer
// lists them (another program deleted those mails) they are forgotten, so that a new mail the
// server later gives one of them is fetched, not deleted as if stored.
TEST_F(CheckMailTest, IdsTheServerNoLongerListsAreForgottenBeforeTheyCanSkipANewMail) {
    pop_.onCommand = [](FakeConnection& c, const QByteArray& command) {
        if (!command.toUpper().startsWith("QUIT"))
            return false;
        c.Close();
        return true;
    };
    CheckMailResult result = check_.Run(mail_);
    ASSERT_EQ(result.stored, 3);
    ASSERT_FALSE(result.committed);

    pop_.mails = {TextMail(u"四通目"_s, u"本文4"_s, 4)};
    pop_.onCommand = [](FakeConnection& c, const QByteArray& command) {
        if (!command.toUpper().startsWith("UIDL"))
            return false;
        c.Send("+OK\r\n1 another-1\r\n.\r\n");
        return true;
    };
    result = CheckRecorder().Run(mail_);
    ASSERT_EQ(result.stored, 1);
    ASSERT_TRUE(result.committed);

    pop_.mails = {TextMail(u"五通目"_s, u"本文5"_s, 5)}; // "uid-1" again
    pop_.onCommand = {};
    pop_.committedDeletes.clear();
    result = CheckRecorder().Run(mail_);
    EXPECT_EQ(result.stored, 1);
    EXPECT_EQ(result.alreadyStored, 0);
    EXPECT_EQ(StoredSubjects(),
              (QStringList{u"一通目"_s, u"二通目"_s, u"三通目"_s, u"四通目"_s, u"五通目"_s}));
}

// The attachment of the second mail cannot be written (the disk takes no file that large): that
// mail and the third stay on the server, the box names the file and the cause, and nothing
// cut short is left under the attachment's name. With room again, everything arrives.
TEST_F(CheckMailTest, AttachmentThatCannotBeWrittenKeepsItsMailOnTheServer) {
    const QByteArray content(200 * 1024, 'a');
    pop_.mails[1] = AttachmentMail(u"資料"_s, u"資料を送ります。"_s, u"報告書.pdf"_s, content);
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 100 * 1024; // room for the records, not for the attachment
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    CheckMailResult result = check_.Run(mail_);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(result.stored, 1);
    EXPECT_TRUE(result.stoppedEarly);
    EXPECT_TRUE(result.failed);
    EXPECT_EQ(pop_.committedDeletes, QSet<int>{1});
    EXPECT_EQ(StoredSubjects(), QStringList{u"一通目"_s});
    ASSERT_EQ(check_.messages.size(), 1);
    const QString text = check_.messages[0].text;
    EXPECT_TRUE(text.startsWith(u"添付ファイルをオープンできません\n"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"報告書.pdf"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"ファイルが大きすぎます"_s)) << text.toStdString();
    EXPECT_TRUE(text.endsWith(MailKeptOnServerText()));
    EXPECT_TRUE(QDir(app_.AttachFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_EQ(check_.statuses.last(), u"新着メール有り。"_s);

    pop_.mails.removeFirst(); // the server committed its deletion
    pop_.committedDeletes.clear();
    result = CheckRecorder().Run(mail_);
    EXPECT_EQ(result.stored, 2);
    EXPECT_EQ(StoredSubjects(), (QStringList{u"一通目"_s, u"資料"_s, u"三通目"_s}));
    QFile saved(app_.AttachFolder() + u"/報告書.pdf"_s);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), content);
    EXPECT_EQ(QDir(app_.AttachFolder()).entryList(QDir::Files | QDir::Hidden), QStringList{u"報告書.pdf"_s});
}

// Copies of mails and half-written attachments of a killed check go at the next check; the
// user's files, attachments named like the old message copy and kept parts of split mails stay.
TEST_F(CheckMailTest, NextCheckRemovesWhatAKilledCheckLeftInTheAttachmentFolder) {
    const QStringList ours = {u".ricorne-message-0.tmp"_s, u".ricorne-message-17.tmp"_s,
                              u".ricorne-attachment.tmp"_s, u".ricorne-attachment (2).tmp"_s};
    QStringList theirs = {u"0.txt"_s,
                          u"0 (1).txt"_s,
                          u"資料.pdf"_s,
                          u".partial-abc-1"_s,
                          u"ricorne-message-1.tmp"_s,
                          u"報告.ricorne-attachment.tmp"_s};
    for (const QString& name : ours + theirs) {
        QFile file(app_.AttachFolder() + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Subject: 前のメール\r\n");
    }
    const CheckMailResult result = check_.Run(mail_);
    EXPECT_EQ(result.stored, 3);
    EXPECT_EQ(result.leftoversRemoved, ours.size());
    QStringList left = QDir(app_.AttachFolder()).entryList(QDir::Files | QDir::Hidden);
    left.sort();
    theirs.sort();
    EXPECT_EQ(left, theirs);
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// A check cut off after writing a mail's attachments, before its record: the next check writes
// them once. Files it had listed go first, one it wrote but had not listed yet is taken again
// (same bytes), and a file of the user's under a name the mail uses is left alone.
TEST_F(CheckMailTest, AttachmentsOfAnInterruptedReceiveAreWrittenOnce) {
    const QByteArray estimate("%PDF-1.4 見積", 13), photo(5000, '\xff'), memo("買い物メモ");
    pop_.mails = {AttachmentsMail(
        u"添付三つ"_s, {{u"見積書.pdf"_s, estimate}, {u"写真.jpg"_s, photo}, {u"メモ.txt"_s, memo}})};
    const QDir folder(app_.AttachFolder());
    const auto put = [&folder](const QString& name, const QByteArray& bytes) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    put(u"見積書.pdf"_s, estimate.left(5)); // listed: whatever it holds, it goes
    put(u"写真.jpg"_s, photo);              // written, not yet listed
    put(u"メモ.txt"_s, "自分のメモ");       // the user's own
    // Names that are no plain file of the folder, and a last line cut short, are not acted on.
    const AttachmentJournal journal(app_.AttachFolder());
    {
        QFile lines(journal.Path());
        ASSERT_TRUE(lines.open(QIODevice::WriteOnly));
        lines.write("file 見積書.pdf\r\nfile ../klmail.ini\r\nfile メモ.txt");
    }

    ASSERT_EQ(check_.Run(mail_).stored, 1);
    QStringList names = folder.entryList(QDir::Files | QDir::Hidden);
    names.sort();
    EXPECT_EQ(names, (QStringList{u"メモ (1).txt"_s, u"メモ.txt"_s, u"写真.jpg"_s, u"見積書.pdf"_s}));
    EXPECT_EQ(ReadAll(folder.filePath(u"見積書.pdf"_s)), estimate);
    EXPECT_EQ(ReadAll(folder.filePath(u"写真.jpg"_s)), photo);
    EXPECT_EQ(ReadAll(folder.filePath(u"メモ.txt"_s)), "自分のメモ");
    EXPECT_EQ(ReadAll(folder.filePath(u"メモ (1).txt"_s)), memo);
    EXPECT_TRUE(QFile::exists(app_.FilePath(u"klmail.ini"_s)));
    EXPECT_FALSE(QFile::exists(journal.Path()));

    // Cut off between the record and the journal's removal: the record is there, so its files
    // stay. A journal whose record is not there takes its files with it.
    const QByteArray storedSum = ReceivedUidls::RecordSum(
        [] {
            QFile store(StorePath(ReceivedStore()));
            return store.open(QIODevice::ReadOnly) ? store.readAll() : QByteArray();
        }()
            .constData(),
        sizeof(MailRecord));
    for (const auto& [sum, survives] :
         {std::pair{storedSum, true}, std::pair{QByteArray("0badc0de"), false}}) {
        QFile lines(journal.Path());
        ASSERT_TRUE(lines.open(QIODevice::WriteOnly));
        lines.write("file 写真.jpg\r\nstored 1 " + sum + "\r\n");
        lines.close();
        pop_.mails.clear();
        CheckRecorder().Run(mail_);
        EXPECT_EQ(QFile::exists(folder.filePath(u"写真.jpg"_s)), survives);
        EXPECT_FALSE(QFile::exists(journal.Path()));
    }
}

// The ids file cannot be forced to disk at the end of the session: nothing is deleted from the
// server, and none of this session's ids survive to make the next check delete a mail unstored.
TEST_F(CheckMailTest, FailedFlushDropsThisSessionsIdsAndDeletesNothing) {
    static const auto failOnIds = [](int fd, bool wholeFileSystem) {
        char link[64], target[PATH_MAX] = {};
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        const ssize_t n = ::readlink(link, target, sizeof target - 1);
        if (n > 0 && std::strstr(target, "received-uidl-")) {
            errno = EIO;
            return false;
        }
        return (wholeFileSystem ? ::syncfs(fd) : ::fsync(fd)) == 0;
    };
    platform::SetSyncFunction(failOnIds);
    CheckMailResult result = check_.Run(mail_);
    platform::SetSyncFunction(nullptr);

    EXPECT_EQ(result.stored, 3);
    EXPECT_TRUE(result.failed);
    EXPECT_FALSE(result.committed);
    EXPECT_TRUE(pop_.committedDeletes.isEmpty());
    ASSERT_FALSE(check_.messages.isEmpty());
    EXPECT_EQ(check_.messages.last().text, StoreFlushFailedText());
    ReceivedUidls ids(AccountSettings().Pop3Server, u"alice"_s);
    ASSERT_TRUE(ids.Load());
    EXPECT_EQ(ids.Size(), 0);

    // The disk works again: every mail is stored once more (a copy, never a loss) and deleted.
    result = CheckRecorder().Run(mail_);
    EXPECT_EQ(result.stored, 3);
    EXPECT_EQ(result.alreadyStored, 0);
    EXPECT_EQ(pop_.committedDeletes, (QSet<int>{1, 2, 3}));
}

// The history viewer of this process deletes a received mail while the check is under way (the
// folder lock is shared within a process): the compaction puts a new store in place, and the
// mails after it go into that store, not into the file it replaced.
TEST_F(CheckMailTest, StoreReplacedByACompactionMidCheckGetsTheLaterMails) {
    CheckMailHooks hooks = check_.Hooks(mail_);
    const auto status = hooks.setStatus;
    hooks.setStatus = [&status](const QString& text) {
        status(text);
        if (text != ReceivingProgressStatus(3, 3))
            return;
        MailRecord first;
        ASSERT_TRUE(ReadRecord(ReceivedStore(), 1, first));
        ASSERT_TRUE(MarkDeleted(ReceivedStore(), 1, first));
        ASSERT_TRUE(CompactStore(ReceivedStore()));
    };
    ScriptedDialogService dialogs;
    const CheckMailResult result = [&] {
        ScopedDialogService installed(dialogs);
        return CheckMail(hooks);
    }();
    EXPECT_EQ(result.stored, 3);
    EXPECT_TRUE(result.committed);
    EXPECT_EQ(StoredSubjects(), (QStringList{u"二通目"_s, u"三通目"_s}));
    EXPECT_EQ(pop_.committedDeletes, (QSet<int>{1, 2, 3}));
}

// A long check puts its mails on disk in groups, and the server hears DELE for a mail only after
// the flush that covers its record and its id line (its attachments were synced when written):
// a power cut at any moment loses no mail the server has been told to delete.
TEST_F(CheckMailTest, NoDeleteGoesOutBeforeItsMailIsOnDiskAndFlushesComeInGroups) {
    static std::mutex mutex;
    static std::vector<std::string> events; // "store <bytes>", "ids", "attachments", "DELE <n>"
    events.clear();
    static const auto logging = [](int fd, bool wholeFileSystem) {
        char link[64], target[PATH_MAX] = {};
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        (void)::readlink(link, target, sizeof target - 1);
        struct stat st {};
        ::fstat(fd, &st);
        const std::string path = target;
        {
            const std::lock_guard<std::mutex> lock(mutex);
            if (path.ends_with("klmdata2.data"))
                events.push_back("store " + std::to_string(st.st_size));
            else if (path.find("received-uidl-") != std::string::npos)
                events.push_back("ids");
            else if (wholeFileSystem || path.ends_with(u"添付フォルダ"_s.toStdString()))
                events.push_back("attachments");
        }
        return (wholeFileSystem ? ::syncfs(fd) : ::fsync(fd)) == 0;
    };
    const int count = 150;
    pop_.mails.clear();
    for (int i = 1; i <= count; ++i)
        pop_.mails << (i == 100 ? AttachmentMail(u"資料"_s, u"資料を送ります。"_s, u"報告書.pdf"_s, "%PDF")
                                : TextMail(u"%1通目"_s.arg(i), u"本文"_s, i));
    pop_.onCommand = [](FakeConnection&, const QByteArray& command) {
        if (command.startsWith("DELE ")) {
            const std::lock_guard<std::mutex> lock(mutex);
            events.push_back("DELE " + command.mid(5).toStdString());
        }
        return false;
    };
    platform::SetSyncFunction(logging);
    const CheckMailResult result = check_.Run(mail_);
    platform::SetSyncFunction(nullptr);
    ASSERT_EQ(result.stored, count);
    ASSERT_EQ(pop_.committedDeletes.size(), count);

    const std::lock_guard<std::mutex> lock(mutex);
    qint64 storeOnDisk = 0; // bytes of the store covered by the last store flush
    qint64 idsCovered = 0;  // the same, once the ids were flushed after it
    bool attachmentsOnDisk = false;
    int storeFlushes = 0;
    for (const std::string& e : events) {
        if (e.starts_with("store ")) {
            storeOnDisk = std::stoll(e.substr(6));
            ++storeFlushes;
        } else if (e == "ids") {
            idsCovered = storeOnDisk;
        } else if (e == "attachments") {
            attachmentsOnDisk = true;
        } else {
            const int n = std::stoi(e.substr(5));
            EXPECT_GE(idsCovered, qint64(n) * qint64(sizeof(MailRecord)))
                << "DELE " << n << " before its flush";
            if (n == 100) {
                EXPECT_TRUE(attachmentsOnDisk);
            }
        }
    }
    EXPECT_GE(storeFlushes, 2); // a long check does not hold every deletion until its end
    EXPECT_LE(storeFlushes, count / 20);
}

// The first part of a split mail is kept until the others arrive: the user is told, the mail is
// stored and deleted as usual, and the check still counts as completed.
TEST_F(CheckMailTest, PartOfASplitMailIsNoFailure) {
    pop_.mails = {"From: sender@example.jp\r\nSubject: part\r\nDate: Mon, 6 May 2024 10:00:00 +0900\r\n"
                  "MIME-Version: 1.0\r\n"
                  "Content-Type: message/partial; id=\"split-1@example.jp\"; number=1; total=2\r\n\r\n"
                  "From: sender@example.jp\r\nSubject: whole\r\n\r\nfirst half\r\n"};
    const CheckMailResult result = check_.Run(mail_);
    EXPECT_EQ(result.stored, 1);
    EXPECT_FALSE(result.failed);
    EXPECT_FALSE(result.stoppedEarly);
    EXPECT_EQ(pop_.committedDeletes, QSet<int>{1});
    ASSERT_EQ(check_.messages.size(), 1);
    EXPECT_EQ(check_.messages[0].title, QString());
    EXPECT_EQ(check_.messages[0].text, u"分割されたメールが全て揃っていません"_s);
    EXPECT_EQ(check_.statuses.last(), u"新着メール有り。"_s);
}

} // namespace
