// The address book window, driven through its real controls: opening from the main window's
// label (one window), the layout and captions, the typing limits, register, row press, delete,
// paste, the name card and the hover help.
#include "addressbook/FriendForm.h"
#include "AddressStoreFixture.h"
#include "addressbook/AddressListView.h"
#include "addressbook/OpenAddressBook.h"
#include "app/Wiring.h"
#include "core/geometry/Twips.h"
#include "mainwindow/MainForm.h"
#include "shell/TextBoxAdapter.h"
#include "shell/WindowRegistry.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>

using namespace Qt::StringLiterals;

namespace ricorne {
namespace {

class FriendFormTest : public AddressStoreFixture {
protected:
    void SetUp() override {
        AddressStoreFixture::SetUp();
        InstallWiring();
    }
    void TearDown() override {
        Registry().Close<FriendForm>();
        Registry().Close<MainForm>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        AddressStoreFixture::TearDown();
    }

    FriendForm* Open() {
        OpenAddressBook();
        FriendForm* form = Registry().Find<FriendForm>();
        EXPECT_TRUE(form && QTest::qWaitForWindowExposed(form));
        return form;
    }
    static void PressRow(FriendForm* form, int row) {
        AddressListView* list = form->MailListView();
        const QRect r = list->visualItemRect(list->topLevelItem(row - 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    }
    // Types text at the end of the box: ASCII as key presses, anything else as the input
    // method commits it (one commit per character, as a user confirming each conversion).
    static void Type(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->end(false);
        for (const QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClicks(edit, QString(c));
            } else {
                QInputMethodEvent commit;
                commit.setCommitString(QString(c));
                QCoreApplication::sendEvent(edit, &commit);
            }
        }
    }
    static void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
};

TEST_F(FriendFormTest, OpensOnceFromTheMainWindowLabelLaidOutWithItsCaptions) {
    PutNumbered(2);
    MainForm* main = Registry().Get<MainForm>();
    main->ClickLabel(NavLabel::AddressBook);
    FriendForm* form = Registry().Find<FriendForm>();
    ASSERT_NE(form, nullptr);
    main->ClickLabel(NavLabel::AddressBook);
    EXPECT_EQ(Registry().Find<FriendForm>(), form);
    int windows = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        windows += qobject_cast<FriendForm*>(w) != nullptr;
    EXPECT_EQ(windows, 1);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), u"アドレス帳"_s);

    EXPECT_EQ(form->PasteButton()->text(), u"貼付"_s);
    EXPECT_EQ(form->RegisterButton()->text(), u"登録"_s);
    EXPECT_EQ(form->DeleteButton()->text(), u"削除"_s);
    EXPECT_EQ(form->NameCardButton()->text(), u"名刺挿入"_s);
    EXPECT_EQ(form->NoteLabel()->text(), u"名刺は新規作成で宛先、１発挿入した際の確認用として使用します。"_s);
    EXPECT_EQ(form->NoteLabel()->textFormat(), Qt::PlainText);
    EXPECT_EQ(form->StatusLabel()->textFormat(), Qt::PlainText);
    EXPECT_TRUE(form->StatusLabel()->text().isEmpty());
    EXPECT_TRUE(form->HelpBox()->isHidden());
    EXPECT_EQ(form->CountBox()->text(), u"2"_s);
    // The largest count a store lists shows whole, not with its first digit cut.
    QLineEdit* count = form->CountBox();
    const int frame = count->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, count);
    const QMargins margins = count->textMargins();
    EXPECT_LE(count->fontMetrics().horizontalAdvance(u"32767"_s) + 2 * frame + 4 + margins.left() +
                  margins.right(),
              count->width());

    AddressListView* list = form->MailListView();
    QHeaderView* header = list->header();
    EXPECT_EQ(list->headerItem()->text(0), u"Address"_s);
    EXPECT_EQ(list->headerItem()->text(1), u"Name"_s);
    EXPECT_EQ(header->sectionSize(0), list->width() / 2);
    EXPECT_EQ(header->sectionSize(1), list->width() / 3);
    EXPECT_EQ(Trim(list->topLevelItem(1)->text(0)), u"user2@example.jp"_s);
    EXPECT_EQ(Trim(list->topLevelItem(1)->text(1)), u"名前2"_s);
}

TEST_F(FriendFormTest, TypingIsCappedButTextTheProgramSetsIsNot) {
    FriendForm* form = Open();
    Type(form->NameBox(), u"山田太郎"_s + QString(40, u'x'));
    EXPECT_EQ(form->NameBox()->text(), u"山田太郎"_s + QString(26, u'x'));
    Type(form->AddressBox(), QString(70, u'a'));
    EXPECT_EQ(form->AddressBox()->text().size(), 60);

    const QString longAddress = u"とても長い名前の方<"_s + QString(70, u'b') + u"@example.jp>"_s;
    OpenAddressBookWithAddress(longAddress);
    EXPECT_EQ(Registry().Find<FriendForm>(), form) << "the one window";
    EXPECT_EQ(form->AddressBox()->text(), longAddress);
    form->AddressBox()->setFocus();
    form->AddressBox()->end(false);
    QTest::keyClick(form->AddressBox(), Qt::Key_Backspace);
    EXPECT_EQ(form->AddressBox()->text(), longAddress.chopped(1)) << "deleting still works";
    QTest::keyClicks(form->AddressBox(), u"x"_s);
    EXPECT_EQ(form->AddressBox()->text(), longAddress.chopped(1));
}

TEST_F(FriendFormTest, RegisterPressAndDeleteThroughTheControls) {
    FriendForm* form = Open();
    Type(form->NameBox(), u"鈴木一郎"_s);
    Type(form->AddressBox(), u"suzuki@example.jp"_s);
    Click(form->RegisterButton());
    form->NameBox()->clear();
    Type(form->NameBox(), u"花子"_s);
    form->AddressBox()->clear();
    Type(form->AddressBox(), u"hanako@example.jp"_s);
    Click(form->RegisterButton());
    EXPECT_EQ(form->StatusLabel()->text(), u"\u3000登録が完了しました。"_s);
    EXPECT_EQ(form->CountBox()->text(), u"2"_s);
    ASSERT_EQ(form->MailListView()->topLevelItemCount(), 2);

    PressRow(form, 1);
    EXPECT_EQ(form->NameBox()->text(), u"鈴木一郎"_s);
    EXPECT_EQ(form->AddressBox()->text(), u"suzuki@example.jp"_s);
    EXPECT_EQ(form->StatusLabel()->text(), u"\u3000選択しました。"_s);

    dialogs_.QueueAnswer(Answer::Yes);
    Click(form->DeleteButton());
    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_EQ(dialogs_.Requests()[0].title, u"確認"_s);
    EXPECT_EQ(form->StatusLabel()->text(), u"削除が完了しました"_s);
    EXPECT_EQ(form->CountBox()->text(), u"1"_s);
    ASSERT_EQ(form->MailListView()->topLevelItemCount(), 1);
    EXPECT_EQ(Trim(form->MailListView()->topLevelItem(0)->text(1)), u"花子"_s);
    EXPECT_EQ(Stored(), (std::vector<StoredAddress>{{u"花子"_s, u"hanako@example.jp"_s, 1}}));

    // Nothing selected any more: "削除" asks nothing and keeps the entry.
    dialogs_.Clear();
    Click(form->DeleteButton());
    EXPECT_EQ(dialogs_.MessageTexts(), QStringList{u"データが選択されていません"_s});
    EXPECT_EQ(Stored().size(), 1u);
}

TEST_F(FriendFormTest, PasteAndNameCardFillTheAddressBox) {
    FriendForm* form = Open();
    QGuiApplication::clipboard()->setText(u"  taro@example.jp"_s);
    Click(form->PasteButton());
    EXPECT_EQ(form->AddressBox()->text(), u"  taro@example.jp"_s);
    Type(form->NameCardBox(), u"日本太郎"_s);
    Click(form->NameCardButton());
    EXPECT_EQ(form->AddressBox()->text(), u"日本太郎<taro@example.jp>"_s);
    EXPECT_TRUE(dialogs_.Requests().empty());
    Click(form->RegisterButton());
    EXPECT_EQ(Stored(), (std::vector<StoredAddress>{{QString(), u"日本太郎<taro@example.jp>"_s, 1}}));
}

TEST_F(FriendFormTest, HoverHelpShowsOverButtonsAndHidesOverTheBackground) {
    FriendForm* form = Open();
    QTest::mouseMove(form->NameCardButton(), form->NameCardButton()->rect().center());
    ASSERT_TRUE(form->HelpBox()->isVisible());
    const QString help = BoxText(*form->HelpBox());
    EXPECT_TRUE(help.startsWith(u"名詞の挿入を行います。"_s));
    EXPECT_TRUE(help.contains(u"日本太郎<taro@example.jp>"_s));
    EXPECT_TRUE(help.endsWith(u"\n\n必要なければ挿入する必要はありません。"_s));

    QTest::mouseMove(form->DeleteButton(), form->DeleteButton()->rect().center());
    EXPECT_EQ(BoxText(*form->HelpBox()), u"不要になったメールアドレスを削除します。"_s);
    QTest::mouseMove(form->PasteButton(), form->PasteButton()->rect().center());
    EXPECT_EQ(BoxText(*form->HelpBox()), u"コピーして来たメールアドレスを貼り付けます。"_s);

    QTest::mouseMove(form, QPoint(form->width() - 3, Twips(480) + 5)); // bare background
    EXPECT_TRUE(form->HelpBox()->isHidden());
}

} // namespace
} // namespace ricorne
