// Mail component benchmark. Two modes:
//   bench_mail receive SERVER USER PASSWORD ATTACH_DIR [CA_FILE]
//       logs in, and for every waiting mail does what a mail check does with it: status,
//       size, fetch and decode, attachments written into ATTACH_DIR, delete; then QUIT.
//       Prints "mails=N seconds=S".
//   bench_mail decode CORPUS_DIR [ROUNDS]
//       decodes every file of CORPUS_DIR (the decoding the mail check uses) and prints MB/s.
// Peak memory is measured from outside (/usr/bin/time).
#include "core/mime/MimeDecoder.h"
#include "core/mail/NMail.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>

using namespace ricorne;

namespace {

int Receive(const QStringList& args) {
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: bench_mail receive SERVER USER PASSWORD ATTACH_DIR [CA_FILE]\n");
        return 2;
    }
    NMail mail;
    mail.NMailInitializeWinSock();
    mail.NMailSetOption(1, 8192);
    if (args.size() > 4)
        mail.SetCaFile(args[4]);
    QElapsedTimer timer;
    timer.start();
    const int handle = mail.NMailPop3Connect(args[0]);
    if (handle == -1) {
        std::fprintf(stderr, "%s\n", qPrintable(mail.NMailGetMessage()));
        return 1;
    }
    const int count = mail.NMailPop3Authenticate(handle, args[1], args[2], 0);
    if (count < 0) {
        std::fprintf(stderr, "%s\n", qPrintable(mail.NMailGetMessage()));
        return 1;
    }
    const QString folder = args[3] + u'/';
    qint64 bytes = 0;
    int attachments = 0;
    for (int n = 1; n <= count; ++n) {
        QString subject, date, sender, header, body;
        mail.NMailPop3GetMailStatus(handle, n, subject, date, sender, header);
        bytes += mail.NMailPop3GetMailSize(handle, n);
        if (mail.NMailPop3GetMail(handle, n, subject, date, sender, header, body) < 0) {
            std::fprintf(stderr, "%s\n", qPrintable(mail.NMailGetMessage()));
            return 1;
        }
        if (mail.NMailAttachmentFileFirst(subject, date, sender, header, body, folder,
                                          folder + QStringLiteral("0.txt"), QString()) == 1)
            attachments += int(mail.LastSavedAttachments().size());
        mail.NMailAttachmentFileClose();
        mail.NMailPop3DeleteMail(handle, n);
    }
    if (mail.NMailPop3Close(handle) < 0) {
        std::fprintf(stderr, "%s\n", qPrintable(mail.NMailGetMessage()));
        return 1;
    }
    std::printf("mails=%d bytes=%lld attachments=%d seconds=%.3f\n", count, bytes, attachments,
                timer.nsecsElapsed() / 1e9);
    return 0;
}

int Decode(const QStringList& args) {
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: bench_mail decode CORPUS_DIR [ROUNDS]\n");
        return 2;
    }
    QList<QByteArray> mails;
    qint64 total = 0;
    const QDir dir(args[0]);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly)) {
            mails << f.readAll();
            total += mails.last().size();
        }
    }
    const int rounds = args.size() > 1 ? args[1].toInt() : 5;
    QList<double> rates;
    qsizetype sink = 0;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        for (const QByteArray& raw : std::as_const(mails))
            sink += DecodeMail(raw).body.size();
        rates << (total / 1048576.0) / (timer.nsecsElapsed() / 1e9);
    }
    std::sort(rates.begin(), rates.end());
    std::printf("mails=%lld megabytes=%.1f decode_mb_per_s_median=%.1f (sink %lld)\n",
                qlonglong(mails.size()), total / 1048576.0, rates[rates.size() / 2], qlonglong(sink));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString mode = args.isEmpty() ? QString() : args.takeFirst();
    if (mode == QStringLiteral("receive"))
        return Receive(args);
    if (mode == QStringLiteral("decode"))
        return Decode(args);
    std::fprintf(stderr, "usage: bench_mail receive|decode ...\n");
    return 2;
}
