// What the account ID dialog and the server settings dialog do, without any window: the values
// they show when they open and what their OK does. Cancel does nothing, so it has no function.
#pragma once

#include "core/mail/AccountCheck.h"
#include "core/platform/ReplaceFile.h"

#include <QString>

namespace ricorne {

// The account ID dialog: ID and password as the boxes show them.
struct IdPassValues {
    QString id;
    QString password;
};

// Values shown when the dialog opens: "NAME" and "NAME2" of "iniIdPass.ini".
IdPassValues OpenIdPassValues();
// True when the file says the ID and password were saved ("NAME3" = "1"), so the dialog opens
// with its save switch on and an OK keeps the file up to date.
bool IdPassWasSaved();

// The settings files are CP932: a character they cannot keep would come back as "?" or as a
// look-alike, and a password changed that way fails every later login. These give the message
// that refuses the first field holding such a character (empty: every field is kept as typed).
// OK shows it and saves nothing.
QString IdPassRefusal(const IdPassValues& values);

// OK: AccountId and Password take the typed texts as they are; then, with save on, NAME, NAME2
// and NAME3 = "1" are written, with save off only NAME3 = "0" (an ID and password saved earlier
// stay in the file). On failure the result says what failed and where.
platform::ReplaceResult ApplyIdPass(const IdPassValues& values, bool save);

// The server settings dialog: the three texts and the APOP box.
struct ServerValues {
    QString smtp;
    QString pop3;
    QString address;
    bool apop = false;
};

// Values shown when the dialog opens: the server fields of AccountSettings; the APOP box is
// checked for any UseApop other than 0, as logging in treats it (a hand-edited 2 is on).
ServerValues OpenServerValues();

QString ServerRefusal(const ServerValues& values);

// OK: the four server fields take the texts as typed (no trimming) and UseApop 1 or 0, then
// "klmail.ini" is rewritten. Returns false when the file could not be written (the fields are
// set all the same, so the rest of the run uses them).
platform::ReplaceResult ApplyServerValues(const ServerValues& values);

// What the provider table suggests for a typed mail address: the server texts (empty when
// nothing is known) and a note for the user (empty when there is nothing to say).
struct ServerSuggestion {
    QString pop3;
    QString smtp;
    QString note;
};
ServerSuggestion SuggestServers(const QString& address);

// The account check on the typed values, with the ID and password of this run (or of the file
// when none was typed yet). refusal is set, and nothing is checked, when there is no POP3
// server or no ID and password.
struct ServerTestResult {
    QString refusal;
    AccountCheckReport report;
};
ServerTestResult TestServerValues(const ServerValues& values);

// Messages shown when OK could not write its file; detail says what failed and where.
QString IdPassSaveFailedText(const QString& detail = {});
QString ServerSettingsSaveFailedText(const QString& detail = {});

} // namespace ricorne
