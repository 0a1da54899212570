#include "core/platform/ReplaceFile.h"

#include "core/platform/FileIo.h"
#include "core/platform/FileStatus.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace ricorne::platform {

namespace {

// The file a write to path lands in: links followed, as far as they lead.
QString FinalTarget(const QString& path) {
    QFileInfo info(path);
    int depth = 128;
    while (--depth > 0 && info.isSymLink())
        info.setFile(info.symLinkTarget());
    return depth > 0 ? info.filePath() : path;
}

const QString kTempMark = QStringLiteral(".tmp-");
constexpr int kTempLetters = 6;

// "name.tmp-XXXXXX" beside the target; the system's own random source, so that the program's
// shared one (the slot machine's) is not disturbed.
QString TempName(const QString& target) {
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString name = target + kTempMark;
    for (int i = 0; i < kTempLetters; ++i)
        name += QLatin1Char(kLetters[QRandomGenerator::system()->bounded(int(sizeof(kLetters) - 1))]);
    return name;
}

// A process killed while it wrote leaves its temporary file behind; without this, every such
// kill would leave one more copy of the file in the folder for good. A writer holds a lock on
// its temporary file until the rename, and the kernel drops the lock with the process, so a
// temporary file of this target that can be locked belongs to nobody and goes.
void RemoveAbandonedTemps(const QString& target) {
    const QFileInfo info(target);
    const QString prefix = info.fileName() + kTempMark;
    // Compared literally: a name may hold characters a wildcard pattern would read ("[", "*").
    const QStringList names = info.dir().entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (name.size() != prefix.size() + kTempLetters || !name.startsWith(prefix) ||
            !std::all_of(name.cend() - kTempLetters, name.cend(),
                         [](QChar c) { return c.unicode() < 128 && c.isLetterOrNumber(); }))
            continue;
        const QString path = info.dir().filePath(name);
        FileHandle file = OpenFile(path, kReadOnly | kNoFollow | kNonBlocking);
        if (file.valid() && ::flock(file.get(), LOCK_EX | LOCK_NB) == 0)
            RemoveFile(path);
    }
}

// Whether the open file fd is still the one named path.
bool StillNamed(int fd, const QString& path) {
    return StatusOfOpen(fd).SameFileAs(StatusOf(path));
}

} // namespace

void RemoveLeftoverTemporaries(const QString& path, qint64 settledSeconds) {
    const QFileInfo target(FinalTarget(path));
    const QString prefix = target.fileName() + u'.';
    const QStringList names =
        QDir(target.path())
            .entryList({prefix + QStringLiteral("??????")}, QDir::Files | QDir::Hidden | QDir::System);
    const FileTime now = CoarseClockNow();
    for (const QString& name : names) {
        bool temporary = name.size() == prefix.size() + 6;
        for (qsizetype i = prefix.size(); temporary && i < name.size(); ++i) {
            const char16_t c = name.at(i).unicode();
            temporary = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
        }
        const QString leftover = target.path() + u'/' + name;
        if (!temporary || QFileInfo(leftover).isSymLink())
            continue;
        const FileStatus st = StatusOf(leftover);
        if (st.regular && now.seconds - st.modified.seconds > settledSeconds)
            RemoveFile(leftover);
    }
}

QString ReplaceResult::Text() const {
    if (ok)
        return {};
    return step + QStringLiteral(": ") + QDir::toNativeSeparators(path) + QStringLiteral("（") +
           qt_error_string(error) + QStringLiteral("）");
}

ReplaceResult ReplaceFileWhole(const QString& path, const QByteArray& bytes, FileAccess access) {
    ReplaceResult result;
    result.path = path;
    auto fail = [&result](const QString& step, int error) {
        result.ok = false;
        result.step = step;
        result.error = error;
        return result;
    };
    const QString target = FinalTarget(path);
    const FileStatus before = StatusOf(target);
    if (before.folder)
        return fail(QStringLiteral("フォルダーなので上書きできません"), EISDIR);
    if (before.exists && !QFileInfo(target).isWritable())
        return fail(QStringLiteral("書き込みが許されていないファイルです"), EACCES);

    // A file of the user's is not readable by others for a moment, even when it will be.
    const unsigned createMode = before.exists || access == FileAccess::OwnerOnly ? 0600 : 0666;
    RemoveAbandonedTemps(target);
    QString temp;
    FileHandle file;
    for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
        temp = TempName(target);
        file = OpenFile(temp, kWriteOnly | kCreate | kExclusive | kNoFollow, createMode);
        if (!file.valid() && errno != EEXIST)
            break;
        // Locked at once; one that another writer's clean-up removed between the open and the
        // lock is no longer at its name, so another name is tried.
        if (file.valid() && (::flock(file.get(), LOCK_EX | LOCK_NB) != 0 || !StillNamed(file.get(), temp))) {
            file.Close();
            errno = EEXIST;
        }
    }
    if (!file.valid())
        return fail(QStringLiteral("一時ファイルを作れません"), errno);
    // The lock stays until the rename, after the file itself is closed.
    const FileHandle lockHolder(::dup(file.get()));
    auto failRemovingTemp = [&](const QString& step) {
        const int error = errno;
        file.Close();
        RemoveFile(temp);
        return fail(step, error);
    };
    if (access == FileAccess::OwnerOnly ? !SetFileMode(file.get(), 0600)
                                        : before.exists && !SetFileMode(file.get(), before.mode & 0777))
        return failRemovingTemp(QStringLiteral("一時ファイルの権限を設定できません"));
    if (!WriteFully(file.get(), bytes))
        return failRemovingTemp(QStringLiteral("一時ファイルに書き込めません"));
    if (!SyncFile(file.get()))
        return failRemovingTemp(QStringLiteral("一時ファイルをディスクに書き込めません"));
    if (!file.Close()) {
        const int error = errno;
        RemoveFile(temp);
        return fail(QStringLiteral("一時ファイルを閉じられません"), error);
    }
    if (!RenameFile(temp, target)) {
        const int error = errno;
        RemoveFile(temp);
        return fail(QStringLiteral("一時ファイルを元のファイルと入れ替えられません"), error);
    }
    if (!SyncFolderOf(target))
        return fail(QStringLiteral("フォルダーをディスクに書き込めません"), errno);
    return result;
}

} // namespace ricorne::platform
