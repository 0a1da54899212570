#include "MimeBuilder.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QMimeType>
#include <QRandomGenerator>

#include "core/mime/JapaneseCharsets.h"
#include "core/mime/Rfc2047.h"
#include "core/mime/Rfc2231.h"
#include "core/text/Text.h"

namespace ricorne {

namespace {

const qsizetype kMaxLineBytes = 998;

struct Mailbox {
    QString name;
    QString address;
};

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QChar(0x3000);
}

QString StripBlanks(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && IsBlank(s.at(b))) {
        ++b;
    }
    while (e > b && IsBlank(s.at(e - 1))) {
        --e;
    }
    return s.mid(b, e - b);
}

// Splits at ',' or ';' outside quotes and angle brackets.
QStringList SplitList(const QString& text) {
    QStringList items;
    QString cur;
    bool inQuote = false, inAngle = false;
    for (QChar c : text) {
        if (c == QLatin1Char('"') && !inAngle) {
            inQuote = !inQuote;
        } else if (c == QLatin1Char('<') && !inQuote) {
            inAngle = true;
        } else if (c == QLatin1Char('>') && !inQuote) {
            inAngle = false;
        } else if ((c == QLatin1Char(',') || c == QLatin1Char(';')) && !inQuote && !inAngle) {
            items.append(cur);
            cur.clear();
            continue;
        }
        cur += c;
    }
    items.append(cur);
    return items;
}

bool ValidAddress(const QString& address) {
    if (address.isEmpty() || address.size() > 320) {
        return false;
    }
    for (QChar c : address) {
        const char16_t u = c.unicode();
        if (u <= 0x20 || u >= 0x7F || u == '<' || u == '>' || u == '"' || u == '(' || u == ')' || u == ',' ||
            u == ';' || u == '\\') {
            return false;
        }
    }
    return true;
}

// One mailbox from "address", "name <address>" or "名前<address>"; false when the address is unusable.
bool ParseMailbox(const QString& item, Mailbox* box) {
    const QString s = StripBlanks(item);
    const qsizetype open = s.lastIndexOf(QLatin1Char('<'));
    if (open >= 0) {
        const qsizetype close = s.indexOf(QLatin1Char('>'), open);
        if (close < 0 || !StripBlanks(s.mid(close + 1)).isEmpty()) {
            return false;
        }
        box->address = StripBlanks(s.mid(open + 1, close - open - 1));
        QString name = StripBlanks(s.left(open));
        if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"'))) {
            name = name.mid(1, name.size() - 2);
        }
        box->name = name;
    } else {
        box->address = s;
        box->name.clear();
    }
    return ValidAddress(box->address);
}

bool IsPlainAscii(const QString& s) {
    for (QChar c : s) {
        if (c.unicode() < 0x20 || c.unicode() >= 0x7F) {
            return false;
        }
    }
    return true;
}

// A display name and address for a header line that already holds lineUsed characters.
QByteArray FormatMailbox(const Mailbox& box, int lineUsed) {
    const QByteArray addr = box.address.toLatin1();
    QString name = box.name;
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            c = QLatin1Char(' '); // a line break in a name must not start a header
        }
    }
    if (name.isEmpty()) {
        return addr;
    }
    QByteArray phrase;
    if (IsPlainAscii(name) && !name.contains(QLatin1String("=?"))) {
        static const QByteArray kSpecials("()<>[]:;@\\,.\"");
        bool needQuotes = false;
        for (QChar c : name) {
            needQuotes = needQuotes || kSpecials.contains(static_cast<char>(c.unicode()));
        }
        phrase = name.toLatin1();
        if (needQuotes) {
            phrase.replace("\\", "\\\\").replace("\"", "\\\"");
            phrase = '"' + phrase + '"';
        }
    } else {
        phrase = EncodeHeaderWords(name, lineUsed);
    }
    const qsizetype lastBreak = phrase.lastIndexOf('\n');
    const qsizetype lastLine = lastBreak < 0 ? phrase.size() + lineUsed : phrase.size() - lastBreak - 1;
    if (lastLine + 3 + addr.size() > 76 && phrase.startsWith("=?")) {
        return phrase + "\r\n <" + addr + '>';
    }
    return phrase + " <" + addr + '>';
}

QByteArray Base64Lines(const QByteArray& data) {
    const QByteArray b64 = data.toBase64();
    QByteArray out;
    out.reserve(b64.size() + b64.size() / 76 * 2 + 2);
    for (qsizetype i = 0; i < b64.size(); i += 76) {
        out += b64.mid(i, 76);
        out += "\r\n";
    }
    return out;
}

QByteArray RandomHex(int bytes) {
    QByteArray raw(bytes, Qt::Uninitialized);
    for (int i = 0; i < bytes; ++i) {
        raw[i] = static_cast<char>(QRandomGenerator::system()->bounded(256));
    }
    return raw.toHex();
}

struct BodyPart {
    QByteArray headers; // Content-Type and Content-Transfer-Encoding lines, each ending CR LF
    QByteArray content; // ends in CR LF
};

BodyPart EncodeBody(const QString& body) {
    QString text = ToCrLf(body);
    BodyPart part;
    if (FitsIso2022Jp(text)) {
        QByteArray jis = EncodeIso2022Jp(text);
        bool shortLines = true;
        for (const QByteArray& line : jis.split('\n')) {
            shortLines = shortLines && line.size() <= kMaxLineBytes + 1;
        }
        if (shortLines) {
            part.headers =
                "Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: 7bit\r\n";
            if (!jis.isEmpty() && !jis.endsWith("\r\n")) {
                jis += "\r\n";
            }
            part.content = jis;
            return part;
        }
    }
    part.headers = "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n";
    part.content = Base64Lines(text.normalized(QString::NormalizationForm_C).toUtf8());
    return part;
}

// "Tue, 02 Apr 2024 09:15:00 +0900" in English whatever the locale, with the local offset.
QByteArray DateHeaderValue(const QDateTime& when) {
    static const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate d = when.date();
    const QTime t = when.time();
    const int offset = when.offsetFromUtc() / 60;
    const int absOffset = offset < 0 ? -offset : offset;
    return QByteArray(kDays[d.dayOfWeek() - 1]) + ", " + QByteArray::number(d.day()).rightJustified(2, '0') +
           ' ' + kMonths[d.month() - 1] + ' ' + QByteArray::number(d.year()) + ' ' +
           t.toString(QStringLiteral("HH:mm:ss")).toLatin1() + ' ' + (offset < 0 ? '-' : '+') +
           QByteArray::number(absOffset / 60).rightJustified(2, '0') +
           QByteArray::number(absOffset % 60).rightJustified(2, '0');
}

QByteArray MessageIdDomain(const QString& address) {
    const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
    QByteArray domain;
    if (at >= 0) {
        for (QChar c : address.mid(at + 1)) {
            if (c.isLetterOrNumber() && c.unicode() < 0x80) {
                domain += static_cast<char>(c.unicode());
            } else if (c == QLatin1Char('.') || c == QLatin1Char('-')) {
                domain += static_cast<char>(c.unicode());
            }
        }
    }
    return domain.isEmpty() ? QByteArray("ricorne.localhost") : domain;
}

} // namespace

BuiltMessage BuildMessage(const OutgoingMail& mail) {
    BuiltMessage built;

    Mailbox from;
    if (!ParseMailbox(mail.from, &from)) {
        built.error =
            QStringLiteral("送信者のメールアドレスが正しくありません: ") + CleanHeaderLine(mail.from);
        return built;
    }
    QList<Mailbox> to;
    for (const QString& item : SplitList(mail.to)) {
        if (StripBlanks(item).isEmpty()) {
            continue;
        }
        Mailbox box;
        if (!ParseMailbox(item, &box)) {
            built.error = QStringLiteral("宛先のメールアドレスが正しくありません: ") + CleanHeaderLine(item);
            return built;
        }
        to.append(box);
    }
    if (to.isEmpty()) {
        built.error = QStringLiteral("宛先が指定されていません。");
        return built;
    }

    struct Attachment {
        QString name;
        QByteArray type;
        QByteArray data;
    };
    QList<Attachment> attachments;
    static QMimeDatabase mimeDb;
    for (const QString& path : mail.attachmentPaths) {
        if (path.isEmpty()) {
            continue;
        }
        QFile file(path);
        const QFileInfo info(path);
        if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
            built.error = QStringLiteral("添付ファイルを読み込めません: ") + path;
            return built;
        }
        Attachment a;
        a.data = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            built.error = QStringLiteral("添付ファイルを読み込めません: ") + path;
            return built;
        }
        a.name = info.fileName();
        const QMimeType type = mimeDb.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
        a.type = type.isValid() && !type.isDefault() ? type.name().toLatin1()
                                                     : QByteArray("application/octet-stream");
        if (a.type.startsWith("text/")) {
            // Readers that show a text attachment inline take unlabelled text for ASCII; bytes that
            // are no clean text in any charset we know go as plain data instead.
            const QByteArray charset = CharsetLabelFor(a.data);
            a.type =
                charset.isEmpty() ? QByteArray("application/octet-stream") : a.type + "; charset=" + charset;
        }
        attachments.append(a);
    }

    QString subject = mail.subject;
    for (QChar& c : subject) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.unicode() == 0x2028 || c.unicode() == 0x2029) {
            c = QLatin1Char(' ');
        }
    }

    QByteArray out;
    out += "From: " + FormatMailbox(from, 6) + "\r\n";
    out += "To: ";
    for (qsizetype k = 0; k < to.size(); ++k) {
        if (k > 0) {
            out += ",\r\n ";
        }
        out += FormatMailbox(to.at(k), k == 0 ? 4 : 1);
    }
    out += "\r\n";
    out += "Subject: " + EncodeUnstructured(subject, 9) + "\r\n";
    out += "Date: " + DateHeaderValue(QDateTime::currentDateTime()) + "\r\n";
    out += "Message-ID: <" +
           QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() + '.' +
           RandomHex(8) + '@' + MessageIdDomain(from.address) + ">\r\n";
    out += "MIME-Version: 1.0\r\n";

    const BodyPart body = EncodeBody(mail.body);
    if (attachments.isEmpty()) {
        out += body.headers;
        out += "\r\n";
        out += body.content;
    } else {
        QByteArray boundary;
        do {
            boundary = "=_Ricorne_" + RandomHex(12);
        } while (body.content.contains(boundary));
        out += "Content-Type: multipart/mixed;\r\n boundary=\"" + boundary + "\"\r\n";
        out += "\r\nThis is a multi-part message in MIME format.\r\n";
        out += "\r\n--" + boundary + "\r\n";
        out += body.headers;
        out += "\r\n";
        out += body.content;
        for (const Attachment& a : attachments) {
            out += "\r\n--" + boundary + "\r\n";
            out += "Content-Type: " + a.type + ";\r\n name=";
            if (IsPlainAscii(a.name) && !a.name.contains(QLatin1Char('"')) &&
                !a.name.contains(QLatin1Char('\\')) && a.name.size() <= 60) {
                out += '"' + a.name.toLatin1() + '"';
            } else {
                out += '"' + EncodeHeaderWords(a.name, 7) + '"';
            }
            out += "\r\nContent-Transfer-Encoding: base64\r\n";
            out += "Content-Disposition: attachment" + EncodeRfc2231Parameter("filename", a.name) + "\r\n";
            out += "\r\n";
            out += Base64Lines(a.data);
        }
        out += "\r\n--" + boundary + "--\r\n";
    }
    if (!out.endsWith("\r\n")) {
        out += "\r\n";
    }

    built.ok = true;
    built.bytes = out;
    built.envelopeFrom = from.address;
    for (const Mailbox& box : to) {
        built.recipients.append(box.address);
    }
    return built;
}

} // namespace ricorne
