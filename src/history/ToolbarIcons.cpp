#include "history/ToolbarIcons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace ricorne {

namespace {

const QColor kInk(40, 40, 40);
const QColor kPaper(255, 255, 255);

void Page(QPainter& p, const QRectF& r) {
    const qreal fold = 4;
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void Lines(QPainter& p, const QRectF& r) {
    p.setPen(QPen(QColor(120, 120, 120), 1));
    for (qreal y = r.top() + 5; y < r.bottom() - 1; y += 2.5)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void Letter(QPainter& p, const QString& letter, bool bold, bool italic, bool underline) {
    QFont font(QStringLiteral("Serif"));
    font.setPixelSize(14);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    p.setFont(font);
    p.setPen(kInk);
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, letter);
}

void Draw(QPainter& p, const QString& key) {
    if (key == u"New") {
        Page(p, QRectF(3.5, 1.5, 9, 13));
    } else if (key == u"Open") {
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(240, 200, 80));
        p.drawRect(QRectF(1.5, 4.5, 12, 9));
        p.setBrush(QColor(250, 225, 120));
        QPolygonF flap({QPointF(3.5, 7.5), QPointF(15.5, 7.5), QPointF(13.5, 13.5), QPointF(1.5, 13.5)});
        p.drawPolygon(flap);
    } else if (key == u"Save") {
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(70, 90, 170));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(kPaper);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(3.5, 9.5, 9, 5));
    } else if (key == u"Print") {
        Page(p, QRectF(4.5, 1.5, 7, 6));
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(190, 190, 190));
        p.drawRect(QRectF(1.5, 6.5, 13, 6));
        p.setBrush(kPaper);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
    } else if (key == u"Cut") {
        p.setPen(QPen(kInk, 1.2));
        p.drawLine(QPointF(5, 1), QPointF(10, 10));
        p.drawLine(QPointF(11, 1), QPointF(6, 10));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(2.5, 9.5, 4, 4));
        p.drawEllipse(QRectF(9.5, 9.5, 4, 4));
    } else if (key == u"Copy") {
        Page(p, QRectF(1.5, 1.5, 8, 10));
        Page(p, QRectF(6.5, 4.5, 8, 10));
        Lines(p, QRectF(6.5, 4.5, 8, 10));
    } else if (key == u"Paste") {
        p.setPen(QPen(kInk, 1));
        p.setBrush(QColor(170, 120, 70));
        p.drawRect(QRectF(1.5, 2.5, 10, 12));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(4.5, 1.5, 4, 2));
        Page(p, QRectF(7.5, 6.5, 7, 8));
    } else if (key == u"Bold") {
        Letter(p, QStringLiteral("B"), true, false, false);
    } else if (key == u"Italic") {
        Letter(p, QStringLiteral("I"), false, true, false);
    } else if (key == u"Underline") {
        Letter(p, QStringLiteral("U"), false, false, true);
    }
}

} // namespace

QIcon ToolbarIcon(const QString& key) {
    static const QStringList keys = {QStringLiteral("New"),    QStringLiteral("Open"),
                                     QStringLiteral("Save"),   QStringLiteral("Print"),
                                     QStringLiteral("Cut"),    QStringLiteral("Copy"),
                                     QStringLiteral("Paste"),  QStringLiteral("Bold"),
                                     QStringLiteral("Italic"), QStringLiteral("Underline")};
    if (!keys.contains(key))
        return {};
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    Draw(p, key);
    p.end();
    return QIcon(pixmap);
}

} // namespace ricorne
