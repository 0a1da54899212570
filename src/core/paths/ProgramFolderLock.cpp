#include "core/paths/ProgramFolderLock.h"

#include "core/paths/Paths.h"
#include "core/platform/FileLock.h"

#include <QDir>
#include <QHash>

namespace ricorne {

namespace {

struct HeldLock {
    QString path; // the lock file
    int fd = -1;
    int holders = 0;
    quint64 hold = 0;
};

quint64 NextHold() {
    static quint64 last = 0;
    return ++last;
}

// By AppDir: tests and the tool may switch AppDir within one process. Keyed by the folder
// rather than the resolved lock file, so that holding it again (every store write of a check)
// needs no look-up in the file system.
QHash<QString, HeldLock>& HeldLocks() {
    static QHash<QString, HeldLock> locks;
    return locks;
}

} // namespace

QString ProgramFolderLock::FileName() {
    return QStringLiteral("ricorne.lock");
}

QString ProgramFolderLock::Path() {
    return ResolvePath(QLatin1Char('\\') + MailDataDir() + QLatin1Char('\\') + FileName());
}

quint64 ProgramFolderLock::CurrentHold() {
    if (HeldLocks().isEmpty())
        return 0;
    const auto it = HeldLocks().constFind(AppDir());
    return it == HeldLocks().constEnd() ? 0 : it->hold;
}

ProgramFolderLock::ProgramFolderLock() : appDir_(AppDir()) {
    auto it = HeldLocks().find(appDir_);
    if (it != HeldLocks().end()) {
        ++it->holders;
        state_ = State::Held;
        return;
    }
    const QString path = Path();
    int fd = -1;
    state_ = State::Unavailable;
    switch (platform::LockFile(path, &fd)) {
    case platform::LockOutcome::Locked:
        state_ = State::Held;
        break;
    case platform::LockOutcome::Busy:
        state_ = State::Busy;
        break;
    case platform::LockOutcome::Unavailable:
        break;
    }
    if (state_ == State::Held)
        HeldLocks().insert(appDir_, HeldLock{path, fd, 1, NextHold()});
}

ProgramFolderLock::~ProgramFolderLock() {
    if (state_ != State::Held)
        return;
    auto it = HeldLocks().find(appDir_);
    if (it == HeldLocks().end() || --it->holders > 0)
        return;
    // Removed while still locked (see platform::LockFile), so that no empty lock file stays in the folder.
    // One left by a killed program is harmless: the kernel let go of its lock.
    platform::UnlockAndRemove(it->path, it->fd);
    HeldLocks().erase(it);
}

QString FolderBusyText() {
    return QStringLiteral(
        u"別のプログラム（このプログラムの別のウィンドウか ricorne-mailtool）が"
        u"同じフォルダーのメールを扱っています。"
        u"メールの受信と保存はしませんでした。その処理が終わってからもう一度お試しください。");
}

QString LockUnavailableText() {
    return QStringLiteral(u"ロック ファイル「%1」を作成することも開くこともできないため、"
                          u"メールの保存も削除もできません。"
                          u"同じ名前のフォルダーなどがあれば取り除いてから、もう一度お試しください。")
        .arg(QDir::toNativeSeparators(ProgramFolderLock::Path()));
}

QString StoresLockedText(ProgramFolderLock::State state) {
    if (state == ProgramFolderLock::State::Busy)
        return QStringLiteral(u"別のプログラム（このプログラムの別のウィンドウか ricorne-mailtool）が"
                              u"同じフォルダーのメールを扱っています。"
                              u"何も変更しませんでした。その処理が終わってからもう一度お試しください。");
    return LockUnavailableText();
}

} // namespace ricorne
