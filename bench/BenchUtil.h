// Small pieces every benchmark program uses: timing, medians, shell commands, peak memory.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sys/resource.h>
#include <vector>

namespace ricorne::bench {

inline double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// A path quoted for /bin/sh.
inline QByteArray Quoted(const QString& path) {
    QByteArray bytes = QFile::encodeName(path);
    bytes.replace("'", "'\\''");
    return "'" + bytes + "'";
}

// Runs a shell command; a failing command ends the benchmark.
inline void Shell(const QByteArray& command) {
    if (std::system(command.constData()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.constData());
        std::exit(1);
    }
}

// Peak resident memory of this process so far, in MB.
inline double PeakMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

} // namespace ricorne::bench
