// The saved-tabs list (where it lies, its lines, renumbering, the theme rule, reading short and
// long lines back, writes that fail keeping the previous list) and profile files.
#include "session/deviceprofile.h"
#include "session/sessionmanager.h"
#include "logcapture.h"
#include "filesizelimit.h"
#include "processrun.h"

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
        // Steps: "add|replace i,type,ip,name,mode", "remove i", "read|save 1|0" (what it returns),
        // "full" (a save that fails part-way, as on a full disk), "delete|empty|folder" (the file).
        QTest::addColumn<QByteArray>("before"); // the file, "none" for none
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("records"); // as held, "|" between them
        QTest::addColumn<QByteArray>("after");
        const QByteArray none = "none", three = "0,CUBRIX,ip0,A,dark\n1,MONITOR,ip1,B,dark\n2,MONITOR,ip2,C,dark\n";
        const QString add = QStringLiteral("add 0,CUBRIX,ip0,A,dark;add 1,MONITOR,ip1,B,dark;add 2,MONITOR,ip2,C,dark"),
                      held = QString::fromLatin1(three).trimmed().replace('\n', '|');
        QTest::newRow("add, index as given") << none << add + ";add 9,CUBRIX,ip9,D,light" << held + "|9,CUBRIX,ip9,D,light" << three + "9,CUBRIX,ip9,D,light\n";
        QTest::newRow("theme other than dark or light written as dark") << none << "add 0,A,,x,Light;add 1,B,,y,light ;add 2,C,,z,"
                                                                        << "0,A,,x,Light|1,B,,y,light |2,C,,z," << QByteArray("0,A,,x,dark\n1,B,,y,dark\n2,C,,z,dark\n");
        QTest::newRow("remove renumbers") << none << add + ";remove 1" << "0,CUBRIX,ip0,A,dark|1,MONITOR,ip2,C,dark" << QByteArray("0,CUBRIX,ip0,A,dark\n1,MONITOR,ip2,C,dark\n");
        QTest::newRow("remove the only one keeps the file") << none << "add 0,CUBRIX,ip0,A,dark;remove 0" << "" << QByteArray("0,CUBRIX,ip0,A,dark\n");
        QTest::newRow("nothing to save") << none << "save 0" << "" << none;
        QTest::newRow("nothing to save keeps a file") << QByteArray("x\n") << "save 0" << "" << QByteArray("x\n");
        QTest::newRow("a failed write keeps the list") << none << add + ";full;save 1" << held << three;
        QTest::newRow("a folder in the way") << none << add + ";folder;save 0" << held << none;
        QTest::newRow("theme only") << none << add + ";replace 50,,,,light" << QString(held).replace("dark", "light") << QByteArray(three).replace("dark", "light");
        QTest::newRow("replace one, and every theme") << none << add + ";replace 1,CUBRIX,ip9,D,light"
                                                      << "0,CUBRIX,ip0,A,light|1,CUBRIX,ip9,D,light|2,MONITOR,ip2,C,light"
                                                      << QByteArray("0,CUBRIX,ip0,A,light\n1,CUBRIX,ip9,D,light\n2,MONITOR,ip2,C,light\n");
        QTest::newRow("line breaks in fields stay on one line") << none << "add 0,CUBRIX,ip\r\n,Stage\nLeft,dark;read 1" << "0,CUBRIX,ip  ,Stage Left,dark"
                                                                << QByteArray("0,CUBRIX,ip  ,Stage Left,dark\n");
        QTest::newRow("UTF-8") << none << QStringLiteral("add 0,MONITOR,ip,Bühne,light;read 1") << QStringLiteral("0,MONITOR,ip,Bühne,light")
                               << QByteArray("0,MONITOR,ip,B\xc3\xbchne,light\n");
        // Reading: records numbered by line, five fields as they are, others with the name as theme,
        // short lines (fewer than four fields) skipped; the list is written back normalised.
        QTest::newRow("read") << QByteArray("7,CUBRIX,ip0,A,light\n\n1,M\n2,M,ip\n9,MONITOR,ip1,light,x,dark\n0,MONITOR,ip2,B\n0,CUBRIX,,,\r\n") << "read 1"
                              << "0,CUBRIX,ip0,A,light|1,MONITOR,ip1,light,light|2,MONITOR,ip2,B,B|3,CUBRIX,,,"
                              << QByteArray("0,CUBRIX,ip0,A,light\n1,MONITOR,ip1,light,light\n2,MONITOR,ip2,B,dark\n3,CUBRIX,,,dark\n");
        QTest::newRow("read only short lines") << QByteArray("\n\nCUBRIX\n") << "read 0" << "" << QByteArray("\n\nCUBRIX\n");
        QTest::newRow("read a missing file") << none << add + ";delete;read 0" << held << none;
        QTest::newRow("read an empty file") << none << add + ";empty;read 0" << held << QByteArray();
    }

    void tabs()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, steps);
        QVERIFY(before == "none" || (QDir().mkpath(QFileInfo(savedTabs()).path()) && writeFile(savedTabs(), before)));
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
            else if (verb == QLatin1String("full")) {
                const QByteArray previous = readAll(savedTabs());
                FileSizeLimit limit(40);
                QVERIFY(limit.active() && !sessions.saveToDisk() && readAll(savedTabs()) == previous);
            } else {
                QVERIFY(QFile::remove(savedTabs()) || verb == QLatin1String("empty"));
                QVERIFY(verb == QLatin1String("delete") || (verb == QLatin1String("empty") ? writeFile(savedTabs(), "") : QDir().mkpath(savedTabs())));
            }
        }
        // Nothing but the data folder, the list and what was there before: no half-written copies.
        QVERIFY(QDir(QFileInfo(savedTabs()).path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size() <= 2);
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
        // A file over the size limit is no list; 256 records (8-bit indexes) are read, the rest set aside.
        SessionManager sessions;
        QByteArray text;
        while (text.size() <= SessionManager::MaxFileSize)
            text += "0,CUBRIX,127.0.0.1,Grading,dark\n";
        QVERIFY(writeFile(savedTabs(), text) && !sessions.readFromDisk() && sessions.records().isEmpty() && readAll(savedTabs()) == text);
        text.clear();
        for (int i = 0; i < 300; ++i)
            text += QStringLiteral("%1,MONITOR,127.0.0.2,M%1,dark\n").arg(i).toUtf8();
        QVERIFY(writeFile(savedTabs(), text));
        QSignalSpy notice(&sessions, &SessionManager::setAsideNoticeChanged);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("SessionManager: 44 saved tab"));
        QVERIFY(sessions.readFromDisk() && sessions.records().size() == 256 && sessions.records().last().name == QLatin1String("M255"));
        QCOMPARE(readAll(savedTabs()).count('\n'), 256);
        const QStringList copies = QDir(QFileInfo(savedTabs()).path()).entryList({QStringLiteral("BrevantosavedTabs.conf.*.bak")});
        QCOMPARE(copies.size(), 1);
        QCOMPARE(readAll(QFileInfo(savedTabs()).path() + '/' + copies[0]), text);
        QVERIFY(notice.size() == 1 && sessions.setAsideNotice().contains(QStringLiteral("44")) && sessions.setAsideNotice().contains(copies[0]));
    }

    void profiles()
    {
        // The text as the window builds it, written unchanged without a line end and read back whole.
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
        QVERIFY(writeFile(m_dir->path() + QStringLiteral("/big.txt"), big));
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
