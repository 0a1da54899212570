// File work that Qt's classes do not offer: exact write and read loops, forcing data to disk,
// exclusive creation inside a folder, renames that never replace. Every operating-system call
// of this kind lives in this folder, so a port to another desktop system touches it alone.
//
// Failures leave errno set for the caller (the callers turn it into words for the user).
// Every descriptor is opened close-on-exec, and an interrupted call is retried.
#pragma once

#include <QByteArray>
#include <QString>

namespace ricorne::platform {

// Owns one file descriptor and closes it when it goes.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    FileHandle(FileHandle&& other) noexcept : fd_(other.Release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle();

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and reports a failed close (network file systems report write errors here).
    bool Close();
    // Gives the descriptor to the caller, who closes it.
    int Release();

private:
    int fd_ = -1;
};

// How a file is opened; combine with |.
enum OpenFlag : unsigned {
    kReadOnly = 0,
    kWriteOnly = 1u << 0,
    kReadWrite = 1u << 1,
    kCreate = 1u << 2,
    kTruncate = 1u << 3,
    kAppend = 1u << 4,
    kExclusive = 1u << 5,   // with kCreate: fails with EEXIST when the name is taken
    kNoFollow = 1u << 6,    // a link at the last component is refused, never followed
    kNonBlocking = 1u << 7, // a fifo planted under the name does not hang the open
    kFolder = 1u << 8,      // a folder, opened to sync it or to work inside it
};

// Opens path; mode is used when the file is created (minus the umask). Invalid on failure.
FileHandle OpenFile(const QString& path, unsigned flags, unsigned mode = 0600);
// Opens name (one component) inside the folder open as folderFd.
FileHandle OpenFileIn(int folderFd, const QString& name, unsigned flags, unsigned mode = 0600);
// The descriptor of a file opened elsewhere in this folder (a plain int kept by a caller) is
// closed with this; false when the close reported an error.
bool CloseFile(int fd);

// Where WriteFully writes when given no offset: at the descriptor's position (or the end,
// for a file opened with kAppend).
inline constexpr qint64 kAtPosition = -1;

// Writes all length bytes at offset (or at the position), however many calls it takes. False
// when a call fails or writes nothing (a full disk); part of the bytes may then be written.
bool WriteFully(int fd, const char* data, qint64 length, qint64 offset = kAtPosition);
inline bool WriteFully(int fd, const QByteArray& bytes, qint64 offset = kAtPosition) {
    return WriteFully(fd, bytes.constData(), bytes.size(), offset);
}

// Reads up to length bytes at offset; returns the count read (short only at the end of the
// file) or -1 on an error.
qint64 ReadFully(int fd, char* into, qint64 length, qint64 offset);

// Copies length bytes from in at inOffset to out at outOffset, in the kernel when the file
// system can. False on an error or when the source ends early.
bool CopyRange(int in, qint64 inOffset, int out, qint64 outOffset, qint64 length);

// Forces the file's data (or a folder's entries) to disk.
bool SyncFile(int fd);
// Forces everything written on the file system that holds fd to disk: one barrier for many
// files written together.
bool SyncFileSystem(int fd);
// Starts writing the file's data (length bytes from offset; 0: to the end) to disk without
// waiting for it, so that a later sync finds it done.
void StartWriteBack(int fd, qint64 offset = 0, qint64 length = 0);

// Every sync above goes through this function (fd, whole file system?); tests put one in its
// place that fails, to reach the paths a failing disk takes. nullptr restores the real one.
using SyncFunction = bool (*)(int fd, bool wholeFileSystem);
void SetSyncFunction(SyncFunction sync);
// Opens the file at path and forces it to disk. False when it cannot be opened (errno tells
// whether it is missing) or synced.
bool SyncFileAt(const QString& path);
// Forces the entries of the folder (names made, renamed or removed in it) to disk.
bool SyncFolder(const QString& folder);
// SyncFolder of the folder that holds path.
bool SyncFolderOf(const QString& path);

// Cuts the file to size bytes.
bool TruncateFile(int fd, qint64 size);
// Sets the permission bits of an open file (not changed by the umask).
bool SetFileMode(int fd, unsigned mode);

// Renames from to to, replacing what is at to.
bool RenameFile(const QString& from, const QString& to);
// Gives from the second name to (fails with EEXIST when to exists: never replaces).
bool LinkFile(const QString& from, const QString& to);
// Removes the name path.
bool RemoveFile(const QString& path);

// The same inside the folder open as folderFd, by single names.
bool RenameIn(int folderFd, const QString& from, const QString& to);
bool RemoveIn(int folderFd, const QString& name);
// Renames from to to only when to does not exist (fails with EEXIST otherwise); on a file
// system without such a rename, by a hard link and the removal of from.
bool RenameInWithoutReplacing(int folderFd, const QString& from, const QString& to);

} // namespace ricorne::platform
