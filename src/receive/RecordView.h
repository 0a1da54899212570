// The record view a mail check stages each received mail into: the history viewer's subject,
// sender, date and body boxes (Text7, Text8, Text9, rtfEd), or a headless stand-in. The check
// stores what the view holds afterwards, so the view is the one place the stored texts come from.
// Texts cross this interface with CR LF line ends; a view that holds "\n" converts.
#pragma once

#include <QString>

namespace ricorne {

class RecordView {
public:
    virtual ~RecordView() = default;

    // Puts one mail into the four boxes, replacing what they held.
    virtual void Stage(const QString& subject, const QString& sender, const QString& date,
                       const QString& body) = 0;

    // The boxes' texts as they stand now.
    virtual QString SubjectText() const = 0; // Text7
    virtual QString SenderText() const = 0;  // Text8
    virtual QString DateText() const = 0;    // Text9
    virtual QString BodyText() const = 0;    // rtfEd
};

} // namespace ricorne
