// The typing limit of the one-line boxes: what the user types is capped, what the program put
// there is never cut, and deleting always works.
#include "addressbook/TypingLimit.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace ricorne {
namespace {

struct LimitCase {
    const char* what;
    QString before;
    TypedText after;
    int limit;
    TypedText expected;
};

class TypingLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(TypingLimitTest, CapsOnlyWhatWasInserted) {
    const LimitCase& c = GetParam();
    EXPECT_EQ(LimitTyping(c.before, c.after, c.limit), c.expected) << c.what;
}

const QString kFive = u"山田太郎様"_s;
const QString kEmoji = u"\U0001F600"_s; // one character, two code units

INSTANTIATE_TEST_SUITE_P(
    Rows, TypingLimitTest,
    ::testing::Values(
        LimitCase{"below the limit", u"山田"_s, {u"山田太"_s, 3}, 5, {u"山田太"_s, 3}},
        LimitCase{"a key at the limit adds nothing", kFive, {u"山田太郎様x"_s, 6}, 5, {kFive, 5}},
        LimitCase{"typed in the middle", kFive, {u"山田x太郎様"_s, 3}, 5, {kFive, 2}},
        LimitCase{"a paste is cut to what fits", u"山田"_s, {u"山田太郎様です"_s, 7}, 5, {kFive, 5}},
        LimitCase{
            "a selection replaced by a longer paste", kFive, {u"山ABC郎様"_s, 4}, 5, {u"山AB郎様"_s, 3}},
        LimitCase{"deleting from a box filled beyond the limit",
                  u"1234567"_s,
                  {u"123456"_s, 6},
                  5,
                  {u"123456"_s, 6}},
        LimitCase{"typing into a box filled beyond the limit",
                  u"1234567"_s,
                  {u"1234567x"_s, 8},
                  5,
                  {u"1234567"_s, 7}},
        LimitCase{"a surrogate pair counts once and is not split",
                  u"1234"_s,
                  {u"1234"_s + kEmoji, 6},
                  5,
                  {u"1234"_s + kEmoji, 6}},
        LimitCase{"a surrogate pair beyond the limit goes whole",
                  u"12345"_s,
                  {u"12345"_s + kEmoji, 7},
                  5,
                  {u"12345"_s, 5}}));

} // namespace
} // namespace ricorne
