#include "core/stores/RecordStore.h"

#include "core/paths/Paths.h"
#include "core/paths/ProgramFolderLock.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace ricorne {

namespace {

// Owns one file descriptor.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and reports a failed close (NFS and friends report write errors here).
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

// Mail and addresses are nobody else's business: files are created for their owner only.
int OpenFile(const QString& path, int flags, mode_t mode = 0600) {
    int fd;
    do {
        fd = ::open(Native(path).constData(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Reads up to len bytes at offset; returns the count read (short only at the end of the
// file) or -1 on an error.
qint64 PreadFull(int fd, char* buffer, qint64 len, qint64 offset) {
    qint64 done = 0;
    while (done < len) {
        const ssize_t n = ::pread(fd, buffer + done, size_t(len - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

// Reads one small field of every record in turn (a header, a Live flag) without pulling the
// bodies in. Read-ahead is off for the scan; when a field is not in the page cache, the fields
// of the records ahead are asked for at once, so the disk serves many small reads together
// instead of one seek after another. A warm file still costs one read call per field.
class FieldReader {
public:
    FieldReader(int fd, qint64 recordLength, qint64 fieldOffset, qint64 fieldLength, qint64 records)
        : fd_(fd), recordLength_(recordLength), fieldOffset_(fieldOffset), fieldLength_(fieldLength),
          records_(records) {
        ::posix_fadvise(fd_, 0, 0, POSIX_FADV_RANDOM);
    }
    FieldReader(const FieldReader&) = delete;
    FieldReader& operator=(const FieldReader&) = delete;
    // The descriptor goes on to whole-file copies, which want read-ahead back.
    ~FieldReader() { ::posix_fadvise(fd_, 0, 0, POSIX_FADV_NORMAL); }

    // Reads want bytes at offset for the record at index (0-based); returns as PreadFull.
    qint64 Read(qint64 index, char* into, qint64 want, qint64 offset) {
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
        return PreadFull(fd_, into, want, offset);
    }

private:
    static constexpr qint64 kAhead = 256; // records whose fields are in flight at once

    void AskAhead(qint64 index) {
        const qint64 end = qMin(index + kAhead, records_);
        for (qint64 i = qMax(index, askedUpTo_); i < end; ++i) {
            const qint64 from = qMax<qint64>(0, i * recordLength_ + fieldOffset_);
            ::posix_fadvise(fd_, off_t(from), off_t(i * recordLength_ + fieldOffset_ + fieldLength_ - from),
                            POSIX_FADV_WILLNEED);
        }
        askedUpTo_ = qMax(askedUpTo_, end);
    }

    int fd_;
    qint64 recordLength_, fieldOffset_, fieldLength_, records_;
    qint64 askedUpTo_ = 0; // the fields of the records below this index are asked for
    bool noWait_ = true;
};

thread_local sigjmp_buf* tMappedCopy = nullptr;

void OnBusError(int signal) {
    if (tMappedCopy)
        siglongjmp(*tMappedCopy, 1);
    // Not one of ours: fail as the default action would.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Copies one small field out of every record through a read-only mapping: a cached page then
// costs no system call, which is most of a warm listing's time. Only the window being copied
// and the one after it are mapped at a time (the kernel maps the cached pages around each
// touched one, so a whole-file mapping would count the whole file as ours for a moment). Read-ahead is off;
// the uncached pages the next window needs are asked for before this one is copied, so the
// disk serves many reads together. A file shortened by another program meanwhile raises
// SIGBUS on the lost pages; the copy reports that as a failure instead of ending us.
class MappedFields {
public:
    static constexpr qint64 kWindow = 1024; // records per copy
    static constexpr qint64 kGroup = 32;    // records judged cached or not together

    MappedFields(int fd, qint64 recordLength, qint64 fieldOffset, qint64 fieldLength, qint64 records)
        : fd_(fd), recordLength_(recordLength), fieldOffset_(fieldOffset), fieldLength_(fieldLength),
          records_(records), size_(records * recordLength), page_(::sysconf(_SC_PAGESIZE)) {
        struct sigaction bus {};
        bus.sa_handler = OnBusError;
        bus.sa_flags = SA_NODEFER; // the jump out leaves no signal blocked
        sigemptyset(&bus.sa_mask);
        ::sigaction(SIGBUS, &bus, &previous_);
    }
    MappedFields(const MappedFields&) = delete;
    MappedFields& operator=(const MappedFields&) = delete;
    ~MappedFields() { ::sigaction(SIGBUS, &previous_, nullptr); }

    // Copies the field of the records [first, first + count) (count <= kWindow) into out, one
    // after another with fieldLength bytes each; a field reaching before the file is cut at
    // its start. False when the file cannot be mapped or shrank.
    bool Copy(qint64 first, qint64 count, char* out) {
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

private:
    qint64 Start(qint64 i) const { return qMax<qint64>(0, i * recordLength_ + fieldOffset_); }
    qint64 End(qint64 i) const { return qMin(size_, i * recordLength_ + fieldOffset_ + fieldLength_); }

    // Asks, without waiting, for the fields of the records [first, end) when they are not
    // cached. Whether they are is judged by the first field of every group of records: asking
    // for each page would cost as much as reading it from the cache.
    void AskFor(qint64 first, qint64 end) {
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

    // The jump back from the signal handler lands here, with nothing to unwind.
    [[gnu::noinline]] bool GuardedCopy(qint64 first, qint64 count, char* out) const {
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

    [[gnu::noinline]] void CopyFields(qint64 first, qint64 count, char* out) const {
        for (qint64 i = first; i < first + count; ++i) {
            const qint64 cut = Start(i) - (i * recordLength_ + fieldOffset_);
            std::memcpy(out + (i - first) * fieldLength_ + cut, base_ + (Start(i) - mapped_),
                        size_t(End(i) - Start(i)));
        }
    }

    int fd_;
    qint64 recordLength_, fieldOffset_, fieldLength_, records_, size_, page_;
    const char* base_ = nullptr; // the mapping of the file from offset mapped_ on
    qint64 mapped_ = 0;
    struct sigaction previous_ {};
};

bool PwriteFull(int fd, const char* buffer, qint64 len, qint64 offset) {
    qint64 done = 0;
    while (done < len) {
        const ssize_t n = ::pwrite(fd, buffer + done, size_t(len - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool SyncFolderOf(const QString& path) {
    Fd dir(OpenFile(QFileInfo(path).absolutePath(), O_RDONLY | O_DIRECTORY));
    return dir.valid() && ::fsync(dir.get()) == 0;
}

// Size of the file, or -1 when it does not exist (or cannot be examined).
qint64 FileSize(const QString& path) {
    struct stat st;
    if (::stat(Native(path).constData(), &st) != 0)
        return -1;
    return st.st_size;
}

// Size of a regular file; -1 when there is none (a folder or a device is no store).
qint64 RegularFileSize(const QString& path) {
    struct stat st;
    if (::stat(Native(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return st.st_size;
}

// Copies len bytes from in at inOffset to out at outOffset, in the kernel when it can.
bool CopyRange(int in, qint64 inOffset, int out, qint64 outOffset, qint64 len) {
    bool kernelCopy = true;
    while (len > 0 && kernelCopy) {
        loff_t from = inOffset;
        loff_t to = outOffset;
        const ssize_t n = ::copy_file_range(in, &from, out, &to, size_t(len), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 &&
            (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EPERM)) {
            kernelCopy = false; // the file system cannot; copy through a buffer instead
            break;
        }
        if (n <= 0)
            return false; // an error, or the source ended early
        inOffset += n;
        outOffset += n;
        len -= n;
    }
    if (len == 0)
        return true;
    std::vector<char> buffer(size_t(qMin<qint64>(len, 1 << 20)));
    while (len > 0) {
        const qint64 chunk = qMin<qint64>(len, qint64(buffer.size()));
        if (PreadFull(in, buffer.data(), chunk, inOffset) != chunk)
            return false;
        if (!PwriteFull(out, buffer.data(), chunk, outOffset))
            return false;
        inOffset += chunk;
        outOffset += chunk;
        len -= chunk;
    }
    return true;
}

StoreDescriptor MakeStore(const QString& file, const QString& temp, qint64 length, qint64 live) {
    return StoreDescriptor{file, temp, length, live};
}

} // namespace

const StoreDescriptor& ReceivedStore() {
    static const StoreDescriptor store =
        MakeStore(ReceivedStoreFile(), ReceivedTempFile(), sizeof(MailRecord), offsetof(MailRecord, Live));
    return store;
}

const StoreDescriptor& SentStore() {
    static const StoreDescriptor store =
        MakeStore(SentStoreFile(), SentTempFile(), sizeof(MailRecord), offsetof(MailRecord, Live));
    return store;
}

const StoreDescriptor& AddressStore() {
    static const StoreDescriptor store = MakeStore(AddressStoreFile(), AddressTempFile(),
                                                   sizeof(AddressRecord), offsetof(AddressRecord, Live));
    return store;
}

const StoreDescriptor& MasterAddressStore() {
    static const StoreDescriptor store =
        MakeStore(MasterAddressFile(), QString(), sizeof(AddressRecord), offsetof(AddressRecord, Live));
    return store;
}

QString StorePath(const StoreDescriptor& store) {
    return ResolvePath(store.file);
}

QString StoreTempPath(const StoreDescriptor& store) {
    return store.tempFile.isEmpty() ? QString() : ResolvePath(store.tempFile);
}

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
        if (PreadFull(fullFd, b.data(), len, offset) != len)
            return PrefixMatch::No;
        if (b[size_t(store.liveOffset)] == 0 && b[size_t(store.liveOffset + 1)] == 0)
            continue;
        if (matched == prefixSize)
            return PrefixMatch::Shorter;
        const qint64 want = qMin(len, prefixSize - matched);
        if (PreadFull(prefixFd, a.data(), want, matched) != want ||
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
        if (::link(Native(temp).constData(), Native(aside).constData()) == 0) {
            ::unlink(Native(temp).constData());
            return aside;
        }
        if (errno == EEXIST)
            continue;
        // A file system without hard links: rename, having looked first.
        if (FileSize(aside) >= 0 || ::rename(Native(temp).constData(), Native(aside).constData()) != 0)
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
        if (::rename(Native(temp).constData(), Native(path).constData()) != 0)
            return false;
        return SyncFolderOf(path);
    };
    auto drop = [&] { return ::unlink(Native(temp).constData()) == 0 || errno == ENOENT; };
    // A compaction in the older style copied the store to the temporary file, removed the
    // store and rewrote it from the live records: the store is then missing or a prefix of
    // the temporary file's live records, and the temporary file is the good copy.
    if (storeSize < 0)
        return restore();
    Fd storeFd(OpenFile(path, O_RDONLY));
    Fd tempFd(OpenFile(temp, O_RDONLY));
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
    return SyncFolderOf(path);
}

} // namespace

int RecordCount(const StoreDescriptor& store) {
    RecoverStore(store);
    const qint64 size = RegularFileSize(StorePath(store));
    if (size <= 0)
        return 0;
    return int(qMin<qint64>(size / store.recordLength, kMaxRecordNumber + 1));
}

int NextRecordNumber(const StoreDescriptor& store) {
    return qMin(RecordCount(store) + 1, kMaxRecordNumber + 1);
}

bool WriteRecordBytes(const StoreDescriptor& store, int n, const char* bytes) {
    if (n < 1 || n > kMaxRecordNumber)
        return false;
    // Another program working on this folder owns the stores until it is done.
    const ProgramFolderLock lock;
    if (lock.IsBusy())
        return false;
    if (!RecoverStore(store))
        return false;
    const QString path = StorePath(store);
    Fd fd(OpenFile(path, O_WRONLY | O_CREAT));
    if (!fd.valid())
        return false;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return false;
    const qint64 offset = qint64(n - 1) * store.recordLength;
    if (!PwriteFull(fd.get(), bytes, store.recordLength, offset)) {
        // A record cut short by a full disk must not stay behind as a broken tail.
        if (st.st_size <= offset)
            (void)::ftruncate(fd.get(), st.st_size);
        return false;
    }
    return fd.close();
}

bool FlushStore(const StoreDescriptor& store) {
    const QString path = StorePath(store);
    Fd fd(OpenFile(path, O_RDONLY));
    if (!fd.valid())
        return errno == ENOENT; // nothing written, nothing to flush
    if (::fsync(fd.get()) != 0)
        return false;
    return SyncFolderOf(path);
}

bool ReadRecordBytes(const StoreDescriptor& store, int n, char* bytes) {
    if (n < 1 || n > kMaxRecordNumber || !RecoverStore(store))
        return false;
    Fd fd(OpenFile(StorePath(store), O_RDONLY));
    if (!fd.valid())
        return false;
    return PreadFull(fd.get(), bytes, store.recordLength, qint64(n - 1) * store.recordLength) ==
           store.recordLength;
}

bool ReadRecordsBytes(const StoreDescriptor& store,
                      const std::function<bool(int n, const char* bytes)>& visit) {
    if (!RecoverStore(store))
        return false;
    Fd fd(OpenFile(StorePath(store), O_RDONLY));
    if (!fd.valid())
        return errno == ENOENT;
    const qint64 len = store.recordLength;
    const qint64 perChunk = qMax<qint64>(1, (1 << 20) / len);
    std::vector<char> buffer(size_t(perChunk * len));
    qint64 offset = 0;
    int n = 1;
    while (n <= kMaxRecordNumber) {
        const qint64 got = PreadFull(fd.get(), buffer.data(), perChunk * len, offset);
        if (got < 0)
            return false;
        const qint64 whole = got / len;
        for (qint64 i = 0; i < whole && n <= kMaxRecordNumber; ++i, ++n) {
            if (!visit(n, buffer.data() + i * len))
                return true;
        }
        if (got < perChunk * len)
            break; // end of file; an incomplete record there is ignored
        offset += got;
    }
    return true;
}

bool CompactStore(const StoreDescriptor& store) {
    // Another program working on this folder owns the stores until it is done.
    const ProgramFolderLock lock;
    if (lock.IsBusy())
        return false;
    if (store.tempFile.isEmpty() || !RecoverStore(store))
        return false;
    const QString path = StorePath(store);
    Fd in(OpenFile(path, O_RDONLY));
    if (!in.valid())
        return errno == ENOENT; // no store, nothing to remove
    struct stat st;
    if (::fstat(in.get(), &st) != 0)
        return false;
    const qint64 len = store.recordLength;
    const qint64 whole = qMin<qint64>(st.st_size / len, kMaxRecordNumber);

    // Runs of live records, found by reading only the Live fields.
    struct Run {
        qint64 offset;
        qint64 length;
    };
    std::vector<Run> runs;
    bool removed = st.st_size != whole * len;
    {
        FieldReader lives(in.get(), len, store.liveOffset, 2, whole);
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
    const mode_t mode = (st.st_mode & 0700) | 0600; // never wider than the owner's
    Fd out(OpenFile(temp, O_WRONLY | O_CREAT | O_TRUNC, mode));
    if (!out.valid())
        return false;
    auto fail = [&] {
        out.close();
        RepairedInHold().remove(RepairKey(store)); // in case the file below cannot go
        ::unlink(Native(temp).constData());
        return false;
    };
    if (::fchmod(out.get(), mode) != 0)
        return fail();
    qint64 written = 0;
    for (const Run& run : runs) {
        if (!CopyRange(in.get(), run.offset, out.get(), written, run.length))
            return fail();
        written += run.length;
    }
    if (::fsync(out.get()) != 0 || !out.close())
        return fail();
    in.close();
    if (::rename(Native(temp).constData(), Native(path).constData()) != 0)
        return fail();
    return SyncFolderOf(path);
}

QString MailHeader::Subject() const {
    return DecodeCp932(raw.mid(0, 100));
}
QString MailHeader::DateText() const {
    return DecodeCp932(raw.mid(100, 90));
}
QString MailHeader::Address() const {
    return DecodeCp932(raw.mid(190, 90));
}

QVector<MailHeader> ReadMailHeaders(const StoreDescriptor& store) {
    QVector<MailHeader> headers;
    constexpr qint64 kHeader = offsetof(MailRecord, Body);
    if (store.recordLength != qint64(sizeof(MailRecord)) || !RecoverStore(store))
        return headers;
    Fd fd(OpenFile(StorePath(store), O_RDONLY));
    if (!fd.valid())
        return headers;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return headers;
    const qint64 len = store.recordLength;
    const qint64 whole = qMin<qint64>(st.st_size / len, kMaxRecordNumber);
    headers.reserve(whole);
    // Live is the last field, so the 282 bytes starting two bytes before record i hold the
    // Live of record i - 1 and the header of record i.
    constexpr qint64 kField = kHeader + 2;
    auto add = [&](qint64 i, const char* field) {
        if (i > 0)
            std::memcpy(&headers.last().live, field, 2);
        MailHeader header;
        header.number = int(i + 1);
        header.raw = QByteArray(field + 2, kHeader);
        headers.append(std::move(header));
    };
    qint64 i = 0;
    {
        MappedFields mapped(fd.get(), len, -2, kField, whole);
        std::vector<char> window(size_t(MappedFields::kWindow * kField));
        while (i < whole) {
            const qint64 count = qMin(MappedFields::kWindow, whole - i);
            if (!mapped.Copy(i, count, window.data()))
                break; // shrunk meanwhile: the reads below find the new end
            for (qint64 k = 0; k < count; ++k)
                add(i + k, window.data() + k * kField);
            i += count;
        }
    }
    // Without a mapping, or after the file shrank: one read call a record.
    char buffer[kField];
    FieldReader fields(fd.get(), len, -2, kField, whole);
    for (; i < whole; ++i) {
        const qint64 offset = i == 0 ? 0 : i * len - 2;
        char* into = i == 0 ? buffer + 2 : buffer;
        const qint64 want = i == 0 ? kHeader : kField;
        if (fields.Read(i, into, want, offset) != want)
            break;
        add(i, buffer);
    }
    if (!headers.isEmpty()) {
        qint16 live = 0;
        if (PreadFull(fd.get(), reinterpret_cast<char*>(&live), 2, headers.size() * len - 2) == 2)
            headers.last().live = live;
    }
    return headers;
}

} // namespace ricorne
