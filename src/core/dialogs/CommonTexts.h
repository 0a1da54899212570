// Messages more than one subsystem shows, defined once.
#pragma once

#include <QString>

namespace ricorne {

QString ErrorTitle();          // "エラー": the title of a failure's box
QString NothingSelectedText(); // "データが選択されていません": a command that needs a picked row

} // namespace ricorne
