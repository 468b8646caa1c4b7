#include "cubrixicon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>
#include <functional>

namespace {
// One face of the cube as a grid of cells, each coloured by its position on two axes.
void drawFace(QPainter &painter, const QPointF &origin, const QPointF &axisU, const QPointF &axisV,
              const std::function<QColor(double, double)> &colourAt)
{
    const int cells = 4;
    for (int u = 0; u < cells; ++u) {
        for (int v = 0; v < cells; ++v) {
            const QPointF a = origin + axisU * (double(u) / cells) + axisV * (double(v) / cells);
            const QPointF b = a + axisU / cells;
            const QPointF c = b + axisV / cells;
            const QPointF d = a + axisV / cells;
            painter.setBrush(colourAt((u + 0.5) / cells, (v + 0.5) / cells));
            painter.drawPolygon(QPolygonF({a, b, c, d}));
        }
    }
}

QColor rgb(double r, double g, double b)
{
    return QColor::fromRgbF(qBound(0.0, r, 1.0), qBound(0.0, g, 1.0), qBound(0.0, b, 1.0));
}
} // namespace

QImage CubrixIcon::draw(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double unit = size / 256.0;

    // Tile.
    QLinearGradient tile(0, 0, 0, size);
    tile.setColorAt(0, QColor(0x3a, 0x3c, 0x40));
    tile.setColorAt(1, QColor(0x1d, 0x1f, 0x21));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(8 * unit, 8 * unit, 240 * unit, 240 * unit), 44 * unit, 44 * unit);

    // The RGB cube seen from its white corner, which sits in the middle of the hexagon; the
    // three visible faces are those where red, green or blue is full.
    const double edge = 92 * unit;
    const QPointF white(128 * unit, 128 * unit);
    const double across = edge * std::cos(qDegreesToRadians(30.0));
    const QPointF towardsNoBlue(-across, -edge / 2);
    const QPointF towardsNoRed(across, -edge / 2);
    const QPointF towardsNoGreen(0, edge);

    painter.setPen(QPen(QColor(0x1d, 0x1f, 0x21), 2.0 * unit));
    drawFace(painter, white, towardsNoBlue, towardsNoRed, [](double u, double v) { return rgb(1.0 - v, 1.0, 1.0 - u); });
    drawFace(painter, white, towardsNoBlue, towardsNoGreen, [](double u, double v) { return rgb(1.0, 1.0 - v, 1.0 - u); });
    drawFace(painter, white, towardsNoRed, towardsNoGreen, [](double u, double v) { return rgb(1.0 - u, 1.0 - v, 1.0); });

    QPainterPath outline;
    outline.moveTo(white + towardsNoBlue + towardsNoRed);
    outline.lineTo(white + towardsNoRed);
    outline.lineTo(white + towardsNoRed + towardsNoGreen);
    outline.lineTo(white + towardsNoGreen);
    outline.lineTo(white + towardsNoBlue + towardsNoGreen);
    outline.lineTo(white + towardsNoBlue);
    outline.closeSubpath();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0xec, 0xec, 0xec), 4.0 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(outline);
    painter.end();
    return image;
}
