#include "session/sessionmanager.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Behaviour changed so that the program survives input found by fuzzing; one case per change.
class TestRobustnessFixes : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void tabListStopsAtItsLimit();

private:
    QTemporaryDir m_data;
};

void TestRobustnessFixes::initTestCase()
{
    QVERIFY(m_data.isValid());
    qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
}

void TestRobustnessFixes::init()
{
    QFile::remove(SessionManager().filePath());
}

void TestRobustnessFixes::tabListStopsAtItsLimit()
{
    // A hand-made profile of 300 entries is imported tab by tab; indexes are one byte, so
    // index 256 would be index 0 again, and the next start reads 256 records at most.
    {
        SessionManager manager;
        for (int k = 0; k < 300; ++k)
            manager.addTab(static_cast<uchar>(k), QStringLiteral("MONITOR"), QStringLiteral("127.0.0.1"),
                           QStringLiteral("Tab %1").arg(k), QStringLiteral("dark"));
        QCOMPARE(manager.records().size(), 256);
        QCOMPARE(manager.records().constLast().name, QStringLiteral("Tab 255"));
        // Removing the first tab still removes exactly one.
        manager.removeTab(0);
        QCOMPARE(manager.records().size(), 255);
        QCOMPARE(manager.records().constFirst().name, QStringLiteral("Tab 1"));
        // And there is room for one again.
        manager.addTab(255, QStringLiteral("CUBRIX"), QStringLiteral("127.0.0.2"), QStringLiteral("Last"), QStringLiteral("light"));
        QCOMPARE(manager.records().size(), 256);
    }
    SessionManager nextStart;
    QVERIFY(nextStart.readFromDisk());
    QCOMPARE(nextStart.records().size(), 256);
    QCOMPARE(nextStart.records().at(0).name, QStringLiteral("Tab 1"));
    QCOMPARE(nextStart.records().at(254).name, QStringLiteral("Tab 255"));
    QCOMPARE(nextStart.records().at(255).name, QStringLiteral("Last"));
}

QTEST_GUILESS_MAIN(TestRobustnessFixes)
#include "tst_robustnessfixes.moc"
