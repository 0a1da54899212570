// Names for a screen reader. A window hands over its subsystem's texts looked up by object name;
// each child control the texts know gets that accessible name (and description), the others keep
// what Qt derives from their own caption.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace ricorne {

using TextByObjectName = std::function<QString(const QString& objectName)>;

void NameControls(QWidget& window, const TextByObjectName& nameOf,
                  const TextByObjectName& descriptionOf = {});

} // namespace ricorne
