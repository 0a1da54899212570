// The account ID dialog "ID,PASS": the POP3 account ID and password, saved to "iniIdPass.ini"
// only when the save switch is checked. Opens with the file's values, the switch on when the file
// says they were saved (so changing the password and pressing OK saves the new one).
// For a mail address whose provider signs in with OAuth, a row below takes the application's
// client ID and starts the sign-in (the browser, or a code shown here for another device).
#pragma once

#include "settings/SettingsForm.h"

class QCheckBox;
class QLabel;

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
    // The OAuth row; nullptr when the address's provider has no OAuth sign-in.
    QLineEdit* ClientIdText() const { return clientIdText_; }
    QPushButton* SignInCommand() const { return signInCommand_; }

private:
    void Confirm();
    void SignIn();
    bool SaveClientIdIfChanged();

    QLineEdit* idText_;
    QLineEdit* passText_;
    QCheckBox* saveCheck_;
    QPushButton* okCommand_;
    QPushButton* cancelCommand_;
    QLineEdit* clientIdText_ = nullptr;
    QPushButton* signInCommand_ = nullptr;
    QLabel* signInStatus_ = nullptr;
};

} // namespace ricorne
