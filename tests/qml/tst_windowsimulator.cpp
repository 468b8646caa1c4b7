// The main window against the simulator: two saved tabs pointing at a simulated Cubrix and a
// simulated monitor on two loopback addresses; one is connected with its button, the other
// with Ctrl+C, and each tab's page must show the identity its device reported.
#include "device/devicebase.h"
#include "qmltestsupport.h"
#include "simprocess.h"

#include <QtTest>

using namespace QmlTest;

class TestWindowSimulator : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void connectBothTabsAndSeeTheirIdentity();

private:
    static QString labelText(QObject *page, const char *name);

    std::unique_ptr<WarningGuard> m_guard;
    SimProcess m_cubrixSim;
    SimProcess m_monitorSim;
    MainWindow m_main;
};

void TestWindowSimulator::initTestCase()
{
    m_guard = std::make_unique<WarningGuard>();
    QVERIFY(m_cubrixSim.start({QStringLiteral("--role"), QStringLiteral("cubrix"), QStringLiteral("--model"),
                               QStringLiteral("Cubrix Mono SDI"), QStringLiteral("--serial"), QStringLiteral("CBX0042"),
                               QStringLiteral("--version"), QStringLiteral("9.8.7")},
                              QStringLiteral("127.0.0.1")));
    QVERIFY(m_monitorSim.start({QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--model"),
                                QStringLiteral("KT-2400"), QStringLiteral("--serial"), QStringLiteral("KT24X0099"),
                                QStringLiteral("--version"), QStringLiteral("4.5.6")},
                               QStringLiteral("127.0.0.2")));
}

void TestWindowSimulator::cleanup()
{
    m_main.unload();
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

QString TestWindowSimulator::labelText(QObject *page, const char *name)
{
    QObject *label = find(page, QString::fromLatin1(name));
    return label ? label->property("text").toString() : QString();
}

void TestWindowSimulator::connectBothTabsAndSeeTheirIdentity()
{
    clearStoredState();
    QVERIFY(writeFile(savedTabsPath(), "0,CUBRIX,127.0.0.1,Grading Box,dark\n"
                                       "1,MONITOR,127.0.0.2,Hero Monitor,dark\n"));
    QVERIFY(m_main.load());
    QCOMPARE(m_main.tabCount(), 2);

    // The devices listen on the MNCP port; the simulators on free ports of their addresses.
    auto *cubrix = qobject_cast<DeviceBase *>(find(m_main.tab(0), QStringLiteral("cubrixDevice")));
    auto *monitor = qobject_cast<DeviceBase *>(find(m_main.tab(1), QStringLiteral("monitorDevice")));
    QVERIFY(cubrix && monitor);
    cubrix->setPort(m_cubrixSim.port());
    monitor->setPort(m_monitorSim.port());

    // Cubrix tab: the Connect button.
    click(qobject_cast<QQuickItem *>(find(m_main.tab(0), QStringLiteral("connectButton"))));
    QTRY_COMPARE_WITH_TIMEOUT(int(cubrix->state()), int(QAbstractSocket::ConnectedState), 10000);
    QObject *cubrixPage = find(m_main.tab(0), QStringLiteral("cubrixGeneralPage"));
    QVERIFY(cubrixPage);
    QTRY_COMPARE_WITH_TIMEOUT(labelText(cubrixPage, "modelLabel"), QStringLiteral("Model: Cubrix Mono SDI"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(labelText(cubrixPage, "serialLabel"), QStringLiteral("Serial: CBX0042"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(labelText(cubrixPage, "versionLabel"), QStringLiteral("Firmware Version: 9.8.7"), 10000);
    QCOMPARE(labelText(cubrixPage, "addressLabel"), QStringLiteral("Address: 127.0.0.1"));

    // Monitor tab: Ctrl+2 selects it, Ctrl+C connects it.
    QTest::keyClick(m_main.window(), Qt::Key_2, Qt::ControlModifier);
    QCOMPARE(m_main.currentIndex(), 1);
    QTest::keyClick(m_main.window(), Qt::Key_C, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(int(monitor->state()), int(QAbstractSocket::ConnectedState), 10000);
    QObject *monitorPage = find(m_main.tab(1), QStringLiteral("monitorGeneralPage"));
    QVERIFY(monitorPage);
    QTRY_COMPARE_WITH_TIMEOUT(labelText(monitorPage, "modelLabel"), QStringLiteral("Model: KT-2400"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(labelText(monitorPage, "serialLabel"), QStringLiteral("Serial Number: KT24X0099"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(labelText(monitorPage, "versionLabel"), QStringLiteral("Firmware Version: 4.5.6"), 10000);
    QCOMPARE(labelText(monitorPage, "addressLabel"), QStringLiteral("Address: 127.0.0.2"));

    // The Cubrix stayed connected while the other tab was used.
    QCOMPARE(int(cubrix->state()), int(QAbstractSocket::ConnectedState));
    QCOMPARE(m_main.statusText(), QStringLiteral("Hero Monitor"));
    QCOMPARE(readFile(savedTabsPath()), QByteArray("0,CUBRIX,127.0.0.1,Grading Box,dark\n"
                                                   "1,MONITOR,127.0.0.2,Hero Monitor,dark\n"));

    // Ctrl+C again disconnects the visible tab only.
    QTest::keyClick(m_main.window(), Qt::Key_C, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(int(monitor->state()), int(QAbstractSocket::UnconnectedState), 10000);
    QCOMPARE(int(cubrix->state()), int(QAbstractSocket::ConnectedState));
}

BREVANTO_QML_TEST_MAIN(TestWindowSimulator)
#include "tst_windowsimulator.moc"
