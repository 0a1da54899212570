#include "core/platform/FileLock.h"

#include "core/platform/FileIo.h"
#include "core/platform/FileStatus.h"

#include <cerrno>
#include <sys/file.h>

namespace ricorne::platform {

LockOutcome LockFile(const QString& path, int* fd) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        FileHandle file = OpenFile(path, kReadWrite | kCreate | kNoFollow, 0600);
        if (!file.valid())
            return LockOutcome::Unavailable;
        int r;
        do {
            r = ::flock(file.get(), LOCK_EX | LOCK_NB);
        } while (r != 0 && errno == EINTR);
        if (r != 0)
            return errno == EWOULDBLOCK ? LockOutcome::Busy : LockOutcome::Unavailable;
        if (StatusOfOpen(file.get()).SameFileAs(StatusOf(path))) {
            *fd = file.Release();
            return LockOutcome::Locked;
        }
    }
    return LockOutcome::Busy;
}

void UnlockAndRemove(const QString& path, int fd) {
    RemoveFile(path);
    CloseFile(fd);
}

} // namespace ricorne::platform
