// The program as main() assembles it: the whole start-up on the real windows (offscreen), the
// connections Wiring.cpp makes between the windows, and the shut-down.
#include "app/Wiring.h"
#include "TempAppDir.h"
#include "addressbook/FriendForm.h"
#include "compose/WriteForm.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/mail/NMail.h"
#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"
#include "history/TyakuForm.h"
#include "mainwindow/MainForm.h"
#include "mainwindow/SlotGame.h"
#include "mainwindow/SlotPanel.h"
#include "settings/OptionForm.h"
#include "settings/SetForm.h"
#include "shell/WindowRegistry.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace ricorne {
namespace {

// Counts the mail library's start-up and release calls.
class CountingMail : public NMail {
public:
    int NMailInitializeWinSock() override {
        ++initialized;
        return NMail::NMailInitializeWinSock();
    }
    int NMailSetOption(int option, int value) override {
        options.push_back({option, value});
        return NMail::NMailSetOption(option, value);
    }
    int NMailEndWinSock() override {
        ++released;
        return NMail::NMailEndWinSock();
    }
    int initialized = 0;
    int released = 0;
    std::vector<std::pair<int, int>> options;
};

class WiringTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app_.IsValid());
        SetSharedMail(&mail_);
        InstallWiring();
        InstallWiring(); // a second install must not connect anything twice
    }
    void TearDown() override {
        Registry().Close<FriendForm>();
        Registry().Close<OptionForm>();
        Registry().Close<SetForm>();
        Registry().Close<WriteForm>();
        Registry().Close<TyakuForm>();
        Registry().Close<MainForm>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SetSharedMail(nullptr);
    }

    void WriteSettings(const QByteArray& bytes) {
        QFile f(app_.FilePath(QStringLiteral("klmail.ini")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // Empty: start-up makes the folders.
    ricorne::testing::TempAppDir app_{ricorne::testing::TempAppDir::Layout::Empty};
    CountingMail mail_;
    ScriptedDialogService dialogs_;
    ScopedDialogService scoped_{dialogs_};
};

TEST_F(WiringTest, StartupLeavesTheMainWindowShownWithTheSlotAndComposeForFirstUse) {
    WriteSettings("SMTP=smtp.example.jp\r\nPOP3=pop.example.jp\r\nMAIL=a@example.jp\r\nAPOP=1\r\n");
    RunStartup();

    for (const QString& name : {MailDataDir(), AttachDir(), FaceMarkDir(), QuickSaveDir()})
        EXPECT_TRUE(QDir(app_.FilePath(name)).exists()) << name.toStdString();
    MainForm* main = Registry().Find<MainForm>();
    ASSERT_TRUE(main);
    EXPECT_TRUE(main->isVisible());
    auto* slot = qobject_cast<SlotPanel*>(main->Cabinet());
    ASSERT_TRUE(slot);
    EXPECT_EQ(slot->Game().CoinCount(), SlotGame::StartingCoins);

    // The compose window is built on first use; the file its load makes is there already.
    EXPECT_FALSE(Registry().IsLoaded<WriteForm>());
    EXPECT_TRUE(QFileInfo::exists(app_.FilePath(MailDataDir() + QStringLiteral("/KLMASTER20.INI"))));

    EXPECT_EQ(AccountSettings().Pop3Server, QStringLiteral("pop.example.jp"));
    EXPECT_EQ(AccountSettings().UseApop, 1);
    EXPECT_EQ(mail_.initialized, 1);
    EXPECT_EQ(mail_.options, (std::vector<std::pair<int, int>>{{1, 8192}}));
    EXPECT_FALSE(Registry().IsLoaded<OptionForm>());
    EXPECT_EQ(dialogs_.Requests().size(), 0u);
}

// The last POP3= line wins; empty or missing, the server settings open beside the main window
// holding what was read.
TEST_F(WiringTest, NoPop3ServerOpensServerSettingsNotModally) {
    WriteSettings("SMTP=smtp.example.jp\r\nPOP3=pop.example.jp\r\nMAIL=a@example.jp\r\nAPOP=0\r\nPOP3=\r\n");
    RunStartup();
    OptionForm* form = Registry().Find<OptionForm>();
    ASSERT_TRUE(form);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isModal());
    EXPECT_EQ(AccountSettings().SmtpServer, QStringLiteral("smtp.example.jp"));
    EXPECT_TRUE(Registry().Find<MainForm>()->isVisible());
}

TEST_F(WiringTest, MissingSettingsFileAlsoOpensServerSettings) {
    RunStartup();
    EXPECT_TRUE(Registry().IsLoaded<OptionForm>());
}

// Every label opens its window once, however often the wiring was installed.
TEST_F(WiringTest, MainWindowLabelsOpenTheirWindowsOnce) {
    AccountSettings().Pop3Server = QStringLiteral("pop.example.jp");
    MainForm* main = Registry().Show<MainForm>();
    main->ClickLabel(NavLabel::Compose);
    main->ClickLabel(NavLabel::Compose);
    EXPECT_TRUE(Registry().Find<WriteForm>() && Registry().Find<WriteForm>()->isVisible());
    main->ClickLabel(NavLabel::ReceivedHistory);
    TyakuForm* viewer = Registry().Find<TyakuForm>();
    ASSERT_TRUE(viewer);
    EXPECT_TRUE(viewer->isVisible());
    main->ClickLabel(NavLabel::Settings);
    EXPECT_TRUE(Registry().IsLoaded<SetForm>());
    main->ClickLabel(NavLabel::AddressBook);
    EXPECT_TRUE(Registry().Find<FriendForm>() && Registry().Find<FriendForm>()->isVisible());
}

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

// Leaves a mark when the mail library is released.
class MarksRelease : public NMail {
public:
    explicit MarksRelease(QString mark) : mark_(std::move(mark)) {}
    int NMailEndWinSock() override {
        QFile(mark_).open(QIODevice::WriteOnly);
        return 0;
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
            static MarksRelease mail(released);
            SetSharedMail(&mail);
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
