// The files a check keeps beside the store: the ids of stored mails.

#include "SyncLog.h"
#include "TempAppDir.h"
#include "core/paths/Paths.h"
#include "core/stores/RecordStore.h"
#include "receive/ReceivedUidls.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QTemporaryDir>
#include <cstring>
#include <tuple>

using namespace Qt::StringLiterals;
using namespace ricorne;

namespace {

class ReceiveFilesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(app_.IsValid()); }

    QString AttachFolder() const { return app_.Path() + u"/添付フォルダ"_s; }
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void Write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    ricorne::testing::TempAppDir app_;
};

// A record as the check writes it, with its checksum.
struct WrittenRecord {
    MailRecord record;
    QByteArray sum;
};
WrittenRecord Record(const char* subject) {
    WrittenRecord r;
    std::memset(static_cast<void*>(&r.record), ' ', sizeof r.record);
    std::memcpy(r.record.Subject, subject, std::strlen(subject));
    r.record.LineEnd[0] = '\r';
    r.record.LineEnd[1] = '\n';
    r.record.Live = 1;
    r.sum = ReceivedUidls::RecordSum(reinterpret_cast<const char*>(&r.record), sizeof r.record);
    return r;
}

TEST_F(ReceiveFilesTest, UidlsSurviveReloadAndGoneOnesAreDropped) {
    ReceivedUidls uidls(u"pop.example.jp"_s, u"alice"_s);
    ASSERT_TRUE(uidls.Load()); // no file yet
    EXPECT_EQ(uidls.Size(), 0);
    for (int n = 1; n <= 3; ++n) {
        const WrittenRecord r = Record("mail");
        ASSERT_TRUE(uidls.AddBeforeRecord(u"0000000%1.abc"_s.arg(n), n, r.sum));
        ASSERT_TRUE(WriteRecord(ReceivedStore(), n, r.record));
    }
    ASSERT_TRUE(uidls.Flush());
    EXPECT_TRUE(uidls.Path().startsWith(app_.Path() + u"/★MailData/received-uidl-"_s));

    ReceivedUidls again(u"pop.example.jp"_s, u"alice"_s);
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.Size(), 3);
    // Settled: the record numbers are gone, so a later compaction cannot unsettle them.
    EXPECT_EQ(Read(again.Path()).count('\n'), 3);
    EXPECT_FALSE(Read(again.Path()).contains(' '));
    ASSERT_TRUE(again.KeepOnly({u"00000002.abc"_s, u"00000009.abc"_s}));
    EXPECT_EQ(again.Size(), 1);
    EXPECT_EQ(Read(again.Path()), "00000002.abc\r\n");
    EXPECT_FALSE(again.Contains(u"00000009.abc"_s)); // on the server, never stored

    // Deletions the server committed: the id may come back on a new mail.
    ASSERT_TRUE(again.Forget({u"00000002.abc"_s}));
    EXPECT_EQ(again.Size(), 0);
    EXPECT_FALSE(QFile::exists(again.Path()));
}

// Another account (or server) may use the same ids for other mails.
TEST_F(ReceiveFilesTest, UidlsOfOneAccountNeverCountForAnother) {
    ReceivedUidls alice(u"pop.example.jp"_s, u"alice"_s);
    ASSERT_TRUE(alice.Load());
    ASSERT_TRUE(alice.AddBeforeRecord(u"1"_s, 1, Record("a").sum));
    ASSERT_TRUE(WriteRecord(ReceivedStore(), 1, Record("a").record));

    for (const auto& [server, account, same] :
         {std::tuple{u"POP.Example.JP"_s, u"alice"_s, true}, std::tuple{u"pop.example.jp"_s, u"bob"_s, false},
          std::tuple{u"pop.example.jp"_s, u"Alice"_s, false},
          std::tuple{u"pop.example.jp:110"_s, u"alice"_s, false}}) {
        SCOPED_TRACE((server + u' ' + account).toStdString());
        ReceivedUidls other(server, account);
        ASSERT_TRUE(other.Load());
        EXPECT_EQ(other.Contains(u"1"_s), same);
    }
}

// The line is written before its record; it counts only when that record holds exactly what the
// line's checksum says, whichever side of the record write a kill fell on.
TEST_F(ReceiveFilesTest, UidlCountsOnlyWhenItsRecordIsOnDisk) {
    const WrittenRecord first = Record("first");
    const WrittenRecord second = Record("second");
    const WrittenRecord other = Record("someone else's");
    ReceivedUidls uidls(u"s"_s, u"a"_s);
    ASSERT_TRUE(uidls.Load());
    ASSERT_TRUE(uidls.AddBeforeRecord(u"written"_s, 1, first.sum));
    ASSERT_TRUE(WriteRecord(ReceivedStore(), 1, first.record));
    ASSERT_TRUE(uidls.AddBeforeRecord(u"killed-before-write"_s, 2, second.sum));
    ASSERT_TRUE(uidls.AddBeforeRecord(u"overwritten"_s, 3, second.sum));
    ASSERT_TRUE(WriteRecord(ReceivedStore(), 2, other.record));
    ASSERT_TRUE(WriteRecord(ReceivedStore(), 3, other.record));
    ASSERT_TRUE(uidls.AddBeforeRecord(u"bad-number"_s, 0, first.sum));
    ASSERT_TRUE(uidls.AddBeforeRecord(u"pending"_s, 4, first.sum));
    // A rewrite in the same session (the server committed other deletions) must keep the line
    // waiting for its record, not settle it.
    ASSERT_TRUE(uidls.Forget({u"gone"_s}));

    ReceivedUidls again(u"s"_s, u"a"_s);
    ASSERT_TRUE(again.Load());
    EXPECT_TRUE(again.Contains(u"written"_s));
    EXPECT_FALSE(again.Contains(u"killed-before-write"_s));
    EXPECT_FALSE(again.Contains(u"overwritten"_s));
    EXPECT_FALSE(again.Contains(u"bad-number"_s));
    EXPECT_FALSE(again.Contains(u"pending"_s));
    EXPECT_EQ(Read(again.Path()), "written\r\n"); // what did not count is gone for good

    // Lines an older version wrote carry a SHA-256 of the record; they still count.
    const auto sha256 = [](const WrittenRecord& r) {
        return QCryptographicHash::hash(
                   QByteArrayView(reinterpret_cast<const char*>(&r.record), sizeof r.record),
                   QCryptographicHash::Sha256)
            .toHex();
    };
    ReceivedUidls older(u"older"_s, u"a"_s);
    ASSERT_TRUE(older.Load());
    ASSERT_TRUE(older.AddBeforeRecord(u"stored-before-the-update"_s, 1, sha256(first)));
    ASSERT_TRUE(older.AddBeforeRecord(u"not-that-record"_s, 1, sha256(other)));
    ReceivedUidls olderAgain(u"older"_s, u"a"_s);
    ASSERT_TRUE(olderAgain.Load());
    EXPECT_TRUE(olderAgain.Contains(u"stored-before-the-update"_s));
    EXPECT_FALSE(olderAgain.Contains(u"not-that-record"_s));
}

// The id file is on disk whenever a check relies on it: each line before its record is written
// (the folder too once a line made the file), and a file an earlier check left when a check
// flushes without adding. Ids that must go but cannot be written away take the file with them:
// at worst a mail is stored twice, never deleted unstored.
TEST_F(ReceiveFilesTest, IdFileIsOnDiskWhenReliedOnAndGoesWholeWhenItCannotBeRewritten) {
    ricorne::testing::SyncLog syncs;
    const QString folder = u"★MailData/"_s;
    const WrittenRecord first = Record("first"), second = Record("second");
    ReceivedUidls uidls(u"pop.example.jp"_s, u"alice"_s);
    const QString name = QFileInfo(uidls.Path()).fileName();
    ASSERT_TRUE(uidls.Load());
    ASSERT_TRUE(uidls.AddBeforeRecord(u"uid-1"_s, 1, first.sum));
    ASSERT_TRUE(uidls.Flush());
    const qint64 oneLine = QFileInfo(uidls.Path()).size();
    ASSERT_TRUE(WriteRecord(ReceivedStore(), 1, first.record));
    ASSERT_TRUE(uidls.AddBeforeRecord(u"uid-2"_s, 2, second.sum));
    ASSERT_TRUE(uidls.Flush());
    ASSERT_TRUE(WriteRecord(ReceivedStore(), 2, second.record));
    EXPECT_EQ(syncs.Take(), (QStringList{u"%1 %2"_s.arg(name).arg(oneLine), folder,
                                         u"%1 %2"_s.arg(name).arg(QFileInfo(uidls.Path()).size())}));

    ReceivedUidls next(u"pop.example.jp"_s, u"alice"_s);
    ASSERT_TRUE(next.Load()); // settles the two lines: a rewrite
    (void)syncs.Take();
    ASSERT_TRUE(next.Flush());
    EXPECT_EQ(syncs.Take(), (QStringList{u"%1 %2"_s.arg(name).arg(QFileInfo(uidls.Path()).size()), folder}));

    syncs.Failing() = name + u".tmp-"_s;
    EXPECT_TRUE(next.Forget({u"uid-1"_s}));
    const QStringList forced = syncs.Take();
    ASSERT_EQ(forced.size(), 2);
    EXPECT_TRUE(forced[0].startsWith(name + u".tmp-"_s)) << forced[0].toStdString();
    EXPECT_EQ(forced[1], folder);
    EXPECT_FALSE(QFile::exists(uidls.Path()));
    ReceivedUidls after(u"pop.example.jp"_s, u"alice"_s);
    ASSERT_TRUE(after.Load());
    EXPECT_EQ(after.Size(), 0);
}

TEST_F(ReceiveFilesTest, UidlLineCutShortByACrashDoesNotSwallowTheNextId) {
    ReceivedUidls uidls(u"s"_s, u"a"_s);
    Write(uidls.Path(), "aaa\r\nbb");
    ASSERT_TRUE(uidls.Load());
    EXPECT_FALSE(uidls.Contains(u"bb"_s)); // perhaps the start of another mail's id
    ASSERT_TRUE(uidls.AddBeforeRecord(u"ccc"_s, 1, Record("c").sum));
    ASSERT_TRUE(WriteRecord(ReceivedStore(), 1, Record("c").record));
    ReceivedUidls again(u"s"_s, u"a"_s);
    ASSERT_TRUE(again.Load());
    EXPECT_TRUE(again.Contains(u"aaa"_s));
    EXPECT_TRUE(again.Contains(u"ccc"_s));
    EXPECT_FALSE(again.Contains(u"bbccc"_s));
}

} // namespace
