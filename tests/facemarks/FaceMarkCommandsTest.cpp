// The three button families on text-box values: insert, paste and favourite, with what they
// leave on the clipboard and where the carets stand afterwards.
#include "facemarks/FaceMarkCommands.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ricorne;

namespace {

TEST(FaceMarkInsertTest, TheSecondMarkWithItsSpaceGoesInWithoutTheSpace) {
    TextBox kao1(u"(^_^) (^o^)/"_s);
    Select(kao1, 5, 7); // " (^o^)/"
    TextBox body(u"拝啓\nよろしく"_s, 3);

    const QString clipboard = InsertFaceMark(kao1, body);

    EXPECT_EQ(clipboard, u" (^o^)/"_s);
    EXPECT_EQ(body.text, u"拝啓\n(^o^)/よろしく"_s);
    EXPECT_EQ(body.Caret(), 9);
    EXPECT_FALSE(body.HasSelection());
    EXPECT_EQ(kao1.text, u"(^_^) (^o^)/"_s);
    EXPECT_EQ(kao1.Caret(), 12);
    EXPECT_FALSE(kao1.HasSelection());
}

TEST(FaceMarkInsertTest, ReplacesTheBodysSelection) {
    TextBox text2(u"（＾＿＾）\n（－＿－）"_s);
    Select(text2, 6, 5);
    TextBox body(u"前置き 消す部分 後ろ"_s);
    Select(body, 4, 4);

    InsertFaceMark(text2, body);
    EXPECT_EQ(body.text, u"前置き （－＿－） 後ろ"_s);
}

TEST(FaceMarkInsertTest, NothingSelectedDeletesTheBodysSelectionAndMovesTheSourceCaretToTheStart) {
    TextBox text3(u"春夏秋冬"_s, 3);
    TextBox body(u"本文の一部"_s);
    Select(body, 2, 1);

    EXPECT_EQ(InsertFaceMark(text3, body), QString());
    EXPECT_EQ(body.text, u"本文一部"_s);
    EXPECT_EQ(body.Caret(), 2);
    EXPECT_EQ(text3.Caret(), 0);
}

TEST(FaceMarkFavouriteTest, RightAfterOpeningGoesToTheStartOfTheFavourites) {
    TextBox kao1(u"(^_^) (T_T)"_s);
    Select(kao1, 6, 5);
    TextBox favourites(u"既存\n"_s); // caret 0, as after loading

    EXPECT_EQ(AddFaceMarkToFavourites(kao1, favourites), u"(T_T)"_s);
    EXPECT_EQ(favourites.text, u"(T_T)既存\n"_s);
    EXPECT_EQ(kao1.Caret(), 11);
}

TEST(FaceMarkFavouriteTest, FollowsTheCaretPlacedInTheFavourites) {
    TextBox text10(u"  Ｕ・ェ・Ｕ  "_s);
    SelectAll(text10);
    TextBox favourites(u"一行目\n二行目"_s);
    PlaceCaret(favourites, 4);

    AddFaceMarkToFavourites(text10, favourites);
    EXPECT_EQ(favourites.text, u"一行目\nＵ・ェ・Ｕ二行目"_s);
    EXPECT_EQ(favourites.Caret(), 9);
}

struct PasteRow {
    const char16_t* clipboard;
    const char16_t* expected; // target "[選択]" with "選択" selected
};

class FaceMarkPasteTest : public ::testing::TestWithParam<PasteRow> {};

TEST_P(FaceMarkPasteTest, StripsOnlyAsciiSpacesAndReplacesTheSelection) {
    TextBox target(u"[選択]"_s);
    Select(target, 1, 2);
    PasteFaceMark(target, QString::fromUtf16(GetParam().clipboard));
    EXPECT_EQ(target.text, QString::fromUtf16(GetParam().expected));
    EXPECT_FALSE(target.HasSelection());
}

INSTANTIATE_TEST_SUITE_P(Clipboards, FaceMarkPasteTest,
                         ::testing::Values(PasteRow{u"  (^^)v  ", u"[(^^)v]"},
                                           PasteRow{u"　全角は残る　", u"[　全角は残る　]"},
                                           PasteRow{u" \n改行も残る\n ", u"[\n改行も残る\n]"},
                                           PasteRow{u"中の  空白", u"[中の  空白]"}, PasteRow{u"   ", u"[]"},
                                           PasteRow{u"", u"[]"}));

} // namespace
