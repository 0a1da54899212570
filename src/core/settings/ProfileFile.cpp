#include "core/settings/ProfileFile.h"

#include "core/paths/Paths.h"
#include "core/platform/ReplaceFile.h"
#include "core/text/Text.h"

#include <QByteArrayList>
#include <QFile>

#include <cerrno>

namespace ricorne {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArray StripBlanks(const QByteArray& bytes) {
    qsizetype from = 0;
    qsizetype to = bytes.size();
    while (from < to && IsBlank(bytes.at(from)))
        ++from;
    while (to > from && (IsBlank(bytes.at(to - 1)) || bytes.at(to - 1) == '\r'))
        --to;
    return bytes.mid(from, to - from);
}

// The lines of the file, each with its own line end kept, so untouched lines are written
// back byte for byte.
QByteArrayList SplitKeepingEnds(const QByteArray& data) {
    QByteArrayList lines;
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype end = data.indexOf('\n', start);
        end = end < 0 ? data.size() : end + 1;
        lines.append(data.mid(start, end - start));
        start = end;
    }
    return lines;
}

QByteArray WithoutEnd(const QByteArray& line) {
    qsizetype n = line.size();
    while (n > 0 && (line.at(n - 1) == '\n' || line.at(n - 1) == '\r'))
        --n;
    return line.left(n);
}

// Section name when the line is a section line, else a null array.
QByteArray SectionOf(const QByteArray& line) {
    const QByteArray text = StripBlanks(WithoutEnd(line));
    if (!text.startsWith('['))
        return QByteArray();
    const qsizetype close = text.indexOf(']');
    if (close < 0)
        return QByteArray();
    QByteArray name = StripBlanks(text.mid(1, close - 1));
    return name.isNull() ? QByteArray("") : name;
}

// Key of a key line ("key=value"), else a null array. A lead byte of CP932 is never '=',
// and a trail byte never is either, so searching bytes is safe.
QByteArray KeyOf(const QByteArray& line, QByteArray* value = nullptr) {
    const QByteArray text = WithoutEnd(line);
    const qsizetype eq = text.indexOf('=');
    if (eq < 0)
        return QByteArray();
    if (value)
        *value = StripBlanks(text.mid(eq + 1));
    QByteArray key = StripBlanks(text.left(eq));
    return key.isNull() ? QByteArray("") : key;
}

bool SameName(const QByteArray& bytes, const QString& name) {
    return SameNameIgnoringAsciiCase(DecodeCp932(bytes), name);
}

} // namespace

QString ReadProfileString(const QString& path, const QString& section, const QString& key,
                          qsizetype maxLength) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArrayList lines = SplitKeepingEnds(file.readAll());
    bool inSection = false;
    bool seenSection = false;
    for (const QByteArray& line : lines) {
        const QByteArray name = SectionOf(line);
        if (!name.isNull()) {
            if (inSection)
                break; // only the first matching section counts
            inSection = !seenSection && SameName(name, section);
            seenSection = seenSection || inSection;
            continue;
        }
        if (!inSection)
            continue;
        QByteArray value;
        const QByteArray k = KeyOf(line, &value);
        if (k.isNull() || !SameName(k, key))
            continue;
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        return DecodeCp932(value).left(maxLength);
    }
    return QString();
}

platform::ReplaceResult WriteProfileStrings(const QString& path, const QString& section,
                                            const QList<QPair<QString, QString>>& entries, bool privateFile) {
    QByteArrayList lines;
    {
        QFile old(path);
        if (old.exists()) {
            if (!old.open(QIODevice::ReadOnly)) { // never replace a file we could not read
                platform::ReplaceResult unread;
                unread.ok = false;
                unread.step = QStringLiteral(u"元のファイルを読めません");
                unread.error = errno;
                unread.path = path;
                return unread;
            }
            lines = SplitKeepingEnds(old.readAll());
        }
    }
    if (!lines.isEmpty() && !lines.last().endsWith('\n'))
        lines.last().append("\r\n");

    // Where the section starts and ends (end = index after its last key or content line).
    qsizetype begin = -1;
    qsizetype end = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray name = SectionOf(lines.at(i));
        if (name.isNull()) {
            if (begin >= 0 && !StripBlanks(WithoutEnd(lines.at(i))).isEmpty())
                end = i + 1;
            continue;
        }
        if (begin >= 0)
            break;
        if (SameName(name, section)) {
            begin = i;
            end = i + 1;
        }
    }
    if (begin < 0) {
        lines.append("[" + EncodeCp932(section) + "]\r\n");
        begin = lines.size() - 1;
        end = lines.size();
    }

    for (const auto& [key, value] : entries) {
        const QByteArray line = EncodeCp932(key) + "=" + EncodeCp932(value) + "\r\n";
        bool replaced = false;
        for (qsizetype i = begin + 1; i < end; ++i) {
            const QByteArray k = KeyOf(lines.at(i));
            if (!k.isNull() && SectionOf(lines.at(i)).isNull() && SameName(k, key)) {
                lines[i] = line;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            lines.insert(end, line);
            ++end;
        }
    }

    return platform::ReplaceFileWhole(
        path, lines.join(), privateFile ? platform::FileAccess::OwnerOnly : platform::FileAccess::AsBefore);
}

} // namespace ricorne
