// The settings window "設定": two buttons leading to the account ID dialog and the server
// settings dialog.
#pragma once

#include "settings/SettingsForm.h"

namespace ricorne {

class SetForm : public SettingsForm {
    Q_OBJECT
public:
    explicit SetForm(QWidget* parent = nullptr);

    QPushButton* IdPassButton() const { return idPass_; } // Command1 "ID/PASS"
    QPushButton* ServerButton() const { return server_; } // Command2 "POPサーバー"

private:
    QPushButton* idPass_;
    QPushButton* server_;
};

} // namespace ricorne
