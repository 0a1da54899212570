// Esc closes a window as its close button does. mayClose (when given) is asked first, so a
// window holding unsent text can make sure the key was meant.
#pragma once

#include <functional>

class QWidget;

namespace ricorne {

void CloseOnEscape(QWidget& window, std::function<bool()> mayClose = {});

} // namespace ricorne
