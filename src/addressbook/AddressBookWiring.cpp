#include "addressbook/AddressBookWiring.h"

#include "addressbook/FriendForm.h"
#include "app/WindowRegistry.h"
#include "mainwindow/MainForm.h"

namespace ricorne {

void OpenAddressBook() {
    Registry().Show<FriendForm>();
}

void OpenAddressBookWithAddress(const QString& address) {
    if (FriendForm* form = Registry().Show<FriendForm>())
        form->SetAddress(address);
}

void InstallAddressBookWiring() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    Registry().WhenLoaded<MainForm>(
        [](MainForm& main) { main.SetLabelAction(NavLabel::Label9, [] { OpenAddressBook(); }); });
}

} // namespace ricorne
