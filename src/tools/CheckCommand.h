// check --appdir DIR: one mail check, as the receive label runs it, on the account configured
// in DIR ("klmail.ini", "★MailData/iniIdPass.ini"), storing into DIR's stores and attachment
// folder. Prints every status text and every message-box text, one per line, as they appear;
// answers no dialog. Exit 0 unless the tool itself fails (bad arguments, unusable folder).
#pragma once

#include <QStringList>

namespace ricorne {

int RunCheckCommand(const QStringList& args);

} // namespace ricorne
