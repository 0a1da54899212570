// The server settings dialog "サーバー設定": SMTP and POP3 servers, the own mail address and the
// APOP switch, saved to "klmail.ini". It stays above every other window while it is open.
#pragma once

#include "settings/SettingsForm.h"

class QCheckBox;

namespace ricorne {

class OptionForm : public SettingsForm {
    Q_OBJECT
public:
    explicit OptionForm(QWidget* parent = nullptr);

    // Load steps: the boxes from AccountSettings.
    void Load();

    QLineEdit* SmtpText() const { return smtpText_; }
    QLineEdit* Pop3Text() const { return pop3Text_; }
    QLineEdit* MailText() const { return mailText_; }
    QCheckBox* ApopCheck() const { return apopCheck_; }
    QPushButton* OkCommand() const { return okCommand_; }
    QPushButton* CancelCommand() const { return cancelCommand_; }

private:
    void Confirm();

    QLineEdit* smtpText_;
    QLineEdit* pop3Text_;
    QLineEdit* mailText_;
    QCheckBox* apopCheck_;
    QPushButton* okCommand_;
    QPushButton* cancelCommand_;
};

} // namespace ricorne
