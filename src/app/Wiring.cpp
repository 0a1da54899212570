// Every connection between the windows is made here, and nowhere else: what each label of the
// main window does, and where one window hands something to another. The subsystems export plain
// functions (Open…, EditComposeBody, CheckMailFromWindow, …) and know nothing of one another.
#include "app/Wiring.h"

#include "addressbook/OpenAddressBook.h"
#include "compose/OpenCompose.h"
#include "compose/WriteForm.h"
#include "core/mail/NMail.h"
#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"
#include "facemarks/KaoForm.h"
#include "facemarks/OpenFaceMarks.h"
#include "history/OpenHistory.h"
#include "history/RecordOperations.h"
#include "mainwindow/MainForm.h"
#include "mainwindow/SlotPanelInstaller.h"
#include "receive/CheckMailFromWindow.h"
#include "settings/OpenSettings.h"
#include "shell/LongOperation.h"
#include "shell/WindowRegistry.h"

#include <QPointer>

#include <cstdio>
#include <cstdlib>

namespace ricorne {

namespace {

// 受信: one mail check. Each mail is staged in the history viewer (loaded hidden), the account ID
// dialog opens when the file lacks the ID or password, the status shows in the main window's
// status label and new mail pulls the lever.
void CheckMailFromMainWindow(MainForm& main) {
    QPointer<MainForm> form(&main);
    CheckMailHooks hooks;
    hooks.mail = &SharedMail();
    hooks.recordView = ViewerRecordView;
    hooks.setStatus = [form](const QString& text) {
        if (form)
            form->ShowStatusNow(text);
    };
    hooks.openAccountDialog = [](const QString& id, const QString& password) {
        OpenIdPassDialog(id, password);
    };
    hooks.pullLever = [form] {
        if (form)
            form->PullLever();
    };
    CheckMailFromWindow(std::move(hooks));
}

// The main window's labels (the help page and Small do their own work). Each label's press effect
// runs before its action.
void WireMainWindow(MainForm& main) {
    main.SetLabelAction(NavLabel::Compose, OpenComposeWindow);
    QPointer<MainForm> form(&main);
    main.SetLabelAction(
        NavLabel::Receive,
        [form] {
            if (form)
                CheckMailFromMainWindow(*form);
        },
        [form] {
            // A press while a check or a send runs starts nothing, so it says nothing either.
            if (form && !LongOperation::Running())
                form->SetStatus(ReceivingStatus());
        });
    main.SetLabelAction(NavLabel::ReceivedHistory, [] { OpenHistory(HistoryMode::Received); });
    main.SetLabelAction(NavLabel::SentHistory, [] { OpenHistory(HistoryMode::Sent); });
    main.SetLabelAction(NavLabel::AddressBook, OpenAddressBook);
    main.SetLabelAction(NavLabel::Settings, OpenSettingsWindow);
}

// The compose window's "顔・絵文字" opens the face-mark palette.
void WireComposeWindow(WriteForm& compose) {
    compose.SetFaceMarkAction(OpenFaceMarkPalette);
}

// The palette's insert buttons write into the compose window's body.
void WireFaceMarkPalette(KaoForm& palette) {
    palette.SetInsertTarget(EditComposeBody);
}

// Every window of type W the registry creates from now on gets its connections first.
template <class W> void WireEvery(void (*wire)(W&)) {
    Registry().SetFactory<W>([wire] {
        auto* window = new W;
        wire(*window);
        return window;
    });
}

} // namespace

void InstallWiring() {
    WireEvery<MainForm>(WireMainWindow);
    WireEvery<WriteForm>(WireComposeWindow);
    WireEvery<KaoForm>(WireFaceMarkPalette);
    // The viewer's "アドレス帳登録" opens the address book with the sender, its "返事を書く" the
    // reply window.
    SetRecordHandOffs({OpenAddressBookWithAddress, OpenReplyWindow});
}

void RunStartup() {
    // Folders first: preparing the compose window creates a file in them.
    EnsureInstalledFolders();
    MainForm* main = Registry().Get<MainForm>();
    InstallSlotPanel(*main); // 100 coins, reels at rest and placed, the cabinet drawn
    main->HideHelp();
    PrepareCompose();
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
