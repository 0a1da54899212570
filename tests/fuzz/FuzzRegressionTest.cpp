// Replays every input a fuzzer once stopped on (crash, hang or memory blow-up), through the same
// entry point, so the fix stays.
#include "FuzzTargets.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

namespace ricorne::fuzz {
namespace {

class FuzzRegressionTest : public ::testing::TestWithParam<QString> {
protected:
    static void SetUpTestSuite() { fuzz::Setup(); }
};

// The inputs a fuzzer stopped on, and the hand-written seeds (sessions and files as they should
// be), which also keep the entry points from rotting between fuzzing runs.
TEST_P(FuzzRegressionTest, EveryStoredInputRunsQuickly) {
    const Target* target = FindTarget(GetParam());
    ASSERT_NE(target, nullptr);
    for (const char* kind : {"/tests/fuzz/regressions/", "/tests/fuzz/seeds/"}) {
        const QDir folder(QStringLiteral(RICORNE_SOURCE_DIR) + QString::fromLatin1(kind) + GetParam());
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
            SCOPED_TRACE(folder.filePath(name).toStdString());
            QFile file(folder.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            QElapsedTimer timer;
            timer.start();
            target->run(file.readAll());
            // The fuzzer's hang limit is 1 s; leave room for a loaded or sanitized machine.
            EXPECT_LT(timer.elapsed(), 10000);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegressionTest,
                         ::testing::Values(QStringLiteral("mime"), QStringLiteral("headers"),
                                           QStringLiteral("charsets"), QStringLiteral("settings"),
                                           QStringLiteral("records"), QStringLiteral("pop3"),
                                           QStringLiteral("smtp"), QStringLiteral("addressbook"),
                                           QStringLiteral("palette"), QStringLiteral("quicksave"),
                                           QStringLiteral("editorfile"), QStringLiteral("providers"),
                                           QStringLiteral("oauth"), QStringLiteral("headerindex")),
                         [](const auto& info) { return info.param.toStdString(); });

TEST(FuzzTargets, EveryTargetHasItsRegressionFolder) {
    // A target without its folder would silently replay nothing.
    for (const Target& target : Targets())
        EXPECT_TRUE(
            QDir(QStringLiteral(RICORNE_SOURCE_DIR "/tests/fuzz/regressions/") + target.name).exists())
            << target.name.toStdString();
}

} // namespace
} // namespace ricorne::fuzz
