#include "shell/Pause.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <thread>

namespace ricorne {

void Pause(int ms) {
    // On a millisecond clock the wait goes on while (now - start) <= ms: it ends at ms + 1.
    const qint64 limitNs = (qint64(ms < 0 ? 0 : ms) + 1) * 1000000;
    QElapsedTimer clock;
    clock.start();
    if (!QCoreApplication::instance()) {
        std::this_thread::sleep_for(std::chrono::nanoseconds(limitNs));
        return;
    }
    // A loop may end early (QCoreApplication::exit, a stray quit); wait again for the rest.
    while (clock.nsecsElapsed() < limitNs) {
        const qint64 restMs = (limitNs - clock.nsecsElapsed() + 999999) / 1000000;
        QEventLoop loop;
        QTimer::singleShot(std::chrono::milliseconds(restMs), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        if (loop.exec() == -1) {
            // The application is ending and refuses new loops: finish the wait without events.
            std::this_thread::sleep_for(std::chrono::milliseconds(restMs));
        }
    }
}

} // namespace ricorne
