#include "history/HeadlessHistoryView.h"

namespace ricorne {

void HeadlessHistoryView::SetRecordView(const QString& subject, const QString& sender, const QString& date,
                                        const QString& body) {
    subject_ = subject;
    sender_ = sender;
    date_ = date;
    body_ = body;
}

} // namespace ricorne
