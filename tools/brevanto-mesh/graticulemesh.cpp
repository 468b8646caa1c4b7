#include "graticulemesh.h"

#include <QColor>
#include <QHash>
#include <QLineF>
#include <QtMath>
#include <cmath>

namespace {
constexpr double Kr = 0.2126;
constexpr double Kb = 0.0722;

// Where "up" and "right" of the scope window's picture lie in plane units: the camera looks
// straight down with Cb growing to the right and Cr growing downwards on the screen.
const QPointF ScreenRight(1.0, 0.0);
const QPointF ScreenUp(0.0, -1.0);

// A stroke alphabet for the target names, in a 2 x 3 cell (x right, y up); one polyline per list.
using Stroke = QVector<QPointF>;
QHash<QChar, QVector<Stroke>> strokeFont()
{
    const Stroke bowlTop{{0, 0}, {0, 3}, {1.5, 3}, {2, 2.5}, {2, 2}, {1.5, 1.5}, {0, 1.5}};
    return {
        {QLatin1Char('R'), {bowlTop, {{1, 1.5}, {2, 0}}}},
        {QLatin1Char('B'), {bowlTop, {{1.5, 1.5}, {2, 1}, {2, 0.5}, {1.5, 0}, {0, 0}}}},
        {QLatin1Char('M'), {{{0, 0}, {0, 3}, {1, 1.5}, {2, 3}, {2, 0}}}},
        {QLatin1Char('G'), {{{2, 3}, {0, 3}, {0, 0}, {2, 0}, {2, 1.5}, {1, 1.5}}}},
        {QLatin1Char('C'), {{{2, 3}, {0, 3}, {0, 0}, {2, 0}}}},
        {QLatin1Char('Y'), {{{0, 3}, {1, 1.5}, {2, 3}}, {{1, 1.5}, {1, 0}}}},
        {QLatin1Char('L'), {{{0, 3}, {0, 0}, {2, 0}}}},
    };
}

QPointF normalised(QPointF p)
{
    const double length = std::hypot(p.x(), p.y());
    return length > 0 ? p / length : QPointF(1, 0);
}

QString number(double value)
{
    QString text = QString::number(value, 'f', 5);
    if (text == QLatin1String("-0.00000"))
        text = QStringLiteral("0.00000");
    return text;
}
} // namespace

QVector<GraticuleMesh::Target> GraticuleMesh::targets(double level)
{
    struct Bar {
        const char *name;
        double r, g, b;
    };
    static const Bar bars[] = {
        {"R", 1, 0, 0}, {"MG", 1, 0, 1}, {"B", 0, 0, 1}, {"CY", 0, 1, 1}, {"G", 0, 1, 0}, {"YL", 1, 1, 0},
    };
    QVector<Target> result;
    for (const Bar &bar : bars) {
        const double r = bar.r * level;
        const double g = bar.g * level;
        const double b = bar.b * level;
        const double y = Kr * r + (1.0 - Kr - Kb) * g + Kb * b;
        const double cb = (b - y) / (2.0 * (1.0 - Kb));
        const double cr = (r - y) / (2.0 * (1.0 - Kr));
        // Narrow-range 10-bit colour difference: 512 + 896 x difference codes.
        Target target;
        target.name = QString::fromLatin1(bar.name);
        target.level = level;
        target.centre = QPointF(896.0 * cb / CodesPerPlaneUnit, 896.0 * cr / CodesPerPlaneUnit);
        result << target;
    }
    return result;
}

GraticuleMesh::GraticuleMesh()
{
    addCircle(OuterRadius, 256);
    addCircle(FullScaleRadius, 256);
    addAxes();
    for (const Target &target : targets(0.75))
        addBox(target, Box75HalfSize);
    for (const Target &target : targets(1.0)) {
        addBox(target, Box100HalfSize);
        addLabel(target);
    }
}

void GraticuleMesh::addSegment(QPointF from, QPointF to, double halfWidth)
{
    const QPointF along = normalised(to - from);
    const QPointF across(-along.y() * halfWidth, along.x() * halfWidth);
    // Lengthened by the half width so that joined pieces meet without gaps at the corners.
    const QPointF a = from - along * halfWidth;
    const QPointF b = to + along * halfWidth;
    QPointF corners[4] = {a - across, b - across, b + across, a + across};
    // Counter-clockwise seen from +y means a positive (z x) turn in the (x, z) plane.
    const QPointF e1 = corners[1] - corners[0];
    const QPointF e2 = corners[2] - corners[0];
    if (e1.y() * e2.x() - e1.x() * e2.y() < 0)
        std::swap(corners[1], corners[3]);
    for (const QPointF &corner : corners)
        m_quads << corner;
}

void GraticuleMesh::addCircle(double radius, int segments)
{
    for (int i = 0; i < segments; ++i) {
        const double a0 = 2.0 * M_PI * i / segments;
        const double a1 = 2.0 * M_PI * (i + 1) / segments;
        addSegment(QPointF(radius * std::cos(a0), radius * std::sin(a0)),
                   QPointF(radius * std::cos(a1), radius * std::sin(a1)));
    }
    // Degree ticks on the outer circle: every 10 degrees, longer every 30.
    if (radius < OuterRadius)
        return;
    for (int degrees = 0; degrees < 360; degrees += 10) {
        const double a = qDegreesToRadians(double(degrees));
        const QPointF direction(std::cos(a), std::sin(a));
        const double length = degrees % 30 == 0 ? 3.0 : 1.5;
        addSegment(direction * (radius - length), direction * radius);
    }
}

void GraticuleMesh::addAxes()
{
    addSegment(QPointF(-OuterRadius, 0), QPointF(OuterRadius, 0));
    addSegment(QPointF(0, -OuterRadius), QPointF(0, OuterRadius));
    // Ticks every 5 % of full scale (2.8 units), longer every 10 %.
    const double step = FullScaleRadius / 20.0;
    for (int k = -20; k <= 20; ++k) {
        if (k == 0)
            continue;
        const double at = k * step;
        const double half = k % 2 == 0 ? 1.2 : 0.6;
        addSegment(QPointF(at, -half), QPointF(at, half));
        addSegment(QPointF(-half, at), QPointF(half, at));
    }
}

void GraticuleMesh::addBox(const Target &target, double halfSize)
{
    const QPointF radial = normalised(target.centre);
    const QPointF tangent(-radial.y(), radial.x());
    const QPointF c = target.centre;
    const QPointF corners[4] = {
        c + (radial + tangent) * halfSize,
        c + (-radial + tangent) * halfSize,
        c + (-radial - tangent) * halfSize,
        c + (radial - tangent) * halfSize,
    };
    for (int i = 0; i < 4; ++i)
        addSegment(corners[i], corners[(i + 1) % 4]);
}

void GraticuleMesh::addLabel(const Target &target)
{
    static const QHash<QChar, QVector<Stroke>> font = strokeFont();
    constexpr double scale = 0.9;  // plane units per font unit: letters 2.7 units tall
    constexpr double advance = 2.8; // font units from one letter to the next
    const double width = (target.name.size() * advance - (advance - 2.0)) * scale;
    const double height = 3.0 * scale;
    // Centred just outside the 100 % box, on the same ray.
    const QPointF centre = target.centre + normalised(target.centre) * (Box100HalfSize + 4.5);
    const QPointF origin = centre - ScreenRight * (width / 2) - ScreenUp * (height / 2);
    for (int i = 0; i < target.name.size(); ++i) {
        for (const Stroke &stroke : font.value(target.name.at(i))) {
            for (int k = 0; k + 1 < stroke.size(); ++k) {
                auto place = [&](QPointF p) {
                    return origin + ScreenRight * ((i * advance + p.x()) * scale) + ScreenUp * (p.y() * scale);
                };
                addSegment(place(stroke.at(k)), place(stroke.at(k + 1)), LineHalfWidth * 0.9);
            }
        }
    }
}

QByteArray GraticuleMesh::toObj() const
{
    QByteArray out;
    out += "# Vectorscope graticule of the Brevanto scope window, written by brevanto-mesh.\n"
           "# Circles, Cb/Cr axes, BT.709 75 % and 100 % colour-bar targets; flat in y = 0.\n"
           "# One plane unit ((Cb - 512) / 8 or (Cr - 512) / 8 in 10-bit codes) is 1/144 mesh units.\n";
    out += "o graticule\n";
    for (const QPointF &p : m_quads) {
        const QString line = QStringLiteral("v %1 0 %2\n")
                                 .arg(number(p.x() * MeshUnitsPerPlaneUnit), number(p.y() * MeshUnitsPerPlaneUnit));
        out += line.toLatin1();
    }
    out += "vt 0.5 0.5\nvn 0 1 0\n";
    for (int q = 0; q < quadCount(); ++q) {
        const int i = q * 4 + 1;
        out += QStringLiteral("f %1/1/1 %2/1/1 %3/1/1\nf %1/1/1 %3/1/1 %4/1/1\n")
                   .arg(i)
                   .arg(i + 1)
                   .arg(i + 2)
                   .arg(i + 3)
                   .toLatin1();
    }
    return out;
}

QImage GraticuleMesh::texture()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(QColor(255, 214, 0, 204));
    return image;
}
