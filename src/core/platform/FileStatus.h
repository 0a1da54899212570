// What the file system says about a file or folder, and the few changes to folders and
// permissions the program makes. Failures leave errno set.
#pragma once

#include <QString>

namespace ricorne::platform {

// A modification time or a clock reading, to the nanosecond.
struct FileTime {
    qint64 seconds = 0;
    qint64 nanoseconds = 0;
    friend bool operator==(const FileTime&, const FileTime&) = default;
    friend bool operator<(const FileTime& a, const FileTime& b) {
        return a.seconds < b.seconds || (a.seconds == b.seconds && a.nanoseconds < b.nanoseconds);
    }
};

struct FileStatus {
    bool exists = false; // false: nothing there, or it could not be examined (errno says)
    bool regular = false;
    bool folder = false;
    qint64 size = 0;
    unsigned mode = 0;  // the permission bits (07777)
    unsigned owner = 0; // the owning user's number
    quint64 device = 0;
    quint64 inode = 0; // device and inode together name the file itself, whatever its path
    FileTime modified;

    bool SameFileAs(const FileStatus& other) const {
        return exists && other.exists && device == other.device && inode == other.inode;
    }
};

// Of what path names, following links.
FileStatus StatusOf(const QString& path);
// Of an open file.
FileStatus StatusOfOpen(int fd);

// The coarse wall clock (as cheap as a memory read), in the terms of FileStatus::modified.
FileTime CoarseClockNow();

// The user this process acts as.
unsigned CurrentUser();
// Sets the permission bits of path (not changed by the umask).
bool SetPathMode(const QString& path, unsigned mode);
// Makes the folder path (its parent must exist) with mode minus the umask.
bool MakeFolder(const QString& path, unsigned mode);

} // namespace ricorne::platform
