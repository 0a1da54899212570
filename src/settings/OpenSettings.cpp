#include "settings/OpenSettings.h"

#include "core/settings/AccountSettings.h"
#include "settings/IdPassForm.h"
#include "settings/OptionForm.h"
#include "settings/SetForm.h"
#include "shell/WindowRegistry.h"

namespace ricorne {

void OpenServerSettingsWhenUnset() {
    // The dialog is not modal: start-up goes on and the main window shows beside it.
    if (AccountSettings().Pop3Server.isEmpty())
        OpenServerSettings();
}

void OpenSettingsWindow() {
    Registry().Show<SetForm>();
}

void OpenServerSettings() {
    Registry().Show<OptionForm>();
}

void OpenIdPassDialog() {
    Registry().Show<IdPassForm>();
}

void OpenIdPassDialog(const QString& id, const QString& password) {
    if (IdPassForm* form = Registry().Show<IdPassForm>())
        form->SetValues(id, password);
}

} // namespace ricorne
