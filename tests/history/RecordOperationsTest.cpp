// The record buttons' operations on real store files and a real quick-save folder, watched
// through a plain view: deleting one record or all, the selection check, a failed compaction,
// the hand-offs to the address book and the reply window, and the quick save.
#include "history/RecordOperations.h"
#include "SmallDisk.h"
#include "core/paths/ProgramFolderLock.h"

#include "StoreFixture.h"
#include "history/HeadlessHistoryView.h"
#include "history/HistoryList.h"
#include "history/QuickSaveFile.h"
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace ricorne {
namespace {

class RecordOperationsTest : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        SetRecordHandOffs({[this](const QString& address) { addressBook_ << address; },
                           [this](const QString& to, const QString& subject, const QString& body) {
                               replies_ << QStringList{to, subject, body};
                           }});
    }
    void TearDown() override {
        SetRecordHandOffs({});
        StoreFixture::TearDown();
    }

    // The viewer opened on mode with row n clicked.
    void OpenAndClick(HistoryMode mode, int n) {
        FillHistoryList(view_, mode);
        view_.SelectRow(n);
        ShowSelectedRecord(view_, mode);
        ASSERT_TRUE(view_.SelectionFlag());
    }
    static QByteArray FileBytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    static QByteArray StoreBytes(const StoreDescriptor& store) { return FileBytes(StorePath(store)); }
    static QStringList Subjects(const StoreDescriptor& store) {
        QStringList subjects;
        MailRecord record;
        ReadRecords(store, record, [&](int) { subjects << Trim(FieldText(record.Subject)); });
        return subjects;
    }
    QString QuickSavePath(const QString& name) const { return QDir(QuickSaveFolder()).filePath(name); }
    QStringList QuickSaveEntries() const {
        return QDir(QuickSaveFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    void ShowForSave(const QString& subject, const QString& from, const QString& date, const QString& body) {
        view_.SetRecordView(subject, from, date, body);
        view_.SetSelectionFlag(true);
    }

    HeadlessHistoryView view_;
    QStringList addressBook_;
    QList<QStringList> replies_;
};

// --- Deleting one record ---

TEST_F(RecordOperationsTest, DeletingRowTwoOfFourRenumbersTheRestAndRefillsTheList) {
    PutNumbered(ReceivedStore(), 4);
    OpenAndClick(HistoryMode::Received, 2);
    dialogs_.QueueAnswer(Answer::Yes);
    DeleteOneRecord(view_, HistoryMode::Received);

    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_EQ(dialogs_.Requests()[0].title, u"確認"_s);
    EXPECT_EQ(dialogs_.Requests()[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(dialogs_.Requests()[0].icon, MessageIcon::Question);
    EXPECT_EQ(Subjects(ReceivedStore()), QStringList({u"件名1"_s, u"件名3"_s, u"件名4"_s}));
    EXPECT_EQ(StoreBytes(ReceivedStore()).size(), 3 * 32284);
    EXPECT_FALSE(QFile::exists(StoreTempPath(ReceivedStore())));
    EXPECT_EQ(view_.RowCount(), 3);
    EXPECT_EQ(view_.Count(), u"3"_s);
    EXPECT_EQ(view_.SubjectText(), u"件名4"_s);
    EXPECT_EQ(view_.BodyText(), u"本文4"_s);
    EXPECT_FALSE(view_.SelectionFlag());
    EXPECT_EQ(view_.BodyFocusMoves(), 1);
}

struct DeclineRow {
    HistoryMode mode;
    QString question;
};

class DeclinedDeleteTest : public RecordOperationsTest, public ::testing::WithParamInterface<DeclineRow> {};

TEST_P(DeclinedDeleteTest, NoKeepsTheStoreAndListButEmptiesTheBodyAndClearsTheFlag) {
    const StoreDescriptor& store = HistoryStore(GetParam().mode);
    PutNumbered(store, 4);
    const QByteArray before = StoreBytes(store);
    OpenAndClick(GetParam().mode, 2);
    dialogs_.QueueAnswer(Answer::No);
    DeleteOneRecord(view_, GetParam().mode);

    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_EQ(dialogs_.Requests()[0].text, GetParam().question);
    EXPECT_EQ(StoreBytes(store), before);
    EXPECT_EQ(view_.RowCount(), 4);
    EXPECT_EQ(view_.SubjectText(), u"件名2"_s);
    EXPECT_EQ(view_.SenderText(), u"差出人2"_s);
    EXPECT_EQ(view_.DateText(), u"日付2"_s);
    EXPECT_EQ(view_.BodyText(), QString());
    EXPECT_FALSE(view_.SelectionFlag());
    EXPECT_EQ(view_.BodyFocusMoves(), 1);
}

// The two questions differ only by the ASCII "?" at the end of the sent history's.
INSTANTIATE_TEST_SUITE_P(
    BothHistories, DeclinedDeleteTest,
    ::testing::Values(
        DeclineRow{HistoryMode::Received, u"選択された（行、青色）データを削除します。よろしいですか"_s},
        DeclineRow{HistoryMode::Sent, u"選択された（行、青色）データを削除します。よろしいですか?"_s}));

TEST_F(RecordOperationsTest, DeletingTheOnlyRecordLeavesAnEmptyStoreAndView) {
    PutNumbered(SentStore(), 1);
    OpenAndClick(HistoryMode::Sent, 1);
    dialogs_.QueueAnswer(Answer::Yes);
    DeleteOneRecord(view_, HistoryMode::Sent);

    EXPECT_EQ(StoreBytes(SentStore()), QByteArray());
    EXPECT_EQ(view_.RowCount(), 0);
    EXPECT_EQ(view_.Count(), u"0"_s);
    for (const QString& box : {view_.SubjectText(), view_.SenderText(), view_.DateText(), view_.BodyText()})
        EXPECT_EQ(box, QString());
}

struct UnselectedRow {
    const char* name;
    HistoryMode mode;
    bool flag; // the selection flag
    int row;   // the selected row
};

class UnselectedTest : public RecordOperationsTest, public ::testing::WithParamInterface<UnselectedRow> {};

// Without a shown record nothing is asked or touched, whatever the store.
TEST_P(UnselectedTest, EveryShownRecordOperationStopsWithTheNotice) {
    const StoreDescriptor& store = HistoryStore(GetParam().mode);
    PutNumbered(store, 3);
    const QByteArray before = StoreBytes(store);
    FillHistoryList(view_, GetParam().mode); // as right after opening: no row clicked
    view_.SetSelectionFlag(GetParam().flag);
    view_.SelectRow(GetParam().row);
    const auto operations = std::vector<std::function<void()>>{
        [&] { DeleteOneRecord(view_, GetParam().mode); }, [&] { RegisterSender(view_); },
        [&] { ReplyToRecord(view_); }, [&] { TextQuickSave(view_); }};
    const bool onlyDeleteStops = GetParam().flag; // a flag without a row stops only the deletion
    for (std::size_t i = 0; i < (onlyDeleteStops ? 1 : operations.size()); ++i) {
        dialogs_.Clear();
        operations[i]();
        ASSERT_EQ(dialogs_.Requests().size(), 1u) << i;
        const DialogRequest& r = dialogs_.Requests()[0];
        EXPECT_EQ(r.text, u"データが選択されていません"_s);
        EXPECT_EQ(r.buttons, MessageButtons::Ok);
        EXPECT_EQ(r.icon, MessageIcon::None);
        EXPECT_TRUE(r.title.isEmpty());
    }
    EXPECT_EQ(StoreBytes(store), before);
    EXPECT_EQ(view_.RowCount(), 3);
    EXPECT_EQ(view_.BodyText(), u"本文3"_s);
    EXPECT_EQ(view_.BodyFocusMoves(), 0);
    EXPECT_TRUE(addressBook_.isEmpty());
    EXPECT_TRUE(replies_.isEmpty());
    EXPECT_TRUE(QuickSaveEntries().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Rows, UnselectedTest,
                         ::testing::Values(UnselectedRow{"ReceivedNoClick", HistoryMode::Received, false, 0},
                                           UnselectedRow{"SentNoClick", HistoryMode::Sent, false, 0},
                                           UnselectedRow{"RowButFlagCleared", HistoryMode::Received, false,
                                                         2},
                                           UnselectedRow{"FlagButNoRow", HistoryMode::Sent, true, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordOperationsTest, AFailedCompactionPutsTheRecordBackAndSaysSo) {
    PutNumbered(ReceivedStore(), 4);
    const QByteArray before = StoreBytes(ReceivedStore());
    // A temporary file that cannot be created: a dangling link into a folder that does not exist.
    const QString temp = StoreTempPath(ReceivedStore());
    ASSERT_EQ(::symlink("/nonexistent-folder/for-this-test/x", QFile::encodeName(temp).constData()), 0);

    OpenAndClick(HistoryMode::Received, 2);
    dialogs_.QueueAnswer(Answer::Yes);
    DeleteOneRecord(view_, HistoryMode::Received);

    EXPECT_EQ(StoreBytes(ReceivedStore()), before);
    ASSERT_EQ(dialogs_.Requests().size(), 2u);
    EXPECT_EQ(dialogs_.Requests()[1].text, HistoryDeleteFailedText());
    EXPECT_EQ(dialogs_.Requests()[1].title, u"エラー"_s);
    EXPECT_EQ(view_.RowCount(), 4);
    EXPECT_EQ(view_.Count(), u"4"_s);

    // Once the obstacle is gone the same deletion works.
    ASSERT_TRUE(QFile::remove(temp));
    OpenAndClick(HistoryMode::Received, 2);
    dialogs_.Clear();
    dialogs_.QueueAnswer(Answer::Yes);
    DeleteOneRecord(view_, HistoryMode::Received);
    EXPECT_EQ(Subjects(ReceivedStore()), QStringList({u"件名1"_s, u"件名3"_s, u"件名4"_s}));
}

// The row's record goes, not whatever mail last passed through the mode's buffer (a mail check
// between the click and the deletion stages its mail there).
TEST_F(RecordOperationsTest, TheDeletedRecordIsTheRowsEvenWhenTheBufferMovedOn) {
    PutNumbered(ReceivedStore(), 3);
    OpenAndClick(HistoryMode::Received, 1);
    HistoryBuffer(HistoryMode::Received) = MakeRecord(u"新着"_s, u"誰か"_s, u"今日"_s, u"新しい本文"_s);
    dialogs_.QueueAnswer(Answer::Yes);
    DeleteOneRecord(view_, HistoryMode::Received);
    EXPECT_EQ(Subjects(ReceivedStore()), QStringList({u"件名2"_s, u"件名3"_s}));
}

// Another program deleted record 1 while the question was open: row 3 now points at 件名4. The
// shown 件名3 goes, or nothing does.
TEST_F(RecordOperationsTest, AStoreChangedBehindTheListDeletesNothingAndReloads) {
    PutNumbered(ReceivedStore(), 5);
    OpenAndClick(HistoryMode::Received, 3);
    const QByteArray all = StoreBytes(ReceivedStore());
    {
        QFile file(StorePath(ReceivedStore()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(all.mid(sizeof(MailRecord)));
    }
    const QByteArray moved = StoreBytes(ReceivedStore());
    dialogs_.QueueAnswer(Answer::Yes);
    DeleteOneRecord(view_, HistoryMode::Received);
    EXPECT_EQ(StoreBytes(ReceivedStore()), moved);
    EXPECT_EQ(dialogs_.Requests().back().text, HistoryChangedText());
    EXPECT_EQ(view_.RowCount(), 4);

    // 全件削除 after a check stored a mail the list does not show yet.
    Put(ReceivedStore(), 5, MakeRecord(u"新着"_s, u"誰か"_s, u"今日"_s, u"本文"_s));
    const QByteArray grown = StoreBytes(ReceivedStore());
    dialogs_.QueueAnswer(Answer::Yes);
    DeleteAllRecords(view_, HistoryMode::Received);
    EXPECT_EQ(StoreBytes(ReceivedStore()), grown);
    EXPECT_EQ(dialogs_.Requests().back().text, HistoryChangedText());
    EXPECT_EQ(view_.RowCount(), 5);

    // The same number of records, one subject rewritten in place: still not what the list shows.
    Put(ReceivedStore(), 3, MakeRecord(u"差し替え"_s, u"誰か"_s, u"今日"_s, u"本文"_s));
    const QByteArray rewritten = StoreBytes(ReceivedStore());
    dialogs_.QueueAnswer(Answer::Yes);
    DeleteAllRecords(view_, HistoryMode::Received);
    EXPECT_EQ(StoreBytes(ReceivedStore()), rewritten);
    EXPECT_EQ(dialogs_.Requests().back().text, HistoryChangedText());
}

// No deletion proceeds without the folder lock: held by a check, or a folder in its place.
TEST_F(RecordOperationsTest, DeletionsWithoutTheFolderLockSayWhyAndChangeNothing) {
    PutNumbered(ReceivedStore(), 3);
    const QByteArray before = StoreBytes(ReceivedStore());
    const int other =
        ::open(QFile::encodeName(ProgramFolderLock::Path()).constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    FillHistoryList(view_, HistoryMode::Received);
    dialogs_.QueueAnswer(Answer::Yes);
    DeleteAllRecords(view_, HistoryMode::Received);
    EXPECT_EQ(dialogs_.Requests().back().text, StoresLockedText(ProgramFolderLock::State::Busy));
    EXPECT_EQ(StoreBytes(ReceivedStore()), before);
    ::close(other);
    ASSERT_TRUE(QFile::remove(ProgramFolderLock::Path()));

    ASSERT_TRUE(QDir().mkdir(ProgramFolderLock::Path()));
    OpenAndClick(HistoryMode::Received, 2);
    dialogs_.QueueAnswer(Answer::Yes);
    DeleteOneRecord(view_, HistoryMode::Received);
    EXPECT_EQ(dialogs_.Requests().back().text, LockUnavailableText());
    EXPECT_EQ(StoreBytes(ReceivedStore()), before);
}

// --- Deleting all records ---

TEST_F(RecordOperationsTest, DeleteAllOnFiveRecordsEmptiesStoreAndViewButKeepsTheFlag) {
    PutNumbered(ReceivedStore(), 5);
    OpenAndClick(HistoryMode::Received, 3);
    dialogs_.QueueAnswer(Answer::Yes);
    DeleteAllRecords(view_, HistoryMode::Received);

    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_EQ(dialogs_.Requests()[0].text, u"すべてのデータを削除して良いですか？"_s);
    EXPECT_EQ(dialogs_.Requests()[0].title, u"確認"_s);
    EXPECT_EQ(QFileInfo(StorePath(ReceivedStore())).size(), 0);
    EXPECT_TRUE(QFile::exists(StorePath(ReceivedStore())));
    EXPECT_FALSE(QFile::exists(StoreTempPath(ReceivedStore())));
    EXPECT_EQ(view_.RowCount(), 0);
    EXPECT_EQ(view_.Count(), u"0"_s);
    for (const QString& box : {view_.SubjectText(), view_.SenderText(), view_.DateText(), view_.BodyText()})
        EXPECT_EQ(box, QString());
    EXPECT_TRUE(view_.SelectionFlag());
    // The other history is not touched.
    EXPECT_EQ(RecordCount(SentStore()), 0);
}

TEST_F(RecordOperationsTest, DeleteAllAnsweredNoChangesNothing) {
    PutNumbered(SentStore(), 5);
    const QByteArray before = StoreBytes(SentStore());
    FillHistoryList(view_, HistoryMode::Sent);
    dialogs_.QueueAnswer(Answer::No);
    DeleteAllRecords(view_, HistoryMode::Sent);
    EXPECT_EQ(StoreBytes(SentStore()), before);
    EXPECT_EQ(view_.RowCount(), 5);
    EXPECT_EQ(view_.SubjectText(), u"件名5"_s);
}

// --- Handing a record to the address book and the reply window ---

TEST_F(RecordOperationsTest, RegisterSenderHandsTheFromBoxOverAsItStands) {
    PutNumbered(ReceivedStore(), 2);
    OpenAndClick(HistoryMode::Received, 1);
    view_.SetRecordView(u"件名"_s, u" 山田 太郎 <yamada@example.jp> "_s, u"日付"_s, u"本文"_s);
    RegisterSender(view_);
    EXPECT_EQ(addressBook_, QStringList({u" 山田 太郎 <yamada@example.jp> "_s}));
    EXPECT_FALSE(view_.SelectionFlag());
    EXPECT_EQ(view_.BodyFocusMoves(), 1);
    EXPECT_TRUE(dialogs_.Requests().empty());
}

TEST_F(RecordOperationsTest, ReplyPrefixesEveryTimeAndTrimsOnlyAsciiSpaces) {
    PutNumbered(ReceivedStore(), 1);
    OpenAndClick(HistoryMode::Received, 1);
    view_.SetRecordView(u"  Re:  打ち合わせ　 "_s, u" suzuki@example.jp  "_s, u"d"_s,
                        u"  　了解です。\r\n\r\n鈴木  "_s);
    ReplyToRecord(view_);
    ASSERT_EQ(replies_.size(), 1);
    EXPECT_EQ(replies_[0], QStringList({u"suzuki@example.jp"_s, u"Re:  Re:  打ち合わせ　"_s,
                                        u"　了解です。\r\n\r\n鈴木"_s}));
    EXPECT_FALSE(view_.SelectionFlag());

    // Replying to the reply's subject adds the prefix once more.
    view_.SetRecordView(replies_[0][1], u"x"_s, u"d"_s, u"b"_s);
    view_.SetSelectionFlag(true);
    ReplyToRecord(view_);
    ASSERT_EQ(replies_.size(), 2);
    EXPECT_EQ(replies_[1][1], u"Re:  Re:  Re:  打ち合わせ　"_s);
}

// --- Quick save ---

TEST_F(RecordOperationsTest, QuickSaveWritesFiveCp932LinesAndShowsWhatWasSaved) {
    ShowForSave(u"abc"_s, u"x"_s, u"d"_s, u"一行目①\r\n二行目～"_s);
    TextQuickSave(view_);

    EXPECT_TRUE(dialogs_.Requests().empty());
    const QByteArray expected = QByteArray("Subject:  abc\r\nFrom:  x\r\nDate:  d\r\nBody:  ") +
                                "\x88\xea\x8d\x73\x96\xda\x87\x40\r\n"  // 一行目①
                                "\x93\xf1\x8d\x73\x96\xda\x81\x60\r\n"; // 二行目～
    EXPECT_EQ(FileBytes(QuickSavePath(u"abc.txt"_s)), expected);
    EXPECT_EQ(QuickSaveEntries(), QStringList({u"abc.txt"_s}));
    EXPECT_EQ(view_.BodyText(), u"Subject:  abc\r\nFrom:  x\r\nDate:  d\r\nBody:  一行目①\r\n二行目～"_s);
    EXPECT_FALSE(view_.SelectionFlag());
    EXPECT_EQ(view_.BodyFocusMoves(), 1);
}

TEST_F(RecordOperationsTest, QuickSaveAsksBeforeReplacingAndNoKeepsTheFirstFile) {
    ShowForSave(u"同じ件名"_s, u"a"_s, u"1"_s, u"最初"_s);
    TextQuickSave(view_);
    const QString path = QuickSavePath(u"同じ件名.txt"_s);
    const QByteArray first = FileBytes(path);

    ShowForSave(u"同じ件名"_s, u"b"_s, u"2"_s, u"二度目"_s);
    dialogs_.QueueAnswer(Answer::No);
    TextQuickSave(view_);
    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_EQ(dialogs_.Requests()[0].text, u"同名のファイルが既に存在します。上書きしますか？ "_s);
    EXPECT_EQ(dialogs_.Requests()[0].title, u"確認"_s);
    EXPECT_EQ(FileBytes(path), first);
    EXPECT_EQ(view_.BodyText(), u"二度目"_s);
    EXPECT_FALSE(view_.SelectionFlag());

    view_.SetSelectionFlag(true);
    dialogs_.QueueAnswer(Answer::Yes);
    TextQuickSave(view_);
    EXPECT_TRUE(FileBytes(path).endsWith("Body:  \x93\xf1\x93\x78\x96\xda\r\n")); // 二度目
    EXPECT_EQ(QuickSaveEntries().size(), 1);
}

// A name that differs only in ASCII case is the same file: asked about and replaced, never
// saved beside it.
TEST_F(RecordOperationsTest, QuickSaveTreatsAnotherCaseAsTheSameFile) {
    QFile existing(QuickSavePath(u"Report.TXT"_s));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("old\r\n");
    existing.close();
    ShowForSave(u"report"_s, u"a"_s, u"1"_s, u"新"_s);
    dialogs_.QueueAnswer(Answer::Yes);
    TextQuickSave(view_);
    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_EQ(QuickSaveEntries(), QStringList({u"Report.TXT"_s}));
    EXPECT_TRUE(FileBytes(QuickSavePath(u"Report.TXT"_s)).startsWith("Subject:  report\r\n"));
}

TEST_F(RecordOperationsTest, QuickSaveExistenceTestTakesWildcardsLiterally) {
    QFile other(QuickSavePath(u"a1.txt"_s));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    ShowForSave(u"a?"_s, u"x"_s, u"d"_s, u"b"_s);
    TextQuickSave(view_);
    EXPECT_TRUE(dialogs_.Requests().empty()) << "a1.txt is not the file a?.txt";
    EXPECT_EQ(QuickSaveEntries(), QStringList({u"a1.txt"_s, u"a?.txt"_s}));
}

struct NameRow {
    const char* name;
    QString subject;
    QString fileName;
};

class QuickSaveNameTest : public RecordOperationsTest, public ::testing::WithParamInterface<NameRow> {};

// Whatever the subject, exactly one file appears, directly inside the folder.
TEST_P(QuickSaveNameTest, TheSubjectBecomesOneFileInsideTheFolder) {
    ShowForSave(GetParam().subject, u"x"_s, u"d"_s, u"b"_s);
    const QStringList outside = app_.Files();
    TextQuickSave(view_);
    EXPECT_TRUE(dialogs_.Requests().empty());
    EXPECT_EQ(QuickSaveEntries(), QStringList({GetParam().fileName}));
    EXPECT_TRUE(QFileInfo(QuickSavePath(GetParam().fileName)).isFile());
    EXPECT_EQ(app_.Files().size(), outside.size() + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Subjects, QuickSaveNameTest,
    ::testing::Values(NameRow{"Empty", QString(), u".txt"_s},
                      NameRow{"ParentFolders", u"../x/y"_s, u"..／x／y.txt"_s},
                      NameRow{"Backslashes", u"..\\..\\秘密"_s, u"..＼..＼秘密.txt"_s},
                      NameRow{"ControlCharacters", u"件\t名\r\n\x7f\0終"_s, u"件名終.txt"_s},
                      NameRow{"ReplyColonAndWildcards", u"Re:  見積*?"_s, u"Re:  見積*?.txt"_s},
                      NameRow{"Dots", u".."_s, u"...txt"_s}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(QuickSaveFileNameTest, ALongSubjectIsShortenedToWholeCharacters) {
    const QString name = QuickSaveFileName(QString(100, QChar(u'漢')));
    EXPECT_LE(QFile::encodeName(name).size(), 255);
    EXPECT_TRUE(name.endsWith(u"漢.txt"_s));
    EXPECT_EQ(name, QString(83, QChar(u'漢')) + u".txt"_s); // 83 × 3 bytes + 4 = 253
}

TEST_F(RecordOperationsTest, AFailedQuickSaveSaysSoAndChangesNothing) {
    ASSERT_TRUE(QDir(QuickSaveFolder()).removeRecursively());
    ShowForSave(u"abc"_s, u"x"_s, u"d"_s, u"本文"_s);
    TextQuickSave(view_);
    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_TRUE(dialogs_.Requests()[0].text.startsWith(QuickSaveFailedText(QString())));
    EXPECT_TRUE(dialogs_.Requests()[0].text.contains(QDir::toNativeSeparators(QuickSaveFolder())));
    EXPECT_EQ(dialogs_.Requests()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(view_.BodyText(), u"本文"_s);
    EXPECT_FALSE(QFileInfo::exists(QuickSaveFolder()));
}

// A link in the folder must not carry the write elsewhere.
TEST_F(RecordOperationsTest, QuickSaveRefusesALinkInPlaceOfTheFile) {
    const QString victim = app_.FilePath(u"victim.txt"_s);
    QFile file(victim);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("keep");
    file.close();
    ASSERT_TRUE(QFile::link(victim, QuickSavePath(u"abc.txt"_s)));
    ShowForSave(u"abc"_s, u"x"_s, u"d"_s, u"本文"_s);
    dialogs_.QueueAnswer(Answer::Yes);
    TextQuickSave(view_);
    ASSERT_EQ(dialogs_.Requests().size(), 2u);
    EXPECT_TRUE(dialogs_.Requests()[1].text.startsWith(QuickSaveFailedText(QString())));
    EXPECT_EQ(FileBytes(victim), QByteArray("keep"));
}

// Characters a CP932 text file cannot hold are named before anything is written: いいえ writes
// nothing, はい writes them as "?".
TEST_F(RecordOperationsTest, QuickSaveNamesTheCharactersItCannotKeepBeforeWriting) {
    ShowForSave(u"会議😀の件"_s, u"x"_s, u"d"_s, u"よろしく👍"_s);
    dialogs_.QueueAnswer(Answer::No);
    TextQuickSave(view_);
    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_EQ(dialogs_.Requests()[0].text, QuickSaveUnkeptText({u"😀"_s, u"👍"_s}, u"会議😀の件.txt"_s));
    EXPECT_TRUE(QuickSaveEntries().isEmpty());

    view_.SetSelectionFlag(true);
    dialogs_.QueueAnswer(Answer::Yes);
    TextQuickSave(view_);
    EXPECT_TRUE(
        FileBytes(QuickSavePath(u"会議😀の件.txt"_s)).startsWith(EncodeCp932(u"Subject:  会議?の件\r\n"_s)));
}

// はい to replace a file on a full disk: the old file stays whole and the user is told where.
TEST_F(RecordOperationsTest, QuickSaveOverAFileOnAFullDiskFailsAndKeepsTheOldFile) {
    testing::SmallDisk disk(64 * 1024, QuickSaveFolder());
    if (!disk.Mounted())
        GTEST_SKIP() << disk.SkipReason().toStdString();
    const QByteArray old = EncodeCp932(u"Subject:  見積\r\n前の保存\r\n"_s.repeated(50));
    QFile existing(QuickSavePath(u"見積.txt"_s));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write(old);
    existing.close();
    ASSERT_TRUE(disk.Fill());

    ShowForSave(u"見積"_s, u"x"_s, u"d"_s, u"新しい本文"_s.repeated(200));
    dialogs_.QueueAnswer(Answer::Yes);
    TextQuickSave(view_);
    ASSERT_EQ(dialogs_.Requests().size(), 2u);
    EXPECT_TRUE(dialogs_.Requests()[1].text.contains(QDir::toNativeSeparators(QuickSavePath(u"見積.txt"_s))))
        << dialogs_.Requests()[1].text.toStdString();
    EXPECT_EQ(FileBytes(QuickSavePath(u"見積.txt"_s)), old);
    EXPECT_EQ(QuickSaveEntries(), QStringList({u".filler"_s, u"見積.txt"_s}));
}

} // namespace
} // namespace ricorne
