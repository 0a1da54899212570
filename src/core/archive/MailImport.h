// Bringing mail and addresses from other programs into the stores.
//
// Mail comes from an mbox file (mboxo or mboxrd; ">From " lines lose one ">"), a maildir (cur/
// and new/), an MH folder (numbered files) or .eml files (one file, or a folder of them). Each
// message is decoded as a received mail is (DecodeMail, attachments into the attachment folder)
// and appended to the received or sent store, oldest first (by Date; undated ones last, in the
// order found).
//
// A digest (SHA-256 of the message with LF line ends) of every imported message is kept in
// "★MailData\imported.txt", so importing the same file again adds nothing. Each message is
// journalled there before its record is written ("P digest record-digest") and confirmed after
// ("D digest"): a kill leaves at most one unconfirmed line, which the next import settles by
// looking for that record in the store, so every mail ends up stored once or not at all.
// The store's limit stops the import cleanly: what was stored stays, the rest is counted.
#pragma once

#include <QString>
#include <QStringList>

namespace ricorne {

enum class ImportTarget { Received, Sent };

struct ImportResult {
    bool ok = false;         // every message found was stored or already there
    int found = 0;           // messages found in the source
    int imported = 0;        // new records
    int alreadyThere = 0;    // skipped: imported before
    int notImported = 0;     // left out: the store was full or a write failed
    bool storeFull = false;  // the store's limit stopped the import
    bool folderBusy = false; // another program holds the folder: nothing was done
    QString error;           // what failed, for the user; empty when ok
};

// attachmentNotice is the line a received mail with attachments gets at the end of its body.
ImportResult ImportMail(const QString& source, ImportTarget target, const QString& attachmentNotice);

// The messages found at source, raw, in source order (an mbox split, a folder read). Empty when
// source is neither a file nor a folder of mail.
QList<QByteArray> ReadMailSource(const QString& source, QString* error = nullptr);

struct AddressImportResult {
    bool ok = false;
    int found = 0, imported = 0, alreadyThere = 0;
    QString error;
};

// vCard (2.1, 3.0 or 4.0: FN, or N when FN is missing, and each EMAIL) or CSV (UTF-8 with or
// without a byte-order mark, or CP932; the columns named like "Name"/"名前"/"表示名" and
// "E-mail"/"メール", otherwise the first two) into the address book. Entries whose name and
// address are already in the book are skipped.
AddressImportResult ImportAddresses(const QString& source);

} // namespace ricorne
