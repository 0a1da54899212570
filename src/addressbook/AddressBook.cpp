#include "addressbook/AddressBook.h"

#include "addressbook/AddressBookTexts.h"
#include "core/dialogs/CommonTexts.h"
#include "core/dialogs/DialogService.h"
#include "core/paths/ProgramFolderLock.h"
#include "core/stores/RecordBuffers.h"
#include "core/stores/RecordField.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"

#include <QDir>

namespace ricorne {

namespace {

void Fail(const QString& text) {
    Dialogs().Message(ErrorTitle(), text, MessageIcon::Warning, MessageButtons::Ok);
}

// Reads the selected row's record into the address buffer and the fields. False when the record
// is gone (the store changed behind the list): the user is told and the list is reloaded.
bool ReadSelectedIntoFields(AddressBookState& state) {
    AddressRecord& record = AddressBuffer();
    if (!ReadRecord(AddressStore(), state.selectedRow + 1, record)) {
        Fail(AddressRowUnreadableText());
        ReloadAddressList(state);
        return false;
    }
    state.name = Trim(CutAtNul(FieldText(record.Name)));
    state.address = Trim(CutAtNul(FieldText(record.MailAddress)));
    return true;
}

bool HasSelection(const AddressBookState& state) {
    return state.selectedRow >= 0 && state.selectedRow < state.rows.size();
}

} // namespace

void LoadAddressBook(AddressBookState& state) {
    state.status.clear();
    ReloadAddressList(state);
    const qint64 total = WholeRecordCount(AddressStore());
    if (total > kMaxRecordNumber)
        Dialogs().Notice(AddressBookBeyondLimitText(total));
}

void ReloadAddressList(AddressBookState& state) {
    state.rows.clear();
    state.rowBytes.clear();
    state.selectedRow = -1;
    AddressRecord& record = AddressBuffer();
    // A read error keeps the rows read so far; the count shows how many that is.
    const bool read = ReadRecords(AddressStore(), record, [&](int) {
        state.rows.append({CutAtNul(FieldText(record.MailAddress)), CutAtNul(FieldText(record.Name))});
        state.rowBytes.append(QByteArray(reinterpret_cast<const char*>(&record), sizeof record));
    });
    state.count = QString::number(state.rows.size());
    ++state.listRevision;
    if (!read)
        Fail(AddressListUnreadableText(QDir::toNativeSeparators(StorePath(AddressStore()))));
}

void RegisterAddress(AddressBookState& state) {
    // Nothing turns into "?" without the user's word.
    const QStringList unkept = UnkeptCharacters(state.name + state.address);
    if (!unkept.isEmpty() && !Dialogs().Confirm(ConfirmUnkeptCharactersText(unkept)))
        return;
    AddressRecord& record = AddressBuffer();
    record = AddressRecord();
    SetField(record.Name, state.name);
    SetField(record.MailAddress, state.address);
    const AppendResult appended = AppendRecord(AddressStore(), record);
    if (appended.status == AppendStatus::StoreFull) {
        Fail(AddressBookFullText());
        return;
    }
    if (appended.status == AppendStatus::Locked) {
        Fail(StoresLockedText(appended.lockState));
        return;
    }
    if (!appended || !FlushStore(AddressStore())) {
        Fail(AddressRegisterFailedText());
        ReloadAddressList(state); // show what the store holds now
        return;
    }
    state.status = AddressRegisteredStatus();
    ReloadAddressList(state);
}

void InsertNameCard(AddressBookState& state) {
    if (state.address.isEmpty()) {
        Dialogs().Notice(NameCardNoAddressText());
        return;
    }
    if (state.nameCard.isEmpty()) {
        Dialogs().Notice(NameCardMissingText());
        return;
    }
    state.address = state.nameCard + u'<' + Trim(state.address) + u'>';
}

void PickAddressRow(AddressBookState& state) {
    if (!HasSelection(state)) {
        Dialogs().Notice(NothingSelectedText());
        return;
    }
    if (ReadSelectedIntoFields(state))
        state.status = AddressSelectedStatus();
}

void DeleteAddress(AddressBookState& state) {
    // An address typed by hand, or a list that lost its selection on reload, must never delete
    // whatever record happens to sit at some row.
    if (state.address.isEmpty() || !HasSelection(state)) {
        Dialogs().Notice(NothingSelectedText());
        return;
    }
    if (!ReadSelectedIntoFields(state))
        return;
    state.status.clear();
    const int number = state.selectedRow + 1;
    const QByteArray chosen = state.rowBytes.value(state.selectedRow);
    if (!Dialogs().Confirm(ConfirmDeleteText()))
        return; // declined: not a byte changes
    const DeleteResult result = DeleteChosenRecord(AddressStore(), number, chosen);
    switch (result.outcome) {
    case DeleteOutcome::Deleted:
        state.status = AddressDeletedStatus();
        break;
    case DeleteOutcome::Changed:
        Dialogs().Notice(AddressListChangedText());
        break;
    case DeleteOutcome::Locked:
        Fail(StoresLockedText(result.lockState));
        break;
    case DeleteOutcome::Failed:
        Fail(AddressDeleteFailedText());
        break;
    }
    ReloadAddressList(state);
}

void PasteAddress(AddressBookState& state, const QString& clipboard) {
    state.address = clipboard;
}

} // namespace ricorne
