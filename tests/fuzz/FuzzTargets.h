// Entry points that feed one arbitrary input through a reader of the program. Shared by the
// libFuzzer executables (built with RICORNE_FUZZ) and by FuzzRegressionTest, which replays
// every input a fuzzer once tripped over so a fixed fault stays fixed.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace ricorne::fuzz {

struct Target {
    QString name; // also the folder of its regression inputs
    void (*run)(const QByteArray& input);
};

// Once per process, before any target runs: a QCoreApplication, a private AppDir.
void Setup();

const QList<Target>& Targets();
const Target* FindTarget(const QString& name);

} // namespace ricorne::fuzz
