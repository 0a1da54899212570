#include "ListCommand.h"

#include "ToolCommands.h"
#include "ToolOutput.h"
#include "core/paths/Paths.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

namespace ricorne {

namespace {

template <std::size_t N> QString Text(const char (&field)[N]) {
    return Trim(FieldText(field));
}

QByteArray Object(const JsonLine& line) {
    QByteArray bytes = line.Bytes();
    bytes.chop(1); // the line break: objects are joined with ",\n"
    return bytes;
}

template <class Record>
bool WriteRecords(const StoreDescriptor& store, const std::function<QByteArray(int, const Record&)>& object,
                  const std::function<void(const QByteArray&)>& write) {
    auto buffer = std::make_unique<Record>(); // a mail record is 32 KB
    bool first = true;
    write("[");
    const bool ok = ReadRecords(store, *buffer, [&](int n) {
        write((first ? "\n" : ",\n") + object(n, *buffer));
        first = false;
    });
    if (!ok)
        return false;
    write(first ? "]\n" : "\n]\n");
    return true;
}

bool WriteMailStore(const StoreDescriptor& store, const std::function<void(const QByteArray&)>& write) {
    return WriteRecords<MailRecord>(
        store,
        [](int n, const MailRecord& r) {
            return Object(JsonLine()
                              .Add("n", qint64(n))
                              .Add("live", qint64(r.Live))
                              .Add("subject", Text(r.Subject))
                              .Add("date", Text(r.DateText))
                              .Add("address", Text(r.Address))
                              .Add("body", Text(r.Body)));
        },
        write);
}

bool WriteAddressStore(const std::function<void(const QByteArray&)>& write) {
    return WriteRecords<AddressRecord>(
        AddressStore(),
        [](int n, const AddressRecord& r) {
            return Object(JsonLine()
                              .Add("n", qint64(n))
                              .Add("live", qint64(r.Live))
                              .Add("name", Text(r.Name))
                              .Add("mail_address", Text(r.MailAddress)));
        },
        write);
}

const StoreDescriptor& Descriptor(ListedStore store) {
    switch (store) {
    case ListedStore::Received:
        return ReceivedStore();
    case ListedStore::Sent:
        return SentStore();
    case ListedStore::Addresses:
        break;
    }
    return AddressStore();
}

// The store's path and what keeps it from being read, for someone who has to fix it.
QString WhyUnreadable(ListedStore store) {
    const QString path = StorePath(Descriptor(store));
    const QFileInfo info(path);
    QString cause = QStringLiteral("read error");
    if (info.isDir())
        cause = QStringLiteral("a folder stands where the store should be");
    else if (info.exists() && !info.isReadable())
        cause = QStringLiteral("no permission to read it");
    return path + QStringLiteral(": ") + cause;
}

} // namespace

bool WriteStoreJson(ListedStore store, const std::function<void(const QByteArray&)>& write) {
    switch (store) {
    case ListedStore::Received:
        return WriteMailStore(ReceivedStore(), write);
    case ListedStore::Sent:
        return WriteMailStore(SentStore(), write);
    case ListedStore::Addresses:
        return WriteAddressStore(write);
    }
    return false;
}

int RunListCommand(const QStringList& args) {
    QString appDir;
    QString which;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--appdir") && i + 1 < args.size() && appDir.isNull())
            appDir = args.at(++i);
        else if (which.isNull() && !args.at(i).startsWith(QLatin1String("--")))
            which = args.at(i);
        else {
            WriteStderr(QStringLiteral("list: unexpected argument: ") + args.at(i));
            return kToolBadArguments;
        }
    }
    ListedStore store;
    if (which == QLatin1String("received"))
        store = ListedStore::Received;
    else if (which == QLatin1String("sent"))
        store = ListedStore::Sent;
    else if (which == QLatin1String("addresses"))
        store = ListedStore::Addresses;
    else {
        WriteStderr(QStringLiteral("list: say which store: received, sent or addresses"));
        return kToolBadArguments;
    }
    if (appDir.isEmpty()) {
        WriteStderr(QStringLiteral("list: --appdir DIR is needed"));
        return kToolBadArguments;
    }
    if (!QFileInfo(appDir).isDir()) {
        WriteStderr(QStringLiteral("list: not a folder: ") + appDir);
        return kToolFailed;
    }
    SetAppDir(QDir(appDir).absolutePath());
    if (!WriteStoreJson(store, [](const QByteArray& bytes) { WriteStdout(bytes); })) {
        WriteStderr(QStringLiteral("list: ") + WhyUnreadable(store));
        const QString notice = TakeStoreNotice();
        if (!notice.isEmpty())
            WriteStderr(notice);
        return kToolFailed;
    }
    // Records past the last number are not listed: say how many there are, and do not pass the
    // listing off as the whole store.
    const qint64 total = WholeRecordCount(Descriptor(store));
    if (total > kMaxRecordNumber) {
        WriteStderr(QStringLiteral("list: the store holds ") + QString::number(total) +
                    QStringLiteral(" records; only the first ") + QString::number(kMaxRecordNumber) +
                    QStringLiteral(" are listed (") + QString::number(total - kMaxRecordNumber) +
                    QStringLiteral(" beyond the limit are kept in the file)"));
        return kToolFailed;
    }
    return kToolOk;
}

} // namespace ricorne
