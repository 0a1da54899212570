// Header words and parameters: what GMime gets wrong (adjacent words, Windows rows), what
// writers get wrong (words glued to text, RFC 2047 in quotes), and what we send.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QList>
#include <QStringList>

#include "core/mime/JapaneseCharsets.h"
#include "core/mime/Rfc2047.h"
#include "core/mime/Rfc2231.h"

namespace ricorne {
namespace {

TEST(HeaderWords, AdjacentWordsAreJoinedBeforeConversion) {
    // The first word ends in "=" padding; GMime 3.2.13 drops the second.
    EXPECT_EQ(DecodeHeaderText("=?UTF-8?B?44GCYQ==?= =?UTF-8?B?44GE?="), QStringLiteral("あaい"));
    // One UTF-8 character split across two words.
    EXPECT_EQ(DecodeHeaderText("=?UTF-8?B?4oC=?=\r\n =?UTF-8?B?nQ==?="), QStringLiteral("\u201D"));
    // A JIS run carried from one word into the next (no ESC ( B at the end of the first).
    EXPECT_EQ(DecodeHeaderText("=?ISO-2022-JP?B?GyRCMnE1RA==?= =?ISO-2022-JP?B?PDwbKEI=?="),
              QStringLiteral("会議室"));
    // Different charsets side by side, and white space kept where text meets a word.
    EXPECT_EQ(DecodeHeaderText("Re: =?ISO-2022-JP?B?GyRCJCIbKEI=?= =?UTF-8?Q?=E3=81=84?= end"),
              QStringLiteral("Re: あい end"));
}

TEST(HeaderWords, LenientForms) {
    EXPECT_EQ(DecodeHeaderText("Re:=?utf-8?b?44GC?="), QStringLiteral("Re:あ"));
    EXPECT_EQ(DecodeHeaderText("=?UTF-8*ja?Q?a_b=3F?="), QStringLiteral("a b?"));
    EXPECT_EQ(DecodeHeaderText("=?Shift_JIS?B?h0A=?="), QStringLiteral("①"));
    EXPECT_EQ(DecodeHeaderText("=?UTF-8?B?44GC44GE?="), QStringLiteral("あい"));
    EXPECT_EQ(DecodeHeaderText("=?UTF-8?B?44GC4\r\n 4GE?="), QStringLiteral("あい")); // folded inside a word
    // Not words: left as they are.
    EXPECT_EQ(DecodeHeaderText("=?UTF-8?X?abc?="), QStringLiteral("=?UTF-8?X?abc?="));
    EXPECT_EQ(DecodeHeaderText("a =? b ?= c"), QStringLiteral("a =? b ?= c"));
    EXPECT_EQ(DecodeHeaderText("=?UTF-8?B?44GC"), QStringLiteral("=?UTF-8?B?44GC"));
    // A hostile header of words that never close: read in one pass, not one pass per word.
    const QByteArray unclosed = QByteArray("=?a?B?x ").repeated(400000);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(DecodeHeaderText(unclosed), QString::fromLatin1(unclosed));
    EXPECT_LT(timer.elapsed(), 10000);
    // Raw 8-bit and raw escapes are guessed.
    EXPECT_EQ(DecodeHeaderText("\x93\xfa\x96\x7b =?UTF-8?B?44GC?="), QStringLiteral("日本 あ"));
    EXPECT_EQ(DecodeHeaderText("\x1b$BF|K\\\x1b(B"), QStringLiteral("日本"));
}

TEST(HeaderWords, CleanLineRemovesControlsSoNothingInjectsOrCutsText) {
    EXPECT_EQ(CleanHeaderLine(DecodeHeaderText("=?UTF-8?Q?a=0D=0Ab=00c?=\t d ")),
              QStringLiteral("a  b c  d"));
}

TEST(HeaderWords, SentSubjectsStayWithinLimitsAndReadBack) {
    const QString subjects[] = {
        QStringLiteral(
            "会議室変更のお知らせ（再送）：来週月曜日の定例会議は第三会議室で行います。ご確認ください。"),
        QStringLiteral("Re: [project-x 123] 進捗報告 and status of the release, 2024年4月分"),
        QStringLiteral("絵文字入り🍣と①の件名はUTF-8で送られ、どの文字も途中で切られません🍣🍣🍣🍣🍣🍣🍣"),
        QStringLiteral("あ"),
    };
    for (const QString& s : subjects) {
        SCOPED_TRACE(s.toStdString());
        const QByteArray encoded = EncodeHeaderWords(s, 9);
        const QList<QByteArray> lines = encoded.split('\n');
        for (qsizetype k = 0; k < lines.size(); ++k) {
            QByteArray word = lines.at(k).trimmed();
            EXPECT_LE(word.size(), 75);
            EXPECT_LE(lines.at(k).size() + (k == 0 ? 9 : 0), 77); // 76 plus the CR
            ASSERT_TRUE(word.startsWith("=?") && word.endsWith("?="));
            const QByteArray payload = QByteArray::fromBase64(word.mid(word.indexOf("?B?") + 3).chopped(2));
            if (word.startsWith("=?ISO-2022-JP?")) {
                if (payload.contains("\x1b$B")) {
                    EXPECT_GT(payload.lastIndexOf("\x1b(B"), payload.lastIndexOf("\x1b$B"));
                }
            } else {
                EXPECT_FALSE(QString::fromUtf8(payload).contains(QChar(0xFFFD)));
            }
            EXPECT_FALSE(DecodeHeaderText(word).contains(QChar(0xFFFD)));
        }
        EXPECT_EQ(DecodeHeaderText(encoded), QString(s).replace(QChar(0xFF08), QChar(0xFF08)));
        EXPECT_EQ(encoded.startsWith("=?ISO-2022-JP?"), FitsIso2022Jp(s));
    }
}

TEST(HeaderWords, PlainAsciiStaysPlainAndFolds) {
    const QString longAscii = QStringLiteral("word ").repeated(40).trimmed();
    const QByteArray out = EncodeUnstructured(longAscii, 9);
    EXPECT_FALSE(out.contains("=?"));
    for (const QByteArray& line : out.split('\n')) {
        EXPECT_LE(line.size(), 79);
    }
    EXPECT_EQ(DecodeHeaderText(out), longAscii);
    EXPECT_TRUE(EncodeUnstructured(QStringLiteral("looks =?like?= a word")).startsWith("=?"));
    EXPECT_TRUE(EncodeUnstructured(QStringLiteral("tab\there")).startsWith("=?"));
    const QString unbroken = QStringLiteral("x").repeated(2000);
    const QByteArray folded = EncodeUnstructured(unbroken, 9);
    for (const QByteArray& line : folded.split('\n')) {
        EXPECT_LE(line.size(), 77);
    }
    EXPECT_EQ(DecodeHeaderText(folded), unbroken);
}

TEST(Parameters, ReadsEveryFormWritersUse) {
    struct Case {
        const char* raw;
        const char* name;
        QString want;
    } cases[] = {
        {"attachment; filename*=UTF-8'ja'%E3%81%82.txt", "filename", QStringLiteral("あ.txt")},
        {"attachment; filename*1=\"b.txt\"; filename*0*=utf-8''%E3%81%82", "filename",
         QStringLiteral("あb.txt")},
        {"attachment; filename=\"=?ISO-2022-JP?B?GyRCJCIbKEI=?=.txt\"", "filename", QStringLiteral("あ.txt")},
        {"attachment; filename=\"C:\\dir\\a.txt\"", "filename", QStringLiteral("C:\\dir\\a.txt")},
        {"attachment; filename=\"say \\\"hi\\\".txt\"", "filename", QStringLiteral("say \"hi\".txt")},
        {"attachment; filename=my file.txt; size=3", "filename", QStringLiteral("my file.txt")},
        {"attachment; filename=\"unterminated.txt", "filename", QStringLiteral("unterminated.txt")},
        {"text/plain; charset=\"iso-2022-jp\"; NAME=\"\x93\xfa.txt\"", "name", QStringLiteral("日.txt")},
        {"attachment;\r\n filename*0=\"=?UTF-8?B?44GC?=\";\r\n filename*1=\"=?UTF-8?B?44GE?=\"", "filename",
         QStringLiteral("あい")},
        {"attachment; filename*=''%41%00b", "filename", QStringLiteral("A") + QChar(0) + QStringLiteral("b")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HeaderParameter(c.raw, c.name), c.want) << c.raw;
    }
    EXPECT_TRUE(HeaderParameter("attachment", "filename").isNull());
    EXPECT_EQ(HeaderToken(" Attachment ;filename=x"), QByteArray("attachment"));
}

TEST(Parameters, WrittenNamesReadBack) {
    for (const QString& name :
         {QStringLiteral("plain.txt"),
          QStringLiteral("とても長い日本語のファイル名が続いて続いて続いて続いて終わります①.xlsx"),
          QStringLiteral("say \"hi\".txt"), QStringLiteral("🍣.png")}) {
        const QByteArray param = EncodeRfc2231Parameter("filename", name);
        for (const QByteArray& line : param.split('\n')) {
            EXPECT_LE(line.size(), 78);
        }
        EXPECT_EQ(HeaderParameter("attachment" + param, "filename"), name);
    }
}

} // namespace
} // namespace ricorne
