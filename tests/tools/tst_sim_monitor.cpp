#include "simprocess.h"

#include <QDir>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

// The simulator playing a monitor, driven through the program's transport.
class TestSimMonitor : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void identity_data();
    void identity();
    void channelItems_data();
    void channelItems();
    void missingChannelIsRefused();
    void cubrixQueriesAreRefused();
    void lutLoadReportsStoredFormat_data();
    void lutLoadReportsStoredFormat();
    void markerListFollowsUploadAndDelete();
    void markerNameIsTruncatedTo32Bytes();
    void analyzerPictureIsPng_data();
    void analyzerPictureIsPng();
    void lastAnalyzerRepeatsCurrent();
    void scopeFrameSizes_data();
    void scopeFrameSizes();
    void waveformShowsBarLevels();
    void vectorShowsBarTargets();
    void captureFrameHeaderAndBars();
    void rotaryKnobsChangeSelectedChannel();
    void firmwareIsKeptAndDumped();
    void badNetworkPayloadIsRefused();
    void everyCommandIsLogged();

private:
    QByteArray findDump(const QString &nameFilter, const QByteArray &content);

    QTemporaryDir m_dumpDir;
    SimProcess m_sim;
    std::unique_ptr<SimClient> m_client;
};

namespace {
// Published 10-bit BT.709 values of 75% colour bars (Y, Cb, Cr), white to black.
const int Bars75[8][3] = {{721, 512, 512}, {674, 176, 543}, {581, 589, 176}, {534, 253, 207},
                          {251, 771, 817}, {204, 435, 848}, {111, 848, 481}, {64, 512, 512}};

QByteArray be32Bytes(quint32 value)
{
    QByteArray out(4, '\0');
    qToBigEndian(value, reinterpret_cast<uchar *>(out.data()));
    return out;
}

qint32 be32At(const QByteArray &data, int offset)
{
    return qFromBigEndian<qint32>(reinterpret_cast<const uchar *>(data.constData()) + offset);
}

qint32 le32At(const QByteArray &data, int offset)
{
    return qFromLittleEndian<qint32>(reinterpret_cast<const uchar *>(data.constData()) + offset);
}

QStringList markerNames(const QByteArray &reply)
{
    QStringList names;
    if (reply.size() < 4)
        return names;
    const quint32 count = qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(reply.constData()));
    for (quint32 i = 0; i < count && 4 + 32 * (i + 1) <= static_cast<quint32>(reply.size()); ++i) {
        const QByteArray field = reply.mid(4 + 32 * static_cast<int>(i), 32);
        const int zero = field.indexOf('\0');
        names << QString::fromUtf8(zero < 0 ? field : field.left(zero));
    }
    return names;
}

QByteArray nameField(const QByteArray &name)
{
    return name.left(32).leftJustified(32, '\0');
}
} // namespace

void TestSimMonitor::initTestCase()
{
    QVERIFY(m_dumpDir.isValid());
    QVERIFY(m_sim.start({QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--family"), QStringLiteral("kt"),
                         QStringLiteral("--model"), QStringLiteral("KT-Test 17"), QStringLiteral("--version"), QStringLiteral("9.8.7"),
                         QStringLiteral("--serial"), QStringLiteral("KT0001"), QStringLiteral("--channel-names"),
                         QStringLiteral("SDI A,SDI B,HDMI"), QStringLiteral("--ports"), QStringLiteral("2"),
                         QStringLiteral("--channel-modes"), QStringLiteral("1080i 50,2160p 25"), QStringLiteral("--frame-format"),
                         QStringLiteral("2"), QStringLiteral("--dump-dir"), m_dumpDir.path()}));
    m_client = std::make_unique<SimClient>(m_sim);
    QVERIFY(m_client->connect());
}

void TestSimMonitor::cleanupTestCase()
{
    m_client.reset();
    m_sim.stop();
}

QByteArray TestSimMonitor::findDump(const QString &nameFilter, const QByteArray &content)
{
    const QDir dir(m_dumpDir.path());
    for (const QString &name : dir.entryList({nameFilter}, QDir::Files)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly) && file.readAll() == content)
            return name.toUtf8();
    }
    return QByteArray();
}

void TestSimMonitor::identity_data()
{
    QTest::addColumn<int>("request");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("model") << 0 << QByteArray("KT-Test 17");
    QTest::newRow("version") << 1 << QByteArray("9.8.7");
    QTest::newRow("serial") << 2 << QByteArray("KT0001");
    QTest::newRow("channel count") << 3 << be32Bytes(3);
    QTest::newRow("port count") << 4 << be32Bytes(2);
}

void TestSimMonitor::identity()
{
    QFETCH(int, request);
    QFETCH(QByteArray, expected);
    const QByteArray reply = m_client->query(0x0100, static_cast<quint16>(request));
    if (request <= 2) {
        // Text up to the first zero byte.
        QCOMPARE(reply.left(reply.indexOf('\0') < 0 ? reply.size() : reply.indexOf('\0')), expected);
    } else {
        QCOMPARE(reply, expected);
    }
}

void TestSimMonitor::channelItems_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<int>("port");
    QTest::newRow("first") << 0 << QByteArray("SDI A") << QByteArray("1080i 50") << 1;
    QTest::newRow("second") << 1 << QByteArray("SDI B") << QByteArray("2160p 25") << 2;
    // Only two ports for three channels: the third channel shares the first port.
    QTest::newRow("third") << 2 << QByteArray("HDMI") << QByteArray("1920x1080p 25") << 1;
}

void TestSimMonitor::channelItems()
{
    QFETCH(int, channel);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, mode);
    QFETCH(int, port);
    const quint16 base = static_cast<quint16>(channel << 8);
    QCOMPARE(m_client->query(0x0101, base | 0x10), name + '\0');
    QCOMPARE(m_client->query(0x0101, base | 0x01), mode + '\0');
    const QByteArray portReply = m_client->query(0x0101, base | 0x00);
    QCOMPARE(portReply.size(), 4);
    QCOMPARE(be32At(portReply, 0), port);
    for (quint16 item = 0x02; item <= 0x06; ++item)
        QCOMPARE(m_client->query(0x0101, base | item).size(), 4);
}

void TestSimMonitor::missingChannelIsRefused()
{
    QSignalSpy errors(&m_client->device(), &DeviceBase::protocolError);
    QVERIFY(m_client->exchange(0x0101, 0x0310));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), 0x0101);
    QCOMPARE(errors.at(0).at(1).toInt(), 0x0310);
    QVERIFY(errors.at(0).at(2).toInt() != 0);
}

void TestSimMonitor::cubrixQueriesAreRefused()
{
    // A Cubrix tab connected to a monitor must hear about its mistake.
    QSignalSpy errors(&m_client->device(), &DeviceBase::protocolError);
    for (quint16 request : {5, 8, 22})
        QVERIFY(m_client->exchange(0x0100, request));
    QCOMPARE(errors.size(), 3);
    QCOMPARE(errors.at(0).at(1).toInt(), 5);
    QCOMPARE(m_client->query(0x0100, 0).left(2), QByteArray("KT"));
}

void TestSimMonitor::lutLoadReportsStoredFormat_data()
{
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("3D 33-point cube") << 0x0311 << 5 << QByteArray("TITLE \"x\"\nLUT_3D_SIZE 33\n0.0 0.0 0.0\n")
                                      << QList<int>{10, 10, 33};
    QTest::newRow("3D 17-point cube") << 0x0311 << 6 << QByteArray("LUT_3D_SIZE 17\r\n0 0 0\r\n") << QList<int>{10, 10, 17};
    // 4096 entries address 12 input bits; the table declares 12 output bits.
    QTest::newRow("1D DIT 12 bit") << 0x0301 << 3 << QByteArray("LUT_1D_SIZE 4096\nLUT_1D_BITS 12\n0 0 0\n")
                                   << QList<int>{12, 12};
    QTest::newRow("1D box 16 bit") << 0x0302 << 2 << QByteArray("LUT_1D_SIZE 1024\nLUT_1D_BITS 16\n0 0 0\n")
                                   << QList<int>{10, 16};
}

void TestSimMonitor::lutLoadReportsStoredFormat()
{
    QFETCH(int, protocol);
    QFETCH(int, slot);
    QFETCH(QByteArray, table);
    QFETCH(QList<int>, expected);
    QSignalSpy errors(&m_client->device(), &DeviceBase::protocolError);
    QVERIFY(m_client->exchange(static_cast<quint16>(protocol), static_cast<quint16>(0x0300 | slot), table));
    const QByteArray reply = m_client->query(static_cast<quint16>(protocol), static_cast<quint16>(0x0400 | slot));
    QCOMPARE(errors.size(), 0);
    QCOMPARE(reply.size(), 4 * expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(le32At(reply, 4 * i), expected.at(i));
    QVERIFY2(!findDump(QStringLiteral("*store_slot%1*").arg(slot), table).isEmpty(), "upload not dumped");
}

void TestSimMonitor::markerListFollowsUploadAndDelete()
{
    const QStringList before = markerNames(m_client->query(0x0404, 0x0005));
    QVERIFY(!before.contains(QStringLiteral("Grid")));

    const QByteArray picture("\x89PNG\r\n\x1a\nfake marker picture");
    QVERIFY(m_client->exchange(0x0404, 0x0003, nameField("Grid") + picture));
    const QStringList afterUpload = markerNames(m_client->query(0x0404, 0x0005));
    QCOMPARE(afterUpload, QStringList(before) << QStringLiteral("Grid"));
    QVERIFY(!findDump(QStringLiteral("*marker_Grid*.png"), picture).isEmpty());

    QByteArray remove("\x01\x00\x00\x00", 4);
    QVERIFY(m_client->exchange(0x0404, 0x0006, remove + nameField("Grid")));
    QCOMPARE(markerNames(m_client->query(0x0404, 0x0005)), before);

    QSignalSpy errors(&m_client->device(), &DeviceBase::protocolError);
    QVERIFY(m_client->exchange(0x0404, 0x0006, remove + nameField("Grid")));
    QCOMPARE(errors.size(), 1);
}

void TestSimMonitor::markerNameIsTruncatedTo32Bytes()
{
    const QByteArray longName = QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd");
    QCOMPARE(longName.size(), 40);
    QVERIFY(m_client->exchange(0x0404, 0x0003, nameField(longName) + QByteArray("picture")));
    const QByteArray reply = m_client->query(0x0404, 0x0005);
    QVERIFY(markerNames(reply).contains(QString::fromLatin1(longName.left(32))));
    // The field of a 32-byte name has no room for a terminator.
    QVERIFY(reply.contains(longName.left(32)));
}

void TestSimMonitor::analyzerPictureIsPng_data()
{
    QTest::addColumn<int>("request");
    QTest::addColumn<bool>("white");
    QTest::newRow("current, print style") << 0x0000 << true;
    QTest::newRow("last, print style") << 0x0001 << true;
    QTest::newRow("current, screen style") << 0x0010 << false;
    QTest::newRow("last, screen style") << 0x0011 << false;
}

void TestSimMonitor::analyzerPictureIsPng()
{
    QFETCH(int, request);
    QFETCH(bool, white);
    const QByteArray png = m_client->query(0x0405, static_cast<quint16>(request));
    QVERIFY(png.startsWith("\x89PNG\r\n\x1a\n"));
    QImage image;
    QVERIFY(image.loadFromData(png, "PNG"));
    QVERIFY(image.width() >= 640 && image.height() >= 360);
    const int corner = qGray(image.pixel(2, image.height() - 3));
    if (white)
        QVERIFY2(corner > 200, qPrintable(QString::number(corner)));
    else
        QVERIFY2(corner < 60, qPrintable(QString::number(corner)));
}

void TestSimMonitor::lastAnalyzerRepeatsCurrent()
{
    const QByteArray current = m_client->query(0x0405, 0x0010);
    const QByteArray last = m_client->query(0x0405, 0x0011);
    QVERIFY(!current.isEmpty());
    QCOMPARE(last, current);
}

void TestSimMonitor::scopeFrameSizes_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::newRow("waveform") << 1 << 128 * 256;
    QTest::newRow("vector") << 2 << 128 * 128;
    QTest::newRow("both") << 3 << 128 * 256 + 128 * 128;
}

void TestSimMonitor::scopeFrameSizes()
{
    QFETCH(int, type);
    QFETCH(int, size);
    QCOMPARE(m_client->query(0x0403, static_cast<quint16>(type)).size(), size);
}

void TestSimMonitor::waveformShowsBarLevels()
{
    const QByteArray frame = m_client->query(0x0403, 1);
    QCOMPARE(frame.size(), 32768);
    // Each bar covers 30 of the 240 columns; take the column in its middle. Level rows are
    // the 10-bit luma divided by 8, and row r is line 127 - r of the frame. The signal moves
    // by a few codes, so the trace may sit up to two rows off; neighbouring bars are six apart.
    for (int bar = 0; bar < 8; ++bar) {
        const int column = bar * 30 + 15;
        int brightestLine = -1;
        int brightest = 0;
        for (int line = 0; line < 128; ++line) {
            const int value = static_cast<quint8>(frame.at(line * 256 + column));
            if (value > brightest) {
                brightest = value;
                brightestLine = line;
            }
        }
        const int expectedRow = qRound(Bars75[bar][0] / 8.0);
        QVERIFY2(qAbs((127 - brightestLine) - expectedRow) <= 2,
                 qPrintable(QStringLiteral("bar %1: row %2, expected %3").arg(bar).arg(127 - brightestLine).arg(expectedRow)));
        QVERIFY(brightest > 128);
    }
    // The unused tail of each line stays dark.
    for (int line = 0; line < 128; ++line)
        QCOMPARE(frame.mid(line * 256 + 240, 16), QByteArray(16, '\0'));
}

void TestSimMonitor::vectorShowsBarTargets()
{
    const QByteArray frame = m_client->query(0x0403, 2);
    QCOMPARE(frame.size(), 16384);
    auto peakNear = [&frame](int column, int line) {
        int peak = 0;
        for (int r = line - 3; r <= line + 3; ++r)
            for (int c = column - 3; c <= column + 3; ++c)
                if (r >= 0 && r < 128 && c >= 0 && c < 128)
                    peak = qMax(peak, static_cast<int>(static_cast<quint8>(frame.at(r * 128 + c))));
        return peak;
    };
    // Eight 10-bit codes per plane unit: Cb along the columns, Cr along the lines.
    for (int bar = 0; bar < 8; ++bar) {
        const int column = 64 + qRound((Bars75[bar][1] - 512) / 8.0);
        const int line = 64 + qRound((Bars75[bar][2] - 512) / 8.0);
        QVERIFY2(peakNear(column, line) > 128, qPrintable(QStringLiteral("bar %1 at %2,%3").arg(bar).arg(column).arg(line)));
    }
    // Far from every target (and from the transitions between them) nothing is drawn.
    QCOMPARE(peakNear(4, 4), 0);
    QCOMPARE(peakNear(123, 123), 0);
}

void TestSimMonitor::captureFrameHeaderAndBars()
{
    const QByteArray frame = m_client->query(0x0400, 0x0000);
    const auto *p = reinterpret_cast<const uchar *>(frame.constData());
    QVERIFY(frame.size() >= 12);
    const int width = qFromBigEndian<quint16>(p);
    const int height = qFromBigEndian<quint16>(p + 2);
    const int pitch = qFromBigEndian<quint16>(p + 4);
    QCOMPARE(width, 1920);
    QCOMPARE(height, 1080);
    QCOMPARE(pitch, 1920 * 4);
    QCOMPARE(int(qFromBigEndian<quint16>(p + 6)), 2);
    QCOMPARE(frame.size(), 12 + height * pitch);
    // Monitors stamp the hours in BCD and the other fields in binary.
    QVERIFY((p[8] >> 4) <= 2 && (p[8] & 0x0F) <= 9);
    QVERIFY(p[9] < 60 && p[10] < 60 && p[11] < 25);
    for (int bar = 0; bar < 8; ++bar) {
        const int x = bar * 240 + 120;
        const quint32 word = qFromBigEndian<quint32>(p + 12 + 540 * pitch + x * 4);
        QCOMPARE(int((word >> 10) & 0x3FF), Bars75[bar][0]);
        QCOMPARE(int((word >> 20) & 0x3FF), Bars75[bar][1]);
        QCOMPARE(int(word & 0x3FF), Bars75[bar][2]);
    }
}

void TestSimMonitor::rotaryKnobsChangeSelectedChannel()
{
    QVERIFY(m_client->exchange(0x0001, 17)); // input 2 selects the second channel
    const int brightBefore = be32At(m_client->query(0x0101, 0x0102), 0);
    const int firstChannelBright = be32At(m_client->query(0x0101, 0x0002), 0);
    QVERIFY(m_client->exchange(0x0001, 0x0052)); // brightness knob clockwise
    QVERIFY(m_client->exchange(0x0001, 0x0052));
    QCOMPARE(be32At(m_client->query(0x0101, 0x0102), 0), brightBefore + 2);
    QVERIFY(m_client->exchange(0x0001, 0x0062)); // counter-clockwise
    QCOMPARE(be32At(m_client->query(0x0101, 0x0102), 0), brightBefore + 1);
    QCOMPARE(be32At(m_client->query(0x0101, 0x0002), 0), firstChannelBright);
    const int volumeBefore = be32At(m_client->query(0x0101, 0x0106), 0);
    QVERIFY(m_client->exchange(0x0001, 0x0064)); // volume counter-clockwise
    QCOMPARE(be32At(m_client->query(0x0101, 0x0106), 0), volumeBefore - 1);
    QVERIFY(m_client->exchange(0x0001, 0x0042)); // pushing the knob restores the default
    QCOMPARE(be32At(m_client->query(0x0101, 0x0102), 0), brightBefore);
}

void TestSimMonitor::firmwareIsKeptAndDumped()
{
    QSignalSpy complete(&m_client->device(), &DeviceBase::updateFirmwareComplete);
    QByteArray image(100000, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>(i * 7);
    QVERIFY(m_client->exchange(0x0005, 0x0002, image));
    QCOMPARE(complete.size(), 1);
    QVERIFY(findDump(QStringLiteral("*firmware*.brec"), image).size() > 0);

    QSignalSpy errors(&m_client->device(), &DeviceBase::protocolError);
    QVERIFY(m_client->exchange(0x0005, 0x0001, QByteArray()));
    QCOMPARE(errors.size(), 1);
}

void TestSimMonitor::badNetworkPayloadIsRefused()
{
    QSignalSpy errors(&m_client->device(), &DeviceBase::protocolError);
    QVERIFY(m_client->exchange(0x0500, 0x0001, QByteArray(11, '\x01')));
    QCOMPARE(errors.size(), 1);
    QVERIFY(m_client->exchange(0x0500, 0x0001, QByteArray::fromHex("7F000002FFFFFF007F000001")));
    QVERIFY(m_client->exchange(0x0500, 0x0004, QByteArray("net:secret")));
    QVERIFY(m_client->exchange(0x0002, 0x0103));
    QCOMPARE(errors.size(), 1);
}

void TestSimMonitor::everyCommandIsLogged()
{
    QVERIFY(m_client->exchange(0x0004, 0x0101, QByteArray("hello")));
    QVERIFY(m_sim.waitForLog(QStringLiteral("command protocol=0x0004 request=0x0101 length=5")));
    const int before = m_sim.countInLog(QStringLiteral(" command protocol="));
    for (int i = 0; i < 5; ++i)
        QVERIFY(m_client->exchange(0x0001, 32));
    QVERIFY(m_sim.waitForLog(QStringLiteral("request=0x0020")));
    QTRY_COMPARE_WITH_TIMEOUT(m_sim.countInLog(QStringLiteral(" command protocol=")), before + 5, 5000);
}

QTEST_GUILESS_MAIN(TestSimMonitor)
#include "tst_sim_monitor.moc"
