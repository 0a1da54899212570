#include "compose/ComposeState.h"

#include "core/paths/Paths.h"
#include "core/stores/RecordBuffers.h"
#include "core/stores/RecordField.h"
#include "core/stores/RecordStore.h"
#include "core/text/Text.h"

#include <QFile>
#include <QFileInfo>

namespace ricorne {

namespace {

// An address file that does not exist yet is created empty when the list is filled.
void CreateWhenMissing(const StoreDescriptor& store) {
    const QString path = StorePath(store);
    if (QFileInfo::exists(path))
        return;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.close();
}

} // namespace

void LoadComposeState(ComposeState& state) {
    state.batch = BatchChoice::None;
    state.fortune = false;
    state.attachments.addEnabled = false;
    state.attachments.rowsVisible = false;
    state.openingLine.clear();
    state.openingLineApplied.clear();
    FillNameList(state, MasterAddressStore());
}

void CreateMasterAddressFileWhenMissing() {
    CreateWhenMissing(MasterAddressStore());
}

bool FillNameList(ComposeState& state, const StoreDescriptor& store) {
    state.names.clear();
    state.nameIndex.clear();
    CreateWhenMissing(store);
    AddressRecord record;
    const bool ok = ReadRecords(store, record, [&](int n) {
        state.names.append(FieldText(record.Name));
        state.nameIndex.append(n);
    });
    state.nameCount = QString::number(state.names.size());
    return ok;
}

PickOutcome PickName(ComposeState& state, int row) {
    if (row < 0 || row >= state.nameIndex.size())
        return PickOutcome::NoSelection;
    AddressRecord& record = AddressBuffer();
    if (!ReadRecord(AddressStore(), state.nameIndex.at(row), record))
        return PickOutcome::Unreadable;
    state.recipient = Trim(FieldText(record.MailAddress).left(kRecipientLength));
    return PickOutcome::Picked;
}

void ClearCompose(ComposeState& state) {
    state.recipient.clear();
    state.subject.clear();
    state.body.clear();
    state.batch = BatchChoice::None;
    CancelAttachments(state.attachments);
    state.fortune = false;
    state.namesHighlighted = false;
}

void LeaveOpeningLine(ComposeState& state) {
    if (state.openingLine == state.openingLineApplied)
        return;
    state.body = state.openingLine;
    state.openingLineApplied = state.openingLine;
}

void PasteIntoBody(ComposeState& state, const QString& clipboard) {
    state.body += ToCrLf(clipboard);
}

void PasteIntoRecipient(ComposeState& state, const QString& clipboard) {
    state.recipient = clipboard;
}

void ChooseBatchSending(ComposeState& state) {
    state.batch = BatchChoice::Batch;
    state.namesHighlighted = true;
}

void ChooseNormalSending(ComposeState& state) {
    state.batch = BatchChoice::Normal;
    state.recipient.clear();
    state.namesHighlighted = false;
}

void ShowNamePanel(ComposeState& state) {
    state.widened = true;
    FillNameList(state, AddressStore());
}

void HideNamePanel(ComposeState& state) {
    state.widened = false;
    state.namesHighlighted = false;
    // A batch choice must never be left on where the user cannot see it. Unlike "取消" pressed
    // by hand, the typed recipient stays.
    if (state.batch == BatchChoice::Batch)
        state.batch = BatchChoice::Normal;
}

} // namespace ricorne
