// Profile (INI) files: "[section]" lines followed by "key=value" lines, bytes in CP932.
//
// Reading follows the classic profile rules: section and key names match without regard to
// ASCII letter case, blanks around keys and values are dropped, one pair of enclosing quotes
// is dropped, the first matching section and key win, and a missing file, section or key
// reads as empty text. Writing changes only the lines it must: every other section, key,
// comment and blank line keeps its bytes.
#pragma once

#include "core/platform/ReplaceFile.h"

#include <QList>
#include <QPair>
#include <QString>

namespace ricorne {

// Value of key in section of the file at path; empty when any of them is missing. Values
// longer than maxLength characters are cut to maxLength.
QString ReadProfileString(const QString& path, const QString& section, const QString& key,
                          qsizetype maxLength = 255);

// Sets each key of entries in section (replacing the key's first line there, adding it at the
// end of the section, or adding the section at the end of the file) and replaces the whole
// file at once (platform::ReplaceFileWhole). When privateFile is true the file is given mode
// 0600 whether it existed before or not. On failure the result says what failed and where;
// the earlier file is then unchanged.
platform::ReplaceResult WriteProfileStrings(const QString& path, const QString& section,
                                            const QList<QPair<QString, QString>>& entries, bool privateFile);

} // namespace ricorne
