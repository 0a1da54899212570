// "ricorne-mailtool list", run as a program the way scripts use it, on stores written here.
#include "../tools/ToolRunner.h"
#include "TempAppDir.h"
#include "core/paths/Paths.h"
#include "core/stores/RecordStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace ricorne {
namespace {

using ricorne::testing::RunTool;
using ricorne::testing::ToolRun;

class ListToolTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(app_.IsValid()); }

    ToolRun List(const QString& which) { return RunTool({u"list"_s, u"--appdir"_s, app_.Path(), which}); }

    ricorne::testing::TempAppDir app_;
};

TEST_F(ListToolTest, MailStoreListsEveryRecordInOrderTrimmedAndDecoded) {
    MailRecord r;
    SetField(r.Subject, u"  件名　一 "_s);
    SetField(r.DateText, u"Mon, 1 Apr 2024 09:00:00 +0900"_s);
    SetField(r.Address, u"鈴木 \"一郎\" <s@example.jp>"_s);
    SetField(r.Body, u"本文\r\n\t二行目\\  "_s);
    ASSERT_TRUE(AppendRecord(ReceivedStore(), r));
    SetField(r.Subject, u"二通目"_s);
    ASSERT_TRUE(AppendRecord(ReceivedStore(), r));
    ASSERT_TRUE(MarkDeleted(ReceivedStore(), 2, r)); // listed all the same

    const ToolRun run = List(u"received"_s);
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    // Keys in the documented order, raw UTF-8 (no \u escapes for Japanese), one array.
    EXPECT_TRUE(run.out.startsWith(u"[\n{\"n\":1,\"live\":1,\"subject\":\"件名　一\",\"date\":"_s.toUtf8()))
        << run.out.left(200).constData();
    EXPECT_TRUE(run.out.endsWith("}\n]\n"));
    QJsonParseError error;
    const QJsonArray rows = QJsonDocument::fromJson(run.out, &error).array();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    ASSERT_EQ(rows.size(), 2);
    const QJsonObject first = rows[0].toObject();
    EXPECT_EQ(first.keys().size(), 6);
    EXPECT_EQ(first[u"date"_s].toString(), u"Mon, 1 Apr 2024 09:00:00 +0900"_s);
    EXPECT_EQ(first[u"address"_s].toString(), u"鈴木 \"一郎\" <s@example.jp>"_s);
    EXPECT_EQ(first[u"body"_s].toString(), u"本文\r\n\t二行目\\"_s);
    EXPECT_EQ(rows[1].toObject()[u"n"_s].toInt(), 2);
    EXPECT_EQ(rows[1].toObject()[u"live"_s].toInt(), 0);
    EXPECT_EQ(rows[1].toObject()[u"subject"_s].toString(), u"二通目"_s);
}

TEST_F(ListToolTest, AddressStoreAndMissingStores) {
    AddressRecord a;
    SetField(a.Name, u"山田 花子"_s);
    SetField(a.MailAddress, u"hanako@example.ne.jp"_s);
    ASSERT_TRUE(AppendRecord(AddressStore(), a));
    const ToolRun run = List(u"addresses"_s);
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(
        run.out,
        u"[\n{\"n\":1,\"live\":1,\"name\":\"山田 花子\",\"mail_address\":\"hanako@example.ne.jp\"}\n]\n"_s
            .toUtf8());

    const ToolRun sent = List(u"sent"_s);
    EXPECT_EQ(sent.exitCode, 0);
    EXPECT_EQ(sent.out, QByteArray("[]\n"));
    EXPECT_FALSE(QFile::exists(StorePath(SentStore()))); // listing creates nothing
}

TEST_F(ListToolTest, BadArgumentsAndUnusableFolders) {
    EXPECT_EQ(RunTool({u"list"_s, u"--appdir"_s, app_.Path()}).exitCode, 2);
    EXPECT_EQ(RunTool({u"list"_s, u"--appdir"_s, app_.Path(), u"drafts"_s}).exitCode, 2);
    EXPECT_EQ(RunTool({u"list"_s, u"received"_s}).exitCode, 2);
    const ToolRun missing = RunTool({u"list"_s, u"--appdir"_s, app_.FilePath(u"nowhere"_s), u"received"_s});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.isEmpty());
}

} // namespace
} // namespace ricorne
