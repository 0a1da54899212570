// Layout is kept in twips (1/1440 inch), as the windows were designed; this is the one place
// that turns twips into pixels and back: 15 twips a pixel at 96 dpi, rounded to the nearest
// pixel. QtCore only, so the layout descriptions of the logic libraries can use it too.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace ricorne {

// A control's box in twips: left and top from the client area's (or the parent's) corner.
struct TwipsBox {
    int left = 0, top = 0, width = 0, height = 0;

    constexpr int Right() const { return left + width; }
    constexpr int Bottom() const { return top + height; }
    bool operator==(const TwipsBox&) const = default;
};

constexpr int Twips(int twips) {
    // Symmetric rounding, so a negative offset rounds like its positive mirror.
    return twips >= 0 ? (twips + 7) / 15 : -((-twips + 7) / 15);
}

// Pixels measured on a widget, as twips for the layout rules.
constexpr int ToTwips(int pixels) {
    return pixels * 15;
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
// Where a box lands on the screen, in pixels.
inline QRect Place(const TwipsBox& box) {
    return TwipsRect(box.left, box.top, box.width, box.height);
}

} // namespace ricorne
