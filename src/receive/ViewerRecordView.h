// The record view of the history viewer (TyakuForm's Text7, Text8, Text9 and rtfEd) as the mail
// check sees it. Touching it loads the viewer hidden when it is not loaded. The boxes hold "\n"
// line ends; this adapter hands CR LF texts in and out.
#pragma once

#include "receive/RecordView.h"

namespace ricorne {

class ViewerRecordView : public RecordView {
public:
    void Stage(const QString& subject, const QString& sender, const QString& date,
               const QString& body) override;
    QString SubjectText() const override;
    QString SenderText() const override;
    QString DateText() const override;
    QString BodyText() const override;
};

} // namespace ricorne
