#include "mainwindow/ReelArt.h"

#include "mainwindow/StoredArt.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstring>

namespace ricorne {

namespace {

using S = ReelSymbol;

// Two sevens of each colour, two BARs, and the small symbols spread so that no strip shows the
// same symbol twice in one window.
constexpr std::array<std::array<ReelSymbol, ReelArt::CellCount>, 3> kCells{{
    {S::RedSeven,   S::Cherry,     S::Replay, S::Bell,   S::Bar,  S::Lemon,     S::Replay,
     S::Watermelon, S::BlueSeven,  S::Cherry, S::Replay, S::Bell, S::Lemon,     S::RedSeven,
     S::Replay,     S::Watermelon, S::Bar,    S::Cherry, S::Bell, S::BlueSeven, S::Lemon},
    {S::BlueSeven, S::Replay, S::Cherry,   S::Bell,   S::Watermelon, S::Replay,    S::RedSeven,
     S::Lemon,     S::Bar,    S::Replay,   S::Cherry, S::Bell,       S::BlueSeven, S::Watermelon,
     S::Replay,    S::Lemon,  S::RedSeven, S::Bell,   S::Cherry,     S::Bar,       S::Lemon},
    {S::Bar,        S::Lemon,      S::Replay,   S::RedSeven, S::Bell,  S::Cherry,    S::Replay,
     S::Watermelon, S::BlueSeven,  S::Lemon,    S::Replay,   S::Bell,  S::Cherry,    S::Bar,
     S::Replay,     S::Watermelon, S::RedSeven, S::Bell,     S::Lemon, S::BlueSeven, S::Cherry},
}};

const QColor kIvory(0xff, 0xfb, 0xef);

QLinearGradient Vertical(qreal top, qreal bottom, const QColor& from, const QColor& to) {
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    return g;
}

void PaintSeven(QPainter& p, const QColor& light, const QColor& dark, const QColor& line) {
    // A slanted seven with a heavy bar.
    QPainterPath seven;
    seven.moveTo(11.2, 1.6);
    seven.lineTo(25.3, 1.6);
    seven.lineTo(25.3, 4.6);
    seven.lineTo(19.0, 15.6);
    seven.lineTo(14.0, 15.6);
    seven.lineTo(20.3, 5.2);
    seven.lineTo(13.4, 5.2);
    seven.lineTo(12.6, 6.4);
    seven.lineTo(10.6, 6.4);
    seven.closeSubpath();
    p.setPen(QPen(line, 1.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Vertical(1.6, 15.6, light, dark));
    p.drawPath(seven);
    // A glint along the bar.
    p.setPen(QPen(QColor(255, 255, 255, 200), 0.9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(13.0, 2.9), QPointF(22.5, 2.9));
}

void PaintBar(QPainter& p) {
    const QRectF plate(6.5, 3.2, 23, 10.6);
    p.setPen(QPen(QColor(0xd4, 0x9a, 0x00), 1.0));
    p.setBrush(Vertical(plate.top(), plate.bottom(), QColor(0x3a, 0x3a, 0x46), QColor(0x05, 0x05, 0x0a)));
    p.drawRoundedRect(plate, 2.0, 2.0);
    QFont font;
    font.setFamilies({QStringLiteral("Nimbus Sans Narrow"), QStringLiteral("DejaVu Sans Condensed"),
                      QStringLiteral("DejaVu Sans")});
    font.setBold(true);
    font.setPixelSize(9);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    font.setHintingPreference(QFont::PreferNoHinting);
    QPainterPath text;
    text.addText(0, 0, font, QStringLiteral("BAR"));
    const QRectF box = text.boundingRect();
    // Fit the word into the plate whatever face was found.
    const qreal scale = std::min(17.5 / box.width(), 7.0 / box.height());
    QTransform t;
    t.translate(18.0, 8.5);
    t.scale(scale, scale);
    t.translate(-box.center().x(), -box.center().y());
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(t.map(text));
}

void PaintCherry(QPainter& p) {
    // Stems first, so the fruit sits on them.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x2e, 0x6b, 0x12), 1.2, Qt::SolidLine, Qt::RoundCap));
    QPainterPath stems;
    stems.moveTo(14.2, 10.5);
    stems.quadTo(15.5, 5.0, 19.8, 2.3);
    stems.moveTo(21.6, 11.0);
    stems.quadTo(20.6, 6.0, 19.8, 2.3);
    p.drawPath(stems);
    QPainterPath leaf;
    leaf.moveTo(19.8, 2.3);
    leaf.quadTo(23.0, 0.4, 26.2, 2.6);
    leaf.quadTo(23.0, 4.6, 19.8, 2.3);
    p.setPen(QPen(QColor(0x1f, 0x4d, 0x0a), 0.6));
    p.setBrush(QColor(0x52, 0xb0, 0x22));
    p.drawPath(leaf);
    for (const QPointF c : {QPointF(13.6, 12.0), QPointF(22.0, 12.4)}) {
        QRadialGradient g(c + QPointF(-1.2, -1.2), 4.2);
        g.setColorAt(0, QColor(0xff, 0x8a, 0x8a));
        g.setColorAt(0.45, QColor(0xe0, 0x10, 0x20));
        g.setColorAt(1, QColor(0x8a, 0x00, 0x0c));
        p.setPen(QPen(QColor(0x50, 0x00, 0x08), 0.8));
        p.setBrush(g);
        p.drawEllipse(c, 3.6, 3.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 210));
        p.drawEllipse(c + QPointF(-1.3, -1.3), 0.9, 0.8);
    }
}

void PaintBell(QPainter& p) {
    QPainterPath bell;
    bell.moveTo(11.5, 13.2);
    bell.cubicTo(13.6, 12.0, 12.6, 3.0, 18.0, 2.6);
    bell.cubicTo(23.4, 3.0, 22.4, 12.0, 24.5, 13.2);
    bell.closeSubpath();
    QLinearGradient g(12, 0, 24, 0);
    g.setColorAt(0, QColor(0xff, 0xf0, 0x9a));
    g.setColorAt(0.35, QColor(0xff, 0xd0, 0x20));
    g.setColorAt(1, QColor(0xc0, 0x82, 0x00));
    p.setPen(QPen(QColor(0x6e, 0x48, 0x00), 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    // Clapper, knob, then body and rim over them.
    p.setBrush(QColor(0xb0, 0x74, 0x00));
    p.drawEllipse(QPointF(18.0, 14.4), 1.6, 1.5);
    p.drawEllipse(QPointF(18.0, 2.2), 1.3, 1.2);
    p.setBrush(g);
    p.drawPath(bell);
    p.drawRoundedRect(QRectF(10.6, 12.2, 14.8, 2.3), 1.1, 1.1);
    p.setPen(QPen(QColor(255, 255, 255, 190), 0.9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(15.6, 5.0), QPointF(14.6, 10.5));
}

void PaintWatermelon(QPainter& p) {
    // A slice: flat cut on top, rind below.
    const QRectF outer(8.0, -4.6, 20.0, 19.6);
    QPainterPath rind;
    rind.moveTo(8.0, 5.2);
    rind.arcTo(outer, 180, 180);
    rind.closeSubpath();
    p.setPen(QPen(QColor(0x0e, 0x40, 0x0e), 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0x2f, 0x9a, 0x2a));
    p.drawPath(rind);
    QPainterPath pale;
    const QRectF paleBox = outer.adjusted(1.4, 1.4, -1.4, -1.4);
    pale.moveTo(paleBox.left(), 5.2);
    pale.arcTo(paleBox, 180, 180);
    pale.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe8, 0xf5, 0xc8));
    p.drawPath(pale);
    QPainterPath flesh;
    const QRectF fleshBox = outer.adjusted(2.4, 2.4, -2.4, -2.4);
    flesh.moveTo(fleshBox.left(), 5.2);
    flesh.arcTo(fleshBox, 180, 180);
    flesh.closeSubpath();
    p.setBrush(Vertical(5.2, 13.0, QColor(0xff, 0x50, 0x5c), QColor(0xe0, 0x18, 0x30)));
    p.drawPath(flesh);
    p.setBrush(QColor(0x18, 0x10, 0x10));
    for (const QPointF s : {QPointF(14.2, 7.6), QPointF(18.0, 9.8), QPointF(21.8, 7.6), QPointF(18.0, 6.6)}) {
        p.drawEllipse(s, 0.75, 1.0);
    }
    // The cut face catches the light.
    p.setPen(QPen(QColor(0xff, 0xb0, 0xb0), 0.8));
    p.drawLine(QPointF(9.4, 5.6), QPointF(26.6, 5.6));
}

void PaintReplay(QPainter& p) {
    // A circling arrow: play again.
    const QPointF c(18.0, 8.6);
    const qreal r = 4.9;
    const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
    QPainterPath arc;
    arc.arcMoveTo(box, 120);
    arc.arcTo(box, 120, 270);
    const qreal end = (120 + 270) * M_PI / 180.0;
    const QPointF tip(c.x() + r * std::cos(end), c.y() - r * std::sin(end));
    // Arrowhead at the end of the arc, pointing along it (clockwise on screen).
    const QPointF along(std::sin(end), std::cos(end));
    const QPointF across(std::cos(end), -std::sin(end));
    QPolygonF head;
    head << tip + along * 3.0 << tip + across * 2.9 - along * 0.6 << tip - across * 2.9 - along * 0.6;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x06, 0x2a, 0x6e), 3.6, Qt::SolidLine, Qt::FlatCap));
    p.drawPath(arc);
    p.setPen(QPen(QColor(0x06, 0x2a, 0x6e), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0x06, 0x2a, 0x6e));
    p.drawPolygon(head);
    p.setPen(QPen(QColor(0x2c, 0xc8, 0xff), 1.9, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2c, 0xc8, 0xff));
    p.drawPolygon(head);
}

void PaintLemon(QPainter& p) {
    QPainterPath lemon;
    lemon.moveTo(10.2, 9.4);
    lemon.cubicTo(11.5, 4.2, 17.0, 3.0, 21.0, 4.0);
    lemon.cubicTo(24.4, 4.8, 25.8, 6.0, 26.6, 7.4);
    lemon.cubicTo(25.2, 12.4, 19.4, 14.8, 14.6, 13.8);
    lemon.cubicTo(12.0, 13.2, 10.8, 11.6, 10.2, 9.4);
    lemon.closeSubpath();
    QRadialGradient g(QPointF(16.5, 6.8), 9.5);
    g.setColorAt(0, QColor(0xff, 0xfb, 0xb0));
    g.setColorAt(0.5, QColor(0xff, 0xe0, 0x1c));
    g.setColorAt(1, QColor(0xd8, 0xa8, 0x00));
    p.setPen(QPen(QColor(0x70, 0x5a, 0x00), 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(g);
    p.drawPath(lemon);
    QPainterPath leaf;
    leaf.moveTo(22.4, 4.3);
    leaf.quadTo(24.6, 0.8, 28.4, 1.6);
    leaf.quadTo(26.4, 4.6, 22.4, 4.3);
    p.setPen(QPen(QColor(0x1f, 0x4d, 0x0a), 0.6));
    p.setBrush(QColor(0x4c, 0xa8, 0x1e));
    p.drawPath(leaf);
}

} // namespace

const std::array<ReelSymbol, ReelArt::CellCount>& ReelArt::Cells(int reel) {
    return kCells.at(static_cast<size_t>(reel));
}

std::array<ReelSymbol, 3> ReelArt::CellsShown(int reel, int stripOffset) {
    const auto& cells = Cells(reel);
    const int top = (stripOffset + CellHeight / 2) / CellHeight;
    return {cells[top % CellCount], cells[(top + 1) % CellCount], cells[(top + 2) % CellCount]};
}

void ReelArt::PaintSymbol(QPainter& painter, ReelSymbol symbol, const QRectF& cell) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(cell.topLeft());
    painter.scale(cell.width() / StripWidth, cell.height() / CellHeight);
    switch (symbol) {
    case ReelSymbol::RedSeven:
        PaintSeven(painter, QColor(0xff, 0x5a, 0x4e), QColor(0xc0, 0x00, 0x10), QColor(0x40, 0x00, 0x06));
        break;
    case ReelSymbol::BlueSeven:
        PaintSeven(painter, QColor(0x5c, 0xc0, 0xff), QColor(0x00, 0x3a, 0xc4), QColor(0x00, 0x12, 0x44));
        break;
    case ReelSymbol::Bar:
        PaintBar(painter);
        break;
    case ReelSymbol::Cherry:
        PaintCherry(painter);
        break;
    case ReelSymbol::Bell:
        PaintBell(painter);
        break;
    case ReelSymbol::Watermelon:
        PaintWatermelon(painter);
        break;
    case ReelSymbol::Replay:
        PaintReplay(painter);
        break;
    case ReelSymbol::Lemon:
        PaintLemon(painter);
        break;
    }
    painter.restore();
}

QPixmap ReelArt::Strip(int reel, qreal devicePixelRatio) {
    QPixmap stored = StoredArt(QStringLiteral("strip%1").arg(reel), devicePixelRatio);
    return stored.isNull() ? QPixmap::fromImage(PaintStrip(reel, devicePixelRatio)) : stored;
}

QImage ReelArt::PaintStrip(int reel, qreal devicePixelRatio) {
    const int cycleRows = qRound(CellCount * CellHeight * devicePixelRatio);
    QImage image(qRound(StripWidth * devicePixelRatio), qRound(StripHeight * devicePixelRatio),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(kIvory);
    {
        QPainter p(&image);
        const auto& cells = Cells(reel);
        for (int i = 0; i < CellCount; ++i) {
            const QRectF cell(0, i * CellHeight, StripWidth, CellHeight);
            p.save();
            p.setClipRect(cell);
            PaintSymbol(p, cells[static_cast<size_t>(i)], cell);
            p.restore();
        }
    }
    // The tail repeats the head row for row, so a window cut across the seam shows no join.
    const int bytes = static_cast<int>(image.bytesPerLine());
    for (int y = cycleRows; y < image.height(); ++y) {
        std::memcpy(image.scanLine(y), image.constScanLine(y - cycleRows), static_cast<size_t>(bytes));
    }
    return image;
}

QPixmap ReelArt::Shade(qreal devicePixelRatio) {
    const int height = 3 * CellHeight;
    QImage image(qRound(StripWidth * devicePixelRatio), qRound(height * devicePixelRatio),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    // Darker towards the top and bottom where the drum turns away, a soft highlight above the
    // middle, and a little shadow at the sides under the frame.
    QLinearGradient drum(0, 0, 0, height);
    drum.setColorAt(0, QColor(0, 0, 0, 120));
    drum.setColorAt(0.16, QColor(0, 0, 0, 30));
    drum.setColorAt(0.38, QColor(255, 255, 255, 34));
    drum.setColorAt(0.5, QColor(255, 255, 255, 0));
    drum.setColorAt(0.84, QColor(0, 0, 0, 30));
    drum.setColorAt(1, QColor(0, 0, 0, 130));
    p.fillRect(QRectF(0, 0, StripWidth, height), drum);
    QLinearGradient sides(0, 0, StripWidth, 0);
    sides.setColorAt(0, QColor(0, 0, 0, 60));
    sides.setColorAt(0.1, QColor(0, 0, 0, 0));
    sides.setColorAt(0.9, QColor(0, 0, 0, 0));
    sides.setColorAt(1, QColor(0, 0, 0, 60));
    p.fillRect(QRectF(0, 0, StripWidth, height), sides);
    p.end();
    return QPixmap::fromImage(image);
}

} // namespace ricorne
