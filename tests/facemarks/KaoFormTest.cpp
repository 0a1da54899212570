// The palette offscreen: its tabs and controls, and the real buttons: insert (into an open or a
// closed compose window), paste, favourite, the compose window's button that opens it, and the
// save when the program ends while it is open.
#include "FaceMarkTestSupport.h"

#include "app/Wiring.h"
#include "compose/WriteForm.h"
#include "core/dialogs/ScriptedDialogService.h"
#include "core/geometry/Twips.h"
#include "core/text/Text.h"
#include "facemarks/FaceMarkTexts.h"
#include "facemarks/KaoForm.h"
#include "facemarks/OpenFaceMarks.h"
#include "shell/TextBoxAdapter.h"
#include "shell/WindowRegistry.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

class KaoFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const FaceMarkList& list : FaceMarkLists())
            folder_.Write(list.fileName, EncodeCp932(u"%1の一行目\r\n(^_^) (^o^)/\r\n"_s.arg(list.caption)));
        InstallWiring();
    }
    void TearDown() override {
        Registry().Close<KaoForm>();
        Registry().Close<WriteForm>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    KaoForm* Open() {
        KaoForm* form = Registry().Show<KaoForm>();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form));
        return form;
    }
    static void Click(QAbstractButton* button) {
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    static void SelectIn(QPlainTextEdit* box, int start, int length) {
        TextBox value = ReadTextBox(*box);
        Select(value, start, length);
        WriteTextBox(*box, value);
    }
    QString FileText(int tab) const { return DecodeCp932(folder_.Read(FaceMarkLists().at(tab).fileName)); }
    QList<QByteArray> AllFiles() const {
        QList<QByteArray> files;
        for (const QString& name : folder_.Files())
            files << name.toUtf8() + ':' + folder_.Read(name);
        return files;
    }

    FaceMarkFolder folder_;
    ScriptedDialogService dialogs_;
    ScopedDialogService scoped_{dialogs_};
};

TEST_F(KaoFormTest, OpensCentredOnTabThreeWithTwelveTabsInFourRowsOfThree) {
    KaoForm* form = Open();
    EXPECT_EQ(form->windowTitle(), u"絵・顔文字"_s);
    EXPECT_EQ(form->size(), TwipsSize(8745, 7485));
    EXPECT_EQ(form->CurrentTab(), 3);
    EXPECT_TRUE(form->TabButton(3)->isChecked());
    EXPECT_TRUE(form->ListBox(3)->isVisible());
    EXPECT_FALSE(form->ListBox(0)->isVisible());
    const QRect screen = form->screen()->geometry();
    EXPECT_NEAR(form->frameGeometry().center().x(), screen.center().x(), 2);

    for (const FaceMarkList& list : FaceMarkLists()) {
        QToolButton* tab = form->TabButton(list.tab);
        EXPECT_EQ(tab->text(), list.caption);
        const int row = list.tab / 3;
        const int column = list.tab % 3;
        EXPECT_EQ(tab->y(), form->TabButton(row * 3)->y()) << list.tab;
        EXPECT_EQ(tab->x(), form->TabButton(column)->x()) << list.tab;
        EXPECT_GT(tab->y(), row == 0 ? -1 : form->TabButton((row - 1) * 3)->y());
        EXPECT_EQ(form->ListBox(list.tab)->objectName(), list.box);
        // Every list is loaded as its file holds it, the caret at the start.
        EXPECT_EQ(BoxText(*form->ListBox(list.tab)), u"%1の一行目\n(^_^) (^o^)/\n"_s.arg(list.caption));
        EXPECT_EQ(ReadTextBox(*form->ListBox(list.tab)).Caret(), 0);
    }

    Click(form->TabButton(10));
    EXPECT_EQ(form->CurrentTab(), 10);
    EXPECT_TRUE(form->ListBox(10)->isVisible());
    EXPECT_FALSE(form->TabButton(3)->isChecked());
}

TEST_F(KaoFormTest, EveryTabHasItsButtonsLabelAndTheFooterItsTexts) {
    KaoForm* form = Open();
    const int inserts[] = {1, 4, 5, 7, 10, 11, 14, 15, 18, 19, 22, 23};
    const int pastes[] = {2, 3, 6, 8, 9, 12, 13, 16, 17, 20, 21, 24};
    const int favourites[] = {27, 28, 29, 30, 31, 32, 33, 34, 35, 25, 26};
    int buttons = 0;
    for (int tab = 0; tab < kFaceMarkListCount; ++tab) {
        EXPECT_EQ(form->InsertButton(tab)->objectName(), u"Command%1"_s.arg(inserts[tab]));
        EXPECT_EQ(form->InsertButton(tab)->text(), u"新規作成本文に挿入"_s);
        EXPECT_EQ(form->PasteButton(tab)->objectName(), u"Command%1"_s.arg(pastes[tab]));
        EXPECT_EQ(form->PasteButton(tab)->text(), u"追加（貼付）"_s);
        buttons += 2;
        if (tab < kFavouritesTab) {
            EXPECT_EQ(form->FavouriteButton(tab)->objectName(), u"Command%1"_s.arg(favourites[tab]));
            EXPECT_EQ(form->FavouriteButton(tab)->text(), u"お気に入りに追加"_s);
            ++buttons;
        }
        const QString label = tab == 0 ? u"Label1"_s : u"Label3_%1"_s.arg(tab - 1);
        auto* instruction = form->findChild<QLabel*>(label);
        ASSERT_NE(instruction, nullptr) << label.toStdString();
        EXPECT_EQ(instruction->text(),
                  u"本文に挿入したい部分をマウスで選択（青色反転）し、「新規作成本文に挿入」をクリック！"_s);
    }
    EXPECT_EQ(form->FavouriteButton(kFavouritesTab), nullptr);
    EXPECT_EQ(buttons, 35);
    EXPECT_EQ(form->findChildren<QPushButton*>().size(), 35);

    EXPECT_EQ(
        form->findChild<QLabel*>(u"Label4"_s)->text(),
        u"追加・削除、編集自由自在。自動で保存されます。県名や電話番号、氏名をあなた用に変更して下さい。"_s);
    EXPECT_EQ(form->findChild<QLabel*>(u"Label6"_s)->text(), u"文字署名"_s);
    EXPECT_EQ(form->findChild<QLabel*>(u"Label7"_s)->text(), u"(^-^)なページ"_s);
    for (const QString& name : {u"Label5"_s, u"Label8"_s}) {
        const QString address = form->findChild<QLabel*>(name)->text();
        EXPECT_TRUE(address.startsWith(u"file://"_s)) << address.toStdString();
        EXPECT_TRUE(address.endsWith(u"/help/index.html"_s)) << address.toStdString();
    }
}

TEST_F(KaoFormTest, InsertPutsTheMarkAtTheBodysCaretThenClosesAndSaves) {
    WriteForm* compose = Registry().Show<WriteForm>();
    compose->BodyText()->setPlainText(u"拝啓\nよろしく"_s);
    compose->EditBody([](TextBox& body) { PlaceCaret(body, 3); });
    KaoForm* form = Open();
    const int mark = u"顔文字の一行目\n(^_^)"_s.size(); // the space before "(^o^)/"
    TextBox kao1 = ReadTextBox(*form->ListBox(0));
    kao1.text += u"追記"_s;
    Select(kao1, mark, 7);
    WriteTextBox(*form->ListBox(0), kao1);

    Click(form->InsertButton(0));

    EXPECT_EQ(BoxText(*compose->BodyText()), u"拝啓\n(^o^)/よろしく"_s);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u" (^o^)/"_s);
    EXPECT_FALSE(Registry().IsLoaded<KaoForm>());
    // Closing wrote the edited list back, with a final CR LF, and left the others alone.
    EXPECT_EQ(FileText(0), u"顔文字の一行目\r\n(^_^) (^o^)/\r\n追記\r\n"_s);
    EXPECT_EQ(FileText(7), u"衣料、雑貨、ゲーム、スポーツの一行目\r\n(^_^) (^o^)/\r\n"_s);
}

// Ctrl+A in the body, then an insert with nothing selected in the list: nothing happens at all.
TEST_F(KaoFormTest, InsertWithNothingSelectedKeepsTheBodyTheClipboardAndThePalette) {
    WriteForm* compose = Registry().Show<WriteForm>();
    compose->BodyText()->setPlainText(u"KEEP-THIS-TEXT"_s);
    compose->EditBody([](TextBox& body) { SelectAll(body); });
    QGuiApplication::clipboard()->setText(u"前のクリップボード"_s);
    KaoForm* form = Open();

    Click(form->InsertButton(3));
    Click(form->FavouriteButton(3));

    EXPECT_EQ(BoxText(*compose->BodyText()), u"KEEP-THIS-TEXT"_s);
    EXPECT_EQ(ReadTextBox(*compose->BodyText()).SelectedText(), u"KEEP-THIS-TEXT"_s);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"前のクリップボード"_s);
    EXPECT_EQ(BoxText(*form->ListBox(11)), u"お気に入りの一行目\n(^_^) (^o^)/\n"_s);
    EXPECT_TRUE(Registry().IsLoaded<KaoForm>());
}

// Lists that are UTF-8 or damaged are shown with one warning; an unedited close writes nothing,
// so not one byte of any file changes.
TEST_F(KaoFormTest, OpeningAndClosingWithoutEditsChangesNoFileAndNamesTheListsNotInCp932) {
    folder_.Write(u"Text5.txt"_s, u"乗り物 🚗 (UTF-8)\r\n"_s.toUtf8());
    folder_.Write(u"Text6.txt"_s, EncodeCp932(u"飲物"_s) + "\xFD\xFE" + EncodeCp932(u"（ÅÅ）\r\n"_s));
    const QList<QByteArray> before = AllFiles();

    KaoForm* form = Open();
    EXPECT_EQ(BoxText(*form->ListBox(5)), u"乗り物 🚗 (UTF-8)\n"_s);
    ASSERT_EQ(dialogs_.MessageTexts(), QStringList{ListsNotCp932Text({ReadAsUtf8Note(u"Text5.txt"_s),
                                                                      ReadDamagedNote(u"Text6.txt"_s)})});
    ASSERT_TRUE(Registry().Close<KaoForm>());
    for (int round = 0; round < 3; ++round) {
        Open();
        ASSERT_TRUE(Registry().Close<KaoForm>());
    }
    EXPECT_EQ(AllFiles(), before);
}

// A pasted emoji is named before the list is stored: いいえ goes back to the palette with the file
// untouched, はい stores it as "?".
TEST_F(KaoFormTest, APastedEmojiIsNamedBeforeTheListIsStored) {
    const QByteArray before = folder_.Read(u"Text11.txt"_s);
    KaoForm* form = Open();
    QGuiApplication::clipboard()->setText(u"(*^_^*)😀"_s);
    Click(form->PasteButton(11));

    dialogs_.QueueAnswer(Answer::No);
    EXPECT_FALSE(Registry().Close<KaoForm>());
    ASSERT_EQ(dialogs_.MessageTexts(), QStringList{UnkeptFaceMarksQuestion(u"お気に入り"_s, {u"😀"_s}, true)});
    EXPECT_EQ(form->CurrentTab(), 11);
    EXPECT_EQ(folder_.Read(u"Text11.txt"_s), before);

    dialogs_.QueueAnswer(Answer::Yes);
    EXPECT_TRUE(Registry().Close<KaoForm>());
    EXPECT_EQ(FileText(11), u"(*^_^*)?お気に入りの一行目\r\n(^_^) (^o^)/\r\n"_s);
}

// A list whose file cannot be written (a folder in its place) is reported with its path, and the
// palette stays open with the edit for another try.
TEST_F(KaoFormTest, AListThatCannotBeWrittenIsReportedWithItsPathAndThePaletteStaysOpen) {
    ASSERT_TRUE(QFile::remove(folder_.FilePath(u"Text2.txt"_s)));
    ASSERT_TRUE(QDir(folder_.Path()).mkdir(u"Text2.txt"_s));
    KaoForm* form = Open();
    form->ListBox(2)->setPlainText(u"（＾＿＾）編集"_s);
    form->ListBox(4)->setPlainText(u"干支の編集"_s);

    EXPECT_FALSE(Registry().Close<KaoForm>());
    ASSERT_EQ(dialogs_.MessageTexts().size(), 1);
    EXPECT_TRUE(
        dialogs_.MessageTexts()[0].contains(QDir::toNativeSeparators(folder_.FilePath(u"Text2.txt"_s))))
        << dialogs_.MessageTexts()[0].toStdString();
    EXPECT_EQ(dialogs_.Requests()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(FileText(4), u"干支の編集\r\n"_s); // the others are written all the same

    ASSERT_TRUE(QDir(folder_.FilePath(u"Text2.txt"_s)).removeRecursively());
    EXPECT_TRUE(Registry().Close<KaoForm>());
    EXPECT_EQ(FileText(2), u"（＾＿＾）編集\r\n"_s);
}

TEST_F(KaoFormTest, InsertWhileTheComposeWindowIsClosedLoadsItHiddenWithTheText) {
    KaoForm* form = Open();
    ASSERT_FALSE(Registry().IsLoaded<WriteForm>());
    SelectIn(form->ListBox(3), 0, 9); // "春夏秋冬、年中行事"

    Click(form->InsertButton(3));

    WriteForm* compose = Registry().Find<WriteForm>();
    ASSERT_NE(compose, nullptr);
    EXPECT_FALSE(compose->isVisible());
    EXPECT_EQ(BoxText(*compose->BodyText()), u"春夏秋冬、年中行事"_s);
    // Showing it later shows that text.
    Registry().Show<WriteForm>();
    EXPECT_EQ(BoxText(*compose->BodyText()), u"春夏秋冬、年中行事"_s);
}

TEST_F(KaoFormTest, FavouriteGoesToTheFavouritesCaretWithoutLeavingTheTab) {
    KaoForm* form = Open();
    Click(form->TabButton(0));
    SelectIn(form->ListBox(0), u"顔文字の一行目\n"_s.size(), 5); // "(^_^)"

    Click(form->FavouriteButton(0));

    EXPECT_TRUE(BoxText(*form->ListBox(11)).startsWith(u"(^_^)お気に入りの一行目"_s));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"(^_^)"_s);
    EXPECT_EQ(form->CurrentTab(), 0);
    EXPECT_TRUE(Registry().IsLoaded<KaoForm>());

    // Once the caret stands elsewhere in the favourites, copies go there.
    TextBox favourites = ReadTextBox(*form->ListBox(11));
    PlaceCaret(favourites, favourites.text.size());
    WriteTextBox(*form->ListBox(11), favourites);
    SelectIn(form->ListBox(4), 0, 2);
    Click(form->FavouriteButton(4));
    EXPECT_TRUE(BoxText(*form->ListBox(11)).endsWith(u"(^o^)/\n干支"_s));
}

TEST_F(KaoFormTest, PasteAddsTheStrippedClipboardAndKeepsThePaletteOpen) {
    KaoForm* form = Open();
    QGuiApplication::clipboard()->setText(u"  　(=^・^=)\n  "_s);
    SelectIn(form->ListBox(11), 0, u"お気に入り"_s.size());

    Click(form->PasteButton(11));

    EXPECT_EQ(BoxText(*form->ListBox(11)), u"　(=^・^=)\nの一行目\n(^_^) (^o^)/\n"_s);
    EXPECT_TRUE(Registry().IsLoaded<KaoForm>());
}

TEST_F(KaoFormTest, TheComposeWindowsButtonOpensThePalette) {
    WriteForm* compose = Registry().Show<WriteForm>();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(compose));
    Click(compose->FaceMarksButton());
    KaoForm* form = Registry().Find<KaoForm>();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(compose->isVisible());
}

TEST_F(KaoFormTest, ProgramEndSavesTheOpenPalettesEditsAndWithoutThePaletteWritesNothing) {
    const QByteArray before = folder_.Read(u"Text9.txt"_s);
    SaveOpenPalette();
    EXPECT_EQ(folder_.Read(u"Text9.txt"_s), before);

    KaoForm* form = Open();
    form->ListBox(9)->setPlainText(u"終了前の編集"_s);
    SaveOpenPalette();
    EXPECT_EQ(FileText(9), u"終了前の編集\r\n"_s);
    EXPECT_TRUE(Registry().IsLoaded<KaoForm>());
}

} // namespace
