#include "history/RecordOperations.h"

#include "core/dialogs/CommonTexts.h"
#include "core/dialogs/DialogService.h"
#include "core/paths/ProgramFolderLock.h"
#include "core/text/Text.h"
#include "history/HistoryList.h"
#include "history/QuickSaveFile.h"
#include "history/RecordText.h"

#include <QFile>

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

// Tells the user why a deletion did not happen. False when nothing was deleted.
bool Report(const DeleteResult& result) {
    switch (result.outcome) {
    case DeleteOutcome::Deleted:
        return true;
    case DeleteOutcome::Changed:
        Dialogs().Notice(HistoryChangedText());
        return false;
    case DeleteOutcome::Locked:
        Fail(StoresLockedText(result.lockState));
        return false;
    case DeleteOutcome::Failed:
        Fail(HistoryDeleteFailedText());
        return false;
    }
    return false;
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
    // The record shown when the row was clicked goes, or nothing: another program may have
    // moved the records since.
    Report(DeleteChosenRecord(HistoryStore(mode), n, ChosenRecordBytes(mode, n)));
    FillHistoryList(view, mode);
}

void DeleteAllRecords(HistoryView& view, HistoryMode mode) {
    if (!Dialogs().Confirm(ConfirmDeleteAllText()))
        return;
    const QByteArray shown = ShownListingDigest(mode);
    const DeleteResult result =
        EmptyStoreIfUnchanged(HistoryStore(mode), [&] { return ListingDigestNow(mode) == shown; });
    if (!Report(result)) {
        if (result.outcome == DeleteOutcome::Changed)
            FillHistoryList(view, mode);
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
