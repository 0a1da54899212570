// The send procedure against a recording mail component: the order of copy, fortune and send,
// batch passes, failures, and a sent history that cannot take the copy.
#include "ComposeTestSupport.h"
#include "core/settings/SendCheckSettings.h"

#include "compose/ComposeTexts.h"
#include "compose/Fortune.h"
#include "compose/SendComposedMail.h"
#include "core/dialogs/ScriptedDialogService.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

class SendProcedureTest : public ::testing::Test {
protected:
    void SetUp() override {
        AccountSettings().SmtpServer = u"127.0.0.1:2525"_s;
        AccountSettings().FromAddress = u"me@example.jp"_s;
        hooks_.mail = &mail_;
        hooks_.clockText = [] { return u"2024/03/05  9:07:02"_s; };
        hooks_.refresh = [this] { statuses_.append(state_.status); };
        hooks_.close = [this] { ++closed_; };
        state_.recipient = u" friend@example.jp "_s;
        state_.subject = u" 件名 "_s;
        state_.body = u"  本文\r\n"_s;
    }

    struct Box {
        QString title, text;
        bool warning;
    };

    ComposeSendResult Send() {
        const ComposeSendResult result = SendComposedMail(state_, hooks_);
        for (const DialogRequest& r : dialogs_.Requests())
            boxes_.push_back({r.title, r.text, r.icon == MessageIcon::Warning});
        dialogs_.Clear();
        return result;
    }

    TempAppDir app_;
    ScriptedDialogService dialogs_;
    ScopedDialogService installed_{dialogs_};
    RecordingMail mail_;
    ComposeSendHooks hooks_;
    ComposeState state_;
    QStringList statuses_;
    std::vector<Box> boxes_;
    int closed_ = 0;
};

TEST_F(SendProcedureTest, NormalSendStoresTheCopyFirstThenSendsAndCloses) {
    state_.attachments.paths = {u"/tmp/a.txt"_s, u"/tmp/b.pdf"_s};
    state_.attachments.rowsVisible = true;
    state_.attachments.addEnabled = true;
    state_.attachments.attachEnabled = false;
    const ComposeSendResult result = Send();

    ASSERT_EQ(mail_.calls.size(), 1u);
    const RecordingMail::Call& call = mail_.calls[0];
    EXPECT_EQ(call.sentRecordsBefore, 1); // the copy is on disk before the send
    EXPECT_EQ(call.server, u"127.0.0.1:2525"_s);
    EXPECT_EQ(call.to, u" friend@example.jp "_s); // exactly as typed
    EXPECT_EQ(call.from, u"me@example.jp"_s);
    EXPECT_EQ(call.subject, u" 件名 "_s);
    EXPECT_EQ(call.body, u"  本文\r\n"_s);
    EXPECT_EQ(call.attachments, QStringList({u"/tmp/a.txt"_s, u"/tmp/b.pdf"_s}));

    const auto sent = SentMails();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(Trim(sent[0].subject), u"件名"_s);
    EXPECT_EQ(Trim(sent[0].address), u"friend@example.jp"_s);
    EXPECT_EQ(Trim(sent[0].date), u"2024/03/05  9:07:02"_s);
    EXPECT_EQ(Trim(sent[0].body), u"本文\r\n"_s); // spaces go, the line break stays
    EXPECT_EQ(sent[0].live, 1);
    EXPECT_EQ(sent[0].lineEnd, QByteArray("\r\n"));

    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(statuses_.first(), SendingStatus());
    EXPECT_TRUE(statuses_.contains(SendCompleteStatus()));
    EXPECT_EQ(state_.status, SendCompleteStatus());
    EXPECT_EQ(closed_, 1);
    EXPECT_TRUE(state_.recipient.isEmpty());
    EXPECT_TRUE(state_.subject.isEmpty());
    EXPECT_TRUE(state_.body.isEmpty());
    EXPECT_TRUE(state_.attachments.IsEmpty());
    EXPECT_FALSE(state_.attachments.rowsVisible);
    EXPECT_FALSE(state_.attachments.addEnabled);
    EXPECT_TRUE(state_.attachments.attachEnabled);
    EXPECT_EQ(result.attempted, 1);
    EXPECT_FALSE(result.stopped);
}

TEST_F(SendProcedureTest, DateTextIsTheClockTextByDefault) {
    hooks_.clockText = nullptr;
    Send();
    const auto sent = SentMails();
    ASSERT_EQ(sent.size(), 1u);
    static const QRegularExpression clock(u"^\\d{4}/\\d{2}/\\d{2}  \\d{1,2}:\\d{2}:\\d{2}$"_s);
    EXPECT_TRUE(clock.match(Trim(sent[0].date)).hasMatch()) << qPrintable(sent[0].date);
}

TEST_F(SendProcedureTest, FifthRecordIsFollowedBySixth) {
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(AppendRecord(SentStore(), MailRecord()));
    ASSERT_EQ(QFile(StorePath(SentStore())).size(), 161420);
    Send();
    EXPECT_EQ(RecordCount(SentStore()), 6);
    EXPECT_EQ(QFile(StorePath(SentStore())).size(), 193704);
    EXPECT_EQ(Trim(SentMails()[5].subject), u"件名"_s);
}

TEST_F(SendProcedureTest, BatchFortunesAccumulateInTheBodyButNotInTheirOwnCopy) {
    AddAddress(u"一"_s, u"one@example.jp   "_s);
    AddAddress(u"二"_s, u"two@example.jp"_s);
    AddAddress(u"三"_s, u"three@example.jp"_s);
    FillNameList(state_, AddressStore());
    state_.widened = true; // the name panel in view
    state_.batch = BatchChoice::Batch;
    state_.fortune = true;
    state_.body = u"B"_s;
    const ComposeSendResult result = Send();

    ASSERT_EQ(mail_.calls.size(), 3u);
    const auto sent = SentMails();
    ASSERT_EQ(sent.size(), 3u);
    const QStringList to = {u"one@example.jp"_s, u"two@example.jp"_s, u"three@example.jp"_s};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(mail_.calls[k].to, to[k]);
        EXPECT_EQ(mail_.calls[k].sentRecordsBefore, k + 1);
        EXPECT_EQ(mail_.calls[k].body.count(FortuneHeader()), k + 1) << "mail " << k + 1;
        EXPECT_EQ(sent[k].body.count(FortuneHeader()), k) << "copy " << k + 1;
        EXPECT_EQ(Trim(sent[k].address), u"friend@example.jp"_s); // the recipient field, as the window has it
    }
    EXPECT_TRUE(mail_.calls[0].body.startsWith(u"B\r\n\r\n"_s + FortuneHeader() + u"\r\n\r\n"_s));
    EXPECT_TRUE(FortuneTexts().contains(mail_.calls[0].body.section(u"\r\n"_s, -1)));
    EXPECT_EQ(result.passes, 3);
    EXPECT_EQ(closed_, 1);
    EXPECT_EQ(state_.batch, BatchChoice::None);
    EXPECT_FALSE(state_.fortune);
}

// A long batch says which pass is going; a single mail keeps the plain text; the end is the same.
TEST_F(SendProcedureTest, BatchStatusCountsThePassesAndEndsWithTheCompletionText) {
    AddAddress(u"一"_s, u"one@example.jp"_s);
    AddAddress(u"二"_s, u"two@example.jp"_s);
    AddAddress(u"三"_s, u"three@example.jp"_s);
    FillNameList(state_, AddressStore());
    state_.widened = true;
    state_.batch = BatchChoice::Batch;
    Send();
    const QString sending = u"メールを送信中です。しばらくお待ち下さい。"_s;
    EXPECT_EQ(statuses_, (QStringList{sending, sending + u"（1/3）"_s, sending + u"（2/3）"_s,
                                      sending + u"（3/3）"_s, u"送信完了です。"_s, u"送信完了です。"_s}));

    statuses_.clear();
    state_.recipient = u"friend@example.jp"_s;
    Send();
    EXPECT_EQ(statuses_, (QStringList{sending, sending, u"送信完了です。"_s, u"送信完了です。"_s}));
}

TEST_F(SendProcedureTest, RowsWithoutAnAddressBookRecordAreSkipped) {
    AddAddress(u"一"_s, u"one@example.jp"_s);
    state_.names = {u"一"_s, u"消えた"_s, u"もう一つ"_s};
    state_.widened = true; // the name panel in view
    state_.batch = BatchChoice::Batch;
    const ComposeSendResult result = Send();
    ASSERT_EQ(mail_.calls.size(), 1u);
    EXPECT_EQ(mail_.calls[0].to, u"one@example.jp"_s);
    EXPECT_EQ(RecordCount(SentStore()), 1);
    EXPECT_EQ(result.skipped, 2);
    EXPECT_EQ(closed_, 1);
}

TEST_F(SendProcedureTest, FullSentHistoryStopsBeforeSendingAndKeepsEverything) {
    QFile store(StorePath(SentStore()));
    ASSERT_TRUE(store.open(QIODevice::WriteOnly));
    ASSERT_TRUE(store.resize(qint64(kMaxRecordNumber) * qint64(sizeof(MailRecord)))); // sparse
    store.close();
    state_.fortune = true;
    state_.attachments.paths = {u"/tmp/a"_s};
    const ComposeState before = state_;
    const ComposeSendResult result = Send();

    EXPECT_TRUE(mail_.calls.empty());
    EXPECT_TRUE(result.stopped);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, SentStoreFullText());
    EXPECT_TRUE(boxes_[0].warning);
    EXPECT_EQ(closed_, 0);
    EXPECT_EQ(state_.recipient, before.recipient);
    EXPECT_EQ(state_.subject, before.subject);
    EXPECT_EQ(state_.body, before.body); // no fortune was drawn for a mail that did not go out
    EXPECT_EQ(state_.attachments.paths, before.attachments.paths);
    EXPECT_TRUE(state_.fortune);
    EXPECT_EQ(state_.status, SendStoppedStatus());
    EXPECT_EQ(RecordCount(SentStore()), kMaxRecordNumber);
}

// A lock file that cannot be opened (here a folder in its place) is not a full disk: the send
// stops before anything leaves and names the lock file.
TEST_F(SendProcedureTest, CopyWithoutTheFolderLockStopsBeforeSendingAndNamesTheLock) {
    ASSERT_TRUE(QDir().mkpath(app_.DataDir() + u"/ricorne.lock"_s));
    const ComposeSendResult result = Send();

    EXPECT_TRUE(mail_.calls.empty());
    EXPECT_TRUE(result.stopped);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_TRUE(boxes_[0].text.contains(u"ricorne.lock"_s)) << qPrintable(boxes_[0].text);
    EXPECT_TRUE(boxes_[0].text.contains(u"このメールは送信していません"_s)) << qPrintable(boxes_[0].text);
    EXPECT_EQ(RecordCount(SentStore()), 0);
}

TEST_F(SendProcedureTest, UnwritableCopyStopsTheBatchWhereItFailed) {
    AddAddress(u"一"_s, u"one@example.jp"_s);
    AddAddress(u"二"_s, u"two@example.jp"_s);
    FillNameList(state_, AddressStore());
    state_.widened = true; // the name panel in view
    state_.batch = BatchChoice::Batch;
    // After the first pass the sent history cannot be written any more.
    hooks_.mail = nullptr;
    struct BreakingMail : RecordingMail {
        int NMailSmtpSendMail(const QString& server, const QString& to, const QString& from,
                              const QString& subject, const QString& body,
                              const QStringList& attachments) override {
            const int result = RecordingMail::NMailSmtpSendMail(server, to, from, subject, body, attachments);
            QFile::remove(StorePath(SentStore()));
            QDir().mkpath(StorePath(SentStore())); // a folder where the file was
            return result;
        }
    } breaking;
    hooks_.mail = &breaking;
    const ComposeSendResult result = Send();

    ASSERT_EQ(breaking.calls.size(), 1u);
    EXPECT_EQ(breaking.calls[0].to, u"one@example.jp"_s);
    EXPECT_TRUE(result.stopped);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_TRUE(boxes_[0].text.startsWith(SentStoreWriteFailedText()));
    // The user learns who already has the mail: the pass and entry it stopped at.
    EXPECT_TRUE(boxes_[0].text.contains(u"2 件目「二」<two@example.jp>"_s)) << qPrintable(boxes_[0].text);
    EXPECT_TRUE(boxes_[0].text.contains(u"1 件目までは送信済み"_s)) << qPrintable(boxes_[0].text);
    EXPECT_EQ(closed_, 0);
    EXPECT_EQ(state_.subject, u" 件名 "_s);
    EXPECT_TRUE(state_.BatchOn());
}

TEST_F(SendProcedureTest, BatchChoiceOutOfSightSendsOnlyToTheTypedRecipient) {
    AddAddress(u"一"_s, u"one@example.jp"_s);
    AddAddress(u"二"_s, u"two@example.jp"_s);
    FillNameList(state_, AddressStore());
    state_.widened = true;
    ChooseBatchSending(state_);
    state_.recipient = u"only@example.jp"_s;
    HideNamePanel(state_);
    EXPECT_EQ(state_.batch, BatchChoice::Normal);
    EXPECT_EQ(state_.recipient, u"only@example.jp"_s);
    state_.batch = BatchChoice::Batch; // even were it left on, a hidden panel sends no batch
    const ComposeSendResult result = Send();
    ASSERT_EQ(mail_.calls.size(), 1u);
    EXPECT_EQ(mail_.calls[0].to, u"only@example.jp"_s);
    EXPECT_EQ(result.passes, 1);
}

TEST_F(SendProcedureTest, RefusedSingleMailStaysAndNeverReadsAsSent) {
    mail_.failOn = {1};
    state_.attachments.paths = {u"/tmp/見積書,第2版.pdf"_s};
    const ComposeSendResult result = Send();
    EXPECT_EQ(result.failed, 1);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].title, SendErrorTitle());
    EXPECT_FALSE(statuses_.contains(SendCompleteStatus()));
    EXPECT_EQ(state_.status, SendFailedStatus());
    EXPECT_EQ(closed_, 0);
    EXPECT_EQ(state_.recipient, u" friend@example.jp "_s);
    EXPECT_EQ(state_.body, u"  本文\r\n"_s);
    EXPECT_EQ(state_.attachments.paths, QStringList({u"/tmp/見積書,第2版.pdf"_s}));
}

TEST_F(SendProcedureTest, BatchWithARefusedPassClosesWithoutTheCompletionText) {
    AddAddress(u"一"_s, u"one@example.jp"_s);
    AddAddress(u"二"_s, u"two@example.jp"_s);
    AddAddress(u"三"_s, u"three@example.jp"_s);
    FillNameList(state_, AddressStore());
    state_.widened = true;
    state_.batch = BatchChoice::Batch;
    mail_.failOn = {2};
    const ComposeSendResult result = Send();
    EXPECT_EQ(mail_.calls.size(), 3u); // the rest still goes out
    EXPECT_EQ(result.failed, 1);
    EXPECT_FALSE(statuses_.contains(SendCompleteStatus()));
    EXPECT_EQ(state_.status, SendFailedStatus());
    EXPECT_EQ(closed_, 1); // sending it again would reach the others twice
}

} // namespace

// The check before a send: off in a file written before the option existed; when on, a mail
// held back leaves no copy and no send, and keeps the window's contents; a batch asks once
// with every entry, and the fortune and copies of a batch that goes are as without the check.
TEST_F(SendProcedureTest, CheckBeforeSendingAsksOnceAndAHeldMailLeavesNoTrace) {
    ASSERT_TRUE(SaveCredentials(u"me"_s, u"pw"_s, true)); // a file without the option
    EXPECT_FALSE(ReadSendCheckOptions().enabled);
    Send();
    EXPECT_EQ(mail_.calls.size(), 1u);
    EXPECT_TRUE(boxes_.empty());

    ASSERT_TRUE(SaveSendCheckOptions({true, 3}));
    EXPECT_EQ(ReadCredentials().AccountId, u"me"_s) << "the option keeps the saved ID";
    state_.recipient = u"friend@example.jp, boss@Other.example.com"_s;
    state_.subject = u"見積もり"_s;
    state_.attachments.paths = {app_.Path() + u"/添付.txt"_s};
    ASSERT_TRUE(QFile(state_.attachments.paths[0]).open(QIODevice::WriteOnly));
    dialogs_.QueueOutgoing(false);
    EXPECT_TRUE(SendComposedMail(state_, hooks_).held);
    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    const OutgoingMail& held = dialogs_.Requests()[0].outgoing;
    ASSERT_EQ(held.recipients.size(), 2);
    EXPECT_FALSE(held.recipients[0].otherDomain);
    EXPECT_TRUE(held.recipients[1].otherDomain);
    EXPECT_EQ(held.subject, u"見積もり"_s);
    ASSERT_EQ(held.attachments.size(), 1);
    EXPECT_EQ(held.attachments[0].name, u"添付.txt"_s);
    EXPECT_EQ(held.attachments[0].size, 0);
    EXPECT_EQ(held.delaySeconds, 3);
    EXPECT_EQ(mail_.calls.size(), 1u) << "nothing more went out";
    EXPECT_EQ(RecordCount(SentStore()), 1) << "and no copy was kept";
    EXPECT_EQ(state_.status, u"送信を取りやめました。"_s);
    EXPECT_EQ(state_.subject, u"見積もり"_s);
    EXPECT_EQ(closed_, 1);

    dialogs_.Clear();
    AddAddress(u"一"_s, u"one@example.jp"_s);
    AddAddress(u"二"_s, u"two@example.net"_s);
    FillNameList(state_, AddressStore());
    state_.widened = true;
    state_.batch = BatchChoice::Batch;
    state_.fortune = true;
    dialogs_.QueueOutgoing(true);
    const ComposeSendResult result = SendComposedMail(state_, hooks_);
    ASSERT_EQ(dialogs_.Requests().size(), 1u) << "a batch is confirmed once";
    const QVector<OutgoingRecipient>& batch = dialogs_.Requests()[0].outgoing.recipients;
    ASSERT_EQ(batch.size(), 2);
    EXPECT_EQ(batch[0].name, u"一"_s);
    EXPECT_EQ(batch[1].address, u"two@example.net"_s);
    EXPECT_TRUE(batch[1].otherDomain);
    EXPECT_EQ(result.attempted, 2);
    EXPECT_EQ(RecordCount(SentStore()), 3);
    EXPECT_EQ(mail_.calls.size(), 3u);
}
