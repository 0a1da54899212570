// The attachment list of the compose and reply windows and its three buttons ("添付File" or
// "添付", "追加", "取り消し"). The first file always comes from the attach button, every further
// one from "追加". The chosen paths are kept as a list all the way to the mail component: a path
// may itself hold a comma, so the joined text AttachText shows is for reading only and is never
// split again.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace ricorne {

struct AttachmentList {
    QStringList paths;        // full paths in the order chosen; List2 shows one row per path
    bool rowsVisible = false; // List2 drops down only after "追加"
    bool attachEnabled = true;
    bool addEnabled = false;
    bool cancelEnabled = true;

    // AttachText: the paths joined by "," (empty: no attachment).
    QString Text() const { return paths.join(QLatin1Char(',')); }
    bool IsEmpty() const { return paths.isEmpty(); }
};

// Asks the user for one file; an empty text means the dialog was cancelled.
using FileChooser = std::function<QString()>;

// "添付File": enables "追加", asks for a file and makes it the whole list, then disables
// itself whether or not a file was chosen. It also enables "取り消し", so attachments can
// always be cancelled again after an earlier cancel or clear.
void AttachFirstFile(AttachmentList& list, const FileChooser& choose);

// "追加": shows the rows; when the list is not empty, asks for another file and appends it.
void AttachAnotherFile(AttachmentList& list, const FileChooser& choose);

// "取り消し": empties the list, hides the rows, disables "追加" and "取り消し" and enables the
// attach button.
void CancelAttachments(AttachmentList& list);

// Before a send: "追加" off, rows hidden, attach button on; the list itself stays.
void PrepareAttachmentsForSend(AttachmentList& list);

} // namespace ricorne
