// One program at a time may write the stores of a program folder: a mail check, a store write
// and a compaction each hold this lock while they run. It is a kernel lock on "ricorne.lock" in
// the mail data folder, so the kernel releases it when the process ends, however it ends; a lock
// file left by a crashed program is never mistaken for a live one. The file exists only while
// the lock is held (or after a crash).
//
// Within one process the lock is shared: a store write inside a check holds it again without
// waiting for itself. Another process (a second window, ricorne-mailtool) finds it busy.
#pragma once

#include <QString>

namespace ricorne {

class ProgramFolderLock {
public:
    enum class State {
        Held,        // this process holds the lock now
        Busy,        // another process holds it
        Unavailable, // no lock file could be made or opened (no folder, read-only folder, a
                     // folder or something else in its place): nothing may write the stores then
    };

    // Tries once, without waiting.
    ProgramFolderLock();
    ~ProgramFolderLock();
    ProgramFolderLock(const ProgramFolderLock&) = delete;
    ProgramFolderLock& operator=(const ProgramFolderLock&) = delete;

    State state() const { return state_; }
    bool IsBusy() const { return state_ == State::Busy; }
    // Only a held lock lets a program write the stores; a lock that could not be taken for any
    // reason is as good as another program's.
    bool Held() const { return state_ == State::Held; }

    static QString FileName(); // "ricorne.lock"
    static QString Path();     // the lock file of the current AppDir (resolved now)
    // A number for this process's present holding of the current AppDir's lock, new each time
    // the lock is taken afresh; 0 when this process does not hold it. While it stays the same,
    // no other program has written the stores.
    static quint64 CurrentHold();

private:
    State state_;
    QString appDir_;
};

// What a program that finds the folder busy says.
QString FolderBusyText();
// What a program says when the lock file cannot be made or opened (names its path).
QString LockUnavailableText();
// Why a change to the stores (a deletion, a registration) was refused for want of the lock.
QString StoresLockedText(ProgramFolderLock::State state);

} // namespace ricorne
