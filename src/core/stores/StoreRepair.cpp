// Crash repair of the stores: what a compaction cut off in the middle leaves beside a store.
#include "core/stores/RecordStore.h"

#include "core/paths/Paths.h"
#include "core/paths/ProgramFolderLock.h"
#include "core/platform/FileIo.h"
#include "core/stores/StoreFiles.h"

#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <vector>

namespace ricorne {

using platform::FileHandle;
using platform::ReadFully;
using store_files::FileSize;
using store_files::RegularFileSize;

namespace {

QStringList& PendingNotices() {
    static QStringList notices;
    return notices;
}

enum class PrefixMatch { No, Shorter, Equal };

// Whether the bytes of prefixFd (all prefixSize of them, an incomplete record included) are
// the start of the live records of fullFd laid end to end. Equal: they are all of them.
PrefixMatch PrefixOfLiveRecords(int prefixFd, qint64 prefixSize, int fullFd, qint64 fullSize,
                                const StoreDescriptor& store) {
    const qint64 len = store.recordLength;
    std::vector<char> a(static_cast<size_t>(len)), b(static_cast<size_t>(len));
    qint64 matched = 0;
    bool endsInsideRecord = false;
    for (qint64 offset = 0; offset + len <= fullSize; offset += len) {
        if (ReadFully(fullFd, b.data(), len, offset) != len)
            return PrefixMatch::No;
        if (b[size_t(store.liveOffset)] == 0 && b[size_t(store.liveOffset + 1)] == 0)
            continue;
        if (matched == prefixSize)
            return PrefixMatch::Shorter;
        const qint64 want = qMin(len, prefixSize - matched);
        if (ReadFully(prefixFd, a.data(), want, matched) != want ||
            std::memcmp(a.data(), b.data(), size_t(want)) != 0)
            return PrefixMatch::No;
        matched += want;
        endsInsideRecord = want < len;
    }
    if (matched != prefixSize)
        return PrefixMatch::No;
    // A record cut short in the prefix is not the whole of the last live record.
    return endsInsideRecord ? PrefixMatch::Shorter : PrefixMatch::Equal;
}

// Renames temp to the first free "<temp>.oldN" without replacing anything; the name, or empty.
QString MoveAside(const QString& temp) {
    for (int n = 1; n < 1000; ++n) {
        const QString aside = temp + QStringLiteral(".old") + QString::number(n);
        if (platform::LinkFile(temp, aside)) {
            platform::RemoveFile(temp);
            return aside;
        }
        if (errno == EEXIST)
            continue;
        // A file system without hard links: rename, having looked first.
        if (FileSize(aside) >= 0 || !platform::RenameFile(temp, aside))
            return {};
        return aside;
    }
    return {};
}

} // namespace

QString TakeStoreNotice() {
    const QString text = PendingNotices().join(u'\n');
    PendingNotices().clear();
    return text;
}

namespace {

// Stores repaired during the lock holding they are keyed to.
QHash<QString, quint64>& RepairedInHold() {
    static QHash<QString, quint64> repaired;
    return repaired;
}

QString RepairKey(const StoreDescriptor& store) {
    return AppDir() + store.tempFile;
}

bool Repair(const StoreDescriptor& store);

} // namespace

bool RecoverStore(const StoreDescriptor& store) {
    if (store.tempFile.isEmpty())
        return true;
    // Only a compaction leaves a temporary file, and compactions hold the folder lock: while
    // this process holds it, a store repaired once stays repaired, and a mail check need not
    // look for the file again before every record.
    const quint64 hold = ProgramFolderLock::CurrentHold();
    if (hold != 0 && RepairedInHold().value(RepairKey(store)) == hold)
        return true;
    if (!Repair(store))
        return false;
    if (hold != 0)
        RepairedInHold().insert(RepairKey(store), hold);
    return true;
}

namespace {

bool Repair(const StoreDescriptor& store) {
    const QString temp = StoreTempPath(store);
    // Only a regular file can be a compaction's leftover; anything else there (a folder a user
    // made) is not ours to move, and a compaction simply cannot run until it is gone.
    const qint64 tempSize = RegularFileSize(temp);
    if (tempSize < 0)
        return true;
    const QString path = StorePath(store);
    const qint64 storeSize = FileSize(path);
    auto restore = [&] {
        if (!platform::RenameFile(temp, path))
            return false;
        return platform::SyncFolderOf(path);
    };
    auto drop = [&] { return platform::RemoveFile(temp) || errno == ENOENT; };
    // A compaction in the older style copied the store to the temporary file, removed the
    // store and rewrote it from the live records: the store is then missing or a prefix of
    // the temporary file's live records, and the temporary file is the good copy.
    if (storeSize < 0)
        return restore();
    const FileHandle storeFd = platform::OpenFile(path, platform::kReadOnly);
    const FileHandle tempFd = platform::OpenFile(temp, platform::kReadOnly);
    if (!storeFd.valid() || !tempFd.valid())
        return false;
    switch (PrefixOfLiveRecords(storeFd.get(), storeSize, tempFd.get(), tempSize, store)) {
    case PrefixMatch::Shorter:
        return restore();
    case PrefixMatch::Equal:
        return drop(); // that compaction had finished
    case PrefixMatch::No:
        break;
    }
    // Ours writes only the survivors into the temporary file and renames it over the store,
    // so one it left behind is a prefix of the store's live records: the store is whole.
    if (PrefixOfLiveRecords(tempFd.get(), tempSize, storeFd.get(), storeSize, store) != PrefixMatch::No)
        return drop();
    // A leftover from some other time: the store has moved on since, and replacing it would
    // lose what came after. Keep both and tell the user where the old file went.
    const QString aside = MoveAside(temp);
    const QString storeName = QFileInfo(path).fileName();
    const QString tempName = QFileInfo(temp).fileName();
    if (aside.isEmpty()) {
        PendingNotices() << QStringLiteral("保存ファイル %1 の整理の途中で残ったファイル %2 が今の %1 "
                                           "と合わないため、%1 を使えません。%2 の名前を変えてください。")
                                .arg(storeName, tempName);
        return false;
    }
    PendingNotices() << QStringLiteral(
                            "保存ファイル %1 の整理の途中で残ったファイル %2 は今の %1 と合わない"
                            "ため使わずに、%3 という名前に変えて残しました。%1 はそのまま使います。")
                            .arg(storeName, tempName, QFileInfo(aside).fileName());
    return platform::SyncFolderOf(path);
}

} // namespace

void store_files::ForgetRepair(const StoreDescriptor& store) {
    RepairedInHold().remove(RepairKey(store));
}

} // namespace ricorne
