#include "core/archive/MailImport.h"

#include "core/mime/JapaneseCharsets.h"
#include "core/paths/ProgramFolderLock.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

namespace ricorne {

namespace {

using Entry = std::pair<QString, QString>; // name, address

QString DecodeFileText(const QByteArray& bytes) {
    if (const std::optional<QString> utf8 = DecodeUtf8File(bytes))
        return *utf8;
    bool ascii = true;
    for (const char c : bytes)
        ascii = ascii && uchar(c) < 0x80;
    return ascii ? QString::fromLatin1(bytes) : DecodeCp932(bytes);
}

QByteArray QuotedPrintable(const QByteArray& in) {
    QByteArray out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == '=' && i + 2 < in.size()) {
            bool ok = false;
            const int v = in.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                out += char(v);
                i += 2;
                continue;
            }
        }
        out += in[i];
    }
    return out;
}

QString VcardUnescape(const QString& v) {
    QString out;
    for (qsizetype i = 0; i < v.size(); ++i) {
        if (v[i] == QLatin1Char('\\') && i + 1 < v.size()) {
            const QChar c = v[++i];
            out += (c == QLatin1Char('n') || c == QLatin1Char('N')) ? QStringLiteral("\r\n") : QString(c);
        } else {
            out += v[i];
        }
    }
    return out;
}

QList<Entry> ParseVcards(const QByteArray& raw) {
    QByteArray bytes = raw;
    bytes.replace("\r\n", "\n");
    // Quoted-printable soft line breaks (vCard 2.1), then folded lines.
    bytes.replace("=\n", "");
    bytes.replace("\n ", "").replace("\n\t", "");
    QList<Entry> entries;
    QString name, n;
    QStringList emails;
    for (const QByteArray& line : bytes.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        QList<QByteArray> params = line.left(colon).split(';');
        QByteArray key = params.takeFirst().toUpper();
        if (const qsizetype dot = key.indexOf('.'); dot >= 0)
            key = key.mid(dot + 1); // "item1.EMAIL"
        QByteArray value = line.mid(colon + 1);
        QByteArray charset;
        for (const QByteArray& p : params) {
            const QByteArray up = p.toUpper();
            if (up == "ENCODING=QUOTED-PRINTABLE" || up == "QUOTED-PRINTABLE")
                value = QuotedPrintable(value);
            else if (up.startsWith("CHARSET="))
                charset = p.mid(8);
        }
        const QString text = charset.isEmpty() ? DecodeFileText(value) : DecodeText(value, charset);
        if (key == "BEGIN") {
            name.clear();
            n.clear();
            emails.clear();
        } else if (key == "FN") {
            name = VcardUnescape(text);
        } else if (key == "N") {
            const QStringList parts = text.split(QLatin1Char(';'));
            n = Trim(VcardUnescape(parts.value(0)) + QLatin1Char(' ') + VcardUnescape(parts.value(1)));
        } else if (key == "EMAIL") {
            emails.append(Trim(VcardUnescape(text)));
        } else if (key == "END") {
            for (const QString& e : emails)
                entries.append({name.isEmpty() ? n : name, e});
        }
    }
    return entries;
}

QList<QStringList> ParseCsv(const QString& text) {
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false, any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            any = true;
        } else if (c == QLatin1Char(',')) {
            row.append(field);
            field.clear();
            any = true;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            if (any || !field.isEmpty()) {
                row.append(field);
                rows.append(row);
            }
            row.clear();
            field.clear();
            any = false;
        } else {
            field += c;
        }
    }
    if (any || !field.isEmpty()) {
        row.append(field);
        rows.append(row);
    }
    return rows;
}

QList<Entry> ParseCsvEntries(const QByteArray& bytes) {
    const QList<QStringList> rows = ParseCsv(DecodeFileText(bytes));
    if (rows.isEmpty())
        return {};
    static const QRegularExpression nameHead(QStringLiteral(u"^(name|display name|名前|氏名|表示名)$"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression mailHead(QStringLiteral(u"(e-?mail|メール)"),
                                             QRegularExpression::CaseInsensitiveOption);
    int nameColumn = -1, mailColumn = -1;
    const QStringList& head = rows.first();
    for (int i = 0; i < head.size(); ++i) {
        if (nameColumn < 0 && nameHead.match(Trim(head[i])).hasMatch())
            nameColumn = i;
        else if (mailColumn < 0 && mailHead.match(Trim(head[i])).hasMatch())
            mailColumn = i;
    }
    const bool headed = nameColumn >= 0 || mailColumn >= 0;
    if (nameColumn < 0)
        nameColumn = mailColumn == 0 ? 1 : 0;
    if (mailColumn < 0)
        mailColumn = nameColumn == 1 ? 0 : 1;
    QList<Entry> entries;
    for (qsizetype r = headed ? 1 : 0; r < rows.size(); ++r) {
        const QString mail = Trim(rows[r].value(mailColumn));
        if (!mail.isEmpty())
            entries.append({Trim(rows[r].value(nameColumn)), mail});
    }
    return entries;
}

} // namespace

AddressImportResult ImportAddresses(const QString& source) {
    AddressImportResult result;
    QFile f(source);
    if (!f.open(QIODevice::ReadOnly)) {
        result.error = source + QStringLiteral(": ") + f.errorString();
        return result;
    }
    const QByteArray bytes = f.readAll();
    const bool vcard = bytes.left(200).toUpper().contains("BEGIN:VCARD");
    const QList<Entry> entries = vcard ? ParseVcards(bytes) : ParseCsvEntries(bytes);
    result.found = int(entries.size());
    if (entries.isEmpty()) {
        result.error = source + QStringLiteral(": no addresses found (vCard or CSV)");
        return result;
    }
    const ProgramFolderLock lock;
    if (!lock.Held()) {
        result.error = QStringLiteral("the program folder is in use by another program");
        return result;
    }
    // What the book already holds, as it would read back.
    QSet<QString> known;
    AddressRecord record;
    if (!ReadRecords(AddressStore(), record, [&](int) {
            known.insert(Trim(FieldText(record.Name)) + QLatin1Char('\n') +
                         Trim(FieldText(record.MailAddress)));
        })) {
        result.error = StorePath(AddressStore());
        return result;
    }
    for (const Entry& e : entries) {
        AddressRecord r;
        SetField(r.Name, e.first);
        SetField(r.MailAddress, e.second);
        const QString key = Trim(FieldText(r.Name)) + QLatin1Char('\n') + Trim(FieldText(r.MailAddress));
        if (known.contains(key)) {
            ++result.alreadyThere;
            continue;
        }
        if (!AppendRecord(AddressStore(), r)) {
            result.error = StorePath(AddressStore()) + QStringLiteral(": the entry could not be written");
            break;
        }
        known.insert(key);
        ++result.imported;
    }
    if (result.error.isEmpty() && !FlushStore(AddressStore()))
        result.error = StorePath(AddressStore()) + QStringLiteral(": cannot be forced to disk");
    result.ok = result.error.isEmpty();
    return result;
}

} // namespace ricorne
