// Decoding of the Cubrix state replies, reply forwarding, the reset routine and the QML-facing
// layout of the class. Replies are handed to processReply directly; nothing is sent.

#include "cubrixreplies.h"

#include "capture/captureframe.h"
#include "cubrix/cubrix.h"

#include <QMetaEnum>
#include <QMetaProperty>
#include <QTimer>
#include <QtTest>

namespace {

// Property names as the QML pages use them, in their declared order.
const QStringList FamilyProperties = {
    "boxmode1_1dlut_inbit", "boxmode1_1dlut_outbit", "boxmode1_3dlut_inbit", "boxmode1_3dlut_outbit",
    "boxmode1_3dlut_size", "boxmode2_1dlut_inbit", "boxmode2_1dlut_outbit", "boxmode2_3dlut_inbit",
    "boxmode2_3dlut_outbit", "boxmode2_3dlut_size", "boxmode3_1dlut_inbit", "boxmode3_1dlut_outbit",
    "boxmode3_3dlut_inbit", "boxmode3_3dlut_outbit", "boxmode3_3dlut_size", "boxmode1_ch1_1dlut1_state",
    "boxmode1_ch1_1dlut1_load", "boxmode1_ch1_1dlut2_state", "boxmode1_ch1_1dlut2_load",
    "boxmode1_ch1_3dlut_state", "boxmode1_ch1_3dlut_load", "boxmode1_ch1_frm_state", "boxmode1_ch1_frm_load",
    "boxmode1_ch1_input", "boxmode1_ch1_range", "boxmode1_ch1_signal", "boxmode2_ch1_1dlut1_state",
    "boxmode2_ch1_1dlut1_load", "boxmode2_ch1_1dlut2_state", "boxmode2_ch1_1dlut2_load",
    "boxmode2_ch1_3dlut_state", "boxmode2_ch1_3dlut_load", "boxmode2_ch1_frm_state", "boxmode2_ch1_frm_load",
    "boxmode2_ch1_input", "boxmode2_ch1_range", "boxmode2_ch2_1dlut1_state", "boxmode2_ch2_1dlut1_load",
    "boxmode2_ch2_1dlut2_state", "boxmode2_ch2_1dlut2_load", "boxmode2_ch2_3dlut_state",
    "boxmode2_ch2_3dlut_load", "boxmode2_ch2_input", "boxmode2_ch2_range", "boxmode3_ch1_1dlut1_state",
    "boxmode3_ch1_1dlut1_load", "boxmode3_ch1_1dlut2_state", "boxmode3_ch1_1dlut2_load",
    "boxmode3_ch1_3dlut_state", "boxmode3_ch1_frm_state", "boxmode3_ch1_frm_load", "boxmode3_ch1_3dlut_load",
    "boxmode3_ch1_range", "boxmode3_input_type", "boxmode3_output_type", "boxmode3_output_form",
};

int intProperty(const Cubrix &cubrix, const QString &name)
{
    const QVariant value = cubrix.property(name.toLatin1().constData());
    return value.isValid() ? value.toInt() : -999;
}

// Every family property that is not zero, with its value.
QMap<QString, int> nonZeroFamily(const Cubrix &cubrix)
{
    QMap<QString, int> values;
    for (const QString &name : FamilyProperties) {
        if (const int v = intProperty(cubrix, name))
            values.insert(name, v);
    }
    return values;
}

// A 1x1 frame in 4:4:4 YCbCr (code 2): Cr bits 0-9, Y bits 10-19, Cb bits 20-29.
QByteArray onePixelFrame(int y, int cb, int cr)
{
    QByteArray frame = words16({1, 1, 4, 2});
    frame.append(QByteArray::fromHex("01020304"));
    frame.append(word32((quint32(cb) << 20) | (quint32(y) << 10) | quint32(cr)));
    return frame;
}

QImage decodedWithRange(const QByteArray &frame, uint range)
{
    CaptureFrame reference;
    reference.receiveFrame(frame, range);
    return reference.image();
}

} // namespace

class TestCubrixState : public QObject
{
    Q_OBJECT

private slots:
    void propertiesInDeclaredOrder();
    void signalsInDeclaredOrder();
    void enumerations();
    void valuesAfterConstruction();

    void modeReply_data();
    void modeReply();
    void lutFormatWordsFireEveryTime_data();
    void lutFormatWordsFireEveryTime();
    void signalWordIsSignExtended_data();
    void signalWordIsSignExtended();
    void channelBlock_data();
    void channelBlock();
    void channelBlockSignalOrder();
    void generatorReply();
    void frameBlocks_data();
    void frameBlocks();
    void anciStateKeepsOnlyTheFlag();
    void lutInterpolationFiresEveryTime();
    void identityStrings();
    void shortRepliesAreIgnored_data();
    void shortRepliesAreIgnored();
    void unhandledRepliesChangeNothing_data();
    void unhandledRepliesChangeNothing();

    void ancillaryForwarding_data();
    void ancillaryForwarding();
    void scopeForwarding_data();
    void scopeForwarding();
    void registerFeature();
    void frameForwardingUsesTheChannelRange_data();
    void frameForwardingUsesTheChannelRange();
    void frameAfterCaptureItemIsGone();

    void resetOnDisconnection();
    void resetAtDefaultsStillAnnouncesBitSizeAndInterpolation();
};

void TestCubrixState::propertiesInDeclaredOrder()
{
    const QStringList expected = QStringList{"cScopeStream", "cCaptureFrame", "model", "serial", "version",
                                             "channels", "port_num", "channel_num", "state", "protocol_major",
                                             "protocol_minor", "box_mode", "box_ch", "box_anci",
                                             "box_lut_interpolation", "cube_bit_def"}
                                 + FamilyProperties;
    QCOMPARE(expected.size(), 72);

    const QMetaObject &meta = Cubrix::staticMetaObject;
    QStringList names;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i)
        names.append(QString::fromLatin1(meta.property(i).name()));
    QCOMPARE(names, expected);

    // Every family property is a writable int whose notify signal is its name plus "Changed".
    for (const QString &name : FamilyProperties) {
        const QMetaProperty property = meta.property(meta.indexOfProperty(name.toLatin1().constData()));
        QVERIFY2(property.isWritable(), qPrintable(name));
        QCOMPARE(property.userType(), int(QMetaType::Int));
        QCOMPARE(QString::fromLatin1(property.notifySignal().name()), name + "Changed");
    }
    const QMetaProperty major = meta.property(meta.indexOfProperty("protocol_major"));
    QVERIFY(major.isConstant());
    QCOMPARE(QString::fromLatin1(meta.property(meta.indexOfProperty("box_lut_interpolation")).notifySignal().name()),
             QStringLiteral("boxLutInterpolationChanged"));
    QCOMPARE(QString::fromLatin1(meta.property(meta.indexOfProperty("cube_bit_def")).notifySignal().name()),
             QStringLiteral("cubeBitDefChanged"));

    Cubrix cubrix;
    QCOMPARE(cubrix.property("protocol_major").toInt(), 1);
    QCOMPARE(cubrix.property("protocol_minor").toInt(), 6);
}

void TestCubrixState::signalsInDeclaredOrder()
{
    QStringList expected = {"cScopeStreamChanged", "cCaptureFrameChanged", "modelChanged", "serialChanged",
                            "versionChanged", "portNumChanged", "channelNumChanged", "channelsChanged",
                            "destroyChannel", "anciCaptured", "frameClear", "boxModeChanged", "boxChChanged",
                            "boxAnciChanged", "boxLutInterpolationChanged", "cubeBitDefChanged", "stateChanged"};
    QStringList family = FamilyProperties;
    // The mode-3 channel group announces its 3D load before the frame slot.
    const int first = family.indexOf("boxmode3_ch1_1dlut1_state");
    const QStringList mode3 = {"boxmode3_ch1_1dlut1_state", "boxmode3_ch1_1dlut1_load", "boxmode3_ch1_1dlut2_state",
                               "boxmode3_ch1_1dlut2_load",  "boxmode3_ch1_3dlut_state",  "boxmode3_ch1_3dlut_load",
                               "boxmode3_ch1_frm_state",    "boxmode3_ch1_frm_load",     "boxmode3_ch1_range"};
    for (int i = 0; i < mode3.size(); ++i)
        family[first + i] = mode3.at(i);
    for (const QString &name : family)
        expected.append(name + "Changed");

    const QMetaObject &meta = Cubrix::staticMetaObject;
    QStringList names;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        if (meta.method(i).methodType() == QMetaMethod::Signal)
            names.append(QString::fromLatin1(meta.method(i).name()));
    }
    QCOMPARE(names, expected);
    QCOMPARE(meta.method(meta.indexOfSignal("anciCaptured(QByteArray,int)")).parameterCount(), 2);
}

void TestCubrixState::enumerations()
{
    const QMetaObject &meta = Cubrix::staticMetaObject;
    const QMetaEnum type = meta.enumerator(meta.indexOfEnumerator("LutType"));
    QCOMPARE(type.keyCount(), 2);
    QCOMPARE(type.keyToValue("LUT_TYPE_1D"), 0);
    QCOMPARE(type.keyToValue("LUT_TYPE_3D"), 1);
    const QMetaEnum func = meta.enumerator(meta.indexOfEnumerator("LutFunc"));
    QCOMPARE(func.keyCount(), 3);
    QCOMPARE(func.keyToValue("LUT_FUNC_CALIBRATION"), 0);
    QCOMPARE(func.keyToValue("LUT_FUNC_DIT"), 1);
    QCOMPARE(func.keyToValue("LUT_FUNC_BOX"), 2);
    // Key codes come from the device base and are reachable through the Cubrix type.
    const QMetaEnum keys = meta.enumerator(meta.indexOfEnumerator("mncp_key_code"));
    QCOMPARE(keys.keyToValue("MNCP_KEY_MODE_3"), 114);
    QCOMPARE(keys.keyToValue("MNCP_KEY_LUT_INTERPOLATION_2"), 145);
}

void TestCubrixState::valuesAfterConstruction()
{
    Cubrix cubrix;
    QCOMPARE(cubrix.cubeBitDef(), 3);
    QCOMPARE(cubrix.box_lut_interpolation(), 1);
    QCOMPARE(cubrix.boxMode(), 0);
    QCOMPARE(cubrix.boxCh(), 0);
    QCOMPARE(cubrix.boxAnci(), 0);
    QCOMPARE(cubrix.portNum(), 0);
    QCOMPARE(cubrix.channelNum(), 0);
    QVERIFY(cubrix.model().isEmpty());
    QVERIFY(nonZeroFamily(cubrix).isEmpty());
    QCOMPARE(cubrix.channelList().size(), 0);
    QVERIFY(cubrix.cCaptureFrame() == nullptr);
    QVERIFY(cubrix.cScopeStream() != nullptr);
    QCOMPARE(cubrix.property("cScopeStream").value<ScopeStream *>(), cubrix.cScopeStream());
    QCOMPARE(cubrix.cScopeStream()->isPlaying(), quint8(0));
    QCOMPARE(cubrix.port(), 18181);

    const QTimer *timer = cubrix.queryTimer();
    QVERIFY(timer);
    QCOMPARE(timer->parent(), &cubrix);
    QVERIFY(timer->isSingleShot());
    QCOMPARE(timer->interval(), 500);
    QVERIFY(!timer->isActive());
}

void TestCubrixState::modeReply_data()
{
    QTest::addColumn<int>("previousMode");
    QTest::addColumn<int>("previousChannel");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QStringList>("announced");

    QTest::newRow("1 -> 2 ch 1") << 1 << 0 << QByteArray::fromHex("00020001") << 2 << 1
                                 << QStringList{"boxModeChanged", "frameClear", "boxChChanged"};
    QTest::newRow("same mode, channel 2") << 2 << 1 << QByteArray::fromHex("00020002") << 2 << 2
                                          << QStringList{"boxChChanged"};
    QTest::newRow("3, no channel change") << 1 << 0 << QByteArray::fromHex("00030000") << 3 << 0
                                          << QStringList{"boxModeChanged", "frameClear"};
    QTest::newRow("high words zero-filled") << 0 << 0 << QByteArray::fromHex("8001ffff") << 0x8001 << 0xFFFF
                                            << QStringList{"boxModeChanged", "frameClear", "boxChChanged"};
}

void TestCubrixState::modeReply()
{
    QFETCH(int, previousMode);
    QFETCH(int, previousChannel);
    QFETCH(QByteArray, payload);
    QFETCH(int, mode);
    QFETCH(int, channel);
    QFETCH(QStringList, announced);

    Cubrix cubrix;
    deliver(cubrix, 0x0100, 5, words16({previousMode, previousChannel}));

    QStringList order;
    connect(&cubrix, &Cubrix::boxModeChanged, [&] { order << "boxModeChanged"; });
    connect(&cubrix, &Cubrix::frameClear, [&] { order << "frameClear"; });
    connect(&cubrix, &Cubrix::boxChChanged, [&] { order << "boxChChanged"; });

    deliver(cubrix, 0x0100, 5, payload);
    QCOMPARE(cubrix.boxMode(), mode);
    QCOMPARE(cubrix.boxCh(), channel);
    QCOMPARE(order, announced);
}

void TestCubrixState::lutFormatWordsFireEveryTime_data()
{
    QTest::addColumn<int>("request");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("values");

    QTest::newRow("mode 1 3D") << 7 << QByteArray::fromHex("0a0000000c00000011000000")
                               << QStringList{"boxmode1_3dlut_inbit", "boxmode1_3dlut_outbit", "boxmode1_3dlut_size"}
                               << QList<int>{10, 12, 17};
    QTest::newRow("mode 1 1D") << 6 << QByteArray::fromHex("0a0000000c000000")
                               << QStringList{"boxmode1_1dlut_inbit", "boxmode1_1dlut_outbit"} << QList<int>{10, 12};
    QTest::newRow("mode 2 1D") << 9 << QByteArray::fromHex("0c0000000a000000")
                               << QStringList{"boxmode2_1dlut_inbit", "boxmode2_1dlut_outbit"} << QList<int>{12, 10};
    QTest::newRow("mode 2 3D") << 10 << QByteArray::fromHex("0a0000000a00000021000000")
                               << QStringList{"boxmode2_3dlut_inbit", "boxmode2_3dlut_outbit", "boxmode2_3dlut_size"}
                               << QList<int>{10, 10, 33};
    QTest::newRow("mode 3 1D") << 14 << QByteArray::fromHex("0001000002000000")
                               << QStringList{"boxmode3_1dlut_inbit", "boxmode3_1dlut_outbit"}
                               << QList<int>{0x100, 2};
    QTest::newRow("mode 3 3D, trailing bytes") << 15 << QByteArray::fromHex("0a0000000c00000011000000ffff")
                               << QStringList{"boxmode3_3dlut_inbit", "boxmode3_3dlut_outbit", "boxmode3_3dlut_size"}
                               << QList<int>{10, 12, 17};
}

void TestCubrixState::lutFormatWordsFireEveryTime()
{
    QFETCH(int, request);
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, names);
    QFETCH(QList<int>, values);

    Cubrix cubrix;
    CubrixSignals spies(&cubrix);
    deliver(cubrix, 0x0100, quint16(request), payload);
    deliver(cubrix, 0x0100, quint16(request), payload);

    QMap<QString, int> expected;
    for (int i = 0; i < names.size(); ++i) {
        expected.insert(names.at(i), values.at(i));
        // The same values twice: each report is announced anyway.
        QCOMPARE(spies.count(names.at(i) + "Changed"), 2);
    }
    QCOMPARE(nonZeroFamily(cubrix), expected);
    QCOMPARE(spies.fired().size(), names.size());
}

void TestCubrixState::signalWordIsSignExtended_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("value");
    QTest::newRow("FF FF") << QByteArray::fromHex("ffff") << -1;
    QTest::newRow("3G level A, RGB 10 bit") << QByteArray::fromHex("0205") << 0x0205;
    QTest::newRow("most negative") << QByteArray::fromHex("8000") << -32768;
    QTest::newRow("most positive") << QByteArray::fromHex("7fff") << 32767;
    QTest::newRow("only the first word counts") << QByteArray::fromHex("0102ffff") << 0x0102;
}

void TestCubrixState::signalWordIsSignExtended()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, value);
    Cubrix cubrix;
    QSignalSpy changed(&cubrix, &Cubrix::boxmode1_ch1_signalChanged);
    deliver(cubrix, 0x0100, 20, payload);
    QCOMPARE(cubrix.boxmode1_ch1_signal(), value);
    QCOMPARE(changed.count(), 1);
    deliver(cubrix, 0x0100, 20, payload);
    QCOMPARE(changed.count(), 1);
}

void TestCubrixState::channelBlock_data()
{
    QTest::addColumn<int>("request");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<bool>("hasInput");
    QTest::newRow("mode 1 channel 1") << 8 << "boxmode1_ch1_" << true;
    QTest::newRow("mode 2 channel 1") << 11 << "boxmode2_ch1_" << true;
    QTest::newRow("mode 2 channel 2") << 12 << "boxmode2_ch2_" << true;
    QTest::newRow("mode 3 channel 1") << 16 << "boxmode3_ch1_" << false;
}

void TestCubrixState::channelBlock()
{
    QFETCH(int, request);
    QFETCH(QString, prefix);
    QFETCH(bool, hasInput);

    // Wire order: front 1D state, load, 3D state, load, back 1D state, load, input, range.
    const QByteArray payload = words16({1, 0x0203, 1, 9, 0xFFFF, 16, 3, 4});
    QMap<QString, int> expected{{prefix + "1dlut1_state", 1}, {prefix + "1dlut1_load", 0x0203},
                                {prefix + "3dlut_state", 1},  {prefix + "3dlut_load", 9},
                                {prefix + "1dlut2_state", 0xFFFF}, {prefix + "1dlut2_load", 16},
                                {prefix + "range", 4}};
    if (hasInput)
        expected.insert(prefix + "input", 3);

    Cubrix cubrix;
    deliver(cubrix, 0x0100, quint16(request), payload);
    QCOMPARE(nonZeroFamily(cubrix), expected);
}

void TestCubrixState::channelBlockSignalOrder()
{
    Cubrix cubrix;
    QStringList fired;
    connect(&cubrix, &Cubrix::boxmode2_ch2_1dlut1_stateChanged, [&] { fired << "1dlut1_state"; });
    connect(&cubrix, &Cubrix::boxmode2_ch2_1dlut1_loadChanged, [&] { fired << "1dlut1_load"; });
    connect(&cubrix, &Cubrix::boxmode2_ch2_1dlut2_stateChanged, [&] { fired << "1dlut2_state"; });
    connect(&cubrix, &Cubrix::boxmode2_ch2_1dlut2_loadChanged, [&] { fired << "1dlut2_load"; });
    connect(&cubrix, &Cubrix::boxmode2_ch2_3dlut_stateChanged, [&] { fired << "3dlut_state"; });
    connect(&cubrix, &Cubrix::boxmode2_ch2_3dlut_loadChanged, [&] { fired << "3dlut_load"; });
    connect(&cubrix, &Cubrix::boxmode2_ch2_inputChanged, [&] { fired << "input"; });
    connect(&cubrix, &Cubrix::boxmode2_ch2_rangeChanged, [&] { fired << "range"; });

    deliver(cubrix, 0x0100, 12, words16({1, 2, 3, 4, 5, 6, 7, 8}));
    QCOMPARE(fired, (QStringList{"1dlut1_state", "1dlut1_load", "1dlut2_state", "1dlut2_load", "3dlut_state",
                                 "3dlut_load", "input", "range"}));
    fired.clear();
    // Only what changed is announced.
    deliver(cubrix, 0x0100, 12, words16({1, 2, 3, 4, 5, 6, 7, 1}));
    QCOMPARE(fired, QStringList{"range"});
}

void TestCubrixState::generatorReply()
{
    Cubrix cubrix;
    QStringList fired;
    connect(&cubrix, &Cubrix::boxmode3_input_typeChanged, [&] { fired << "input_type"; });
    connect(&cubrix, &Cubrix::boxmode3_output_typeChanged, [&] { fired << "output_type"; });
    connect(&cubrix, &Cubrix::boxmode3_output_formChanged, [&] { fired << "output_form"; });

    deliver(cubrix, 0x0100, 13, words16({2, 0x7777, 17, 3}));
    QCOMPARE(cubrix.boxmode3_input_type(), 2);
    QCOMPARE(cubrix.boxmode3_output_type(), 17);
    QCOMPARE(cubrix.boxmode3_output_form(), 3);
    QCOMPARE(fired, (QStringList{"input_type", "output_type", "output_form"}));
    // Word 1 goes nowhere.
    QCOMPARE(nonZeroFamily(cubrix).size(), 3);
}

void TestCubrixState::frameBlocks_data()
{
    QTest::addColumn<int>("request");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("mode 1") << 17 << "boxmode1_ch1_";
    QTest::newRow("mode 2") << 18 << "boxmode2_ch1_";
    QTest::newRow("mode 3") << 19 << "boxmode3_ch1_";
}

void TestCubrixState::frameBlocks()
{
    QFETCH(int, request);
    QFETCH(QString, prefix);
    Cubrix cubrix;
    deliver(cubrix, 0x0100, quint16(request), words16({1, 12}));
    QCOMPARE(nonZeroFamily(cubrix), (QMap<QString, int>{{prefix + "frm_state", 1}, {prefix + "frm_load", 12}}));
}

void TestCubrixState::anciStateKeepsOnlyTheFlag()
{
    Cubrix cubrix;
    QSignalSpy changed(&cubrix, &Cubrix::boxAnciChanged);
    deliver(cubrix, 0x0100, 21, words16({1, 5}));
    QCOMPARE(cubrix.boxAnci(), 1);
    QCOMPARE(changed.count(), 1);
    deliver(cubrix, 0x0100, 21, words16({1, 9}));
    QCOMPARE(changed.count(), 1);
    QVERIFY(nonZeroFamily(cubrix).isEmpty());
}

void TestCubrixState::lutInterpolationFiresEveryTime()
{
    Cubrix cubrix;
    QSignalSpy changed(&cubrix, &Cubrix::boxLutInterpolationChanged);
    deliver(cubrix, 0x0100, 22, word32(2));
    deliver(cubrix, 0x0100, 22, word32(2));
    QCOMPARE(cubrix.box_lut_interpolation(), 2);
    QCOMPARE(changed.count(), 2);
}

void TestCubrixState::identityStrings()
{
    Cubrix cubrix;
    QSignalSpy model(&cubrix, &Cubrix::modelChanged);
    deliver(cubrix, 0x0100, 0, QByteArray("Cubrix\0junk", 11));
    deliver(cubrix, 0x0100, 1, QByteArray("1.2.\xe9", 5));
    deliver(cubrix, 0x0100, 2, QByteArray("\0SN", 3));
    deliver(cubrix, 0x0100, 4, word32(3));
    QCOMPARE(cubrix.model(), QStringLiteral("Cubrix"));
    QCOMPARE(cubrix.version(), QString::fromLatin1("1.2.\xe9"));
    QCOMPARE(cubrix.serial(), QString());
    QCOMPARE(cubrix.portNum(), 3);
    deliver(cubrix, 0x0100, 0, QByteArray("Cubrix"));
    QCOMPARE(model.count(), 1);
}

void TestCubrixState::shortRepliesAreIgnored_data()
{
    QTest::addColumn<int>("request");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("channel count") << 3 << QByteArray::fromHex("000002");
    QTest::newRow("port count") << 4 << QByteArray::fromHex("000003");
    QTest::newRow("mode without channel") << 5 << QByteArray::fromHex("0002");
    QTest::newRow("mode, odd length") << 5 << QByteArray::fromHex("000200");
    QTest::newRow("1D format") << 6 << QByteArray::fromHex("0a0000000c0000");
    QTest::newRow("3D format") << 7 << QByteArray::fromHex("0a0000000c000000110000");
    QTest::newRow("channel block") << 8 << words16({1, 1, 1, 1, 1, 1, 1}).append('\x01');
    QTest::newRow("mode 3 channel block") << 16 << words16({1, 1, 1, 1, 1, 1, 1});
    QTest::newRow("generator") << 13 << words16({1, 2, 3}).append('\x04');
    QTest::newRow("frame block") << 17 << QByteArray::fromHex("000100");
    QTest::newRow("signal word") << 20 << QByteArray::fromHex("ff");
    QTest::newRow("anci") << 21 << QByteArray::fromHex("000100");
    QTest::newRow("interpolation") << 22 << QByteArray::fromHex("000002");
}

void TestCubrixState::shortRepliesAreIgnored()
{
    QFETCH(int, request);
    QFETCH(QByteArray, payload);
    Cubrix cubrix;
    CubrixSignals spies(&cubrix);
    deliver(cubrix, 0x0100, quint16(request), payload);
    QCOMPARE(spies.fired(), QStringList());
    QVERIFY(nonZeroFamily(cubrix).isEmpty());
    QCOMPARE(cubrix.boxMode(), 0);
    QCOMPARE(cubrix.portNum(), 0);
    QCOMPARE(cubrix.boxAnci(), 0);
    QCOMPARE(cubrix.box_lut_interpolation(), 1);
    QCOMPARE(cubrix.channelList().size(), 0);
    QCOMPARE(cubrix.socketHandler()->queuedCount(), 0);
}

void TestCubrixState::unhandledRepliesChangeNothing_data()
{
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("request");
    QTest::newRow("unknown basic-info request") << 0x0100 << 23;
    QTest::newRow("LUT protocol with data") << 0x0311 << 0x0404;
    QTest::newRow("range protocol") << 0x0304 << 1;
    QTest::newRow("channel beyond the list") << 0x0101 << 0x0510;
    QTest::newRow("generator settings") << 0x0600 << 13;
}

void TestCubrixState::unhandledRepliesChangeNothing()
{
    QFETCH(int, protocol);
    QFETCH(int, request);
    Cubrix cubrix;
    CubrixSignals spies(&cubrix);
    deliver(cubrix, quint16(protocol), quint16(request), words16({1, 2, 3, 4, 5, 6, 7, 8}));
    QCOMPARE(spies.fired(), QStringList());
    QVERIFY(nonZeroFamily(cubrix).isEmpty());
    QCOMPARE(cubrix.lastReplyHeader().protocol, quint16(protocol));
    QCOMPARE(cubrix.lastReplyHeader().request, quint16(request));
}

void TestCubrixState::ancillaryForwarding_data()
{
    QTest::addColumn<int>("request");
    QTest::addColumn<bool>("forwarded");
    QTest::newRow("request 0") << 0 << false;
    QTest::newRow("request 1") << 1 << false;
    QTest::newRow("state") << 2 << true;
    QTest::newRow("identifier list") << 3 << true;
    QTest::newRow("packet data") << 4 << true;
    QTest::newRow("request 5") << 5 << false;
}

void TestCubrixState::ancillaryForwarding()
{
    QFETCH(int, request);
    QFETCH(bool, forwarded);
    Cubrix cubrix;
    QSignalSpy captured(&cubrix, &Cubrix::anciCaptured);
    const QByteArray payload = QByteArray::fromHex("0102030441056101");
    deliver(cubrix, 0x0402, quint16(request), payload);
    QCOMPARE(captured.count(), forwarded ? 1 : 0);
    if (forwarded) {
        QCOMPARE(captured.at(0).at(0).toByteArray(), payload);
        QCOMPARE(captured.at(0).at(1).toInt(), request);
    }
}

void TestCubrixState::scopeForwarding_data()
{
    QTest::addColumn<int>("request");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("keptVector");

    QByteArray vector(16384, '\0');
    for (int i = 0; i < vector.size(); ++i)
        vector[i] = char(i * 7);
    const QByteArray both = QByteArray(32768, '\x11') + vector;
    QTest::newRow("vector") << 2 << vector << vector;
    QTest::newRow("both") << 3 << both << vector;
    QTest::newRow("request 0 dropped") << 0 << vector << QByteArray();
    QTest::newRow("request 4 dropped") << 4 << vector << QByteArray();
}

void TestCubrixState::scopeForwarding()
{
    QFETCH(int, request);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, keptVector);
    Cubrix cubrix;
    // Not playing: the stream keeps the vector part of what reaches it for a later redraw.
    deliver(cubrix, 0x0403, quint16(request), payload);
    QCOMPARE(cubrix.cScopeStream()->lastVectorFrame(), keptVector);
}

void TestCubrixState::registerFeature()
{
    Cubrix cubrix;
    deliver(cubrix, 0x0100, 0, QByteArray("Cubrix"));
    CaptureFrame item;
    CaptureFrame other;

    cubrix.registerFeature(&other, 1);
    QVERIFY(cubrix.cCaptureFrame() == nullptr);
    QVERIFY(other.socketHandler() == nullptr);

    QSignalSpy announced(&cubrix, &Cubrix::cCaptureFrameChanged);
    cubrix.registerFeature(&item, 2);
    QCOMPARE(cubrix.cCaptureFrame(), &item);
    QCOMPARE(cubrix.property("cCaptureFrame").value<CaptureFrame *>(), &item);
    QCOMPARE(item.socketHandler(), cubrix.socketHandler());
    QCOMPARE(item.deviceModel(), QStringLiteral("Cubrix"));
    QCOMPARE(announced.count(), 0);

    cubrix.registerFeature(nullptr, 2);
    QVERIFY(cubrix.cCaptureFrame() == nullptr);
}

void TestCubrixState::frameForwardingUsesTheChannelRange_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("range"); // -1: dropped

    // Ranges set below: mode 1 channel 1 -> 2, mode 2 channel 1 -> 3, mode 2 channel 2 -> 1,
    // mode 3 channel 1 -> 2.
    QTest::newRow("mode 1") << 1 << 0 << 2;
    QTest::newRow("mode 2 channel 1") << 2 << 1 << 3;
    QTest::newRow("mode 2 channel 2") << 2 << 2 << 1;
    QTest::newRow("mode 2 no channel") << 2 << 0 << -1;
    QTest::newRow("mode 3") << 3 << 1 << -1;
    QTest::newRow("mode unknown") << 0 << 1 << -1;
}

void TestCubrixState::frameForwardingUsesTheChannelRange()
{
    QFETCH(int, mode);
    QFETCH(int, channel);
    QFETCH(int, range);

    const QByteArray frame = onePixelFrame(700, 300, 800);
    // The ranges must decode differently, or the test could not tell them apart.
    const QImage byRange1 = decodedWithRange(frame, 1);
    const QImage byRange2 = decodedWithRange(frame, 2);
    const QImage byRange3 = decodedWithRange(frame, 3);
    QVERIFY(!byRange1.isNull());
    QVERIFY(byRange1 != byRange2 && byRange2 != byRange3 && byRange1 != byRange3);

    Cubrix cubrix;
    deliver(cubrix, 0x0100, 8, words16({0, 0, 0, 0, 0, 0, 1, 2}));
    deliver(cubrix, 0x0100, 11, words16({0, 0, 0, 0, 0, 0, 1, 3}));
    deliver(cubrix, 0x0100, 12, words16({0, 0, 0, 0, 0, 0, 1, 1}));
    deliver(cubrix, 0x0100, 16, words16({0, 0, 0, 0, 0, 0, 0, 2}));
    deliver(cubrix, 0x0100, 5, words16({mode, channel}));

    CaptureFrame item;
    cubrix.registerFeature(&item, 2);
    deliver(cubrix, 0x0400, 0, frame);

    if (range < 0) {
        QVERIFY(item.image().isNull());
        return;
    }
    const QImage expected = range == 1 ? byRange1 : range == 2 ? byRange2 : byRange3;
    QCOMPARE(item.image(), expected);
}

void TestCubrixState::frameAfterCaptureItemIsGone()
{
    Cubrix cubrix;
    deliver(cubrix, 0x0100, 5, words16({1, 0}));
    // No item registered: the frame is dropped.
    deliver(cubrix, 0x0400, 0, onePixelFrame(500, 512, 512));

    auto *item = new CaptureFrame;
    cubrix.registerFeature(item, 2);
    delete item;
    QVERIFY(cubrix.cCaptureFrame() == nullptr);
    deliver(cubrix, 0x0400, 0, onePixelFrame(500, 512, 512));
}

void TestCubrixState::resetOnDisconnection()
{
    Cubrix cubrix;
    deliver(cubrix, 0x0100, 0, QByteArray("Cubrix"));
    deliver(cubrix, 0x0100, 1, QByteArray("2.0"));
    deliver(cubrix, 0x0100, 2, QByteArray("SN1"));
    deliver(cubrix, 0x0100, 4, word32(2));
    deliver(cubrix, 0x0100, 5, words16({2, 1}));
    deliver(cubrix, 0x0100, 7, QByteArray::fromHex("0a0000000c00000021000000"));
    deliver(cubrix, 0x0100, 9, QByteArray::fromHex("0a0000000a000000"));
    deliver(cubrix, 0x0100, 8, words16({1, 2, 3, 4, 5, 6, 1, 2}));
    deliver(cubrix, 0x0100, 11, words16({1, 2, 3, 4, 5, 6, 3, 4}));
    deliver(cubrix, 0x0100, 12, words16({0, 0, 1, 7, 0, 0, 2, 0}));
    deliver(cubrix, 0x0100, 16, words16({1, 1, 1, 1, 1, 1, 1, 3}));
    deliver(cubrix, 0x0100, 13, words16({1, 0, 2, 0}));
    deliver(cubrix, 0x0100, 17, words16({1, 3}));
    deliver(cubrix, 0x0100, 19, words16({1, 5}));
    deliver(cubrix, 0x0100, 20, words16({0x0102}));
    deliver(cubrix, 0x0100, 21, words16({1, 0}));
    deliver(cubrix, 0x0100, 22, word32(7));
    cubrix.setCube(1);
    const QMap<QString, int> before = nonZeroFamily(cubrix);
    QVERIFY(before.size() > 30);

    CubrixSignals spies(&cubrix);
    QStringList order;
    connect(&cubrix, &Cubrix::modelChanged, [&] { order << "model"; });
    connect(&cubrix, &Cubrix::destroyChannel, [&] { order << "destroyChannel"; });
    connect(&cubrix, &Cubrix::boxModeChanged, [&] { order << "boxMode"; });
    connect(&cubrix, &Cubrix::frameClear, [&] { order << "frameClear"; });
    connect(&cubrix, &Cubrix::cubeBitDefChanged, [&] { order << "cubeBitDef"; });
    connect(&cubrix, &Cubrix::boxmode1_3dlut_sizeChanged, [&] { order << "boxmode1_3dlut_size"; });
    connect(&cubrix, &Cubrix::boxmode1_ch1_signalChanged, [&] { order << "boxmode1_ch1_signal"; });
    connect(&cubrix, &Cubrix::boxLutInterpolationChanged, [&] { order << "interpolation"; });
    connect(&cubrix, &Cubrix::boxmode3_ch1_rangeChanged, [&] { order << "boxmode3_ch1_range"; });

    QVERIFY(QMetaObject::invokeMethod(&cubrix, "socketStateChanged", Qt::DirectConnection,
                                      Q_ARG(QTcpSocket::SocketState, QAbstractSocket::UnconnectedState)));

    QVERIFY(nonZeroFamily(cubrix).isEmpty());
    QVERIFY(cubrix.model().isEmpty() && cubrix.version().isEmpty() && cubrix.serial().isEmpty());
    QCOMPARE(cubrix.portNum(), 0);
    QCOMPARE(cubrix.boxMode(), 0);
    QCOMPARE(cubrix.boxCh(), 0);
    QCOMPARE(cubrix.cubeBitDef(), 3);
    QCOMPARE(cubrix.box_lut_interpolation(), 1);
    QCOMPARE(cubrix.boxAnci(), 1);

    // Exactly the values that were not zero announce their reset, plus the always-announced ones.
    QStringList expected = {"modelChanged", "versionChanged", "serialChanged", "portNumChanged",
                            "destroyChannel", "boxModeChanged", "frameClear", "boxChChanged",
                            "cubeBitDefChanged", "boxLutInterpolationChanged", "stateChanged"};
    for (const QString &name : before.keys())
        expected.append(name + "Changed");
    expected.sort();
    QCOMPARE(spies.fired(), expected);
    for (const QString &name : expected)
        QCOMPARE(spies.count(name), 1);
    QCOMPARE(order, (QStringList{"model", "destroyChannel", "boxMode", "frameClear", "cubeBitDef",
                                 "boxmode1_3dlut_size", "boxmode1_ch1_signal", "interpolation",
                                 "boxmode3_ch1_range"}));
}

void TestCubrixState::resetAtDefaultsStillAnnouncesBitSizeAndInterpolation()
{
    Cubrix cubrix;
    CubrixSignals spies(&cubrix);
    QVERIFY(QMetaObject::invokeMethod(&cubrix, "socketStateChanged", Qt::DirectConnection,
                                      Q_ARG(QTcpSocket::SocketState, QAbstractSocket::UnconnectedState)));
    QCOMPARE(spies.fired(), (QStringList{"boxLutInterpolationChanged", "cubeBitDefChanged", "destroyChannel",
                                         "stateChanged"}));
}

QTEST_MAIN(TestCubrixState)
#include "tst_cubrixstate.moc"
