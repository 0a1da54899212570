// The account: server settings in "klmail.ini" beside the executable, the account ID and
// password in "iniIdPass.ini" in the data folder, and the process-wide record holding them.
#pragma once

#include "core/platform/ReplaceFile.h"

#include <QString>

namespace ricorne {

struct AccountRecord {
    QString SmtpServer;
    QString Pop3Server; // empty: no account set up yet
    QString FromAddress;
    qint16 UseApop = 0; // 0: plain login; anything else: APOP
    QString AccountId;
    QString Password;
};

// The one account record of the process, empty until LoadServerSettings fills it.
AccountRecord& AccountSettings();

// Reads "klmail.ini" into the four server fields. A line sets a field when its first five
// characters are exactly "SMTP=", "POP3=", "MAIL=" or "APOP="; the value is characters 6 to
// 105, untrimmed (APOP= is read as a number). The last line of a key wins. A missing file
// leaves the fields as they are.
void LoadServerSettings(AccountRecord& settings = AccountSettings());

// Pure parser behind LoadServerSettings, over the file's bytes.
void ParseServerSettings(const QByteArray& fileBytes, AccountRecord& settings);

// Replaces "klmail.ini" with exactly four CR LF lines (SMTP=, POP3=, MAIL=, APOP=), in CP932,
// atomically. On failure the result says what failed and where (the old file then stays).
platform::ReplaceResult SaveServerSettings(const AccountRecord& settings = AccountSettings());

// "NAME" and "NAME2" of section "EXEINI" in "iniIdPass.ini"; empty when missing.
struct Credentials {
    QString AccountId;
    QString Password;
};
Credentials ReadCredentials();

// save on: NAME = id, NAME2 = password, NAME3 = "1". save off: only NAME3 = "0"; an ID and
// password saved earlier stay in the file. Other sections and keys are kept. The file is
// written atomically and always has mode 0600. On failure the result says what failed and where.
platform::ReplaceResult SaveCredentials(const QString& id, const QString& password, bool save);

// Value of "APOP=": leading blanks skipped, the number up to the first character that
// cannot continue it, rounded to the nearest whole number (halves to even); no number gives
// 0. Values beyond the 16-bit range are clamped to it.
qint16 ParseApopValue(const QString& value);

} // namespace ricorne
