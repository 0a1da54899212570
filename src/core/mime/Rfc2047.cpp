#include "Rfc2047.h"

#include <QList>

#include <algorithm>
#include <vector>

#include "core/mime/JapaneseCharsets.h"

namespace ricorne {

namespace {

bool IsWsp(char c) {
    return c == ' ' || c == '\t';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

QByteArray DecodeQ(const QByteArray& text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '_') {
            out += ' ';
        } else if (c == '=' && i + 2 < text.size() && HexValue(text.at(i + 1)) >= 0 &&
                   HexValue(text.at(i + 2)) >= 0) {
            out += static_cast<char>(HexValue(text.at(i + 1)) * 16 + HexValue(text.at(i + 2)));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray DecodeB(QByteArray text) {
    text.replace(' ', QByteArray()).replace('\t', QByteArray());
    // Lenient: missing padding and stray characters are tolerated.
    return QByteArray::fromBase64(text);
}

// Where ISO-2022-JP bytes stand at their end: which set is shifted in, whether a two-byte
// character or an escape sequence is cut off there.
struct JisState {
    enum class Mode { Ascii, Wide, Kana } mode = Mode::Ascii;
    bool halfCharacter = false;
    qsizetype escapeTail = 0; // bytes of an unfinished escape sequence at the end
};

void ScanJis(const QByteArray& bytes, qsizetype from, JisState* st) {
    const qsizetype n = bytes.size();
    st->escapeTail = 0;
    for (qsizetype i = from; i < n; ++i) {
        const char c = bytes.at(i);
        if (c == '\x1b') {
            qsizetype k = i + 1;
            while (k < n && bytes.at(k) >= 0x20 && bytes.at(k) <= 0x2F) {
                ++k;
            }
            if (k >= n) {
                st->escapeTail = n - i;
                return;
            }
            const char designator = bytes.at(i + 1);
            const char final = bytes.at(k);
            if (designator == '$') {
                st->mode = JisState::Mode::Wide;
            } else if (designator == '(') {
                st->mode = final == 'I' ? JisState::Mode::Kana : JisState::Mode::Ascii;
            }
            st->halfCharacter = false;
            i = k;
        } else if (st->mode == JisState::Mode::Wide && c >= 0x21 && c <= 0x7E) {
            st->halfCharacter = !st->halfCharacter;
        }
    }
}

bool IsIso2022JpLabel(const QByteArray& charset) {
    return charset.startsWith("iso-2022-jp") || charset == "csiso2022jp";
}

struct Segment {
    bool encoded = false;
    QByteArray charset;         // encoded words only, lower case, without "*lang"
    QByteArray bytes;           // transfer encoding undone (encoded) or the raw text
    QList<QByteArray> jisWords; // ISO-2022-JP: the words, joined when the run of them ends
};

// Joins adjacent ISO-2022-JP words. Joining rescues an escape sequence or a character cut
// between words, and a two-byte run that some writers split without shifting back and in again
// (the words after it are all pairs until an escape returns to ASCII). Otherwise each word begins
// in ASCII, so a word that forgot to shift back must not turn the next one's ASCII into kanji.
QByteArray JoinJisWords(const QList<QByteArray>& words) {
    const qsizetype n = words.size();
    // closesRun[i]: from the start of word i, only printable bytes up to an escape back to ASCII.
    std::vector<bool> closesRun(static_cast<size_t>(n) + 1, false);
    for (qsizetype i = n - 1; i >= 0; --i) {
        const QByteArray& w = words.at(i);
        const qsizetype esc = w.indexOf('\x1b');
        bool printable = true;
        for (qsizetype k = 0; k < (esc < 0 ? w.size() : esc) && printable; ++k) {
            printable = w.at(k) >= 0x21 && w.at(k) <= 0x7E;
        }
        if (esc >= 0) {
            closesRun[i] = printable && esc + 1 < w.size() && w.at(esc + 1) == '(';
        } else {
            closesRun[i] = printable && closesRun[i + 1];
        }
    }
    QByteArray out;
    JisState st;
    for (qsizetype i = 0; i < n; ++i) {
        const QByteArray& w = words.at(i);
        qsizetype from = out.size();
        if (st.escapeTail > 0) {
            from -= st.escapeTail;
        } else if (i > 0 && st.mode != JisState::Mode::Ascii && !st.halfCharacter && !w.startsWith('\x1b') &&
                   !closesRun[i]) {
            out += "\x1b(B";
            st.mode = JisState::Mode::Ascii;
            from = out.size();
        }
        out += w;
        ScanJis(out, from, &st);
    }
    return out;
}

// Tries to read an encoded word at pos ("=?cs?e?text?="); returns its end or -1.
qsizetype ReadEncodedWord(const QByteArray& v, qsizetype pos, Segment* seg) {
    const qsizetype n = v.size();
    if (pos + 1 >= n || v.at(pos) != '=' || v.at(pos + 1) != '?') {
        return -1;
    }
    qsizetype q1 = pos + 2;
    while (q1 < n && v.at(q1) != '?' && !IsWsp(v.at(q1)) && q1 - pos < 80) {
        ++q1;
    }
    if (q1 >= n || v.at(q1) != '?' || q1 == pos + 2) {
        return -1;
    }
    if (q1 + 2 >= n || v.at(q1 + 2) != '?') {
        return -1;
    }
    const char enc = v.at(q1 + 1);
    if (enc != 'B' && enc != 'b' && enc != 'Q' && enc != 'q') {
        return -1;
    }
    const qsizetype textStart = q1 + 3;
    // The word ends before the next "=?" begins (its "?=" may share that '='): searching no
    // further keeps a long header of unclosed words linear.
    const qsizetype nextOpen = v.indexOf("=?", textStart);
    const qsizetype searchEnd = nextOpen < 0 ? n : std::min(n, nextOpen + 3);
    const qsizetype end = QByteArrayView(v).first(searchEnd).indexOf("?=", textStart);
    if (end < 0) {
        return -1;
    }
    const QByteArray text = v.mid(textStart, end - textStart);
    if (text.contains("=?")) {
        return -1; // "?=" belongs to a later word; this one is broken
    }
    const bool b = enc == 'B' || enc == 'b';
    if (!b && (text.contains(' ') || text.contains('\t'))) {
        return -1;
    }
    QByteArray cs = v.mid(pos + 2, q1 - pos - 2).toLower();
    if (const qsizetype star = cs.indexOf('*'); star >= 0) {
        cs.truncate(star);
    }
    seg->encoded = true;
    seg->charset = cs;
    seg->bytes = b ? DecodeB(text) : DecodeQ(text);
    return end + 2;
}

} // namespace

QByteArray UnfoldHeader(const QByteArray& raw) {
    QByteArray out;
    out.reserve(raw.size());
    for (char c : raw) {
        if (c != '\r' && c != '\n') {
            out += c;
        }
    }
    return out;
}

QString DecodeHeaderText(const QByteArray& raw) {
    const QByteArray v = UnfoldHeader(raw);
    if (!v.contains("=?")) {
        return GuessDecode(v);
    }
    QList<Segment> segs;
    qsizetype i = 0;
    const qsizetype n = v.size();
    QByteArray plain;
    auto flushPlain = [&] {
        if (!plain.isEmpty()) {
            segs.append(Segment{false, {}, plain, {}});
            plain.clear();
        }
    };
    while (i < n) {
        Segment seg;
        const qsizetype end = v.at(i) == '=' ? ReadEncodedWord(v, i, &seg) : -1;
        if (end < 0) {
            plain += v.at(i);
            ++i;
            continue;
        }
        // White space between two encoded words is not part of the text.
        if (!segs.isEmpty() && segs.last().encoded && !plain.isEmpty()) {
            bool allSpace = true;
            for (char c : plain) {
                allSpace = allSpace && IsWsp(c);
            }
            if (allSpace) {
                plain.clear();
            }
        }
        flushPlain();
        // Join with the previous word of the same charset before conversion.
        if (!segs.isEmpty() && segs.last().encoded && segs.last().charset == seg.charset) {
            if (IsIso2022JpLabel(seg.charset)) {
                segs.last().jisWords.append(seg.bytes);
            } else {
                segs.last().bytes += seg.bytes;
            }
        } else {
            if (IsIso2022JpLabel(seg.charset)) {
                seg.jisWords.append(seg.bytes);
            }
            segs.append(seg);
        }
        i = end;
    }
    flushPlain();
    QString out;
    for (const Segment& s : segs) {
        if (!s.jisWords.isEmpty()) {
            out += DecodeText(JoinJisWords(s.jisWords), s.charset);
        } else {
            out += s.encoded ? DecodeText(s.bytes, s.charset) : GuessDecode(s.bytes);
        }
    }
    return out;
}

QString CleanHeaderLine(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || u == 0x2028 || u == 0x2029) {
            c = QLatin1Char(' ');
        }
    }
    qsizetype b = 0, e = out.size();
    while (b < e && out.at(b) == QLatin1Char(' ')) {
        ++b;
    }
    while (e > b && out.at(e - 1) == QLatin1Char(' ')) {
        --e;
    }
    return out.mid(b, e - b);
}

QByteArray EncodeHeaderWords(const QString& text, int firstLineUsed) {
    const int kMaxWord = 75;
    int firstMax = 76 - firstLineUsed;
    if (firstMax > kMaxWord) {
        firstMax = kMaxWord;
    }
    if (firstMax < 24) {
        firstMax = kMaxWord; // no room worth using: the caller's line is long already
    }
    QList<QByteArray> words;
    QList<JisUnit> units;
    if (ToJisUnits(text, &units)) {
        static const QByteArray kPrefix("=?ISO-2022-JP?B?");
        auto rawLimit = [&](int wordMax) { return (wordMax - kPrefix.size() - 2) / 4 * 3; };
        QByteArray raw;
        bool wide = false;
        int limit = rawLimit(firstMax);
        auto finish = [&] {
            if (wide) {
                raw += "\x1b(B";
            }
            words.append(kPrefix + raw.toBase64() + "?=");
            raw.clear();
            wide = false;
            limit = rawLimit(kMaxWord);
        };
        for (const JisUnit& u : units) {
            // Bytes this unit adds, counting the switch back to ASCII that closes a wide word.
            const int switchIn = u.wide != wide ? 3 : 0;
            const int closing = u.wide ? 3 : 0;
            const int add = switchIn + (u.wide ? 2 : 1);
            if (!raw.isEmpty() && raw.size() + add + closing > limit) {
                finish();
            }
            if (u.wide != wide) {
                raw += u.wide ? "\x1b$B" : "\x1b(B";
                wide = u.wide;
            }
            raw += static_cast<char>(u.b1);
            if (u.wide) {
                raw += static_cast<char>(u.b2);
            }
        }
        if (!raw.isEmpty() || words.isEmpty()) {
            finish();
        }
    } else {
        static const QByteArray kPrefix("=?UTF-8?B?");
        auto rawLimit = [&](int wordMax) { return (wordMax - kPrefix.size() - 2) / 4 * 3; };
        QByteArray raw;
        int limit = rawLimit(firstMax);
        const QString nfc = text.normalized(QString::NormalizationForm_C);
        for (qsizetype i = 0; i < nfc.size(); ++i) {
            const qsizetype len = nfc.at(i).isHighSurrogate() && i + 1 < nfc.size() ? 2 : 1;
            const QByteArray ch = nfc.mid(i, len).toUtf8();
            i += len - 1;
            if (!raw.isEmpty() && raw.size() + ch.size() > limit) {
                words.append(kPrefix + raw.toBase64() + "?=");
                raw.clear();
                limit = rawLimit(kMaxWord);
            }
            raw += ch;
        }
        if (!raw.isEmpty() || words.isEmpty()) {
            words.append(kPrefix + raw.toBase64() + "?=");
        }
    }
    return words.join("\r\n ");
}

QByteArray EncodeUnstructured(const QString& text, int firstLineUsed) {
    bool plain = !text.contains(QLatin1String("=?"));
    for (QChar c : text) {
        plain = plain && c.unicode() >= 0x20 && c.unicode() < 0x7F;
    }
    if (plain) {
        // A word too long for one line (998 bytes) cannot be folded; encoded words can.
        for (const QString& word : text.split(QLatin1Char(' '))) {
            plain = plain && word.size() < 900;
        }
    }
    if (!plain) {
        return EncodeHeaderWords(text, firstLineUsed);
    }
    // Fold at spaces so that lines stay near 78 characters; a long word stays whole.
    const QByteArray ascii = text.toLatin1();
    QByteArray out;
    int lineLen = firstLineUsed;
    bool lineHasWord = false;
    const QList<QByteArray> parts = ascii.split(' ');
    for (qsizetype k = 0; k < parts.size(); ++k) {
        const QByteArray& w = parts.at(k);
        if (k > 0) {
            if (lineHasWord && !w.isEmpty() && lineLen + 1 + w.size() > 78) {
                out += "\r\n";
                lineLen = 0;
            }
            out += ' ';
            ++lineLen;
        }
        out += w;
        lineLen += static_cast<int>(w.size());
        lineHasWord = lineHasWord || !w.isEmpty();
    }
    return out;
}

} // namespace ricorne
