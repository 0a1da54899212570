#include "settings/SetForm.h"

#include "settings/OpenSettings.h"

#include "app/Twips.h"

#include <QPushButton>

namespace ricorne {

SetForm::SetForm(QWidget* parent) : SettingsForm(QStringLiteral(u"設定"), 3135, 615, {}, parent) {
    setObjectName(QStringLiteral("SetForm"));
    // Above the two dialogs it opens (they open centred), so both buttons stay in reach.
    PlaceOnScreen(height() / 2 + Twips(3012) / 2 + 16);
    command1_ = AddButton(QStringLiteral("Command1"), QStringLiteral("ID/PASS"), 120, 120, 1455, 375);
    command2_ = AddButton(QStringLiteral("Command2"), QStringLiteral(u"POPサーバー"), 1560, 120, 1455, 375);
    connect(command1_, &QPushButton::clicked, this, [] { OpenIdPassDialog(); });
    connect(command2_, &QPushButton::clicked, this, [] { OpenServerSettings(); });
}

} // namespace ricorne
