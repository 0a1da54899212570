#include "CharsetGuess.h"

#include <cstring>

#include "core/mime/JapaneseCharsets.h"
#include "core/text/Text.h"

namespace ricorne {

namespace {
const QChar kReplacement(0xFFFD);

// The length of the well-formed sequence starting with the non-ASCII byte at i, its code point in
// *cp; 0 when none starts there (no overlong forms, surrogates or code points past U+10FFFF).
int WellFormedAt(const unsigned char* p, qsizetype n, qsizetype i, char32_t* cp) {
    const unsigned char c = p[i];
    int len;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        *cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        *cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        *cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + len > n)
        return 0;
    for (int k = 1; k < len; ++k) {
        if ((p[i + k] & 0xC0) != 0x80)
            return 0;
        *cp = (*cp << 6) | (p[i + k] & 0x3F);
    }
    if ((len == 3 && (*cp < 0x800 || (*cp >= 0xD800 && *cp <= 0xDFFF))) ||
        (len == 4 && (*cp < 0x10000 || *cp > 0x10FFFF)))
        return 0;
    return len;
}
} // namespace

bool IsValidUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        char32_t cp;
        const int len = WellFormedAt(p, n, i, &cp);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

bool DecodeValidUtf8(const QByteArray& bytes, QString* text) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    QString out(n, Qt::Uninitialized); // never more UTF-16 units than bytes
    char16_t* const first = reinterpret_cast<char16_t*>(out.data());
    char16_t* o = first;
    qsizetype i = 0;
    // A leading byte order mark is dropped, as QString::fromUtf8 drops it.
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        i = 3;
    while (i < n) {
        // ASCII eight bytes at a time: the bulk of most text, Japanese mail included (its
        // markup, digits and line ends).
        while (n - i >= 8) {
            quint64 word;
            std::memcpy(&word, p + i, 8);
            if (word & 0x8080808080808080ULL)
                break;
            for (int k = 0; k < 8; ++k)
                o[k] = p[i + k];
            o += 8;
            i += 8;
        }
        if (i == n)
            break;
        const unsigned char c = p[i];
        if (c < 0x80) {
            *o++ = c;
            ++i;
            continue;
        }
        char32_t cp;
        const int len = WellFormedAt(p, n, i, &cp);
        if (len == 0)
            return false;
        if (cp >= 0x10000) {
            *o++ = QChar::highSurrogate(cp);
            *o++ = QChar::lowSurrogate(cp);
        } else {
            *o++ = char16_t(cp);
        }
        i += len;
    }
    out.truncate(o - first);
    *text = std::move(out);
    return true;
}

// Length of the valid UTF-8 sequence at i, or 0 when none starts there. With maximal, the
// number of bytes that form the longest prefix of a valid sequence (at least 1), so a damaged
// sequence costs one replacement character, as in every established reader.
namespace {
int Utf8SequenceAt(const unsigned char* p, qsizetype n, qsizetype i, int* maximal) {
    const unsigned char c = p[i];
    int len = 0;
    unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (c < 0x80) {
        *maximal = 1;
        return 1;
    }
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        lo = c == 0xE0 ? 0xA0 : 0x80;
        hi = c == 0xED ? 0x9F : 0xBF;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        lo = c == 0xF0 ? 0x90 : 0x80;
        hi = c == 0xF4 ? 0x8F : 0xBF;
    } else {
        *maximal = 1;
        return 0;
    }
    int k = 1;
    while (k < len && i + k < n) {
        const unsigned char b = p[i + k];
        if (k == 1 ? (b < lo || b > hi) : (b < 0x80 || b > 0xBF)) {
            break;
        }
        ++k;
    }
    *maximal = k;
    return k == len ? len : 0;
}
} // namespace

// UTF-8 with one U+FFFD per invalid sequence: a stray Latin-1 byte or a cut last character
// costs that character, never the rest of the text.
QString DecodeUtf8Lenient(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    QString out;
    out.reserve(n);
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < n;) {
        int maximal = 1;
        if (p[i] < 0x80 || Utf8SequenceAt(p, n, i, &maximal) > 0) {
            i += p[i] < 0x80 ? 1 : maximal;
            continue;
        }
        out += QString::fromUtf8(bytes.constData() + runStart, i - runStart);
        out += kReplacement;
        i += maximal;
        runStart = i;
    }
    out += QString::fromUtf8(bytes.constData() + runStart, n - runStart);
    return out;
}

// Valid multi-byte sequences and invalid sequences in bytes read as UTF-8.
void CountUtf8(const QByteArray& bytes, int* valid, int* invalid) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    *valid = 0;
    *invalid = 0;
    for (qsizetype i = 0; i < n;) {
        int maximal = 1;
        const int len = Utf8SequenceAt(p, n, i, &maximal);
        *valid += len > 1 ? 1 : 0;
        *invalid += len == 0 ? 1 : 0;
        i += len > 0 ? len : maximal;
    }
}

bool IsJapaneseChar(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x3000 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF);
}

bool HasHighBytes(const QByteArray& bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return true;
        }
    }
    return false;
}

bool HasJisEscape(const QByteArray& bytes) {
    return bytes.contains("\x1b$B") || bytes.contains("\x1b$@") || bytes.contains("\x1b(I") ||
           bytes.contains("\x1b$(D") || bytes.contains("\x1b(J");
}

// Reads bytes as CP932 and as EUC-JP and counts what does not fit each; see GuessDecode.
bool LooksLikeEucJp(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    int sjisErrors = 0, sjisKana = 0, sjisDouble = 0;
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
        } else if (c >= 0xA1 && c <= 0xDF) {
            ++sjisKana;
            ++i;
        } else if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) && i + 1 < n &&
                   ((p[i + 1] >= 0x40 && p[i + 1] <= 0x7E) || (p[i + 1] >= 0x80 && p[i + 1] <= 0xFC))) {
            ++sjisDouble;
            i += 2;
        } else {
            ++sjisErrors;
            ++i;
        }
    }
    int eucErrors = 0;
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        auto inRange = [&](qsizetype k, unsigned char lo, unsigned char hi) {
            return k < n && p[k] >= lo && p[k] <= hi;
        };
        if (c < 0x80) {
            ++i;
        } else if (c == 0x8E && inRange(i + 1, 0xA1, 0xDF)) {
            i += 2;
        } else if (c == 0x8F && inRange(i + 1, 0xA1, 0xFE) && inRange(i + 2, 0xA1, 0xFE)) {
            i += 3;
        } else if (c >= 0xA1 && c <= 0xFE && inRange(i + 1, 0xA1, 0xFE)) {
            i += 2;
        } else {
            ++eucErrors;
            ++i;
        }
    }
    if (eucErrors != sjisErrors) {
        return eucErrors < sjisErrors;
    }
    return sjisKana > sjisDouble;
}

namespace {

bool IsAsciiLetter(const unsigned char* p, qsizetype n, qsizetype k) {
    return k >= 0 && k < n && ((p[k] >= 'a' && p[k] <= 'z') || (p[k] >= 'A' && p[k] <= 'Z'));
}

// How much the bytes look like CP932 Japanese: kana and common kanji score, a lone half-width
// kana or a rare kanji wedged between ASCII letters (an accented letter read wrongly) does not,
// and what is not CP932 at all scores down.
int Cp932Score(const unsigned char* p, qsizetype n) {
    int score = 0;
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        const bool amongLetters = IsAsciiLetter(p, n, i - 1) || IsAsciiLetter(p, n, i + 1);
        if (c < 0x80) {
            ++i;
        } else if (c >= 0xA1 && c <= 0xDF) {
            score += amongLetters ? -2 : 1;
            ++i;
        } else if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) && i + 1 < n && p[i + 1] >= 0x40 &&
                   p[i + 1] != 0x7F && p[i + 1] <= 0xFC) {
            // An accented letter or a typographic quote of Windows-1252 before an ASCII letter.
            const bool latinShape =
                (i == 0 || p[i - 1] < 0x80) && IsAsciiLetter(p, n, i + 1) && (i + 2 >= n || p[i + 2] < 0x80);
            if (c >= 0xF0 && c <= 0xF9) {
                score -= 3; // user-defined area
            } else if (c == 0x82 || c == 0x83 || (c >= 0x88 && c <= 0x98)) {
                score += latinShape ? 0 : 2; // kana, first-level kanji
            } else {
                score += latinShape ? -1 : 1;
            }
            i += 2;
        } else {
            score -= 6;
            ++i;
        }
    }
    return score;
}

// The same measure for a Windows-1252 reading: accented letters beside ASCII letters score, the
// punctuation real text uses is neutral, symbols and unassigned bytes score down.
int Latin1Score(const unsigned char* p, qsizetype n) {
    int score = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            continue;
        }
        const bool amongLetters = IsAsciiLetter(p, n, i - 1) || IsAsciiLetter(p, n, i + 1);
        if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) {
            score -= 6;
        } else if (c == 0x85 || (c >= 0x91 && c <= 0x94) || c == 0x96 || c == 0x97 || c == 0x80) {
            const bool spaced = (i > 0 && p[i - 1] == ' ') || (i + 1 < n && p[i + 1] == ' ');
            score += amongLetters || spaced ? 1 : 0;
        } else if (c == 0x8A || c == 0x8C || c == 0x8E || c == 0x9A || c == 0x9C || c == 0x9E || c == 0x9F) {
            score += amongLetters ? 2 : 0;
        } else if (c < 0xC0 || c == 0xD7 || c == 0xF7) {
            score -= (c == 0xA0 || c == 0xAB || c == 0xBB || c == 0xB0 || c == 0xA1 || c == 0xBF) ? 0 : 1;
        } else {
            score += amongLetters ? 2 : 0;
        }
    }
    return score;
}

} // namespace

QString GuessDecode(const QByteArray& bytes) {
    if (!HasHighBytes(bytes)) {
        if (bytes.contains('\x1b')) {
            return DecodeIso2022Jp(bytes);
        }
        return QString::fromLatin1(bytes);
    }
    if (QString text; DecodeValidUtf8(bytes, &text)) {
        return text;
    }
    if (HasJisEscape(bytes)) {
        return DecodeIso2022Jp(bytes);
    }
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const bool euc = LooksLikeEucJp(bytes);
    const QString japanese = euc ? DecodeEucJp(bytes) : DecodeCp932(bytes);
    int japaneseScore = 0;
    if (euc) {
        for (QChar c : japanese) {
            japaneseScore += c == QChar(0xFFFD) ? -6 : IsJapaneseChar(c) ? 2 : 0;
        }
    } else {
        japaneseScore = Cp932Score(p, bytes.size());
    }
    const int latinScore = Latin1Score(p, bytes.size());
    if (latinScore > 0 && latinScore > japaneseScore) {
        return IconvDecode("WINDOWS-1252", bytes);
    }
    return japanese;
}

QByteArray CharsetLabelFor(const QByteArray& bytes) {
    if (!HasHighBytes(bytes)) {
        if (bytes.contains('\x1b')) {
            return HasJisEscape(bytes) && !DecodeIso2022Jp(bytes).contains(kReplacement) ? "ISO-2022-JP"
                                                                                         : QByteArray();
        }
        return "us-ascii";
    }
    if (IsValidUtf8(bytes)) {
        return "UTF-8";
    }
    if (HasJisEscape(bytes)) {
        return {};
    }
    const bool euc = LooksLikeEucJp(bytes);
    const QString text = euc ? DecodeEucJp(bytes) : DecodeCp932(bytes);
    if (text.contains(kReplacement)) {
        return {};
    }
    return euc ? "EUC-JP" : "Shift_JIS";
}

} // namespace ricorne
