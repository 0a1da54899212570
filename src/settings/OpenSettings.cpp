#include "settings/OpenSettings.h"

#include "app/WindowRegistry.h"
#include "core/settings/AccountSettings.h"
#include "mainwindow/MainForm.h"
#include "settings/IdPassForm.h"
#include "settings/OptionForm.h"
#include "settings/SetForm.h"

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

void InstallSettingsWiring() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    Registry().WhenLoaded<MainForm>([](MainForm& main) {
        // The press effect runs first (the label has one), then the window opens.
        main.SetLabelAction(NavLabel::Label10, [] { OpenSettingsWindow(); });
    });
}

} // namespace ricorne
