// "ricorne-mailtool decode": one JSON line with a fixed key order, the fields the mail check
// would store, and the exit status rules scripts rely on.
#include "ToolRunner.h"
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

using ricorne::testing::RunTool;
using ricorne::testing::ToolRun;
const QString kCorpus = QStringLiteral(RICORNE_SOURCE_DIR "/tests/core/mime/corpus");

QJsonObject Expected(const QString& mail) {
    QFile f(kCorpus + QLatin1Char('/') +
            QString(mail).replace(QLatin1String(".eml"), QLatin1String(".json")));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QJsonDocument::fromJson(f.readAll()).object();
}

TEST(DecodeTool, PrintsTheCorpusFieldsAsOneOrderedJsonLine) {
    const QStringList mails = QDir(kCorpus).entryList(QStringList{QStringLiteral("*.eml")}, QDir::Files);
    ASSERT_FALSE(mails.isEmpty());
    const QRegularExpression shape(QStringLiteral("^\\{\"subject\":\".*\",\"from\":\".*\",\"date\":\".*\","
                                                  "\"body\":\".*\",\"attachments\":\\[.*\\]\\}\n$"),
                                   QRegularExpression::DotMatchesEverythingOption);
    for (const QString& mail : mails) {
        SCOPED_TRACE(mail.toStdString());
        const ToolRun r = RunTool({QStringLiteral("decode"), kCorpus + QLatin1Char('/') + mail});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out.count('\n'), 1);
        EXPECT_TRUE(shape.match(QString::fromUtf8(r.out)).hasMatch()) << r.out.toStdString();
        EXPECT_EQ(QJsonDocument::fromJson(r.out).object(), Expected(mail));
    }
}

TEST(DecodeTool, WritesAttachmentsAndListsThemAsSaved) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString mail = kCorpus + QStringLiteral("/attached-message.eml");
    for (const QString& want : {QStringLiteral("元のメール.eml"), QStringLiteral("元のメール (1).eml")}) {
        const ToolRun r =
            RunTool({QStringLiteral("decode"), mail, QStringLiteral("--attachments"), dir.path()});
        ASSERT_EQ(r.exitCode, 0);
        EXPECT_EQ(QJsonDocument::fromJson(r.out).object().value(QStringLiteral("attachments")).toArray(),
                  QJsonArray{want});
        EXPECT_TRUE(QFile::exists(dir.filePath(want)));
    }
    // A split mail still waiting for parts is no failure of the tool.
    const ToolRun part = RunTool({QStringLiteral("decode"), kCorpus + QStringLiteral("/partial-1.eml"),
                                  QStringLiteral("--attachments"), dir.path()});
    EXPECT_EQ(part.exitCode, 0);
    EXPECT_TRUE(part.err.contains("-6"));
}

TEST(DecodeTool, ExitStatusTellsToolFailuresApart) {
    EXPECT_EQ(RunTool({}).exitCode, 2);
    EXPECT_EQ(RunTool({QStringLiteral("no-such-command")}).exitCode, 2);
    EXPECT_EQ(RunTool({QStringLiteral("decode")}).exitCode, 2);
    EXPECT_EQ(RunTool({QStringLiteral("decode"), QStringLiteral("a"), QStringLiteral("b")}).exitCode, 2);
    EXPECT_EQ(RunTool({QStringLiteral("decode"), kCorpus + QStringLiteral("/euc-jp.eml"),
                       QStringLiteral("--attachments")})
                  .exitCode,
              2);
    const ToolRun missing =
        RunTool({QStringLiteral("decode"), kCorpus + QStringLiteral("/does-not-exist.eml")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.isEmpty());
    EXPECT_EQ(RunTool({QStringLiteral("--help")}).exitCode, 0);
}

} // namespace
