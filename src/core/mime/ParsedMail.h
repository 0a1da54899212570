// A received mail read once: its texts and GMime's reading of it, kept together so that the
// attachments are written from the same reading the texts came from (no second parse).
#pragma once

#include "core/mime/MimeDecoder.h"
#include "core/mime/MimeGObject.h"

#include <QByteArray>

namespace ricorne {

struct ParsedMail {
    QByteArray raw;
    DecodedMail decoded;
    GObjectPtr<GMimeMessage> message; // null when GMime gave up (decoded then holds the raw text)
};

ParsedMail ParseMail(const QByteArray& raw);

// ExtractAttachments (MimeDecoder.h) of a mail already read.
ExtractResult ExtractAttachments(const ParsedMail& mail, const QString& targetDir,
                                 const ExtractOptions& options = {});

} // namespace ricorne
