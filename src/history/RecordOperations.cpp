#include "history/RecordOperations.h"

#include "core/dialogs/CommonTexts.h"
#include "core/dialogs/DialogService.h"
#include "core/text/Text.h"
#include "history/HistoryList.h"
#include "history/QuickSaveFile.h"
#include "history/RecordText.h"

#include <QFile>
#include <QSaveFile>

namespace ricorne {

namespace {

RecordHandOffs& HandOffs() {
    static RecordHandOffs handOffs;
    return handOffs;
}

void Fail(const QString& text) {
    Dialogs().Message(ErrorTitle(), text, MessageIcon::Warning, MessageButtons::Ok);
}

// The check every operation on the shown record starts with; past it the focus goes to the body
// and the flag is cleared, so the next operation needs a fresh row click.
bool TakeSelection(HistoryView& view) {
    if (!view.SelectionFlag()) {
        Dialogs().Notice(NothingSelectedText());
        return false;
    }
    view.FocusBody();
    view.SetSelectionFlag(false);
    return true;
}

// Removes record n: marked, then compacted. The record is marked with its own bytes read afresh
// (not whatever the mode's buffer holds now), so a compaction that fails can put it back exactly.
bool RemoveRecord(const StoreDescriptor& store, int n) {
    MailRecord original;
    if (!ReadRecord(store, n, original))
        return false;
    if (!MarkDeleted(store, n, original))
        return false;
    if (CompactStore(store))
        return true;
    // The compaction leaves the store whole, with the record marked: make it live again.
    WriteRecord(store, n, original);
    FlushStore(store);
    return false;
}

// Every record deleted is an empty store, written in one step: the old store stays whole until
// the empty one replaces it.
bool EmptyStore(const StoreDescriptor& store) {
    if (!RecoverStore(store))
        return false;
    QSaveFile file(StorePath(store));
    return file.open(QIODevice::WriteOnly) && file.commit();
}

} // namespace

void SetRecordHandOffs(RecordHandOffs handOffs) {
    HandOffs() = std::move(handOffs);
}

void DeleteOneRecord(HistoryView& view, HistoryMode mode) {
    const int n = view.SelectedRow();
    if (!view.SelectionFlag() || n < 1) {
        Dialogs().Notice(NothingSelectedText());
        return;
    }
    const bool yes = Dialogs().Confirm(ConfirmDeleteText(mode));
    view.FocusBody();
    view.SetSelectionFlag(false);
    if (!yes) {
        view.SetBody(QString());
        return;
    }
    view.SetRecordView(QString(), QString(), QString(), QString());
    if (!RemoveRecord(HistoryStore(mode), n))
        Fail(HistoryDeleteFailedText());
    FillHistoryList(view, mode);
}

void DeleteAllRecords(HistoryView& view, HistoryMode mode) {
    if (!Dialogs().Confirm(ConfirmDeleteAllText()))
        return;
    if (!EmptyStore(HistoryStore(mode))) {
        Fail(HistoryDeleteFailedText());
        return;
    }
    view.SetRows({});
    view.SetCount(QStringLiteral("0"));
    view.SetRecordView(QString(), QString(), QString(), QString());
}

void RegisterSender(HistoryView& view) {
    if (!TakeSelection(view))
        return;
    if (HandOffs().openAddressBook)
        HandOffs().openAddressBook(view.SenderText());
}

void ReplyToRecord(HistoryView& view) {
    if (!TakeSelection(view))
        return;
    const QString subject = QStringLiteral("Re:  ") + Trim(view.SubjectText());
    if (HandOffs().openReply)
        HandOffs().openReply(Trim(view.SenderText()), subject, Trim(view.BodyText()));
}

void TextQuickSave(HistoryView& view) {
    if (!TakeSelection(view))
        return;
    const QString text = RecordText(view.SubjectText(), view.SenderText(), view.DateText(), view.BodyText());
    const QString folder = QuickSaveFolder();
    QString name = QuickSaveFileName(view.SubjectText());
    if (const QStringList unkept = UnkeptCharacters(text);
        !unkept.isEmpty() && !Dialogs().Confirm(QuickSaveUnkeptText(unkept, name)))
        return;
    view.SetBusyPointer(true);
    const QString existing = ExistingQuickSaveEntry(folder, name);
    view.SetBusyPointer(false);
    if (!existing.isEmpty()) {
        if (!Dialogs().Confirm(ConfirmOverwriteText()))
            return;
        name = existing; // the file the user agreed to replace, whatever the case of its name
    }
    if (const platform::ReplaceResult written =
            WriteQuickSaveFile(folder, name, EncodeCp932(text + QStringLiteral("\r\n")));
        !written) {
        Fail(QuickSaveFailedText(written.Text()));
        return;
    }
    view.SetBody(text);
}

void PreviewField(HistoryView& view, const QString& fieldText) {
    view.SetPreviewText(fieldText);
}

QString CopyField(const HistoryView& view) {
    return view.PreviewText();
}

} // namespace ricorne
