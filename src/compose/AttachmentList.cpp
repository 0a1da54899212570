#include "compose/AttachmentList.h"

namespace ricorne {

void AttachFirstFile(AttachmentList& list, const FileChooser& choose) {
    list.addEnabled = true;
    const QString path = choose();
    if (!path.isEmpty())
        list.paths = QStringList{path};
    list.attachEnabled = false;
    list.cancelEnabled = true;
}

void AttachAnotherFile(AttachmentList& list, const FileChooser& choose) {
    list.rowsVisible = true;
    if (list.IsEmpty())
        return;
    const QString path = choose();
    if (path.isEmpty())
        return;
    list.paths.append(path);
}

void CancelAttachments(AttachmentList& list) {
    list.paths.clear();
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
