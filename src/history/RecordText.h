// The shown record as one text: what the quick save writes and what the body editor then shows.
#pragma once

#include <QString>

namespace ricorne {

// "Subject:  " subject, "From:  " sender, "Date:  " date, "Body:  " body, joined by CR LF with
// none after the last piece. The body keeps its own line breaks (give it with CR LF).
QString RecordText(const QString& subject, const QString& sender, const QString& date, const QString& body);

} // namespace ricorne
