#include "receive/ReceivedUidls.h"

#include "core/paths/Paths.h"
#include "core/platform/FileIo.h"
#include "core/platform/ReplaceFile.h"
#include "core/stores/Checksum.h"
#include "core/stores/RecordStore.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <vector>

namespace ricorne {

bool ReceivedUidls::RecordMatches(int n, const QByteArray& sum) {
    const StoreDescriptor& store = ReceivedStore();
    std::vector<char> bytes(size_t(store.recordLength));
    if (!ReadRecordBytes(store, n, bytes.data()))
        return false;
    // Lines written before the sums were made faster carry a SHA-256.
    if (sum.size() == 64)
        return QCryptographicHash::hash(QByteArrayView(bytes.data(), store.recordLength),
                                        QCryptographicHash::Sha256)
                   .toHex() == sum;
    return RecordSum(bytes.data(), store.recordLength) == sum;
}

ReceivedUidls::ReceivedUidls(const QString& server, const QString& account) {
    // The server as the user wrote it, whatever the letter case, and the account exactly.
    const QByteArray both = server.toLower().toUtf8() + '\n' + account.toUtf8();
    key_ = QString::fromLatin1(QCryptographicHash::hash(both, QCryptographicHash::Sha256).toHex().left(16));
    path_ = ResolvePath(QLatin1Char('\\') + MailDataDir() + QStringLiteral("\\received-uidl-") + key_ +
                        QStringLiteral(".txt"));
}

QString ReceivedUidls::Path() const {
    return path_;
}

bool ReceivedUidls::IsUsable(const QString& uidl) {
    if (uidl.isEmpty() || uidl.size() > 70)
        return false;
    for (QChar c : uidl) {
        if (c.unicode() < 0x21 || c.unicode() > 0x7E)
            return false;
    }
    return true;
}

// 128 bits from two independent fast sums: enough to tell the record we wrote from any other
// bytes at its place, at a small part of the cost of a cryptographic hash of 32 KB per mail.
QByteArray ReceivedUidls::RecordSum(const char* bytes, qint64 length) {
    return QByteArray::number(FastChecksum(bytes, length, 1), 16).rightJustified(16, '0') +
           QByteArray::number(FastChecksum(bytes, length, 2), 16).rightJustified(16, '0');
}

bool ReceivedUidls::Load() {
    lines_.clear();
    endsInsideLine_ = false;
    QFile file(Path());
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFile::NoError)
        return false;
    file.close();
    endsInsideLine_ = !bytes.isEmpty() && !bytes.endsWith('\n');
    QList<QByteArray> lines = bytes.split('\n');
    // A last line without its line end was cut short by a crash: the id it holds may be the
    // start of another mail's id, so it is not trusted.
    if (endsInsideLine_)
        lines.removeLast();
    bool settled = endsInsideLine_;
    for (const QByteArray& line : std::as_const(lines)) {
        const QList<QByteArray> fields = (line.endsWith('\r') ? line.chopped(1) : line).split(' ');
        const QString uidl = QString::fromLatin1(fields.at(0));
        if (!IsUsable(uidl)) {
            settled = settled || !line.isEmpty();
            continue;
        }
        if (fields.size() == 1) {
            lines_.insert(uidl, fields.at(0));
            continue;
        }
        settled = true;
        bool numberOk = false;
        const int n = fields.size() == 3 ? fields.at(1).toInt(&numberOk) : 0;
        if (numberOk && RecordMatches(n, fields.at(2)))
            lines_.insert(uidl, fields.at(0));
    }
    return !settled || Rewrite(lines_);
}

bool ReceivedUidls::Rewrite(const QHash<QString, QByteArray>& keep) {
    // The open file is about to be replaced or removed; later lines go to the new one.
    append_ = platform::FileHandle();
    createdHere_ = false;
    if (keep.isEmpty()) {
        QFile file(Path());
        if (file.exists() && !file.remove())
            return false;
        lines_.clear();
        endsInsideLine_ = false;
        return true;
    }
    QByteArray bytes;
    for (const QByteArray& line : keep)
        bytes += line + "\r\n";
    if (!platform::ReplaceFileWhole(Path(), bytes, platform::FileAccess::OwnerOnly))
        return false;
    lines_ = keep;
    endsInsideLine_ = false;
    return true;
}

bool ReceivedUidls::KeepOnly(const QSet<QString>& onServer) {
    QHash<QString, QByteArray> kept;
    for (auto it = lines_.cbegin(); it != lines_.cend(); ++it) {
        if (onServer.contains(it.key()))
            kept.insert(it.key(), it.value());
    }
    if (kept.size() == lines_.size() && !endsInsideLine_)
        return true;
    return Rewrite(kept);
}

bool ReceivedUidls::Forget(const QSet<QString>& uidls) {
    if (!QFileInfo::exists(Path()))
        return true;
    QHash<QString, QByteArray> kept = lines_;
    for (const QString& uidl : uidls)
        kept.remove(uidl);
    // Lines cut short may name these ids too: rewrite whenever the file exists.
    if (Rewrite(kept))
        return true;
    // An id that must go but cannot be written away would make a later check delete a mail
    // that may not be stored. Without the file every id is gone: at worst mails are stored twice.
    append_ = platform::FileHandle();
    if (!platform::RemoveFile(Path()) && errno != ENOENT)
        return false;
    platform::SyncFolderOf(Path());
    lines_.clear();
    endsInsideLine_ = false;
    return true;
}

bool ReceivedUidls::AddBeforeRecord(const QString& uidl, int n, const QByteArray& recordSum) {
    if (!IsUsable(uidl))
        return false;
    // One line per received mail: one write to the file opened by the first line.
    if (!append_.valid()) {
        createdHere_ = createdHere_ || !QFileInfo::exists(Path());
        append_ =
            platform::OpenFile(Path(), platform::kWriteOnly | platform::kAppend | platform::kCreate, 0600);
        if (!append_.valid())
            return false;
    }
    const QByteArray entry = uidl.toLatin1() + ' ' + QByteArray::number(n) + ' ' + recordSum;
    QByteArray line = entry + "\r\n";
    if (endsInsideLine_)
        line.prepend("\r\n");
    if (!platform::WriteFully(append_.get(), line)) {
        endsInsideLine_ = true; // part of the line may have gone out
        (void)append_.Close();
        return false;
    }
    endsInsideLine_ = false;
    // A rewrite keeps the line as it is: it counts only once its record is there.
    lines_.insert(uidl, entry);
    return true;
}

bool ReceivedUidls::Flush() {
    const QString path = Path();
    if (append_.valid()) {
        if (!platform::SyncFile(append_.get()))
            return false;
        if (createdHere_ && !platform::SyncFolderOf(path))
            return false;
        createdHere_ = false;
        return true;
    }
    if (!QFileInfo::exists(path))
        return true;
    return platform::SyncFileAt(path) && platform::SyncFolderOf(path);
}

} // namespace ricorne
