#pragma once
// A process a test kills at a random moment can be caught inside the leak check the sanitizer
// build runs as it exits; the checker then writes "Unable to get registers from thread N" into
// the report log, which fails the run although nothing is wrong. Such a run cannot be
// leak-checked anyway, so the processes a campaign kills run without it; the same commands are
// leak-checked by the tests that let them end.
#include <QProcess>
#include <QProcessEnvironment>

inline void RunWithoutLeakCheck(QProcess& process) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    if (!asan.isEmpty())
        env.insert(QStringLiteral("ASAN_OPTIONS"), asan + QStringLiteral(":detect_leaks=0"));
    process.setProcessEnvironment(env);
}
