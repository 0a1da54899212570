// Decoding alone: MB/s of DecodeMail over a folder of mail files, and of DecodeMail plus
// ExtractAttachments (what the mail check does per mail) into a scratch folder.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/mime/MimeDecoder.h"

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: bench_mime_decode CORPUS_DIR [ROUNDS]\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    std::vector<QByteArray> mails;
    qint64 bytes = 0;
    const QStringList names = QDir(dir).entryList(QDir::Files, QDir::Name);
    for (const QString& name : names) {
        QFile f(QDir(dir).filePath(name));
        if (f.open(QIODevice::ReadOnly)) {
            mails.push_back(f.readAll());
            bytes += mails.back().size();
        }
    }
    if (mails.empty()) {
        fprintf(stderr, "no mail files in %s\n", argv[1]);
        return 1;
    }
    const double mb = static_cast<double>(bytes) / 1e6;

    // Warm-up (first use of GMime, iconv tables, MIME database).
    qint64 checksum = 0;
    for (const QByteArray& m : mails) {
        checksum += ricorne::DecodeMail(m).body.size();
    }

    std::vector<double> decodeSeconds, extractSeconds;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        for (const QByteArray& m : mails) {
            checksum += ricorne::DecodeMail(m).body.size();
        }
        decodeSeconds.push_back(static_cast<double>(t.nsecsElapsed()) / 1e9);

        QTemporaryDir scratch;
        t.restart();
        int written = 0;
        for (const QByteArray& m : mails) {
            checksum += ricorne::DecodeMail(m).body.size();
            written += ricorne::ExtractAttachments(m, scratch.path()).savedNames.size();
        }
        extractSeconds.push_back(static_cast<double>(t.nsecsElapsed()) / 1e9);
        checksum += written;
    }
    const double d = Median(decodeSeconds);
    const double e = Median(extractSeconds);
    printf("corpus: %zu mails, %.1f MB\n", mails.size(), mb);
    printf("DecodeMail:                      %.3f s  %.1f MB/s  (median of %d)\n", d, mb / d, rounds);
    printf("DecodeMail + ExtractAttachments: %.3f s  %.1f MB/s  (median of %d)\n", e, mb / e, rounds);
    printf("(checksum %lld)\n", static_cast<long long>(checksum));
    return 0;
}
