#include "history/TyakuFormEditor.h"

#include "app/TextBoxAdapter.h"
#include "history/EditorCommands.h"
#include "history/TyakuForm.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>

#include <memory>

namespace ricorne {

namespace {

class TyakuEditorHost : public EditorHost {
public:
    explicit TyakuEditorHost(TyakuForm& form) : form_(&form) {}

    TextBox EditorBox() const override { return form_->EditorBox(); }
    // rtfEd's change signal marks the editor modified.
    void SetEditorBox(const TextBox& box) override { WriteTextBox(*form_->RtfEd(), box); }
    void FocusEditor() override { form_->RtfEd()->setFocus(); }

    QString SearchText() const override { return form_->Text1()->text(); }
    QString SubjectText() const override { return form_->SubjectText(); }
    QString SenderText() const override { return form_->SenderText(); }
    QString DateText() const override { return form_->DateText(); }

    void SetCaption(const QString& caption) override { form_->setWindowTitle(caption); }

    PrintFont EditorFont() const override {
        const QFont font = form_->RtfEd()->font();
        return {font.family(), font.pointSizeF(), font.bold(), font.italic()};
    }
    void SetEditorStyle(FontStyle style, bool on) override {
        QFont font = form_->RtfEd()->font();
        switch (style) {
        case FontStyle::Bold:
            font.setBold(on);
            break;
        case FontStyle::Italic:
            font.setItalic(on);
            break;
        case FontStyle::Underline:
            font.setUnderline(on);
            break;
        }
        form_->RtfEd()->setFont(font);
    }

    QString ClipboardText() const override { return QGuiApplication::clipboard()->text(); }
    void SetClipboardText(const QString& text) override {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(text);
    }

private:
    QPointer<TyakuForm> form_;
};

} // namespace

void InstallEditorCommands(TyakuForm& form) {
    // Shared by the commands, which live as long as the window: the host and its SearchPos.
    struct Binding {
        explicit Binding(TyakuForm& form) : host(form) {}
        TyakuEditorHost host;
        int searchPos = 0;
    };
    const auto b = std::make_shared<Binding>(form);
    auto bind = [&form, b](const char* key, void (*command)(Binding&)) {
        form.SetCommand(QString::fromLatin1(key), [b, command] { command(*b); });
    };
    bind("SelectAll", [](Binding& b) { SelectAllCommand(b.host); });
    bind("JumpStart", [](Binding& b) { JumpToStartCommand(b.host); });
    bind("JumpEnd", [](Binding& b) { JumpToEndCommand(b.host); });
    bind("Cut", [](Binding& b) { CutCommand(b.host); });
    bind("Copy", [](Binding& b) { CopyCommand(b.host); });
    bind("Paste", [](Binding& b) { PasteCommand(b.host); });
    bind("Search", [](Binding& b) { SearchCommand(b.host, b.searchPos); });
    bind("FindNext", [](Binding& b) { FindNextCommand(b.host, b.searchPos); });
    bind("New", [](Binding& b) { NewCommand(b.host, Editor()); });
    bind("Open", [](Binding& b) { OpenCommand(b.host); });
    bind("Save", [](Binding& b) { SaveAsCommand(b.host); });
    bind("Print", [](Binding& b) { PrintCommand(b.host); });
    bind("Bold", [](Binding& b) { StyleCommand(b.host, Editor(), FontStyle::Bold); });
    bind("Italic", [](Binding& b) { StyleCommand(b.host, Editor(), FontStyle::Italic); });
    bind("Underline", [](Binding& b) { StyleCommand(b.host, Editor(), FontStyle::Underline); });
}

} // namespace ricorne
