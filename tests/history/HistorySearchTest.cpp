// The history search over the stored bytes: Japanese folding, spellings CP932 holds twice, the
// text a trail byte only looks like, NUL-cut fields, several words, and a store changed between
// two searches of one process.
#include "history/HistorySearch.h"
#include "StoreFixture.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace ricorne {
namespace {

class HistorySearchTest : public StoreFixture {};

struct FoldRow {
    QString stored; // the body (or "subject:..." / "from:..." for those fields)
    QString query;
    bool kana;
    bool hit;
};

MailRecord RecordFor(const QString& stored) {
    if (stored.startsWith(u"subject:"))
        return MakeRecord(stored.mid(8), u"xyz@xyz.jp"_s, u"日付"_s, u"本文"_s);
    if (stored.startsWith(u"from:"))
        return MakeRecord(u"件名"_s, stored.mid(5), u"日付"_s, u"本文"_s);
    return MakeRecord(u"件名"_s, u"xyz@xyz.jp"_s, u"2024/04/01  9:00:00"_s, stored);
}

TEST_F(HistorySearchTest, FindsWhatTheFoldedTextHoldsAndNothingElse) {
    const FoldRow rows[] = {
        {u"subject:めーるの件"_s, u"メール"_s, true, true},
        {u"subject:めーるの件"_s, u"メール"_s, false, false},
        {u"ﾒｰﾙが届きました"_s, u"メール"_s, true, true},
        {u"メールが届きました"_s, u"ﾒｰﾙ"_s, true, true},
        {u"ｶﾞｲﾄﾞﾌﾞｯｸ"_s, u"がいどぶっく"_s, true, true},
        {u"ｶｲﾄﾌﾞｯｸ"_s, u"ガイド"_s, true, false}, // ｶ then ｲ: no voiced mark, no ガ
        {u"from:ＴＡＮＡＫＡ＠ｅｘａｍｐｌｅ．ｊｐ"_s, u"tanaka@Example.JP"_s, true, true},
        {u"from:ＴＡＮＡＫＡ"_s, u"tanaka"_s, false, false},
        {u"From Tanaka"_s, u"TANAKA"_s, false, true}, // ASCII case is always ignored
        // ア is 0x83 0x41: its trail byte is "A", which is not a letter of the text.
        {u"アイウエオ"_s, u"a"_s, true, false},
        {u"アイウエオ"_s, u"a"_s, false, false},
        // U+301C and U+FF5E are one CP932 code; the store reads it back as U+FF5E.
        {u"10時～12時"_s, u"時\u301C12"_s, true, true},
        {u"見える部分\0隠れた部分"_s, u"隠れた"_s, true, false}, // the viewer shows up to the NUL
        {u"見える部分\0隠れた部分"_s, u"見える"_s, true, true},
    };
    for (const FoldRow& row : rows) {
        SCOPED_TRACE((row.stored + u" / "_s + row.query).toStdString());
        QFile::remove(StorePath(ReceivedStore()));
        Put(ReceivedStore(), 1, MakeRecord(u"前の便り"_s, u"xyz@xyz.jp"_s, u"日付"_s, u"本文"_s));
        Put(ReceivedStore(), 2, RecordFor(row.stored));
        bool ok = false;
        const QVector<int> hits = SearchStore(ReceivedStore(), row.query, row.kana, &ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(hits, row.hit ? QVector<int>{2} : QVector<int>{});
    }
}

// Characters CP932 holds under two codes are found under either, whichever another program wrote.
TEST_F(HistorySearchTest, FindsEitherCodeOfACharacterHeldTwice) {
    struct Row {
        QByteArray raw;
        QString query;
    } rows[] = {
        {"\xED\x40", u"纊"_s}, // NEC-selected IBM row; we write 0xFA5C
        {"\x87\x9A", u"∵"_s},  // NEC row 13; we write 0x81E6
        {"\xEE\xF9", u"￢"_s}, // we write 0x81CA
        {"\x87\x54", u"Ⅰ"_s},  // and 0xFA4A reads the same
        {"\xFA\x4A", u"Ⅰ"_s},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.query.toStdString());
        MailRecord r = MakeRecord(u"件名"_s, u"a@example.jp"_s, u"日付"_s, QString());
        std::memcpy(r.Body + 10, row.raw.constData(), size_t(row.raw.size()));
        QFile::remove(StorePath(ReceivedStore()));
        Put(ReceivedStore(), 1, r);
        EXPECT_EQ(SearchStore(ReceivedStore(), row.query), QVector<int>{1});
    }
}

// Every word must occur, each in any field; a word at the very end of a full body counts; a
// search in small steps finds what one pass finds.
TEST_F(HistorySearchTest, EveryWordSomewhereInTheRecordAndStepsAddUp) {
    const QString longBody = QString(15995, u'あ') + u"請求書"_s; // ends on the field's last bytes
    Put(ReceivedStore(), 1, MakeRecord(u"ご連絡"_s, u"田中 <t@example.jp>"_s, u"日付"_s, longBody));
    Put(ReceivedStore(), 2, MakeRecord(u"請求書"_s, u"鈴木 <s@example.jp>"_s, u"日付"_s, u"本文"_s));
    Put(ReceivedStore(), 3, MakeRecord(u"田中さんへ"_s, u"x@example.jp"_s, u"日付"_s, u"請求書を送ります"_s));
    EXPECT_EQ(SearchStore(ReceivedStore(), u"田中　請求書"_s), (QVector<int>{1, 3}));
    EXPECT_EQ(SearchStore(ReceivedStore(), u"田中 請求書 鈴木"_s), QVector<int>{});
    EXPECT_EQ(SearchStore(ReceivedStore(), u"  "_s), (QVector<int>{1, 2, 3})); // no words: all

    StoreSearch steps(ReceivedStore(), u"請求書"_s);
    int calls = 0;
    while (!steps.Step(1))
        ++calls;
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(steps.Hits(), (QVector<int>{1, 2, 3}));
    EXPECT_EQ(steps.Total(), 3);

    bool ok = true;
    EXPECT_TRUE(SearchStore(SentStore(), u"請求書"_s, true, &ok).isEmpty()); // missing store: empty
    EXPECT_TRUE(ok);
    QFile::remove(StorePath(SentStore()));
    ASSERT_TRUE(QDir().mkpath(StorePath(SentStore()))); // a folder where the store should be
    SearchStore(SentStore(), u"請求書"_s, true, &ok);
    EXPECT_FALSE(ok);
}

// A search remembers where the bodies of a settled store end; a record rewritten in place
// afterwards (same size, same inode) must still be searched to its new end.
TEST_F(HistorySearchTest, ABodyRewrittenAfterASearchIsSearchedToItsNewEnd) {
    Put(ReceivedStore(), 1, MakeRecord(u"件名"_s, u"a@example.jp"_s, u"日付"_s, u"短い本文"_s));
    Put(ReceivedStore(), 2, MakeRecord(u"件名"_s, u"b@example.jp"_s, u"日付"_s, u"短い"_s));
    QThread::msleep(2100); // the store has settled: the next search remembers the bodies' ends
    EXPECT_EQ(SearchStore(ReceivedStore(), u"本文"_s), QVector<int>{1});
    EXPECT_EQ(SearchStore(ReceivedStore(), u"本文"_s), QVector<int>{1}); // from what it remembered

    Put(ReceivedStore(), 2,
        MakeRecord(u"件名"_s, u"b@example.jp"_s, u"日付"_s, u"短い"_s + QString(400, u' ') + u"本文"_s));
    EXPECT_EQ(SearchStore(ReceivedStore(), u"本文"_s), (QVector<int>{1, 2}));
}

} // namespace
} // namespace ricorne
