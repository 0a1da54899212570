// Where the history viewer's controls are, in twips, and how resizing and pointer movement move
// them. Pure arithmetic: the window applies the rectangles.
//
// W and H are the window's outer size as the layout was designed for: the client size plus a
// fixed frame (borders, title bar and menu bar of the original design), so every rule lands the
// same distance from the client's edges whatever the desktop's frame looks like.
#pragma once

#include "core/geometry/Twips.h"

#include <QString>
#include <vector>

namespace ricorne {

// Design client size (the status bar spans it along the bottom edge).
inline constexpr int kTyakuClientWidth = 9210;
inline constexpr int kTyakuClientHeight = 7215;
// Outer size minus client size.
inline constexpr int kTyakuFrameWidth = 120;
inline constexpr int kTyakuFrameHeight = 690;
// Above this outer height the body box takes the height left over.
inline constexpr int kTyakuMinLayoutHeight = 3500;

struct TyakuLayout {
    // Controls the rules move, at their design rectangles.
    TwipsBox band{0, 0, 9180, 450}; // Picture1(1), holds the toolbar
    TwipsBox listView{0, 960, 9375, 1815};
    TwipsBox text7{0, 2760, 4695, 375};
    TwipsBox text8{4680, 2760, 3015, 375};
    TwipsBox text9{7695, 2760, 2415, 375};
    TwipsBox rtfEd{0, 3120, 10455, 3735};
    TwipsBox statusBar{0, 6840, 9210, 375};
    TwipsBox command1{1920, 6960, 2895, 255};
    TwipsBox text6{5160, 6960, 3735, 270};
    bool text6Visible = true;
    bool command2Visible = true;

    // The load step: the body box goes to left 20, top 3900.
    void PlaceBodyAtLoad();
    // The status bar keeps to the bottom edge of the client, across its whole width.
    void AlignStatusBar(int clientWidth, int clientHeight);
    // The resize rules for an outer size W x H.
    void Resize(int W, int H, bool maximised);
    // Pointer over the list (or the body box): the copy row goes to the bottom edge.
    void PointerOverList(int H);
    // Pointer over the bare window: the copy row back onto the status bar.
    void PointerOverBackground();
};

// Column widths of the list at load, from its design width: half, a quarter, a quarter.
std::vector<int> TyakuColumnWidths();

} // namespace ricorne
