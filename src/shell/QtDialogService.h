// The dialog service with real Qt dialogs, parented to the active window.
#pragma once

#include "core/dialogs/DialogService.h"

#include <memory>

class QPrinter;

namespace ricorne {

class QtDialogService : public DialogService {
public:
    QtDialogService();
    ~QtDialogService() override;

    Answer Message(const QString& title, const QString& text, MessageIcon icon,
                   MessageButtons buttons) override;
    QString OpenFile(const QString& title, const QString& folder, const QString& filter) override;
    QString SaveFile(const QString& title, const QString& suggestedPath, const QString& filter) override;
    PrintAnswer AskPrint(bool hasSelection) override;
    void PrintText(const QString& text, const PrintFont& font, int copies = 1) override;
    bool ConfirmOutgoing(const OutgoingMail& mail) override;

    // The printer the print dialog sets up and PrintText prints on; replacing it lets a test
    // print to a PDF file through the same path.
    void SetPrinter(std::unique_ptr<QPrinter> printer);

private:
    std::unique_ptr<QPrinter> printer_; // created at the first print dialog
};

} // namespace ricorne
