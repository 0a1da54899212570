#include "history/RecordText.h"

namespace ricorne {

QString RecordText(const QString& subject, const QString& sender, const QString& date, const QString& body) {
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("Subject:  ") + subject + crlf + QStringLiteral("From:  ") + sender + crlf +
           QStringLiteral("Date:  ") + date + crlf + QStringLiteral("Body:  ") + body;
}

} // namespace ricorne
