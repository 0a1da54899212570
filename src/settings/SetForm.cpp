#include "settings/SetForm.h"

#include "settings/OpenSettings.h"

#include "core/geometry/Twips.h"

#include <QPushButton>

namespace ricorne {

SetForm::SetForm(QWidget* parent) : SettingsForm(QStringLiteral(u"設定"), 3135, 615, {}, parent) {
    setObjectName(QStringLiteral("SetForm"));
    // Above the two dialogs it opens (they open centred), so both buttons stay in reach.
    PlaceOnScreen(height() / 2 + Twips(4560) / 2 + 16);
    idPass_ = AddButton(QStringLiteral("Command1"), QStringLiteral("ID/PASS"), 120, 120, 1455, 375);
    server_ = AddButton(QStringLiteral("Command2"), QStringLiteral(u"POPサーバー"), 1560, 120, 1455, 375);
    connect(idPass_, &QPushButton::clicked, this, [] { OpenIdPassDialog(); });
    connect(server_, &QPushButton::clicked, this, [] { OpenServerSettings(); });
}

} // namespace ricorne
