// Writing the mail stores and the address book in formats other programs read.
//
// A mail record becomes one RFC 5322 message: Subject and the addresses' display names as
// encoded words, the Date as stored when it reads as a date (RFC 5322 text, or the sent store's
// "yyyy/MM/dd  HH:mm:ss"; otherwise the Date is the Unix epoch and the stored text rides in
// X-Ricorne-Date), and the body as 7-bit ISO-2022-JP when it fits, UTF-8 in base64 otherwise.
// An address text that holds no usable address goes into X-Ricorne-Address, and From or To
// then names "unknown@unknown.invalid" (the field must hold an address).
//
// Every export writes a temporary file and renames it into place when whole, so a failed
// export never leaves a half file under the chosen name; files are created 0600 (they hold
// private mail).
#pragma once

#include "core/stores/MailRecord.h"
#include "core/stores/RecordStore.h"

#include <QByteArray>
#include <QString>

namespace ricorne {

enum class MailSide { Received, Sent };

// The message for one record, lines ending in CR LF. ownAddress is the From of a sent mail.
QByteArray RecordMessage(const MailRecord& record, MailSide side, const QString& ownAddress);

struct ExportResult {
    bool ok = false;
    int written = 0; // messages or entries written
    QString error;   // what failed and where, for the user; empty on success
};

// Every whole record of store into one mbox file (mboxrd: a body line that starts with any
// number of ">" and then "From " gets one more ">"; LF line ends).
ExportResult ExportMbox(const StoreDescriptor& store, MailSide side, const QString& ownAddress,
                        const QString& path);

// Every whole record into folder (created when missing) as NNNNN.eml (record number, CR LF).
ExportResult ExportEmlFolder(const StoreDescriptor& store, MailSide side, const QString& ownAddress,
                             const QString& folder);

// The address book as vCard 4.0 (one card per entry: FN and EMAIL, UTF-8) or as CSV (UTF-8 with
// a byte-order mark, the columns "Name" and "E-mail Address", RFC 4180 quoting, CR LF).
ExportResult ExportVcard(const QString& path);
ExportResult ExportCsv(const QString& path);

} // namespace ricorne
