// The attachment controls both writing windows share: the attach button ("添付File" in the
// compose window, "添付" in the reply window), "追加", "取り消し", the list text AttachText and
// the drop-down rows List2, bound to one AttachmentList.
#pragma once

#include "compose/AttachmentList.h"

#include <QObject>

class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace ricorne {

class AttachmentControls : public QObject {
    Q_OBJECT
public:
    // The controls are children of parent; the caller places them. list outlives this object.
    AttachmentControls(QWidget* parent, const QString& attachCaption, AttachmentList& list);

    QPushButton* AttachButton() const { return attach_; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* CancelButton() const { return cancel_; }
    QLineEdit* AttachText() const { return text_; }
    QListWidget* Rows() const { return rows_; }

    // The list into the controls. AttachText only shows the list: paths are chosen through the
    // dialog, never typed, so there is nothing to read back from it.
    void Push();

    // How a file is chosen (the dialog service's open-file dialog by default).
    void SetFileChooser(FileChooser chooser);

private:
    void Run(void (*operation)(AttachmentList&, const FileChooser&));

    AttachmentList& list_;
    FileChooser chooser_;
    QPushButton* attach_;
    QPushButton* add_;
    QPushButton* cancel_;
    QLineEdit* text_;
    QListWidget* rows_;
};

} // namespace ricorne
