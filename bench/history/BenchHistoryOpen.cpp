// bench_history_open [folder] [--records N] [--runs N] [--keep]
//
// Builds a received-mail store of 32767 records (about 1.06 GB) with Japanese headers and
// bodies in a fresh AppDir inside folder (default: a temporary folder under /tmp), then opens
// the history viewer on it offscreen, as the received-history label does: the window is
// loaded and shown, the list filled (32767 rows) and the last record shown, and the window
// painted once. Reported next to `cat FILE >/dev/null` on the same file in the same run:
//   - page cache warm: the median of several openings (each a freshly loaded window),
//   - page cache cold for this file only (posix_fadvise DONTNEED before each): the median of
//     as many openings and cats, alternating,
// and the process's peak resident memory. The folder is removed at the end unless --keep.
#include "../BenchUtil.h"
#include "core/paths/Paths.h"
#include "core/stores/HeaderIndex.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"
#include "history/MailHeaderModel.h"
#include "history/OpenHistory.h"
#include "history/TyakuForm.h"
#include "shell/WindowRegistry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;
using namespace ricorne;
using namespace ricorne::bench;

namespace {

double CurrentMb() {
    QFile status(u"/proc/self/statm"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = status.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * sysconf(_SC_PAGESIZE) / (1024.0 * 1024.0) : 0;
}

// Drops this file's pages from the page cache (after a sync, so they are clean).
void DropFromCache(const QString& path) {
    Shell("sync " + Quoted(path));
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return;
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

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
    MailRecord r;
    SetField(r.Body, body);
    for (int n = 1; n <= records; ++n) {
        SetField(r.Subject, u"【第%1号】月例会議の議事録と来月の予定についてのご案内（再送）"_s.arg(n));
        SetField(r.DateText, u"Mon, 1 Apr 2024 09:%1:%2 +0900"_s.arg(n / 60 % 60, 2, 10, QChar(u'0'))
                                 .arg(n % 60, 2, 10, QChar(u'0')));
        SetField(r.Address, u"山田 太郎 <taro.yamada%1@example.co.jp>"_s.arg(n));
        block.append(reinterpret_cast<const char*>(&r), sizeof r);
        if (block.size() >= (1 << 20) || n == records) {
            if (file.write(block) != block.size())
                return false;
            block.clear();
        }
    }
    return file.flush();
}

// One opening as the label does it, painted once; the window is closed again afterwards.
double OpenOnce(int expectedRows) {
    double seconds = Seconds([] {
        OpenHistory(HistoryMode::Received);
        TyakuForm* form = Registry().Find<TyakuForm>();
        form->grab(); // the first paint of the list and the record view
    });
    TyakuForm* form = Registry().Find<TyakuForm>();
    if (!form || form->RowCount() != expectedRows ||
        form->CountBox()->text() != QString::number(expectedRows)) {
        std::fprintf(stderr, "the viewer did not list %d rows\n", expectedRows);
        std::exit(1);
    }
    Registry().Close<TyakuForm>();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
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

    QTemporaryDir dir(base + u"/bench_history-XXXXXX"_s);
    dir.setAutoRemove(!keep);
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a folder under %s\n", qPrintable(base));
        return 1;
    }
    SetAppDir(dir.path());
    EnsureInstalledFolders();
    const QString path = StorePath(ReceivedStore());
    std::printf("store: %s\n", qPrintable(path));
    const double build = Seconds([&] {
        if (!BuildStore(path, records)) {
            std::fprintf(stderr, "cannot build the store\n");
            std::exit(1);
        }
    });
    Shell("sync " + Quoted(path));
    std::printf("built %d records, %lld bytes in %.2f s\n", records,
                static_cast<long long>(QFile(path).size()), build);
    const double baseline = CurrentMb();
    std::printf("resident memory before the first opening: %.1f MB (Qt loaded)\n", baseline);
    // A history is opened long after its last mail arrived: the store's time is set back, and
    // one opening (not measured) leaves the header index beside it, as the program does.
    Shell("touch -d '1 hour ago' " + Quoted(path));
    std::printf("first opening (writes the header index): %.1f ms\n", OpenOnce(records) * 1000);
    WaitForHeaderIndexes();
    const QString index = HeaderIndexPath(ReceivedStore());
    std::printf("header index: %lld bytes, %s\n", static_cast<long long>(QFile(index).size()),
                ReadHeaderIndex(ReceivedStore()) ? "fresh" : "NOT USED");

    // Cold: the store's and the index's pages are dropped before each measurement.
    std::vector<double> coldCat, coldOpen;
    for (int run = 0; run < runs; ++run) {
        DropFromCache(path);
        DropFromCache(index);
        coldOpen.push_back(OpenOnce(records));
        DropFromCache(path);
        coldCat.push_back(Seconds([&] { Shell("cat " + Quoted(path) + " >/dev/null"); }));
    }

    std::vector<double> cat, open;
    for (int run = 0; run < runs; ++run) {
        cat.push_back(Seconds([&] { Shell("cat " + Quoted(path) + " >/dev/null"); }));
        open.push_back(OpenOnce(records));
    }

    auto line = [](const char* what, const std::vector<double>& times) {
        std::printf("%-44s median %8.1f ms   runs:", what, Median(times) * 1000);
        for (double t : times)
            std::printf(" %.1f", t * 1000);
        std::printf("\n");
    };
    std::printf("\npage cache warm, %d runs\n", runs);
    line("cat FILE >/dev/null", cat);
    line("open the viewer (load, fill, show, paint)", open);
    std::printf("\npage cache cold for this file, %d runs\n", runs);
    line("cold cat FILE >/dev/null", coldCat);
    line("cold open the viewer (load, fill, show, paint)", coldOpen);
    std::printf("\nopening, warm:            %.3f s     target <= 0.5 s\n", Median(open));
    std::printf("peak resident memory:     %.1f MB    target <= 150 MB\n", PeakMb());
    return 0;
}
