#include "core/paths/ProgramFolderLock.h"

#include "core/paths/Paths.h"

#include <QFile>
#include <QHash>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ricorne {

namespace {

struct HeldLock {
    QString path; // the lock file
    int fd = -1;
    int holders = 0;
    quint64 hold = 0;
};

quint64 NextHold() {
    static quint64 last = 0;
    return ++last;
}

// By AppDir: tests and the tool may switch AppDir within one process. Keyed by the folder
// rather than the resolved lock file, so that holding it again (every store write of a check)
// needs no look-up in the file system.
QHash<QString, HeldLock>& HeldLocks() {
    static QHash<QString, HeldLock> locks;
    return locks;
}

} // namespace

QString ProgramFolderLock::FileName() {
    return QStringLiteral("ricorne.lock");
}

QString ProgramFolderLock::Path() {
    return ResolvePath(QLatin1Char('\\') + MailDataDir() + QLatin1Char('\\') + FileName());
}

quint64 ProgramFolderLock::CurrentHold() {
    if (HeldLocks().isEmpty())
        return 0;
    const auto it = HeldLocks().constFind(AppDir());
    return it == HeldLocks().constEnd() ? 0 : it->hold;
}

namespace {

// Opens and locks the lock file. The file is removed by its last holder, so a program that
// opened it just before then locks a file nobody else will find: it tries again with the file
// now at the path.
ProgramFolderLock::State Lock(const QByteArray& path, int* lockedFd) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return ProgramFolderLock::State::Unavailable;
        int r;
        do {
            r = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (r != 0 && errno == EINTR);
        if (r != 0) {
            const bool busy = errno == EWOULDBLOCK;
            ::close(fd);
            return busy ? ProgramFolderLock::State::Busy : ProgramFolderLock::State::Unavailable;
        }
        struct stat held {};
        struct stat atPath {};
        if (::fstat(fd, &held) == 0 && ::stat(path.constData(), &atPath) == 0 &&
            held.st_dev == atPath.st_dev && held.st_ino == atPath.st_ino) {
            *lockedFd = fd;
            return ProgramFolderLock::State::Held;
        }
        ::close(fd);
    }
    return ProgramFolderLock::State::Busy;
}

} // namespace

ProgramFolderLock::ProgramFolderLock() : appDir_(AppDir()) {
    auto it = HeldLocks().find(appDir_);
    if (it != HeldLocks().end()) {
        ++it->holders;
        state_ = State::Held;
        return;
    }
    const QString path = Path();
    int fd = -1;
    state_ = Lock(QFile::encodeName(path), &fd);
    if (state_ == State::Held)
        HeldLocks().insert(appDir_, HeldLock{path, fd, 1, NextHold()});
}

ProgramFolderLock::~ProgramFolderLock() {
    if (state_ != State::Held)
        return;
    auto it = HeldLocks().find(appDir_);
    if (it == HeldLocks().end() || --it->holders > 0)
        return;
    // Removed while still locked (see Lock), so that no empty lock file stays in the folder.
    // One left by a killed program is harmless: the kernel let go of its lock.
    ::unlink(QFile::encodeName(it->path).constData());
    ::close(it->fd);
    HeldLocks().erase(it);
}

QString FolderBusyText() {
    return QStringLiteral(
        u"別のプログラム（このプログラムの別のウィンドウか ricorne-mailtool）が"
        u"同じフォルダーのメールを扱っています。"
        u"メールの受信と保存はしませんでした。その処理が終わってからもう一度お試しください。");
}

} // namespace ricorne
