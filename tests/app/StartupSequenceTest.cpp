#include "app/StartupSequence.h"
#include "TempAppDir.h"
#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace ricorne {
namespace {

using Log = std::vector<std::string>;

class StartupSequenceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(app_.IsValid()); }

    void WriteSettings(const QByteArray& bytes) {
        QFile f(app_.FilePath(QStringLiteral("klmail.ini")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // A start-up whose main-window steps and later places only record what they saw.
    StartupSequence Recorded(Log& log) {
        MainWindowSteps main;
        main.hideHelpBox = [&log] { log.push_back("hide help"); };
        main.showMainWindow = [&log] { log.push_back("show main"); };
        StartupSequence s = MakeStartupSequence(main);
        s.Fill(startup::kLoadComposeHidden, [&log] {
            log.push_back("compose; settings read: " +
                          std::string(AccountSettings().SmtpServer.isEmpty() ? "no" : "yes"));
        });
        s.Fill(startup::kOpenServerSettings, [&log] {
            log.push_back("server settings; smtp=" + AccountSettings().SmtpServer.toStdString());
        });
        return s;
    }

    ricorne::testing::TempAppDir app_{ricorne::testing::TempAppDir::Layout::Empty};
};

TEST_F(StartupSequenceTest, StepsRunInTheirOrder) {
    Log log;
    StartupSequence s = Recorded(log);
    EXPECT_EQ(s.Names(),
              (std::vector<std::string>{startup::kEnsureInstalledFolders, startup::kSlotInitialState,
                                        startup::kHideHelpBox, startup::kLoadComposeHidden,
                                        startup::kLoadServerSettings, startup::kPrepareMailLibrary,
                                        startup::kOpenServerSettingsWhenUnset, startup::kShowMainWindow}));
    Log names;
    s.Run([&names](const std::string& name) { names.push_back(name); });
    EXPECT_EQ(names, s.Names());
}

TEST_F(StartupSequenceTest, EmptyPop3ServerOpensServerSettingsAfterReadingThem) {
    // The last POP3= line wins, and it is empty.
    WriteSettings("SMTP=smtp.example.jp\r\nPOP3=pop.example.jp\r\nMAIL=a@example.jp\r\nAPOP=0\r\nPOP3=\r\n");
    Log log;
    Recorded(log).Run();
    EXPECT_EQ(log, (Log{"hide help", "compose; settings read: no", "server settings; smtp=smtp.example.jp",
                        "show main"}));
    EXPECT_TRUE(AccountSettings().Pop3Server.isEmpty());
}

TEST_F(StartupSequenceTest, MissingSettingsFileAlsoOpensServerSettings) {
    Log log;
    Recorded(log).Run();
    EXPECT_EQ(log, (Log{"hide help", "compose; settings read: no", "server settings; smtp=", "show main"}));
}

TEST_F(StartupSequenceTest, SetPop3ServerSkipsServerSettings) {
    WriteSettings("SMTP=smtp.example.jp\r\nPOP3=pop.example.jp\r\nMAIL=a@example.jp\r\nAPOP=1\r\n");
    Log log;
    Recorded(log).Run();
    EXPECT_EQ(log, (Log{"hide help", "compose; settings read: no", "show main"}));
    EXPECT_EQ(AccountSettings().Pop3Server, QStringLiteral("pop.example.jp"));
    EXPECT_EQ(AccountSettings().UseApop, 1);
}

TEST_F(StartupSequenceTest, CreatesMissingInstalledFolders) {
    Log log;
    Recorded(log).Run();
    for (const QString& name : {MailDataDir(), AttachDir(), FaceMarkDir(), QuickSaveDir()})
        EXPECT_TRUE(QDir(app_.FilePath(name)).exists()) << name.toStdString();
}

TEST_F(StartupSequenceTest, RegisteredStepFillsItsPlaceWithoutMovingIt) {
    Log log;
    RegisterStartupStep(startup::kSlotInitialState, [&log] { log.push_back("slot"); });
    StartupSequence s = Recorded(log);
    RegisterStartupStep(startup::kSlotInitialState, {}); // leave no dangling reference behind
    EXPECT_TRUE(s.IsFilled(startup::kSlotInitialState));
    s.Run();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], "slot");
    EXPECT_EQ(log[1], "hide help");
}

} // namespace
} // namespace ricorne

namespace ricorne {
namespace {

// A window that leaves a mark when its closing steps run.
class SavesOnClose : public QWidget {
public:
    explicit SavesOnClose(QString mark) : mark_(std::move(mark)) {}

protected:
    void closeEvent(QCloseEvent* event) override {
        QFile f(mark_);
        if (f.open(QIODevice::WriteOnly))
            f.write("saved");
        event->accept();
    }

private:
    QString mark_;
};

TEST(ShutDownTest, ReleasesTheMailLibraryThenEndsAtOnceWithoutOtherWindowsClosingSteps) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The dying child runs in a process of its own: the marks need a path both can name.
    const QString marks = QStringLiteral(RICORNE_APPDIR "/../app-shutdown-test");
    QDir(marks).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(marks));
    const QString saved = marks + QStringLiteral("/saved");
    const QString released = marks + QStringLiteral("/released");
    EXPECT_EXIT(
        {
            RegisterMailLibraryRelease([released] { QFile(released).open(QIODevice::WriteOnly); });
            auto* palette = new SavesOnClose(saved);
            palette->show();
            QTimer::singleShot(0, [] { std::_Exit(3); }); // would mean the shut-down returned to the loop
            ShutDown();
            std::_Exit(4);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_TRUE(QFile::exists(released));
    EXPECT_FALSE(QFile::exists(saved));
}

} // namespace
} // namespace ricorne
