// The history viewer window, driven through its controls: opening from the main window's labels,
// row clicks, the record view accessors, load steps, resizing and hover help.
#include "history/TyakuForm.h"
#include "StoreFixture.h"
#include "app/Wiring.h"
#include "core/dialogs/DialogService.h"
#include "core/geometry/Twips.h"
#include "core/stores/RecordBuffers.h"
#include "history/EditorState.h"
#include "history/MailHeaderModel.h"
#include "history/OpenHistory.h"
#include "mainwindow/MainForm.h"
#include "shell/TextBoxAdapter.h"
#include "shell/WindowRegistry.h"

#include <QClipboard>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace ricorne {
namespace {

class TyakuFormTest : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        InstallWiring();
    }
    void TearDown() override {
        Registry().Close<TyakuForm>();
        Registry().Close<MainForm>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        StoreFixture::TearDown();
    }

    TyakuForm* Open(HistoryMode mode) {
        OpenHistory(mode);
        TyakuForm* form = Registry().Find<TyakuForm>();
        EXPECT_TRUE(form && QTest::qWaitForWindowExposed(form));
        return form;
    }
    static void ClickRow(TyakuForm* form, int row) {
        QTreeView* list = form->MailListView();
        const QRect r = list->visualRect(list->model()->index(row - 1, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    }
    static void MoveOver(QWidget* w) { QTest::mouseMove(w, w->rect().center()); }
};

TEST_F(TyakuFormTest, ControlsAtTheirPlacesWithTheirCaptions) {
    TyakuForm* form = Registry().Get<TyakuForm>(); // loaded hidden, as the mail check does
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), u"履歴"_s);
    const std::vector<std::pair<ViewerCommand, QString>> captions = {
        {ViewerCommand::CopyField, u"コピー（Subject/from/Data）"_s},
        {ViewerCommand::QuickSave, u"TextQuickSave"_s},
        {ViewerCommand::DeleteOne, u"一件削除"_s},
        {ViewerCommand::RegisterSender, u"アドレス帳登録"_s},
        {ViewerCommand::Reply, u"返事を書く"_s},
        {ViewerCommand::DeleteAll, u"全件削除"_s}};
    for (const auto& [command, caption] : captions)
        EXPECT_EQ(form->RecordButton(command)->text(), caption);
    for (int n = 1; n <= 6; ++n)
        EXPECT_EQ(form->RecordButton(kRecordButtonCommands[n - 1])->objectName(), u"Command%1"_s.arg(n));
    EXPECT_EQ(form->RecordButton(ViewerCommand::QuickSave)->geometry(), TwipsRect(3960, 0, 1815, 340));
    EXPECT_EQ(form->RecordButton(ViewerCommand::Reply)->geometry(), TwipsRect(3000, 520, 1455, 375));
    EXPECT_EQ(form->SearchCaption()->text(), u"検索文字"_s);
    EXPECT_EQ(form->CountCaption()->text(), u"件数"_s);
    EXPECT_EQ(form->SearchBox()->geometry(), TwipsRect(7080, 0, 1935, 375));
    EXPECT_EQ(form->CountBox()->geometry(), TwipsRect(8640, 600, 495, 270));
    EXPECT_EQ(form->HelpBox()->geometry(), TwipsRect(2040, 4320, 5535, 1935));
    EXPECT_TRUE(form->HelpBox()->isHidden());
    EXPECT_TRUE(form->SelectionFlagBox()->isHidden());
    EXPECT_EQ(form->SelectionFlagBox()->text(), QString());
    EXPECT_EQ(form->BodyEditor()->geometry().topLeft(), TwipsPoint(20, 3900)); // placed at load
    EXPECT_TRUE(form->LineList()->isHidden());
    for (QLineEdit* box : {form->SubjectBox(), form->SenderBox(), form->DateBox()})
        EXPECT_EQ(box->font().family(), u"ＭＳ Ｐゴシック"_s);

    QTreeView* list = form->MailListView();
    EXPECT_EQ(list->model()->headerData(0, Qt::Horizontal).toString(), u"Subject"_s);
    EXPECT_EQ(list->model()->headerData(2, Qt::Horizontal).toString(), u"Date"_s);
    EXPECT_EQ(list->columnWidth(0), Twips(4687));
    EXPECT_EQ(list->columnWidth(1), Twips(2343));
    EXPECT_EQ(list->columnWidth(2), Twips(2343));

    QStringList items;
    for (QAction* a : form->Menu(u"medit"_s)->actions())
        items << a->objectName() + u'=' + (a->isSeparator() ? u"-"_s : a->text());
    EXPECT_EQ(items.join(u' '),
              u"mall=全て選択 matamajump=文頭へジャンプ mbunmatujump=文末へジャンプ mline3=- "
              u"mkensaku=検索 mtugikensaku=次を検索 mline2=- mcut=切り取り mcopy=コピー mpaste=貼付け"_s);
    EXPECT_EQ(form->Menu(u"mFile"_s)->title(), u"ファイル(&F)"_s);
    QStringList tools;
    for (QAction* a : form->TbToolBar()->actions())
        if (!a->isSeparator())
            tools << a->data().toString() + u'=' + a->toolTip();
    EXPECT_EQ(tools.join(u' '),
              u"New=新規作成 Open=開く Save=名前を付けて保存 Print=印刷 Cut=切り取り Copy=ｺﾋﾟｰ "
              u"Paste=貼り付け Bold=太字 Italic=斜体 Underline=下線"_s);
    EXPECT_EQ(form->TbToolBar()->parentWidget(), form->ToolBand());

    // A menu item and a toolbar button run their commands on the body editor.
    WriteTextBox(*form->BodyEditor(), TextBox(u"本文の全部"_s));
    form->Menu(u"medit"_s)->actions().first()->trigger(); // 全て選択
    form->TbToolBar()->findChild<QAction*>(u"Copy"_s)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"本文の全部"_s);
}

TEST_F(TyakuFormTest, LabelsOpenEitherStoreInTheSameWindow) {
    PutNumbered(ReceivedStore(), 3, u"受"_s);
    PutNumbered(SentStore(), 2, u"送"_s);
    MainForm* main = Registry().Get<MainForm>();
    main->ClickLabel(NavLabel::ReceivedHistory);
    TyakuForm* form = Registry().Find<TyakuForm>();
    ASSERT_TRUE(form && QTest::qWaitForWindowExposed(form));
    EXPECT_EQ(form->windowTitle(), u"着信履歴"_s);
    EXPECT_EQ(CurrentHistoryMode(), HistoryMode::Received);
    EXPECT_EQ(form->MailListView()->palette().color(QPalette::Base), QColor(210, 250, 250));
    EXPECT_EQ(form->CountBox()->text(), u"3"_s);
    EXPECT_EQ(form->SubjectText(), u"件名受3"_s);
    ClickRow(form, 1);
    ASSERT_TRUE(form->SelectionFlag());

    main->ClickLabel(NavLabel::SentHistory);
    EXPECT_EQ(Registry().Find<TyakuForm>(), form);
    EXPECT_EQ(form->windowTitle(), u"送信履歴"_s);
    EXPECT_EQ(CurrentHistoryMode(), HistoryMode::Sent);
    EXPECT_EQ(form->MailListView()->palette().color(QPalette::Base), QColor(250, 250, 255));
    EXPECT_EQ(form->CountBox()->text(), u"2"_s);
    EXPECT_TRUE(form->Rows()->CellText(1, 0).startsWith(u"件名送2"_s));
    EXPECT_EQ(form->SubjectText(), u"件名送2"_s);
    EXPECT_EQ(form->SelectionFlagBox()->text(), u"1"_s); // the flag survives the reopening
}

TEST_F(TyakuFormTest, MouseClickShowsTheRowAndTheKeyboardDoesNot) {
    PutNumbered(ReceivedStore(), 3);
    TyakuForm* form = Open(HistoryMode::Received);
    EXPECT_FALSE(form->SelectionFlag());
    ClickRow(form, 2);
    EXPECT_EQ(form->SelectionFlagBox()->text(), u"1"_s);
    EXPECT_EQ(form->RecordViewTexts().subject, u"件名2"_s);
    EXPECT_EQ(form->SenderBox()->text(), u"差出人2"_s);
    EXPECT_EQ(form->DateBox()->text(), u"日付2"_s);
    EXPECT_EQ(form->BodyEditor()->toPlainText(), u"本文2"_s);
    EXPECT_EQ(Trim(FieldText(ReceivedBuffer().Body)), u"本文2"_s);

    QTest::keyClick(form->MailListView(), Qt::Key_Down);
    EXPECT_EQ(form->SelectedRow(), 3);
    EXPECT_EQ(form->SubjectText(), u"件名2"_s);

    Put(ReceivedStore(), 3, MakeRecord(u"新しい件名"_s, u"x"_s, u"y"_s, u"z"_s));
    ClickRow(form, 3);
    EXPECT_EQ(form->SubjectText(), u"新しい件名"_s);
    EXPECT_EQ(dialogs_.Requests().size(), 0u);
}

TEST_F(TyakuFormTest, ClickOnAnEmptyListSaysThereIsNothingToSelect) {
    TyakuForm* form = Open(HistoryMode::Sent);
    EXPECT_EQ(form->CountBox()->text(), u"0"_s);
    QTest::mouseClick(form->MailListView()->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(dialogs_.MessageTexts(), QStringList{u"選択するデータがありません。"_s});
    EXPECT_FALSE(form->SelectionFlag());
}

TEST_F(TyakuFormTest, RecordViewAccessorsKeepStoredLineEnds) {
    TyakuForm* form = Registry().Get<TyakuForm>();
    Editor().EditorModified = false;
    form->SetRecordView(u" 件名 "_s, u"差出人"_s, u"日付"_s, u"一行目\r\n二行目\r\n"_s);
    EXPECT_TRUE(Editor().EditorModified);
    EXPECT_EQ(form->BodyEditor()->toPlainText(), u"一行目\n二行目\n"_s);
    const RecordTexts texts = form->RecordViewTexts();
    EXPECT_EQ(texts.subject, u" 件名 "_s); // as written: the caller trims
    EXPECT_EQ(texts.sender, u"差出人"_s);
    EXPECT_EQ(texts.date, u"日付"_s);
    EXPECT_EQ(texts.body, u"一行目\r\n二行目\r\n"_s);
    QTest::keyClick(form->SenderBox(), Qt::Key_End);
    QTest::keyClicks(form->SenderBox(), u"X"_s);
    EXPECT_EQ(form->SenderText(), u"差出人X"_s); // typing counts
}

TEST_F(TyakuFormTest, EditorModelKeepsEverySpaceAndOnlyTextChangesMarkTheEditor) {
    TyakuForm* form = Registry().Get<TyakuForm>();
    const QString body = u"全角\u3000空白と\u00A0改行なし空白\r\n二行目"_s;
    form->SetRecordView(u"件名"_s, u"差出人"_s, u"日付"_s, body);
    EXPECT_EQ(form->BodyText(), body);
    EXPECT_EQ(form->EditorBox().text, u"全角\u3000空白と\u00A0改行なし空白\n二行目"_s);

    // A search that only selects leaves the editor unmodified.
    Editor().EditorModified = false;
    form->EditEditor([](TextBox& box) { Select(box, FindFrom(box, u"空白"_s, 5), 2); });
    EXPECT_FALSE(Editor().EditorModified);
    EXPECT_EQ(form->EditorBox().SelectedText(), u"空白"_s);
    EXPECT_EQ(form->BodyEditor()->textCursor().selectedText(), u"空白"_s);

    form->EditEditor([](TextBox& box) { ReplaceSelection(box, u"（＾＾）"_s); });
    EXPECT_TRUE(Editor().EditorModified);
    EXPECT_EQ(form->EditorBox().Caret(), 11 + 4);
    EXPECT_EQ(form->BodyText(), u"全角\u3000空白と\u00A0改行なし（＾＾）\r\n二行目"_s);
}

TEST_F(TyakuFormTest, LoadStepsLoadTheEditorFileOnlyWhenOneIsSet) {
    Registry().Get<TyakuForm>();
    EXPECT_EQ(dialogs_.Requests().size(), 0u); // empty EditorFile: no prompt
    EXPECT_FALSE(Editor().EditorModified);
    Registry().Close<TyakuForm>();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    const QString file = app_.FilePath(u"memo.txt"_s);
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(EncodeCp932(u"メモ\r\n二行目"_s));
    out.close();
    Editor().EditorFile = file;
    TyakuForm* form = Registry().Get<TyakuForm>();
    EXPECT_EQ(form->BodyEditor()->toPlainText(), u"メモ\n二行目"_s);
    EXPECT_FALSE(Editor().EditorModified);
    Registry().Close<TyakuForm>();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // A file that cannot be read: OK tries again, Cancel goes on.
    Editor().EditorFile = app_.FilePath(u"gone.txt"_s);
    dialogs_.QueueAnswer(Answer::Ok);
    dialogs_.QueueAnswer(Answer::Cancel);
    form = Registry().Get<TyakuForm>();
    ASSERT_TRUE(form);
    ASSERT_EQ(dialogs_.Requests().size(), 2u);
    EXPECT_EQ(dialogs_.Requests()[0].title, AppTitle() + u"  Form_LoadError"_s);
    EXPECT_EQ(dialogs_.Requests()[0].text, QString());
    EXPECT_EQ(dialogs_.Requests()[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(dialogs_.Requests()[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(form->BodyEditor()->isVisibleTo(form));
}

TEST_F(TyakuFormTest, ResizeFollowsTheRulesAndLowWindowsKeepTheBodyHeight) {
    PutNumbered(ReceivedStore(), 2);
    TyakuForm* form = Open(HistoryMode::Received);
    // The window puts every control where the rules say, and the body stays clear of the
    // status bar, which keeps to the bottom edge.
    const auto expectPlaced = [form] {
        const TyakuLayout& l = form->Layout();
        EXPECT_EQ(form->MailListView()->geometry(), Place(l.listView));
        EXPECT_EQ(form->SubjectBox()->geometry(), Place(l.text7));
        EXPECT_EQ(form->SenderBox()->geometry(), Place(l.text8));
        EXPECT_EQ(form->DateBox()->geometry(), Place(l.text9));
        EXPECT_EQ(form->BodyEditor()->geometry(), Place(l.rtfEd));
        EXPECT_EQ(form->StatusBar1()->geometry(), Place(l.statusBar));
        EXPECT_EQ(form->RecordButton(ViewerCommand::CopyField)->geometry(), Place(l.command1));
        EXPECT_EQ(form->PreviewBox()->geometry(), Place(l.text6));
        EXPECT_LT(form->BodyEditor()->geometry().bottom(), form->StatusBar1()->geometry().top());
        EXPECT_EQ(form->StatusBar1()->geometry().bottom(), form->Client()->height() - 1);
    };
    expectPlaced();
    EXPECT_EQ(form->MailListView()->y(), Twips(960));
    EXPECT_EQ(form->Layout().listView.height, qRound(0.25 * form->OuterHeightTwips()));

    const int bodyHeight = form->BodyEditor()->height();
    const int menu = form->height() - form->Client()->height();
    form->resize(500, (3500 - kTyakuFrameHeight) / 15 + menu); // H just under 3500 twips
    QCoreApplication::processEvents();
    ASSERT_EQ(form->OuterHeightTwips(), 3495);
    EXPECT_EQ(form->BodyEditor()->height(), bodyHeight);
    EXPECT_EQ(form->MailListView()->height(), Twips(874));

    form->resize(700, 600 + menu);
    QCoreApplication::processEvents();
    expectPlaced();
    EXPECT_EQ(form->BodyEditor()->x(), Twips(20));
    EXPECT_TRUE(form->PreviewBox()->isVisible());
}

TEST_F(TyakuFormTest, HoverHelpAndTheFieldPreview) {
    PutNumbered(ReceivedStore(), 1);
    TyakuForm* form = Open(HistoryMode::Received);
    MoveOver(form->RecordButton(ViewerCommand::DeleteOne));
    EXPECT_TRUE(form->HelpBox()->isVisible());
    EXPECT_EQ(
        form->HelpBox()->toPlainText(),
        u"受信したメールを１件ずつ削除します。リストでメールを選択（クリック）してから実行して下さい。"_s);
    MoveOver(form->RecordButton(ViewerCommand::CopyField));
    EXPECT_EQ(ToCrLf(form->HelpBox()->toPlainText()),
              u"本文以外のコピーに使用します。「Subject」「From」「Date」に表示されるデータをコピーします（貼"
              u"り付けは"
              u"メニューバー、ツールバーで出来ます）。Body（本文）はメニューバー、ツールバーからコピー・貼り"
              u"付けが出来"
              u"ます。\r\n\r\n "
              u"本文への貼り付け（あるいは本ソフトでの貼り付け機能がある部分）、他のアプリケーションへの"
              u"貼り付けが可能です。\r\n\r\nコピーされる内容は右の欄に反映されます。"_s);

    QTest::mouseMove(form->BodyEditor()->viewport(), QPoint(5, 5)); // hidden, text kept
    EXPECT_FALSE(form->HelpBox()->isVisible());
    EXPECT_FALSE(form->HelpBox()->toPlainText().isEmpty());
    const int H = form->OuterHeightTwips();
    EXPECT_EQ(form->RecordButton(ViewerCommand::CopyField)->y(), Twips(H - 980));
    EXPECT_EQ(form->PreviewBox()->y(), Twips(H - 1000));

    MoveOver(form->SearchBox());
    EXPECT_TRUE(form->HelpBox()->toPlainText().startsWith(u"検索したい文字を入力し、"_s));
    QTest::mouseMove(form->MailListView()->viewport(), QPoint(5, 5)); // hidden and emptied
    EXPECT_FALSE(form->HelpBox()->isVisible());
    EXPECT_EQ(form->HelpBox()->toPlainText(), QString());

    // Over the bare window the copy row goes back onto the status bar.
    QTest::mouseMove(form->Client(), TwipsPoint(6100, 600)); // between 全件削除 and the history search
    EXPECT_EQ(form->RecordButton(ViewerCommand::CopyField)->y(), Twips(form->Layout().statusBar.top + 80));

    MoveOver(form->SenderBox());
    EXPECT_EQ(form->PreviewBox()->text(), u"差出人1"_s);
}

TEST_F(TyakuFormTest, ClosingUnloadsTheViewerButKeepsTheMode) {
    TyakuForm* form = Open(HistoryMode::Sent);
    form->Menu(u"mFile"_s)->actions().last()->trigger(); // 終了
    EXPECT_FALSE(Registry().IsLoaded<TyakuForm>());
    EXPECT_EQ(CurrentHistoryMode(), HistoryMode::Sent);
}

} // namespace
} // namespace ricorne
