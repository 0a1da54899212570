// export --appdir DIR received|sent --mbox FILE | --eml-dir FOLDER
// export --appdir DIR addresses --vcard FILE | --csv FILE
// Writes one store of DIR for other programs (see core/archive/MailExport.h) and prints one JSON
// line: {"written": N, "path": ...}. Exit 0 done, 1 the store could not be read or the output
// not written (nothing is left under the output's name then), 2 bad arguments.
#include "ToolCommands.h"
#include "ToolOutput.h"
#include "core/archive/MailExport.h"
#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"
#include "core/text/Text.h"

#include <QDir>
#include <QFileInfo>

namespace ricorne {

int RunExportCommand(const QStringList& args) {
    QString appDir, which, format, output;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const bool takesPath = a == QLatin1String("--mbox") || a == QLatin1String("--eml-dir") ||
                               a == QLatin1String("--vcard") || a == QLatin1String("--csv");
        if (a == QLatin1String("--appdir") && i + 1 < args.size() && appDir.isNull())
            appDir = args.at(++i);
        else if (takesPath && i + 1 < args.size() && format.isNull()) {
            format = a;
            output = args.at(++i);
        } else if (which.isNull() && !a.startsWith(QLatin1String("--")))
            which = a;
        else {
            WriteStderr(QStringLiteral("export: unexpected argument: ") + a);
            return kToolBadArguments;
        }
    }
    const bool mail = which == QLatin1String("received") || which == QLatin1String("sent");
    const bool mailFormat = format == QLatin1String("--mbox") || format == QLatin1String("--eml-dir");
    const bool addressFormat = format == QLatin1String("--vcard") || format == QLatin1String("--csv");
    if (appDir.isEmpty() || output.isEmpty() || (mail && !mailFormat) ||
        (which == QLatin1String("addresses") && !addressFormat) ||
        (!mail && which != QLatin1String("addresses"))) {
        WriteStderr(
            QStringLiteral("export: --appdir DIR received|sent --mbox FILE|--eml-dir DIR, or addresses "
                           "--vcard FILE|--csv FILE"));
        return kToolBadArguments;
    }
    if (!QFileInfo(appDir).isDir()) {
        WriteStderr(QStringLiteral("export: not a folder: ") + appDir);
        return kToolFailed;
    }
    output = QFileInfo(output).absoluteFilePath();
    SetAppDir(QDir(appDir).absolutePath());
    ExportResult result;
    if (mail) {
        LoadServerSettings();
        const bool sent = which == QLatin1String("sent");
        const StoreDescriptor& store = sent ? SentStore() : ReceivedStore();
        const MailSide side = sent ? MailSide::Sent : MailSide::Received;
        const QString own = Trim(AccountSettings().FromAddress);
        result = format == QLatin1String("--mbox") ? ExportMbox(store, side, own, output)
                                                   : ExportEmlFolder(store, side, own, output);
    } else {
        result = format == QLatin1String("--vcard") ? ExportVcard(output) : ExportCsv(output);
    }
    if (!result.ok) {
        WriteStderr(QStringLiteral("export: cannot write or read: ") + result.error);
        return kToolFailed;
    }
    WriteStdout(JsonLine().Add("written", qint64(result.written)).Add("path", output).Bytes());
    return kToolOk;
}

} // namespace ricorne
