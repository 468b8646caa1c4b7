#include "bytes.h"
#include "cubefiles.h"
#include "cubrix/cubrix.h"
#include "deviceharness.h"
#include "logcapture.h"
#include "processrun.h"
#include "signallog.h"

#include <QMetaProperty>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// What only the Cubrix does: its QML-facing layout, the decoding of its state replies, the reset,
// the state queries after its commands, its LUT and frame uploads, and what it forwards.
using CubrixCall = std::function<void(Cubrix &)>;
Q_DECLARE_METATYPE(CubrixCall)
#define CALL(body) CubrixCall([=](Cubrix &c) { using C = Cubrix; body; })

namespace {
// Every int or text property whose value differs from a new Cubrix's.
QVariantMap changedProperties(const Cubrix &cubrix)
{
    const Cubrix fresh;
    QVariantMap changed;
    for (int i = Cubrix::staticMetaObject.propertyOffset(); i < Cubrix::staticMetaObject.propertyCount(); ++i) {
        const QMetaProperty property = Cubrix::staticMetaObject.property(i);
        if ((property.userType() == QMetaType::Int || property.userType() == QMetaType::QString) && property.read(&cubrix) != property.read(&fresh))
            changed.insert(property.name(), property.read(&cubrix));
    }
    return changed;
}

// Replies written as wireText writes commands: "pppp/rrrr:payload", space-separated.
void deliverAll(Cubrix &cubrix, const QString &replies)
{
    for (const QString &reply : replies.split(' ', Qt::SkipEmptyParts))
        deliver(cubrix, quint16(reply.left(4).toUInt(nullptr, 16)), quint16(reply.mid(5, 4).toUInt(nullptr, 16)), QByteArray::fromHex(reply.mid(10).toLatin1()));
}

QString mode(int mode, int channel) { return "0100/0005:" + Bytes::be16({mode, channel}).toHex(); }

// A 1x1 frame in 4:4:4 YCbCr (code 2): Cr bits 0-9, Y bits 10-19, Cb bits 20-29.
const QByteArray OnePixelFrame = Bytes::be16({1, 1, 4, 2}) + QByteArray::fromHex("01020304") + Bytes::be32((300u << 20) | (700u << 10) | 800u);
} // namespace

class TestCubrix : public QObject
{
    Q_OBJECT
    DebugLines m_debugLines; // the texts of some debug lines are behaviour
    QTemporaryDir m_dir;
    DeviceHarness<Cubrix> m_box;
    QUrl url(const QString &name) const { return QUrl::fromLocalFile(m_dir.filePath(name)); }
    QByteArray contents(const QString &name) const { return readFile(m_dir.filePath(name)); }
private slots:
    void initTestCase()
    {
        using namespace CubeFiles;
        useCNumericLocale();
        QByteArray binary;
        for (int i = 0; i < 1000; ++i)
            binary.append(char(i * 37));
        writeFile(m_dir, "table.lut", "LUT_1D_SIZE 4\n0 0 0\n" + binary);
        writeFile(m_dir, "image.dat", binary + binary);
        writeFile(m_dir, "frame.raw", Bytes::be16({1, 1, 4, 2}) + binary);
        writeFile(m_dir, "grid33.cube", cubeFile(33, identity(33), 6));
        writeFile(m_dir, "grid17.cube", cubeFile(17, identity(17), 6));
        writeFile(m_dir, "short33.cube", sizeLine(33) + entryLines(2, identity(2), 6));
        writeFile(m_dir, "short17.cube", sizeLine(17) + entryLines(2, identity(2), 6));
        QVERIFY(QDir(m_dir.path()).mkdir("folder.cube") && m_box.connectAndSettle(3 + 19));
    }

    // What QML relies on beyond the names: 56 box-state ints, writable, each announced by its own
    // signal; the mode-3 group announces its 3D load before its frame slot; the defaults.
    void layoutForQml()
    {
        const QMetaObject &meta = Cubrix::staticMetaObject;
        QCOMPARE(meta.propertyCount() - meta.indexOfProperty("boxmode1_1dlut_inbit"), 56);
        for (int i = meta.indexOfProperty("boxmode1_1dlut_inbit"); i < meta.propertyCount(); ++i) {
            const QMetaProperty property = meta.property(i);
            QVERIFY2(property.isWritable() && property.userType() == QMetaType::Int && property.notifySignal().name() == property.name() + QByteArray("Changed"),
                     property.name());
        }
        QVERIFY(meta.indexOfSignal("boxmode3_ch1_3dlut_loadChanged()") < meta.indexOfSignal("boxmode3_ch1_frm_stateChanged()"));
        QVERIFY(meta.property(meta.indexOfProperty("protocol_major")).isConstant());
        Cubrix cubrix;
        QCOMPARE((QList<int>{cubrix.cubeBitDef(), cubrix.box_lut_interpolation(), cubrix.port(), cubrix.property("protocol_minor").toInt()}), (QList<int>{3, 1, 18181, 6}));
        QVERIFY(cubrix.cCaptureFrame() == nullptr && cubrix.property("cScopeStream").value<ScopeStream *>() == cubrix.cScopeStream());
        const QTimer *timer = cubrix.queryTimer();
        QVERIFY(timer->parent() == &cubrix && timer->isSingleShot() && timer->interval() == 500 && !timer->isActive());
        QCOMPARE(cubrix.getProtocolMessage(0x0402), QStringLiteral("Protocol ANCI Capture Error"));
    }

    void stateReplies_data()
    {
        QTest::addColumn<QString>("replies"); QTest::addColumn<QVariantMap>("values"); // all that differs from a new Cubrix
        QTest::addColumn<QStringList>("announced"); // by the last reply
        const auto row = [](const char *name, const QString &replies, const QVariantMap &values, const QStringList &announced) { QTest::newRow(name) << replies << values << announced; };
        row("mode 1 to 2, channel 1", mode(1, 0) + ' ' + mode(2, 1), {{"box_mode", 2}, {"box_ch", 1}}, {"boxModeChanged", "frameClear", "boxChChanged"});
        row("same mode, channel 2", mode(2, 1) + ' ' + mode(2, 2), {{"box_mode", 2}, {"box_ch", 2}}, {"boxChChanged"});
        row("mode words unsigned", "0100/0005:8001ffff", {{"box_mode", 0x8001}, {"box_ch", 0xFFFF}}, {"boxModeChanged", "frameClear", "boxChChanged"});
        // Little-endian format words, announced every time.
        row("mode 1 3D format, twice", "0100/0007:0a0000000c00000011000000 0100/0007:0a0000000c00000011000000",
            {{"boxmode1_3dlut_inbit", 10}, {"boxmode1_3dlut_outbit", 12}, {"boxmode1_3dlut_size", 17}},
            {"boxmode1_3dlut_inbitChanged", "boxmode1_3dlut_outbitChanged", "boxmode1_3dlut_sizeChanged"});
        row("mode 2 1D format", "0100/0009:0c0000000a000000", {{"boxmode2_1dlut_inbit", 12}, {"boxmode2_1dlut_outbit", 10}},
            {"boxmode2_1dlut_inbitChanged", "boxmode2_1dlut_outbitChanged"});
        row("mode 3 3D format, trailing bytes", "0100/000f:0a0000000c00000021000000ffff",
            {{"boxmode3_3dlut_inbit", 10}, {"boxmode3_3dlut_outbit", 12}, {"boxmode3_3dlut_size", 33}},
            {"boxmode3_3dlut_inbitChanged", "boxmode3_3dlut_outbitChanged", "boxmode3_3dlut_sizeChanged"});
        row("mode 3 1D format", "0100/000e:0001000002000000", {{"boxmode3_1dlut_inbit", 0x100}, {"boxmode3_1dlut_outbit", 2}},
            {"boxmode3_1dlut_inbitChanged", "boxmode3_1dlut_outbitChanged"});
        // The signal word is signed, only its first word counts, and it is announced on a change only.
        row("signal word -1", "0100/0014:ffff", {{"boxmode1_ch1_signal", -1}}, {"boxmode1_ch1_signalChanged"});
        row("signal word most negative", "0100/0014:80000102", {{"boxmode1_ch1_signal", -32768}}, {"boxmode1_ch1_signalChanged"});
        row("signal word twice", "0100/0014:0205 0100/0014:0205", {{"boxmode1_ch1_signal", 0x0205}}, {});
        // Wire order: front 1D state, load, 3D state, load, back 1D state, load, input, range;
        // announced as front 1D, back 1D, 3D, input, range. The generator has no input.
        for (const auto &block : QList<QPair<int, QString>>{{8, "boxmode1_ch1_"}, {11, "boxmode2_ch1_"}, {12, "boxmode2_ch2_"}, {16, "boxmode3_ch1_"}}) {
            QStringList names{"1dlut1_state", "1dlut1_load", "1dlut2_state", "1dlut2_load", "3dlut_state", "3dlut_load", "input", "range"};
            const QList<int> words{1, 0x0203, 0xFFFF, 16, 1, 9, 3, 4};
            QVariantMap values;
            for (int i = 0; i < names.size(); ++i)
                values.insert(block.second + names.at(i), words.at(i));
            if (block.first == 16)
                values.remove(block.second + names.takeAt(6));
            QTest::addRow("channel block %d", block.first) << QString::asprintf("0100/%04x:0001020300010009ffff001000030004", block.first) << values
                                                           << names.replaceInStrings(QRegularExpression("^(.*)$"), block.second + "\\1Changed");
        }
        row("channel block, only the change", "0100/000c:00010002000300040005000600070008 0100/000c:00010002000300040005000600070001",
            {{"boxmode2_ch2_1dlut1_state", 1}, {"boxmode2_ch2_1dlut1_load", 2}, {"boxmode2_ch2_3dlut_state", 3}, {"boxmode2_ch2_3dlut_load", 4},
             {"boxmode2_ch2_1dlut2_state", 5}, {"boxmode2_ch2_1dlut2_load", 6}, {"boxmode2_ch2_input", 7}, {"boxmode2_ch2_range", 1}}, {"boxmode2_ch2_rangeChanged"});
        row("generator, word 1 unused", "0100/000d:0002777700110003", {{"boxmode3_input_type", 2}, {"boxmode3_output_type", 17}, {"boxmode3_output_form", 3}},
            {"boxmode3_input_typeChanged", "boxmode3_output_typeChanged", "boxmode3_output_formChanged"});
        for (int m : {1, 2, 3})
            QTest::addRow("frame block, mode %d", m) << QString::asprintf("0100/%04x:0001000c", 16 + m)
                << QVariantMap{{QString("boxmode%1_ch1_frm_state").arg(m), 1}, {QString("boxmode%1_ch1_frm_load").arg(m), 12}}
                << QStringList{QString("boxmode%1_ch1_frm_stateChanged").arg(m), QString("boxmode%1_ch1_frm_loadChanged").arg(m)};
        row("anci keeps only the flag", "0100/0015:00010005 0100/0015:00010009", {{"box_anci", 1}}, {});
        row("interpolation, announced every time", "0100/0016:00000002 0100/0016:00000002", {{"box_lut_interpolation", 2}}, {"boxLutInterpolationChanged"});
        row("identity and ports", "0100/0000:4375627269780041 0100/0001:312e32e9 0100/0002:00534e 0100/0004:00000003",
            {{"model", "Cubrix"}, {"version", QString::fromLatin1("1.2\xe9")}, {"port_num", 3}}, {"portNumChanged"});
        // Replies too short for their layout are ignored whole; others are not the program's.
        for (const char *reply : {"0100/0003:000002", "0100/0004:000003", "0100/0005:0002", "0100/0005:000200", "0100/0006:0a0000000c0000",
                                  "0100/0007:0a0000000c000000110000", "0100/0008:000100010001000100010001000101", "0100/0010:0001000100010001000100010001",
                                  "0100/000d:00010002000304", "0100/0011:000100", "0100/0014:ff", "0100/0015:000100", "0100/0016:000002",
                                  "0100/0017:00010002", "0311/0404:00010002", "0304/0001:00010002", "0101/0510:00010002", "0600/000d:00010002"})
            QTest::addRow("ignored %s", reply) << reply << QVariantMap{} << QStringList{};
    }
    void stateReplies()
    {
        QFETCH(QString, replies); QFETCH(QVariantMap, values); QFETCH(QStringList, announced);
        Cubrix cubrix;
        const QString last = replies.split(' ').last();
        deliverAll(cubrix, replies.chopped(last.size()));
        SignalLog log(&cubrix);
        deliverAll(cubrix, last);
        QCOMPARE(changedProperties(cubrix), values);
        QCOMPARE(log.names, announced);
        QCOMPARE(cubrix.lastReplyHeader().request, quint16(last.mid(5, 4).toUInt(nullptr, 16)));
    }

    void resetAnnouncesWhatChanged_data()
    {
        QTest::addColumn<QString>("learned"); QTest::addColumn<QStringList>("order"); // of some announcements
        QTest::newRow("at the defaults") << "" << QStringList{"destroyChannel", "cubeBitDefChanged", "boxLutInterpolationChanged"};
        QTest::newRow("after a whole state") << "0100/0000:437562726978 0100/0001:322e30 0100/0002:534e31 0100/0004:00000002 " + mode(2, 1)
            + " 0100/0007:0a0000000c00000021000000 0100/0009:0a0000000a000000 0100/0008:00010002000300040005000600010002 0100/000b:00010002000300040005000600030004"
              " 0100/000c:00000000000100070000000000020000 0100/0010:00010001000100010001000100010003 0100/000d:0001000000020000 0100/0011:00010003"
              " 0100/0013:00010005 0100/0014:0102 0100/0015:00010000 0100/0016:00000007"
            << QStringList{"modelChanged", "destroyChannel", "boxModeChanged", "frameClear", "cubeBitDefChanged", "boxmode1_3dlut_sizeChanged",
                           "boxmode1_ch1_signalChanged", "boxLutInterpolationChanged", "boxmode3_ch1_rangeChanged"};
    }
    void resetAnnouncesWhatChanged()
    {
        QFETCH(QString, learned); QFETCH(QStringList, order);
        Cubrix cubrix;
        deliverAll(cubrix, learned);
        cubrix.setCube(learned.isEmpty() ? 3 : 1);
        const QVariantMap before = changedProperties(cubrix);
        QVERIFY(learned.isEmpty() || before.size() > 40);
        SignalLog log(&cubrix);
        QVERIFY(QMetaObject::invokeMethod(&cubrix, "socketStateChanged", Q_ARG(QTcpSocket::SocketState, QAbstractSocket::UnconnectedState)));
        QCOMPARE(changedProperties(cubrix), (learned.isEmpty() ? QVariantMap{} : QVariantMap{{"box_anci", 1}})); // the flag stays
        // Exactly what was not at its default announces its reset, once, plus what always does.
        QStringList expected{"destroyChannel", "cubeBitDefChanged", "boxLutInterpolationChanged", "stateChanged"};
        const QMap<QString, QString> notify{{"port_num", "portNum"}, {"box_mode", "boxMode"}, {"box_ch", "boxCh"}, {"box_anci", ""}, {"cube_bit_def", ""}, {"box_lut_interpolation", ""}};
        for (const QString &name : before.keys())
            expected << notify.value(name, name) + "Changed";
        expected.removeAll("Changed");
        if (before.contains("box_mode"))
            expected << "frameClear";
        QStringList names = log.names;
        std::sort(names.begin(), names.end());
        std::sort(expected.begin(), expected.end());
        QCOMPARE(names, expected);
        QCOMPARE(log.names.filter(QRegularExpression("^(" + order.join('|') + ")$")), order);
    }

    void forwarding_data()
    {
        QTest::addColumn<QString>("replies"); QTest::addColumn<int>("anciType"); // 0: not forwarded
        QTest::addColumn<int>("frameRange"); QTest::addColumn<bool>("vectorKept"); // -1: the frame is dropped
        const QString ranges = "0100/0008:00000000000000000000000000010002 0100/000b:00000000000000000000000000010003 "
                               "0100/000c:00000000000000000000000000010001 0100/0010:00000000000000000000000000000002 ";
        for (int request : {0, 1, 2, 3, 4, 5})
            QTest::addRow("anci request %d", request) << QString::asprintf("0402/%04x:0102030441056101", request) << (request >= 2 && request <= 4 ? request : 0) << -1 << false;
        // The capture item scales a frame by the input range of the channel it came from.
        QTest::newRow("frame, mode 1") << ranges + mode(1, 0) << 0 << 2 << false;
        QTest::newRow("frame, mode 2 channel 1") << ranges + mode(2, 1) << 0 << 3 << false;
        QTest::newRow("frame, mode 2 channel 2") << ranges + mode(2, 2) << 0 << 1 << false;
        QTest::newRow("frame, mode 2 no channel") << ranges + mode(2, 0) << 0 << -1 << false;
        QTest::newRow("frame, mode 3") << ranges + mode(3, 1) << 0 << -1 << false;
        QTest::newRow("frame, no mode") << ranges << 0 << -1 << false;
        // Not playing: the stream keeps the vector part of what reaches it, for a later redraw.
        const QString vector = QByteArray(16384, '\x5a').toHex();
        QTest::newRow("scope vector") << "0403/0002:" + vector << 0 << -1 << true;
        QTest::newRow("scope both") << "0403/0003:" + QByteArray(32768, '\x11').toHex() + vector << 0 << -1 << true;
        QTest::newRow("scope requests 0, 4") << "0403/0000:" + vector + " 0403/0004:" + vector << 0 << -1 << false;
    }
    void forwarding()
    {
        QFETCH(QString, replies); QFETCH(int, anciType); QFETCH(int, frameRange); QFETCH(bool, vectorKept);
        Cubrix cubrix;
        CaptureFrame item, other;
        deliver(cubrix, 0x0100, 0, "Cubrix");
        cubrix.registerFeature(&other, 1);
        QVERIFY(cubrix.cCaptureFrame() == nullptr && other.socketHandler() == nullptr);
        QSignalSpy announced(&cubrix, &Cubrix::cCaptureFrameChanged), captured(&cubrix, &Cubrix::anciCaptured);
        cubrix.registerFeature(&item, Cubrix::CaptureFrameFeature);
        QVERIFY(cubrix.property("cCaptureFrame").value<CaptureFrame *>() == &item && item.socketHandler() == cubrix.socketHandler() && announced.isEmpty());
        QCOMPARE(item.deviceModel(), QStringLiteral("Cubrix"));
        deliverAll(cubrix, replies);
        deliver(cubrix, 0x0400, 0, OnePixelFrame);
        QCOMPARE(captured, (anciType ? QList<QList<QVariant>>{{QByteArray::fromHex("0102030441056101"), anciType}} : QList<QList<QVariant>>{}));
        QCOMPARE(item.image().isNull(), frameRange < 0);
        if (frameRange > 0) {
            CaptureFrame reference, otherRange; // and the ranges must tell apart
            reference.receiveFrame(OnePixelFrame, uint(frameRange));
            otherRange.receiveFrame(OnePixelFrame, uint(frameRange % 3 + 1));
            QVERIFY(item.image() == reference.image() && item.image() != otherRange.image());
        }
        QCOMPARE(cubrix.cScopeStream()->lastVectorFrame(), vectorKept ? QByteArray(16384, '\x5a') : QByteArray());
        cubrix.registerFeature(nullptr, Cubrix::CaptureFrameFeature); // the item may go first: later frames are dropped
        deliver(cubrix, 0x0400, 0, OnePixelFrame);
        QVERIFY(cubrix.cCaptureFrame() == nullptr);
    }

    void commands_data()
    {
        QTest::addColumn<QString>("mode"); QTest::addColumn<CubrixCall>("call"); QTest::addColumn<QString>("sent");
        const auto row = [](const char *name, const QString &mode, const CubrixCall &call, const QString &sent) { QTest::newRow(name) << mode << call << sent; };
        const QString m1 = mode(1, 0), m2c1 = mode(2, 1), m2c2 = mode(2, 2), m2 = mode(2, 0), m3 = mode(3, 0);
        const CubrixCall boxOn = CALL(c.setLut(C::LUT_TYPE_1D, C::LUT_FUNC_BOX, 0, true)), ditLoad = CALL(c.loadLut(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 4));
        const CubrixCall frameOn = CALL(c.setFrame(0, true));
        row("sweep on focus", m1, CALL(c.onGuiFocus()), "0100/0004 0100/0005 0100/0006 0100/0007 0100/0009 0100/000a 0100/000e 0100/000f 0100/0008 0100/0011 "
                                                        "0100/0014 0100/000b 0100/0012 0100/000c 0100/0010 0100/0013 0100/000d 0100/0015 0100/0016");
        row("1D box on, mode 2 ch 2", m2c2, boxOn, "0302/0100 0100/000c");
        row("1D box on, mode 2 ch 1", m2c1, boxOn, "0302/0100 0100/000b");
        row("1D box on, mode 2 no ch", m2, boxOn, "0302/0100");
        row("1D box on, mode 1", m1, boxOn, "0302/0100 0100/0008");
        row("1D box on, mode 3", m3, boxOn, "0302/0100 0100/0010");
        row("3D DIT off, 3D cal on", m3, CALL(c.setLut(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 7, false); c.setLut(C::LUT_TYPE_3D, C::LUT_FUNC_CALIBRATION, 2, true)),
            "0311/0007 0100/0010 0310/0102 0100/0010");
        row("refused, re-query kept", m2c1, CALL(c.setLut(C::LUT_TYPE_3D, C::LUT_FUNC_BOX, 0, true); c.setLut(C::LUT_TYPE_1D, C::LutFunc(3), 0, true);
                                                  c.setLut(C::LutType(2), C::LUT_FUNC_DIT, 0, true)), "0100/000b 0100/000b");
        row("3D DIT load, mode 2 ch 1", m2c1, ditLoad, "0311/0404 0100/000b 0100/0010");
        row("3D DIT load, mode 2 ch 2", m2c2, ditLoad, "0311/0404 0100/000c 0100/0010");
        row("3D DIT load, mode 2 no ch", m2, ditLoad, "0311/0404 0100/0010");
        row("3D DIT load, mode 1", m1, ditLoad, "0311/0404 0100/0008");
        row("3D DIT load, mode 3", m3, ditLoad, "0311/0404 0100/0010");
        row("loads: cal without re-query, box is DIT", m1, CALL(c.loadLut(C::LUT_TYPE_1D, C::LUT_FUNC_CALIBRATION, 2); c.loadLut(C::LUT_TYPE_3D, C::LUT_FUNC_BOX, 1)),
            "0300/0402 0311/0401 0100/0008");
        row("frame on, off, load, mode 1", m1, CALL(c.setFrame(0, true); c.setFrame(3, false); c.loadFrame(9)), "0401/0100 0100/0011 0401/0003 0100/0011 0401/0409 0100/0011");
        row("frame on, mode 2 ch 1", m2c1, frameOn, "0401/0100 0100/0012");
        row("frame on, mode 2 ch 2", m2c2, frameOn, "0401/0100");
        row("frame on, mode 3", m3, frameOn, "0401/0100 0100/0013");
        row("ranges, mode 2 ch 2", m2c2, CALL(for (int r : {0, 1, 4, 5}) c.setRange(r)), "0304/0001 0100/000c 0100/0010 0304/0004 0100/000c 0100/0010");
        row("input range, mode 1", m1, CALL(for (int i : {0, 1, 4}) c.setInputRange(i, 0)), "0304/0001 0100/0008");
        row("input ranges with the LUT", m2c1, CALL(c.setInputRange(2, 7); c.setInputRange(3, 1)), "0304/0012 0100/000b 0100/0010 0304/0014 0100/000b 0100/0010");
        row("input signal, mode 1", m1, CALL(c.setInputSignal(0x0205)), "0006/0205 0100/0014");
        row("input signal, modes 2 and 3", m2c1, CALL(c.setInputSignal(0x0205); deliverAll(c, mode(3, 0)); c.setInputSignal(1)), "");
        // RGB 1023 0 512: bits 29-20, 19-10, 9-0; out-of-range components are cut to their fields.
        row("RGB", m3, CALL(c.setSignalRGB(1023, 0, 512); c.setSignalRGB(0x7FF, -1, 0x400)), "0600/0001:3ff00200 0100/000d 0600/0001:3ffffc00 0100/000d");
        row("YCbCr", m3, CALL(c.setSignalYCbCr(64, 512, 940)), "0600/0002:040803ac 0100/000d");
        row("output types", m3, CALL(for (int t : {0, 1, 5, 6, 17, 18}) c.setSignalOut(t)),
            "0600/0003:00000001 0100/000d 0600/0003:00000005 0100/000d 0600/0003:00000011 0100/000d");
        row("output forms", m3, CALL(for (int f : {0, 1, 4, 5}) c.setSignalForm(f)), "0600/0004:00000001 0100/000d 0600/0004:00000004 0100/000d");
        row("anci options", m1, CALL(for (int o : {-1, 0, 1, 2, 3, 4}) c.setAnci(o)), "0402/0000 0100/0015 0402/0001 0100/0015 0402/0002 0402/0003");
        row("anci capture", m1, CALL(c.captureAnci("0x4105"); c.captureAnci("0x4105", 258); c.captureAnci("0x6101", 65535); c.captureAnci("0xFFA0")),
            "0402/0004:4105 0402/0004:41050102 0402/0004:6101ffff 0402/0004:ffa0");
        row("anci capture refused", m1, CALL(for (const char *id : {"0x41", "0x41056", "0xZZ05", "0x41G5"}) c.captureAnci(id); c.captureAnci("0x41", 1)), "");
        row("input keys, mode 1", m1, CALL(c.sendKey(C::MNCP_KEY_INPUT0); c.sendKey(C::MNCP_KEY_INPUT3)), "0001/0010 0100/0008 0001/0013");
        row("input key, mode 2 ch 2", m2c2, CALL(c.sendKey(C::MNCP_KEY_INPUT2)), "0001/0012 0100/000c");
        row("input key, mode 3", m3, CALL(c.sendKey(C::MNCP_KEY_INPUT1)), "0001/0011");
        row("channel keys", m2c1, CALL(c.sendKey(C::MNCP_KEY_CH_2); c.sendKey(C::MNCP_KEY_CH_1)), "0001/0081 0100/0005 0001/0080 0100/0005");
        row("rotary types -1, 3; bit size", m1, CALL(c.sendRotary(-1, 1); c.sendRotary(3, 1); c.setCube(2)), "");
    }
    void commands()
    {
        QFETCH(QString, mode); QFETCH(CubrixCall, call); QFETCH(QString, sent);
        deliverAll(m_box.device, mode);
        QCOMPARE(m_box.wireTextOf([&] { call(m_box.device); }), sent);
        QVERIFY(!m_box.device.queryTimer()->isActive()); // only mode and interpolation keys start it
    }

    void transfers_data()
    {
        QTest::addColumn<CubrixCall>("call"); QTest::addColumn<QString>("sent"); QTest::addColumn<QByteArray>("payload"); // of the first command
        QTest::addColumn<QString>("log"); // a line the call must log
        const auto row = [this](const char *name, const CubrixCall &call, const QString &sent, const QByteArray &payload, const char *log = "") {
            QTest::newRow(name) << call << (payload.isEmpty() ? sent : QString("%1:%2 bytes%3").arg(sent.left(9)).arg(payload.size()).arg(sent.mid(9))) << payload << QString(log);
        };
        const QUrl lut = url("table.lut"), dat = url("image.dat"), raw = url("frame.raw"), g33 = url("grid33.cube"), g17 = url("grid17.cube");
        const QByteArray lutBytes = contents("table.lut"), datBytes = contents("image.dat"), rawBytes = contents("frame.raw"), bytes33 = contents("grid33.cube"),
                         bytes17 = contents("grid17.cube"), down = CubeFiles::cubeFile(17, CubeFiles::identity(17), 6), up = CubeFiles::cubeFile(33, CubeFiles::identity(33), 6);
        const QString text = QString::fromUtf8("LUT_1D_SIZE 2\n0 0 0\n4095 \xc3\xa4"), textHex = ":" + text.toUtf8().toHex();
        row("send 3D DIT, 12 bit", CALL(c.sendLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, g17, 3)), "0311/0230", bytes17);
        row("send 3D cal, 8 bit", CALL(c.sendLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_CALIBRATION, 0, dat, 1)), "0310/0210", datBytes);
        row("send 1D, bit size unused", CALL(c.sendLutFile(C::LUT_TYPE_1D, C::LUT_FUNC_DIT, 0, lut, 3)), "0301/0200", lutBytes);
        row("store 1D box, slot 5", CALL(c.saveLutFile(C::LUT_TYPE_1D, C::LUT_FUNC_BOX, 4, lut, 3)), "0302/0304", lutBytes);
        row("store 3D DIT slot 16, 10 bit", CALL(c.saveLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 15, g33, 2)), "0311/032f", bytes33);
        row("store 3D .dat, bit size 0", CALL(c.saveLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 2, dat, 0)), "0311/0302", datBytes);
        row("send frame", CALL(c.sendFrame(0, raw)), "0401/0200", rawBytes);
        row("store frame, slot 16", CALL(c.saveFrame(15, raw)), "0401/030f", rawBytes);
        row("generator frame", CALL(c.sendFrameFile(raw)), "0600/0005 0100/000d", rawBytes);
        row("generator frame, no URL", CALL(c.sendFrameFile(QUrl())), "", {}, "invalid file");
        row("generator frame, missing", CALL(c.sendFrameFile(url("gone.raw"))), "", {}, "failed to open file");
        row("text send 3D DIT, 10 bit", CALL(c.sendLutArray(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, text, 2)), "0311/0220" + textHex, {});
        row("text store 1D box, slot 8", CALL(c.saveLutArray(C::LUT_TYPE_1D, C::LUT_FUNC_BOX, 7, text, 0)), "0302/0307" + textHex, {});
        row("text store 3D cal, slot 2", CALL(c.saveLutArray(C::LUT_TYPE_3D, C::LUT_FUNC_CALIBRATION, 1, text, 3)), "0310/0331" + textHex, {});
        row("text store 3D box refused", CALL(c.saveLutArray(C::LUT_TYPE_3D, C::LUT_FUNC_BOX, 0, text, 3)), "", {}, "Unknown lut func:  2");
        row("text store type 4 refused", CALL(c.saveLutArray(C::LutType(4), C::LUT_FUNC_DIT, 0, text, 3)), "", {}, "Unknown type:  4");
        row("text send type 4 refused", CALL(c.sendLutArray(C::LutType(4), C::LUT_FUNC_DIT, 0, text, 3)), "", {}, "Unknown lut type:  4");
        row("text send 1D function 3 refused", CALL(c.sendLutArray(C::LUT_TYPE_1D, C::LutFunc(3), 0, text, 0)), "", {}, "Unknown lut func:  3");
        row("store 1D function -1 refused", CALL(c.saveLutFile(C::LUT_TYPE_1D, C::LutFunc(-1), 0, g17, 0)), "", {}, "Unknown lut func:  -1");
        row("send up, type 7 refused", CALL(c.sendLutFileUpsample(C::LutType(7), C::LUT_FUNC_DIT, 0, g17, 3)), "", {}, "Unknown lut type:  7");
        row("store down 3D box refused", CALL(c.saveLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_BOX, 0, g33, 3)), "", {}, "Unknown lut func:  2");
        // Only the one matching size is converted.
        row("send down, 33 converted", CALL(c.sendLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, g33, 3)), "0311/0230", down, "Downsampling 33x33x33 LUT to 17x17x17...");
        row("send down, 17 as is", CALL(c.sendLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, g17, 3)), "0311/0230", bytes17);
        row("send down, .dat as is", CALL(c.sendLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, dat, 3)), "0311/0230", datBytes);
        row("send down, 1D as is", CALL(c.sendLutFileDownsample(C::LUT_TYPE_1D, C::LUT_FUNC_DIT, 0, g33, 3)), "0301/0200", bytes33);
        row("send up, 17 converted", CALL(c.sendLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, g17, 3)), "0311/0230", up, "Upsampling 17x17x17 LUT to 33x33x33...");
        row("send up, 33 as is", CALL(c.sendLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, g33, 3)), "0311/0230", bytes33);
        row("send up, 1D as is", CALL(c.sendLutFileUpsample(C::LUT_TYPE_1D, C::LUT_FUNC_DIT, 0, g17, 3)), "0301/0200", bytes17);
        row("store down, 33 converted", CALL(c.saveLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 2, g33, 2)), "0311/0322", down);
        row("store down, 17 as is", CALL(c.saveLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 2, g17, 2)), "0311/0322", bytes17);
        // The store variant keeps the box software's own spelling of this line.
        row("store up, 17 converted", CALL(c.saveLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_CALIBRATION, 2, g17, 1)), "0310/0312", up, "Upwnsampling 17x17x17 LUT to 33x33x33...");
        row("store up, 33 as is", CALL(c.saveLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_CALIBRATION, 2, g33, 1)), "0310/0312", bytes33);
        // A grid too short for its size is never sent in part.
        row("short grids", CALL(c.sendLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, url("short33.cube"), 3);
                                c.saveLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 1, url("short33.cube"), 3);
                                c.sendLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, url("short17.cube"), 3);
                                c.saveLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 1, url("short17.cube"), 3)), "", {}, "LUT not sent: short");
        // No URL: an empty payload still goes out, as the pages expect.
        row("no URL", CALL(c.saveLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 5, QUrl(), 3); c.saveLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, QUrl(), 1);
                           c.saveLutFileUpsample(C::LUT_TYPE_1D, C::LUT_FUNC_BOX, 1, QUrl(), 1); c.sendLutFile(C::LUT_TYPE_1D, C::LUT_FUNC_DIT, 0, QUrl(), 0);
                           c.sendFrame(0, QUrl())), "0311/0335 0311/0310 0302/0301 0301/0200 0401/0200", {});
        // A file that cannot be read is no empty table or frame; nor is a URL naming no local file.
        for (const QUrl &unreadable : {url("gone.cube"), url("folder.cube"), QUrl("http://127.0.0.1/table.cube")})
            QTest::addRow("unreadable %s", qPrintable(unreadable.fileName()))
                << CALL(c.sendLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, unreadable, 3); c.sendLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, unreadable, 3);
                        c.sendLutFileUpsample(C::LUT_TYPE_1D, C::LUT_FUNC_DIT, 0, unreadable, 3); c.saveLutFile(C::LUT_TYPE_1D, C::LUT_FUNC_BOX, 4, unreadable, 0);
                        c.saveLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 4, unreadable, 3); c.saveLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 4, unreadable, 3);
                        c.sendFrame(0, unreadable); c.saveFrame(3, unreadable)) << "" << QByteArray() << "not sent";
    }
    void transfers()
    {
        QFETCH(CubrixCall, call); QFETCH(QString, sent); QFETCH(QByteArray, payload); QFETCH(QString, log);
        LogCapture capture(QtDebugMsg);
        QCOMPARE(m_box.wireTextOf([&] { call(m_box.device); }), sent);
        QVERIFY(payload.isEmpty() || m_box.fake.received().first().payload == payload);
        QVERIFY2(log.isEmpty() || capture.contains(log), qPrintable(capture.lines().join('\n')));
        if (log == "not sent")
            QCOMPARE(capture.lines().filter(log).size(), 8);
    }

    void modeAndChannelKeysStopScopesAndQueryTheMode()
    {
        m_box.answer(0x0100, 5, Bytes::be16({2, 1}));
        deliverAll(m_box.device, mode(2, 1));
        ScopeStream *scope = m_box.device.cScopeStream();
        QSignalSpy playing(scope, &ScopeStream::isPlayingChanged);
        scope->startStopPlayback(ScopeStream::Both, true);
        QVERIFY(m_box.waitIdle());
        // A channel key asks for the mode at once.
        QCOMPARE(m_box.wireTextOf([&] { m_box.device.sendKey(Cubrix::MNCP_KEY_CH_2); }), QStringLiteral("0001/0081 0100/0005"));
        QVERIFY(!scope->isPlaying() && playing.size() == 2);
        scope->startStopPlayback(ScopeStream::Waveform, true);
        QVERIFY(m_box.waitIdle());
        // Mode and interpolation keys ask once the box has settled, after the last press; the new
        // mode is learnt from the query, not from the key. A coarse 500 ms timer may fire up to
        // 5 % early; one not restarted by the later presses would fire 100 ms after the last.
        m_box.answer(0x0100, 5, Bytes::be16({3, 0}));
        m_box.fake.clearReceived();
        QElapsedTimer clock;
        clock.start();
        m_box.device.sendKey(Cubrix::MNCP_KEY_MODE_1);
        QVERIFY(!scope->isPlaying() && m_box.device.queryTimer()->isActive());
        QTest::qWait(200);
        m_box.device.sendKey(Cubrix::MNCP_KEY_MODE_3);
        QTest::qWait(200);
        m_box.device.sendKey(Cubrix::MNCP_KEY_LUT_INTERPOLATION_2);
        const qint64 lastPress = clock.elapsed();
        QCOMPARE(m_box.device.boxMode(), 2);
        QVERIFY(m_box.fake.waitForCommands(5, 3000));
        QVERIFY2(clock.elapsed() - lastPress >= 450, qPrintable(QString::number(clock.elapsed() - lastPress)));
        QTRY_COMPARE_WITH_TIMEOUT(m_box.device.boxMode(), 3, 3000);
        QTest::qWait(700);
        QCOMPARE(wireText(m_box.fake), QStringLiteral("0001/0070 0001/0072 0001/0091 0100/0005 0100/0016"));
        m_box.device.sendKey(Cubrix::MNCP_KEY_CH_1); // nothing playing: nothing to stop
        QCOMPARE(playing.size(), 4);
    }

    // The re-query after a mode key belongs to its connection: disconnecting within the delay
    // must neither write into the closed socket nor leave the next connection stalled behind it.
    void modeKeyThenDisconnectLeavesTheNextConnectionClean()
    {
        QSignalSpy writeErrors(&m_box.device, &Cubrix::socketWriteException);
        m_box.device.sendKey(Cubrix::MNCP_KEY_MODE_2);
        QVERIFY(m_box.waitIdle());
        m_box.device.deviceDisconnect();
        QTRY_COMPARE_WITH_TIMEOUT(m_box.device.state(), QAbstractSocket::UnconnectedState, 3000);
        QTest::qWait(Cubrix::QueryTimerInterval + 200);
        QCOMPARE(writeErrors.size(), 0);
        m_box.fake.clearReceived();
        QVERIFY(connectToFake(m_box.device, m_box.fake) && m_box.fake.waitForCommands(3 + 19) && m_box.waitIdle());
        QVERIFY(m_box.fake.received().size() == 3 + 19 && wireText(m_box.fake).startsWith("0100/0000 "));
    }
};

QTEST_MAIN(TestCubrix)
#include "tst_cubrix.moc"
