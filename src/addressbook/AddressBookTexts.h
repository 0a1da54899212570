// The address book's own texts: captions, status lines, messages and hover help.
#pragma once

#include <QString>
#include <QStringList>

namespace ricorne {

QString FriendFormCaption(); // "アドレス帳"
QString FriendNoteText();    // the fixed note beside the buttons (Label4)

// Status line (Label7). The first two begin with an ideographic space.
QString AddressSelectedStatus();   // "　選択しました。"
QString AddressRegisteredStatus(); // "　登録が完了しました。"
QString AddressDeletedStatus();    // "削除が完了しました"

// Message boxes.
QString NameCardNoAddressText(); // "名刺挿入" without a mail address
QString NameCardMissingText();   // "名刺挿入" without a name card
QString ConfirmDeleteText();
QString AddressBookFullText();
QString AddressRegisterFailedText();
QString AddressRowUnreadableText();
QString AddressDeleteFailedText();
QString AddressListChangedText(); // the store changed behind the list: nothing deleted
QString AddressBookBeyondLimitText(qint64 total);
QString AddressListUnreadableText(const QString& path);
// Asks before storing characters CP932 cannot hold (as "?"); names them.
QString ConfirmUnkeptCharactersText(const QStringList& characters);

// Hover help of a button, by its control name (Command1, Command3, Command4, Command38); empty
// for any other control. Line breaks are CR LF.
QString FriendHelpText(const QString& controlName);
// What a screen reader calls the address book's boxes and list, by object name.
QString FriendAccessibleName(const QString& controlName);

} // namespace ricorne
