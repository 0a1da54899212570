#include "shell/WindowRegistry.h"
#include "shell/Pause.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>
#include <gtest/gtest.h>
#include <vector>

namespace ricorne {
namespace {

// A window of the test's own. Its load step pauses, so requests can arrive during the load.
class ProbeWindow : public QWidget {
public:
    ProbeWindow() { ++constructed; }
    void Load() {
        events.push_back("load");
        Pause(loadPauseMs);
    }
    static inline int constructed = 0;
    static inline int loadPauseMs = 0;
    static inline std::vector<std::string> events;
};

class StubbornWindow : public QWidget {
protected:
    void closeEvent(QCloseEvent* e) override { e->ignore(); }
};

// Made by a factory; its hooks and load step record their order.
class NeedsArgument : public QWidget {
public:
    explicit NeedsArgument(int value) : value(value) {}
    void Load() { order.push_back("load"); }
    int value;
    std::vector<std::string> order;
};

class WindowRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ProbeWindow::constructed = 0;
        ProbeWindow::loadPauseMs = 0;
        ProbeWindow::events.clear();
    }
    void TearDown() override {
        Registry().Close<ProbeWindow>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(WindowRegistryTest, TwoQuickRequestsGiveOneWindow) {
    ProbeWindow::loadPauseMs = 40;
    ProbeWindow* fromTimer = nullptr;
    // The second request arrives while the first one's load is still pausing.
    QTimer::singleShot(5, [&] { fromTimer = Registry().Show<ProbeWindow>(); });
    ProbeWindow* first = Registry().Show<ProbeWindow>();
    ProbeWindow* second = Registry().Show<ProbeWindow>();

    EXPECT_EQ(ProbeWindow::constructed, 1);
    EXPECT_EQ(ProbeWindow::events.size(), 1u);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, fromTimer);
    EXPECT_TRUE(first->isVisible());
}

TEST_F(WindowRegistryTest, GetLoadsHiddenAndShowReusesIt) {
    EXPECT_EQ(Registry().Find<ProbeWindow>(), nullptr);
    ProbeWindow* hidden = Registry().Get<ProbeWindow>();
    ASSERT_NE(hidden, nullptr);
    EXPECT_FALSE(hidden->isVisible());
    EXPECT_EQ(ProbeWindow::events, std::vector<std::string>{"load"});
    EXPECT_TRUE(hidden->testAttribute(Qt::WA_DeleteOnClose));

    EXPECT_EQ(Registry().Show<ProbeWindow>(), hidden);
    EXPECT_TRUE(hidden->isVisible());
    EXPECT_EQ(ProbeWindow::constructed, 1);
}

TEST_F(WindowRegistryTest, ClosedWindowIsForgottenAtOnceAndDeletedLater) {
    QPointer<ProbeWindow> first = Registry().Show<ProbeWindow>();
    ASSERT_TRUE(first->close());
    // Not deleted yet (deleteLater), but no longer handed out.
    EXPECT_FALSE(first.isNull());
    EXPECT_EQ(Registry().Find<ProbeWindow>(), nullptr);

    ProbeWindow* second = Registry().Show<ProbeWindow>();
    EXPECT_NE(second, first.data());
    EXPECT_EQ(ProbeWindow::constructed, 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(Registry().Find<ProbeWindow>(), second);
}

TEST_F(WindowRegistryTest, RefusedCloseKeepsTheWindow) {
    StubbornWindow* w = Registry().Show<StubbornWindow>();
    EXPECT_FALSE(w->close());
    EXPECT_FALSE(Registry().Close<StubbornWindow>());
    EXPECT_EQ(Registry().Find<StubbornWindow>(), w);
    w->removeEventFilter(&Registry());
    delete w;
    EXPECT_EQ(Registry().Find<StubbornWindow>(), nullptr);
}

// What the factory does to a new window (the program's wiring connects it there) comes before
// its load steps.
TEST_F(WindowRegistryTest, FactoryRunsBeforeLoad) {
    Registry().SetFactory<NeedsArgument>([] {
        auto* w = new NeedsArgument(7);
        w->order.push_back("wired " + std::to_string(w->value));
        return w;
    });

    NeedsArgument* w = Registry().Get<NeedsArgument>();
    EXPECT_EQ(w->value, 7);
    EXPECT_EQ(w->order, (std::vector<std::string>{"wired 7", "load"}));
    EXPECT_TRUE(Registry().Close<NeedsArgument>());
}

} // namespace
} // namespace ricorne
