// The program's start-up: with BREVANTO_STARTUP_PROBE set the program says "first frame" once its
// main window has been drawn and quits cleanly; without it the program keeps running and says
// nothing (headless: offscreen, software scene graph, a private home folder). And which OpenGL
// renderers count as software ones, for the glyph cache choice.
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
    void softwareRenderers_data()
    {
        // Renderer strings as the drivers report them.
        QTest::addColumn<QByteArray>("renderer");
        QTest::addColumn<bool>("software");
        QTest::newRow("llvmpipe") << QByteArray("llvmpipe (LLVM 15.0.6, 256 bits)") << true;
        QTest::newRow("softpipe") << QByteArray("softpipe") << true;
        QTest::newRow("old Mesa rasterizer") << QByteArray("Software Rasterizer") << true;
        QTest::newRow("SwiftShader") << QByteArray("Google SwiftShader") << true;
        QTest::newRow("Intel") << QByteArray("Mesa Intel(R) UHD Graphics 620 (KBL GT2)") << false;
        QTest::newRow("AMD, naming LLVM") << QByteArray("AMD Radeon RX 580 Series (polaris10, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)") << false;
        QTest::newRow("NVIDIA") << QByteArray("NVIDIA GeForce GTX 1080/PCIe/SSE2") << false;
        QTest::newRow("no context") << QByteArray() << false;
    }
    void softwareRenderers()
    {
        QFETCH(QByteArray, renderer);
        QFETCH(bool, software);
        QCOMPARE(SoftwareOpenGL::isSoftwareRenderer(renderer), software);
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
