// The program's start-up: with BREVANTO_STARTUP_PROBE set the program says "first frame" once its
// main window has been drawn and quits cleanly; without it the program keeps running and says
// nothing (headless: offscreen, software scene graph, a private home folder). And when software
// OpenGL counts as asked for, for the glyph cache choice.
#include "app/softwareopengl.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestStartupProbe : public QObject
{
    Q_OBJECT
private slots:
    void probe_data()
    {
        QTest::addColumn<bool>("probe");
        QTest::newRow("probe") << true;
        QTest::newRow("no probe") << false;
    }
    void probe();
    void softwareRequested_data()
    {
        QTest::addColumn<QByteArray>("alwaysSoftware");
        QTest::addColumn<QByteArray>("galliumDriver");
        QTest::addColumn<QByteArray>("qtForce");
        QTest::addColumn<bool>("software");
        QTest::newRow("nothing set") << QByteArray() << QByteArray() << QByteArray() << false;
        QTest::newRow("always software") << QByteArray("1") << QByteArray() << QByteArray() << true;
        QTest::newRow("always software, true") << QByteArray("true") << QByteArray() << QByteArray() << true;
        QTest::newRow("always software off") << QByteArray("0") << QByteArray() << QByteArray() << false;
        QTest::newRow("always software, false") << QByteArray("false") << QByteArray() << QByteArray() << false;
        QTest::newRow("llvmpipe") << QByteArray() << QByteArray("llvmpipe") << QByteArray() << true;
        QTest::newRow("softpipe") << QByteArray() << QByteArray("softpipe") << QByteArray() << true;
        QTest::newRow("a hardware driver") << QByteArray() << QByteArray("radeonsi") << QByteArray() << false;
        QTest::newRow("Qt forces software") << QByteArray() << QByteArray() << QByteArray("1") << true;
    }
    void softwareRequested()
    {
        QFETCH(QByteArray, alwaysSoftware);
        QFETCH(QByteArray, galliumDriver);
        QFETCH(QByteArray, qtForce);
        QFETCH(bool, software);
        QCOMPARE(SoftwareOpenGL::softwareRequested(alwaysSoftware, galliumDriver, qtForce), software);
    }
};

void TestStartupProbe::probe()
{
    QFETCH(bool, probe);
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *folder : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        QVERIFY(QDir(home.path()).mkpath(QString::fromLatin1(folder)));
        env.insert(QString::fromLatin1(folder), home.filePath(QString::fromLatin1(folder)));
    }
    QFile::setPermissions(home.filePath(QStringLiteral("XDG_RUNTIME_DIR")), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // The render loop logs every frame it has drawn: the sign that a first frame was there.
    for (const auto &setting : {std::pair<const char *, const char *>{"QT_QPA_PLATFORM", "offscreen"}, {"QT_QUICK_BACKEND", "software"},
                                {"QT_LOGGING_RULES", "qt.scenegraph.time.renderloop=true"}, {"BREVANTO_STARTUP_PROBE", probe ? "1" : ""}})
        env.insert(QString::fromLatin1(setting.first), QString::fromLatin1(setting.second));
    if (!probe)
        env.remove(QStringLiteral("BREVANTO_STARTUP_PROBE"));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(BREVANTO_APP_PATH), QStringList());
    QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));
    QByteArray errors;
    for (QDeadlineTimer deadline(60000); !errors.contains("Frame rendered") && !deadline.hasExpired() && program.state() == QProcess::Running;)
        errors += (program.waitForReadyRead(200), program.readAllStandardError());
    // With the probe exactly one line and a clean end; without it still running a few frames'
    // worth of time later, and silent.
    const bool finished = program.state() == QProcess::NotRunning || program.waitForFinished(probe ? 60000 : 1000);
    QVERIFY2(finished == probe, "the program did not quit after its first frame, or quit without the probe");
    QVERIFY2((errors + program.readAllStandardError()).contains("Frame rendered"), "the window drew no frame");
    QCOMPARE(program.readAllStandardOutput(), probe ? QByteArray("first frame\n") : QByteArray());
    QVERIFY(probe ? program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0 : program.state() == QProcess::Running);
    program.kill();
    program.waitForFinished(10000);
}

QTEST_GUILESS_MAIN(TestStartupProbe)
#include "tst_startupprobe.moc"
