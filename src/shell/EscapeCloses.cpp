#include "shell/EscapeCloses.h"

#include <QPointer>
#include <QShortcut>
#include <QWidget>

namespace ricorne {

void CloseOnEscape(QWidget& window, std::function<bool()> mayClose) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_Escape), &window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, &window,
                     [w = QPointer<QWidget>(&window), mayClose = std::move(mayClose)] {
                         if (w && (!mayClose || mayClose()) && w)
                             w->close();
                     });
}

} // namespace ricorne
