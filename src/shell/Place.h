// Puts a control where its twips box says (core/geometry/Twips.h does the conversion).
#pragma once

#include "core/geometry/Twips.h"

#include <QWidget>

namespace ricorne {

inline void Place(QWidget* widget, const TwipsBox& box) {
    widget->setGeometry(Place(box));
}

} // namespace ricorne
