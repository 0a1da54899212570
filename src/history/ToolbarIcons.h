// Small pictures for the body editor's toolbar buttons, drawn in code (16 x 16).
#pragma once

#include <QIcon>
#include <QString>

namespace ricorne {

// The picture of the button with this key ("New", "Open", ..., "Underline"); a null icon for
// an unknown key.
QIcon ToolbarIcon(const QString& key);

} // namespace ricorne
