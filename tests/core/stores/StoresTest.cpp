#include "SyncLog.h"
#include "TempAppDir.h"
#include "core/paths/Paths.h"
#include "core/paths/ProgramFolderLock.h"
#include "core/stores/RecordBuffers.h"
#include "core/stores/RecordStore.h"
#include "core/stores/StoreAppender.h"
#include "core/text/Text.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace ricorne;

namespace {

constexpr qint64 kMail = sizeof(MailRecord);

class StoresTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(app_.IsValid());
        root_ = app_.Path();
    }

    QString Data(const QString& name) const { return root_ + u"/★MailData/"_s + name; }
    qint64 Size(const QString& name) const { return QFileInfo(Data(name)).size(); }
    QStringList DataFiles() const { return QDir(root_ + u"/★MailData"_s).entryList(QDir::Files, QDir::Name); }

    static MailRecord Mail(const QString& subject) {
        MailRecord r;
        SetField(r.Subject, subject);
        SetField(r.DateText, u"Mon, 1 Apr 2024 09:00:00 +0900"_s);
        SetField(r.Address, u"sender@example.jp"_s);
        SetField(r.Body, u"本文 "_s + subject);
        return r;
    }
    void AppendMails(const StoreDescriptor& store, int count, int first = 1) {
        for (int i = first; i < first + count; ++i)
            ASSERT_EQ(AppendRecord(store, Mail(u"件名%1"_s.arg(i))).number, i);
    }
    QStringList Subjects(const StoreDescriptor& store) {
        QStringList subjects;
        MailRecord buffer;
        EXPECT_TRUE(ReadRecords(store, buffer, [&](int n) {
            EXPECT_EQ(n, subjects.size() + 1);
            EXPECT_EQ(buffer.Live, 1);
            subjects.append(Trim(FieldText(buffer.Subject)));
        }));
        return subjects;
    }

    ricorne::testing::TempAppDir app_;
    QString root_;
};

TEST_F(StoresTest, FieldsAreFixedWidthCp932) {
    MailRecord r;
    const QString subject = QString(60, u'漢'); // 120 bytes in CP932
    SetField(r.Subject, subject);
    SetField(r.Address, u"a@b.jp"_s);
    EXPECT_EQ(FieldBytes(r.Subject), EncodeCp932(subject).left(100));
    EXPECT_EQ(FieldText(r.Subject), QString(50, u'漢'));
    EXPECT_EQ(FieldBytes(r.Address), QByteArray("a@b.jp") + QByteArray(84, ' '));
    EXPECT_EQ(Trim(FieldText(r.Address)), u"a@b.jp"_s);

    AddressRecord a;
    SetField(a.Name, u"山田太郎"_s);
    SetField(a.MailAddress, u"taro@example.jp"_s);
    const char* bytes = reinterpret_cast<const char*>(&a);
    EXPECT_EQ(QByteArray(bytes + 90, 4), QByteArray("\x0d\x0a\x01\x00", 4));
    EXPECT_EQ(QByteArray(bytes, 8), EncodeCp932(u"山田太郎"_s));
    EXPECT_EQ(QByteArray(bytes + 94, 15), QByteArray("taro@example.jp"));
}

TEST_F(StoresTest, MissingStoreIsEmptyAndNotCreatedByReading) {
    EXPECT_EQ(NextRecordNumber(ReceivedStore()), 1);
    EXPECT_TRUE(Subjects(ReceivedStore()).isEmpty());
    EXPECT_TRUE(ReadMailHeaders(ReceivedStore()).isEmpty());
    EXPECT_TRUE(CompactStore(ReceivedStore()));
    EXPECT_TRUE(FlushStore(ReceivedStore()));
    EXPECT_TRUE(DataFiles().isEmpty());
}

TEST_F(StoresTest, AppendNumbersFromFileLength) {
    AppendMails(ReceivedStore(), 3);
    EXPECT_EQ(Size(u"klmdata2.data"_s), 96852);
    EXPECT_EQ(NextRecordNumber(ReceivedStore()), 4);
    MailRecord r = Mail(u"四通目"_s);
    r.Live = 0; // an append always writes a live record with CR LF
    r.LineEnd[0] = 'x';
    const AppendResult result = AppendRecord(ReceivedStore(), r);
    ASSERT_TRUE(result);
    EXPECT_EQ(result.number, 4);
    EXPECT_EQ(Size(u"klmdata2.data"_s), 129136);
    MailRecord back;
    ASSERT_TRUE(ReadRecord(ReceivedStore(), 4, back));
    EXPECT_EQ(std::memcmp(back.LineEnd, "\r\n", 2), 0);
    EXPECT_EQ(Subjects(ReceivedStore()), (QStringList{u"件名1"_s, u"件名2"_s, u"件名3"_s, u"四通目"_s}));
    EXPECT_FALSE(ReadRecord(ReceivedStore(), 5, back));
    ASSERT_TRUE(FlushStore(ReceivedStore()));
}

TEST_F(StoresTest, StoresAreFoundUnderEitherSpelling) {
    // The address store as another spelling wrote it, in a folder spelt differently again.
    ASSERT_TRUE(QDir(root_).rename(u"★MailData"_s, u"★MAILDATA"_s));
    AddressRecord a;
    SetField(a.Name, u"花子"_s);
    {
        QFile file(root_ + u"/★MAILDATA/klmdata20.data"_s);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(&a), sizeof a);
    }
    EXPECT_EQ(NextRecordNumber(AddressStore()), 2);
    ASSERT_TRUE(AppendRecord(AddressStore(), a));
    EXPECT_EQ(QDir(root_ + u"/★MAILDATA"_s).entryList(QDir::Files), QStringList{u"klmdata20.data"_s});
    EXPECT_EQ(QFileInfo(root_ + u"/★MAILDATA/klmdata20.data"_s).size(), 368);
}

TEST_F(StoresTest, DeletingKeepsOrderRenumbersAndLeavesNoTemporaryFile) {
    AppendMails(SentStore(), 4);
    MailRecord& buffer = SentBuffer();
    ASSERT_TRUE(ReadRecord(SentStore(), 2, buffer));
    ASSERT_TRUE(MarkDeleted(SentStore(), 2, buffer));
    EXPECT_EQ(buffer.Live, 1); // the variable itself is left alone
    ASSERT_TRUE(CompactStore(SentStore()));
    EXPECT_EQ(Subjects(SentStore()), (QStringList{u"件名1"_s, u"件名3"_s, u"件名4"_s}));
    EXPECT_EQ(DataFiles(), QStringList{u"klmdata5.data"_s});
    EXPECT_EQ(Size(u"klmdata5.data"_s), 3 * kMail);

    // Several at once, including the first and the last.
    AppendMails(SentStore(), 2, 4);
    for (int n : {1, 5}) {
        ASSERT_TRUE(ReadRecord(SentStore(), n, buffer));
        ASSERT_TRUE(MarkDeleted(SentStore(), n, buffer));
    }
    ASSERT_TRUE(CompactStore(SentStore()));
    EXPECT_EQ(Subjects(SentStore()), (QStringList{u"件名3"_s, u"件名4"_s, u"件名4"_s}));
    EXPECT_FALSE(MarkDeleted(SentStore(), 4, buffer)); // beyond the store: refused, no growth
    EXPECT_EQ(Size(u"klmdata5.data"_s), 3 * kMail);
}

TEST_F(StoresTest, AddressStoreCompactsOnItsOwnLiveField) {
    for (const QString& name : {u"一"_s, u"二"_s, u"三"_s}) {
        AddressRecord a;
        SetField(a.Name, name);
        ASSERT_TRUE(AppendRecord(AddressStore(), a));
    }
    AddressRecord& buffer = AddressBuffer();
    ASSERT_TRUE(ReadRecord(AddressStore(), 1, buffer));
    ASSERT_TRUE(MarkDeleted(AddressStore(), 1, buffer));
    ASSERT_TRUE(CompactStore(AddressStore()));
    QStringList names;
    ASSERT_TRUE(
        ReadRecords(AddressStore(), buffer, [&](int) { names.append(Trim(FieldText(buffer.Name))); }));
    EXPECT_EQ(names, (QStringList{u"二"_s, u"三"_s}));
    EXPECT_EQ(DataFiles(), QStringList{u"Klmdata20.data"_s});
}

// A change reported done is on disk, so that a power cut after the report loses nothing: the
// file's bytes at their final size, then the folder whenever a name was made or moved. One
// whose bytes cannot be forced to disk is reported failed and leaves the store as it was.
TEST_F(StoresTest, EveryChangeIsOnDiskBeforeItIsReportedDone) {
    ricorne::testing::SyncLog syncs;
    const QString folder = u"★MailData/"_s;
    AppendMails(ReceivedStore(), 3);
    ASSERT_TRUE(FlushStore(ReceivedStore()));
    EXPECT_EQ(syncs.Take(), (QStringList{u"klmdata2.data %1"_s.arg(3 * kMail), folder}));
    {
        // A check's appender: the folder only after the flush that made the file.
        StoreAppender appender(SentStore());
        ASSERT_TRUE(appender.Append(Mail(u"一"_s)) && appender.Append(Mail(u"二"_s)) && appender.Flush());
        ASSERT_TRUE(appender.Append(Mail(u"三"_s)) && appender.Flush());
        // Asked for the whole store, it forces what others wrote as well.
        ASSERT_TRUE(StoreAppender(SentStore()).Flush(true));
    }
    EXPECT_EQ(syncs.Take(),
              (QStringList{u"klmdata5.data %1"_s.arg(2 * kMail), folder, u"klmdata5.data %1"_s.arg(3 * kMail),
                           u"klmdata5.data %1"_s.arg(3 * kMail), folder}));

    // A deletion: the survivors in the temporary file, then the rename in the folder.
    QByteArray chosen(int(kMail), '\0');
    ASSERT_TRUE(ReadRecordBytes(ReceivedStore(), 2, chosen.data()));
    ASSERT_EQ(DeleteChosenRecord(ReceivedStore(), 2, chosen).outcome, DeleteOutcome::Deleted);
    EXPECT_EQ(syncs.Take(), (QStringList{u"KLMDATA2.TMP %1"_s.arg(2 * kMail), folder}));

    // The good copy an older program's compaction left instead of the store is put back.
    ASSERT_TRUE(QFile::rename(Data(u"klmdata2.data"_s), Data(u"KLMDATA2.TMP"_s)));
    EXPECT_EQ(RecordCount(ReceivedStore()), 2);
    EXPECT_EQ(syncs.Take(), QStringList{folder});
    // One from some other time is set aside under a new name.
    {
        QFile stale(Data(u"KLMDATA2.TMP"_s));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly) && stale.write(QByteArray(int(kMail), 'x')) == kMail);
    }
    EXPECT_EQ(RecordCount(ReceivedStore()), 2);
    EXPECT_EQ(syncs.Take(), QStringList{folder});
    EXPECT_FALSE(TakeStoreNotice().isEmpty());
    ASSERT_TRUE(QFile::remove(Data(u"KLMDATA2.TMP.old1"_s)));

    // The survivors cannot reach the disk: nothing deleted, nothing left beside the store.
    AppendMails(ReceivedStore(), 1, 3);
    QFile store(Data(u"klmdata2.data"_s));
    ASSERT_TRUE(store.open(QIODevice::ReadOnly));
    const QByteArray before = store.readAll();
    syncs.Failing() = u"KLMDATA2.TMP"_s;
    ASSERT_TRUE(ReadRecordBytes(ReceivedStore(), 1, chosen.data()));
    EXPECT_EQ(DeleteChosenRecord(ReceivedStore(), 1, chosen).outcome, DeleteOutcome::Failed);
    // The record made live again is forced to disk as well.
    EXPECT_EQ(syncs.Take(), (QStringList{u"KLMDATA2.TMP %1"_s.arg(2 * kMail),
                                         u"klmdata2.data %1"_s.arg(3 * kMail), folder}));
    EXPECT_EQ(DataFiles(), (QStringList{u"klmdata2.data"_s, u"klmdata5.data"_s}));
    ASSERT_TRUE(store.seek(0));
    EXPECT_EQ(store.readAll(), before);
}

TEST_F(StoresTest, TemporaryFileOfAnOlderCrashIsRestoredBeforeReading) {
    AppendMails(ReceivedStore(), 3);
    // The older program copied the store to the temporary file, then removed the store.
    ASSERT_TRUE(QFile::rename(Data(u"klmdata2.data"_s), Data(u"KLMDATA2.TMP"_s)));
    EXPECT_EQ(Subjects(ReceivedStore()), (QStringList{u"件名1"_s, u"件名2"_s, u"件名3"_s}));
    EXPECT_EQ(DataFiles(), QStringList{u"klmdata2.data"_s});

    // Or it had begun rewriting the store: the full temporary copy is the good one.
    ASSERT_TRUE(QFile::copy(Data(u"klmdata2.data"_s), Data(u"KLMDATA2.TMP"_s)));
    ASSERT_TRUE(QFile::resize(Data(u"klmdata2.data"_s), kMail + 10));
    EXPECT_EQ(NextRecordNumber(ReceivedStore()), 4);
    EXPECT_EQ(DataFiles(), QStringList{u"klmdata2.data"_s});
}

// A mail check holds the folder lock and looks for a compaction's leftover once, not before
// every record; what is left between two holdings is still repaired at the next one, and a
// compaction inside a holding keeps counting right.
TEST_F(StoresTest, LeftoversAreRepairedAtEveryNewHoldingOfTheFolderLock) {
    AppendMails(ReceivedStore(), 3);
    {
        const ProgramFolderLock lock;
        ASSERT_EQ(lock.state(), ProgramFolderLock::State::Held);
        EXPECT_EQ(RecordCount(ReceivedStore()), 3);
        ASSERT_TRUE(MarkDeleted(ReceivedStore(), 2, Mail(u"件名2"_s)));
        ASSERT_TRUE(CompactStore(ReceivedStore()));
        EXPECT_EQ(NextRecordNumber(ReceivedStore()), 3);
        EXPECT_EQ(AppendRecord(ReceivedStore(), Mail(u"件名4"_s)).number, 3);
    }
    // An older program's compaction cut off after it removed the store.
    ASSERT_TRUE(QFile::rename(Data(u"klmdata2.data"_s), Data(u"KLMDATA2.TMP"_s)));
    {
        const ProgramFolderLock lock;
        ASSERT_EQ(lock.state(), ProgramFolderLock::State::Held);
        EXPECT_EQ(RecordCount(ReceivedStore()), 3);
        EXPECT_EQ(DataFiles(), (QStringList{u"klmdata2.data"_s, u"ricorne.lock"_s}));
    }
    EXPECT_EQ(Subjects(ReceivedStore()), (QStringList{u"件名1"_s, u"件名3"_s, u"件名4"_s}));
}

TEST_F(StoresTest, AppendAfterABrokenTailOverwritesIt) {
    AppendMails(ReceivedStore(), 2);
    {
        QFile file(Data(u"klmdata2.data"_s));
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(QByteArray(20000, '#')); // 2.62 records: rounding would give 4
    }
    EXPECT_EQ(Subjects(ReceivedStore()).size(), 2);
    EXPECT_EQ(NextRecordNumber(ReceivedStore()), 3);
    ASSERT_EQ(AppendRecord(ReceivedStore(), Mail(u"次"_s)).number, 3);
    EXPECT_EQ(Size(u"klmdata2.data"_s), 3 * kMail);
    EXPECT_EQ(Subjects(ReceivedStore()), (QStringList{u"件名1"_s, u"件名2"_s, u"次"_s}));
}

TEST_F(StoresTest, FullStoreRefusesAppendWithoutWriting) {
    {
        QFile file(Data(u"klmdata2.data"_s));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(qint64(kMaxRecordNumber - 1) * kMail)); // sparse
    }
    const AppendResult last = AppendRecord(ReceivedStore(), Mail(u"最後"_s));
    ASSERT_TRUE(last);
    EXPECT_EQ(last.number, kMaxRecordNumber);
    EXPECT_EQ(NextRecordNumber(ReceivedStore()), kMaxRecordNumber + 1);
    const AppendResult refused = AppendRecord(ReceivedStore(), Mail(u"溢れ"_s));
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.status, AppendStatus::StoreFull);
    EXPECT_EQ(Size(u"klmdata2.data"_s), qint64(kMaxRecordNumber) * kMail);
    EXPECT_FALSE(WriteRecord(ReceivedStore(), kMaxRecordNumber + 1, Mail(u"溢れ"_s)));
    EXPECT_EQ(Size(u"klmdata2.data"_s), qint64(kMaxRecordNumber) * kMail);
}

TEST_F(StoresTest, WriteFailuresAreReported) {
    if (!QFileInfo::exists(u"/dev/full"_s))
        GTEST_SKIP() << "no /dev/full";
    ASSERT_TRUE(QFile::link(u"/dev/full"_s, Data(u"klmdata2.data"_s))); // every write: disk full
    const AppendResult result = AppendRecord(ReceivedStore(), Mail(u"x"_s));
    EXPECT_EQ(result.status, AppendStatus::WriteFailed);
    EXPECT_EQ(result.number, 0);

    // Room for part of a record only: the part is cut away again, no broken tail stays.
    AppendMails(SentStore(), 2);
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = rlim_t(2 * kMail + kMail / 2);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const AppendResult cut = AppendRecord(SentStore(), Mail(u"三"_s));
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(cut.status, AppendStatus::WriteFailed);
    EXPECT_EQ(Size(u"klmdata5.data"_s), 2 * kMail);

    // No data folder: not even the folder lock can be taken, and nothing is written without it.
    SetAppDir(root_ + u"/nowhere"_s);
    const AppendResult unlocked = AppendRecord(SentStore(), Mail(u"x"_s));
    EXPECT_EQ(unlocked.status, AppendStatus::Locked);
    EXPECT_EQ(unlocked.lockState, ProgramFolderLock::State::Unavailable);
}

TEST_F(StoresTest, HeadersListSubjectDateAddressAndLive) {
    AppendMails(ReceivedStore(), 3);
    MailRecord r;
    ASSERT_TRUE(ReadRecord(ReceivedStore(), 3, r));
    ASSERT_TRUE(MarkDeleted(ReceivedStore(), 3, r));
    {
        QFile file(Data(u"klmdata2.data"_s));
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(QByteArray(300, 'x')); // an incomplete tail is not a header
    }
    const QVector<MailHeader> headers = ReadMailHeaders(ReceivedStore());
    ASSERT_EQ(headers.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(headers[i].number, i + 1);
        EXPECT_EQ(Trim(headers[i].Subject()), u"件名%1"_s.arg(i + 1));
        EXPECT_EQ(Trim(headers[i].DateText()), u"Mon, 1 Apr 2024 09:00:00 +0900"_s);
        EXPECT_EQ(Trim(headers[i].Address()), u"sender@example.jp"_s);
        EXPECT_EQ(headers[i].live, i < 2 ? 1 : 0);
    }
    EXPECT_TRUE(ReadMailHeaders(AddressStore()).isEmpty()); // not a mail store
}

} // namespace

// What a leftover compaction temporary file means depends on how it relates to the store: the
// store must never lose records to a temporary file it has moved on from.
struct TempCase {
    const char* name;
    const char* temp;  // subjects, "-" before a deleted one
    const char* store; // subjects; "~X" at the end: the first half of record X only
    const char* live;  // live subjects after any read
    bool tempKept;     // moved aside as KLMDATA2.TMP.old1 with a notice
};

class CompactionLeftovers : public StoresTest, public ::testing::WithParamInterface<TempCase> {
protected:
    static QByteArray Records(const QString& layout) {
        QByteArray bytes;
        for (const QString& word : layout.split(u' ', Qt::SkipEmptyParts)) {
            const bool half = word.startsWith(u'~');
            MailRecord r = Mail(u"件名"_s + word.back());
            r.LineEnd[0] = '\r';
            r.LineEnd[1] = '\n';
            r.Live = word.startsWith(u'-') ? 0 : 1;
            bytes += QByteArray(reinterpret_cast<const char*>(&r), half ? kMail / 2 : kMail);
        }
        return bytes;
    }
    void Put(const QString& name, const QByteArray& bytes) {
        QFile file(Data(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    QStringList LiveSubjects() {
        QStringList subjects;
        for (const MailHeader& h : ReadMailHeaders(ReceivedStore())) {
            if (h.live != 0)
                subjects << Trim(h.Subject()).remove(u"件名"_s);
        }
        return subjects;
    }
};

TEST_P(CompactionLeftovers, StoreKeepsItsNewestRecords) {
    const TempCase& c = GetParam();
    (void)TakeStoreNotice();
    Put(u"KLMDATA2.TMP"_s, Records(QString::fromUtf8(c.temp)));
    Put(u"klmdata2.data"_s, Records(QString::fromUtf8(c.store)));
    EXPECT_EQ(LiveSubjects(), QString::fromUtf8(c.live).split(u' ', Qt::SkipEmptyParts));
    const QString notice = TakeStoreNotice();
    if (c.tempKept) {
        EXPECT_EQ(DataFiles(), (QStringList{u"KLMDATA2.TMP.old1"_s, u"klmdata2.data"_s}));
        EXPECT_TRUE(notice.contains(u"KLMDATA2.TMP.old1"_s)) << notice.toStdString();
        EXPECT_TRUE(notice.contains(u"klmdata2.data"_s)) << notice.toStdString();
    } else {
        EXPECT_EQ(DataFiles(), QStringList{u"klmdata2.data"_s});
        EXPECT_TRUE(notice.isEmpty()) << notice.toStdString();
    }
    // Settled: the next access finds nothing more to do.
    EXPECT_EQ(LiveSubjects(), QString::fromUtf8(c.live).split(u' ', Qt::SkipEmptyParts));
    EXPECT_TRUE(TakeStoreNotice().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Stores, CompactionLeftovers,
    ::testing::Values(
        // An older-style compaction (copy, remove, rewrite) cut off: the temporary file is whole.
        TempCase{"CutWhileRewriting", "A -B C D", "A", "A C D", false},
        TempCase{"CutInsideARecord", "A -B C", "A ~C", "A C", false},
        TempCase{"StoreNotYetWritten", "A -B C", "", "A C", false},
        TempCase{"FinishedButTempLeft", "A -B C", "A C", "A C", false},
        // Ours writes the survivors to the temporary file, then renames: cut off before that.
        TempCase{"OursCutBeforeRename", "A C", "A -B C D", "A C D", false},
        TempCase{"OursCutInsideARecord", "A ~C", "A -B C", "A C", false},
        // Leftovers the store has moved on from.
        TempCase{"StaleBesideNewerStore", "A B C D E", "F G", "F G", true},
        TempCase{"StaleWithSameStart", "A B C", "A X", "A X", true}),
    [](const ::testing::TestParamInfo<TempCase>& info) { return std::string(info.param.name); });

TEST_F(StoresTest, AStaleTemporaryFileIsSetAsideEvenByAReadAndNeverOverAnother) {
    (void)TakeStoreNotice();
    AppendMails(ReceivedStore(), 2);
    for (const QString& aside : {u"KLMDATA2.TMP.old1"_s, u"KLMDATA2.TMP.old2"_s}) {
        QFile temp(Data(u"KLMDATA2.TMP"_s));
        ASSERT_TRUE(temp.open(QIODevice::WriteOnly));
        temp.write(QByteArray(5 * kMail, '\x01'));
        temp.close();
        EXPECT_EQ(ReadMailHeaders(ReceivedStore()).size(), 2);
        EXPECT_TRUE(QFileInfo::exists(Data(aside)));
        EXPECT_TRUE(TakeStoreNotice().contains(aside));
    }
    EXPECT_EQ(Subjects(ReceivedStore()), (QStringList{u"件名1"_s, u"件名2"_s}));
}

int ModeOf(const QString& path) {
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

TEST(PrivateFiles, StoresAreOwnerOnlyAndDataFoldersTooWhateverTheUmask) {
    ricorne::testing::TempAppDir dir(ricorne::testing::TempAppDir::Layout::Empty);
    ASSERT_TRUE(dir.IsValid());
    const mode_t oldMask = ::umask(0);
    // A folder laid out by the build with the usual permissions is tightened; missing ones are made so.
    ASSERT_TRUE(QDir().mkdir(dir.Path() + u"/★MailData"_s));
    ::chmod(QFile::encodeName(dir.Path() + u"/★MailData"_s).constData(), 0755);
    EXPECT_TRUE(EnsureInstalledFolders());
    for (const QString& folder : {u"★MailData"_s, u"添付フォルダ"_s, u"顔文字データ"_s, u"■TextQuickSave"_s})
        EXPECT_EQ(ModeOf(dir.Path() + u'/' + folder), 0700) << folder.toStdString();

    MailRecord r;
    SetField(r.Subject, u"秘密"_s);
    ASSERT_TRUE(AppendRecord(ReceivedStore(), r));
    ASSERT_TRUE(AppendRecord(ReceivedStore(), r));
    EXPECT_EQ(ModeOf(StorePath(ReceivedStore())), 0600);
    ASSERT_TRUE(MarkDeleted(ReceivedStore(), 1, r));
    ASSERT_TRUE(CompactStore(ReceivedStore()));
    EXPECT_EQ(RecordCount(ReceivedStore()), 1);
    EXPECT_EQ(ModeOf(StorePath(ReceivedStore())), 0600);
    ::umask(oldMask);
}
