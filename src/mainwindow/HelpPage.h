// The program's own help page, "help/index.html" beside the executable.
#pragma once

#include <QString>

namespace ricorne {

// Full path of the help page, or an empty text when it is not there.
QString HelpPagePath();

} // namespace ricorne
