#pragma once

#include <QByteArray>
#include <QImage>
#include <QPointF>
#include <QString>
#include <QVector>

// The vectorscope graticule of the scope window as a flat Wavefront OBJ mesh: circles,
// the Cb and Cr axes with 5 % ticks, the target boxes of the 75 % and 100 % BT.709 colour
// bars (10-bit video range) and their names.
//
// Plane units are those of the vector scope frames: the point (u, v) is
// ((Cb - 512) / 8, (Cr - 512) / 8) in 10-bit codes. The scope window shows the vector plot
// polar (angle, radius 0 to 90 plane units) in a graph whose polar radius is 2 scene units,
// and scales this mesh by 3.2 at gain 1; so one plane unit is 2 / 90 / 3.2 = 1 / 144 mesh
// units, u runs along the mesh x axis and v along z. The mesh lies in y = 0 and faces +y,
// towards the camera that looks straight down.
class GraticuleMesh
{
public:
    static constexpr double MeshUnitsPerPlaneUnit = 1.0 / 144.0;
    // Eight 10-bit codes per plane unit; 448 codes (a colour difference of 0.5) is 56 units.
    static constexpr double CodesPerPlaneUnit = 8.0;
    static constexpr double OuterRadius = 64.0;
    static constexpr double FullScaleRadius = 56.0;
    static constexpr double LineHalfWidth = 0.22;
    // Half sizes of the target boxes, along and across the radius.
    static constexpr double Box75HalfSize = 4.0;
    static constexpr double Box100HalfSize = 2.5;

    struct Target {
        QString name;
        double level = 0.75;
        QPointF centre; // plane units
    };

    // The six saturated bars (red, magenta, blue, cyan, green, yellow) at `level`, BT.709.
    static QVector<Target> targets(double level);

    GraticuleMesh();

    // Line count (quads of two triangles each) of the whole graticule.
    int quadCount() const { return m_quads.size() / 4; }
    // The OBJ text: one texture coordinate and one normal shared by every face.
    QByteArray toObj() const;
    // The texture: a translucent yellow (all faces sample its centre).
    static QImage texture();

private:
    void addSegment(QPointF from, QPointF to, double halfWidth = LineHalfWidth);
    void addCircle(double radius, int segments);
    void addAxes();
    void addBox(const Target &target, double halfSize);
    void addLabel(const Target &target);

    QVector<QPointF> m_quads; // four corners per line piece, counter-clockwise seen from +y
};
