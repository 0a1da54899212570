// Printing for running the program's logic without a display: the status line and message
// boxes print their texts on stdout, one line each, as they appear.
#pragma once

#include <QString>

namespace ricorne {

// Prints text as one line on stdout (line breaks inside become spaces) and flushes.
void PrintHeadlessLine(const QString& text);

} // namespace ricorne
