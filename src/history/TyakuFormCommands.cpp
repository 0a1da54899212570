// What the viewer's menu items, toolbar buttons and record buttons run, and the parts of the
// viewer the record operations reach: the body's focus and the field preview Text6.
#include "history/EditorCommands.h"
#include "history/HistoryExport.h"
#include "history/RecordOperations.h"
#include "history/TyakuForm.h"
#include "history/TyakuFormEditor.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace ricorne {

void TyakuForm::Wire() {
    editorHost_ = MakeEditorHost(*this);
    for (int i = 0; i < 6; ++i) {
        connect(recordButtons_[i], &QPushButton::clicked, this,
                [this, command = kRecordButtonCommands[i]] { RunCommand(command); });
    }
}

void TyakuForm::RunCommand(ViewerCommand command) {
    EditorHost& host = *editorHost_;
    switch (command) {
    case ViewerCommand::New:
        NewCommand(host, Editor());
        break;
    case ViewerCommand::Open:
        OpenCommand(host);
        break;
    case ViewerCommand::Save:
        SaveAsCommand(host, *this);
        break;
    case ViewerCommand::Print:
        PrintCommand(host);
        break;
    case ViewerCommand::Cut:
        CutCommand(host);
        break;
    case ViewerCommand::Copy:
        CopyCommand(host);
        break;
    case ViewerCommand::Paste:
        PasteCommand(host);
        break;
    case ViewerCommand::Bold:
        StyleCommand(host, Editor(), FontStyle::Bold);
        break;
    case ViewerCommand::Italic:
        StyleCommand(host, Editor(), FontStyle::Italic);
        break;
    case ViewerCommand::Underline:
        StyleCommand(host, Editor(), FontStyle::Underline);
        break;
    case ViewerCommand::SelectAll:
        SelectAllCommand(host);
        break;
    case ViewerCommand::JumpStart:
        JumpToStartCommand(host);
        break;
    case ViewerCommand::JumpEnd:
        JumpToEndCommand(host);
        break;
    case ViewerCommand::Search:
        SearchCommand(host, searchPos_);
        break;
    case ViewerCommand::FindNext:
        FindNextCommand(host, searchPos_);
        break;
    case ViewerCommand::Close:
        close();
        break;
    case ViewerCommand::ExportMbox:
        ExportFromViewer(HistoryExportKind::Mbox);
        break;
    case ViewerCommand::ExportEml:
        ExportFromViewer(HistoryExportKind::EmlFolder);
        break;
    case ViewerCommand::ExportVcard:
        ExportFromViewer(HistoryExportKind::Vcard);
        break;
    case ViewerCommand::ExportCsv:
        ExportFromViewer(HistoryExportKind::Csv);
        break;
    case ViewerCommand::Backup:
        BackupFromViewer();
        break;
    case ViewerCommand::CopyField: {
        // Emptied first, so other programs see the old text go even when the new one is empty.
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(CopyField(*this));
        break;
    }
    case ViewerCommand::QuickSave:
        TextQuickSave(*this);
        break;
    case ViewerCommand::DeleteOne:
        DeleteOneRecord(*this);
        break;
    case ViewerCommand::RegisterSender:
        RegisterSender(*this);
        break;
    case ViewerCommand::Reply:
        ReplyToRecord(*this);
        break;
    case ViewerCommand::DeleteAll:
        DeleteAllRecords(*this);
        break;
    }
}

void TyakuForm::FocusBody() {
    BodyEditor()->setFocus(Qt::OtherFocusReason);
}

QString TyakuForm::PreviewText() const {
    return PreviewBox()->text();
}

void TyakuForm::SetPreviewText(const QString& text) {
    PreviewBox()->setText(text);
}

void TyakuForm::SetBusyPointer(bool on) {
    if (on)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

} // namespace ricorne
