// How the writing windows join the program: the main window's "新規作成" label opens the compose
// window, start-up loads it hidden with its fortune switch off, and the history viewer hands a
// mail to the reply window.
#pragma once

#include <QString>

namespace ricorne {

// Hooks the main window's "新規作成" label. Safe to call again.
void InstallComposeWiring();

// The start-up step: loads the compose window hidden with its fortune switch off.
void LoadComposeHidden();

// Shows the compose window (loads it when needed).
void OpenComposeWindow();

// Fills the reply window's recipient, subject and body and shows it.
void OpenReplyWindow(const QString& recipient, const QString& subject, const QString& body);

} // namespace ricorne
