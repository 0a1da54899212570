// The main window's receive label Label6: "メールを受信します。" in the status label, the press
// effect, then one mail check on the window thread, staging into the history viewer's record
// view, with its status texts in Label19, its boxes through the dialog service, the account ID
// dialog when the file lacks the ID or password, and the lever pulled for new mail. While a check
// or a send runs, a press does nothing.
#pragma once

namespace ricorne {

class MainForm;

// Hooks Label6 of every main window that loads. Safe to call again.
void InstallReceiveWiring();

// What a click on Label6 does after its press effect.
void CheckMailFrom(MainForm& main);

} // namespace ricorne
