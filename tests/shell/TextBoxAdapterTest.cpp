#include "shell/TextBoxAdapter.h"

#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace ricorne {
namespace {

template <class Edit> void RoundTripKeepsEveryCharacter() {
    Edit edit;
    // A no-break space, an ideographic space, a line break and a character outside the BMP.
    const QString text = QStringLiteral(u"価格\u00A0１０円\u3000です\n次の行 😀");
    TextBox box(text);
    Select(box, 2, 4);
    WriteTextBox(edit, box);
    EXPECT_EQ(BoxText(edit), text);
    EXPECT_EQ(ReadTextBox(edit), box);
}

TEST(TextBoxAdapterTest, ReadingBackWhatWasWrittenKeepsTextAndSelection) {
    RoundTripKeepsEveryCharacter<QPlainTextEdit>();
    RoundTripKeepsEveryCharacter<QTextEdit>();
}

TEST(TextBoxAdapterTest, AnUnchangedTextIsNotSetAgain) {
    QPlainTextEdit edit;
    edit.setPlainText(QStringLiteral(u"本文"));
    QSignalSpy changes(&edit, &QPlainTextEdit::textChanged);
    EditTextBox(edit, [](TextBox& box) { SelectAll(box); });
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(edit.textCursor().selectedText(), QStringLiteral(u"本文"));

    EditTextBox(edit, [](TextBox& box) { ReplaceSelection(box, QStringLiteral(u"（＾＾）")); });
    EXPECT_EQ(BoxText(edit), QStringLiteral(u"（＾＾）"));
    EXPECT_EQ(edit.textCursor().position(), 4);
}

} // namespace
} // namespace ricorne
