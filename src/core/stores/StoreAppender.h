// Appends records to one store for the length of a mail check: the path is resolved, the store
// repaired and opened once, and each record is one positioned write. Flush forces what was
// appended to disk (the folder entry too when the file was made by this appender).
//
// Only while the caller holds the program-folder lock for its whole life: nobody else changes
// the store meanwhile, so the next number is known without asking the file again.
#pragma once

#include "core/platform/FileIo.h"
#include "core/platform/FileStatus.h"
#include "core/stores/RecordStore.h"

namespace ricorne {

class StoreAppender {
public:
    explicit StoreAppender(const StoreDescriptor& store);

    // Number the next Append gives (kMaxRecordNumber + 1 when the store is full), as
    // NextRecordNumber would.
    int NextNumber() const { return next_; }

    // Looks again at the store before a record is numbered: when the file under the store's
    // name is no longer the one open here, or has another length (a compaction in this process
    // replaced it), the store is opened and counted afresh, so no record goes into a file that
    // is gone. One status call.
    void Refresh();

    // Writes bytes (store.recordLength of them) as record NextNumber(). False when the store is
    // full, the store could not be opened or the write failed; a record cut short is cut away
    // again, so the store holds whole records only.
    bool Append(const char* bytes);
    template <class Record> bool Append(const Record& record) {
        static_assert(std::is_trivially_copyable_v<Record>);
        return qint64(sizeof(Record)) == store_.recordLength &&
               Append(reinterpret_cast<const char*>(&record));
    }

    // Forces the records appended since the last Flush to disk (all of the store, whoever wrote
    // them, with whole). True when there was nothing to force.
    bool Flush(bool whole = false);

private:
    bool Open();

    const StoreDescriptor& store_;
    QString path_;
    platform::FileHandle fd_;
    platform::FileStatus opened_; // of the file open as fd_
    int next_ = 1;
    bool created_ = false; // the file was made here: its name must reach the disk too
    bool dirty_ = false;
    bool openFailed_ = false;
};

} // namespace ricorne
