#include "clisimulator.h"
#include "clitestsupport.h"
#include "fifo.h"
#include "cubefiles.h"

#include <QtTest>

using namespace CliTest;

namespace {
QStringList monitorWithOneChannel(const QStringList &faults)
{
    return QStringList{QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--family"), QStringLiteral("kt"),
                       QStringLiteral("--channels"), QStringLiteral("1")}
           + faults;
}
// A monitor with one channel asks five identity queries and two channel queries.
constexpr int IdentityCommands = 7;
} // namespace

// brevanto-cli against devices that misbehave: error replies, silence, dropped connections,
// broken headers, nobody listening. Each host's failure is reported with its reason and a
// non-zero exit status, the other hosts go on, and every wait is bounded by --timeout.
class TestCliFaults : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void errorReplyIsReportedPerHost();
    void errorReplyToAKey();
    void silentDeviceTimesOut();
    void silentDuringIdentity();
    void silentDuringFirmware();
    void closedConnection();
    void brokenReplyHeader();
    void nobodyListening();
    void identityRefused();
    void captureRefusedInTestPatternMode();
    void captureReplacesTheOutputWhole_data();
    void captureReplacesTheOutputWhole();
    void specialOutputsRefused_data();
    void specialOutputsRefused();
    void everyHostFailing();
    void verboseShowsTheLibraryLog();

private:
    CliSimulator m_good;     // 127.0.0.1
    CliSimulator m_errors;   // 127.0.0.2, error replies (to a LUT, the menu key and a frame capture)
    CliSimulator m_silent;   // 127.0.0.3, silent after the identity
    CliSimulator m_closing;  // 127.0.0.4, closes after the identity
    CliSimulator m_badCrc;   // 127.0.0.5, broken header for the menu key
    CliSimulator m_mute;     // 127.0.0.6, silent after two identity queries
    CliSimulator m_cubrix;   // 127.0.0.7
    CliSimulator m_refusing; // 127.0.0.8, refuses the model query
    QTemporaryDir m_files;
    QString m_lut;
};

void TestCliFaults::initTestCase()
{
    CubeFiles::useCNumericLocale();
    QVERIFY(m_files.isValid());
    m_lut = CubeFiles::writeFile(m_files, QStringLiteral("identity17.cube"), CubeFiles::cubeFile(17, CubeFiles::identity(17), 6));
    QVERIFY(m_good.start(monitorWithOneChannel({}), QStringLiteral("127.0.0.1")));
    QVERIFY(m_errors.start(monitorWithOneChannel({QStringLiteral("--error-reply"), QStringLiteral("0x0311:0x0200:5"),
                                                  QStringLiteral("--error-reply"), QStringLiteral("0x0001:0x0020"),
                                                  QStringLiteral("--error-reply"), QStringLiteral("0x0400:0x0000")}),
                           QStringLiteral("127.0.0.2")));
    QVERIFY(m_silent.start(monitorWithOneChannel({QStringLiteral("--silent-after"), QString::number(IdentityCommands)}),
                           QStringLiteral("127.0.0.3")));
    QVERIFY(m_closing.start(monitorWithOneChannel({QStringLiteral("--close-after"), QString::number(IdentityCommands)}),
                            QStringLiteral("127.0.0.4")));
    QVERIFY(m_badCrc.start(monitorWithOneChannel({QStringLiteral("--bad-crc"), QStringLiteral("0x0001:0x0020")}),
                           QStringLiteral("127.0.0.5")));
    QVERIFY(m_mute.start(monitorWithOneChannel({QStringLiteral("--silent-after"), QStringLiteral("2")}), QStringLiteral("127.0.0.6")));
    QVERIFY(m_cubrix.start({QStringLiteral("--role"), QStringLiteral("cubrix")}, QStringLiteral("127.0.0.7")));
    QVERIFY(m_refusing.start(monitorWithOneChannel({QStringLiteral("--error-reply"), QStringLiteral("0x0100:0x0000")}),
                             QStringLiteral("127.0.0.8")));
}

void TestCliFaults::errorReplyIsReportedPerHost()
{
    const int before = m_good.dumps().size();
    const Result result = run({QStringLiteral("device"), m_good.host(), m_errors.host(), QStringLiteral("lut"), QStringLiteral("send"), m_lut});
    QVERIFY2(result.clean() && result.exitCode == 1, qPrintable(result.describe()));
    QVERIFY(result.out.contains(m_good.host() + QStringLiteral(": monitor KT-2400: ok")));
    QVERIFY2(result.err.contains(m_errors.host() + QStringLiteral(": error: error reply to protocol 0x0311 request 0x0200 (status 5): "
                                                                  "Protocol DIT 3DLUT Error")),
             qPrintable(result.err));
    QVERIFY(result.err.contains(QStringLiteral("1 of 2 hosts failed")));
    QCOMPARE(m_good.dumpsSince(before).size(), 1);
}

void TestCliFaults::errorReplyToAKey()
{
    const Result result = run({QStringLiteral("device"), m_errors.host(), QStringLiteral("key"), QStringLiteral("menu"), QStringLiteral("--json")});
    QVERIFY2(result.clean() && result.exitCode == 1, qPrintable(result.describe()));
    QVERIFY(result.err.contains(QStringLiteral("(status 1): Protocol Key Error")));
    QVERIFY(result.out.contains(QStringLiteral("\"ok\": false")));
    QVERIFY(result.out.contains(QStringLiteral("Protocol Key Error")));
}

void TestCliFaults::silentDeviceTimesOut()
{
    const Result result = run({QStringLiteral("device"), m_silent.host(), m_good.host(), QStringLiteral("key"), QStringLiteral("menu"),
                               QStringLiteral("--timeout"), QStringLiteral("1")});
    QVERIFY2(result.clean() && result.exitCode == 1, qPrintable(result.describe()));
    QVERIFY2(result.err.contains(m_silent.host() + QStringLiteral(": error: no reply within 1 s (protocol 0x0001 request 0x0020 unanswered)")),
             qPrintable(result.err));
    QVERIFY(result.out.contains(m_good.host() + QStringLiteral(": monitor KT-2400: ok")));
    QVERIFY(result.elapsedMs >= 1000);
    QVERIFY(result.elapsedMs < 8000);
    QCOMPARE(m_silent.commandCount(0x0001, 0x0020), 1); // received, never answered
}

void TestCliFaults::silentDuringIdentity()
{
    const Result result = run({QStringLiteral("device"), m_mute.host(), QStringLiteral("info"), QStringLiteral("--timeout"), QStringLiteral("0.5")});
    QVERIFY2(result.clean() && result.exitCode == 1, qPrintable(result.describe()));
    QVERIFY2(result.err.contains(QStringLiteral("no reply within 0.5 s (protocol 0x0100 request 0x0002 unanswered)")), qPrintable(result.err));
    QVERIFY(result.elapsedMs < 6000);
}

void TestCliFaults::silentDuringFirmware()
{
    const QString firmware = m_files.filePath(QStringLiteral("image.img"));
    QVERIFY(writeFile(firmware, QByteArray(50000, 'f')));
    const Result result = run({QStringLiteral("device"), m_silent.host(), QStringLiteral("firmware"), firmware, QStringLiteral("--timeout"),
                               QStringLiteral("0.8")});
    QVERIFY2(result.clean() && result.exitCode == 1, qPrintable(result.describe()));
    QVERIFY(result.err.contains(QStringLiteral("firmware 100%")));
    QVERIFY2(result.err.contains(QStringLiteral("no reply within 0.8 s (protocol 0x0005 request 0x0001 unanswered)")), qPrintable(result.err));
}

void TestCliFaults::closedConnection()
{
    const Result result = run({QStringLiteral("device"), m_closing.host(), QStringLiteral("key"), QStringLiteral("menu"), QStringLiteral("--timeout"),
                               QStringLiteral("5")});
    QVERIFY2(result.clean() && result.exitCode == 1, qPrintable(result.describe()));
    QVERIFY2(result.err.contains(QStringLiteral("error: the device closed the connection")), qPrintable(result.err));
    QVERIFY(result.elapsedMs < 4000);
}

void TestCliFaults::brokenReplyHeader()
{
    const Result result = run({QStringLiteral("device"), m_badCrc.host(), QStringLiteral("key"), QStringLiteral("menu")});
    QVERIFY2(result.clean() && result.exitCode == 1, qPrintable(result.describe()));
    QVERIFY2(result.err.contains(QStringLiteral("broken reply header (CRC error) for protocol 0x0001 request 0x0020")), qPrintable(result.err));
}

void TestCliFaults::nobodyListening()
{
    const quint16 port = SimProcess::freePort(QStringLiteral("127.0.0.9"));
    QVERIFY(port != 0);
    const QString host = QStringLiteral("127.0.0.9:%1").arg(port);
    const Result result = run({QStringLiteral("device"), host, QStringLiteral("info")});
    QVERIFY2(result.clean() && result.exitCode == 1, qPrintable(result.describe()));
    QVERIFY2(result.err.contains(host + QStringLiteral(": error: cannot connect: Connection refused")), qPrintable(result.err));
    QVERIFY(result.elapsedMs < 5000);
}

void TestCliFaults::identityRefused()
{
    const Result result = run({QStringLiteral("device"), m_refusing.host(), QStringLiteral("info")});
    QVERIFY2(result.clean() && result.exitCode == 1, qPrintable(result.describe()));
    QVERIFY2(result.err.contains(QStringLiteral("error reply to protocol 0x0100 request 0x0000 (status 1): Protocol Basic info Error")),
             qPrintable(result.err));
}

void TestCliFaults::captureRefusedInTestPatternMode()
{
    QCOMPARE(run({QStringLiteral("device"), m_cubrix.host(), QStringLiteral("key"), QStringLiteral("mode_3")}).exitCode, 0);
    const QString out = m_files.filePath(QStringLiteral("tpg.png"));
    const Result result = run({QStringLiteral("device"), m_cubrix.host(), QStringLiteral("frame"), QStringLiteral("capture"),
                               QStringLiteral("--out"), out});
    QVERIFY2(result.clean() && result.exitCode == 1, qPrintable(result.describe()));
    QVERIFY2(result.err.contains(QStringLiteral("request 0x0000 (status")) && result.err.contains(QStringLiteral("Frame Capture Protocol Error")),
             qPrintable(result.err));
    QVERIFY(!QFileInfo::exists(out));
    QCOMPARE(run({QStringLiteral("device"), m_cubrix.host(), QStringLiteral("key"), QStringLiteral("mode_1")}).exitCode, 0);
}

void TestCliFaults::captureReplacesTheOutputWhole_data()
{
    QTest::addColumn<int>("device"); // 0 sends the frame, 1 answers with an error, 2 stays silent
    QTest::addColumn<QString>("name");
    for (const char *name : {"shot.png", "shot.raw"}) {
        QTest::addRow("%s, captured", name) << 0 << QString::fromLatin1(name);
        QTest::addRow("%s, error reply", name) << 1 << QString::fromLatin1(name);
        QTest::addRow("%s, killed while waiting", name) << 2 << QString::fromLatin1(name);
    }
}

void TestCliFaults::captureReplacesTheOutputWhole()
{
    QFETCH(int, device);
    QFETCH(QString, name);
    CliSimulator *sims[] = {&m_good, &m_errors, &m_silent};
    CliSimulator &sim = *sims[device];
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString out = folder.filePath(name);
    QVERIFY(writeFile(out, "old contents"));
    const QStringList arguments{QStringLiteral("device"), sim.host(), QStringLiteral("frame"), QStringLiteral("capture"),
                                QStringLiteral("--out"), out, QStringLiteral("--timeout"), QStringLiteral("20")};
    if (device == 2) {
        const int asked = sim.commandCount(0x0400, 0x0000);
        QProcess tool;
        tool.start(executable(), arguments);
        QVERIFY(tool.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(sim.commandCount(0x0400, 0x0000) > asked, 10000);
        tool.kill();
        QVERIFY(tool.waitForFinished(10000));
    } else {
        const Result result = run(arguments, 30000);
        QVERIFY2(result.clean() && result.exitCode == (device == 0 ? 0 : 1), qPrintable(result.describe()));
    }
    const QByteArray contents = readFile(out);
    if (device != 0)
        QCOMPARE(contents, QByteArray("old contents"));
    else if (name.endsWith(QLatin1String(".raw")))
        QCOMPARE(contents.size(), 12 + 1080 * int(qFromBigEndian<quint16>(contents.constData() + 4))); // whole frame
    else
        QCOMPARE(QImage::fromData(contents).size(), QSize(1920, 1080));
    // Nothing beside the output, also after a kill.
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot), QStringList{name});
}

void TestCliFaults::specialOutputsRefused_data()
{
    QTest::addColumn<QStringList>("action"); // OUT stands for the output
    QTest::newRow("frame picture") << QStringList{QStringLiteral("frame"), QStringLiteral("capture"), QStringLiteral("--out"), QStringLiteral("OUT.png")};
    QTest::newRow("raw frame") << QStringList{QStringLiteral("frame"), QStringLiteral("capture"), QStringLiteral("--out"), QStringLiteral("OUT.raw")};
    QTest::newRow("analyzer picture") << QStringList{QStringLiteral("analyzer"), QStringLiteral("--png"), QStringLiteral("OUT.png")};
    QTest::newRow("analyzer report") << QStringList{QStringLiteral("analyzer"), QStringLiteral("--pdf"), QStringLiteral("OUT.pdf")};
}

void TestCliFaults::specialOutputsRefused()
{
    QFETCH(QStringList, action);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString name = action.last().replace(QLatin1String("OUT"), QLatin1String("special"));
    const QString out = folder.filePath(name);
    action.last() = out;
    QVERIFY(Fifo::make(out));
    const Result result = run(QStringList{QStringLiteral("device"), m_good.host()} + action, 30000);
    QVERIFY2(result.clean() && result.exitCode == 1, qPrintable(result.describe()));
    QVERIFY2(result.err.contains(QStringLiteral("cannot write %1: it is not a regular file").arg(out)), qPrintable(result.describe()));
    QVERIFY(Fifo::isFifo(out));
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot), QStringList{name});
}

void TestCliFaults::everyHostFailing()
{
    const quint16 port = SimProcess::freePort(QStringLiteral("127.0.0.10"));
    const Result result = run({QStringLiteral("device"), m_errors.host(), m_badCrc.host(), QStringLiteral("127.0.0.10:%1").arg(port),
                               QStringLiteral("key"), QStringLiteral("menu"), QStringLiteral("--timeout"), QStringLiteral("2")});
    QVERIFY2(result.clean() && result.exitCode == 1, qPrintable(result.describe()));
    QVERIFY(result.err.contains(QStringLiteral("3 of 3 hosts failed")));
    QVERIFY(result.out.isEmpty());
    // One line per host, in the order given.
    const int errors = result.err.indexOf(m_errors.host() + QStringLiteral(": error:"));
    const int badCrc = result.err.indexOf(m_badCrc.host() + QStringLiteral(": error:"));
    QVERIFY(errors >= 0 && badCrc > errors);
}

void TestCliFaults::verboseShowsTheLibraryLog()
{
    Result result = run({QStringLiteral("device"), m_good.host(), QStringLiteral("key"), QStringLiteral("menu")});
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(!result.err.contains(QStringLiteral("appendCmd")), qPrintable(result.err));
    result = run({QStringLiteral("--verbose"), QStringLiteral("device"), m_good.host(), QStringLiteral("key"), QStringLiteral("menu")});
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(result.err.contains(QStringLiteral("[debug] appendCmd: add cmd: 0x0001 - 0x0020")), qPrintable(result.err));
}

QTEST_MAIN(TestCliFaults)
#include "tst_cli_faults.moc"
