// The reply window's logic: sending the reply, the quoted-body paste and the layout rules.
// A reply gets no sent-history copy, no fortune and no batch sending.
#pragma once

#include "compose/AttachmentList.h"

#include <QString>
#include <functional>

namespace ricorne {

class NMail;

struct ReplyState {
    QString recipient; // ToText, as typed
    QString subject;   // SubjectText
    QString body;      // BodyText, CR LF line ends
    AttachmentList attachments;
};

// Sends the reply. On failure shows the library's text in a "送信エラー" box (through Dialogs())
// and returns false; the caller keeps the window open then, so a reply is never lost. With the
// check before a send switched on, a reply the sender does not let go returns false too.
bool SendReply(const ReplyState& state, NMail* mail = nullptr);

// The text that "本文に貼付" quotes: the body of the last received record that passed through
// the received record variable, trimmed of spaces (empty before any has).
QString QuotedReceivedBody();

// "本文に貼付" before the clipboard round trip: the clipboard text, CR LF three times and one
// more CR, then the quoted text.
QString ReplyPasteText(const QString& clipboard, const QString& quoted);

// Where the resizable controls go for a window of width x height twips.
struct ReplyLayout {
    int bodyWidth = 0;
    int recipientWidth = 0;
    int subjectWidth = 0;
    int attachWidth = 0;
    int attachButtonLeft = 0; // "添付"
    int addButtonLeft = 0;    // "追加"
    int cancelButtonLeft = 0; // "取り消し"
    int bodyHeight = 0;
};
// fieldHeights: ToText + SubjectText + AttachText; the body keeps currentBodyHeight in a window
// 3500 twips high or less.
ReplyLayout ComputeReplyLayout(int width, int height, int fieldHeights, int currentBodyHeight);

} // namespace ricorne
