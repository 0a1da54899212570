// What the address book window holds, as a plain record, and what its buttons do to it and to
// the address store. The window (FriendForm) shows this record in its controls.
//
// A row's position in the list (0-based here) plus 1 is the record number of its entry: the list
// is always refilled in record order and the store is compacted after every deletion, so live
// records are numbered 1, 2, 3, ... without gaps.
//
// Questions and failures go through the dialog service (Dialogs()).
#pragma once

#include <QString>
#include <QVector>

namespace ricorne {

struct AddressRow {
    QString address; // first column: MailAddress, cut at NUL, fill spaces kept
    QString name;    // second column: Name, likewise
    bool operator==(const AddressRow&) const = default;
};

struct AddressBookState {
    QString address;              // Text4, as typed
    QString name;                 // Text2, as typed
    QString nameCard;             // Text50
    QVector<AddressRow> rows;     // MailListView, in record order
    QVector<QByteArray> rowBytes; // each row's record as read for the list (what a deletion compares)
    int selectedRow = -1;         // 0-based row the user picked; -1: none
    QString count;                // Text3: decimal number of rows
    QString status;               // Label7
    int listRevision = 0;         // grows at each reload, so the view knows to refill the list
};

// Load steps: empty status line, then ReloadAddressList; a store longer than the list can show
// is told once (the entries past the last number stay in the file).
void LoadAddressBook(AddressBookState& state);

// Refills the rows from the address store in record order (a missing store is empty), sets the
// count and drops the selection. The fields keep their text.
void ReloadAddressList(AddressBookState& state);

// "登録": appends Text2 and Text4 as typed (empty fields and duplicates are stored), then status
// "　登録が完了しました。" and a reload. Characters CP932 cannot hold are named first and the user
// asked: Yes stores them as "?", No stores nothing. A full store (32767 records), a folder another
// program holds or a failed write stores nothing and says which; the fields and the status stay.
void RegisterAddress(AddressBookState& state);

// "名刺挿入": Text4 becomes name card + "<" + Text4 without leading and trailing spaces + ">".
// An empty Text4 or Text50 shows its message and changes nothing. Nothing is stored.
void InsertNameCard(AddressBookState& state);

// A press on the list: the selected row's record fills Text2 and Text4 (trimmed) and the status
// says "　選択しました。". With no row selected it says "データが選択されていません" and changes
// nothing; a record that can no longer be read is reported and the list reloaded.
void PickAddressRow(AddressBookState& state);

// "削除": with Text4 empty or no row selected, "データが選択されていません" and nothing changes.
// Otherwise the selected row's record fills the fields (status blank) and the user confirms.
// No changes no byte of the store. Yes deletes the record under the folder lock, only if it still
// holds the bytes the list showed (else nothing is deleted and the user is told the list changed),
// then the list is reloaded. A deletion that fails leaves the store as it was and says so.
void DeleteAddress(AddressBookState& state);

// "貼付": Text4 becomes the clipboard's text.
void PasteAddress(AddressBookState& state, const QString& clipboard);

} // namespace ricorne
