// The record stores: files of fixed-length records without header or index. Record n
// (1-based, at most 32767) lies at byte (n - 1) * record length. Every operation opens and
// closes the file itself; nothing stays open between operations.
//
// Every operation first repairs what a crash in the middle of a compaction can leave (see
// RecoverStore). Files are created readable and writable by their owner only.
#pragma once

#include "core/paths/ProgramFolderLock.h"
#include "core/stores/AddressRecord.h"
#include "core/stores/MailRecord.h"

#include <QString>
#include <QVector>

#include <cstddef>
#include <functional>
#include <type_traits>

namespace ricorne {

struct StoreDescriptor {
    QString file;        // backslash path relative to AppDir, resolved at each operation
    QString tempFile;    // compaction temporary file; empty for a store that is only read
    qint64 recordLength; // bytes per record
    qint64 liveOffset;   // offset of the Live field inside a record
};

const StoreDescriptor& ReceivedStore();      // "\★MAilData\klmdata2.data", MailRecord
const StoreDescriptor& SentStore();          // "\★MAilData\klmdata5.data", MailRecord
const StoreDescriptor& AddressStore();       // "\★MAilData\Klmdata20.data", AddressRecord
const StoreDescriptor& MasterAddressStore(); // "\★MAilData\KLMASTER20.INI", AddressRecord, read only

inline constexpr int kMaxRecordNumber = 32767;

// The real paths of a store and its temporary file (resolved now).
QString StorePath(const StoreDescriptor& store);
QString StoreTempPath(const StoreDescriptor& store);

// Crash repair. A compaction temporary file beside the store:
// - becomes the store when the store is missing, or when the store's bytes are a strict
//   prefix of the temporary file's live records (a compaction that copied first and was cut
//   off while rewriting the store);
// - is removed when it is the finished result of such a compaction, or a prefix of the
//   store's live records (our own compaction, cut off before its rename: the store is whole);
// - otherwise is a leftover the store has moved on from: the store is kept, the temporary
//   file is renamed to "<temp>.oldN" (never over anything) and a notice says so.
// Returns false when a repair was needed and failed.
bool RecoverStore(const StoreDescriptor& store);

// Texts for the user about repairs the stores made (one per line), since the last call;
// empty when there was nothing to tell. Whoever shows store failures shows these.
QString TakeStoreNotice();

// Whole records in the store (an incomplete record at the end does not count); 0 when the
// store does not exist.
int RecordCount(const StoreDescriptor& store);

// Whole records in the file, past kMaxRecordNumber too (a store made longer by another
// program); 0 when the store does not exist. Only the first kMaxRecordNumber have numbers.
qint64 WholeRecordCount(const StoreDescriptor& store);

// Number for the next append: whole records + 1, so an append after a broken tail writes
// over the tail. kMaxRecordNumber + 1 when the store is full.
int NextRecordNumber(const StoreDescriptor& store);

// Writes one record of store.recordLength bytes at number n (1..kMaxRecordNumber), creating
// the file when needed. Returns false when n is out of range or the write failed (disk full).
// Not flushed to disk; see FlushStore.
bool WriteRecordBytes(const StoreDescriptor& store, int n, const char* bytes);

// Forces the store's data and its directory entry to disk. Returns false on failure.
bool FlushStore(const StoreDescriptor& store);

// Reads record n into bytes (store.recordLength of them). False when n is not a whole record
// of the store or the read failed.
bool ReadRecordBytes(const StoreDescriptor& store, int n, char* bytes);

// Delivers the whole records in order with their numbers; visit returns false to stop.
// Returns false only on a read error (a missing store is empty).
bool ReadRecordsBytes(const StoreDescriptor& store,
                      const std::function<bool(int n, const char* bytes)>& visit);

// Removes every record whose Live is 0 (and an incomplete tail), keeping the order of the
// rest; records past kMaxRecordNumber are kept like any other. Survivors are written to the
// temporary file, flushed and renamed over the store, so the store is whole at every moment;
// no temporary file remains. Returns false on failure (or without the folder lock), with the
// store unchanged.
bool CompactStore(const StoreDescriptor& store);

// How a deletion the user asked for ended.
enum class DeleteOutcome {
    Deleted,
    Changed, // the store no longer holds what the user chose: nothing was changed
    Locked,  // the folder lock could not be taken (see lockState): nothing was changed
    Failed,  // a read or write failed: the store is as it was
};
struct DeleteResult {
    DeleteOutcome outcome;
    ProgramFolderLock::State lockState; // of the attempt to take the folder lock
};

// Deletes record n (marked, then compacted) if, under the folder lock, it still holds exactly
// chosen (store.recordLength bytes, as read when the user picked it).
DeleteResult DeleteChosenRecord(const StoreDescriptor& store, int n, const QByteArray& chosen);

// Replaces the store with an empty one if, under the folder lock, unchanged() says it still
// holds what the user saw.
DeleteResult EmptyStoreIfUnchanged(const StoreDescriptor& store, const std::function<bool()>& unchanged);

enum class AppendStatus {
    Appended,
    StoreFull,   // the store already holds kMaxRecordNumber records; nothing was written
    Locked,      // another program holds the folder, or its lock cannot be taken; nothing written
    WriteFailed, // the write failed (disk full, no folder, ...); the store holds no new record
};
struct AppendResult {
    AppendStatus status;
    int number; // the record's number when appended, else 0
    ProgramFolderLock::State lockState = ProgramFolderLock::State::Held;
    explicit operator bool() const { return status == AppendStatus::Appended; }
};

// Typed operations over MailRecord and AddressRecord.

template <class Record> bool WriteRecord(const StoreDescriptor& store, int n, const Record& record) {
    static_assert(std::is_trivially_copyable_v<Record>);
    if (store.recordLength != qint64(sizeof(Record)))
        return false;
    return WriteRecordBytes(store, n, reinterpret_cast<const char*>(&record));
}

// NextRecordNumber then WriteRecord, with LineEnd = CR LF and Live = 1 as every append sets
// them (the caller's record is not changed).
template <class Record> AppendResult AppendRecord(const StoreDescriptor& store, const Record& record) {
    const ProgramFolderLock lock;
    if (!lock.Held())
        return {AppendStatus::Locked, 0, lock.state()};
    const int n = NextRecordNumber(store);
    if (n > kMaxRecordNumber)
        return {AppendStatus::StoreFull, 0};
    Record copy = record;
    copy.LineEnd[0] = '\r';
    copy.LineEnd[1] = '\n';
    copy.Live = 1;
    if (!WriteRecord(store, n, copy))
        return {AppendStatus::WriteFailed, 0};
    return {AppendStatus::Appended, n};
}

// Writes the record back at n with Live = 0 (the caller's record is not changed). Refused
// (false) when n is not a whole record of the store.
template <class Record> bool MarkDeleted(const StoreDescriptor& store, int n, const Record& record) {
    if (n < 1 || n > RecordCount(store))
        return false;
    Record copy = record;
    copy.Live = 0;
    return WriteRecord(store, n, copy);
}

template <class Record> bool ReadRecord(const StoreDescriptor& store, int n, Record& into) {
    static_assert(std::is_trivially_copyable_v<Record>);
    if (store.recordLength != qint64(sizeof(Record)))
        return false;
    return ReadRecordBytes(store, n, reinterpret_cast<char*>(&into));
}

// Reads each record in order into buffer and calls visit(n); visit may return bool (false
// stops) or nothing. Returns false only on a read error.
template <class Record, class Visit>
bool ReadRecords(const StoreDescriptor& store, Record& buffer, Visit&& visit) {
    static_assert(std::is_trivially_copyable_v<Record>);
    if (store.recordLength != qint64(sizeof(Record)))
        return false;
    return ReadRecordsBytes(store, [&](int n, const char* bytes) {
        std::memcpy(static_cast<void*>(&buffer), bytes, sizeof(Record));
        if constexpr (std::is_same_v<std::invoke_result_t<Visit, int>, bool>)
            return visit(n);
        else {
            visit(n);
            return true;
        }
    });
}

// The first three fields of a mail record, for listing a store without reading bodies.
// The bytes are kept raw; the accessors decode on demand (a list shows few rows at a time).
struct MailHeader {
    int number = 0;
    qint16 live = 0;
    QByteArray raw; // bytes 0..279 of the record
    QString Subject() const;
    QString DateText() const;
    QString Address() const;
};

// Headers of every whole record, in order. Reads only 282 bytes per record.
QVector<MailHeader> ReadMailHeaders(const StoreDescriptor& store);

} // namespace ricorne
