// The mail check against a scripted POP3 server of our own: the paths a real server will not
// take on demand (no UIDL, a line dropped mid-mail, a full store, a failing disk).
#include "FakePop3.h"
#include "ReceiveTestSupport.h"
#include "core/settings/AccountSettings.h"
#include "core/stores/RecordStore.h"
#include "receive/ReceivedUidls.h"

#include <gtest/gtest.h>

#include <QFile>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

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

TEST_F(CheckMailTest, RefusedConnectionShowsNoMessage) {
    app_.SetServer(u"127.0.0.1:1"_s);
    check_.Run(mail_);
    EXPECT_EQ(check_.statuses, (QStringList{u"メールのチェックをしています。"_s, u"新着メール無し。"_s}));
    EXPECT_TRUE(check_.messages.isEmpty());
    EXPECT_TRUE(check_.dialogOpenings.isEmpty());
}

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
    EXPECT_FALSE(QFile::exists(ReceivedUidls::Path()));
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
    EXPECT_EQ(check_.statuses.last(), u"新着メール無し。"_s);
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

} // namespace
