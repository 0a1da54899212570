// The history view without a window: it only holds what it is given. The mail tool stages its
// checks here, and tests watch the history logic through it. No row is selected until SelectRow.
#pragma once

#include "history/HistoryView.h"

namespace ricorne {

class HeadlessHistoryView : public HistoryView {
public:
    // New rows drop the selection, as the window's list does.
    void SetRows(HeaderRows rows) override {
        rows_ = std::move(rows);
        selectedRow_ = 0;
    }
    int RowCount() const override { return int(rows_.size()); }
    int SelectedRow() const override { return selectedRow_; }
    void SelectRow(int n) { selectedRow_ = n; } // 1-based; 0: none
    const HeaderRows& Rows() const { return rows_; }

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

    void FocusBody() override { ++bodyFocusMoves_; }
    int BodyFocusMoves() const { return bodyFocusMoves_; }
    QString PreviewText() const override { return preview_; }
    void SetPreviewText(const QString& text) override { preview_ = text; }
    void SetBusyPointer(bool) override {}

private:
    HeaderRows rows_;
    QString subject_, sender_, date_, body_, count_, preview_;
    bool selectionFlag_ = false;
    int selectedRow_ = 0;
    int bodyFocusMoves_ = 0;
};

} // namespace ricorne
