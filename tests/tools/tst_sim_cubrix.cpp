#include "simprocess.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

// The simulator playing a Cubrix, driven through the program's transport.
class TestSimCubrix : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void frameDecoderMatchesPublishedExample();
    void identity();
    void sweepReplyLayouts_data();
    void sweepReplyLayouts();
    void lutFormatWordsAreLittleEndian();
    void modeAndChannelKeys();
    void lutSwitchAndLoadShowInChannelBlock();
    void lutStateIsPerModeAndChannel();
    void rangeAndInput();
    void signalWordIsSigned();
    void generatorSettings();
    void frameOverlay();
    void uploadsAreDumped();
    void captureFrames_data();
    void captureFrames();
    void captureRefusedInGeneratorMode();
    void ancillaryStateAndList();
    void ancillaryPacketData();
    void ancillaryTimecodePacket();
    void scopeAvailabilityFollowsMode();

private:
    void setMode(int mode, int channel = 1);
    QList<int> words(const QByteArray &payload);
    QByteArray findDump(const QString &nameFilter, const QByteArray &content);

    QTemporaryDir m_dumpDir;
    SimProcess m_sim;
    std::unique_ptr<SimClient> m_client;
};

namespace {
// Published 10-bit BT.709 values of 75% colour bars (Y, Cb, Cr), white to black.
const int Bars75[8][3] = {{721, 512, 512}, {674, 176, 543}, {581, 589, 176}, {534, 253, 207},
                          {251, 771, 817}, {204, 435, 848}, {111, 848, 481}, {64, 512, 512}};
// 75% R'G'B' in 10-bit video range: 64 + 0.75 x 876 = 721 for a lit component.
const int BarsRgb75[8][3] = {{721, 721, 721}, {721, 721, 64}, {64, 721, 721}, {64, 721, 64},
                             {721, 64, 721}, {721, 64, 64}, {64, 64, 721}, {64, 64, 64}};

QByteArray be32Bytes(quint32 value)
{
    QByteArray out(4, '\0');
    qToBigEndian(value, reinterpret_cast<uchar *>(out.data()));
    return out;
}

int fromBcd(quint8 value)
{
    return (value >> 4) * 10 + (value & 0x0F);
}

bool isBcd(quint8 value)
{
    return (value >> 4) <= 9 && (value & 0x0F) <= 9;
}

// Independent reading of one pixel of a frame line, written from the published layouts.
struct Yuv {
    int a, b, c; // Y, Cb, Cr or R, G, B
};

Yuv samplePixel(const uchar *line, int x, int format)
{
    auto be = [line](int word) { return qFromBigEndian<quint32>(line + 4 * word); };
    auto le = [line](int word) { return qFromLittleEndian<quint32>(line + 4 * word); };
    switch (format) {
    case 1: {
        // Six pixels in 128 bits: 4 unused, Cb01, Y0, Cr01, Y1, Cb23, Y2, 4 unused, Cr23, Y3, Cb45, Y4, Cr45, Y5.
        const int group = x / 6;
        const quint64 hi = (quint64(be(group * 4)) << 32) | be(group * 4 + 1);
        const quint64 lo = (quint64(be(group * 4 + 2)) << 32) | be(group * 4 + 3);
        auto field = [](quint64 bits, int fromTop) { return int((bits >> (64 - fromTop - 10)) & 0x3FF); };
        const int ys[6] = {field(hi, 14), field(hi, 34), field(hi, 54), field(lo, 14), field(lo, 34), field(lo, 54)};
        const int cbs[3] = {field(hi, 4), field(hi, 44), field(lo, 24)};
        const int crs[3] = {field(hi, 24), field(lo, 4), field(lo, 44)};
        const int pair = (x % 6) / 2;
        return Yuv{ys[x % 6], cbs[pair], crs[pair]};
    }
    case 2: {
        const quint32 w = be(x);
        return Yuv{int((w >> 10) & 0x3FF), int((w >> 20) & 0x3FF), int(w & 0x3FF)};
    }
    case 258: {
        const quint32 w = le(x);
        return Yuv{int((w >> 10) & 0x3FF), int((w >> 20) & 0x3FF), int(w & 0x3FF)};
    }
    default: {
        const quint32 w = le(x);
        return Yuv{int(w & 0x3FF), int((w >> 10) & 0x3FF), int((w >> 20) & 0x3FF)};
    }
    }
}

struct AncPacket {
    int did, sdid, dc, cs;
    QByteArray data;
};

QList<AncPacket> parsePackets(const QByteArray &message)
{
    QList<AncPacket> packets;
    int pos = 4;
    while (pos + 3 <= message.size()) {
        AncPacket p;
        p.did = quint8(message.at(pos));
        p.sdid = quint8(message.at(pos + 1));
        p.dc = quint8(message.at(pos + 2));
        if (pos + 3 + p.dc + 1 > message.size())
            break;
        p.data = message.mid(pos + 3, p.dc);
        p.cs = quint8(message.at(pos + 3 + p.dc));
        packets << p;
        pos += 4 + p.dc;
    }
    return packets;
}
} // namespace

void TestSimCubrix::initTestCase()
{
    QVERIFY(m_dumpDir.isValid());
    QVERIFY(m_sim.start({QStringLiteral("--role"), QStringLiteral("cubrix"), QStringLiteral("--serial"), QStringLiteral("CBX-T1"),
                         QStringLiteral("--dump-dir"), m_dumpDir.path()}));
    m_client = std::make_unique<SimClient>(m_sim);
    QVERIFY(m_client->connect());
}

void TestSimCubrix::cleanupTestCase()
{
    m_client.reset();
    m_sim.stop();
}

void TestSimCubrix::setMode(int mode, int channel)
{
    QVERIFY(m_client->exchange(0x0001, static_cast<quint16>(111 + mode)));
    if (mode == 2)
        QVERIFY(m_client->exchange(0x0001, static_cast<quint16>(127 + channel)));
    const QList<int> state = words(m_client->query(0x0100, 5));
    QCOMPARE(state, (QList<int>{mode, channel}));
}

QList<int> TestSimCubrix::words(const QByteArray &payload)
{
    QList<int> out;
    for (int i = 0; i + 1 < payload.size(); i += 2)
        out << qFromBigEndian<quint16>(reinterpret_cast<const uchar *>(payload.constData()) + i);
    return out;
}

QByteArray TestSimCubrix::findDump(const QString &nameFilter, const QByteArray &content)
{
    const QDir dir(m_dumpDir.path());
    for (const QString &name : dir.entryList({nameFilter}, QDir::Files)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly) && file.readAll() == content)
            return name.toUtf8();
    }
    return QByteArray();
}

void TestSimCubrix::frameDecoderMatchesPublishedExample()
{
    // The test's own 4:2:2 reader against a hand-checked group of six pixels.
    const QByteArray group = QByteArray::fromHex("08004080480808C0080D008114081580");
    const auto *line = reinterpret_cast<const uchar *>(group.constData());
    const int ys[6] = {0x040, 0x080, 0x0C0, 0x100, 0x140, 0x180};
    const int cbs[6] = {0x200, 0x200, 0x202, 0x202, 0x204, 0x204};
    const int crs[6] = {0x201, 0x201, 0x203, 0x203, 0x205, 0x205};
    for (int x = 0; x < 6; ++x) {
        const Yuv s = samplePixel(line, x, 1);
        QCOMPARE(s.a, ys[x]);
        QCOMPARE(s.b, cbs[x]);
        QCOMPARE(s.c, crs[x]);
    }
}

void TestSimCubrix::identity()
{
    QCOMPARE(m_client->query(0x0100, 0), QByteArray("Cubrix", 7));
    QCOMPARE(m_client->query(0x0100, 2), QByteArray("CBX-T1", 7));
    QVERIFY(!m_client->query(0x0100, 1).isEmpty());
    // The box never gets asked for its channel count, but answers it like the monitors.
    QCOMPARE(m_client->query(0x0100, 3), be32Bytes(2));
}

void TestSimCubrix::sweepReplyLayouts_data()
{
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("size");
    const int sizes[][2] = {{4, 4}, {5, 4}, {6, 8}, {7, 12}, {8, 16}, {9, 8}, {10, 12}, {11, 16}, {12, 16}, {13, 8},
                            {14, 8}, {15, 12}, {16, 16}, {17, 4}, {18, 4}, {19, 4}, {20, 2}, {21, 4}, {22, 4}};
    for (const auto &row : sizes)
        QTest::addRow("request %d", row[0]) << row[0] << row[1];
}

void TestSimCubrix::sweepReplyLayouts()
{
    QFETCH(int, request);
    QFETCH(int, size);
    QCOMPARE(m_client->query(0x0100, static_cast<quint16>(request)).size(), size);
}

void TestSimCubrix::lutFormatWordsAreLittleEndian()
{
    auto le = [](const QByteArray &data, int offset) {
        return qFromLittleEndian<qint32>(reinterpret_cast<const uchar *>(data.constData()) + offset);
    };
    // Single-channel mode works on 33-point cubes, dual channel on 17-point ones.
    const QByteArray mode1 = m_client->query(0x0100, 7);
    const QByteArray mode2 = m_client->query(0x0100, 10);
    QCOMPARE(le(mode1, 8), 33);
    QCOMPARE(le(mode2, 8), 17);
    for (const QByteArray &reply : {m_client->query(0x0100, 6), m_client->query(0x0100, 9), m_client->query(0x0100, 14),
                                    mode1, mode2, m_client->query(0x0100, 15)}) {
        for (int offset = 0; offset < 8; offset += 4) {
            const int bits = le(reply, offset);
            QVERIFY2(bits >= 8 && bits <= 16, qPrintable(QString::number(bits)));
        }
    }
}

void TestSimCubrix::modeAndChannelKeys()
{
    setMode(2, 1);
    QVERIFY(m_client->exchange(0x0001, 129));
    QCOMPARE(words(m_client->query(0x0100, 5)), (QList<int>{2, 2}));
    QVERIFY(m_client->exchange(0x0001, 128));
    QCOMPARE(words(m_client->query(0x0100, 5)), (QList<int>{2, 1}));
    QVERIFY(m_client->exchange(0x0001, 114));
    QCOMPARE(words(m_client->query(0x0100, 5)), (QList<int>{3, 1}));
    QVERIFY(m_client->exchange(0x0001, 112));
    // Channel 2 exists only in dual channel mode.
    QVERIFY(m_client->exchange(0x0001, 129));
    QCOMPARE(words(m_client->query(0x0100, 5)), (QList<int>{1, 1}));
    QVERIFY(m_client->exchange(0x0001, 145));
    QCOMPARE(m_client->query(0x0100, 22), be32Bytes(2));
    QVERIFY(m_client->exchange(0x0001, 144));
    QCOMPARE(m_client->query(0x0100, 22), be32Bytes(1));
}

void TestSimCubrix::lutSwitchAndLoadShowInChannelBlock()
{
    setMode(1);
    // Block words: 1D LUT 1 state, load, 3D state, load, 1D LUT 2 state, load, input, range.
    QVERIFY(m_client->exchange(0x0301, 0x0100));
    QCOMPARE(words(m_client->query(0x0100, 8)).at(0), 1);
    QVERIFY(m_client->exchange(0x0302, 0x0100));
    QCOMPARE(words(m_client->query(0x0100, 8)).at(4), 1);
    QVERIFY(m_client->exchange(0x0311, 0x0404));
    QList<int> block = words(m_client->query(0x0100, 8));
    QCOMPARE(block.at(2), 1);
    QCOMPARE(block.at(3), 5); // slot id 4 is slot number 5
    QVERIFY(m_client->exchange(0x0301, 0x0000));
    QVERIFY(m_client->exchange(0x0302, 0x0407));
    block = words(m_client->query(0x0100, 8));
    QCOMPARE(block.at(0), 0);
    QCOMPARE(block.at(5), 8);
    // Sending a table for immediate use replaces the loaded slot.
    QVERIFY(m_client->exchange(0x0311, 0x0230, QByteArray("LUT_3D_SIZE 33\n0 0 0\n")));
    QCOMPARE(words(m_client->query(0x0100, 8)).at(3), 0);
}

void TestSimCubrix::lutStateIsPerModeAndChannel()
{
    setMode(2, 2);
    const QList<int> channel1Before = words(m_client->query(0x0100, 11));
    QVERIFY(m_client->exchange(0x0311, 0x0402));
    QVERIFY(m_client->exchange(0x0301, 0x0100));
    const QList<int> channel2 = words(m_client->query(0x0100, 12));
    QCOMPARE(channel2.at(3), 3);
    QCOMPARE(channel2.at(0), 1);
    QCOMPARE(words(m_client->query(0x0100, 11)), channel1Before);

    setMode(3);
    QVERIFY(m_client->exchange(0x0302, 0x0101));
    QCOMPARE(words(m_client->query(0x0100, 16)).at(4), 1);
    QCOMPARE(words(m_client->query(0x0100, 12)), channel2);
    setMode(1);
}

void TestSimCubrix::rangeAndInput()
{
    setMode(1);
    QVERIFY(m_client->exchange(0x0304, 3));
    QCOMPARE(words(m_client->query(0x0100, 8)).at(7), 3);
    QVERIFY(m_client->exchange(0x0304, 0x0012));
    QCOMPARE(words(m_client->query(0x0100, 8)).at(6), 2);
    QVERIFY(m_client->exchange(0x0001, 16)); // input key SDI 1
    QCOMPARE(words(m_client->query(0x0100, 8)).at(6), 1);

    QSignalSpy errors(&m_client->device(), &DeviceBase::protocolError);
    QVERIFY(m_client->exchange(0x0304, 0x0014)); // the channel-2 output is no input in mode 1
    QCOMPARE(errors.size(), 1);

    setMode(2, 1);
    QVERIFY(m_client->exchange(0x0304, 0x0014));
    QCOMPARE(words(m_client->query(0x0100, 11)).at(6), 3);
    QVERIFY(m_client->exchange(0x0304, 4));
    QCOMPARE(words(m_client->query(0x0100, 11)).at(7), 4);
    QCOMPARE(words(m_client->query(0x0100, 8)).at(7), 3);

    setMode(3);
    QVERIFY(m_client->exchange(0x0304, 2));
    QCOMPARE(words(m_client->query(0x0100, 16)).at(7), 2);
    QCOMPARE(errors.size(), 1);
    setMode(1);
}

void TestSimCubrix::signalWordIsSigned()
{
    setMode(1);
    QVERIFY(m_client->exchange(0x0006, 0xFFFF));
    QByteArray reply = m_client->query(0x0100, 20);
    QCOMPARE(reply, QByteArray::fromHex("FFFF"));
    QCOMPARE(qint16(qFromBigEndian<quint16>(reinterpret_cast<const uchar *>(reply.constData()))), qint16(-1));
    QVERIFY(m_client->exchange(0x0006, 0x0205));
    QCOMPARE(m_client->query(0x0100, 20), QByteArray::fromHex("0205"));
}

void TestSimCubrix::generatorSettings()
{
    QSignalSpy errors(&m_client->device(), &DeviceBase::protocolError);
    QVERIFY(m_client->exchange(0x0600, 0x0001, QByteArray::fromHex("3FF00200")));
    QCOMPARE(words(m_client->query(0x0100, 13)).at(0), 2); // RGB
    QVERIFY(m_client->exchange(0x0600, 0x0002, QByteArray::fromHex("20080200")));
    QCOMPARE(words(m_client->query(0x0100, 13)).at(0), 1); // YCbCr
    QVERIFY(m_client->exchange(0x0600, 0x0003, be32Bytes(17)));
    QVERIFY(m_client->exchange(0x0600, 0x0004, be32Bytes(4)));
    QList<int> generator = words(m_client->query(0x0100, 13));
    QCOMPARE(generator.at(2), 17);
    QCOMPARE(generator.at(3), 4);
    QCOMPARE(errors.size(), 0);

    QVERIFY(m_client->exchange(0x0600, 0x0003, be32Bytes(6)));
    QVERIFY(m_client->exchange(0x0600, 0x0004, be32Bytes(5)));
    QVERIFY(m_client->exchange(0x0600, 0x0001, QByteArray::fromHex("3FF002")));
    QCOMPARE(errors.size(), 3);
    generator = words(m_client->query(0x0100, 13));
    QCOMPARE(generator.at(2), 17);
    QCOMPARE(generator.at(3), 4);

    const QByteArray frame(4096, '\x5A');
    QVERIFY(m_client->exchange(0x0600, 0x0005, frame));
    QCOMPARE(words(m_client->query(0x0100, 13)).at(1), 1);
    QVERIFY(!findDump(QStringLiteral("*generator*"), frame).isEmpty());
}

void TestSimCubrix::frameOverlay()
{
    setMode(1);
    QVERIFY(m_client->exchange(0x0401, 0x0100));
    QCOMPARE(words(m_client->query(0x0100, 17)).at(0), 1);
    QVERIFY(m_client->exchange(0x0401, 0x0402));
    QCOMPARE(words(m_client->query(0x0100, 17)), (QList<int>{1, 3}));
    QVERIFY(m_client->exchange(0x0401, 0x0000));
    QCOMPARE(words(m_client->query(0x0100, 17)), (QList<int>{0, 3}));

    setMode(2, 1);
    QVERIFY(m_client->exchange(0x0401, 0x040A));
    QCOMPARE(words(m_client->query(0x0100, 18)), (QList<int>{1, 11}));
    QCOMPARE(words(m_client->query(0x0100, 17)), (QList<int>{0, 3}));

    setMode(2, 2);
    QSignalSpy errors(&m_client->device(), &DeviceBase::protocolError);
    QVERIFY(m_client->exchange(0x0401, 0x0100)); // channel 2 has no frame overlay
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), 0x0401);
    setMode(1);
}

void TestSimCubrix::uploadsAreDumped()
{
    QByteArray cube("LUT_3D_SIZE 17\n");
    for (int i = 0; i < 20; ++i)
        cube += "0.5 0.25 0.125\n";
    QVERIFY(m_client->exchange(0x0311, 0x0335, cube));
    QVERIFY(!findDump(QStringLiteral("*lut_0x0311_0x0335_store_slot6.cube"), cube).isEmpty());

    const QByteArray table("LUT_1D_SIZE 4096\nLUT_1D_BITS 12\n0 0 0\n");
    QVERIFY(m_client->exchange(0x0302, 0x0304, table));
    QVERIFY(!findDump(QStringLiteral("*0x0302_0x0304_store_slot5.lut"), table).isEmpty());

    const QByteArray frame(2048, '\x11');
    QVERIFY(m_client->exchange(0x0401, 0x030F, frame));
    QVERIFY(!findDump(QStringLiteral("*frame_store_slot16.raw"), frame).isEmpty());

    // A table for immediate use cannot be empty.
    QSignalSpy errors(&m_client->device(), &DeviceBase::protocolError);
    QVERIFY(m_client->exchange(0x0301, 0x0200, QByteArray()));
    QCOMPARE(errors.size(), 1);
}

void TestSimCubrix::captureFrames_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("pitch");
    QTest::newRow("YCbCr 4:2:2") << 1 << 1920 / 6 * 16;
    QTest::newRow("YCbCr 4:4:4") << 2 << 1920 * 4;
    QTest::newRow("YCbCr 4:4:4 little-endian") << 258 << 1920 * 4;
    QTest::newRow("RGB 4:4:4 little-endian") << 259 << 1920 * 4;
}

void TestSimCubrix::captureFrames()
{
    QFETCH(int, format);
    QFETCH(int, pitch);
    SimProcess sim;
    QVERIFY(sim.start({QStringLiteral("--role"), QStringLiteral("cubrix"), QStringLiteral("--frame-format"), QString::number(format)},
                      QStringLiteral("127.0.0.2")));
    SimClient client(sim);
    QVERIFY(client.connect());

    const QByteArray frame = client.query(0x0400, 0x0001);
    QVERIFY(frame.size() >= 12);
    const auto *p = reinterpret_cast<const uchar *>(frame.constData());
    QCOMPARE(int(qFromBigEndian<quint16>(p)), 1920);
    QCOMPARE(int(qFromBigEndian<quint16>(p + 2)), 1080);
    QCOMPARE(int(qFromBigEndian<quint16>(p + 4)), pitch);
    QCOMPARE(int(qFromBigEndian<quint16>(p + 6)), format);
    QCOMPARE(frame.size(), 12 + 1080 * pitch);
    // The Cubrix stamps every field in BCD.
    for (int i = 8; i < 12; ++i)
        QVERIFY(isBcd(p[i]));
    QVERIFY(fromBcd(p[8]) < 24 && fromBcd(p[9]) < 60 && fromBcd(p[10]) < 60 && fromBcd(p[11]) < 25);

    for (int line : {0, 539, 1079}) {
        const uchar *pixels = p + 12 + line * pitch;
        for (int bar = 0; bar < 8; ++bar) {
            for (int x : {bar * 240, bar * 240 + 121, bar * 240 + 122, bar * 240 + 239}) {
                const Yuv s = samplePixel(pixels, x, format);
                const int(&expected)[3] = format == 259 ? BarsRgb75[bar] : Bars75[bar];
                QVERIFY2(s.a == expected[0] && s.b == expected[1] && s.c == expected[2],
                         qPrintable(QStringLiteral("line %1 x %2: %3 %4 %5").arg(line).arg(x).arg(s.a).arg(s.b).arg(s.c)));
            }
        }
    }

    // The timecode runs: a frame captured a little later carries a later one.
    QTest::qWait(120);
    const QByteArray later = client.query(0x0400, 0x0000);
    QVERIFY(later.size() == frame.size());
    QVERIFY(later.mid(8, 4) != frame.mid(8, 4));
}

void TestSimCubrix::captureRefusedInGeneratorMode()
{
    setMode(3);
    QSignalSpy errors(&m_client->device(), &DeviceBase::protocolError);
    QByteArray payload;
    QVERIFY(m_client->exchange(0x0400, 0x0000, QByteArray(), &payload));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), 0x0400);
    QVERIFY(payload.isEmpty());
    setMode(2, 2);
    QCOMPARE(m_client->query(0x0400, 0x0000).size(), 12 + 1080 * 1920 / 6 * 16);
    setMode(1);
}

void TestSimCubrix::ancillaryStateAndList()
{
    QVERIFY(m_client->exchange(0x0402, 0x0001));
    const QList<int> state = words(m_client->query(0x0100, 21));
    QCOMPARE(state.at(0), 1);
    const QByteArray list = m_client->query(0x0402, 0x0003);
    QVERIFY(list.size() >= 4);
    QCOMPARE(list.size() % 2, 0);
    QCOMPARE((list.size() - 4) / 2, state.at(1));
    for (int i = 0; i < 4; ++i)
        QVERIFY(isBcd(quint8(list.at(i))));
    QStringList ids;
    for (int i = 4; i + 1 < list.size(); i += 2)
        ids << QStringLiteral("%1%2").arg(quint8(list.at(i)), 2, 16, QLatin1Char('0')).arg(quint8(list.at(i + 1)), 2, 16, QLatin1Char('0'));
    QVERIFY(ids.contains(QStringLiteral("4105")));
    QVERIFY(ids.contains(QStringLiteral("6060")));
    QVERIFY(ids.count(QStringLiteral("4501")) == 2);

    QVERIFY(m_client->exchange(0x0402, 0x0000));
    QCOMPARE(words(m_client->query(0x0100, 21)).at(0), 0);
}

void TestSimCubrix::ancillaryPacketData()
{
    const QList<AncPacket> afd = parsePackets(m_client->query(0x0402, 0x0004, QByteArray::fromHex("4105")));
    QCOMPARE(afd.size(), 1);
    for (const AncPacket &p : afd) {
        QCOMPARE(p.did, 0x41);
        QCOMPARE(p.sdid, 0x05);
        QCOMPARE(p.data.size(), p.dc);
        int sum = p.did + p.sdid + p.dc;
        for (char c : p.data)
            sum += quint8(c);
        QCOMPARE(p.cs, sum & 0xFF);
    }
    const QList<AncPacket> audio = parsePackets(m_client->query(0x0402, 0x0004, QByteArray::fromHex("4501")));
    QCOMPARE(audio.size(), 2);
    const QList<AncPacket> second = parsePackets(m_client->query(0x0402, 0x0004, QByteArray::fromHex("45010001")));
    QCOMPARE(second.size(), 1);
    QCOMPARE(second.at(0).data, audio.at(1).data);
    const QByteArray none = m_client->query(0x0402, 0x0004, QByteArray::fromHex("7777"));
    QCOMPARE(none.size(), 4);

    QSignalSpy errors(&m_client->device(), &DeviceBase::protocolError);
    QVERIFY(m_client->exchange(0x0402, 0x0004, QByteArray::fromHex("410500")));
    QCOMPARE(errors.size(), 1);
}

void TestSimCubrix::ancillaryTimecodePacket()
{
    // The ATC packet carries the same timecode as its message, one digit per upper nibble
    // of every other word: frame units, frame tens, second units, ... hour tens.
    const QByteArray message = m_client->query(0x0402, 0x0004, QByteArray::fromHex("6060"));
    const QList<AncPacket> packets = parsePackets(message);
    QCOMPARE(packets.size(), 1);
    const QByteArray &d = packets.at(0).data;
    QCOMPARE(d.size(), 16);
    auto digit = [&d](int i) { return quint8(d.at(2 * i)) >> 4; };
    QCOMPARE(digit(0) + 10 * digit(1), fromBcd(quint8(message.at(3))));
    QCOMPARE(digit(2) + 10 * digit(3), fromBcd(quint8(message.at(2))));
    QCOMPARE(digit(4) + 10 * digit(5), fromBcd(quint8(message.at(1))));
    QCOMPARE(digit(6) + 10 * digit(7), fromBcd(quint8(message.at(0))));
}

void TestSimCubrix::scopeAvailabilityFollowsMode()
{
    setMode(1);
    QCOMPARE(m_client->query(0x0403, 1).size(), 32768);
    setMode(2, 1);
    QCOMPARE(m_client->query(0x0403, 3).size(), 49152);
    QSignalSpy errors(&m_client->device(), &DeviceBase::protocolError);
    setMode(2, 2);
    QVERIFY(m_client->exchange(0x0403, 2));
    setMode(3);
    QVERIFY(m_client->exchange(0x0403, 1));
    QCOMPARE(errors.size(), 2);
    QCOMPARE(errors.at(1).at(0).toInt(), 0x0403);
    // Request 0 (stop) is always accepted and carries no data.
    QByteArray payload("x");
    QVERIFY(m_client->exchange(0x0403, 0, QByteArray(), &payload));
    QVERIFY(payload.isEmpty());
    QCOMPARE(errors.size(), 2);
    setMode(1);
}

QTEST_GUILESS_MAIN(TestSimCubrix)
#include "tst_sim_cubrix.moc"
