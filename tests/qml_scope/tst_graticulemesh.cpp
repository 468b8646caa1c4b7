// The vectorscope graticule mesh: the committed files are what the generator writes, the OBJ
// is well formed and faces the camera, and the colour-bar targets sit where the simulated
// 75 % bars draw their spots, each inside a closed box.
#include "graticulemesh.h"

#include <QFile>
#include <QImage>
#include <QVector3D>
#include <QtTest>
#include <cmath>

namespace {
struct Mesh {
    QVector<QVector3D> vertices;
    QVector<std::array<int, 3>> faces;
    QString error;
};

Mesh parseObj(const QByteArray &text)
{
    Mesh mesh;
    int textureCoordinates = 0;
    int normals = 0;
    for (const QByteArray &rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#') || line.startsWith("o "))
            continue;
        const QList<QByteArray> fields = line.split(' ');
        if (fields.at(0) == "v" && fields.size() == 4) {
            mesh.vertices << QVector3D(fields.at(1).toFloat(), fields.at(2).toFloat(), fields.at(3).toFloat());
        } else if (fields.at(0) == "vt") {
            ++textureCoordinates;
        } else if (fields.at(0) == "vn") {
            ++normals;
        } else if (fields.at(0) == "f" && fields.size() == 4) {
            std::array<int, 3> face{};
            for (int i = 0; i < 3; ++i) {
                const QList<QByteArray> refs = fields.at(i + 1).split('/');
                if (refs.size() != 3 || refs.at(1).toInt() < 1 || refs.at(1).toInt() > textureCoordinates
                    || refs.at(2).toInt() < 1 || refs.at(2).toInt() > normals) {
                    mesh.error = QStringLiteral("bad face reference: ") + QString::fromLatin1(line);
                    return mesh;
                }
                face[size_t(i)] = refs.at(0).toInt() - 1;
            }
            mesh.faces << face;
        } else {
            mesh.error = QStringLiteral("unexpected line: ") + QString::fromLatin1(line);
            return mesh;
        }
    }
    return mesh;
}

// Plane units of the vector frames ((Cb - 512) / 8, (Cr - 512) / 8) per mesh unit: the scope
// window draws radius 0..90 over the graph's polar radius of 2 scene units and scales the mesh
// by 3.2 at gain 1.
constexpr double PlaneUnitsPerMeshUnit = 90.0 * 3.2 / 2.0;

bool covers(const Mesh &mesh, QPointF p)
{
    for (const auto &face : mesh.faces) {
        QPointF c[3];
        for (int i = 0; i < 3; ++i) {
            const QVector3D &v = mesh.vertices.at(face[size_t(i)]);
            c[i] = QPointF(v.x() * PlaneUnitsPerMeshUnit, v.z() * PlaneUnitsPerMeshUnit);
        }
        auto side = [](QPointF a, QPointF b, QPointF q) {
            return (b.x() - a.x()) * (q.y() - a.y()) - (b.y() - a.y()) * (q.x() - a.x());
        };
        const double d0 = side(c[0], c[1], p);
        const double d1 = side(c[1], c[2], p);
        const double d2 = side(c[2], c[0], p);
        if ((d0 >= 0 && d1 >= 0 && d2 >= 0) || (d0 <= 0 && d1 <= 0 && d2 <= 0))
            return true;
    }
    return false;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestGraticuleMesh : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void committedFilesAreTheGeneratorsOutput();
    void objIsFlatAndFacesTheCamera();
    void targetsAreWhereTheBarsLand_data();
    void targetsAreWhereTheBarsLand();
    void hundredPercentTargets_data();
    void hundredPercentTargets();

private:
    Mesh m_mesh;
};

void TestGraticuleMesh::initTestCase()
{
    const QByteArray committed = readFile(QStringLiteral(BREVANTO_MODELS_DIR "/Vector-large-collapsed-ai-mathed3.obj"));
    QVERIFY(!committed.isEmpty());
    m_mesh = parseObj(committed);
    QVERIFY2(m_mesh.error.isEmpty(), qPrintable(m_mesh.error));
}

void TestGraticuleMesh::committedFilesAreTheGeneratorsOutput()
{
    const QByteArray committed = readFile(QStringLiteral(BREVANTO_MODELS_DIR "/Vector-large-collapsed-ai-mathed3.obj"));
    QCOMPARE(committed.size(), GraticuleMesh().toObj().size());
    QVERIFY2(committed == GraticuleMesh().toObj(), "qml/models is stale: run brevanto-mesh qml/models");
    // Small enough to embed without bloating the resources.
    QVERIFY(committed.size() < 1024 * 1024);

    const QImage texture(QStringLiteral(BREVANTO_MODELS_DIR "/yellow50.png"));
    QVERIFY(!texture.isNull());
    QCOMPARE(texture.convertToFormat(QImage::Format_ARGB32), GraticuleMesh::texture().convertToFormat(QImage::Format_ARGB32));
    // Yellow, and translucent so that the trace under a line still shows.
    const QColor centre = texture.pixelColor(texture.width() / 2, texture.height() / 2);
    QVERIFY(centre.red() > 200 && centre.green() > 180 && centre.blue() < 60);
    QVERIFY(centre.alpha() > 0 && centre.alpha() < 255);
}

void TestGraticuleMesh::objIsFlatAndFacesTheCamera()
{
    QVERIFY(m_mesh.faces.size() > 1000);
    for (const QVector3D &v : qAsConst(m_mesh.vertices)) {
        QCOMPARE(v.y(), 0.0f);
        // Inside the polar plot (radius 90) at every zoom.
        QVERIFY(std::hypot(v.x(), v.z()) * PlaneUnitsPerMeshUnit < 90.0);
    }
    for (const auto &face : qAsConst(m_mesh.faces)) {
        for (int index : face)
            QVERIFY(index >= 0 && index < m_mesh.vertices.size());
        const QVector3D a = m_mesh.vertices.at(face[0]);
        const QVector3D normal = QVector3D::crossProduct(m_mesh.vertices.at(face[1]) - a, m_mesh.vertices.at(face[2]) - a);
        // Counter-clockwise seen from above: the camera looks down the y axis.
        QVERIFY2(normal.y() > 0, "a face turns its back to the camera");
    }
}

void TestGraticuleMesh::targetsAreWhereTheBarsLand_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QPointF>("spot");
    // Where the simulator draws the spots of its 75 % bars, in plane units (its documented,
    // rounded values), and where BT.709 puts them: Cb = (B' - Y') / 1.8556 and
    // Cr = (R' - Y') / 1.5748 at 896 codes per unit, 8 codes per plane unit.
    QTest::newRow("yellow") << "YL" << QPointF(-42, 4);
    QTest::newRow("cyan") << "CY" << QPointF(10, -42);
    QTest::newRow("green") << "G" << QPointF(-32, -38);
    QTest::newRow("magenta") << "MG" << QPointF(32, 38);
    QTest::newRow("red") << "R" << QPointF(-10, 42);
    QTest::newRow("blue") << "B" << QPointF(42, -4);
}

void TestGraticuleMesh::targetsAreWhereTheBarsLand()
{
    QFETCH(QString, name);
    QFETCH(QPointF, spot);
    const auto targets = GraticuleMesh::targets(0.75);
    auto target = std::find_if(targets.begin(), targets.end(), [&](const auto &t) { return t.name == name; });
    QVERIFY(target != targets.end());
    QVERIFY2(std::hypot(target->centre.x() - spot.x(), target->centre.y() - spot.y()) < 0.6,
             qPrintable(QStringLiteral("%1 at %2, %3").arg(name).arg(target->centre.x()).arg(target->centre.y())));

    // The spot and its movement (a few degrees of hue, a few percent of gain) stay clear of
    // lines, and a line closes the box on every side within a few units.
    const double radius = std::hypot(spot.x(), spot.y());
    const QPointF radial = spot / radius;
    const QPointF tangent(-radial.y(), radial.x());
    for (double hue : {-3.0, 0.0, 3.0}) {
        for (double gain : {0.985, 1.0, 1.015}) {
            const double a = std::atan2(spot.y(), spot.x()) + hue * M_PI / 180.0;
            const QPointF moved(std::cos(a) * radius * gain, std::sin(a) * radius * gain);
            QVERIFY2(!covers(m_mesh, moved), qPrintable(QStringLiteral("%1 spot hidden by a line").arg(name)));
        }
    }
    for (const QPointF &direction : {radial, -radial, tangent, -tangent}) {
        bool closed = false;
        for (double step = 2.5; step <= 6.0 && !closed; step += 0.05)
            closed = covers(m_mesh, spot + direction * step);
        QVERIFY2(closed, qPrintable(QStringLiteral("%1 box open towards %2, %3").arg(name).arg(direction.x()).arg(direction.y())));
    }
}

void TestGraticuleMesh::hundredPercentTargets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("r");
    QTest::addColumn<double>("g");
    QTest::addColumn<double>("b");
    QTest::newRow("red") << "R" << 1.0 << 0.0 << 0.0;
    QTest::newRow("magenta") << "MG" << 1.0 << 0.0 << 1.0;
    QTest::newRow("blue") << "B" << 0.0 << 0.0 << 1.0;
    QTest::newRow("cyan") << "CY" << 0.0 << 1.0 << 1.0;
    QTest::newRow("green") << "G" << 0.0 << 1.0 << 0.0;
    QTest::newRow("yellow") << "YL" << 1.0 << 1.0 << 0.0;
}

void TestGraticuleMesh::hundredPercentTargets()
{
    QFETCH(QString, name);
    QFETCH(double, r);
    QFETCH(double, g);
    QFETCH(double, b);
    // BT.709 luma and the published colour-difference scale factors.
    const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    const QPointF expected((b - y) / 1.8556 * 896.0 / 8.0, (r - y) / 1.5748 * 896.0 / 8.0);
    const auto targets = GraticuleMesh::targets(1.0);
    auto target = std::find_if(targets.begin(), targets.end(), [&](const auto &t) { return t.name == name; });
    QVERIFY(target != targets.end());
    QVERIFY(std::abs(target->centre.x() - expected.x()) < 0.01);
    QVERIFY(std::abs(target->centre.y() - expected.y()) < 0.01);
    QVERIFY(!covers(m_mesh, expected));
    bool closed = false;
    for (double step = 1.5; step <= 4.0 && !closed; step += 0.05)
        closed = covers(m_mesh, expected + QPointF(0, step) * (expected.y() > 0 ? 1 : -1));
    QVERIFY(closed);
}

QTEST_GUILESS_MAIN(TestGraticuleMesh)
#include "tst_graticulemesh.moc"
