// Compaction: the survivors of a store, written beside it and renamed over it.
#include "core/stores/RecordStore.h"

#include "core/paths/ProgramFolderLock.h"
#include "core/platform/FieldReader.h"
#include "core/platform/FileIo.h"
#include "core/platform/FileStatus.h"
#include "core/stores/StoreFiles.h"

#include <cerrno>
#include <vector>

namespace ricorne {

using platform::FileHandle;

bool CompactStore(const StoreDescriptor& store) {
    // Another program working on this folder owns the stores until it is done.
    const ProgramFolderLock lock;
    if (lock.IsBusy())
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
    const qint64 whole = qMin<qint64>(st.size / len, kMaxRecordNumber);

    // Runs of live records, found by reading only the Live fields.
    struct Run {
        qint64 offset;
        qint64 length;
    };
    std::vector<Run> runs;
    bool removed = st.size != whole * len;
    {
        platform::FieldReader lives(in.get(), len, store.liveOffset, 2, whole);
        for (qint64 i = 0; i < whole; ++i) {
            char live[2];
            if (lives.Read(i, live, 2, i * len + store.liveOffset) != 2)
                return false;
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
    qint64 written = 0;
    for (const Run& run : runs) {
        if (!platform::CopyRange(in.get(), run.offset, out.get(), written, run.length))
            return fail();
        written += run.length;
    }
    if (!platform::SyncFile(out.get()) || !out.Close())
        return fail();
    in.Close();
    if (!platform::RenameFile(temp, path))
        return fail();
    return platform::SyncFolderOf(path);
}

} // namespace ricorne
