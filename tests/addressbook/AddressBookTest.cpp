// The address book's operations on real store files: registering, reloading, picking a row,
// the name card, deleting (Yes, No, nothing picked, a failed compaction), a full store, and the
// compose window's name list after a deletion.
#include "addressbook/AddressBook.h"
#include "core/paths/ProgramFolderLock.h"

#include "AddressStoreFixture.h"
#include "addressbook/AddressBookTexts.h"
#include "compose/ComposeState.h"
#include "core/stores/RecordBuffers.h"
#include <QDir>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace ricorne {
namespace {

class AddressBookTest : public AddressStoreFixture {
protected:
    AddressBookState Loaded() {
        AddressBookState state;
        LoadAddressBook(state);
        return state;
    }
    // The one message asked, as a notice with an OK button, no icon and the program's title.
    void ExpectOnlyNotice(const QString& text) {
        ASSERT_EQ(dialogs_.Requests().size(), 1u);
        const DialogRequest& r = dialogs_.Requests().front();
        EXPECT_EQ(r.text, text);
        EXPECT_EQ(r.buttons, MessageButtons::Ok);
        EXPECT_EQ(r.icon, MessageIcon::None);
        EXPECT_TRUE(r.title.isEmpty());
    }
};

TEST_F(AddressBookTest, RegisterStoresTheTypedTextsByteForByteAndListsThem) {
    AddressBookState state = Loaded();
    EXPECT_EQ(state.count, u"0"_s);
    // CP932 extension rows and the fullwidth tilde must survive the round trip exactly.
    state.name = u"髙橋 ①郎～"_s;
    state.address = u"takahashi@example.jp"_s;
    state.status = u"前の表示"_s;
    RegisterAddress(state);

    const QByteArray bytes = StoreBytes();
    ASSERT_EQ(bytes.size(), 184);
    EXPECT_EQ(bytes.left(90), FitField(u"髙橋 ①郎～"_s, 90));
    EXPECT_EQ(bytes.mid(90, 4), QByteArray("\r\n\x01\x00", 4));
    EXPECT_EQ(bytes.mid(94, 90), FitField(u"takahashi@example.jp"_s, 90));
    EXPECT_EQ(bytes.left(12), QByteArray("\xFB\xFC\x8B\xB4\x20\x87\x40\x98\x59\x81\x60\x20"));

    EXPECT_EQ(state.status, u"\u3000登録が完了しました。"_s);
    ASSERT_EQ(state.rows.size(), 1);
    // The columns keep the fill spaces of the stored fields.
    EXPECT_EQ(Trim(state.rows[0].name), u"髙橋 ①郎～"_s);
    EXPECT_EQ(state.rows[0].name.size(), 6 + (90 - 11));
    EXPECT_EQ(Trim(state.rows[0].address), u"takahashi@example.jp"_s);
    EXPECT_EQ(state.count, u"1"_s);
    EXPECT_EQ(state.name, u"髙橋 ①郎～"_s) << "the fields keep their text";
    EXPECT_TRUE(dialogs_.Requests().empty());
}

TEST_F(AddressBookTest, RegisterTakesEmptyFieldsDuplicatesAndCutsLongTextsAt90Bytes) {
    AddressBookState state = Loaded();
    RegisterAddress(state); // both empty
    ASSERT_EQ(state.rows.size(), 1);
    EXPECT_EQ(state.rows[0], (AddressRow{QString(90, u' '), QString(90, u' ')}));
    RegisterAddress(state); // the same again
    EXPECT_EQ(state.count, u"2"_s);

    // A name card of 50 kanji is 100 bytes: 45 of them fit.
    const QString longName = QString(50, QChar(0x6F22));
    state.name = QString();
    state.nameCard = longName;
    state.address = u"a@example.jp"_s;
    InsertNameCard(state);
    RegisterAddress(state);
    ASSERT_EQ(Stored().size(), 3u);
    EXPECT_EQ(Stored()[2].address, QString(45, QChar(0x6F22)));
    EXPECT_EQ(state.address, longName + u"<a@example.jp>"_s) << "the box itself is not cut";
}

TEST_F(AddressBookTest, ReloadListsRecordsInOrderCutAtNulAndAMissingStoreIsEmpty) {
    AddressBookState state = Loaded();
    EXPECT_TRUE(state.rows.isEmpty());
    EXPECT_EQ(state.count, u"0"_s);
    EXPECT_FALSE(QFileInfo::exists(StorePath(AddressStore()))) << "reading creates nothing";

    Put(u"鈴木"_s, u"suzuki@example.jp"_s);
    Put(QStringLiteral(u"佐藤\u0000ごみ"), QStringLiteral(u"\u0000sato@example.jp"));
    state.selectedRow = 0;
    ReloadAddressList(state);
    ASSERT_EQ(state.rows.size(), 2);
    EXPECT_EQ(Trim(state.rows[0].address), u"suzuki@example.jp"_s);
    EXPECT_EQ(state.rows[1].name, u"佐藤"_s);
    EXPECT_EQ(state.rows[1].address, QString());
    EXPECT_EQ(state.count, u"2"_s);
    EXPECT_EQ(state.selectedRow, -1) << "a refilled list has no selection";
}

struct NameCardCase {
    const char16_t* address;
    const char16_t* card;
    const char16_t* expected; // Text4 afterwards
    const char16_t* message;  // nullptr: none
};

class InsertNameCardTest : public AddressBookTest, public ::testing::WithParamInterface<NameCardCase> {};

TEST_P(InsertNameCardTest, BuildsTheNameCardAddressOrSaysWhatIsMissing) {
    const NameCardCase& c = GetParam();
    AddressBookState state;
    state.address = QString::fromUtf16(c.address);
    state.nameCard = QString::fromUtf16(c.card);
    InsertNameCard(state);
    EXPECT_EQ(state.address, QString::fromUtf16(c.expected));
    if (c.message)
        ExpectOnlyNotice(QString::fromUtf16(c.message));
    else
        EXPECT_TRUE(dialogs_.Requests().empty());
    EXPECT_FALSE(QFileInfo::exists(StorePath(AddressStore()))) << "nothing is registered yet";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, InsertNameCardTest,
    ::testing::Values(NameCardCase{u"taro@example.jp", u"日本太郎", u"日本太郎<taro@example.jp>", nullptr},
                      NameCardCase{u"日本太郎<taro@example.jp>", u"日本太郎",
                                   u"日本太郎<日本太郎<taro@example.jp>>", nullptr},
                      // Only ASCII spaces around the address go; the card is taken as it is.
                      NameCardCase{u"  taro@example.jp\u3000 ", u" 日本\u3000太郎",
                                   u" 日本\u3000太郎<taro@example.jp\u3000>", nullptr},
                      NameCardCase{u"", u"日本太郎", u"", u"メールアドレスが入力されていません"},
                      NameCardCase{u"taro@example.jp", u"", u"taro@example.jp",
                                   u"名詞が入力されていません"}));

TEST_F(AddressBookTest, PickingARowFillsTheFieldsTrimmedAndNoSelectionChangesNothing) {
    Put(u"一郎"_s, u"ichiro@example.jp"_s);
    Put(u"\u3000二郎 "_s, u"  jiro@example.jp"_s);
    AddressBookState state = Loaded();

    state.address = u"手で入力"_s;
    PickAddressRow(state);
    ExpectOnlyNotice(u"データが選択されていません"_s);
    EXPECT_EQ(state.address, u"手で入力"_s);
    EXPECT_TRUE(state.status.isEmpty());

    dialogs_.Clear();
    state.selectedRow = 1;
    PickAddressRow(state);
    EXPECT_TRUE(dialogs_.Requests().empty());
    EXPECT_EQ(state.name, u"\u3000二郎"_s) << "the ideographic space stays";
    EXPECT_EQ(state.address, u"jiro@example.jp"_s);
    EXPECT_EQ(state.status, u"\u3000選択しました。"_s);
}

TEST_F(AddressBookTest, DeleteYesRemovesThePickedEntryAndRenumbersTheRest) {
    PutNumbered(3);
    AddressBookState state = Loaded();
    state.selectedRow = 1;
    state.address = u"ignored: the record is read again"_s;
    state.status = u"\u3000選択しました。"_s;
    dialogs_.QueueAnswer(Answer::Yes);
    DeleteAddress(state);

    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    const DialogRequest& ask = dialogs_.Requests().front();
    EXPECT_EQ(ask.title, u"確認"_s);
    EXPECT_EQ(ask.text, u"選択された（行、青色）データを削除します。よろしいですか"_s);
    EXPECT_EQ(ask.buttons, MessageButtons::YesNo);
    EXPECT_EQ(ask.icon, MessageIcon::Question);

    const std::vector<StoredAddress> expected = {{u"名前1"_s, u"user1@example.jp"_s, 1},
                                                 {u"名前3"_s, u"user3@example.jp"_s, 1}};
    EXPECT_EQ(Stored(), expected);
    EXPECT_EQ(StoreBytes().size(), 2 * 184);
    EXPECT_FALSE(TempFileExists());
    ASSERT_EQ(state.rows.size(), 2);
    EXPECT_EQ(Trim(state.rows[1].name), u"名前3"_s);
    EXPECT_EQ(state.count, u"2"_s);
    EXPECT_EQ(state.status, u"削除が完了しました"_s);
    EXPECT_EQ(state.name, u"名前2"_s) << "the fields show the entry that was deleted";
    EXPECT_EQ(state.address, u"user2@example.jp"_s);

    // The list lost its selection: pressing "削除" again must not take whatever row 2 now is.
    dialogs_.Clear();
    DeleteAddress(state);
    ExpectOnlyNotice(u"データが選択されていません"_s);
    EXPECT_EQ(Stored(), expected);
}

// Declining changes no byte, even with an entry left marked by an interrupted deletion elsewhere
// and entries past the last number (another program made the store that long).
TEST_F(AddressBookTest, DeleteNoChangesNoByteOfAnOverLongStore) {
    PutNumbered(3);
    AddressRecord stale;
    SetField(stale.Name, u"残骸"_s);
    stale.Live = 0;
    ASSERT_TRUE(WriteRecord(AddressStore(), 4, stale));
    constexpr qint64 kTotal = 32800;
    constexpr qsizetype kLen = sizeof(AddressRecord);
    {
        AddressRecord extra;
        SetField(extra.Name, u"追加"_s);
        extra.Live = 1;
        QFile file(StorePath(AddressStore()));
        ASSERT_TRUE(file.open(QIODevice::Append));
        const QByteArray one(reinterpret_cast<const char*>(&extra), kLen);
        ASSERT_EQ(file.write(one.repeated(kTotal - 4)), (kTotal - 4) * kLen);
    }
    const QByteArray before = StoreBytes();

    AddressBookState state;
    LoadAddressBook(state); // told once of the entries past the list's end
    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_EQ(dialogs_.Requests()[0].text, AddressBookBeyondLimitText(kTotal));
    EXPECT_EQ(state.count, u"32767"_s);
    state.selectedRow = 0;
    state.address = u"user1@example.jp"_s;
    dialogs_.QueueAnswer(Answer::No);
    DeleteAddress(state);
    EXPECT_EQ(StoreBytes(), before);

    // Yes deletes the one entry and keeps every other, those past 32767 included.
    state.selectedRow = 1;
    state.address = u"user2@example.jp"_s;
    dialogs_.QueueAnswer(Answer::Yes);
    DeleteAddress(state);
    EXPECT_EQ(state.status, AddressDeletedStatus());
    // Entries 1 and 3, then every one from 5 on: only the chosen and the marked entry are gone.
    EXPECT_EQ(StoreBytes(), before.left(kLen) + before.mid(2 * kLen, kLen) + before.mid(4 * kLen));
}

// The user picked a row; before Yes, another program deleted entry 1, so row 3's entry now sits
// at number 2... the picked entry is what goes, or nothing.
TEST_F(AddressBookTest, DeleteOfAnEntryMovedByAnotherProgramDeletesNothingAndReloads) {
    PutNumbered(4);
    AddressBookState state = Loaded();
    state.selectedRow = 2;
    state.address = u"user3@example.jp"_s;
    const QByteArray all = StoreBytes();
    ASSERT_TRUE(QFile::resize(StorePath(AddressStore()), 0));
    QFile file(StorePath(AddressStore()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(all.mid(sizeof(AddressRecord)));
    file.close();
    const QByteArray moved = StoreBytes();

    dialogs_.QueueAnswer(Answer::Yes);
    DeleteAddress(state);
    EXPECT_EQ(StoreBytes(), moved);
    EXPECT_EQ(dialogs_.Requests().back().text, AddressListChangedText());
    EXPECT_EQ(state.rows.size(), 3);
}

// A check holds the folder (or its lock file cannot be made): nothing is stored or deleted, and
// the window says why instead of blaming the disk.
TEST_F(AddressBookTest, RegisterAndDeleteWithoutTheFolderLockSayWhyAndChangeNothing) {
    PutNumbered(2);
    AddressBookState state = Loaded();
    const QByteArray before = StoreBytes();
    const int other =
        ::open(QFile::encodeName(ProgramFolderLock::Path()).constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    state.name = u"山田"_s;
    state.address = u"yamada@example.jp"_s;
    RegisterAddress(state);
    EXPECT_EQ(dialogs_.Requests().back().text, StoresLockedText(ProgramFolderLock::State::Busy));
    ::close(other);
    ASSERT_TRUE(QFile::remove(ProgramFolderLock::Path()));

    ASSERT_TRUE(QDir().mkdir(ProgramFolderLock::Path())); // a folder where the lock file goes
    state.selectedRow = 0;
    state.address = u"user1@example.jp"_s;
    dialogs_.QueueAnswer(Answer::Yes);
    DeleteAddress(state);
    EXPECT_EQ(dialogs_.Requests().back().text, LockUnavailableText());
    EXPECT_TRUE(dialogs_.Requests().back().text.contains(u"ricorne.lock"_s));
    EXPECT_EQ(StoreBytes(), before);
}

// Characters CP932 cannot hold are named before anything is stored.
TEST_F(AddressBookTest, RegisterAsksBeforeStoringWhatCp932CannotHold) {
    AddressBookState state = Loaded();
    state.name = u"Zoë Ünal 💌"_s;
    state.address = u"zoe@example.jp"_s;
    dialogs_.QueueAnswer(Answer::No);
    RegisterAddress(state);
    EXPECT_EQ(dialogs_.Requests().back().text,
              ConfirmUnkeptCharactersText(UnkeptCharacters(state.name + state.address)));
    EXPECT_TRUE(dialogs_.Requests().back().text.contains(u"💌"_s));
    EXPECT_TRUE(Stored().empty());

    dialogs_.QueueAnswer(Answer::Yes);
    RegisterAddress(state);
    ASSERT_EQ(Stored().size(), 1u);
    EXPECT_EQ(Stored()[0].address, u"zoe@example.jp"_s);
    EXPECT_EQ(state.status, AddressRegisteredStatus());
}

TEST_F(AddressBookTest, DeleteWithoutAPickedRowOrAddressAsksNothingAndKeepsTheStore) {
    PutNumbered(2);
    const QByteArray before = StoreBytes();
    AddressBookState state = Loaded();

    state.address = u"user1@example.jp"_s; // typed by hand, no row picked
    DeleteAddress(state);
    ExpectOnlyNotice(u"データが選択されていません"_s);

    dialogs_.Clear();
    state.address.clear(); // a row picked, but the address box emptied
    state.selectedRow = 0;
    DeleteAddress(state);
    ExpectOnlyNotice(u"データが選択されていません"_s);

    dialogs_.Clear();
    AddressBookState empty; // an empty list
    empty.address = u"x@example.jp"_s;
    empty.selectedRow = 0;
    DeleteAddress(empty);
    ExpectOnlyNotice(u"データが選択されていません"_s);
    EXPECT_EQ(StoreBytes(), before);
}

TEST_F(AddressBookTest, AFailedCompactionLeavesTheStoreAsItWasAndSaysSo) {
    PutNumbered(3);
    const QByteArray before = StoreBytes();
    // A temporary file that cannot be created: a dangling link into a folder that does not exist.
    const QString temp = QDir(app_.DataDir()).filePath(u"KLMDATA20.TMP"_s);
    ASSERT_EQ(::symlink("/nonexistent-folder/for-this-test/x", QFile::encodeName(temp).constData()), 0);

    AddressBookState state = Loaded();
    state.selectedRow = 1;
    state.address = u"user2@example.jp"_s;
    dialogs_.QueueAnswer(Answer::Yes);
    DeleteAddress(state);

    EXPECT_EQ(StoreBytes(), before) << "the marked entry is live again";
    ASSERT_EQ(dialogs_.Requests().size(), 2u);
    EXPECT_EQ(dialogs_.Requests()[1].text, AddressDeleteFailedText());
    EXPECT_EQ(dialogs_.Requests()[1].title, u"エラー"_s);
    EXPECT_NE(state.status, u"削除が完了しました"_s);
    EXPECT_EQ(state.rows.size(), 3);

    ASSERT_TRUE(QFile::remove(temp));
    dialogs_.Clear();
    state.selectedRow = 1;
    dialogs_.QueueAnswer(Answer::Yes);
    DeleteAddress(state);
    EXPECT_EQ(Stored().size(), 2u);
    EXPECT_EQ(state.status, u"削除が完了しました"_s);
}

TEST_F(AddressBookTest, AFullStoreRefusesTheEntryWithAMessageAndStoresNothing) {
    AddressRecord one;
    SetField(one.Name, u"山田"_s);
    QByteArray all;
    all.reserve(kMaxRecordNumber * 184);
    for (int n = 0; n < kMaxRecordNumber; ++n)
        all.append(reinterpret_cast<const char*>(&one), sizeof one);
    QFile f(StorePath(AddressStore()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(all), all.size());
    f.close();

    AddressBookState state;
    state.name = u"三万二千七百六十八人目"_s;
    state.status = u"前の表示"_s;
    RegisterAddress(state);
    EXPECT_EQ(QFileInfo(f.fileName()).size(), qint64(kMaxRecordNumber) * 184);
    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_EQ(dialogs_.Requests()[0].text, AddressBookFullText());
    EXPECT_TRUE(dialogs_.Requests()[0].text.contains(u"32767"_s));
    EXPECT_EQ(state.status, u"前の表示"_s);
}

TEST_F(AddressBookTest, TheComposeNameListShowsTheNewNumberingWhenNextFilled) {
    PutNumbered(3);
    ComposeState compose;
    ASSERT_TRUE(FillNameList(compose, AddressStore()));
    ASSERT_EQ(compose.nameIndex, (QVector<int>{1, 2, 3}));

    AddressBookState state = Loaded();
    state.selectedRow = 0;
    state.address = u"user1@example.jp"_s;
    dialogs_.QueueAnswer(Answer::Yes);
    DeleteAddress(state);

    ASSERT_TRUE(FillNameList(compose, AddressStore()));
    EXPECT_EQ(compose.nameIndex, (QVector<int>{1, 2}));
    ASSERT_EQ(compose.names.size(), 2);
    EXPECT_EQ(Trim(compose.names[0]), u"名前2"_s);
    EXPECT_EQ(compose.nameCount, u"2"_s);
    ASSERT_EQ(PickName(compose, 1), PickOutcome::Picked);
    EXPECT_EQ(compose.recipient, u"user3@example.jp"_s);
}

} // namespace
} // namespace ricorne
