// What a screen reader and a keyboard user meet in every window, through Qt's accessibility
// interfaces and key presses: each control the user can act on has a Japanese name, the cabinet's
// painted controls are buttons that press (also by Tab and Enter/Space, with a visible ring),
// the status, coin count and reels say what they show and announce changes, and Esc closes
// every window but the main one.
#include "TempAppDir.h"
#include "addressbook/FriendForm.h"
#include "app/Wiring.h"
#include "compose/BackForm.h"
#include "compose/WriteForm.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "facemarks/KaoForm.h"
#include "history/TyakuForm.h"
#include "mainwindow/MainForm.h"
#include "mainwindow/SlotGame.h"
#include "mainwindow/SlotPanel.h"
#include "settings/IdPassForm.h"
#include "settings/OptionForm.h"
#include "settings/SetForm.h"
#include "shell/WindowRegistry.h"

#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace ricorne {
namespace {

bool Interactive(const QAccessibleInterface& node) {
    switch (node.role()) {
    case QAccessible::Button:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::PageTab:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::MenuItem:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
        return true;
    default:
        return node.state().editable;
    }
}

// Where a control sits in the tree, for the failure message: object names down from the window.
QString PathOf(QAccessibleInterface* node) {
    QStringList names;
    for (QAccessibleInterface* n = node; n; n = n->parent()) {
        QObject* o = n->object();
        names.prepend(o ? (o->objectName().isEmpty() ? QString::fromLatin1(o->metaObject()->className())
                                                     : o->objectName())
                        : QStringLiteral("?"));
        if (o && o->isWidgetType() && static_cast<QWidget*>(o)->isWindow())
            break;
    }
    return names.join(u'/');
}

// Every interactive control without a name, below and including node.
void CollectNameless(QAccessibleInterface* node, QStringList& nameless, int depth = 0) {
    if (!node || depth > 40)
        return;
    // The rows and cells of lists and tables speak their contents; their views need the name.
    if (node->role() == QAccessible::Cell || node->role() == QAccessible::Row ||
        node->role() == QAccessible::ListItem || node->role() == QAccessible::TreeItem ||
        node->role() == QAccessible::ColumnHeader || node->role() == QAccessible::RowHeader)
        return;
    if (Interactive(*node) && node->text(QAccessible::Name).trimmed().isEmpty())
        nameless << PathOf(node);
    if (node->role() == QAccessible::ComboBox)
        return; // its own box and drop-down list are spoken as the combo box
    for (int i = 0; i < node->childCount(); ++i)
        CollectNameless(node->child(i), nameless, depth + 1);
}

QAccessibleInterface* Accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

class AccessibilityTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app_.IsValid());
        InstallWiring();
        RunStartup();
        main_ = Registry().Find<MainForm>();
        ASSERT_TRUE(main_);
    }
    void TearDown() override {
        Registry().Close<KaoForm>();
        Registry().Close<FriendForm>();
        Registry().Close<IdPassForm>();
        Registry().Close<OptionForm>();
        Registry().Close<SetForm>();
        Registry().Close<BackForm>();
        Registry().Close<WriteForm>();
        Registry().Close<TyakuForm>();
        Registry().Close<MainForm>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    ricorne::testing::TempAppDir app_{ricorne::testing::TempAppDir::Layout::Empty};
    ScriptedDialogService dialogs_;
    ScopedDialogService scoped_{dialogs_};
    MainForm* main_ = nullptr;
};

TEST_F(AccessibilityTest, EveryControlOfEveryWindowHasAName) {
    const std::vector<std::pair<const char*, std::function<QWidget*()>>> windows{
        {"MainForm", [] { return Registry().Show<MainForm>(); }},
        {"WriteForm", [] { return Registry().Show<WriteForm>(); }},
        {"BackForm", [] { return Registry().Show<BackForm>(); }},
        {"TyakuForm", [] { return Registry().Show<TyakuForm>(); }},
        {"FriendForm", [] { return Registry().Show<FriendForm>(); }},
        {"KaoForm", [] { return Registry().Show<KaoForm>(); }},
        {"SetForm", [] { return Registry().Show<SetForm>(); }},
        {"IdPassForm", [] { return Registry().Show<IdPassForm>(); }},
        {"OptionForm", [] { return Registry().Show<OptionForm>(); }},
    };
    for (const auto& [name, open] : windows) {
        QWidget* window = open();
        ASSERT_TRUE(window) << name;
        QAccessibleInterface* root = Accessible(window);
        ASSERT_TRUE(root) << name;
        EXPECT_FALSE(root->text(QAccessible::Name).trimmed().isEmpty()) << name;
        QStringList nameless;
        CollectNameless(root, nameless);
        EXPECT_TRUE(nameless.isEmpty()) << name << ": " << nameless.join(QStringLiteral(", ")).toStdString();
    }
}

// The painted labels are buttons that speak their action, describe it, and press like a click.
TEST_F(AccessibilityTest, CabinetLabelsAreButtonsThatSpeakAndPress) {
    const struct {
        NavLabel label;
        const char16_t* name;
    } rows[] = {
        {NavLabel::Compose, u"新規作成"},         {NavLabel::Receive, u"受信"},
        {NavLabel::ReceivedHistory, u"着信履歴"}, {NavLabel::SentHistory, u"送信履歴"},
        {NavLabel::AddressBook, u"アドレス帳"},   {NavLabel::Settings, u"設定"},
        {NavLabel::HelpPage, u"ホームページ"},    {NavLabel::Minimise, u"最小化"},
    };
    for (const auto& row : rows) {
        QAccessibleInterface* label = Accessible(main_->Label(row.label));
        ASSERT_TRUE(label);
        EXPECT_EQ(label->role(), QAccessible::Button);
        EXPECT_EQ(label->text(QAccessible::Name), QString::fromUtf16(row.name));
        EXPECT_FALSE(label->text(QAccessible::Description).isEmpty());
    }
    int pressed = 0;
    main_->SetLabelAction(NavLabel::Receive, [&pressed] { ++pressed; });
    QAccessibleActionInterface* action = Accessible(main_->Label(NavLabel::Receive))->actionInterface();
    ASSERT_TRUE(action);
    action->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(pressed, 1);

    auto* slot = qobject_cast<SlotPanel*>(main_->Cabinet());
    ASSERT_TRUE(slot);
    for (const char* area : {"Label14", "Label15", "Label17", "Label18"}) {
        QAccessibleInterface* stop = Accessible(slot->findChild<QWidget*>(QString::fromLatin1(area)));
        ASSERT_TRUE(stop) << area;
        EXPECT_EQ(stop->role(), QAccessible::Button) << area;
    }
}

// The status, the coins and a stopped reel say what they show. The status label has no fixed
// name, so each new text is its name (Qt reports that as a name change; the offscreen platform
// has no accessibility bridge, so the change events themselves cannot be watched here).
TEST_F(AccessibilityTest, StatusCoinsAndReelsSayWhatTheyShow) {
    main_->SetStatus(QStringLiteral(u"新着メール有り。"));
    QAccessibleInterface* status = Accessible(main_->StatusLabel());
    EXPECT_EQ(status->text(QAccessible::Name), QStringLiteral(u"新着メール有り。"));

    auto* slot = qobject_cast<SlotPanel*>(main_->Cabinet());
    ASSERT_TRUE(slot);
    // At rest on its first cell, the left reel shows the top of its strip.
    QWidget* reel = slot->findChild<QWidget*>(QStringLiteral("Picture2(0)"));
    ASSERT_TRUE(reel);
    EXPECT_EQ(Accessible(reel)->text(QAccessible::Name), QStringLiteral(u"左リール"));
    Q_EMIT slot->Game().SpinningChanged(0, false);
    EXPECT_EQ(Accessible(reel)->text(QAccessible::Name), QStringLiteral(u"左リール 赤7・チェリー・リプレイ"));

    auto* coins = slot->findChild<QLabel*>(QStringLiteral("Label13"));
    ASSERT_TRUE(coins);
    EXPECT_EQ(Accessible(coins)->text(QAccessible::Name), QStringLiteral(u"コイン 100枚"));
    slot->Game().StartGame(); // costs three coins
    EXPECT_EQ(Accessible(coins)->text(QAccessible::Name), QStringLiteral(u"コイン 97枚"));
}

// Tab walks the cabinet as it is read: the lever and the STOP buttons, then the labels row by
// row; the one Tab reached wears a ring and shows its help; Space and Enter press; the clock box
// out of sight is skipped.
TEST_F(AccessibilityTest, KeyboardWalksTheCabinetInReadingOrderAndPresses) {
    main_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main_));
    auto* slot = qobject_cast<SlotPanel*>(main_->Cabinet());
    ASSERT_TRUE(slot);
    QWidget* lever = slot->findChild<QWidget*>(QStringLiteral("Label18"));
    QWidget* compose = main_->Label(NavLabel::Compose);
    // The focus the window hands a label as it opens is no keyboard focus: no ring, no help.
    const QImage unfocused = compose->grab().toImage();
    EXPECT_FALSE(main_->IsHelpShown());
    lever->setFocus(Qt::TabFocusReason);
    QStringList order;
    for (int i = 0; i < 13; ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order.join(u' '), QStringLiteral("Label18 Label14 Label15 Label17 Label5 Label9 Label6 Label10 "
                                               "Label7 Label11 Label8 Label12 Label18"));

    compose->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(compose->hasFocus());
    const QImage focused = compose->grab().toImage();
    EXPECT_NE(focused.pixel(0, 0), unfocused.pixel(0, 0)) << "no focus ring";
    EXPECT_TRUE(main_->IsHelpShown());
    int composed = 0;
    main_->SetLabelAction(NavLabel::Compose, [&composed] { ++composed; });
    QTest::keyClick(compose, Qt::Key_Return);
    QTest::keyClick(compose, Qt::Key_Space);
    EXPECT_EQ(composed, 2);
    EXPECT_TRUE(compose->hasFocus()) << "the press effect handed the focus on";

    lever->setFocus(Qt::TabFocusReason);
    QTest::keyClick(lever, Qt::Key_Space);
    EXPECT_EQ(slot->Game().CoinCount(), 97) << "the lever pulled by a key starts a game";
}

TEST_F(AccessibilityTest, EscClosesEveryWindowButTheMainOneAndAsksBeforeDroppingAMail) {
    const std::vector<std::pair<const char*, std::function<QWidget*()>>> windows{
        {"WriteForm", [] { return Registry().Show<WriteForm>(); }},
        {"BackForm", [] { return Registry().Show<BackForm>(); }},
        {"TyakuForm", [] { return Registry().Show<TyakuForm>(); }},
        {"FriendForm", [] { return Registry().Show<FriendForm>(); }},
        {"KaoForm", [] { return Registry().Show<KaoForm>(); }},
        {"SetForm", [] { return Registry().Show<SetForm>(); }},
        {"IdPassForm", [] { return Registry().Show<IdPassForm>(); }},
        {"OptionForm", [] { return Registry().Show<OptionForm>(); }},
    };
    for (const auto& [name, open] : windows) {
        QPointer<QWidget> window = open();
        ASSERT_TRUE(window && QTest::qWaitForWindowActive(window)) << name;
        QWidget* at = window->focusWidget() ? window->focusWidget() : window.data();
        QTest::keyClick(at, Qt::Key_Escape);
        EXPECT_TRUE(!window || !window->isVisible()) << name;
    }
    QTest::keyClick(main_, Qt::Key_Escape);
    EXPECT_TRUE(main_->isVisible());

    WriteForm* compose = Registry().Show<WriteForm>();
    ASSERT_TRUE(QTest::qWaitForWindowActive(compose));
    compose->findChild<QPlainTextEdit*>(QStringLiteral("BodyText"))
        ->setPlainText(QStringLiteral(u"書きかけ"));
    dialogs_.QueueAnswer(Answer::No);
    QTest::keyClick(compose, Qt::Key_Escape);
    EXPECT_TRUE(compose->isVisible());
    ASSERT_EQ(dialogs_.MessageTexts().size(), 1);
    EXPECT_TRUE(dialogs_.MessageTexts()[0].startsWith(QStringLiteral(u"書きかけのメールを閉じますか")));
}

} // namespace
} // namespace ricorne
