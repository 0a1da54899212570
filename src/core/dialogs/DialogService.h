// Every message box, yes/no question, file dialog and print dialog of the program goes through
// this interface. The real one (QtDialogService) shows Qt dialogs; tests install a
// ScriptedDialogService that records what was asked and answers from a script, so no test ever
// blocks on a modal dialog. QtCore only: logic asks its questions through it.
#pragma once

#include <QString>

#include "core/dialogs/OutgoingCheck.h"

namespace ricorne {

enum class MessageIcon { None, Information, Warning, Critical, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

struct PrintAnswer {
    bool accepted = false;      // false: the dialog was cancelled
    bool selectionOnly = false; // the user chose to print the selection
    int copies = 1;             // copies asked for; PrintText puts them all in one job
};

struct PrintFont {
    QString family;
    double pointSize = 9;
    bool bold = false;
    bool italic = false;
};

// The title of message boxes that have no title of their own.
QString AppTitle();

class DialogService {
public:
    virtual ~DialogService();

    // A message box; an empty title means AppTitle(). Returns the button chosen (closing the box
    // without a button counts as Cancel, or No when there is no Cancel, or Ok for Ok only).
    virtual Answer Message(const QString& title, const QString& text, MessageIcon icon,
                           MessageButtons buttons) = 0;

    // Open and save dialogs. filter uses Qt's syntax ("テキスト (*.txt *.ini)"; several filters
    // separated by ";;"); an empty filter shows all files. Return the chosen full path, or an
    // empty text when cancelled. The save dialog asks before overwriting.
    virtual QString OpenFile(const QString& title, const QString& folder, const QString& filter) = 0;
    virtual QString SaveFile(const QString& title, const QString& suggestedPath, const QString& filter) = 0;

    // The print dialog. hasSelection offers (and preselects) printing the selection only;
    // without it that choice is disabled.
    virtual PrintAnswer AskPrint(bool hasSelection) = 0;
    // Prints copies of text as one job on the printer chosen by the last accepted AskPrint, each
    // copy starting on a new page (a printer that writes a file gets one file with every copy).
    virtual void PrintText(const QString& text, const PrintFont& font, int copies = 1) = 0;

    // The check before a send: the user ticks every recipient, then lets the mail go (after
    // mail.delaySeconds, during which the send can still be stopped). True only for a go-ahead.
    // A service that cannot ask (no windows) lets nothing go.
    virtual bool ConfirmOutgoing(const OutgoingMail& mail);

    // Conveniences over Message.
    // Confirmation: title "確認", Yes and No, question icon. True for Yes.
    bool Confirm(const QString& text);
    // Notice with an OK button only and no icon; empty title means AppTitle().
    void Notice(const QString& text, const QString& title = {});
};

// The answer of a box closed without choosing: Cancel, or No when there is no Cancel, or Ok for
// an Ok-only box.
Answer CancellingAnswer(MessageButtons buttons);

// The dialog service of the process: the installed one. Until one is installed (the window
// program installs QtDialogService at start-up), messages print on stderr and every question
// gets CancellingAnswer, so nothing ever blocks.
DialogService& Dialogs();
// Installs a service (not owned; nullptr goes back to the stderr one). Returns the previous one.
DialogService* SetDialogService(DialogService* service);

// Installs a service for the lifetime of this object (tests).
class ScopedDialogService {
public:
    explicit ScopedDialogService(DialogService& service) : previous_(SetDialogService(&service)) {}
    ~ScopedDialogService() { SetDialogService(previous_); }
    ScopedDialogService(const ScopedDialogService&) = delete;
    ScopedDialogService& operator=(const ScopedDialogService&) = delete;

private:
    DialogService* previous_;
};

} // namespace ricorne
