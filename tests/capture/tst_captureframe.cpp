// The capture item: properties, quick saves (names, formats, atomic writes, frames without a
// picture), painting, frame requests through a device's transport, ancillary messages, saving.
#include "capture/captureframe.h"
#include "debuglines.h"
#include "fakedevice.h"
#include "filesizelimit.h"
#include "framerules.h"
#include "logcapture.h"
#include "testdevice.h"

#include <QDir>
#include <QImageReader>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace FrameRules;

namespace {
const QString Stamp = QStringLiteral("20261205_12_30_45CapturedImage");

void armQuickSave(CaptureFrame &item, const QString &dir, int type, int count)
{
    item.setClock([] { return QDateTime(QDate(2026, 12, 5), QTime(12, 30, 45)); });
    item.setQuickSaveDir(dir);
    item.setQuickSaveType(type);
    item.setQuickSaveCount(count);
}

QStringList entries(const QTemporaryDir &dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// Two pixels, white and black in video range.
QByteArray smallFrame()
{
    return wordFrame(2, 1, 2, {word444(512, 940, 512), word444(512, 64, 512)}, 0, {1, 2, 3, 4});
}

// What the item paints, or (with `draw`) what the test draws, on the same background.
QImage painted(CaptureFrame &item, const std::function<void(QPainter &)> &draw = {})
{
    QImage image(item.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(40, 90, 140));
    QPainter painter(&image);
    draw ? draw(painter) : item.paint(&painter);
    return image;
}
} // namespace

class TestCaptureFrame : public QObject
{
    Q_OBJECT
private slots:
    void setters_data()
    {
        QTest::addColumn<QByteArray>("call"); // an invokable setter, or empty: the property written plainly
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("emitted"); // signals after writing the value twice
        const QString name = QStringLiteral("CapturedImage"), dir = QStringLiteral("file:///tmp");
        const struct { const char *row, *call; QVariant value; const char *property; QVariant stored; int emitted; } rows[] = {
            {"count", "setQuickSaveCount", 3, "quick_save_count", 3, 1},
            {"negative count is 0", "setQuickSaveCount", -2, "quick_save_count", 0, 0},
            {"count written plainly", "", -4, "quick_save_count", -4, 1},
            {"type 0 ignored", "setQuickSaveType", 0, "quick_save_type", 1, 0},
            {"type 4 ignored", "setQuickSaveType", 4, "quick_save_type", 1, 0},
            {"type 3", "setQuickSaveType", 3, "quick_save_type", 3, 1},
            {"type written plainly", "", 9, "quick_save_type", 9, 1},
            {"empty name ignored", "setQuickSaveName", QString(), "quick_save_name", name, 0},
            {"name", "setQuickSaveName", QStringLiteral("Shot"), "quick_save_name", QStringLiteral("Shot"), 1},
            {"name written plainly", "", QString(), "quick_save_name", QString(), 1},
            {"empty folder ignored", "setQuickSaveDir", QString(), "quick_save_dir", QString(), 0},
            {"folder", "setQuickSaveDir", dir, "quick_save_dir", dir, 1},
            {"list count signals every write", "", 0, "anci_count", 0, 2}};
        for (const auto &row : rows)
            QTest::newRow(row.row) << QByteArray(row.call) << row.value << QByteArray(row.property) << row.stored << row.emitted;
    }

    void setters()
    {
        QFETCH(QByteArray, call);
        QFETCH(QVariant, value);
        QFETCH(QByteArray, property);
        auto item = std::make_unique<CaptureFrame>();
        QVERIFY(item->quickSaveCount() + item->anciCount() + item->displayMode() == 0 && item->quickSaveType() == 1);
        QVERIFY(item->quickSaveDir().isEmpty() && item->image().isNull() && !item->socketHandler());
        QSignalSpy spy(item.get(), item->metaObject()->property(item->metaObject()->indexOfProperty(property)).notifySignal());
        for (int i = 0; i < 2; ++i) {
            QVERIFY(call.isEmpty() ? item->setProperty(property, value)
                                   : QMetaObject::invokeMethod(item.get(), call, QGenericArgument(value.typeName(), value.constData())));
        }
        QTEST(item->property(property), "stored");
        QTEST(int(spy.count()), "emitted");
        DebugLines debug;
        QTest::ignoreMessage(QtDebugMsg, "Closing CaptureFrame Destructor");
        item.reset();
    }

    void quickSave_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("frames"); // each consumes one of as many counts
        QTest::addColumn<QString>("folder"); // "temp": a folder of the test's
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("diskFull");
        const QString temp = QStringLiteral("temp");
        QTest::newRow("JPEG") << 1 << 1 << temp << QStringList{Stamp + ".jpg"} << false;
        QTest::newRow("bitmap") << 2 << 1 << temp << QStringList{Stamp + ".bmp"} << false;
        QTest::newRow("raw") << 3 << 1 << temp << QStringList{Stamp + ".raw"} << false;
        QTest::newRow("same second") << 1 << 3 << temp << QStringList{Stamp + ".jpg", Stamp + "_2.jpg", Stamp + "_3.jpg"} << false;
        QTest::newRow("raw, same second") << 3 << 2 << temp << QStringList{Stamp + ".raw", Stamp + "_2.raw"} << false;
        QTest::newRow("JPEG, disk full") << 1 << 1 << temp << QStringList() << true;
        QTest::newRow("bitmap, disk full") << 2 << 1 << temp << QStringList() << true;
        QTest::newRow("raw, disk full") << 3 << 1 << temp << QStringList() << true;
        QTest::newRow("no folder") << 1 << 2 << QString() << QStringList() << false;
        QTest::newRow("invalid folder URL") << 1 << 1 << QStringLiteral("http://[::1") << QStringList() << false;
    }

    void quickSave()
    {
        QFETCH(int, type);
        QFETCH(int, frames);
        QFETCH(QString, folder);
        QFETCH(QStringList, files);
        QFETCH(bool, diskFull);
        QTemporaryDir dir;
        const QString url = QUrl::fromLocalFile(dir.path()).toString();
        CaptureFrame item;
        armQuickSave(item, folder == QLatin1String("temp") ? url : folder, type, frames);
        // Noise hardly compresses: each picture file is well above the 2048 bytes of a full disk.
        const QByteArray frame = header(64, 64, 256, 259) + noise(64 * 256, 11);
        DebugLines debug;
        LogCapture log(QtDebugMsg);
        {
            FileSizeLimit limit(diskFull ? 2048 : RLIM_INFINITY);
            QVERIFY(limit.active());
            for (int i = 0; i <= frames; ++i) // the last one finds the count used up
                item.receiveFrame(frame, 0);
        }
        QCOMPARE(item.quickSaveCount(), 0);
        QCOMPARE(entries(dir), files);
        QVERIFY(log.contains(QStringLiteral("failed to write")) == diskFull
                && log.contains(QStringLiteral("quick_save type or name or dir is empty ,error\n")) == folder.isEmpty());
        QFile reference(dir.filePath(QStringLiteral("reference"))); // as any new file of the user's there
        QVERIFY(reference.open(QIODevice::WriteOnly));
        for (const QString &name : files) {
            const QString path = dir.filePath(name);
            QVERIFY(log.contains("needSave ==  1") && log.contains((type == 3 ? "quick_save_name = " : "save file ") + url + '/' + name));
            QCOMPARE(QFileInfo(path).permissions(), reference.permissions());
            QFile file(path);
            if (type == 3)
                QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), rawFile(frame));
            else if (type == 2)
                QCOMPARE(QImage(path).convertToFormat(QImage::Format_ARGB32_Premultiplied), item.image());
            else
                QCOMPARE(QImageReader(path).format(), QByteArray("jpeg"));
        }
        // The picture comes from the payload as received, whatever the raw file holds.
        QCOMPARE(item.image().pixel(5, 3), pixel(reinterpret_cast<const uchar *>(frame.constData()) + 12 + 3 * 256, 5, 259, 0));
    }

    void framesWithoutAPicture_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("undecodable"); // or simply empty
        const QByteArray full = wordFrame(4, 4, 2, QVector<quint32>(16, 0x12345678u));
        QTest::newRow("one byte short") << full.left(full.size() - 1) << true;
        QTest::newRow("gigapixel header alone") << header(65535, 65535, 65535, 2) << true;
        QTest::newRow("huge lines, zero pitch") << header(65535, 65535, 0, 1) << true;
        QTest::newRow("pitch too small for 259") << header(4, 2, 12, 259) + noise(24, 4) << true;
        QTest::newRow("pitch too small for 4:2:2") << header(7, 1, 20, 1) + QByteArray(20, '\0') << true;
        QTest::newRow("unknown format, 1.5 bytes a pixel") << header(4, 2, 6, 7) + noise(12, 5) << true;
        // Cut 2 bytes into the second word of line 1: whole words are exchanged, the 2 bytes stay.
        QTest::newRow("259 cut inside a word") << wordFrame(3, 2, 259, {0x12345678u, 0xC00003FFu, 0x3FF00000u, 0x3FFu, 1u, 0u}).left(30)
                                               << true;
        QTest::newRow("shorter than the header") << QByteArray::fromHex("0002000100") << true;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("no pixels a line") << header(0, 1080, 0, 2) << false;
        QTest::newRow("no lines") << header(1920, 0, 7680, 2) << false;
    }

    void framesWithoutAPicture()
    {
        QFETCH(QByteArray, frame);
        QFETCH(bool, undecodable);
        QTemporaryDir dir;
        CaptureFrame item;
        item.setSize(QSizeF(300, 100));
        const QImage blank = painted(item);
        item.receiveFrame(smallFrame(), 1);
        item.receiveAnci(QByteArray::fromHex("00000000 4105 01 AA 5F"), 4);
        const int repaints = item.repaintRequests();
        QSignalSpy flagged(&item, &CaptureFrame::frame_undecodableChanged);
        armQuickSave(item, QUrl::fromLocalFile(dir.path()).toString(), 1, 2);
        const QRegularExpression notDecoded(QStringLiteral("^receiveFrame: frame not decoded: "));

        // A JPEG needs a picture: nothing is written, the frame still answers one save request. The
        // old picture and time code go; the picture area says why, or shows nothing.
        if (undecodable)
            QTest::ignoreMessage(QtWarningMsg, notDecoded);
        item.receiveFrame(frame, 1);
        QVERIFY(entries(dir).isEmpty() && item.image().isNull() && item.quickSaveCount() == 1 && item.displayMode() == 0);
        QCOMPARE(item.repaintRequests() - repaints, flagged.count());
        QCOMPARE(item.property("frame_undecodable").toBool(), undecodable);
        QCOMPARE(flagged.count(), undecodable ? 1 : 0);
        QCOMPARE(painted(item), undecodable ? painted(item, [](QPainter &painter) {
            painter.drawText(QRectF(0, 0, 300, 100), Qt::AlignCenter, QStringLiteral("Frame could not be decoded"));
        }) : blank);

        // The raw form needs no decoding: the bytes as they came (whole words exchanged), if there is
        // a header at all; without a pending save nothing goes below zero.
        item.setQuickSaveType(3);
        for (int i = 0; i < 2; ++i) {
            if (undecodable)
                QTest::ignoreMessage(QtWarningMsg, notDecoded);
            item.receiveFrame(frame, 1);
        }
        QCOMPARE(item.quickSaveCount(), 0);
        QFile file(dir.filePath(Stamp + ".raw"));
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll().toHex() : "none", frame.size() < 12 ? "none" : rawFile(frame).toHex());
        item.receiveFrame(smallFrame(), 1);
        QVERIFY(!item.frameUndecodable());
    }

    void paintsFrameAndTimecode_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArray>("timecode");
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QRect>("target"); // where the picture lands in a 200 x 200 item
        QTest::addColumn<QString>("text");
        const QByteArray published = QByteArray::fromHex("12050917"), other = QByteArray::fromHex("0A3BFF01");
        QTest::newRow("monitor, wide") << "RM-2460" << published << QSize(4, 2) << QRect(0, 0, 200, 100) << "TC 12:05:09:23";
        QTest::newRow("Cubrix, tall") << "Cubrix" << published << QSize(2, 4) << QRect(0, 0, 100, 200) << "TC 12:05:09:17";
        QTest::newRow("only the exact model") << "cubrix" << other << QSize(2, 2) << QRect(0, 0, 200, 200) << "TC 0a:59:255:01";
        QTest::newRow("Cubrix, lower-case hex") << "Cubrix" << other << QSize(2, 2) << QRect(0, 0, 200, 200) << "TC 0a:3b:ff:01";
    }

    void paintsFrameAndTimecode()
    {
        QFETCH(QString, model);
        QFETCH(QByteArray, timecode);
        QFETCH(QSize, frame);
        QFETCH(QRect, target);
        QFETCH(QString, text);
        CaptureFrame item;
        item.setSize(QSizeF(200, 200));
        item.setDeviceModel(model);
        const QImage blank = painted(item);
        QByteArray red = wordFrame(frame.width(), frame.height(), 259, QVector<quint32>(frame.width() * frame.height(), 0x3FF));
        item.receiveFrame(red.replace(8, 4, timecode), 0);
        QCOMPARE(item.frameTimecodeText(), text);
        // Aspect ratio and top-left corner kept; a white box with the default pen round the time code.
        QCOMPARE(painted(item), painted(item, [&](QPainter &painter) {
                     painter.fillRect(target, Qt::red);
                     painter.fillRect(QRect(1, 1, 100, 18), Qt::white);
                     painter.drawRect(QRect(0, 0, 101, 19));
                     painter.drawText(QPoint(4, 15), text);
                 }));
        item.clearFrame();
        QCOMPARE(painted(item), blank);
    }

    void requestsGoThroughTheTransport_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("request");
        QTest::newRow("before LUTs") << 0 << 0;
        QTest::newRow("after LUTs") << 1 << 1;
        QTest::newRow("only the low byte") << 257 << 1;
    }

    void requestsGoThroughTheTransport()
    {
        QFETCH(int, id);
        FakeDevice fake;
        QVERIFY(fake.listen());
        TestDevice device(fake.port());
        device.setAddress(QStringLiteral("127.0.0.1"));
        device.deviceConnect();
        QVERIFY(fake.waitForClient());
        QTRY_COMPARE_WITH_TIMEOUT(device.state(), QAbstractSocket::ConnectedState, 5000);
        CaptureFrame item;
        item.setSocketHandler(device.socketHandler());
        item.setDeviceModel(QStringLiteral("Cubrix"));
        QVERIFY(item.socketHandler() == device.socketHandler() && item.deviceModel() == QLatin1String("Cubrix"));
        item.captureFrame(id);
        QVERIFY(fake.waitForCommands(1));
        QCOMPARE(fake.received().size(), 1);
        QCOMPARE(int(fake.received().at(0).protocol), 0x0400);
        QTEST(int(fake.received().at(0).request), "request");
        QVERIFY(fake.received().at(0).payload.isEmpty());
    }

    void requestsWithoutATransport()
    {
        // Not registered, or the device (with its transport) gone: nothing to send through.
        const char *const noHandler = "Error: CaptureFrame class holds NULL pointer to required SocketHandler. \n"
                                      "Unable to send request to hardware.";
        CaptureFrame item;
        QTest::ignoreMessage(QtCriticalMsg, noHandler);
        item.captureFrame(0);
        {
            TestDevice device;
            item.setSocketHandler(device.socketHandler());
            QTest::ignoreMessage(QtCriticalMsg, "Error: CaptureFrame's SocketHandler is not connected. \n"
                                                "Unable to send request to hardware.");
            item.captureFrame(1);
            QCOMPARE(device.socketHandler()->queuedCount(), 0);
            QCOMPARE(int(device.socketHandler()->inFlight().protocol), 0);
        }
        QVERIFY(!item.socketHandler());
        QTest::ignoreMessage(QtCriticalMsg, noHandler);
        item.captureFrame(0);
    }

    void ancillaryMessages()
    {
        CaptureFrame item;
        item.setSize(QSizeF(600, 120));
        QSignalSpy listed(&item, &CaptureFrame::anci_countChanged);
        item.receiveFrame(smallFrame(), 1);
        // A list message (DID and SDID pairs after the time code) sets the count and signals, also
        // for the same length or an empty list, but not the page; one of odd length, or without a
        // time code, is refused and signals nothing; other types are ignored.
        for (const char *list : {"00000000 4105 6060 4105", "00000000", "01020304 0102 0A0F 0506", "0000 0000 4105 0A0F"})
            item.receiveAnci(QByteArray::fromHex(list), 3);
        for (const char *refused : {"00000000 410560", "4105", ""}) {
            QTest::ignoreMessage(QtWarningMsg, "invalid head");
            item.receiveAnci(QByteArray::fromHex(refused), 3);
        }
        item.receiveAnci(QByteArray::fromHex("00000000 6060"), 2);
        item.receiveAnci(QByteArray::fromHex("00000000 6060"), 5);
        QVERIFY(listed.count() == 4 && item.anciCount() == 2 && item.displayMode() == 0);
        QVERIFY(item.getListItem(-1).isEmpty() && item.getListItem(2).isEmpty() && item.getListItem(1) == QLatin1String("0x0a0f"));
        {
            DebugLines debug;
            QTest::ignoreMessage(QtDebugMsg, "start get List Item 0. m_list.count() == 2");
            QTest::ignoreMessage(QtDebugMsg, " get list item 0x4105");
            QCOMPARE(item.getListItem(0), QStringLiteral("0x4105"));
        }
        // Packet data shows its page until the next frame; clearing it there drops the record only.
        const int repaints = item.repaintRequests();
        item.receiveAnci(QByteArray::fromHex("01020304 4105 03 AABBCC 5F"), 4);
        QVERIFY(item.displayMode() == 1 && item.repaintRequests() == repaints + 1);
        QCOMPARE(painted(item), painted(item, [](QPainter &painter) {
                     const std::pair<QPoint, const char *> texts[] = {
                         {{30, 30}, "Ancillary Data:"}, {{330, 30}, "TC 01:02:03:04"}, {{30, 50}, "DID=0x41"},
                         {{130, 50}, "SDID=0x05"},      {{220, 50}, "DC=0x3"},        {{330, 50}, "BLOCK=0x1"},
                         {{430, 50}, "CS=0x5f"},        {{30, 70}, "UDW = "},         {{80, 70}, "0xaabbcc"}};
                     for (const auto &text : texts)
                         painter.drawText(text.first, QString::fromLatin1(text.second));
                 }));
        item.clearFrame();
        QVERIFY(item.repaintRequests() == repaints + 2 && item.image().isNull() && item.displayMode() == 1);
        QVERIFY(item.ancillary().record().data.isEmpty() && item.ancillary().record().timecode[0] + item.ancillary().record().blockCount == 0);
        QCOMPARE(item.getListItem(0), QStringLiteral("0x4105"));
        item.receiveAnci(QByteArray::fromHex("01020304 4105 03 AABBCC 5F"), 4);
        item.receiveFrame(smallFrame(), 1);
        QCOMPARE(item.displayMode(), 0);
        item.clearFrame();
        QCOMPARE(item.ancillary().record().data, QByteArray::fromHex("AABBCC"));
    }

    void saveImage()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("picked.bmp"));
        CaptureFrame item;
        {
            DebugLines debug;
            QTest::ignoreMessage(QtDebugMsg, "saveImage  url empty");
            item.saveImage(QUrl());
            QTest::ignoreMessage(QtDebugMsg, "saveImage  m_image == NULL");
            item.saveImage(QUrl::fromLocalFile(path));
        }
        QVERIFY(entries(dir).isEmpty());
        // The user picked the file in a save dialog: one that is there is replaced...
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("not a picture") > 0);
        old.close();
        item.receiveFrame(smallFrame(), 1);
        item.saveImage(QUrl::fromLocalFile(path));
        const QImage saved(path);
        QVERIFY(QImageReader(path).format() == "bmp" && saved.pixel(0, 0) == 0xFFFFFFFFu && saved.pixel(1, 0) == 0xFF000000u);
        // ...but not by a write that fails part-way, which leaves nothing beside it either.
        {
            FileSizeLimit full(16);
            QVERIFY(full.active());
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^saveImage: could not write ")));
            item.saveImage(QUrl::fromLocalFile(path));
        }
        QCOMPARE(QImage(path), saved);
        QCOMPARE(entries(dir), QStringList{QStringLiteral("picked.bmp")});
    }
};

QTEST_MAIN(TestCaptureFrame)
#include "tst_captureframe.moc"
