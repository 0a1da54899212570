#include "core/stores/RecordStore.h"

#include "core/paths/Paths.h"
#include "core/paths/ProgramFolderLock.h"
#include "core/platform/FileIo.h"
#include "core/platform/FileStatus.h"
#include "core/stores/StoreFiles.h"

#include <cerrno>
#include <vector>

namespace ricorne {

using platform::FileHandle;
using platform::OpenFile;
using platform::ReadFully;

namespace {

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

int RecordCount(const StoreDescriptor& store) {
    RecoverStore(store);
    const qint64 size = store_files::RegularFileSize(StorePath(store));
    if (size <= 0)
        return 0;
    return int(qMin<qint64>(size / store.recordLength, kMaxRecordNumber + 1));
}

qint64 WholeRecordCount(const StoreDescriptor& store) {
    RecoverStore(store);
    const qint64 size = store_files::RegularFileSize(StorePath(store));
    return size <= 0 ? 0 : size / store.recordLength;
}

int NextRecordNumber(const StoreDescriptor& store) {
    return qMin(RecordCount(store) + 1, kMaxRecordNumber + 1);
}

bool WriteRecordBytes(const StoreDescriptor& store, int n, const char* bytes) {
    if (n < 1 || n > kMaxRecordNumber)
        return false;
    // Another program working on this folder owns the stores until it is done.
    const ProgramFolderLock lock;
    if (!lock.Held())
        return false;
    if (!RecoverStore(store))
        return false;
    const QString path = StorePath(store);
    // Mail and addresses are nobody else's business: files are created for their owner only.
    FileHandle fd = OpenFile(path, platform::kWriteOnly | platform::kCreate, 0600);
    if (!fd.valid())
        return false;
    const platform::FileStatus before = platform::StatusOfOpen(fd.get());
    if (!before.exists)
        return false;
    const qint64 offset = qint64(n - 1) * store.recordLength;
    if (!platform::WriteFully(fd.get(), bytes, store.recordLength, offset)) {
        // A record cut short by a full disk must not stay behind as a broken tail.
        if (before.size <= offset)
            (void)platform::TruncateFile(fd.get(), before.size);
        return false;
    }
    return fd.Close();
}

bool FlushStore(const StoreDescriptor& store) {
    const QString path = StorePath(store);
    FileHandle fd = OpenFile(path, platform::kReadOnly);
    if (!fd.valid())
        return errno == ENOENT; // nothing written, nothing to flush
    if (!platform::SyncFile(fd.get()))
        return false;
    return platform::SyncFolderOf(path);
}

bool ReadRecordBytes(const StoreDescriptor& store, int n, char* bytes) {
    if (n < 1 || n > kMaxRecordNumber || !RecoverStore(store))
        return false;
    FileHandle fd = OpenFile(StorePath(store), platform::kReadOnly);
    if (!fd.valid())
        return false;
    return ReadFully(fd.get(), bytes, store.recordLength, qint64(n - 1) * store.recordLength) ==
           store.recordLength;
}

bool ReadRecordsBytes(const StoreDescriptor& store,
                      const std::function<bool(int n, const char* bytes)>& visit) {
    if (!RecoverStore(store))
        return false;
    FileHandle fd = OpenFile(StorePath(store), platform::kReadOnly);
    if (!fd.valid())
        return errno == ENOENT;
    const qint64 len = store.recordLength;
    const qint64 perChunk = qMax<qint64>(1, (1 << 20) / len);
    std::vector<char> buffer(size_t(perChunk * len));
    qint64 offset = 0;
    int n = 1;
    while (n <= kMaxRecordNumber) {
        const qint64 got = ReadFully(fd.get(), buffer.data(), perChunk * len, offset);
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

} // namespace ricorne
