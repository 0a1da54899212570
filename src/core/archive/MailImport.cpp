#include "core/archive/MailImport.h"

#include "core/clock/ClockText.h"
#include "core/mime/MimeDecoder.h"
#include "core/mime/Rfc2047.h"
#include "core/paths/Paths.h"
#include "core/paths/ProgramFolderLock.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <memory>
#include <unistd.h>

namespace ricorne {

namespace {

QList<QByteArray> SplitMbox(const QByteArray& bytes) {
    QList<QByteArray> messages;
    QByteArray current;
    bool inMessage = false, previousBlank = true;
    static const QRegularExpression quotedFrom(QStringLiteral("^>+From "));
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        QByteArray line = bytes.mid(start, end - start);
        start = end;
        if (line.startsWith("From ") && previousBlank) {
            if (inMessage)
                messages.append(current);
            current.clear();
            inMessage = true;
            previousBlank = false;
            continue;
        }
        const QByteArray bare = QByteArray(line).replace("\r", "").replace("\n", "");
        previousBlank = bare.isEmpty();
        if (line.startsWith(">") && quotedFrom.match(QString::fromLatin1(line.left(80))).hasMatch())
            line.remove(0, 1);
        if (inMessage)
            current += line;
    }
    if (inMessage)
        messages.append(current);
    // The blank line that separates one message from the next is not part of it.
    for (QByteArray& m : messages) {
        if (m.endsWith("\r\n\r\n"))
            m.chop(2);
        else if (m.endsWith("\n\n"))
            m.chop(1);
    }
    return messages;
}

QStringList MailFilesIn(const QString& folder) {
    const QDir dir(folder);
    if (dir.exists(QStringLiteral("cur")) || dir.exists(QStringLiteral("new"))) {
        QStringList files;
        for (const QString& sub : {QStringLiteral("cur"), QStringLiteral("new")}) {
            for (const QString& name : QDir(dir.filePath(sub)).entryList(QDir::Files, QDir::Name))
                files.append(dir.filePath(sub + QLatin1Char('/') + name));
        }
        return files;
    }
    static const QRegularExpression numbered(QStringLiteral("^[0-9]+$"));
    QStringList mh, eml;
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        if (numbered.match(name).hasMatch())
            mh.append(name);
        else if (name.endsWith(QLatin1String(".eml"), Qt::CaseInsensitive))
            eml.append(name);
    }
    std::sort(mh.begin(), mh.end(),
              [](const QString& a, const QString& b) { return a.toLongLong() < b.toLongLong(); });
    QStringList files;
    for (const QString& name : mh + eml)
        files.append(dir.filePath(name));
    return files;
}

QByteArray Digest(ImportTarget target, QByteArray message) {
    message.replace("\r\n", "\n");
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(target == ImportTarget::Sent ? QByteArrayView("sent\n") : QByteArrayView("received\n"));
    hash.addData(message);
    return hash.result().toHex();
}

QByteArray RecordDigest(const MailRecord& record) {
    return QCryptographicHash::hash(QByteArrayView(reinterpret_cast<const char*>(&record), sizeof record),
                                    QCryptographicHash::Sha256)
        .toHex();
}

// The journal of imported messages: "P digest record-digest" before a record is written,
// "D digest" once it is.
class Journal {
public:
    explicit Journal(const QString& path) : file_(path) {}

    bool Load(const StoreDescriptor& store) {
        if (QFile::exists(file_.fileName())) {
            QFile in(file_.fileName());
            if (!in.open(QIODevice::ReadOnly))
                return false;
            QHash<QByteArray, QByteArray> pending;
            for (const QByteArray& line : in.readAll().split('\n')) {
                const QList<QByteArray> parts = line.split(' ');
                if (parts.size() == 3 && parts[0] == "P")
                    pending.insert(parts[1], parts[2]);
                else if (parts.size() == 2 && parts[0] == "D") {
                    done_.insert(parts[1]);
                    pending.remove(parts[1]);
                }
            }
            if (!pending.isEmpty() && !Settle(store, pending))
                return false;
        }
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Append))
            return false;
        file_.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return true;
    }
    bool Has(const QByteArray& digest) const { return done_.contains(digest); }
    bool Begin(const QByteArray& digest, const QByteArray& recordDigest) {
        return Write("P " + digest + ' ' + recordDigest + '\n');
    }
    bool Done(const QByteArray& digest) {
        done_.insert(digest);
        return Write("D " + digest + '\n');
    }

private:
    // A kill between "P" and "D": the record may or may not be in the store. Look for it.
    bool Settle(const StoreDescriptor& store, QHash<QByteArray, QByteArray>& pending) {
        QSet<QByteArray> wanted;
        for (auto it = pending.cbegin(); it != pending.cend(); ++it)
            wanted.insert(it.value());
        QSet<QByteArray> present;
        auto record = std::make_unique<MailRecord>();
        if (!ReadRecords(store, *record, [&](int) {
                const QByteArray d = RecordDigest(*record);
                if (wanted.contains(d))
                    present.insert(d);
            }))
            return false;
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Append))
            return false;
        for (auto it = pending.cbegin(); it != pending.cend(); ++it) {
            if (present.contains(it.value()) && !Done(it.key()))
                return false;
        }
        file_.close();
        return true;
    }
    bool Write(const QByteArray& line) {
        return file_.write(line) == line.size() && file_.flush() && ::fdatasync(file_.handle()) == 0;
    }

    QFile file_;
    QSet<QByteArray> done_;
};

QString HeaderValue(const QString& headerText, const QString& name) {
    const QRegularExpression header(QStringLiteral("^") + QRegularExpression::escape(name) +
                                        QStringLiteral(":[ \\t]*(.*(?:\\r?\\n[ \\t].*)*)"),
                                    QRegularExpression::MultilineOption |
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = header.match(headerText);
    return m.hasMatch() ? CleanHeaderLine(DecodeHeaderText(m.captured(1).toUtf8())) : QString();
}

struct Incoming {
    QByteArray raw;
    DecodedMail mail;
    QDateTime when;
    int order = 0;
};

} // namespace

QList<QByteArray> ReadMailSource(const QString& source, QString* error) {
    const QFileInfo info(source);
    QList<QByteArray> messages;
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return QList<QByteArray>();
    };
    if (info.isDir()) {
        const QStringList files = MailFilesIn(source);
        if (files.isEmpty())
            return fail(source + QStringLiteral(": no mail found (mbox, maildir, MH or .eml)"));
        for (const QString& path : files) {
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly))
                return fail(path + QStringLiteral(": ") + f.errorString());
            messages.append(f.readAll());
        }
        return messages;
    }
    QFile f(source);
    if (!info.isFile() || !f.open(QIODevice::ReadOnly))
        return fail(source + QStringLiteral(": cannot be read"));
    const QByteArray bytes = f.readAll();
    if (bytes.startsWith("From "))
        return SplitMbox(bytes);
    if (bytes.trimmed().isEmpty())
        return fail(source + QStringLiteral(": empty"));
    messages.append(bytes);
    return messages;
}

ImportResult ImportMail(const QString& source, ImportTarget target, const QString& attachmentNotice) {
    ImportResult result;
    const QList<QByteArray> raws = ReadMailSource(source, &result.error);
    if (raws.isEmpty())
        return result;
    result.found = int(raws.size());
    const ProgramFolderLock lock;
    if (!lock.Held()) {
        result.folderBusy = true;
        result.notImported = result.found;
        result.error = QStringLiteral("the program folder is in use by another program");
        return result;
    }
    const StoreDescriptor& store = target == ImportTarget::Sent ? SentStore() : ReceivedStore();
    Journal journal(
        QDir(ResolvePath(QStringLiteral("\\") + MailDataDir())).filePath(QStringLiteral("imported.txt")));
    if (!journal.Load(store)) {
        result.notImported = result.found;
        result.error = QStringLiteral("cannot read or write the list of imported mail");
        return result;
    }

    std::vector<Incoming> incoming;
    for (int i = 0; i < int(raws.size()); ++i) {
        if (journal.Has(Digest(target, raws[i]))) {
            ++result.alreadyThere;
            continue;
        }
        Incoming in;
        in.raw = raws[i];
        in.mail = DecodeMail(raws[i]);
        in.when = QDateTime::fromString(Trim(in.mail.date), Qt::RFC2822Date);
        in.order = i;
        incoming.push_back(std::move(in));
    }
    std::stable_sort(incoming.begin(), incoming.end(), [](const Incoming& a, const Incoming& b) {
        if (a.when.isValid() != b.when.isValid())
            return a.when.isValid();
        return a.when.isValid() && a.when < b.when;
    });

    const QString attachDir = ResolvePath(QStringLiteral("\\") + AttachDir());
    auto record = std::make_unique<MailRecord>();
    for (size_t k = 0; k < incoming.size(); ++k) {
        const Incoming& in = incoming[k];
        const int left = int(incoming.size() - k);
        if (NextRecordNumber(store) > kMaxRecordNumber) {
            result.storeFull = true;
            result.notImported += left;
            break;
        }
        ExtractOptions options;
        options.reuseIdentical = true; // a file a killed import left is taken, not copied
        const ExtractResult extracted = ExtractAttachments(in.raw, attachDir, options);
        if (extracted.code == -5) {
            result.notImported += left;
            result.error = extracted.error;
            break;
        }
        *record = MailRecord();
        QString body = Trim(in.mail.body);
        if (extracted.code == 1)
            body += QStringLiteral("\r\n") + attachmentNotice;
        SetField(record->Subject, Trim(in.mail.subject));
        if (target == ImportTarget::Received) {
            SetField(record->Address, Trim(in.mail.from));
            SetField(record->DateText, Trim(in.mail.date));
        } else {
            SetField(record->Address, Trim(HeaderValue(in.mail.headerText, QStringLiteral("To"))));
            SetField(record->DateText,
                     in.when.isValid() ? ClockText(in.when.toLocalTime()) : Trim(in.mail.date));
        }
        SetField(record->Body, Trim(body));
        const QByteArray digest = Digest(target, in.raw);
        if (!journal.Begin(digest, RecordDigest(*record))) {
            result.notImported += left;
            result.error = QStringLiteral("cannot write the list of imported mail");
            break;
        }
        const AppendResult appended = AppendRecord(store, *record);
        if (!appended || !FlushStore(store)) {
            result.storeFull = appended.status == AppendStatus::StoreFull;
            result.notImported += left;
            if (!result.storeFull)
                result.error = StorePath(store) + QStringLiteral(": the record could not be written");
            break;
        }
        ++result.imported;
        if (!journal.Done(digest)) {
            result.notImported += left - 1;
            result.error = QStringLiteral("cannot write the list of imported mail");
            break;
        }
    }
    result.ok = result.notImported == 0;
    return result;
}

} // namespace ricorne
