#include "receive/ReceivedUidls.h"

#include "core/paths/Paths.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

namespace ricorne {

namespace {

bool SyncPath(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

QString ReceivedUidls::FileName() {
    return QStringLiteral("received-uidl.txt");
}

QString ReceivedUidls::Path() {
    return ResolvePath(QLatin1Char('\\') + MailDataDir() + QLatin1Char('\\') + FileName());
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

bool ReceivedUidls::Load() {
    uidls_.clear();
    endsInsideLine_ = false;
    QFile file(Path());
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFile::NoError)
        return false;
    endsInsideLine_ = !bytes.isEmpty() && !bytes.endsWith('\n');
    QList<QByteArray> lines = bytes.split('\n');
    // A last line without its line end was cut short by a crash: the id it holds may be the
    // start of another mail's id, so it is not trusted.
    if (endsInsideLine_)
        lines.removeLast();
    for (const QByteArray& line : std::as_const(lines)) {
        const QString uidl = QString::fromLatin1(line.endsWith('\r') ? line.chopped(1) : line);
        if (IsUsable(uidl))
            uidls_.insert(uidl);
    }
    return true;
}

bool ReceivedUidls::KeepOnly(const QSet<QString>& onServer) {
    QSet<QString> kept;
    for (const QString& uidl : std::as_const(uidls_)) {
        if (onServer.contains(uidl))
            kept.insert(uidl);
    }
    if (kept.size() == uidls_.size() && !endsInsideLine_)
        return true;
    QByteArray bytes;
    for (const QString& uidl : std::as_const(kept))
        bytes += uidl.toLatin1() + "\r\n";
    QSaveFile file(Path());
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(bytes) != bytes.size() || !file.commit())
        return false;
    uidls_ = kept;
    endsInsideLine_ = false;
    return true;
}

bool ReceivedUidls::Add(const QString& uidl) {
    if (!IsUsable(uidl))
        return false;
    QFile file(Path());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    QByteArray line = uidl.toLatin1() + "\r\n";
    if (endsInsideLine_)
        line.prepend("\r\n");
    if (file.write(line) != line.size() || !file.flush()) {
        endsInsideLine_ = true; // part of the line may have gone out
        return false;
    }
    endsInsideLine_ = false;
    uidls_.insert(uidl);
    return true;
}

bool ReceivedUidls::Flush() const {
    const QString path = Path();
    if (!QFileInfo::exists(path))
        return true;
    return SyncPath(path, O_RDONLY) && SyncPath(QFileInfo(path).absolutePath(), O_RDONLY | O_DIRECTORY);
}

} // namespace ricorne
