#include "history/OpenHistory.h"

#include "app/WindowRegistry.h"
#include "history/HistoryList.h"
#include "history/TyakuForm.h"
#include "history/TyakuFormEditor.h"
#include "mainwindow/MainForm.h"

namespace ricorne {

void OpenHistory(HistoryMode mode) {
    TyakuForm* form = Registry().Show<TyakuForm>();
    if (!form)
        return;
    form->setWindowTitle(HistoryCaption(mode));
    CurrentHistoryMode() = mode;
    form->SetListColour(HistoryListColour(mode));
    FillHistoryList(*form, mode);
}

void InstallHistoryWiring() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    Registry().WhenLoaded<TyakuForm>([](TyakuForm& form) { InstallEditorCommands(form); });
    Registry().WhenLoaded<MainForm>([](MainForm& main) {
        main.SetLabelAction(NavLabel::Label7, [] { OpenHistory(HistoryMode::Received); });
        main.SetLabelAction(NavLabel::Label8, [] { OpenHistory(HistoryMode::Sent); });
    });
}

} // namespace ricorne
