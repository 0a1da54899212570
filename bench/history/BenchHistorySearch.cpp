// bench_history_search [folder] [--records N] [--runs N] [--keep]
//
// Builds a received-mail store of 32767 records (about 1.06 GB) with Japanese mails of mixed
// length (0.5 to 8 KB of body; one in a hundred mentions 見積書, one in fifty ミーティング in
// half-width katakana) and searches it as the viewer's search box does, next to
// `cat FILE >/dev/null` on the same file in the same run, page cache warm:
//   - the first search of the store in a process (it measures where every body ends),
//   - later searches (the median of runs; they skip the fill spaces),
// each for a plain word and for a word found only through kana/width folding.
#include "../BenchUtil.h"
#include "core/paths/Paths.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"
#include "history/HistorySearch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::bench;

namespace {

bool BuildStore(const QString& path, int records) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QString line = u"いつもお世話になっております。来週の打ち合わせの件でご連絡いたします。\r\n"_s;
    QRandomGenerator random(26);
    QByteArray block;
    MailRecord r;
    for (int n = 1; n <= records; ++n) {
        QString body = line.repeated(int(random.bounded(5, 80)));
        if (n % 100 == 0)
            body += u"見積書を添付します。\r\n"_s;
        if (n % 50 == 7)
            body.prepend(u"ﾐｰﾃｨﾝｸﾞの資料です。\r\n"_s);
        SetField(r.Subject, u"【第%1号】月例会議の議事録のご案内"_s.arg(n));
        SetField(r.DateText, u"Mon, 1 Apr 2024 09:%1:00 +0900"_s.arg(n % 60, 2, 10, QChar(u'0')));
        SetField(r.Address, u"山田 太郎 <taro.yamada%1@example.co.jp>"_s.arg(n));
        SetField(r.Body, body);
        block.append(reinterpret_cast<const char*>(&r), sizeof r);
        if (block.size() >= (1 << 20) || n == records) {
            if (file.write(block) != block.size())
                return false;
            block.clear();
        }
    }
    return file.flush();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int records = kMaxRecordNumber;
    int runs = 5;
    bool keep = false;
    QString base = QDir::tempPath();
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == u"--records"_s && i + 1 < args.size())
            records = args[++i].toInt();
        else if (args[i] == u"--runs"_s && i + 1 < args.size())
            runs = args[++i].toInt();
        else if (args[i] == u"--keep"_s)
            keep = true;
        else
            base = args[i];
    }
    QTemporaryDir dir(base + u"/bench_search-XXXXXX"_s);
    dir.setAutoRemove(!keep);
    if (!dir.isValid())
        return 1;
    SetAppDir(dir.path());
    EnsureInstalledFolders();
    const QString path = StorePath(ReceivedStore());
    if (!BuildStore(path, records)) {
        std::fprintf(stderr, "cannot build the store\n");
        return 1;
    }
    Shell("sync " + Quoted(path));
    // Searches remember only stores that have settled for two seconds.
    Shell("sleep 2.1");
    std::printf("store: %s, %d records, %lld bytes\n", qPrintable(path), records,
                static_cast<long long>(QFile(path).size()));
    Shell("cat " + Quoted(path) + " >/dev/null"); // warm

    int hits = 0;
    const double first = Seconds([&] { hits = int(SearchStore(ReceivedStore(), u"見積書"_s).size()); });
    std::vector<double> cat, plain, folded;
    int foldedHits = 0;
    for (int run = 0; run < runs; ++run) {
        cat.push_back(Seconds([&] { Shell("cat " + Quoted(path) + " >/dev/null"); }));
        plain.push_back(Seconds([&] { hits = int(SearchStore(ReceivedStore(), u"見積書"_s).size()); }));
        folded.push_back(
            Seconds([&] { foldedHits = int(SearchStore(ReceivedStore(), u"みーてぃんぐ"_s).size()); }));
    }
    auto line = [](const char* what, const std::vector<double>& times) {
        std::printf("%-46s median %8.1f ms   runs:", what, Median(times) * 1000);
        for (double t : times)
            std::printf(" %.1f", t * 1000);
        std::printf("\n");
    };
    std::printf("\npage cache warm, %d runs\n", runs);
    line("cat FILE >/dev/null", cat);
    line("search 見積書 (hits)", plain);
    line("search みーてぃんぐ (folded hits only)", folded);
    std::printf("first search in the process:   %.1f ms (%.2fx cat)\n", first * 1000, first / Median(cat));
    std::printf("hits: %d and %d\n", hits, foldedHits);
    std::printf("later searches / cat:          %.3fx and %.3fx   target <= 0.1x\n",
                Median(plain) / Median(cat), Median(folded) / Median(cat));
    return 0;
}
