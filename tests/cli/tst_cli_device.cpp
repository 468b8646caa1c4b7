#include "clisimulator.h"
#include "clitestsupport.h"
#include "cubefiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace CliTest;

namespace {
QJsonArray jsonArrayOf(const Result &result)
{
    return QJsonDocument::fromJson(result.out.toUtf8()).array();
}
} // namespace

// brevanto-cli's info, key and LUT actions against two or more simulated devices at once;
// checks the commands and bytes the simulators received.
class TestCliDevice : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void infoOfSeveralDevices();
    void infoAsText();
    void forcedKindConnectsOnce();
    void keyOnSeveralHosts();
    void cubrixModeKeyWaitsForTheStateQueries();
    void lutSendToMonitorAndCubrix();
    void lutSendResamplesForTheBoxMode();
    void lutSaveIntoSlots();
    void lutSaveOnRvStoresBothSizes();
    void lutLoadAndSwitch();
    void lutRefusedBeforeAnyDevice_data();
    void lutRefusedBeforeAnyDevice();
    void lutRefusedPerHost();
    void usageErrors_data();
    void usageErrors();
    void help_data();
    void help();

private:
    QString file(const QString &name, const QByteArray &contents) { return CubeFiles::writeFile(m_files, name, contents); }

    CliSimulator m_rv;     // RV-family monitor, 127.0.0.1
    CliSimulator m_cubrix; // 127.0.0.2
    CliSimulator m_kt;     // KT-family monitor with its own identity, 127.0.0.3
    QTemporaryDir m_files;
    QString m_identity17;
    QString m_identity33;
};

void TestCliDevice::initTestCase()
{
    CubeFiles::useCNumericLocale();
    QVERIFY(m_files.isValid());
    QVERIFY(m_rv.start({QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--family"), QStringLiteral("rv")},
                       QStringLiteral("127.0.0.1")));
    QVERIFY(m_cubrix.start({QStringLiteral("--role"), QStringLiteral("cubrix")}, QStringLiteral("127.0.0.2")));
    QVERIFY(m_kt.start({QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--family"), QStringLiteral("kt"),
                        QStringLiteral("--version"), QStringLiteral("9.9.1"), QStringLiteral("--serial"), QStringLiteral("KT99X001"),
                        QStringLiteral("--channels"), QStringLiteral("2"), QStringLiteral("--ports"), QStringLiteral("4"),
                        QStringLiteral("--channel-names"), QStringLiteral("Cam A,Cam B"),
                        QStringLiteral("--channel-modes"), QStringLiteral("1920x1080p 50,3840x2160p 25")},
                       QStringLiteral("127.0.0.3")));
    m_identity17 = file(QStringLiteral("identity17.cube"), CubeFiles::cubeFile(17, CubeFiles::identity(17), 6));
    m_identity33 = file(QStringLiteral("identity33.cube"), CubeFiles::cubeFile(33, CubeFiles::identity(33), 6));
}

void TestCliDevice::infoOfSeveralDevices()
{
    const Result result = run({QStringLiteral("device"), m_rv.host(), m_cubrix.host(), m_kt.host(), QStringLiteral("info"),
                               QStringLiteral("--json")});
    QVERIFY2(result.exitCode == 0 && result.clean(), qPrintable(result.describe()));
    const QJsonArray hosts = jsonArrayOf(result);
    QCOMPARE(hosts.size(), 3);

    const QJsonObject rv = hosts.at(0).toObject();
    QCOMPARE(rv.value(QStringLiteral("host")).toString(), QStringLiteral("127.0.0.1"));
    QCOMPARE(rv.value(QStringLiteral("ok")).toBool(), true);
    QCOMPARE(rv.value(QStringLiteral("type")).toString(), QStringLiteral("monitor"));
    QVERIFY(rv.value(QStringLiteral("serial")).toString().startsWith(QStringLiteral("RV")));

    const QJsonObject cubrix = hosts.at(1).toObject();
    QCOMPARE(cubrix.value(QStringLiteral("type")).toString(), QStringLiteral("cubrix"));
    QCOMPARE(cubrix.value(QStringLiteral("model")).toString(), QStringLiteral("Cubrix"));
    const QJsonObject box = cubrix.value(QStringLiteral("box")).toObject();
    QCOMPARE(box.value(QStringLiteral("box_mode")).toInt(), 1); // the simulator starts in single channel mode
    QCOMPARE(box.value(QStringLiteral("cube_bit_def")).toInt(), 3);
    QVERIFY(box.contains(QStringLiteral("boxmode2_ch2_range")));
    QVERIFY(box.contains(QStringLiteral("boxmode3_output_form")));
    QCOMPARE(cubrix.value(QStringLiteral("channelCount")).toInt(),
             cubrix.value(QStringLiteral("channels")).toArray().size());

    const QJsonObject kt = hosts.at(2).toObject();
    QCOMPARE(kt.value(QStringLiteral("port")).toInt(), int(QStringLiteral("%1").arg(m_kt.host().section(':', 1)).toInt()));
    QCOMPARE(kt.value(QStringLiteral("model")).toString(), QStringLiteral("KT-2400"));
    QCOMPARE(kt.value(QStringLiteral("version")).toString(), QStringLiteral("9.9.1"));
    QCOMPARE(kt.value(QStringLiteral("serial")).toString(), QStringLiteral("KT99X001"));
    QCOMPARE(kt.value(QStringLiteral("ports")).toInt(), 4);
    QCOMPARE(kt.value(QStringLiteral("channelCount")).toInt(), 2);
    const QJsonArray channels = kt.value(QStringLiteral("channels")).toArray();
    QCOMPARE(channels.size(), 2);
    QCOMPARE(channels.at(0).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("Cam A"));
    QCOMPARE(channels.at(1).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("Cam B"));
    QCOMPARE(channels.at(1).toObject().value(QStringLiteral("mode")).toString(), QStringLiteral("3840x2160p 25"));
    QVERIFY(!kt.contains(QStringLiteral("box")));
}

void TestCliDevice::infoAsText()
{
    // The hosts are reported in the order given.
    const Result result = run({QStringLiteral("device"), m_kt.host(), m_cubrix.host(), QStringLiteral("info")});
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    const int kt = result.out.indexOf(m_kt.host() + QLatin1Char(':'));
    const int cubrix = result.out.indexOf(m_cubrix.host() + QLatin1Char(':'));
    QVERIFY(kt >= 0 && cubrix > kt);
    QVERIFY(result.out.contains(QStringLiteral("  model: KT-2400\n  version: 9.9.1\n  serial: KT99X001\n  ports: 4\n  channels: 2\n"
                                               "    1: Cam A (1920x1080p 50)\n    2: Cam B (3840x2160p 25)\n")));
    QVERIFY(result.out.contains(QStringLiteral("    box_mode: 1 (Single Channel)")));
    QVERIFY(result.err.isEmpty());
}

void TestCliDevice::forcedKindConnectsOnce()
{
    // Detection reads a monitor's identity first, then connects again as a Cubrix.
    int before = m_cubrix.connections();
    Result result = run({QStringLiteral("device"), m_cubrix.host(), QStringLiteral("info"), QStringLiteral("--json")});
    QCOMPARE(result.exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(m_cubrix.connections(), before + 2, 5000);

    before = m_cubrix.connections();
    result = run({QStringLiteral("device"), QStringLiteral("--cubrix"), m_cubrix.host(), QStringLiteral("info"), QStringLiteral("--json")});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(jsonArrayOf(result).at(0).toObject().value(QStringLiteral("type")).toString(), QStringLiteral("cubrix"));
    QTRY_COMPARE_WITH_TIMEOUT(m_cubrix.connections(), before + 1, 5000);

    // Told it is a monitor, the tool treats the box as one.
    result = run({QStringLiteral("device"), m_cubrix.host(), QStringLiteral("--monitor"), QStringLiteral("info"), QStringLiteral("--json")});
    QCOMPARE(result.exitCode, 0);
    const QJsonObject host = jsonArrayOf(result).at(0).toObject();
    QCOMPARE(host.value(QStringLiteral("type")).toString(), QStringLiteral("monitor"));
    QVERIFY(!host.contains(QStringLiteral("box")));
}

void TestCliDevice::keyOnSeveralHosts()
{
    const int rv = m_rv.commandCount(0x0001, 0x0020);
    const int kt = m_kt.commandCount(0x0001, 0x0020);
    const int cubrix = m_cubrix.commandCount(0x0001, 0x0020);
    const Result result = run({QStringLiteral("device"), m_rv.host(), m_kt.host(), m_cubrix.host(), QStringLiteral("key"),
                               QStringLiteral("menu")});
    QVERIFY2(result.exitCode == 0 && result.clean(), qPrintable(result.describe()));
    QVERIFY(result.out.contains(m_rv.host() + QStringLiteral(": monitor RV-3100: ok")));
    QVERIFY(result.out.contains(m_cubrix.host() + QStringLiteral(": cubrix Cubrix: ok")));
    // The replies were waited for, so every key has been received by now.
    QCOMPARE(m_rv.commandCount(0x0001, 0x0020), rv + 1);
    QCOMPARE(m_kt.commandCount(0x0001, 0x0020), kt + 1);
    QCOMPARE(m_cubrix.commandCount(0x0001, 0x0020), cubrix + 1);

    // Every spelling of a key name.
    const Result prefixed = run({QStringLiteral("device"), m_kt.host(), QStringLiteral("key"), QStringLiteral("MNCP_KEY_ROTARY_CW3")});
    QCOMPARE(prefixed.exitCode, 0);
    QCOMPARE(m_kt.commandCount(0x0001, 0x0053), 1);
}

void TestCliDevice::cubrixModeKeyWaitsForTheStateQueries()
{
    const int modeQueries = m_cubrix.commandCount(0x0100, 0x0005);
    const int interpolationQueries = m_cubrix.commandCount(0x0100, 0x0016);
    const Result result = run({QStringLiteral("device"), m_cubrix.host(), QStringLiteral("key"), QStringLiteral("mode_2"),
                               QStringLiteral("--cubrix")});
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    // The key, then 500 ms later the mode and interpolation queries: the tool waited for them.
    const QString log = m_cubrix.log();
    const int key = log.lastIndexOf(QStringLiteral("command protocol=0x0001 request=0x0071 "));
    QVERIFY(key >= 0);
    QVERIFY(log.indexOf(QStringLiteral("command protocol=0x0100 request=0x0005 "), key) > key);
    QVERIFY(log.indexOf(QStringLiteral("command protocol=0x0100 request=0x0016 "), key) > key);
    // The sweep at connection asks once each; the timer once more.
    QCOMPARE(m_cubrix.commandCount(0x0100, 0x0005), modeQueries + 2);
    QCOMPARE(m_cubrix.commandCount(0x0100, 0x0016), interpolationQueries + 2);

    const Result info = run({QStringLiteral("device"), m_cubrix.host(), QStringLiteral("info"), QStringLiteral("--json")});
    QCOMPARE(jsonArrayOf(info).at(0).toObject().value(QStringLiteral("box")).toObject().value(QStringLiteral("box_mode")).toInt(), 2);
    QCOMPARE(run({QStringLiteral("device"), m_cubrix.host(), QStringLiteral("key"), QStringLiteral("MODE_1")}).exitCode, 0);
}

void TestCliDevice::lutSendToMonitorAndCubrix()
{
    const int rvDumps = m_rv.dumps().size();
    const int cubrixDumps = m_cubrix.dumps().size();
    const int switchOn = m_rv.commandCount(0x0311, 0x0100);
    const Result result = run({QStringLiteral("device"), m_rv.host(), m_cubrix.host(), QStringLiteral("lut"), QStringLiteral("send"),
                               m_identity33});
    QVERIFY2(result.exitCode == 0 && result.clean(), qPrintable(result.describe()));

    // The monitor's preview: the 33-point file downsampled and turned into a binary image
    // (the 17-point identity), then the LUT switched on.
    const QStringList monitorUploads = m_rv.dumpsSince(rvDumps);
    QCOMPARE(monitorUploads.size(), 1);
    QVERIFY2(monitorUploads.first().contains(QStringLiteral("monitor_lut_0x0311_0x0200_send")), qPrintable(monitorUploads.first()));
    QCOMPARE(readFile(m_rv.dumpPath(monitorUploads.first())).toHex(), binaryImage(identityEntries(17)).toHex());
    QCOMPARE(m_rv.commandCount(0x0311, 0x0100), switchOn + 1);

    // The box in mode 1 takes 33 points as they are, with the 12-bit code of its setting.
    const QStringList boxUploads = m_cubrix.dumpsSince(cubrixDumps);
    QCOMPARE(boxUploads.size(), 1);
    QVERIFY2(boxUploads.first().contains(QStringLiteral("cubrix_lut_0x0311_0x0230_send")), qPrintable(boxUploads.first()));
    QCOMPARE(readFile(m_cubrix.dumpPath(boxUploads.first())), readFile(m_identity33));
}

void TestCliDevice::lutSendResamplesForTheBoxMode()
{
    // Mode 1: a 17-point file goes up to 33 points; --bits 10 sets code 2.
    int before = m_cubrix.dumps().size();
    Result result = run({QStringLiteral("device"), m_cubrix.host(), QStringLiteral("lut"), QStringLiteral("send"), m_identity17,
                         QStringLiteral("--bits"), QStringLiteral("10")});
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    QStringList uploads = m_cubrix.dumpsSince(before);
    QCOMPARE(uploads.size(), 1);
    QVERIFY2(uploads.first().contains(QStringLiteral("0x0311_0x0220_send")), qPrintable(uploads.first()));
    QCOMPARE(readFile(m_cubrix.dumpPath(uploads.first())), CubeFiles::cubeFile(33, CubeFiles::identity(33), 6));

    // Mode 2: a 33-point file comes down to 17 points.
    QCOMPARE(run({QStringLiteral("device"), m_cubrix.host(), QStringLiteral("key"), QStringLiteral("mode_2")}).exitCode, 0);
    before = m_cubrix.dumps().size();
    result = run({QStringLiteral("device"), m_cubrix.host(), QStringLiteral("lut"), QStringLiteral("send"), m_identity33});
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    uploads = m_cubrix.dumpsSince(before);
    QCOMPARE(uploads.size(), 1);
    QVERIFY2(uploads.first().contains(QStringLiteral("0x0311_0x0230_send")), qPrintable(uploads.first()));
    QCOMPARE(readFile(m_cubrix.dumpPath(uploads.first())), CubeFiles::cubeFile(17, CubeFiles::identity(17), 6));
    QCOMPARE(run({QStringLiteral("device"), m_cubrix.host(), QStringLiteral("key"), QStringLiteral("mode_1")}).exitCode, 0);
}

void TestCliDevice::lutSaveIntoSlots()
{
    // A KT monitor's "Save..." with Id 3 stores into slot 2; a 17-point file goes as it is.
    int before = m_kt.dumps().size();
    Result result = run({QStringLiteral("device"), m_kt.host(), QStringLiteral("lut"), QStringLiteral("save"), m_identity17,
                         QStringLiteral("--slot"), QStringLiteral("3")});
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    QStringList uploads = m_kt.dumpsSince(before);
    QCOMPARE(uploads.size(), 1);
    QVERIFY2(uploads.first().contains(QStringLiteral("monitor_lut_0x0311_0x0302_store_slot2")), qPrintable(uploads.first()));
    QCOMPARE(readFile(m_kt.dumpPath(uploads.first())), readFile(m_identity17));

    // A 1D LUT into the Cubrix's back 1D LUT slot 5: request 0x0304, file as it is.
    QByteArray ramp = "LUT_1D_SIZE 4\nLUT_1D_BITS 12\n";
    for (int k = 0; k < 4; ++k)
        ramp += QByteArray::number(k * 1365) + ' ' + QByteArray::number(k * 1365) + ' ' + QByteArray::number(k * 1365) + '\n';
    const QString oneD = file(QStringLiteral("ramp.lut"), ramp);
    before = m_cubrix.dumps().size();
    result = run({QStringLiteral("device"), m_cubrix.host(), QStringLiteral("lut"), QStringLiteral("save"), oneD,
                  QStringLiteral("--func"), QStringLiteral("box"), QStringLiteral("--slot=5")});
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    uploads = m_cubrix.dumpsSince(before);
    QCOMPARE(uploads.size(), 1);
    QVERIFY2(uploads.first().contains(QStringLiteral("cubrix_lut_0x0302_0x0304_store_slot5")), qPrintable(uploads.first()));
    QCOMPARE(readFile(m_cubrix.dumpPath(uploads.first())), ramp);
}

void TestCliDevice::lutSaveOnRvStoresBothSizes()
{
    // The named calibration slot 2 of an RV monitor gets the 17-point table and then the
    // 33-point one made from it, two seconds apart.
    const int before = m_rv.dumps().size();
    const Result result = run({QStringLiteral("device"), m_rv.host(), m_kt.host(), QStringLiteral("lut"), QStringLiteral("save"),
                               m_identity17, QStringLiteral("--func"), QStringLiteral("calibration"), QStringLiteral("--slot"),
                               QStringLiteral("2")});
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    QVERIFY(result.elapsedMs >= 2000);
    const QStringList uploads = m_rv.dumpsSince(before);
    QCOMPARE(uploads.size(), 2);
    QVERIFY2(uploads.at(0).contains(QStringLiteral("monitor_lut_0x0310_0x0302_store_slot2")), qPrintable(uploads.at(0)));
    QVERIFY2(uploads.at(1).contains(QStringLiteral("monitor_lut_0x0310_0x0302_store_slot2")), qPrintable(uploads.at(1)));
    QCOMPARE(readFile(m_rv.dumpPath(uploads.at(0))), readFile(m_identity17));
    QCOMPARE(readFile(m_rv.dumpPath(uploads.at(1))), CubeFiles::cubeFile(33, CubeFiles::identity(33), 6));
    // The KT monitor in the same call: its general box passes Id 2 as slot 1.
    QVERIFY(m_kt.log().contains(QStringLiteral("command protocol=0x0310 request=0x0301 ")));
}

void TestCliDevice::lutLoadAndSwitch()
{
    // Recall slot 4 of the Cubrix's 3D LUT: request 0x0403, then the box's state shows it.
    Result result = run({QStringLiteral("device"), m_cubrix.host(), m_kt.host(), QStringLiteral("lut"), QStringLiteral("load"),
                         QStringLiteral("--slot"), QStringLiteral("4")});
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    QCOMPARE(m_cubrix.commandCount(0x0311, 0x0403), 1);
    QCOMPARE(m_kt.commandCount(0x0311, 0x0403), 1);
    result = run({QStringLiteral("device"), m_cubrix.host(), QStringLiteral("info"), QStringLiteral("--json")});
    const QJsonObject box = jsonArrayOf(result).at(0).toObject().value(QStringLiteral("box")).toObject();
    QCOMPARE(box.value(QStringLiteral("boxmode1_ch1_3dlut_load")).toInt(), 4);
    QCOMPARE(box.value(QStringLiteral("boxmode1_ch1_3dlut_state")).toInt(), 1);

    // Off, then on again: the Cubrix always addresses slot 0 ...
    result = run({QStringLiteral("device"), m_cubrix.host(), QStringLiteral("lut"), QStringLiteral("off")});
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    QCOMPARE(m_cubrix.commandCount(0x0311, 0x0000), 1);
    result = run({QStringLiteral("device"), m_cubrix.host(), QStringLiteral("info"), QStringLiteral("--json")});
    QCOMPARE(jsonArrayOf(result).at(0).toObject().value(QStringLiteral("box")).toObject()
                 .value(QStringLiteral("boxmode1_ch1_3dlut_state")).toInt(), 0);
    // ... a monitor's switch takes the slot: post-DIT 1D, Id 2.
    result = run({QStringLiteral("device"), m_kt.host(), QStringLiteral("lut"), QStringLiteral("on"), QStringLiteral("--type"),
                  QStringLiteral("1d"), QStringLiteral("--func"), QStringLiteral("post-dit"), QStringLiteral("--slot"), QStringLiteral("2")});
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    QCOMPARE(m_kt.commandCount(0x0302, 0x0101), 1);
}

void TestCliDevice::lutRefusedBeforeAnyDevice_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("message");
    QList<QByteArray> lines = CubeFiles::splitLines(CubeFiles::cubeFile(17, CubeFiles::identity(17), 6));
    lines[40] = "0.1 0.2";
    QByteArray shortCube;
    for (const QByteArray &line : lines)
        shortCube += line + '\n';
    QTest::newRow("cube with a broken line") << QStringLiteral("broken.cube") << shortCube << QStringLiteral("4912 entries");
    QByteArray image = binaryImage(identityEntries(17));
    image[500] = char(image[500] ^ 0x01);
    QTest::newRow("binary image with a wrong checksum") << QStringLiteral("damaged.dat") << image
                                                        << QStringLiteral("data checksum");
    QTest::newRow("short binary image") << QStringLiteral("short.dat") << image.left(1000) << QStringLiteral("1000 bytes");
    QTest::newRow("empty 1D LUT") << QStringLiteral("empty.lut") << QByteArray() << QStringLiteral("is empty");
    QTest::newRow("missing file") << QStringLiteral("") << QByteArray() << QStringLiteral("no such file");
}

void TestCliDevice::lutRefusedBeforeAnyDevice()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    QFETCH(QString, message);
    const QString path = name.isEmpty() ? m_files.filePath(QStringLiteral("nothing.cube")) : file(name, contents);
    const int rv = m_rv.connections();
    const int cubrix = m_cubrix.connections();
    const Result result = run({QStringLiteral("device"), m_rv.host(), m_cubrix.host(), QStringLiteral("lut"), QStringLiteral("send"), path});
    QVERIFY2(result.clean() && result.exitCode == 1, qPrintable(result.describe()));
    QVERIFY2(result.err.contains(message), qPrintable(result.describe()));
    QTest::qWait(100);
    QCOMPARE(m_rv.connections(), rv);
    QCOMPARE(m_cubrix.connections(), cubrix);
}

void TestCliDevice::lutRefusedPerHost()
{
    // The Cubrix has no 3D box LUT to switch; the monitor (which loads box 3D as DIT) does
    // its part and the exit status still tells of the failure.
    Result result = run({QStringLiteral("device"), m_kt.host(), m_cubrix.host(), QStringLiteral("lut"), QStringLiteral("load"),
                         QStringLiteral("--func"), QStringLiteral("post-calibration"), QStringLiteral("--type"), QStringLiteral("1d"),
                         QStringLiteral("--slot"), QStringLiteral("1")});
    QVERIFY2(result.exitCode == 1 && result.clean(), qPrintable(result.describe()));
    QVERIFY(result.out.contains(m_kt.host() + QStringLiteral(": monitor KT-2400: ok")));
    QVERIFY2(result.err.contains(m_cubrix.host() + QStringLiteral(": error: a Cubrix has no post-calibration LUT")), qPrintable(result.err));
    QCOMPARE(m_kt.commandCount(0x0303, 0x0400), 1);

    result = run({QStringLiteral("device"), m_cubrix.host(), QStringLiteral("lut"), QStringLiteral("on"), QStringLiteral("--func"),
                  QStringLiteral("box")});
    QCOMPARE(result.exitCode, 1);
    QVERIFY(result.err.contains(QStringLiteral("3D LUT functions are calibration and dit")));

    // A monitor refuses a 3D post-DIT LUT; the tool says what the class logged.
    result = run({QStringLiteral("device"), m_kt.host(), QStringLiteral("lut"), QStringLiteral("off"), QStringLiteral("--func"),
                  QStringLiteral("post-dit")});
    QCOMPARE(result.exitCode, 1);
    QVERIFY2(result.err.contains(QStringLiteral("was not sent: Unknown lut func: 4")), qPrintable(result.err));

    // The named calibration slots of an RV monitor end at 6.
    result = run({QStringLiteral("device"), m_rv.host(), QStringLiteral("lut"), QStringLiteral("load"), QStringLiteral("--func"),
                  QStringLiteral("calibration"), QStringLiteral("--slot"), QStringLiteral("7")});
    QCOMPARE(result.exitCode, 1);
    QVERIFY(result.err.contains(QStringLiteral("named slots 1 to 6")));
}

void TestCliDevice::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("no host") << QStringList{QStringLiteral("info")} << QStringLiteral("at least one HOST");
    QTest::newRow("no action") << QStringList{QStringLiteral("127.0.0.1")} << QStringLiteral("needs an action");
    QTest::newRow("not an address") << QStringList{QStringLiteral("monitor-7"), QStringLiteral("info")} << QStringLiteral("not a device address");
    QTest::newRow("address out of range") << QStringList{QStringLiteral("300.1.1.1"), QStringLiteral("info")} << QStringLiteral("not a device address");
    QTest::newRow("port out of range") << QStringList{QStringLiteral("127.0.0.1:70000"), QStringLiteral("info")} << QStringLiteral("1 to 65535");
    QTest::newRow("any address") << QStringList{QStringLiteral("0.0.0.0"), QStringLiteral("info")} << QStringLiteral("cannot be a device");
    QTest::newRow("host twice") << QStringList{QStringLiteral("127.0.0.1:5000"), QStringLiteral("127.0.0.1:5000"), QStringLiteral("info")}
                                << QStringLiteral("listed twice");
    QTest::newRow("both kinds") << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("--monitor"), QStringLiteral("--cubrix"), QStringLiteral("info")}
                                << QStringLiteral("exclude each other");
    QTest::newRow("timeout zero") << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("info"), QStringLiteral("--timeout"), QStringLiteral("0")}
                                  << QStringLiteral("--timeout must be");
    QTest::newRow("unknown key") << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("key"), QStringLiteral("launch")} << QStringLiteral("unknown key 'launch'");
    QTest::newRow("save without slot") << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("lut"), QStringLiteral("save"), QStringLiteral("x.cube")}
                                       << QStringLiteral("needs --slot N");
    QTest::newRow("slot 17") << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("lut"), QStringLiteral("load"), QStringLiteral("--slot"), QStringLiteral("17")}
                             << QStringLiteral("--slot must be 1 to 16");
    QTest::newRow("send to a slot") << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("lut"), QStringLiteral("send"), QStringLiteral("x.cube"), QStringLiteral("--slot"), QStringLiteral("2")}
                                    << QStringLiteral("active LUT");
    QTest::newRow("bits 9") << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("lut"), QStringLiteral("send"), QStringLiteral("x.cube"), QStringLiteral("--bits"), QStringLiteral("9")}
                            << QStringLiteral("--bits must be 8, 10 or 12");
    QTest::newRow("unknown function") << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("lut"), QStringLiteral("on"), QStringLiteral("--func"), QStringLiteral("look")}
                                      << QStringLiteral("--func must be");
    QTest::newRow("unknown lut operation") << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("lut"), QStringLiteral("erase")}
                                           << QStringLiteral("unknown lut operation 'erase'");
    QTest::newRow("option among the hosts") << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("--slot"), QStringLiteral("2"), QStringLiteral("lut"), QStringLiteral("load")}
                                            << QStringLiteral("options of lut go after it");
    QTest::newRow("capture without output") << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("frame"), QStringLiteral("capture")}
                                            << QStringLiteral("needs --out FILE");
    QTest::newRow("capture to a gif") << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("frame"), QStringLiteral("capture"), QStringLiteral("--out"), QStringLiteral("a.gif")}
                                      << QStringLiteral("must end in .raw, .png, .jpg or .bmp");
    QTest::newRow("analyzer without files") << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("analyzer"), QStringLiteral("--last")}
                                            << QStringLiteral("--png FILE and/or --pdf FILE");
    QTest::newRow("firmware without file") << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("firmware")} << QStringLiteral("needs a FILE");
    QTest::newRow("info with extra words") << QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("info"), QStringLiteral("now")}
                                           << QStringLiteral("unexpected argument 'now'");
}

void TestCliDevice::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Result result = run(QStringList{QStringLiteral("device")} + arguments);
    QVERIFY2(result.clean() && result.exitCode == 2, qPrintable(result.describe()));
    QVERIFY2(result.err.contains(message), qPrintable(result.describe()));
}

void TestCliDevice::help_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("usage");
    QTest::newRow("device") << QStringList{QStringLiteral("device"), QStringLiteral("--help")} << QStringLiteral("Usage: brevanto-cli device HOST...");
    QTest::newRow("info") << QStringList{QStringLiteral("device"), QStringLiteral("127.0.0.1"), QStringLiteral("info"), QStringLiteral("--help")}
                          << QStringLiteral("Usage: brevanto-cli device HOST... info");
    QTest::newRow("key") << QStringList{QStringLiteral("device"), QStringLiteral("key"), QStringLiteral("-h")} << QStringLiteral("Usage: brevanto-cli device HOST... key NAME");
    QTest::newRow("lut") << QStringList{QStringLiteral("device"), QStringLiteral("lut"), QStringLiteral("--help")} << QStringLiteral("Usage: brevanto-cli device HOST... lut send");
    QTest::newRow("frame") << QStringList{QStringLiteral("device"), QStringLiteral("frame"), QStringLiteral("capture"), QStringLiteral("--help")}
                           << QStringLiteral("Usage: brevanto-cli device HOST... frame capture");
    QTest::newRow("firmware") << QStringList{QStringLiteral("device"), QStringLiteral("firmware"), QStringLiteral("--help")} << QStringLiteral("Usage: brevanto-cli device HOST... firmware FILE");
    QTest::newRow("analyzer") << QStringList{QStringLiteral("device"), QStringLiteral("analyzer"), QStringLiteral("--help")} << QStringLiteral("Usage: brevanto-cli device HOST... analyzer");
}

void TestCliDevice::help()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, usage);
    const Result result = run(arguments);
    QVERIFY2(result.exitCode == 0 && result.clean(), qPrintable(result.describe()));
    QVERIFY2(result.out.startsWith(usage), qPrintable(result.out));
}

QTEST_MAIN(TestCliDevice)
#include "tst_cli_device.moc"
