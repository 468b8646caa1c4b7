// Scope frames into surface data: waveform and vector geometry, gain masks, the kept vector
// frame, series handling and the pre-allocated arrays. No connection: request attempts fail
// (and are logged) without affecting what is drawn.
#include "scope/scopestream.h"
#include "scopetesthelpers.h"
#include "testdevice.h"

#include <QSignalSpy>
#include <QtDataVisualization/QSurface3DSeries>
#include <QtTest>
#include <cmath>
#include <memory>

using QtDataVisualization::QSurface3DSeries;
using QtDataVisualization::QSurfaceDataItem;
using QtDataVisualization::QSurfaceDataProxy;
using namespace ScopeTest;

namespace {
const double Pi = 3.14159265358979323846;

// Straightforward reading of the frame layout: line L of the payload is row 127 - L.
QString waveformMismatch(const QSurfaceDataProxy *proxy, const QByteArray &payload)
{
    if (proxy->rowCount() != 128 || proxy->columnCount() != 240)
        return QStringLiteral("size %1 x %2").arg(proxy->rowCount()).arg(proxy->columnCount());
    for (int row = 0; row < 128; ++row) {
        const int line = 127 - row;
        for (int column = 0; column < 240; ++column) {
            const QVector3D p = proxy->itemAt(row, column)->position();
            const float level = float(quint8(payload.at(line * 256 + column)));
            if (p.x() != float(column) || p.y() != level || p.z() != float(row))
                return QStringLiteral("row %1 column %2: (%3, %4, %5), expected (%6, %7, %8)")
                    .arg(row).arg(column).arg(p.x()).arg(p.y()).arg(p.z()).arg(column).arg(level).arg(row);
        }
    }
    return QString();
}

double circularDistance(double a, double b)
{
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

// Polar reading of the vector frame: angle 0 at the top (dy < 0), clockwise in screen terms.
QString vectorMismatch(const QSurfaceDataProxy *proxy, const QByteArray &payload, int gain)
{
    if (proxy->rowCount() != 128 || proxy->columnCount() != 128)
        return QStringLiteral("size %1 x %2").arg(proxy->rowCount()).arg(proxy->columnCount());
    const int maskSquared = gain == 2 ? 35 * 35 : gain == 4 ? 18 * 18 : -1;
    for (int row = 0; row < 128; ++row) {
        for (int column = 0; column < 128; ++column) {
            const int dx = column - 64;
            const int dy = row - 64;
            const int squared = dx * dx + dy * dy;
            const double radius = std::sqrt(double(squared));
            double angle = std::atan2(double(dy), double(dx)) * 180.0 / Pi + 90.0;
            if (angle < 0.0)
                angle += 360.0;
            float level = float(quint8(payload.at(row * 128 + column)));
            if (maskSquared >= 0 && squared >= maskSquared)
                level = 0.0f;
            const QVector3D p = proxy->itemAt(row, column)->position();
            if (circularDistance(p.x(), angle) > 1e-3 || p.y() != level || std::fabs(p.z() - radius) > 1e-4)
                return QStringLiteral("row %1 column %2: (%3, %4, %5), expected (%6, %7, %8)")
                    .arg(row).arg(column).arg(p.x()).arg(p.y()).arg(p.z()).arg(angle).arg(level).arg(radius);
            if (p.x() < 0.0f || p.x() > 360.0f)
                return QStringLiteral("row %1 column %2: angle %3 outside 0..360").arg(row).arg(column).arg(p.x());
        }
    }
    return QString();
}

// A stream as a device owns it, on a device that never connects.
struct RenderRig {
    TestDevice device;
    std::unique_ptr<ScopeStream> stream;
    QSurface3DSeries waveformSeries;
    QSurface3DSeries vectorSeries;

    RenderRig()
    {
        stream = std::make_unique<ScopeStream>(device.socketHandler(), nullptr);
        stream->setDataSeries_Wave(&waveformSeries);
        stream->setDataSeries_Vector(&vectorSeries);
    }
    ~RenderRig() { stream.reset(); }

    QSurfaceDataProxy *waveform() { return waveformSeries.dataProxy(); }
    QSurfaceDataProxy *vector() { return vectorSeries.dataProxy(); }
};
} // namespace

class TestScopeRender : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void waveformGeometry_data();
    void waveformGeometry();
    void vectorGeometry_data();
    void vectorGeometry();
    void vectorLandmarks_data();
    void vectorLandmarks();
    void gainMaskBoundary_data();
    void gainMaskBoundary();
    void bothFrameSplits();
    void freshArrayEveryFrame();
    void gainAcceptsOnlyOneTwoFour_data();
    void gainAcceptsOnlyOneTwoFour();
    void keptVectorFrameRedrawnOnGainChange();
    void keptVectorFrameFromBothFrame();
    void keptWhileWaveformPlays_data();
    void keptWhileWaveformPlays();
    void noRedrawWhileVectorPlays_data();
    void noRedrawWhileVectorPlays();
    void shortFramesNeverDrawnNorKept_data();
    void shortFramesNeverDrawnNorKept();
    void idleWaveformFrameIgnored();
    void seriesNotSet();
    void destroyedSeriesIsNotDrawn();
    void deleteSeries_data();
    void deleteSeries();
    void generateData_data();
    void generateData();
    void generateDataReplacesRows();
    void lifecycleLines();
};

void TestScopeRender::initTestCase()
{
    enableDebugLines();
}

void TestScopeRender::waveformGeometry_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("random") << randomBytes(WaveformBytes, 1);
    QByteArray ramp(WaveformBytes, '\0');
    for (int i = 0; i < ramp.size(); ++i)
        ramp[i] = char((i * 7 + i / 256) & 0xFF);
    QTest::newRow("ramp") << ramp;
    // Bytes 240..255 of each line are padding: fill them with 255 on a black frame.
    QByteArray padded(WaveformBytes, '\0');
    for (int line = 0; line < 128; ++line)
        for (int column = 240; column < 256; ++column)
            padded[line * 256 + column] = char(0xFF);
    padded[0] = 5;                   // first line, first column: top row
    padded[127 * 256 + 239] = 9;     // last line, last used column: bottom row
    QTest::newRow("padding and corners") << padded;
    QTest::newRow("longer than a frame") << randomBytes(WaveformBytes + 500, 2);
}

void TestScopeRender::waveformGeometry()
{
    QFETCH(QByteArray, payload);
    RenderRig rig;
    rig.stream->startStopPlayback(1, true);
    QTest::ignoreMessage(QtDebugMsg, "Waveform ResetArray Called");
    rig.stream->receiveFrame(payload, 1);
    const QString mismatch = waveformMismatch(rig.waveform(), payload);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    QCOMPARE(rig.vector()->rowCount(), 0);
}

void TestScopeRender::vectorGeometry_data()
{
    QTest::addColumn<int>("gain");
    QTest::addColumn<QByteArray>("payload");
    for (int gain : {1, 2, 4}) {
        QTest::addRow("gain %d random", gain) << gain << randomBytes(VectorBytes, quint32(20 + gain));
        QTest::addRow("gain %d all 200", gain) << gain << QByteArray(VectorBytes, char(200));
    }
}

void TestScopeRender::vectorGeometry()
{
    QFETCH(int, gain);
    QFETCH(QByteArray, payload);
    RenderRig rig;
    rig.stream->setVectorGain(uchar(gain));
    QCOMPARE(rig.stream->vectorGain(), quint8(gain));
    rig.stream->startStopPlayback(2, true);
    QTest::ignoreMessage(QtDebugMsg, "Vector ResetArray Called");
    rig.stream->receiveFrame(payload, 2);
    const QString mismatch = vectorMismatch(rig.vector(), payload, gain);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    QCOMPARE(rig.waveform()->rowCount(), 0);
}

void TestScopeRender::vectorLandmarks_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<double>("angle");
    QTest::addColumn<double>("radius");
    // Hand-worked points of the polar plane around the centre (64, 64).
    QTest::newRow("top") << 0 << 64 << 0.0 << 64.0;
    QTest::newRow("right") << 64 << 127 << 90.0 << 63.0;
    QTest::newRow("bottom") << 127 << 64 << 180.0 << 63.0;
    QTest::newRow("left") << 64 << 0 << 270.0 << 64.0;
    QTest::newRow("top right diagonal") << 54 << 74 << 45.0 << std::sqrt(200.0);
    QTest::newRow("bottom left diagonal") << 74 << 54 << 225.0 << std::sqrt(200.0);
    QTest::newRow("3-4-5 triangle") << 64 + 28 << 64 + 21 << 90.0 + std::atan(28.0 / 21.0) * 180.0 / Pi << 35.0;
    QTest::newRow("centre") << 64 << 64 << 90.0 << 0.0;
}

void TestScopeRender::vectorLandmarks()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(double, angle);
    QFETCH(double, radius);
    RenderRig rig;
    QByteArray payload(VectorBytes, '\0');
    payload[row * 128 + column] = char(123);
    rig.stream->startStopPlayback(2, true);
    rig.stream->receiveFrame(payload, 2);
    QCOMPARE(rig.vector()->rowCount(), 128);
    const QVector3D p = rig.vector()->itemAt(row, column)->position();
    QVERIFY2(circularDistance(p.x(), angle) < 1e-3, qPrintable(QString::number(p.x())));
    QCOMPARE(p.y(), 123.0f);
    QVERIFY2(std::fabs(p.z() - radius) < 1e-4, qPrintable(QString::number(p.z())));
}

void TestScopeRender::gainMaskBoundary_data()
{
    QTest::addColumn<int>("gain");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("visible");
    QTest::newRow("gain 2, radius 34") << 2 << 64 << 64 + 34 << true;
    QTest::newRow("gain 2, radius 35 straight") << 2 << 64 - 35 << 64 << false;
    QTest::newRow("gain 2, radius 35 (21, 28)") << 2 << 64 + 28 << 64 + 21 << false;
    QTest::newRow("gain 2, radius 34.99 (30, 18)") << 2 << 64 + 18 << 64 + 30 << true; // 900 + 324 = 1224
    QTest::newRow("gain 2, radius 36") << 2 << 64 << 64 - 36 << false;
    QTest::newRow("gain 4, radius 17") << 4 << 64 + 17 << 64 << true;
    QTest::newRow("gain 4, radius 18") << 4 << 64 << 64 + 18 << false;
    QTest::newRow("gain 4, (12, 13) radius 17.7") << 4 << 64 + 12 << 64 + 13 << true;
    QTest::newRow("gain 4, (13, 13) radius 18.4") << 4 << 64 - 13 << 64 - 13 << false;
    QTest::newRow("gain 1, far corner") << 1 << 0 << 0 << true;
}

void TestScopeRender::gainMaskBoundary()
{
    QFETCH(int, gain);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(bool, visible);
    RenderRig rig;
    rig.stream->setVectorGain(uchar(gain));
    rig.stream->startStopPlayback(2, true);
    rig.stream->receiveFrame(QByteArray(VectorBytes, char(77)), 2);
    QCOMPARE(rig.vector()->rowCount(), 128);
    QCOMPARE(rig.vector()->itemAt(row, column)->position().y(), visible ? 77.0f : 0.0f);
}

void TestScopeRender::bothFrameSplits()
{
    RenderRig rig;
    rig.stream->startStopPlayback(1, true);
    rig.stream->startStopPlayback(2, true);
    QCOMPARE(rig.stream->isPlaying(), quint8(3));
    rig.stream->setVectorGain(2);

    const QByteArray waveformPart = randomBytes(WaveformBytes, 30);
    const QByteArray vectorPart = randomBytes(VectorBytes, 31);
    QTest::ignoreMessage(QtDebugMsg, "Waveform ResetArray Called");
    QTest::ignoreMessage(QtDebugMsg, "Vector ResetArray Called");
    rig.stream->receiveFrame(waveformPart + vectorPart, 3);

    QString mismatch = waveformMismatch(rig.waveform(), waveformPart);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    mismatch = vectorMismatch(rig.vector(), vectorPart, 2);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    // Drawn frames are not the kept one: that is only for a vector display at rest.
    QCOMPARE(rig.stream->lastVectorFrame(), QByteArray());
}

void TestScopeRender::freshArrayEveryFrame()
{
    RenderRig rig;
    QSignalSpy resets(rig.waveform(), &QSurfaceDataProxy::arrayReset);
    rig.stream->startStopPlayback(1, true);
    const QByteArray first = randomBytes(WaveformBytes, 40);
    const QByteArray second = randomBytes(WaveformBytes, 41);
    rig.stream->receiveFrame(first, 1);
    QString mismatch = waveformMismatch(rig.waveform(), first);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    rig.stream->receiveFrame(second, 1);
    QCOMPARE(resets.count(), 2);
    mismatch = waveformMismatch(rig.waveform(), second);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    // Not the stream's pre-allocated array: that one stays the stream's own.
    QVERIFY(rig.waveform()->array() != &rig.stream->waveformArray());
}

void TestScopeRender::gainAcceptsOnlyOneTwoFour_data()
{
    QTest::addColumn<int>("gain");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("changes");
    QTest::newRow("1 (unchanged)") << 1 << 1 << 0;
    QTest::newRow("2") << 2 << 2 << 1;
    QTest::newRow("3 ignored") << 3 << 1 << 0;
    QTest::newRow("4") << 4 << 4 << 1;
    QTest::newRow("0 ignored") << 0 << 1 << 0;
    QTest::newRow("8 ignored") << 8 << 1 << 0;
    QTest::newRow("255 ignored") << 255 << 1 << 0;
}

void TestScopeRender::gainAcceptsOnlyOneTwoFour()
{
    QFETCH(int, gain);
    QFETCH(int, expected);
    QFETCH(int, changes);
    RenderRig rig;
    QCOMPARE(rig.stream->vectorGain(), quint8(1));
    // A kept frame would be redrawn on any change: an ignored value must not redraw it.
    rig.stream->receiveFrame(randomBytes(VectorBytes, 50), 2);
    QSignalSpy gainSpy(rig.stream.get(), &ScopeStream::vectorGainChanged);
    QSignalSpy resets(rig.vector(), &QSurfaceDataProxy::arrayReset);
    QVERIFY(rig.stream->setProperty("vectorGain", QVariant::fromValue(uchar(gain))));
    QCOMPARE(rig.stream->vectorGain(), quint8(expected));
    QCOMPARE(gainSpy.count(), changes);
    QCOMPARE(resets.count(), changes);
}

void TestScopeRender::keptVectorFrameRedrawnOnGainChange()
{
    RenderRig rig;
    const QByteArray payload = randomBytes(VectorBytes, 60);
    // Nothing plays: the frame is kept, not drawn.
    rig.stream->receiveFrame(payload, 2);
    QCOMPARE(rig.vector()->rowCount(), 0);
    QCOMPARE(rig.stream->lastVectorFrame(), payload);

    QTest::ignoreMessage(QtDebugMsg, "Vector ResetArray Called");
    QTest::ignoreMessage(QtDebugMsg, "VectorGain: 4,  PlaybackState: 0");
    rig.stream->setVectorGain(4);
    QString mismatch = vectorMismatch(rig.vector(), payload, 4);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));

    QTest::ignoreMessage(QtDebugMsg, "VectorGain: 2,  PlaybackState: 0");
    rig.stream->setVectorGain(2);
    mismatch = vectorMismatch(rig.vector(), payload, 2);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));

    rig.stream->setVectorGain(1);
    mismatch = vectorMismatch(rig.vector(), payload, 1);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
}

void TestScopeRender::keptVectorFrameFromBothFrame()
{
    RenderRig rig;
    const QByteArray waveformPart = randomBytes(WaveformBytes, 70);
    const QByteArray vectorPart = randomBytes(VectorBytes, 71);
    rig.stream->receiveFrame(waveformPart + vectorPart, 3);
    QCOMPARE(rig.waveform()->rowCount(), 0);
    QCOMPARE(rig.vector()->rowCount(), 0);
    QCOMPARE(rig.stream->lastVectorFrame(), vectorPart);

    rig.stream->setVectorGain(2);
    const QString mismatch = vectorMismatch(rig.vector(), vectorPart, 2);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
}

void TestScopeRender::keptWhileWaveformPlays_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("vector frame") << 2;
    QTest::newRow("both frame") << 3;
}

void TestScopeRender::keptWhileWaveformPlays()
{
    QFETCH(int, type);
    RenderRig rig;
    rig.stream->startStopPlayback(1, true);
    const QByteArray vectorPart = randomBytes(VectorBytes, 80);
    const QByteArray payload = type == 3 ? randomBytes(WaveformBytes, 81) + vectorPart : vectorPart;
    rig.stream->receiveFrame(payload, type);
    // Neither scope is drawn from a frame of the wrong kind, but the vector part is kept.
    QCOMPARE(rig.waveform()->rowCount(), 0);
    QCOMPARE(rig.vector()->rowCount(), 0);
    QCOMPARE(rig.stream->lastVectorFrame(), vectorPart);

    QTest::ignoreMessage(QtDebugMsg, "VectorGain: 4,  PlaybackState: 1");
    rig.stream->setVectorGain(4);
    const QString mismatch = vectorMismatch(rig.vector(), vectorPart, 4);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
}

void TestScopeRender::noRedrawWhileVectorPlays_data()
{
    QTest::addColumn<int>("playing");
    QTest::newRow("vector") << 2;
    QTest::newRow("both") << 3;
}

void TestScopeRender::noRedrawWhileVectorPlays()
{
    QFETCH(int, playing);
    RenderRig rig;
    rig.stream->receiveFrame(randomBytes(VectorBytes, 90), 2);
    QVERIFY(!rig.stream->lastVectorFrame().isEmpty());
    if (playing & 1)
        rig.stream->startStopPlayback(1, true);
    rig.stream->startStopPlayback(2, true);
    QCOMPARE(rig.stream->isPlaying(), quint8(playing));

    // The live stream draws with the new gain itself; the kept frame would overwrite it.
    QSignalSpy resets(rig.vector(), &QSurfaceDataProxy::arrayReset);
    rig.stream->setVectorGain(4);
    QCOMPARE(rig.stream->vectorGain(), quint8(4));
    QCOMPARE(resets.count(), 0);
}

void TestScopeRender::shortFramesNeverDrawnNorKept_data()
{
    QTest::addColumn<int>("playing");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::newRow("idle, vector 16000") << 0 << 2 << 16000;
    QTest::newRow("idle, vector empty") << 0 << 2 << 0;
    QTest::newRow("idle, both 40000") << 0 << 3 << 40000;
    QTest::newRow("idle, both 100") << 0 << 3 << 100;
    QTest::newRow("waveform, vector 16383") << 1 << 2 << 16383;
    QTest::newRow("waveform, both 49151") << 1 << 3 << 49151;
    QTest::newRow("waveform, waveform 32767") << 1 << 1 << 32767;
    QTest::newRow("vector, vector 16000") << 2 << 2 << 16000;
    QTest::newRow("both, both 32768") << 3 << 3 << 32768;
    QTest::newRow("both, both empty") << 3 << 3 << 0;
}

void TestScopeRender::shortFramesNeverDrawnNorKept()
{
    QFETCH(int, playing);
    QFETCH(int, type);
    QFETCH(int, size);
    RenderRig rig;
    if (playing & 1)
        rig.stream->startStopPlayback(1, true);
    if (playing & 2)
        rig.stream->startStopPlayback(2, true);
    QSignalSpy waveformResets(rig.waveform(), &QSurfaceDataProxy::arrayReset);
    QSignalSpy vectorResets(rig.vector(), &QSurfaceDataProxy::arrayReset);

    rig.stream->receiveFrame(randomBytes(size, 100), type);
    QCOMPARE(waveformResets.count(), 0);
    QCOMPARE(vectorResets.count(), 0);
    QCOMPARE(rig.stream->lastVectorFrame(), QByteArray());

    // A later gain change has nothing to redraw (and must not read a truncated frame).
    rig.stream->stopPlayback(3);
    rig.stream->setVectorGain(4);
    QCOMPARE(vectorResets.count(), 0);
}

void TestScopeRender::idleWaveformFrameIgnored()
{
    RenderRig rig;
    rig.stream->receiveFrame(randomBytes(WaveformBytes, 110), 1);
    QCOMPARE(rig.waveform()->rowCount(), 0);
    QCOMPARE(rig.stream->lastVectorFrame(), QByteArray());
}

void TestScopeRender::seriesNotSet()
{
    TestDevice device;
    ScopeStream stream(device.socketHandler(), nullptr);
    stream.startStopPlayback(1, true);
    stream.startStopPlayback(2, true);
    // Nothing to draw into: the frame passes without effect.
    stream.receiveFrame(randomBytes(BothBytes, 120), 3);
    const QByteArray kept = randomBytes(VectorBytes, 121);
    stream.stopPlayback(3);
    stream.receiveFrame(kept, 2);
    QCOMPARE(stream.lastVectorFrame(), kept);
    QTest::ignoreMessage(QtDebugMsg, "VectorGain: 2,  PlaybackState: 0");
    stream.setVectorGain(2);

    // Set afterwards, the series gets the next change.
    QSurface3DSeries series;
    stream.setDataSeries_Vector(&series);
    stream.setVectorGain(1);
    const QString mismatch = vectorMismatch(series.dataProxy(), kept, 1);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
}

void TestScopeRender::destroyedSeriesIsNotDrawn()
{
    TestDevice device;
    ScopeStream stream(device.socketHandler(), nullptr);
    {
        // A scope window that was closed and destroyed takes its series with it.
        QSurface3DSeries waveformSeries;
        QSurface3DSeries vectorSeries;
        stream.setDataSeries_Wave(&waveformSeries);
        stream.setDataSeries_Vector(&vectorSeries);
    }
    stream.receiveFrame(randomBytes(VectorBytes, 130), 2);
    // A new window sets the gain before it hands over its series.
    stream.setVectorGain(2);
    stream.startStopPlayback(1, true);
    stream.receiveFrame(randomBytes(WaveformBytes, 131), 1);
    QCOMPARE(stream.vectorGain(), quint8(2));
    QCOMPARE(stream.lastVectorFrame().size(), VectorBytes);
}

void TestScopeRender::deleteSeries_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("waveformDrawn");
    QTest::addColumn<bool>("vectorDrawn");
    QTest::newRow("waveform") << "waveform" << false << true;
    QTest::newRow("vector") << "vector" << true << false;
    QTest::newRow("other") << "Waveform" << true << true;
    QTest::newRow("empty") << "" << true << true;
}

void TestScopeRender::deleteSeries()
{
    QFETCH(QString, type);
    QFETCH(bool, waveformDrawn);
    QFETCH(bool, vectorDrawn);
    RenderRig rig;
    QTest::ignoreMessage(QtDebugMsg, "m_dataSeries set to NULL");
    rig.stream->deleteSeries(type);

    rig.stream->startStopPlayback(1, true);
    rig.stream->startStopPlayback(2, true);
    rig.stream->receiveFrame(randomBytes(BothBytes, 140), 3);
    QCOMPARE(rig.waveform()->rowCount(), waveformDrawn ? 128 : 0);
    QCOMPARE(rig.vector()->rowCount(), vectorDrawn ? 128 : 0);
}

void TestScopeRender::generateData_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<bool>("waveformTarget");
    QTest::newRow("waveform window") << "waveform" << 128 << 240 << true;
    QTest::newRow("vector window") << "vector" << 128 << 128 << false;
    QTest::newRow("any other text is the vector") << "scope" << 3 << 5 << false;
    QTest::newRow("no columns") << "waveform" << 4 << 0 << true;
    QTest::newRow("negative rows") << "waveform" << -1 << 10 << true;
    QTest::newRow("negative columns") << "vector" << 2 << -5 << false;
}

void TestScopeRender::generateData()
{
    QFETCH(QString, type);
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(bool, waveformTarget);
    ScopeStream stream;
    stream.generateData_TWK(type, rows, columns);
    const auto &target = waveformTarget ? stream.waveformArray() : stream.vectorArray();
    const auto &other = waveformTarget ? stream.vectorArray() : stream.waveformArray();
    QCOMPARE(target.size(), qMax(rows, 0));
    for (const auto *row : target) {
        QCOMPARE(row->size(), qMax(columns, 0));
        for (const QSurfaceDataItem &item : *row)
            QCOMPARE(item.position(), QVector3D());
    }
    QVERIFY(other.isEmpty());
}

void TestScopeRender::generateDataReplacesRows()
{
    ScopeStream stream;
    stream.generateData_TWK("vector", 128, 128);
    stream.generateData_TWK("vector", 10, 20);
    QCOMPARE(stream.vectorArray().size(), 10);
    for (const auto *row : stream.vectorArray())
        QCOMPARE(row->size(), 20);
    stream.generateData_TWK("waveform", 128, 240);
    stream.generateData_TWK("waveform", 0, 240);
    QVERIFY(stream.waveformArray().isEmpty());
    QCOMPARE(stream.vectorArray().size(), 10);
}

void TestScopeRender::lifecycleLines()
{
    TestDevice device;
    QTest::ignoreMessage(QtDebugMsg, "SStream Constructor Completed:  \t(Initialization list only)");
    auto stream = std::make_unique<ScopeStream>(device.socketHandler(), nullptr);
    stream->generateData_TWK("waveform", 128, 240);
    QTest::ignoreMessage(QtDebugMsg, "SStream Destructor Completed");
    stream.reset();

    // The QML-side stream is not wired to redraw on gain changes.
    ScopeStream qmlSide;
    QSurface3DSeries series;
    qmlSide.setDataSeries_Vector(&series);
    const QByteArray kept = randomBytes(VectorBytes, 150);
    qmlSide.receiveFrame(kept, 2);
    QCOMPARE(qmlSide.lastVectorFrame(), kept);
    QSignalSpy gainSpy(&qmlSide, &ScopeStream::vectorGainChanged);
    qmlSide.setVectorGain(4);
    QCOMPARE(gainSpy.count(), 1);
    QCOMPARE(qmlSide.vectorGain(), quint8(4));
    QCOMPARE(series.dataProxy()->rowCount(), 0);
}

QTEST_MAIN(TestScopeRender)
#include "tst_scoperender.moc"
