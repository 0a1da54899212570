#include "mainwindow/LabelButton.h"

#include "mainwindow/PaintedButton.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace ricorne {

LabelButton::LabelButton(const QString& caption, QWidget* parent) : QLabel(parent) {
    MarkAsPaintedButton(this);
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setText(caption);
    setMouseTracking(true);       // hover help needs moves without a button held
    setFocusPolicy(Qt::TabFocus); // a click shows no ring; Tab does
}

void LabelButton::keyPressEvent(QKeyEvent* event) {
    if (!PressedByKey(this, event))
        QLabel::keyPressEvent(event);
}

void LabelButton::focusInEvent(QFocusEvent* event) {
    NoteFocusReason(this, event);
    QLabel::focusInEvent(event);
}

void LabelButton::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    PaintFocusRing(this);
}

void LabelButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void LabelButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressed_) {
        pressed_ = false;
        event->accept();
        if (rect().contains(event->position().toPoint()))
            Q_EMIT Clicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

} // namespace ricorne
