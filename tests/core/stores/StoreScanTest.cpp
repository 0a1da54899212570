// Listing and compaction read one small field per record; whether the file is in the page
// cache or not, they must see every record's header and Live flag exactly.
#include "TempAppDir.h"
#include "core/paths/Paths.h"
#include "core/platform/FileStatus.h"
#include "core/stores/HeaderIndex.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"

#include <gtest/gtest.h>

#include <QFile>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ricorne;

namespace {

constexpr qint64 kMail = sizeof(MailRecord);

bool Dead(int n) {
    return n % 7 == 3;
}

struct ScanCase {
    const char* name;
    int records;
    bool cold;     // the file's pages dropped from the page cache before the scan
    int tailBytes; // an incomplete record after the last whole one
};

class StoreScan : public ::testing::TestWithParam<ScanCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(app_.IsValid());
        path_ = StorePath(ReceivedStore());
        // Written whole in one go: a file with a hole per body would be quick to write but
        // slow for the file system to free again.
        const ScanCase& c = GetParam();
        QByteArray bytes;
        bytes.reserve(c.records * kMail + c.tailBytes);
        for (int n = 1; n <= c.records; ++n) {
            MailRecord r;
            SetField(r.Subject, u"件名%1 お知らせ"_s.arg(n));
            SetField(r.Address, u"山田 <u%1@example.jp>"_s.arg(n));
            r.Live = Dead(n) ? 0 : 1;
            bytes.append(reinterpret_cast<const char*>(&r), kMail);
        }
        bytes.append(c.tailBytes, 'x');
        const int fd = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, bytes.constData(), bytes.size()), bytes.size());
        ASSERT_EQ(::fsync(fd), 0);
        if (c.cold) {
            ASSERT_EQ(::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED), 0);
        }
        ::close(fd);
    }
    ricorne::testing::TempAppDir app_;
    QString path_;
};

TEST_P(StoreScan, HeadersOfEveryRecordInOrder) {
    const ScanCase& c = GetParam();
    const QVector<MailHeader> headers = ReadMailHeaders(ReceivedStore());
    ASSERT_EQ(headers.size(), c.records);
    for (int n = 1; n <= c.records; ++n) {
        const MailHeader& h = headers[n - 1];
        ASSERT_EQ(h.number, n);
        ASSERT_EQ(Trim(h.Subject()), u"件名%1 お知らせ"_s.arg(n));
        ASSERT_EQ(Trim(h.Address()), u"山田 <u%1@example.jp>"_s.arg(n));
        ASSERT_EQ(h.live, Dead(n) ? 0 : 1) << n;
    }
}

// Compaction writes every body out again, so it runs on a few stores only; the large ones cross
// the boundaries of the pieces it copies in.
class StoreCompaction : public StoreScan {};

TEST_P(StoreCompaction, KeepsExactlyTheLiveRecords) {
    const ScanCase& c = GetParam();
    ASSERT_TRUE(CompactStore(ReceivedStore()));
    const QVector<MailHeader> headers = ReadMailHeaders(ReceivedStore());
    QStringList expected, kept;
    for (int n = 1; n <= c.records; ++n)
        if (!Dead(n))
            expected << u"件名%1 お知らせ"_s.arg(n);
    for (const MailHeader& h : headers) {
        kept << Trim(h.Subject());
        EXPECT_EQ(h.live, 1);
    }
    EXPECT_EQ(kept, expected);
    EXPECT_EQ(QFile(path_).size(), expected.size() * kMail);
}

const ScanCase kSmall[] = {
    {"Warm", 40, false, 0},
    {"Cold", 40, true, 0},
    {"ColdWithTail", 40, true, 300},
};
const ScanCase kLarge[] = {
    // several windows of reads asked for ahead
    {"ColdMany", 1000, true, 0},
    {"WarmManyWithTail", 1000, false, 17},
};
auto CaseName = [](const auto& info) { return std::string(info.param.name); };

INSTANTIATE_TEST_SUITE_P(Small, StoreScan, ::testing::ValuesIn(kSmall), CaseName);
INSTANTIATE_TEST_SUITE_P(Large, StoreScan, ::testing::ValuesIn(kLarge), CaseName);
INSTANTIATE_TEST_SUITE_P(Small, StoreCompaction, ::testing::ValuesIn(kSmall), CaseName);
INSTANTIATE_TEST_SUITE_P(Large, StoreCompaction, ::testing::ValuesIn(kLarge), CaseName);

// The header index beside a store: whatever is wrong with it, the rows are the store's.
constexpr qint64 kIndexHead = 64;
constexpr qint64 kIndexEntry = 4 + 2 + 280 + 8 + 8;

bool SameRows(const HeaderRows& a, const HeaderRows& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].number != b[i].number || a[i].live != b[i].live || a[i].raw != b[i].raw)
            return false;
    return true;
}

// Sets the store's time back, so that its index may be written (a store changed a moment ago
// could change again within the same tick of the file system's clock).
void AgeStore(const QString& path, int secondsAgo) {
    const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - secondsAgo, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

struct IndexDamage {
    const char* name;
    void (*apply)(QByteArray& index);
    bool indexStillUsed; // the damage is confined to entries: the rest still comes from the index
};

class HeaderIndexDamage : public ::testing::TestWithParam<IndexDamage> {
protected:
    void SetUp() override {
        ASSERT_TRUE(app_.IsValid());
        for (int n = 1; n <= 12; ++n) {
            MailRecord r;
            SetField(r.Subject, u"【第%1号】会議のご案内"_s.arg(n));
            SetField(r.Address, u"佐藤 花子 <hanako%1@example.jp>"_s.arg(n));
            r.Live = Dead(n) ? 0 : 1;
            ASSERT_TRUE(AppendRecord(ReceivedStore(), r));
        }
        path_ = StorePath(ReceivedStore());
        AgeStore(path_, 3600);
        ASSERT_TRUE(
            WriteHeaderIndex(ReceivedStore(), ReadMailHeaders(ReceivedStore()), platform::StatusOf(path_)));
    }
    ricorne::testing::TempAppDir app_;
    QString path_;
};

TEST_P(HeaderIndexDamage, NeverShowsAWrongRow) {
    // Rows are formed from the mapped index when they are asked for, so an index opened before
    // the damage (a list already shown) must hold as well as one opened after it.
    const std::optional<HeaderRows> openedBefore = ReadHeaderIndex(ReceivedStore());
    ASSERT_TRUE(openedBefore.has_value());
    QFile file(HeaderIndexPath(ReceivedStore()));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray index = file.readAll();
    ASSERT_EQ(index.size(), kIndexHead + 12 * kIndexEntry);
    GetParam().apply(index);
    ASSERT_TRUE(file.resize(0));
    ASSERT_EQ(file.write(index), index.size());
    file.close();

    const QVector<MailHeader> truth = ReadMailHeaders(ReceivedStore());
    EXPECT_EQ(ReadHeaderIndex(ReceivedStore()).has_value(), GetParam().indexStillUsed);
    EXPECT_TRUE(SameRows(ReadMailHeadersIndexed(ReceivedStore()), truth));
    EXPECT_TRUE(SameRows(*openedBefore, truth));
    EXPECT_EQ(openedBefore->Pick({11, 4}).at(1).raw, truth[4].raw);
}

const IndexDamage kDamage[] = {
    {"Intact", [](QByteArray&) {}, true},
    {"SubjectByte", [](QByteArray& x) { x[kIndexHead + 4 * kIndexEntry + 6 + 3] ^= 0x40; }, true},
    {"LiveFlag", [](QByteArray& x) { x[kIndexHead + 2 * kIndexEntry + 4] ^= 1; }, true},
    {"RecordNumber", [](QByteArray& x) { x[kIndexHead + 7 * kIndexEntry] ^= 1; }, true},
    {"Checksum", [](QByteArray& x) { x[kIndexHead + 12 * kIndexEntry - 1] ^= 0x80; }, true},
    // Two entries each whole in itself, in each other's place.
    {"SwappedEntries",
     [](QByteArray& x) {
         const QByteArray first = x.mid(kIndexHead, kIndexEntry);
         x.replace(kIndexHead, kIndexEntry, x.mid(kIndexHead + kIndexEntry, kIndexEntry));
         x.replace(kIndexHead + kIndexEntry, kIndexEntry, first);
     },
     true},
    {"StoreSizeInHead", [](QByteArray& x) { x[16] ^= 1; }, false},
    {"CutShort", [](QByteArray& x) { x.chop(100); }, false},
    {"Empty", [](QByteArray& x) { x.clear(); }, false},
    {"Garbage", [](QByteArray& x) { x.fill('\xA5'); }, false},
};
INSTANTIATE_TEST_SUITE_P(Index, HeaderIndexDamage, ::testing::ValuesIn(kDamage), CaseName);

// Another program changes the store: the index no longer counts, the rows come from the store,
// and the index is written again for the store as it is now.
struct StoreChange {
    const char* name;
    void (*apply)(const QString& store);
};

class HeaderIndexStale : public ::testing::TestWithParam<StoreChange> {
protected:
    ricorne::testing::TempAppDir app_;
};

TEST_P(HeaderIndexStale, IsRebuiltFromTheStore) {
    ASSERT_TRUE(app_.IsValid());
    for (int n = 1; n <= 5; ++n) {
        MailRecord r;
        SetField(r.Subject, u"お知らせ%1"_s.arg(n));
        ASSERT_TRUE(AppendRecord(ReceivedStore(), r));
    }
    const QString path = StorePath(ReceivedStore());
    AgeStore(path, 3600);
    ASSERT_TRUE(
        WriteHeaderIndex(ReceivedStore(), ReadMailHeaders(ReceivedStore()), platform::StatusOf(path)));
    ASSERT_TRUE(ReadHeaderIndex(ReceivedStore()).has_value());

    GetParam().apply(path);
    AgeStore(path, 1800); // long enough ago for the new index to be written at once
    EXPECT_FALSE(ReadHeaderIndex(ReceivedStore()).has_value());
    const QVector<MailHeader> store = ReadMailHeaders(ReceivedStore());
    EXPECT_TRUE(SameRows(ReadMailHeadersIndexed(ReceivedStore()), store));
    WaitForHeaderIndexes();
    const std::optional<HeaderRows> rebuilt = ReadHeaderIndex(ReceivedStore());
    ASSERT_TRUE(rebuilt.has_value());
    EXPECT_TRUE(SameRows(*rebuilt, store));
}

// Each change keeps what the old index recorded as far as it can.
void RewriteThirdSubject(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(2 * kMail));
    ASSERT_EQ(file.write(EncodeCp932(u"差し替えた件名"_s)), 14);
}
void AppendOne(const QString& path) {
    MailRecord r;
    SetField(r.Subject, u"追加のお知らせ"_s);
    r.Live = 1;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::Append));
    ASSERT_EQ(file.write(reinterpret_cast<const char*>(&r), kMail), kMail);
}
void ReplaceWithACopy(const QString& path) { // same bytes, another file
    ASSERT_TRUE(QFile::copy(path, path + u".copy"_s));
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::rename(path + u".copy"_s, path));
    RewriteThirdSubject(path);
}
const StoreChange kChanges[] = {
    {"RecordRewrittenInPlace", RewriteThirdSubject},
    {"RecordAppended", AppendOne},
    {"FileReplaced", ReplaceWithACopy},
};
INSTANTIATE_TEST_SUITE_P(Index, HeaderIndexStale, ::testing::ValuesIn(kChanges), CaseName);

// A writer killed before its rename leaves "<index>.XXXXXX" behind; the next write removes
// such files once they have sat unchanged for a while, and nothing else beside the store.
TEST(HeaderIndexWrite, RemovesOnlyLeftoverTemporaryFilesOfTheIndex) {
    ricorne::testing::TempAppDir app;
    ASSERT_TRUE(app.IsValid());
    MailRecord r;
    SetField(r.Subject, u"残り物の確認"_s);
    ASSERT_TRUE(AppendRecord(ReceivedStore(), r));
    const QString store = StorePath(ReceivedStore());
    AgeStore(store, 3600);
    const QString index = HeaderIndexPath(ReceivedStore());
    struct Leftover {
        QString path;
        int secondsAgo;
        bool removed;
    };
    const Leftover files[] = {
        {index + u".Ab3dE9"_s, 3600, true},   {index + u".zz0000"_s, 60, true},
        {index + u".Qw1234"_s, 0, false},   // another writer's, still being written
        {index + u".Ab3dE"_s, 3600, false}, // not the pattern
        {index + u".Ab3dE9x"_s, 3600, false}, {index + u".ab-d_9"_s, 3600, false},
        {store + u".Ab3dE9"_s, 3600, false}, // the store's, not the index's
    };
    for (const Leftover& f : files) {
        QFile file(f.path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write("RCNHIDX1 half written"), 21);
        file.close();
        if (f.secondsAgo > 0)
            AgeStore(f.path, f.secondsAgo);
    }
    ASSERT_TRUE(
        WriteHeaderIndex(ReceivedStore(), ReadMailHeaders(ReceivedStore()), platform::StatusOf(store)));
    for (const Leftover& f : files)
        EXPECT_EQ(QFile::exists(f.path), !f.removed) << qPrintable(f.path);
    EXPECT_TRUE(ReadHeaderIndex(ReceivedStore()).has_value());
}

} // namespace
