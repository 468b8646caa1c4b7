#include "clisimulator.h"
#include "clitestsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QtTest>

using namespace CliTest;

// brevanto-cli's frame capture, firmware and analyzer actions against simulated devices:
// the files written and the bytes the simulators received.
class TestCliTransfer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void captureAsPictures();
    void captureRawMatchesThePicture_data();
    void captureRawMatchesThePicture();
    void captureAfterLuts();
    void captureRefusesAMissingFolder();
    void firmwareToSeveralHosts();
    void firmwareBrecRequest();
    void firmwareRefusesAnEmptyFile();
    void analyzerPictureAndReport();
    void analyzerLastPrintStyle();
    void analyzerOnACubrixFails();

private:
    QString path(const QString &name) const { return m_files.filePath(name); }

    CliSimulator m_monitor;  // frame format 259, 127.0.0.1
    CliSimulator m_cubrix;   // frame format 1, 127.0.0.2
    CliSimulator m_monitor2; // frame format 258, 127.0.0.3
    QTemporaryDir m_files;
};

void TestCliTransfer::initTestCase()
{
    QVERIFY(m_files.isValid());
    QVERIFY(m_monitor.start({QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--frame-format"), QStringLiteral("259")},
                            QStringLiteral("127.0.0.1")));
    QVERIFY(m_cubrix.start({QStringLiteral("--role"), QStringLiteral("cubrix")}, QStringLiteral("127.0.0.2")));
    QVERIFY(m_monitor2.start({QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--family"), QStringLiteral("kt"),
                              QStringLiteral("--frame-format"), QStringLiteral("258")},
                             QStringLiteral("127.0.0.3")));
}

void TestCliTransfer::captureAsPictures()
{
    const QString out = path(QStringLiteral("shot.png"));
    const Result result = run({QStringLiteral("device"), m_monitor.host(), m_cubrix.host(), QStringLiteral("frame"),
                               QStringLiteral("capture"), QStringLiteral("--out"), out, QStringLiteral("--json")});
    QVERIFY2(result.exitCode == 0 && result.clean(), qPrintable(result.describe()));
    const QJsonArray hosts = QJsonDocument::fromJson(result.out.toUtf8()).array();
    QCOMPARE(hosts.size(), 2);
    // Two hosts, one name: each file carries its host.
    const QString monitorFile = path(QStringLiteral("shot_%1.png").arg(QString(m_monitor.host()).replace(':', '_')));
    const QString cubrixFile = path(QStringLiteral("shot_%1.png").arg(QString(m_cubrix.host()).replace(':', '_')));
    QCOMPARE(hosts.at(0).toObject().value(QStringLiteral("file")).toString(), monitorFile);
    QCOMPARE(hosts.at(1).toObject().value(QStringLiteral("file")).toString(), cubrixFile);
    QVERIFY(!QFileInfo::exists(out));
    for (const QString &file : {monitorFile, cubrixFile}) {
        const QImage picture(file);
        QCOMPARE(picture.size(), QSize(1920, 1080));
        // Colour bars: the second bar is yellow, the last black.
        const QRgb yellow = picture.pixel(240 + 120, 500);
        QVERIFY(qRed(yellow) > 150 && qGreen(yellow) > 150 && qBlue(yellow) < 40);
        const QRgb black = picture.pixel(1900, 500);
        QVERIFY(qRed(black) < 40 && qGreen(black) < 40 && qBlue(black) < 40);
    }
    QCOMPARE(m_monitor.commandCount(0x0400, 0x0000), 1);
    QCOMPARE(m_cubrix.commandCount(0x0400, 0x0000), 1);
}

void TestCliTransfer::captureRawMatchesThePicture_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("range"); // what the capture item was given by its device
    QTest::newRow("monitor, RGB little-endian") << 0 << 259 << 0;
    QTest::newRow("Cubrix, YCbCr 4:2:2, video range") << 1 << 1 << 1;
    QTest::newRow("monitor, YCbCr 4:4:4 little-endian") << 2 << 258 << 0;
}

void TestCliTransfer::captureRawMatchesThePicture()
{
    QFETCH(int, which);
    QFETCH(int, format);
    QFETCH(int, range);
    CliSimulator *sims[] = {&m_monitor, &m_cubrix, &m_monitor2};
    CliSimulator &sim = *sims[which];
    const QString tag = QString(sim.host()).replace(':', '_');

    // The placeholder puts the host where the name says.
    const Result raw = run({QStringLiteral("device"), sim.host(), QStringLiteral("frame"), QStringLiteral("capture"),
                            QStringLiteral("--out"), path(QStringLiteral("cap-{host}.raw"))});
    QVERIFY2(raw.exitCode == 0 && raw.clean(), qPrintable(raw.describe()));
    const QByteArray file = readFile(path(QStringLiteral("cap-%1.raw").arg(tag)));
    QVERIFY(file.size() > 12);
    const int width = qFromBigEndian<quint16>(file.constData());
    const int height = qFromBigEndian<quint16>(file.constData() + 2);
    const int pitch = qFromBigEndian<quint16>(file.constData() + 4);
    QCOMPARE(width, 1920);
    QCOMPARE(height, 1080);
    QCOMPARE(int(qFromBigEndian<quint16>(file.constData() + 6)), format);
    QCOMPARE(file.size(), 12 + height * pitch);
    // No leftovers of the capture beside the file.
    QCOMPARE(QDir(m_files.path()).entryList({QStringLiteral(".brevanto-cli-*")}, QDir::Dirs | QDir::Hidden).size(), 0);

    const Result picture = run({QStringLiteral("device"), sim.host(), QStringLiteral("frame"), QStringLiteral("capture"),
                                QStringLiteral("--out"), path(QStringLiteral("cap-%1.bmp").arg(tag))});
    QVERIFY2(picture.exitCode == 0, qPrintable(picture.describe()));

    // Decoding the raw file gives the picture the capture item made (the bars do not move).
    const QString decoded = path(QStringLiteral("decoded-%1.png").arg(tag));
    const Result decode = run({QStringLiteral("frame"), QStringLiteral("decode"), path(QStringLiteral("cap-%1.raw").arg(tag)), decoded,
                               QStringLiteral("--range"), QString::number(range)});
    QVERIFY2(decode.exitCode == 0, qPrintable(decode.describe()));
    const QImage fromRaw = QImage(decoded).convertToFormat(QImage::Format_RGB32);
    const QImage fromItem = QImage(path(QStringLiteral("cap-%1.bmp").arg(tag))).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(fromRaw.size(), QSize(1920, 1080));
    QVERIFY(fromRaw == fromItem);
}

void TestCliTransfer::captureAfterLuts()
{
    const Result result = run({QStringLiteral("device"), m_monitor2.host(), QStringLiteral("frame"), QStringLiteral("capture"),
                               QStringLiteral("--after-luts"), QStringLiteral("--out"), path(QStringLiteral("after.jpg"))});
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    QCOMPARE(m_monitor2.commandCount(0x0400, 0x0001), 1);
    QCOMPARE(QImage(path(QStringLiteral("after.jpg"))).size(), QSize(1920, 1080));
}

void TestCliTransfer::captureRefusesAMissingFolder()
{
    const int before = m_monitor.connections();
    const Result result = run({QStringLiteral("device"), m_monitor.host(), QStringLiteral("frame"), QStringLiteral("capture"),
                               QStringLiteral("--out"), path(QStringLiteral("none/shot.png"))});
    QVERIFY2(result.exitCode == 1 && result.clean(), qPrintable(result.describe()));
    QVERIFY(result.err.contains(QStringLiteral("no folder")));
    QTest::qWait(100);
    QCOMPARE(m_monitor.connections(), before);
}

void TestCliTransfer::firmwareToSeveralHosts()
{
    QByteArray image(300000, Qt::Uninitialized);
    QRandomGenerator generator(12);
    for (char &c : image)
        c = char(generator.bounded(256));
    const QString firmware = path(QStringLiteral("update.img"));
    QVERIFY(writeFile(firmware, image));
    const int monitorDumps = m_monitor.dumps().size();
    const int cubrixDumps = m_cubrix.dumps().size();
    const Result result = run({QStringLiteral("device"), m_monitor.host(), m_cubrix.host(), QStringLiteral("firmware"), firmware});
    QVERIFY2(result.exitCode == 0 && result.clean(), qPrintable(result.describe()));
    for (CliSimulator *sim : {&m_monitor, &m_cubrix}) {
        QVERIFY2(result.err.contains(sim->host() + QStringLiteral(": firmware 100% (300012 of 300012 bytes)")), qPrintable(result.err));
        QVERIFY(result.out.contains(sim->host() + QStringLiteral(": ")));
        QCOMPARE(sim->commandCount(0x0005, 0x0001), 1);
    }
    QVERIFY(result.out.contains(QStringLiteral("firmware image of 300000 bytes confirmed")));
    const QStringList monitorUploads = m_monitor.dumpsSince(monitorDumps);
    const QStringList cubrixUploads = m_cubrix.dumpsSince(cubrixDumps);
    QCOMPARE(monitorUploads.size(), 1);
    QCOMPARE(cubrixUploads.size(), 1);
    QVERIFY(monitorUploads.first().contains(QStringLiteral("firmware_image")));
    QCOMPARE(readFile(m_monitor.dumpPath(monitorUploads.first())), image);
    QCOMPARE(readFile(m_cubrix.dumpPath(cubrixUploads.first())), image);
}

void TestCliTransfer::firmwareBrecRequest()
{
    const QString firmware = path(QStringLiteral("update.BREC"));
    QVERIFY(writeFile(firmware, QByteArray("S0030000FC\nS9030000FC\n")));
    const Result result = run({QStringLiteral("device"), m_monitor2.host(), QStringLiteral("firmware"), firmware});
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    QCOMPARE(m_monitor2.commandCount(0x0005, 0x0002), 1);
    QVERIFY(m_monitor2.dumps().last().contains(QStringLiteral("firmware_brec")));
}

void TestCliTransfer::firmwareRefusesAnEmptyFile()
{
    const QString firmware = path(QStringLiteral("empty.img"));
    QVERIFY(writeFile(firmware, QByteArray()));
    const int before = m_monitor.connections();
    Result result = run({QStringLiteral("device"), m_monitor.host(), QStringLiteral("firmware"), firmware});
    QVERIFY2(result.exitCode == 1 && result.err.contains(QStringLiteral("is empty")), qPrintable(result.describe()));
    result = run({QStringLiteral("device"), m_monitor.host(), QStringLiteral("firmware"), path(QStringLiteral("absent.img"))});
    QVERIFY2(result.exitCode == 1 && result.err.contains(QStringLiteral("no such file")), qPrintable(result.describe()));
    QTest::qWait(100);
    QCOMPARE(m_monitor.connections(), before);
}

void TestCliTransfer::analyzerPictureAndReport()
{
    const QString png = path(QStringLiteral("analyzer-{host}.png"));
    const QString pdf = path(QStringLiteral("analyzer-{host}.pdf"));
    const Result result = run({QStringLiteral("device"), m_monitor.host(), m_monitor2.host(), QStringLiteral("analyzer"),
                               QStringLiteral("--png"), png, QStringLiteral("--pdf"), pdf});
    QVERIFY2(result.exitCode == 0 && result.clean(), qPrintable(result.describe()));
    for (CliSimulator *sim : {&m_monitor, &m_monitor2}) {
        const QString tag = QString(sim->host()).replace(':', '_');
        QCOMPARE(sim->commandCount(0x0405, 0x0010), 1); // the current picture, screen style
        const QImage picture(path(QStringLiteral("analyzer-%1.png").arg(tag)));
        QVERIFY(!picture.isNull());
        QVERIFY(QFileInfo(path(QStringLiteral("analyzer-%1.png").arg(tag))).permissions() & QFileDevice::ReadOther);
        const QByteArray report = readFile(path(QStringLiteral("analyzer-%1.pdf").arg(tag)));
        QVERIFY(report.startsWith("%PDF-"));
        // One page the size of the picture, one point per pixel.
        QCOMPARE(report.count("/Type /Page\n") + report.count("/Type /Page "), 1);
        const QByteArray mediaBox = QStringLiteral("/MediaBox [0 0 %1.000000 %2.000000]").arg(picture.width()).arg(picture.height()).toLatin1();
        QVERIFY2(report.contains(mediaBox), mediaBox.constData());
    }
}

void TestCliTransfer::analyzerLastPrintStyle()
{
    const Result result = run({QStringLiteral("device"), m_monitor.host(), QStringLiteral("analyzer"), QStringLiteral("--last"),
                               QStringLiteral("--print"), QStringLiteral("--pdf"), path(QStringLiteral("last.pdf"))});
    QVERIFY2(result.exitCode == 0, qPrintable(result.describe()));
    QCOMPARE(m_monitor.commandCount(0x0405, 0x0001), 1);
    QVERIFY(readFile(path(QStringLiteral("last.pdf"))).startsWith("%PDF-"));
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("last.png"))));
}

void TestCliTransfer::analyzerOnACubrixFails()
{
    const Result result = run({QStringLiteral("device"), m_cubrix.host(), m_monitor.host(), QStringLiteral("analyzer"),
                               QStringLiteral("--png"), path(QStringLiteral("mixed.png"))});
    QVERIFY2(result.exitCode == 1 && result.clean(), qPrintable(result.describe()));
    QVERIFY(result.err.contains(m_cubrix.host() + QStringLiteral(": error: analyzer pictures are a monitor's")));
    QVERIFY(result.err.contains(QStringLiteral("1 of 2 hosts failed")));
    QVERIFY(QFileInfo::exists(path(QStringLiteral("mixed_%1.png").arg(QString(m_monitor.host()).replace(':', '_')))));
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("mixed_%1.png").arg(QString(m_cubrix.host()).replace(':', '_')))));
}

QTEST_MAIN(TestCliTransfer)
#include "tst_cli_transfer.moc"
