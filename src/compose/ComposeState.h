// What the compose window holds, as a plain record, and what its buttons do to it. The window
// (WriteForm) shows this record in its controls; the mail tool fills one from its arguments.
#pragma once

#include "compose/AttachmentList.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace ricorne {

struct StoreDescriptor;

// The two option buttons of the name panel: neither chosen, "一括送信" (Option2) or "取消" (Option1).
enum class BatchChoice { None, Batch, Normal };

struct ComposeState {
    QString recipient;          // ToText, as typed
    QString subject;            // SubjectText
    QString body;               // BodyText, CR LF line ends
    QString openingLine;        // Combo1's text
    QString openingLineApplied; // Combo1's text when it last set the body (or at load)
    AttachmentList attachments; // AttachText, List2 and the three buttons
    bool fortune = false;       // Check1
    BatchChoice batch = BatchChoice::None;
    QStringList names;             // List1: Name fields as read, fill spaces included
    QVector<int> nameIndex;        // NameIndex: the record number behind each row of List1
    QString nameCount;             // Text1
    bool namesHighlighted = false; // List1 painted dark green (batch sending chosen)
    bool widened = false;          // the name panel is in view
    QString status;                // Label7

    bool BatchOn() const { return batch == BatchChoice::Batch; }
};

// Load steps: fortune and batch switches off, "追加" disabled, rows hidden, opening line empty,
// and the name list filled from the master address file (created empty when missing).
void LoadComposeState(ComposeState& state);

// The one file the load writes: the master address file, created empty when missing. Start-up
// makes it so without building the window.
void CreateMasterAddressFileWhenMissing();

// Empties the name list and fills it with one row per record of store (an AddressRecord file,
// created empty when missing), in record order. False when the store could not be read (the
// rows read so far stay).
bool FillNameList(ComposeState& state, const StoreDescriptor& store);

enum class PickOutcome { Picked, NoSelection, Unreadable };
// A press on the name list with row selected (-1: none): the recipient becomes the mail address
// of the address book record behind that row, cut to 60 characters and trimmed. NoSelection
// asks the window to say so; Unreadable (the record is gone) changes nothing.
PickOutcome PickName(ComposeState& state, int row);

// "クリア": recipient, subject and body emptied, both switches off, attachments cancelled,
// name list white.
void ClearCompose(ComposeState& state);

// The greeting chooser lost the focus: its text replaces the whole body, but only when the text
// changed since it last did so (or since load). Merely passing through the chooser never wipes
// what was written.
void LeaveOpeningLine(ComposeState& state);

// "本文に貼付": the clipboard text at the end of the body. "宛先に貼付": the whole clipboard text
// as the recipient, however long (the recipient's length limit is for typing only). An empty
// clipboard pastes an empty text.
void PasteIntoBody(ComposeState& state, const QString& clipboard);
void PasteIntoRecipient(ComposeState& state, const QString& clipboard);

// "一括送信" chosen: List1 dark green. "取消" chosen: recipient emptied, List1 white.
void ChooseBatchSending(ComposeState& state);
void ChooseNormalSending(ComposeState& state);

// "アドレス帳": the panel comes into view and the names are read afresh from the address book.
// "元のサイズ": the panel goes out of view, List1 turns white and a batch choice goes back to
// "取消" (the recipient stays as typed).
void ShowNamePanel(ComposeState& state);
void HideNamePanel(ComposeState& state);

// The longest recipient the window takes from the address book, and the most that can be typed.
inline constexpr int kRecipientLength = 60;

} // namespace ricorne
