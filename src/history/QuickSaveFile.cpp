#include "history/QuickSaveFile.h"

#include "core/paths/Paths.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace ricorne {

namespace {

// Longest file name most file systems take, in bytes of the name as stored.
constexpr qsizetype kMaxNameBytes = 255;

bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

} // namespace

QString QuickSaveFileName(const QString& subject) {
    const QString suffix = QStringLiteral(".txt");
    QString stem;
    qsizetype bytes = QFile::encodeName(suffix).size();
    for (const char32_t c : subject.toUcs4()) {
        if (IsControl(c))
            continue;
        QString piece;
        if (c == U'/')
            piece = QStringLiteral(u"／");
        else if (c == U'\\')
            piece = QStringLiteral(u"＼");
        else
            piece = QString::fromUcs4(&c, 1);
        const qsizetype size = QFile::encodeName(piece).size();
        if (bytes + size > kMaxNameBytes)
            break; // a whole character at most: never half of one
        bytes += size;
        stem += piece;
    }
    return stem + suffix;
}

QString QuickSaveFolder() {
    return ResolvePath(QStringLiteral("\\") + QuickSaveDir());
}

QString ExistingQuickSaveEntry(const QString& folder, const QString& fileName) {
    // Listed, not looked up by pattern: "*" and "?" in a subject are ordinary characters.
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    if (entries.contains(fileName))
        return fileName;
    for (const QString& entry : entries)
        if (SameNameIgnoringAsciiCase(entry, fileName))
            return entry;
    return {};
}

platform::ReplaceResult WriteQuickSaveFile(const QString& folder, const QString& fileName,
                                           const QByteArray& content) {
    const QString path = QDir(folder).filePath(fileName);
    auto refuse = [](const QString& where, const QString& step, int error) {
        platform::ReplaceResult refused;
        refused.ok = false;
        refused.step = step;
        refused.error = error;
        refused.path = where;
        return refused;
    };
    if (!QFileInfo(folder).isDir())
        return refuse(folder, QStringLiteral(u"フォルダーがありません"), ENOENT);
    // A link could lead the write out of the folder.
    if (QFileInfo(path).isSymLink())
        return refuse(path, QStringLiteral(u"リンクには保存しません"), ELOOP);
    return platform::ReplaceFileWhole(path, content);
}

} // namespace ricorne
