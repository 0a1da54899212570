// The history search over the stored bytes: Japanese folding, spellings CP932 holds twice, the
// text a trail byte only looks like, NUL-cut fields, several words, and a store changed between
// two searches of one process.
#include "history/HistorySearch.h"
#include "StoreFixture.h"
#include "history/SearchFolding.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
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

// The plain way, record by record: decode every field, fold it, look for every word.
QVector<int> DecodeAndFind(const QVector<QStringList>& foldedFields, const QString& query, bool kana) {
    const QStringList words = SearchWords(query, kana);
    QVector<int> hits;
    for (int i = 0; i < foldedFields.size(); ++i) {
        bool all = true;
        for (const QString& word : words) {
            bool found = false;
            for (const QString& field : foldedFields[i])
                found = found || field.contains(word);
            all = all && found;
        }
        if (all)
            hits.append(i + 1);
    }
    return hits;
}

QStringList FoldedFields(const MailRecord& r, bool kana) {
    QStringList fields;
    for (const QByteArray& raw :
         {QByteArray(r.Subject, sizeof r.Subject), QByteArray(r.DateText, sizeof r.DateText),
          QByteArray(r.Address, sizeof r.Address), QByteArray(r.Body, sizeof r.Body)})
        fields.append(FoldForSearch(CutAtNul(DecodeCp932(raw)), kana));
    return fields;
}

// Over a store of mixed Japanese mail (every width and kana form, characters held under two
// codes, NUL-cut fields, bodies up to the field's last byte), the byte scan finds exactly what
// decoding every record finds: on the first search, from the ends remembered in the process,
// from the derived file in a later process, in steps that do not meet the pages, and after a
// damaged or stale derived file.
TEST_F(HistorySearchTest, FindsExactlyWhatDecodingEveryRecordFinds) {
    const QString pieces[] = {u"見積書"_s,
                              u"ミーティング"_s,
                              u"ﾐｰﾃｨﾝｸﾞ"_s,
                              u"みーてぃんぐ"_s,
                              u"ＴＡＮＡＫＡ"_s,
                              u"tanaka"_s,
                              u"Tanaka"_s,
                              u"ｶﾞｲﾄﾞ"_s,
                              u"ｶｲﾄ"_s,
                              u"ガイド"_s,
                              u"アイウエオ"_s,
                              u"纊"_s,
                              u"10時～12時"_s,
                              u"請求書"_s,
                              u"お世話になっております。"_s,
                              u"\r\n"_s,
                              u"ﾊﾟｽﾎﾟｰﾄ"_s,
                              u"ぱすぽーと"_s,
                              u"Ａ"_s,
                              u"a"_s,
                              u"予定"_s,
                              u"ｱ"_s,
                              u" "_s,
                              QString(1, QChar(0)),
                              u"∵"_s,
                              u"ｈｔｔｐ"_s};
    QRandomGenerator random(23);
    auto text = [&](int count) {
        QString t;
        for (int k = 0; k < count; ++k)
            t += pieces[random.bounded(int(std::size(pieces)))];
        return t;
    };
    QVector<QStringList> folded[2]; // without and with kana folding
    for (int n = 1; n <= 300; ++n) {
        QString body = text(int(random.bounded(0, 40)));
        if (n % 50 == 0) // up to the field's very last byte
            body = QString(16000 - 3, u'ぁ') + u"見積書"_s;
        MailRecord r = MakeRecord(text(3), text(2), text(2), body);
        if (n % 9 == 0) // the other code of 纊 and ∵, as another program writes them
            std::memcpy(r.Body + 2000, "\xED\x40\x87\x9A", 4);
        folded[0].append(FoldedFields(r, false));
        folded[1].append(FoldedFields(r, true));
        Put(ReceivedStore(), n, r);
    }
    const QString queries[] = {u"見積書"_s,
                               u"みーてぃんぐ"_s,
                               u"ミーティング ﾀﾅｶ"_s,
                               u"TANAKA"_s,
                               u"がいど"_s,
                               u"a"_s,
                               u"ｱ"_s,
                               u"パスポート"_s,
                               u"時〜12"_s,
                               u"纊 ∵"_s,
                               u"HTTP"_s,
                               u"お世話 予定"_s,
                               u"請求書　見積書"_s};
    QVector<int> expected[std::size(queries)][2];
    for (size_t q = 0; q < std::size(queries); ++q) {
        for (const bool kana : {false, true})
            expected[q][kana] = DecodeAndFind(folded[kana], queries[q], kana);
    }
    // Some records hit and some do not, the full body ending in the word among the hits.
    EXPECT_LT(expected[0][true].size(), 300);
    EXPECT_TRUE(expected[0][true].contains(50));
    auto allAgree = [&](const char* when, int step) {
        for (size_t q = 0; q < std::size(queries); ++q) {
            for (const bool kana : {false, true}) {
                SCOPED_TRACE(std::string(when) + " / " + queries[q].toStdString() + (kana ? " folded" : ""));
                StoreSearch search(ReceivedStore(), queries[q], kana);
                while (!search.Step(step)) {
                }
                EXPECT_FALSE(search.Failed());
                EXPECT_EQ(search.Hits(), expected[q][kana]);
            }
        }
    };
    allAgree("unsettled", 4096);
    QThread::msleep(2100); // settled: the next search remembers where the bodies end
    allAgree("measuring", 37);
    const QString ends = StorePath(ReceivedStore()) + u".ends"_s;
    ASSERT_EQ(QFile(ends).size(), 80 + 2 * 300);
    allAgree("remembered", 1024);
    ForgetMeasuredBodyEnds();
    allAgree("from the file", 5);

    // A damaged file is not believed: had it been, record 50's end would cut off its hit.
    QFile file(ends);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(80 + 2 * 49));
    ASSERT_EQ(file.write("\x01\x00", 2), 2);
    file.close();
    ForgetMeasuredBodyEnds();
    allAgree("damaged file", 1024);
}

} // namespace
} // namespace ricorne
