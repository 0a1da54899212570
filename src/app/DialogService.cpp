#include "app/DialogService.h"

#include "app/QtDialogService.h"

namespace ricorne {

namespace {
DialogService* installed = nullptr;
}

QString AppTitle() {
    return QStringLiteral(u"リコルネ");
}

DialogService::~DialogService() = default;

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
    static QtDialogService qtService;
    return qtService;
}

DialogService* SetDialogService(DialogService* service) {
    DialogService* previous = installed;
    installed = service;
    return previous;
}

} // namespace ricorne
