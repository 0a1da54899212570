#include "mainwindow/PaintedButton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWidget>

namespace ricorne {

namespace {

const char* const kPaintedButton = "ricornePaintedButton";

// The press and release a pointer gives at the centre, so the control runs its one click path.
void ClickCentre(QWidget* widget) {
    QPointer<QWidget> target = widget;
    const QPointF centre = QRectF(target->rect()).center();
    const QPointF global = target->mapToGlobal(centre);
    QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    if (!target)
        return;
    QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

class PaintedButtonAccessible : public QAccessibleWidget {
public:
    explicit PaintedButtonAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Button) {}

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString& action) override {
        if (action != pressAction())
            return QAccessibleWidget::doAction(action);
        if (widget()->isEnabled())
            ClickCentre(widget());
    }
};

QAccessibleInterface* PaintedButtonFactory(const QString&, QObject* object) {
    if (object && object->isWidgetType() && object->property(kPaintedButton).toBool())
        return new PaintedButtonAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

bool PressedByKey(QWidget* widget, QKeyEvent* event) {
    const int key = event->key();
    if (event->modifiers() & ~Qt::KeypadModifier)
        return false;
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space)
        return false;
    if (event->isAutoRepeat())
        return true; // a held key presses once
    event->accept();
    if (widget->isEnabled())
        ClickCentre(widget);
    return true;
}

bool CameByKeyboard(Qt::FocusReason reason) {
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason;
}

void NoteFocusReason(QWidget* widget, QFocusEvent* event) {
    widget->setProperty("ricorneKeyFocus", CameByKeyboard(event->reason()));
}

void PaintFocusRing(QWidget* widget) {
    if (!widget->hasFocus() || !widget->property("ricorneKeyFocus").toBool())
        return;
    // Two rings, dark inside light, so it shows on the cabinet's dark red and its pale plates.
    QPainter p(widget);
    const QRectF box = QRectF(widget->rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(0xff, 0xff, 0x60), 1));
    p.drawRect(box);
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    p.drawRect(box.adjusted(1, 1, -1, -1));
}

void MarkAsPaintedButton(QWidget* widget) {
    static const bool installed = [] {
        QAccessible::installFactory(PaintedButtonFactory);
        return true;
    }();
    Q_UNUSED(installed);
    widget->setProperty(kPaintedButton, true);
}

} // namespace ricorne
