#include "receive/AttachmentJournal.h"

#include "core/paths/Paths.h"
#include "core/platform/FileIo.h"
#include "receive/ReceivedUidls.h"

#include <QDir>
#include <QFile>

#include <cerrno>

namespace ricorne {

namespace {

// A name the journal may act on: one plain entry of the attachment folder.
bool IsPlainName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(u'\0'));
}

} // namespace

AttachmentJournal::AttachmentJournal(const QString& attachFolder)
    : folder_(attachFolder),
      path_(ResolvePath(QLatin1Char('\\') + MailDataDir() + QStringLiteral("\\received-attachments.txt"))) {}

int AttachmentJournal::Recover() {
    names_.clear();
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        return 0; // none (or unreadable: then nothing is known to be ours)
    const QByteArray bytes = file.readAll();
    if (file.error() != QFile::NoError)
        return 0;
    file.close();
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast(); // the part after the last line end: empty, or a line a kill cut short
    QStringList names;
    bool stored = false;
    for (const QByteArray& raw : std::as_const(lines)) {
        const QByteArray line = raw.endsWith('\r') ? raw.chopped(1) : raw;
        if (line.startsWith("file ")) {
            const QString name = QString::fromUtf8(line.mid(5));
            if (IsPlainName(name))
                names << name;
        } else if (line.startsWith("stored ")) {
            const QList<QByteArray> fields = line.split(' ');
            bool ok = false;
            const int n = fields.size() == 3 ? fields.at(1).toInt(&ok) : 0;
            stored = ok && ReceivedUidls::RecordMatches(n, fields.at(2));
        }
    }
    const int removed = stored ? 0 : RemoveFiles(names);
    platform::RemoveFile(path_);
    return removed;
}

bool AttachmentJournal::Append(const QByteArray& line) {
    platform::FileHandle file =
        platform::OpenFile(path_, platform::kWriteOnly | platform::kAppend | platform::kCreate, 0600);
    if (!file.valid())
        return false;
    const bool written = platform::WriteFully(file.get(), line + "\r\n");
    return file.Close() && written;
}

bool AttachmentJournal::Add(const QString& name) {
    // Listed first in memory: a line that could not be written does not keep this check from
    // removing the file.
    names_ << name;
    return Append("file " + name.toUtf8());
}

bool AttachmentJournal::MarkStoredAs(int n, const QByteArray& recordSum) {
    if (names_.isEmpty())
        return true; // nothing to keep apart
    return Append("stored " + QByteArray::number(n) + ' ' + recordSum);
}

void AttachmentJournal::Keep() {
    if (!names_.isEmpty())
        platform::RemoveFile(path_);
    names_.clear();
}

int AttachmentJournal::Discard() {
    if (names_.isEmpty())
        return 0;
    const int removed = RemoveFiles(names_);
    if (removed > 0)
        platform::SyncFolder(folder_);
    platform::RemoveFile(path_);
    names_.clear();
    return removed;
}

int AttachmentJournal::RemoveFiles(const QStringList& names) const {
    const QDir dir(folder_);
    int removed = 0;
    for (const QString& name : names) {
        if (platform::RemoveFile(dir.filePath(name)))
            ++removed;
    }
    return removed;
}

} // namespace ricorne
