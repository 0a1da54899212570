// The viewer's resize and pointer rules, in twips.
#include "history/TyakuLayout.h"

#include <gtest/gtest.h>

namespace ricorne {
namespace {

constexpr int kW = kTyakuClientWidth + kTyakuFrameWidth;   // 9330
constexpr int kH = kTyakuClientHeight + kTyakuFrameHeight; // 7905

TyakuLayout Loaded() {
    TyakuLayout layout;
    layout.AlignStatusBar(kTyakuClientWidth, kTyakuClientHeight);
    layout.PlaceBodyAtLoad();
    return layout;
}

TEST(TyakuLayoutTest, FirstResizeAtTheDesignSize) {
    TyakuLayout l = Loaded();
    l.Resize(kW, kH, false);
    EXPECT_EQ(l.listView, (TwipsRectangle{0, 960, 9237, 1976}));
    EXPECT_EQ(l.text7, (TwipsRectangle{5, 2916, 4665, 375}));
    EXPECT_EQ(l.text8, (TwipsRectangle{5 + 4665, 2916, 2799, 375}));
    EXPECT_EQ(l.text9, (TwipsRectangle{5 + 4665 + 2799 - 20, 2916, 1866, 375}));
    EXPECT_EQ(l.band.width, kW);
    // The body fills the height down to the status bar.
    EXPECT_EQ(l.rtfEd, (TwipsRectangle{20, 3276, 9237, kH - 1976 - 375 - 2000}));
    EXPECT_EQ(l.rtfEd.top + l.rtfEd.height, l.statusBar.top - 10);
    // Text6 is placed from Command1's design left, then Command1 moves onto the status bar.
    EXPECT_EQ(l.text6.left, 1920 + 3380);
    EXPECT_EQ(l.command1.left, 1880);
    EXPECT_EQ(l.command1.top, 6840 + 80);
    EXPECT_EQ(l.text6.top, 6840 + 80);

    l.Resize(kW, kH, false); // later resizes start from Command1's new left
    EXPECT_EQ(l.text6.left, 1880 + 3380);
}

TEST(TyakuLayoutTest, LowWindowsKeepTheBodyHeight) {
    TyakuLayout l = Loaded();
    l.Resize(kW, kH, false);
    const int height = l.rtfEd.height;
    for (int H : {3500, 2000}) {
        l.AlignStatusBar(6000, H - kTyakuFrameHeight);
        l.Resize(6120, H, true);
        EXPECT_EQ(l.rtfEd.height, height) << H;
        EXPECT_EQ(l.listView.height, H / 4) << H;
        EXPECT_EQ(l.rtfEd.top, l.listView.height + 1300) << H;
        EXPECT_EQ(l.command1.top, l.statusBar.top + 80) << H; // the maximised rule needs H > 3500
    }
    l.AlignStatusBar(6000, 3501 - kTyakuFrameHeight);
    l.Resize(6120, 3501, false);
    EXPECT_EQ(l.rtfEd.height, 3501 - 875 - 375 - 2000);
}

TEST(TyakuLayoutTest, MaximisedAndPointerMovesPutTheCopyRowAtTheBottomEdge) {
    TyakuLayout l = Loaded();
    l.AlignStatusBar(19200, 14000);
    l.Resize(19320, 14690, true);
    EXPECT_EQ(l.text6.top, 14690 - 1000);
    EXPECT_EQ(l.command1.top, 14690 - 980);
    l.PointerOverBackground();
    EXPECT_EQ(l.text6.top, 14000 - 375 + 80);
    EXPECT_EQ(l.command1.top, 14000 - 375 + 80);
    l.PointerOverList(14690);
    EXPECT_EQ(l.text6.top, 14690 - 1000);
    EXPECT_EQ(l.command1.top, 14690 - 980);
}

TEST(TyakuLayoutTest, ColumnsAreHalfAndQuartersOfTheDesignWidth) {
    EXPECT_EQ(TyakuColumnWidths(), (std::vector<int>{4687, 2343, 2343}));
}

} // namespace
} // namespace ricorne
