#include "MimeDecoder.h"

#include <QDir>
#include <QFile>

#include <utility>

#include "core/mime/JapaneseCharsets.h"
#include "core/mime/MimeParse.h"
#include "core/mime/MimePartial.h"
#include "core/mime/MimeRepair.h"
#include "core/mime/ParsedMail.h"
#include "core/mime/Rfc2047.h"
#include "core/text/Text.h"

namespace ricorne {

namespace {

const int kSenderFieldBytes = 90;

// Where the header block of raw ends (at its blank line) and where the body begins.
void SplitHeaderBlock(const QByteArray& raw, qsizetype* headerEnd, qsizetype* bodyStart) {
    const qsizetype crlf = raw.indexOf("\r\n\r\n");
    // Only a bare LF blank line before the CR LF one matters: the search stops there instead of
    // running through the whole body of a CR LF mail.
    const qsizetype lf = QByteArrayView(raw).first(crlf >= 0 ? crlf : raw.size()).indexOf("\n\n");
    if (crlf >= 0 && (lf < 0 || crlf < lf)) {
        *headerEnd = crlf;
        *bodyStart = crlf + 4;
    } else if (lf >= 0) {
        *headerEnd = lf;
        *bodyStart = lf + 2;
    } else {
        *headerEnd = raw.size();
        *bodyStart = raw.size();
    }
}

QString HeaderBlockText(const QByteArray& raw) {
    qsizetype end, bodyStart;
    SplitHeaderBlock(raw, &end, &bodyStart);
    QString text = GuessDecode(raw.left(end));
    text.replace(QChar(u'\0'), QLatin1Char(' '));
    return ToCrLf(text);
}

// Everything after the header block, as text.
QString RawBodyText(const QByteArray& raw) {
    qsizetype end, bodyStart;
    SplitHeaderBlock(raw, &end, &bodyStart);
    QString text = GuessDecode(raw.mid(bodyStart));
    text.replace(QChar(u'\0'), QLatin1Char(' '));
    return ToCrLf(text);
}

// True when text holds a letter or digit outside boundary lines and part headers.
bool HasWords(const QString& text) {
    for (const QStringView line : QStringView(text).split(u'\n')) {
        const QStringView t = line.trimmed();
        if (t.startsWith(u"--") || t.isEmpty()) {
            continue;
        }
        const qsizetype colon = t.indexOf(u':');
        if (colon > 0 && !t.left(colon).contains(u' ')) {
            continue; // a header line of a part
        }
        for (QChar c : t) {
            if (c.isLetterOrNumber()) {
                return true;
            }
        }
    }
    return false;
}

// Drops quotes and backslash escapes from a phrase; comments are kept as text.
QByteArray Unquote(const QByteArray& phrase) {
    QByteArray out;
    bool inQuote = false;
    for (qsizetype i = 0; i < phrase.size(); ++i) {
        const char c = phrase.at(i);
        if (c == '"') {
            inQuote = !inQuote;
        } else if (c == '\\' && inQuote && i + 1 < phrase.size()) {
            out += phrase.at(++i);
        } else {
            out += c;
        }
    }
    return out;
}

QString StripSpacesAndQuotes(QString s) {
    auto strip = [](QChar c) {
        return c == QLatin1Char(' ') || c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QChar(0x3000);
    };
    qsizetype b = 0, e = s.size();
    while (b < e && strip(s.at(b))) {
        ++b;
    }
    while (e > b && strip(s.at(e - 1))) {
        --e;
    }
    return s.mid(b, e - b);
}

// "display name <address>" from a raw From value (the first mailbox when there are several).
QString SenderText(const QByteArray& raw) {
    // Raw 8-bit or ISO-2022-JP text first (its escape bytes hold '(' and '$'); encoded words are
    // ASCII and come through unchanged, to be decoded once the structure is known.
    QByteArray v = GuessDecode(UnfoldHeader(raw)).toUtf8();
    // Group syntax, "name: member, member;": the first member is the sender, and a group with no
    // member is shown by its name.
    bool groupQuote = false;
    for (qsizetype i = 0; i < v.size(); ++i) {
        const char c = v.at(i);
        if (c == '"') {
            groupQuote = !groupQuote;
        } else if (groupQuote) {
            continue;
        } else if (c == '<' || c == '@' || c == '(' || c == ',') {
            break;
        } else if (c == ':') {
            const QByteArray name = v.left(i);
            v = v.mid(i + 1).trimmed();
            while (v.endsWith(';')) {
                v.chop(1);
            }
            if (v.trimmed().isEmpty()) {
                return CleanHeaderLine(DecodeHeaderText(Unquote(name)));
            }
            break;
        }
    }
    // The first mailbox ends at a comma outside quotes, comments and angle brackets.
    bool inQuote = false;
    int comment = 0;
    bool inAngle = false;
    qsizetype angleOpen = -1, angleClose = -1;
    qsizetype end = v.size();
    QByteArray bare, commentText;
    for (qsizetype i = 0; i < v.size(); ++i) {
        const char c = v.at(i);
        if (inQuote) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inQuote = false;
            }
            continue;
        }
        if (comment > 0) {
            if (c == '\\') {
                ++i;
                continue;
            }
            if (c == '(') {
                ++comment;
            } else if (c == ')') {
                --comment;
            }
            if (comment > 0) {
                commentText += c;
            }
            continue;
        }
        if (c == '"') {
            inQuote = true;
        } else if (c == '(' && !inAngle) {
            comment = 1;
            commentText += ' ';
        } else if (c == '<' && angleOpen < 0) {
            inAngle = true;
            angleOpen = i;
        } else if (c == '>' && inAngle) {
            inAngle = false;
            angleClose = i;
        } else if (c == ',' && !inAngle) {
            end = i;
            break;
        } else if (angleOpen < 0) {
            bare += c;
        }
    }
    QString address;
    QString display;
    if (angleOpen < 0 && !bare.contains('@')) {
        // No address at all, just a name (often a lone encoded word): show the name.
        return CleanHeaderLine(DecodeHeaderText(Unquote(v.left(end))));
    }
    if (angleOpen >= 0) {
        QByteArray addr = v.mid(angleOpen + 1, (angleClose > angleOpen ? angleClose : end) - angleOpen - 1);
        if (const qsizetype colon = addr.lastIndexOf(':'); colon >= 0 && addr.startsWith('@')) {
            addr = addr.mid(colon + 1); // obsolete source route
        }
        address = GuessDecode(addr.trimmed());
        display = DecodeHeaderText(Unquote(v.left(angleOpen)));
    } else {
        address = GuessDecode(bare.trimmed());
        display = DecodeHeaderText(commentText);
    }
    address = CleanHeaderLine(address);
    address.remove(QLatin1Char(' '));
    display = StripSpacesAndQuotes(CleanHeaderLine(display));
    if (display.isEmpty() || display == address) {
        return address.isEmpty() ? display : address;
    }
    if (address.isEmpty()) {
        return display;
    }
    // Shorten the name, never the address (a reply goes to it).
    const QString tail = QStringLiteral(" <") + address + QLatin1Char('>');
    const int tailBytes = static_cast<int>(EncodeCp932(tail).size());
    if (tailBytes >= kSenderFieldBytes) {
        return address;
    }
    // Every character takes at least one byte: a longer name is cut first, so the loop below
    // stays short even for a name of megabytes.
    if (const qsizetype keep = 2 * kSenderFieldBytes; display.size() > keep) {
        display.truncate(display.at(keep - 1).isHighSurrogate() ? keep - 1 : keep);
    }
    while (!display.isEmpty() && EncodeCp932(display).size() + tailBytes > kSenderFieldBytes) {
        display.chop(display.size() >= 2 && display.at(display.size() - 1).isLowSurrogate() ? 2 : 1);
    }
    display = StripSpacesAndQuotes(display);
    return display.isEmpty() ? address : display + tail;
}

QString PartialNote(GMimeMessagePartial* partial) {
    const int number = g_mime_message_partial_get_number(partial);
    const int total = g_mime_message_partial_get_total(partial);
    return QStringLiteral("[partial] %1/%2")
        .arg(number > 0 ? QString::number(number) : QStringLiteral("?"),
             total > 0 ? QString::number(total) : QStringLiteral("?"));
}

// The texts of raw as the user reads them, from GMime's reading of the repaired bytes.
DecodedMail DecodeParsed(const QByteArray& raw, const QByteArray& repaired, GMimeMessage* message);

} // namespace

DecodedMail DecodeMail(const QByteArray& raw) {
    return ParseMail(raw).decoded;
}

ParsedMail ParseMail(const QByteArray& raw) {
    ParsedMail parsed;
    parsed.raw = raw;
    const QByteArray repaired = RepairHeaderBlocks(raw);
    parsed.message = MimeParseRepaired(repaired);
    parsed.decoded = DecodeParsed(raw, repaired, parsed.message.get());
    return parsed;
}

namespace {

DecodedMail DecodeParsed(const QByteArray& raw, const QByteArray& repaired, GMimeMessage* message) {
    DecodedMail mail;
    mail.headerText = HeaderBlockText(repaired);
    if (!message) {
        QString text = GuessDecode(raw);
        text.replace(QChar(u'\0'), QLatin1Char(' '));
        mail.body = ToCrLf(text);
        return mail;
    }
    GMimeObject* top = GMIME_OBJECT(message);
    mail.subject = CleanHeaderLine(DecodeHeaderText(MimeRawHeader(top, "Subject")));
    mail.date = CleanHeaderLine(DecodeHeaderText(MimeRawHeader(top, "Date")));
    QByteArray from = MimeRawHeader(top, "From");
    if (from.trimmed().isEmpty()) {
        from = MimeRawHeader(top, "Sender");
    }
    mail.from = SenderText(from);

    const MimeLayout layout = MimeLayOut(message);
    if (layout.body) {
        mail.body = MimeBodyText(layout.body, layout.bodyIsHtml);
    } else if (layout.tooDeep) {
        // Nested past what is followed: the rest of the mail as it is, not nothing.
        QString text = GuessDecode(MimeSerialize(layout.tooDeep));
        text.replace(QChar(u'\0'), QLatin1Char(' '));
        mail.body = ToCrLf(text);
    } else {
        // Broken structure (a multipart whose boundary never appears, is wrong or missing): the
        // mail is deleted from the server once stored, so keep the text that is there. The whole
        // body when the mail itself is such a multipart (GMime's copy would end at a NUL).
        for (GMimeMultipart* mp : layout.unsplit) {
            if (GMIME_OBJECT(mp) == g_mime_message_get_mime_part(message)) {
                mail.body = RawBodyText(repaired);
                break;
            }
            for (const char* piece : {g_mime_multipart_get_prologue(mp), g_mime_multipart_get_epilogue(mp)}) {
                if (piece && *piece) {
                    mail.body += ToCrLf(GuessDecode(QByteArray(piece)));
                }
            }
        }
    }
    if (mail.body.trimmed().isEmpty() && layout.attachments.empty() && layout.partials.empty() &&
        HasWords(RawBodyText(repaired))) {
        // Text is there but no reading found it: a mail is deleted from the server once stored,
        // so it is stored as it came rather than empty.
        mail.body = RawBodyText(repaired);
    }
    QStringList extra;
    for (GMimeMessagePartial* partial : layout.partials) {
        extra.append(PartialNote(partial));
    }
    for (const MimeAttachment& a : layout.attachments) {
        mail.attachmentNames.append(a.name);
        extra.append(QStringLiteral("[attachment] ") + a.name);
    }
    if (!extra.isEmpty()) {
        if (!mail.body.isEmpty() && !mail.body.endsWith(QLatin1String("\r\n"))) {
            mail.body += QStringLiteral("\r\n");
        }
        mail.body += extra.join(QStringLiteral("\r\n"));
    }
    return mail;
}

} // namespace

} // namespace ricorne
