#include "core/clock/ClockText.h"

namespace ricorne {

// QDateTime::toString with a format string uses no locale for numeric fields.
QString ClockText(const QDateTime& when) {
    return when.toString(QStringLiteral("yyyy/MM/dd  H:mm:ss"));
}

} // namespace ricorne
