#include "core/text/TextBox.h"

#include "core/text/Text.h"

#include <algorithm>

namespace ricorne {

namespace {
int Clamp(const TextBox& box, int position) {
    return std::clamp(position, 0, static_cast<int>(box.text.size()));
}
} // namespace

void PlaceCaret(TextBox& box, int position) {
    box.selectionStart = Clamp(box, position);
    box.selectionLength = 0;
}

void Select(TextBox& box, int start, int length) {
    box.selectionStart = Clamp(box, start);
    box.selectionLength = Clamp(box, box.selectionStart + std::max(length, 0)) - box.selectionStart;
}

void SelectAll(TextBox& box) {
    Select(box, 0, static_cast<int>(box.text.size()));
}

void JumpToStart(TextBox& box) {
    PlaceCaret(box, 0);
}

void JumpToEnd(TextBox& box) {
    PlaceCaret(box, static_cast<int>(box.text.size()));
}

void ReplaceSelection(TextBox& box, const QString& replacement) {
    Select(box, box.selectionStart, box.selectionLength); // a stale value never reaches past the text
    box.text.replace(box.selectionStart, box.selectionLength, replacement);
    box.selectionStart += static_cast<int>(replacement.size());
    box.selectionLength = 0;
}

void PasteStripped(TextBox& box, const QString& clipboard) {
    ReplaceSelection(box, Trim(clipboard));
}

QString TakeSelectionCollapsed(TextBox& box) {
    Select(box, box.selectionStart, box.selectionLength);
    const QString selected = box.SelectedText();
    PlaceCaret(box, box.HasSelection() ? box.SelectionEnd() : 0);
    return selected;
}

int FindFrom(const TextBox& box, const QString& needle, int from) {
    if (needle.isEmpty() || from > box.text.size())
        return -1;
    return static_cast<int>(box.text.indexOf(needle, std::max(from, 0), Qt::CaseSensitive));
}

} // namespace ricorne
