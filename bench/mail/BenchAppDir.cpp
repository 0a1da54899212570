// Lays out a program folder for the mail-tool benchmarks: the data folders, the server
// settings, the saved ID and password, the test CA and, for a batch send, an address book.
//   bench_appdir DIR POP3 SMTP FROM ID PASSWORD CA_FILE [ADDRESSES LOCAL_PART]
// ADDRESSES entries go to LOCAL_PART@hostN.example (the servers deliver by local part).
#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"
#include "core/stores/RecordField.h"
#include "core/stores/RecordStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

using namespace ricorne;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 7 && args.size() != 9) {
        std::fprintf(stderr,
                     "usage: bench_appdir DIR POP3 SMTP FROM ID PASSWORD CA_FILE [ADDRESSES LOCAL_PART]\n");
        return 2;
    }
    if (!QDir().mkpath(args.at(0)))
        return 1;
    SetAppDir(args.at(0));
    if (!EnsureInstalledFolders())
        return 1;
    AccountRecord account;
    account.Pop3Server = args.at(1);
    account.SmtpServer = args.at(2);
    account.FromAddress = args.at(3);
    if (!SaveServerSettings(account) || !SaveCredentials(args.at(4), args.at(5), true))
        return 1;
    const QString ca =
        ResolvePath(QLatin1Char('\\') + MailDataDir()) + QStringLiteral("/ca-certificates.pem");
    QFile::remove(ca);
    if (!QFile::copy(args.at(6), ca))
        return 1;
    if (args.size() == 9) {
        const int count = args.at(7).toInt();
        for (int i = 1; i <= count; ++i) {
            AddressRecord entry;
            SetField(entry.Name, QStringLiteral("宛先%1").arg(i));
            SetField(entry.MailAddress, QStringLiteral("%1@host%2.example").arg(args.at(8)).arg(i));
            if (!AppendRecord(AddressStore(), entry))
                return 1;
        }
        if (!FlushStore(AddressStore()))
            return 1;
    }
    return 0;
}
