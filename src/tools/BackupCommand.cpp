// backup --appdir DIR FILE: the program folder's data into one .tar.zst (FILE, or a dated name
// inside FILE when it is a folder); restore --appdir DIR FILE: back from such a file, after the
// whole archive has been read and checked (see core/archive/Backup.h). One JSON line:
// {"files": N, "path": ...}. Exit 0 done, 1 failed (nothing replaced on restore), 2 bad arguments.
#include "ToolCommands.h"
#include "ToolOutput.h"
#include "core/archive/Backup.h"
#include "core/paths/Paths.h"

#include <QDir>
#include <QFileInfo>

namespace ricorne {

namespace {

int Run(const char* name, const QStringList& args, BackupResult (*work)(const QString&)) {
    QString appDir, file;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--appdir") && i + 1 < args.size() && appDir.isNull())
            appDir = args.at(++i);
        else if (file.isNull())
            file = args.at(i);
        else
            file = QString(); // more than one file
    }
    if (appDir.isEmpty() || file.isEmpty()) {
        WriteStderr(QString::fromLatin1(name) + QStringLiteral(": --appdir DIR FILE"));
        return kToolBadArguments;
    }
    if (!QFileInfo(appDir).isDir()) {
        WriteStderr(QString::fromLatin1(name) + QStringLiteral(": not a folder: ") + appDir);
        return kToolFailed;
    }
    file = QFileInfo(file).absoluteFilePath();
    SetAppDir(QDir(appDir).absolutePath());
    const BackupResult result = work(file);
    if (!result.ok) {
        WriteStderr(QString::fromLatin1(name) + QStringLiteral(": ") + result.error);
        return kToolFailed;
    }
    WriteStdout(JsonLine().Add("files", qint64(result.files)).Add("path", result.path).Bytes());
    return kToolOk;
}

} // namespace

int RunBackupCommand(const QStringList& args) {
    return Run("backup", args, WriteBackup);
}

int RunRestoreCommand(const QStringList& args) {
    return Run("restore", args, RestoreBackup);
}

} // namespace ricorne
