#include "shell/Pause.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace ricorne {
namespace {

double CpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

TEST(PauseTest, ProcessesEventsAndEndsAfterMoreThanTheTime) {
    int ticks = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();
    bool nestedRan = false;
    QTimer::singleShot(10, [&] { nestedRan = true; });

    QElapsedTimer clock;
    clock.start();
    Pause(100);
    const qint64 elapsedNs = clock.nsecsElapsed();

    EXPECT_GT(elapsedNs, 100LL * 1000000);
    EXPECT_LT(elapsedNs, 400LL * 1000000);
    EXPECT_TRUE(nestedRan);
    EXPECT_GE(ticks, 5);
}

TEST(PauseTest, WaitsWithoutBurningACore) {
    const double before = CpuMilliseconds();
    QElapsedTimer clock;
    clock.start();
    Pause(300);
    EXPECT_GT(clock.elapsed(), 300);
    EXPECT_LT(CpuMilliseconds() - before, 30.0);
}

TEST(PauseTest, NestedPausesEachWaitTheirOwnTime) {
    QElapsedTimer inner;
    qint64 innerMs = -1;
    QTimer::singleShot(10, [&] {
        inner.start();
        Pause(50);
        innerMs = inner.elapsed();
    });
    QElapsedTimer outer;
    outer.start();
    Pause(20);
    // The outer wait cannot end while the handler's own wait runs inside it.
    EXPECT_GE(innerMs, 50);
    EXPECT_GE(outer.elapsed(), 55);
}

} // namespace
} // namespace ricorne
