#include "shell/AccessibleNames.h"

#include <QWidget>

namespace ricorne {

void NameControls(QWidget& window, const TextByObjectName& nameOf, const TextByObjectName& descriptionOf) {
    for (QWidget* control : window.findChildren<QWidget*>()) {
        const QString objectName = control->objectName();
        if (objectName.isEmpty())
            continue;
        if (const QString name = nameOf(objectName); !name.isEmpty())
            control->setAccessibleName(name);
        if (!descriptionOf)
            continue;
        // Hover help: shown while the pointer is over the control, so spoken as its description.
        if (const QString description = descriptionOf(objectName); !description.isEmpty())
            control->setAccessibleDescription(
                QString(description).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    }
}

} // namespace ricorne
