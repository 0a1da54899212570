// Copies one small field out of every record of a fixed-length record file through a
// read-only mapping: a cached page then costs no system call, which is most of a warm
// listing's time. Only the window being copied and the one after it are mapped at a time (the
// kernel maps the cached pages around each touched one, so a whole-file mapping would count
// the whole file as ours for a moment). Read-ahead is off; the uncached pages the next window
// needs are asked for before this one is copied, so the disk serves many reads together.
//
// A file shortened by another program meanwhile faults on the lost pages; the copy reports
// that as a failure instead of ending us. While an object lives, this process's handler for
// that fault is ours (the previous one comes back when it goes); use one at a time.
#pragma once

#include <QtGlobal>

#include <memory>

namespace ricorne::platform {

class MappedFields {
public:
    static constexpr qint64 kWindow = 1024; // records per copy
    static constexpr qint64 kGroup = 32;    // records judged cached or not together

    // The field of record i (0-based) is the fieldLength bytes at i * recordLength +
    // fieldOffset; the file holds records records. fd stays the caller's.
    MappedFields(int fd, qint64 recordLength, qint64 fieldOffset, qint64 fieldLength, qint64 records);
    MappedFields(const MappedFields&) = delete;
    MappedFields& operator=(const MappedFields&) = delete;
    ~MappedFields();

    // Copies the field of the records [first, first + count) (count <= kWindow) into out, one
    // after another with fieldLength bytes each; a field reaching before the file is cut at
    // its start. False when the file cannot be mapped or shrank.
    bool Copy(qint64 first, qint64 count, char* out);

private:
    qint64 Start(qint64 i) const { return qMax<qint64>(0, i * recordLength_ + fieldOffset_); }
    qint64 End(qint64 i) const { return qMin(size_, i * recordLength_ + fieldOffset_ + fieldLength_); }
    void AskFor(qint64 first, qint64 end);
    // The jump back from the fault handler lands in GuardedCopy, with nothing to unwind.
    [[gnu::noinline]] bool GuardedCopy(qint64 first, qint64 count, char* out) const;
    [[gnu::noinline]] void CopyFields(qint64 first, qint64 count, char* out) const;

    struct PreviousHandler;
    int fd_;
    qint64 recordLength_, fieldOffset_, fieldLength_, records_, size_, page_;
    const char* base_ = nullptr; // the mapping of the file from offset mapped_ on
    qint64 mapped_ = 0;
    std::unique_ptr<PreviousHandler> previous_;
};

// Copies length bytes from a mapping of a file that another program may cut short meanwhile:
// false when they are gone (the fault is caught for the copy only, then the previous handler
// comes back).
bool CopyFromMapping(const char* from, qint64 length, char* out);

// Runs scan(context) with a fault on a mapping that lost its pages turned into false. scan must
// only read the mapping and memory it was given: it is left by a jump, without unwinding.
bool RunOverMapping(void (*scan)(void*), void* context);

} // namespace ricorne::platform
