#include "core/platform/FieldReader.h"

#include "core/platform/FileIo.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/uio.h>

namespace ricorne::platform {

FieldReader::FieldReader(int fd, qint64 recordLength, qint64 fieldOffset, qint64 fieldLength, qint64 records)
    : fd_(fd), recordLength_(recordLength), fieldOffset_(fieldOffset), fieldLength_(fieldLength),
      records_(records) {
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_RANDOM);
}

FieldReader::~FieldReader() {
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_NORMAL);
}

qint64 FieldReader::Read(qint64 index, char* into, qint64 want, qint64 offset) {
    if (noWait_) {
        iovec part{into, size_t(want)};
        const ssize_t n = ::preadv2(fd_, &part, 1, off_t(offset), RWF_NOWAIT);
        if (n == want)
            return n;
        if (n < 0 && (errno == EOPNOTSUPP || errno == EINVAL))
            noWait_ = false; // this file system cannot tell: ask ahead always
    }
    if (index + kAhead / 2 >= askedUpTo_)
        AskAhead(index);
    return ReadFully(fd_, into, want, offset);
}

void FieldReader::AskAhead(qint64 index) {
    const qint64 end = qMin(index + kAhead, records_);
    for (qint64 i = qMax(index, askedUpTo_); i < end; ++i) {
        const qint64 from = qMax<qint64>(0, i * recordLength_ + fieldOffset_);
        ::posix_fadvise(fd_, off_t(from), off_t(i * recordLength_ + fieldOffset_ + fieldLength_ - from),
                        POSIX_FADV_WILLNEED);
    }
    askedUpTo_ = qMax(askedUpTo_, end);
}

} // namespace ricorne::platform
