#include "deviceconnection.h"
#include "monitor/monitor.h"

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

// Custom markers and analyzer pictures of a monitor.
class TestMonitorMarkers : public QObject
{
    Q_OBJECT
private slots:
    void markerCommands();
    void markerFilesThatCannotBeReadSendNothing();
    void markerListDecoding_data();
    void markerListDecoding();
    void markerListIsBounded();
    void deleteRemovesWithoutSignal();
    void analyzerRequestIds_data();
    void analyzerRequestIds();
    void analyzerPictureKeptPerMonitor();
    void analyzerPictureNeverFollowsPlantedFiles();
    void savePngAndPdf();
    void saveWithoutPicture();

private:
    static void reply(Monitor &monitor, quint16 protocol, quint16 request, QByteArray payload)
    {
        mncp_protocol_header header{MNCP_VERSION, 0, protocol, request, static_cast<quint32>(payload.size())};
        monitor.processReply(payload, header);
    }
    static QByteArray pngOf(QSize size, QColor colour)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }
};

void TestMonitorMarkers::markerCommands()
{
    QTemporaryDir dir;
    QFile picture(dir.filePath("marker.png"));
    QVERIFY(picture.open(QIODevice::WriteOnly));
    picture.write("PNGDATA");
    picture.close();
    const QUrl url = QUrl::fromLocalFile(picture.fileName());

    FakeDevice fake;
    QVERIFY(fake.listen());
    Monitor monitor;
    QVERIFY(connectToFake(monitor, fake));
    QVERIFY(fake.waitForCommands(5));
    fake.clearReceived();

    monitor.setOffTempCustomMarker();
    monitor.setOnTempCustomMarker();
    monitor.sendCustomMarker(url);
    monitor.sendCustomMarker(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd"), url);
    monitor.sendCustomMarker(QStringLiteral("abc"), url);
    monitor.queryCustomMarker();
    monitor.deleteCustomMarker(QStringLiteral("abc"));
    QVERIFY(fake.waitForCommands(7));
    const auto &got = fake.received();
    QCOMPARE(commandIds(fake), (QList<QPair<int, int>>{{0x0404, 0}, {0x0404, 1}, {0x0404, 2}, {0x0404, 3},
                                                       {0x0404, 3}, {0x0404, 5}, {0x0404, 6}}));
    QVERIFY(got.at(0).payload.isEmpty());
    QCOMPARE(got.at(2).payload, QByteArray("PNGDATA"));
    // 40 characters: the first 32 bytes, no terminator, then the file.
    QCOMPARE(got.at(3).payload, QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345PNGDATA"));
    QCOMPARE(got.at(4).payload, QByteArray("abc") + QByteArray(29, '\0') + "PNGDATA");
    QCOMPARE(got.at(6).payload, QByteArray::fromHex("01000000") + "abc" + QByteArray(29, '\0'));
    QCOMPARE(got.at(6).payload.size(), 36);
}

void TestMonitorMarkers::markerFilesThatCannotBeReadSendNothing()
{
    QTemporaryDir dir;
    FakeDevice fake;
    QVERIFY(fake.listen());
    Monitor monitor;
    QVERIFY(connectToFake(monitor, fake));
    QVERIFY(fake.waitForCommands(5));
    fake.clearReceived();
    const QUrl missing = QUrl::fromLocalFile(dir.filePath("gone.png"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Failed to open marker file:"));
    monitor.sendCustomMarker(missing);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Failed to open marker file:"));
    monitor.sendCustomMarker(QStringLiteral("name"), missing);
    // Neither an empty URL nor one that names no local file gives an empty marker.
    for (const QUrl &notLocal : {QUrl(), QUrl(QStringLiteral("qrc:/marker.png"))}) {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Not a local marker file"));
        monitor.sendCustomMarker(notLocal);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Not a local marker file"));
        monitor.sendCustomMarker(QStringLiteral("name"), notLocal);
    }
    monitor.queryCustomMarker();
    QVERIFY(fake.waitForCommands(1));
    QTest::qWait(30);
    QCOMPARE(commandIds(fake), (QList<QPair<int, int>>{{0x0404, 5}}));
}

void TestMonitorMarkers::markerListDecoding_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("changes");
    const QByteArray one = QByteArray("grid") + QByteArray(28, '\0');
    const QByteArray full = QByteArray("X").repeated(32);
    QTest::newRow("two entries") << (QByteArray::fromHex("02000000") + one + QByteArray("safe\0", 5) + QByteArray(27, '\x01'))
                                 << QStringList{"grid", "safe"} << 1;
    QTest::newRow("count beyond entries") << (QByteArray::fromHex("02000000") + one) << QStringList{"grid", ""} << 1;
    QTest::newRow("zero count") << QByteArray::fromHex("00000000") << QStringList{} << 1;
    QTest::newRow("name fills field") << (QByteArray::fromHex("01000000") + full) << QStringList{QString(full)} << 1;
    QTest::newRow("utf8 name") << (QByteArray::fromHex("01000000") + QByteArray("caf\xc3\xa9\0", 6) + QByteArray(26, '\0'))
                               << QStringList{QStringLiteral("caf\u00e9")} << 1;
    QTest::newRow("truncated entry") << (QByteArray::fromHex("01000000") + QByteArray("ab")) << QStringList{"ab"} << 1;
    // Too short to hold its count: ignored whole, the user's list stays.
    QTest::newRow("short count") << QByteArray::fromHex("0100") << QStringList{"old"} << 0;
}

void TestMonitorMarkers::markerListDecoding()
{
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, names);
    QFETCH(int, changes);
    Monitor monitor;
    reply(monitor, 0x0404, 5, QByteArray::fromHex("01000000") + QByteArray("old") + QByteArray(29, '\0'));
    QSignalSpy changed(&monitor, &Monitor::markerNameListChanged);
    reply(monitor, 0x0404, 5, payload);
    QCOMPARE(monitor.markerNameList(), names);
    QCOMPARE(changed.size(), changes);
    // Replies to other marker requests are not lists.
    reply(monitor, 0x0404, 3, QByteArray::fromHex("01000000"));
    QCOMPARE(monitor.markerNameList(), names);
}

void TestMonitorMarkers::markerListIsBounded()
{
    Monitor monitor;
    reply(monitor, 0x0404, 5, QByteArray::fromHex("FFFFFFFF"));
    QCOMPARE(monitor.markerNameList().size(), Monitor::MaxMarkerNames);
    QVERIFY(monitor.markerNameList().first().isEmpty());
}

void TestMonitorMarkers::deleteRemovesWithoutSignal()
{
    Monitor monitor;
    QByteArray list = QByteArray::fromHex("03000000");
    for (const char *name : {"a", "b", "a"})
        list += QByteArray(name) + QByteArray(31, '\0');
    reply(monitor, 0x0404, 5, list);
    QSignalSpy changed(&monitor, &Monitor::markerNameListChanged);
    monitor.deleteCustomMarker(QStringLiteral("a"));
    QCOMPARE(monitor.markerNameList(), QStringList{"b"});
    QCOMPARE(changed.size(), 0);
}

void TestMonitorMarkers::analyzerRequestIds_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("request");
    QTest::newRow("current, default style") << 0 << -1 << 0x0010;
    QTest::newRow("last, default style") << 1 << -1 << 0x0011;
    QTest::newRow("last, white") << 1 << 1 << 0x0001;
    QTest::newRow("other, white") << 7 << 1 << 0x0000;
    QTest::newRow("current, dark") << 0 << 0 << 0x0010;
}

void TestMonitorMarkers::analyzerRequestIds()
{
    QFETCH(int, which);
    QFETCH(int, style);
    QFETCH(int, request);
    FakeDevice fake;
    QVERIFY(fake.listen());
    Monitor monitor;
    QVERIFY(connectToFake(monitor, fake));
    QVERIFY(fake.waitForCommands(5));
    fake.clearReceived();
    if (style < 0)
        monitor.requestAnalyzerPng(which);
    else
        monitor.requestAnalyzerPng(which, style == 1);
    QVERIFY(fake.waitForCommands(1));
    QCOMPARE(commandIds(fake), (QList<QPair<int, int>>{{0x0405, request}}));
}

void TestMonitorMarkers::analyzerPictureKeptPerMonitor()
{
    Monitor first;
    Monitor second;
    QSignalSpy received(&first, &Monitor::analyzerPngReceived);
    const QByteArray red = pngOf(QSize(8, 4), Qt::red);
    const QByteArray blue = pngOf(QSize(8, 4), Qt::blue);
    reply(first, 0x0405, 0x0010, red);
    reply(second, 0x0405, 0x0011, blue);
    QCOMPARE(received.size(), 1);
    QVERIFY(first.analyzerPngLocalPath() != second.analyzerPngLocalPath());
    QCOMPARE(QImage(first.analyzerPngLocalPath()).pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(QImage(second.analyzerPngLocalPath()).pixel(0, 0), qRgb(0, 0, 255));
    QCOMPARE(first.analyzerPngUrl(), QUrl::fromLocalFile(first.analyzerPngLocalPath()).toString());
    QVERIFY(first.analyzerPngUrl().startsWith(QLatin1String("file:")));

    // A newer picture replaces the old one at the same path; an empty one changes nothing.
    const QString path = first.analyzerPngLocalPath();
    reply(first, 0x0405, 0x0010, blue);
    QCOMPARE(first.analyzerPngLocalPath(), path);
    QCOMPARE(QImage(path).pixel(0, 0), qRgb(0, 0, 255));
    QTest::ignoreMessage(QtDebugMsg, "Analyzer PNG: empty response");
    reply(first, 0x0405, 0x0010, QByteArray());
    QCOMPARE(received.size(), 2);
    QCOMPARE(QImage(path).pixel(0, 0), qRgb(0, 0, 255));
}

void TestMonitorMarkers::analyzerPictureNeverFollowsPlantedFiles()
{
    // Someone plants a link at the well-known name: it must be neither followed nor used.
    const QString temp = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    QTemporaryDir dir;
    const QString victim = dir.filePath("victim.txt");
    QFile victimFile(victim);
    QVERIFY(victimFile.open(QIODevice::WriteOnly));
    victimFile.write("keep me");
    victimFile.close();
    const QString planted = temp + "/analyzer_capture.png";
    const bool hadPlanted = QFile::exists(planted);
    if (!hadPlanted)
        QVERIFY(QFile::link(victim, planted));

    Monitor monitor;
    reply(monitor, 0x0405, 0x0010, pngOf(QSize(4, 4), Qt::green));
    QVERIFY(monitor.analyzerPngLocalPath() != planted);
    QVERIFY(monitor.analyzerPngLocalPath().startsWith(temp));
    QVERIFY(victimFile.open(QIODevice::ReadOnly));
    QCOMPARE(victimFile.readAll(), QByteArray("keep me"));
    if (!hadPlanted)
        QFile::remove(planted);
}

void TestMonitorMarkers::savePngAndPdf()
{
    QTemporaryDir dir;
    Monitor monitor;
    QImage picture(1920, 1080, QImage::Format_RGB32);
    picture.fill(Qt::darkGray);
    {
        QPainter painter(&picture);
        painter.fillRect(100, 100, 400, 300, Qt::yellow);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    reply(monitor, 0x0405, 0x0010, png);

    const QString pngPath = dir.filePath("copy.png");
    QFile existing(pngPath);
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("old contents");
    existing.close();
    monitor.saveAnalyzerPng(QUrl::fromLocalFile(pngPath));
    QFile copy(pngPath);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), png);
    // A new picture is as readable as any file the user creates, not private like the cache.
    const QString fresh = dir.filePath("fresh.png");
    monitor.saveAnalyzerPng(QUrl::fromLocalFile(fresh));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat freshStat {};
    QCOMPARE(::stat(QFile::encodeName(fresh).constData(), &freshStat), 0);
    QCOMPARE(freshStat.st_mode & 0777, 0666u & ~mask);

    const QString pdfPath = dir.filePath("report.pdf");
    monitor.saveAnalyzerPdf(QUrl::fromLocalFile(pdfPath));
    QVERIFY(QFile::exists(pdfPath));
    QProcess pdfinfo;
    pdfinfo.start(QStringLiteral("pdfinfo"), {pdfPath});
    QVERIFY2(pdfinfo.waitForFinished(20000), "pdfinfo (poppler-utils) must be installed");
    const QString info = QString::fromUtf8(pdfinfo.readAllStandardOutput());
    QVERIFY2(info.contains(QRegularExpression("Pages:\\s+1\\n")), qPrintable(info));
    QVERIFY2(info.contains(QRegularExpression("Page size:\\s+1920 x 1080 pts")), qPrintable(info));
}

void TestMonitorMarkers::saveWithoutPicture()
{
    QTemporaryDir dir;
    Monitor monitor;
    QTest::ignoreMessage(QtDebugMsg, "Analyzer PDF: no image to convert");
    monitor.saveAnalyzerPdf(QUrl::fromLocalFile(dir.filePath("none.pdf")));
    QTest::ignoreMessage(QtDebugMsg, "Analyzer PNG: no image to save");
    monitor.saveAnalyzerPng(QUrl::fromLocalFile(dir.filePath("none.png")));
    QVERIFY(!QFile::exists(dir.filePath("none.pdf")));
    QVERIFY(!QFile::exists(dir.filePath("none.png")));
}

QTEST_MAIN(TestMonitorMarkers)
#include "tst_monitormarkers.moc"
