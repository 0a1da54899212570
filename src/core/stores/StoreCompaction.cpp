// Compaction: the survivors of a store, written beside it and renamed over it.
#include "core/stores/RecordStore.h"

#include "core/paths/ProgramFolderLock.h"
#include "core/platform/FileIo.h"
#include "core/platform/FileStatus.h"
#include "core/platform/MappedFields.h"
#include "core/platform/ReplaceFile.h"
#include "core/stores/StoreFiles.h"

#include <cerrno>
#include <vector>

namespace ricorne {

using platform::FileHandle;

bool CompactStore(const StoreDescriptor& store) {
    // Another program working on this folder owns the stores until it is done.
    const ProgramFolderLock lock;
    if (!lock.Held())
        return false;
    if (store.tempFile.isEmpty() || !RecoverStore(store))
        return false;
    const QString path = StorePath(store);
    FileHandle in = platform::OpenFile(path, platform::kReadOnly);
    if (!in.valid())
        return errno == ENOENT; // no store, nothing to remove
    const platform::FileStatus st = platform::StatusOfOpen(in.get());
    if (!st.exists)
        return false;
    const qint64 len = store.recordLength;
    // Every whole record, numbered or not: a store another program made longer than the
    // numbers reach must not lose its end to a deletion.
    const qint64 whole = st.size / len;

    // Runs of live records, found by reading only the Live fields (through a mapping: no
    // system call per record).
    struct Run {
        qint64 offset;
        qint64 length;
    };
    std::vector<Run> runs;
    bool removed = st.size != whole * len;
    {
        platform::MappedFields lives(in.get(), len, store.liveOffset, 2, whole);
        std::vector<char> window(size_t(platform::MappedFields::kWindow * 2));
        for (qint64 first = 0; first < whole; first += platform::MappedFields::kWindow) {
            const qint64 count = qMin(platform::MappedFields::kWindow, whole - first);
            if (!lives.Copy(first, count, window.data()))
                return false;
            for (qint64 i = first; i < first + count; ++i) {
                const char* live = window.data() + (i - first) * 2;
                if (live[0] == 0 && live[1] == 0) {
                    removed = true;
                    continue;
                }
                if (!runs.empty() && runs.back().offset + runs.back().length == i * len)
                    runs.back().length += len;
                else
                    runs.push_back({i * len, len});
            }
        }
    }
    if (!removed)
        return true;

    const QString temp = StoreTempPath(store);
    const unsigned mode = (st.mode & 0700) | 0600; // never wider than the owner's
    FileHandle out =
        platform::OpenFile(temp, platform::kWriteOnly | platform::kCreate | platform::kTruncate, mode);
    if (!out.valid())
        return false;
    auto fail = [&] {
        out.Close();
        store_files::ForgetRepair(store); // in case the file below cannot go
        platform::RemoveFile(temp);
        return false;
    };
    if (!platform::SetFileMode(out.get(), mode))
        return fail();
    // One pass in the kernel, in large pieces that end on a piece boundary of the new file;
    // the disk starts on each piece as soon as it is copied, so the one flush at the end waits
    // for the last piece rather than for the whole file.
    constexpr qint64 kPiece = qint64(16) << 20;
    qint64 written = 0;
    qint64 started = 0;
    for (const Run& run : runs) {
        for (qint64 done = 0; done < run.length;) {
            const qint64 n = qMin(run.length - done, kPiece - written % kPiece);
            if (!platform::CopyRange(in.get(), run.offset + done, out.get(), written, n))
                return fail();
            done += n;
            written += n;
            if (written - started >= kPiece) {
                platform::StartWriteBack(out.get(), started, written - started);
                started = written;
            }
        }
    }
    if (!platform::SyncFile(out.get()) || !out.Close())
        return fail();
    in.Close();
    if (!platform::RenameFile(temp, path))
        return fail();
    return platform::SyncFolderOf(path);
}

DeleteResult DeleteChosenRecord(const StoreDescriptor& store, int n, const QByteArray& chosen) {
    // Held from the comparison to the end of the compaction: nobody moves the record between.
    const ProgramFolderLock lock;
    if (!lock.Held())
        return {DeleteOutcome::Locked, lock.state()};
    if (chosen.size() != store.recordLength || n < 1 || n > RecordCount(store))
        return {DeleteOutcome::Changed, lock.state()};
    QByteArray now(chosen.size(), Qt::Uninitialized);
    if (!ReadRecordBytes(store, n, now.data()))
        return {DeleteOutcome::Failed, lock.state()};
    if (now != chosen)
        return {DeleteOutcome::Changed, lock.state()};
    QByteArray marked = now;
    marked[int(store.liveOffset)] = 0;
    marked[int(store.liveOffset) + 1] = 0;
    if (!WriteRecordBytes(store, n, marked.constData()))
        return {DeleteOutcome::Failed, lock.state()};
    if (CompactStore(store))
        return {DeleteOutcome::Deleted, lock.state()};
    // The compaction left the store whole, with the record marked: make it live again.
    WriteRecordBytes(store, n, now.constData());
    FlushStore(store);
    return {DeleteOutcome::Failed, lock.state()};
}

DeleteResult EmptyStoreIfUnchanged(const StoreDescriptor& store, const std::function<bool()>& unchanged) {
    const ProgramFolderLock lock;
    if (!lock.Held())
        return {DeleteOutcome::Locked, lock.state()};
    if (!RecoverStore(store))
        return {DeleteOutcome::Failed, lock.state()};
    if (!unchanged())
        return {DeleteOutcome::Changed, lock.state()};
    // The old store stays whole until the empty one replaces it.
    const bool ok =
        bool(platform::ReplaceFileWhole(StorePath(store), QByteArray(), platform::FileAccess::OwnerOnly));
    return {ok ? DeleteOutcome::Deleted : DeleteOutcome::Failed, lock.state()};
}

} // namespace ricorne
