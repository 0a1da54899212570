#include "core/stores/StoreAppender.h"

#include "core/platform/FileStatus.h"

#include <cerrno>

namespace ricorne {

StoreAppender::StoreAppender(const StoreDescriptor& store) : store_(store) {
    next_ = NextRecordNumber(store); // repairs what a killed compaction left, once
    path_ = StorePath(store);
}

bool StoreAppender::Open() {
    if (fd_.valid())
        return true;
    if (openFailed_)
        return false;
    const bool existed = platform::StatusOf(path_).exists;
    // Mail and addresses are nobody else's business: files are created for their owner only.
    fd_ = platform::OpenFile(path_, platform::kWriteOnly | platform::kCreate, 0600);
    if (!fd_.valid()) {
        openFailed_ = true;
        return false;
    }
    created_ = !existed;
    opened_ = platform::StatusOfOpen(fd_.get());
    return true;
}

void StoreAppender::Refresh() {
    if (!fd_.valid())
        return;
    const platform::FileStatus now = platform::StatusOf(path_);
    if (now.SameFileAs(opened_) && now.size == qint64(next_ - 1) * store_.recordLength)
        return;
    // What was written to the old file was flushed by whoever replaced it, or is theirs to keep.
    fd_ = platform::FileHandle();
    dirty_ = false;
    created_ = false;
    openFailed_ = false;
    next_ = NextRecordNumber(store_);
}

bool StoreAppender::Append(const char* bytes) {
    if (next_ > kMaxRecordNumber || !Open())
        return false;
    const qint64 offset = qint64(next_ - 1) * store_.recordLength;
    dirty_ = true;
    if (!platform::WriteFully(fd_.get(), bytes, store_.recordLength, offset)) {
        const int error = errno;
        // A record cut short by a full disk must not stay behind as a broken tail.
        (void)platform::TruncateFile(fd_.get(), offset);
        errno = error;
        return false;
    }
    ++next_;
    return true;
}

bool StoreAppender::Flush(bool whole) {
    if (!dirty_ && !whole)
        return true;
    if (!fd_.valid())
        return FlushStore(store_);
    if (!platform::SyncFile(fd_.get()))
        return false;
    if (created_) {
        if (!platform::SyncFolderOf(path_))
            return false;
        created_ = false;
    }
    dirty_ = false;
    return true;
}

} // namespace ricorne
