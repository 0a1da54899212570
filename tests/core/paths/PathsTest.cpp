#include "core/paths/Paths.h"
#include "TempAppDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <functional>
#include <vector>

#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ricorne;

namespace {

class PathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app_.IsValid());
        root_ = app_.Path();
    }

    void Touch(const QString& relative) {
        QFile file(root_ + u'/' + relative);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    void MakeDir(const QString& relative) { ASSERT_TRUE(QDir(root_).mkpath(relative)); }
    bool CaseSensitive() {
        Touch(u"probe"_s);
        const bool sensitive = !QFileInfo::exists(root_ + u"/PROBE"_s);
        QFile::remove(root_ + u"/probe"_s);
        return sensitive;
    }

    // Empty: start-up's folders are under test here.
    ricorne::testing::TempAppDir app_{ricorne::testing::TempAppDir::Layout::Empty};
    QString root_;
};

TEST_F(PathsTest, MatchesEachComponentIgnoringAsciiCase) {
    if (!CaseSensitive())
        GTEST_SKIP() << "the temporary folder does not tell letter case apart";
    MakeDir(u"★MailData"_s);
    Touch(u"★MailData/Klmdata20.data"_s);
    // Both spellings the program uses name the one folder and the one file.
    EXPECT_EQ(ResolvePath(u"\\★MAilData\\klmdata20.data"_s), root_ + u"/★MailData/Klmdata20.data"_s);
    EXPECT_EQ(ResolvePath(u"\\★MailData\\Klmdata20.data"_s), root_ + u"/★MailData/Klmdata20.data"_s);
    EXPECT_EQ(ResolvePath(u"\\★MAILDATA"_s), root_ + u"/★MailData"_s);
    // Forward slashes and doubled separators work too.
    EXPECT_EQ(ResolvePath(u"★maildata//KLMDATA20.DATA"_s), root_ + u"/★MailData/Klmdata20.data"_s);
}

TEST_F(PathsTest, FoldsOnlyAsciiLetters) {
    if (!CaseSensitive())
        GTEST_SKIP() << "the temporary folder does not tell letter case apart";
    Touch(u"ｋｌｍ.txt"_s); // full-width letters are not folded
    EXPECT_EQ(ResolvePath(u"\\ＫＬＭ.txt"_s), root_ + u"/ＫＬＭ.txt"_s);
    Touch(u"äb.txt"_s);
    EXPECT_EQ(ResolvePath(u"\\Äb.txt"_s), root_ + u"/Äb.txt"_s);
    EXPECT_FALSE(SameNameIgnoringAsciiCase(u"ä"_s, u"Ä"_s));
    EXPECT_TRUE(SameNameIgnoringAsciiCase(u"Text1.TXT"_s, u"text1.txt"_s));
}

TEST_F(PathsTest, ExactSpellingWinsAndMissingNamesKeepTheirSpelling) {
    if (!CaseSensitive())
        GTEST_SKIP() << "the temporary folder does not tell letter case apart";
    MakeDir(u"data"_s);
    MakeDir(u"DATA"_s);
    EXPECT_EQ(ResolvePath(u"\\DATA"_s), root_ + u"/DATA"_s);
    EXPECT_EQ(ResolvePath(u"\\data"_s), root_ + u"/data"_s);
    // A new file keeps the given name inside the folder found.
    MakeDir(u"★MailData"_s);
    EXPECT_EQ(ResolvePath(u"\\★MAilData\\KLMDATA2.TMP"_s), root_ + u"/★MailData/KLMDATA2.TMP"_s);
    // Below a missing folder nothing is looked up.
    EXPECT_EQ(ResolvePath(u"\\Nothing\\Here.txt"_s), root_ + u"/Nothing/Here.txt"_s);
}

TEST_F(PathsTest, StartUpCreatesMissingFoldersOnce) {
    if (!CaseSensitive())
        GTEST_SKIP() << "the temporary folder does not tell letter case apart";
    MakeDir(u"★MAILDATA"_s); // present under another spelling: reused, not doubled
    ASSERT_TRUE(EnsureInstalledFolders());
    for (const QString& name : {AttachDir(), FaceMarkDir(), QuickSaveDir()})
        EXPECT_TRUE(QFileInfo(root_ + u'/' + name).isDir()) << name.toStdString();
    EXPECT_FALSE(QFileInfo::exists(root_ + u"/★MailData"_s));
    EXPECT_EQ(QDir(root_).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 4);
    EXPECT_TRUE(EnsureInstalledFolders()); // a second run changes nothing
    EXPECT_EQ(QDir(root_).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 4);
}

TEST_F(PathsTest, StartUpReportsAFolderItCannotCreate) {
    Touch(u"添付フォルダ"_s); // a file in the way
    EXPECT_FALSE(EnsureInstalledFolders());
}

// Two programs started at once on a fresh program folder both create the data folders: the one
// that finds a folder made a moment ago by the other has succeeded too.
TEST_F(PathsTest, ProgramsCreatingTheFoldersAtOnceBothSucceed) {
    constexpr int kRounds = 40, kPrograms = 6;
    int failures = 0;
    for (int round = 0; round < kRounds; ++round) {
        const QString appDir = root_ + u"/r"_s + QString::number(round);
        ASSERT_TRUE(QDir().mkpath(appDir));
        SetAppDir(appDir);
        int gate[2];
        ASSERT_EQ(::pipe(gate), 0);
        std::vector<pid_t> children;
        for (int i = 0; i < kPrograms; ++i) {
            const pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                ::close(gate[1]);
                char c;
                (void)::read(gate[0], &c, 1); // all start when the gate closes
                ::_exit(EnsureInstalledFolders() ? 0 : 1);
            }
            children.push_back(pid);
        }
        ::close(gate[0]);
        ::close(gate[1]);
        for (const pid_t pid : children) {
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            failures += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        EXPECT_EQ(QDir(appDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 4);
    }
    SetAppDir(root_);
    EXPECT_EQ(failures, 0);
}

// Names found once are reused while the folder is unchanged; every kind of change to the
// folder must show at the next resolve, whether it comes at once (within the clock tick of the
// listing) or after the folder had settled.
struct FolderChange {
    const char* name;
    QStringList dirsBefore;
    QString relative;
    QString before; // expected, relative to AppDir
    std::function<bool(const QString& root)> change;
    QString after;
};

class ResolveAfterChange : public PathsTest,
                           public ::testing::WithParamInterface<std::tuple<FolderChange, bool>> {};

TEST_P(ResolveAfterChange, SeesTheFolderAsItIsNow) {
    if (!CaseSensitive())
        GTEST_SKIP() << "the temporary folder does not tell letter case apart";
    const auto& [c, settled] = GetParam();
    for (const QString& dir : c.dirsBefore)
        MakeDir(dir);
    if (settled)
        QThread::msleep(30); // past the clock tick of the folder's last change
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(ResolvePath(c.relative), root_ + c.before);
    ASSERT_TRUE(c.change(root_));
    EXPECT_EQ(ResolvePath(c.relative), root_ + c.after);
    EXPECT_EQ(ResolvePath(c.relative), root_ + c.after);
}

const FolderChange kFolderChanges[] = {
    {"FileCreatedUnderAnotherSpelling",
     {u"★MailData"_s},
     u"\\★MAilData\\KLMDATA2.TMP"_s,
     u"/★MailData/KLMDATA2.TMP"_s,
     [](const QString& root) {
         QFile file(root + u"/★MailData/klmdata2.tmp"_s);
         return file.open(QIODevice::WriteOnly);
     },
     u"/★MailData/klmdata2.tmp"_s},
    {"FolderRenamedToAnotherCase",
     {u"Data"_s},
     u"\\DATA\\x.ini"_s,
     u"/Data/x.ini"_s,
     [](const QString& root) { return QDir(root).rename(u"Data"_s, u"dATA"_s); },
     u"/dATA/x.ini"_s},
    {"ExactSpellingAppearsLater",
     {u"data"_s},
     u"\\DATA"_s,
     u"/data"_s,
     [](const QString& root) { return QDir(root).mkdir(u"DATA"_s); },
     u"/DATA"_s},
    {"FolderRemoved",
     {u"Data"_s},
     u"\\data\\x.ini"_s,
     u"/Data/x.ini"_s,
     [](const QString& root) { return QDir(root).rmdir(u"Data"_s); },
     u"/data/x.ini"_s},
    {"FolderReplacedByAnotherSpelling",
     {u"Data/Inner"_s},
     u"\\data\\inner"_s,
     u"/Data/Inner"_s,
     [](const QString& root) {
         return QDir(root + u"/Data"_s).removeRecursively() && QDir(root).mkpath(u"DaTa/INNER"_s);
     },
     u"/DaTa/INNER"_s},
};

INSTANTIATE_TEST_SUITE_P(Changes, ResolveAfterChange,
                         ::testing::Combine(::testing::ValuesIn(kFolderChanges), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "AfterSettling" : "AtOnce");
                         });

TEST(AppDirTest, DefaultsToTheExecutablesFolder) {
    SetAppDir(QString());
    EXPECT_EQ(QFileInfo(AppDir()).canonicalFilePath(),
              QFileInfo(QFileInfo(u"/proc/self/exe"_s).canonicalFilePath()).absolutePath());
}

} // namespace
