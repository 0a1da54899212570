// The reel strips: the symbols and their order on each of the three reels.
//
// A strip is 36 x 408 pixels: 21 cells of 17 pixels in rows 0..356, then rows 357..407 repeat
// the first three cells so that any 51-row window from offset 0 to 357 can be cut in one piece.
// The symbols mean nothing to the game; they are drawn here in code at any device pixel ratio.
#pragma once

#include <QImage>
#include <QPixmap>

#include <array>

class QPainter;
class QRectF;

namespace ricorne {

enum class ReelSymbol { RedSeven, BlueSeven, Bar, Cherry, Bell, Watermelon, Replay, Lemon };

class ReelArt {
public:
    static constexpr int StripWidth = 36;
    static constexpr int StripHeight = 408;
    static constexpr int CellHeight = 17;
    static constexpr int CellCount = 21;

    // The symbol in each cell of reel 0, 1 and 2, top to bottom.
    static const std::array<ReelSymbol, CellCount>& Cells(int reel);
    // The three symbols a window showing the strip from row stripOffset shows, top to bottom
    // (a reel at rest between two cells counts as at the nearer one).
    static std::array<ReelSymbol, 3> CellsShown(int reel, int stripOffset);

    // The strip of a reel at the given device pixel ratio (logical size 36 x 408): the stored
    // picture when the program has one for that ratio, else PaintStrip.
    static QPixmap Strip(int reel, qreal devicePixelRatio);
    static QImage PaintStrip(int reel, qreal devicePixelRatio);

    // Draws one symbol centred in cell (a 36 x 17 logical rectangle, or any other size).
    static void PaintSymbol(QPainter& painter, ReelSymbol symbol, const QRectF& cell);

    // The curve of the drum over a 36 x 51 window: a translucent picture laid over the strip.
    static QPixmap Shade(qreal devicePixelRatio);
};

} // namespace ricorne
