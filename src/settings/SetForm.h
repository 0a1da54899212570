// The settings window "設定": two buttons leading to the account ID dialog and the server
// settings dialog, and the check before a send (saved as soon as it is changed).
#pragma once

#include "settings/SettingsForm.h"

class QCheckBox;
class QSpinBox;

namespace ricorne {

class SetForm : public SettingsForm {
    Q_OBJECT
public:
    explicit SetForm(QWidget* parent = nullptr);

    QPushButton* IdPassButton() const { return idPass_; } // Command1 "ID/PASS"
    QPushButton* ServerButton() const { return server_; } // Command2 "POPサーバー"
    QCheckBox* SendCheckBox() const { return sendCheck_; }
    QSpinBox* SendDelayBox() const { return sendDelay_; }

private:
    void SaveSendCheck();

    QPushButton* idPass_;
    QPushButton* server_;
    QCheckBox* sendCheck_;
    QSpinBox* sendDelay_;
};

} // namespace ricorne
