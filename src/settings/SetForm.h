// The settings window "設定": two buttons leading to the account ID dialog and the server
// settings dialog.
#pragma once

#include "settings/SettingsForm.h"

namespace ricorne {

class SetForm : public SettingsForm {
    Q_OBJECT
public:
    explicit SetForm(QWidget* parent = nullptr);

    QPushButton* Command1() const { return command1_; } // "ID/PASS"
    QPushButton* Command2() const { return command2_; } // "POPサーバー"

private:
    QPushButton* command1_;
    QPushButton* command2_;
};

} // namespace ricorne
