// The history view without a window: it only holds what it is given. The mail tool stages its
// checks here, and tests watch the history logic through it. No row is ever selected.
#pragma once

#include "history/HistoryView.h"

namespace ricorne {

class HeadlessHistoryView : public HistoryView {
public:
    void SetRows(QVector<MailHeader> rows) override { rows_ = std::move(rows); }
    int RowCount() const override { return int(rows_.size()); }
    int SelectedRow() const override { return 0; }
    const QVector<MailHeader>& Rows() const { return rows_; }

    void SetRecordView(const QString& subject, const QString& sender, const QString& date,
                       const QString& body) override;
    void SetBody(const QString& body) override { body_ = body; }
    QString SubjectText() const override { return subject_; }
    QString SenderText() const override { return sender_; }
    QString DateText() const override { return date_; }
    QString BodyText() const override { return body_; }

    void SetCount(const QString& text) override { count_ = text; }
    QString Count() const { return count_; }
    void SetSelectionFlag(bool on) override { selectionFlag_ = on; }
    bool SelectionFlag() const override { return selectionFlag_; }

private:
    QVector<MailHeader> rows_;
    QString subject_, sender_, date_, body_, count_;
    bool selectionFlag_ = false;
};

} // namespace ricorne
