#include "mainwindow/SlotPanelInstaller.h"

#include "mainwindow/MainForm.h"
#include "mainwindow/SlotPanel.h"
#include "shell/Pause.h"

#include <QPointer>

namespace ricorne {

namespace {

class MainFormSlotHost : public SlotPanelHost {
public:
    explicit MainFormSlotHost(MainForm& form) : form_(&form) {}
    void ShowHelp(const QString& text) override {
        if (form_) {
            form_->ShowHelp(text);
        }
    }
    void HideHelp() override {
        if (form_) {
            form_->HideHelp();
        }
    }
    void Pause(int ms) override { ricorne::Pause(ms); }

private:
    QPointer<MainForm> form_;
};

} // namespace

SlotPanel* InstallSlotPanel(MainForm& form) {
    auto* panel = new SlotPanel(std::make_unique<MainFormSlotHost>(form));
    form.InstallCabinet(panel);
    form.SetLeverAction([panel = QPointer<SlotPanel>(panel)] {
        if (panel) {
            panel->PullLever();
        }
    });
    return panel;
}

} // namespace ricorne
