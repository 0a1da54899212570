// The face-mark files: read as they are (CP932, UTF-8, damaged), written back whole in CP932 without
// growing, found whatever the letter case of their names, created when missing, and left whole
// when the disk is full.
#include "FaceMarkTestSupport.h"
#include "SmallDisk.h"

#include "core/text/Text.h"
#include "facemarks/FaceMarkFiles.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

QString SampleList(int tab) {
    return u"（＾＿＾）　リスト%1\n  先頭と末尾の空白も残る  \n○○県　山田太郎　000-0000-0000\n"_s.arg(tab);
}

class FaceMarkFilesTest : public ::testing::Test {
protected:
    FaceMarkFolder folder_;
};

TEST_F(FaceMarkFilesTest, AListWrittenAsItWasReadKeepsItsBytesAndAnEditEndsWithOneCrLf) {
    for (const FaceMarkList& list : FaceMarkLists())
        folder_.Write(list.fileName, EncodeCp932(ToCrLf(SampleList(list.tab))));

    const FaceMarkFiles lists = LoadFaceMarkLists();
    for (const FaceMarkList& list : FaceMarkLists()) {
        EXPECT_EQ(lists[list.tab].text, SampleList(list.tab)) << list.fileName.toStdString();
        EXPECT_EQ(lists[list.tab].reading, ListReading::Cp932);
        ASSERT_TRUE(SaveFaceMarkList(list.tab, lists[list.tab].text, lists[list.tab]));
        EXPECT_EQ(folder_.Read(list.fileName), EncodeCp932(ToCrLf(SampleList(list.tab))));
    }
    // The same names were written back: no second file beside any list.
    EXPECT_EQ(folder_.Files().size(), kFaceMarkListCount);
    // A text without a final break gets one; twice saved, it does not grow.
    ASSERT_TRUE(SaveFaceMarkList(2, u"（＾＿＾）"_s));
    ASSERT_TRUE(SaveFaceMarkList(2, LoadFaceMarkList(2).text));
    EXPECT_EQ(folder_.Read(u"Text2.txt"_s), EncodeCp932(u"（＾＿＾）\r\n"_s));
}

struct ReadingRow {
    const char* what;
    QByteArray bytes;
    ListReading reading;
    QString text;
};

class FaceMarkReadingTest : public FaceMarkFilesTest, public ::testing::WithParamInterface<ReadingRow> {};

// A list is read as what it is; only a clean CP932 list is written back unedited, and an edited
// unclean one leaves its original beside it.
TEST_P(FaceMarkReadingTest, IsReadAsWhatItIsAndAnEditKeepsTheOriginalAsBak) {
    const ReadingRow& row = GetParam();
    folder_.Write(u"Text4.txt"_s, row.bytes);
    const FaceMarkListFile loaded = LoadFaceMarkList(4);
    EXPECT_EQ(loaded.reading, row.reading);
    EXPECT_EQ(loaded.text, row.text);

    ASSERT_TRUE(SaveFaceMarkList(4, u"編集後 (^_^)"_s, loaded));
    EXPECT_EQ(folder_.Read(u"Text4.txt"_s), EncodeCp932(u"編集後 (^_^)\r\n"_s));
    if (row.reading == ListReading::Cp932)
        EXPECT_FALSE(QFileInfo::exists(folder_.FilePath(u"Text4.txt.bak"_s)));
    else
        EXPECT_EQ(folder_.Read(u"Text4.txt.bak"_s), row.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FaceMarkReadingTest,
    ::testing::Values(ReadingRow{"cp932", EncodeCp932(u"春の桜（＾＿＾）\r\n"_s), ListReading::Cp932,
                                 u"春の桜（＾＿＾）\n"_s},
                      ReadingRow{"utf8", u"春の桜（＾＿＾）\r\n"_s.toUtf8(), ListReading::Utf8,
                                 u"春の桜（＾＿＾）\n"_s},
                      ReadingRow{"utf8bom", "\xEF\xBB\xBF" + u"夏 (^o^)\r\n"_s.toUtf8(), ListReading::Utf8,
                                 u"夏 (^o^)\n"_s},
                      // 0xFD is no CP932 character; a lead byte without its trail byte ends the file.
                      ReadingRow{"damaged", EncodeCp932(u"秋"_s) + "\xFD" + EncodeCp932(u"冬"_s) + "\x81",
                                 ListReading::Damaged, u"秋\uFFFD冬\uFFFD"_s}),
    [](const ::testing::TestParamInfo<ReadingRow>& info) { return std::string(info.param.what); });

TEST_F(FaceMarkFilesTest, LoadKeepsEveryCharacterOfTheFile) {
    // Leading blanks, ideographic spaces, an empty last line and a CP932 look-alike.
    folder_.Write(u"Text3.txt"_s, EncodeCp932(u"  　桜　  \r\n\r\n～\r\n\r\n"_s));
    EXPECT_EQ(LoadFaceMarkList(3).text, u"  　桜　  \n\n～\n\n"_s);
}

TEST_F(FaceMarkFilesTest, AMissingFileOpensEmptyAndTheCloseCreatesIt) {
    EXPECT_EQ(LoadFaceMarkList(5).text, QString());
    ASSERT_FALSE(QFileInfo::exists(folder_.FilePath(u"Text5.txt"_s)));

    ASSERT_TRUE(SaveFaceMarkList(5, QString()));
    EXPECT_EQ(folder_.Read(u"Text5.txt"_s), QByteArray("\r\n"));
}

TEST_F(FaceMarkFilesTest, AMissingFolderIsCreatedSoTheListsAreNotLost) {
    ASSERT_TRUE(QDir(folder_.Path()).removeRecursively());
    ASSERT_TRUE(SaveFaceMarkList(11, u"お気に入り"_s));
    EXPECT_EQ(folder_.Read(u"Text11.txt"_s), EncodeCp932(u"お気に入り\r\n"_s));
}

TEST(FaceMarkDiskFullTest, AFailedWriteLeavesTheOldFileWholeAndNamesIt) {
    SmallDisk disk(64 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.SkipReason().toStdString();
    FaceMarkFolder folder;
    disk.RestoreTmpDir();
    ASSERT_TRUE(folder.Path().startsWith(disk.Path()));
    const QByteArray before = EncodeCp932(u"元の内容（＾＿＾）\r\n"_s.repeated(100));
    folder.Write(u"Kao1.txt"_s, before);
    ASSERT_TRUE(disk.Fill());

    const platform::ReplaceResult result = SaveFaceMarkList(0, u"新しい内容"_s.repeated(500));
    EXPECT_FALSE(result);
    EXPECT_TRUE(result.Text().contains(u"Kao1.txt"_s)) << result.Text().toStdString();
    EXPECT_EQ(folder.Read(u"Kao1.txt"_s), before);
    EXPECT_EQ(folder.Files(), QStringList{u"Kao1.txt"_s});
}

struct CaseRow {
    int tab;
    const char* installedName;
};

class FaceMarkFileCaseTest : public FaceMarkFilesTest, public ::testing::WithParamInterface<CaseRow> {};

TEST_P(FaceMarkFileCaseTest, IsFoundWhateverItsLetterCaseAndWrittenBackInPlace) {
    const QString name = QString::fromLatin1(GetParam().installedName);
    folder_.Write(name, EncodeCp932(u"ヽ(^o^)丿\r\n"_s));

    EXPECT_EQ(LoadFaceMarkList(GetParam().tab).text, u"ヽ(^o^)丿\n"_s);
    ASSERT_TRUE(SaveFaceMarkList(GetParam().tab, u"ヽ(^o^)丿\n"_s));
    EXPECT_EQ(folder_.Files(), QStringList{name});
    EXPECT_EQ(folder_.Read(name), EncodeCp932(u"ヽ(^o^)丿\r\n"_s));
}

INSTANTIATE_TEST_SUITE_P(Names, FaceMarkFileCaseTest,
                         ::testing::Values(CaseRow{0, "KAO1.TXT"}, CaseRow{0, "kao1.txt"},
                                           CaseRow{1, "text1.txt"}, CaseRow{10, "TEXT10.Txt"},
                                           CaseRow{11, "text11.txt"}));

} // namespace
