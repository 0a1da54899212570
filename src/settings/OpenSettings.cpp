#include "settings/OpenSettings.h"

#include "app/StartupSequence.h"
#include "app/WindowRegistry.h"
#include "mainwindow/MainForm.h"
#include "settings/IdPassForm.h"
#include "settings/OptionForm.h"
#include "settings/SetForm.h"

namespace ricorne {

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
    RegisterStartupStep(startup::kOpenServerSettings, [] { OpenServerSettings(); });
    Registry().WhenLoaded<MainForm>([](MainForm& main) {
        // The press effect runs first (the label has one), then the window opens.
        main.SetLabelAction(NavLabel::Label10, [] { OpenSettingsWindow(); });
    });
}

namespace {
const struct SettingsWiring {
    SettingsWiring() { InstallSettingsWiring(); }
} settingsWiring;
} // namespace

} // namespace ricorne
