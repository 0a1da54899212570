#include "mainwindow/PaintedButton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

namespace ricorne {

namespace {

const char* const kPaintedButton = "ricornePaintedButton";

class PaintedButtonAccessible : public QAccessibleWidget {
public:
    explicit PaintedButtonAccessible(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Button) {}

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString& action) override {
        if (action != pressAction())
            return QAccessibleWidget::doAction(action);
        QPointer<QWidget> target = widget();
        if (!target->isEnabled())
            return;
        // The press and release a pointer gives, so the control runs its one click path.
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
};

QAccessibleInterface* PaintedButtonFactory(const QString&, QObject* object) {
    if (object && object->isWidgetType() && object->property(kPaintedButton).toBool())
        return new PaintedButtonAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

void MarkAsPaintedButton(QWidget* widget) {
    static const bool installed = [] {
        QAccessible::installFactory(PaintedButtonFactory);
        return true;
    }();
    Q_UNUSED(installed);
    widget->setProperty(kPaintedButton, true);
}

} // namespace ricorne
