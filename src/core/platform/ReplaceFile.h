// The one way a whole file is replaced: the new bytes go to a temporary file in the same
// folder (every write checked, nothing left in a buffer for a later flush to lose), are forced
// to disk, and the temporary file is renamed over the target, whose folder is then forced to
// disk as well. A crash or a full disk never leaves a half-written or empty file in place of
// a good one. The temporary file of a writer killed before its rename ("name.tmp-XXXXXX") is
// removed by the next replacement of the same file.
#pragma once

#include <QByteArray>
#include <QString>

namespace ricorne::platform {

enum class FileAccess {
    AsBefore,  // the old file's permissions; a new file gets the usual ones (the umask's)
    OwnerOnly, // 0600 whether the file existed or not
};

struct ReplaceResult {
    bool ok = true;
    QString step;  // what failed, in words for the user; empty on success
    int error = 0; // errno of the failed step
    QString path;  // the file that was to be replaced
    // "<step>: <path>（<the system's text for error>）"; empty on success.
    QString Text() const;
    explicit operator bool() const { return ok; }
};

// Replaces the file at path with bytes. A link at path is followed: the file it points to is
// replaced, and the link stays. Refused when path is a folder or a file this process may not
// write. On any failure up to the rename the old file is untouched and no temporary file
// remains; when only forcing the folder to disk fails, the new file is in place but the
// failure is still reported.
ReplaceResult ReplaceFileWhole(const QString& path, const QByteArray& bytes,
                               FileAccess access = FileAccess::AsBefore);

// Removes the temporary files of the earlier form ("name.XXXXXX", regular files, not links) that
// a replacement of path killed before its rename left beside it, when unchanged for more than
// settledSeconds: another process's replacement still being written keeps its file's time recent.
// ReplaceFileWhole removes its own present form ("name.tmp-XXXXXX") itself.
void RemoveLeftoverTemporaries(const QString& path, qint64 settledSeconds);

} // namespace ricorne::platform
