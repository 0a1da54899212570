// import --appdir DIR received|sent PATH: mail from an mbox file, a maildir, an MH folder or .eml
// files into the store (see core/archive/MailImport.h), decoded as received mail is.
// import --appdir DIR addresses PATH: a vCard or CSV file into the address book.
// Prints one JSON line with the counts:
//   mail:      {"found": N, "imported": N, "already_there": N, "not_imported": N, "store_full": bool}
//   addresses: {"found": N, "imported": N, "already_there": N}
// Exit 0 when everything found was stored (or was there already), 1 when something was not (the
// store's limit, a write failure, the folder in use, an unreadable source), 2 bad arguments.
#include "ToolCommands.h"
#include "ToolOutput.h"
#include "core/archive/MailImport.h"
#include "core/paths/Paths.h"
#include "receive/ReceiveTexts.h"

#include <QDir>
#include <QFileInfo>

namespace ricorne {

int RunImportCommand(const QStringList& args) {
    QString appDir;
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--appdir") && i + 1 < args.size() && appDir.isNull())
            appDir = args.at(++i);
        else
            rest.append(args.at(i));
    }
    const QString which = rest.value(0);
    if (appDir.isEmpty() || rest.size() != 2 ||
        (which != QLatin1String("received") && which != QLatin1String("sent") &&
         which != QLatin1String("addresses"))) {
        WriteStderr(QStringLiteral("import: --appdir DIR received|sent|addresses PATH"));
        return kToolBadArguments;
    }
    if (!QFileInfo(appDir).isDir()) {
        WriteStderr(QStringLiteral("import: not a folder: ") + appDir);
        return kToolFailed;
    }
    const QString source = QFileInfo(rest.value(1)).absoluteFilePath();
    SetAppDir(QDir(appDir).absolutePath());
    if (which == QLatin1String("addresses")) {
        const AddressImportResult r = ImportAddresses(source);
        WriteStdout(JsonLine()
                        .Add("found", qint64(r.found))
                        .Add("imported", qint64(r.imported))
                        .Add("already_there", qint64(r.alreadyThere))
                        .Bytes());
        if (!r.ok)
            WriteStderr(QStringLiteral("import: ") + r.error);
        return r.ok ? kToolOk : kToolFailed;
    }
    const ImportResult r =
        ImportMail(source, which == QLatin1String("sent") ? ImportTarget::Sent : ImportTarget::Received,
                   AttachmentNotice());
    WriteStdout(JsonLine()
                    .Add("found", qint64(r.found))
                    .Add("imported", qint64(r.imported))
                    .Add("already_there", qint64(r.alreadyThere))
                    .Add("not_imported", qint64(r.notImported))
                    .Add("store_full", r.storeFull)
                    .Bytes());
    if (r.storeFull)
        WriteStderr(QStringLiteral("import: the store is full (32767 mails); %1 mails were not imported")
                        .arg(r.notImported));
    else if (!r.ok)
        WriteStderr(QStringLiteral("import: ") + r.error);
    return r.ok ? kToolOk : kToolFailed;
}

} // namespace ricorne
