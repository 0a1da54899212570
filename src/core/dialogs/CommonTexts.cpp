#include "core/dialogs/CommonTexts.h"

namespace ricorne {

QString ErrorTitle() {
    return QStringLiteral(u"エラー");
}

QString NothingSelectedText() {
    return QStringLiteral(u"データが選択されていません");
}

} // namespace ricorne
