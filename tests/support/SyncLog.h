// Records every sync the program asks for, in order, so that a test can tell what was forced to
// disk before an operation reported it done: "NAME SIZE" for a file (its size at that moment),
// "NAME/" for a folder. A sync of a file whose name starts with Failing() fails instead (errno
// EIO), to reach the paths a failing disk takes. One at a time; the real sync is back when it goes.
#pragma once

#include "core/platform/FileIo.h"

#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace ricorne::testing {

class SyncLog {
public:
    SyncLog() { platform::SetSyncFunction(Sync); }
    ~SyncLog() {
        platform::SetSyncFunction(nullptr);
        Entries().clear();
        Failing().clear();
    }
    SyncLog(const SyncLog&) = delete;
    SyncLog& operator=(const SyncLog&) = delete;

    // The syncs since the last Take.
    QStringList Take() { return std::exchange(Entries(), {}); }
    // The start of the names of the files whose syncs fail; empty: none.
    static QString& Failing() {
        static QString name;
        return name;
    }

private:
    static QStringList& Entries() {
        static QStringList entries;
        return entries;
    }
    static bool Sync(int fd, bool wholeFileSystem) {
        const QString name =
            QFileInfo(QStringLiteral("/proc/self/fd/%1").arg(fd)).symLinkTarget().section(u'/', -1);
        struct stat st {};
        ::fstat(fd, &st);
        Entries() << (S_ISDIR(st.st_mode) ? name + u'/' : name + u' ' + QString::number(st.st_size));
        if (!Failing().isEmpty() && name.startsWith(Failing())) {
            errno = EIO;
            return false;
        }
        return (wholeFileSystem ? ::syncfs(fd) : ::fsync(fd)) == 0;
    }
};

} // namespace ricorne::testing
