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
// leaves no row selected changes nothing; a row whose record is gone reloads the list and says so. Otherwise
// the selected row's record is read afresh into the mode's buffer and shown, the selection flag is set and
// the count written again.
void ShowSelectedRecord(HistoryView& view, HistoryMode mode = CurrentHistoryMode());

QString NoDataToSelectText(); // "選択するデータがありません。"

// What the viewer last read from the store of mode, for a deletion to compare under the folder
// lock: a digest of the listing (every row's header and the number of records in the file) and
// the bytes of the record a row click showed.
QByteArray ShownListingDigest(HistoryMode mode);
QByteArray ListingDigestNow(HistoryMode mode); // the same digest of the store as it is now
// The record shown by the last row click, when it was record n; empty otherwise.
QByteArray ChosenRecordBytes(HistoryMode mode, int n);

} // namespace ricorne
