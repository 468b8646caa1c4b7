// Draws every picture of the QML resources into one folder (normally qml/images):
//   brevanto-art <folder>
#include "cubrixicon.h"
#include "iconcontainer.h"
#include "lockimage.h"
#include "monitorart.h"
#include "vectorscopegraticule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTextStream>

namespace {
bool writeBytes(const QDir &folder, const QString &name, const QByteArray &bytes)
{
    QFile file(folder.filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        QTextStream(stderr) << "cannot write " << file.fileName() << '\n';
        return false;
    }
    return true;
}

bool writeImage(const QDir &folder, const QString &name, const QImage &image, int quality = -1)
{
    // Stored without alpha premultiplication, as image files expect.
    const QImage out = name.endsWith(QLatin1String(".jpg")) ? image.convertToFormat(QImage::Format_RGB32)
                                                            : image.convertToFormat(QImage::Format_ARGB32);
    if (!out.save(folder.filePath(name), nullptr, quality)) {
        QTextStream(stderr) << "cannot write " << folder.filePath(name) << '\n';
        return false;
    }
    return true;
}

QList<QImage> sizes(QImage (*draw)(int), std::initializer_list<int> list)
{
    QList<QImage> images;
    for (int size : list)
        images << draw(size);
    return images;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        QTextStream(stderr) << "usage: brevanto-art <output folder>\n";
        return 2;
    }
    QDir folder(args.at(1));
    if (!folder.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "cannot create " << args.at(1) << '\n';
        return 1;
    }

    bool ok = true;
    for (int size : {256, 128}) {
        const QString base = QStringLiteral("VectorScopeBackground-S05x%1").arg(size);
        ok &= writeImage(folder, base + QStringLiteral(".png"), VectorscopeGraticule::draw(size, VectorscopeGraticule::Dark));
        ok &= writeImage(folder, base + QStringLiteral("b.png"), VectorscopeGraticule::draw(size, VectorscopeGraticule::Light));
    }
    for (int variant = 1; variant <= LockImage::Variants; ++variant)
        ok &= writeImage(folder, QStringLiteral("lock-image-%1.png").arg(variant), LockImage::draw(variant, 64));

    ok &= writeImage(folder, QStringLiteral("cubrix.png"), CubrixIcon::draw(256));
    ok &= writeBytes(folder, QStringLiteral("Cubrix.ico"), IconContainer::ico(sizes(&CubrixIcon::draw, {16, 32, 48, 256})));
    ok &= writeBytes(folder, QStringLiteral("Cubrix.icns"), IconContainer::icns(sizes(&CubrixIcon::draw, {32, 128, 256, 512})));
    ok &= writeBytes(folder, QStringLiteral("monitor.icns"), IconContainer::icns(sizes(&MonitorArt::drawIcon, {32, 128, 256, 512})));

    const QSize picture(480, 300);
    ok &= writeImage(folder, QStringLiteral("kt-series.jpg"), MonitorArt::drawSeries(MonitorArt::KtSeries, picture), 90);
    ok &= writeImage(folder, QStringLiteral("tl-series.png"), MonitorArt::drawSeries(MonitorArt::TlSeries, picture));
    ok &= writeImage(folder, QStringLiteral("sn-pr-series.png"), MonitorArt::drawSeries(MonitorArt::SnPrSeries, picture));
    return ok ? 0 : 1;
}
