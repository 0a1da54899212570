// Opening the history viewer on one store (the main window's received and sent history labels).
#pragma once

#include "history/HistoryMode.h"

namespace ricorne {

// Shows TyakuForm (loading it first when needed; an open viewer is reused), sets its caption,
// HistoryMode and list colour, then fills it with FillHistoryList.
void OpenHistory(HistoryMode mode);

// Hooks Label7 (received) and Label8 (sent) of the main window, and the body editor's commands
// into every viewer window. Safe to call again.
void InstallHistoryWiring();

} // namespace ricorne
