// Helpers shared by the MIME tests: files of the hand-made corpus, temporary folders.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

namespace ricorne::test {

inline QString CorpusDir() {
    return QStringLiteral(RICORNE_SOURCE_DIR "/tests/core/mime/corpus");
}

inline QByteArray ReadFileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

inline QByteArray CorpusMail(const QString& name) {
    return ReadFileBytes(CorpusDir() + QLatin1Char('/') + name);
}

// Every file below dir (relative paths, sorted), folders marked with a trailing '/'.
inline QStringList TreeOf(const QString& dir) {
    QStringList out;
    QDir root(dir);
    const QFileInfoList entries =
        root.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& info : entries) {
        if (info.isDir() && !info.isSymLink()) {
            out.append(info.fileName() + QLatin1Char('/'));
            for (const QString& sub : TreeOf(info.filePath())) {
                out.append(info.fileName() + QLatin1Char('/') + sub);
            }
        } else {
            out.append(info.fileName());
        }
    }
    return out;
}

} // namespace ricorne::test
