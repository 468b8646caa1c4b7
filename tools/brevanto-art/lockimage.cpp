#include "lockimage.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

QImage LockImage::draw(int variant, int size)
{
    const bool locked = variant == 1 || variant == 3;
    QColor body(150, 154, 160);
    if (variant == 3)
        body = QColor(0x66, 0x99, 0x33);
    else if (variant == 4)
        body = QColor(200, 60, 50);

    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double unit = size / 64.0;

    // Shackle: a U of thick stroke; open locks have it lifted and swung to the right.
    QPainterPath shackle;
    const double left = 20 * unit;
    const double right = 44 * unit;
    const double top = locked ? 10 * unit : 4 * unit;
    const double foot = locked ? 30 * unit : 22 * unit;
    const double shift = locked ? 0 : 12 * unit;
    shackle.moveTo(left + shift, foot);
    shackle.lineTo(left + shift, top + 12 * unit);
    shackle.arcTo(QRectF(left + shift, top, right - left, 24 * unit), 180, -180);
    shackle.lineTo(right + shift, locked ? foot : foot - 6 * unit);
    painter.setPen(QPen(QColor(110, 114, 120), 6 * unit, Qt::SolidLine, Qt::FlatCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shackle);

    // Body with a soft vertical shade and a keyhole.
    const QRectF bodyRect(12 * unit, 28 * unit, 40 * unit, 30 * unit);
    QLinearGradient shade(bodyRect.topLeft(), bodyRect.bottomLeft());
    shade.setColorAt(0, body.lighter(125));
    shade.setColorAt(1, body.darker(120));
    painter.setPen(QPen(body.darker(160), 1.5 * unit));
    painter.setBrush(shade);
    painter.drawRoundedRect(bodyRect, 5 * unit, 5 * unit);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 32, 36));
    painter.drawEllipse(QPointF(32 * unit, 40 * unit), 4 * unit, 4 * unit);
    QPainterPath slot;
    slot.moveTo(30 * unit, 42 * unit);
    slot.lineTo(34 * unit, 42 * unit);
    slot.lineTo(35 * unit, 51 * unit);
    slot.lineTo(29 * unit, 51 * unit);
    slot.closeSubpath();
    painter.drawPath(slot);
    painter.end();
    return image;
}
