// Opening the settings windows from other subsystems (no widget header needed). Each window is
// a single modeless instance: opening one that is open brings back the same window.
#pragma once

#include <QString>

namespace ricorne {

// The settings window "設定" (the main window's settings label).
void OpenSettingsWindow();

// The server settings dialog "サーバー設定" (start-up without a POP3 server, and SetForm).
void OpenServerSettings();

// The account ID dialog with the file's values (SetForm).
void OpenIdPassDialog();

// The account ID dialog showing the given ID and password in its boxes (the mail check, which
// has just read them from the file).
void OpenIdPassDialog(const QString& id, const QString& password);

// The start-up step: the server settings dialog, when the settings read hold no POP3 server.
void OpenServerSettingsWhenUnset();

} // namespace ricorne
