#include "core/dialogs/DialogService.h"

#include <cstdio>

namespace ricorne {

namespace {

// Used until a program installs its own service (the window program installs the Qt one): a
// message never blocks and never vanishes unseen; every question gets the cancelling answer.
class StderrDialogService : public DialogService {
public:
    Answer Message(const QString& title, const QString& text, MessageIcon, MessageButtons buttons) override {
        const QString line = (title.isEmpty() ? AppTitle() : title) + QStringLiteral(": ") + text;
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
        std::fflush(stderr);
        return CancellingAnswer(buttons);
    }
    QString OpenFile(const QString&, const QString&, const QString&) override { return {}; }
    QString SaveFile(const QString&, const QString&, const QString&) override { return {}; }
    PrintAnswer AskPrint(bool) override { return {}; }
    void PrintText(const QString&, const PrintFont&, int) override {}
};

DialogService* installed = nullptr;

} // namespace

Answer CancellingAnswer(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok:
        return Answer::Ok;
    case MessageButtons::YesNo:
        return Answer::No;
    case MessageButtons::OkCancel:
    case MessageButtons::YesNoCancel:
        break;
    }
    return Answer::Cancel;
}

QString AppTitle() {
    return QStringLiteral(u"リコルネ");
}

DialogService::~DialogService() = default;

bool DialogService::ConfirmOutgoing(const OutgoingMail&) {
    return false;
}

bool DialogService::Confirm(const QString& text) {
    return Message(QStringLiteral(u"確認"), text, MessageIcon::Question, MessageButtons::YesNo) ==
           Answer::Yes;
}

void DialogService::Notice(const QString& text, const QString& title) {
    Message(title, text, MessageIcon::None, MessageButtons::Ok);
}

DialogService& Dialogs() {
    if (installed)
        return *installed;
    static StderrDialogService fallback;
    return fallback;
}

DialogService* SetDialogService(DialogService* service) {
    DialogService* previous = installed;
    installed = service;
    return previous;
}

} // namespace ricorne
