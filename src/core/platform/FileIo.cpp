#include "core/platform/FileIo.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ricorne::platform {

namespace {

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

int NativeFlags(unsigned flags) {
    int native = O_CLOEXEC;
    native |= (flags & kReadWrite) ? O_RDWR : (flags & kWriteOnly) ? O_WRONLY : O_RDONLY;
    if (flags & kCreate)
        native |= O_CREAT;
    if (flags & kTruncate)
        native |= O_TRUNC;
    if (flags & kAppend)
        native |= O_APPEND;
    if (flags & kExclusive)
        native |= O_EXCL;
    if (flags & kNoFollow)
        native |= O_NOFOLLOW;
    if (flags & kNonBlocking)
        native |= O_NONBLOCK;
    if (flags & kFolder)
        native |= O_DIRECTORY;
    return native;
}

} // namespace

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.Release();
    }
    return *this;
}

FileHandle::~FileHandle() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool FileHandle::Close() {
    const int fd = Release();
    return fd < 0 || ::close(fd) == 0;
}

int FileHandle::Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

FileHandle OpenFile(const QString& path, unsigned flags, unsigned mode) {
    const QByteArray native = Native(path);
    int fd;
    do {
        fd = ::open(native.constData(), NativeFlags(flags), mode_t(mode));
    } while (fd < 0 && errno == EINTR);
    return FileHandle(fd);
}

FileHandle OpenFileIn(int folderFd, const QString& name, unsigned flags, unsigned mode) {
    const QByteArray native = Native(name);
    int fd;
    do {
        fd = ::openat(folderFd, native.constData(), NativeFlags(flags), mode_t(mode));
    } while (fd < 0 && errno == EINTR);
    return FileHandle(fd);
}

bool CloseFile(int fd) {
    return ::close(fd) == 0;
}

bool WriteFully(int fd, const char* data, qint64 length, qint64 offset) {
    qint64 done = 0;
    while (done < length) {
        const size_t want = size_t(length - done);
        const ssize_t n = offset == kAtPosition ? ::write(fd, data + done, want)
                                                : ::pwrite(fd, data + done, want, off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

qint64 ReadFully(int fd, char* into, qint64 length, qint64 offset) {
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, into + done, size_t(length - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

bool CopyRange(int in, qint64 inOffset, int out, qint64 outOffset, qint64 length) {
    bool kernelCopy = true;
    while (length > 0 && kernelCopy) {
        loff_t from = inOffset;
        loff_t to = outOffset;
        const ssize_t n = ::copy_file_range(in, &from, out, &to, size_t(length), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 &&
            (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EPERM)) {
            kernelCopy = false; // the file system cannot; copy through a buffer instead
            break;
        }
        if (n <= 0)
            return false; // an error, or the source ended early
        inOffset += n;
        outOffset += n;
        length -= n;
    }
    if (length == 0)
        return true;
    std::vector<char> buffer(size_t(qMin<qint64>(length, 1 << 20)));
    while (length > 0) {
        const qint64 chunk = qMin<qint64>(length, qint64(buffer.size()));
        if (ReadFully(in, buffer.data(), chunk, inOffset) != chunk)
            return false;
        if (!WriteFully(out, buffer.data(), chunk, outOffset))
            return false;
        inOffset += chunk;
        outOffset += chunk;
        length -= chunk;
    }
    return true;
}

namespace {

bool RealSync(int fd, bool wholeFileSystem) {
    return (wholeFileSystem ? ::syncfs(fd) : ::fsync(fd)) == 0;
}

std::atomic<SyncFunction> g_sync{&RealSync};

} // namespace

void SetSyncFunction(SyncFunction sync) {
    g_sync = sync ? sync : &RealSync;
}

bool SyncFile(int fd) {
    return g_sync.load()(fd, false);
}

bool SyncFileSystem(int fd) {
    return g_sync.load()(fd, true);
}

void StartWriteBack(int fd, qint64 offset, qint64 length) {
    ::sync_file_range(fd, off_t(offset), off_t(length), SYNC_FILE_RANGE_WRITE);
}

bool SyncFileAt(const QString& path) {
    const FileHandle file = OpenFile(path, kReadOnly);
    return file.valid() && SyncFile(file.get());
}

bool SyncFolder(const QString& folder) {
    const FileHandle dir = OpenFile(folder, kReadOnly | kFolder);
    return dir.valid() && SyncFile(dir.get());
}

bool SyncFolderOf(const QString& path) {
    return SyncFolder(QFileInfo(path).absolutePath());
}

bool TruncateFile(int fd, qint64 size) {
    return ::ftruncate(fd, off_t(size)) == 0;
}

bool SetFileMode(int fd, unsigned mode) {
    return ::fchmod(fd, mode_t(mode)) == 0;
}

bool RenameFile(const QString& from, const QString& to) {
    return ::rename(Native(from).constData(), Native(to).constData()) == 0;
}

bool LinkFile(const QString& from, const QString& to) {
    return ::link(Native(from).constData(), Native(to).constData()) == 0;
}

bool RemoveFile(const QString& path) {
    return ::unlink(Native(path).constData()) == 0;
}

bool RenameIn(int folderFd, const QString& from, const QString& to) {
    return ::renameat(folderFd, Native(from).constData(), folderFd, Native(to).constData()) == 0;
}

bool RemoveIn(int folderFd, const QString& name) {
    return ::unlinkat(folderFd, Native(name).constData(), 0) == 0;
}

bool RenameInWithoutReplacing(int folderFd, const QString& from, const QString& to) {
    const QByteArray source = Native(from);
    const QByteArray target = Native(to);
    if (::renameat2(folderFd, source.constData(), folderFd, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL)
        return false;
    // A file system without that kind of rename: a hard link never replaces either.
    if (::linkat(folderFd, source.constData(), folderFd, target.constData(), 0) != 0)
        return false;
    ::unlinkat(folderFd, source.constData(), 0);
    return true;
}

} // namespace ricorne::platform
