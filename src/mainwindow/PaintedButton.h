// The cabinet's painted controls (its labels, the STOP areas, the lever) act on a click but are
// no buttons to Qt. Marked here, a screen reader meets each as a push button with a press
// action that clicks it as the pointer would; its name and description are the widget's
// accessible name and description.
#pragma once

#include <Qt>

class QFocusEvent;
class QKeyEvent;
class QWidget;

namespace ricorne {

// Call in the widget's constructor, before anything (a first setText) makes Qt look up and keep
// the widget's accessible interface.
void MarkAsPaintedButton(QWidget* widget);

// Keyboard use of a painted control: it takes the focus by Tab, shows a ring while it has it,
// and Enter, Return or Space press it as a click does. Call from the widget's keyPressEvent
// (true when the key was taken) and after its own painting.
bool PressedByKey(QWidget* widget, QKeyEvent* event);
void PaintFocusRing(QWidget* widget);
// Only focus the keyboard brought (Tab, Shift+Tab) wears the ring: the focus a window hands its
// first control when it opens does not. Call from focusInEvent.
void NoteFocusReason(QWidget* widget, QFocusEvent* event);
bool CameByKeyboard(Qt::FocusReason reason);

} // namespace ricorne
