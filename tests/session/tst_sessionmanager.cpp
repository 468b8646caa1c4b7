// The saved-tabs list: where it lies, its line format, renumbering, the mode rule, theme-only
// replacement, short and long lines, and that a failed write keeps the previous list.
#include "session/sessionmanager.h"
#include "sessiontestdir.h"

#include <QDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

namespace {
using Record = SessionManager::TabRecord;

// Three tabs as the window records them.
void addThree(SessionManager &sessions)
{
    sessions.addTab(0, QStringLiteral("CUBRIX"), QStringLiteral("127.0.0.1"), QStringLiteral("Grading"), QStringLiteral("dark"));
    sessions.addTab(1, QStringLiteral("MONITOR"), QStringLiteral("127.0.0.2"), QStringLiteral("Hero"), QStringLiteral("dark"));
    sessions.addTab(2, QStringLiteral("MONITOR"), QStringLiteral("127.0.0.3"), QStringLiteral("Client"), QStringLiteral("dark"));
}

QList<int> indexes(const SessionManager &sessions)
{
    QList<int> result;
    for (const Record &record : sessions.records())
        result << record.index;
    return result;
}

// Limits the size of files this process may write, for one scope.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool isActive() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};
} // namespace

class TestSessionManager : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void fileLiesBesideTheDataDirectory();
    void addTabWritesOneLinePerRecord();
    void modeIsWrittenAsDarkUnlessKnown_data();
    void modeIsWrittenAsDarkUnlessKnown();
    void removeMiddleTabRenumbers();
    void removeOnlyTabKeepsTheOldFile();
    void removeUnknownIndexKeepsRecords();
    void noRecordsWritesNothing();
    void readRenumbersByLinePosition();
    void readFieldCounts_data();
    void readFieldCounts();
    void readSkipsShortLines();
    void readMissingOrEmptyFileChangesNothing_data();
    void readMissingOrEmptyFileChangesNothing();
    void readOversizedFileIsIgnored();
    void readStopsAtMaxRecords();
    void replaceTabThemeOnly();
    void replaceTabUpdatesOneRecordAndEveryMode();
    void savedTabsCsvLeavesTheFileAlone();
    void failedWriteKeepsThePreviousList();
    void replaceLeavesNoTemporaryFiles();
    void saveReportsAnUnwritablePlace();
    void changeModeStoresTheTheme();
    void roundTripKeepsNonAsciiNames();
    void lineBreaksInFieldsStayOnOneLine();

private:
    std::unique_ptr<SessionTestDir> m_dir;
};

void TestSessionManager::init()
{
    m_dir = std::make_unique<SessionTestDir>();
    QVERIFY(m_dir->isValid());
}

void TestSessionManager::cleanup()
{
    m_dir.reset();
}

void TestSessionManager::fileLiesBesideTheDataDirectory()
{
    QVERIFY(!QFileInfo::exists(m_dir->dataDirPath()));
    SessionManager sessions;
    QVERIFY2(QFileInfo(m_dir->dataDirPath()).isDir(), "the data directory is created with its parents");
    QCOMPARE(sessions.filePath(), m_dir->savedTabsPath());

    sessions.addTab(0, QStringLiteral("CUBRIX"), QStringLiteral("127.0.0.1"), QStringLiteral("Box"), QStringLiteral("dark"));
    QVERIFY(QFileInfo::exists(m_dir->savedTabsPath()));
    QVERIFY(!QFileInfo::exists(m_dir->dataDirPath() + QStringLiteral("/savedTabs.conf")));

    // A file left there by an earlier run is found by the same rule.
    SessionManager later;
    QVERIFY(later.readFromDisk());
    QCOMPARE(later.records().size(), 1);
    QCOMPARE(later.records().at(0).name, QStringLiteral("Box"));
}

void TestSessionManager::addTabWritesOneLinePerRecord()
{
    SessionManager sessions;
    addThree(sessions);
    QCOMPARE(SessionTestDir::readAll(m_dir->savedTabsPath()),
             QByteArray("0,CUBRIX,127.0.0.1,Grading,dark\n"
                        "1,MONITOR,127.0.0.2,Hero,dark\n"
                        "2,MONITOR,127.0.0.3,Client,dark\n"));
    // The index is stored as given, even when it does not match the position.
    sessions.addTab(9, QStringLiteral("CUBRIX"), QStringLiteral("127.0.0.4"), QStringLiteral("Spare"), QStringLiteral("light"));
    QVERIFY(SessionTestDir::readAll(m_dir->savedTabsPath()).endsWith("\n9,CUBRIX,127.0.0.4,Spare,light\n"));
}

void TestSessionManager::modeIsWrittenAsDarkUnlessKnown_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("written");
    QTest::newRow("dark") << "dark" << "dark";
    QTest::newRow("light") << "light" << "light";
    QTest::newRow("capital Light") << "Light" << "dark";
    QTest::newRow("upper-case LIGHT") << "LIGHT" << "dark";
    QTest::newRow("trailing space") << "light " << "dark";
    QTest::newRow("empty") << "" << "dark";
    QTest::newRow("other word") << "blue" << "dark";
}

void TestSessionManager::modeIsWrittenAsDarkUnlessKnown()
{
    QFETCH(QString, mode);
    QFETCH(QString, written);
    SessionManager sessions;
    sessions.addTab(0, QStringLiteral("MONITOR"), QStringLiteral("127.0.0.2"), QStringLiteral("Hero"), mode);
    QCOMPARE(SessionTestDir::readAll(m_dir->savedTabsPath()),
             QStringLiteral("0,MONITOR,127.0.0.2,Hero,%1\n").arg(written).toUtf8());
    QCOMPARE(sessions.getSavedTabsCSV(), QStringList{QStringLiteral("0,MONITOR,127.0.0.2,Hero,%1").arg(written)});
    // The record itself keeps what it was given.
    QCOMPARE(sessions.records().at(0).mode, mode);
}

void TestSessionManager::removeMiddleTabRenumbers()
{
    SessionManager sessions;
    addThree(sessions);
    sessions.removeTab(1);
    QCOMPARE(indexes(sessions), (QList<int>{0, 1}));
    QCOMPARE(sessions.records().at(1).name, QStringLiteral("Client"));
    QCOMPARE(SessionTestDir::readAll(m_dir->savedTabsPath()),
             QByteArray("0,CUBRIX,127.0.0.1,Grading,dark\n"
                        "1,MONITOR,127.0.0.3,Client,dark\n"));
}

void TestSessionManager::removeOnlyTabKeepsTheOldFile()
{
    SessionManager sessions;
    sessions.addTab(0, QStringLiteral("CUBRIX"), QStringLiteral("127.0.0.1"), QStringLiteral("Box"), QStringLiteral("light"));
    const QByteArray before = SessionTestDir::readAll(m_dir->savedTabsPath());
    QCOMPARE(before, QByteArray("0,CUBRIX,127.0.0.1,Box,light\n"));
    sessions.removeTab(0);
    QVERIFY(sessions.records().isEmpty());
    QCOMPARE(SessionTestDir::readAll(m_dir->savedTabsPath()), before);
}

void TestSessionManager::removeUnknownIndexKeepsRecords()
{
    SessionManager sessions;
    addThree(sessions);
    sessions.removeTab(7);
    QCOMPARE(indexes(sessions), (QList<int>{0, 1, 2}));
    QCOMPARE(sessions.getSavedTabsCSV().size(), 3);
}

void TestSessionManager::noRecordsWritesNothing()
{
    SessionManager sessions;
    QVERIFY(!sessions.saveToDisk());
    QVERIFY(!QFileInfo::exists(m_dir->savedTabsPath()));

    // Nor is a file that is there deleted.
    QVERIFY(SessionTestDir::write(m_dir->savedTabsPath(), "0,CUBRIX,127.0.0.1,Box,dark\n"));
    QVERIFY(!sessions.saveToDisk());
    QCOMPARE(SessionTestDir::readAll(m_dir->savedTabsPath()), QByteArray("0,CUBRIX,127.0.0.1,Box,dark\n"));
}

void TestSessionManager::readRenumbersByLinePosition()
{
    SessionManager sessions;
    QVERIFY(SessionTestDir::write(m_dir->savedTabsPath(),
                                  "7,CUBRIX,127.0.0.1,Grading,light\n"
                                  "9,MONITOR,127.0.0.2,Hero,light\n"));
    QVERIFY(sessions.readFromDisk());
    QCOMPARE(indexes(sessions), (QList<int>{0, 1}));
    QCOMPARE(sessions.records().at(0).type, QStringLiteral("CUBRIX"));
    QCOMPARE(sessions.records().at(1).ip, QStringLiteral("127.0.0.2"));
    QCOMPARE(sessions.records().at(1).name, QStringLiteral("Hero"));
    QCOMPARE(sessions.records().at(1).mode, QStringLiteral("light"));
    QCOMPARE(SessionTestDir::readAll(m_dir->savedTabsPath()),
             QByteArray("0,CUBRIX,127.0.0.1,Grading,light\n"
                        "1,MONITOR,127.0.0.2,Hero,light\n"));
}

void TestSessionManager::readFieldCounts_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QByteArray>("rewritten");

    QTest::newRow("five fields") << QByteArray("3,MONITOR,127.0.0.2,Hero,light\n") << "MONITOR" << "127.0.0.2"
                                 << "Hero" << "light" << QByteArray("0,MONITOR,127.0.0.2,Hero,light\n");
    // A comma in the name gives six fields: the mode is taken from the name field.
    QTest::newRow("six fields") << QByteArray("0,CUBRIX,127.0.0.1,Grade,One,dark\n") << "CUBRIX" << "127.0.0.1"
                                << "Grade" << "Grade" << QByteArray("0,CUBRIX,127.0.0.1,Grade,dark\n");
    QTest::newRow("six fields, name light") << QByteArray("0,CUBRIX,127.0.0.1,light,x,dark\n") << "CUBRIX"
                                            << "127.0.0.1" << "light" << "light"
                                            << QByteArray("0,CUBRIX,127.0.0.1,light,light\n");
    QTest::newRow("four fields") << QByteArray("0,MONITOR,127.0.0.2,Hero\n") << "MONITOR" << "127.0.0.2" << "Hero"
                                 << "Hero" << QByteArray("0,MONITOR,127.0.0.2,Hero,dark\n");
    QTest::newRow("empty fields kept") << QByteArray("0,CUBRIX,,,\n") << "CUBRIX" << "" << "" << ""
                                       << QByteArray("0,CUBRIX,,,dark\n");
    QTest::newRow("carriage return") << QByteArray("0,CUBRIX,127.0.0.1,Box,light\r\n") << "CUBRIX" << "127.0.0.1"
                                     << "Box" << "light" << QByteArray("0,CUBRIX,127.0.0.1,Box,light\n");
    QTest::newRow("no final line end") << QByteArray("0,CUBRIX,127.0.0.1,Box,light") << "CUBRIX" << "127.0.0.1"
                                       << "Box" << "light" << QByteArray("0,CUBRIX,127.0.0.1,Box,light\n");
}

void TestSessionManager::readFieldCounts()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, type);
    QFETCH(QString, ip);
    QFETCH(QString, name);
    QFETCH(QString, mode);
    QFETCH(QByteArray, rewritten);

    SessionManager sessions;
    QVERIFY(SessionTestDir::write(m_dir->savedTabsPath(), line));
    QVERIFY(sessions.readFromDisk());
    QCOMPARE(sessions.records().size(), 1);
    const Record &record = sessions.records().at(0);
    QCOMPARE(int(record.index), 0);
    QCOMPARE(record.type, type);
    QCOMPARE(record.ip, ip);
    QCOMPARE(record.name, name);
    QCOMPARE(record.mode, mode);
    QCOMPARE(SessionTestDir::readAll(m_dir->savedTabsPath()), rewritten);
}

void TestSessionManager::readSkipsShortLines()
{
    SessionManager sessions;
    QVERIFY(SessionTestDir::write(m_dir->savedTabsPath(),
                                  "0,CUBRIX,127.0.0.1,Grading,dark\n"
                                  "\n"
                                  "1,MONITOR\n"
                                  "2,MONITOR,127.0.0.2\n"
                                  "3,MONITOR,127.0.0.3,Client,dark\n"));
    QVERIFY(sessions.readFromDisk());
    QCOMPARE(indexes(sessions), (QList<int>{0, 1}));
    QCOMPARE(sessions.records().at(1).name, QStringLiteral("Client"));
    QCOMPARE(SessionTestDir::readAll(m_dir->savedTabsPath()),
             QByteArray("0,CUBRIX,127.0.0.1,Grading,dark\n"
                        "1,MONITOR,127.0.0.3,Client,dark\n"));

    // Nothing but short lines: no tabs, and the file is not rewritten.
    const QByteArray junk("\n\nCUBRIX\n");
    QVERIFY(SessionTestDir::write(m_dir->savedTabsPath(), junk));
    QVERIFY(!sessions.readFromDisk());
    QVERIFY(sessions.records().isEmpty());
    QCOMPARE(SessionTestDir::readAll(m_dir->savedTabsPath()), junk);
}

void TestSessionManager::readMissingOrEmptyFileChangesNothing_data()
{
    QTest::addColumn<bool>("createEmpty");
    QTest::newRow("missing") << false;
    QTest::newRow("empty") << true;
}

void TestSessionManager::readMissingOrEmptyFileChangesNothing()
{
    QFETCH(bool, createEmpty);
    SessionManager sessions;
    QVERIFY(!sessions.readFromDisk());
    QVERIFY(sessions.records().isEmpty());

    addThree(sessions);
    QFile::remove(m_dir->savedTabsPath());
    if (createEmpty)
        QVERIFY(SessionTestDir::write(m_dir->savedTabsPath(), QByteArray()));
    QVERIFY(!sessions.readFromDisk());
    QCOMPARE(indexes(sessions), (QList<int>{0, 1, 2}));
    QCOMPARE(QFileInfo::exists(m_dir->savedTabsPath()), createEmpty);
    if (createEmpty)
        QCOMPARE(QFileInfo(m_dir->savedTabsPath()).size(), 0);
}

void TestSessionManager::readOversizedFileIsIgnored()
{
    SessionManager sessions;
    QByteArray big;
    const QByteArray line("0,CUBRIX,127.0.0.1,Grading,dark\n");
    while (big.size() <= SessionManager::MaxFileSize)
        big += line;
    QVERIFY(SessionTestDir::write(m_dir->savedTabsPath(), big));
    QVERIFY(!sessions.readFromDisk());
    QVERIFY(sessions.records().isEmpty());
    QCOMPARE(QFileInfo(m_dir->savedTabsPath()).size(), qint64(big.size()));
}

void TestSessionManager::readStopsAtMaxRecords()
{
    SessionManager sessions;
    QByteArray text;
    for (int i = 0; i < 300; ++i)
        text += QStringLiteral("%1,MONITOR,127.0.0.2,M%1,dark\n").arg(i).toUtf8();
    QVERIFY(SessionTestDir::write(m_dir->savedTabsPath(), text));
    QSignalSpy notice(&sessions, &SessionManager::setAsideNoticeChanged);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("SessionManager: 44 saved tab"));
    QVERIFY(sessions.readFromDisk());
    QCOMPARE(sessions.records().size(), 256);
    QCOMPARE(int(sessions.records().last().index), 255);
    QCOMPARE(sessions.records().last().name, QStringLiteral("M255"));
    // The 44 tabs the window does not open are kept, untouched, beside the rewritten list.
    const QStringList copies = QDir(QFileInfo(m_dir->savedTabsPath()).path())
                                   .entryList({QStringLiteral("BrevantosavedTabs.conf.*.bak")}, QDir::Files);
    QCOMPARE(copies.size(), 1);
    const QString copy = QFileInfo(m_dir->savedTabsPath()).path() + QLatin1Char('/') + copies.first();
    QCOMPARE(SessionTestDir::readAll(copy), text);
    QCOMPARE(notice.size(), 1);
    QVERIFY(sessions.setAsideNotice().contains(QStringLiteral("44")));
    QVERIFY(sessions.setAsideNotice().contains(QDir::toNativeSeparators(copy)));
    QCOMPARE(SessionTestDir::readAll(m_dir->savedTabsPath()).count('\n'), 256);
}

void TestSessionManager::replaceTabThemeOnly()
{
    SessionManager sessions;
    addThree(sessions);
    sessions.replaceTab(50, QString(), QString(), QString(), QStringLiteral("light"));
    QCOMPARE(indexes(sessions), (QList<int>{0, 1, 2}));
    QCOMPARE(sessions.records().at(0).name, QStringLiteral("Grading"));
    QCOMPARE(sessions.records().at(2).type, QStringLiteral("MONITOR"));
    QCOMPARE(SessionTestDir::readAll(m_dir->savedTabsPath()),
             QByteArray("0,CUBRIX,127.0.0.1,Grading,light\n"
                        "1,MONITOR,127.0.0.2,Hero,light\n"
                        "2,MONITOR,127.0.0.3,Client,light\n"));
}

void TestSessionManager::replaceTabUpdatesOneRecordAndEveryMode()
{
    SessionManager sessions;
    addThree(sessions);
    sessions.replaceTab(1, QStringLiteral("CUBRIX"), QStringLiteral("127.0.0.9"), QStringLiteral("Renamed"),
                        QStringLiteral("light"));
    QCOMPARE(SessionTestDir::readAll(m_dir->savedTabsPath()),
             QByteArray("0,CUBRIX,127.0.0.1,Grading,light\n"
                        "1,CUBRIX,127.0.0.9,Renamed,light\n"
                        "2,MONITOR,127.0.0.3,Client,light\n"));
    // The same values again change nothing.
    sessions.replaceTab(1, QStringLiteral("CUBRIX"), QStringLiteral("127.0.0.9"), QStringLiteral("Renamed"),
                        QStringLiteral("light"));
    QCOMPARE(sessions.getSavedTabsCSV().at(1), QStringLiteral("1,CUBRIX,127.0.0.9,Renamed,light"));
}

void TestSessionManager::savedTabsCsvLeavesTheFileAlone()
{
    SessionManager sessions;
    addThree(sessions);
    sessions.addTab(3, QStringLiteral("CUBRIX"), QStringLiteral("127.0.0.4"), QStringLiteral("Odd"), QStringLiteral("Light"));
    QVERIFY(QFile::remove(m_dir->savedTabsPath()));
    QCOMPARE(sessions.getSavedTabsCSV(), (QStringList{QStringLiteral("0,CUBRIX,127.0.0.1,Grading,dark"),
                                                      QStringLiteral("1,MONITOR,127.0.0.2,Hero,dark"),
                                                      QStringLiteral("2,MONITOR,127.0.0.3,Client,dark"),
                                                      QStringLiteral("3,CUBRIX,127.0.0.4,Odd,dark")}));
    QVERIFY(!QFileInfo::exists(m_dir->savedTabsPath()));
}

void TestSessionManager::failedWriteKeepsThePreviousList()
{
    SessionManager sessions;
    sessions.addTab(0, QStringLiteral("CUBRIX"), QStringLiteral("127.0.0.1"), QStringLiteral("Box"), QStringLiteral("dark"));
    const QByteArray before = SessionTestDir::readAll(m_dir->savedTabsPath());
    QCOMPARE(before.size(), 28);

    // The disk "fills up" after 40 bytes: the new list (about 90 bytes) cannot be written whole.
    {
        FileSizeLimit limit(40);
        QVERIFY(limit.isActive());
        sessions.addTab(1, QStringLiteral("MONITOR"), QStringLiteral("127.0.0.2"), QStringLiteral("Hero"), QStringLiteral("dark"));
        QVERIFY(!sessions.saveToDisk());
    }
    QCOMPARE(SessionTestDir::readAll(m_dir->savedTabsPath()), before);
    QVERIFY(sessions.saveToDisk());
    QCOMPARE(SessionTestDir::readAll(m_dir->savedTabsPath()),
             QByteArray("0,CUBRIX,127.0.0.1,Box,dark\n1,MONITOR,127.0.0.2,Hero,dark\n"));
}

void TestSessionManager::replaceLeavesNoTemporaryFiles()
{
    SessionManager sessions;
    addThree(sessions);
    {
        FileSizeLimit limit(10);
        QVERIFY(limit.isActive());
        QVERIFY(!sessions.saveToDisk());
    }
    sessions.removeTab(0);
    QDir parent(m_dir->path() + QStringLiteral("/Tarnwick"));
    QCOMPARE(parent.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             (QStringList{QStringLiteral("Brevanto"), QStringLiteral("BrevantosavedTabs.conf")}));
}

void TestSessionManager::saveReportsAnUnwritablePlace()
{
    SessionManager sessions;
    // A directory where the file should be: nothing can be written there.
    QVERIFY(QDir().mkpath(m_dir->savedTabsPath()));
    sessions.addTab(0, QStringLiteral("CUBRIX"), QStringLiteral("127.0.0.1"), QStringLiteral("Box"), QStringLiteral("dark"));
    QVERIFY(!sessions.saveToDisk());
    QVERIFY(QFileInfo(m_dir->savedTabsPath()).isDir());
    QCOMPARE(sessions.records().size(), 1);
}

void TestSessionManager::changeModeStoresTheTheme()
{
    SessionManager sessions;
    QCOMPARE(sessions.mode(), QStringLiteral("dark"));
    sessions.changeMode(QStringLiteral("light"));
    QCOMPARE(sessions.mode(), QStringLiteral("light"));
    // Only stored: no file is written for it.
    QVERIFY(!QFileInfo::exists(m_dir->savedTabsPath()));
}

void TestSessionManager::roundTripKeepsNonAsciiNames()
{
    {
        SessionManager sessions;
        sessions.addTab(0, QStringLiteral("MONITOR"), QStringLiteral("127.0.0.2"), QString::fromUtf8("Bühne Süd"),
                        QStringLiteral("light"));
    }
    QCOMPARE(SessionTestDir::readAll(m_dir->savedTabsPath()), QByteArray("0,MONITOR,127.0.0.2,B\xc3\xbchne S\xc3\xbc" "d,light\n"));
    SessionManager later;
    QVERIFY(later.readFromDisk());
    QCOMPARE(later.records().at(0).name, QString::fromUtf8("Bühne Süd"));
}

void TestSessionManager::lineBreaksInFieldsStayOnOneLine()
{
    // An imported profile can carry line breaks inside a name or an address.
    SessionManager sessions;
    sessions.addTab(0, QStringLiteral("CUBRIX"), QStringLiteral("127.0.0.1\r\n"), QStringLiteral("Stage\nLeft"),
                    QStringLiteral("dark"));
    sessions.addTab(1, QStringLiteral("MONITOR"), QStringLiteral("127.0.0.2"), QStringLiteral("Hero"), QStringLiteral("dark"));
    QCOMPARE(SessionTestDir::readAll(m_dir->savedTabsPath()),
             QByteArray("0,CUBRIX,127.0.0.1  ,Stage Left,dark\n"
                        "1,MONITOR,127.0.0.2,Hero,dark\n"));
    SessionManager later;
    QVERIFY(later.readFromDisk());
    QCOMPARE(later.records().size(), 2);
    QCOMPARE(later.records().at(1).name, QStringLiteral("Hero"));
}

QTEST_GUILESS_MAIN(TestSessionManager)
#include "tst_sessionmanager.moc"
