#include "shell/TabOrder.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QWidget>

#include <algorithm>

namespace ricorne {

namespace {

// The inner editor of a spin box or combo box is reached through its owner.
bool PartOfAnother(const QWidget* w, const QWidget& window) {
    for (const QWidget* p = w->parentWidget(); p && p != &window; p = p->parentWidget()) {
        if (qobject_cast<const QAbstractSpinBox*>(p) || qobject_cast<const QComboBox*>(p))
            return true;
    }
    return false;
}

class ShowWatcher : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            auto* window = static_cast<QWidget*>(watched);
            const QList<QWidget*> order = ControlsInReadingOrder(*window);
            for (qsizetype i = 1; i < order.size(); ++i)
                QWidget::setTabOrder(order[i - 1], order[i]);
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

QList<QWidget*> ControlsInReadingOrder(QWidget& window) {
    struct Placed {
        QWidget* widget;
        QRect box; // in the window's coordinates
    };
    QList<Placed> placed;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (w->isWindow() || !(w->focusPolicy() & Qt::TabFocus) || w->focusProxy() ||
            !w->isVisibleTo(&window) || PartOfAnother(w, window))
            continue;
        placed.append({w, QRect(w->mapTo(&window, QPoint(0, 0)), w->size())});
    }
    std::stable_sort(placed.begin(), placed.end(),
                     [](const Placed& a, const Placed& b) { return a.box.top() < b.box.top(); });
    // A row: every control whose top lies above the middle of the row's first control.
    QList<QWidget*> order;
    for (qsizetype start = 0; start < placed.size();) {
        const int rowMiddle = placed[start].box.center().y();
        qsizetype end = start + 1;
        while (end < placed.size() && placed[end].box.top() < rowMiddle)
            ++end;
        std::stable_sort(placed.begin() + start, placed.begin() + end,
                         [](const Placed& a, const Placed& b) { return a.box.left() < b.box.left(); });
        for (qsizetype i = start; i < end; ++i)
            order << placed[i].widget;
        start = end;
    }
    return order;
}

void KeepTabOrderByPlace(QWidget& window) {
    window.installEventFilter(new ShowWatcher(&window));
}

} // namespace ricorne
