#include "shell/WindowRegistry.h"

#include "shell/TabOrder.h"

#include <QCoreApplication>
#include <QEvent>

namespace ricorne {

WindowRegistry& Registry() {
    static WindowRegistry registry;
    return registry;
}

int WindowRegistry::LoadedCount() const {
    int n = 0;
    for (const auto& [key, w] : windows_)
        n += w ? 1 : 0;
    return n;
}

QWidget* WindowRegistry::FindWidget(std::type_index key) const {
    auto it = windows_.find(key);
    return it == windows_.end() ? nullptr : it->second.data();
}

QWidget* WindowRegistry::Load(std::type_index key, Factory defaultFactory,
                              const std::function<void(QWidget&)>& load) {
    auto custom = factories_.find(key);
    const Factory& factory = custom != factories_.end() ? custom->second : defaultFactory;
    if (!factory)
        qFatal("WindowRegistry: %s has no default constructor and no factory", key.name());
    QWidget* w = factory();
    if (!w)
        return nullptr;
    w->setAttribute(Qt::WA_DeleteOnClose);
    KeepTabOrderByPlace(*w);
    windows_[key] = w;
    w->installEventFilter(this);

    QPointer<QWidget> alive(w);
    load(*w);
    return alive.data();
}

void WindowRegistry::Forget(QObject* window) {
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (!it->second || it->second.data() == window)
            it = windows_.erase(it);
        else
            ++it;
    }
}

void WindowRegistry::Raise(QWidget* w) {
    if (w->isMinimized())
        w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->show();
    w->raise();
    w->activateWindow();
}

bool WindowRegistry::CloseWidget(QWidget* w) {
    return w->close();
}

bool WindowRegistry::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Close || delivering_.contains(watched))
        return QObject::eventFilter(watched, event);
    // Let the window decide first, then forget it at once when it accepted: it is deleted only
    // later (deleteLater), and a request in between must not get a window on its way out.
    delivering_.insert(watched);
    QPointer<QObject> alive(watched);
    QCoreApplication::instance()->notify(watched, event);
    delivering_.remove(watched);
    if (!alive || event->isAccepted())
        Forget(watched);
    return true; // delivered above
}

} // namespace ricorne
