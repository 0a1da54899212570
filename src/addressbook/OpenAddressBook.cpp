#include "addressbook/OpenAddressBook.h"

#include "addressbook/FriendForm.h"
#include "shell/WindowRegistry.h"

namespace ricorne {

void OpenAddressBook() {
    Registry().Show<FriendForm>();
}

void OpenAddressBookWithAddress(const QString& address) {
    if (FriendForm* form = Registry().Show<FriendForm>())
        form->SetAddress(address);
}

} // namespace ricorne
