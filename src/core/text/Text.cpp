#include "Text.h"

#include <QStringDecoder>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <array>
#include <bitset>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <mutex>
#include <string>
#include <vector>

namespace ricorne {
namespace {

bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Both directions come from glibc's CP932 converter, asked once per character and kept in
// tables: the hot paths (listing thousands of stored headers) then never touch iconv. Each
// direction is built on its first use, so a run that only reads never pays for the other.
struct Cp932Decoding {
    std::array<char16_t, 256> single{};    // single-byte readings; 0xFFFD = invalid
    std::array<char16_t, 128 * 256> dbl{}; // (lead - 0x80) * 256 + trail

    Cp932Decoding() {
        single.fill(0xFFFD);
        dbl.fill(0xFFFD);
        iconv_t dec = iconv_open("UTF-16LE", "CP932");
        for (int b = 0; b < 256; ++b) {
            if (IsLeadByte(static_cast<unsigned char>(b)))
                continue;
            char in[1] = {static_cast<char>(b)};
            single[b] = DecodeOne(dec, in, 1);
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsLeadByte(static_cast<unsigned char>(lead)))
                continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (trail == 0x7F)
                    continue;
                char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                dbl[(lead - 0x80) * 256 + trail] = DecodeOne(dec, in, 2);
            }
        }
        iconv_close(dec);
    }

    static char16_t DecodeOne(iconv_t cd, char* in, size_t len) {
        char out[8];
        char* ip = in;
        char* op = out;
        size_t il = len, ol = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0 || sizeof out - ol != 2)
            return 0xFFFD;
        return static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                     (static_cast<unsigned char>(out[1]) << 8));
    }
};

struct Cp932Encoding {
    std::array<uint16_t, 65536> encode{}; // 0 = not representable; < 0x100 single byte
    // Characters CP932 lacks whose canonical equivalent it holds under another code point: the
    // letter Å (U+00C5) is written as CP932's angstrom sign (U+212B), which NFC would turn into it.
    std::array<uint16_t, 65536> equivalent{};
    std::bitset<65536> combines; // a combining mark (class other than 0)

    Cp932Encoding() {
        iconv_t enc = iconv_open("CP932", "UTF-16LE");
        for (int cp = 1; cp < 0x10000; ++cp) {
            if (cp >= 0xD800 && cp <= 0xDFFF)
                continue;
            char in[2] = {static_cast<char>(cp & 0xFF), static_cast<char>(cp >> 8)};
            char out[8];
            char* ip = in;
            char* op = out;
            size_t il = 2, ol = sizeof out;
            iconv(enc, nullptr, nullptr, nullptr, nullptr);
            if (iconv(enc, &ip, &il, &op, &ol) == static_cast<size_t>(-1))
                continue;
            const size_t n = sizeof out - ol;
            if (n == 1)
                encode[cp] = static_cast<unsigned char>(out[0]);
            else if (n == 2)
                encode[cp] = static_cast<uint16_t>((static_cast<unsigned char>(out[0]) << 8) |
                                                   static_cast<unsigned char>(out[1]));
        }
        iconv_close(enc);
        for (int cp = 0x300; cp < 0x10000; ++cp)
            combines[static_cast<std::size_t>(cp)] = QChar::combiningClass(static_cast<char32_t>(cp)) != 0;
        encode[0] = 0x100; // NUL is representable; marked so that 0 keeps meaning "missing"
        for (int cp = 0x80; cp < 0x10000; ++cp) {
            if (encode[cp] == 0)
                continue;
            const QString nfc =
                QString(QChar(static_cast<char16_t>(cp))).normalized(QString::NormalizationForm_C);
            if (nfc.size() == 1 && encode[nfc.at(0).unicode()] == 0)
                equivalent[nfc.at(0).unicode()] = encode[cp];
        }
    }
};

const Cp932Decoding& Decoding() {
    static const Cp932Decoding tables;
    return tables;
}

const Cp932Encoding& Encoding() {
    static const Cp932Encoding tables;
    return tables;
}

// Pieces of an emoji sequence that only modify the character before them.
bool IsModifier(char32_t cp) {
    return (cp >= 0xFE00 && cp <= 0xFE0F) || (cp >= 0x1F3FB && cp <= 0x1F3FF) || cp == 0x20E3 ||
           (cp >= 0xE0020 && cp <= 0xE007F);
}

// Encodes into `out` and stops after the first character that takes it past `limit` bytes, so a
// record field encodes no more of a text than its width keeps. Every character is written whole:
// the bytes kept are those of encoding everything.
void EncodeCp932Into(const QString& text, std::size_t limit, std::string& out) {
    const Cp932Encoding& t = Encoding();
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    // One code point at `i`; a lone surrogate reads as U+FFFD, as QString::toUcs4 gives it.
    auto codePoint = [s, n](qsizetype i, qsizetype& after) -> char32_t {
        const char16_t c = s[i];
        after = i + 1;
        if (!QChar::isSurrogate(c))
            return c;
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            after = i + 2;
            return QChar::surrogateToUcs4(c, s[i + 1]);
        }
        return 0xFFFD;
    };
    bool lastWasReplacement = false;
    bool joinNext = false; // after a ZWJ inside an unrepresentable sequence
    bool openFlag = false; // a regional indicator waiting for its partner
    auto direct = [&t](char32_t cp) -> uint16_t { return cp < 0x10000 ? t.encode[cp] : 0; };
    auto emit = [&](char32_t cp, uint16_t code) {
        if (IsModifier(cp))
            return;
        if (cp == 0x200D) { // zero-width joiner: glues the next piece to the emoji before it
            joinNext = lastWasReplacement;
            return;
        }
        const bool regional = cp >= 0x1F1E6 && cp <= 0x1F1FF;
        if (regional && openFlag) { // second letter of a flag: the pair is one replacement
            openFlag = false;
            return;
        }
        openFlag = regional;
        if (code == 0) {
            if (!joinNext)
                out.push_back('?');
            lastWasReplacement = true;
            joinNext = false;
            return;
        }
        joinNext = false;
        lastWasReplacement = false;
        if (code == 0x100)
            out.push_back('\0');
        else if (code < 0x100)
            out.push_back(static_cast<char>(code));
        else {
            out.push_back(static_cast<char>(code >> 8));
            out.push_back(static_cast<char>(code & 0xFF));
        }
    };
    // Each character with the combining marks after it is written as it is when CP932 holds all
    // of it: the compatibility ideographs of the IBM rows (神 0xFB7E) and the angstrom sign keep
    // their own code points. Only a piece CP932 lacks is composed (a Mac's カ + voiced mark is ガ).
    for (qsizetype i = 0; i < n && out.size() <= limit;) {
        // A run of characters CP932 holds as they are, none followed by a combining mark, goes
        // straight into the buffer: nearly all Japanese text is such runs.
        qsizetype j = i;
        std::size_t p = out.size();
        while (j < n && p <= limit) {
            const char16_t c = s[j];
            if (c >= 0x300 && (QChar::isSurrogate(c) || IsModifier(c) || c == 0x200D))
                break;
            if (j + 1 < n && s[j + 1] >= 0x300 && (QChar::isSurrogate(s[j + 1]) || t.combines[s[j + 1]]))
                break;
            const uint16_t code = t.encode[c];
            if (code == 0)
                break;
            p += code > 0x100 ? 2 : 1;
            ++j;
        }
        if (j > i) {
            const std::size_t start = out.size();
            out.resize(p);
            char* o = out.data() + start;
            for (qsizetype k = i; k < j; ++k) {
                const uint16_t code = t.encode[s[k]];
                if (code < 0x100) {
                    *o++ = static_cast<char>(code);
                } else if (code == 0x100) {
                    *o++ = '\0';
                } else {
                    *o++ = static_cast<char>(code >> 8);
                    *o++ = static_cast<char>(code & 0xFF);
                }
            }
            lastWasReplacement = false;
            joinNext = false;
            openFlag = false;
            i = j;
            continue;
        }
        qsizetype end = 0;
        const char32_t first = codePoint(i, end);
        // Nothing below U+0300 combines: most text never asks the table.
        bool held = direct(first) != 0 || IsModifier(first) || first == 0x200D;
        qsizetype marksEnd = end;
        for (;;) {
            if (marksEnd >= n || s[marksEnd] < 0x300)
                break;
            qsizetype after = 0;
            const char32_t cp = codePoint(marksEnd, after);
            if (QChar::combiningClass(cp) == 0)
                break;
            held = held && (direct(cp) != 0 || IsModifier(cp) || cp == 0x200D);
            marksEnd = after;
        }
        if (held) {
            for (qsizetype k = i; k < marksEnd;) {
                const char32_t cp = codePoint(k, k);
                emit(cp, direct(cp));
            }
        } else {
            std::u32string cps;
            for (qsizetype k = i; k < marksEnd;)
                cps.push_back(codePoint(k, k));
            const QString piece = QString::fromUcs4(cps.data(), static_cast<qsizetype>(cps.size()));
            for (const char32_t cp : piece.normalized(QString::NormalizationForm_C).toUcs4()) {
                uint16_t code = direct(cp);
                if (code == 0 && cp < 0x10000)
                    code = t.equivalent[cp];
                emit(cp, code);
            }
        }
        i = marksEnd;
    }
}

} // namespace

QByteArray EncodeCp932(const QString& text) {
    // Byte by byte into a plain string (inline appends), handed over once at the end.
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()) * 2);
    EncodeCp932Into(text, std::string::npos - 1, out);
    return QByteArray(out.data(), qsizetype(out.size()));
}

QString DecodeCp932(const QByteArray& bytes) {
    const Cp932Decoding& t = Decoding();
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype k = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char c = b[i];
        if (c < 0x80) {
            o[k++] = c;
        } else if (IsLeadByte(c) && i + 1 < n && b[i + 1] >= 0x40 && b[i + 1] != 0x7F && b[i + 1] <= 0xFC) {
            o[k++] = t.dbl[(c - 0x80) * 256 + b[i + 1]];
            ++i;
        } else {
            o[k++] = IsLeadByte(c) ? char16_t(0xFFFD) : t.single[c];
        }
    }
    out.truncate(k);
    return out;
}

bool KeptByCp932(const QString& text) {
    return DecodeCp932(EncodeCp932(text)) == text;
}

QStringList UnkeptCharacters(const QString& text) {
    QStringList unkept;
    // Most texts lose nothing: one pass over the tables settles that.
    if (EncodeCp932(text).count('?') == text.count(u'?'))
        return unkept;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = graphemes.toNextBoundary(); end != -1; end = graphemes.toNextBoundary()) {
        // Composed, so one letter written two ways is named once.
        const QString written = text.mid(start, end - start);
        const QString piece = written.normalized(QString::NormalizationForm_C);
        start = end;
        if (piece != u"?" && EncodeCp932(written).contains('?') && !unkept.contains(piece))
            unkept.append(piece);
    }
    return unkept;
}

QByteArray FitField(const QString& text, int width) {
    std::string bytes;
    const std::size_t w = static_cast<std::size_t>(width);
    bytes.reserve(std::min(static_cast<std::size_t>(text.size()) * 2, w + 8));
    EncodeCp932Into(text, w, bytes);
    // The cut falls on the last character start at or before the width. Bytes read from the
    // front pair up after each lead byte; a byte outside the lead range always ends a character,
    // so only the run of lead-range bytes just before the width needs looking at (not the
    // whole 32 KB body).
    const auto lead = [&bytes](std::size_t i) { return IsLeadByte(static_cast<unsigned char>(bytes[i])); };
    const std::size_t limit = std::min(w, bytes.size());
    std::size_t run = 0;
    while (run < limit && lead(limit - 1 - run))
        ++run;
    std::size_t cut = limit - run % 2;
    if (cut < bytes.size() && cut + (lead(cut) ? 2 : 1) <= w)
        cut += 2; // a lone lead byte at the very end still reads as a pair (NUL after it)
    QByteArray field(width, ' ');
    std::memcpy(field.data(), bytes.data(), cut);
    return field;
}

QString Trim(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == u' ')
        ++start;
    while (end > start && text[end - 1] == u' ')
        --end;
    return text.mid(start, end - start);
}

QString CutAtNul(const QString& text) {
    const qsizetype at = text.indexOf(QChar(u'\0'));
    return at < 0 ? text : text.left(at);
}

QString ToCrLf(const QString& text) {
    // Written straight into a buffer of the longest possible result: a 32 KB body is millions
    // of characters over one check.
    const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    QString out(n * 2, Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    qsizetype k = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = in[i];
        if (c == u'\r' || c == u'\n') {
            o[k++] = u'\r';
            o[k++] = u'\n';
            if (c == u'\r' && i + 1 < n && in[i + 1] == u'\n')
                ++i;
        } else {
            o[k++] = c;
        }
    }
    out.truncate(k);
    out.squeeze();
    return out;
}

QString FromCrLf(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QChar(u'\r'), QChar(u'\n'));
    return out;
}

std::optional<QString> DecodeUtf8File(const QByteArray& bytes, bool* bom) {
    static const QByteArray kBom("\xEF\xBB\xBF");
    const bool hasBom = bytes.startsWith(kBom);
    if (bom)
        *bom = hasBom;
    const QByteArray body = hasBom ? bytes.mid(kBom.size()) : bytes;
    if (!hasBom && std::all_of(body.begin(), body.end(), [](char c) { return (c & 0x80) == 0; }))
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(body);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QString UnkeptCharactersShown(const QStringList& characters) {
    constexpr qsizetype kShown = 10;
    return characters.mid(0, kShown).join(u' ') +
           (characters.size() > kShown ? QStringLiteral(u" …") : QString());
}

} // namespace ricorne
