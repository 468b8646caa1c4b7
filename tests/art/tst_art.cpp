// The picture generator: BT.709 target positions against published colour-bar codes, the
// graticule drawn where the targets are, and icon files that other readers can open.
#include "bt709targets.h"
#include "cubrixicon.h"
#include "iconcontainer.h"
#include "lockimage.h"
#include "monitorart.h"
#include "vectorscopegraticule.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>
#include <QtTest>

namespace {
quint32 be32At(const QByteArray &bytes, int offset)
{
    return qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(bytes.constData() + offset));
}

bool sameArgb(const QImage &a, const QImage &b)
{
    return a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}
} // namespace

class TestArt : public QObject
{
    Q_OBJECT
private slots:
    void fullBarsMatchPublishedTenBitCodes_data();
    void fullBarsMatchPublishedTenBitCodes();
    void seventyFivePercentBarsMatchPublishedEightBitCodes_data();
    void seventyFivePercentBarsMatchPublishedEightBitCodes();
    void graticuleDrawsTargetsWhereTheyBelong();
    void graticuleVariantsDiffer();
    void icoOpensWithEverySize();
    void icnsMembersAreSizedPngs();
    void picturesHaveTheirSizes();
};

void TestArt::fullBarsMatchPublishedTenBitCodes_data()
{
    // 100 % colour bars, BT.709 10-bit narrow range (SMPTE RP 219 / ITU-R BT.709 tables).
    QTest::addColumn<int>("bar");
    QTest::addColumn<int>("cb");
    QTest::addColumn<int>("cr");
    QTest::newRow("red") << 0 << 409 << 960;
    QTest::newRow("magenta") << 1 << 857 << 919;
    QTest::newRow("blue") << 2 << 960 << 471;
    QTest::newRow("cyan") << 3 << 615 << 64;
    QTest::newRow("green") << 4 << 167 << 105;
    QTest::newRow("yellow") << 5 << 64 << 553;
}

void TestArt::fullBarsMatchPublishedTenBitCodes()
{
    QFETCH(int, bar);
    QFETCH(int, cb);
    QFETCH(int, cr);
    const auto targets = Bt709Targets::targets(1.0);
    QCOMPARE(targets.size(), 6);
    QCOMPARE(Bt709Targets::tenBitCode(targets[bar].cb), cb);
    QCOMPARE(Bt709Targets::tenBitCode(targets[bar].cr), cr);
}

void TestArt::seventyFivePercentBarsMatchPublishedEightBitCodes_data()
{
    // 75 % colour bars, BT.709 8-bit narrow range (128 +/- 112).
    QTest::addColumn<int>("bar");
    QTest::addColumn<int>("cb");
    QTest::addColumn<int>("cr");
    QTest::newRow("red") << 0 << 109 << 212;
    QTest::newRow("magenta") << 1 << 193 << 204;
    QTest::newRow("blue") << 2 << 212 << 120;
    QTest::newRow("cyan") << 3 << 147 << 44;
    QTest::newRow("green") << 4 << 63 << 52;
    QTest::newRow("yellow") << 5 << 44 << 136;
}

void TestArt::seventyFivePercentBarsMatchPublishedEightBitCodes()
{
    QFETCH(int, bar);
    QFETCH(int, cb);
    QFETCH(int, cr);
    const auto targets = Bt709Targets::targets(0.75);
    QCOMPARE(int(std::lround(128 + 224 * targets[bar].cb)), cb);
    QCOMPARE(int(std::lround(128 + 224 * targets[bar].cr)), cr);
}

void TestArt::graticuleDrawsTargetsWhereTheyBelong()
{
    const int size = 256;
    QCOMPARE(VectorscopeGraticule::position(size, 0, 0), QPointF(128, 128));
    // Cb grows to the right, Cr upwards.
    QVERIFY(VectorscopeGraticule::position(size, 0.5, 0).x() > 128);
    QVERIFY(VectorscopeGraticule::position(size, 0, 0.5).y() < 128);

    const QImage image = VectorscopeGraticule::draw(size, VectorscopeGraticule::Dark);
    QCOMPARE(image.size(), QSize(size, size));
    // The 100 % box outline passes about 2.5 px from the target point: some pixel near each
    // target carries that bar's colour, which appears nowhere near the centre.
    for (const auto &target : Bt709Targets::targets(1.0)) {
        const QPoint at = VectorscopeGraticule::position(size, target.cb, target.cr).toPoint();
        QVERIFY(QRect(0, 0, size, size).contains(at));
        bool found = false;
        for (int dy = -4; dy <= 4 && !found; ++dy) {
            for (int dx = -4; dx <= 4 && !found; ++dx) {
                const QColor pixel = image.pixelColor(at.x() + dx, at.y() + dy);
                found = qAbs(pixel.hue() - target.colour.hue()) < 20 && pixel.saturation() > 80;
            }
        }
        QVERIFY2(found, qPrintable(target.name));
        const QColor centre = image.pixelColor(128 + 10, 128 + 10);
        QVERIFY(centre.saturation() < 40);
    }
}

void TestArt::graticuleVariantsDiffer()
{
    const QImage dark = VectorscopeGraticule::draw(128, VectorscopeGraticule::Dark);
    const QImage light = VectorscopeGraticule::draw(128, VectorscopeGraticule::Light);
    QVERIFY(qGray(dark.pixel(2, 2)) < 64);
    QVERIFY(qGray(light.pixel(2, 2)) > 192);
}

void TestArt::icoOpensWithEverySize()
{
    const QList<int> sizes{16, 32, 48, 256};
    QList<QImage> images;
    for (int size : sizes)
        images << CubrixIcon::draw(size);
    QByteArray bytes = IconContainer::ico(images);
    // Header: reserved 0, type 1 (icon), count.
    QCOMPARE(bytes.left(6), QByteArray("\x00\x00\x01\x00\x04\x00", 6));

    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "ico");
    QVERIFY2(reader.canRead(), qPrintable(reader.errorString()));
    QCOMPARE(reader.imageCount(), sizes.size());
    for (int i = 0; i < sizes.size(); ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage read = reader.read();
        QVERIFY2(!read.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(read.size(), QSize(sizes[i], sizes[i]));
        QVERIFY2(sameArgb(read, images[i]), qPrintable(QString::number(sizes[i])));
    }
}

void TestArt::icnsMembersAreSizedPngs()
{
    const QList<int> sizes{32, 128, 256, 512};
    QList<QImage> images;
    for (int size : sizes)
        images << MonitorArt::drawIcon(size);
    const QByteArray bytes = IconContainer::icns(images);
    QCOMPARE(bytes.left(4), QByteArray("icns"));
    QCOMPARE(int(be32At(bytes, 4)), bytes.size());

    const QList<QByteArray> types{"icp5", "ic07", "ic08", "ic09"};
    int offset = 8;
    for (int i = 0; i < sizes.size(); ++i) {
        QVERIFY(offset + 8 <= bytes.size());
        QCOMPARE(bytes.mid(offset, 4), types[i]);
        const int length = int(be32At(bytes, offset + 4));
        QVERIFY(length > 8 && offset + length <= bytes.size());
        const QImage member = QImage::fromData(bytes.mid(offset + 8, length - 8), "PNG");
        QCOMPARE(member.size(), QSize(sizes[i], sizes[i]));
        QVERIFY(sameArgb(member, images[i]));
        offset += length;
    }
    QCOMPARE(offset, bytes.size());
    QVERIFY(IconContainer::icnsType(100).isEmpty());
}

void TestArt::picturesHaveTheirSizes()
{
    for (int variant = 1; variant <= LockImage::Variants; ++variant) {
        const QImage lock = LockImage::draw(variant, 64);
        QCOMPARE(lock.size(), QSize(64, 64));
        QCOMPARE(qAlpha(lock.pixel(0, 0)), 0);
        QVERIFY(qAlpha(lock.pixel(32, 45)) > 200);
    }
    // Locked and unlocked differ in the shackle.
    QVERIFY(LockImage::draw(1, 64) != LockImage::draw(2, 64));
    const QImage kt = MonitorArt::drawSeries(MonitorArt::KtSeries, QSize(480, 300));
    QCOMPARE(qAlpha(kt.pixel(0, 0)), 255);
    const QImage tl = MonitorArt::drawSeries(MonitorArt::TlSeries, QSize(480, 300));
    QCOMPARE(qAlpha(tl.pixel(0, 0)), 0);
}

QTEST_GUILESS_MAIN(TestArt)
#include "tst_art.moc"
