#include "core/stores/HeaderIndex.h"

#include "core/platform/FileIo.h"
#include "core/platform/ReplaceFile.h"
#include "core/stores/Checksum.h"

#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace ricorne {

namespace {

constexpr char kMagic[8] = {'R', 'C', 'N', 'H', 'I', 'D', 'X', '1'};
constexpr qint64 kHeaderBytes = offsetof(MailRecord, Body); // the list columns
constexpr qint64 kFileHead = 64;
// number (4), Live (2), header bytes, offset (8), checksum (8)
constexpr qint64 kEntry = 4 + 2 + kHeaderBytes + 8 + 8;
constexpr qint64 kChecked = kEntry - 8;
// A change to the store within this time of the index's reading could carry the same time.
constexpr qint64 kSettledSeconds = 2;

quint64 Checksum(const char* bytes, qint64 length) {
    return FastChecksum(bytes, length);
}

template <typename T> void Put(char* at, T value) {
    std::memcpy(at, &value, sizeof value);
}
template <typename T> T Get(const char* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// The store's status as the index records it, in the order of the file's head.
void PutStatus(char* head, qint64 recordLength, const platform::FileStatus& st, qint32 count) {
    std::memcpy(head, kMagic, 8);
    Put<qint64>(head + 8, recordLength);
    Put<qint64>(head + 16, st.size);
    Put<qint64>(head + 24, st.modified.seconds);
    Put<qint64>(head + 32, st.modified.nanoseconds);
    Put<quint64>(head + 40, st.device);
    Put<quint64>(head + 48, st.inode);
    Put<qint32>(head + 56, count);
    Put<quint32>(head + 60, quint32(Checksum(head, 60)));
}

int WholeRecords(const platform::FileStatus& st, qint64 recordLength) {
    return int(qMin<qint64>(st.size / recordLength, kMaxRecordNumber));
}

QByteArray IndexBytes(qint64 recordLength, const QVector<MailHeader>& headers,
                      const platform::FileStatus& st) {
    QByteArray bytes(kFileHead + headers.size() * kEntry, '\0');
    PutStatus(bytes.data(), recordLength, st, qint32(headers.size()));
    char* at = bytes.data() + kFileHead;
    for (const MailHeader& h : headers) {
        Put<qint32>(at, h.number);
        Put<qint16>(at + 4, h.live);
        std::memcpy(at + 6, h.raw.constData(), size_t(qMin<qint64>(h.raw.size(), kHeaderBytes)));
        Put<qint64>(at + 6 + kHeaderBytes, qint64(h.number - 1) * recordLength);
        Put<quint64>(at + kChecked, Checksum(at, kChecked));
        at += kEntry;
    }
    return bytes;
}

bool WriteIndexFile(const QString& indexPath, qint64 recordLength, const QVector<MailHeader>& headers,
                    const platform::FileStatus& before) {
    if (!before.exists || !before.regular || headers.size() != WholeRecords(before, recordLength))
        return false;
    const platform::FileTime now = platform::CoarseClockNow();
    if (now.seconds - before.modified.seconds <= kSettledSeconds)
        return false;
    return bool(platform::ReplaceFileWhole(indexPath, IndexBytes(recordLength, headers, before),
                                           platform::FileAccess::OwnerOnly));
}

// The indexes being written in the background.
struct Writers {
    std::mutex mutex;
    std::vector<std::thread> threads;
    ~Writers() { JoinAll(); }
    void JoinAll() {
        std::vector<std::thread> running;
        {
            const std::lock_guard<std::mutex> lock(mutex);
            running.swap(threads);
        }
        for (std::thread& t : running)
            t.join();
    }
};
Writers& BackgroundWriters() {
    static Writers writers;
    return writers;
}

} // namespace

QString HeaderIndexPath(const StoreDescriptor& store) {
    return StorePath(store) + QStringLiteral(".index");
}

std::optional<QVector<MailHeader>> ReadHeaderIndex(const StoreDescriptor& store) {
    const qint64 len = store.recordLength;
    if (len != qint64(sizeof(MailRecord)))
        return std::nullopt;
    const QString path = StorePath(store);
    const platform::FileStatus st = platform::StatusOf(path);
    if (!st.exists || !st.regular)
        return std::nullopt;
    const int count = WholeRecords(st, len);
    const platform::FileHandle file = platform::OpenFile(HeaderIndexPath(store), platform::kReadOnly);
    if (!file.valid())
        return std::nullopt;
    const qint64 expected = kFileHead + qint64(count) * kEntry;
    if (platform::StatusOfOpen(file.get()).size != expected)
        return std::nullopt;
    QByteArray bytes(expected, Qt::Uninitialized);
    if (platform::ReadFully(file.get(), bytes.data(), expected, 0) != expected)
        return std::nullopt;
    char head[kFileHead];
    PutStatus(head, len, st, count);
    if (std::memcmp(head, bytes.constData(), kFileHead) != 0)
        return std::nullopt; // another store, a changed one, or a damaged head

    QVector<MailHeader> headers(count);
    platform::FileHandle storeFile; // opened for the first entry that fails its checks
    const char* at = bytes.constData() + kFileHead;
    for (int i = 0; i < count; ++i, at += kEntry) {
        MailHeader& h = headers[i];
        h.number = i + 1;
        const qint64 offset = qint64(i) * len;
        if (Get<qint32>(at) == h.number && Get<qint64>(at + 6 + kHeaderBytes) == offset &&
            Get<quint64>(at + kChecked) == Checksum(at, kChecked)) {
            h.live = Get<qint16>(at + 4);
            h.raw = QByteArray(at + 6, kHeaderBytes);
            continue;
        }
        if (!storeFile.valid())
            storeFile = platform::OpenFile(path, platform::kReadOnly);
        h.raw = QByteArray(kHeaderBytes, Qt::Uninitialized);
        if (!storeFile.valid() ||
            platform::ReadFully(storeFile.get(), h.raw.data(), kHeaderBytes, offset) != kHeaderBytes ||
            platform::ReadFully(storeFile.get(), reinterpret_cast<char*>(&h.live), 2,
                                offset + store.liveOffset) != 2)
            return std::nullopt;
    }
    return headers;
}

bool WriteHeaderIndex(const StoreDescriptor& store, const QVector<MailHeader>& headers,
                      const platform::FileStatus& before) {
    return WriteIndexFile(HeaderIndexPath(store), store.recordLength, headers, before);
}

QVector<MailHeader> ReadMailHeadersIndexed(const StoreDescriptor& store) {
    if (store.recordLength != qint64(sizeof(MailRecord)) || !RecoverStore(store))
        return ReadMailHeaders(store);
    if (std::optional<QVector<MailHeader>> indexed = ReadHeaderIndex(store))
        return std::move(*indexed);
    const platform::FileStatus before = platform::StatusOf(StorePath(store));
    QVector<MailHeader> headers = ReadMailHeaders(store);
    const platform::FileTime now = platform::CoarseClockNow();
    if (before.exists && before.regular && now.seconds - before.modified.seconds > kSettledSeconds) {
        Writers& writers = BackgroundWriters();
        writers.JoinAll(); // one at a time: the last one is long done when the history opens again
        const std::lock_guard<std::mutex> lock(writers.mutex);
        writers.threads.emplace_back([indexPath = HeaderIndexPath(store), len = store.recordLength, headers,
                                      before] { WriteIndexFile(indexPath, len, headers, before); });
    }
    return headers;
}

void WaitForHeaderIndexes() {
    BackgroundWriters().JoinAll();
}

} // namespace ricorne
