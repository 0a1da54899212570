// Opening the history viewer on one store (the main window's received and sent history labels),
// and the viewer as the record view a mail check stages into.
#pragma once

#include "history/HistoryMode.h"

namespace ricorne {

class HistoryView;

// Shows TyakuForm (loading it first when needed; an open viewer is reused), sets its caption,
// HistoryMode and list colour, then fills it with FillHistoryList.
void OpenHistory(HistoryMode mode);

// The viewer's record view, the viewer loaded hidden (its load steps run) when it is not loaded.
HistoryView& ViewerRecordView();

} // namespace ricorne
