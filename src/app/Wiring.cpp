#include "app/Wiring.h"

#include "addressbook/AddressBookWiring.h"
#include "app/WindowRegistry.h"
#include "compose/ComposeWiring.h"
#include "core/mail/NMail.h"
#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"
#include "facemarks/FaceMarkWiring.h"
#include "history/OpenHistory.h"
#include "history/RecordOperations.h"
#include "mainwindow/MainForm.h"
#include "mainwindow/SlotPanelInstaller.h"
#include "receive/ReceiveLabel.h"
#include "settings/OpenSettings.h"

#include <cstdio>
#include <cstdlib>

namespace ricorne {

void InstallWiring() {
    // One line per subsystem that hooks a window.
    InstallComposeWiring();
    InstallHistoryWiring();
    InstallReceiveWiring();
    InstallSettingsWiring();
    InstallAddressBookWiring();
    InstallFaceMarkWiring();
    // The viewer hands a record to the address book and the reply window through these.
    SetRecordHandOffs({OpenAddressBookWithAddress, OpenReplyWindow});
}

void RunStartup() {
    // Folders first: the compose window's load already reads and creates files in them.
    EnsureInstalledFolders();
    MainForm* main = Registry().Get<MainForm>();
    InstallSlotPanel(*main); // 100 coins, reels at rest and placed, the cabinet drawn
    main->HideHelp();
    LoadComposeHidden();
    LoadServerSettings();
    SharedMail().NMailInitializeWinSock();
    SharedMail().NMailSetOption(1, 8192);
    OpenServerSettingsWhenUnset();
    Registry().Show<MainForm>();
}

void ShutDown(const std::function<void()>& endProcess) {
    // The end closes no window, so a palette still open writes its lists first.
    SaveOpenPalette();
    SharedMail().NMailEndWinSock();
    if (endProcess) {
        endProcess();
        return;
    }
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace ricorne
