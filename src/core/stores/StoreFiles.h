// What the store operations (records, repair, compaction, header scan) share. Not for use
// outside core/stores.
#pragma once

#include "core/platform/FileStatus.h"
#include "core/stores/RecordStore.h"

namespace ricorne::store_files {

// Size of the file, or -1 when it does not exist (or cannot be examined).
inline qint64 FileSize(const QString& path) {
    const platform::FileStatus status = platform::StatusOf(path);
    return status.exists ? status.size : -1;
}

// Size of a regular file; -1 when there is none (a folder or a device is no store).
inline qint64 RegularFileSize(const QString& path) {
    const platform::FileStatus status = platform::StatusOf(path);
    return status.exists && status.regular ? status.size : -1;
}

// Forgets that the store was found whole during this holding of the folder lock: a
// compaction that failed may leave its temporary file behind.
void ForgetRepair(const StoreDescriptor& store);

} // namespace ricorne::store_files
