#include "mainwindow/CabinetArt.h"

#include "mainwindow/MainWindowTexts.h"

#include "mainwindow/ReelArt.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace ricorne {

namespace {

// The house colours: a crimson body with gold trim, a night-blue sign, chrome fittings.
const QColor kBodyLight(0xe0, 0x26, 0x45);
const QColor kBodyDark(0x7c, 0x08, 0x1c);
const QColor kGold(0xff, 0xd2, 0x4a);
const QColor kGoldDark(0xa8, 0x72, 0x00);
const QColor kSignLight(0x2a, 0x3c, 0xb8);
const QColor kSignDark(0x0a, 0x10, 0x46);
const QColor kPanelDark(0x16, 0x0a, 0x14);

QLinearGradient Vertical(qreal top, qreal bottom, std::initializer_list<std::pair<qreal, QColor>> stops) {
    QLinearGradient g(0, top, 0, bottom);
    for (const auto& [at, colour] : stops) {
        g.setColorAt(at, colour);
    }
    return g;
}

QLinearGradient Horizontal(qreal left, qreal right, std::initializer_list<std::pair<qreal, QColor>> stops) {
    QLinearGradient g(left, 0, right, 0);
    for (const auto& [at, colour] : stops) {
        g.setColorAt(at, colour);
    }
    return g;
}

QLinearGradient Chrome(const QRectF& r) {
    return Vertical(r.top(), r.bottom(),
                    {{0, QColor(0xff, 0xff, 0xff)},
                     {0.45, QColor(0xc4, 0xca, 0xd4)},
                     {0.55, QColor(0x8c, 0x94, 0xa2)},
                     {1, QColor(0xe4, 0xe8, 0xee)}});
}

QLinearGradient GoldBand(const QRectF& r) {
    return Vertical(r.top(), r.bottom(), {{0, QColor(0xff, 0xf4, 0xb0)}, {0.5, kGold}, {1, kGoldDark}});
}

// A gold-rimmed rounded frame: rim of the given width, then the inside brush.
void Framed(QPainter& p, const QRectF& r, qreal radius, qreal rim, const QBrush& inside) {
    p.setPen(Qt::NoPen);
    p.setBrush(GoldBand(r));
    p.drawRoundedRect(r, radius, radius);
    p.setPen(QPen(QColor(0x50, 0x30, 0x00, 160), 0.8));
    p.setBrush(inside);
    const QRectF in = r.adjusted(rim, rim, -rim, -rim);
    p.drawRoundedRect(in, std::max<qreal>(0, radius - rim), std::max<qreal>(0, radius - rim));
}

void Bulb(QPainter& p, QPointF c, qreal r, const QColor& colour) {
    QRadialGradient glow(c, r * 2.2);
    QColor halo = colour;
    halo.setAlpha(110);
    glow.setColorAt(0, halo);
    glow.setColorAt(1, QColor(0, 0, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(c, r * 2.2, r * 2.2);
    QRadialGradient g(c - QPointF(r * 0.35, r * 0.35), r * 1.2);
    g.setColorAt(0, Qt::white);
    g.setColorAt(0.45, colour.lighter(130));
    g.setColorAt(1, colour.darker(160));
    p.setBrush(g);
    p.setPen(QPen(colour.darker(260), 0.6));
    p.drawEllipse(c, r, r);
}

QFont Face(const QStringList& families, qreal pixelSize, bool bold, bool italic = false) {
    QFont f;
    f.setFamilies(families);
    f.setPixelSize(qRound(pixelSize));
    f.setBold(bold);
    f.setItalic(italic);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

// A word as a path, scaled to fit box (keeping its shape) and centred in it.
QPainterPath FittedText(const QString& text, const QFont& font, const QRectF& box) {
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF b = path.boundingRect();
    const qreal scale = std::min(box.width() / b.width(), box.height() / b.height());
    QTransform t;
    t.translate(box.center().x(), box.center().y());
    t.scale(scale, scale);
    t.translate(-b.center().x(), -b.center().y());
    return t.map(path);
}

void PaintBody(QPainter& p) {
    const QRectF body(0, 0, CabinetArt::Width, CabinetArt::Height);
    p.setPen(Qt::NoPen);
    // The picture fills its whole rectangle: the corners outside the rounded body are shadow.
    p.fillRect(body, QColor(0x24, 0x04, 0x0c));
    p.setBrush(
        Vertical(0, CabinetArt::Height, {{0, kBodyLight}, {0.55, QColor(0xb8, 0x12, 0x30)}, {1, kBodyDark}}));
    p.drawRoundedRect(body, 10, 10);
    // Rounded sides: darker towards both edges.
    p.setBrush(Horizontal(0, CabinetArt::Width,
                          {{0, QColor(0, 0, 0, 120)},
                           {0.08, QColor(0, 0, 0, 0)},
                           {0.5, QColor(255, 255, 255, 18)},
                           {0.92, QColor(0, 0, 0, 0)},
                           {1, QColor(0, 0, 0, 130)}}));
    p.drawRoundedRect(body, 10, 10);
    // Gold piping round the edge.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kGold, 1.4));
    p.drawRoundedRect(body.adjusted(2.2, 2.2, -2.2, -2.2), 8.5, 8.5);
    p.setPen(QPen(QColor(0x60, 0x00, 0x10), 0.8));
    p.drawRoundedRect(body.adjusted(3.6, 3.6, -3.6, -3.6), 7.5, 7.5);
}

void PaintSign(QPainter& p, const QRect& display) {
    const QRectF sign(8, 7, 240, 92);
    Framed(p, sign, 9, 2.2,
           Vertical(sign.top(), sign.bottom(),
                    {{0, kSignLight}, {0.6, QColor(0x14, 0x1e, 0x78)}, {1, kSignDark}}));
    // Chaser lights round the display, warm and cool by turns.
    const QColor warm(0xff, 0xd8, 0x40);
    const QColor cool(0xff, 0x5a, 0xc8);
    int n = 0;
    for (qreal x = 18; x <= 238.1; x += 11) {
        Bulb(p, QPointF(x, 15.5), 2.2, (n++ % 2) ? cool : warm);
        Bulb(p, QPointF(x, 90.5), 2.2, (n % 2) ? cool : warm);
    }
    n = 0;
    for (qreal y = 27; y <= 80; y += 10.5) {
        Bulb(p, QPointF(18, y), 2.2, (n % 2) ? warm : cool);
        Bulb(p, QPointF(238, y), 2.2, (n++ % 2) ? cool : warm);
    }
    // The display glass under the help box.
    const QRectF glass = QRectF(display).adjusted(-2, -2, 2, 2);
    p.setPen(QPen(QColor(0x00, 0x00, 0x10), 1.0));
    p.setBrush(Vertical(
        glass.top(), glass.bottom(),
        {{0, QColor(0x24, 0x08, 0x3c)}, {0.5, QColor(0x0c, 0x02, 0x1c)}, {1, QColor(0x1c, 0x06, 0x30)}}));
    p.drawRoundedRect(glass, 4, 4);
    // Name in gold with a dark outline, a line of stars under it.
    const QRectF nameBox(display.left() + 12, display.top() + 6, display.width() - 24, 31);
    const QPainterPath name = FittedText(
        QStringLiteral("RICORNE"),
        Face({QStringLiteral("P052"), QStringLiteral("TeX Gyre Pagella"), QStringLiteral("DejaVu Serif")}, 40,
             true, true),
        nameBox);
    p.setPen(QPen(QColor(0x3a, 0x10, 0x00), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(name);
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(nameBox.top(), nameBox.bottom(),
                        {{0, QColor(0xff, 0xfb, 0xd8)},
                         {0.45, kGold},
                         {0.55, QColor(0xf0, 0xa8, 0x10)},
                         {1, QColor(0xff, 0xe8, 0x80)}}));
    p.drawPath(name);
    const QRectF tagBox(display.left() + 30, display.top() + 40, display.width() - 60, 12);
    const QPainterPath tag =
        FittedText(CabinetBanner(),
                   Face({QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                         QStringLiteral("Noto Sans CJK JP"), QStringLiteral("DejaVu Sans")},
                        12, true),
                   tagBox);
    p.setBrush(QColor(0xff, 0x8a, 0xd8));
    p.drawPath(tag);
}

void PaintReelPanel(QPainter& p, const QRect (&reels)[3], qreal dpr) {
    const QRectF panel(10, 106, 236, 92);
    Framed(p, panel, 8, 2.2,
           Vertical(panel.top(), panel.bottom(), {{0, QColor(0x2a, 0x20, 0x2c)}, {1, kPanelDark}}));
    // The three reels as they stand before the first game: the first cells of each strip.
    for (int r = 0; r < 3; ++r) {
        const QRectF frame = QRectF(reels[r]).adjusted(-3.5, -3.5, 3.5, 3.5);
        p.setPen(QPen(QColor(0x30, 0x34, 0x3c), 0.8));
        p.setBrush(Chrome(frame));
        p.drawRoundedRect(frame, 3, 3);
        const QPixmap strip = ReelArt::Strip(r, dpr);
        const QRectF window(reels[r].left(), reels[r].top(), ReelArt::StripWidth, 3 * ReelArt::CellHeight);
        p.drawPixmap(window, strip, QRectF(0, 0, ReelArt::StripWidth * dpr, 3 * ReelArt::CellHeight * dpr));
        p.drawPixmap(window.topLeft(), ReelArt::Shade(dpr));
        p.fillRect(QRectF(reels[r].left(), reels[r].top() + 51, reels[r].width(), reels[r].height() - 51),
                   QColor(0x20, 0x18, 0x18));
    }
    // Pay line markers on both sides of the middle row.
    const qreal midY = reels[0].top() + 1.5 * ReelArt::CellHeight;
    const qreal leftX = reels[0].left() - 5;
    const qreal rightX = reels[2].right() + 6;
    p.setPen(QPen(QColor(0x60, 0x30, 0x00), 0.7));
    p.setBrush(kGold);
    p.drawPolygon(
        QPolygonF({QPointF(leftX - 5, midY - 4), QPointF(leftX, midY), QPointF(leftX - 5, midY + 4)}));
    p.drawPolygon(
        QPolygonF({QPointF(rightX + 5, midY - 4), QPointF(rightX, midY), QPointF(rightX + 5, midY + 4)}));
    // Bet lamps down the left side.
    const QColor lamps[3] = {QColor(0xff, 0x40, 0x40), QColor(0xff, 0xc8, 0x20), QColor(0x40, 0xe0, 0x60)};
    for (int i = 0; i < 3; ++i) {
        const QPointF c(28, midY + (i - 1) * 17);
        p.setPen(QPen(QColor(0x50, 0x50, 0x58), 1.2));
        p.setBrush(QColor(0x10, 0x10, 0x14));
        p.drawEllipse(c, 6, 6);
        Bulb(p, c, 4.2, lamps[i]);
    }
    // Bonus lamps on the right: BIG and REG.
    const qreal lx = reels[2].right() + 14;
    const qreal lw = panel.right() - 8 - lx;
    struct Lamp {
        const char16_t* word;
        QColor light;
        QColor dark;
        qreal top;
    };
    const Lamp bonus[2] = {
        {u"BIG", QColor(0xff, 0x6a, 0x5a), QColor(0xa0, 0x00, 0x18), qreal(reels[2].top() - 2)},
        {u"REG", QColor(0x6a, 0xb4, 0xff), QColor(0x00, 0x36, 0xa8), qreal(reels[2].top() + 28)}};
    for (const Lamp& l : bonus) {
        const QRectF box(lx, l.top, lw, 26);
        p.setPen(QPen(QColor(0x10, 0x10, 0x10), 0.8));
        p.setBrush(Chrome(box));
        p.drawRoundedRect(box, 4, 4);
        const QRectF face = box.adjusted(2, 2, -2, -2);
        QRadialGradient g(face.center() - QPointF(0, 4), face.width() * 0.75);
        g.setColorAt(0, l.light.lighter(125));
        g.setColorAt(1, l.dark);
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRoundedRect(face, 3, 3);
        const QPainterPath word =
            FittedText(QString::fromUtf16(l.word),
                       Face({QStringLiteral("DejaVu Sans"), QStringLiteral("Nimbus Sans")}, 12, true),
                       face.adjusted(4, 5, -4, -5));
        p.setPen(QPen(QColor(0, 0, 0, 140), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(word);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPath(word);
    }
}

void PaintStopButton(QPainter& p, const QRect& area) {
    const QRectF bezel = QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(0x28, 0x2c, 0x34), 0.8));
    p.setBrush(Chrome(bezel));
    p.drawRoundedRect(bezel, 4, 4);
    const QRectF face = bezel.adjusted(2.2, 2.2, -2.2, -8.5);
    QRadialGradient g(face.center() - QPointF(1.5, 2.5), face.height());
    g.setColorAt(0, QColor(0xff, 0x90, 0x80));
    g.setColorAt(0.5, QColor(0xe8, 0x10, 0x20));
    g.setColorAt(1, QColor(0x80, 0x00, 0x0c));
    p.setPen(QPen(QColor(0x40, 0x00, 0x06), 0.8));
    p.setBrush(g);
    p.drawRoundedRect(face, 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawRoundedRect(QRectF(face.left() + 2, face.top() + 1.4, face.width() - 4, 2.6), 1.2, 1.2);
    // The word under the face.
    const QRectF word(bezel.left() + 2, face.bottom() + 1.6, bezel.width() - 4, 4.4);
    p.setBrush(QColor(0x20, 0x20, 0x28));
    p.drawPath(FittedText(QStringLiteral("STOP"), Face({QStringLiteral("DejaVu Sans")}, 10, true), word));
}

void PaintDeck(QPainter& p, const CabinetArt::Geometry& g) {
    const QRectF deck(10, 204, 236, 46);
    p.setPen(QPen(QColor(0x30, 0x30, 0x38), 1.0));
    p.setBrush(Vertical(deck.top(), deck.bottom(),
                        {{0, QColor(0xf8, 0xf8, 0xfc)},
                         {0.18, QColor(0xc8, 0xcc, 0xd6)},
                         {0.8, QColor(0x98, 0x9e, 0xac)},
                         {1, QColor(0x5a, 0x60, 0x6c)}}));
    p.drawRoundedRect(deck, 6, 6);
    // A red stripe along the lower lip.
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(deck.bottom() - 5, deck.bottom() - 2,
                        {{0, QColor(0xff, 0x40, 0x50)}, {1, QColor(0x90, 0x00, 0x14)}}));
    p.drawRect(QRectF(deck.left() + 6, deck.bottom() - 5, deck.width() - 12, 3));

    // Lever housing: a dark cup with a chrome ring; the lever picture shows inside.
    const QPointF hub = QRectF(g.leverPicture).center() + QPointF(0, 0.5);
    p.setPen(QPen(QColor(0x30, 0x30, 0x38), 0.8));
    p.setBrush(Chrome(QRectF(hub.x() - 11.5, hub.y() - 11.5, 23, 23)));
    p.drawEllipse(hub, 11.5, 11.5);
    QRadialGradient cup(hub, 9.5);
    cup.setColorAt(0, QColor(0x4a, 0x4e, 0x58));
    cup.setColorAt(1, QColor(0x14, 0x16, 0x1c));
    p.setBrush(cup);
    p.drawEllipse(hub, 9.4, 9.4);

    for (const QRect& stop : g.stops) {
        PaintStopButton(p, stop);
    }

    // Medal slot on the right of the deck.
    const QRectF plate(g.stops[2].right() + 26, deck.top() + 7, 34, 30);
    p.setPen(QPen(QColor(0x30, 0x30, 0x38), 0.8));
    p.setBrush(GoldBand(plate));
    p.drawRoundedRect(plate, 5, 5);
    const QRectF slot(plate.center().x() - 2.2, plate.top() + 5, 4.4, plate.height() - 10);
    p.setPen(QPen(QColor(0x70, 0x48, 0x00), 0.8));
    p.setBrush(QColor(0x0a, 0x08, 0x06));
    p.drawRoundedRect(slot, 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6e, 0x48, 0x00));
    p.drawPolygon(QPolygonF({QPointF(slot.left() - 8, slot.center().y() - 4),
                             QPointF(slot.left() - 4, slot.center().y()),
                             QPointF(slot.left() - 8, slot.center().y() + 4)}));
    p.drawPolygon(QPolygonF({QPointF(slot.right() + 8, slot.center().y() - 4),
                             QPointF(slot.right() + 4, slot.center().y()),
                             QPointF(slot.right() + 8, slot.center().y() + 4)}));
}

void PaintMenu(QPainter& p, const QRect (&menu)[8]) {
    QRectF all = QRectF(menu[0]);
    for (const QRect& m : menu) {
        all = all.united(QRectF(m));
    }
    const QRectF panel = all.adjusted(-12, -8, 12, 8);
    Framed(p, panel, 7, 1.8,
           Vertical(panel.top(), panel.bottom(),
                    {{0, QColor(0x30, 0x0c, 0x1c)}, {1, QColor(0x14, 0x04, 0x0c)}}));
    // One plate per label, lined up in two columns of four; the labels draw their captions on them.
    for (int i = 0; i < 8; ++i) {
        const int first = i < 4 ? 0 : 4;
        qreal left = menu[first].left();
        qreal right = menu[first].left() + menu[first].width();
        for (int k = first; k < first + 4; ++k) {
            left = std::min<qreal>(left, menu[k].left());
            right = std::max<qreal>(right, menu[k].left() + menu[k].width());
        }
        const QRectF plate(left - 3, menu[i].top() - 1.5, right - left + 6, menu[i].height() + 4);
        p.setPen(QPen(QColor(0xc0, 0x8a, 0x20), 0.8));
        p.setBrush(Vertical(
            plate.top(), plate.bottom(),
            {{0, QColor(0x8a, 0x1a, 0x36)}, {0.5, QColor(0x5a, 0x08, 0x1e)}, {1, QColor(0x3a, 0x02, 0x12)}}));
        p.drawRoundedRect(plate, 4, 4);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 40));
        p.drawRoundedRect(QRectF(plate.left() + 2, plate.top() + 1, plate.width() - 4, plate.height() * 0.4),
                          2.5, 2.5);
    }
}

void PaintLowerBody(QPainter& p, const CabinetArt::Geometry& g) {
    // Version plate, centred on the body.
    const QRectF plate = QRectF(g.version).adjusted(-6, -2, 6, 1);
    Framed(p, plate, 4, 1.4,
           Vertical(plate.top(), plate.bottom(),
                    {{0, QColor(0x2a, 0x08, 0x14)}, {1, QColor(0x10, 0x02, 0x08)}}));
    // Gold rule either side of the plate.
    p.setPen(QPen(kGold, 1.0));
    const qreal y = plate.center().y();
    p.drawLine(QPointF(g.startButton.right() + 8, y), QPointF(plate.left() - 6, y));
    p.drawLine(QPointF(plate.right() + 6, y), QPointF(242, y));
    for (const qreal x : {plate.left() - 4.0, plate.right() + 4.0}) {
        p.setPen(Qt::NoPen);
        p.setBrush(kGold);
        p.drawEllipse(QPointF(x, y), 1.6, 1.6);
    }
}

void PaintTray(QPainter& p, const CabinetArt::Geometry& g) {
    // Status window of the mail check.
    const QRectF status = QRectF(g.status).adjusted(-4, -3, 4, 3);
    p.setPen(QPen(QColor(0x10, 0x10, 0x10), 0.8));
    p.setBrush(Chrome(status.adjusted(-1.5, -1.5, 1.5, 1.5)));
    p.drawRoundedRect(status.adjusted(-1.5, -1.5, 1.5, 1.5), 4, 4);
    p.setBrush(Vertical(status.top(), status.bottom(),
                        {{0, QColor(0x06, 0x14, 0x10)}, {1, QColor(0x0e, 0x2a, 0x20)}}));
    p.drawRoundedRect(status, 3, 3);
    // Coin tray: a chrome lip round a dark well; the counter shows in the well.
    const QRectF tray(g.coins.left() - 8, g.coins.top() - 4, CabinetArt::Width - 6 - (g.coins.left() - 8),
                      30);
    p.setPen(QPen(QColor(0x20, 0x20, 0x28), 0.8));
    p.setBrush(Chrome(tray));
    p.drawRoundedRect(tray, 6, 6);
    const QRectF well = tray.adjusted(2.5, 2.5, -2.5, -2.5);
    p.setBrush(
        Vertical(well.top(), well.bottom(), {{0, QColor(0x04, 0x04, 0x08)}, {1, QColor(0x2a, 0x26, 0x30)}}));
    p.drawRoundedRect(well, 4, 4);
}

} // namespace

QImage CabinetArt::Paint(const Geometry& layout, qreal devicePixelRatio) {
    QImage image(qRound(Width * devicePixelRatio), qRound(Height * devicePixelRatio),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    PaintBody(p);
    PaintSign(p, layout.helpDisplay);
    PaintReelPanel(p, layout.reels, devicePixelRatio);
    PaintDeck(p, layout);
    PaintMenu(p, layout.menu);
    PaintLowerBody(p, layout);
    PaintTray(p, layout);
    p.end();
    return image;
}

} // namespace ricorne
