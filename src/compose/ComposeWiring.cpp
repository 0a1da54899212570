#include "compose/ComposeWiring.h"

#include "app/WindowRegistry.h"
#include "compose/BackForm.h"
#include "compose/WriteForm.h"
#include "mainwindow/MainForm.h"

namespace ricorne {

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

void LoadComposeHidden() {
    if (WriteForm* form = Registry().Get<WriteForm>())
        form->SetFortune(false);
}

void InstallComposeWiring() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    Registry().WhenLoaded<MainForm>([](MainForm& main) {
        // The label's press effect runs first, then the window opens.
        main.SetLabelAction(NavLabel::Label5, [] { OpenComposeWindow(); });
    });
}

} // namespace ricorne
