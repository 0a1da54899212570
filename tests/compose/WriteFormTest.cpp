// The compose window offscreen: its controls and rows, hover help, the name panel, picking a
// name, pasting, the greeting chooser, the attachment buttons, how it is opened and sending
// through its button.
#include "ComposeTestSupport.h"
#include "OverlapCheck.h"

#include "app/Wiring.h"
#include "compose/AttachmentControls.h"
#include "compose/NameListBox.h"
#include "compose/WriteForm.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/geometry/Twips.h"
#include "mainwindow/MainForm.h"
#include "shell/WindowRegistry.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTextCursor>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

class WriteFormTest : public ::testing::Test {
protected:
    void SetUp() override { SetSharedMail(&mail_); }
    void TearDown() override {
        Registry().Close<WriteForm>();
        Registry().Close<MainForm>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SetSharedMail(nullptr);
    }
    WriteForm* Open() {
        WriteForm* form = Registry().Show<WriteForm>();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form));
        return form;
    }
    static void Hover(QObject* target) {
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(target, &enter);
    }
    static void LeaveFocus(QWidget* target) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(target, &out);
    }

    TempAppDir app_;
    ScriptedDialogService dialogs_;
    ScopedDialogService scoped_{dialogs_};
    RecordingMail mail_;
};

TEST_F(WriteFormTest, LoadsWithEveryControlAtItsRow) {
    WriteForm* form = Registry().Get<WriteForm>();
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), u"新規作成"_s);
    EXPECT_EQ(form->size(), QSize(Twips(7100), Twips(8200)));
    EXPECT_TRUE(QFileInfo::exists(app_.DataDir() + u"/KLMASTER20.INI"_s));

    const std::vector<std::pair<QWidget*, int>> rows = {
        {form->SendButton(), 120},
        {form->NamePanelButton(), 120},
        {form->NormalSizeButton(), 120},
        {form->FaceMarksButton(), 120},
        {form->StopButton(), 600},
        {form->PasteBodyButton(), 600},
        {form->PasteRecipientButton(), 600},
        {form->ClearButton(), 600},
        {form->ToText(), 1200},
        {form->SubjectText(), 1560},
        {form->OpeningLineBox(), 1920},
        {form->Attachments()->AttachButton(), 2280},
        {form->Attachments()->AttachText(), 2280},
        {form->FortuneCheck(), 2640},
        {form->BodyText(), 3000},
        {form->StatusLabel()->parentWidget(), 7320}, // the status panel
    };
    for (const auto& [control, row] : rows)
        EXPECT_EQ(control->y(), Twips(row)) << qPrintable(control->objectName());
    EXPECT_LT(form->SendButton()->x(), form->NamePanelButton()->x());
    EXPECT_LT(form->NamePanelButton()->x(), form->NormalSizeButton()->x());
    EXPECT_LT(form->NormalSizeButton()->x(), form->FaceMarksButton()->x());
    EXPECT_EQ(form->BodyText()->size(), QSize(Twips(6495), Twips(4335)));
    EXPECT_EQ(form->NamePanel()->geometry(), TwipsRect(7080, 1200, 2350, 6495));
    EXPECT_EQ(form->NameList()->height(), Twips(5100));
    EXPECT_EQ(form->Attachments()->Rows()->height(), Twips(1860));

    QStringList lines;
    for (int i = 0; i < form->OpeningLineBox()->count(); ++i)
        lines.append(form->OpeningLineBox()->itemText(i));
    EXPECT_EQ(lines, GreetingLines());
    EXPECT_TRUE(form->OpeningLineBox()->currentText().isEmpty());
    EXPECT_FALSE(form->FortuneCheck()->isChecked());
    EXPECT_FALSE(form->NormalSendingOption()->isChecked());
    EXPECT_FALSE(form->BatchSendingOption()->isChecked());
    EXPECT_TRUE(form->Attachments()->AttachButton()->isEnabled());
    EXPECT_FALSE(form->Attachments()->AddButton()->isEnabled());
    EXPECT_TRUE(form->Attachments()->CancelButton()->isEnabled());
    EXPECT_FALSE(form->Attachments()->Rows()->isVisibleTo(form));
    EXPECT_FALSE(form->HelpBox()->isVisibleTo(form));
    EXPECT_TRUE(form->StatusLabel()->text().isEmpty());
    EXPECT_EQ(form->NameCountBox()->text(), u"0"_s);
}

TEST_F(WriteFormTest, ControlsLieApartAtTheNormalAndTheWideWidth) {
    WriteForm* form = Open();
    ExpectControlsApart(form);
    EXPECT_FALSE(form->NamePanel()->isVisibleTo(form)); // beyond the normal width
    form->NamePanelButton()->click();
    ASSERT_TRUE(form->NamePanel()->isVisibleTo(form));
    ExpectControlsApart(form);
    ExpectControlsApart(form->NamePanel());
}

TEST_F(WriteFormTest, HoverHelpShowsEachTextAndTheBodyHidesIt) {
    WriteForm* form = Open();
    const std::vector<std::pair<QWidget*, ComposeHelp>> targets = {
        {form->SendButton(), ComposeHelp::Send},
        {form->StopButton(), ComposeHelp::Stop},
        {form->NamePanelButton(), ComposeHelp::AddressBook},
        {form->PasteBodyButton(), ComposeHelp::PasteBody},
        {form->NormalSizeButton(), ComposeHelp::NormalSize},
        {form->PasteRecipientButton(), ComposeHelp::PasteRecipient},
        {form->ClearButton(), ComposeHelp::Clear},
        {form->Attachments()->AddButton(), ComposeHelp::AddFile},
        {form->Attachments()->AttachButton(), ComposeHelp::AttachFile},
    };
    for (const auto& [control, help] : targets) {
        Hover(control);
        EXPECT_TRUE(form->HelpBox()->isVisible());
        EXPECT_EQ(form->HelpBox()->toPlainText(), ComposeHelpText(help)) << qPrintable(control->objectName());
    }
    Hover(form->FaceMarksButton());
    const QStringList faceMarkLines = form->HelpBox()->toPlainText().split(u'\n');
    ASSERT_EQ(faceMarkLines.size(), 7);
    EXPECT_EQ(faceMarkLines[0], u"顔・絵文字の本文への挿入を行います。"_s);
    EXPECT_TRUE(faceMarkLines[1].isEmpty());
    EXPECT_EQ(
        faceMarkLines[2],
        u"使用方法：使用したい顔・絵文字をマウスで選択状態（青色反転）にし、「新規作成本文に挿入」ボタンを。"
        u"クリックしますと、本分中に挿入されます。"_s);
    EXPECT_TRUE(faceMarkLines[3].isEmpty());
    EXPECT_TRUE(faceMarkLines[4].startsWith(u"素材の県名"_s));
    EXPECT_TRUE(faceMarkLines[5].startsWith(u"上手な使用方法："_s));
    EXPECT_TRUE(faceMarkLines[6].endsWith(u"ボタンをクリックして下さい。"_s));
    EXPECT_TRUE(ComposeHelpText(ComposeHelp::FaceMarks).contains(u"行います。\r\n\r\n使用方法"_s));

    Hover(form->BodyText()->viewport());
    EXPECT_FALSE(form->HelpBox()->isVisible());
    Hover(form->SendButton());
    QTest::mouseMove(form, QPoint(2, form->height() - 2)); // bare background
    EXPECT_FALSE(form->HelpBox()->isVisible());
    form->FaceMarksButton()->click(); // the palette is not there yet: nothing happens
    EXPECT_TRUE(dialogs_.Requests().empty());
}

TEST_F(WriteFormTest, AddressBookWidensCentresAndColoursTheList) {
    AddAddress(u"山田"_s, u"yamada@example.jp"_s);
    AddAddress(u"鈴木"_s, u"suzuki@example.jp"_s);
    AddAddress(u"佐藤"_s, u"sato@example.jp"_s);
    WriteForm* form = Open();
    form->NamePanelButton()->click();
    EXPECT_EQ(form->width(), Twips(9700));
    EXPECT_TRUE(form->NamePanel()->isVisible());
    const QRect screen = form->screen()->geometry();
    EXPECT_EQ(form->frameGeometry().x(), screen.x() + (screen.width() - form->frameGeometry().width()) / 2);
    EXPECT_EQ(form->frameGeometry().y(), screen.y() + (screen.height() - form->frameGeometry().height()) / 2);
    ASSERT_EQ(form->NameList()->count(), 3);
    EXPECT_TRUE(form->NameList()->item(0)->text().startsWith(u"山田  "_s)); // fill spaces stay
    EXPECT_EQ(form->NameCountBox()->text(), u"3"_s);

    form->BatchSendingOption()->click();
    EXPECT_EQ(form->NameList()->palette().color(QPalette::Base), QColor(0, 128, 0));
    form->ToText()->setText(u"typed@example.jp"_s);
    form->NormalSizeButton()->click();
    EXPECT_EQ(form->width(), Twips(7100));
    EXPECT_EQ(form->NameList()->palette().color(QPalette::Base), QColor(255, 255, 255));
    // A batch choice the user can no longer see goes back to "取消"; what was typed stays.
    EXPECT_FALSE(form->BatchSendingOption()->isChecked());
    EXPECT_TRUE(form->NormalSendingOption()->isChecked());
    EXPECT_FALSE(form->State().BatchOn());
    EXPECT_EQ(form->ToText()->text(), u"typed@example.jp"_s);

    form->NamePanelButton()->click();
    form->ToText()->setText(u"typed@example.jp"_s);
    form->NormalSendingOption()->click();
    EXPECT_TRUE(form->ToText()->text().isEmpty());
    EXPECT_FALSE(form->BatchSendingOption()->isChecked());
}

TEST_F(WriteFormTest, PressingANamePutsItsAddressIntoTheRecipient) {
    AddAddress(u"山田"_s, u"yamada@example.jp"_s);
    AddAddress(u"鈴木"_s, u"   suzuki@example.jp"_s);
    WriteForm* form = Open();
    form->NamePanelButton()->click();
    QListWidget* list = form->NameList();
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(form->ToText()->text(), u"suzuki@example.jp"_s);

    list->clearSelection();
    list->setCurrentRow(-1);
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, QPoint(5, list->viewport()->height() - 5));
    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_EQ(dialogs_.Requests()[0].text, u"データが選択されていません"_s);
    EXPECT_EQ(dialogs_.Requests()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(form->ToText()->text(), u"suzuki@example.jp"_s);
}

TEST_F(WriteFormTest, PasteButtonsUseTheClipboard) {
    WriteForm* form = Open();
    form->BodyText()->setPlainText(u"本文"_s);
    QGuiApplication::clipboard()->setText(u"\n貼り付け"_s);
    form->PasteBodyButton()->click();
    EXPECT_EQ(form->BodyText()->toPlainText(), u"本文\n貼り付け"_s);
    QGuiApplication::clipboard()->setText(u"friend@example.jp"_s);
    form->PasteRecipientButton()->click();
    EXPECT_EQ(form->ToText()->text(), u"friend@example.jp"_s);
    QGuiApplication::clipboard()->clear();
    form->PasteRecipientButton()->click();
    EXPECT_TRUE(form->ToText()->text().isEmpty());
    EXPECT_EQ(form->BodyText()->toPlainText(), u"本文\n貼り付け"_s);
}

// The recipient's 60-character limit holds for typing only: a longer list pasted by the button
// or with the keyboard arrives whole (cut at 60 it would name another real domain).
TEST_F(WriteFormTest, LongRecipientIsPastedWholeAndOnlyTypingIsLimited) {
    const QString list = u"yamada@example.com,suzuki.hanako@example.co.jp,katou@shop.co.jp"_s;
    ASSERT_EQ(list.size(), 63);
    WriteForm* form = Open();
    QGuiApplication::clipboard()->setText(list);
    form->PasteRecipientButton()->click();
    EXPECT_EQ(form->ToText()->text(), list);
    EXPECT_EQ(form->State().recipient, list);

    form->ToText()->clear();
    form->ToText()->setFocus();
    QTest::keyClick(form->ToText(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(form->ToText()->text(), list);
    QTest::keyClick(form->ToText(), Qt::Key_Backspace); // editing a long text still works
    EXPECT_EQ(form->ToText()->text(), list.chopped(1));

    form->ToText()->setText(QString(58, u'a'));
    form->ToText()->end(false);
    QTest::keyClicks(form->ToText(), u"bcde"_s);
    EXPECT_EQ(form->ToText()->text(), QString(58, u'a') + u"bc"_s);
    form->ToText()->selectAll();
    QTest::keyClicks(form->ToText(), u"x"_s); // typing over a selection replaces it
    EXPECT_EQ(form->ToText()->text(), u"x"_s);
}

TEST_F(WriteFormTest, GreetingChooserSetsTheBodyOnlyWhenChanged) {
    WriteForm* form = Open();
    form->BodyText()->setPlainText(u"書きかけの本文"_s);
    LeaveFocus(form->OpeningLineBox());
    EXPECT_EQ(form->BodyText()->toPlainText(), u"書きかけの本文"_s);
    form->OpeningLineBox()->setCurrentIndex(3);
    LeaveFocus(form->OpeningLineBox());
    EXPECT_EQ(form->BodyText()->toPlainText(), u"いつもお世話になっております。"_s);
    form->BodyText()->appendPlainText(u"続き"_s);
    LeaveFocus(form->OpeningLineBox());
    EXPECT_EQ(form->BodyText()->toPlainText(), u"いつもお世話になっております。\n続き"_s);
    // Opening the drop-down is not leaving the chooser.
    form->OpeningLineBox()->setCurrentIndex(0);
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(form->OpeningLineBox(), &popup);
    EXPECT_EQ(form->BodyText()->toPlainText(), u"いつもお世話になっております。\n続き"_s);
}

TEST_F(WriteFormTest, AttachmentButtonsAndClear) {
    WriteForm* form = Open();
    AttachmentControls* a = form->Attachments();
    dialogs_.QueuePath(u"/tmp/一つ目.txt"_s);
    dialogs_.QueuePath(u"/tmp/two.pdf"_s);
    a->AttachButton()->click();
    EXPECT_FALSE(a->AttachButton()->isEnabled());
    EXPECT_TRUE(a->AddButton()->isEnabled());
    a->AddButton()->click();
    EXPECT_TRUE(a->Rows()->isVisible());
    EXPECT_EQ(a->AttachText()->text(), u"/tmp/一つ目.txt,/tmp/two.pdf"_s);
    ASSERT_EQ(a->Rows()->count(), 2);
    EXPECT_EQ(a->Rows()->item(1)->text(), u"/tmp/two.pdf"_s);
    ASSERT_EQ(dialogs_.Requests().size(), 2u);
    EXPECT_EQ(dialogs_.Requests()[0].kind, DialogRequest::Kind::OpenFile);
    EXPECT_TRUE(dialogs_.Requests()[0].filter.isEmpty());

    form->ToText()->setText(u"a@b"_s);
    form->SubjectText()->setText(u"件名"_s);
    form->BodyText()->setPlainText(u"本文"_s);
    form->FortuneCheck()->setChecked(true);
    form->NamePanelButton()->click();
    form->BatchSendingOption()->click();
    form->ClearButton()->click(); // クリア
    EXPECT_TRUE(form->ToText()->text().isEmpty());
    EXPECT_TRUE(form->SubjectText()->text().isEmpty());
    EXPECT_TRUE(form->BodyText()->toPlainText().isEmpty());
    EXPECT_FALSE(form->FortuneCheck()->isChecked());
    EXPECT_FALSE(form->BatchSendingOption()->isChecked());
    EXPECT_TRUE(a->AttachText()->text().isEmpty());
    EXPECT_EQ(a->Rows()->count(), 0);
    EXPECT_FALSE(a->Rows()->isVisible());
    EXPECT_TRUE(a->AttachButton()->isEnabled());
    EXPECT_FALSE(a->AddButton()->isEnabled());
    EXPECT_FALSE(a->CancelButton()->isEnabled());
    EXPECT_EQ(form->NameList()->palette().color(QPalette::Base), QColor(255, 255, 255));
    a->AttachButton()->click(); // cancelled dialog: still makes cancelling possible again
    EXPECT_TRUE(a->CancelButton()->isEnabled());
}

TEST_F(WriteFormTest, MainWindowLabelOpensOneWindowWithTheFortuneOff) {
    InstallWiring();
    MainForm* main = Registry().Show<MainForm>();
    main->ClickLabel(NavLabel::Compose);
    WriteForm* loaded = Registry().Find<WriteForm>();
    ASSERT_NE(loaded, nullptr);
    main->ClickLabel(NavLabel::Compose);
    EXPECT_EQ(Registry().Find<WriteForm>(), loaded);
    EXPECT_TRUE(loaded->isVisible());
    EXPECT_FALSE(loaded->FortuneCheck()->isChecked());
}

TEST_F(WriteFormTest, SendButtonSendsStoresClearsAndCloses) {
    AccountSettings().SmtpServer = u"127.0.0.1:2525"_s;
    WriteForm* form = Open();
    form->ToText()->setText(u"friend@example.jp"_s);
    form->SubjectText()->setText(u"件名"_s);
    form->BodyText()->setPlainText(u"一行目\n二行目"_s);
    mail_.failOn = {1};
    form->SendButton()->click();
    ASSERT_EQ(mail_.calls.size(), 1u);
    EXPECT_EQ(mail_.calls[0].body, u"一行目\r\n二行目"_s); // CR LF on the wire
    ASSERT_EQ(dialogs_.Requests().size(), 1u);
    EXPECT_EQ(dialogs_.Requests()[0].title, u"送信エラー"_s);
    EXPECT_EQ(dialogs_.Requests()[0].icon, MessageIcon::None);
    EXPECT_EQ(RecordCount(SentStore()), 1);
    // A refused mail never reads as sent, and it stays in the window to be sent again.
    EXPECT_NE(form->StatusLabel()->text(), u"送信完了です。"_s);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(Registry().Find<WriteForm>(), form);
    EXPECT_EQ(form->ToText()->text(), u"friend@example.jp"_s);
    EXPECT_EQ(form->BodyText()->toPlainText(), u"一行目\n二行目"_s);

    form->SendButton()->click();
    ASSERT_EQ(mail_.calls.size(), 2u);
    EXPECT_EQ(RecordCount(SentStore()), 2);
    EXPECT_EQ(form->StatusLabel()->text(), u"送信完了です。"_s);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Registry().Find<WriteForm>(), nullptr); // closed; the next one starts afresh
    WriteForm* fresh = Registry().Get<WriteForm>();
    EXPECT_TRUE(fresh->ToText()->text().isEmpty());
}

TEST_F(WriteFormTest, BodyEditsLandAtTheSelectionAndEverySpaceIsSent) {
    AccountSettings().SmtpServer = u"127.0.0.1:2525"_s;
    WriteForm* form = Open();
    form->ToText()->setText(u"friend@example.jp"_s);
    form->BodyText()->setPlainText(u"前\u00A0後\u3000末\n二行目"_s);
    QTextCursor cursor = form->BodyText()->textCursor();
    cursor.setPosition(2);
    cursor.setPosition(3, QTextCursor::KeepAnchor); // "後"
    form->BodyText()->setTextCursor(cursor);
    EXPECT_EQ(form->Body().SelectedText(), u"後"_s);

    form->EditBody([](TextBox& box) { ReplaceSelection(box, u"（＾＾）"_s); });
    EXPECT_EQ(form->Body().text, u"前\u00A0（＾＾）\u3000末\n二行目"_s);
    EXPECT_EQ(form->BodyText()->textCursor().position(), 2 + 4);

    form->SendButton()->click();
    ASSERT_EQ(mail_.calls.size(), 1u);
    EXPECT_EQ(mail_.calls[0].body, u"前\u00A0（＾＾）\u3000末\r\n二行目"_s);
}

TEST_F(WriteFormTest, StopButtonDiscardsEverything) {
    WriteForm* form = Open();
    form->BodyText()->setPlainText(u"捨てる"_s);
    form->StopButton()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Registry().Find<WriteForm>(), nullptr);
    EXPECT_TRUE(mail_.calls.empty());
    EXPECT_TRUE(Registry().Get<WriteForm>()->BodyText()->toPlainText().isEmpty());
}

} // namespace
