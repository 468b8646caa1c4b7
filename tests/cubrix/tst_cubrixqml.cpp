// The Cubrix as the QML pages use it: properties, enumerations and invokables reached from a
// QML document, without a single QML warning, and the commands they produce.

#include "cubrixharness.h"

#include "capture/captureframe.h"
#include "device/channelinfo.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQmlError>
#include <QtTest>

Q_DECLARE_METATYPE(CommandIds)

namespace {

const char *const Document = R"(
import QtQuick 2.0
import MNCP 1.0

Item {
    id: page
    property alias device: box
    property int mode: box.box_mode
    property int bits: box.cube_bit_def
    property int channelCount: box.channels.length
    property string firstChannel: box.channels.length > 0 ? box.channels[0].name : ""
    property int frontState: box.boxmode2_ch1_1dlut1_state
    property int major: box.protocol_major
    property bool scopeReady: box.cScopeStream !== null
    property bool noCapture: box.cCaptureFrame === null

    Cubrix { id: box }

    function pressKeys() {
        box.sendKey(Cubrix.MNCP_KEY_MENU)
        box.sendRotary(1, 3)
    }
    function switchLuts() {
        box.setLut(Cubrix.LUT_TYPE_3D, Cubrix.LUT_FUNC_DIT, 0, true)
        box.loadLut(Cubrix.LUT_TYPE_1D, Cubrix.LUT_FUNC_CALIBRATION, 2)
    }
    function ancillary() {
        box.captureAnci("0x4105")
        box.captureAnci("0x4105", 258)
    }
    function clearSlot() {
        box.saveLutArray(Cubrix.LUT_TYPE_1D, Cubrix.LUT_FUNC_BOX, 3, "LUT_1D_SIZE 2\n", 0)
    }
    function generator() {
        box.setSignalYCbCr(64, 512, 940)
        box.setCube(2)
        box.onGuiFocus()
    }
    function sharedCommands() {
        box.setTally(true, false)
        box.setUMD(true, "CAM 1")
        box.setWiFi(false)
    }
    function message() { return box.getProtocolMessage(0x0402) }
}
)";

} // namespace

class TestCubrixQml : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void bindingsFollowTheBox();
    void invokablesReachTheBox_data();
    void invokablesReachTheBox();

private:
    QObject *create();

    QQmlEngine *m_engine = nullptr;
    QList<QQmlError> m_warnings;
    FakeDevice *m_fake = nullptr;
    QObject *m_page = nullptr;
    Cubrix *m_cubrix = nullptr;
};

void TestCubrixQml::initTestCase()
{
    qmlRegisterType<Cubrix>("MNCP", 1, 0, "Cubrix");
    qmlRegisterType<ChannelInfo>("MNCP", 1, 0, "Channel");
    qmlRegisterType<CaptureFrame>("MNCP", 1, 0, "Capture");
    qmlRegisterType<ScopeStream>("MNCP", 1, 0, "ScopeStream");
}

void TestCubrixQml::init()
{
    m_engine = new QQmlEngine;
    m_engine->setOutputWarningsToStandardError(false);
    m_warnings.clear();
    connect(m_engine, &QQmlEngine::warnings, this, [this](const QList<QQmlError> &w) { m_warnings += w; });

    m_fake = new FakeDevice;
    m_fake->setResponder([](const FakeDevice::Command &cmd) {
        if (cmd.protocol == 0x0100 && cmd.request == 5)
            return FakeDevice::message(cmd.protocol, cmd.request, words16({2, 1}));
        if (cmd.protocol == 0x0100 && cmd.request == 11)
            return FakeDevice::message(cmd.protocol, cmd.request, words16({1, 4, 0, 0, 0, 0, 1, 1}));
        if (cmd.protocol == 0x0101 && cmd.request == 0x0010)
            return FakeDevice::message(cmd.protocol, cmd.request, QByteArray("SDI 1"));
        return FakeDevice::message(cmd.protocol, cmd.request);
    });
    QVERIFY(m_fake->listen());

    QQmlComponent component(m_engine);
    component.setData(Document, QUrl("qrc:/tst_cubrixqml.qml"));
    m_page = component.create();
    QVERIFY2(m_page, qPrintable(component.errorString()));
    m_cubrix = m_page->property("device").value<Cubrix *>();
    QVERIFY(m_cubrix);
    QVERIFY(connectToFake(*m_cubrix, *m_fake));
    QVERIFY(m_fake->waitForCommands(CubrixHarness::ConnectionQueries));
    QTRY_VERIFY_WITH_TIMEOUT(m_cubrix->socketHandler()->queuedCount() == 0
                                 && m_cubrix->socketHandler()->inFlight().protocol == 0,
                             5000);
}

void TestCubrixQml::cleanup()
{
    delete m_page;
    m_page = nullptr;
    delete m_fake;
    delete m_engine;
    QVERIFY2(m_warnings.isEmpty(), qPrintable(m_warnings.isEmpty() ? QString() : m_warnings.first().toString()));
}

void TestCubrixQml::bindingsFollowTheBox()
{
    QCOMPARE(m_page->property("mode").toInt(), 2);
    QCOMPARE(m_page->property("frontState").toInt(), 1);
    QCOMPARE(m_page->property("bits").toInt(), 3);
    QCOMPARE(m_page->property("major").toInt(), 1);
    QVERIFY(m_page->property("scopeReady").toBool());
    QVERIFY(m_page->property("noCapture").toBool());
    QCOMPARE(m_page->property("channelCount").toInt(), 0);

    m_fake->send(FakeDevice::message(0x0100, 3, word32(2)));
    QTRY_COMPARE_WITH_TIMEOUT(m_page->property("channelCount").toInt(), 2, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(m_page->property("firstChannel").toString(), QStringLiteral("SDI 1"), 3000);
}

void TestCubrixQml::invokablesReachTheBox_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<CommandIds>("expected");
    QTest::newRow("keys") << "pressKeys" << CommandIds{{0x0001, 32}, {0x0001, 0x53}};
    QTest::newRow("LUTs") << "switchLuts" << CommandIds{{0x0311, 0x0100}, {0x0100, 11}, {0x0300, 0x0402}};
    QTest::newRow("ancillary") << "ancillary" << CommandIds{{0x0402, 4}, {0x0402, 4}};
    QTest::newRow("clear slot") << "clearSlot" << CommandIds{{0x0302, 0x0303}};
    QTest::newRow("commands shared with the monitor") << "sharedCommands"
                                                      << CommandIds{{0x0002, 0x0101}, {0x0004, 0x0101}, {0x0500, 3}};
    CommandIds generator{{0x0600, 2}, {0x0100, 13}};
    for (int request : {4, 5, 6, 7, 9, 10, 14, 15, 8, 17, 20, 11, 18, 12, 16, 19, 13, 21, 22})
        generator.append({0x0100, request});
    QTest::newRow("generator and sweep") << "generator" << generator;
}

void TestCubrixQml::invokablesReachTheBox()
{
    QFETCH(QString, function);
    QFETCH(CommandIds, expected);
    m_fake->clearReceived();
    QVERIFY(QMetaObject::invokeMethod(m_page, function.toLatin1().constData()));
    QVERIFY(m_fake->waitForCommands(expected.size()));
    QTRY_VERIFY_WITH_TIMEOUT(m_cubrix->socketHandler()->queuedCount() == 0
                                 && m_cubrix->socketHandler()->inFlight().protocol == 0,
                             5000);
    QCOMPARE(commandIds(*m_fake), expected);
    if (function == "ancillary") {
        QCOMPARE(m_fake->received().at(0).payload, QByteArray::fromHex("4105"));
        QCOMPARE(m_fake->received().at(1).payload, QByteArray::fromHex("41050102"));
    }
    if (function == "generator") {
        QCOMPARE(m_fake->received().at(0).payload, QByteArray::fromHex("040803ac"));
        QCOMPARE(m_page->property("bits").toInt(), 2);
    }
    if (function == "sharedCommands")
        QCOMPARE(m_fake->received().at(1).payload, QByteArray("CAM 1"));
    QVariant text;
    QVERIFY(QMetaObject::invokeMethod(m_page, "message", Q_RETURN_ARG(QVariant, text)));
    QCOMPARE(text.toString(), QStringLiteral("Protocol ANCI Capture Error"));
}

QTEST_MAIN(TestCubrixQml)
#include "tst_cubrixqml.moc"
