#include "Rfc2231.h"

#include <QList>
#include <QMap>

#include <algorithm>

#include "core/mime/JapaneseCharsets.h"
#include "core/mime/Rfc2047.h"

namespace ricorne {

namespace {

struct RawParam {
    QByteArray name; // lower case, as written (may end in "*" or carry "*N")
    QByteArray value;
    bool quoted = false;
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

QList<RawParam> SplitParams(const QByteArray& raw) {
    const QByteArray v = UnfoldHeader(raw);
    QList<RawParam> params;
    const qsizetype n = v.size();
    // Skip the leading token, respecting quotes in case a sloppy writer quoted it.
    qsizetype i = 0;
    bool inQuote = false;
    while (i < n && (inQuote || v.at(i) != ';')) {
        if (v.at(i) == '"') {
            inQuote = !inQuote;
        }
        ++i;
    }
    while (i < n) {
        while (i < n && (v.at(i) == ';' || IsSpace(v.at(i)))) {
            ++i;
        }
        const qsizetype nameStart = i;
        while (i < n && v.at(i) != '=' && v.at(i) != ';') {
            ++i;
        }
        RawParam p;
        p.name = v.mid(nameStart, i - nameStart).trimmed().toLower();
        if (i >= n || v.at(i) == ';') {
            continue; // a name without a value
        }
        ++i; // '='
        while (i < n && IsSpace(v.at(i))) {
            ++i;
        }
        if (i < n && v.at(i) == '"') {
            p.quoted = true;
            ++i;
            while (i < n && v.at(i) != '"') {
                if (v.at(i) == '\\' && i + 1 < n && (v.at(i + 1) == '"' || v.at(i + 1) == '\\')) {
                    ++i;
                }
                p.value += v.at(i);
                ++i;
            }
            ++i; // closing quote (or past the end)
            while (i < n && v.at(i) != ';') {
                ++i;
            }
        } else {
            const qsizetype start = i;
            while (i < n && v.at(i) != ';') {
                ++i;
            }
            p.value = v.mid(start, i - start).trimmed();
        }
        if (!p.name.isEmpty()) {
            params.append(p);
        }
    }
    return params;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(c | 0x20);
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

QByteArray PercentDecode(const QByteArray& s) {
    QByteArray out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s.at(i) == '%' && i + 2 < s.size() && HexValue(s.at(i + 1)) >= 0 && HexValue(s.at(i + 2)) >= 0) {
            out += static_cast<char>(HexValue(s.at(i + 1)) * 16 + HexValue(s.at(i + 2)));
            i += 2;
        } else {
            out += s.at(i);
        }
    }
    return out;
}

} // namespace

QByteArray HeaderToken(const QByteArray& rawValue) {
    QByteArray v = UnfoldHeader(rawValue);
    const qsizetype semi = v.indexOf(';');
    if (semi >= 0) {
        v.truncate(semi);
    }
    v = v.trimmed().toLower();
    v.replace('"', QByteArray());
    return v;
}

QString HeaderParameter(const QByteArray& rawValue, const QByteArray& name) {
    const QByteArray want = name.toLower();
    const QList<RawParam> params = SplitParams(rawValue);
    // RFC 2231 first: name* or name*0, name*0*, name*1, ...
    QMap<int, RawParam> pieces;
    const RawParam* single = nullptr;
    const RawParam* plain = nullptr;
    for (const RawParam& p : params) {
        if (p.name == want) {
            if (!plain) {
                plain = &p;
            }
        } else if (p.name == want + '*') {
            if (!single) {
                single = &p;
            }
        } else if (p.name.startsWith(want + '*')) {
            QByteArray rest = p.name.mid(want.size() + 1);
            const bool encoded = rest.endsWith('*');
            if (encoded) {
                rest.chop(1);
            }
            bool ok = false;
            const int index = rest.toInt(&ok);
            if (ok && index >= 0 && index < 1000 && !pieces.contains(index)) {
                RawParam piece = p;
                piece.name = encoded ? QByteArray("*") : QByteArray();
                pieces.insert(index, piece);
            }
        }
    }
    auto splitCharset = [](const QByteArray& v, QByteArray* charset) {
        const qsizetype q1 = v.indexOf('\'');
        const qsizetype q2 = q1 >= 0 ? v.indexOf('\'', q1 + 1) : -1;
        if (q2 < 0) {
            return v; // no charset'lang' prefix
        }
        *charset = v.left(q1);
        return v.mid(q2 + 1);
    };
    if (single) {
        QByteArray charset;
        const QByteArray bytes = PercentDecode(splitCharset(single->value, &charset));
        return DecodeText(bytes, charset);
    }
    if (!pieces.isEmpty() && pieces.contains(0)) {
        QByteArray charset;
        QByteArray bytes;
        bool anyEncoded = false;
        for (auto it = pieces.cbegin(); it != pieces.cend(); ++it) {
            const bool encoded = it->name == "*";
            anyEncoded = anyEncoded || encoded;
            QByteArray v = it->value;
            if (it.key() == 0 && encoded) {
                v = splitCharset(v, &charset);
            }
            bytes += encoded ? PercentDecode(v) : v;
        }
        if (!anyEncoded && bytes.contains("=?")) {
            return DecodeHeaderText(bytes); // continuations of RFC 2047 text, seen from some writers
        }
        return DecodeText(bytes, charset);
    }
    if (plain) {
        // RFC 2047 inside quotes is wrong but everywhere; raw 8-bit is guessed there too.
        return DecodeHeaderText(plain->value);
    }
    return QString();
}

QByteArray EncodeRfc2231Parameter(const QByteArray& name, const QString& value) {
    bool plain = value.size() <= 60;
    for (QChar c : value) {
        const char16_t u = c.unicode();
        plain = plain && u >= 0x20 && u < 0x7F && u != '"' && u != '\\';
    }
    if (plain) {
        return "; " + name + "=\"" + value.toLatin1() + '"';
    }
    const QByteArray utf8 = value.normalized(QString::NormalizationForm_C).toUtf8();
    auto isAttrChar = [](unsigned char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '!' ||
               c == '#' || c == '$' || c == '&' || c == '+' || c == '-' || c == '.' || c == '^' || c == '_' ||
               c == '`' || c == '|' || c == '~';
    };
    // Cut into pieces of at most ~54 encoded characters, never inside one character's bytes.
    QList<QByteArray> pieces;
    QByteArray cur;
    for (qsizetype i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8.at(i));
        qsizetype len = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (i + len > utf8.size()) {
            len = utf8.size() - i;
        }
        QByteArray enc;
        for (qsizetype k = 0; k < len; ++k) {
            const unsigned char c = static_cast<unsigned char>(utf8.at(i + k));
            if (isAttrChar(c)) {
                enc += static_cast<char>(c);
            } else {
                enc += '%' + QByteArray::number(c, 16).toUpper().rightJustified(2, '0');
            }
        }
        if (!cur.isEmpty() && cur.size() + enc.size() > 54) {
            pieces.append(cur);
            cur.clear();
        }
        cur += enc;
        i += len;
    }
    if (!cur.isEmpty() || pieces.isEmpty()) {
        pieces.append(cur);
    }
    QByteArray out;
    if (pieces.size() == 1) {
        return ";\r\n " + name + "*=UTF-8''" + pieces.first();
    }
    for (qsizetype k = 0; k < pieces.size(); ++k) {
        out += ";\r\n " + name + '*' + QByteArray::number(k) + "*=";
        if (k == 0) {
            out += "UTF-8''";
        }
        out += pieces.at(k);
    }
    return out;
}

} // namespace ricorne
