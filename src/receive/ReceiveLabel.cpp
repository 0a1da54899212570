#include "receive/ReceiveLabel.h"

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
    QPointer<MainForm> form(&main);
    CheckMailWiring wiring;
    wiring.mail = &SharedMail();
    // The viewer, loaded hidden (its load steps run) when it is not loaded yet.
    wiring.recordView = []() -> HistoryView& { return *Registry().Get<TyakuForm>(); };
    wiring.setStatus = [form](const QString& text) {
        if (!form)
            return;
        form->SetStatus(text);
        // The check holds the thread; paint the text now so it is seen while the check runs.
        form->Label19()->repaint();
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
                if (form)
                    form->SetStatus(ReceivingStatus());
            });
    });
}

} // namespace ricorne
