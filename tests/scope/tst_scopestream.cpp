// The scope stream on a transport connected to the fake device: playback and its requests, the pull
// loop, frames drawn (against the layout and polar plane written out here), gain; the axis graticule.
#include "scope/customlabelswaveform.h"
#include "scope/scopestream.h"
#include "bytes.h"
#include "logcapture.h"
#include "fakedevice.h"
#include "testdevice.h"

#include <QSignalSpy>
#include <QtTest>
#include <cmath>
#include <memory>

using namespace QtDataVisualization;

namespace {
constexpr int WaveformBytes = 32768, VectorBytes = 16384, BothBytes = 49152;
// Long enough for a stray request to come through loopback.
constexpr int QuietMs = 150;

// Line L of a waveform frame is row 127 - L; bytes 0 to 239 of a line are its columns.
bool waveformDrawn(QSurfaceDataProxy *proxy, const QByteArray &frame)
{
    for (int row = 0; proxy->rowCount() == 128 && proxy->columnCount() == 240 && row < 128; ++row)
        for (int column = 0; column < 240; ++column)
            if (proxy->itemAt(row, column)->position() != QVector3D(column, quint8(frame[(127 - row) * 256 + column]), row))
                return false;
    return proxy->rowCount() == 128;
}

// The byte at line r, column c is at (c - 64, r - 64) of the plane: drawn at its angle (0 at the
// top, clockwise on screen) and radius, blanked from radius 35 on at gain 2 and 18 at gain 4.
bool vectorDrawn(QSurfaceDataProxy *proxy, const QByteArray &frame, int gain)
{
    for (int i = 0; proxy->rowCount() == 128 && proxy->columnCount() == 128 && i < VectorBytes; ++i) {
        const int dx = i % 128 - 64, dy = i / 128 - 64, squared = dx * dx + dy * dy;
        const double angle = std::fmod(std::atan2(dy, dx) * 180.0 / M_PI + 450.0, 360.0);
        const bool blank = (gain == 2 && squared >= 35 * 35) || (gain == 4 && squared >= 18 * 18);
        const QVector3D p = proxy->itemAt(i / 128, i % 128)->position();
        if (std::fabs(std::remainder(p.x() - angle, 360.0)) > 1e-3 || p.x() < 0 || p.x() > 360 || std::fabs(p.z() - std::sqrt(squared)) > 1e-4
            || p.y() != (blank ? 0 : quint8(frame[i])))
            return false;
    }
    return proxy->rowCount() == 128;
}

// One device tab as far as the scope is concerned; the device acknowledges every request and
// hands scope replies to the stream with the reply's request as the frame type.
struct ScopeRig {
    FakeDevice fake;
    TestDevice device{0};
    std::unique_ptr<ScopeStream> stream;
    QSurface3DSeries waveform, vector;

    bool connect(bool andConnect = true)
    {
        if (!fake.listen())
            return false;
        device.setPort(fake.port());
        device.setAddress(fake.address());
        stream = std::make_unique<ScopeStream>(device.socketHandler(), nullptr);
        stream->setDataSeries_Wave(&waveform);
        stream->setDataSeries_Vector(&vector);
        device.onReply = [this](const TestDevice::Reply &reply) {
            if (reply.header.protocol == 0x0403 && reply.header.request != 0)
                stream->receiveFrame(reply.payload, reply.header.request);
        };
        if (!andConnect)
            return true;
        device.deviceConnect();
        return fake.waitForClient()
               && QTest::qWaitFor([this] { return device.socketHandler()->socketState() == QAbstractSocket::ConnectedState; });
    }
    ~ScopeRig() { stream.reset(); } // it points into the device's transport
    // The requests the device received, as "1 3 2"; anything but empty scope requests fails.
    QString requests(const QString &expected)
    {
        QStringList result;
        fake.waitForCommands(expected.isEmpty() ? 0 : expected.count(' ') + 1);
        QTest::qWait(QuietMs);
        for (const FakeDevice::Command &cmd : fake.received())
            result << (cmd.protocol == 0x0403 && cmd.payload.isEmpty() ? QString::number(cmd.request) : QStringLiteral("?"));
        fake.clearReceived();
        return result.join(' ');
    }
};
} // namespace

class TestScopeStream : public QObject
{
    Q_OBJECT
private slots:
    void playback_data()
    {
        // Operations: +t starts type t, -t stops it (play false), ~t toggles, st is stopPlayback,
        // x is the connection lost.
        QTest::addColumn<QString>("operations");
        QTest::addColumn<QString>("masks");    // isPlaying after each
        QTest::addColumn<int>("changes");      // isPlayingChanged signals
        QTest::addColumn<QString>("requests"); // sent, in order
        QTest::newRow("start, again") << "+1 +1" << "1 1" << 1 << "1 1";
        QTest::newRow("vector while waveform plays") << "+1 +2" << "1 3" << 2 << "1 3";
        QTest::newRow("stopPlayback sends nothing") << "+1 +2 s1 s1 s2" << "1 3 2 2 0" << 5 << "1 3";
        QTest::newRow("stopPlayback both") << "+2 s3 +1 +2 s3" << "2 0 1 3 0" << 5 << "2 1 3";
        QTest::newRow("play false re-aims") << "+1 +2 -1 -1 -2" << "1 3 2 2 0" << 4 << "1 3 2 2";
        QTest::newRow("toggle") << "~1 ~2 ~1 ~2" << "1 3 2 0" << 4 << "1 3 2";
        QTest::newRow("both over the waveform") << "+1 +3 -3" << "1 3 0" << 3 << "1 3";
        QTest::newRow("both over the vector") << "+2 +3" << "2 3" << 2 << "2 3";
        QTest::newRow("unknown types") << "+1 +2 +0 -4 ~5 s255" << "1 3 3 3 3 3" << 2 << "1 3";
        QTest::newRow("connection lost stops both, once") << "+1 +2 x x" << "1 3 0 0" << 3 << "1 3";
    }

    void playback()
    {
        QFETCH(QString, operations);
        ScopeRig rig;
        QVERIFY(rig.connect());
        QSignalSpy changes(rig.stream.get(), &ScopeStream::isPlayingChanged);
        DebugLines debug;
        QStringList masks;
        for (const QString &operation : operations.split(' ')) {
            const uchar type = uchar(operation.mid(1).toInt());
            if ((type == 0 || type > 3) && operation[0] != 'x')
                QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("Unknown type: %1").arg(type)));
            if (operation[0] == 'x')
                rig.stream->connectionLost();
            else if (operation[0] == '~')
                rig.stream->startStopPlayback(type);
            else if (operation[0] == 's')
                rig.stream->stopPlayback(type);
            else
                rig.stream->startStopPlayback(type, operation[0] == '+');
            masks << QString::number(rig.stream->isPlaying());
        }
        QTEST(masks.join(' '), "masks");
        QTEST(int(changes.count()), "changes");
        QFETCH(QString, requests);
        QCOMPARE(rig.requests(requests), requests);
    }

    void frames_data()
    {
        QTest::addColumn<int>("playing");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("next");  // the request it pulls
        QTest::addColumn<QString>("drawn"); // w: waveform, v: vector
        QTest::addColumn<bool>("kept");     // its vector part kept for a later gain change
        const struct { int playing, type, size; const char *next, *drawn; bool kept; } rows[] = {
            {0, 1, WaveformBytes, "", "", false}, {0, 2, VectorBytes, "", "", true}, {0, 3, BothBytes, "", "", true},
            {0, 2, 16000, "", "", false},         {0, 3, 40000, "", "", false},      {0, 7, 10, "", "", false},
            {1, 1, WaveformBytes, "1", "w", false}, {1, 1, WaveformBytes + 1000, "1", "w", false}, {1, 1, WaveformBytes - 1, "1", "", false},
            {1, 2, VectorBytes, "1", "", true},   {1, 3, BothBytes, "1", "", true},  {1, 2, 16383, "1", "", false},
            {1, 3, 49151, "1", "", false},        {1, 7, 10, "1", "", false},        {2, 2, VectorBytes, "2", "v", false},
            {2, 2, 16000, "2", "", false},        {2, 2, 1, "2", "", false},         {2, 1, WaveformBytes, "2", "", false},
            {2, 3, BothBytes, "2", "", false},    {3, 3, BothBytes, "3", "wv", false}, {3, 3, 49151, "3", "", false},
            {3, 3, WaveformBytes, "3", "", false}, {3, 2, VectorBytes, "3", "", false}, {3, 1, WaveformBytes, "3", "", false}};
        for (const auto &row : rows)
            QTest::addRow("playing %d, type %d, %d bytes", row.playing, row.type, row.size)
                << row.playing << row.type << row.size << QString(row.next) << QString(row.drawn) << row.kept;
    }

    void frames()
    {
        QFETCH(int, playing);
        QFETCH(int, type);
        QFETCH(int, size);
        QFETCH(QString, drawn);
        ScopeRig rig;
        QVERIFY(rig.connect());
        for (uchar t : {uchar(1), uchar(2)})
            if (playing & t)
                rig.stream->startStopPlayback(t, true);
        rig.requests(playing == 3 ? QStringLiteral("1 3") : playing ? QString::number(playing) : QString()); // as checked above
        QSignalSpy waveformResets(rig.waveform.dataProxy(), &QSurfaceDataProxy::arrayReset);
        QSignalSpy vectorResets(rig.vector.dataProxy(), &QSurfaceDataProxy::arrayReset);
        const QByteArray payload = Bytes::noise(size, quint32(size));
        rig.fake.send(FakeDevice::message(0x0403, quint16(type), payload));
        QTRY_COMPARE_WITH_TIMEOUT(rig.device.replies.size(), 1, 5000);
        QFETCH(QString, next);
        QCOMPARE(rig.requests(next), next);
        QVERIFY(waveformResets.count() == drawn.count('w') && vectorResets.count() == drawn.count('v'));
        QVERIFY(!drawn.contains('w') || waveformDrawn(rig.waveform.dataProxy(), payload));
        QVERIFY(!drawn.contains('v') || vectorDrawn(rig.vector.dataProxy(), payload.right(VectorBytes), 1));
        QTEST(!rig.stream->lastVectorFrame().isEmpty() && rig.stream->lastVectorFrame() == payload.mid(type == 3 ? WaveformBytes : 0),
              "kept");
        // Each frame is drawn into a fresh array, never the stream's pre-allocated one.
        QVERIFY(rig.waveform.dataProxy()->array() != &rig.stream->waveformArray());
    }

    void gain()
    {
        TestDevice device;
        ScopeStream stream(device.socketHandler(), nullptr);
        QSurface3DSeries series;
        stream.setDataSeries_Vector(&series);
        QSignalSpy resets(series.dataProxy(), &QSurfaceDataProxy::arrayReset);
        QSignalSpy changes(&stream, &ScopeStream::vectorGainChanged);
        // Gain 1 at first; a kept frame is redrawn at every new gain while the vector display does not play...
        const QByteArray kept = Bytes::noise(VectorBytes, 60);
        stream.receiveFrame(kept, 2);
        DebugLines debug;
        QTest::ignoreMessage(QtDebugMsg, "VectorGain: 4,  PlaybackState: 0");
        for (uchar gain : {0, 3, 8, 255, 4, 4, 2, 1}) {
            QVERIFY(stream.setProperty("vectorGain", QVariant::fromValue(gain)));
            QVERIFY(vectorDrawn(series.dataProxy(), kept, stream.vectorGain()) || resets.isEmpty());
        }
        QVERIFY(stream.vectorGain() == 1 && changes.count() == 3 && resets.count() == 3);
        // ...(and as the waveform alone plays), not while the vector plays: the stream draws itself.
        for (uchar type : {1, 2}) {
            stream.startStopPlayback(type, true);
            stream.setVectorGain(type == 1 ? 2 : 4);
            QCOMPARE(resets.count(), 4);
        }
        // Landmarks of the plane, worked by hand: the top, right, bottom and left edges.
        const std::pair<int, float> landmarks[] = {{64, 0.0f}, {64 * 128 + 127, 90.0f}, {127 * 128 + 64, 180.0f}, {64 * 128, 270.0f}};
        for (const auto &landmark : landmarks)
            QVERIFY(std::fabs(std::remainder(series.dataProxy()->itemAt(landmark.first / 128, landmark.first % 128)->position().x()
                                             - landmark.second, 360.0)) < 1e-3);
    }

    void series()
    {
        // The series belong to the scope window: one can be forgotten, set later, or be destroyed.
        TestDevice device;
        DebugLines debug;
        QTest::ignoreMessage(QtDebugMsg, "SStream Constructor Completed:  \t(Initialization list only)");
        auto stream = std::make_unique<ScopeStream>(device.socketHandler(), nullptr);
        stream->startStopPlayback(1, true);
        stream->startStopPlayback(2, true);
        stream->receiveFrame(Bytes::noise(BothBytes, 1), 3); // nothing to draw into
        QSurface3DSeries waveform;
        auto vector = std::make_unique<QSurface3DSeries>();
        stream->setDataSeries_Wave(&waveform);
        stream->setDataSeries_Vector(vector.get());
        QSignalSpy waveformResets(waveform.dataProxy(), &QSurfaceDataProxy::arrayReset);
        QSignalSpy vectorResets(vector->dataProxy(), &QSurfaceDataProxy::arrayReset);
        const std::pair<const char *, int> forgotten[] = {{"Waveform", 11}, {"", 22}, {"vector", 32}, {"waveform", 32}};
        for (const auto &type : forgotten) {
            QTest::ignoreMessage(QtDebugMsg, "m_dataSeries set to NULL");
            stream->deleteSeries(QString::fromLatin1(type.first));
            stream->receiveFrame(Bytes::noise(BothBytes, 2), 3);
            QCOMPARE(10 * waveformResets.count() + vectorResets.count(), type.second);
        }
        stream->setDataSeries_Wave(&waveform);
        stream->setDataSeries_Vector(vector.get());
        vector.reset(); // a closed scope window takes its series with it
        stream->receiveFrame(Bytes::noise(BothBytes, 3), 3);
        QCOMPARE(waveformResets.count(), 4);

        // Rows of empty items, replaced on every call, "waveform" or anything else; a count below 0
        // is no row or column.
        stream->generateData_TWK(QStringLiteral("waveform"), 128, 240);
        stream->generateData_TWK(QStringLiteral("scope"), 3, 5);
        stream->generateData_TWK(QStringLiteral("vector"), 2, -5);
        QVERIFY(stream->waveformArray().size() == 128 && stream->waveformArray()[127]->size() == 240);
        QVERIFY(stream->vectorArray().size() == 2 && stream->vectorArray()[1]->isEmpty());
        stream->generateData_TWK(QStringLiteral("waveform"), -1, 10);
        QVERIFY(stream->waveformArray().isEmpty());
        QTest::ignoreMessage(QtDebugMsg, "SStream Destructor Completed");
        stream.reset();
    }

    void unsendableRequests()
    {
        // The playback state stays as the user set it; a refused request is not sent later either.
        const char *const noHandler = "Error: ScopeStream class holds NULL pointer to required SocketHandler. \n"
                                      "Unable to send request to hardware.";
        ScopeStream qmlSide; // the QML type has no transport
        QTest::ignoreMessage(QtCriticalMsg, noHandler);
        qmlSide.startStopPlayback(1, true);
        QTest::ignoreMessage(QtCriticalMsg, noHandler);
        qmlSide.receiveFrame(Bytes::noise(VectorBytes, 4), 2);
        QCOMPARE(qmlSide.isPlaying(), quint8(1));

        ScopeRig rig;
        QVERIFY(rig.connect(false));
        QTest::ignoreMessage(QtCriticalMsg, "Error: ScopeStream's SocketHandler is not connected. \nUnable to send request to hardware.");
        rig.stream->startStopPlayback(2, true);
        QCOMPARE(rig.stream->isPlaying(), quint8(2));
        rig.device.deviceConnect();
        QVERIFY(rig.fake.waitForClient());
        QCOMPARE(rig.requests(QString()), QString());
    }

    void axisGraticule()
    {
        // Codes 16 ("0") to 236 ("100") in steps of 22 over 0..254, framed by unlabelled ends, whatever
        // the axis's segments (the scope window's tests check the labels on its axis).
        const QStringList labels{"", "0", "10", "20", "30", "40", "50", "60", "70", "80", "90", "100", ""};
        struct Probe : CustomLabelsWaveform {
            using CustomLabelsWaveform::createNewInstance, CustomLabelsWaveform::recalculate, CustomLabelsWaveform::stringForValue;
            using QValue3DAxisFormatter::gridPositions, QValue3DAxisFormatter::labelPositions, QValue3DAxisFormatter::labelStrings;
        } probe;
        DebugLines debug;
        QTest::ignoreMessage(QtDebugMsg, "End Recalculate()");
        probe.recalculate();
        QVERIFY(probe.labelStrings() == labels && probe.gridPositions().size() == 13 && probe.labelPositions() == probe.gridPositions());
        for (int i = 0; i < 13; ++i)
            QVERIFY(std::fabs(probe.gridPositions()[i] - (i == 0 ? 0.0 : i == 12 ? 1.0 : (16.0 + 22.0 * (i - 1)) / 254.0)) < 1e-6);
        // Ten units of value a label, the format ignored; off the label list (NaN too) no label.
        const std::pair<double, const char *> values[] = {{0, ""}, {9.99, ""}, {10, "0"}, {19.99, "0"}, {35, "20"}, {119.99, "100"},
                                                          {120, ""}, {129.99, ""}, {-5, ""}, {130, ""}, {-10, ""}, {1e9, ""},
                                                          {std::nan(""), ""}, {HUGE_VAL, ""}};
        for (const auto &value : values)
            QCOMPARE(probe.stringForValue(value.first, QStringLiteral("%d Y")), QString::fromLatin1(value.second));
        std::unique_ptr<QValue3DAxisFormatter> copy(probe.createNewInstance());
        QVERIFY(qobject_cast<CustomLabelsWaveform *>(copy.get()) && !copy->parent());
        QCOMPARE(QMetaType::type("QValue3DAxisFormatter *"), qMetaTypeId<QValue3DAxisFormatter *>());
    }
};

QTEST_MAIN(TestScopeStream)
#include "tst_scopestream.moc"
