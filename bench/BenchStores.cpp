// bench_stores [folder] [--records N] [--runs N] [--keep]
//
// Builds a received-mail store of 32767 records (about 1.06 GB) with Japanese headers in a
// fresh AppDir inside folder (default: a temporary folder under /tmp), warms the page cache
// and reports the median of several runs of:
//   - the header listing (ReadMailHeaders) alone, and with every field decoded and kept,
//   - CompactStore after one record is marked deleted (fsync included),
// next to `cat FILE >/dev/null` and `cp FILE X && sync X` on the same file, and the
// process's peak resident memory.
#include "BenchUtil.h"
#include "core/paths/Paths.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sys/resource.h>
#include <vector>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::bench;

namespace {

// Writes the store directly in large blocks: building it is not what is measured.
bool BuildStore(const QString& path, int records) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QString body =
        QString(u"拝啓　いつもお世話になっております。来週の打ち合わせの件でご連絡いたします。\r\n"_s)
            .repeated(200);
    QByteArray block;
    block.reserve((1 << 20) + sizeof(MailRecord));
    for (int n = 1; n <= records; ++n) {
        MailRecord r;
        SetField(r.Subject, u"【第%1号】月例会議の議事録と来月の予定についてのご案内（再送）"_s.arg(n));
        SetField(r.DateText, u"Mon, 1 Apr 2024 09:%1:%2 +0900"_s.arg(n / 60 % 60, 2, 10, QChar(u'0'))
                                 .arg(n % 60, 2, 10, QChar(u'0')));
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

    QTemporaryDir dir(base + u"/bench_stores-XXXXXX"_s);
    dir.setAutoRemove(!keep);
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a folder under %s\n", qPrintable(base));
        return 1;
    }
    SetAppDir(dir.path());
    EnsureInstalledFolders();
    const StoreDescriptor& store = ReceivedStore();
    const QString path = StorePath(store);
    const QString copy = dir.path() + u"/copy.data"_s;

    std::printf("store: %s\n", qPrintable(path));
    const double build = Seconds([&] {
        if (!BuildStore(path, records)) {
            std::fprintf(stderr, "cannot build the store\n");
            std::exit(1);
        }
    });
    Shell("sync " + Quoted(path));
    std::printf("built %d records, %lld bytes in %.2f s; peak so far %.1f MB\n", records,
                static_cast<long long>(QFile(path).size()), build, PeakMb());

    Shell("cat " + Quoted(path) + " >/dev/null"); // warm the page cache

    std::vector<double> cat, list, listDecoded, cpSync, compact;
    qsizetype checksum = 0;
    for (int run = 0; run < runs; ++run) {
        cat.push_back(Seconds([&] { Shell("cat " + Quoted(path) + " >/dev/null"); }));

        list.push_back(Seconds([&] { checksum += ReadMailHeaders(store).size(); }));

        listDecoded.push_back(Seconds([&] {
            struct Row {
                QString subject, date, address;
            };
            const QVector<MailHeader> headers = ReadMailHeaders(store);
            std::vector<Row> rows;
            rows.reserve(headers.size());
            for (const MailHeader& h : headers)
                rows.push_back({h.Subject(), h.DateText(), h.Address()});
            checksum += rows.back().subject.size();
        }));

        cpSync.push_back(
            Seconds([&] { Shell("cp " + Quoted(path) + " " + Quoted(copy) + " && sync " + Quoted(copy)); }));
        QFile::remove(copy);

        // Record 1 marked deleted, then compaction (which flushes): every record after it
        // moves. A fresh record is appended first so every run compacts a full store.
        if (NextRecordNumber(store) <= records) {
            MailRecord r;
            SetField(r.Subject, u"追加"_s);
            AppendRecord(store, r);
        }
        MailRecord victim;
        const int n = 1;
        ReadRecord(store, n, victim);
        MarkDeleted(store, n, victim);
        FlushStore(store);
        compact.push_back(Seconds([&] {
            if (!CompactStore(store)) {
                std::fprintf(stderr, "compaction failed\n");
                std::exit(1);
            }
        }));
        Shell("cat " + Quoted(path) + " >/dev/null"); // the rewritten file back in the cache
    }

    auto line = [](const char* what, const std::vector<double>& times) {
        std::printf("%-34s median %8.1f ms   runs:", what, Median(times) * 1000);
        for (double t : times)
            std::printf(" %.1f", t * 1000);
        std::printf("\n");
    };
    std::printf("\nmedians of %d runs (page cache warm)\n", runs);
    line("cat FILE >/dev/null", cat);
    line("header listing (raw)", list);
    line("header listing (decoded, kept)", listDecoded);
    line("cp FILE X && sync X", cpSync);
    line("CompactStore after deleting record 1", compact);
    std::printf("\nlisting / cat:          %.2f (raw), %.2f (decoded)   target <= 2\n",
                Median(list) / Median(cat), Median(listDecoded) / Median(cat));
    std::printf("compaction / cp+sync:   %.2f                         target <= 1.5\n",
                Median(compact) / Median(cpSync));
    std::printf("peak resident memory:   %.1f MB                      target < 64\n", PeakMb());
    std::printf("(checksum %lld)\n", static_cast<long long>(checksum));
    return 0;
}
