#include "WindowPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

constexpr int LOGO_WIDTH = 103;
constexpr int LOGO_HEIGHT = 95;

void DrawBulb(QPainter& p, const QRectF& r, const QColor& colour) {
    QRadialGradient glow(r.center() - QPointF(r.width() / 6, r.height() / 6), r.width() / 1.6);
    glow.setColorAt(0, colour.lighter(170));
    glow.setColorAt(1, colour.darker(130));
    p.setBrush(glow);
    p.setPen(QPen(colour.darker(200), 1));
    p.drawEllipse(r);
}

void DrawPower(QPainter& p, const QRectF& r) {
    const QColor red(200, 20, 20);
    p.setPen(QPen(red, r.width() / 8, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF ring = r.adjusted(r.width() / 6, r.height() / 6, -r.width() / 6, -r.height() / 6);
    p.drawArc(ring, 120 * 16, -240 * 16);
    p.drawLine(QPointF(r.center().x(), r.top() + r.height() / 10), r.center());
}

// Three arcs of a transmitter's waves to the right of a point.
void DrawWaves(QPainter& p, QPointF from, double step, const QColor& colour) {
    p.setPen(QPen(colour, step / 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 3; ++i) {
        const double r = step * i;
        p.drawArc(QRectF(from.x() - r, from.y() - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
    }
}

void DrawMast(QPainter& p, double x, double top, double bottom, double spread, const QColor& colour) {
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(x, top), QPointF(x - spread, bottom));
    p.drawLine(QPointF(x, top), QPointF(x + spread, bottom));
    p.drawLine(QPointF(x - spread / 2, (top + bottom) / 2), QPointF(x + spread / 2, (top + bottom) / 2));
    p.setBrush(colour);
    p.drawEllipse(QPointF(x, top), 2.5, 2.5);
}

}  // namespace

QPixmap DrawLamp(LampPicture picture, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF bulb(2, 2, size - 4, size - 4);
    switch (picture) {
    case LampPicture::Green:
        DrawBulb(p, bulb, QColor(20, 190, 40));
        break;
    case LampPicture::Red:
        DrawBulb(p, bulb, QColor(210, 30, 30));
        break;
    case LampPicture::CrossedOut:
        DrawBulb(p, bulb, QColor(140, 140, 140));
        p.setPen(QPen(QColor(220, 0, 0), size / 8.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3, size - 3), QPointF(size - 3, 3));
        break;
    case LampPicture::Power:
        DrawPower(p, bulb);
        break;
    }
    return pixmap;
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(40, 60, 140));
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
        DrawMast(p, size * 0.32, size * 0.2, size * 0.9, size * 0.18, QColor(240, 240, 240));
        DrawWaves(p, QPointF(size * 0.32, size * 0.2), size * 0.17, QColor(250, 210, 60));
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap DrawLogo() {
    QPixmap pixmap(LOGO_WIDTH, LOGO_HEIGHT);
    pixmap.fill(QColor(30, 45, 110));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    DrawMast(p, 30, 14, 66, 12, QColor(230, 230, 240));
    DrawWaves(p, QPointF(30, 14), 11, QColor(250, 200, 50));
    QFont font("DejaVu Sans Condensed");
    font.setPixelSize(17);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(250, 250, 250));
    p.drawText(QRect(0, 68, LOGO_WIDTH, 24), Qt::AlignCenter, "ORVANE");
    p.setPen(QPen(QColor(250, 200, 50), 2));
    p.drawLine(12, 70, LOGO_WIDTH - 12, 70);
    return pixmap;
}
