// An editor host without a window: it holds what the commands give it and, like the viewer's
// editor, marks the editor modified when its text changes.
#pragma once

#include "history/EditorHost.h"
#include "history/EditorState.h"
#include "history/HeadlessHistoryView.h"

namespace ricorne {

class FakeEditorHost : public EditorHost {
public:
    TextBox box;
    QString search, subject, sender, date, caption, clipboard;
    PrintFont font{QStringLiteral("IPAGothic"), 10.5, false, false};
    bool bold = false, italic = false, underline = false;
    int focusCount = 0;

    // The record shown above the editor: subject, sender and date.
    HeadlessHistoryView Shown() const {
        HeadlessHistoryView view;
        view.SetRecordView(subject, sender, date, QString());
        return view;
    }

    TextBox EditorBox() const override { return box; }
    void SetEditorBox(const TextBox& b) override {
        if (b.text != box.text)
            Editor().EditorModified = true;
        box = b;
    }
    void FocusEditor() override { ++focusCount; }
    QString SearchText() const override { return search; }
    void SetCaption(const QString& c) override { caption = c; }
    PrintFont EditorFont() const override { return font; }
    void SetEditorStyle(FontStyle style, bool on) override {
        (style == FontStyle::Bold ? bold : style == FontStyle::Italic ? italic : underline) = on;
    }
    QString ClipboardText() const override { return clipboard; }
    void SetClipboardText(const QString& text) override { clipboard = text; }
};

} // namespace ricorne
