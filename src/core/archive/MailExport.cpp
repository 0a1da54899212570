#include "core/archive/MailExport.h"

#include "core/mime/JapaneseCharsets.h"
#include "core/mime/Rfc2047.h"
#include "core/stores/AddressRecord.h"
#include "core/text/Text.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

#include <memory>

namespace ricorne {

namespace {

template <std::size_t N> QString Shown(const char (&field)[N]) {
    return Trim(CutAtNul(FieldText(field)));
}

constexpr char kUnknownAddress[] = "unknown@unknown.invalid";

bool IsAddrSpec(const QString& a) {
    static const QRegularExpression addrSpec(QStringLiteral("^[A-Za-z0-9!#$%&'*+/=?^_`{|}~.-]+@[A-Za-z0-9.-]+$"));
    return addrSpec.match(a).hasMatch();
}

bool IsPlainPhrase(const QString& name) {
    static const QRegularExpression atoms(QStringLiteral("^[A-Za-z0-9!#$%&'*+/=?^_`{|}~ -]+$"));
    return atoms.match(name).hasMatch();
}

// One mailbox of a stored address text, or an empty address when it holds none.
struct Mailbox {
    QString name, address;
};
Mailbox ParseMailbox(QString text) {
    text = Trim(text);
    Mailbox m;
    const qsizetype lt = text.lastIndexOf(QLatin1Char('<'));
    if (lt >= 0 && text.endsWith(QLatin1Char('>'))) {
        m.address = Trim(text.mid(lt + 1, text.size() - lt - 2));
        m.name = Trim(text.left(lt));
        if (m.name.size() >= 2 && m.name.startsWith(QLatin1Char('"')) && m.name.endsWith(QLatin1Char('"')))
            m.name = m.name.mid(1, m.name.size() - 2).replace(QStringLiteral("\\\""), QStringLiteral("\""));
    } else {
        m.address = text;
    }
    if (!IsAddrSpec(m.address))
        m.address.clear();
    return m;
}

QByteArray EncodeMailbox(const Mailbox& m, int used) {
    const QByteArray address = m.address.toLatin1();
    if (m.name.isEmpty())
        return address;
    if (IsPlainPhrase(m.name))
        return m.name.toLatin1() + " <" + address + '>';
    bool ascii = true;
    for (const QChar c : m.name)
        ascii = ascii && c.unicode() >= 0x20 && c.unicode() < 0x7F;
    if (ascii) {
        QByteArray quoted = m.name.toLatin1();
        quoted.replace('\\', "\\\\").replace('"', "\\\"");
        return '"' + quoted + "\" <" + address + '>';
    }
    return EncodeHeaderWords(m.name, used) + " <" + address + '>';
}

// "From: ..." or "To: ..." for the stored text; whatever cannot be an address is kept aside.
QByteArray AddressHeader(const char* field, const QString& stored, QByteArray& keptAside) {
    QByteArray value;
    bool lost = false;
    const int used = int(qstrlen(field)) + 2;
    for (const QString& part : stored.split(QRegularExpression(QStringLiteral("[,;]")), Qt::SkipEmptyParts)) {
        const Mailbox m = ParseMailbox(part);
        if (m.address.isEmpty()) {
            lost = lost || !Trim(part).isEmpty();
            continue;
        }
        value += (value.isEmpty() ? QByteArray() : QByteArray(",\r\n ")) +
                 EncodeMailbox(m, value.isEmpty() ? used : 1);
    }
    if (value.isEmpty()) {
        value = kUnknownAddress;
        lost = lost || !Trim(stored).isEmpty();
    }
    if (lost)
        keptAside += "X-Ricorne-Address: " + EncodeUnstructured(stored, 20) + "\r\n";
    return QByteArray(field) + ": " + value + "\r\n";
}

QDateTime ParseStoredDate(const QString& text) {
    QDateTime when = QDateTime::fromString(text, Qt::RFC2822Date);
    if (when.isValid())
        return when;
    // The sent store's clock text, local time.
    static const QRegularExpression clock(
        QStringLiteral("^(\\d{4})/(\\d{1,2})/(\\d{1,2}) +(\\d{1,2}):(\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch m = clock.match(text);
    if (m.hasMatch()) {
        when = QDateTime(QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()),
                         QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt()));
    }
    return when;
}

QByteArray DateValue(const QDateTime& when) {
    const int offset = when.offsetFromUtc() / 60;
    return QLocale::c().toString(when, QStringLiteral("ddd, d MMM yyyy HH:mm:ss ")).toLatin1() +
           QString::asprintf("%c%02d%02d", offset < 0 ? '-' : '+', qAbs(offset) / 60, qAbs(offset) % 60)
               .toLatin1();
}

bool LinesFit(const QByteArray& bytes) {
    qsizetype start = 0;
    while (start <= bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        if (end - start > 998)
            return false;
        start = end + 1;
    }
    return true;
}

QByteArray BodyPart(const QString& body) {
    if (FitsIso2022Jp(body)) {
        QByteArray jis = EncodeIso2022Jp(body);
        if (!jis.isEmpty() && !jis.endsWith("\r\n"))
            jis += "\r\n"; // a message ends with a line end
        if (LinesFit(jis))
            return "Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: "
                   "7bit\r\n\r\n" +
                   jis;
    }
    const QByteArray base64 = body.toUtf8().toBase64();
    QByteArray lines;
    for (qsizetype i = 0; i < base64.size(); i += 76)
        lines += base64.mid(i, 76) + "\r\n";
    return "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n" + lines;
}

// Opens a temporary file beside path that becomes path on Commit.
std::unique_ptr<QSaveFile> OpenOutput(const QString& path, QString* error) {
    auto file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly)) {
        *error = path + QStringLiteral(": ") + file->errorString();
        return nullptr;
    }
    file->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return file;
}

bool Commit(QSaveFile& file, QString* error) {
    if (!file.commit()) {
        *error = file.fileName() + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}

QByteArray ToLf(QByteArray bytes) {
    return bytes.replace("\r\n", "\n");
}

// mboxrd: ">From " at any depth of quoting gets one more ">".
QByteArray QuoteFromLines(const QByteArray& message) {
    static const QRegularExpression from(QStringLiteral("^(>*From )"), QRegularExpression::MultilineOption);
    QString text = QString::fromLatin1(message);
    text.replace(from, QStringLiteral(">\\1"));
    return text.toLatin1();
}

} // namespace

QByteArray RecordMessage(const MailRecord& record, MailSide side, const QString& ownAddress) {
    QByteArray head, aside;
    const QString stored = Shown(record.Address);
    if (side == MailSide::Received) {
        head += AddressHeader("From", stored, aside);
    } else {
        QByteArray ignored;
        head += AddressHeader("From", ownAddress, ignored);
        head += AddressHeader("To", stored, aside);
    }
    const QString dateText = Shown(record.DateText);
    const QDateTime when = ParseStoredDate(dateText);
    if (when.isValid()) {
        head += "Date: " + DateValue(when) + "\r\n";
    } else {
        head += "Date: Thu, 1 Jan 1970 00:00:00 +0000\r\n";
        if (!dateText.isEmpty())
            aside += "X-Ricorne-Date: " + EncodeUnstructured(dateText, 16) + "\r\n";
    }
    head += "Subject: " + EncodeUnstructured(Shown(record.Subject), 9) + "\r\n";
    head += aside;
    head += "MIME-Version: 1.0\r\n";
    return head + BodyPart(Shown(record.Body));
}

ExportResult ExportMbox(const StoreDescriptor& store, MailSide side, const QString& ownAddress,
                        const QString& path) {
    ExportResult result;
    const std::unique_ptr<QSaveFile> out = OpenOutput(path, &result.error);
    if (!out)
        return result;
    auto record = std::make_unique<MailRecord>();
    bool writeFailed = false;
    const bool read = ReadRecords(store, *record, [&](int) {
        const QByteArray message = RecordMessage(*record, side, ownAddress);
        QDateTime when = ParseStoredDate(Shown(record->DateText));
        if (!when.isValid())
            when = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
        const QByteArray envelope =
            "From MAILER-DAEMON " +
            QLocale::c().toString(when.toUTC(), QStringLiteral("ddd MMM d HH:mm:ss yyyy")).toLatin1() + "\n";
        QByteArray body = QuoteFromLines(ToLf(message));
        if (!body.endsWith('\n'))
            body += '\n';
        if (out->write(envelope + body + "\n") < 0) {
            writeFailed = true;
            return false;
        }
        ++result.written;
        return true;
    });
    if (!read || writeFailed) {
        out->cancelWriting();
        result.error = read ? path + QStringLiteral(": ") + out->errorString() : StorePath(store);
        return result;
    }
    result.ok = Commit(*out, &result.error);
    return result;
}

ExportResult ExportEmlFolder(const StoreDescriptor& store, MailSide side, const QString& ownAddress,
                             const QString& folder) {
    ExportResult result;
    if (!QDir().mkpath(folder)) {
        result.error = folder;
        return result;
    }
    auto record = std::make_unique<MailRecord>();
    bool failed = false;
    const bool read = ReadRecords(store, *record, [&](int n) {
        const QString path = QDir(folder).filePath(QStringLiteral("%1.eml").arg(n, 5, 10, QLatin1Char('0')));
        const std::unique_ptr<QSaveFile> out = OpenOutput(path, &result.error);
        if (!out || out->write(RecordMessage(*record, side, ownAddress)) < 0 ||
            !Commit(*out, &result.error)) {
            if (out && result.error.isEmpty())
                result.error = path + QStringLiteral(": ") + out->errorString();
            failed = true;
            return false;
        }
        ++result.written;
        return true;
    });
    if (!read && !failed)
        result.error = StorePath(store);
    result.ok = read && !failed;
    return result;
}

namespace {

QByteArray VcardValue(const QString& text) {
    QString v = text;
    v.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char(','), QStringLiteral("\\,"))
        .replace(QLatin1Char(';'), QStringLiteral("\\;"))
        .replace(QStringLiteral("\r\n"), QStringLiteral("\\n"))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return v.toUtf8();
}

// Lines of at most 75 octets, continued with a space, never inside a UTF-8 character.
QByteArray FoldVcardLine(const QByteArray& line) {
    QByteArray out;
    qsizetype start = 0, limit = 75;
    while (line.size() - start > limit) {
        qsizetype cut = start + limit;
        while (cut > start && (uchar(line.at(cut)) & 0xC0) == 0x80)
            --cut;
        out += line.mid(start, cut - start) + "\r\n ";
        start = cut;
        limit = 74;
    }
    return out + line.mid(start) + "\r\n";
}

QByteArray CsvField(const QString& text) {
    QByteArray v = text.toUtf8();
    if (v.contains('"') || v.contains(',') || v.contains('\n') || v.contains('\r')) {
        v.replace('"', "\"\"");
        v = '"' + v + '"';
    }
    return v;
}

ExportResult ExportAddresses(const QString& path, const QByteArray& head,
                             const std::function<QByteArray(const QString&, const QString&)>& entry) {
    ExportResult result;
    const std::unique_ptr<QSaveFile> out = OpenOutput(path, &result.error);
    if (!out)
        return result;
    QByteArray bytes = head;
    AddressRecord record;
    const bool read = ReadRecords(AddressStore(), record, [&](int) {
        bytes += entry(Shown(record.Name), Shown(record.MailAddress));
        ++result.written;
    });
    if (!read || out->write(bytes) != bytes.size()) {
        out->cancelWriting();
        result.error = read ? path : StorePath(AddressStore());
        return result;
    }
    result.ok = Commit(*out, &result.error);
    return result;
}

} // namespace

ExportResult ExportVcard(const QString& path) {
    return ExportAddresses(path, QByteArray(), [](const QString& name, const QString& address) {
        return "BEGIN:VCARD\r\nVERSION:4.0\r\n" + FoldVcardLine("FN:" + VcardValue(name)) +
               FoldVcardLine("EMAIL:" + VcardValue(address)) + "END:VCARD\r\n";
    });
}

ExportResult ExportCsv(const QString& path) {
    return ExportAddresses(path, "\xEF\xBB\xBFName,E-mail Address\r\n",
                           [](const QString& name, const QString& address) {
                               return CsvField(name) + ',' + CsvField(address) + "\r\n";
                           });
}

} // namespace ricorne
