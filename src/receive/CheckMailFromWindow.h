// One mail check started from a window (the main window's receive label): it runs on the
// window thread, paints each status text as it is set, and keeps a second press from starting a
// check inside the running one.
#pragma once

#include "receive/CheckMail.h"

namespace ricorne {

// Runs CheckMail with hooks, each status text followed by a repaint of whatever waits to be
// painted. While a check or a send runs, does nothing.
void CheckMailFromWindow(CheckMailHooks hooks);

} // namespace ricorne
