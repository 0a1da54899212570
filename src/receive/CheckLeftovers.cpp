#include "receive/CheckLeftovers.h"

#include "core/mime/MimeDecoder.h"

#include <QDir>
#include <QFile>

namespace ricorne {

int RemoveCheckLeftovers(const QString& folder) {
    const QDir dir(folder);
    const QStringList names = dir.entryList(
        {QStringLiteral(".ricorne-message-*.tmp"), AttachmentTempPrefix() + QStringLiteral("*")},
        QDir::Files | QDir::Hidden | QDir::System);
    int removed = 0;
    for (const QString& name : names) {
        if (QFile::remove(dir.filePath(name)))
            ++removed;
    }
    return removed;
}

} // namespace ricorne
