#include "settings/OptionForm.h"

#include "core/dialogs/DialogService.h"
#include "core/geometry/Twips.h"
#include "settings/AccountDialogLogic.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace ricorne {

OptionForm::OptionForm(QWidget* parent)
    : SettingsForm(QStringLiteral(u"サーバー設定"), 2892, 3012, Qt::WindowStaysOnTopHint, parent) {
    setObjectName(QStringLiteral("OptionForm"));
    QLabel* label1 =
        AddLabel(QStringLiteral("Label1"), QStringLiteral(u"SMTPサーバー名(&S)"), 120, 120, 1575, 195);
    smtpText_ = AddTextBox(QStringLiteral("SmtpText"), 120, 360, 2652, 264);
    QLabel* label2 =
        AddLabel(QStringLiteral("Label2"), QStringLiteral(u"POP3サーバー名(&P)"), 120, 720, 1635, 195);
    pop3Text_ = AddTextBox(QStringLiteral("Pop3Text"), 120, 960, 2652, 264);
    QLabel* label3 =
        AddLabel(QStringLiteral("Label3"), QStringLiteral(u"メールアドレス(&M)"), 120, 1320, 1635, 195);
    mailText_ = AddTextBox(QStringLiteral("MailText"), 120, 1560, 2652, 264);
    // A label's access key moves to the box below it.
    label1->setBuddy(smtpText_);
    label2->setBuddy(pop3Text_);
    label3->setBuddy(mailText_);

    apopCheck_ = new QCheckBox(QStringLiteral(u"APOP を使用する(&A)"), this);
    apopCheck_->setObjectName(QStringLiteral("ApopCheck"));
    apopCheck_->setGeometry(TwipsRect(660, 2040, 2172, 252));

    okCommand_ = AddButton(QStringLiteral("OkCommand"), QStringLiteral(u"設定"), 660, 2520, 972, 372);
    cancelCommand_ =
        AddButton(QStringLiteral("CancelCommand"), QStringLiteral(u"中止"), 1860, 2520, 912, 372);
    SetCancelButton(cancelCommand_);
    connect(okCommand_, &QPushButton::clicked, this, &OptionForm::Confirm);
    connect(cancelCommand_, &QPushButton::clicked, this, &QWidget::close);
}

void OptionForm::Load() {
    const ServerValues values = OpenServerValues();
    smtpText_->setText(values.smtp);
    pop3Text_->setText(values.pop3);
    mailText_->setText(values.address);
    apopCheck_->setChecked(values.apop);
}

void OptionForm::Confirm() {
    const ServerValues values{smtpText_->text(), pop3Text_->text(), mailText_->text(),
                              apopCheck_->isChecked()};
    const QString refusal = ServerRefusal(values);
    if (!refusal.isEmpty()) {
        Dialogs().Message(QString(), refusal, MessageIcon::Warning, MessageButtons::Ok);
        return; // the dialog stays open with what was typed
    }
    const platform::ReplaceResult saved = ApplyServerValues(values);
    QPointer<OptionForm> self(this);
    if (!saved)
        Dialogs().Notice(ServerSettingsSaveFailedText(saved.Text()));
    if (self)
        close();
}

} // namespace ricorne
