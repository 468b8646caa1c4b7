// Profile files: the text is written and read back unchanged, without a line end; missing
// targets are created, unwritable ones reported; unreadable files leave no text behind.
#include "session/deviceprofile.h"
#include "sessiontestdir.h"

#include <QtTest>

class TestDeviceProfile : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startsDarkAndEmpty();
    void exportWritesTheTextUnchanged();
    void exportCreatesAMissingFile();
    void exportTruncatesALongerFile();
    void exportReportsAnUnopenableTarget();
    void exportReportsAFullDisk();
    void exportToAnEndlessDeviceEnds();
    void importReadsTheWholeText_data();
    void importReadsTheWholeText();
    void importOfAnUnreadableFileLeavesNoText();
    void importOfAnOversizedFileLeavesNoText();
    void roundTripKeepsNonAsciiNames();
    void themeIsStoredAndReadBack();

private:
    std::unique_ptr<SessionTestDir> m_dir;
};

namespace {
// Three entries as the window builds them: type/name/address/theme, each ended by a comma.
const QString ThreeTabs = QStringLiteral("CUBRIX/Grading/127.0.0.1/dark,"
                                         "MONITOR/Hero/127.0.0.2/light,"
                                         "MONITOR/Client/127.0.0.3/dark,");
} // namespace

void TestDeviceProfile::init()
{
    m_dir = std::make_unique<SessionTestDir>();
    QVERIFY(m_dir->isValid());
}

void TestDeviceProfile::cleanup()
{
    m_dir.reset();
}

void TestDeviceProfile::startsDarkAndEmpty()
{
    DeviceProfile profile;
    QCOMPARE(profile.getMoreInfo(), QStringLiteral("dark"));
    QCOMPARE(profile.getInfo(), QString());
}

void TestDeviceProfile::exportWritesTheTextUnchanged()
{
    DeviceProfile profile;
    const QString path = m_dir->path() + QStringLiteral("/three.txt");
    QVERIFY(profile.exportTabs(QString(), path, ThreeTabs));
    const QByteArray written = SessionTestDir::readAll(path);
    QCOMPARE(written, ThreeTabs.toUtf8());
    QVERIFY(!written.contains('\n'));
    QCOMPARE(written.count(','), 3);
    QVERIFY(written.endsWith(','));
}

void TestDeviceProfile::exportCreatesAMissingFile()
{
    DeviceProfile profile;
    const QString path = m_dir->path() + QStringLiteral("/new-profile.txt");
    QTest::ignoreMessage(QtDebugMsg, qPrintable(path + QStringLiteral(" Does not exist")));
    QVERIFY(profile.exportTabs(QStringLiteral("ignored"), path, QStringLiteral("CUBRIX/Box/127.0.0.1/dark,")));
    QCOMPARE(SessionTestDir::readAll(path), QByteArray("CUBRIX/Box/127.0.0.1/dark,"));
}

void TestDeviceProfile::exportTruncatesALongerFile()
{
    DeviceProfile profile;
    const QString path = m_dir->path() + QStringLiteral("/old.txt");
    QVERIFY(SessionTestDir::write(path, ThreeTabs.toUtf8() + ThreeTabs.toUtf8()));
    QVERIFY(profile.exportTabs(QString(), path, QStringLiteral("MONITOR/Hero/127.0.0.2/dark,")));
    QCOMPARE(SessionTestDir::readAll(path), QByteArray("MONITOR/Hero/127.0.0.2/dark,"));
}

void TestDeviceProfile::exportReportsAnUnopenableTarget()
{
    DeviceProfile profile;
    const QString path = m_dir->path() + QStringLiteral("/no/such/folder/profile.txt");
    QTest::ignoreMessage(QtDebugMsg, "Could not open file");
    QVERIFY(!profile.exportTabs(QString(), path, ThreeTabs));
    QVERIFY(!QFileInfo::exists(path));
}

void TestDeviceProfile::exportReportsAFullDisk()
{
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full on this system");
    DeviceProfile profile;
    QVERIFY(!profile.exportTabs(QString(), QStringLiteral("/dev/full"), ThreeTabs));
}

void TestDeviceProfile::exportToAnEndlessDeviceEnds()
{
    if (!QFileInfo::exists(QStringLiteral("/dev/zero")))
        QSKIP("no /dev/zero on this system");
    // Reading back what follows the text must not run on for ever.
    DeviceProfile profile;
    QVERIFY(profile.exportTabs(QString(), QStringLiteral("/dev/zero"), ThreeTabs));
}

void TestDeviceProfile::importReadsTheWholeText_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("three entries") << ThreeTabs.toUtf8();
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("no trailing comma") << QByteArray("CUBRIX/Box/127.0.0.1/dark");
    QTest::newRow("line ends kept") << QByteArray("CUBRIX/Box/127.0.0.1/dark,\nMONITOR/Hero/127.0.0.2/dark,\n");
}

void TestDeviceProfile::importReadsTheWholeText()
{
    QFETCH(QByteArray, contents);
    const QString path = m_dir->path() + QStringLiteral("/in.txt");
    QVERIFY(SessionTestDir::write(path, contents));
    DeviceProfile profile;
    profile.importTabs(path);
    QCOMPARE(profile.getInfo(), QString::fromUtf8(contents));
}

void TestDeviceProfile::importOfAnUnreadableFileLeavesNoText()
{
    const QString path = m_dir->path() + QStringLiteral("/good.txt");
    QVERIFY(SessionTestDir::write(path, ThreeTabs.toUtf8()));
    DeviceProfile profile;
    profile.importTabs(path);
    QCOMPARE(profile.getInfo(), ThreeTabs);
    // The text read before must not come back as if it were the new file's.
    profile.importTabs(m_dir->path() + QStringLiteral("/missing.txt"));
    QCOMPARE(profile.getInfo(), QString());
    profile.importTabs(path);
    profile.importTabs(m_dir->path());
    QCOMPARE(profile.getInfo(), QString());
}

void TestDeviceProfile::importOfAnOversizedFileLeavesNoText()
{
    const QString path = m_dir->path() + QStringLiteral("/huge.txt");
    QByteArray big;
    while (big.size() <= DeviceProfile::MaxFileSize)
        big += ThreeTabs.toUtf8();
    QVERIFY(SessionTestDir::write(path, big));
    DeviceProfile profile;
    profile.importTabs(path);
    QCOMPARE(profile.getInfo(), QString());
}

void TestDeviceProfile::roundTripKeepsNonAsciiNames()
{
    const QString text = QString::fromUtf8("MONITOR/Bühne Süd/127.0.0.2/light,CUBRIX/Étalonnage/127.0.0.1/dark,");
    const QString path = m_dir->path() + QStringLiteral("/utf8.txt");
    DeviceProfile writer;
    QVERIFY(writer.exportTabs(QString(), path, text));
    QVERIFY(SessionTestDir::readAll(path).startsWith("MONITOR/B\xc3\xbchne"));
    DeviceProfile reader;
    reader.importTabs(path);
    QCOMPARE(reader.getInfo(), text);
}

void TestDeviceProfile::themeIsStoredAndReadBack()
{
    DeviceProfile profile;
    QTest::ignoreMessage(QtDebugMsg, "\"light\"");
    profile.changeMode(QStringLiteral("light"));
    QCOMPARE(profile.getMoreInfo(), QStringLiteral("light"));
    profile.getMode(QStringLiteral("dark"));
    QCOMPARE(profile.getMoreInfo(), QStringLiteral("light"));
    profile.changeMode(QStringLiteral("dark"));
    QCOMPARE(profile.getMoreInfo(), QStringLiteral("dark"));
}

QTEST_GUILESS_MAIN(TestDeviceProfile)
#include "tst_deviceprofile.moc"
