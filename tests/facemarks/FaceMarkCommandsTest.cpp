// The insert and favourite commands on text-box values: what goes into the target, what is left
// for the clipboard and where the carets stand. (Stripping a paste is the text-box model's own.)
#include "facemarks/FaceMarkCommands.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace ricorne;

namespace {

TEST(FaceMarkInsertTest, TheSecondMarkWithItsSpaceGoesInWithoutTheSpace) {
    TextBox kao1(u"(^_^) (^o^)/"_s);
    Select(kao1, 5, 7); // " (^o^)/"
    TextBox body(u"拝啓\nよろしく"_s, 3);

    EXPECT_EQ(InsertFaceMark(kao1, body), u" (^o^)/"_s);
    EXPECT_EQ(body.text, u"拝啓\n(^o^)/よろしく"_s);
    EXPECT_EQ(body.Caret(), 9);
    EXPECT_EQ(kao1.Caret(), 12);
    EXPECT_FALSE(kao1.HasSelection());
}

TEST(FaceMarkInsertTest, NothingSelectedLeavesTheBodysSelectionAndTheSourceAsTheyWere) {
    TextBox text3(u"春夏秋冬"_s, 3);
    TextBox body(u"KEEP-THIS-TEXT"_s);
    SelectAll(body);

    EXPECT_TRUE(InsertFaceMark(text3, body).isNull());
    EXPECT_EQ(body.text, u"KEEP-THIS-TEXT"_s);
    EXPECT_EQ(body.SelectedText(), u"KEEP-THIS-TEXT"_s);
    EXPECT_EQ(text3.Caret(), 3);
}

TEST(FaceMarkFavouriteTest, GoesToTheFavouritesCaretWhichStandsAtTheStartAfterLoading) {
    TextBox kao1(u"(^_^) (T_T)"_s);
    Select(kao1, 6, 5);
    TextBox favourites(u"一行目\n二行目"_s);

    EXPECT_EQ(AddFaceMarkToFavourites(kao1, favourites), u"(T_T)"_s);
    EXPECT_EQ(favourites.text, u"(T_T)一行目\n二行目"_s);

    TextBox text10(u"  Ｕ・ェ・Ｕ  "_s);
    SelectAll(text10);
    PlaceCaret(favourites, 9);
    AddFaceMarkToFavourites(text10, favourites);
    EXPECT_EQ(favourites.text, u"(T_T)一行目\nＵ・ェ・Ｕ二行目"_s);
}

} // namespace
