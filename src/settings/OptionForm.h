// The server settings dialog "サーバー設定": SMTP and POP3 servers, the own mail address and the
// APOP switch, saved to "klmail.ini". It stays above every other window while it is open.
// Typing the mail address fills empty server boxes from the provider table (and replaces what
// it filled itself, until the user edits it); "接続テスト" checks the typed account before saving.
#pragma once

#include "settings/SettingsForm.h"

class QCheckBox;
class QLabel;

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
    QPushButton* TestCommand() const { return testCommand_; }
    QLabel* NoteLabel() const { return noteLabel_; }

private:
    void Confirm();
    void AddressEdited(const QString& address);
    void TestConnection();

    QLineEdit* smtpText_;
    QLineEdit* pop3Text_;
    QLineEdit* mailText_;
    QCheckBox* apopCheck_;
    QPushButton* okCommand_;
    QPushButton* cancelCommand_;
    QPushButton* testCommand_;
    QLabel* noteLabel_;
    // What the table filled in last: replaced by the next suggestion while the box still shows it.
    QString filledPop3_;
    QString filledSmtp_;
};

} // namespace ricorne
