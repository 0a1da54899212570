#include "core/text/Text.h"

#include <gtest/gtest.h>

using namespace ricorne;

namespace {
QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}
QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(hex);
}
} // namespace

TEST(Cp932, RoundTripsJapaneseIncludingWindowsRows) {
    const QString text = U("日本語のメール ①㈱Ⅰ№髙 ｶﾀｶﾅ ＡＢＣ");
    const QByteArray bytes = EncodeCp932(text);
    EXPECT_EQ(DecodeCp932(bytes), text);
    EXPECT_EQ(EncodeCp932(U("①")), Hex("8740"));
    EXPECT_EQ(EncodeCp932(U("ｱ")), Hex("b1")); // half-width kana stay single bytes
}

TEST(Cp932, LookAlikesStoreAsCp932BytesAndReadBackAsCp932Reading) {
    // Both wave-dash forms become 0x8160, which reads back as the fullwidth tilde.
    EXPECT_EQ(EncodeCp932(U("\u301C")), Hex("8160"));
    EXPECT_EQ(EncodeCp932(U("\uFF5E")), Hex("8160"));
    EXPECT_EQ(DecodeCp932(Hex("8160")), U("\uFF5E"));
    // Minus sign and double vertical line likewise fold onto their CP932 readings.
    EXPECT_EQ(DecodeCp932(EncodeCp932(U("\u2212"))), U("\uFF0D"));
    EXPECT_EQ(DecodeCp932(EncodeCp932(U("\u2016"))), U("\u2225"));
}

TEST(Cp932, NormalisesDecomposedKanaBeforeEncoding) {
    // "ガ" typed on a Mac arrives as カ + combining voiced mark: one character, two bytes.
    const QString decomposed = U("\u30AB\u3099");
    EXPECT_EQ(EncodeCp932(decomposed), EncodeCp932(U("ガ")));
    EXPECT_EQ(EncodeCp932(decomposed).size(), 2);
}

TEST(Cp932, UnrepresentableCharactersBecomeOneQuestionMarkEach) {
    EXPECT_EQ(EncodeCp932(U("OK👍")), QByteArray("OK?"));
    EXPECT_EQ(EncodeCp932(U("👍🏽です")), QByteArray("?") + EncodeCp932(U("です")));
    EXPECT_EQ(EncodeCp932(U("👨‍👩‍👧")), QByteArray("?")); // one family, joined by ZWJ
    EXPECT_EQ(EncodeCp932(U("🇯🇵🇯🇵")), QByteArray("??"));              // two flags
    EXPECT_EQ(EncodeCp932(U("한글")), QByteArray("??"));
}

// What the status line names as lost: whole characters as the reader sees them, each once, and
// nothing that CP932 keeps in meaning.
struct UnkeptRow {
    const char* name;
    const char* text;
    std::vector<const char*> unkept;
};

class UnkeptCharactersTest : public ::testing::TestWithParam<UnkeptRow> {};

TEST_P(UnkeptCharactersTest, NamesWhatBecomesAQuestionMark) {
    QStringList expected;
    for (const char* c : GetParam().unkept)
        expected << U(c);
    EXPECT_EQ(UnkeptCharacters(U(GetParam().text)), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, UnkeptCharactersTest,
    ::testing::Values(UnkeptRow{"Japanese", "日本語①㈱ｶﾅ、本当？ ok?", {}},
                      UnkeptRow{"WaveDashIsOnlyALookAlike", "10〜20時", {}},
                      UnkeptRow{"EmojiAndHangulInOrder", "こんにちは😀 안녕 😀", {"😀", "안", "녕"}},
                      UnkeptRow{"SkinToneAndFamilyAreOneEach",
                                "👍🏽 👨‍👩‍👧",
                                {"👍🏽", "👨‍👩‍👧"}},
                      UnkeptRow{"FlagIsOne", "🇯🇵へ", {"🇯🇵"}},
                      UnkeptRow{"AccentPrecomposedOrNot", "café cafe\u0301", {"é"}},
                      UnkeptRow{"DecomposedAccentIsOneCharacter", "cafe\u0301!", {"\u00e9"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cp932, BrokenBytesDecodeToReplacementNotToNothing) {
    EXPECT_EQ(DecodeCp932(Hex("41 82")), U("A\uFFFD")); // lead byte cut off at the end
    EXPECT_EQ(DecodeCp932(QByteArray("a\0b", 3)), QString(QStringLiteral("a") + QChar(u'\0') + u'b'));
}

TEST(FitField, CutsAtByteWidthAndPadsWithSpaces) {
    QString subject;
    for (int i = 0; i < 60; ++i)
        subject += QChar(u'あ' + (i % 40));
    const QByteArray field = FitField(subject, 100);
    ASSERT_EQ(field.size(), 100);
    EXPECT_EQ(field, EncodeCp932(subject).left(100));
    EXPECT_EQ(DecodeCp932(field), subject.left(50));

    const QByteArray shortField = FitField(U("taro@example.jp"), 90);
    ASSERT_EQ(shortField.size(), 90);
    EXPECT_EQ(shortField, QByteArray("taro@example.jp") + QByteArray(75, ' '));
    EXPECT_EQ(Trim(DecodeCp932(shortField)), U("taro@example.jp"));
}

TEST(FitField, DropsADoubleByteCharacterThatWouldStraddleTheEnd) {
    // "a" then 50 kanji: the 100th byte would be the first byte of the 50th kanji.
    QString text = U("a");
    for (int i = 0; i < 50; ++i)
        text += U("漢");
    const QByteArray field = FitField(text, 100);
    ASSERT_EQ(field.size(), 100);
    EXPECT_EQ(field.at(99), ' ');
    EXPECT_EQ(DecodeCp932(field), text.left(50) + u' ');
}

// A field is cut from the start of a long body without encoding the rest: at every width the
// kept bytes must be those of the whole text's encoding, cut before the first character that
// would cross the width, whatever sits at the edge (kana + voiced mark, emoji joined or flagged,
// a lone surrogate, NUL, half-width kana, characters CP932 lacks).
class FitFieldEdgeTest : public ::testing::TestWithParam<const char*> {};

TEST_P(FitFieldEdgeTest, KeepsTheBytesOfTheWholeEncodingAtEveryWidth) {
    QString body = U(GetParam());
    body.replace(U("<lone>"), QString(QChar(0xD83D)));
    body.replace(U("<nul>"), QString(QChar(u'\0')));
    const QString longBody = body.repeated(400); // well past a record's 32 KB body
    const QByteArray whole = EncodeCp932(longBody);
    auto expected = [&whole](int width) {
        int cut = 0;
        while (cut < width && cut < whole.size()) {
            const unsigned char b = static_cast<unsigned char>(whole[cut]);
            const int len = ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) ? 2 : 1;
            if (cut + len > width)
                break;
            cut += len;
        }
        return whole.left(cut) + QByteArray(width - cut, ' ');
    };
    for (int width = 0; width <= 160; ++width)
        ASSERT_EQ(FitField(longBody, width), expected(width)) << "width " << width;
    const int past = static_cast<int>(whole.size()) + 3;
    for (const int width : {32000, 32767, past})
        ASSERT_EQ(FitField(longBody, width), expected(width)) << "width " << width;
}

INSTANTIATE_TEST_SUITE_P(Bodies, FitFieldEdgeTest,
                         ::testing::Values("お世話になっております。\r\n請求書をお送りします。a",
                                           "ｶﾀｶﾅ半角とカ\u3099キ\u3099の濁点、①㈱髙",
                                           "家族👨\u200D👩\u200D👧と🇯🇵の旗、👍\U0001F3FDです。",
                                           "壊れた<lone>字と<nul>と\u0E01タイ文字x"));

TEST(Trim, RemovesOnlyAsciiSpaces) {
    EXPECT_EQ(Trim(U("  \u3000本文\r\n  ")), U("\u3000本文\r\n"));
    EXPECT_EQ(Trim(U("   ")), QString());
    EXPECT_EQ(Trim(U("\t件名 ")), U("\t件名"));
}

TEST(CutAtNul, StopsAtTheFirstNul) {
    EXPECT_EQ(CutAtNul(U("件名")), U("件名"));
    EXPECT_EQ(CutAtNul(QString(QChar(u'\0')) + U("件名")), QString());
    EXPECT_EQ(CutAtNul(U("件") + QChar(u'\0') + U("名")), U("件"));
}

TEST(LineEnds, ControlsUseLfAndFilesUseCrLf) {
    EXPECT_EQ(ToCrLf(U("一\n二\r\n三\r四")), U("一\r\n二\r\n三\r\n四"));
    EXPECT_EQ(FromCrLf(U("一\r\n二\r三\n")), U("一\n二\n三\n"));
    EXPECT_EQ(ToCrLf(FromCrLf(U("a\r\nb"))), U("a\r\nb"));
}
