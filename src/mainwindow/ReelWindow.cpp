#include "mainwindow/ReelWindow.h"

#include "mainwindow/ReelArt.h"
#include "mainwindow/SlotGame.h"

#include <QMouseEvent>
#include <QPainter>

namespace ricorne {

namespace {
const QColor kBelowStrip(0x20, 0x18, 0x18); // the 52nd row, under the 51 the strip fills
}

ReelWindow::ReelWindow(const SlotGame& game, int reel, QWidget* parent)
    : QWidget(parent), game_(game), reel_(reel) {
    setObjectName(QStringLiteral("Picture2(%1)").arg(reel));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // The reel windows lie over the cabinet, not on it: moving over them leaves the help box be.
    setMouseTracking(true);
}

void ReelWindow::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    if (ratio != pixmapRatio_) {
        strip_ = ReelArt::Strip(reel_, ratio);
        shade_ = ReelArt::Shade(ratio);
        pixmapRatio_ = ratio;
    }
    constexpr int rows = SlotGame::WindowHeight;
    const qreal top = game_.StripOffset(reel_);
    QPainter p(this);
    // One block of the strip, unscaled: source rows are device rows of the strip picture.
    p.drawPixmap(QRectF(0, 0, ReelArt::StripWidth, rows), strip_,
                 QRectF(0, top * ratio, ReelArt::StripWidth * ratio, rows * ratio));
    p.drawPixmap(0, 0, shade_);
    if (height() > rows) {
        p.fillRect(0, rows, width(), height() - rows, kBelowStrip);
    }
}

void ReelWindow::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}

} // namespace ricorne
