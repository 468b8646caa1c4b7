// The monitor page's keys in the real window against a fake monitor: front-panel keys, their
// keyboard shortcuts per family, the menu keys on the arrows and the knobs. Keys change
// nothing on the page, so one connected window serves every row of one family.
#include "monitorpagefixture.h"

#include <QtTest>
#include <memory>

using namespace QmlTest;
using Command = FakeDevice::Command;

namespace {
// Key codes of the monitor's key protocol, as the device documents them.
constexpr int KeyInput0 = 0x10;
constexpr int KeyMenu = 0x20;
constexpr int KeyMenuUp = 0x21;
constexpr int KeyMenuDown = 0x22;
constexpr int KeyMenuEnter = 0x25;
constexpr int KeyF0 = 0x30;

QList<QPair<int, int>> ids(const QList<Command> &commands)
{
    QList<QPair<int, int>> pairs;
    for (const Command &command : commands)
        pairs.append({command.protocol, command.request});
    return pairs;
}

QList<QPair<int, int>> keysOf(std::initializer_list<int> keys)
{
    QList<QPair<int, int>> pairs;
    for (int key : keys)
        pairs.append({0x0001, key});
    return pairs;
}
} // namespace

class TestMonitorPageKeys : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void shortcutKeys_data();
    void shortcutKeys();
    void inputAndFunctionButtons_data();
    void inputAndFunctionButtons();
    void menuKeysAndArrows_data();
    void menuKeysAndArrows();
    void knobButtons_data();
    void knobButtons();
    void ktKnobShortcuts();
    void knobShortcutsOnlyOnKt();

private:
    // The window connected as `family`, reused while the family stays the same.
    bool openAs(const QString &family);

    std::unique_ptr<WarningGuard> m_guard;
    std::unique_ptr<MonitorPageFixture> m_page;
    QString m_family;
};

void TestMonitorPageKeys::initTestCase()
{
    m_guard = std::make_unique<WarningGuard>();
}

void TestMonitorPageKeys::cleanup()
{
    // A failed row may leave commands behind: start the next one afresh.
    if (QTest::currentTestFailed()) {
        m_page.reset();
        m_family.clear();
    }
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

void TestMonitorPageKeys::cleanupTestCase()
{
    m_page.reset();
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

bool TestMonitorPageKeys::openAs(const QString &family)
{
    if (m_page && m_family == family && m_page->monitor()
        && m_page->monitor()->state() == QAbstractSocket::ConnectedState)
        return m_page->nothingSentBefore();
    m_page.reset();
    m_family.clear();
    m_page = std::make_unique<MonitorPageFixture>();
    if (!m_page->open(MonitorPageFixture::byName(family)))
        return false;
    m_family = family;
    return true;
}

void TestMonitorPageKeys::shortcutKeys_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected"); // the key code sent, -1 for nothing

    // C is the third input on KT monitors but YPbPr (input 3) on the other plain monitors;
    // the RV page counts its inputs from 1. Rows are grouped by family (one window each).
    QTest::newRow("KT C") << "kt" << int(Qt::Key_C) << KeyInput0 + 2;
    QTest::newRow("KT A") << "kt" << int(Qt::Key_A) << KeyInput0;
    QTest::newRow("KT D") << "kt" << int(Qt::Key_D) << KeyInput0 + 3;
    QTest::newRow("KT E") << "kt" << int(Qt::Key_E) << -1;
    QTest::newRow("KT 1") << "kt" << int(Qt::Key_1) << KeyF0;
    QTest::newRow("KT 6") << "kt" << int(Qt::Key_6) << KeyF0 + 5;
    QTest::newRow("other C") << "listed" << int(Qt::Key_C) << KeyInput0 + 3;
    QTest::newRow("other B") << "listed" << int(Qt::Key_B) << KeyInput0 + 1;
    QTest::newRow("other D") << "listed" << int(Qt::Key_D) << KeyInput0 + 2;
    QTest::newRow("other E") << "listed" << int(Qt::Key_E) << KeyInput0 + 4;
    QTest::newRow("other 1") << "listed" << int(Qt::Key_1) << KeyF0 + 1;
    QTest::newRow("other 5") << "listed" << int(Qt::Key_5) << KeyF0 + 5;
    QTest::newRow("other 6") << "listed" << int(Qt::Key_6) << -1;
    QTest::newRow("RV C") << "rv" << int(Qt::Key_C) << KeyInput0 + 3;
    QTest::newRow("RV A") << "rv" << int(Qt::Key_A) << KeyInput0 + 1;
    QTest::newRow("RV E") << "rv" << int(Qt::Key_E) << KeyInput0 + 5;
    QTest::newRow("RV 5") << "rv" << int(Qt::Key_5) << KeyF0 + 5;
    QTest::newRow("RV 6") << "rv" << int(Qt::Key_6) << -1;
    QTest::newRow("RVQ C") << "rvq" << int(Qt::Key_C) << KeyInput0 + 3;
    QTest::newRow("RVQ 1") << "rvq" << int(Qt::Key_1) << KeyF0 + 1;
    QTest::newRow("unlisted C") << "unlisted" << int(Qt::Key_C) << -1;
    QTest::newRow("unlisted 1") << "unlisted" << int(Qt::Key_1) << -1;
}

void TestMonitorPageKeys::shortcutKeys()
{
    QFETCH(QString, family);
    QFETCH(int, key);
    QFETCH(int, expected);

    QVERIFY(openAs(family));
    m_page->key(key);
    if (expected < 0) {
        QString seen;
        QVERIFY2(m_page->nothingSentBefore(&seen), qPrintable(seen));
        return;
    }
    const QList<Command> sent = m_page->take(1);
    QCOMPARE(ids(sent), keysOf({expected}));
    QVERIFY(sent.first().payload.isEmpty());
    QVERIFY(m_page->nothingSentBefore());
}

void TestMonitorPageKeys::inputAndFunctionButtons_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("inputPrefix");
    QTest::addColumn<QString>("functionPrefix");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QList<int>>("keys");

    QTest::newRow("KT") << "kt" << "inputButton_" << "functionButton_"
                        << QStringList{"SDI 1", "SDI 2", "DP", "DVI", "F1", "F2", "F3", "F4", "F5", "F6"}
                        << QList<int>{0x10, 0x11, 0x12, 0x13, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35};
    QTest::newRow("other listed monitor") << "listed" << "inputButton_" << "functionButton_"
                                          << QStringList{"SDI 1", "SDI 2", "YPbPr", "Video", "DVI", "F1", "F5"}
                                          << QList<int>{0x10, 0x11, 0x13, 0x12, 0x14, 0x31, 0x35};
    QTest::newRow("RV") << "rv" << "rvInputButton_" << "rvFunctionButton_"
                        << QStringList{"SDI 1", "SDI 2", "SDI 3", "SDI 4", "DP", "F1", "F5"}
                        << QList<int>{0x11, 0x12, 0x13, 0x14, 0x15, 0x31, 0x35};
}

void TestMonitorPageKeys::inputAndFunctionButtons()
{
    QFETCH(QString, family);
    QFETCH(QString, inputPrefix);
    QFETCH(QString, functionPrefix);
    QFETCH(QStringList, labels);
    QFETCH(QList<int>, keys);

    QVERIFY(openAs(family));
    QList<QPair<int, int>> expected;
    for (int i = 0; i < labels.size(); ++i) {
        const QString &label = labels.at(i);
        const QString prefix = label.startsWith(QLatin1Char('F')) ? functionPrefix : inputPrefix;
        QVERIFY2(m_page->press(prefix + label), qPrintable(label));
        expected.append({0x0001, keys.at(i)});
    }
    QCOMPARE(ids(m_page->take(labels.size())), expected);
}

void TestMonitorPageKeys::menuKeysAndArrows_data()
{
    QTest::addColumn<QString>("family");
    QTest::newRow("KT") << "kt";
    QTest::newRow("other listed monitor") << "listed";
    QTest::newRow("RV") << "rv";
    QTest::newRow("RVQ") << "rvq";
}

void TestMonitorPageKeys::menuKeysAndArrows()
{
    QFETCH(QString, family);
    QVERIFY(openAs(family));

    for (const char *name : {"osdUpButton", "osdMenuButton", "osdEnterButton", "osdDownButton"})
        QVERIFY2(m_page->press(QString::fromLatin1(name)), name);
    QCOMPARE(ids(m_page->take(4)), keysOf({KeyMenuUp, KeyMenu, KeyMenuEnter, KeyMenuDown}));

    // One set of menu keys is visible, so each arrow presses once.
    m_page->key(Qt::Key_Up);
    m_page->key(Qt::Key_Left);
    m_page->key(Qt::Key_Right);
    m_page->key(Qt::Key_Down);
    QCOMPARE(ids(m_page->take(4)), keysOf({KeyMenuUp, KeyMenu, KeyMenuEnter, KeyMenuDown}));
    QVERIFY(m_page->nothingSentBefore());
}

void TestMonitorPageKeys::knobButtons_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("knobs");
    QTest::newRow("KT") << "kt" << "ktKnobs";
    QTest::newRow("RV") << "rv" << "rvKnobs";
}

void TestMonitorPageKeys::knobButtons()
{
    QFETCH(QString, family);
    QFETCH(QString, knobs);
    QVERIFY(openAs(family));

    const QStringList titles{"Phase", "Chroma", "Brightness", "Contrast", "Volume"};
    QList<QPair<int, int>> expected;
    for (int n = 0; n < 5; ++n) {
        QObject *knob = m_page->within(knobs, QStringLiteral("knob_%1").arg(n));
        QVERIFY(knob);
        QCOMPARE(knob->property("title").toString(), titles.at(n));
        QVERIFY(m_page->pressWithin(knobs, QStringLiteral("pushButton_%1").arg(n)));
        QVERIFY(m_page->pressWithin(knobs, QStringLiteral("clockwiseButton_%1").arg(n)));
        QVERIFY(m_page->pressWithin(knobs, QStringLiteral("anticlockwiseButton_%1").arg(n)));
        // Push, clockwise and anticlockwise of knob n: 0x40, 0x50 and 0x60 plus n.
        expected << qMakePair(0x0001, 0x40 + n) << qMakePair(0x0001, 0x50 + n) << qMakePair(0x0001, 0x60 + n);
    }
    QCOMPARE(ids(m_page->take(15)), expected);
}

void TestMonitorPageKeys::ktKnobShortcuts()
{
    QVERIFY(openAs(QStringLiteral("kt")));
    const QList<Qt::Key> keys{Qt::Key_M, Qt::Key_Comma, Qt::Key_Period, Qt::Key_Slash};
    QList<QPair<int, int>> expected;
    for (int i = 0; i < keys.size(); ++i) {
        const int knob = i + 1;
        m_page->key(keys.at(i));
        m_page->key(keys.at(i), Qt::ShiftModifier);
        m_page->key(keys.at(i), Qt::ControlModifier);
        expected << qMakePair(0x0001, 0x40 + knob) << qMakePair(0x0001, 0x50 + knob) << qMakePair(0x0001, 0x60 + knob);
    }
    QCOMPARE(ids(m_page->take(12)), expected);
    QVERIFY(m_page->nothingSentBefore());
}

void TestMonitorPageKeys::knobShortcutsOnlyOnKt()
{
    QVERIFY(openAs(QStringLiteral("rv")));
    m_page->key(Qt::Key_M);
    m_page->key(Qt::Key_Comma, Qt::ShiftModifier);
    m_page->key(Qt::Key_Slash, Qt::ControlModifier);
    QString seen;
    QVERIFY2(m_page->nothingSentBefore(&seen), qPrintable(seen));
}


BREVANTO_QML_TEST_MAIN(TestMonitorPageKeys)
#include "tst_monitorpagekeys.moc"
