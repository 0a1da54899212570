// A dialog service for tests: records every request and answers from a script, never blocking.
// Unscripted requests get the "cancel" answer (Cancel / No / Ok for Ok-only boxes, an empty
// path, a cancelled print dialog) and are counted, so a test can fail on a surprise dialog.
#pragma once

#include "core/dialogs/DialogService.h"

#include <QStringList>
#include <deque>
#include <vector>

namespace ricorne {

struct DialogRequest {
    enum class Kind { Message, OpenFile, SaveFile, Print, PrintText, Outgoing };
    Kind kind = Kind::Message;
    QString title; // as asked (empty stays empty; the Qt service would show AppTitle())
    QString text;  // message text, or the printed text
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    QString folder; // folder or suggested path of file dialogs
    QString filter;
    bool hasSelection = false;
    PrintFont font;
    int copies = 1;        // copies printed
    OutgoingMail outgoing; // what the check before a send showed
    bool scripted = true;  // false when no scripted answer was left
};

class ScriptedDialogService : public DialogService {
public:
    // Queue answers, consumed in order by requests of the matching kind.
    void QueueAnswer(Answer answer) { answers_.push_back(answer); }
    void QueuePath(const QString& path) { paths_.push_back(path); } // open and save dialogs
    void QueuePrint(const PrintAnswer& answer) { prints_.push_back(answer); }
    void QueueOutgoing(bool send) { outgoing_.push_back(send); } // the check before a send

    const std::vector<DialogRequest>& Requests() const { return requests_; }
    QStringList MessageTexts() const;
    int UnscriptedCount() const;
    void Clear();

    Answer Message(const QString& title, const QString& text, MessageIcon icon,
                   MessageButtons buttons) override;
    QString OpenFile(const QString& title, const QString& folder, const QString& filter) override;
    QString SaveFile(const QString& title, const QString& suggestedPath, const QString& filter) override;
    PrintAnswer AskPrint(bool hasSelection) override;
    void PrintText(const QString& text, const PrintFont& font, int copies = 1) override;
    bool ConfirmOutgoing(const OutgoingMail& mail) override;

private:
    QString NextPath(DialogRequest& request);

    std::vector<DialogRequest> requests_;
    std::deque<Answer> answers_;
    std::deque<QString> paths_;
    std::deque<PrintAnswer> prints_;
    std::deque<bool> outgoing_;
};

} // namespace ricorne
