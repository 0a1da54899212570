// The face-mark files: read as they are, written back whole with one CR LF more, in CP932, found
// whatever the letter case of their names, and created when missing.
#include "FaceMarkTestSupport.h"

#include "core/text/Text.h"
#include "facemarks/FaceMarkFiles.h"

#include <QFileInfo>
#include <unistd.h>

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

TEST_F(FaceMarkFilesTest, OpeningAndClosingWithoutEditsMakesEveryFileOneCrLfLonger) {
    for (const FaceMarkList& list : FaceMarkLists())
        folder_.Write(list.fileName, EncodeCp932(ToCrLf(SampleList(list.tab))));

    const FaceMarkTexts texts = LoadFaceMarkLists();
    for (const FaceMarkList& list : FaceMarkLists())
        EXPECT_EQ(texts[list.tab], SampleList(list.tab)) << list.fileName.toStdString();
    ASSERT_TRUE(SaveFaceMarkLists(texts));

    for (const FaceMarkList& list : FaceMarkLists()) {
        const QByteArray expected = EncodeCp932(ToCrLf(SampleList(list.tab))) + "\r\n";
        EXPECT_EQ(folder_.Read(list.fileName), expected) << list.fileName.toStdString();
    }
    // The same names were written back: no second file beside any list.
    EXPECT_EQ(folder_.Files().size(), kFaceMarkListCount);
}

TEST_F(FaceMarkFilesTest, LoadKeepsEveryCharacterOfTheFile) {
    // Leading blanks, ideographic spaces, an empty last line and a CP932 look-alike.
    folder_.Write(u"Text3.txt"_s, EncodeCp932(u"  　桜　  \r\n\r\n～\r\n\r\n"_s));
    EXPECT_EQ(LoadFaceMarkList(3), u"  　桜　  \n\n～\n\n"_s);
}

TEST_F(FaceMarkFilesTest, AMissingFileOpensEmptyAndTheCloseCreatesIt) {
    EXPECT_EQ(LoadFaceMarkList(5), QString());
    ASSERT_FALSE(QFileInfo::exists(folder_.FilePath(u"Text5.txt"_s)));

    ASSERT_TRUE(SaveFaceMarkList(5, QString()));
    EXPECT_EQ(folder_.Read(u"Text5.txt"_s), QByteArray("\r\n"));
}

TEST_F(FaceMarkFilesTest, AMissingFolderIsCreatedSoTheListsAreNotLost) {
    ASSERT_TRUE(QDir(folder_.Path()).removeRecursively());
    ASSERT_TRUE(SaveFaceMarkList(11, u"お気に入り"_s));
    EXPECT_EQ(folder_.Read(u"Text11.txt"_s), EncodeCp932(u"お気に入り\r\n"_s));
}

TEST_F(FaceMarkFilesTest, AFailedWriteLeavesTheOldFileWhole) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    folder_.Write(u"Text1.txt"_s, EncodeCp932(u"元の内容\r\n"_s));
    QFile::setPermissions(folder_.Path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool saved = SaveFaceMarkList(1, u"新しい内容"_s);
    QFile::setPermissions(folder_.Path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(saved);
    EXPECT_EQ(folder_.Read(u"Text1.txt"_s), EncodeCp932(u"元の内容\r\n"_s));
}

struct CaseRow {
    int tab;
    const char* installedName;
};

class FaceMarkFileCaseTest : public FaceMarkFilesTest, public ::testing::WithParamInterface<CaseRow> {};

TEST_P(FaceMarkFileCaseTest, IsFoundWhateverItsLetterCaseAndWrittenBackInPlace) {
    const QString name = QString::fromLatin1(GetParam().installedName);
    folder_.Write(name, EncodeCp932(u"ヽ(^o^)丿\r\n"_s));

    EXPECT_EQ(LoadFaceMarkList(GetParam().tab), u"ヽ(^o^)丿\n"_s);
    ASSERT_TRUE(SaveFaceMarkList(GetParam().tab, u"ヽ(^o^)丿\n"_s));
    EXPECT_EQ(folder_.Files(), QStringList{name});
    EXPECT_EQ(folder_.Read(name), EncodeCp932(u"ヽ(^o^)丿\r\n\r\n"_s));
}

INSTANTIATE_TEST_SUITE_P(Names, FaceMarkFileCaseTest,
                         ::testing::Values(CaseRow{0, "KAO1.TXT"}, CaseRow{0, "kao1.txt"},
                                           CaseRow{1, "text1.txt"}, CaseRow{10, "TEXT10.Txt"},
                                           CaseRow{11, "text11.txt"}));

} // namespace
