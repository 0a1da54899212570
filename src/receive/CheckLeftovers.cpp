#include "receive/TempMessageFile.h"

#include "core/mime/MimeDecoder.h"
#include "core/text/Text.h"

#include <QDir>
#include <QFile>

namespace ricorne {

namespace {

constexpr int kMaxNameTries = 1000;

const char kPrefix[] = ".ricorne-message-";

QString CandidateName(int n) {
    return QLatin1String(kPrefix) + QString::number(n) + QStringLiteral(".tmp");
}

} // namespace

bool TempMessageFile::Write(const QString& folder, const QString& header, const QString& body) {
    Remove();
    const QString crlf = QStringLiteral("\r\n");
    const QByteArray bytes = EncodeCp932(header + crlf + body + crlf);
    const QDir dir(folder);
    for (int n = 0; n < kMaxNameTries; ++n) {
        const QString path = dir.filePath(CandidateName(n));
        QFile file(path);
        // NewOnly creates the file or fails when the name is taken: no check-then-write race.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                       QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
            if (file.exists())
                continue;
            return false; // no folder, no permission
        }
        path_ = path;
        if (file.write(bytes) != bytes.size() || !file.flush()) {
            file.close();
            Remove();
            return false;
        }
        bytes_ = bytes;
        return true;
    }
    return false;
}

QString TempMessageFile::ReadBack() const {
    if (path_.isEmpty())
        return {};
    QString text = ToCrLf(DecodeCp932(bytes_));
    if (!text.isEmpty() && !text.endsWith(QStringLiteral("\r\n")))
        text += QStringLiteral("\r\n");
    return text;
}

void TempMessageFile::Remove() {
    if (path_.isEmpty())
        return;
    QFile::remove(path_);
    path_.clear();
    bytes_.clear();
}

int TempMessageFile::RemoveLeftovers(const QString& folder) {
    const QDir dir(folder);
    const QStringList names = dir.entryList(
        {QLatin1String(kPrefix) + QStringLiteral("*.tmp"), AttachmentTempPrefix() + QStringLiteral("*")},
        QDir::Files | QDir::Hidden | QDir::System);
    int removed = 0;
    for (const QString& name : names) {
        if (QFile::remove(dir.filePath(name)))
            ++removed;
    }
    return removed;
}

} // namespace ricorne
