#include "receive/ReceiveLabel.h"

#include "app/LongOperation.h"
#include "app/WindowRegistry.h"
#include "core/mail/NMail.h"
#include "history/TyakuForm.h"
#include "mainwindow/MainForm.h"
#include "receive/CheckMail.h"
#include "settings/OpenSettings.h"

#include <QLabel>
#include <QPointer>

namespace ricorne {

void CheckMailFrom(MainForm& main) {
    if (LongOperation::Running())
        return;
    const LongOperation running;
    QPointer<MainForm> form(&main);
    CheckMailWiring wiring;
    wiring.mail = &SharedMail();
    // The viewer, loaded hidden (its load steps run) when it is not loaded yet.
    wiring.recordView = []() -> HistoryView& { return *Registry().Get<TyakuForm>(); };
    wiring.setStatus = [form](const QString& text) {
        if (!form)
            return;
        form->SetStatus(text);
        // The check holds the thread; paint the text now so it is seen while the check runs,
        // and whatever else of the windows needs painting.
        form->Label19()->repaint();
        LongOperation::ShowProgress();
    };
    wiring.openAccountDialog = [](const QString& id, const QString& password) {
        OpenIdPassDialog(id, password);
    };
    wiring.pullLever = [form] {
        if (form)
            form->PullLever();
    };
    CheckMail(wiring);
}

void InstallReceiveWiring() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    Registry().WhenLoaded<MainForm>([](MainForm& main) {
        QPointer<MainForm> form(&main);
        main.SetLabelAction(
            NavLabel::Label6,
            [form] {
                if (form)
                    CheckMailFrom(*form);
            },
            [form] {
                // A press while a check or a send runs starts nothing, so it says nothing either.
                if (form && !LongOperation::Running())
                    form->SetStatus(ReceivingStatus());
            });
    });
}

} // namespace ricorne
