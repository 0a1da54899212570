// Tab order that follows what the eye sees: rows from top to bottom, left to right within a
// row, whatever order the controls were made in. Applied when the window is first shown (and
// again at each later show), so controls a window adds later take their place too.
#pragma once

#include <QList>

class QWidget;

namespace ricorne {

void KeepTabOrderByPlace(QWidget& window);

// The window's shown controls that Tab reaches, in reading order (rows of overlapping height).
QList<QWidget*> ControlsInReadingOrder(QWidget& window);

} // namespace ricorne
