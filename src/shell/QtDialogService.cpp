#include "shell/QtDialogService.h"

#include "shell/SendCheckDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace ricorne {

QtDialogService::QtDialogService() = default;
QtDialogService::~QtDialogService() = default;

bool QtDialogService::ConfirmOutgoing(const OutgoingMail& mail) {
    SendCheckDialog dialog(mail, QApplication::activeWindow());
    return dialog.exec() == QDialog::Accepted;
}

Answer QtDialogService::Message(const QString& title, const QString& text, MessageIcon icon,
                                MessageButtons buttons) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title.isEmpty() ? AppTitle() : title);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    switch (icon) {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    switch (buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
        break;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return CancellingAnswer(buttons);
    }
}

QString QtDialogService::OpenFile(const QString& title, const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, folder, filter);
}

QString QtDialogService::SaveFile(const QString& title, const QString& suggestedPath, const QString& filter) {
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, suggestedPath, filter);
}

void QtDialogService::SetPrinter(std::unique_ptr<QPrinter> printer) {
    printer_ = std::move(printer);
}

PrintAnswer QtDialogService::AskPrint(bool hasSelection) {
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setCopyCount(1);
    QPrintDialog dialog(printer_.get(), QApplication::activeWindow());
    dialog.setOption(QAbstractPrintDialog::PrintSelection, hasSelection);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setPrintRange(hasSelection ? QAbstractPrintDialog::Selection : QAbstractPrintDialog::AllPages);
    PrintAnswer answer;
    if (dialog.exec() != QDialog::Accepted)
        return answer;
    answer.accepted = true;
    answer.selectionOnly = dialog.printRange() == QAbstractPrintDialog::Selection;
    answer.copies = qMax(1, printer_->copyCount());
    // PrintText lays the copies out itself, so the printer must not multiply them again.
    printer_->setCopyCount(1);
    return answer;
}

void QtDialogService::PrintText(const QString& text, const PrintFont& font, int copies) {
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QFont f(font.family);
    f.setPointSizeF(font.pointSize);
    f.setBold(font.bold);
    f.setItalic(font.italic);
    QTextDocument doc;
    doc.setDefaultFont(f);
    doc.setPlainText(text);
    // One job with every copy, each from a new page: a printer that writes a file would
    // otherwise keep only the last of several jobs.
    const QTextDocumentFragment copy = QTextDocumentFragment::fromPlainText(text);
    QTextCursor end(&doc);
    for (int n = 1; n < copies; ++n) {
        end.movePosition(QTextCursor::End);
        QTextBlockFormat pageBreak;
        pageBreak.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        end.insertBlock(pageBreak);
        end.insertFragment(copy);
    }
    doc.print(printer_.get());
}

} // namespace ricorne
