#include "core/stores/RecordStore.h"

#include "core/paths/Paths.h"
#include "core/paths/ProgramFolderLock.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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
    const qint64 tempSize = FileSize(temp);
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
    const qint64 size = FileSize(StorePath(store));
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
    for (qint64 i = 0; i < whole; ++i) {
        char live[2];
        if (PreadFull(in.get(), live, 2, i * len + store.liveOffset) != 2)
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
    // Live is the last field, so one read of 282 bytes starting two bytes before record i
    // takes the Live of record i - 1 and the header of record i: one system call a record.
    char buffer[2 + kHeader];
    for (qint64 i = 0; i < whole; ++i) {
        const qint64 offset = i == 0 ? 0 : i * len - 2;
        char* into = i == 0 ? buffer + 2 : buffer;
        const qint64 want = i == 0 ? kHeader : kHeader + 2;
        if (PreadFull(fd.get(), into, want, offset) != want)
            break;
        if (i > 0)
            std::memcpy(&headers.last().live, buffer, 2);
        MailHeader header;
        header.number = int(i + 1);
        header.raw = QByteArray(buffer + 2, kHeader);
        headers.append(std::move(header));
    }
    if (!headers.isEmpty()) {
        qint16 live = 0;
        if (PreadFull(fd.get(), reinterpret_cast<char*>(&live), 2, headers.size() * len - 2) == 2)
            headers.last().live = live;
    }
    return headers;
}

} // namespace ricorne
