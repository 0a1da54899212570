#include "JapaneseCharsets.h"

#include <QList>

#include <cerrno>
#include <iconv.h>

#include "core/mime/CharsetGuess.h"
#include "core/text/Text.h"

namespace ricorne {

namespace {

const QChar kReplacement(0xFFFD);

// JIS X 0208 pair (0x21..0x7E each) -> Shift-JIS pair.
inline void JisToSjis(unsigned char j1, unsigned char j2, char* out) {
    const unsigned char s1 = static_cast<unsigned char>(((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0));
    unsigned char s2;
    if (j1 & 1) {
        s2 = static_cast<unsigned char>(j2 + (j2 >= 0x60 ? 0x20 : 0x1F));
    } else {
        s2 = static_cast<unsigned char>(j2 + 0x7E);
    }
    out[0] = static_cast<char>(s1);
    out[1] = static_cast<char>(s2);
}

// Shift-JIS pair -> JIS pair; false for lead bytes outside the JIS area.
inline bool SjisToJis(unsigned char s1, unsigned char s2, unsigned char* j1, unsigned char* j2) {
    int row2;
    if (s1 >= 0x81 && s1 <= 0x9F) {
        row2 = (s1 - 0x70) * 2;
    } else if (s1 >= 0xE0 && s1 <= 0xEF) {
        row2 = (s1 - 0xB0) * 2;
    } else {
        return false;
    }
    if (s2 < 0x40 || s2 == 0x7F || s2 > 0xFC) {
        return false;
    }
    if (s2 < 0x9F) {
        *j1 = static_cast<unsigned char>(row2 - 1);
        *j2 = static_cast<unsigned char>(s2 - (s2 >= 0x80 ? 0x20 : 0x1F));
    } else {
        *j1 = static_cast<unsigned char>(row2);
        *j2 = static_cast<unsigned char>(s2 - 0x7E);
    }
    return true;
}

// Text under a UTF-8 label that is really Japanese in a legacy charset: more invalid than valid
// UTF-8 sequences (a stray byte in real UTF-8 is one among many valid ones), two high bytes in a
// row somewhere (isolated ones are Latin-1 accents), and a clean reading with Japanese in it.
bool LooksMislabelledJapanese(const QByteArray& bytes, QString* reading) {
    int valid = 0, invalid = 0;
    CountUtf8(bytes, &valid, &invalid);
    if (invalid <= valid) {
        return false;
    }
    bool adjacentHigh = false;
    for (qsizetype i = 0; i + 1 < bytes.size() && !adjacentHigh; ++i) {
        adjacentHigh = static_cast<unsigned char>(bytes.at(i)) >= 0x80 &&
                       static_cast<unsigned char>(bytes.at(i + 1)) >= 0x80;
    }
    if (!adjacentHigh) {
        return false;
    }
    *reading = GuessDecode(bytes);
    int japanese = 0;
    for (QChar c : *reading) {
        if (c == kReplacement) {
            return false;
        }
        japanese += IsJapaneseChar(c) ? 1 : 0;
    }
    return japanese >= 2;
}

// Valid UTF-8 under a Shift_JIS label: UTF-8 wins when the CP932 reading is broken (replacement
// or user-defined characters), or when the UTF-8 reading holds Japanese, which CP932 bytes almost
// never do by chance. Half-width kana alone can look like UTF-8 and stay CP932.
bool Utf8RatherThanCp932(const QByteArray& bytes, const QString& cp932) {
    if (!HasHighBytes(bytes) || !IsValidUtf8(bytes)) {
        return false;
    }
    for (QChar c : cp932) {
        const char16_t u = c.unicode();
        if (u == 0xFFFD || (u >= 0xE000 && u <= 0xF8FF)) {
            return true;
        }
    }
    int japanese = 0;
    for (QChar c : QString::fromUtf8(bytes)) {
        japanese += IsJapaneseChar(c) ? 1 : 0;
    }
    return japanese >= 2;
}

enum class Family { Utf8, Cp932, Iso2022Jp, EucJp, Ascii, Latin1, Guess, Other };

Family Classify(const QByteArray& label) {
    QByteArray l = label.trimmed().toLower();
    // "iso-2022-jp*ja" from RFC 2231 language tags, quotes from sloppy writers.
    if (const qsizetype star = l.indexOf('*'); star >= 0) {
        l.truncate(star);
    }
    while (l.startsWith('"') || l.startsWith('\'')) {
        l.remove(0, 1);
    }
    while (l.endsWith('"') || l.endsWith('\'')) {
        l.chop(1);
    }
    if (l.isEmpty() || l == "unknown-8bit" || l == "x-unknown" || l == "unknown" || l == "default" ||
        l == "x-user-defined" || l == "8bit" || l == "binary") {
        return Family::Guess;
    }
    if (l == "utf-8" || l == "utf8" || l == "x-utf-8" || l == "unicode-1-1-utf-8") {
        return Family::Utf8;
    }
    if (l == "shift_jis" || l == "shift-jis" || l == "sjis" || l == "x-sjis" || l == "windows-31j" ||
        l == "cp932" || l == "ms932" || l == "ms_kanji" || l == "csshiftjis" || l == "x-ms-cp932" ||
        l == "shift_jisx0213" || l == "windows-932" || l == "ibm-943" || l == "x-shift_jis") {
        return Family::Cp932;
    }
    if (l.startsWith("iso-2022-jp") || l == "csiso2022jp" || l == "iso2022jp" || l == "jis" ||
        l == "x-iso-2022-jp" || l == "jis_encoding" || l == "csjisencoding") {
        return Family::Iso2022Jp;
    }
    if (l == "euc-jp" || l == "x-euc-jp" || l == "eucjp" || l == "euc-jp-ms" || l == "cseucpkdfmtjapanese" ||
        l == "x-euc" || l == "ujis" || l == "euc_jp" || l == "eucjp-ms" || l == "eucjp-win") {
        return Family::EucJp;
    }
    if (l == "us-ascii" || l == "ascii" || l == "ansi_x3.4-1968" || l == "iso646-us" || l == "us" ||
        l == "646") {
        return Family::Ascii;
    }
    if (l == "iso-8859-1" || l == "latin1" || l == "iso8859-1" || l == "l1" || l == "iso_8859-1") {
        return Family::Latin1;
    }
    return Family::Other;
}

} // namespace

QString IconvDecode(const char* charset, const QByteArray& bytes, bool* ok) {
    iconv_t cd = iconv_open("UTF-8", charset);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (ok) {
            *ok = false;
        }
        return {};
    }
    if (ok) {
        *ok = true;
    }
    QByteArray out;
    out.resize(bytes.size() * 4 + 16);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char* outPtr = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    static const char kFffd[] = "\xEF\xBF\xBD";
    auto grow = [&](size_t need) {
        const qsizetype used = outPtr - out.data();
        out.resize(out.size() + static_cast<qsizetype>(need) + out.size() / 2);
        outPtr = out.data() + used;
        outLeft = static_cast<size_t>(out.size() - used);
    };
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            grow(64);
            continue;
        }
        // EILSEQ or EINVAL: mark the byte and go on after it; an undecodable byte never ends the text.
        if (outLeft < 3) {
            grow(64);
        }
        memcpy(outPtr, kFffd, 3);
        outPtr += 3;
        outLeft -= 3;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // Flush any shift state.
    if (outLeft < 16) {
        grow(16);
    }
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    iconv_close(cd);
    out.truncate(outPtr - out.data());
    return QString::fromUtf8(out);
}

QString DecodeEucJp(const QByteArray& bytes) {
    return IconvDecode("EUC-JP-MS", bytes);
}

QString DecodeIso2022Jp(const QByteArray& bytes) {
    enum class Mode { Ascii, Jis0208, Jis0212, Kana };
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    QString out;
    out.reserve(n);
    // Each byte read gives at most one Shift_JIS byte, so the run buffer never grows.
    QByteArray run(n, Qt::Uninitialized);
    char* sjis = run.data();
    qsizetype len = 0;
    auto flush = [&] {
        if (len > 0) {
            out += DecodeCp932(QByteArray::fromRawData(sjis, len));
            len = 0;
        }
    };
    Mode mode = Mode::Ascii;
    bool shiftedOut = false;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char c = p[i];
        if (c == 0x1B) {
            // Escape: ESC, intermediate bytes 0x20..0x2F, one final byte.
            qsizetype k = i + 1;
            while (k < n && p[k] >= 0x20 && p[k] <= 0x2F) {
                ++k;
            }
            if (k >= n) {
                break; // a cut-off escape at the very end says nothing more
            }
            const QByteArray seq = bytes.mid(i + 1, k - i);
            if (seq == "$B" || seq == "$@" || seq == "$(B" || seq == "$(Q" || seq == "$(O" || seq == "&@") {
                if (seq == "&@") {
                    // "ESC & @ ESC $ B" (JIS X 0208-1990) is one designation.
                    i = k;
                    continue;
                }
                mode = Mode::Jis0208;
            } else if (seq == "$(D") {
                mode = Mode::Jis0212;
            } else if (seq == "(B" || seq == "(J" || seq == "(H") {
                mode = Mode::Ascii;
            } else if (seq == "(I") {
                mode = Mode::Kana;
            } else {
                // Chinese or Korean designations (ISO-2022-JP-2): glibc reads those, without the
                // Windows rows, which such text does not use.
                bool known = false;
                const QString whole = IconvDecode("ISO-2022-JP-2", bytes, &known);
                if (known) {
                    return whole;
                }
            }
            i = k;
            continue;
        }
        if (c == 0x0E) {
            shiftedOut = true;
            continue;
        }
        if (c == 0x0F) {
            shiftedOut = false;
            continue;
        }
        if (c >= 0x80) {
            if (c >= 0xA1 && c <= 0xDF) {
                sjis[len++] = static_cast<char>(c); // "8-bit JIS" half-width kana
            } else {
                flush();
                out += kReplacement;
            }
            continue;
        }
        if (c < 0x21 || c == 0x7F) {
            sjis[len++] = static_cast<char>(c);
            if (c == '\n' && (mode == Mode::Jis0208 || mode == Mode::Jis0212)) {
                // Lines should end in ASCII; some writers forget ESC ( B. The run goes on into the
                // next line only when that line reads as pairs (even length, no blanks) up to its
                // next escape; otherwise the next line is ASCII and must not turn into kanji.
                qsizetype k = i + 1;
                bool pairs = true;
                while (k < n && p[k] != 0x1B && p[k] != '\r' && p[k] != '\n') {
                    pairs = pairs && p[k] != ' ' && p[k] != '\t';
                    ++k;
                }
                if (!pairs || (k - i - 1) % 2 != 0) {
                    mode = Mode::Ascii;
                }
            }
            continue;
        }
        if (shiftedOut || mode == Mode::Kana) {
            if (c <= 0x5F) {
                sjis[len++] = static_cast<char>(c + 0x80);
            } else {
                flush();
                out += kReplacement;
            }
            continue;
        }
        if (mode == Mode::Ascii) {
            sjis[len++] = static_cast<char>(c);
            continue;
        }
        // Two-byte modes.
        if (i + 1 >= n || p[i + 1] < 0x21 || p[i + 1] > 0x7E) {
            flush();
            out += kReplacement;
            continue;
        }
        const unsigned char c2 = p[i + 1];
        ++i;
        if (mode == Mode::Jis0208) {
            JisToSjis(c, c2, sjis + len);
            len += 2;
        } else {
            flush();
            const char euc[3] = {'\x8F', static_cast<char>(c | 0x80), static_cast<char>(c2 | 0x80)};
            out += DecodeEucJp(QByteArray(euc, 3));
        }
    }
    flush();
    return out;
}

QString DecodeText(const QByteArray& bytes, const QByteArray& charset) {
    switch (Classify(charset)) {
    case Family::Guess:
        return GuessDecode(bytes);
    case Family::Utf8: {
        if (QString text; DecodeValidUtf8(bytes, &text)) {
            return text;
        }
        QString legacy;
        if (LooksMislabelledJapanese(bytes, &legacy)) {
            return legacy;
        }
        return DecodeUtf8Lenient(bytes);
    }
    case Family::Cp932: {
        if (HasJisEscape(bytes) && !HasHighBytes(bytes)) {
            return DecodeIso2022Jp(bytes);
        }
        const QString cp932 = DecodeCp932(bytes);
        return Utf8RatherThanCp932(bytes, cp932) ? QString::fromUtf8(bytes) : cp932;
    }
    case Family::Iso2022Jp:
        if (HasHighBytes(bytes) && !HasJisEscape(bytes)) {
            return GuessDecode(bytes); // raw Shift-JIS or UTF-8 under a JIS label
        }
        return DecodeIso2022Jp(bytes);
    case Family::EucJp:
        if (HasJisEscape(bytes) && !HasHighBytes(bytes)) {
            return DecodeIso2022Jp(bytes);
        }
        return DecodeEucJp(bytes);
    case Family::Ascii:
        return GuessDecode(bytes);
    case Family::Latin1:
        if (HasJisEscape(bytes) || IsValidUtf8(bytes)) {
            return GuessDecode(bytes);
        }
        return QString::fromLatin1(bytes);
    case Family::Other:
        break;
    }
    QByteArray name = charset.trimmed();
    if (const qsizetype star = name.indexOf('*'); star >= 0) {
        name.truncate(star);
    }
    bool known = false;
    QString text = IconvDecode(name.constData(), bytes, &known);
    return known ? text : GuessDecode(bytes);
}

bool ToJisUnits(const QString& text, QList<JisUnit>* units) {
    const QString nfc = text.normalized(QString::NormalizationForm_C);
    const QByteArray sjis = EncodeCp932(nfc);
    const auto* p = reinterpret_cast<const unsigned char*>(sjis.constData());
    const qsizetype n = sjis.size();
    qsizetype b = 0;
    for (qsizetype i = 0; i < nfc.size(); ++i) {
        const char16_t ch = nfc.at(i).unicode();
        if (ch < 0x80) {
            if (ch == 0x1B || ch == 0x0E || ch == 0x0F || b >= n || p[b] != ch) {
                return false;
            }
            if (units) {
                units->append(JisUnit{false, static_cast<unsigned char>(ch), 0});
            }
            ++b;
            continue;
        }
        if (b + 1 >= n || p[b] < 0x81) {
            return false; // "?" for an unmapped character, or a one-byte mapping (half-width kana, yen)
        }
        unsigned char j1, j2;
        if (!SjisToJis(p[b], p[b + 1], &j1, &j2)) {
            return false;
        }
        const int row = j1 - 0x20;
        if (!((row >= 1 && row <= 8) || (row >= 16 && row <= 84))) {
            return false; // NEC special rows, IBM extensions, user-defined area
        }
        if (units) {
            units->append(JisUnit{true, j1, j2});
        }
        b += 2;
    }
    return b == n;
}

bool FitsIso2022Jp(const QString& text) {
    return ToJisUnits(text, nullptr);
}

QByteArray EncodeIso2022Jp(const QString& text) {
    QList<JisUnit> units;
    if (!ToJisUnits(text, &units)) {
        // Callers check first; keep the promise of 7-bit output anyway, character by character.
        units.clear();
        const QString nfc = text.normalized(QString::NormalizationForm_C);
        for (qsizetype i = 0; i < nfc.size(); ++i) {
            QList<JisUnit> one;
            const qsizetype len = nfc.at(i).isHighSurrogate() && i + 1 < nfc.size() ? 2 : 1;
            if (ToJisUnits(nfc.mid(i, len), &one)) {
                units += one;
            } else {
                units.append(JisUnit{false, '?', 0});
            }
            i += len - 1;
        }
    }
    QByteArray out;
    out.reserve(units.size() * 2 + 16);
    bool wide = false;
    for (const JisUnit& u : units) {
        if (u.wide != wide) {
            out += u.wide ? "\x1b$B" : "\x1b(B";
            wide = u.wide;
        }
        if (u.wide) {
            out += static_cast<char>(u.b1);
            out += static_cast<char>(u.b2);
        } else {
            out += static_cast<char>(u.b1);
        }
    }
    if (wide) {
        out += "\x1b(B";
    }
    return out;
}

} // namespace ricorne
