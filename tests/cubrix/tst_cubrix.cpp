#include "bytes.h"
#include "cubefiles.h"
#include "cubrix/cubrix.h"
#include "deviceharness.h"
#include "logcapture.h"
#include "signallog.h"

#include <QMetaProperty>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// What only the Cubrix does: its QML-facing layout, the decoding of its state replies, the
// reset, the state queries after its commands, its LUT and frame uploads, and what it forwards.
using CubrixCall = std::function<void(Cubrix &)>;
Q_DECLARE_METATYPE(CubrixCall)
#define CALL(body) CubrixCall([=](Cubrix &c) { using C = Cubrix; body; })

namespace {
const QStringList FamilyProperties = {
    "boxmode1_1dlut_inbit", "boxmode1_1dlut_outbit", "boxmode1_3dlut_inbit", "boxmode1_3dlut_outbit", "boxmode1_3dlut_size",
    "boxmode2_1dlut_inbit", "boxmode2_1dlut_outbit", "boxmode2_3dlut_inbit", "boxmode2_3dlut_outbit", "boxmode2_3dlut_size",
    "boxmode3_1dlut_inbit", "boxmode3_1dlut_outbit", "boxmode3_3dlut_inbit", "boxmode3_3dlut_outbit", "boxmode3_3dlut_size",
    "boxmode1_ch1_1dlut1_state", "boxmode1_ch1_1dlut1_load", "boxmode1_ch1_1dlut2_state", "boxmode1_ch1_1dlut2_load",
    "boxmode1_ch1_3dlut_state", "boxmode1_ch1_3dlut_load", "boxmode1_ch1_frm_state", "boxmode1_ch1_frm_load",
    "boxmode1_ch1_input", "boxmode1_ch1_range", "boxmode1_ch1_signal", "boxmode2_ch1_1dlut1_state",
    "boxmode2_ch1_1dlut1_load", "boxmode2_ch1_1dlut2_state", "boxmode2_ch1_1dlut2_load", "boxmode2_ch1_3dlut_state",
    "boxmode2_ch1_3dlut_load", "boxmode2_ch1_frm_state", "boxmode2_ch1_frm_load", "boxmode2_ch1_input",
    "boxmode2_ch1_range", "boxmode2_ch2_1dlut1_state", "boxmode2_ch2_1dlut1_load", "boxmode2_ch2_1dlut2_state",
    "boxmode2_ch2_1dlut2_load", "boxmode2_ch2_3dlut_state", "boxmode2_ch2_3dlut_load", "boxmode2_ch2_input",
    "boxmode2_ch2_range", "boxmode3_ch1_1dlut1_state", "boxmode3_ch1_1dlut1_load", "boxmode3_ch1_1dlut2_state",
    "boxmode3_ch1_1dlut2_load", "boxmode3_ch1_3dlut_state", "boxmode3_ch1_frm_state", "boxmode3_ch1_frm_load",
    "boxmode3_ch1_3dlut_load", "boxmode3_ch1_range", "boxmode3_input_type", "boxmode3_output_type", "boxmode3_output_form"};

// Every int or text property whose value differs from a new Cubrix's.
QVariantMap changedProperties(const Cubrix &cubrix)
{
    const Cubrix fresh;
    QVariantMap changed;
    const QMetaObject &meta = Cubrix::staticMetaObject;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
        const QMetaProperty property = meta.property(i);
        if ((property.userType() == QMetaType::Int || property.userType() == QMetaType::QString)
            && property.read(&cubrix) != property.read(&fresh))
            changed.insert(property.name(), property.read(&cubrix));
    }
    return changed;
}

// Replies written as wireText writes commands: "pppp/rrrr:payload", space-separated.
void deliverAll(Cubrix &cubrix, const QString &replies)
{
    for (const QString &reply : replies.split(' ', Qt::SkipEmptyParts))
        deliver(cubrix, quint16(reply.mid(0, 4).toUInt(nullptr, 16)), quint16(reply.mid(5, 4).toUInt(nullptr, 16)),
                QByteArray::fromHex(reply.mid(10).toLatin1()));
}

QString modeReply(int mode, int channel) { return "0100/0005:" + Bytes::be16({mode, channel}).toHex(); }

// A 1x1 frame in 4:4:4 YCbCr (code 2): Cr bits 0-9, Y bits 10-19, Cb bits 20-29.
const QByteArray OnePixelFrame = Bytes::be16({1, 1, 4, 2}) + QByteArray::fromHex("01020304") + Bytes::be32((300u << 20) | (700u << 10) | 800u);
} // namespace

class TestCubrix : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    DeviceHarness<Cubrix> *m_box = nullptr;
    QUrl url(const QString &name) const { return QUrl::fromLocalFile(m_dir.filePath(name)); }
    QByteArray contents(const QString &name) const
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
private slots:
    void initTestCase()
    {
        using namespace CubeFiles;
        useCNumericLocale();
        QVERIFY(m_dir.isValid());
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
        QVERIFY(QDir(m_dir.path()).mkdir("folder.cube"));
        m_box = new DeviceHarness<Cubrix>;
        QVERIFY(m_box->connectAndSettle(3 + 19));
    }
    void cleanupTestCase() { delete m_box; }
    void layoutForQml();
    void stateReplies_data();
    void stateReplies();
    void resetAnnouncesWhatChanged_data();
    void resetAnnouncesWhatChanged();
    void forwarding_data();
    void forwarding();
    void commands_data();
    void commands();
    void transfers_data();
    void transfers();
    void modeAndChannelKeysStopScopesAndQueryTheMode();
    void modeKeysQueryOnceAfterTheLastPress();
    void modeKeyThenDisconnectLeavesTheNextConnectionClean();
};

void TestCubrix::layoutForQml()
{
    const QMetaObject &meta = Cubrix::staticMetaObject;
    QStringList properties, signalNames;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i)
        properties << meta.property(i).name();
    QCOMPARE(properties, QStringList({"cScopeStream", "cCaptureFrame", "model", "serial", "version", "channels", "port_num",
                                      "channel_num", "state", "protocol_major", "protocol_minor", "box_mode", "box_ch", "box_anci",
                                      "box_lut_interpolation", "cube_bit_def"}) + FamilyProperties);
    for (const QString &name : FamilyProperties) {
        const QMetaProperty property = meta.property(meta.indexOfProperty(name.toLatin1()));
        QVERIFY2(property.isWritable() && property.userType() == QMetaType::Int, qPrintable(name));
        QCOMPARE(QString(property.notifySignal().name()), name + "Changed");
    }
    QVERIFY(meta.property(meta.indexOfProperty("protocol_major")).isConstant());
    QCOMPARE(meta.property(meta.indexOfProperty("cube_bit_def")).notifySignal().name(), QByteArray("cubeBitDefChanged"));
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        if (meta.method(i).methodType() == QMetaMethod::Signal)
            signalNames << meta.method(i).name();
    }
    // The mode-3 channel group announces its 3D load before its frame slot.
    QStringList family = FamilyProperties;
    family.move(family.indexOf("boxmode3_ch1_3dlut_load"), family.indexOf("boxmode3_ch1_frm_state"));
    QCOMPARE(signalNames, QStringList({"cScopeStreamChanged", "cCaptureFrameChanged", "modelChanged", "serialChanged",
                                       "versionChanged", "portNumChanged", "channelNumChanged", "channelsChanged", "destroyChannel",
                                       "anciCaptured", "frameClear", "boxModeChanged", "boxChChanged", "boxAnciChanged",
                                       "boxLutInterpolationChanged", "cubeBitDefChanged", "stateChanged"})
                              + family.replaceInStrings(QRegularExpression("$"), "Changed"));
    const QMetaEnum func = meta.enumerator(meta.indexOfEnumerator("LutFunc"));
    const QMetaEnum type = meta.enumerator(meta.indexOfEnumerator("LutType"));
    QCOMPARE(QString("%1 %2 %3 %4 %5").arg(func.keyCount()).arg(func.keyToValue("LUT_FUNC_BOX")).arg(type.keyCount())
                 .arg(type.keyToValue("LUT_TYPE_3D")).arg(func.keyToValue("LUT_FUNC_DIT")), QStringLiteral("3 2 2 1 1"));

    Cubrix cubrix;
    QCOMPARE((QList<int>{cubrix.cubeBitDef(), cubrix.box_lut_interpolation(), cubrix.boxMode(), cubrix.port(),
                         cubrix.property("protocol_major").toInt(), cubrix.property("protocol_minor").toInt()}),
             (QList<int>{3, 1, 0, 18181, 1, 6}));
    for (const QString &name : FamilyProperties)
        QCOMPARE(cubrix.property(name.toLatin1()).toInt(), 0);
    QCOMPARE(cubrix.property("cScopeStream").value<ScopeStream *>(), cubrix.cScopeStream());
    QVERIFY(cubrix.cCaptureFrame() == nullptr && !cubrix.cScopeStream()->isPlaying());
    const QTimer *timer = cubrix.queryTimer();
    QVERIFY(timer->parent() == &cubrix && timer->isSingleShot() && timer->interval() == 500 && !timer->isActive());
}

void TestCubrix::stateReplies_data()
{
    QTest::addColumn<QString>("replies");
    QTest::addColumn<QVariantMap>("values"); // every property that differs from a new Cubrix's
    QTest::addColumn<QStringList>("announced"); // by the last reply
    QTest::newRow("mode 1 to 2, channel 1") << modeReply(1, 0) + " " + modeReply(2, 1) << QVariantMap{{"box_mode", 2}, {"box_ch", 1}}
                                            << QStringList{"boxModeChanged", "frameClear", "boxChChanged"};
    QTest::newRow("same mode, channel 2") << modeReply(2, 1) + " " + modeReply(2, 2) << QVariantMap{{"box_mode", 2}, {"box_ch", 2}}
                                          << QStringList{"boxChChanged"};
    QTest::newRow("mode words unsigned") << "0100/0005:8001ffff" << QVariantMap{{"box_mode", 0x8001}, {"box_ch", 0xFFFF}}
                                         << QStringList{"boxModeChanged", "frameClear", "boxChChanged"};
    // Little-endian format words, announced every time.
    QTest::newRow("mode 1 3D format, twice") << "0100/0007:0a0000000c00000011000000 0100/0007:0a0000000c00000011000000"
        << QVariantMap{{"boxmode1_3dlut_inbit", 10}, {"boxmode1_3dlut_outbit", 12}, {"boxmode1_3dlut_size", 17}}
        << QStringList{"boxmode1_3dlut_inbitChanged", "boxmode1_3dlut_outbitChanged", "boxmode1_3dlut_sizeChanged"};
    QTest::newRow("mode 2 1D format") << "0100/0009:0c0000000a000000" << QVariantMap{{"boxmode2_1dlut_inbit", 12}, {"boxmode2_1dlut_outbit", 10}}
                                      << QStringList{"boxmode2_1dlut_inbitChanged", "boxmode2_1dlut_outbitChanged"};
    QTest::newRow("mode 3 3D format, trailing bytes") << "0100/000f:0a0000000c00000021000000ffff"
        << QVariantMap{{"boxmode3_3dlut_inbit", 10}, {"boxmode3_3dlut_outbit", 12}, {"boxmode3_3dlut_size", 33}}
        << QStringList{"boxmode3_3dlut_inbitChanged", "boxmode3_3dlut_outbitChanged", "boxmode3_3dlut_sizeChanged"};
    QTest::newRow("mode 3 1D format") << "0100/000e:0001000002000000" << QVariantMap{{"boxmode3_1dlut_inbit", 0x100}, {"boxmode3_1dlut_outbit", 2}}
                                      << QStringList{"boxmode3_1dlut_inbitChanged", "boxmode3_1dlut_outbitChanged"};
    // The signal word is signed, and only its first word counts.
    QTest::newRow("signal word -1") << "0100/0014:ffff" << QVariantMap{{"boxmode1_ch1_signal", -1}} << QStringList{"boxmode1_ch1_signalChanged"};
    QTest::newRow("signal word most negative") << "0100/0014:80000102" << QVariantMap{{"boxmode1_ch1_signal", -32768}}
                                               << QStringList{"boxmode1_ch1_signalChanged"};
    QTest::newRow("signal word twice") << "0100/0014:0205 0100/0014:0205" << QVariantMap{{"boxmode1_ch1_signal", 0x0205}} << QStringList{};
    // Wire order: front 1D state, load, 3D state, load, back 1D state, load, input, range; announced
    // as front 1D, back 1D, 3D, input, range.
    for (const auto &[request, prefix] : {std::pair<int, QString>{8, "boxmode1_ch1_"}, {11, "boxmode2_ch1_"}, {12, "boxmode2_ch2_"}, {16, "boxmode3_ch1_"}}) {
        QStringList names{"1dlut1_state", "1dlut1_load", "1dlut2_state", "1dlut2_load", "3dlut_state", "3dlut_load", "input", "range"};
        const QList<int> words{1, 0x0203, 0xFFFF, 16, 1, 9, 3, 4};
        if (request == 16)
            names.removeOne("input"); // the generator has no input
        QVariantMap values;
        for (int i = 0; i < names.size(); ++i)
            values.insert(prefix + names.at(i), words.at(i + (request == 16 && i == 6)));
        QTest::addRow("channel block %d", request) << QString::asprintf("0100/%04x:", request) + "0001020300010009ffff001000030004"
                                                   << values << names.replaceInStrings(QRegularExpression("^(.*)$"), prefix + "\\1Changed");
    }
    QTest::newRow("channel block, only the change") << "0100/000c:00010002000300040005000600070008 0100/000c:00010002000300040005000600070001"
        << QVariantMap{{"boxmode2_ch2_1dlut1_state", 1}, {"boxmode2_ch2_1dlut1_load", 2}, {"boxmode2_ch2_3dlut_state", 3},
                       {"boxmode2_ch2_3dlut_load", 4}, {"boxmode2_ch2_1dlut2_state", 5}, {"boxmode2_ch2_1dlut2_load", 6},
                       {"boxmode2_ch2_input", 7}, {"boxmode2_ch2_range", 1}} << QStringList{"boxmode2_ch2_rangeChanged"};
    QTest::newRow("generator, word 1 unused") << "0100/000d:0002777700110003"
        << QVariantMap{{"boxmode3_input_type", 2}, {"boxmode3_output_type", 17}, {"boxmode3_output_form", 3}}
        << QStringList{"boxmode3_input_typeChanged", "boxmode3_output_typeChanged", "boxmode3_output_formChanged"};
    for (int mode : {1, 2, 3})
        QTest::addRow("frame block, mode %d", mode) << QString::asprintf("0100/%04x:0001000c", 16 + mode)
            << QVariantMap{{QString("boxmode%1_ch1_frm_state").arg(mode), 1}, {QString("boxmode%1_ch1_frm_load").arg(mode), 12}}
            << QStringList{QString("boxmode%1_ch1_frm_stateChanged").arg(mode), QString("boxmode%1_ch1_frm_loadChanged").arg(mode)};
    QTest::newRow("anci keeps only the flag") << "0100/0015:00010005 0100/0015:00010009" << QVariantMap{{"box_anci", 1}} << QStringList{};
    QTest::newRow("interpolation, announced every time") << "0100/0016:00000002 0100/0016:00000002"
                                                         << QVariantMap{{"box_lut_interpolation", 2}} << QStringList{"boxLutInterpolationChanged"};
    QTest::newRow("identity and ports") << "0100/0000:4375627269780041 0100/0001:312e32e9 0100/0002:00534e 0100/0004:00000003"
                                        << QVariantMap{{"model", "Cubrix"}, {"version", QString::fromLatin1("1.2\xe9")}, {"port_num", 3}}
                                        << QStringList{"portNumChanged"};
    // Replies too short for their layout are ignored whole; others are not the program's.
    const QStringList ignored{"0003:000002", "0004:000003", "0005:0002", "0005:000200", "0006:0a0000000c0000", "0007:0a0000000c000000110000",
                              "0008:000100010001000100010001000101", "0010:0001000100010001000100010001",
                              "000d:00010002000304", "0011:000100", "0014:ff", "0015:000100", "0016:000002", "0017:0001000200030004"};
    for (const QString &reply : ignored)
        QTest::addRow("ignored 0x0100/0x%s", qPrintable(reply.left(4))) << "0100/" + reply << QVariantMap{} << QStringList{};
    for (const char *reply : {"0311/0404", "0304/0001", "0101/0510", "0600/000d"})
        QTest::addRow("ignored %s", reply) << QString(reply) + ":00010002000300040005000600070008" << QVariantMap{} << QStringList{};
}

void TestCubrix::stateReplies()
{
    QFETCH(QString, replies);
    QFETCH(QVariantMap, values);
    QFETCH(QStringList, announced);
    Cubrix cubrix;
    const QString last = replies.split(' ').last();
    deliverAll(cubrix, replies.left(replies.size() - last.size()));
    SignalLog log(&cubrix);
    deliverAll(cubrix, last);
    QCOMPARE(changedProperties(cubrix), values);
    QCOMPARE(log.names, announced);
    QCOMPARE(cubrix.lastReplyHeader().request, quint16(last.mid(5, 4).toUInt(nullptr, 16)));
    QCOMPARE(cubrix.channelList().size(), 0);
}

void TestCubrix::resetAnnouncesWhatChanged_data()
{
    QTest::addColumn<bool>("learned");
    QTest::newRow("after a whole state") << true;
    QTest::newRow("at the defaults") << false;
}

void TestCubrix::resetAnnouncesWhatChanged()
{
    QFETCH(bool, learned);
    Cubrix cubrix;
    if (learned) {
        deliverAll(cubrix, "0100/0000:437562726978 0100/0001:322e30 0100/0002:534e31 0100/0004:00000002 " + modeReply(2, 1)
                               + " 0100/0007:0a0000000c00000021000000 0100/0009:0a0000000a000000 0100/0008:00010002000300040005000600010002"
                                 " 0100/000b:00010002000300040005000600030004 0100/000c:00000000000100070000000000020000 0100/0010:00010001000100010001000100010003"
                                 " 0100/000d:0001000000020000 0100/0011:00010003 0100/0013:00010005 0100/0014:0102 0100/0015:00010000 0100/0016:00000007");
        cubrix.setCube(1);
    }
    const QVariantMap before = changedProperties(cubrix);
    QVERIFY(!learned || before.size() > 40);
    SignalLog log(&cubrix);
    QVERIFY(QMetaObject::invokeMethod(&cubrix, "socketStateChanged", Qt::DirectConnection,
                                      Q_ARG(QTcpSocket::SocketState, QAbstractSocket::UnconnectedState)));
    QCOMPARE(changedProperties(cubrix), (learned ? QVariantMap{{"box_anci", 1}} : QVariantMap{})); // the flag stays
    // Exactly what was not at its default announces its reset, once, plus what always does.
    QStringList expected{"destroyChannel", "cubeBitDefChanged", "boxLutInterpolationChanged", "stateChanged"};
    for (const QString &name : before.keys()) {
        if (name != "box_anci" && name != "cube_bit_def" && name != "box_lut_interpolation")
            expected << (name == "port_num" ? "portNumChanged" : name == "box_mode" ? "boxModeChanged" : name == "box_ch" ? "boxChChanged" : name + "Changed");
    }
    if (learned)
        expected << "frameClear";
    QStringList names = log.names;
    QCOMPARE(names.size(), expected.size());
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(names, expected);
    QStringList order = log.names.filter(QRegularExpression("^(modelChanged|destroyChannel|boxModeChanged|frameClear|cubeBitDefChanged|"
                                                             "boxmode1_3dlut_sizeChanged|boxmode1_ch1_signalChanged|boxLutInterpolationChanged|boxmode3_ch1_rangeChanged)$"));
    QCOMPARE(order, (learned ? QStringList{"modelChanged", "destroyChannel", "boxModeChanged", "frameClear", "cubeBitDefChanged", "boxmode1_3dlut_sizeChanged",
                                          "boxmode1_ch1_signalChanged", "boxLutInterpolationChanged", "boxmode3_ch1_rangeChanged"}
                            : QStringList{"destroyChannel", "cubeBitDefChanged", "boxLutInterpolationChanged"}));
}

void TestCubrix::forwarding_data()
{
    QTest::addColumn<QString>("replies");
    QTest::addColumn<int>("anciType"); // 0: not forwarded
    QTest::addColumn<int>("frameRange"); // -1: dropped
    QTest::addColumn<bool>("vectorKept");
    const QString ranges = "0100/0008:00000000000000000000000000010002 0100/000b:00000000000000000000000000010003 "
                           "0100/000c:00000000000000000000000000010001 0100/0010:00000000000000000000000000000002 ";
    for (int request : {0, 1, 5})
        QTest::addRow("anci request %d dropped", request) << QString::asprintf("0402/%04x:0102030441056101", request) << 0 << -1 << false;
    for (int request : {2, 3, 4})
        QTest::addRow("anci request %d", request) << QString::asprintf("0402/%04x:0102030441056101", request) << request << -1 << false;
    // The capture item scales a frame by the input range of the channel it came from.
    QTest::newRow("frame, mode 1") << ranges + modeReply(1, 0) << 0 << 2 << false;
    QTest::newRow("frame, mode 2 channel 1") << ranges + modeReply(2, 1) << 0 << 3 << false;
    QTest::newRow("frame, mode 2 channel 2") << ranges + modeReply(2, 2) << 0 << 1 << false;
    QTest::newRow("frame, mode 2 no channel") << ranges + modeReply(2, 0) << 0 << -1 << false;
    QTest::newRow("frame, mode 3") << ranges + modeReply(3, 1) << 0 << -1 << false;
    QTest::newRow("frame, no mode") << ranges << 0 << -1 << false;
    // Not playing: the stream keeps the vector part of what reaches it, for a later redraw.
    const QString vector = QByteArray(16384, '\x5a').toHex();
    QTest::newRow("scope vector") << "0403/0002:" + vector << 0 << -1 << true;
    QTest::newRow("scope both") << "0403/0003:" + QByteArray(32768, '\x11').toHex() + vector << 0 << -1 << true;
    QTest::newRow("scope request 0") << "0403/0000:" + vector << 0 << -1 << false;
    QTest::newRow("scope request 4") << "0403/0004:" + vector << 0 << -1 << false;
}

void TestCubrix::forwarding()
{
    QFETCH(QString, replies);
    QFETCH(int, anciType);
    QFETCH(int, frameRange);
    QFETCH(bool, vectorKept);
    Cubrix cubrix;
    CaptureFrame item, other;
    deliver(cubrix, 0x0100, 0, "Cubrix");
    cubrix.registerFeature(&other, 1);
    QVERIFY(cubrix.cCaptureFrame() == nullptr && other.socketHandler() == nullptr);
    QSignalSpy announced(&cubrix, &Cubrix::cCaptureFrameChanged);
    cubrix.registerFeature(&item, Cubrix::CaptureFrameFeature);
    QCOMPARE(cubrix.property("cCaptureFrame").value<CaptureFrame *>(), &item);
    QCOMPARE(item.socketHandler(), cubrix.socketHandler());
    QCOMPARE(item.deviceModel(), QStringLiteral("Cubrix"));
    QCOMPARE(announced.size(), 0);
    QSignalSpy captured(&cubrix, &Cubrix::anciCaptured);
    deliverAll(cubrix, replies);
    deliver(cubrix, 0x0400, 0, OnePixelFrame);
    QCOMPARE(captured.size(), anciType ? 1 : 0);
    if (anciType)
        QCOMPARE(captured.first(), (QList<QVariant>{QByteArray::fromHex("0102030441056101"), anciType}));
    QCOMPARE(item.image().isNull(), frameRange < 0);
    if (frameRange > 0) {
        CaptureFrame reference, otherRange;
        reference.receiveFrame(OnePixelFrame, uint(frameRange));
        otherRange.receiveFrame(OnePixelFrame, uint(frameRange % 3 + 1)); // the ranges must tell apart
        QVERIFY(item.image() == reference.image() && item.image() != otherRange.image());
    }
    QCOMPARE(cubrix.cScopeStream()->lastVectorFrame(), vectorKept ? QByteArray(16384, '\x5a') : QByteArray());
    // The item may go before the device: later frames are dropped.
    cubrix.registerFeature(nullptr, Cubrix::CaptureFrameFeature);
    QVERIFY(cubrix.cCaptureFrame() == nullptr);
    deliver(cubrix, 0x0400, 0, OnePixelFrame);
}

void TestCubrix::commands_data()
{
    QTest::addColumn<QString>("mode"); // the mode reply the box gives
    QTest::addColumn<CubrixCall>("call");
    QTest::addColumn<QString>("sent");
    const QString m1 = modeReply(1, 0), m2c1 = modeReply(2, 1), m2c2 = modeReply(2, 2), m2 = modeReply(2, 0), m3 = modeReply(3, 0);
    const CubrixCall boxOn = CALL(c.setLut(C::LUT_TYPE_1D, C::LUT_FUNC_BOX, 0, true));
    const CubrixCall ditLoad = CALL(c.loadLut(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 4));
    const CubrixCall frameOn = CALL(c.setFrame(0, true));
    QTest::newRow("sweep on focus") << m1 << CALL(c.onGuiFocus()) << "0100/0004 0100/0005 0100/0006 0100/0007 0100/0009 0100/000a 0100/000e "
        "0100/000f 0100/0008 0100/0011 0100/0014 0100/000b 0100/0012 0100/000c 0100/0010 0100/0013 0100/000d 0100/0015 0100/0016";
    QTest::newRow("1D box on, mode 2 ch 2") << m2c2 << boxOn << "0302/0100 0100/000c";
    QTest::newRow("1D box on, mode 2 ch 1") << m2c1 << boxOn << "0302/0100 0100/000b";
    QTest::newRow("1D box on, mode 2 no ch") << m2 << boxOn << "0302/0100";
    QTest::newRow("1D box on, mode 1") << m1 << boxOn << "0302/0100 0100/0008";
    QTest::newRow("1D box on, mode 3") << m3 << boxOn << "0302/0100 0100/0010";
    QTest::newRow("3D DIT off, slot 7") << m1 << CALL(c.setLut(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 7, false)) << "0311/0007 0100/0008";
    QTest::newRow("3D cal on, mode 3") << m3 << CALL(c.setLut(C::LUT_TYPE_3D, C::LUT_FUNC_CALIBRATION, 2, true)) << "0310/0102 0100/0010";
    QTest::newRow("3D box refused, re-query kept") << m2c1 << CALL(c.setLut(C::LUT_TYPE_3D, C::LUT_FUNC_BOX, 0, true)) << "0100/000b";
    QTest::newRow("1D function 3 refused, re-query kept") << m1 << CALL(c.setLut(C::LUT_TYPE_1D, C::LutFunc(3), 0, true)) << "0100/0008";
    QTest::newRow("type 2 refused entirely") << m1 << CALL(c.setLut(C::LutType(2), C::LUT_FUNC_DIT, 0, true)) << "";
    QTest::newRow("3D DIT load, mode 2 ch 1") << m2c1 << ditLoad << "0311/0404 0100/000b 0100/0010";
    QTest::newRow("3D DIT load, mode 2 ch 2") << m2c2 << ditLoad << "0311/0404 0100/000c 0100/0010";
    QTest::newRow("3D DIT load, mode 2 no ch") << m2 << ditLoad << "0311/0404 0100/0010";
    QTest::newRow("3D DIT load, mode 1") << m1 << ditLoad << "0311/0404 0100/0008";
    QTest::newRow("3D DIT load, mode 3") << m3 << ditLoad << "0311/0404 0100/0010";
    QTest::newRow("1D cal load, no re-query") << m2c1 << CALL(c.loadLut(C::LUT_TYPE_1D, C::LUT_FUNC_CALIBRATION, 2)) << "0300/0402";
    QTest::newRow("3D box load is DIT") << m1 << CALL(c.loadLut(C::LUT_TYPE_3D, C::LUT_FUNC_BOX, 1)) << "0311/0401 0100/0008";
    QTest::newRow("frame on, mode 1") << m1 << frameOn << "0401/0100 0100/0011";
    QTest::newRow("frame on, mode 2 ch 1") << m2c1 << frameOn << "0401/0100 0100/0012";
    QTest::newRow("frame on, mode 2 ch 2") << m2c2 << frameOn << "0401/0100";
    QTest::newRow("frame on, mode 3") << m3 << frameOn << "0401/0100 0100/0013";
    QTest::newRow("frame off, slot 3") << m1 << CALL(c.setFrame(3, false)) << "0401/0003 0100/0011";
    QTest::newRow("frame load, mode 2 ch 1") << m2c1 << CALL(c.loadFrame(9)) << "0401/0409 0100/0012";
    QTest::newRow("range 4, mode 2 ch 2") << m2c2 << CALL(c.setRange(4)) << "0304/0004 0100/000c 0100/0010";
    QTest::newRow("range 1, mode 1") << m1 << CALL(c.setRange(1)) << "0304/0001 0100/0008";
    QTest::newRow("range 5, 0 refused") << m1 << CALL(c.setRange(5); c.setRange(0)) << "";
    QTest::newRow("input 3 range, LUT") << m3 << CALL(c.setInputRange(3, 1)) << "0304/0014 0100/0010";
    QTest::newRow("input 1 range") << m1 << CALL(c.setInputRange(1, 0)) << "0304/0001 0100/0008";
    QTest::newRow("input 2 range, LUT") << m2c1 << CALL(c.setInputRange(2, 7)) << "0304/0012 0100/000b 0100/0010";
    QTest::newRow("input 4, 0 range refused") << m1 << CALL(c.setInputRange(4, 1); c.setInputRange(0, 0)) << "";
    QTest::newRow("input signal, mode 1") << m1 << CALL(c.setInputSignal(0x0205)) << "0006/0205 0100/0014";
    QTest::newRow("input signal, mode 2") << m2c1 << CALL(c.setInputSignal(0x0205)) << "";
    QTest::newRow("input signal, mode 3") << m3 << CALL(c.setInputSignal(1)) << "";
    // RGB 1023 0 512: bits 29-20, 19-10, 9-0; out-of-range components are cut to their fields.
    QTest::newRow("RGB") << m3 << CALL(c.setSignalRGB(1023, 0, 512)) << "0600/0001:3ff00200 0100/000d";
    QTest::newRow("RGB masked") << m3 << CALL(c.setSignalRGB(0x7FF, -1, 0x400)) << "0600/0001:3ffffc00 0100/000d";
    QTest::newRow("YCbCr") << m3 << CALL(c.setSignalYCbCr(64, 512, 940)) << "0600/0002:040803ac 0100/000d";
    QTest::newRow("output types") << m3 << CALL(for (int t : {0, 1, 5, 6, 17, 18}) c.setSignalOut(t))
                                  << "0600/0003:00000001 0100/000d 0600/0003:00000005 0100/000d 0600/0003:00000011 0100/000d";
    QTest::newRow("output forms") << m3 << CALL(for (int f : {0, 1, 4, 5}) c.setSignalForm(f))
                                  << "0600/0004:00000001 0100/000d 0600/0004:00000004 0100/000d";
    QTest::newRow("anci options") << m1 << CALL(for (int o : {-1, 0, 1, 2, 3, 4}) c.setAnci(o))
                                  << "0402/0000 0100/0015 0402/0001 0100/0015 0402/0002 0402/0003";
    QTest::newRow("anci capture") << m1 << CALL(c.captureAnci("0x4105"); c.captureAnci("0x4105", 258); c.captureAnci("0x6101", 65535);
                                                 c.captureAnci("0xFFA0"))
                                  << "0402/0004:4105 0402/0004:41050102 0402/0004:6101ffff 0402/0004:ffa0";
    QTest::newRow("anci capture refused") << m1 << CALL(for (const char *id : {"0x41", "0x41056", "0xZZ05", "0x41G5"}) c.captureAnci(id);
                                                         c.captureAnci("0x41", 1)) << "";
    QTest::newRow("input keys, mode 1") << m1 << CALL(c.sendKey(C::MNCP_KEY_INPUT0); c.sendKey(C::MNCP_KEY_INPUT3)) << "0001/0010 0100/0008 0001/0013";
    QTest::newRow("input key, mode 2 ch 2") << m2c2 << CALL(c.sendKey(C::MNCP_KEY_INPUT2)) << "0001/0012 0100/000c";
    QTest::newRow("input key, mode 3") << m3 << CALL(c.sendKey(C::MNCP_KEY_INPUT1)) << "0001/0011";
    QTest::newRow("channel keys") << m2c1 << CALL(c.sendKey(C::MNCP_KEY_CH_2); c.sendKey(C::MNCP_KEY_CH_1)) << "0001/0081 0100/0005 0001/0080 0100/0005";
    QTest::newRow("rotary types -1, 3 refused") << m1 << CALL(c.sendRotary(-1, 1); c.sendRotary(3, 1)) << "";
    QTest::newRow("bit size: no command") << m1 << CALL(c.setCube(2)) << "";
}

void TestCubrix::commands()
{
    QFETCH(QString, mode);
    QFETCH(CubrixCall, call);
    QFETCH(QString, sent);
    deliverAll(m_box->device, mode);
    QCOMPARE(m_box->wireTextOf([&] { call(m_box->device); }), sent);
    // Nothing follows later: the query timer is only for mode and interpolation keys.
    QVERIFY(!m_box->device.queryTimer()->isActive());
}

void TestCubrix::transfers_data()
{
    QTest::addColumn<CubrixCall>("call");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QByteArray>("payload"); // of the first command, where it is not in `sent`
    QTest::addColumn<QString>("log"); // a line the call must log
    const QUrl lut = url("table.lut"), dat = url("image.dat"), raw = url("frame.raw"), g33 = url("grid33.cube"), g17 = url("grid17.cube");
    const QByteArray lutBytes = contents("table.lut"), datBytes = contents("image.dat"), rawBytes = contents("frame.raw"),
                     bytes33 = contents("grid33.cube"), bytes17 = contents("grid17.cube");
    const QString n33 = QString(":%1 bytes").arg(bytes33.size()), n17 = QString(":%1 bytes").arg(bytes17.size()),
                  nLut = QString(":%1 bytes").arg(lutBytes.size()), nDat = QString(":%1 bytes").arg(datBytes.size());
    const QString text = QString::fromUtf8("LUT_1D_SIZE 2\n0 0 0\n4095 \xc3\xa4");
    const QString textHex = ":" + text.toUtf8().toHex();
    QTest::newRow("send 3D DIT, 12 bit") << CALL(c.sendLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, g17, 3)) << "0311/0230" + n17 << bytes17 << "";
    QTest::newRow("send 3D cal, 8 bit") << CALL(c.sendLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_CALIBRATION, 0, dat, 1)) << "0310/0210" + nDat << datBytes << "";
    QTest::newRow("send 1D, bit size unused") << CALL(c.sendLutFile(C::LUT_TYPE_1D, C::LUT_FUNC_DIT, 0, lut, 3)) << "0301/0200" + nLut << lutBytes << "";
    QTest::newRow("store 1D box, slot 5") << CALL(c.saveLutFile(C::LUT_TYPE_1D, C::LUT_FUNC_BOX, 4, lut, 3)) << "0302/0304" + nLut << lutBytes << "";
    QTest::newRow("store 3D DIT slot 16, 10 bit") << CALL(c.saveLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 15, g33, 2)) << "0311/032f" + n33 << bytes33 << "";
    QTest::newRow("store 3D .dat, bit size 0") << CALL(c.saveLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 2, dat, 0)) << "0311/0302" + nDat << datBytes << "";
    QTest::newRow("send frame") << CALL(c.sendFrame(0, raw)) << QString("0401/0200:%1 bytes").arg(rawBytes.size()) << rawBytes << "";
    QTest::newRow("store frame, slot 16") << CALL(c.saveFrame(15, raw)) << QString("0401/030f:%1 bytes").arg(rawBytes.size()) << rawBytes << "";
    QTest::newRow("generator frame") << CALL(c.sendFrameFile(raw)) << QString("0600/0005:%1 bytes 0100/000d").arg(rawBytes.size()) << rawBytes << "";
    QTest::newRow("generator frame, no URL") << CALL(c.sendFrameFile(QUrl())) << "" << QByteArray() << "invalid file";
    QTest::newRow("generator frame, missing") << CALL(c.sendFrameFile(url("gone.raw"))) << "" << QByteArray() << "failed to open file";
    QTest::newRow("text send 3D DIT, 10 bit") << CALL(c.sendLutArray(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, text, 2)) << "0311/0220" + textHex << QByteArray() << "";
    QTest::newRow("text store 1D box, slot 8") << CALL(c.saveLutArray(C::LUT_TYPE_1D, C::LUT_FUNC_BOX, 7, text, 0)) << "0302/0307" + textHex << QByteArray() << "";
    QTest::newRow("text store 3D cal, slot 2") << CALL(c.saveLutArray(C::LUT_TYPE_3D, C::LUT_FUNC_CALIBRATION, 1, text, 3)) << "0310/0331" + textHex << QByteArray() << "";
    QTest::newRow("text store 3D box refused") << CALL(c.saveLutArray(C::LUT_TYPE_3D, C::LUT_FUNC_BOX, 0, text, 3)) << "" << QByteArray() << "Unknown lut func:  2";
    QTest::newRow("text store type 4 refused") << CALL(c.saveLutArray(C::LutType(4), C::LUT_FUNC_DIT, 0, text, 3)) << "" << QByteArray() << "Unknown type:  4";
    QTest::newRow("text send type 4 refused") << CALL(c.sendLutArray(C::LutType(4), C::LUT_FUNC_DIT, 0, text, 3)) << "" << QByteArray() << "Unknown lut type:  4";
    QTest::newRow("text send 1D function 3 refused") << CALL(c.sendLutArray(C::LUT_TYPE_1D, C::LutFunc(3), 0, text, 0)) << "" << QByteArray() << "Unknown lut func:  3";
    QTest::newRow("send 3D box refused") << CALL(c.sendLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_BOX, 0, g17, 3)) << "" << QByteArray() << "Unknown lut func:  2";
    QTest::newRow("store 1D function -1 refused") << CALL(c.saveLutFile(C::LUT_TYPE_1D, C::LutFunc(-1), 0, g17, 0)) << "" << QByteArray() << "Unknown lut func:  -1";
    QTest::newRow("send up, type 7 refused") << CALL(c.sendLutFileUpsample(C::LutType(7), C::LUT_FUNC_DIT, 0, g17, 3)) << "" << QByteArray() << "Unknown lut type:  7";
    QTest::newRow("store down 3D box refused") << CALL(c.saveLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_BOX, 0, g33, 3)) << "" << QByteArray() << "Unknown lut func:  2";
    // Only the one matching size is converted.
    using namespace CubeFiles;
    const QByteArray down = cubeFile(17, identity(17), 6), up = cubeFile(33, identity(33), 6);
    const QString nDown = QString(":%1 bytes").arg(down.size()), nUp = QString(":%1 bytes").arg(up.size());
    QTest::newRow("send down, 33 converted") << CALL(c.sendLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, g33, 3)) << "0311/0230" + nDown << down
                                             << "Downsampling 33x33x33 LUT to 17x17x17...";
    QTest::newRow("send down, 17 as is") << CALL(c.sendLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, g17, 3)) << "0311/0230" + n17 << bytes17 << "";
    QTest::newRow("send down, .dat as is") << CALL(c.sendLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, dat, 3)) << "0311/0230" + nDat << datBytes << "";
    QTest::newRow("send down, 1D as is") << CALL(c.sendLutFileDownsample(C::LUT_TYPE_1D, C::LUT_FUNC_DIT, 0, g33, 3)) << "0301/0200" + n33 << bytes33 << "";
    QTest::newRow("send up, 17 converted") << CALL(c.sendLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, g17, 3)) << "0311/0230" + nUp << up
                                           << "Upsampling 17x17x17 LUT to 33x33x33...";
    QTest::newRow("send up, 33 as is") << CALL(c.sendLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, g33, 3)) << "0311/0230" + n33 << bytes33 << "";
    QTest::newRow("send up, 1D as is") << CALL(c.sendLutFileUpsample(C::LUT_TYPE_1D, C::LUT_FUNC_DIT, 0, g17, 3)) << "0301/0200" + n17 << bytes17 << "";
    QTest::newRow("store down, 33 converted") << CALL(c.saveLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 2, g33, 2)) << "0311/0322" + nDown << down << "";
    QTest::newRow("store down, 17 as is") << CALL(c.saveLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 2, g17, 2)) << "0311/0322" + n17 << bytes17 << "";
    // The store variant keeps the box software's own spelling of this line.
    QTest::newRow("store up, 17 converted") << CALL(c.saveLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_CALIBRATION, 2, g17, 1)) << "0310/0312" + nUp << up
                                            << "Upwnsampling 17x17x17 LUT to 33x33x33...";
    QTest::newRow("store up, 33 as is") << CALL(c.saveLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_CALIBRATION, 2, g33, 1)) << "0310/0312" + n33 << bytes33 << "";
    QTest::newRow("plain send never converts") << CALL(c.sendLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, g33, 3)) << "0311/0230" + n33 << bytes33 << "";
    // A grid too short for its size is never sent in part.
    QTest::newRow("send down, short grid") << CALL(c.sendLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, url("short33.cube"), 3)) << "" << QByteArray() << "no resampled LUT";
    QTest::newRow("store down, short grid") << CALL(c.saveLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 1, url("short33.cube"), 3)) << "" << QByteArray() << "no resampled LUT";
    QTest::newRow("send up, short grid") << CALL(c.sendLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, url("short17.cube"), 3)) << "" << QByteArray() << "no resampled LUT";
    QTest::newRow("store up, short grid") << CALL(c.saveLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 1, url("short17.cube"), 3)) << "" << QByteArray() << "no resampled LUT";
    // No URL: an empty payload still goes out, as the pages expect.
    QTest::newRow("store 3D, no URL") << CALL(c.saveLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 5, QUrl(), 3)) << "0311/0335" << QByteArray() << "";
    QTest::newRow("store down, no URL") << CALL(c.saveLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, QUrl(), 1)) << "0311/0310" << QByteArray() << "";
    QTest::newRow("store up 1D, no URL") << CALL(c.saveLutFileUpsample(C::LUT_TYPE_1D, C::LUT_FUNC_BOX, 1, QUrl(), 1)) << "0302/0301" << QByteArray() << "";
    QTest::newRow("send 1D, no URL") << CALL(c.sendLutFile(C::LUT_TYPE_1D, C::LUT_FUNC_DIT, 0, QUrl(), 0)) << "0301/0200" << QByteArray() << "";
    QTest::newRow("send frame, no URL") << CALL(c.sendFrame(0, QUrl())) << "0401/0200" << QByteArray() << "";
    // A file that cannot be read is no empty table or frame; nor is a URL naming no local file.
    const QList<QPair<const char *, std::function<void(Cubrix &, const QUrl &)>>> operations = {
        {"send", [](Cubrix &c, const QUrl &u) { c.sendLutFile(Cubrix::LUT_TYPE_3D, Cubrix::LUT_FUNC_DIT, 0, u, 3); }},
        {"send down", [](Cubrix &c, const QUrl &u) { c.sendLutFileDownsample(Cubrix::LUT_TYPE_3D, Cubrix::LUT_FUNC_DIT, 0, u, 3); }},
        {"send up", [](Cubrix &c, const QUrl &u) { c.sendLutFileUpsample(Cubrix::LUT_TYPE_1D, Cubrix::LUT_FUNC_DIT, 0, u, 3); }},
        {"store", [](Cubrix &c, const QUrl &u) { c.saveLutFile(Cubrix::LUT_TYPE_1D, Cubrix::LUT_FUNC_BOX, 4, u, 0); }},
        {"store down", [](Cubrix &c, const QUrl &u) { c.saveLutFileDownsample(Cubrix::LUT_TYPE_3D, Cubrix::LUT_FUNC_DIT, 4, u, 3); }},
        {"store up", [](Cubrix &c, const QUrl &u) { c.saveLutFileUpsample(Cubrix::LUT_TYPE_3D, Cubrix::LUT_FUNC_DIT, 4, u, 3); }},
        {"send frame", [](Cubrix &c, const QUrl &u) { c.sendFrame(0, u); }},
        {"store frame", [](Cubrix &c, const QUrl &u) { c.saveFrame(3, u); }}};
    for (const auto &named : operations) {
        const auto operation = named.second;
        for (const QUrl &unreadable : {url("gone.cube"), url("folder.cube"), QUrl("http://127.0.0.1/table.cube")})
            QTest::addRow("%s, %s", named.first, qPrintable(unreadable.fileName())) << CALL(operation(c, unreadable)) << "" << QByteArray() << "nothing sent";
    }
}

void TestCubrix::transfers()
{
    QFETCH(CubrixCall, call);
    QFETCH(QString, sent);
    QFETCH(QByteArray, payload);
    QFETCH(QString, log);
    LogCapture capture(QtDebugMsg);
    QCOMPARE(m_box->wireTextOf([&] { call(m_box->device); }), sent);
    if (!payload.isEmpty())
        QVERIFY(m_box->fake.received().first().payload == payload);
    QVERIFY2(log.isEmpty() || capture.contains(log), qPrintable(capture.lines().join('\n')));
}

void TestCubrix::modeAndChannelKeysStopScopesAndQueryTheMode()
{
    DeviceHarness<Cubrix> box;
    box.answer(0x0100, 5, Bytes::be16({2, 1}));
    QVERIFY(box.connectAndSettle(3 + 19));
    ScopeStream *scope = box.device.cScopeStream();
    QSignalSpy playing(scope, &ScopeStream::isPlayingChanged);
    scope->startStopPlayback(ScopeStream::Both, true);
    QVERIFY(box.waitIdle());
    // A channel key asks for the mode at once.
    QCOMPARE(box.wireTextOf([&] { box.device.sendKey(Cubrix::MNCP_KEY_CH_2); }), QStringLiteral("0001/0081 0100/0005"));
    QCOMPARE(scope->isPlaying(), quint8(0));
    QCOMPARE(playing.size(), 2);
    scope->startStopPlayback(ScopeStream::Waveform, true);
    QVERIFY(box.waitIdle());
    // A mode key waits for the box to settle; the new mode is learnt from the query, not the key.
    box.answer(0x0100, 5, Bytes::be16({3, 0}));
    QCOMPARE(box.wireTextOf([&] { box.device.sendKey(Cubrix::MNCP_KEY_MODE_3); }), QStringLiteral("0001/0072"));
    QCOMPARE(scope->isPlaying(), quint8(0));
    QVERIFY(box.device.queryTimer()->isActive());
    QCOMPARE(box.device.boxMode(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(box.device.boxMode(), 3, 3000);
    box.device.sendKey(Cubrix::MNCP_KEY_CH_1); // nothing playing: nothing to stop
    QCOMPARE(playing.size(), 4);
}

void TestCubrix::modeKeysQueryOnceAfterTheLastPress()
{
    m_box->fake.clearReceived();
    QElapsedTimer clock;
    clock.start();
    m_box->device.sendKey(Cubrix::MNCP_KEY_MODE_1);
    QTest::qWait(200);
    m_box->device.sendKey(Cubrix::MNCP_KEY_MODE_3);
    QTest::qWait(200);
    m_box->device.sendKey(Cubrix::MNCP_KEY_LUT_INTERPOLATION_2);
    const qint64 lastPress = clock.elapsed();
    QVERIFY(m_box->fake.waitForCommands(5, 3000));
    // A coarse 500 ms timer may fire up to 5 % early; one not restarted by the later presses
    // would fire about 100 ms after the last.
    QVERIFY2(clock.elapsed() - lastPress >= 450, qPrintable(QString::number(clock.elapsed() - lastPress)));
    QTest::qWait(700);
    QCOMPARE(wireText(m_box->fake), QStringLiteral("0001/0070 0001/0072 0001/0091 0100/0005 0100/0016"));
}

// The re-query after a mode key belongs to its connection: disconnecting within the delay must
// neither write into the closed socket nor leave the next connection stalled behind it.
void TestCubrix::modeKeyThenDisconnectLeavesTheNextConnectionClean()
{
    DeviceHarness<Cubrix> box;
    QVERIFY(box.connectAndSettle(3 + 19));
    QSignalSpy writeErrors(&box.device, &Cubrix::socketWriteException);
    box.device.sendKey(Cubrix::MNCP_KEY_MODE_2);
    QVERIFY(box.waitIdle());
    box.device.deviceDisconnect();
    QTRY_COMPARE_WITH_TIMEOUT(box.device.state(), QAbstractSocket::UnconnectedState, 3000);
    QTest::qWait(Cubrix::QueryTimerInterval + 200);
    QCOMPARE(writeErrors.size(), 0);
    box.fake.clearReceived();
    QVERIFY(connectToFake(box.device, box.fake) && box.fake.waitForCommands(3 + 19) && box.waitIdle());
    QCOMPARE(box.fake.received().size(), 3 + 19);
    QVERIFY(wireText(box.fake).startsWith("0100/0000 "));
}

QTEST_MAIN(TestCubrix)
#include "tst_cubrix.moc"
