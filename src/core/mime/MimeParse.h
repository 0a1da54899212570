// The structure of a received mail, read with GMime: which part is the body, which parts are
// attachments and under which names. Shared by decoding and attachment extraction so both always
// agree on the names.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

#include "core/mime/MimeGObject.h"

namespace ricorne {

// GMime parses raw mail (never null for non-empty input; null only when GMime gives up).
GObjectPtr<GMimeMessage> MimeParseMessage(const QByteArray& raw);
// The same for bytes RepairHeaderBlocks has already been through.
GObjectPtr<GMimeMessage> MimeParseRepaired(const QByteArray& repaired);

// The raw (undecoded, possibly folded) value of the first header called name, or a null array.
QByteArray MimeRawHeader(GMimeObject* object, const char* name);

// A part's content with the transfer encoding undone (charset untouched).
QByteArray MimePartContent(GMimePart* part);
// The same decoded by GMime's filters alone (what MimePartContent must agree with).
QByteArray MimePartContentByGMime(GMimePart* part);

// The object written out as it would appear in a mail file.
QByteArray MimeSerialize(GMimeObject* object);

struct MimeAttachment {
    GMimeObject* object = nullptr; // borrowed from the parsed message
    bool isMessage = false;        // an attached message: save object (a GMimeMessage) as .eml
    QString name;                  // the safe file name
};

struct MimeLayout {
    GMimePart* body = nullptr; // borrowed; null when the mail has no text part
    bool bodyIsHtml = false;
    std::vector<MimeAttachment> attachments;
    std::vector<GMimeMessagePartial*> partials; // borrowed
    // Multiparts in which no boundary was found (missing, wrong or never there): their text sits
    // in front of a boundary that never comes. Borrowed, in mail order.
    std::vector<GMimeMultipart*> unsplit;
    // Where the nesting went deeper than is followed: the first container left unread (borrowed).
    GMimeObject* tooDeep = nullptr;
};

MimeLayout MimeLayOut(GMimeMessage* message);

// The body part as the user reads it: charset decoded, HTML made readable, lines ending in CR LF,
// NUL characters as spaces (so nothing downstream cuts the text short).
QString MimeBodyText(GMimePart* part, bool html);

} // namespace ricorne
