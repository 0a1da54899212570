#include "history/TyakuLayout.h"

#include <cmath>

namespace ricorne {

namespace {
int Scaled(double factor, int value) {
    return int(std::lround(factor * value));
}
} // namespace

void TyakuLayout::PlaceBodyAtLoad() {
    rtfEd.left = 20;
    rtfEd.top = 3900;
}

void TyakuLayout::AlignStatusBar(int clientWidth, int clientHeight) {
    statusBar = {0, clientHeight - statusBar.height, clientWidth, statusBar.height};
}

void TyakuLayout::Resize(int W, int H, bool maximised) {
    text6Visible = true;
    command2Visible = true;

    listView.width = Scaled(0.99, W);
    listView.height = Scaled(0.25, H);

    const int top = listView.height + 940;
    text7.top = text8.top = text9.top = top;
    text7.width = Scaled(0.5, W);
    text8.width = Scaled(0.3, W);
    text9.width = Scaled(0.2, W);
    text7.left = rtfEd.left - 15;
    text8.left = text7.left + Scaled(0.5, W);
    text9.left = text8.left + Scaled(0.3, W) - 20;

    band.width = W;

    rtfEd.width = Scaled(0.99, W);
    rtfEd.top = listView.height + 1300;
    if (H > kTyakuMinLayoutHeight)
        rtfEd.height = H - listView.height - text7.height - 2000;

    // Text6 follows Command1's left as it was before this resize.
    text6.left = command1.left + 3380;
    text6.top = statusBar.top + 80;
    command1.left = statusBar.left + 1880;
    command1.top = statusBar.top + 80;

    if (H > kTyakuMinLayoutHeight && maximised) {
        text6.top = H - 1000;
        command1.top = H - 980;
    }
}

void TyakuLayout::PointerOverList(int H) {
    text6.top = H - 1000;
    command1.top = H - 980;
}

void TyakuLayout::PointerOverBackground() {
    text6.top = statusBar.top + 80;
    command1.top = statusBar.top + 80;
}

std::vector<int> TyakuColumnWidths() {
    const int width = TyakuLayout{}.listView.width;
    return {width / 2, width / 4, width / 4};
}

} // namespace ricorne
