// The one bridge between a TextBox value (core/text/TextBox.h) and Qt's multi-line text widgets.
// Reading keeps every character as typed: the document's raw text with paragraph breaks as
// "\n" (toPlainText would also turn no-break spaces into ASCII spaces).
#pragma once

#include "core/text/TextBox.h"

class QPlainTextEdit;
class QTextEdit;
class QTextDocument;

namespace ricorne {

// The text as the user sees it, line breaks as "\n".
QString BoxText(const QTextDocument& document);
QString BoxText(const QPlainTextEdit& edit);
QString BoxText(const QTextEdit& edit);

// Text, caret and selection of the widget.
TextBox ReadTextBox(const QPlainTextEdit& edit);
TextBox ReadTextBox(const QTextEdit& edit);

// Shows box in the widget: the text is replaced only when it differs (so an unchanged box keeps
// the widget's undo history and raises no change signal), then the selection is set. The caret
// stands at the selection's end, as after a selection made with the mouse from left to right.
void WriteTextBox(QPlainTextEdit& edit, const TextBox& box);
void WriteTextBox(QTextEdit& edit, const TextBox& box);

// Applies an edit to the widget's box and shows the result: the common shape of every command.
template <class Edit, class Command> void EditTextBox(Edit& edit, Command&& command) {
    TextBox box = ReadTextBox(edit);
    command(box);
    WriteTextBox(edit, box);
}

} // namespace ricorne
