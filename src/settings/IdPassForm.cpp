#include "settings/IdPassForm.h"

#include "core/dialogs/DialogService.h"
#include "core/geometry/Twips.h"
#include "core/oauth/OAuthTokens.h"
#include "core/providers/ProviderTable.h"
#include "core/settings/AccountSettings.h"
#include "settings/AccountDialogLogic.h"
#include "settings/SettingsTexts.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace ricorne {

namespace {
bool HasOAuth() {
    return !OAuthForAddress(AccountSettings().FromAddress).name.isEmpty();
}
} // namespace

IdPassForm::IdPassForm(QWidget* parent)
    : SettingsForm(QStringLiteral("ID,PASS"), 2832, HasOAuth() ? 2772 : 1812, {}, parent) {
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

    if (HasOAuth()) {
        AddLabel(QStringLiteral("ClientIdLabel"), ClientIdLabel(), 120, 1860, 795, 255);
        clientIdText_ = AddTextBox(QStringLiteral("ClientIdText"), 960, 1800, 1632, 264);
        clientIdText_->setAccessibleName(ClientIdLabel());
        signInCommand_ = AddButton(QStringLiteral("SignInCommand"), SignInCaption(), 1860, 2160, 852, 312);
        signInStatus_ = AddLabel(QStringLiteral("SignInStatus"), QString(), 120, 2160, 1680, 540);
        signInStatus_->setWordWrap(true);
        signInStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);
        connect(signInCommand_, &QPushButton::clicked, this, &IdPassForm::SignIn);
    }
}

bool IdPassForm::SaveClientIdIfChanged() {
    if (!clientIdText_ || clientIdText_->text().simplified() == oauth::SavedClientId())
        return true;
    const platform::ReplaceResult saved = oauth::SaveClientId(clientIdText_->text());
    if (!saved)
        Dialogs().Notice(ClientIdSaveFailedText(saved.Text()));
    return bool(saved);
}

void IdPassForm::SignIn() {
    if (!SaveClientIdIfChanged())
        return;
    QPointer<IdPassForm> self(this);
    signInCommand_->setEnabled(false);
    signInStatus_->setText(SignInWaitingText());
    oauth::SignInOptions options;
    options.openBrowser = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    options.showDeviceCode = [self](const QString& code, const QString& address) {
        if (self)
            self->signInStatus_->setText(DeviceCodeText(code, address));
    };
    const QString address = AccountSettings().FromAddress.trimmed();
    const QString id = idText_->text().trimmed();
    // The sign-in waits in an event loop of its own: the window may be closed meanwhile.
    const oauth::SignInResult result = oauth::SignIn(address, id.isEmpty() ? address : id, options);
    if (!self)
        return;
    signInCommand_->setEnabled(true);
    signInStatus_->setText(result.text);
    Dialogs().Message(QString(), result.text, result.ok ? MessageIcon::Information : MessageIcon::Warning,
                      MessageButtons::Ok);
}

void IdPassForm::Load() {
    const IdPassValues values = OpenIdPassValues();
    SetValues(values.id, values.password);
    saveCheck_->setChecked(IdPassWasSaved());
    if (clientIdText_)
        clientIdText_->setText(oauth::SavedClientId());
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
    if (!SaveClientIdIfChanged())
        return;
    const platform::ReplaceResult saved = ApplyIdPass(values, saveCheck_->isChecked());
    QPointer<IdPassForm> self(this);
    if (!saved)
        Dialogs().Notice(IdPassSaveFailedText(saved.Text()));
    if (self)
        close();
}

} // namespace ricorne
