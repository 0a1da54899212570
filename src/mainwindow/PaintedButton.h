// The cabinet's painted controls (its labels, the STOP areas, the lever) act on a click but are
// no buttons to Qt. Marked here, a screen reader meets each as a push button with a press
// action that clicks it as the pointer would; its name and description are the widget's
// accessible name and description.
#pragma once

class QWidget;

namespace ricorne {

// Call in the widget's constructor, before anything (a first setText) makes Qt look up and keep
// the widget's accessible interface.
void MarkAsPaintedButton(QWidget* widget);

} // namespace ricorne
