// Received mail as the user reads it, and its attachments as files.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace ricorne {

struct DecodedMail {
    QString subject; // decoded, one line
    QString date;    // the Date header decoded and unfolded, not reformatted
    QString from;    // "display name <address>" or the bare address; fits 90 CP932 bytes unless the
                     // address alone is longer (the address is never cut)
    QString body;    // first text/plain part (or an HTML-only mail made readable), CR LF line ends,
                     // then one line "[attachment] <safe name>" per attachment
    QStringList attachmentNames; // the safe names, in mail order, before any " (n)" a save adds
    QString headerText;          // the header block as text, CR LF line ends
};

// Pure: reads nothing and writes nothing but its result.
DecodedMail DecodeMail(const QByteArray& raw);

struct ExtractResult {
    int code = 0;           // 1: files written; -5: a file could not be written; -6: a split mail still
                            // waits for parts; 0: nothing to write
    QStringList savedNames; // names as written into the folder (with " (n)" where one was added)
    QString error;          // Japanese text for -5 and -6
};

struct ExtractOptions {
    // A file already holding exactly the attachment's bytes under its name (or a numbered one)
    // is taken as that attachment instead of writing "name (n)": what a mail received again
    // after an interrupted check finds.
    bool reuseIdentical = false;
    // Told each name a new file was given (not the reused ones), right after it got it. False
    // fails the extraction (-5): files that cannot be accounted for must not be made.
    std::function<bool(const QString& name)> created;
};

// Writes every attachment of raw into targetDir under its safe name, never over an existing file
// ("name (1).ext", ...). A part of a split mail (message/partial) is kept in targetDir until all
// parts are there; then they are joined, and the joined mail (as .eml) and its attachments are
// written, and the kept parts removed.
// Each file is first written under a name starting with AttachmentTempPrefix(); once all are
// written, one barrier forces them to disk together, they are renamed, and the folder is forced
// to disk before returning. A file of that prefix left in the folder is what a killed
// extraction leaves.
ExtractResult ExtractAttachments(const QByteArray& raw, const QString& targetDir,
                                 const ExtractOptions& options = {});
QString AttachmentTempPrefix(); // ".ricorne-attachment"

} // namespace ricorne
