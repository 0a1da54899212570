#include "MimeHtml.h"

#include <QHash>

namespace ricorne {

namespace {

const QHash<QString, char32_t>& Entities() {
    static const QHash<QString, char32_t> table = {
        {QStringLiteral("nbsp"), 0x00A0},   {QStringLiteral("lt"), '<'},
        {QStringLiteral("gt"), '>'},        {QStringLiteral("amp"), '&'},
        {QStringLiteral("quot"), '"'},      {QStringLiteral("apos"), '\''},
        {QStringLiteral("copy"), 0x00A9},   {QStringLiteral("reg"), 0x00AE},
        {QStringLiteral("trade"), 0x2122},  {QStringLiteral("yen"), 0x00A5},
        {QStringLiteral("times"), 0x00D7},  {QStringLiteral("divide"), 0x00F7},
        {QStringLiteral("hellip"), 0x2026}, {QStringLiteral("mdash"), 0x2014},
        {QStringLiteral("ndash"), 0x2013},  {QStringLiteral("lsquo"), 0x2018},
        {QStringLiteral("rsquo"), 0x2019},  {QStringLiteral("ldquo"), 0x201C},
        {QStringLiteral("rdquo"), 0x201D},  {QStringLiteral("bull"), 0x2022},
        {QStringLiteral("middot"), 0x00B7}, {QStringLiteral("laquo"), 0x00AB},
        {QStringLiteral("raquo"), 0x00BB},  {QStringLiteral("deg"), 0x00B0},
        {QStringLiteral("plusmn"), 0x00B1}, {QStringLiteral("sect"), 0x00A7},
        {QStringLiteral("para"), 0x00B6},   {QStringLiteral("euro"), 0x20AC},
        {QStringLiteral("pound"), 0x00A3},  {QStringLiteral("cent"), 0x00A2},
        {QStringLiteral("larr"), 0x2190},   {QStringLiteral("rarr"), 0x2192},
        {QStringLiteral("uarr"), 0x2191},   {QStringLiteral("darr"), 0x2193},
        {QStringLiteral("ensp"), 0x2002},   {QStringLiteral("emsp"), 0x2003},
        {QStringLiteral("thinsp"), 0x2009}, {QStringLiteral("zwnj"), 0x200C},
        {QStringLiteral("zwj"), 0x200D},    {QStringLiteral("shy"), 0x00AD},
        {QStringLiteral("iexcl"), 0x00A1},  {QStringLiteral("iquest"), 0x00BF},
    };
    return table;
}

bool IsBlockTag(const QString& tag) {
    static const char* const kBlocks[] = {
        "p",       "div",     "br",     "tr",     "li",         "ul",     "ol",   "h1",   "h2", "h3",
        "h4",      "h5",      "h6",     "table",  "hr",         "pre",    "dl",   "dt",   "dd", "address",
        "section", "article", "header", "footer", "blockquote", "center", "form", "title"};
    for (const char* b : kBlocks) {
        if (tag == QLatin1String(b)) {
            return true;
        }
    }
    return false;
}

// Decodes one entity starting at s[i] == '&'; returns the characters and advances i past it.
QString DecodeEntity(const QString& s, qsizetype* i) {
    const qsizetype start = *i;
    qsizetype k = start + 1;
    const qsizetype limit = std::min(s.size(), start + 12);
    while (k < limit && s.at(k) != QLatin1Char(';') &&
           (s.at(k).isLetterOrNumber() || s.at(k) == QLatin1Char('#'))) {
        ++k;
    }
    const QString name = s.mid(start + 1, k - start - 1);
    const bool terminated = k < s.size() && s.at(k) == QLatin1Char(';');
    char32_t cp = 0;
    if (name.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        if (name.size() > 1 && (name.at(1) == QLatin1Char('x') || name.at(1) == QLatin1Char('X'))) {
            cp = name.mid(2).toUInt(&ok, 16);
        } else {
            cp = name.mid(1).toUInt(&ok, 10);
        }
        if (!ok) {
            cp = 0;
        } else if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            cp = 0xFFFD;
        }
    } else {
        cp = Entities().value(name, 0);
    }
    if (cp == 0) {
        *i = start + 1;
        return QStringLiteral("&");
    }
    *i = terminated ? k + 1 : k;
    if (cp == 0x00A0) {
        cp = ' ';
    }
    return QString::fromUcs4(&cp, 1);
}

} // namespace

QString HtmlToText(const QString& html) {
    QString out;
    out.reserve(html.size());
    bool pre = false;
    bool pendingSpace = false;
    auto newline = [&](int want) {
        // Ends the current line and makes sure at most want-1 blank lines precede what follows.
        pendingSpace = false;
        while (out.endsWith(QLatin1Char(' '))) {
            out.chop(1);
        }
        int have = 0;
        for (qsizetype k = out.size() - 1; k >= 0 && out.at(k) == QLatin1Char('\n'); --k) {
            ++have;
        }
        if (out.isEmpty()) {
            return;
        }
        for (; have < want; ++have) {
            out += QLatin1Char('\n');
        }
    };
    const qsizetype n = html.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = html.at(i);
        const QChar next = i + 1 < n ? html.at(i + 1) : QChar();
        if (c == QLatin1Char('<') &&
            (next.isLetter() || next == QLatin1Char('/') || next == QLatin1Char('!'))) {
            if (html.mid(i, 4) == QLatin1String("<!--")) {
                const qsizetype end = html.indexOf(QLatin1String("-->"), i + 4);
                i = end < 0 ? n : end + 3;
                continue;
            }
            const qsizetype end = html.indexOf(QLatin1Char('>'), i + 1);
            if (end < 0) {
                break;
            }
            QString tag = html.mid(i + 1, end - i - 1).trimmed().toLower();
            const bool closing = tag.startsWith(QLatin1Char('/'));
            if (closing) {
                tag.remove(0, 1);
            }
            qsizetype nameEnd = 0;
            while (nameEnd < tag.size() &&
                   (tag.at(nameEnd).isLetterOrNumber() || tag.at(nameEnd) == QLatin1Char('!'))) {
                ++nameEnd;
            }
            const QString name = tag.left(nameEnd);
            i = end + 1;
            if (!closing && (name == QLatin1String("script") || name == QLatin1String("style") ||
                             name == QLatin1String("title"))) {
                const qsizetype close = html.indexOf(QStringLiteral("</") + name, i, Qt::CaseInsensitive);
                if (close < 0) {
                    i = n;
                } else {
                    const qsizetype gt = html.indexOf(QLatin1Char('>'), close);
                    i = gt < 0 ? n : gt + 1;
                }
                continue;
            }
            if (name == QLatin1String("br")) {
                pendingSpace = false;
                while (out.endsWith(QLatin1Char(' '))) {
                    out.chop(1);
                }
                out += QLatin1Char('\n');
            } else if (name == QLatin1String("pre")) {
                pre = !closing;
                newline(1);
            } else if (name == QLatin1String("p") || name == QLatin1String("blockquote") ||
                       name == QLatin1String("table") ||
                       (name.size() == 2 && name.at(0) == QLatin1Char('h') && name.at(1).isDigit())) {
                newline(2);
            } else if (name == QLatin1String("li") && !closing) {
                newline(1);
                out += QStringLiteral("・");
            } else if (name == QLatin1String("td") || name == QLatin1String("th")) {
                if (!closing) {
                    pendingSpace = !out.isEmpty() && !out.endsWith(QLatin1Char('\n'));
                }
            } else if (name == QLatin1String("hr")) {
                newline(1);
                out += QStringLiteral("----------------------------------------");
                newline(1);
            } else if (IsBlockTag(name)) {
                newline(1);
            }
            continue;
        }
        QString text;
        if (c == QLatin1Char('&')) {
            text = DecodeEntity(html, &i);
        } else {
            text = c;
            ++i;
        }
        for (QChar t : text) {
            if (!pre && (t == QLatin1Char(' ') || t == QLatin1Char('\t') || t == QLatin1Char('\n') ||
                         t == QLatin1Char('\r') || t == QChar(0x0C))) {
                if (!out.isEmpty() && !out.endsWith(QLatin1Char('\n'))) {
                    pendingSpace = true;
                }
                continue;
            }
            if (pre && t == QLatin1Char('\r')) {
                continue;
            }
            if (pendingSpace) {
                out += QLatin1Char(' ');
                pendingSpace = false;
            }
            out += t;
        }
    }
    while (out.endsWith(QLatin1Char('\n')) || out.endsWith(QLatin1Char(' '))) {
        out.chop(1);
    }
    if (!out.isEmpty()) {
        out += QLatin1Char('\n');
    }
    return out;
}

QByteArray HtmlDeclaredCharset(const QByteArray& html) {
    const QByteArray head = html.left(4096).toLower();
    qsizetype pos = 0;
    while ((pos = head.indexOf("<meta", pos)) >= 0) {
        const qsizetype end = head.indexOf('>', pos);
        const QByteArray tag = head.mid(pos, end < 0 ? -1 : end - pos);
        const qsizetype cs = tag.indexOf("charset=");
        if (cs >= 0) {
            qsizetype k = cs + 8;
            while (k < tag.size() && (tag.at(k) == '"' || tag.at(k) == '\'' || tag.at(k) == ' ')) {
                ++k;
            }
            qsizetype e = k;
            while (e < tag.size() && tag.at(e) != '"' && tag.at(e) != '\'' && tag.at(e) != ' ' &&
                   tag.at(e) != ';' && tag.at(e) != '/') {
                ++e;
            }
            return tag.mid(k, e - k);
        }
        pos = end < 0 ? head.size() : end;
    }
    return {};
}

} // namespace ricorne
