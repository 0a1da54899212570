// Opening the writing windows and writing into the compose window's body, for the program's
// wiring (no widget header needed).
#pragma once

#include "core/text/TextBox.h"

#include <QString>
#include <functional>

namespace ricorne {

// The start-up step: what loading the compose window writes (its master address file) is written
// now; the window itself is built on first use, with its fortune switch off like every new one.
void PrepareCompose();

// Shows the compose window (loads it when needed).
void OpenComposeWindow();

// Fills the reply window's recipient, subject and body and shows it.
void OpenReplyWindow(const QString& recipient, const QString& subject, const QString& body);

// Applies edit to the compose window's body and shows the result; a compose window that is not
// loaded is loaded hidden first, so the text waits in its body. False when no window could be
// loaded (edit did not run).
bool EditComposeBody(const std::function<void(TextBox&)>& edit);

} // namespace ricorne
