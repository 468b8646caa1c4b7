#include "vectorscopegraticule.h"

#include "bt709targets.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace {
struct Palette {
    QColor background;
    QColor line;
    QColor faint;
    QColor skin;
};

Palette paletteFor(VectorscopeGraticule::Variant variant)
{
    if (variant == VectorscopeGraticule::Light)
        return {QColor(0xec, 0xec, 0xec), QColor(60, 64, 70), QColor(150, 154, 160), QColor(170, 110, 60)};
    return {QColor(0x1d, 0x1f, 0x21), QColor(205, 210, 200), QColor(95, 100, 100), QColor(220, 160, 110)};
}

double radius(int size)
{
    return size * 0.46;
}
} // namespace

QPointF VectorscopeGraticule::position(int size, double cb, double cr)
{
    const double scale = radius(size) / FullScale;
    return QPointF(size / 2.0 + cb * scale, size / 2.0 - cr * scale);
}

QImage VectorscopeGraticule::draw(int size, Variant variant)
{
    const Palette colours = paletteFor(variant);
    const double stroke = size / 256.0;
    const QPointF centre(size / 2.0, size / 2.0);
    const double outer = radius(size);
    const double scale = outer / FullScale;

    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(colours.background);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    // Outer circle and a faint circle at the 75 % saturation of the bars.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colours.line, 1.2 * stroke));
    painter.drawEllipse(centre, outer, outer);
    painter.setPen(QPen(colours.faint, 0.8 * stroke, Qt::DotLine));
    const double seventyFive = 0.75 * 0.5957 * scale;
    painter.drawEllipse(centre, seventyFive, seventyFive);

    // Axes with a tick every 0.05 of colour difference, longer every 0.1.
    painter.setPen(QPen(colours.faint, 0.8 * stroke));
    painter.drawLine(QPointF(centre.x() - outer, centre.y()), QPointF(centre.x() + outer, centre.y()));
    painter.drawLine(QPointF(centre.x(), centre.y() - outer), QPointF(centre.x(), centre.y() + outer));
    painter.setPen(QPen(colours.line, 0.8 * stroke));
    for (int step = 1; step * 0.05 < FullScale; ++step) {
        const double offset = step * 0.05 * scale;
        const double tick = (step % 2 == 0 ? 4.0 : 2.0) * stroke;
        for (int sign : {-1, 1}) {
            const double along = sign * offset;
            painter.drawLine(QPointF(centre.x() + along, centre.y() - tick), QPointF(centre.x() + along, centre.y() + tick));
            painter.drawLine(QPointF(centre.x() - tick, centre.y() + along), QPointF(centre.x() + tick, centre.y() + along));
        }
    }

    // Skin-tone line, at 123 degrees on the usual scope (between red and yellow).
    painter.setPen(QPen(colours.skin, 0.8 * stroke, Qt::DashLine));
    const double skin = qDegreesToRadians(123.0);
    painter.drawLine(centre, QPointF(centre.x() + outer * std::cos(skin), centre.y() - outer * std::sin(skin)));

    // Target boxes: a small solid box for 100 %, an open box with gaps for 75 %.
    const double full = 5.0 * stroke;
    const double seventyFiveBox = 9.0 * stroke;
    const auto targetsFull = Bt709Targets::targets(1.0);
    const auto targets75 = Bt709Targets::targets(0.75);
    for (int i = 0; i < targetsFull.size(); ++i) {
        const QColor colour = targetsFull[i].colour;
        const QPointF at100 = position(size, targetsFull[i].cb, targetsFull[i].cr);
        painter.setPen(QPen(colour, 1.2 * stroke));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(at100.x() - full / 2, at100.y() - full / 2, full, full));

        const QPointF at75 = position(size, targets75[i].cb, targets75[i].cr);
        const QRectF box(at75.x() - seventyFiveBox / 2, at75.y() - seventyFiveBox / 2, seventyFiveBox, seventyFiveBox);
        const double corner = seventyFiveBox / 3;
        QPainterPath corners;
        for (const QPointF &c : {box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft()}) {
            const double dx = c.x() < at75.x() ? corner : -corner;
            const double dy = c.y() < at75.y() ? corner : -corner;
            corners.moveTo(c.x() + dx, c.y());
            corners.lineTo(c);
            corners.lineTo(c.x(), c.y() + dy);
        }
        painter.setPen(QPen(colour, 1.0 * stroke));
        painter.drawPath(corners);
        painter.setPen(QPen(colour, 0.6 * stroke));
        painter.drawLine(at75 - QPointF(1.5 * stroke, 0), at75 + QPointF(1.5 * stroke, 0));
        painter.drawLine(at75 - QPointF(0, 1.5 * stroke), at75 + QPointF(0, 1.5 * stroke));
    }

    // Centre cross.
    painter.setPen(QPen(colours.line, 1.0 * stroke));
    painter.drawLine(centre - QPointF(3 * stroke, 0), centre + QPointF(3 * stroke, 0));
    painter.drawLine(centre - QPointF(0, 3 * stroke), centre + QPointF(0, 3 * stroke));
    painter.end();
    return image;
}
