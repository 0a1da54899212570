// The whole CP932 repertoire: our encoder against glibc's converters, and through a real store.
#include "TempAppDir.h"
#include "core/mime/JapaneseCharsets.h"
#include "core/stores/MailRecord.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"

#include <gtest/gtest.h>

#include <QMap>
#include <QStringList>

#include <iconv.h>

using namespace ricorne;
using namespace Qt::StringLiterals;

namespace {

QByteArray Convert(const char* to, const char* from, const QByteArray& in, bool* ok) {
    iconv_t cd = iconv_open(to, from);
    QByteArray out(in.size() * 4 + 8, '\0');
    char* ip = const_cast<char*>(in.constData());
    char* op = out.data();
    size_t il = static_cast<size_t>(in.size()), ol = static_cast<size_t>(out.size());
    *ok = iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) && il == 0;
    iconv_close(cd);
    out.truncate(op - out.data());
    return out;
}

QString IconvRead(const char* charset, const QByteArray& bytes, bool* ok) {
    return QString::fromUtf8(Convert("UTF-8", charset, bytes, ok));
}

QByteArray IconvWrite(const char* charset, const QString& text, bool* ok) {
    return Convert(charset, "UTF-8", text.toUtf8(), ok);
}

// Every printable CP932 code outside the user-defined rows (0xF040..0xF9FC) as glibc reads it,
// each character once, with the bytes of its first code.
QMap<QString, QByteArray> Repertoire() {
    QMap<QString, QByteArray> chars;
    auto add = [&chars](const QByteArray& code) {
        bool ok = false;
        const QString c = IconvRead("CP932", code, &ok);
        if (ok && c.size() >= 1 && !c.at(0).isNull() && c.at(0).category() != QChar::Other_Control &&
            !chars.contains(c))
            chars.insert(c, code);
    };
    for (int b = 0x20; b <= 0xDF; ++b)
        if (b < 0x7F || b >= 0xA1)
            add(QByteArray(1, static_cast<char>(b)));
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if ((lead > 0x9F && lead < 0xE0) || (lead >= 0xF0 && lead <= 0xF9))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail)
            if (trail != 0x7F)
                add(QByteArray(1, static_cast<char>(lead)) + static_cast<char>(trail));
    }
    return chars;
}

TEST(Cp932Repertoire, EveryCharacterEncodesToWindowsCanonicalBytesAndReadsBack) {
    const QMap<QString, QByteArray> chars = Repertoire();
    EXPECT_EQ(chars.size(), 7484); // 94 ASCII + 63 half-width kana + 7327 double-byte
    for (auto it = chars.begin(); it != chars.end(); ++it) {
        bool ok = false;
        // glibc writes the code Windows writes where CP932 has two (NEC row 13, IBM rows).
        const QByteArray canonical = IconvWrite("CP932", it.key(), &ok);
        ASSERT_TRUE(ok) << it.key().toStdString();
        ASSERT_EQ(EncodeCp932(it.key()), canonical) << it.key().toStdString();
        ASSERT_EQ(DecodeCp932(canonical), it.key()) << it.key().toStdString();
        ASSERT_TRUE(UnkeptCharacters(it.key()).isEmpty()) << it.key().toStdString();
    }
}

// Where we part from glibc on purpose.
struct Departure {
    const char* name;
    const char* text;
    const char* ours;  // our CP932 bytes
    const char* glibc; // glibc's, empty when it has none
};

class Cp932Departure : public ::testing::TestWithParam<Departure> {};

TEST_P(Cp932Departure, DiffersFromGlibcAsIntended) {
    const QString text = QString::fromUtf8(GetParam().text);
    bool ok = false;
    const QByteArray theirs = IconvWrite("CP932", text, &ok);
    EXPECT_EQ(EncodeCp932(text).toHex(), QByteArray(GetParam().ours));
    EXPECT_EQ(ok ? theirs.toHex() : QByteArray(), QByteArray(GetParam().glibc));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Cp932Departure,
    ::testing::Values(
        // The letter Å is CP932's angstrom sign to every reader; glibc has no code for it.
        Departure{"LetterAring", "\u00C5", "81f0", ""}, Departure{"DecomposedAring", "A\u030A", "81f0", ""},
        // Mac-style decomposed kana compose into the one character CP932 holds.
        Departure{"DecomposedKana", "\u30AB\u3099", "834b", ""},
        // Emoji with a skin tone is one replacement, not two.
        Departure{"EmojiWithModifier", "\U0001F44D\U0001F3FD", "3f", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Mail in ISO-2022-JP and EUC-JP is read with the CP932 readings (glibc's EUC-JP-MS is built
// the same way); glibc's ISO-2022-JP and EUC-JP read the JIS tables' own characters instead. Those
// look-alikes are the only places the readings part, so a wave dash typed on Windows and sent as
// ISO-2022-JP comes back as the same character.
TEST(Cp932Repertoire, JisMailReadsAsCp932ExceptTheJisLookAlikes) {
    const QMap<QString, QByteArray> chars = Repertoire();
    QMap<QString, QString> isoDiffers, eucDiffers;
    int jis = 0;
    for (auto it = chars.begin(); it != chars.end(); ++it) {
        bool ok = false;
        const QByteArray euc = IconvWrite("EUC-JP-MS", it.key(), &ok);
        ASSERT_TRUE(ok) << it.key().toStdString();
        ASSERT_EQ(IconvRead("EUC-JP-MS", euc, &ok), it.key());
        ASSERT_EQ(DecodeText(euc, "EUC-JP"), it.key());
        const auto lead = static_cast<unsigned char>(euc.at(0));
        if (euc.size() != 2 || lead < 0xA1)
            continue; // ASCII, half-width kana, JIS X 0212 (IBM rows)
        ++jis;
        QByteArray pair = euc;
        pair[0] = static_cast<char>(pair[0] & 0x7F);
        pair[1] = static_cast<char>(pair[1] & 0x7F);
        const QByteArray iso = "\x1b$B" + pair + "\x1b(B";
        EXPECT_EQ(DecodeText(iso, "ISO-2022-JP"), it.key());
        const QString glibcIso = IconvRead("ISO-2022-JP", iso, &ok);
        if (ok && glibcIso != it.key())
            isoDiffers.insert(it.key(), glibcIso);
        const QString glibcEuc = IconvRead("EUC-JP", euc, &ok);
        if (ok && glibcEuc != it.key())
            eucDiffers.insert(it.key(), glibcEuc);
    }
    EXPECT_EQ(jis, 6953); // JIS X 0208 and NEC row 13
    // Our reading (CP932's) -> glibc's JIS reading of the same code.
    const QMap<QString, QString> lookAlikes{
        {u"\uFF5E"_s, u"\u301C"_s}, // 0x2141 wave dash
        {u"\u2225"_s, u"\u2016"_s}, // 0x2142 double vertical line
        {u"\uFF0D"_s, u"\u2212"_s}, // 0x215D minus sign
        {u"\uFFE0"_s, u"\u00A2"_s}, // 0x2171 cent sign
        {u"\uFFE1"_s, u"\u00A3"_s}, // 0x2172 pound sign
        {u"\uFFE2"_s, u"\u00AC"_s}, // 0x224C not sign
    };
    EXPECT_EQ(isoDiffers, lookAlikes);
    EXPECT_EQ(eucDiffers, lookAlikes);
}

TEST(Cp932Repertoire, SurvivesTheReceivedStoreByteForByte) {
    ricorne::testing::TempAppDir app;
    ASSERT_TRUE(app.IsValid());
    const QMap<QString, QByteArray> chars = Repertoire();
    QString all;
    QByteArray bytes;
    for (auto it = chars.begin(); it != chars.end(); ++it) {
        all += it.key();
        bytes += EncodeCp932(it.key());
    }
    // The body holds all of it; the subjects of as many records as it takes hold it again in
    // pieces of at most 100 bytes, read back the way the list reads them.
    MailRecord record;
    SetField(record.Body, all);
    ASSERT_EQ(QByteArray(record.Body, static_cast<int>(bytes.size())), bytes);
    ASSERT_EQ(AppendRecord(ReceivedStore(), record).number, 1);
    QStringList pieces;
    QString piece;
    for (auto it = chars.begin(); it != chars.end(); ++it) {
        if (EncodeCp932(piece + it.key()).size() > 100) {
            pieces.append(piece);
            piece.clear();
        }
        piece += it.key();
    }
    pieces.append(piece);
    for (const QString& subject : pieces) {
        MailRecord r;
        SetField(r.Subject, subject);
        ASSERT_TRUE(AppendRecord(ReceivedStore(), r));
    }
    MailRecord back;
    ASSERT_TRUE(ReadRecord(ReceivedStore(), 1, back));
    EXPECT_EQ(QByteArray(back.Body, static_cast<int>(bytes.size())), bytes);
    EXPECT_EQ(FieldText(back.Body).left(all.size()), all);
    const QVector<MailHeader> headers = ReadMailHeaders(ReceivedStore());
    ASSERT_EQ(headers.size(), pieces.size() + 1);
    for (qsizetype i = 0; i < pieces.size(); ++i)
        EXPECT_EQ(headers.at(i + 1).Subject().left(pieces.at(i).size()), pieces.at(i)) << i;
}

} // namespace
