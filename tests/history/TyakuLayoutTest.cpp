// The viewer's resize and pointer rules, in twips: what holds at every window size, and the
// window's figures at its design size.
#include "history/TyakuLayout.h"

#include <gtest/gtest.h>

namespace ricorne {
namespace {

constexpr int kW = kTyakuClientWidth + kTyakuFrameWidth;   // 9330
constexpr int kH = kTyakuClientHeight + kTyakuFrameHeight; // 7905
// Neighbouring boxes of the design share their border lines: they may overlap this much.
constexpr int kSharedBorder = 20;

TyakuLayout Loaded() {
    TyakuLayout layout;
    layout.AlignStatusBar(kTyakuClientWidth, kTyakuClientHeight);
    layout.PlaceBodyAtLoad();
    return layout;
}

TyakuLayout ResizedTo(int W, int H, bool maximised) {
    TyakuLayout layout = Loaded();
    layout.AlignStatusBar(W - kTyakuFrameWidth, H - kTyakuFrameHeight);
    layout.Resize(W, H, maximised);
    return layout;
}

struct WindowSize {
    const char* name;
    int W, H;
    bool maximised;
};

class TyakuLayoutAtSizeTest : public ::testing::TestWithParam<WindowSize> {};

TEST_P(TyakuLayoutAtSizeTest, RowsStackAndTheBodyEndsTenTwipsAboveTheStatusBar) {
    const WindowSize size = GetParam();
    const TyakuLayout l = ResizedTo(size.W, size.H, size.maximised);

    // Top to bottom: toolbar band, list, Subject/From/Date, body, status bar.
    EXPECT_LE(l.band.Bottom(), l.listView.top);
    EXPECT_LE(l.listView.Bottom() - l.text7.top, kSharedBorder);
    for (const TwipsBox& field : {l.text7, l.text8, l.text9}) {
        EXPECT_EQ(field.top, l.text7.top);
        EXPECT_LE(field.Bottom() - l.rtfEd.top, kSharedBorder);
    }
    EXPECT_EQ(l.rtfEd.Bottom(), l.statusBar.top - 10);
    EXPECT_GT(l.rtfEd.height, 0);

    // Subject, From and Date side by side, across the window.
    EXPECT_EQ(l.text8.left, l.text7.Right());
    EXPECT_LE(l.text8.Right() - l.text9.left, kSharedBorder);
    EXPECT_GT(l.text9.left, l.text8.left);
    EXPECT_LE(l.text9.Right(), size.W);

    // The status bar lies along the client's bottom edge, across its width.
    EXPECT_EQ(l.statusBar.Bottom(), size.H - kTyakuFrameHeight);
    EXPECT_EQ(l.statusBar.left, 0);
    EXPECT_EQ(l.statusBar.width, size.W - kTyakuFrameWidth);
    EXPECT_EQ(l.band.width, size.W);

    // The copy row: the button, then the preview to its right.
    EXPECT_LT(l.command1.Right(), l.text6.left);
    if (size.maximised) {
        EXPECT_EQ(l.command1.top, size.H - 980);
        EXPECT_EQ(l.text6.top, size.H - 1000);
    } else {
        EXPECT_EQ(l.command1.top, l.statusBar.top + 80);
        EXPECT_EQ(l.text6.top, l.statusBar.top + 80);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, TyakuLayoutAtSizeTest,
                         ::testing::Values(WindowSize{"design", kW, kH, false},
                                           WindowSize{"narrow", 6120, 5000, false},
                                           WindowSize{"justAboveTheMinimum", 6120, 3501, false},
                                           WindowSize{"maximised", 19320, 14690, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TyakuLayoutTest, FiguresAtTheDesignSize) {
    TyakuLayout l = ResizedTo(kW, kH, false);
    EXPECT_EQ(l.listView, (TwipsBox{0, 960, 9237, 1976}));
    EXPECT_EQ(l.text7, (TwipsBox{5, 2916, 4665, 375}));
    EXPECT_EQ(l.text8, (TwipsBox{4670, 2916, 2799, 375}));
    EXPECT_EQ(l.text9, (TwipsBox{7449, 2916, 1866, 375}));
    EXPECT_EQ(l.rtfEd, (TwipsBox{20, 3276, 9237, 3554}));
    EXPECT_EQ(l.statusBar, (TwipsBox{0, 6840, 9210, 375}));
    // Text6 is placed from Command1's design left, then Command1 moves onto the status bar.
    EXPECT_EQ(l.text6.left, 5300);
    EXPECT_EQ(l.command1, (TwipsBox{1880, 6920, 2895, 255}));

    l.Resize(kW, kH, false); // later resizes start from Command1's new left
    EXPECT_EQ(l.text6.left, 5260);
}

class TyakuLowWindowTest : public ::testing::TestWithParam<int> {};

TEST_P(TyakuLowWindowTest, KeepsTheBodyHeightAndTheCopyRowOnTheStatusBar) {
    const int H = GetParam();
    TyakuLayout l = ResizedTo(kW, kH, false);
    const int height = l.rtfEd.height;
    l.AlignStatusBar(6000, H - kTyakuFrameHeight);
    l.Resize(6120, H, true);
    EXPECT_EQ(l.rtfEd.height, height);
    EXPECT_EQ(l.listView.height, H / 4);
    EXPECT_EQ(l.rtfEd.top, l.listView.height + 1300);
    EXPECT_EQ(l.command1.top, l.statusBar.top + 80); // maximised moves it only above 3500
}

INSTANTIATE_TEST_SUITE_P(Heights, TyakuLowWindowTest, ::testing::Values(3500, 2000));

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
