#include "history/OpenHistory.h"

#include "history/HistoryList.h"
#include "history/TyakuForm.h"
#include "shell/WindowRegistry.h"

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

HistoryView& ViewerRecordView() {
    return *Registry().Get<TyakuForm>();
}

} // namespace ricorne
