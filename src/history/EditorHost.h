// What the body editor's commands need from the window that holds the editor: the editor box as a
// value, the search box, the caption, the editor's font and the clipboard. (The record boxes shown
// above the editor are the window's HistoryView.) TyakuForm's binding implements it; tests use a
// plain one. No widget header.
#pragma once

#include "core/dialogs/DialogService.h"
#include "core/text/TextBox.h"

#include <QString>

namespace ricorne {

enum class FontStyle { Bold, Italic, Underline };

class EditorHost {
public:
    virtual ~EditorHost();

    // rtfEd as a value: line breaks "\n".
    virtual TextBox EditorBox() const = 0;
    // Shows box in rtfEd. A change of the text marks the editor modified, as typing does.
    virtual void SetEditorBox(const TextBox& box) = 0;
    virtual void FocusEditor() = 0;

    virtual QString SearchText() const = 0; // Text1

    virtual void SetCaption(const QString& caption) = 0;

    // The editor's font as the printer gets it, and one style switched on the whole editor.
    virtual PrintFont EditorFont() const = 0;
    virtual void SetEditorStyle(FontStyle style, bool on) = 0;

    // The system clipboard, plain text only. Setting replaces whatever it held.
    virtual QString ClipboardText() const = 0;
    virtual void SetClipboardText(const QString& text) = 0;
};

} // namespace ricorne
