#include "ui/AppIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QVector>

namespace {
// The classic 16-colour palette; index 0 stays transparent.
QVector<QRgb> Palette16() {
    return {qRgba(0, 0, 0, 0),   qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

void DrawLens(QPainter& p, double s) {
    const double u = s / 32.0;  // one pixel of the 32 x 32 design
    // Barrel: a dark ring around the glass.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0));
    p.drawEllipse(QRectF(3 * u, 3 * u, 26 * u, 26 * u));
    p.setBrush(QColor(128, 128, 128));
    p.drawEllipse(QRectF(5 * u, 5 * u, 22 * u, 22 * u));
    // Glass with its reflection.
    p.setBrush(QColor(0, 0, 128));
    p.drawEllipse(QRectF(8 * u, 8 * u, 16 * u, 16 * u));
    p.setBrush(QColor(0, 128, 128));
    p.drawEllipse(QRectF(11 * u, 11 * u, 10 * u, 10 * u));
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(QRectF(11 * u, 10 * u, 5 * u, 4 * u));
    // Focus brackets in the corners.
    QPen bracket(QColor(255, 255, 0), std::max(1.0, 2 * u));
    bracket.setCapStyle(Qt::SquareCap);
    p.setPen(bracket);
    const double a = 1 * u, b = 31 * u - bracket.widthF(), l = 7 * u;
    p.drawLine(QPointF(a, a), QPointF(a + l, a));
    p.drawLine(QPointF(a, a), QPointF(a, a + l));
    p.drawLine(QPointF(b, a), QPointF(b - l, a));
    p.drawLine(QPointF(b, a), QPointF(b, a + l));
    p.drawLine(QPointF(a, b), QPointF(a + l, b));
    p.drawLine(QPointF(a, b), QPointF(a, b - l));
    p.drawLine(QPointF(b, b), QPointF(b - l, b));
    p.drawLine(QPointF(b, b), QPointF(b, b - l));
}
}  // namespace

QImage RenderAppIcon(int size_px) {
    QImage art(size_px, size_px, QImage::Format_ARGB32);
    art.fill(Qt::transparent);
    {
        QPainter p(&art);
        // Hard edges: a 16-colour icon has no room for blended shades.
        p.setRenderHint(QPainter::Antialiasing, false);
        DrawLens(p, size_px);
    }
    return art.convertToFormat(QImage::Format_Indexed8, Palette16(), Qt::ThresholdDither);
}

QIcon LoadAppIcon() {
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(RenderAppIcon(32)));
    icon.addPixmap(QPixmap::fromImage(RenderAppIcon(16)));
    return icon;
}
