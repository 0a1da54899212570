#include "core/dialogs/ScriptedDialogService.h"

namespace ricorne {

QStringList ScriptedDialogService::MessageTexts() const {
    QStringList texts;
    for (const DialogRequest& r : requests_) {
        if (r.kind == DialogRequest::Kind::Message)
            texts << r.text;
    }
    return texts;
}

int ScriptedDialogService::UnscriptedCount() const {
    int n = 0;
    for (const DialogRequest& r : requests_)
        n += r.scripted ? 0 : 1;
    return n;
}

void ScriptedDialogService::Clear() {
    requests_.clear();
    answers_.clear();
    paths_.clear();
    prints_.clear();
    outgoing_.clear();
}

Answer ScriptedDialogService::Message(const QString& title, const QString& text, MessageIcon icon,
                                      MessageButtons buttons) {
    DialogRequest r;
    r.kind = DialogRequest::Kind::Message;
    r.title = title;
    r.text = text;
    r.icon = icon;
    r.buttons = buttons;
    Answer answer = CancellingAnswer(buttons);
    if (answers_.empty()) {
        r.scripted = false;
    } else {
        answer = answers_.front();
        answers_.pop_front();
    }
    requests_.push_back(r);
    return answer;
}

QString ScriptedDialogService::NextPath(DialogRequest& request) {
    QString path;
    if (paths_.empty()) {
        request.scripted = false;
    } else {
        path = paths_.front();
        paths_.pop_front();
    }
    requests_.push_back(request);
    return path;
}

QString ScriptedDialogService::OpenFile(const QString& title, const QString& folder, const QString& filter) {
    DialogRequest r;
    r.kind = DialogRequest::Kind::OpenFile;
    r.title = title;
    r.folder = folder;
    r.filter = filter;
    return NextPath(r);
}

QString ScriptedDialogService::SaveFile(const QString& title, const QString& suggestedPath,
                                        const QString& filter) {
    DialogRequest r;
    r.kind = DialogRequest::Kind::SaveFile;
    r.title = title;
    r.folder = suggestedPath;
    r.filter = filter;
    return NextPath(r);
}

PrintAnswer ScriptedDialogService::AskPrint(bool hasSelection) {
    DialogRequest r;
    r.kind = DialogRequest::Kind::Print;
    r.hasSelection = hasSelection;
    PrintAnswer answer;
    if (prints_.empty()) {
        r.scripted = false;
    } else {
        answer = prints_.front();
        prints_.pop_front();
    }
    requests_.push_back(r);
    return answer;
}

void ScriptedDialogService::PrintText(const QString& text, const PrintFont& font, int copies) {
    DialogRequest r;
    r.kind = DialogRequest::Kind::PrintText;
    r.text = text;
    r.font = font;
    r.copies = copies;
    requests_.push_back(r);
}

bool ScriptedDialogService::ConfirmOutgoing(const OutgoingMail& mail) {
    DialogRequest r;
    r.kind = DialogRequest::Kind::Outgoing;
    r.outgoing = mail;
    bool send = false;
    if (outgoing_.empty()) {
        r.scripted = false;
    } else {
        send = outgoing_.front();
        outgoing_.pop_front();
    }
    requests_.push_back(r);
    return send;
}

} // namespace ricorne
