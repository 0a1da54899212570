// The cabinet picture: the slot machine's body, 256 x 428 pixels, with the reel frames, the STOP
// buttons, the lever housing, the menu plates and the coin tray drawn in. Drawn in code at any
// device pixel ratio; the controls laid over it line up with the boxes below.
#pragma once

#include <QImage>
#include <QRect>

namespace ricorne {

class CabinetArt {
public:
    static constexpr int Width = 256;
    static constexpr int Height = 428;

    // Where the picture's parts lie (logical pixels); the controls of the cabinet sit on them.
    struct Geometry {
        QRect helpDisplay;  // the sign's display, under the help box
        QRect reels[3];     // reel windows
        QRect lever;        // lever click area
        QRect leverPicture; // where the lever picture shows
        QRect stops[3];     // STOP click areas
        QRect menu[8];      // navigation labels, in control order
        QRect version;      // version plate
        QRect startButton;  // the small push button at the lower left
        QRect status;       // status window of the mail check
        QRect coins;        // coin counter in the tray
    };

    // Paints the picture for the given layout at the given device pixel ratio.
    static QImage Paint(const Geometry& layout, qreal devicePixelRatio);
};

} // namespace ricorne
