// Outgoing mail as bytes ready for SMTP DATA.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ricorne {

struct OutgoingMail {
    QString from;    // own address, "address" or "name <address>"
    QString to;      // recipient text as typed: "address", "名前<address>", several joined by ',' or ';'
    QString subject; // line breaks in it become spaces: a subject can never add a header
    QString body;
    QStringList attachmentPaths; // full paths; empty entries are ignored
};

struct BuiltMessage {
    bool ok = false;
    QString error;    // Japanese, names the address or file at fault
    QByteArray bytes; // the whole message, CR LF line ends, not dot-stuffed, ends in CR LF
    QString envelopeFrom;
    QStringList recipients;
};

// From, To (display names encoded), Subject (RFC 2047), Date with zone, Message-ID, MIME-Version.
// The body goes as 7-bit ISO-2022-JP when every character is ASCII or JIS X 0208 (and no line
// grows past 998 bytes), otherwise as UTF-8 in base64. Attachments are read now (an unreadable
// one fails the build with its path in the message) and go as base64 with an RFC 2231 file name
// plus an encoded name= for older readers. An address with a control character, white space or a
// character outside ASCII is refused rather than written into a header.
BuiltMessage BuildMessage(const OutgoingMail& mail);

} // namespace ricorne
