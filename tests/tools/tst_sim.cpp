// The simulator's own behaviour, driven with the program's transport: the replies it sends, the
// state it keeps across queries, its dumps, the faults it injects on request, the frames and
// pictures it makes, and bad input that never brings it down.

#include "bytes.h"
#include "fakedevice.h"
#include "processrun.h"
#include "simprocess.h"

#include <QImage>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// Published 10-bit BT.709 values of 75 % colour bars (Y, Cb, Cr), white to black, and the same
// bars in R'G'B' video range (64 + 0.75 x 876 = 721 for a lit component).
const int Bars75[8][3] = {{721, 512, 512}, {674, 176, 543}, {581, 589, 176}, {534, 253, 207},
                          {251, 771, 817}, {204, 435, 848}, {111, 848, 481}, {64, 512, 512}};
const int BarsRgb75[8][3] = {{721, 721, 721}, {721, 721, 64}, {64, 721, 721}, {64, 721, 64},
                             {721, 64, 721}, {721, 64, 64}, {64, 64, 721}, {64, 64, 64}};

// Bytes written as '+'-joined pieces: 'text', N*HH (N bytes HH) or hex.
QByteArray bytes(const QString &text)
{
    QByteArray out;
    for (const QString &piece : text.split('+', Qt::SkipEmptyParts))
        out += piece.startsWith('\'') ? piece.mid(1, piece.size() - 2).toLatin1()
               : piece.contains('*')  ? QByteArray(piece.section('*', 0, 0).toInt(), char(piece.section('*', 1).toInt(nullptr, 16)))
                                      : QByteArray::fromHex(piece.toLatin1());
    return out;
}

// Y, Cb, Cr (R, G, B for 259) of pixel x of a frame line, read by the published layouts.
std::array<int, 3> samplePixel(const uchar *line, int x, int format)
{
    if (format == 1) {
        // Six pixels in 128 bits: 4 unused, Cb01 Y0 Cr01 Y1 Cb23 Y2, 4 unused, Cr23 Y3 Cb45 Y4 Cr45 Y5.
        const quint64 high = qFromBigEndian<quint64>(line + 16 * (x / 6)), low = qFromBigEndian<quint64>(line + 16 * (x / 6) + 8);
        const auto at = [](quint64 bits, int fromTop) { return int((bits >> (54 - fromTop)) & 0x3FF); };
        const int ys[6] = {at(high, 14), at(high, 34), at(high, 54), at(low, 14), at(low, 34), at(low, 54)};
        const int chroma[3][2] = {{at(high, 4), at(high, 24)}, {at(high, 44), at(low, 4)}, {at(low, 24), at(low, 44)}};
        return {ys[x % 6], chroma[x % 6 / 2][0], chroma[x % 6 / 2][1]};
    }
    const quint32 w = format == 2 ? qFromBigEndian<quint32>(line + 4 * x) : qFromLittleEndian<quint32>(line + 4 * x);
    return format == 259 ? std::array<int, 3>{int(w & 0x3FF), int(w >> 10 & 0x3FF), int(w >> 20 & 0x3FF)}
                         : std::array<int, 3>{int(w >> 10 & 0x3FF), int(w >> 20 & 0x3FF), int(w & 0x3FF)};
}

bool isBcd(uchar value, int below) { return (value >> 4) <= 9 && (value & 0x0F) <= 9 && (value >> 4) * 10 + (value & 0x0F) < below; }
} // namespace

class TestSim : public QObject
{
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void captureFrames_data();
    void captureFrames();
    void monitorPictures();
    void ancillaryPackets();
    void rawInput_data();
    void rawInput();
    void cutOffUploadLeavesNoFile();
    void commandLine_data();
    void commandLine();
};

void TestSim::commands_data()
{
    // Each row runs its own simulator. A step is "PPPP/RRRR[:PAYLOAD] => REPLY" where REPLY is
    // the payload expected, - (none), @N BYTES (at offset N), #N (its size), !/!S (an error
    // reply, of status S), ? (no reply, still connected) or crc (a broken header); or one of
    // log:TEXT (the simulator logs it), dump:PIECE (a file with PIECE in its name holds the last
    // payload sent, or its tail: a marker's picture), took:MS (the last reply came at least MS ms
    // after its command), closed (it hung up) and reconnect.
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("steps");
    const QStringList cubrix{"--role", "cubrix", "--serial", "CBX-T1"};
    QTest::newRow("monitor identity and channels")
        << QStringList{"--role", "monitor", "--model", "KT-Test 17", "--version", "9.8.7", "--serial", "KT0001",
                       "--channel-names", "SDI A,SDI B,HDMI", "--ports", "2", "--channel-modes", "1080i 50,2160p 25"}
        << QStringList{"0100/0000 => 'KT-Test 17'+00", "0100/0001 => '9.8.7'+00", "0100/0002 => 'KT0001'+00", "0100/0003 => 00000003",
                       "0100/0004 => 00000002", "0101/0010 => 'SDI A'+00", "0101/0001 => '1080i 50'+00", "0101/0000 => 00000001",
                       "0101/0110 => 'SDI B'+00", "0101/0101 => '2160p 25'+00", "0101/0100 => 00000002", "0101/0210 => 'HDMI'+00",
                       "0101/0201 => '1920x1080p 25'+00", "0101/0200 => 00000001" /* three channels on two ports */,
                       "0101/0203 => 00000032", "0101/0204 => 00000032", "0101/0205 => 00000000", "0101/0310 => !", "0101/0020 => !",
                       "0100/0005 => !" /* a Cubrix tab connected to a monitor must hear about its mistake */};
    // Knobs turn the selected channel's value within its limits, pushing one restores it. Loading
    // a LUT slot reports the stored table's input bits, output bits (and points), little-endian
    // unlike the rest of the protocol. Named markers are listed in 32-byte fields.
    QTest::newRow("monitor state, uploads and requests") << QStringList{"--role", "monitor", "--family", "kt"}
        << QStringList{"0001/0011 => -", "0001/0052 => -", "0001/0052 => -", "0101/0102 => 00000034", "0001/0062 => -", "0101/0102 => 00000033",
                       "0101/0002 => 00000032", "0001/0064 => -", "0101/0106 => 0000001d", "0001/0042 => -", "0101/0102 => 00000032",
                       "0001/0060 => -", "0101/0105 => ffffffff", "0001/0017 => -", "log:input key 23 ignored",
                       "0311/0305:'TITLE \"x\"\nLUT_3D_SIZE 33\n0.0 0.0 0.0\n' => -", "dump:store_slot5", "0311/0405 => 0a0000000a00000021000000",
                       "0311/0306:'LUT_3D_SIZE 17\r\n0 0 0\r\n' => -", "0311/0406 => 0a0000000a00000011000000",
                       "0301/0303:'LUT_1D_SIZE 4096\nLUT_1D_BITS 12\n0 0 0\n' => -", "0301/0403 => 0c0000000c000000",
                       "0302/0302:'LUT_1D_SIZE 1024\nLUT_1D_BITS 16\n0 0 0\n' => -", "0302/0402 => 0a00000010000000",
                       "0302/0302 => -" /* clears it */, "0302/0402 => 0a0000000a000000", "0311/0200:19780*00 => -",
                       "dump:0x0311_0x0200_send", "0311/0200 => !", "0311/0100 => -", "0311/0000 => -", "0311/0500 => !",
                       "0404/0005 => 02000000+'Crosshair'+23*00+'Safe Area 93'+20*00", "0404/0003:'Grid'+28*00+89504e470d0a1a0a => -",
                       "dump:marker_Grid", "0404/0005 => @68 'Grid'+28*00", "0404/0006:01000000+'Grid'+28*00 => -", "0404/0005 => @0 02000000",
                       "0404/0006:01000000+'Grid'+28*00 => !", "0404/0003:'ABCDEFGHIJKLMNOPQRSTUVWXYZ012345'+'picture' => -",
                       "0404/0005 => @68 'ABCDEFGHIJKLMNOPQRSTUVWXYZ012345'" /* no room for a terminator */, "0404/0003:32*00+01 => !",
                       "0404/0003:'x' => !", "0404/0006:01000000 => !", "0404/0002:01 => -", "dump:marker_temporary", "0404/0001 => -", "0404/0009 => !",
                       "0005/0002:100000*07 => -", "dump:firmware_brec", "0005/0001 => !", "0005/0003:01 => !", "0500/0001:11*01 => !",
                       "0500/0001:7F000002FFFFFF007F000001 => -", "0500/0004:'net:secret' => -", "0500/0004:'net' => !", "0500/0002 => -",
                       "0500/0003 => -", "0500/0009 => !", "0002/0103 => -", "0002/0200 => !", "0004/0101:'hello' => -", "log:UMD text \"hello\"",
                       "0004/0100 => -", "0004/0102 => !", "0403/0001 => #32768", "0403/0002 => #16384", "0403/0003 => #49152", "0403/0000 => -",
                       "0403/0007 => !", "0400/0002 => !", "0777/0003:'abc' => !", "log:unknown protocol"};
    // The state replies; mode and channel keys (channel 2 only in dual channel mode).
    QTest::newRow("Cubrix replies, modes and channels") << cubrix
        << QStringList{"0100/0000 => 'Cubrix'+00", "0100/0002 => 'CBX-T1'+00", "0100/0003 => 00000002", "0100/0005 => 00010001",
                       "0100/0007 => @8 21000000" /* 33 points in single channel mode, 17 in dual */, "0100/000a => @8 11000000",
                       "0100/000b => 00000000000000000000000000010001", "0100/000c => 00000000000000000000000000020001", "0100/0011 => 00000000",
                       "0100/0016 => 00000001", "0100/0017 => !", "0100/0004 => #4", "0100/0006 => #8", "0100/0009 => #8", "0100/000e => #8",
                       "0100/000f => #12", "0100/0013 => #4", "0001/0071 => -", "0100/0005 => 00020001", "0001/0081 => -", "0100/0005 => 00020002",
                       "0001/0080 => -", "0100/0005 => 00020001", "0001/0072 => -", "0100/0005 => 00030001", "0001/0070 => -", "0001/0081 => -",
                       "0100/0005 => 00010001", "0001/0091 => -", "0100/0016 => 00000002", "0001/0090 => -", "0100/0016 => 00000001"};
    // Channel blocks: 1D LUT 1 state and slot, 3D state and slot, 1D LUT 2 state and slot,
    // input, range; kept per mode and channel. Slot id 4 is slot number 5. Ranges are 1 to 4;
    // inputs are chosen with the range LUT flag or the input keys. The signal word is kept as is.
    QTest::newRow("Cubrix LUT slots, ranges, inputs") << cubrix
        << QStringList{"0301/0100 => -", "0302/0100 => -", "0311/0404 => -", "0100/0008 => 00010000000100050001000000010001",
                       "0301/0000 => -", "0302/0407 => -", "0100/0008 => @0 00000000", "0100/0008 => @8 00010008",
                       "0311/0230:'LUT_3D_SIZE 33\n0 0 0\n' => -" /* replaces the loaded slot */, "dump:cubrix_lut_0x0311_0x0230_send",
                       "0100/0008 => @4 00010000", "0001/0071 => -", "0001/0081 => -", "0311/0402 => -", "0301/0100 => -",
                       "0100/000c => 00010000000100030000000000020001", "0100/000b => 00000000000000000000000000010001", "0001/0072 => -",
                       "0302/0101 => -", "0100/0010 => @8 00010000", "0100/000c => @0 0001",
                       "0311/0335:'LUT_3D_SIZE 17\n0.5 0.25 0.125\n' => -", "dump:lut_0x0311_0x0335_store_slot6.cube",
                       "0302/0304:'LUT_1D_SIZE 4096\nLUT_1D_BITS 12\n0 0 0\n' => -", "dump:0x0302_0x0304_store_slot5.lut",
                       "0311/0304 => -", "0301/0200 => !", "0301/0210:01 => !", "0311/0240:01 => !", "0311/0600 => !", "0001/0070 => -",
                       "0304/0003 => -", "0304/0012 => -", "0100/0008 => @12 00020003", "0001/0010 => -", "0100/0008 => @12 0001",
                       "0304/0014 => !" /* the channel-2 output is no input in mode 1 */, "0304/0005 => !", "0001/0012 => -",
                       "0100/0008 => @12 0001", "0001/0071 => -", "0304/0014 => -", "0304/0004 => -", "0100/000b => @12 00030004",
                       "0100/0008 => @14 0003", "0001/0072 => -", "0304/0002 => -", "0304/0011 => !", "0100/0010 => @14 0002",
                       "0006/ffff => -", "0100/0014 => ffff", "0006/0205 => -", "0100/0014 => 0205"};
    // The generator and frame slots; captures and scopes as the mode allows: none in test
    // pattern mode, no scope and no frame overlay on channel 2.
    QTest::newRow("Cubrix generator, frames, captures") << cubrix
        << QStringList{"0600/0001:3FF00200 => -", "0100/000d => @0 0002" /* RGB */, "0600/0002:20080200 => -", "0100/000d => @0 0001",
                       "0600/0003:00000011 => -", "0600/0004:00000004 => -", "0100/000d => @4 00110004", "0600/0003:00000006 => !",
                       "0600/0004:00000005 => !", "0600/0001:3FF002 => !", "0100/000d => @4 00110004", "0600/0005:4096*5a => -",
                       "dump:generator", "0100/000d => @2 0001", "0600/0005 => !", "0600/0009 => !",
                       "0401/030f:2048*11 => -", "dump:frame_store_slot16.raw", "0401/0300 => !", "0401/0200:10*22 => -",
                       "dump:frame_send", "0401/0200 => !", "0401/0110 => !", "0401/0100 => -", "0401/0402 => -", "0100/0011 => 00010003",
                       "0401/0000 => -", "0100/0011 => 00000003", "0001/0071 => -", "0401/040a => -", "0100/0012 => 0001000b",
                       "0100/0011 => 00000003", "0001/0081 => -", "0401/0100 => !", "0403/0002 => !", "0400/0000 => #5529612",
                       "0001/0080 => -", "0403/0003 => #49152", "0001/0072 => -", "0403/0001 => !", "0400/0000 => !", "0403/0000 => -",
                       "0001/0070 => -", "0403/0001 => #32768", "0402/0001 => -", "0100/0015 => @0 0001", "0402/0000 => -",
                       "0100/0015 => @0 0000", "0402/0004:410500 => !", "0402/0009 => !"};
    // Fault injection, each rule counted per connection.
    QTest::newRow("error replies") << cubrix + QStringList{"--error-reply", "0x0100:1:7", "--error-reply", "1:0x71", "--error-reply", "0x0004:*:0x22"}
        << QStringList{"0100/0001 => !7", "0100/0000 => 'Cubrix'+00", "0001/0071 => !1", "0004/0100 => !34", "0004/0101:'text' => !34",
                       "log:fault: error reply status 7"};
    QTest::newRow("bad CRC") << cubrix + QStringList{"--bad-crc", "0x0100:2"} << QStringList{"0100/0000 => 'Cubrix'+00", "0100/0002 => crc", "closed"};
    QTest::newRow("bad CRC after two") << cubrix + QStringList{"--bad-crc-after", "2"}
        << QStringList{"0100/0000 => 'Cubrix'+00", "0100/0000 => 'Cubrix'+00", "0100/0000 => crc"};
    QTest::newRow("close after three") << cubrix + QStringList{"--close-after", "3"}
        << QStringList{"0100/0000 => 'Cubrix'+00", "0100/0002 => 'CBX-T1'+00", "0100/0000 => 'Cubrix'+00", "closed", "reconnect",
                       "0100/0000 => 'Cubrix'+00", "0100/0000 => 'Cubrix'+00", "0100/0000 => 'Cubrix'+00", "closed",
                       "log:fault: closing the connection after 3 commands"};
    QTest::newRow("silent after two") << cubrix + QStringList{"--silent-after", "2"} // still read and logged
        << QStringList{"0100/0000 => 'Cubrix'+00", "0100/0000 => 'Cubrix'+00", "0100/0002 => ?",
                       "log:command protocol=0x0100 request=0x0002 length=0", "log:fault: command 3 not answered"};
    QTest::newRow("replies in pieces") << cubrix + QStringList{"--chunk", "7"}
        << QStringList{"0100/0000 => 'Cubrix'+00", "0100/0008 => #16", "0100/0007 => #12", "0403/0001 => #32768"};
    // 3 MB at 1 MB/s: no reply before the last byte is read, and every byte arrives.
    QTest::newRow("paced reading") << QStringList{"--role", "monitor", "--read-rate", "0xF4240"}
        << QStringList{"0005/0002:3000000*07 => -", "took:2500", "dump:firmware", "0100/0000 => 'RV-3100'+00"};
}

void TestSim::commands()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, steps);
    QTemporaryDir dumps;
    SimProcess sim;
    QVERIFY(sim.start(options + QStringList{"--dump-dir", dumps.path()}));
    std::unique_ptr<SimClient> client;
    QByteArray sent;
    qint64 took = 0;
    for (const QString &step : steps) {
        if (!client || step == "reconnect")
            QVERIFY((client = std::make_unique<SimClient>(sim))->connect());
        if (step.startsWith("log:")) {
            QVERIFY2(sim.waitForLog(step.mid(4)), qPrintable(step));
        } else if (step.startsWith("dump:")) {
            const QStringList files = QDir(dumps.path()).entryList({'*' + step.mid(5) + '*'}, QDir::Files);
            QVERIFY2(files.size() == 1 && !readFile(dumps.filePath(files[0])).isEmpty() && sent.endsWith(readFile(dumps.filePath(files[0]))), qPrintable(step));
        } else if (step.startsWith("took:")) {
            QVERIFY2(took >= step.mid(5).toInt(), qPrintable(QString::number(took)));
        } else if (step == "closed") {
            QTRY_VERIFY_WITH_TIMEOUT(!client->isConnected(), 5000);
        } else if (step != "reconnect") {
            const QString command = step.section(" => ", 0, 0), reply = step.section(" => ", 1);
            sent = bytes(command.section(':', 1));
            QSignalSpy errors(&client->device(), &DeviceBase::protocolError), broken(&client->device(), &DeviceBase::commError);
            QByteArray payload;
            QElapsedTimer timer;
            timer.start();
            const bool answered = client->exchange(quint16(command.left(4).toUInt(nullptr, 16)), quint16(command.mid(5, 4).toUInt(nullptr, 16)),
                                                   sent, &payload, reply == "?" || reply == "crc" ? 500 : 10000);
            took = timer.elapsed();
            const bool clean = answered && errors.isEmpty() && broken.isEmpty();
            const bool ok = reply == "?"             ? !answered && client->isConnected()
                            : reply == "crc"         ? (broken.size() == 1 || broken.wait(5000)) && broken.at(0).at(2).toInt() == -1
                            : reply.startsWith('!') ? answered && errors.size() == 1 && (reply.size() == 1 || errors.at(0).at(2).toInt() == reply.mid(1).toInt())
                            : reply.startsWith('#') ? clean && payload.size() == reply.mid(1).toInt()
                            : reply.startsWith('@') ? clean && payload.mid(reply.section(' ', 0, 0).mid(1).toInt()).startsWith(bytes(reply.section(' ', 1)))
                                                    : clean && payload == bytes(reply == "-" ? QString() : reply);
            QVERIFY2(ok, qPrintable(QStringLiteral("%1: got %2 (%3 errors)").arg(step, payload.left(64).toHex()).arg(errors.size())));
        }
    }
}

void TestSim::captureFrames_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("pitch");
    QTest::newRow("Cubrix, YCbCr 4:2:2") << QStringList{"--role", "cubrix", "--frame-format", "1"} << QSize(1920, 1080) << 1920 / 6 * 16;
    QTest::newRow("Cubrix, YCbCr 4:4:4") << QStringList{"--role", "cubrix", "--frame-format", "2"} << QSize(1920, 1080) << 1920 * 4;
    QTest::newRow("monitor, YCbCr 4:4:4 LE") << QStringList{"--role", "monitor", "--frame-format", "258"} << QSize(1920, 1080) << 1920 * 4;
    QTest::newRow("monitor, RGB, 4096 x 4096") << QStringList{"--role", "monitor", "--frame-format", "259", "--frame-size", "4096x4096"} << QSize(4096, 4096) << 4096 * 4;
    QTest::newRow("monitor, 4:2:2, 48 x 3") << QStringList{"--role", "monitor", "--frame-format", "1", "--frame-size", "48x3"} << QSize(48, 3) << 128;
}

void TestSim::captureFrames()
{
    // The header carries the size and format, every line the 75 % bars from edge to edge, and
    // the timecode runs: in BCD on a Cubrix, only the hours in BCD on a monitor.
    QFETCH(QStringList, options);
    QFETCH(QSize, size);
    QFETCH(int, pitch);
    SimProcess sim;
    QVERIFY(sim.start(options));
    SimClient client(sim);
    QVERIFY(client.connect());
    const QByteArray frame = client.query(0x0400, 0x0001);
    const int format = options.at(3).toInt();
    QVERIFY(frame.size() == 12 + size.height() * pitch && frame.startsWith(Bytes::be16({size.width(), size.height(), pitch, format})));
    const auto *p = reinterpret_cast<const uchar *>(frame.constData());
    QVERIFY(isBcd(p[8], 24) && (options[1] == "cubrix" ? isBcd(p[9], 60) && isBcd(p[10], 60) && isBcd(p[11], 25) : p[9] < 60 && p[10] < 60 && p[11] < 25));
    for (int line : {0, size.height() / 2, size.height() - 1}) {
        for (int bar = 0; bar < 8; ++bar) {
            const int(&bars)[3] = format == 259 ? BarsRgb75[bar] : Bars75[bar];
            for (int x : {bar * size.width() / 8, (bar + 1) * size.width() / 8 - 1})
                QVERIFY2(samplePixel(p + 12 + line * pitch, x, format) == (std::array<int, 3>{bars[0], bars[1], bars[2]}),
                         qPrintable(QStringLiteral("line %1, x %2").arg(line).arg(x)));
        }
    }
    QTest::qWait(120);
    QVERIFY(client.query(0x0400, 0x0000).mid(8, 4) != frame.mid(8, 4));
}

void TestSim::monitorPictures()
{
    SimProcess sim;
    QVERIFY(sim.start({"--role", "monitor", "--scope-rate", "5"}));
    SimClient client(sim);
    QVERIFY(client.connect());
    // Waveform: 240 of 256 columns, 30 a bar; a bar's trace is brightest in the row of its luma
    // / 8 from the bottom, give or take the few codes the signal moves (bars lie six rows apart).
    const QByteArray waveform = client.query(0x0403, 1);
    QCOMPARE(waveform.size(), 128 * 256);
    for (int bar = 0; bar < 8; ++bar) {
        int top = 0;
        for (int line = 0; line < 128; ++line)
            top = uchar(waveform[line * 256 + bar * 30 + 15]) > uchar(waveform[top * 256 + bar * 30 + 15]) ? line : top;
        QVERIFY2(qAbs(127 - top - qRound(Bars75[bar][0] / 8.0)) <= 2 && uchar(waveform[top * 256 + bar * 30 + 15]) > 128, qPrintable(QString::number(bar)));
        QCOMPARE(waveform.mid(bar * 256 + 240, 16), QByteArray(16, '\0'));
    }
    // However fast they are asked for, scope frames come at most at the rate given.
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 4; ++i)
        QCOMPARE(client.query(0x0403, 3).size(), 128 * 256 + 128 * 128);
    QVERIFY2(timer.elapsed() >= 580, qPrintable(QString::number(timer.elapsed())));
    // Analyzer pictures: PNG, white in print style, dark in screen style; "last" repeats the current one.
    for (int request : {0x0000, 0x0001, 0x0010, 0x0011}) {
        QImage image;
        QVERIFY(image.loadFromData(client.query(0x0405, quint16(request)), "PNG") && image.width() >= 640 && image.height() >= 360);
        QVERIFY2(request & 0x10 ? qGray(image.pixel(2, image.height() - 3)) < 60 : qGray(image.pixel(2, image.height() - 3)) > 200, qPrintable(QString::number(request)));
    }
    const QByteArray current = client.query(0x0405, 0x0010);
    QCOMPARE(client.query(0x0405, 0x0011), current);
}

void TestSim::ancillaryPackets()
{
    // The list: a BCD timecode, then DID and SDID of each packet (AFD, two audio, ATC, captions);
    // a packet: DID, SDID, data count, data, checksum of them all. The ATC packet holds the
    // message's timecode, a digit in the upper nibble of every other word, frame units first.
    SimProcess sim;
    QVERIFY(sim.start({"--role", "cubrix"}));
    SimClient client(sim);
    QVERIFY(client.connect());
    const QByteArray list = client.query(0x0402, 0x0003);
    QVERIFY(list.size() == 4 + 2 * 5 && isBcd(list[0], 24) && isBcd(list[1], 60) && isBcd(list[2], 60) && isBcd(list[3], 25));
    for (const auto &[id, count] : {std::pair{"4105", 1}, {"4501", 2}, {"45010001", 1}, {"6060", 1}, {"6101", 1}, {"7777", 0}}) {
        const QByteArray message = client.query(0x0402, 0x0004, QByteArray::fromHex(id));
        QByteArray data;
        int found = 0;
        for (int at = 4; at + 3 < message.size(); at += 4 + data.size(), ++found) {
            data = message.mid(at + 3, uchar(message[at + 2]));
            int sum = 0;
            for (char c : message.mid(at, 3) + data)
                sum += uchar(c);
            QVERIFY(message.size() > at + 3 + data.size() && uchar(message[at + 3 + data.size()]) == (sum & 0xFF) && message.mid(at, 2).toHex() == QByteArray(id).left(4));
        }
        QVERIFY(found == count && list.mid(4).count(QByteArray::fromHex(id).left(2)) == (count ? 1 + (id[1] == '5') : 0));
        for (int i = 0; QByteArray(id) == "6060" && i < 4; ++i)
            QCOMPARE((uchar(data[4 * i]) >> 4) + 10 * (uchar(data[4 * i + 2]) >> 4), (uchar(message[3 - i]) >> 4) * 10 + (uchar(message[3 - i]) & 0x0F));
    }
}

void TestSim::rawInput_data()
{
    // Bytes from a raw socket: broken ones close the connection with a log line and the next
    // client is served; a header a byte at a time is read whole, and with --chunk a reply leaves
    // in pieces a millisecond apart.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("logged");
    QTest::addColumn<QByteArray>("reply"); // empty: the connection is closed
    QTest::newRow("garbage") << QByteArray("GET / HTTP/1.1\r\n\r\n") << "bad header (CRC error)" << QByteArray();
    QTest::newRow("old version") << FakeDevice::header(0x0100, 0, 0, 0x0105) << "bad header (version 0x0105)" << QByteArray();
    QTest::newRow("corrupted CRC") << FakeDevice::withBadCrc(FakeDevice::message(0x0100, 0)) << "bad header (CRC error)" << QByteArray();
    QTest::newRow("oversized length") << FakeDevice::header(0x0005, 1, 0x20000000u) << "oversized length 536870912" << QByteArray();
    QTest::newRow("error marker as length") << FakeDevice::header(0x0100, 0, 0xFFFF0001u) << "oversized length 4294901761" << QByteArray();
    QTest::newRow("after a good command") << FakeDevice::message(0x0100, 0) + QByteArray(12, '\xEE') << "bad header (CRC error)" << QByteArray();
    QTest::newRow("a byte at a time") << FakeDevice::message(0x0777, 0x0003, "abc") << "command protocol=0x0777 request=0x0003 length=3"
                                      << FakeDevice::errorReply(0x0777, 0x0003, 0);
    QTest::newRow("in pieces") << FakeDevice::message(0x0100, 0x0002) << "command protocol=0x0100 request=0x0002"
                               << FakeDevice::message(0x0100, 0x0002, QByteArray("CBX2300571", 11));
}

void TestSim::rawInput()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, logged);
    QFETCH(QByteArray, reply);
    SimProcess sim;
    const QStringList chunks = QTest::currentDataTag() == QByteArray("in pieces") ? QStringList{"--chunk", "5"} : QStringList{};
    QVERIFY(sim.start(QStringList{"--role", "cubrix", "--serial", "CBX2300571"} + chunks));
    QTcpSocket socket;
    socket.connectToHost(sim.address(), sim.port());
    QVERIFY(socket.waitForConnected(5000));
    for (int i = 0; i < bytes.size(); i += reply.isEmpty() ? bytes.size() : 1) {
        socket.write(bytes.mid(i, reply.isEmpty() ? bytes.size() : 1));
        QVERIFY(socket.waitForBytesWritten(1000));
    }
    if (!reply.isEmpty()) {
        QByteArray got;
        int reads = 0; // reads that brought bytes: more than one for a reply in pieces
        QElapsedTimer timer;
        for (timer.start(); got.size() < reply.size() && timer.elapsed() < 5000;)
            if (socket.waitForReadyRead(50))
                got += socket.readAll(), ++reads;
        const quint16 status = got.size() == 12 ? qFromBigEndian<quint16>(got.constData() + 10) : 0; // of an error reply: any but 0
        QCOMPARE(got, reply.size() == 12 ? FakeDevice::errorReply(0x0777, 0x0003, status) : reply);
        QVERIFY(reply.size() == 12 ? status != 0 : reads >= 2);
        QVERIFY(sim.waitForLog(logged) && socket.state() == QAbstractSocket::ConnectedState);
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT((socket.readAll(), socket.state()), QAbstractSocket::UnconnectedState, 5000);
    QVERIFY(sim.waitForLog(logged) && sim.waitForLog("closing the connection"));
    SimClient client(sim);
    QVERIFY(client.connect());
    QCOMPARE(client.query(0x0100, 0), QByteArray("Cubrix", 7));
}

void TestSim::cutOffUploadLeavesNoFile()
{
    // A firmware image goes to the dump folder as it arrives (whole uploads: the "dump:firmware"
    // steps above); one that never arrives whole leaves nothing there, not even the part received,
    // and the next upload is dumped as usual.
    QTemporaryDir dumps;
    SimProcess sim;
    QVERIFY(sim.start({"--role", "monitor", "--dump-dir", dumps.path()}));
    QTcpSocket socket;
    socket.connectToHost(sim.address(), sim.port());
    QVERIFY(socket.waitForConnected(5000));
    socket.write(FakeDevice::header(0x0005, 0x0001, 1000000) + QByteArray(300000, '\x5A'));
    QVERIFY(socket.waitForBytesWritten(5000));
    QVERIFY(waitUntil([&] { return socket.bytesToWrite() == 0; }, 5000));
    socket.disconnectFromHost();
    QVERIFY(sim.waitForLog("disconnected after 0 commands"));
    QCOMPARE(QDir(dumps.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    SimClient client(sim);
    QVERIFY(client.connect() && client.exchange(0x0005, 0x0001, QByteArray(70000, '\x5B'), nullptr, 10000));
    const QStringList dumped = QDir(dumps.path()).entryList(QDir::Files | QDir::Hidden);
    QVERIFY(dumped.size() == 1 && readFile(dumps.filePath(dumped[0])) == QByteArray(70000, '\x5B'));
}

void TestSim::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments"); // after --role; an empty list: no role at all
    QTest::addColumn<QString>("message");       // in stderr with status 2, or in the help
    const QList<std::pair<const char *, QStringList>> refused{
        {"listen on a documentation address", {"monitor", "--listen", "192.0.2.10"}}, {"listen on a private address", {"monitor", "--listen", "10.1.2.3"}},
        {"listen on any address", {"monitor", "--listen", "0.0.0.0"}}, {"listen on a name", {"monitor", "--listen", "example"}},
        {"unknown role", {"projector"}}, {"frame format", {"cubrix", "--frame-format", "3"}}, {"error rule", {"cubrix", "--error-reply", "0x0100"}},
        {"bad-crc status", {"cubrix", "--bad-crc", "1:2:3"}}, {"chunk zero", {"cubrix", "--chunk", "0"}}, {"channels", {"cubrix", "--channels", "300"}},
        {"frame size form", {"cubrix", "--frame-size", "1920*1080"}}, {"4:2:2 width", {"cubrix", "--frame-size", "100x10"}},
        {"line over 16 bits", {"cubrix", "--frame-format", "259", "--frame-size", "16384x2"}}, {"family", {"monitor", "--family", "xx"}},
        {"frame over one message", {"cubrix", "--frame-format", "259", "--frame-size", "16000x4200"}},
        {"scope rate", {"cubrix", "--scope-rate", "-1"}}, {"read rate", {"cubrix", "--read-rate", "1MB"}},
        {"negative read rate", {"cubrix", "--read-rate", "-1000"}}, {"log file", {"cubrix", "--log-file", "/nonexistent/sim.log"}}, {"no role", {}}};
    for (const auto &[name, arguments] : refused)
        QTest::newRow(name) << arguments << (arguments.contains("--listen") ? "--listen" : "brevanto-sim:");
    QTest::newRow("help") << QStringList{"--help"} << "--role --listen --family --frame-size --scope-rate --dump-dir --chunk --read-rate --error-reply --silent-after";
}

void TestSim::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const bool help = arguments.value(0) == "--help";
    const ProcessRun run(SimProcess::executable(), (help || arguments.isEmpty() ? arguments : QStringList{"--role"} + arguments)
                                                       << "--port" << QString::number(SimProcess::freePort("127.0.0.1")), 10000);
    QVERIFY2(run.finished && run.exitCode == (help ? 0 : 2) && !run.out.contains("listening on"), qPrintable(run.describe()));
    for (const QString &piece : message.split(' '))
        QVERIFY2((help ? run.out : run.err).contains(piece), qPrintable(piece + "\n" + run.describe()));
}

QTEST_MAIN(TestSim)
#include "tst_sim.moc"
