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

// Mail written with lone CRs as line ends (old Mac mailers) reads with CR LF, the way readers that
// take CR, LF and CR LF alike read it. Only when the header block itself uses them: a lone CR
// inside the text of an otherwise LF or CR LF mail is left to the body's own reading.
QByteArray LoneCrAsCrLf(const QByteArray& raw) {
    bool loneInHeader = false;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw.at(i);
        if (c == '\n') {
            if (i + 1 < raw.size() && (raw.at(i + 1) == '\n' || raw.at(i + 1) == '\r'))
                break; // LF or CR LF header block ended
            continue;
        }
        if (c == '\r' && (i + 1 >= raw.size() || raw.at(i + 1) != '\n')) {
            loneInHeader = true;
            break;
        }
    }
    if (!loneInHeader)
        return raw;
    QByteArray out;
    out.reserve(raw.size() + raw.size() / 32);
    for (qsizetype i = 0; i < raw.size(); ++i) {
        out += raw.at(i);
        if (raw.at(i) == '\r' && (i + 1 >= raw.size() || raw.at(i + 1) != '\n'))
            out += '\n';
    }
    return out;
}

// Names whose presence after a line without a colon shows that the header block goes on.
bool IsCommonHeader(QByteArrayView line) {
    for (const char* name :
         {"from", "subject", "date", "to", "cc", "content-type", "content-transfer-encoding", "mime-version",
          "message-id", "received", "reply-to", "return-path"}) {
        if (IsNamed(line, name))
            return true;
    }
    return false;
}

// True when the lines after pos, up to the blank line, are header fields or continuations and
// one of them is a common header: the line at pos is a broken fold inside the block, not text.
bool BlockGoesOn(const QByteArray& raw, qsizetype pos) {
    bool common = false;
    for (int lines = 0; pos < raw.size() && lines < 200; ++lines) {
        const qsizetype eol = raw.indexOf('\n', pos);
        QByteArrayView line(raw.constData() + pos, (eol < 0 ? raw.size() : eol) - pos);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            return common;
        if (line.at(0) != ' ' && line.at(0) != '\t') {
            if (!IsHeaderField(line))
                return false;
            common = common || IsCommonHeader(line);
        }
        if (eol < 0)
            return false;
        pos = eol + 1;
    }
    return false;
}

} // namespace

QByteArray RepairHeaderBlocks(const QByteArray& input) {
    const QByteArray raw = LoneCrAsCrLf(input);
    // At each position: bytes dropped and text put in (a blank line, or a space making a broken
    // fold a continuation again).
    struct Insert {
        qsizetype at;
        qsizetype drop;
        QByteArray text;
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
            if (line.at(0) == ' ' || line.at(0) == '\t') {
                if (!blockStart) {
                    if (inContentType) {
                        contentType += line.toByteArray();
                    }
                    pos = next;
                    continue;
                }
                // White space before the first header: a blank-looking line is dropped, and a
                // header written after spaces reads as that header.
                qsizetype lead = 0;
                while (lead < line.size() && (line.at(lead) == ' ' || line.at(lead) == '\t')) {
                    ++lead;
                }
                if (lead == line.size() || IsHeaderField(line.sliced(lead))) {
                    inserts.push_back(Insert{pos, lead == line.size() ? next - pos : lead, {}});
                    if (lead == line.size()) {
                        pos = next;
                        continue;
                    }
                    line = line.sliced(lead);
                }
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
            if (!blockStart && eol >= 0 && BlockGoesOn(raw, next)) {
                // A fold that lost its leading space (a long subject cut by a careless writer):
                // the headers after it still belong to the block.
                inserts.push_back(Insert{pos, 0, " "});
                pos = next;
                continue;
            }
            // Neither a header nor a continuation: the body begins here.
            inserts.push_back(Insert{pos, 0, crlf || (eol < 0 && raw.contains('\r')) ? "\r\n" : "\n"});
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
        out += in.text;
        from = in.at + in.drop;
    }
    out.append(raw.constData() + from, n - from);
    return out;
}

} // namespace ricorne
