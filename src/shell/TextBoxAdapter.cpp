#include "shell/TextBoxAdapter.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace ricorne {

namespace {
TextBox Read(const QTextDocument& document, const QTextCursor& cursor) {
    TextBox box(BoxText(document));
    box.selectionStart = cursor.selectionStart();
    box.selectionLength = cursor.selectionEnd() - cursor.selectionStart();
    return box;
}

template <class Edit> void Write(Edit& edit, const TextBox& box) {
    if (BoxText(*edit.document()) != box.text)
        edit.setPlainText(box.text);
    TextBox clamped = box;
    Select(clamped, box.selectionStart, box.selectionLength);
    QTextCursor cursor(edit.document());
    cursor.setPosition(clamped.selectionStart);
    cursor.setPosition(clamped.SelectionEnd(), QTextCursor::KeepAnchor);
    edit.setTextCursor(cursor);
}
} // namespace

QString BoxText(const QTextDocument& document) {
    QString text = document.toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

QString BoxText(const QPlainTextEdit& edit) {
    return BoxText(*edit.document());
}

QString BoxText(const QTextEdit& edit) {
    return BoxText(*edit.document());
}

TextBox ReadTextBox(const QPlainTextEdit& edit) {
    return Read(*edit.document(), edit.textCursor());
}

TextBox ReadTextBox(const QTextEdit& edit) {
    return Read(*edit.document(), edit.textCursor());
}

void WriteTextBox(QPlainTextEdit& edit, const TextBox& box) {
    Write(edit, box);
}

void WriteTextBox(QTextEdit& edit, const TextBox& box) {
    Write(edit, box);
}

} // namespace ricorne
