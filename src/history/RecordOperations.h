// The viewer's record buttons: delete the selected record, delete all, register the sender in
// the address book, reply, save the record as a text file, copy a header field.
//
// They act on what the record view shows (typing included), not on the stored record; the
// deletions take the record number from the selected row. The operations that need a shown
// record ("一件削除", "アドレス帳登録", "返事を書く", "TextQuickSave") stop with
// "データが選択されていません" while the selection flag is off; past that check they move the
// focus to the body and clear the flag, so each needs a fresh row click.
//
// Questions and failures go through the dialog service. A deletion that fails leaves the store
// as it was and says so. Deletions run under the folder lock and only when the store still holds
// what the user saw (the clicked record's bytes; for "全件削除" the whole listing); otherwise
// nothing is deleted, the list is reloaded and the user is told the history changed.
#pragma once

#include "history/HistoryMode.h"
#include "history/HistoryView.h"
#include "history/TyakuTexts.h" // the texts they show

#include <QString>
#include <functional>

namespace ricorne {

// Where the viewer hands a record to other windows. The program's wiring sets them; unset, the
// hand-off does nothing.
struct RecordHandOffs {
    // Opens the address book with the address in its mail address box.
    std::function<void(const QString& address)> openAddressBook;
    // Fills the reply window and shows it.
    std::function<void(const QString& recipient, const QString& subject, const QString& body)> openReply;
};
void SetRecordHandOffs(RecordHandOffs handOffs);

// "一件削除": needs the flag and a selected row. Asks the mode's confirmation; No empties the body
// and clears the flag, nothing else. Yes clears the flag, removes the row's record from the store
// (the later ones move down by one), empties the record view and refills the list.
void DeleteOneRecord(HistoryView& view, HistoryMode mode = CurrentHistoryMode());

// "全件削除": asks, then empties the store in one step; the list, count and record view are
// emptied. The selection flag stays as it was.
void DeleteAllRecords(HistoryView& view, HistoryMode mode = CurrentHistoryMode());

// "アドレス帳登録": the address book opens with the From box's text, untrimmed.
void RegisterSender(HistoryView& view);

// "返事を書く": the reply window gets "Re:  " + the subject, the From box's text and the body, each
// without leading and trailing spaces. The prefix is added even to a subject that has one.
void ReplyToRecord(HistoryView& view);

// "TextQuickSave": writes RecordText + CR LF in CP932 to "■TextQuickSave\<subject>.txt" (see
// QuickSaveFile.h for the name), asking before it replaces a file. Afterwards the body shows
// what was saved. A failed write says so and changes nothing.
void TextQuickSave(HistoryView& view);

// The copy row: hovering over Subject, From or Date puts that text into the preview (Text6);
// the copy button returns the preview's text as it stands, for the clipboard.
void PreviewField(HistoryView& view, const QString& fieldText);
QString CopyField(const HistoryView& view);

} // namespace ricorne
