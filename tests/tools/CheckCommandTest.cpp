// ricorne-mailtool check, run as its own process: what it prints, and a disk that fills up
// under it (a file size limit in the child) against the real test servers.
#include "ReceiveTestSupport.h"
#include "TestServers.h"
#include "core/paths/Paths.h"
#include "core/paths/ProgramFolderLock.h"
#include "core/stores/RecordStore.h"
#include "receive/CheckMail.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

const QString kUser = QString::fromLatin1(kAlice.name);

struct ToolRun {
    int exitCode = -1;
    QStringList lines; // stdout
    QString errors;
};

// fileSizeLimit > 0: the child may write no file beyond that many bytes (as a full disk would
// refuse them); the write then fails instead of killing the process.
ToolRun RunTool(const QStringList& args, qint64 fileSizeLimit = 0) {
    QProcess tool;
    tool.setProgram(QStringLiteral(RICORNE_APPDIR "/ricorne-mailtool"));
    tool.setArguments(args);
    if (fileSizeLimit > 0) {
        tool.setChildProcessModifier([fileSizeLimit] {
            std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit {};
            limit.rlim_cur = rlim_t(fileSizeLimit);
            limit.rlim_max = rlim_t(fileSizeLimit);
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    tool.start();
    ToolRun run;
    if (!tool.waitForFinished(120000))
        return run;
    run.exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    run.lines = QString::fromUtf8(tool.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    run.errors = QString::fromUtf8(tool.readAllStandardError());
    return run;
}

class CheckCommandTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(app_.IsValid()); }
    QStringList AppDirArgs() const { return {u"check"_s, u"--appdir"_s, app_.Path()}; }
    AccountAppDir app_;
};

TEST_F(CheckCommandTest, BadArgumentsAndUnusableFoldersAreTheToolsOwnFailures) {
    EXPECT_EQ(RunTool({u"check"_s}).exitCode, 2);
    EXPECT_EQ(RunTool({u"check"_s, u"--appdir"_s}).exitCode, 2);
    EXPECT_EQ(RunTool({u"check"_s, u"--appdir"_s, app_.Path(), u"extra"_s}).exitCode, 2);
    EXPECT_EQ(RunTool({u"check"_s, u"--appdir"_s, app_.Path() + u"/missing"_s}).exitCode, 1);
}

TEST_F(CheckCommandTest, WithoutAServerItPrintsNoNewMailAndWritesNothing) {
    const QStringList before = app_.Files();
    const ToolRun run = RunTool(AppDirArgs());
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(run.lines, QStringList{u"新着メール無し。"_s});
    EXPECT_EQ(app_.Files(), before);
}

class CheckCommandServerTest : public CheckCommandTest {
protected:
    void SetUp() override {
        RICORNE_REQUIRE_TEST_SERVERS();
        CheckCommandTest::SetUp();
        ASSERT_TRUE(ClearMaildir(kUser));
        app_.SetServer(u"localhost:"_s + QString::number(kPop3Port));
        app_.SetCredentials(kUser, QString::fromLatin1(kAlice.password));
    }
};

TEST_F(CheckCommandServerTest, MissingCredentialsArePrintedAndNobodyLogsIn) {
    app_.SetCredentials(kUser, QString());
    ASSERT_TRUE(DropMail(kUser, TextMail(u"残る"_s, u"本文"_s)));
    const ToolRun run = RunTool(AppDirArgs());
    EXPECT_EQ(run.exitCode, 1); // nothing was checked
    ASSERT_EQ(run.lines.size(), 3) << run.lines.join(u'|').toStdString();
    EXPECT_EQ(run.lines[0], u"メールのチェックをしています。"_s);
    EXPECT_TRUE(run.lines[1].contains(u"ログインしません"_s));
    EXPECT_EQ(run.lines[2], u"新着メール無し。"_s);
    EXPECT_EQ(MailFiles(kUser).size(), 1);
}

// Room for two records and a half: the third mail cannot be stored, so it stays on the server
// with a message, while the two stored ones are deleted. The next check takes it.
TEST_F(CheckCommandServerTest, FullDiskLeavesTheMailThatDidNotFitOnTheServer) {
    for (int i = 1; i <= 3; ++i)
        ASSERT_TRUE(DropMail(kUser, TextMail(u"メール%1"_s.arg(i), u"本文%1"_s.arg(i), i)));
    ToolRun run = RunTool(AppDirArgs(), qint64(sizeof(MailRecord)) * 5 / 2);
    EXPECT_EQ(run.exitCode, 1) << run.errors.toStdString(); // stopped early
    EXPECT_EQ(run.lines, (QStringList{u"メールのチェックをしています。"_s, u"メールを受信しています… 1/3"_s,
                                      u"メールを受信しています… 2/3"_s, u"メールを受信しています… 3/3"_s,
                                      StoreWriteFailedText(), u"新着メール有り。"_s}));
    EXPECT_EQ(RecordCount(ReceivedStore()), 2);
    EXPECT_EQ(MailFiles(kUser).size(), 1);

    run = RunTool(AppDirArgs());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.lines, (QStringList{u"メールのチェックをしています。"_s, u"メールを受信しています… 1/1"_s,
                                      u"新着メール有り。"_s}));
    EXPECT_EQ(MailFiles(kUser).size(), 0);
    QStringList subjects;
    for (const StoredMail& m : ReceivedMails())
        subjects << m.subject;
    EXPECT_EQ(subjects, (QStringList{u"メール1"_s, u"メール2"_s, u"メール3"_s}));
}

// Failures end in a non-zero exit and the component's text, never in "新着メール無し。".
TEST_F(CheckCommandServerTest, FailedChecksExitNonZeroWithTheirText) {
    struct Case {
        const char* name;
        QString server;
        QString password;
    };
    const QString password = QString::fromLatin1(kAlice.password);
    for (const Case& c :
         {Case{"refused", u"127.0.0.1:1"_s, password},
          Case{"wrong password", u"localhost:"_s + QString::number(kPop3Port), u"wrong"_s},
          Case{"untrusted certificate", u"pop3s://localhost:"_s + QString::number(kPop3sPort), password}}) {
        SCOPED_TRACE(c.name);
        app_.SetServer(c.server);
        app_.SetCredentials(kUser, c.password);
        if (QString::fromLatin1(c.name).contains(u"certificate"_s))
            QFile::remove(app_.Path() + u"/★MailData/ca-certificates.pem"_s);
        const ToolRun run = RunTool(AppDirArgs());
        EXPECT_EQ(run.exitCode, 1);
        ASSERT_EQ(run.lines.size(), 3) << run.lines.join(u'|').toStdString();
        EXPECT_EQ(run.lines[0], u"メールのチェックをしています。"_s);
        EXPECT_FALSE(run.lines[1].isEmpty());
        EXPECT_EQ(run.lines[2], CheckFailedStatus());
    }
}

// A second program on the same folder says so, leaves the stores alone and exits non-zero;
// the mail waits on the server for the program that holds the folder.
TEST_F(CheckCommandServerTest, SecondProgramOnTheSameFolderLeavesItAlone) {
    ASSERT_TRUE(DropMail(kUser, TextMail(u"待つ"_s, u"本文"_s)));
    ToolRun run;
    {
        SetAppDir(app_.Path());
        const ProgramFolderLock held; // this test process is the first program
        ASSERT_EQ(held.state(), ProgramFolderLock::State::Held);
        const QStringList before = app_.Files();
        run = RunTool(AppDirArgs());
        EXPECT_EQ(app_.Files(), before);
    }
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.lines, (QStringList{FolderBusyText(), CheckFailedStatus()}));
    EXPECT_EQ(MailFiles(kUser).size(), 1);

    run = RunTool(AppDirArgs());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(MailFiles(kUser).size(), 0);
    EXPECT_EQ(RecordCount(ReceivedStore()), 1);
}

} // namespace
