#include "settings/IdPassForm.h"

#include "core/dialogs/DialogService.h"
#include "core/geometry/Twips.h"
#include "settings/AccountDialogLogic.h"
#include "settings/SettingsTexts.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace ricorne {

IdPassForm::IdPassForm(QWidget* parent) : SettingsForm(QStringLiteral("ID,PASS"), 2832, 1812, {}, parent) {
    setObjectName(QStringLiteral("IdPassForm"));
    AddLabel(QStringLiteral("Label1"), QStringLiteral("ID"), 120, 180, 675, 255);
    idText_ = AddTextBox(QStringLiteral("IdText"), 960, 120, 1632, 264);
    AddLabel(QStringLiteral("Label2_0"), QStringLiteral("Password"), 120, 600, 795, 255);
    passText_ = AddTextBox(QStringLiteral("PassText"), 960, 600, 1632, 264);
    passText_->setEchoMode(QLineEdit::Password);
    // Every typed character shows as "*", whatever the style's own mask character is.
    passText_->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));

    saveCheck_ = new QCheckBox(this);
    saveCheck_->setObjectName(QStringLiteral("Check1"));
    saveCheck_->setGeometry(TwipsRect(420, 1020, 255, 255));
    idText_->setAccessibleName(IdBoxName());
    passText_->setAccessibleName(PasswordBoxName());
    saveCheck_->setAccessibleName(SaveIdPassName());
    AddLabel(QStringLiteral("Label2_1"), QStringLiteral(u"IDパスワードを保存する"), 780, 1020, 1875, 255);

    okCommand_ = AddButton(QStringLiteral("OKCommand"), QStringLiteral("OK"), 900, 1380, 852, 312);
    cancelCommand_ =
        AddButton(QStringLiteral("CancelCommand"), QStringLiteral("Cancel"), 1860, 1380, 852, 312);
    SetDefaultButton(okCommand_);
    SetCancelButton(cancelCommand_);
    connect(okCommand_, &QPushButton::clicked, this, &IdPassForm::Confirm);
    connect(cancelCommand_, &QPushButton::clicked, this, &QWidget::close);
}

void IdPassForm::Load() {
    const IdPassValues values = OpenIdPassValues();
    SetValues(values.id, values.password);
    saveCheck_->setChecked(IdPassWasSaved());
}

void IdPassForm::SetValues(const QString& id, const QString& password) {
    idText_->setText(id);
    passText_->setText(password);
}

void IdPassForm::Confirm() {
    const IdPassValues values{idText_->text(), passText_->text()};
    const QString refusal = IdPassRefusal(values);
    if (!refusal.isEmpty()) {
        Dialogs().Message(QString(), refusal, MessageIcon::Warning, MessageButtons::Ok);
        return; // the dialog stays open with what was typed
    }
    const platform::ReplaceResult saved = ApplyIdPass(values, saveCheck_->isChecked());
    QPointer<IdPassForm> self(this);
    if (!saved)
        Dialogs().Notice(IdPassSaveFailedText(saved.Text()));
    if (self)
        close();
}

} // namespace ricorne
