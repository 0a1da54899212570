// The account ID dialog "ID,PASS": the POP3 account ID and password, saved to "iniIdPass.ini"
// only when the save switch is checked. Opens with the file's values, the switch on when the file
// says they were saved (so changing the password and pressing OK saves the new one).
#pragma once

#include "settings/SettingsForm.h"

class QCheckBox;

namespace ricorne {

class IdPassForm : public SettingsForm {
    Q_OBJECT
public:
    explicit IdPassForm(QWidget* parent = nullptr);

    // Load steps: the boxes from the file, the save switch as the file says.
    void Load();

    // Replaces what the two boxes show (the mail check opens the dialog with its own values).
    void SetValues(const QString& id, const QString& password);

    QLineEdit* IdText() const { return idText_; }
    QLineEdit* PassText() const { return passText_; }
    QCheckBox* SaveCheck() const { return saveCheck_; } // Check1 "IDパスワードを保存する"
    QPushButton* OKCommand() const { return okCommand_; }
    QPushButton* CancelCommand() const { return cancelCommand_; }

private:
    void Confirm();

    QLineEdit* idText_;
    QLineEdit* passText_;
    QCheckBox* saveCheck_;
    QPushButton* okCommand_;
    QPushButton* cancelCommand_;
};

} // namespace ricorne
