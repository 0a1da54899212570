// The Japanese charset layer: the Windows rows GMime loses, half-width kana, labels that lie,
// unlabelled bytes, and ISO-2022-JP for sending.
#include <gtest/gtest.h>

#include <QList>
#include <QStringList>

#include <iconv.h>

#include "core/mime/CharsetGuess.h"
#include "core/mime/JapaneseCharsets.h"

#include <random>

namespace ricorne {
namespace {

QByteArray B(const char* s) {
    return QByteArray(s);
}

TEST(Iso2022Jp, ReadsWindowsRowsHalfWidthKanaAndSupplementaryKanji) {
    // ① ㈱ Ⅰ (NEC row 13), 髙 (NEC-selected IBM extension, row 92), then ASCII.
    EXPECT_EQ(DecodeIso2022Jp(B("\x1b$B-!-j-5|b\x1b(B ok")), QStringLiteral("①㈱Ⅰ髙 ok"));
    // Half-width kana by escape, by SO/SI inside a JIS X 0208 run, and as raw 8-bit bytes.
    EXPECT_EQ(DecodeIso2022Jp(B("\x1b(I6@6E\x1b(B")), QStringLiteral("ｶﾀｶﾅ"));
    EXPECT_EQ(DecodeIso2022Jp(B("\x1b$B$\"\x0e\x36\x0f$$\x1b(B")), QStringLiteral("あｶい"));
    EXPECT_EQ(DecodeIso2022Jp(B("a\xb6\xc0")), QStringLiteral("aｶﾀ"));
    // JIS X 0212 (丂) and JIS X 0208-1990 announced with ESC & @.
    EXPECT_EQ(DecodeIso2022Jp(B("\x1b$(D0!\x1b(B")), QStringLiteral("丂"));
    EXPECT_EQ(DecodeIso2022Jp(B("\x1b&@\x1b$B$\"\x1b(B")), QStringLiteral("あ"));
    // A line break inside a JIS run does not lose the run, and JIS-Roman reads as ASCII.
    EXPECT_EQ(DecodeIso2022Jp(B("\x1b$B$\"\r\n$$\x1b(J!\x1b(B")), QStringLiteral("あ\r\nい!"));
    // A line that forgot ESC ( B before its end: the next line is ASCII text, not kanji.
    EXPECT_EQ(DecodeIso2022Jp(B("\x1b$B$3$s\r\nHello world\r\nok")),
              QStringLiteral("こん\r\nHello world\r\nok"));
}

TEST(Iso2022Jp, DamagedInputNeverStopsTheText) {
    EXPECT_EQ(DecodeIso2022Jp(B("\x1b$B$\"$")), QStringLiteral("あ\uFFFD"));       // odd byte at the end
    EXPECT_EQ(DecodeIso2022Jp(B("ab\x1b$")), QStringLiteral("ab"));                // cut-off escape
    EXPECT_EQ(DecodeIso2022Jp(B("\x1b(I\x7e\x1b(Bx")), QStringLiteral("\uFFFDx")); // not a kana
    EXPECT_EQ(DecodeIso2022Jp(B("\x1b$Bx\x80\x1b(B")), QStringLiteral("\uFFFD\uFFFD"));
}

TEST(Labels, ShiftJisAliasesReadAsCp932AndEucJpAsEucJpMs) {
    const QByteArray sjis = B("\x87\x40\x87\x8a\xfb\xfc\x81\x60"); // ①㈱髙～
    for (const char* label : {"Shift_JIS", "shift-jis", "SJIS", "x-sjis", "Windows-31J", "cp932", "MS932"}) {
        EXPECT_EQ(DecodeText(sjis, label), QStringLiteral("①㈱髙\uFF5E")) << label;
    }
    EXPECT_EQ(DecodeText(B("\xad\xa1\xa1\xc1\x8e\xb6"), "EUC-JP"), QStringLiteral("①\uFF5Eｶ"));
    EXPECT_EQ(DecodeText(B("\x1b$B-!\x1b(B"), "ISO-2022-JP"), QStringLiteral("①"));
    EXPECT_EQ(DecodeText(B("\x1b$B-!\x1b(B"), "iso-2022-jp*ja"), QStringLiteral("①"));
    EXPECT_EQ(DecodeText(B("caf\xe9"), "ISO-8859-1"), QStringLiteral("café"));
    EXPECT_EQ(DecodeText(B("\xd0\xd1"), "koi8-r"), QStringLiteral("пя"));
}

TEST(Labels, WrongLabelsFallBackToTheBytes) {
    const QByteArray utf8 = QStringLiteral("日本語").toUtf8();
    const QByteArray sjis = B("\x93\xfa\x96\x7b\x8c\xea"); // 日本語
    EXPECT_EQ(DecodeText(utf8, "us-ascii"), QStringLiteral("日本語"));
    EXPECT_EQ(DecodeText(sjis, "us-ascii"), QStringLiteral("日本語"));
    EXPECT_EQ(DecodeText(sjis, "UTF-8"), QStringLiteral("日本語"));
    EXPECT_EQ(DecodeText(sjis, "ISO-2022-JP"), QStringLiteral("日本語"));
    EXPECT_EQ(DecodeText(B("\x1b$BF|K\\8l\x1b(B"), "Shift_JIS"), QStringLiteral("日本語"));
    EXPECT_EQ(DecodeText(sjis, "x-no-such-charset"), QStringLiteral("日本語"));
    EXPECT_EQ(DecodeText(sjis, "unknown-8bit"), QStringLiteral("日本語"));
}

TEST(Guess, TellsCp932FromEucJpAndUtf8) {
    const QStringList samples = {
        QStringLiteral("お世話になっております。明日の会議は十時からです。"),
        QStringLiteral("漢字熟語検討事項確認依頼"),
        QStringLiteral("ｶﾀｶﾅ混じりの文です"),
        QStringLiteral("価格：１，０００円（税込）"),
        QStringLiteral("あ"),
    };
    for (const QString& s : samples) {
        SCOPED_TRACE(s.toStdString());
        EXPECT_EQ(GuessDecode(s.toUtf8()), s);
        EXPECT_EQ(GuessDecode(IconvDecode("UTF-8", s.toUtf8()).toUtf8()), s);
    }
    // Bytes made by iconv, so the test does not lean on our own encoder.
    auto encode = [](const QString& s, const char* cs) {
        QByteArray out;
        const QByteArray in = s.toUtf8();
        iconv_t cd = iconv_open(cs, "UTF-8");
        char* ip = const_cast<char*>(in.constData());
        size_t il = static_cast<size_t>(in.size());
        out.resize(in.size() * 2 + 8);
        char* op = out.data();
        size_t ol = static_cast<size_t>(out.size());
        iconv(cd, &ip, &il, &op, &ol);
        iconv_close(cd);
        out.truncate(op - out.data());
        return out;
    };
    for (const QString& s : samples) {
        SCOPED_TRACE(s.toStdString());
        EXPECT_EQ(GuessDecode(encode(s, "CP932")), s);
        EXPECT_EQ(GuessDecode(encode(s, "EUC-JP-MS")), s);
        EXPECT_EQ(GuessDecode(encode(s, "ISO-2022-JP-3")), s);
    }
    EXPECT_EQ(GuessDecode("plain ascii"), QStringLiteral("plain ascii"));
}

TEST(Guess, Utf8ReadInOnePassIsWhatTheCheckThenQtGave) {
    // Fragments that make valid and broken UTF-8 at every join: overlong forms, surrogates,
    // beyond U+10FFFF, cut sequences, byte order marks, noncharacters, NUL and Japanese.
    const QList<QByteArray> pieces = {"a",
                                      "日本語",
                                      "\xEF\xBB\xBF",
                                      "\xC0\xAF",
                                      "\xE0\x80\xAF",
                                      "\xED\xA0\x80",
                                      "\xF4\x90\x80\x80",
                                      "\xF0\x9F\x98\x80",
                                      "\xE3\x81",
                                      "\x80",
                                      "\xEF\xBF\xBF",
                                      QByteArray("\0", 1),
                                      "\xC2\xA0",
                                      "abcdefgh"};
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes;
        for (int n = int(random() % 6); n > 0; --n)
            bytes += pieces.at(int(random() % pieces.size()));
        QString text = QStringLiteral("untouched");
        const bool valid = DecodeValidUtf8(bytes, &text);
        ASSERT_EQ(valid, IsValidUtf8(bytes)) << bytes.toHex().constData();
        EXPECT_EQ(text, valid ? QString::fromUtf8(bytes) : QStringLiteral("untouched"))
            << bytes.toHex().constData();
    }
}

TEST(Sending, Iso2022JpOnlyForAsciiAndJisX0208) {
    EXPECT_TRUE(FitsIso2022Jp(QStringLiteral("Hello, 日本語の本文〜です。\r\n")));
    EXPECT_TRUE(FitsIso2022Jp(QStringLiteral("\u30AB\u3099"))); // NFD ガ from a Mac
    EXPECT_TRUE(FitsIso2022Jp(QString()));
    for (const QString& s :
         {QStringLiteral("①"), QStringLiteral("㈱"), QStringLiteral("ｶ"), QStringLiteral("髙"),
          QStringLiteral("🍣"), QStringLiteral("한"), QStringLiteral("¥"), QStringLiteral("a\x1b(Bb")}) {
        EXPECT_FALSE(FitsIso2022Jp(s)) << s.toStdString();
    }
}

TEST(Sending, EncodedTextReadsBackAndEveryLineEndsInAscii) {
    const QString text = QStringLiteral("件名と本文\r\nASCII and 日本語\r\n最後の行〜");
    const QByteArray jis = EncodeIso2022Jp(text);
    for (char c : jis) {
        EXPECT_LT(static_cast<unsigned char>(c), 0x80);
    }
    EXPECT_EQ(DecodeIso2022Jp(jis), QString(text).replace(QChar(0x301C), QChar(0xFF5E)));
    for (const QByteArray& line : jis.split('\n')) {
        const qsizetype wide = line.lastIndexOf("\x1b$B");
        if (wide >= 0) {
            EXPECT_GT(line.lastIndexOf("\x1b(B"), wide) << line.toStdString();
        }
    }
    EXPECT_TRUE(jis.endsWith("\x1b(B"));
    // Python's codec agrees on the plain rows.
    EXPECT_EQ(EncodeIso2022Jp(QStringLiteral("日本")), B("\x1b$BF|K\\\x1b(B"));
}

} // namespace
} // namespace ricorne
