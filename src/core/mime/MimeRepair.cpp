#include "MimeRepair.h"

#include <QByteArrayView>
#include <QList>

#include <vector>

#include "core/mime/Rfc2231.h"

namespace ricorne {

namespace {

// Enough for any real nesting; a cap keeps the boundary check of each line cheap.
const int kMaxBoundaries = 64;

bool IsHeaderField(QByteArrayView line) {
    qsizetype i = 0;
    while (i < line.size() && line.at(i) > 0x20 && line.at(i) < 0x7F && line.at(i) != ':') {
        ++i;
    }
    const qsizetype nameEnd = i;
    while (i < line.size() && (line.at(i) == ' ' || line.at(i) == '\t')) {
        ++i;
    }
    // An empty name (": text") is a broken header, not text: other readers skip it too.
    return (nameEnd > 0 || line.startsWith(':')) && i < line.size() && line.at(i) == ':';
}

bool IsNamed(QByteArrayView line, QByteArrayView name) {
    if (line.size() <= name.size() || line.first(name.size()).compare(name, Qt::CaseInsensitive) != 0) {
        return false;
    }
    const char next = line.at(name.size());
    return next == ':' || next == ' ' || next == '\t';
}

} // namespace

QByteArray RepairHeaderBlocks(const QByteArray& raw) {
    struct Insert {
        qsizetype at;
        bool crlf;
    };
    std::vector<Insert> inserts;
    QList<QByteArray> boundaries; // "--" + boundary
    bool inHeaders = true;
    bool blockStart = true;
    bool inContentType = false;
    QByteArray contentType;

    // The header block just ended: a multipart declares its boundary, an embedded message starts
    // another header block.
    auto endBlock = [&] {
        inHeaders = false;
        const QByteArray type = HeaderToken(contentType);
        if (type.startsWith("multipart/") && boundaries.size() < kMaxBoundaries) {
            const QByteArray b = HeaderParameter(contentType, "boundary").toUtf8();
            if (!b.isEmpty()) {
                boundaries.append("--" + b);
            }
        } else if (type == "message/rfc822") {
            inHeaders = true;
            blockStart = true;
        }
        contentType.clear();
        inContentType = false;
    };

    const qsizetype n = raw.size();
    qsizetype pos = 0;
    // An mbox separator line before the headers is not a header, and not the body either.
    if (raw.startsWith("From ")) {
        const qsizetype eol = raw.indexOf('\n');
        pos = eol < 0 ? n : eol + 1;
    }
    while (pos < n) {
        const qsizetype eol = raw.indexOf('\n', pos);
        const qsizetype next = eol < 0 ? n : eol + 1;
        QByteArrayView line(raw.constData() + pos, (eol < 0 ? n : eol) - pos);
        const bool crlf = line.endsWith('\r');
        if (crlf) {
            line.chop(1);
        }
        if (inHeaders) {
            if (line.isEmpty()) {
                endBlock();
                pos = next;
                continue;
            }
            if (!blockStart && (line.at(0) == ' ' || line.at(0) == '\t')) {
                if (inContentType) {
                    contentType += line.toByteArray();
                }
                pos = next;
                continue;
            }
            if (IsHeaderField(line)) {
                blockStart = false;
                inContentType = IsNamed(line, "content-type");
                if (inContentType) {
                    contentType = line.toByteArray().mid(line.indexOf(':') + 1);
                }
                pos = next;
                continue;
            }
            // Neither a header nor a continuation: the body begins here.
            inserts.push_back(Insert{pos, crlf || (eol < 0 && raw.contains('\r'))});
            endBlock();
            if (inHeaders) {
                continue; // an embedded message whose headers begin on this very line
            }
        }
        if (line.startsWith("--")) {
            for (qsizetype k = boundaries.size() - 1; k >= 0; --k) {
                const QByteArray& b = boundaries.at(k);
                if (!line.startsWith(b)) {
                    continue;
                }
                const QByteArrayView rest = line.sliced(b.size());
                if (rest.trimmed().isEmpty()) {
                    inHeaders = true;
                    blockStart = true;
                    break;
                }
                if (rest.startsWith("--")) {
                    break;
                }
            }
        }
        pos = next;
    }
    if (inserts.empty()) {
        return raw;
    }
    QByteArray out;
    out.reserve(n + static_cast<qsizetype>(inserts.size()) * 2);
    qsizetype from = 0;
    for (const Insert& in : inserts) {
        out.append(raw.constData() + from, in.at - from);
        out += in.crlf ? "\r\n" : "\n";
        from = in.at;
    }
    out.append(raw.constData() + from, n - from);
    return out;
}

} // namespace ricorne
