#include "history/TyakuFormEditor.h"

#include "history/EditorHost.h"
#include "history/TyakuForm.h"
#include "shell/TextBoxAdapter.h"

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
    void SetEditorBox(const TextBox& box) override { WriteTextBox(*form_->BodyEditor(), box); }
    void FocusEditor() override { form_->BodyEditor()->setFocus(); }

    QString SearchText() const override { return form_->SearchBox()->text(); }

    void SetCaption(const QString& caption) override { form_->setWindowTitle(caption); }

    PrintFont EditorFont() const override {
        const QFont font = form_->BodyEditor()->font();
        return {font.family(), font.pointSizeF(), font.bold(), font.italic()};
    }
    void SetEditorStyle(FontStyle style, bool on) override {
        QFont font = form_->BodyEditor()->font();
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
        form_->BodyEditor()->setFont(font);
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

std::unique_ptr<EditorHost> MakeEditorHost(TyakuForm& form) {
    return std::make_unique<TyakuEditorHost>(form);
}

} // namespace ricorne
