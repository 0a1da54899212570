// Opening the address book: from the main window's "アドレス帳" label and from the history
// viewer's register-sender command. One window either way.
#pragma once

#include <QString>

namespace ricorne {

// Shows FriendForm (loading it first when needed; an open one is brought to the front).
void OpenAddressBook();

// Opens the address book and puts address into its mail address box, uncut.
void OpenAddressBookWithAddress(const QString& address);

} // namespace ricorne
