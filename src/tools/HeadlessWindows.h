// Stand-ins for the windows a mail check talks to, for running it without a display: the
// record view only holds the staged texts, and the status line and message boxes print their
// texts on stdout, one line each, as they appear. No question is ever answered.
#pragma once

#include "receive/RecordView.h"

#include <QString>

namespace ricorne {

class HeadlessRecordView : public RecordView {
public:
    void Stage(const QString& subject, const QString& sender, const QString& date,
               const QString& body) override {
        subject_ = subject;
        sender_ = sender;
        date_ = date;
        body_ = body;
    }
    QString SubjectText() const override { return subject_; }
    QString SenderText() const override { return sender_; }
    QString DateText() const override { return date_; }
    QString BodyText() const override { return body_; }

private:
    QString subject_, sender_, date_, body_;
};

// Prints text as one line on stdout (line breaks inside become spaces) and flushes.
void PrintHeadlessLine(const QString& text);

} // namespace ricorne
