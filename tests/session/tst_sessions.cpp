// The saved-tabs list (where it lies, its lines, renumbering, the theme rule, reading short and
// long lines back, writes that fail keeping the previous list) and profile files.
#include "session/deviceprofile.h"
#include "session/sessionmanager.h"
#include "debuglines.h"
#include "filesizelimit.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("none");
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

const QString Three = QStringLiteral("add 0,CUBRIX,127.0.0.1,Grading,dark;add 1,MONITOR,127.0.0.2,Hero,dark;"
                                     "add 2,MONITOR,127.0.0.3,Client,dark");
const QByteArray ThreeLines = "0,CUBRIX,127.0.0.1,Grading,dark\n1,MONITOR,127.0.0.2,Hero,dark\n2,MONITOR,127.0.0.3,Client,dark\n";
} // namespace

class TestSessions : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick"));
        QCoreApplication::setApplicationName(QStringLiteral("Brevanto"));
        qputenv("XDG_DATA_HOME", m_dir->path().toUtf8());
    }

    void tabs_data()
    {
        // Steps: "add|replace i,type,ip,name,mode", "remove i", "read 1|0" (what it returns), "save 0",
        // "delete" (the file), "empty" (the file).
        QTest::addColumn<QByteArray>("before"); // the file, "none" for none
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("records");   // as held, "|" between them
        QTest::addColumn<QByteArray>("after");
        const QString three = QString::fromLatin1(ThreeLines).trimmed().replace('\n', '|');
        QTest::newRow("add three") << QByteArray("none") << Three << three << ThreeLines;
        QTest::newRow("index as given") << QByteArray("none") << "add 9,CUBRIX,127.0.0.4,Spare,light" << "9,CUBRIX,127.0.0.4,Spare,light"
                                        << QByteArray("9,CUBRIX,127.0.0.4,Spare,light\n");
        QTest::newRow("theme other than dark or light written as dark")
            << QByteArray("none") << "add 0,A,,Light,Light;add 1,B,,x,LIGHT;add 2,C,,y,light ;add 3,D,,z,;add 4,E,,w,blue"
            << "0,A,,Light,Light|1,B,,x,LIGHT|2,C,,y,light |3,D,,z,|4,E,,w,blue" << QByteArray("0,A,,Light,dark\n1,B,,x,dark\n2,C,,y,dark\n3,D,,z,dark\n4,E,,w,dark\n");
        QTest::newRow("remove renumbers") << QByteArray("none") << Three + ";remove 1"
                                          << "0,CUBRIX,127.0.0.1,Grading,dark|1,MONITOR,127.0.0.3,Client,dark"
                                          << QByteArray("0,CUBRIX,127.0.0.1,Grading,dark\n1,MONITOR,127.0.0.3,Client,dark\n");
        QTest::newRow("remove the only one keeps the file") << QByteArray("none") << "add 0,CUBRIX,127.0.0.1,Box,light;remove 0" << ""
                                                            << QByteArray("0,CUBRIX,127.0.0.1,Box,light\n");
        QTest::newRow("nothing to save") << QByteArray("none") << "save 0" << "" << QByteArray("none");
        QTest::newRow("nothing to save keeps a file") << QByteArray("x\n") << "save 0" << "" << QByteArray("x\n");
        QTest::newRow("theme only") << QByteArray("none") << Three + ";replace 50,,,,light"
                                    << QString(three).replace("dark", "light") << QByteArray(ThreeLines).replace("dark", "light");
        QTest::newRow("replace one, and every theme") << QByteArray("none") << Three + ";replace 1,CUBRIX,127.0.0.9,Renamed,light"
            << "0,CUBRIX,127.0.0.1,Grading,light|1,CUBRIX,127.0.0.9,Renamed,light|2,MONITOR,127.0.0.3,Client,light"
            << QByteArray("0,CUBRIX,127.0.0.1,Grading,light\n1,CUBRIX,127.0.0.9,Renamed,light\n2,MONITOR,127.0.0.3,Client,light\n");
        QTest::newRow("line breaks in fields stay on one line") << QByteArray("none") << "add 0,CUBRIX,127.0.0.1\r\n,Stage\nLeft,dark;read 1"
            << "0,CUBRIX,127.0.0.1  ,Stage Left,dark" << QByteArray("0,CUBRIX,127.0.0.1  ,Stage Left,dark\n");
        QTest::newRow("UTF-8") << QByteArray("none") << QStringLiteral("add 0,MONITOR,127.0.0.2,Bühne Süd,light;read 1")
                               << QStringLiteral("0,MONITOR,127.0.0.2,Bühne Süd,light") << QByteArray("0,MONITOR,127.0.0.2,B\xc3\xbchne S\xc3\xbc" "d,light\n");
        // Reading: records numbered by line, five fields as they are, others with the name as theme,
        // short lines (fewer than four fields) skipped; the list is written back normalised.
        QTest::newRow("read renumbers") << QByteArray("7,CUBRIX,127.0.0.1,Grading,light\n9,MONITOR,127.0.0.2,Hero,light\n") << "read 1"
            << "0,CUBRIX,127.0.0.1,Grading,light|1,MONITOR,127.0.0.2,Hero,light" << QByteArray("0,CUBRIX,127.0.0.1,Grading,light\n1,MONITOR,127.0.0.2,Hero,light\n");
        QTest::newRow("read six, four and empty fields") << QByteArray("0,CUBRIX,127.0.0.1,light,x,dark\n0,MONITOR,127.0.0.2,Hero\n0,A,,,\r\n")
            << "read 1" << "0,CUBRIX,127.0.0.1,light,light|1,MONITOR,127.0.0.2,Hero,Hero|2,A,,,"
            << QByteArray("0,CUBRIX,127.0.0.1,light,light\n1,MONITOR,127.0.0.2,Hero,dark\n2,A,,,dark\n");
        QTest::newRow("read skips short lines") << QByteArray("0,CUBRIX,127.0.0.1,Box,dark\n\n1,MONITOR\n2,MONITOR,127.0.0.2\n3,MONITOR,127.0.0.3,Client,dark\n")
            << "read 1" << "0,CUBRIX,127.0.0.1,Box,dark|1,MONITOR,127.0.0.3,Client,dark"
            << QByteArray("0,CUBRIX,127.0.0.1,Box,dark\n1,MONITOR,127.0.0.3,Client,dark\n");
        QTest::newRow("read only short lines") << QByteArray("\n\nCUBRIX\n") << "read 0" << "" << QByteArray("\n\nCUBRIX\n");
        QTest::newRow("read a missing file") << QByteArray("none") << Three + ";delete;read 0" << three << QByteArray("none");
        QTest::newRow("read an empty file") << QByteArray("none") << Three + ";empty;read 0" << three << QByteArray();
    }

    void tabs()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, steps);
        QVERIFY(before == "none" || (QDir().mkpath(QFileInfo(savedTabs()).path()) && write(savedTabs(), before)));
        SessionManager sessions;
        for (const QString &step : steps.split(';')) {
            const QString verb = step.section(' ', 0, 0);
            const QStringList fields = step.section(' ', 1).split(',');
            if (verb == QLatin1String("add") || verb == QLatin1String("replace"))
                (sessions.*(verb == QLatin1String("add") ? &SessionManager::addTab : &SessionManager::replaceTab))(
                    uchar(fields[0].toInt()), fields[1], fields[2], fields[3], fields[4]);
            else if (verb == QLatin1String("remove"))
                sessions.removeTab(uchar(fields[0].toInt()));
            else if (verb == QLatin1String("read") || verb == QLatin1String("save"))
                QCOMPARE(verb == QLatin1String("read") ? sessions.readFromDisk() : sessions.saveToDisk(), fields[0] == QLatin1String("1"));
            else
                QVERIFY(verb == QLatin1String("delete") ? QFile::remove(savedTabs()) : write(savedTabs(), QByteArray()));
        }
        QStringList records;
        for (const SessionManager::TabRecord &r : sessions.records())
            records << QStringList{QString::number(r.index), r.type, r.ip, r.name, r.mode}.join(',');
        QTEST(records.join('|'), "records");
        QTEST(readAll(savedTabs()), "after");
    }

    void listLiesBesideTheDataFolder()
    {
        // The data folder is made with its parents; the list lies beside it, its name glued on.
        const QString dataFolder = m_dir->path() + QStringLiteral("/Tarnwick/Brevanto");
        QVERIFY(!QFileInfo::exists(dataFolder));
        SessionManager sessions;
        QVERIFY(QFileInfo(dataFolder).isDir() && sessions.filePath() == savedTabs());
        sessions.addTab(0, QStringLiteral("CUBRIX"), QStringLiteral("127.0.0.1"), QStringLiteral("Box"), QStringLiteral("Light"));
        QVERIFY(QFileInfo::exists(savedTabs()) && !QFileInfo::exists(dataFolder + QStringLiteral("/savedTabs.conf")));
        SessionManager later;
        QVERIFY(later.readFromDisk() && later.records().at(0).name == QLatin1String("Box"));
        // The lines the window restores from, without touching the file; the theme only stored.
        QVERIFY(QFile::remove(savedTabs()));
        QCOMPARE(sessions.getSavedTabsCSV(), QStringList{QStringLiteral("0,CUBRIX,127.0.0.1,Box,dark")});
        sessions.changeMode(QStringLiteral("light"));
        QCOMPARE(sessions.mode(), QStringLiteral("light"));
        QVERIFY(!QFileInfo::exists(savedTabs()));
    }

    void readingIsBounded()
    {
        // A file over the size limit is no list; only 256 records (the 8-bit indexes) are opened, and
        // the whole list is kept beside the rewritten one.
        SessionManager sessions;
        QByteArray text;
        while (text.size() <= SessionManager::MaxFileSize)
            text += "0,CUBRIX,127.0.0.1,Grading,dark\n";
        QVERIFY(write(savedTabs(), text) && !sessions.readFromDisk() && sessions.records().isEmpty() && readAll(savedTabs()) == text);
        text.clear();
        for (int i = 0; i < 300; ++i)
            text += QStringLiteral("%1,MONITOR,127.0.0.2,M%1,dark\n").arg(i).toUtf8();
        QVERIFY(write(savedTabs(), text));
        QSignalSpy notice(&sessions, &SessionManager::setAsideNoticeChanged);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("SessionManager: 44 saved tab"));
        QVERIFY(sessions.readFromDisk() && sessions.records().size() == 256 && sessions.records().last().name == QLatin1String("M255"));
        QCOMPARE(readAll(savedTabs()).count('\n'), 256);
        const QStringList copies = QDir(QFileInfo(savedTabs()).path()).entryList({QStringLiteral("BrevantosavedTabs.conf.*.bak")});
        QCOMPARE(copies.size(), 1);
        QCOMPARE(readAll(QFileInfo(savedTabs()).path() + '/' + copies[0]), text);
        QVERIFY(notice.size() == 1 && sessions.setAsideNotice().contains(QStringLiteral("44")) && sessions.setAsideNotice().contains(copies[0]));
    }

    void failedWritesKeepThePreviousList()
    {
        SessionManager sessions;
        sessions.addTab(0, QStringLiteral("CUBRIX"), QStringLiteral("127.0.0.1"), QStringLiteral("Box"), QStringLiteral("dark"));
        {
            // The disk "fills up" after 40 bytes: the new list cannot be written whole.
            FileSizeLimit limit(40);
            QVERIFY(limit.active());
            sessions.addTab(1, QStringLiteral("MONITOR"), QStringLiteral("127.0.0.2"), QStringLiteral("Hero"), QStringLiteral("dark"));
            QVERIFY(!sessions.saveToDisk());
        }
        QCOMPARE(readAll(savedTabs()), QByteArray("0,CUBRIX,127.0.0.1,Box,dark\n"));
        QCOMPARE(QDir(QFileInfo(savedTabs()).path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 (QStringList{QStringLiteral("Brevanto"), QStringLiteral("BrevantosavedTabs.conf")}));
        QVERIFY(sessions.saveToDisk());
        QCOMPARE(readAll(savedTabs()), QByteArray("0,CUBRIX,127.0.0.1,Box,dark\n1,MONITOR,127.0.0.2,Hero,dark\n"));
        // A folder where the file should be: nothing can be written there.
        QVERIFY(QFile::remove(savedTabs()) && QDir().mkpath(savedTabs()));
        QVERIFY(!sessions.saveToDisk());
        QVERIFY(QFileInfo(savedTabs()).isDir());
    }

    void profiles()
    {
        // The text as the window builds it (type/name/address/theme, each ended by a comma), written
        // unchanged without a line end and read back whole, also in UTF-8.
        const QString text = QStringLiteral("CUBRIX/Étalonnage/127.0.0.1/dark,MONITOR/Bühne Süd/127.0.0.2/light,");
        const QString path = m_dir->path() + QStringLiteral("/profile.txt");
        DeviceProfile profile;
        QVERIFY(profile.getMoreInfo() == QLatin1String("dark") && profile.getInfo().isEmpty());
        DebugLines debug;
        QTest::ignoreMessage(QtDebugMsg, qPrintable(path + QStringLiteral(" Does not exist")));
        QVERIFY(profile.exportTabs(QStringLiteral("unused"), path, text) && readAll(path) == text.toUtf8());
        profile.importTabs(path);
        QCOMPARE(profile.getInfo(), text);
        QVERIFY(profile.exportTabs(QString(), path, QStringLiteral("MONITOR/Hero/127.0.0.2/dark,\n"))); // a longer file is cut
        QCOMPARE(readAll(path), QByteArray("MONITOR/Hero/127.0.0.2/dark,\n"));
        // What cannot be written is reported; a device that never ends is not read back for ever.
        QTest::ignoreMessage(QtDebugMsg, "Could not open file");
        QVERIFY(!profile.exportTabs(QString(), m_dir->path() + QStringLiteral("/no/folder.txt"), text));
        QVERIFY(!profile.exportTabs(QString(), QStringLiteral("/dev/full"), text));
        QVERIFY(profile.exportTabs(QString(), QStringLiteral("/dev/zero"), text));
        // A file that cannot be read (missing, a folder, too large) leaves no text behind.
        QByteArray big;
        while (big.size() <= DeviceProfile::MaxFileSize)
            big += text.toUtf8();
        QVERIFY(write(m_dir->path() + QStringLiteral("/big.txt"), big));
        for (const QString &unreadable : {QStringLiteral("/missing.txt"), QString(), QStringLiteral("/big.txt")}) {
            profile.importTabs(path);
            profile.importTabs(m_dir->path() + unreadable);
            QVERIFY(profile.getInfo().isEmpty());
        }
        QTest::ignoreMessage(QtDebugMsg, "\"light\"");
        profile.changeMode(QStringLiteral("light"));
        profile.getMode(QStringLiteral("dark"));
        QCOMPARE(profile.getMoreInfo(), QStringLiteral("light"));
    }

private:
    // The application-data location follows XDG_DATA_HOME: a fresh folder for every test.
    QString savedTabs() const { return m_dir->path() + QStringLiteral("/Tarnwick/BrevantosavedTabs.conf"); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestSessions)
#include "tst_sessions.moc"
