#include "faulthelpers.h"

#include "capture/captureframe.h"
#include "cubrix/cubrix.h"
#include "monitor/monitor.h"
#include "scope/scopestream.h"

#include <QSignalSpy>
#include <QtTest>
#include <functional>
#include <memory>

// An error reply on every protocol family the program sends: each becomes one protocol error
// with the status unchanged, the connection stays, and the next command goes out.
class TestFaultsErrorReplies : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void errorReplyOnFamily_data();
    void errorReplyOnFamily();

private:
    QTemporaryDir m_temp;
};

namespace {
constexpr int Status = 0x5A;

struct Family {
    const char *name;
    const char *role;
    quint16 protocol;
    // Issues a command of the family through the device's own interface (nothing for the
    // families the connection itself queries).
    std::function<void(DeviceBase &, CaptureFrame &, const QString &tempDir)> act;
};

Monitor &asMonitor(DeviceBase &device)
{
    return static_cast<Monitor &>(device);
}

Cubrix &asCubrix(DeviceBase &device)
{
    return static_cast<Cubrix &>(device);
}

const QList<Family> &families()
{
    static const QList<Family> list = {
        {"key", "monitor", 0x0001, [](DeviceBase &d, CaptureFrame &, const QString &) { asMonitor(d).sendKey(DeviceBase::MNCP_KEY_MENU); }},
        {"tally", "monitor", 0x0002, [](DeviceBase &d, CaptureFrame &, const QString &) { d.setTally(true, false); }},
        {"umd", "cubrix", 0x0004, [](DeviceBase &d, CaptureFrame &, const QString &) { d.setUMD(true, QStringLiteral("CAM 1")); }},
        {"firmware", "monitor", 0x0005,
         [](DeviceBase &d, CaptureFrame &, const QString &dir) {
             QFile image(dir + QStringLiteral("/firmware.bin"));
             if (image.open(QIODevice::WriteOnly))
                 image.write(QByteArray(64, '\x42'));
             image.close();
             d.updateFirmware(QUrl::fromLocalFile(image.fileName()));
         }},
        {"input signal", "cubrix", 0x0006, [](DeviceBase &d, CaptureFrame &, const QString &) { asCubrix(d).setInputSignal(1); }},
        {"basic info (monitor)", "monitor", 0x0100, nullptr},
        {"basic info (cubrix)", "cubrix", 0x0100, nullptr},
        {"channel info", "monitor", 0x0101, nullptr},
        {"calibration 1D LUT", "monitor", 0x0300,
         [](DeviceBase &d, CaptureFrame &, const QString &) { asMonitor(d).setLut(Monitor::LUT_TYPE_1D, Monitor::LUT_FUNC_CALIBRATION, 1, true); }},
        {"DIT 1D LUT", "cubrix", 0x0301,
         [](DeviceBase &d, CaptureFrame &, const QString &) { asCubrix(d).setLut(Cubrix::LUT_TYPE_1D, Cubrix::LUT_FUNC_DIT, 1, true); }},
        {"box 1D LUT", "cubrix", 0x0302,
         [](DeviceBase &d, CaptureFrame &, const QString &) { asCubrix(d).loadLut(Cubrix::LUT_TYPE_1D, Cubrix::LUT_FUNC_BOX, 2); }},
        {"input range", "cubrix", 0x0304, [](DeviceBase &d, CaptureFrame &, const QString &) { asCubrix(d).setRange(2); }},
        {"calibration 3D LUT", "monitor", 0x0310,
         [](DeviceBase &d, CaptureFrame &, const QString &) { asMonitor(d).setLut(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_CALIBRATION, 1, false); }},
        {"DIT 3D LUT", "monitor", 0x0311,
         [](DeviceBase &d, CaptureFrame &, const QString &) { asMonitor(d).loadLut(Monitor::LUT_TYPE_3D, Monitor::LUT_FUNC_DIT, 2); }},
        {"frame capture", "monitor", 0x0400, [](DeviceBase &, CaptureFrame &item, const QString &) { item.captureFrame(0); }},
        {"frame load", "cubrix", 0x0401, [](DeviceBase &d, CaptureFrame &, const QString &) { asCubrix(d).loadFrame(1); }},
        {"ancillary capture", "cubrix", 0x0402, [](DeviceBase &d, CaptureFrame &, const QString &) { asCubrix(d).setAnci(1); }},
        {"scope stream", "cubrix", 0x0403,
         [](DeviceBase &d, CaptureFrame &, const QString &) { asCubrix(d).cScopeStream()->startStopPlayback(1, true); }},
        {"custom markers", "monitor", 0x0404, [](DeviceBase &d, CaptureFrame &, const QString &) { asMonitor(d).queryCustomMarker(); }},
        {"analyzer", "monitor", 0x0405, [](DeviceBase &d, CaptureFrame &, const QString &) { asMonitor(d).requestAnalyzerPng(0); }},
        {"user IP", "monitor", 0x0500,
         [](DeviceBase &d, CaptureFrame &, const QString &) {
             d.setUserIP(QStringLiteral("192.0.2.20"), QStringLiteral("255.255.255.0"), QStringLiteral("192.0.2.1"));
         }},
        {"test pattern", "cubrix", 0x0600, [](DeviceBase &d, CaptureFrame &, const QString &) { asCubrix(d).setSignalRGB(100, 200, 300); }},
    };
    return list;
}
} // namespace

void TestFaultsErrorReplies::initTestCase()
{
    QVERIFY(m_temp.isValid());
    qputenv("TMPDIR", m_temp.path().toUtf8());
}

void TestFaultsErrorReplies::errorReplyOnFamily_data()
{
    QTest::addColumn<int>("family");
    for (int i = 0; i < families().size(); ++i)
        QTest::newRow(families().at(i).name) << i;
}

void TestFaultsErrorReplies::errorReplyOnFamily()
{
    QFETCH(int, family);
    const Family &row = families().at(family);
    const QString role = QString::fromLatin1(row.role);
    SimProcess sim;
    QVERIFY(sim.start({QStringLiteral("--role"), role, QStringLiteral("--error-reply"),
                       QStringLiteral("0x%1:*:0x%2").arg(row.protocol, 4, 16, QLatin1Char('0')).arg(Status, 0, 16)}));

    CaptureFrame item;
    std::unique_ptr<DeviceBase> device;
    if (role == QLatin1String("cubrix")) {
        auto cubrix = std::make_unique<Cubrix>();
        cubrix->registerFeature(&item, Cubrix::CaptureFrameFeature);
        device = std::move(cubrix);
    } else {
        auto monitor = std::make_unique<Monitor>();
        monitor->registerFeature(&item, 2);
        device = std::move(monitor);
    }
    QSignalSpy errors(device.get(), &DeviceBase::protocolError);
    QSignalSpy commErrors(device.get(), &DeviceBase::commError);
    Faults::connectTo(*device, sim);
    QTRY_VERIFY_WITH_TIMEOUT(device->state() == QAbstractSocket::ConnectedState && Faults::transportIdle(*device), 10000);
    if (row.act)
        row.act(*device, item, m_temp.path());
    QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty() && Faults::transportIdle(*device), 10000);

    // Every error names the family and carries the status unchanged.
    for (const QList<QVariant> &error : qAsConst(errors)) {
        QCOMPARE(error.at(0).toInt(), int(row.protocol));
        QCOMPARE(error.at(2).toInt(), Status);
    }
    // As many errors as the simulator sent.
    QTRY_COMPARE_WITH_TIMEOUT(errors.size(), sim.countInLog(QStringLiteral("fault: error reply status %1").arg(Status)), 2000);
    QCOMPARE(commErrors.size(), 0);
    QCOMPARE(device->state(), QAbstractSocket::ConnectedState);

    // The pipeline moves on: a command of another family is sent and answered.
    const int tallies = Faults::countLogged(sim, 0x0002, 0x0102);
    const int umds = Faults::countLogged(sim, 0x0004);
    if (row.protocol == 0x0002)
        device->setUMD(false, QString());
    else
        device->setTally(false, true);
    QTRY_VERIFY_WITH_TIMEOUT(Faults::transportIdle(*device), 5000);
    if (row.protocol == 0x0002)
        QTRY_COMPARE_WITH_TIMEOUT(Faults::countLogged(sim, 0x0004), umds + 1, 5000);
    else
        QTRY_COMPARE_WITH_TIMEOUT(Faults::countLogged(sim, 0x0002, 0x0102), tallies + 1, 5000);
    QCOMPARE(device->state(), QAbstractSocket::ConnectedState);
}

QTEST_MAIN(TestFaultsErrorReplies)
#include "tst_faults_errorreplies.moc"
