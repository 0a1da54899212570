#include "DeleteCommand.h"

#include "ToolCommands.h"
#include "ToolOutput.h"
#include "core/paths/Paths.h"
#include "core/paths/ProgramFolderLock.h"
#include "core/stores/RecordStore.h"

#include <QDir>
#include <QFileInfo>

namespace ricorne {

namespace {

int Failed(const QString& text) {
    WriteStderr(QStringLiteral("delete: ") + text);
    const QString notice = TakeStoreNotice();
    if (!notice.isEmpty())
        WriteStderr(notice);
    return kToolFailed;
}

int DeleteRecord(const StoreDescriptor& store, int n) {
    // The record is read and deleted under one holding of the folder lock, so what goes is the
    // record numbered n when the command ran, never one that moved into its place.
    const ProgramFolderLock lock;
    if (!lock.Held())
        return Failed(lock.IsBusy() ? QStringLiteral("another program is using the folder; nothing deleted")
                                    : QStringLiteral("cannot take the lock ") + ProgramFolderLock::Path() +
                                          QStringLiteral("; nothing deleted"));
    QByteArray record(int(store.recordLength), Qt::Uninitialized);
    if (!ReadRecordBytes(store, n, record.data()))
        return Failed(QStringLiteral("no record ") + QString::number(n));
    switch (DeleteChosenRecord(store, n, record).outcome) {
    case DeleteOutcome::Deleted:
        return kToolOk;
    case DeleteOutcome::Changed: // cannot happen while the lock is held
    case DeleteOutcome::Locked:
        return Failed(QStringLiteral("the store changed; nothing deleted"));
    case DeleteOutcome::Failed:
        break;
    }
    return Failed(QStringLiteral("record ") + QString::number(n) +
                  QStringLiteral(" could not be deleted; the store is as it was"));
}

} // namespace

int RunDeleteCommand(const QStringList& args) {
    QString appDir, which, number;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--appdir") && i + 1 < args.size() && appDir.isNull())
            appDir = args.at(++i);
        else if (which.isNull() && !args.at(i).startsWith(QLatin1String("--")))
            which = args.at(i);
        else if (number.isNull() && !args.at(i).startsWith(QLatin1String("--")))
            number = args.at(i);
        else {
            WriteStderr(QStringLiteral("delete: unexpected argument: ") + args.at(i));
            return kToolBadArguments;
        }
    }
    bool ok = false;
    const int n = number.toInt(&ok);
    if (appDir.isEmpty() || !ok || n < 1) {
        WriteStderr(QStringLiteral("delete: --appdir DIR, a store and a record number are needed"));
        return kToolBadArguments;
    }
    if (!QFileInfo(appDir).isDir()) {
        WriteStderr(QStringLiteral("delete: not a folder: ") + appDir);
        return kToolFailed;
    }
    SetAppDir(QDir(appDir).absolutePath());
    if (which == QLatin1String("received"))
        return DeleteRecord(ReceivedStore(), n);
    if (which == QLatin1String("sent"))
        return DeleteRecord(SentStore(), n);
    if (which == QLatin1String("addresses"))
        return DeleteRecord(AddressStore(), n);
    WriteStderr(QStringLiteral("delete: say which store: received, sent or addresses"));
    return kToolBadArguments;
}

} // namespace ricorne
