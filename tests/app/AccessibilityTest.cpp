// What a screen reader meets in every window, through Qt's accessibility interfaces: each control
// the user can act on has a Japanese name, the cabinet's painted controls are buttons that press,
// and the status, coin count and reels say what they show.
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
#include <QCoreApplication>
#include <QLabel>
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

} // namespace
} // namespace ricorne
