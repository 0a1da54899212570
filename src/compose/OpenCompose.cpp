#include "compose/OpenCompose.h"

#include "compose/BackForm.h"
#include "compose/ComposeState.h"
#include "compose/WriteForm.h"
#include "shell/WindowRegistry.h"

namespace ricorne {

void PrepareCompose() {
    CreateMasterAddressFileWhenMissing();
}

void OpenComposeWindow() {
    Registry().Show<WriteForm>();
}

void OpenReplyWindow(const QString& recipient, const QString& subject, const QString& body) {
    BackForm* form = Registry().Get<BackForm>();
    if (!form)
        return;
    form->Fill(recipient, subject, body);
    Registry().Show<BackForm>();
}

bool EditComposeBody(const std::function<void(TextBox&)>& edit) {
    WriteForm* form = Registry().Get<WriteForm>();
    if (!form)
        return false;
    form->EditBody(edit);
    return true;
}

} // namespace ricorne
