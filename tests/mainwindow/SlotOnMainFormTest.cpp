// The slot on the real main window: the cabinet under the labels, the lever the mail check
// pulls, and the help box shared with the labels.
#include "mainwindow/MainForm.h"
#include "mainwindow/MainWindowTexts.h"
#include "mainwindow/SlotGame.h"
#include "mainwindow/SlotPanel.h"
#include "mainwindow/SlotPanelInstaller.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>

using namespace ricorne;

namespace {

void MoveTo(QWidget* widget, QPointF at) {
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

} // namespace

TEST(SlotOnMainForm, CabinetLeverAndHelpGoThroughTheMainWindow) {
    MainForm form;
    SlotPanel* panel = InstallSlotPanel(form);
    form.show();
    EXPECT_EQ(form.Cabinet(), panel);
    EXPECT_EQ(panel->geometry(), QRect(0, 0, 256, 428));
    // The navigation labels stay clickable above the cabinet.
    const QRect label5 = form.Label(NavLabel::Compose)->geometry();
    EXPECT_EQ(form.childAt(label5.center()), form.Label(NavLabel::Compose));

    // A new-mail lever pull through the main window starts a game.
    form.PullLever();
    auto* coins = panel->findChild<QLabel*>(QStringLiteral("Label13"));
    ASSERT_NE(coins, nullptr);
    EXPECT_EQ(coins->text(), QStringLiteral("97"));
    EXPECT_TRUE(panel->Game().Spinning(0));

    // Hovering the coin counter fills the main window's help box; the bare cabinet hides it.
    MoveTo(coins, QPointF(5, 5));
    EXPECT_TRUE(form.IsHelpShown());
    EXPECT_EQ(form.HelpText(), CoinHelp());
    MoveTo(panel, QPointF(6, 110));
    EXPECT_FALSE(form.IsHelpShown());
}
