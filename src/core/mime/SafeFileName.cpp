#include "SafeFileName.h"

#include <algorithm>

#include <cerrno>

#include "core/platform/FileIo.h"
#include "core/text/Text.h"

namespace ricorne {

namespace {

const int kMaxUtf8Bytes = 200;

bool IsDeviceName(const QString& name) {
    QString stem = name;
    const qsizetype dot = stem.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        stem.truncate(dot);
    }
    stem = stem.toUpper();
    while (stem.endsWith(QLatin1Char(' '))) {
        stem.chop(1);
    }
    static const char* const kNames[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$", "CONIN$", "CONOUT$"};
    for (const char* d : kNames) {
        if (stem == QLatin1String(d)) {
            return true;
        }
    }
    if (stem.size() == 4 &&
        (stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT"))) &&
        stem.at(3) >= QLatin1Char('0') && stem.at(3) <= QLatin1Char('9')) {
        return true;
    }
    return false;
}

// Cuts text to at most maxBytes of UTF-8 without splitting a surrogate pair.
QString CutUtf8(const QString& text, int maxBytes) {
    int used = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype len = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const int bytes = len == 2                       ? 4
                          : text.at(i).unicode() < 0x80  ? 1
                          : text.at(i).unicode() < 0x800 ? 2
                                                         : 3;
        if (used + bytes > maxBytes) {
            break;
        }
        used += bytes;
        i += len;
    }
    return text.left(i);
}

void StripDotsAndSpaces(QString* s) {
    auto strip = [](QChar c) { return c == QLatin1Char('.') || c == QLatin1Char(' ') || c == QChar(0x3000); };
    qsizetype b = 0, e = s->size();
    while (b < e && strip(s->at(b))) {
        ++b;
    }
    while (e > b && strip(s->at(e - 1))) {
        --e;
    }
    *s = s->mid(b, e - b);
}

} // namespace

QString SafeFileName(const QString& name) {
    QString s = name;
    // Base name first, before CP932 folds U+00A5 into a backslash.
    const qsizetype cut = std::max(s.lastIndexOf(QLatin1Char('/')), s.lastIndexOf(QLatin1Char('\\')));
    if (cut >= 0) {
        s = s.mid(cut + 1);
    }
    // Only characters CP932 holds: round trip through it (unmapped characters come back as "?",
    // which the next step turns into '_').
    s = DecodeCp932(EncodeCp932(s));
    for (QChar& c : s) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || u == 0xFFFD || u == '/' || u == '\\' ||
            u == '<' || u == '>' || u == ':' || u == '"' || u == '|' || u == '?' || u == '*') {
            c = QLatin1Char('_');
        }
    }
    StripDotsAndSpaces(&s);
    if (s.isEmpty() || s == QLatin1String("..")) {
        s = QStringLiteral("attachment");
    }
    if (IsDeviceName(s)) {
        s.prepend(QLatin1Char('_'));
    }
    if (s.toUtf8().size() > kMaxUtf8Bytes) {
        const qsizetype dot = s.lastIndexOf(QLatin1Char('.'));
        QString ext = dot > 0 ? s.mid(dot) : QString();
        if (ext.toUtf8().size() > 32) {
            ext.clear();
        }
        const QString stem = ext.isEmpty() ? s : s.left(dot);
        s = CutUtf8(stem, kMaxUtf8Bytes - static_cast<int>(ext.toUtf8().size())) + ext;
        StripDotsAndSpaces(&s);
        if (s.isEmpty()) {
            s = QStringLiteral("attachment");
        }
    }
    return s;
}

QString NumberedFileName(const QString& name, int n) {
    if (n <= 0) {
        return name;
    }
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString suffix = QStringLiteral(" (%1)").arg(n);
    if (dot > 0) {
        return name.left(dot) + suffix + name.mid(dot);
    }
    return name + suffix;
}

CreatedFile CreateUniqueFile(int dirFd, const QString& name) {
    CreatedFile result;
    for (int n = 0; n < 10000; ++n) {
        const QString candidate = NumberedFileName(name, n);
        platform::FileHandle file = platform::OpenFileIn(
            dirFd, candidate,
            platform::kWriteOnly | platform::kCreate | platform::kExclusive | platform::kNoFollow, 0600);
        if (file.valid()) {
            result.fd = file.Release();
            result.name = candidate;
            return result;
        }
        if (errno != EEXIST) {
            result.error = errno;
            return result;
        }
    }
    result.error = EEXIST;
    return result;
}

} // namespace ricorne
