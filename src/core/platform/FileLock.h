// An exclusive lock on a file, held by the kernel for this process: it goes when the process
// ends, however it ends, so a lock file left behind by a crash never counts as held.
#pragma once

#include <QString>

namespace ricorne::platform {

enum class LockOutcome {
    Locked,      // *fd holds the lock
    Busy,        // another process holds it
    Unavailable, // the lock file cannot be made or opened (no folder, read-only folder)
};

// Opens path (made 0600 when missing, never through a link) and locks it without waiting.
// The file is removed by its last holder (UnlockAndRemove), so a file opened just before that
// is no longer the one at path: then the file now at path is tried, up to 100 times (Busy
// after that).
LockOutcome LockFile(const QString& path, int* fd);

// Removes path while still holding the lock, then closes fd (which lets the lock go).
void UnlockAndRemove(const QString& path, int fd);

} // namespace ricorne::platform
