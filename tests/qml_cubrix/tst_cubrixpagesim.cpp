// The Cubrix controls page against the simulated box: the page only presses keys, and the
// highlights, rows and switches move once the box's answers to the re-queries are in.

#include "cubrix/cubrix.h"
#include "qmltestsupport.h"
#include "simprocess.h"

#include <QtTest>

using namespace QmlTest;

class TestCubrixPageSim : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void modesAndChannelsFollowTheReQueries();
    void inputsRangesAndSwitchesFollowTheBox();
    void monoDpStaysInOneChannel();

private:
    bool connectTo(SimProcess &sim);
    QObject *page() const;
    bool highlighted(const char *name) const;
    bool shown(const char *name) const;
    bool press(const char *name) const;

    std::unique_ptr<WarningGuard> m_guard;
    MainWindow m_main;
    Cubrix *m_device = nullptr;
};

void TestCubrixPageSim::initTestCase()
{
    m_guard = std::make_unique<WarningGuard>();
}

void TestCubrixPageSim::cleanup()
{
    m_main.unload();
    m_device = nullptr;
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

bool TestCubrixPageSim::connectTo(SimProcess &sim)
{
    clearStoredState();
    if (!writeFile(savedTabsPath(), "0,CUBRIX," + sim.address().toLatin1() + ",Grading Box,dark\n") || !m_main.load())
        return false;
    m_device = qobject_cast<Cubrix *>(find(m_main.tab(0), QStringLiteral("cubrixDevice")));
    if (!m_device)
        return false;
    m_device->setPort(sim.port());
    QMetaObject::invokeMethod(find(m_main.tab(0), QStringLiteral("connectButton")), "clicked");
    QElapsedTimer timer;
    timer.start();
    // Connected, and the state sweep answered (the model and mode are in).
    while ((m_device->state() != QAbstractSocket::ConnectedState || m_device->boxMode() == 0
            || m_device->model().isEmpty())
           && timer.elapsed() < 10000)
        QTest::qWait(10);
    return m_device->state() == QAbstractSocket::ConnectedState && m_device->boxMode() != 0;
}

QObject *TestCubrixPageSim::page() const
{
    return find(m_main.tab(0), QStringLiteral("cubrixGeneralPage"));
}

bool TestCubrixPageSim::highlighted(const char *name) const
{
    QObject *found = find(page(), QString::fromLatin1(name));
    return found && found->property("highlighted").toBool();
}

bool TestCubrixPageSim::shown(const char *name) const
{
    auto *found = qobject_cast<QQuickItem *>(find(page(), QString::fromLatin1(name)));
    return found && found->isVisible();
}

bool TestCubrixPageSim::press(const char *name) const
{
    QObject *found = find(page(), QString::fromLatin1(name));
    return found && QMetaObject::invokeMethod(found, "clicked");
}

void TestCubrixPageSim::modesAndChannelsFollowTheReQueries()
{
    SimProcess sim;
    QVERIFY(sim.start({QStringLiteral("--role"), QStringLiteral("cubrix")}));
    QVERIFY(connectTo(sim));
    QTRY_VERIFY_WITH_TIMEOUT(highlighted("singleChannelButton"), 5000);
    QVERIFY(shown("lutRowMode1"));

    // The key goes out; the highlight stays until the box has answered the re-query.
    QVERIFY(press("dualChannelButton"));
    QVERIFY(highlighted("singleChannelButton"));
    QVERIFY(!highlighted("dualChannelButton"));
    QTRY_VERIFY_WITH_TIMEOUT(highlighted("dualChannelButton"), 5000);
    QVERIFY(!highlighted("singleChannelButton"));
    QVERIFY(highlighted("channel1Button"));
    QVERIFY(shown("lutRowMode2Ch1"));
    QVERIFY(!shown("lutRowMode1"));
    QVERIFY(sim.waitForLog(QStringLiteral("box mode 2")));

    QVERIFY(press("channel2Button"));
    QTRY_VERIFY_WITH_TIMEOUT(highlighted("channel2Button"), 5000);
    QVERIFY(!highlighted("channel1Button"));
    QVERIFY(shown("lutRowMode2Ch2"));
    QVERIFY(!shown("lutRowMode2Ch1"));

    QVERIFY(press("generatorButton"));
    QTRY_VERIFY_WITH_TIMEOUT(highlighted("generatorButton"), 5000);
    QVERIFY(!highlighted("dualChannelButton"));
    QVERIFY(!highlighted("channel2Button"));
    QVERIFY(shown("lutRowMode3"));
    QVERIFY(shown("generatorSection"));
    QVERIFY(!shown("signalFormatSelect"));

    // The mode keys on the keyboard take the same way.
    QTest::keyClick(m_main.window(), Qt::Key_1);
    QTRY_VERIFY_WITH_TIMEOUT(highlighted("singleChannelButton"), 5000);
    QVERIFY(shown("signalFormatSelect"));
    QVERIFY(!shown("generatorSection"));
}

void TestCubrixPageSim::inputsRangesAndSwitchesFollowTheBox()
{
    SimProcess sim;
    QVERIFY(sim.start({QStringLiteral("--role"), QStringLiteral("cubrix"), QStringLiteral("--model"),
                       QStringLiteral("Cubrix Mono SDI")}));
    QVERIFY(connectTo(sim));
    QTRY_VERIFY_WITH_TIMEOUT(highlighted("sdi1Button"), 5000);
    QVERIFY(press("sdi2Button"));
    QTRY_VERIFY_WITH_TIMEOUT(highlighted("sdi2Button"), 5000);
    QVERIFY(!highlighted("sdi1Button"));

    QVERIFY(press("smpteRangeButton"));
    QTRY_VERIFY_WITH_TIMEOUT(highlighted("smpteRangeButton"), 5000);
    QVERIFY(!highlighted("videoRangeButton"));

    QObject *cube = find(find(page(), QStringLiteral("lutRowMode1")), QStringLiteral("cubeLut"));
    QObject *cubeSwitch = find(cube, QStringLiteral("lutSwitch"));
    const bool before = cubeSwitch->property("checked").toBool();
    cubeSwitch->setProperty("checked", !before);
    QVERIFY(QMetaObject::invokeMethod(cubeSwitch, "clicked"));
    QTRY_COMPARE_WITH_TIMEOUT(cubeSwitch->property("checked").toBool(), !before, 5000);
    QCOMPARE(m_device->boxmode1_ch1_3dlut_state() != 0, !before);
}

void TestCubrixPageSim::monoDpStaysInOneChannel()
{
    SimProcess sim;
    QVERIFY(sim.start({QStringLiteral("--role"), QStringLiteral("cubrix"), QStringLiteral("--model"),
                       QStringLiteral("Cubrix Mono DP")}));
    QVERIFY(connectTo(sim));
    QTRY_COMPARE_WITH_TIMEOUT(m_device->model(), QStringLiteral("Cubrix Mono DP"), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(shown("modeSelection"), 5000);
    auto *dual = qobject_cast<QQuickItem *>(find(page(), QStringLiteral("dualChannelButton")));
    QVERIFY(dual && !dual->isEnabled());
    QVERIFY(!shown("inputGroup"));
    click(dual);
    QTest::keyClick(m_main.window(), Qt::Key_2);
    QTest::qWait(800);
    QCOMPARE(m_device->boxMode(), 1);
    QVERIFY(highlighted("singleChannelButton"));
    QCOMPARE(sim.countInLog(QStringLiteral("dual channel mode key ignored")), 0);
}

BREVANTO_QML_TEST_MAIN(TestCubrixPageSim)
#include "tst_cubrixpagesim.moc"
