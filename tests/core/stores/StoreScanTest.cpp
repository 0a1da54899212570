// Listing and compaction read one small field per record; whether the file is in the page
// cache or not, they must see every record's header and Live flag exactly.
#include "TempAppDir.h"
#include "core/paths/Paths.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"

#include <gtest/gtest.h>

#include <QFile>

#include <fcntl.h>
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

// Compaction writes every body out again, so it runs on small stores only.
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

} // namespace
