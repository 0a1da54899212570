// ricorne-mailtool account: --suggest prints what the shipped provider table says, --test
// checks a program folder's saved account against the real servers and fails on any step.
#include "TempAppDir.h"
#include "TestServers.h"
#include "ToolRunner.h"
#include "core/settings/AccountSettings.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

TEST(AccountTool, SuggestPrintsTheTablesSettingsAsJsonAndFailsForUnknownDomains) {
    ToolRun run = RunTool({u"account"_s, u"--suggest"_s, u"山田 <taro@gmail.com>"_s});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(o.value(u"domain"_s).toString(), u"gmail.com"_s);
    EXPECT_EQ(o.value(u"pop3"_s).toString(), u"pop3s://pop.gmail.com"_s);
    EXPECT_EQ(o.value(u"smtp"_s).toString(), u"smtps://smtp.gmail.com"_s);
    EXPECT_EQ(o.value(u"signIn"_s).toString(), u"app-password"_s);
    EXPECT_FALSE(o.value(u"source"_s).toString().isEmpty());

    run = RunTool({u"account"_s, u"--suggest"_s, u"taro@unknown.example.jp"_s});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(RunTool({u"account"_s, u"--test"_s}).exitCode, 2);
}

TEST(AccountTool, TestChecksTheSavedAccountAndExitsNonZeroOnFailure) {
    RICORNE_REQUIRE_TEST_SERVERS();
    TempAppDir app;
    ASSERT_TRUE(app.IsValid());
    ASSERT_TRUE(InstallCaCertificate(app.DataDir()));
    AccountSettings().Pop3Server = u"pop3s://localhost:%1"_s.arg(kPop3sPort);
    AccountSettings().SmtpServer = u"localhost:%1"_s.arg(kSubmissionPort);
    AccountSettings().FromAddress = u"alice@localhost"_s;
    ASSERT_TRUE(SaveServerSettings());
    ASSERT_TRUE(SaveCredentials(u"alice"_s, u"secret1"_s, true));
    const QStringList args{u"account"_s, u"--test"_s, u"--appdir"_s, app.Path()};

    ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(run.out).count(u"接続・暗号化・ログイン・ログアウトを確認しました"_s), 2);

    ASSERT_TRUE(SaveCredentials(u"alice"_s, u"wrong"_s, true));
    run = RunTool(args);
    EXPECT_EQ(run.exitCode, 1);
    const QString out = QString::fromUtf8(run.out);
    EXPECT_TRUE(
        out.contains(u"受信 (POP3) pop3s://localhost:%1: 「ログイン」で失敗しました"_s.arg(kPop3sPort)))
        << out.toStdString();
    EXPECT_TRUE(out.contains(u"ID かパスワードが違います"_s));
}

} // namespace
