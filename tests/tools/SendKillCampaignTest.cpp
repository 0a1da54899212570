// ricorne-mailtool send --batch killed (SIGKILL) at random moments while it sends through the
// real submission server. The sent history is written before each pass goes out, so after any
// kill it explains what happened: every delivered mail has its record, at most the one pass the
// kill cut short has a record without a delivery, and no record exists for a pass never begun.
#include "CampaignLength.h"
#include "ComposeTestSupport.h"
#include "KilledChild.h"
#include "TestServers.h"

#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

constexpr int kPasses = 4; // address book entries, all bob

class SendKillCampaignTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureCoreApplication();
        RICORNE_REQUIRE_TEST_SERVERS();
        ASSERT_TRUE(app_.IsValid());
        ASSERT_TRUE(ClearMaildir(u"bob"_s));
        ASSERT_TRUE(InstallCaCertificate(app_.DataDir()));
        ASSERT_TRUE(SaveCredentials(u"alice"_s, u"secret1"_s, true));
        AccountRecord account;
        account.SmtpServer = u"127.0.0.1:%1"_s.arg(kSubmissionPort);
        account.FromAddress = u"alice@localhost"_s;
        ASSERT_TRUE(SaveServerSettings(account));
        for (int i = 0; i < kPasses; ++i)
            AddAddress(u"ボブ%1"_s.arg(i + 1), u"bob@localhost"_s);
    }
    void TearDown() override { ClearMaildir(u"bob"_s); }

    // One batch whose body carries the run's marker; killed after delayUs unless it ended.
    // True when killed.
    bool RunBatch(int run, qint64 delayUs) {
        const QString bodyFile = app_.FilePath(u"body%1.txt"_s.arg(run));
        QFile body(bodyFile);
        if (!body.open(QIODevice::WriteOnly))
            return false;
        body.write(u"一括送信の試験です。\nRUN-%1-END\n"_s.arg(run).toUtf8());
        body.close();
        QProcess tool;
        RunWithoutLeakCheck(tool);
        tool.start(QStringLiteral(RICORNE_MAILTOOL),
                   {u"send"_s, u"--appdir"_s, app_.Path(), u"--subject"_s, u"一括の件名"_s, u"--body-file"_s,
                    bodyFile, u"--batch"_s});
        if (!tool.waitForStarted(10000))
            return false;
        if (delayUs >= 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
            ::kill(pid_t(tool.processId()), SIGKILL);
        }
        tool.waitForFinished(120000);
        return tool.exitStatus() == QProcess::CrashExit;
    }

    TempAppDir app_;
};

int RunOf(const QByteArray& text) {
    const qsizetype at = text.indexOf("RUN-");
    if (at < 0)
        return -1;
    return text.mid(at + 4, text.indexOf("-END", at) - at - 4).toInt();
}

TEST_F(SendKillCampaignTest, TheSentHistoryExplainsEveryKilledBatch) {
    QElapsedTimer timer;
    timer.start();
    ASSERT_FALSE(RunBatch(0, -1));
    const qint64 wholeUs = timer.nsecsElapsed() / 1000;

    const quint32 seed = QRandomGenerator::global()->generate();
    SCOPED_TRACE("random seed " + std::to_string(seed));
    QRandomGenerator random(seed);
    const int runs = CampaignTrials(10, 200);
    QList<bool> killed(runs + 1, false);
    for (int run = 1; run <= runs; ++run)
        killed[run] = RunBatch(run, qint64(random.bounded(quint32(wholeUs * 11 / 10))));

    // The sent history, as the next program reads it: whole records only, each of some run.
    SetAppDir(app_.Path());
    const qint64 storeSize = QFile(StorePath(SentStore())).size();
    EXPECT_EQ(storeSize % qint64(sizeof(MailRecord)), 0) << "a torn record";
    QMap<int, int> records;
    for (const StoredMail& m : SentMails())
        ++records[RunOf(m.body.toUtf8())];
    int recordTotal = 0;
    for (int n : std::as_const(records))
        recordTotal += n;

    // Deliveries trail the server's reply by a few milliseconds.
    int killedRuns = 0;
    for (int run = 1; run <= runs; ++run)
        killedRuns += killed[run];
    WaitForMails(u"bob"_s, recordTotal - killedRuns, 30000);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    QMap<int, int> delivered;
    for (const QByteArray& mail : ReadMails(u"bob"_s))
        ++delivered[RunOf(mail)];

    EXPECT_FALSE(records.contains(-1));
    EXPECT_FALSE(delivered.contains(-1));
    int cutShort = 0;
    for (int run = 0; run <= runs; ++run) {
        const int r = records.value(run), d = delivered.value(run);
        SCOPED_TRACE("run " + std::to_string(run));
        EXPECT_LE(r, kPasses);
        if (run == 0 || !killed[run]) {
            EXPECT_EQ(r, kPasses);
            EXPECT_EQ(d, kPasses);
        } else {
            // Every delivery has its record; only the pass the kill hit may lack its delivery.
            EXPECT_LE(d, r);
            EXPECT_LE(r - d, 1);
            cutShort += r - d;
        }
    }
    std::printf("send campaign: %d batches, %d killed, %d records, %d passes cut between record and "
                "delivery (whole batch %lld us)\n",
                runs, killedRuns, recordTotal, cutShort, static_cast<long long>(wholeUs));
}

} // namespace
