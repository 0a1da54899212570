#include "core/geometry/Twips.h"

#include <gtest/gtest.h>

namespace ricorne {
namespace {

TEST(TwipsTest, RoundsToTheNearestPixel) {
    EXPECT_EQ(Twips(0), 0);
    EXPECT_EQ(Twips(7), 0); // 0.47 px
    EXPECT_EQ(Twips(8), 1); // 0.53 px
    EXPECT_EQ(Twips(720), 48);
    EXPECT_EQ(Twips(4000), 267); // 266.7
    EXPECT_EQ(Twips(4280), 285); // 285.3
    EXPECT_EQ(Twips(-8), -1);
    EXPECT_EQ(TwipsRect(0, 0, 3840, 6420), QRect(0, 0, 256, 428));       // the cabinet
    EXPECT_EQ(TwipsRect(4440, 5520, 855, 270), QRect(296, 368, 57, 18)); // the clock box
    EXPECT_EQ(TwipsRect(720, 4000, 1095, 170), QRect(48, 267, 73, 11));
}

} // namespace
} // namespace ricorne
