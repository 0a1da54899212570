// Reading a store never crashes or hangs, whatever lies where the store should be: a cut-off
// file, garbage, a huge sparse file, a folder, a file nobody may read. Each ends with the
// records it could read or a clear message, and the file is left exactly as it was.
#include "TempAppDir.h"
#include "ToolRunner.h"
#include "core/stores/RecordField.h"
#include "core/stores/RecordStore.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::testing;

namespace {

constexpr qint64 kRecord = sizeof(MailRecord);

// What a file (or folder) looks like, to tell that nobody changed it.
struct Snapshot {
    bool exists = false;
    bool dir = false;
    qint64 size = -1;
    qint64 mtimeNs = 0;
    QByteArray head; // hash of the first 1 MB
    bool operator==(const Snapshot&) const = default;
};
Snapshot Take(const QString& path) {
    Snapshot s;
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return s;
    s.exists = true;
    s.dir = S_ISDIR(st.st_mode);
    s.size = st.st_size;
    s.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    QFile f(path);
    if (!s.dir && f.open(QIODevice::ReadOnly))
        s.head = QCryptographicHash::hash(f.read(1 << 20), QCryptographicHash::Sha256);
    return s;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray MailBytes(const QString& subject) {
    auto record = std::make_unique<MailRecord>();
    SetField(record->Subject, subject);
    SetField(record->Body, u"本文 "_s + subject);
    record->LineEnd[0] = '\r';
    record->LineEnd[1] = '\n';
    record->Live = 1;
    return QByteArray(reinterpret_cast<const char*>(record.get()), kRecord);
}

struct OddStore {
    const char* name;
    // Lays the odd thing down where the store (or its temporary file) goes.
    std::function<bool(const QString& store, const QString& temp)> make;
    int listed;            // records listed, or -1 when the read must fail with a message
    bool needsNonRoot;     // meaningless for root, who may read anything
    bool listWhole = true; // list prints every body: 1 GB of them is too slow for the suite
};

const OddStore kOdd[] = {
    {"CutOffInsideARecord",
     [](const QString& store, const QString&) {
         return WriteFile(store, MailBytes(u"一件目"_s) + MailBytes(u"二件目"_s) +
                                     MailBytes(u"三件目"_s).left(5000));
     },
     2, false},
    {"Garbage",
     [](const QString& store, const QString&) {
         QByteArray bytes(int(kRecord * 3 + 777), Qt::Uninitialized);
         QRandomGenerator random(16);
         for (char& c : bytes)
             c = char(random.bounded(256));
         return WriteFile(store, bytes);
     },
     3, false},
    {"SparseHundredGigabytes",
     [](const QString& store, const QString&) {
         QFile f(store);
         return f.open(QIODevice::WriteOnly) && f.write(MailBytes(u"先頭"_s)) == kRecord &&
                f.resize(qint64(100) << 30);
     },
     kMaxRecordNumber, false, false},
    {"FolderWhereTheStoreShouldBe", [](const QString& store, const QString&) { return QDir().mkdir(store); },
     -1, false},
    {"FolderWhereTheTemporaryFileShouldBe",
     [](const QString& store, const QString& temp) {
         return WriteFile(store, MailBytes(u"一件目"_s)) && QDir().mkdir(temp);
     },
     1, false},
    {"GarbageTemporaryFile",
     [](const QString& store, const QString& temp) {
         return WriteFile(store, MailBytes(u"一件目"_s)) && WriteFile(temp, QByteArray(100, '\xff'));
     },
     1, false},
    {"NobodyMayRead",
     [](const QString& store, const QString&) {
         return WriteFile(store, MailBytes(u"一件目"_s)) &&
                ::chmod(QFile::encodeName(store).constData(), 0) == 0;
     },
     -1, true},
};

class StoreReaderTest : public ::testing::TestWithParam<OddStore> {
protected:
    void SetUp() override { ASSERT_TRUE(app_.IsValid()); }
    TempAppDir app_;
};

TEST_P(StoreReaderTest, ListsWhatItCanOrSaysWhyAndLeavesTheFileAlone) {
    const OddStore& odd = GetParam();
    if (odd.needsNonRoot && ::geteuid() == 0)
        GTEST_SKIP() << "root may read anything";
    const QString store = StorePath(ReceivedStore());
    const QString temp = StoreTempPath(ReceivedStore());
    ASSERT_TRUE(odd.make(store, temp));
    const Snapshot storeBefore = Take(store);
    const Snapshot tempBefore = Take(temp);

    if (odd.listWhole) {
        const ToolRun run = RunTool({u"list"_s, u"--appdir"_s, app_.Path(), u"received"_s});
        if (odd.listed >= 0) {
            EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
            EXPECT_EQ(run.out.count("\"n\":"), odd.listed);
        } else {
            EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
            // Names the file and the cause, in a line a person can act on.
            EXPECT_TRUE(run.err.contains(QFileInfo(store).fileName().toUtf8())) << run.err.toStdString();
            EXPECT_LT(run.err.size(), 1000);
        }
    }
    EXPECT_TRUE(Take(store) == storeBefore);
    // A temporary file that is not ours to judge stays where it is.
    if (odd.listed < 0 || tempBefore.dir) {
        EXPECT_TRUE(Take(temp) == tempBefore);
    }

    // The program's own readers, in this process, agree and return.
    const int count = RecordCount(ReceivedStore());
    const QVector<MailHeader> headers = ReadMailHeaders(ReceivedStore());
    if (odd.listed >= 0) {
        EXPECT_EQ(qMin(count, kMaxRecordNumber), odd.listed);
        EXPECT_EQ(headers.size(), odd.listed);
    } else {
        EXPECT_EQ(headers.size(), 0);
    }
    EXPECT_TRUE(Take(store) == storeBefore);
    ::chmod(QFile::encodeName(store).constData(), 0600);
}

INSTANTIATE_TEST_SUITE_P(Files, StoreReaderTest, ::testing::ValuesIn(kOdd),
                         [](const ::testing::TestParamInfo<OddStore>& info) {
                             return std::string(info.param.name);
                         });

} // namespace

namespace {

// An address book longer than record numbers reach (another program made it): the listing gives
// the full count and does not pass for the whole store; without the folder lock nothing is
// deleted; with it, deleting entry 1 keeps every other entry, those past 32767 too.
TEST(OverLongStore, ToolCountsEveryEntryAndDeletesOnlyTheChosenUnderTheLock) {
    TempAppDir app;
    ASSERT_TRUE(app.IsValid());
    constexpr int kEntries = kMaxRecordNumber + 33;
    QByteArray bytes;
    bytes.reserve(kEntries * int(sizeof(AddressRecord)));
    for (int i = 1; i <= kEntries; ++i) {
        AddressRecord r{};
        SetField(r.Name, u"名前%1"_s.arg(i));
        SetField(r.MailAddress, u"user%1@example.jp"_s.arg(i));
        r.LineEnd[0] = '\r';
        r.LineEnd[1] = '\n';
        r.Live = 1;
        bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
    }
    const QString store = StorePath(AddressStore());
    ASSERT_TRUE(WriteFile(store, bytes));

    const ToolRun list = RunTool({u"list"_s, u"--appdir"_s, app.Path(), u"addresses"_s});
    EXPECT_EQ(list.exitCode, 1);
    EXPECT_TRUE(list.err.contains(QByteArray::number(kEntries))) << list.err.toStdString();
    EXPECT_EQ(list.out.count("\"n\":"), kMaxRecordNumber);

    const QString lock = app.DataDir() + u"/ricorne.lock"_s;
    ASSERT_TRUE(QDir().mkdir(lock));
    const ToolRun refused = RunTool({u"delete"_s, u"--appdir"_s, app.Path(), u"addresses"_s, u"1"_s});
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(refused.err.contains("ricorne.lock")) << refused.err.toStdString();
    ASSERT_TRUE(QDir().rmdir(lock));
    QFile before(store);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    EXPECT_TRUE(before.readAll() == bytes);
    before.close();

    const ToolRun deleted = RunTool({u"delete"_s, u"--appdir"_s, app.Path(), u"addresses"_s, u"1"_s});
    EXPECT_EQ(deleted.exitCode, 0) << deleted.err.toStdString();
    QFile after(store);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_TRUE(after.readAll() == bytes.mid(int(sizeof(AddressRecord))));
}

} // namespace
