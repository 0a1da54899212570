// The body editor on the real viewer window: its menus and toolbar run the commands on rtfEd with
// the system clipboard, each window has its own search position, and printing goes through the
// platform's printer path onto a PDF page with the Japanese text on it.
#include "StoreFixture.h"
#include "history/EditorState.h"
#include "history/OpenHistory.h"
#include "history/TyakuForm.h"
#include "shell/QtDialogService.h"
#include "shell/WindowRegistry.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

using namespace Qt::StringLiterals;

namespace ricorne {
namespace {

class TyakuFormEditorTest : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        previousFolder_ = QDir::currentPath();
        QDir::setCurrent(app_.Path());
    }
    void TearDown() override {
        Registry().Close<TyakuForm>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QDir::setCurrent(previousFolder_);
        StoreFixture::TearDown();
    }

    static TyakuForm* Viewer() {
        TyakuForm* form = Registry().Show<TyakuForm>();
        EXPECT_TRUE(form && QTest::qWaitForWindowExposed(form));
        return form;
    }
    static QAction* Item(TyakuForm* form, const QString& menu, const QString& name) {
        for (QAction* a : form->Menu(menu)->actions())
            if (a->objectName() == name)
                return a;
        ADD_FAILURE() << name.toStdString();
        return nullptr;
    }
    static void Tool(TyakuForm* form, const QString& key) {
        for (QAction* a : form->TbToolBar()->actions())
            if (a->data().toString() == key)
                return a->trigger();
        ADD_FAILURE() << key.toStdString();
    }
    static QString Selected(TyakuForm* form) { return form->BodyEditor()->textCursor().selectedText(); }

    QString previousFolder_;
};

TEST_F(TyakuFormEditorTest, MenusAndToolbarEditTheBodyThroughTheClipboard) {
    TyakuForm* form = Viewer();
    form->SetRecordView(u"件名"_s, u"差出人"_s, u"日付"_s, u"うちのねこと\r\nよそのねこ"_s);
    form->SearchBox()->setText(u"ねこ"_s);

    Item(form, u"medit"_s, u"mkensaku"_s)->trigger();
    EXPECT_EQ(form->EditorBox().selectionStart, 3);
    Item(form, u"medit"_s, u"mtugikensaku"_s)->trigger();
    EXPECT_EQ(form->EditorBox().selectionStart, 10);
    EXPECT_EQ(Selected(form), u"ねこ"_s);

    Tool(form, u"Copy"_s);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"ねこ"_s);
    EXPECT_EQ(form->EditorBox(), TextBox(u"うちのねこと\nよそのねこ"_s, 12));

    QGuiApplication::clipboard()->setText(u"  いぬ\u3000  "_s);
    Item(form, u"medit"_s, u"matamajump"_s)->trigger();
    Tool(form, u"Paste"_s);
    EXPECT_EQ(form->BodyText(), u"いぬ\u3000うちのねこと\r\nよそのねこ"_s);

    Item(form, u"medit"_s, u"mall"_s)->trigger();
    Item(form, u"medit"_s, u"mcut"_s)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"いぬ\u3000うちのねこと\nよそのねこ"_s);
    EXPECT_EQ(form->BodyText(), QString());
    EXPECT_TRUE(Editor().EditorModified);

    Tool(form, u"Bold"_s);
    Tool(form, u"Italic"_s);
    EXPECT_TRUE(form->BodyEditor()->font().bold());
    EXPECT_TRUE(form->BodyEditor()->font().italic());
    Tool(form, u"Bold"_s);
    EXPECT_FALSE(form->BodyEditor()->font().bold());
    EXPECT_TRUE(form->BodyEditor()->font().italic());
}

TEST_F(TyakuFormEditorTest, EachWindowSearchesAfreshAndShowsItsLaidOutFont) {
    TyakuForm* form = Viewer();
    form->SetBody(u"あいあい"_s);
    form->SearchBox()->setText(u"あい"_s);
    Item(form, u"medit"_s, u"mkensaku"_s)->trigger();
    Tool(form, u"Underline"_s);
    EXPECT_TRUE(form->BodyEditor()->font().underline());
    form->Menu(u"mFile"_s)->actions().last()->trigger(); // 終了
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    form = Viewer();
    EXPECT_FALSE(form->BodyEditor()->font().underline());
    form->SetBody(u"あいあい"_s);
    form->SearchBox()->setText(u"あい"_s);
    // A fresh SearchPos: Find next starts at the search text's length and finds the second.
    Item(form, u"medit"_s, u"mtugikensaku"_s)->trigger();
    EXPECT_EQ(form->EditorBox().selectionStart, 2);
    Tool(form, u"Underline"_s); // the switch was still on: this click only turns it off
    EXPECT_FALSE(form->BodyEditor()->font().underline());
    EXPECT_FALSE(Editor().Underline);
}

TEST_F(TyakuFormEditorTest, NewNamesTheFileInTheCaptionAndTheNextWindowLoadsIt) {
    TyakuForm* form = Viewer();
    form->SetBody(u"本文"_s);
    Tool(form, u"New"_s);
    EXPECT_EQ(form->windowTitle(), u"新規作成.TXT      新規作成.TXT"_s);
    EXPECT_EQ(form->BodyText(), QString());
    EXPECT_FALSE(Editor().EditorModified);
    EXPECT_TRUE(QFile::exists(app_.FilePath(u"新規作成.TXT"_s)));
    EXPECT_TRUE(dialogs_.Requests().empty());
    Registry().Close<TyakuForm>();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QFile file(app_.FilePath(u"新規作成.TXT"_s));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(EncodeCp932(u"保存した下書き"_s));
    file.close();
    EXPECT_EQ(Viewer()->BodyText(), u"保存した下書き"_s);
}

TEST_F(TyakuFormEditorTest, PrintMenuAndButtonPrintTheSameWay) {
    TyakuForm* form = Viewer();
    form->SetBody(u"印刷する本文"_s);
    dialogs_.QueuePrint({true, false, 1});
    dialogs_.QueuePrint({true, false, 1});
    Item(form, u"mFile"_s, u"mprint"_s)->trigger();
    Tool(form, u"Print"_s);
    QStringList printed;
    for (const DialogRequest& r : dialogs_.Requests())
        if (r.kind == DialogRequest::Kind::PrintText) {
            printed << r.text;
            EXPECT_EQ(r.font.family, form->BodyEditor()->font().family());
        }
    EXPECT_EQ(printed, (QStringList{u"印刷する本文\n"_s, u"印刷する本文\n"_s}));
}

// The real dialog service with its dialog answered: printing runs on its printer as after the
// platform's print dialog, here set to write a PDF file.
class PdfDialogService : public QtDialogService {
public:
    PrintAnswer AskPrint(bool) override { return {true, false, 2}; }
};

QString RunTool(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return u"<failed: "_s + QString::fromLocal8Bit(process.readAllStandardError()) + u'>';
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Two copies asked for: one file with both, each on its own page.
TEST_F(TyakuFormEditorTest, PrintingPutsTheJapaneseTextOnThePageOncePerCopy) {
    for (const char* tool : {"pdftotext", "pdftoppm", "pdffonts"})
        ASSERT_FALSE(QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            << tool << " is missing (scripts/deps.sh --test installs poppler-utils)";
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const QString pdf = out.filePath(u"本文.pdf"_s);
    PdfDialogService service;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdf);
    service.SetPrinter(std::move(printer));
    ScopedDialogService scoped(service);

    TyakuForm* form = Viewer();
    const QString line = u"拝啓　日本語の本文を印刷します（①㈱）"_s;
    form->SetBody(line + u"\r\n二行目も印刷"_s);
    Tool(form, u"Print"_s);

    ASSERT_TRUE(QFile::exists(pdf));
    QString text = RunTool(u"pdftotext"_s, {u"-enc"_s, u"UTF-8"_s, pdf, u"-"_s});
    // Extraction turns the ideographic space into blanks or nothing; the characters are the point.
    const auto blanksOut = [](QString t) { return t.remove(u' ').remove(u'\u3000'); };
    EXPECT_TRUE(blanksOut(text).contains(blanksOut(line))) << text.toStdString();
    EXPECT_EQ(text.count(u"二行目も印刷"_s), 2) << text.toStdString();
    EXPECT_EQ(text.count(u'\f'), 2) << "two pages";
    // The glyphs come from a font that has them, not from a fallback that draws boxes.
    EXPECT_TRUE(RunTool(u"pdffonts"_s, {pdf}).contains(u"IPA"_s, Qt::CaseInsensitive));

    RunTool(u"pdftoppm"_s,
            {u"-r"_s, u"60"_s, u"-f"_s, u"1"_s, u"-l"_s, u"1"_s, u"-png"_s, pdf, out.filePath(u"page"_s)});
    QImage page;
    for (const QString& name : QDir(out.path()).entryList({u"page*.png"_s}))
        page.load(out.filePath(name));
    ASSERT_FALSE(page.isNull());
    int dark = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            dark += qGray(page.pixel(x, y)) < 128;
    EXPECT_GT(dark, 200); // two lines of ink at 60 dpi
    EXPECT_LT(dark, page.width() * page.height() / 20);
}

} // namespace
} // namespace ricorne
