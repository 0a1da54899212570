// ricorne-mailtool send against the real servers: what it prints, what it leaves in the sent
// history, and its exit status.
#include "ComposeTestSupport.h"
#include "TestServers.h"

#include "compose/Fortune.h"
#include "core/mime/MimeDecoder.h"
#include "core/settings/SendCheckSettings.h"

#include <QDir>
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
    const ToolRun run = RunTool({u"--appdir"_s, app_.Path(), u"--to"_s, u"bob@localhost"_s, u"--subject"_s,
                                 u"道具の件名 Å 😀"_s, u"--body-file"_s, bodyFile_, u"--attach"_s, attachment,
                                 u"--fortune"_s});
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.errors);
    EXPECT_EQ(run.lines, QStringList({u"メールを送信中です。しばらくお待ち下さい。"_s, u"送信完了です。"_s}));
    // Warned of what the copy cannot keep (the emoji), not of what CP932 holds (Å).
    EXPECT_TRUE(run.errors.contains(u"warning"_s) && run.errors.contains(u"😀"_s)) << qPrintable(run.errors);
    EXPECT_FALSE(run.errors.contains(u"Å"_s)) << qPrintable(run.errors);

    ASSERT_TRUE(WaitForMails(u"bob"_s, 1));
    const DecodedMail mail = DecodeMail(ReadMails(u"bob"_s).front());
    EXPECT_EQ(mail.subject, u"道具の件名 Å 😀"_s);
    EXPECT_TRUE(mail.body.startsWith(u"こんにちは。\r\n道具から送ります。\r\n\r\n\r\n"_s + FortuneHeader()))
        << qPrintable(mail.body);
    EXPECT_EQ(mail.attachmentNames, QStringList({u"添付.txt"_s}));

    SetAppDir(app_.Path());
    const auto sent = SentMails();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(Trim(sent[0].body), u"こんにちは。\r\n道具から送ります。\r\n"_s);
    EXPECT_EQ(Trim(sent[0].address), u"bob@localhost"_s);
    EXPECT_EQ(Trim(sent[0].subject), u"道具の件名 \u212B ?"_s); // Å as CP932's 0x81F0
}

TEST_F(SendCommandTest, BatchPrintsEachFailureAndGoesOn) {
    AddAddress(u"ボブ"_s, u"bob@a.example"_s);
    AddAddress(u"誰も"_s, u"nobody@localhost"_s);
    AddAddress(u"ボブ"_s, u"bob@c.example"_s);
    const ToolRun run = RunTool(
        {u"--appdir"_s, app_.Path(), u"--subject"_s, u"一括"_s, u"--body-file"_s, bodyFile_, u"--batch"_s});
    EXPECT_EQ(run.exitCode, 1) << qPrintable(run.errors);
    // Each pass is announced as it starts; the refusal comes between the second and the third.
    ASSERT_EQ(run.lines.size(), 6) << qPrintable(run.lines.join(u'\n'));
    const QString sending = u"メールを送信中です。しばらくお待ち下さい。"_s;
    EXPECT_EQ(run.lines[0], sending);
    EXPECT_EQ(run.lines[1], sending + u"（1/3）"_s);
    EXPECT_EQ(run.lines[2], sending + u"（2/3）"_s);
    EXPECT_TRUE(run.lines[3].contains(u"nobody@localhost"_s)) << qPrintable(run.lines[3]);
    EXPECT_EQ(run.lines[4], sending + u"（3/3）"_s);
    EXPECT_EQ(run.lines[5], u"送信できなかったメールがあります。"_s);
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
    // A refused recipient is printed as the window's box would show it, and scripts can tell.
    const ToolRun refused = RunTool({u"--appdir"_s, app_.Path(), u"--to"_s, u"nobody@localhost"_s,
                                     u"--subject"_s, u"s"_s, u"--body-file"_s, bodyFile_});
    EXPECT_EQ(refused.exitCode, 1);
    ASSERT_EQ(refused.lines.size(), 3);
    EXPECT_TRUE(refused.lines[1].contains(u"nobody@localhost"_s)) << qPrintable(refused.lines[1]);
    EXPECT_NE(refused.lines[2], u"送信完了です。"_s);

    // With the check before sending on, a tool that cannot ask lets nothing go, and says so.
    SetAppDir(app_.Path());
    ASSERT_TRUE(SaveSendCheckOptions({true, 0}));
    const ToolRun held = RunTool({u"--appdir"_s, app_.Path(), u"--to"_s, u"bob@localhost"_s, u"--subject"_s,
                                  u"s"_s, u"--body-file"_s, bodyFile_});
    EXPECT_EQ(held.exitCode, 1);
    EXPECT_EQ(held.lines, QStringList({u"送信を取りやめました。"_s}));
}

// --attach once per file; an argument naming an existing file is that file, comma and all.
TEST_F(SendCommandTest, AttachOncePerFileKeepsCommasInNames) {
    QByteArray binary;
    for (int i = 0; i < 5000; ++i)
        binary.append(char(i * 13 % 256));
    const QString withComma = app_.Path() + u"/見積書,第2版.pdf"_s;
    const QString plain = app_.Path() + u"/メモ.txt"_s;
    QFile f1(withComma), f2(plain);
    ASSERT_TRUE(f1.open(QIODevice::WriteOnly) && f1.write(binary) == binary.size());
    ASSERT_TRUE(f2.open(QIODevice::WriteOnly) && f2.write("memo\r\n") == 6);
    f1.close();
    f2.close();
    const ToolRun run =
        RunTool({u"--appdir"_s, app_.Path(), u"--to"_s, u"bob@localhost"_s, u"--subject"_s, u"添付二つ"_s,
                 u"--body-file"_s, bodyFile_, u"--attach"_s, withComma, u"--attach"_s, plain});
    EXPECT_EQ(run.exitCode, 0) << qPrintable(run.errors + run.lines.join(u'\n'));
    ASSERT_TRUE(WaitForMails(u"bob"_s, 1));
    const QByteArray raw = ReadMails(u"bob"_s).front();
    EXPECT_EQ(DecodeMail(raw).attachmentNames, QStringList({u"見積書,第2版.pdf"_s, u"メモ.txt"_s}));
    const QString out = app_.Path() + u"/out"_s;
    ASSERT_TRUE(QDir().mkpath(out));
    const ExtractResult extracted = ExtractAttachments(raw, out);
    ASSERT_EQ(extracted.savedNames.size(), 2);
    QFile back(out + u"/"_s + extracted.savedNames.first());
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll(), binary);
}

} // namespace
