// Layout is kept in twips (1/1440 inch), as the windows were designed; this is the one place
// that turns twips into pixels: 15 twips a pixel at 96 dpi, rounded to the nearest pixel.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace ricorne {

constexpr int Twips(int twips) {
    // Symmetric rounding, so a negative offset rounds like its positive mirror.
    return twips >= 0 ? (twips + 7) / 15 : -((-twips + 7) / 15);
}

inline QPoint TwipsPoint(int left, int top) {
    return {Twips(left), Twips(top)};
}
inline QSize TwipsSize(int width, int height) {
    return {Twips(width), Twips(height)};
}
inline QRect TwipsRect(int left, int top, int width, int height) {
    return {TwipsPoint(left, top), TwipsSize(width, height)};
}

} // namespace ricorne
