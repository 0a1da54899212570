// The clock text of the main window, also stored as the date of a sent mail.
#pragma once

#include <QDateTime>
#include <QString>

namespace ricorne {

// "yyyy/MM/dd", two spaces, "H:mm:ss" (for example "2024/03/05  9:07:02"), whatever the locale.
QString ClockText(const QDateTime& when);

} // namespace ricorne
