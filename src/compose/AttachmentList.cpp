#include "compose/AttachmentList.h"

namespace ricorne {

void AttachFirstFile(AttachmentList& list, const FileChooser& choose) {
    list.addEnabled = true;
    const QString path = choose();
    if (!path.isEmpty()) {
        list.text = path;
        list.rows.append(path);
    }
    list.attachEnabled = false;
    list.cancelEnabled = true;
}

void AttachAnotherFile(AttachmentList& list, const FileChooser& choose) {
    list.rowsVisible = true;
    if (list.text.isEmpty())
        return;
    const QString path = choose();
    if (path.isEmpty())
        return;
    list.text += QLatin1Char(',') + path;
    list.rows.append(path);
}

void CancelAttachments(AttachmentList& list) {
    list.text.clear();
    list.rows.clear();
    list.rowsVisible = false;
    list.addEnabled = false;
    list.cancelEnabled = false;
    list.attachEnabled = true;
}

void PrepareAttachmentsForSend(AttachmentList& list) {
    list.addEnabled = false;
    list.rowsVisible = false;
    list.attachEnabled = true;
}

} // namespace ricorne
