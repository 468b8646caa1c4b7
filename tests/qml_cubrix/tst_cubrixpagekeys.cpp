// The keys of the Cubrix controls page, pressed on the real window connected to a fake box:
// each sends its command only while its control is on show, and the page's Shift+K / Shift+L
// take precedence over the window's theme keys only while the input format is on show.

#include "cubrixpagefixture.h"

#include <QtTest>

using namespace QmlTest;

using CommandList = QList<QPair<int, int>>;
Q_DECLARE_METATYPE(CommandList)
Q_DECLARE_METATYPE(Qt::Key)
Q_DECLARE_METATYPE(Qt::KeyboardModifiers)

class TestCubrixPageKeys : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void keys_data();
    void keys();
    void linkKeysWinOverTheThemeOnlyInModeOne();
    void shiftSFlipsBothWays();
    void keysRestWhileThePageIsNotShown();

private:
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    std::unique_ptr<WarningGuard> m_guard;
    std::unique_ptr<CubrixPageFixture> m_box;
};

void TestCubrixPageKeys::initTestCase()
{
    m_guard = std::make_unique<WarningGuard>();
}

void TestCubrixPageKeys::init()
{
    m_box = std::make_unique<CubrixPageFixture>();
    QVERIFY(m_box->open());
}

void TestCubrixPageKeys::cleanup()
{
    m_box.reset();
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

void TestCubrixPageKeys::key(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(m_box->main().window(), key, modifiers);
}

void TestCubrixPageKeys::keys_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("signalWord");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<CommandList>("expected");

    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    const QString cubrix = QStringLiteral("Cubrix");
    const QString dp = QStringLiteral("Cubrix Mono DP");

    // Modes and channels.
    QTest::newRow("1") << cubrix << 2 << 1 << 0 << Qt::Key_1 << none << CommandList{{0x0001, 112}};
    QTest::newRow("2") << cubrix << 1 << 0 << 0 << Qt::Key_2 << none << CommandList{{0x0001, 113}};
    QTest::newRow("2, Mono DP") << dp << 1 << 0 << 0 << Qt::Key_2 << none << CommandList{};
    QTest::newRow("3") << dp << 1 << 0 << 0 << Qt::Key_3 << none << CommandList{{0x0001, 114}};
    QTest::newRow("4, mode 2") << cubrix << 2 << 2 << 0 << Qt::Key_4 << none << CommandList{{0x0001, 128}, {0x0100, 5}};
    QTest::newRow("4, mode 1") << cubrix << 1 << 0 << 0 << Qt::Key_4 << none << CommandList{};
    QTest::newRow("5, mode 2") << cubrix << 2 << 1 << 0 << Qt::Key_5 << none << CommandList{{0x0001, 129}, {0x0100, 5}};
    QTest::newRow("5, mode 3") << cubrix << 3 << 0 << 0 << Qt::Key_5 << none << CommandList{};
    // Inputs.
    QTest::newRow("Shift+1, mode 1") << cubrix << 1 << 0 << 0 << Qt::Key_1 << shift
                                     << CommandList{{0x0001, 16}, {0x0100, 8}};
    QTest::newRow("Shift+1, Mono DP") << dp << 1 << 0 << 0 << Qt::Key_1 << shift << CommandList{};
    QTest::newRow("Shift+1, mode 3") << cubrix << 3 << 0 << 0 << Qt::Key_1 << shift << CommandList{};
    QTest::newRow("Shift+2, mode 2 ch 2") << cubrix << 2 << 2 << 0 << Qt::Key_2 << shift
                                          << CommandList{{0x0001, 17}, {0x0100, 12}};
    QTest::newRow("Shift+3, mode 2 ch 1") << cubrix << 2 << 1 << 0 << Qt::Key_3 << shift
                                          << CommandList{{0x0001, 18}, {0x0100, 11}};
    QTest::newRow("Shift+3, mode 2 ch 2") << cubrix << 2 << 2 << 0 << Qt::Key_3 << shift << CommandList{};
    QTest::newRow("Shift+3, mode 1") << cubrix << 1 << 0 << 0 << Qt::Key_3 << shift << CommandList{};
    // Ranges.
    QTest::newRow("U") << cubrix << 1 << 0 << 0 << Qt::Key_U << none << CommandList{{0x0304, 1}, {0x0100, 8}};
    QTest::newRow("I") << cubrix << 2 << 2 << 0 << Qt::Key_I << none
                       << CommandList{{0x0304, 2}, {0x0100, 12}, {0x0100, 16}};
    QTest::newRow("O") << cubrix << 1 << 0 << 0 << Qt::Key_O << none << CommandList{{0x0304, 3}, {0x0100, 8}};
    QTest::newRow("P") << cubrix << 3 << 0 << 0 << Qt::Key_P << none << CommandList{{0x0304, 4}, {0x0100, 16}};
    // OSD menu.
    QTest::newRow("Shift+O") << cubrix << 3 << 0 << 0 << Qt::Key_O << shift << CommandList{{0x0001, 32}};
    // The LUTs and the frame of the row on show (all off: a toggle switches on).
    QTest::newRow("Shift+F, mode 1") << cubrix << 1 << 0 << 0 << Qt::Key_F << shift
                                     << CommandList{{0x0301, 0x0100}, {0x0100, 8}};
    QTest::newRow("Shift+G, mode 2 ch 2") << cubrix << 2 << 2 << 0 << Qt::Key_G << shift
                                          << CommandList{{0x0311, 0x0100}, {0x0100, 12}};
    QTest::newRow("Shift+H, mode 3") << cubrix << 3 << 0 << 0 << Qt::Key_H << shift
                                     << CommandList{{0x0302, 0x0100}, {0x0100, 16}};
    QTest::newRow("Shift+J, mode 2 ch 1") << cubrix << 2 << 1 << 0 << Qt::Key_J << shift
                                          << CommandList{{0x0401, 0x0100}, {0x0100, 18}};
    QTest::newRow("Shift+J, mode 2 ch 2") << cubrix << 2 << 2 << 0 << Qt::Key_J << shift << CommandList{};
    QTest::newRow("Shift+F, mode 0") << cubrix << 0 << 0 << 0 << Qt::Key_F << shift << CommandList{};
    // Signal link and sample structure (mode 1).
    QTest::newRow("Shift+;") << cubrix << 1 << 0 << 0 << Qt::Key_Semicolon << shift
                             << CommandList{{0x0006, 0x0200}, {0x0100, 20}};
    QTest::newRow("Shift+'") << cubrix << 1 << 0 << 0 << Qt::Key_Apostrophe << shift
                             << CommandList{{0x0006, 0x0300}, {0x0100, 20}};
    QTest::newRow("Shift+;, mode 2") << cubrix << 2 << 1 << 0 << Qt::Key_Semicolon << shift << CommandList{};
    QTest::newRow("Ctrl+Shift+K") << cubrix << 1 << 0 << 0x0100 << Qt::Key_K << ctrlShift
                                  << CommandList{{0x0006, 0x0101}, {0x0100, 20}};
    QTest::newRow("Ctrl+Shift+L") << cubrix << 1 << 0 << 0x0204 << Qt::Key_L << ctrlShift
                                  << CommandList{{0x0006, 0x0202}, {0x0100, 20}};
    QTest::newRow("Ctrl+Shift+;") << cubrix << 1 << 0 << 0x0300 << Qt::Key_Semicolon << ctrlShift
                                  << CommandList{{0x0006, 0x0303}, {0x0100, 20}};
    QTest::newRow("Ctrl+Shift+'") << cubrix << 1 << 0 << 0x0300 << Qt::Key_Apostrophe << ctrlShift
                                  << CommandList{{0x0006, 0x0304}, {0x0100, 20}};
    QTest::newRow("Ctrl+Shift+M") << cubrix << 1 << 0 << 0x0300 << Qt::Key_M << ctrlShift
                                  << CommandList{{0x0006, 0x0305}, {0x0100, 20}};
    QTest::newRow("Ctrl+Shift+,") << cubrix << 1 << 0 << 0x0100 << Qt::Key_Comma << ctrlShift
                                  << CommandList{{0x0006, 0x0106}, {0x0100, 20}};
    QTest::newRow("Ctrl+Shift+.") << cubrix << 1 << 0 << 0x0206 << Qt::Key_Period << ctrlShift
                                  << CommandList{{0x0006, 0x0200}, {0x0100, 20}};
    QTest::newRow("Ctrl+Shift+K, automatic link") << cubrix << 1 << 0 << 0 << Qt::Key_K << ctrlShift << CommandList{};
}

void TestCubrixPageKeys::keys()
{
    QFETCH(QString, model);
    QFETCH(int, mode);
    QFETCH(int, channel);
    QFETCH(int, signalWord);
    QFETCH(Qt::Key, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(CommandList, expected);
    m_box->setBox(model, mode, channel);
    m_box->device()->set_boxmode1_ch1_signal(signalWord);
    this->key(key, modifiers);
    if (expected.isEmpty()) {
        QVERIFY(m_box->quietFor(300));
        QVERIFY(m_box->commands().isEmpty());
        return;
    }
    QVERIFY(m_box->waitForCommands(expected.size()));
    QCOMPARE(m_box->commands().mid(0, expected.size()), expected);
}

void TestCubrixPageKeys::linkKeysWinOverTheThemeOnlyInModeOne()
{
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    QCOMPARE(m_box->main().mode(), QStringLiteral("dark"));
    key(Qt::Key_L, Qt::ShiftModifier);
    QVERIFY(m_box->waitForCommands(2));
    QCOMPARE(m_box->commands(), (CommandList{{0x0006, 0x0100}, {0x0100, 20}}));
    QCOMPARE(m_box->main().mode(), QStringLiteral("dark"));
    m_box->fake().clearReceived();
    key(Qt::Key_K, Qt::ShiftModifier);
    QVERIFY(m_box->waitForCommands(2));
    QCOMPARE(m_box->commands(), (CommandList{{0x0006, 0x0000}, {0x0100, 20}}));

    // Without the input format on show they are the theme keys again.
    m_box->setBox(QStringLiteral("Cubrix"), 2, 1);
    m_box->fake().clearReceived();
    key(Qt::Key_L, Qt::ShiftModifier);
    QCOMPARE(m_box->main().mode(), QStringLiteral("light"));
    key(Qt::Key_K, Qt::ShiftModifier);
    QCOMPARE(m_box->main().mode(), QStringLiteral("dark"));
    QVERIFY(m_box->quietFor(200));
    QVERIFY(m_box->commands().isEmpty());
}

void TestCubrixPageKeys::shiftSFlipsBothWays()
{
    m_box->setBox(QStringLiteral("Cubrix Mono SDI"), 3);
    QObject *pageList = find(m_box->tab(), QStringLiteral("pageList"));
    key(Qt::Key_S, Qt::ShiftModifier);
    QCOMPARE(pageList->property("currentIndex").toInt(), 1);
    key(Qt::Key_S, Qt::ShiftModifier);
    QCOMPARE(pageList->property("currentIndex").toInt(), 0);
    // Not for a model outside the Cubrix set (no page flip button either).
    m_box->setBox(QStringLiteral("LM-2410"), 3);
    key(Qt::Key_S, Qt::ShiftModifier);
    QCOMPARE(pageList->property("currentIndex").toInt(), 0);
}

void TestCubrixPageKeys::keysRestWhileThePageIsNotShown()
{
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    // The settings page on show: the controls' keys rest.
    key(Qt::Key_S, Qt::ShiftModifier);
    key(Qt::Key_1);
    key(Qt::Key_U);
    key(Qt::Key_F, Qt::ShiftModifier);
    QVERIFY(m_box->quietFor(200));
    QVERIFY(m_box->commands().isEmpty());
    key(Qt::Key_S, Qt::ShiftModifier);
    key(Qt::Key_3);
    QVERIFY(m_box->waitForCommands(1));
    QCOMPARE(m_box->commands().first(), qMakePair(0x0001, 114));

    // Another tab on show.
    m_box->fake().clearReceived();
    key(Qt::Key_2, Qt::ControlModifier);
    QCOMPARE(m_box->main().currentIndex(), 1);
    key(Qt::Key_1);
    key(Qt::Key_P);
    QVERIFY(m_box->quietFor(200));
    QVERIFY(m_box->commands().isEmpty());

    // Back on the tab, but disconnected.
    key(Qt::Key_1, Qt::ControlModifier);
    m_box->device()->deviceDisconnect();
    QTRY_COMPARE_WITH_TIMEOUT(int(m_box->device()->state()), int(QAbstractSocket::UnconnectedState), 5000);
    key(Qt::Key_3);
    QTest::qWait(100);
    QCOMPARE(m_box->fake().received().size(), 0);
}

BREVANTO_QML_TEST_MAIN(TestCubrixPageKeys)
#include "tst_cubrixpagekeys.moc"
