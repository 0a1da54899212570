// The mail tool's way of showing what the program would show in a box: each message's text is
// one line on stdout (line breaks inside become spaces), in order with the status lines, so a
// script reads them as they happened. The box title is not printed: the texts say enough and
// scripts match whole lines. Nothing is ever asked: a confirmation is answered No (the box's
// cancelling answer), file dialogs are cancelled and nothing is printed on paper.
#pragma once

#include "core/dialogs/DialogService.h"

namespace ricorne {

class PrintingDialogService : public DialogService {
public:
    Answer Message(const QString& title, const QString& text, MessageIcon icon,
                   MessageButtons buttons) override;
    QString OpenFile(const QString&, const QString&, const QString&) override { return {}; }
    QString SaveFile(const QString&, const QString&, const QString&) override { return {}; }
    PrintAnswer AskPrint(bool) override { return {}; }
    void PrintText(const QString&, const PrintFont&, int) override {}
};

} // namespace ricorne
