// What the compose and reply windows say: captions, the greeting lines, hover help, status
// lines and messages. Texts with line breaks use CR LF.
#pragma once

#include "core/paths/ProgramFolderLock.h"

#include <QString>
#include <QStringList>

namespace ricorne {

QString WriteFormCaption(); // "新規作成"
QString BackFormCaption();  // "返事を書く"

// The eight opening lines offered by the greeting chooser, in their order.
const QStringList& GreetingLines();

// The controls of the compose window that explain themselves while the pointer is over them.
enum class ComposeHelp {
    Send,
    Stop,
    AddressBook,
    PasteBody,
    NormalSize,
    PasteRecipient,
    Clear,
    AddFile,
    AttachFile,
    FaceMarks
};
QString ComposeHelpText(ComposeHelp control);

// What a screen reader calls the compose and reply windows' boxes and lists (by object name;
// empty for the controls whose caption already names them).
QString ComposeAccessibleName(const QString& objectName);
// The compose window's hover help and the fortune tick's caption, spoken as descriptions.
QString WriteFormAccessibleDescription(const QString& objectName);

// Status line of the compose window while sending and afterwards.
QString SendingStatus(); // "メールを送信中です。しばらくお待ち下さい。"
// The same during pass k of a batch send of count passes, so a long batch shows where it is.
QString SendingProgressStatus(int k, int count);
QString SendCompleteStatus(); // "送信完了です。"
QString SendStoppedStatus();  // the sent history could not take the copy; nothing more went out
QString SendFailedStatus();   // at least one pass was refused: the mail did not reach everyone
QString SendHeldStatus();     // the check before the send was not passed: nothing went out

QString SendErrorTitle(); // "送信エラー"
// Esc on a compose or reply window that holds unsent text.
QString CloseUnsentQuestion();

// The sent history cannot take the copy of the mail about to go out.
QString SentStoreFullText();
QString SentStoreWriteFailedText();
// Why the copy could not be written: another program holds the folder, or its lock file cannot be
// made or opened (names its path).
QString SentStoreLockedText(ProgramFolderLock::State state);
// Added to those texts in a batch send: the pass (1-based) and the entry it stopped at, and
// how many entries before it already got the mail.
QString BatchStoppedAtText(int pass, const QString& name, const QString& address);

// Title of the open-file dialog of the attachment buttons.
QString AttachDialogTitle();

} // namespace ricorne
