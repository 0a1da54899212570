// Text that established readers keep: UTF-8 with a damaged byte loses only that character,
// UTF-8 under a Shift_JIS label is read as UTF-8, ISO-2022-JP words each start in ASCII, and
// format=flowed text comes back as the paragraphs that were typed.
#include <gtest/gtest.h>

#include <QList>

#include "core/mime/FlowedText.h"
#include "core/mime/JapaneseCharsets.h"
#include "core/mime/MimeDecoder.h"
#include "core/mime/Rfc2047.h"
#include "core/mime/Rfc2231.h"
#include "core/text/Text.h"

namespace ricorne {
namespace {

struct TextRow {
    const char* what;
    QByteArray in;
    QByteArray label;
    QString want;
};

class LabelledText : public ::testing::TestWithParam<TextRow> {};

TEST_P(LabelledText, ReadsAsEstablishedReadersDo) {
    EXPECT_EQ(DecodeText(GetParam().in, GetParam().label), GetParam().want);
}

const QByteArray kHonbun = QStringLiteral("日本語の本文です。").toUtf8();

INSTANTIATE_TEST_SUITE_P(
    Utf8WithDamage, LabelledText,
    ::testing::Values(TextRow{"latin1 footer", kHonbun + "\r\n-- \r\ncaf\xe9 list\r\n", "UTF-8",
                              QStringLiteral("日本語の本文です。\r\n-- \r\ncaf\uFFFD list\r\n")},
                      TextRow{"cut last character", QStringLiteral("こんにちは").toUtf8().chopped(1), "utf-8",
                              QStringLiteral("こんにち\uFFFD")},
                      TextRow{"stray byte mid-text",
                              "\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88\xff\xe3\x81\xa7\xe3\x81\x99", "UTF-8",
                              QStringLiteral("テスト\uFFFDです")},
                      TextRow{"overlong and surrogate",
                              QByteArray("a\xc0\xaf"
                                         "b\xed\xa0\x80"
                                         "c"),
                              "UTF-8", QStringLiteral("a\uFFFD\uFFFDb\uFFFD\uFFFD\uFFFDc")},
                      TextRow{"accents beside letters stay Latin", "M\xfcller M\xe9nage", "UTF-8",
                              QStringLiteral("M\uFFFDller M\uFFFDnage")},
                      // A whole Shift_JIS text mislabelled as UTF-8 is still read as what it is.
                      TextRow{"shift_jis under utf-8",
                              "\x82\xa8\x90\xa2\x98\x62\x82\xc9\x82\xc8\x82\xc1\x82\xc4", "UTF-8",
                              QStringLiteral("お世話になって")}),
    [](const auto& info) { return std::to_string(info.index); });

INSTANTIATE_TEST_SUITE_P(
    ShiftJisLabel, LabelledText,
    ::testing::Values(
        TextRow{"utf-8 japanese", QStringLiteral("お世話になっております。①").toUtf8(), "Shift_JIS",
                QStringLiteral("お世話になっております。①")},
        TextRow{"utf-8 short", QStringLiteral("件名").toUtf8(), "x-sjis", QStringLiteral("件名")},
        TextRow{"real shift_jis", "\x82\xa8\x90\xa2\x98\x62\x87\x40", "Shift_JIS", QStringLiteral("お世話①")},
        // Half-width kana that happen to be valid UTF-8 ("ý") keep their label.
        TextRow{"kana that look like utf-8", "\xc3\xbd", "Shift_JIS", QStringLiteral("ﾃｽ")}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(LenientUtf8, HeadersAndNamesLoseOnlyTheDamagedCharacter) {
    // "テスト\xff資料" as one UTF-8 word of a subject.
    const QByteArray word =
        "=?UTF-8?B?" +
        QByteArray("\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88\xff\xe8\xb3\x87\xe6\x96\x99").toBase64() + "?=";
    EXPECT_EQ(DecodeHeaderText("Re: " + word), QStringLiteral("Re: テスト\uFFFD資料"));
    EXPECT_EQ(HeaderParameter("attachment; filename*=UTF-8''%E8%B3%87%E6%96%99%E9.txt", "filename"),
              QStringLiteral("資料\uFFFD.txt"));
    // Stored text turns the replacement into one "?".
    EXPECT_EQ(EncodeCp932(QStringLiteral("caf\uFFFD")), QByteArray("caf?"));
}

struct WordsRow {
    const char* what;
    QList<QByteArray> words; // the bytes of each ISO-2022-JP word
    QString want;
};

class JisWords : public ::testing::TestWithParam<WordsRow> {};

TEST_P(JisWords, EachWordStartsInAsciiUnlessItContinuesACutRun) {
    QList<QByteArray> encoded;
    for (const QByteArray& w : GetParam().words) {
        encoded.append("=?ISO-2022-JP?B?" + w.toBase64() + "?=");
    }
    EXPECT_EQ(DecodeHeaderText(encoded.join("\r\n ")), GetParam().want);
}

INSTANTIATE_TEST_SUITE_P(
    Iso2022Jp, JisWords,
    ::testing::Values(
        WordsRow{"forgot to shift back", {"\x1b$B%F%9%H", "abc"}, QStringLiteral("テストabc")},
        WordsRow{"forgot, even ascii next", {"\x1b$B%F%9%H", "ab"}, QStringLiteral("テストab")},
        WordsRow{"next word has its own escape", {"\x1b$B$\"", "\x1b$B$$\x1b(B"}, QStringLiteral("あい")},
        WordsRow{
            "ascii then kanji word", {"\x1b$B%F%9%H", "v2 \x1b$B$\"\x1b(B"}, QStringLiteral("テストv2 あ")},
        WordsRow{"escape cut between words", {"\x1b$", "B$\"\x1b(B"}, QStringLiteral("あ")},
        WordsRow{"character cut between words", {"\x1b$B$", "\"\x1b(B"}, QStringLiteral("あ")},
        WordsRow{"run split over three words", {"\x1b$B2q5D", "<<", "JQ\x1b(B"}, QStringLiteral("会議室変")}),
    [](const auto& info) { return std::to_string(info.index); });

struct FlowRow {
    const char* what;
    QString in;
    bool delSp;
    QString want;
};

class Flowed : public ::testing::TestWithParam<FlowRow> {};

TEST_P(Flowed, JoinsSoftBreaksOnly) {
    EXPECT_EQ(UnflowText(GetParam().in, GetParam().delSp), GetParam().want);
}

INSTANTIATE_TEST_SUITE_P(
    Rfc3676, Flowed,
    ::testing::Values(
        FlowRow{"soft break keeps its space", QStringLiteral("Hello \r\nworld\r\nnext\r\n"), false,
                QStringLiteral("Hello world\r\nnext\r\n")},
        FlowRow{"delsp joins japanese without a space",
                QStringLiteral("今日は良い \r\n天気です。 \r\nまた明日。\r\n"), true,
                QStringLiteral("今日は良い天気です。また明日。\r\n")},
        FlowRow{"quoted lines join within their depth", QStringLiteral("> quoted \r\n> text\r\nplain\r\n"),
                false, QStringLiteral("> quoted text\r\nplain\r\n")},
        FlowRow{"depth change is a hard break", QStringLiteral(">> 深い \r\n> 浅い\r\n"), true,
                QStringLiteral(">> 深い\r\n> 浅い\r\n")},
        FlowRow{"signature separator stays", QStringLiteral("本文 \r\n-- \r\n署名\r\n"), true,
                QStringLiteral("本文\r\n-- \r\n署名\r\n")},
        FlowRow{"space stuffing removed", QStringLiteral(" From here\n  indented\n"), false,
                QStringLiteral("From here\n indented\n")},
        FlowRow{"fixed lines untouched", QStringLiteral("a\r\n\r\nb"), true, QStringLiteral("a\r\n\r\nb")},
        FlowRow{"last line keeps its space", QStringLiteral("end "), true, QStringLiteral("end ")}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(FlowedMail, BodyIsJoinedOnlyWhenTheTypeSaysSo) {
    // "今日は良い \r\n天気です。\r\n" in ISO-2022-JP, as a mobile client sends it.
    const QByteArray text = "\x1b$B:#F|$ONI$$\x1b(B \r\n\x1b$BE75$$G$9!#\x1b(B\r\n";
    const QByteArray head = "From: a@example.jp\r\nSubject: s\r\nMIME-Version: 1.0\r\n";
    EXPECT_EQ(DecodeMail(head +
                         "Content-Type: text/plain; charset=ISO-2022-JP; format=flowed; DelSp=Yes\r\n\r\n" +
                         text)
                  .body,
              QStringLiteral("今日は良い天気です。\r\n"));
    EXPECT_EQ(
        DecodeMail(head + "Content-Type: text/plain; charset=ISO-2022-JP; format=\"Flowed\"\r\n\r\n" + text)
            .body,
        QStringLiteral("今日は良い 天気です。\r\n"));
    EXPECT_EQ(DecodeMail(head + "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n" + text).body,
              QStringLiteral("今日は良い \r\n天気です。\r\n"));
}

} // namespace
} // namespace ricorne
