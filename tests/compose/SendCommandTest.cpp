// ricorne-mailtool send against the real servers: what it prints, what it leaves in the sent
// history, and its exit status.
#include "ComposeTestSupport.h"
#include "TestServers.h"

#include "compose/Fortune.h"
#include "core/mime/MimeDecoder.h"

#include <QFile>
#include <QProcess>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

struct ToolRun {
    int exitCode = -1;
    QStringList lines;
    QString errors;
};

ToolRun RunTool(const QStringList& args) {
    QProcess tool;
    tool.start(QStringLiteral(RICORNE_MAILTOOL), QStringList{u"send"_s} + args);
    EXPECT_TRUE(tool.waitForFinished(120000));
    ToolRun run;
    run.exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    run.lines = QString::fromUtf8(tool.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    run.errors = QString::fromUtf8(tool.readAllStandardError());
    return run;
}

class SendCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureCoreApplication();
        RICORNE_REQUIRE_TEST_SERVERS();
        ASSERT_TRUE(ClearMaildir(u"bob"_s));
        ASSERT_TRUE(InstallCaCertificate(app_.DataDir()));
        ASSERT_TRUE(SaveCredentials(u"alice"_s, u"secret1"_s, true));
        UseServer(kSmtpPort);
        bodyFile_ = app_.Path() + u"/body.txt"_s;
        QFile body(bodyFile_);
        ASSERT_TRUE(body.open(QIODevice::WriteOnly));
        body.write(u"こんにちは。\n道具から送ります。\n"_s.toUtf8());
    }

    // klmail.ini as the settings dialog writes it; the tool reads it at its start.
    static void UseServer(int port) {
        AccountRecord account;
        account.SmtpServer = u"127.0.0.1:%1"_s.arg(port);
        account.Pop3Server = u"127.0.0.1:%1"_s.arg(kPop3Port);
        account.FromAddress = u"alice@localhost"_s;
        ASSERT_TRUE(SaveServerSettings(account));
    }

    TempAppDir app_;
    QString bodyFile_;
};

TEST_F(SendCommandTest, SendsWithFortuneAndAttachmentAndLeavesTheSentCopy) {
    UseServer(kSubmissionPort);
    const QString attachment = app_.Path() + u"/添付.txt"_s;
    QFile file(attachment);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("attached\n");
    file.close();
    const ToolRun run =
        RunTool({u"--appdir"_s, app_.Path(), u"--to"_s, u"bob@localhost"_s, u"--subject"_s, u"道具の件名"_s,
                 u"--body-file"_s, bodyFile_, u"--attach"_s, attachment, u"--fortune"_s});
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.errors);
    EXPECT_EQ(run.lines, QStringList({u"メールを送信中です。しばらくお待ち下さい。"_s, u"送信完了です。"_s}));

    ASSERT_TRUE(WaitForMails(u"bob"_s, 1));
    const DecodedMail mail = DecodeMail(ReadMails(u"bob"_s).front());
    EXPECT_EQ(mail.subject, u"道具の件名"_s);
    EXPECT_TRUE(mail.body.startsWith(u"こんにちは。\r\n道具から送ります。\r\n\r\n\r\n"_s + FortuneHeader()))
        << qPrintable(mail.body);
    EXPECT_EQ(mail.attachmentNames, QStringList({u"添付.txt"_s}));

    SetAppDir(app_.Path());
    const auto sent = SentMails();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(Trim(sent[0].body), u"こんにちは。\r\n道具から送ります。\r\n"_s);
    EXPECT_EQ(Trim(sent[0].address), u"bob@localhost"_s);
}

TEST_F(SendCommandTest, BatchPrintsEachFailureAndGoesOn) {
    AddAddress(u"ボブ"_s, u"bob@a.example"_s);
    AddAddress(u"誰も"_s, u"nobody@localhost"_s);
    AddAddress(u"ボブ"_s, u"bob@c.example"_s);
    const ToolRun run = RunTool(
        {u"--appdir"_s, app_.Path(), u"--subject"_s, u"一括"_s, u"--body-file"_s, bodyFile_, u"--batch"_s});
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.errors);
    ASSERT_EQ(run.lines.size(), 3) << qPrintable(run.lines.join(u'\n'));
    EXPECT_EQ(run.lines[0], u"メールを送信中です。しばらくお待ち下さい。"_s);
    EXPECT_TRUE(run.lines[1].contains(u"nobody@localhost"_s)) << qPrintable(run.lines[1]);
    EXPECT_EQ(run.lines[2], u"送信完了です。"_s);
    EXPECT_TRUE(WaitForMails(u"bob"_s, 2));
    SetAppDir(app_.Path());
    EXPECT_EQ(SentMails().size(), 3u);
}

TEST_F(SendCommandTest, ToolFailuresAreExitStatuses) {
    EXPECT_EQ(RunTool({u"--to"_s, u"bob@localhost"_s}).exitCode, 2);
    EXPECT_EQ(RunTool({u"--appdir"_s, app_.Path(), u"--to"_s, u"x"_s, u"--subject"_s, u"s"_s}).exitCode, 2);
    EXPECT_EQ(RunTool({u"--appdir"_s, app_.Path() + u"/missing"_s, u"--to"_s, u"x"_s, u"--subject"_s, u"s"_s,
                       u"--body-file"_s, bodyFile_})
                  .exitCode,
              1);
    EXPECT_EQ(RunTool({u"--appdir"_s, app_.Path(), u"--to"_s, u"x"_s, u"--subject"_s, u"s"_s,
                       u"--body-file"_s, app_.Path() + u"/none.txt"_s})
                  .exitCode,
              1);
    // A refused mail is what a window would show in a box: printed, not an exit status.
    const ToolRun refused = RunTool({u"--appdir"_s, app_.Path(), u"--to"_s, u"nobody@localhost"_s,
                                     u"--subject"_s, u"s"_s, u"--body-file"_s, bodyFile_});
    EXPECT_EQ(refused.exitCode, 0);
    EXPECT_EQ(refused.lines.size(), 3);
}

} // namespace
