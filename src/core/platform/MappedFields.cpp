#include "core/platform/MappedFields.h"

#include <csetjmp>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace ricorne::platform {

namespace {

thread_local sigjmp_buf* tMappedCopy = nullptr;

void OnBusError(int signal) {
    if (tMappedCopy)
        siglongjmp(*tMappedCopy, 1);
    // Not one of ours: fail as the default action would.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

} // namespace

struct MappedFields::PreviousHandler {
    struct sigaction action {};
};

MappedFields::MappedFields(int fd, qint64 recordLength, qint64 fieldOffset, qint64 fieldLength,
                           qint64 records)
    : fd_(fd), recordLength_(recordLength), fieldOffset_(fieldOffset), fieldLength_(fieldLength),
      records_(records), size_(records * recordLength), page_(::sysconf(_SC_PAGESIZE)),
      previous_(std::make_unique<PreviousHandler>()) {
    struct sigaction bus {};
    bus.sa_handler = OnBusError;
    bus.sa_flags = SA_NODEFER; // the jump out leaves no signal blocked
    sigemptyset(&bus.sa_mask);
    ::sigaction(SIGBUS, &bus, &previous_->action);
}

MappedFields::~MappedFields() {
    ::sigaction(SIGBUS, &previous_->action, nullptr);
}

bool MappedFields::Copy(qint64 first, qint64 count, char* out) {
    const qint64 ahead = qMin(first + count + kWindow, records_);
    const qint64 from = Start(first) / page_ * page_;
    const qint64 length = End(ahead - 1) - from;
    void* map = ::mmap(nullptr, size_t(length), PROT_READ, MAP_SHARED, fd_, off_t(from));
    if (map == MAP_FAILED)
        return false;
    base_ = static_cast<const char*>(map);
    mapped_ = from;
    ::madvise(map, size_t(length), MADV_RANDOM);
    if (first == 0)
        AskFor(0, count);
    AskFor(first + count, ahead);
    const bool copied = GuardedCopy(first, count, out);
    ::munmap(map, size_t(length));
    base_ = nullptr;
    return copied;
}

// Asks, without waiting, for the fields of the records [first, end) when they are not cached.
// Whether they are is judged by the first field of every group of records: asking for each
// page would cost as much as reading it from the cache.
void MappedFields::AskFor(qint64 first, qint64 end) {
    for (qint64 group = first; group < end; group += kGroup) {
        const qint64 page = Start(group) / page_ * page_;
        unsigned char cached = 1;
        if (::mincore(const_cast<char*>(base_) + (page - mapped_), size_t(page_), &cached) != 0 ||
            (cached & 1))
            continue;
        for (qint64 i = group; i < qMin(group + kGroup, end); ++i)
            ::posix_fadvise(fd_, off_t(Start(i)), off_t(End(i) - Start(i)), POSIX_FADV_WILLNEED);
    }
}

bool MappedFields::GuardedCopy(qint64 first, qint64 count, char* out) const {
    sigjmp_buf jump;
    if (sigsetjmp(jump, 0) != 0) {
        tMappedCopy = nullptr;
        return false;
    }
    tMappedCopy = &jump;
    CopyFields(first, count, out);
    tMappedCopy = nullptr;
    return true;
}

void MappedFields::CopyFields(qint64 first, qint64 count, char* out) const {
    for (qint64 i = first; i < first + count; ++i) {
        const qint64 cut = Start(i) - (i * recordLength_ + fieldOffset_);
        std::memcpy(out + (i - first) * fieldLength_ + cut, base_ + (Start(i) - mapped_),
                    size_t(End(i) - Start(i)));
    }
}

namespace {

[[gnu::noinline]] bool GuardedRun(void (*scan)(void*), void* context) {
    sigjmp_buf jump;
    if (sigsetjmp(jump, 0) != 0) {
        tMappedCopy = nullptr;
        return false;
    }
    tMappedCopy = &jump;
    scan(context);
    tMappedCopy = nullptr;
    return true;
}

struct CopyJob {
    const char* from;
    qint64 length;
    char* out;
};

} // namespace

bool RunOverMapping(void (*scan)(void*), void* context) {
    struct sigaction bus {
    }, previous{};
    bus.sa_handler = OnBusError;
    bus.sa_flags = SA_NODEFER;
    sigemptyset(&bus.sa_mask);
    ::sigaction(SIGBUS, &bus, &previous);
    const bool ran = GuardedRun(scan, context);
    ::sigaction(SIGBUS, &previous, nullptr);
    return ran;
}

bool CopyFromMapping(const char* from, qint64 length, char* out) {
    CopyJob job{from, length, out};
    return RunOverMapping(
        [](void* context) {
            const CopyJob& j = *static_cast<const CopyJob*>(context);
            std::memcpy(j.out, j.from, size_t(j.length));
        },
        &job);
}

} // namespace ricorne::platform
