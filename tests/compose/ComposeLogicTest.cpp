// The compose window's logic without a window: fortune texts and draws, the name list, picking
// a name, the attachment buttons, the greeting chooser, and the reply window's rules.
#include "ComposeTestSupport.h"

#include "compose/ComposeState.h"
#include "compose/ComposeTexts.h"
#include "compose/Fortune.h"
#include "compose/SendReply.h"
#include "compose/SentHistoryLoss.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/random/Random.h"
#include "core/stores/RecordBuffers.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

TEST(Fortune, TextsKeepTheirGradesAndIdeographicSpaces) {
    const QStringList& texts = FortuneTexts();
    ASSERT_EQ(texts.size(), 12);
    QStringList grades;
    for (const QString& text : texts)
        grades.append(text.section(u'：', 0, 0));
    EXPECT_EQ(grades, QStringList({u"大吉"_s, u"大吉"_s, u"大吉"_s, u"中吉"_s, u"中吉"_s, u"中吉"_s,
                                   u"中吉"_s, u"中吉"_s, u"吉"_s, u"吉"_s, u"凶"_s, u"凶"_s}));
    EXPECT_TRUE(texts[6].endsWith(QChar(0x3000)));
    EXPECT_TRUE(texts[0].contains(u"良し！\u3000慎重"_s));
    EXPECT_TRUE(texts[1].contains(u"金運！！\u3000浪費"_s));
    EXPECT_TRUE(texts[10].contains(u"注意！\u3000部屋"_s));
    const QString header = FortuneHeader();
    EXPECT_TRUE(header.startsWith(u"★★★\u3000この占いは アトランダム"_s));
    EXPECT_TRUE(header.contains(u"♪）\u3000送信者"_s));
    EXPECT_EQ(header.count(QChar(0x3000)), 2);
    EXPECT_TRUE(header.endsWith(u"当たらぬも八卦。★★★"_s));
}

TEST(Fortune, BlockFollowsTheBodyAfterTwoBreaks) {
    EXPECT_EQ(WithFortune(u"B"_s, 12), u"B\r\n\r\n"_s + FortuneHeader() + u"\r\n\r\n"_s + FortuneTexts()[11]);
}

TEST(Fortune, DrawsCoverOneToTwelveAndReseedFromTheClock) {
    // The shared generator starts on its fixed seed; a fortune draw must leave that sequence.
    Random::Shared().Seed(Random::DefaultSeed);
    Random fixed;
    fixed.Next();
    PickFortune();
    EXPECT_NE(Random::Shared().Next(), fixed.Next());

    std::vector<int> seen(13, 0);
    for (int i = 0; i < 6000; ++i) {
        const int n = PickFortune();
        ASSERT_GE(n, 1);
        ASSERT_LE(n, 12);
        ++seen[n];
    }
    for (int n = 1; n <= 12; ++n)
        EXPECT_GT(seen[n], 300) << "text " << n; // 500 expected each
}

class NameListTest : public ::testing::Test {
protected:
    TempAppDir app_;
};

TEST_F(NameListTest, LoadCreatesTheMasterFileAndStartsEmpty) {
    AddAddress(u"山田"_s, u"yamada@example.jp"_s);
    ComposeState state;
    state.fortune = true;
    state.batch = BatchChoice::Batch;
    LoadComposeState(state);
    EXPECT_TRUE(QFileInfo::exists(app_.DataDir() + u"/KLMASTER20.INI"_s));
    EXPECT_EQ(QFileInfo(app_.DataDir() + u"/KLMASTER20.INI"_s).size(), 0);
    EXPECT_TRUE(state.names.isEmpty());
    EXPECT_EQ(state.nameCount, u"0"_s);
    EXPECT_FALSE(state.fortune);
    EXPECT_EQ(state.batch, BatchChoice::None);
    EXPECT_FALSE(state.attachments.addEnabled);
    EXPECT_TRUE(state.attachments.attachEnabled);
    EXPECT_TRUE(state.attachments.cancelEnabled);
}

TEST_F(NameListTest, AddressBookRowsKeepFillSpacesAndRecordNumbers) {
    AddAddress(u"山田太郎"_s, u"taro@example.jp"_s);
    AddAddress(u"Suzuki"_s, u"suzuki@example.jp"_s);
    AddAddress(u"佐藤"_s, u"sato@example.jp"_s);
    ComposeState state;
    ShowNamePanel(state);
    EXPECT_TRUE(state.widened);
    ASSERT_EQ(state.names.size(), 3);
    EXPECT_EQ(state.names[0].size(), 90 - 4); // four double-byte characters, then spaces to 90 bytes
    EXPECT_TRUE(state.names[1].startsWith(u"Suzuki    "_s));
    EXPECT_EQ(state.nameIndex, QVector<int>({1, 2, 3}));
    EXPECT_EQ(state.nameCount, u"3"_s);

    EXPECT_EQ(PickName(state, 1), PickOutcome::Picked);
    EXPECT_EQ(state.recipient, u"suzuki@example.jp"_s);
    // The row's record number comes from NameIndex, not from the row itself.
    state.nameIndex[1] = 3;
    EXPECT_EQ(PickName(state, 1), PickOutcome::Picked);
    EXPECT_EQ(state.recipient, u"sato@example.jp"_s);
    EXPECT_EQ(PickName(state, -1), PickOutcome::NoSelection);
    EXPECT_EQ(state.recipient, u"sato@example.jp"_s);
    state.nameIndex[1] = 9;
    EXPECT_EQ(PickName(state, 1), PickOutcome::Unreadable);
    EXPECT_EQ(state.recipient, u"sato@example.jp"_s);
}

TEST_F(NameListTest, PickedAddressIsCutToSixtyCharactersThenTrimmed) {
    const QString seventy = u"a"_s.repeated(50) + u"@"_s + u"b"_s.repeated(19);
    AddAddress(u"long"_s, seventy);
    AddAddress(u"spaced"_s, u"   lead@example.jp"_s);
    ComposeState state;
    ShowNamePanel(state);
    ASSERT_EQ(PickName(state, 0), PickOutcome::Picked);
    EXPECT_EQ(state.recipient, seventy.left(60));
    ASSERT_EQ(PickName(state, 1), PickOutcome::Picked);
    EXPECT_EQ(state.recipient, u"lead@example.jp"_s);
}

TEST(AttachmentButtons, CancelledFirstDialogAndCancelButton) {
    AttachmentList list;
    int asked = 0;
    const FileChooser cancelled = [&asked] {
        ++asked;
        return QString();
    };
    AttachFirstFile(list, cancelled);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_FALSE(list.attachEnabled);
    AttachAnotherFile(list, cancelled); // empty list: "追加" only shows the rows
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(list.rowsVisible);

    CancelAttachments(list);
    EXPECT_TRUE(list.attachEnabled);
    EXPECT_FALSE(list.addEnabled);
    EXPECT_FALSE(list.cancelEnabled);
    EXPECT_FALSE(list.rowsVisible);
    // Attaching again makes cancelling possible again.
    AttachFirstFile(list, [] { return u"/tmp/x"_s; });
    EXPECT_TRUE(list.cancelEnabled);
    EXPECT_EQ(list.paths, QStringList({u"/tmp/x"_s}));
}

// Recipient, subject and body are all stored; each lost character is named once, in the order
// of the fields.
TEST(SentHistoryLoss, NamesTheCharactersOfEveryStoredField) {
    EXPECT_EQ(SentHistoryLossText(u"田中 <tanaka@example.jp>"_s, u"件名〜①"_s, u"本文です。\r\n"_s),
              QString());
    EXPECT_EQ(SentHistoryLossText(QString(), QString(), u"楽しみです😀"_s),
              u"送信履歴に保存できない文字があります: 😀"_s);
    EXPECT_EQ(SentHistoryLossText(u"김 <kim@example.kr>"_s, u"旅行🎉"_s, u"また会おう😀🎉 김"_s),
              u"送信履歴に保存できない文字があります: 김 🎉 😀"_s);
    EXPECT_EQ(SentHistoryLossText(QString(), QString(), u"가나다라마바사아자차카타파하"_s),
              u"送信履歴に保存できない文字があります: 가 나 다 라 마 바 사 아 자 차 …"_s);
}

// The warning comes and goes with the texts, and never wipes a status of the send.
TEST(SentHistoryLoss, StatusFollowsTheTextsAndLeavesOtherStatusesAlone) {
    const QString body = u"乾杯🍺"_s;
    const QString loss = u"送信履歴に保存できない文字があります: 🍺"_s;
    EXPECT_EQ(StatusAfterEdit(QString(), QString(), QString(), body), loss);
    EXPECT_EQ(StatusAfterEdit(SendFailedStatus(), QString(), QString(), body), loss);
    EXPECT_EQ(StatusAfterEdit(loss, QString(), QString(), u"乾杯"_s), QString());
    EXPECT_EQ(StatusAfterEdit(SendFailedStatus(), QString(), QString(), u"乾杯"_s), SendFailedStatus());
}

TEST(ReplyRules, LayoutFigures) {
    const ReplyLayout wide = ComputeReplyLayout(10000, 6000, 900, 1234);
    EXPECT_EQ(wide.recipientWidth, 7000);
    EXPECT_EQ(wide.subjectWidth, 7000);
    EXPECT_EQ(wide.attachWidth, 4000);
    EXPECT_EQ(wide.bodyWidth, 9900);
    EXPECT_EQ(wide.attachButtonLeft, 5240);
    EXPECT_EQ(wide.addButtonLeft, 6060);
    EXPECT_EQ(wide.cancelButtonLeft, 6940);
    EXPECT_EQ(wide.bodyHeight, 3600);
    EXPECT_EQ(ComputeReplyLayout(10000, 3500, 900, 1234).bodyHeight, 1234);
    EXPECT_EQ(ComputeReplyLayout(10000, 3501, 900, 1234).bodyHeight, 1101);
}

TEST(ReplyRules, PasteTextAndQuotedBody) {
    TempAppDir app;
    EXPECT_EQ(ReplyPasteText(u"T"_s, u"Q"_s), u"T\r\n\r\n\r\n\rQ"_s);
    ReceivedBuffer() = MailRecord();
    EXPECT_TRUE(QuotedReceivedBody().isEmpty()); // nothing received yet
    SetField(ReceivedBuffer().Body, u"  受け取った本文\r\n二行目  "_s);
    EXPECT_EQ(QuotedReceivedBody(), u"受け取った本文\r\n二行目"_s);
}

TEST(ReplyRules, FailedSendIsReportedAndNothingIsStored) {
    TempAppDir app;
    AccountSettings().SmtpServer = u"smtp.example.jp"_s;
    AccountSettings().FromAddress = u"me@example.jp"_s;
    RecordingMail mail;
    ReplyState reply{u"you@example.jp"_s, u"Re:  件名"_s, u"本文"_s, {}};
    reply.attachments.paths = {u"/a"_s, u"/b"_s};
    ScriptedDialogService dialogs;
    ScopedDialogService installed(dialogs);
    EXPECT_TRUE(SendReply(reply, &mail));
    mail.failOn = {2};
    EXPECT_FALSE(SendReply(reply, &mail));
    ASSERT_EQ(mail.calls.size(), 2u);
    EXPECT_EQ(mail.calls[0].server, u"smtp.example.jp"_s);
    EXPECT_EQ(mail.calls[0].from, u"me@example.jp"_s);
    EXPECT_EQ(mail.calls[0].to, u"you@example.jp"_s);
    EXPECT_EQ(mail.calls[0].attachments, QStringList({u"/a"_s, u"/b"_s}));
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].title, u"送信エラー"_s);
    EXPECT_TRUE(dialogs.Requests()[0].text.contains(u"550 5.1.1"_s));
    EXPECT_EQ(RecordCount(SentStore()), 0);
}

} // namespace
