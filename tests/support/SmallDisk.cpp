#include "SmallDisk.h"

#include <QFile>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace ricorne::testing {

SmallDisk::SmallDisk(qint64 bytes, const QString& mountOn)
    : path_(mountOn.isEmpty() ? ownFolder_.path() : mountOn) {
    if (::geteuid() != 0 || (mountOn.isEmpty() && !ownFolder_.isValid()))
        return;
    const QByteArray path = QFile::encodeName(path_);
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0700";
    mounted_ = ::mount("ricorne-full", path.constData(), "tmpfs", 0, options.constData()) == 0;
    if (mounted_ && mountOn.isEmpty()) {
        oldTmp_ = qgetenv("TMPDIR");
        qputenv("TMPDIR", path);
    }
}

SmallDisk::~SmallDisk() {
    if (!mounted_)
        return;
    RestoreTmpDir();
    ::umount2(QFile::encodeName(path_).constData(), MNT_DETACH);
}

QString SmallDisk::SkipReason() const {
    return ::geteuid() != 0 ? QStringLiteral("needs root to mount a small tmpfs")
                            : QStringLiteral("could not mount a small tmpfs");
}

void SmallDisk::RestoreTmpDir() const {
    if (ownFolder_.path() != path_)
        return;
    if (oldTmp_.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTmp_);
}

bool SmallDisk::Free() const {
    return QFile::remove(path_ + QStringLiteral("/.filler"));
}

bool SmallDisk::FillLeaving(qint64 room) {
    const QByteArray path = QFile::encodeName(path_ + QStringLiteral("/.filler"));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return false;
    std::vector<char> block(1 << 12, 'x');
    qint64 size = 0;
    for (;;) {
        const ssize_t n = ::write(fd, block.data(), block.size());
        if (n <= 0)
            break;
        size += n;
    }
    const bool ok = ::ftruncate(fd, qMax<qint64>(0, size - room)) == 0;
    ::close(fd);
    return ok;
}

} // namespace ricorne::testing
