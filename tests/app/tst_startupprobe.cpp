// The program's start-up probe: with BREVANTO_STARTUP_PROBE set the program says "first frame"
// once its main window has been drawn and quits cleanly; without it the program keeps running
// and says nothing. The program runs headless (offscreen, software scene graph) with a private
// home folder.
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestStartupProbe : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void reportsTheFirstFrameAndQuits();
    void silentWithoutTheVariable();

private:
    QProcessEnvironment environment(bool probe) const;

    QTemporaryDir m_home;
};

void TestStartupProbe::initTestCase()
{
    QVERIFY(m_home.isValid());
    for (const char *folder : {"home", "config", "data", "cache", "runtime"})
        QVERIFY(QDir(m_home.path()).mkpath(QString::fromLatin1(folder)));
    QFile::setPermissions(m_home.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QProcessEnvironment TestStartupProbe::environment(bool probe) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_home.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath(QStringLiteral("cache")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
    // The render loop logs every frame it has drawn: the sign that a first frame was there.
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.scenegraph.time.renderloop=true"));
    env.remove(QStringLiteral("BREVANTO_STARTUP_PROBE"));
    if (probe)
        env.insert(QStringLiteral("BREVANTO_STARTUP_PROBE"), QStringLiteral("1"));
    return env;
}

void TestStartupProbe::reportsTheFirstFrameAndQuits()
{
    QProcess program;
    program.setProcessEnvironment(environment(true));
    program.start(QStringLiteral(BREVANTO_APP_PATH), QStringList());
    QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));
    QVERIFY2(program.waitForFinished(60000), "the program did not quit after its first frame");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    // Exactly one line, and nothing else on standard output.
    QCOMPARE(program.readAllStandardOutput(), QByteArray("first frame\n"));
    QVERIFY(program.readAllStandardError().contains("Frame rendered"));
}

void TestStartupProbe::silentWithoutTheVariable()
{
    QProcess program;
    program.setProcessEnvironment(environment(false));
    program.start(QStringLiteral(BREVANTO_APP_PATH), QStringList());
    QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));
    QByteArray errors;
    QElapsedTimer clock;
    clock.start();
    while (!errors.contains("Frame rendered") && clock.elapsed() < 60000) {
        program.waitForReadyRead(200);
        errors += program.readAllStandardError();
    }
    QVERIFY2(errors.contains("Frame rendered"), "the window drew no frame");
    // A few more frames' worth of time in which a probe would have quit.
    QVERIFY(!program.waitForFinished(1000));
    QCOMPARE(program.state(), QProcess::Running);
    QCOMPARE(program.readAllStandardOutput(), QByteArray());
    program.terminate();
    if (!program.waitForFinished(10000)) {
        program.kill();
        program.waitForFinished(10000);
    }
}

QTEST_GUILESS_MAIN(TestStartupProbe)
#include "tst_startupprobe.moc"
