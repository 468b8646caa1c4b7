#include "session/sessionmanager.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

// The program killed while it rewrites "savedTabs.conf": whenever that happens, the file the
// next start reads is one complete list that was written, never a cut or mixed one.
class TestSavedTabsCrash : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void killedWriterLeavesACompleteList();

private:
    QTemporaryDir m_data;
    QString m_path;
};

namespace {
constexpr int Kills = 50;

// Checks that `contents` is one version the writer saves: lines 0..n-1 of one round, each
// exactly as written, n no more than that round builds. Returns an empty text or the fault.
QString completeListFault(const QByteArray &contents, int *round, int *lines)
{
    if (contents.isEmpty())
        return QStringLiteral("empty file");
    if (!contents.endsWith('\n'))
        return QStringLiteral("last line cut off");
    static const QRegularExpression pattern(QStringLiteral(
        "^(\\d+),(MONITOR|CUBRIX),127\\.0\\.(\\d+)\\.(\\d+),r(\\d+)-t(\\d+)-n{120},(dark|light)$"));
    const QList<QByteArray> all = contents.left(contents.size() - 1).split('\n');
    *round = -1;
    for (int i = 0; i < all.size(); ++i) {
        const auto match = pattern.match(QString::fromUtf8(all.at(i)));
        if (!match.hasMatch())
            return QStringLiteral("line %1 is not a tab: %2").arg(i).arg(QString::fromUtf8(all.at(i).left(60)));
        const int lineRound = match.captured(5).toInt();
        if (*round < 0)
            *round = lineRound;
        const QString type = (lineRound + i) % 2 == 1 ? QStringLiteral("CUBRIX") : QStringLiteral("MONITOR");
        const QString mode = lineRound % 3 == 0 ? QStringLiteral("light") : QStringLiteral("dark");
        if (lineRound != *round || match.captured(1).toInt() != i || match.captured(6).toInt() != i
            || match.captured(2) != type || match.captured(7) != mode || match.captured(3).toInt() != lineRound % 250
            || match.captured(4).toInt() != i + 1)
            return QStringLiteral("line %1 belongs to another list: %2").arg(i).arg(QString::fromUtf8(all.at(i).left(60)));
    }
    *lines = all.size();
    if (*lines > 1 + (*round * 7) % 40)
        return QStringLiteral("%1 lines, round %2 writes fewer").arg(*lines).arg(*round);
    return QString();
}
} // namespace

void TestSavedTabsCrash::initTestCase()
{
    QVERIFY(m_data.isValid());
    qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
    QCoreApplication::setOrganizationName(QStringLiteral("Brevanto"));
    QCoreApplication::setApplicationName(QStringLiteral("SavedTabsCrash"));
    m_path = SessionManager().filePath();
    QVERIFY2(m_path.startsWith(m_data.path()), qPrintable(m_path));
}

void TestSavedTabsCrash::killedWriterLeavesACompleteList()
{
    QSet<QPair<int, int>> versionsSeen;
    for (int kill = 0; kill < Kills; ++kill) {
        QProcess writer;
        writer.start(QStringLiteral(SAVEDTABS_WRITER_PATH), QStringList());
        QVERIFY(writer.waitForStarted(5000));
        QByteArray output;
        QElapsedTimer clock;
        clock.start();
        while (!output.contains("ready") && clock.elapsed() < 10000) {
            writer.waitForReadyRead(100);
            output += writer.readAllStandardOutput();
        }
        QVERIFY2(output.contains("ready"), output.constData());
        // Somewhere in the middle of the rewriting.
        QThread::msleep(QRandomGenerator::global()->bounded(1, 40));
        writer.kill();
        QVERIFY(writer.waitForFinished(5000));
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

        QFile file(m_path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray contents = file.readAll();
        file.close();
        int round = 0;
        int lines = 0;
        const QString fault = completeListFault(contents, &round, &lines);
        QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("kill %1: %2").arg(kill).arg(fault)));
        versionsSeen.insert({round, lines});

        // And the program's next start reads all of it.
        SessionManager nextStart;
        QVERIFY(nextStart.readFromDisk());
        QCOMPARE(nextStart.records().size(), lines);
        for (int i = 0; i < lines; ++i) {
            QCOMPARE(nextStart.records().at(i).index, quint8(i));
            QVERIFY(nextStart.records().at(i).name.startsWith(QStringLiteral("r%1-t%2-").arg(round).arg(i)));
        }
    }
    // The kills landed at different moments, not always on the same list.
    QVERIFY2(versionsSeen.size() >= 5, qPrintable(QString::number(versionsSeen.size())));
}

QTEST_GUILESS_MAIN(TestSavedTabsCrash)
#include "tst_savedtabs_crash.moc"
