// What the history logic and the mail check need from the viewer window: the list, the record
// view (Text7, Text8, Text9 and rtfEd), the count, the selection flag, the body's focus and the
// field preview. TyakuForm implements
// it; HeadlessHistoryView holds the same state without a window (the mail tool, tests).
// No widget header: the logic is built and tested without windows.
//
// Texts cross the record view in stored form (CR LF line ends); a view whose boxes hold "\n"
// converts. The mail check stores what the view holds after staging, so the view is the one
// place the stored texts come from.
#pragma once

#include "core/stores/HeaderRows.h"

#include <QString>
#include <QVector>

namespace ricorne {

class HistoryView {
public:
    virtual ~HistoryView();

    // MailListView: replaces every row (one per header, in order; row n shows record n).
    virtual void SetRows(HeaderRows rows) = 0;
    virtual int RowCount() const = 0;
    // Record number of the selected row (its 1-based position while every record is listed; a
    // search may list only some); 0 when none is selected.
    virtual int SelectedRow() const = 0;

    // The record view: puts one mail into the four boxes, replacing what they held.
    virtual void SetRecordView(const QString& subject, const QString& sender, const QString& date,
                               const QString& body) = 0;
    virtual void SetBody(const QString& body) = 0;
    // The boxes' texts as they stand now (typing included).
    virtual QString SubjectText() const = 0; // Text7
    virtual QString SenderText() const = 0;  // Text8
    virtual QString DateText() const = 0;    // Text9
    virtual QString BodyText() const = 0;    // rtfEd

    // Text2: the count.
    virtual void SetCount(const QString& text) = 0;

    // Text5: "1" once a row click has shown a record.
    virtual void SetSelectionFlag(bool on) = 0;
    virtual bool SelectionFlag() const = 0;

    // Moves the input focus to the body editor (rtfEd).
    virtual void FocusBody() = 0;
    // Text6: the field preview that the copy button puts on the clipboard.
    virtual QString PreviewText() const = 0;
    virtual void SetPreviewText(const QString& text) = 0;
    // The hourglass pointer while on, the usual one after.
    virtual void SetBusyPointer(bool on) = 0;
};

} // namespace ricorne
