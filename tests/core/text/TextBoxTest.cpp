#include "core/text/TextBox.h"

#include <gtest/gtest.h>

namespace ricorne {
namespace {

TEST(TextBoxTest, ReplacingTheSelectionLeavesTheCaretAfterTheNewTextLikeTyping) {
    TextBox box(QStringLiteral(u"こんにちは、世界"));
    Select(box, 6, 2);
    ReplaceSelection(box, QStringLiteral(u"皆さん"));
    EXPECT_EQ(box.text, QStringLiteral(u"こんにちは、皆さん"));
    EXPECT_EQ(box.Caret(), 9);
    EXPECT_FALSE(box.HasSelection());

    PlaceCaret(box, 0);
    ReplaceSelection(box, QStringLiteral(u"（＾＿＾）"));
    EXPECT_TRUE(box.text.startsWith(QStringLiteral(u"（＾＿＾）こんにちは")));
    EXPECT_EQ(box.Caret(), 5);
}

TEST(TextBoxTest, ASelectionThatReachesPastTheTextIsCutToTheText) {
    // A box whose text shrank since the selection was read: nothing may be replaced outside it.
    TextBox box(QStringLiteral(u"abc"));
    box.selectionStart = 2;
    box.selectionLength = 40;
    ReplaceSelection(box, QStringLiteral(u"Z"));
    EXPECT_EQ(box.text, QStringLiteral(u"abZ"));
    box.selectionStart = 99;
    box.selectionLength = 0;
    ReplaceSelection(box, QStringLiteral(u"!"));
    EXPECT_EQ(box.text, QStringLiteral(u"abZ!"));
}

TEST(TextBoxTest, PastingStripsOnlyAsciiSpaces) {
    TextBox box(QStringLiteral(u"[]"), 1);
    PasteStripped(box, QStringLiteral(u"  \u3000(^_^)\n  "));
    EXPECT_EQ(box.text, QStringLiteral(u"[\u3000(^_^)\n]"));

    // An empty clipboard deletes the selection and inserts nothing.
    SelectAll(box);
    PasteStripped(box, QString());
    EXPECT_EQ(box.text, QString());
    EXPECT_EQ(box.Caret(), 0);
}

TEST(TextBoxTest, TakingTheSelectionCollapsesToItsEndOrToTheStartWhenNothingWasSelected) {
    TextBox box(QStringLiteral(u"(^^) (;_;)"));
    Select(box, 4, 6);
    EXPECT_EQ(TakeSelectionCollapsed(box), QStringLiteral(u" (;_;)"));
    EXPECT_EQ(box.Caret(), 10);
    EXPECT_FALSE(box.HasSelection());

    PlaceCaret(box, 7);
    EXPECT_EQ(TakeSelectionCollapsed(box), QString());
    EXPECT_EQ(box.Caret(), 0);
}

TEST(TextBoxTest, FindingIsExactAndBoundedByTheText) {
    const TextBox box(QStringLiteral(u"ＡＢabＡＢ"));
    EXPECT_EQ(FindFrom(box, QStringLiteral(u"ＡＢ"), 0), 0);
    EXPECT_EQ(FindFrom(box, QStringLiteral(u"ＡＢ"), 1), 4);
    EXPECT_EQ(FindFrom(box, QStringLiteral(u"AB"), 0), -1); // width and case count
    EXPECT_EQ(FindFrom(box, QStringLiteral(u"ＡＢ"), 5), -1);
    EXPECT_EQ(FindFrom(box, QStringLiteral(u"ＡＢ"), 100000), -1);
    EXPECT_EQ(FindFrom(box, QStringLiteral(u"ＡＢ"), -3), 0);
    EXPECT_EQ(FindFrom(box, QString(), 0), -1);
}

TEST(TextBoxTest, SelectAllAndJumps) {
    TextBox box(QStringLiteral(u"一行目\n二行目"), 2);
    SelectAll(box);
    EXPECT_EQ(box.SelectedText(), box.text);
    JumpToEnd(box);
    EXPECT_EQ(box.Caret(), 7);
    EXPECT_FALSE(box.HasSelection());
    JumpToStart(box);
    EXPECT_EQ(box.Caret(), 0);
}

} // namespace
} // namespace ricorne
