// Real-world damage that must not cost text: odd line ends, nesting past the limit, broken header
// blocks, text labelled base64 that is not, list footers, name-only senders, empty alternatives,
// and unlabelled 8-bit text in Latin-1 as much as in Japanese charsets.
#include <gtest/gtest.h>

#include "core/mime/JapaneseCharsets.h"
#include "core/mime/MimeDecoder.h"

namespace ricorne {
namespace {

// "お世話になっております。" in ISO-2022-JP.
const QByteArray kJis = "\x1b"
                        "$B$*@$OC$K$J$C$F$*$j$^$9!#\x1b"
                        "(B";
const QString kJisText = QStringLiteral("お世話になっております。");
const QByteArray kPlainJis = "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n";

struct DamageRow {
    const char* name;
    QByteArray raw;
    QString subject;
    QString from;
    QString body;
};

class RealWorldDamage : public ::testing::TestWithParam<DamageRow> {};

TEST_P(RealWorldDamage, KeepsEveryField) {
    const DecodedMail mail = DecodeMail(GetParam().raw);
    EXPECT_EQ(mail.subject, GetParam().subject);
    EXPECT_EQ(mail.from, GetParam().from);
    EXPECT_EQ(mail.body, GetParam().body);
}

QByteArray Nested(int depth) {
    QByteArray mail = "From: a@example.jp\r\nSubject: deep\r\n";
    for (int i = 0; i < depth; ++i) {
        mail += "Content-Type: multipart/mixed; boundary=\"b" + QByteArray::number(i) + "\"\r\n\r\n--b" +
                QByteArray::number(i) + "\r\n";
    }
    mail += kPlainJis + kJis + "\r\n";
    for (int i = depth - 1; i >= 0; --i) {
        mail += "--b" + QByteArray::number(i) + "--\r\n";
    }
    return mail;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RealWorldDamage,
    ::testing::Values(
        DamageRow{"LoneCrLineEnds",
                  "From: a@example.jp\rSubject: allcr\rDate: Mon, 1 Apr 2024 09:00:00 +0900\r"
                  "Content-Type: text/plain; charset=ISO-2022-JP\r\r" +
                      kJis + "\rline 2\r",
                  QStringLiteral("allcr"), QStringLiteral("a@example.jp"),
                  kJisText + QStringLiteral("\r\nline 2\r\n")},
        DamageRow{"MixedLineEnds",
                  "From: a@example.jp\r\nSubject: mixed\nDate: Mon, 1 Apr 2024 09:00:00 +0900\r\r\n"
                  "one\rtwo\nthree\r\n",
                  QStringLiteral("mixed"), QStringLiteral("a@example.jp"),
                  QStringLiteral("one\r\ntwo\r\nthree\r\n")},
        DamageRow{"WhiteSpaceBeforeTheFirstHeader",
                  " \r\n  From: a@example.jp\r\nSubject: lead\r\n\r\nbody\r\n", QStringLiteral("lead"),
                  QStringLiteral("a@example.jp"), QStringLiteral("body\r\n")},
        DamageRow{"FoldWithoutItsSpace",
                  "From: a@example.jp\r\nSubject: "
                  "=?ISO-2022-JP?B?GyRCMnE1RDw8SlE5OSROGyhC?=\r\n=?ISO-2022-JP?B?GyRCJCpDTiRpJDsbKEI=?=\r\n" +
                      kPlainJis + kJis + "\r\n",
                  QStringLiteral("会議室変更のお知らせ"), QStringLiteral("a@example.jp"),
                  kJisText + QStringLiteral("\r\n")},
        DamageRow{"RawJisLabelledBase64",
                  "From: a@example.jp\r\nSubject: b\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n"
                  "Content-Transfer-Encoding: base64\r\n\r\n" +
                      kJis + "\r\n",
                  QStringLiteral("b"), QStringLiteral("a@example.jp"), kJisText + QStringLiteral("\r\n")},
        DamageRow{"JisListFooterAfterBase64",
                  "From: a@example.jp\r\nSubject: ml\r\nContent-Type: text/plain; charset=UTF-8\r\n"
                  "Content-Transfer-Encoding: base64\r\n\r\n5pys5paH44Gn44GZ44CC\r\n\r\n"
                  "\x1b"
                  "$B%a!<%j%s%0%j%9%H$N0FFb\x1b"
                  "(B"
                  "\r\n",
                  QStringLiteral("ml"), QStringLiteral("a@example.jp"),
                  QStringLiteral("本文です。\r\nメーリングリストの案内\r\n")},
        DamageRow{"SenderOnlyAnEncodedName",
                  "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?=\r\nSubject: s\r\n\r\nx\r\n", QStringLiteral("s"),
                  QStringLiteral("山田"), QStringLiteral("x\r\n")},
        DamageRow{"SenderAGroupWithAnEncodedName",
                  "From: =?UTF-8?B?5bqD5aCx6YOo?=: koho@example.jp;\r\nSubject: s\r\n\r\nx\r\n",
                  QStringLiteral("s"), QStringLiteral("koho@example.jp"), QStringLiteral("x\r\n")},
        DamageRow{"SenderAnEmptyGroup", "From: =?UTF-8?B?5bqD5aCx6YOo?=:;\r\nSubject: s\r\n\r\nx\r\n",
                  QStringLiteral("s"), QStringLiteral("広報部"), QStringLiteral("x\r\n")},
        DamageRow{
            "EmptyPlainBesideHtml",
            "From: a@example.jp\r\nSubject: alt\r\nContent-Type: multipart/alternative; boundary=A\r\n\r\n"
            "--A\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n\r\n--A\r\n"
            "Content-Type: text/html; charset=UTF-8\r\n\r\n<p>HTMLの本文</p>\r\n--A--\r\n",
            QStringLiteral("alt"), QStringLiteral("a@example.jp"), QStringLiteral("HTMLの本文\r\n")},
        DamageRow{"UnlabelledLatin1", "From: a@example.jp\r\nSubject: l\r\n\r\nVOC\xca N\xc3O pr\xe9Ss\r\n",
                  QStringLiteral("l"), QStringLiteral("a@example.jp"), QStringLiteral("VOCÊ NÃO préSs\r\n")},
        DamageRow{"TextOnlyAfterTheClosingBoundary",
                  "From: a@example.jp\r\nSubject: e\r\nContent-Type: multipart/mixed; boundary=B\r\n\r\n"
                  "--B\r\nContent-Type: text/plain\r\n\r\n--B--\r\n" +
                      kJis + "\r\n",
                  QStringLiteral("e"), QStringLiteral("a@example.jp"),
                  QStringLiteral("--B\r\nContent-Type: text/plain\r\n\r\n--B--\r\n") + kJisText +
                      QStringLiteral("\r\n")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RealWorldDamage, NestingPastTheLimitKeepsTheInnerText) {
    for (int depth : {64, 65, 70, 200}) {
        const DecodedMail mail = DecodeMail(Nested(depth));
        EXPECT_TRUE(mail.body.contains(kJisText)) << depth;
    }
}

// Unlabelled 8-bit text: each reading chosen the way a reader would.
TEST(RealWorldDamage, UnlabelledEightBitIsGuessedBothWays) {
    const std::pair<QByteArray, QString> rows[] = {
        {"VOC\xca N\xc3O", QStringLiteral("VOCÊ NÃO")},
        {"pr\xe9Ss caf\xe9 na\xefve", QStringLiteral("préSs café naïve")},
        {"It\x92s \x93quoted\x94 \x96 caf\xe9", QStringLiteral("It’s “quoted” – café")},
        {"\x93"
         "\xfa"
         "\x96"
         "{\x8c"
         "\xea"
         "\x82"
         "\xcc"
         "\x83"
         "\x81"
         "\x81"
         "[\x83"
         "\x8b"
         "\x81"
         "A\xb6"
         "\xc0"
         "\xb6"
         "\xc5"
         "\x82"
         "\xc5"
         "\x82"
         "\xb7"
         "",
         QStringLiteral("日本語のメール、ｶﾀｶﾅです")},
        {"\xc6"
         "\xfc"
         "\xcb"
         "\xdc"
         "\xb8"
         "\xec"
         "\xa4"
         "\xce"
         "\xa5"
         "\xe1"
         "\xa1"
         "\xbc"
         "\xa5"
         "\xeb"
         "\xa4"
         "\xc7"
         "\xa4"
         "\xb9"
         "",
         QStringLiteral("日本語のメールです")},
    };
    for (const auto& [bytes, text] : rows) {
        EXPECT_EQ(GuessDecode(bytes), text);
    }
}

} // namespace
} // namespace ricorne
