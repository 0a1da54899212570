#include "core/platform/FileStatus.h"

#include <QFile>

#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

namespace ricorne::platform {

namespace {

FileStatus FromStat(const struct stat& st) {
    FileStatus status;
    status.exists = true;
    status.regular = S_ISREG(st.st_mode);
    status.folder = S_ISDIR(st.st_mode);
    status.size = qint64(st.st_size);
    status.mode = unsigned(st.st_mode & 07777);
    status.owner = unsigned(st.st_uid);
    status.device = quint64(st.st_dev);
    status.inode = quint64(st.st_ino);
    status.modified = {qint64(st.st_mtim.tv_sec), qint64(st.st_mtim.tv_nsec)};
    return status;
}

} // namespace

FileStatus StatusOf(const QString& path) {
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return FromStat(st);
}

FileStatus StatusOfOpen(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return {};
    return FromStat(st);
}

FileTime CoarseClockNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return {qint64(now.tv_sec), qint64(now.tv_nsec)};
}

unsigned CurrentUser() {
    return unsigned(::geteuid());
}

bool SetPathMode(const QString& path, unsigned mode) {
    return ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0;
}

bool MakeFolder(const QString& path, unsigned mode) {
    return ::mkdir(QFile::encodeName(path).constData(), mode_t(mode)) == 0;
}

} // namespace ricorne::platform
