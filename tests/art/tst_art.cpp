// The picture generator: BT.709 target positions against published colour-bar codes, the
// graticule drawn where the targets are, and icon files that other readers can open.
#include "bt709targets.h"
#include "cubrixicon.h"
#include "iconcontainer.h"
#include "monitorart.h"
#include "vectorscopegraticule.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>
#include <QtTest>

class TestArt : public QObject
{
    Q_OBJECT
private slots:
    void barTargetsMatchPublishedCodes()
    {
        // Red, magenta, blue, cyan, green, yellow: 100 % bars as 10-bit Cb, Cr (SMPTE RP 219), 75 %
        // bars as 8-bit ones (128 +/- 112), both narrow range.
        const int codes[6][4] = {{409, 960, 109, 212}, {857, 919, 193, 204}, {960, 471, 212, 120},
                                 {615, 64, 147, 44},   {167, 105, 63, 52},   {64, 553, 44, 136}};
        const auto full = Bt709Targets::targets(1.0), threeQuarters = Bt709Targets::targets(0.75);
        QCOMPARE(full.size(), 6);
        for (int bar = 0; bar < 6; ++bar) {
            const int got[4] = {Bt709Targets::tenBitCode(full[bar].cb), Bt709Targets::tenBitCode(full[bar].cr),
                                int(std::lround(128 + 224 * threeQuarters[bar].cb)), int(std::lround(128 + 224 * threeQuarters[bar].cr))};
            QVERIFY2(std::equal(got, got + 4, codes[bar]), qPrintable(full[bar].name));
        }
    }

    void graticuleDrawsTheTargets()
    {
        // Cb grows to the right, Cr upwards; near each 100 % target a pixel has its bar's colour,
        // which is nowhere near the centre. The light variant is light where the dark one is dark.
        QVERIFY(VectorscopeGraticule::position(256, 0, 0) == QPointF(128, 128) && VectorscopeGraticule::position(256, 0.5, 0).x() > 128
                && VectorscopeGraticule::position(256, 0, 0.5).y() < 128);
        const QImage image = VectorscopeGraticule::draw(256, VectorscopeGraticule::Dark);
        QVERIFY(image.size() == QSize(256, 256) && image.pixelColor(138, 138).saturation() < 40);
        for (const auto &target : Bt709Targets::targets(1.0)) {
            const QPoint at = VectorscopeGraticule::position(256, target.cb, target.cr).toPoint();
            bool found = false;
            for (int d = 0; d < 81 && !found; ++d) {
                const QColor pixel = image.pixelColor(at + QPoint(d % 9 - 4, d / 9 - 4));
                found = qAbs(pixel.hue() - target.colour.hue()) < 20 && pixel.saturation() > 80;
            }
            QVERIFY2(found, qPrintable(target.name));
        }
        QVERIFY(qGray(image.pixel(2, 2)) < 64 && qGray(VectorscopeGraticule::draw(128, VectorscopeGraticule::Light).pixel(2, 2)) > 192);
    }

    void iconFilesOpenElsewhere()
    {
        // An .ico (reserved 0, type 1, four images) that Qt's reader opens image by image.
        QList<QImage> images{CubrixIcon::draw(16), CubrixIcon::draw(32), CubrixIcon::draw(48), CubrixIcon::draw(256)};
        QByteArray ico = IconContainer::ico(images);
        QCOMPARE(ico.left(6), QByteArray("\x00\x00\x01\x00\x04\x00", 6));
        QBuffer buffer(&ico);
        QImageReader reader(&buffer, "ico");
        for (int i = 0; i < 4; ++i)
            QVERIFY(reader.imageCount() == 4 && reader.jumpToImage(i) && reader.read().convertToFormat(QImage::Format_ARGB32) == images[i].convertToFormat(QImage::Format_ARGB32));
        // An .icns: its length, then members of type and length, each a PNG of its size.
        images = {MonitorArt::drawIcon(32), MonitorArt::drawIcon(128), MonitorArt::drawIcon(256), MonitorArt::drawIcon(512)};
        const QByteArray icns = IconContainer::icns(images);
        const auto be32 = [&icns](int at) { return int(qFromBigEndian<quint32>(icns.constData() + at)); };
        QVERIFY(icns.startsWith("icns") && be32(4) == icns.size() && IconContainer::icnsType(100).isEmpty());
        int at = 8;
        for (int i = 0; i < 4; at += be32(at + 4), ++i) {
            QCOMPARE(icns.mid(at, 4), QByteArrayList({"icp5", "ic07", "ic08", "ic09"})[i]);
            QCOMPARE(QImage::fromData(icns.mid(at + 8, be32(at + 4) - 8), "PNG").convertToFormat(QImage::Format_ARGB32),
                     images[i].convertToFormat(QImage::Format_ARGB32));
        }
        QCOMPARE(at, icns.size());
    }
};

QTEST_GUILESS_MAIN(TestArt)
#include "tst_art.moc"
