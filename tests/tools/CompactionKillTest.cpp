// ricorne-mailtool delete killed (SIGKILL) at random moments while it marks a record and
// compacts the store: whatever moment the kill hits, the next program to open the store finds
// exactly the live records from before the delete or exactly those from after it, and no
// temporary file is left over.
#include "CampaignLength.h"
#include "KilledChild.h"
#include "TempAppDir.h"
#include "ToolRunner.h"
#include "core/stores/RecordField.h"
#include "core/stores/RecordStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <thread>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

using Records = QList<QByteArray>; // the live records' bytes, in order

Records LiveRecords(bool* ok) {
    Records live;
    *ok = ReadRecordsBytes(ReceivedStore(), [&](int, const char* bytes) {
        const auto& store = ReceivedStore();
        if (bytes[store.liveOffset] != 0 || bytes[store.liveOffset + 1] != 0)
            live << QByteArray(bytes, store.recordLength);
        return true;
    });
    return live;
}

class CompactionKillTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(app_.IsValid()); }

    void AppendMails(int count) {
        auto record = std::make_unique<MailRecord>();
        for (int i = 0; i < count; ++i) {
            const int serial = ++appended_;
            *record = MailRecord{};
            SetField(record->Subject, u"整理試験 %1 件目"_s.arg(serial));
            SetField(record->DateText, u"2026/12/07 12:00"_s);
            SetField(record->Address, u"差出人%1@example.jp"_s.arg(serial));
            SetField(record->Body, u"本文①㈱〜 %1\r\n"_s.arg(serial).repeated(1 + serial % 50));
            ASSERT_TRUE(AppendRecord(ReceivedStore(), *record)) << serial;
        }
        ASSERT_TRUE(FlushStore(ReceivedStore()));
    }

    // Runs delete n; killed after delayUs microseconds unless it ended first. True when killed.
    bool RunDelete(int n, qint64 delayUs) {
        QProcess tool;
        RunWithoutLeakCheck(tool);
        tool.start(kMailTool, {u"delete"_s, u"--appdir"_s, app_.Path(), u"received"_s, QString::number(n)});
        if (!tool.waitForStarted(10000))
            return false;
        if (delayUs >= 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
            ::kill(pid_t(tool.processId()), SIGKILL);
        }
        tool.waitForFinished(30000);
        return tool.exitStatus() == QProcess::CrashExit;
    }

    TempAppDir app_;
    int appended_ = 0;
};

TEST_F(CompactionKillTest, TheStoreHoldsTheRecordsFromBeforeOrFromAfterTheDelete) {
    AppendMails(150);
    // How long a whole delete takes, so that the kills spread over all of it.
    QElapsedTimer timer;
    timer.start();
    ASSERT_FALSE(RunDelete(1, -1));
    const qint64 wholeUs = qMax<qint64>(timer.nsecsElapsed() / 1000, 1000);

    const quint32 seed = QRandomGenerator::global()->generate();
    SCOPED_TRACE("random seed " + std::to_string(seed));
    QRandomGenerator random(seed);
    const int trials = CampaignTrials(30, 300);
    int killed = 0, unchanged = 0, deleted = 0;
    for (int trial = 0; trial < trials; ++trial) {
        bool ok = false;
        const Records before = LiveRecords(&ok);
        ASSERT_TRUE(ok);
        if (before.size() < 60) {
            AppendMails(90);
            --trial;
            continue;
        }
        // The record number as the file counts them: marked records are counted too.
        const int count = RecordCount(ReceivedStore());
        const int n = 1 + int(random.bounded(quint32(count)));
        Records after;
        {
            auto record = std::make_unique<MailRecord>();
            ASSERT_TRUE(ReadRecord(ReceivedStore(), n, *record));
            ReadRecords(ReceivedStore(), *record, [&](int k) {
                if (k != n && record->Live != 0)
                    after << QByteArray(reinterpret_cast<const char*>(record.get()), sizeof(MailRecord));
            });
        }
        killed += RunDelete(n, qint64(random.bounded(quint32(wholeUs * 12 / 10))));

        // The next program to open the store.
        const Records now = LiveRecords(&ok);
        ASSERT_TRUE(ok) << "trial " << trial;
        ASSERT_TRUE(now == before || now == after)
            << "trial " << trial << ": " << now.size() << " live records, before " << before.size()
            << ", after " << after.size();
        unchanged += now == before && now != after;
        deleted += now == after && now != before;
        EXPECT_FALSE(QFile::exists(StoreTempPath(ReceivedStore()))) << "trial " << trial;
        EXPECT_TRUE(TakeStoreNotice().isEmpty()) << "trial " << trial;
    }
    EXPECT_GE(killed, trials / 4); // the campaign really killed
    EXPECT_TRUE(QDir(app_.DataDir()).entryList({u"*.old*"_s}, QDir::Files).isEmpty());
    std::printf("compaction campaign: %d trials, %d killed, %d unchanged, %d deleted (whole run %lld us)\n",
                trials, killed, unchanged, deleted, static_cast<long long>(wholeUs));
}

} // namespace
