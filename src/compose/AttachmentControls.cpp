#include "compose/AttachmentControls.h"

#include "compose/ComposeTexts.h"
#include "core/dialogs/DialogService.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace ricorne {

AttachmentControls::AttachmentControls(QWidget* parent, const QString& attachCaption, AttachmentList& list)
    : QObject(parent), list_(list),
      chooser_([] { return Dialogs().OpenFile(AttachDialogTitle(), QString(), QString()); }),
      attach_(new QPushButton(attachCaption, parent)), add_(new QPushButton(QStringLiteral(u"追加"), parent)),
      cancel_(new QPushButton(QStringLiteral(u"取り消し"), parent)), text_(new QLineEdit(parent)),
      rows_(new QListWidget(parent)) {
    attach_->setObjectName(QStringLiteral("AttachCommand"));
    add_->setObjectName(QStringLiteral("Command9"));
    cancel_->setObjectName(QStringLiteral("Command10"));
    text_->setObjectName(QStringLiteral("AttachText"));
    rows_->setObjectName(QStringLiteral("List2"));
    text_->setReadOnly(true);
    for (QPushButton* button : {attach_, add_, cancel_})
        button->setAutoDefault(false);
    connect(attach_, &QPushButton::clicked, this, [this] { Run(&AttachFirstFile); });
    connect(add_, &QPushButton::clicked, this, [this] { Run(&AttachAnotherFile); });
    connect(cancel_, &QPushButton::clicked, this, [this] {
        CancelAttachments(list_);
        Push();
    });
}

void AttachmentControls::SetFileChooser(FileChooser chooser) {
    chooser_ = std::move(chooser);
}

void AttachmentControls::Run(void (*operation)(AttachmentList&, const FileChooser&)) {
    operation(list_, chooser_);
    Push();
}

void AttachmentControls::Push() {
    const QString text = list_.Text();
    if (text_->text() != text)
        text_->setText(text);
    QStringList shown;
    for (int i = 0; i < rows_->count(); ++i)
        shown.append(rows_->item(i)->text());
    if (shown != list_.paths) {
        rows_->clear();
        rows_->addItems(list_.paths);
    }
    attach_->setEnabled(list_.attachEnabled);
    add_->setEnabled(list_.addEnabled);
    cancel_->setEnabled(list_.cancelEnabled);
    rows_->setVisible(list_.rowsVisible);
    if (list_.rowsVisible)
        rows_->raise(); // drops down over the controls below it
}

} // namespace ricorne
