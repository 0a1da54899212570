// Filling the history viewer from the store of the current mode, and showing a clicked row.
//
// The list is filled from the record headers only (282 bytes a record, see ReadMailHeaders) and
// the one full record the record view shows, so a store of 32767 records (about 1 GB) opens
// without reading the bodies. Every record is listed, whatever its Live value.
#pragma once

#include "core/stores/MailRecord.h"
#include "history/HistoryMode.h"
#include "history/HistoryView.h"

#include <QString>

namespace ricorne {

// The texts of the record view for one record: each field cut at its first NUL and trimmed of
// ASCII spaces. The body keeps the stored line ends (CR LF).
struct RecordTexts {
    QString subject;
    QString sender;
    QString date;
    QString body;
};
RecordTexts ShownTexts(const MailRecord& record);

// Rows from the store of mode (created empty when it does not exist yet), the body emptied, and
// when the store has records the record view shows the last one (which the mode's buffer then
// holds). With an empty store Text7 to Text9 keep their texts. The count is written last.
void FillHistoryList(HistoryView& view, HistoryMode mode = CurrentHistoryMode());

// A mouse click on the list. An empty list shows "選択するデータがありません。"; a click that
// leaves no row selected changes nothing. Otherwise the selected row's record is read afresh
// into the mode's buffer and shown, the selection flag is set and the count written again.
void ShowSelectedRecord(HistoryView& view, HistoryMode mode = CurrentHistoryMode());

QString NoDataToSelectText(); // "選択するデータがありません。"

} // namespace ricorne
