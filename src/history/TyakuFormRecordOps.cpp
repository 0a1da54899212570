// The viewer's six record buttons bound to the record operations, and the parts of the viewer
// those operations reach: the body's focus and the field preview Text6.
#include "history/RecordOperations.h"
#include "history/TyakuForm.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace ricorne {

void TyakuForm::BindRecordOperations() {
    connect(Command(1), &QPushButton::clicked, this, [this] {
        // Emptied first, so other programs see the old text go even when the new one is empty.
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(CopyField(*this));
    });
    connect(Command(2), &QPushButton::clicked, this, [this] { TextQuickSave(*this); });
    connect(Command(3), &QPushButton::clicked, this, [this] { DeleteOneRecord(*this); });
    connect(Command(4), &QPushButton::clicked, this, [this] { RegisterSender(*this); });
    connect(Command(5), &QPushButton::clicked, this, [this] { ReplyToRecord(*this); });
    connect(Command(6), &QPushButton::clicked, this, [this] { DeleteAllRecords(*this); });
}

void TyakuForm::FocusBody() {
    RtfEd()->setFocus(Qt::OtherFocusReason);
}

QString TyakuForm::PreviewText() const {
    return Text6()->text();
}

void TyakuForm::SetPreviewText(const QString& text) {
    Text6()->setText(text);
}

void TyakuForm::SetBusyPointer(bool on) {
    if (on)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

} // namespace ricorne
