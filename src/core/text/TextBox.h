// What a text box holds, as a value: its text, the caret and the selection. Windows show these
// values in their Qt text widgets (app/TextBoxAdapter.h reads and writes them); the editing
// commands of every window (insert, paste, search, jumps, select all) are written once, here,
// and tested without widgets.
//
// The text is held as the control holds it: line breaks as "\n". Positions are 0-based indices
// into the text (QString code units, as Qt's text cursor counts them). The selection runs from
// selectionStart for selectionLength units; with no selection selectionLength is 0 and the
// caret stands at selectionStart.
#pragma once

#include <QString>

namespace ricorne {

struct TextBox {
    QString text;
    int selectionStart = 0;  // the caret when nothing is selected
    int selectionLength = 0; // 0: nothing selected

    TextBox() = default;
    explicit TextBox(QString initial, int caret = 0) : text(std::move(initial)), selectionStart(caret) {}

    int Caret() const { return selectionStart; }
    int SelectionEnd() const { return selectionStart + selectionLength; }
    bool HasSelection() const { return selectionLength > 0; }
    QString SelectedText() const { return text.mid(selectionStart, selectionLength); }

    bool operator==(const TextBox&) const = default;
};

// Puts the caret at position (clamped to the text) with nothing selected.
void PlaceCaret(TextBox& box, int position);
// Selects length units from start (both clamped to the text).
void Select(TextBox& box, int start, int length);
// Caret at 0, the whole text selected.
void SelectAll(TextBox& box);
// Puts the caret at the start or the end of the text, nothing selected.
void JumpToStart(TextBox& box);
void JumpToEnd(TextBox& box);

// Replaces the selection with replacement (at the caret when nothing is selected), exactly as
// typing would: the caret ends right after the inserted text, nothing selected.
void ReplaceSelection(TextBox& box, const QString& replacement);

// Takes a clipboard text, strips leading and trailing ASCII spaces (U+0020 only: ideographic
// spaces and line breaks stay) and puts it in place of the selection. An empty clipboard
// deletes the selection.
void PasteStripped(TextBox& box, const QString& clipboard);

// The selected text with the selection collapsed to its end (to position 0 when nothing was
// selected): the first steps of copying a selection out of a box.
QString TakeSelectionCollapsed(TextBox& box);

// 0-based position of the first exact occurrence (code unit by code unit) of needle at or after
// from, or -1. A negative from counts as 0; an empty needle is never found.
int FindFrom(const TextBox& box, const QString& needle, int from);

} // namespace ricorne
