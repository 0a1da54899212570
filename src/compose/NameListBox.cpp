#include "compose/NameListBox.h"

namespace ricorne {

void NameListBox::mousePressEvent(QMouseEvent* event) {
    QListWidget::mousePressEvent(event);
    Q_EMIT Pressed();
}

} // namespace ricorne
