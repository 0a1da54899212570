#include "settings/SetForm.h"

#include "settings/OpenSettings.h"
#include "settings/SettingsTexts.h"

#include "core/dialogs/DialogService.h"
#include "core/geometry/Twips.h"
#include "core/settings/SendCheckSettings.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace ricorne {

SetForm::SetForm(QWidget* parent) : SettingsForm(QStringLiteral(u"設定"), 3135, 1455, {}, parent) {
    setObjectName(QStringLiteral("SetForm"));
    // Above the two dialogs it opens (they open centred), so both buttons stay in reach.
    PlaceOnScreen(height() / 2 + Twips(4560) / 2 + 16);
    idPass_ = AddButton(QStringLiteral("Command1"), QStringLiteral("ID/PASS"), 120, 120, 1455, 375);
    server_ = AddButton(QStringLiteral("Command2"), QStringLiteral(u"POPサーバー"), 1560, 120, 1455, 375);
    connect(idPass_, &QPushButton::clicked, this, [] { OpenIdPassDialog(); });
    connect(server_, &QPushButton::clicked, this, [] { OpenServerSettings(); });

    const SendCheckOptions options = ReadSendCheckOptions();
    sendCheck_ = new QCheckBox(SendCheckOptionCaption(), this);
    sendCheck_->setObjectName(QStringLiteral("SendCheck"));
    sendCheck_->setGeometry(TwipsRect(120, 600, 2895, 300));
    sendCheck_->setChecked(options.enabled);
    sendCheck_->setToolTip(SendCheckOptionHelp());
    sendCheck_->setAccessibleDescription(SendCheckOptionHelp());
    QLabel* delayLabel = AddLabel(QStringLiteral("DelayLabel"), SendDelayCaption(), 360, 990, 1800, 300);
    sendDelay_ = new QSpinBox(this);
    sendDelay_->setObjectName(QStringLiteral("SendDelay"));
    sendDelay_->setGeometry(TwipsRect(2160, 960, 855, 345));
    sendDelay_->setRange(0, kMaxSendDelaySeconds);
    sendDelay_->setSuffix(SendDelaySuffix());
    sendDelay_->setValue(options.delaySeconds);
    sendDelay_->setAccessibleName(SendDelayCaption().remove(QStringLiteral("(&W)")));
    sendDelay_->setEnabled(options.enabled);
    delayLabel->setBuddy(sendDelay_);
    connect(sendCheck_, &QCheckBox::toggled, this, [this](bool on) {
        sendDelay_->setEnabled(on);
        SaveSendCheck();
    });
    connect(sendDelay_, &QSpinBox::valueChanged, this, [this] { SaveSendCheck(); });
    setTabOrder(idPass_, server_);
    setTabOrder(server_, sendCheck_);
    setTabOrder(sendCheck_, sendDelay_);
}

void SetForm::SaveSendCheck() {
    const platform::ReplaceResult saved =
        SaveSendCheckOptions({sendCheck_->isChecked(), sendDelay_->value()});
    if (!saved)
        Dialogs().Notice(SendCheckSaveFailedText(saved.Text()));
}

} // namespace ricorne
