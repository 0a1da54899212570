// The whole mail check against the real test servers (Dovecot on 127.0.0.1).
#include "CuttingRelay.h"
#include "ReceiveTestSupport.h"
#include "TestServers.h"
#include "core/paths/Paths.h"
#include "core/stores/RecordStore.h"
#include "receive/ReceivedUidls.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

const QString kUser = QString::fromLatin1(kAlice.name);
const QString kPassword = QString::fromLatin1(kAlice.password);
const QString kDirect = u"localhost:"_s + QString::number(kPop3Port);

class CheckMailServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        RICORNE_REQUIRE_TEST_SERVERS();
        ASSERT_TRUE(app_.IsValid());
        ASSERT_TRUE(ClearMaildir(kUser));
        app_.SetServer(kDirect);
        app_.SetCredentials(kUser, kPassword);
    }
    void DropThree() {
        ASSERT_TRUE(DropMail(kUser, TextMail(u"一通目"_s, u"最初のメール。\nsee the attachment list"_s, 1)));
        ASSERT_TRUE(DropMail(kUser, TextMail(u"二通目"_s, u"Attachment は大文字なので数えない"_s, 2)));
        ASSERT_TRUE(DropMail(kUser, TextMail(u"三通目"_s, u"三通目の本文"_s, 3)));
    }
    static QStringList Subjects() {
        QStringList subjects;
        for (const StoredMail& m : ReceivedMails())
            subjects << m.subject;
        return subjects;
    }
    static int OnServer() { return int(MailFiles(kUser).size()); }

    AccountAppDir app_;
    NMail mail_;
    CheckRecorder check_;
};

TEST_F(CheckMailServerTest, ThreeMailsBecomeConsecutiveRecordsInServerOrderAndLeaveTheServer) {
    // One record already there: the new ones follow it.
    ASSERT_TRUE(AppendRecord(ReceivedStore(), MailRecord()));
    DropThree();
    const CheckMailResult result = check_.Run(mail_);
    EXPECT_EQ(result.waiting, 3);
    EXPECT_EQ(result.stored, 3);
    EXPECT_TRUE(result.committed);
    EXPECT_EQ(OnServer(), 0);

    const QVector<StoredMail> mails = ReceivedMails();
    ASSERT_EQ(mails.size(), 4);
    EXPECT_EQ(Subjects().mid(1), (QStringList{u"一通目"_s, u"二通目"_s, u"三通目"_s}));
    EXPECT_EQ(mails[1].n, 2);
    EXPECT_EQ(mails[3].n, 4);
    EXPECT_EQ(mails[1].live, 1);
    EXPECT_EQ(mails[1].address, u"送信者 <sender@example.jp>"_s);
    EXPECT_EQ(mails[1].date, u"Mon, 6 May 2024 10:00:01 +0900"_s);
    // Stored from the record view, trimmed; only the lower-case word brings the notice.
    EXPECT_EQ(mails[1].body,
              u"最初のメール。\r\nsee the attachment list\r\n\r\n♪♪♪　添付ファイルがありましので、"
              u"添付フォルダに展開しました。♪♪♪"_s);
    EXPECT_EQ(mails[2].body, u"Attachment は大文字なので数えない\r\n"_s);
    EXPECT_EQ(check_.view.stagings, 3);
    // Each mail is announced as it comes. The flag speaks of the last mail only: one pull for
    // the new mail.
    EXPECT_EQ(check_.statuses,
              (QStringList{u"メールのチェックをしています。"_s, u"メールを受信しています… 1/3"_s,
                           u"メールを受信しています… 2/3"_s, u"メールを受信しています… 3/3"_s,
                           u"新着メール有り。"_s}));
    EXPECT_EQ(check_.leverPulls, 1);
    EXPECT_TRUE(check_.messages.isEmpty());
    EXPECT_TRUE(QDir(app_.AttachFolder()).isEmpty());

    // The server committed the deletions: their ids are free for new mails and are not kept.
    ReceivedUidls ids(kDirect, kUser);
    ASSERT_TRUE(ids.Load());
    EXPECT_EQ(ids.Size(), 0);
    CheckRecorder again;
    again.Run(mail_);
    EXPECT_EQ(again.statuses.last(), u"新着メール無し。"_s);
}

TEST_F(CheckMailServerTest, AttachmentMailGetsTheNoticeAndItsFilesAndTwoLeverPulls) {
    QFile existing(app_.AttachFolder() + u"/0.txt"_s);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("kept");
    existing.close();
    const QByteArray content = "添付の中身\r\n"_ba;
    ASSERT_TRUE(
        DropMail(kUser, AttachmentMail(u"資料送付"_s, u"資料を送ります。"_s, u"資料.txt"_s, content)));

    check_.Run(mail_);
    const QVector<StoredMail> mails = ReceivedMails();
    ASSERT_EQ(mails.size(), 1);
    EXPECT_TRUE(mails[0].body.startsWith(u"資料を送ります。"_s));
    EXPECT_TRUE(
        mails[0].body.endsWith(u"\r\n♪♪♪　添付ファイルがありましので、添付フォルダに展開しました。♪♪♪"_s));
    QFile saved(app_.AttachFolder() + u"/資料.txt"_s);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), content);
    QFile kept(app_.AttachFolder() + u"/0.txt"_s);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "kept");
    EXPECT_EQ(QDir(app_.AttachFolder()).entryList(QDir::Files).size(), 2); // no temporary left
    EXPECT_EQ(check_.statuses,
              (QStringList{u"メールのチェックをしています。"_s, u"メールを受信しています… 1/1"_s,
                           u"添付ファイルメール。"_s, u"新着メール有り。"_s}));
    EXPECT_EQ(check_.leverPulls, 2);
    EXPECT_EQ(OnServer(), 0);
}

TEST_F(CheckMailServerTest, LogsInWithAndWithoutApop) {
    for (int apop : {0, 1}) {
        SCOPED_TRACE(apop);
        app_.SetServer(kDirect, apop);
        ASSERT_TRUE(DropMail(kUser, TextMail(u"APOP %1"_s.arg(apop), u"本文"_s, apop)));
        CheckRecorder check;
        const CheckMailResult result = check.Run(mail_);
        EXPECT_EQ(result.stored, 1);
        EXPECT_TRUE(check.messages.isEmpty());
        EXPECT_EQ(OnServer(), 0);
    }
    EXPECT_EQ(Subjects(), (QStringList{u"APOP 0"_s, u"APOP 1"_s}));
}

TEST_F(CheckMailServerTest, WrongPasswordShowsTheServersTextUnderError) {
    app_.SetCredentials(kUser, u"wrong"_s);
    ASSERT_TRUE(DropMail(kUser, TextMail(u"残る"_s, u"本文"_s)));
    const CheckMailResult result = check_.Run(mail_);
    EXPECT_LT(result.waiting, 0);
    ASSERT_EQ(check_.messages.size(), 1);
    EXPECT_EQ(check_.messages[0].title, u"エラー"_s);
    EXPECT_TRUE(check_.messages[0].text.contains(u"-ERR"_s)) << check_.messages[0].text.toStdString();
    EXPECT_EQ(check_.statuses, (QStringList{u"メールのチェックをしています。"_s, CheckFailedStatus()}));
    EXPECT_EQ(check_.leverPulls, 0);
    EXPECT_EQ(OnServer(), 1);
    EXPECT_TRUE(ReceivedMails().isEmpty());
}

// The line is cut where the server commits: every mail was stored and asked to be deleted, but
// the server never saw QUIT. The next check deletes them without storing any twice.
TEST_F(CheckMailServerTest, CutBeforeQuitThenNextCheckStoresEachMailOnce) {
    DropThree();
    CuttingRelay relay(kPop3Port, [](const QByteArray& line) { return line.toUpper().startsWith("QUIT"); },
                       {});
    app_.SetServer(u"pop3://"_s + relay.Address()); // the relay hides STLS
    CheckMailResult result = check_.Run(mail_);
    EXPECT_TRUE(relay.HasCut());
    EXPECT_EQ(result.stored, 3);
    EXPECT_FALSE(result.committed);
    EXPECT_EQ(OnServer(), 3);
    ASSERT_EQ(check_.messages.size(), 1);
    EXPECT_EQ(check_.messages[0].title, u"エラー"_s);

    // Through the relay again (it cuts only once): the ids belong to the server as written.
    CheckRecorder second;
    result = second.Run(mail_);
    EXPECT_EQ(result.alreadyStored, 3);
    EXPECT_EQ(result.stored, 0);
    EXPECT_EQ(OnServer(), 0);
    EXPECT_EQ(Subjects(), (QStringList{u"一通目"_s, u"二通目"_s, u"三通目"_s}));
    EXPECT_EQ(second.statuses.last(), u"新着メール無し。"_s);
    EXPECT_TRUE(second.messages.isEmpty());
}

// The line is cut in the middle of the second mail: the first is stored, nothing is deleted,
// and the next check stores the other two once and deletes all three.
TEST_F(CheckMailServerTest, CutMidMailThenNextCheckStoresEachMailOnce) {
    DropThree();
    CuttingRelay relay(kPop3Port, {}, [](const QByteArray& line) { return line.contains("Attachment"); });
    app_.SetServer(u"pop3://"_s + relay.Address()); // the relay hides STLS
    CheckMailResult result = check_.Run(mail_);
    EXPECT_TRUE(relay.HasCut());
    EXPECT_EQ(result.stored, 1);
    EXPECT_EQ(OnServer(), 3);
    ASSERT_EQ(check_.messages.size(), 1);
    EXPECT_EQ(check_.messages[0].title, u"エラー"_s);
    EXPECT_FALSE(check_.messages[0].text.isEmpty());

    // Through the relay again (it cuts only once): the ids belong to the server as written.
    CheckRecorder second;
    result = second.Run(mail_);
    EXPECT_EQ(result.alreadyStored, 1);
    EXPECT_EQ(result.stored, 2);
    EXPECT_EQ(OnServer(), 0);
    EXPECT_EQ(Subjects(), (QStringList{u"一通目"_s, u"二通目"_s, u"三通目"_s}));
}

} // namespace
