#include "DeleteCommand.h"

#include "ToolCommands.h"
#include "ToolOutput.h"
#include "core/paths/Paths.h"
#include "core/stores/RecordStore.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

namespace ricorne {

namespace {

int Failed(const QString& text) {
    WriteStderr(QStringLiteral("delete: ") + text);
    const QString notice = TakeStoreNotice();
    if (!notice.isEmpty())
        WriteStderr(notice);
    return kToolFailed;
}

template <class Record> int DeleteRecord(const StoreDescriptor& store, int n) {
    auto record = std::make_unique<Record>(); // a mail record is 32 KB
    if (!ReadRecord(store, n, *record))
        return Failed(QStringLiteral("no record ") + QString::number(n));
    if (!MarkDeleted(store, n, *record))
        return Failed(QStringLiteral("record ") + QString::number(n) +
                      QStringLiteral(" could not be marked"));
    if (!CompactStore(store)) {
        // The store is whole but holds the marked record: make it live again, as the address
        // book does.
        WriteRecord(store, n, *record);
        FlushStore(store);
        return Failed(QStringLiteral("the store could not be compacted"));
    }
    return kToolOk;
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
        return DeleteRecord<MailRecord>(ReceivedStore(), n);
    if (which == QLatin1String("sent"))
        return DeleteRecord<MailRecord>(SentStore(), n);
    if (which == QLatin1String("addresses"))
        return DeleteRecord<AddressRecord>(AddressStore(), n);
    WriteStderr(QStringLiteral("delete: say which store: received, sent or addresses"));
    return kToolBadArguments;
}

} // namespace ricorne
