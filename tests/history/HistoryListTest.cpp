// Filling the list and showing a clicked record, against real store files and a plain view.
#include "history/HistoryList.h"
#include "history/TyakuTexts.h"

#include "StoreFixture.h"
#include "core/stores/RecordBuffers.h"
#include "history/MailHeaderModel.h"
#include <QDir>

#include <QFile>

using namespace Qt::StringLiterals;

namespace ricorne {
namespace {

class FakeView : public HistoryView {
public:
    void SetRows(HeaderRows rows) override {
        model.SetHeaders(std::move(rows));
        selected = 0;
    }
    int RowCount() const override { return model.rowCount(); }
    int SelectedRow() const override { return selected; }
    void SetRecordView(const QString& s, const QString& f, const QString& d, const QString& b) override {
        subject = s;
        sender = f;
        date = d;
        body = b;
        ++recordWrites;
    }
    void SetBody(const QString& b) override { body = b; }
    QString SubjectText() const override { return subject; }
    QString SenderText() const override { return sender; }
    QString DateText() const override { return date; }
    QString BodyText() const override { return body; }
    void SetCount(const QString& text) override { count = text; }
    void SetSelectionFlag(bool on) override { flag = on; }
    bool SelectionFlag() const override { return flag; }
    void FocusBody() override {}
    QString PreviewText() const override { return {}; }
    void SetPreviewText(const QString&) override {}
    void SetBusyPointer(bool) override {}

    QStringList Row(int row) const {
        return {model.CellText(row, 0), model.CellText(row, 1), model.CellText(row, 2)};
    }

    MailHeaderModel model;
    int selected = 0;
    QString subject, sender, date, body, count = u"?"_s;
    bool flag = false;
    int recordWrites = 0;
};

class HistoryListTest : public StoreFixture {};

TEST_F(HistoryListTest, ThreeRecordsListedInOrderWithTheLastOneShown) {
    PutNumbered(ReceivedStore(), 2);
    Put(ReceivedStore(), 3,
        MakeRecord(u"  件名3　 "_s, u" 鈴木 <s@example.jp>"_s, u"Mon, 1 Apr 2024 09:00:00 +0900 "_s,
                   u"  本文の一行目\r\n　二行目  \0 消える部分"_s));
    FakeView view;
    FillHistoryList(view, HistoryMode::Received);

    ASSERT_EQ(view.RowCount(), 3);
    EXPECT_EQ(view.count, u"3"_s);
    EXPECT_TRUE(view.Row(0)[0].startsWith(u"件名1"_s));
    EXPECT_TRUE(view.Row(1)[1].startsWith(u"差出人2"_s));
    // Row texts keep the fill spaces of their fields.
    EXPECT_EQ(view.Row(0)[0], u"件名1"_s + QString(100 - 5, u' ')); // 件名1 takes 5 bytes of 100
    EXPECT_EQ(view.Row(2)[0], u"  件名3　 "_s + QString(100 - 10, u' '));
    // The record view shows record 3, cut at the NUL and trimmed of ASCII spaces only.
    EXPECT_EQ(view.subject, u"件名3　"_s);
    EXPECT_EQ(view.sender, u"鈴木 <s@example.jp>"_s);
    EXPECT_EQ(view.date, u"Mon, 1 Apr 2024 09:00:00 +0900"_s);
    EXPECT_EQ(view.body, u"本文の一行目\r\n　二行目"_s);
    EXPECT_EQ(view.recordWrites, 1); // one full record read, not one per row
    EXPECT_EQ(std::memcmp(&ReceivedBuffer(), "  ", 2), 0);
    EXPECT_FALSE(view.flag); // filling leaves the flag alone
}

TEST_F(HistoryListTest, NulInTheSubjectEndsTheRowAndTheRecordView) {
    Put(ReceivedStore(), 1, MakeRecord(u"前半\0後半"_s, u"a\0b"_s, u"\0date"_s, u"x"_s));
    FakeView view;
    FillHistoryList(view, HistoryMode::Received);
    EXPECT_EQ(view.Row(0), (QStringList{u"前半"_s, u"a"_s, QString()}));
    EXPECT_EQ(view.subject, u"前半"_s);
    EXPECT_EQ(view.sender, u"a"_s);
    EXPECT_EQ(view.date, QString());
}

TEST_F(HistoryListTest, RecordsMarkedDeletedAreStillListed) {
    PutNumbered(SentStore(), 3);
    MailRecord r;
    ASSERT_TRUE(ReadRecord(SentStore(), 2, r));
    ASSERT_TRUE(MarkDeleted(SentStore(), 2, r));
    FakeView view;
    FillHistoryList(view, HistoryMode::Sent);
    EXPECT_EQ(view.RowCount(), 3);
    EXPECT_EQ(view.count, u"3"_s);
    EXPECT_EQ(view.model.Headers()[1].live, 0);
    EXPECT_TRUE(view.Row(1)[0].startsWith(u"件名2"_s));
}

TEST_F(HistoryListTest, ClickShowsTheSelectedRecordReadAfresh) {
    PutNumbered(ReceivedStore(), 3);
    FakeView view;
    FillHistoryList(view, HistoryMode::Received);
    view.selected = 2;
    ShowSelectedRecord(view, HistoryMode::Received);
    EXPECT_TRUE(view.flag);
    EXPECT_EQ(view.subject, u"件名2"_s);
    EXPECT_EQ(view.sender, u"差出人2"_s);
    EXPECT_EQ(view.date, u"日付2"_s);
    EXPECT_EQ(view.body, u"本文2"_s);
    EXPECT_EQ(view.count, u"3"_s);
    EXPECT_EQ(Trim(FieldText(ReceivedBuffer().Subject)), u"件名2"_s);

    // Changed on disk meanwhile: the next click shows the new contents.
    Put(ReceivedStore(), 2, MakeRecord(u"書き換え"_s, u"b"_s, u"c"_s, u"d"_s));
    ShowSelectedRecord(view, HistoryMode::Received);
    EXPECT_EQ(view.subject, u"書き換え"_s);
    EXPECT_EQ(Trim(FieldText(ReceivedBuffer().Subject)), u"書き換え"_s);
}

TEST_F(HistoryListTest, SentModeUsesTheSentStoreAndBuffer) {
    PutNumbered(ReceivedStore(), 2, u"受"_s);
    PutNumbered(SentStore(), 2, u"送"_s);
    ReceivedBuffer() = MakeRecord(u"untouched"_s, {}, {}, {});
    FakeView view;
    FillHistoryList(view, HistoryMode::Sent);
    view.selected = 1;
    ShowSelectedRecord(view, HistoryMode::Sent);
    EXPECT_EQ(view.subject, u"件名送1"_s);
    EXPECT_EQ(Trim(FieldText(SentBuffer().Subject)), u"件名送1"_s);
    EXPECT_EQ(Trim(FieldText(ReceivedBuffer().Subject)), u"untouched"_s);
}

TEST_F(HistoryListTest, EmptyStoreIsCreatedAndAClickOnItSaysSo) {
    const QString path = StorePath(ReceivedStore());
    ASSERT_FALSE(QFile::exists(path));
    FakeView view;
    view.subject = u"前の件名"_s;
    view.body = u"前の本文"_s;
    view.flag = true;
    FillHistoryList(view, HistoryMode::Received);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(QFile(path).size(), 0);
    EXPECT_EQ(view.RowCount(), 0);
    EXPECT_EQ(view.count, u"0"_s);
    EXPECT_EQ(view.body, QString());
    EXPECT_EQ(view.subject, u"前の件名"_s); // the three boxes keep their texts

    ShowSelectedRecord(view, HistoryMode::Received);
    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    const DialogRequest& box = dialogs_.Requests()[0];
    EXPECT_EQ(box.text, u"選択するデータがありません。"_s);
    EXPECT_EQ(box.title, QString()); // the application title
    EXPECT_EQ(box.buttons, MessageButtons::Ok);
    EXPECT_EQ(box.icon, MessageIcon::None);
    EXPECT_TRUE(view.flag); // unchanged
}

TEST_F(HistoryListTest, ClickWithoutARowChangesNothingAndOnAVanishedRowReloads) {
    PutNumbered(ReceivedStore(), 3);
    FakeView view;
    FillHistoryList(view, HistoryMode::Received);
    const int writes = view.recordWrites;
    ShowSelectedRecord(view, HistoryMode::Received); // no row selected
    EXPECT_FALSE(view.flag);
    EXPECT_EQ(view.recordWrites, writes);

    // The store lost its last record after the list was filled.
    QFile file(StorePath(ReceivedStore()));
    ASSERT_TRUE(file.resize(2 * qint64(sizeof(MailRecord))));
    view.selected = 3;
    ShowSelectedRecord(view, HistoryMode::Received);
    EXPECT_FALSE(view.flag);
    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_EQ(dialogs_.Requests()[0].text, RowVanishedText());
    EXPECT_EQ(view.RowCount(), 2); // the list shows what the store holds now
}

// A store made longer than the list can show by another program: the user hears of the rest
// once, and the count shows all five digits of what is listed.
TEST_F(HistoryListTest, AnOverLongStoreIsToldOnceAndListsItsFirst32767) {
    constexpr qint64 kTotal = 32800;
    QFile file(StorePath(ReceivedStore()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(kTotal * qint64(sizeof(MailRecord)))); // sparse: no disk used
    file.close();
    FakeView view;
    FillHistoryList(view, HistoryMode::Received);
    FillHistoryList(view, HistoryMode::Received);
    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_EQ(dialogs_.Requests()[0].text, HistoryBeyondLimitText(kTotal));
    EXPECT_EQ(view.RowCount(), kMaxRecordNumber);
}

TEST_F(HistoryListTest, AFolderInPlaceOfTheStoreIsReportedWithItsPath) {
    ASSERT_TRUE(QDir().mkdir(StorePath(ReceivedStore())));
    FakeView view;
    FillHistoryList(view, HistoryMode::Received);
    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_EQ(
        dialogs_.Requests()[0].text,
        HistoryUnreadableText(QDir::toNativeSeparators(StorePath(ReceivedStore())), FolderInPlaceCause()));
}

} // namespace
} // namespace ricorne
