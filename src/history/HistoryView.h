// What the history list logic needs from the viewer window (TyakuForm implements it; tests use a
// plain object). No widget header: the logic is built and tested without windows.
#pragma once

#include "core/stores/RecordStore.h"

#include <QString>
#include <QVector>

namespace ricorne {

class HistoryView {
public:
    virtual ~HistoryView();

    // MailListView: replaces every row (one per header, in order; row n shows record n).
    virtual void SetRows(QVector<MailHeader> rows) = 0;
    virtual int RowCount() const = 0;
    // 1-based position of the selected row; 0 when none is selected.
    virtual int SelectedRow() const = 0;

    // The record view: Text7, Text8, Text9 and rtfEd. The body is in stored form (CR LF).
    virtual void SetRecordView(const QString& subject, const QString& sender, const QString& date,
                               const QString& body) = 0;
    virtual void SetBody(const QString& body) = 0;

    // Text2: the count.
    virtual void SetCount(const QString& text) = 0;

    // Text5: "1" once a row click has shown a record.
    virtual void SetSelectionFlag(bool on) = 0;
    virtual bool SelectionFlag() const = 0;
};

} // namespace ricorne
