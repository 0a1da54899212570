// The program, assembled: every connection between the windows, start-up as its steps in order,
// and shut-down when the main window closes.
#pragma once

#include <functional>

namespace ricorne {

// Connects the windows: each window gets its connections when the window registry creates it
// (the main window's labels, the compose window's face-mark button, the palette's insert target),
// and the history viewer's hand-offs are set. Runs before the first window loads; calling it
// again changes nothing.
void InstallWiring();

// Start-up, in order: the installed folders, the slot's initial state, the help box hidden, the
// compose window's master address file made (the window is built on first use), the server
// settings read, the mail library prepared, the server settings dialog opened (not modal) when
// no POP3 server is set, and the main window shown.
void RunStartup();

// Shut-down when the main window closes: an open face-mark palette writes its lists, the mail
// library is released, then the process ends at once with status 0. No other window runs its
// closing steps, no event is processed any more and no destructor
// runs: std::_Exit after flushing the C streams. The single-threaded program writes every file
// within one event, so no file is half written at this point. endProcess replaces the ending
// for tests.
void ShutDown(const std::function<void()>& endProcess = {});

} // namespace ricorne
