#include "core/stores/HeaderIndex.h"

#include "core/platform/FileIo.h"
#include "core/platform/MappedFields.h"
#include "core/platform/ReplaceFile.h"
#include "core/stores/Checksum.h"

#include <QHash>

#include <cstring>
#include <mutex>
#include <sys/mman.h>
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
    // Temporary files of the earlier "name.XXXXXX" form that a killed writer left (the
    // replacement itself removes those of its present form); one still writing keeps its time recent.
    platform::RemoveLeftoverTemporaries(indexPath, kSettledSeconds);
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

// The rows of a fresh index, formed from its mapping as they are asked for. Each entry is
// checked then; one that fails (or that another program cut off the index meanwhile) is read
// from the store, once.
class IndexRows : public HeaderRows::Source {
public:
    IndexRows(int fd, qint64 length, int count, QString storePath, qint64 recordLength, qint64 liveOffset)
        : length_(length), count_(count), storePath_(std::move(storePath)), recordLength_(recordLength),
          liveOffset_(liveOffset) {
        void* map = ::mmap(nullptr, size_t(length), PROT_READ, MAP_SHARED, fd, 0);
        if (map != MAP_FAILED)
            map_ = static_cast<const char*>(map);
    }
    ~IndexRows() override {
        if (map_)
            ::munmap(const_cast<char*>(map_), size_t(length_));
    }
    bool Head(char* out) const { return map_ && platform::CopyFromMapping(map_, kFileHead, out); }

    qsizetype Count() const override { return count_; }

    void Fill(qsizetype first, qsizetype count, MailHeader* out) const override {
        constexpr qsizetype kPiece = 1024;
        std::vector<char> entries(size_t(qMin(count, kPiece) * kEntry));
        for (qsizetype done = 0; done < count; done += kPiece) {
            const qsizetype n = qMin(kPiece, count - done);
            const bool copied = platform::CopyFromMapping(map_ + kFileHead + (first + done) * kEntry,
                                                          n * kEntry, entries.data());
            for (qsizetype k = 0; k < n; ++k) {
                const int number = int(first + done + k + 1);
                const char* at = entries.data() + k * kEntry;
                MailHeader& h = out[done + k];
                if (copied && Get<qint32>(at) == number &&
                    Get<qint64>(at + 6 + kHeaderBytes) == qint64(number - 1) * recordLength_ &&
                    Get<quint64>(at + kChecked) == Checksum(at, kChecked)) {
                    h.number = number;
                    h.live = Get<qint16>(at + 4);
                    h.raw = QByteArray(at + 6, kHeaderBytes);
                } else {
                    h = FromStore(number);
                }
            }
        }
    }

private:
    MailHeader FromStore(int number) const {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto known = fromStore_.constFind(number);
        if (known != fromStore_.constEnd())
            return *known;
        MailHeader h;
        h.number = number;
        const qint64 offset = qint64(number - 1) * recordLength_;
        const platform::FileHandle store = platform::OpenFile(storePath_, platform::kReadOnly);
        QByteArray raw(kHeaderBytes, Qt::Uninitialized);
        if (store.valid() &&
            platform::ReadFully(store.get(), raw.data(), kHeaderBytes, offset) == kHeaderBytes &&
            platform::ReadFully(store.get(), reinterpret_cast<char*>(&h.live), 2, offset + liveOffset_) ==
                2) {
            h.raw = std::move(raw);
            fromStore_.insert(number, h);
        }
        return h; // a record gone from the store meanwhile: a blank row, which a click reloads
    }

    const char* map_ = nullptr;
    qint64 length_;
    int count_;
    QString storePath_;
    qint64 recordLength_, liveOffset_;
    mutable std::mutex mutex_;
    mutable QHash<int, MailHeader> fromStore_;
};

} // namespace

QString HeaderIndexPath(const StoreDescriptor& store) {
    return StorePath(store) + QStringLiteral(".index");
}

std::optional<HeaderRows> ReadHeaderIndex(const StoreDescriptor& store) {
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
    auto rows = std::make_shared<IndexRows>(file.get(), expected, count, path, len, store.liveOffset);
    char head[kFileHead], mapped[kFileHead];
    PutStatus(head, len, st, count);
    if (!rows->Head(mapped) || std::memcmp(head, mapped, kFileHead) != 0)
        return std::nullopt; // another store, a changed one, or a damaged head
    return HeaderRows(std::move(rows));
}

bool WriteHeaderIndex(const StoreDescriptor& store, const QVector<MailHeader>& headers,
                      const platform::FileStatus& before) {
    return WriteIndexFile(HeaderIndexPath(store), store.recordLength, headers, before);
}

HeaderRows ReadMailHeadersIndexed(const StoreDescriptor& store) {
    if (store.recordLength != qint64(sizeof(MailRecord)) || !RecoverStore(store))
        return ReadMailHeaders(store);
    if (std::optional<HeaderRows> indexed = ReadHeaderIndex(store))
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
