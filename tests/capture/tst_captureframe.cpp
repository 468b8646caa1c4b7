#include "capture/captureframe.h"
#include "capture/rawframefile.h"
#include "fakedevice.h"
#include "testdevice.h"
#include "testframes.h"

#include <QDir>
#include <QImageReader>
#include <QLoggingCategory>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <memory>
#include <sys/resource.h>

class TestCaptureFrame : public QObject
{
    Q_OBJECT
private slots:
    void initialValues();
    void propertyWritesStoreAnyValue();
    void checkedSetters();
    void anciCountSignalsEveryWrite();
    void quickSaveJpegName();
    void quickSaveSameSecondGetsSuffix();
    void quickSaveBitmapKeepsPixels();
    void quickSaveRawExchangesBits();
    void quickSaveWithoutSettingsConsumesCount();
    void quickSaveInvalidUrlConsumesCount();
    void quickSaveIsAtomic_data();
    void quickSaveIsAtomic();
    void undecodableFrame_data();
    void undecodableFrame();
    void emptyFrameDropsImage();
    void unknownFormatIsBlack();
    void timecodeText_data();
    void timecodeText();
    void paintsFrameAndTimecode_data();
    void paintsFrameAndTimecode();
    void paintsNothingWithoutImage();
    void paintsAncillaryPage();
    void captureFrameSendsRequest_data();
    void captureFrameSendsRequest();
    void frameReplyReachesItem();
    void requestWithoutTransport();
    void requestWhileDisconnected();
    void requestAfterTransportIsGone();
    void ancillaryList();
    void ancillaryListRefused_data();
    void ancillaryListRefused();
    void ancillaryPacketsShowPage();
    void clearFrame();
    void saveImage();
    void destructorLogs();
};

namespace {

// Debug lines are filtered out in the test runs; the texts they carry are part of the
// behaviour, so the tests that check them switch the default category on for a while.
class DebugLines
{
public:
    DebugLines() : m_wasOn(QLoggingCategory::defaultCategory()->isDebugEnabled())
    {
        QLoggingCategory::defaultCategory()->setEnabled(QtDebugMsg, true);
    }
    ~DebugLines() { QLoggingCategory::defaultCategory()->setEnabled(QtDebugMsg, m_wasOn); }

private:
    bool m_wasOn;
};

const QDateTime FixedTime(QDate(2026, 12, 5), QTime(12, 30, 45));

QString dirUrl(const QTemporaryDir &dir)
{
    return QUrl::fromLocalFile(dir.path()).toString();
}

void armQuickSave(CaptureFrame &item, const QTemporaryDir &dir, int type, int count)
{
    item.setClock([] { return FixedTime; });
    item.setQuickSaveDir(dirUrl(dir));
    item.setQuickSaveType(type);
    item.setQuickSaveCount(count);
}

QStringList filesIn(const QTemporaryDir &dir)
{
    return QDir(dir.path()).entryList(QDir::Files, QDir::Name);
}

// A small 4:4:4 frame whose two pixels are white and black in video range.
QByteArray smallFrame(std::initializer_list<int> timecode = {0x12, 0x05, 0x09, 0x17})
{
    return TestFrames::wordFrame(2, 1, 2, {TestFrames::word444(512, 940, 512), TestFrames::word444(512, 64, 512)}, 0,
                                 timecode);
}

QByteArray solidRgbFrame(int width, int height, quint32 word, std::initializer_list<int> timecode)
{
    return TestFrames::wordFrame(width, height, 259, QVector<quint32>(width * height, word), 0, timecode);
}

// Writes into any file past `bytes` fail part-way, as on a full disk; unlike folder
// permissions this holds for root too.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes) : m_oldHandler(std::signal(SIGXFSZ, SIG_IGN))
    {
        const bool known = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        const rlimit limit{bytes, m_old.rlim_max};
        m_active = known && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_active)
            setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int);
    bool m_active = false;
};

QStringList allEntries(const QTemporaryDir &dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QImage canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(40, 90, 140));
    return image;
}

QImage painted(CaptureFrame &item, int width, int height)
{
    QImage image = canvas(width, height);
    QPainter painter(&image);
    item.paint(&painter);
    return image;
}

} // namespace

void TestCaptureFrame::initialValues()
{
    CaptureFrame item;
    QCOMPARE(item.quickSaveCount(), 0);
    QCOMPARE(item.quickSaveType(), 1);
    QCOMPARE(item.quickSaveDir(), QString());
    QCOMPARE(item.quickSaveName(), QStringLiteral("CapturedImage"));
    QCOMPARE(item.anciCount(), 0);
    QCOMPARE(item.displayMode(), 0);
    QVERIFY(item.image().isNull());
    QVERIFY(!item.socketHandler());
    QCOMPARE(item.property("quick_save_type").toInt(), 1);
    QCOMPARE(item.property("quick_save_name").toString(), QStringLiteral("CapturedImage"));

    // The notify signals are declared in this order.
    const QMetaObject *meta = item.metaObject();
    const char *signalNames[] = {"quick_save_countChanged()", "quick_save_typeChanged()", "quick_save_dirChanged()",
                                 "quick_save_nameChanged()", "anci_countChanged()"};
    int previous = -1;
    for (const char *name : signalNames) {
        const int index = meta->indexOfSignal(name);
        QVERIFY2(index > previous, name);
        previous = index;
    }
}

void TestCaptureFrame::propertyWritesStoreAnyValue()
{
    CaptureFrame item;
    QSignalSpy countSpy(&item, &CaptureFrame::quick_save_countChanged);
    QSignalSpy typeSpy(&item, &CaptureFrame::quick_save_typeChanged);
    QSignalSpy nameSpy(&item, &CaptureFrame::quick_save_nameChanged);
    QVERIFY(item.setProperty("quick_save_count", -4));
    QCOMPARE(item.quickSaveCount(), -4);
    QVERIFY(item.setProperty("quick_save_count", -4));
    QCOMPARE(countSpy.count(), 1);
    QVERIFY(item.setProperty("quick_save_type", 9));
    QCOMPARE(item.quickSaveType(), 9);
    QCOMPARE(typeSpy.count(), 1);
    QVERIFY(item.setProperty("quick_save_name", QString()));
    QCOMPARE(item.quickSaveName(), QString());
    QCOMPARE(nameSpy.count(), 1);
}

void TestCaptureFrame::checkedSetters()
{
    CaptureFrame item;
    QSignalSpy countSpy(&item, &CaptureFrame::quick_save_countChanged);
    QSignalSpy typeSpy(&item, &CaptureFrame::quick_save_typeChanged);
    QSignalSpy dirSpy(&item, &CaptureFrame::quick_save_dirChanged);
    QSignalSpy nameSpy(&item, &CaptureFrame::quick_save_nameChanged);

    item.setQuickSaveCount(3);
    item.setQuickSaveCount(3);
    QCOMPARE(countSpy.count(), 1);
    item.setQuickSaveCount(-2);
    QCOMPARE(item.quickSaveCount(), 0);
    QCOMPARE(countSpy.count(), 2);

    item.setQuickSaveType(0);
    item.setQuickSaveType(4);
    QCOMPARE(item.quickSaveType(), 1);
    QCOMPARE(typeSpy.count(), 0);
    item.setQuickSaveType(3);
    QCOMPARE(item.quickSaveType(), 3);
    item.setQuickSaveType(2);
    QCOMPARE(item.quickSaveType(), 2);
    QCOMPARE(typeSpy.count(), 2);

    item.setQuickSaveName(QString());
    QCOMPARE(item.quickSaveName(), QStringLiteral("CapturedImage"));
    item.setQuickSaveName(QStringLiteral("Shot"));
    QCOMPARE(item.quickSaveName(), QStringLiteral("Shot"));
    QCOMPARE(nameSpy.count(), 1);

    item.setQuickSaveDir(QStringLiteral("file:///tmp"));
    item.setQuickSaveDir(QString());
    QCOMPARE(item.quickSaveDir(), QStringLiteral("file:///tmp"));
    QCOMPARE(dirSpy.count(), 1);
}

void TestCaptureFrame::anciCountSignalsEveryWrite()
{
    CaptureFrame item;
    QSignalSpy spy(&item, &CaptureFrame::anci_countChanged);
    QVERIFY(item.setProperty("anci_count", 5));
    QVERIFY(item.setProperty("anci_count", 5));
    QCOMPARE(item.anciCount(), 5);
    QCOMPARE(spy.count(), 2);
}

void TestCaptureFrame::quickSaveJpegName()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    CaptureFrame item;
    armQuickSave(item, dir, 1, 1);
    {
        DebugLines debug;
        const QString url = dirUrl(dir) + QStringLiteral("/20261205_12_30_45CapturedImage.jpg");
        QTest::ignoreMessage(QtDebugMsg, "Received Frame Slot: Range = 1");
        QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("quick_save_name = ") + url));
        QTest::ignoreMessage(QtDebugMsg, "needSave ==  1");
        QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("save file ") + url));
        item.receiveFrame(smallFrame(), 1);
    }
    QCOMPARE(item.quickSaveCount(), 0);
    QCOMPARE(filesIn(dir), QStringList{QStringLiteral("20261205_12_30_45CapturedImage.jpg")});
    const QString path = dir.filePath(QStringLiteral("20261205_12_30_45CapturedImage.jpg"));
    QCOMPARE(QImageReader(path).format(), QByteArray("jpeg"));
    QCOMPARE(QImage(path).size(), QSize(2, 1));

    // With the count used up, the next frame is not saved.
    item.receiveFrame(smallFrame(), 1);
    QCOMPARE(filesIn(dir).size(), 1);
}

void TestCaptureFrame::quickSaveSameSecondGetsSuffix()
{
    QTemporaryDir dir;
    CaptureFrame item;
    armQuickSave(item, dir, 1, 3);
    item.setQuickSaveName(QStringLiteral("Take"));
    for (int i = 0; i < 3; ++i)
        item.receiveFrame(smallFrame(), 1);
    QCOMPARE(item.quickSaveCount(), 0);
    QCOMPARE(filesIn(dir), (QStringList{QStringLiteral("20261205_12_30_45Take.jpg"),
                                        QStringLiteral("20261205_12_30_45Take_2.jpg"),
                                        QStringLiteral("20261205_12_30_45Take_3.jpg")}));

    // Raw saves follow the same rule; the other suffix starts its own series.
    item.setQuickSaveType(3);
    item.setQuickSaveCount(2);
    item.receiveFrame(smallFrame(), 1);
    item.receiveFrame(smallFrame(), 1);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("20261205_12_30_45Take.raw"))));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("20261205_12_30_45Take_2.raw"))));
}

void TestCaptureFrame::quickSaveBitmapKeepsPixels()
{
    QTemporaryDir dir;
    CaptureFrame item;
    armQuickSave(item, dir, 2, 1);
    item.receiveFrame(smallFrame(), 1);
    const QString path = dir.filePath(QStringLiteral("20261205_12_30_45CapturedImage.bmp"));
    QCOMPARE(QImageReader(path).format(), QByteArray("bmp"));
    const QImage saved(path);
    QCOMPARE(saved.size(), QSize(2, 1));
    QCOMPARE(saved.pixel(0, 0), 0xFFFFFFFFu);
    QCOMPARE(saved.pixel(1, 0), 0xFF000000u);
    QCOMPARE(item.quickSaveCount(), 0);
}

void TestCaptureFrame::quickSaveRawExchangesBits()
{
    QTemporaryDir dir;
    CaptureFrame item;
    armQuickSave(item, dir, 3, 1);
    const QByteArray frame = TestFrames::wordFrame(2, 1, 259, {0x000003FFu, 0xC0000000u}, 0, {1, 2, 3, 4});
    item.receiveFrame(frame, 0);
    QCOMPARE(item.quickSaveCount(), 0);
    QFile file(dir.filePath(QStringLiteral("20261205_12_30_45CapturedImage.raw")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray expected = TestFrames::wordFrame(2, 1, 259, {0x3FF00000u, 0u}, 0, {1, 2, 3, 4});
    QCOMPARE(file.readAll().toHex(), expected.toHex());
    // The shown image comes from the unchanged payload: red.
    QCOMPARE(item.image().pixel(0, 0), 0xFFFF0000u);
    QCOMPARE(filesIn(dir).size(), 1);
}

void TestCaptureFrame::quickSaveWithoutSettingsConsumesCount()
{
    DebugLines debug;
    CaptureFrame item;
    item.setQuickSaveCount(2);
    for (int i = 0; i < 2; ++i) {
        QTest::ignoreMessage(QtDebugMsg, "quick_save type or name or dir is empty ,error\n");
        item.receiveFrame(smallFrame(), 1);
    }
    QCOMPARE(item.quickSaveCount(), 0);
    QVERIFY(!item.image().isNull());
}

void TestCaptureFrame::quickSaveInvalidUrlConsumesCount()
{
    CaptureFrame item;
    item.setClock([] { return FixedTime; });
    const QString badDir = QStringLiteral("http://[::1");
    QVERIFY(!QUrl(badDir + QStringLiteral("/20261205_12_30_45CapturedImage.jpg"), QUrl::TolerantMode).isValid());
    item.setQuickSaveDir(badDir);
    item.setQuickSaveCount(1);
    item.receiveFrame(smallFrame(), 1);
    QCOMPARE(item.quickSaveCount(), 0);
    QVERIFY(!item.image().isNull());
}

void TestCaptureFrame::quickSaveIsAtomic_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("diskFull");
    for (const bool full : {false, true}) {
        const char *how = full ? "fails part-way" : "written";
        QTest::addRow("JPEG %s", how) << 1 << QStringLiteral("20261205_12_30_45CapturedImage.jpg") << full;
        QTest::addRow("bitmap %s", how) << 2 << QStringLiteral("20261205_12_30_45CapturedImage.bmp") << full;
        QTest::addRow("raw %s", how) << 3 << QStringLiteral("20261205_12_30_45CapturedImage.raw") << full;
    }
}

void TestCaptureFrame::quickSaveIsAtomic()
{
    QFETCH(int, type);
    QFETCH(QString, fileName);
    QFETCH(bool, diskFull);
    const qint64 limit = 2048;
    QTemporaryDir dir;
    CaptureFrame item;
    armQuickSave(item, dir, type, 1);
    // Noise hardly compresses: each format's file is well above the limit.
    const QByteArray frame = TestFrames::header(64, 64, 256, 259) + TestFrames::noise(64 * 256, 11);
    if (diskFull) {
        FileSizeLimit full(limit);
        QVERIFY(full.active());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^failed to write ")));
        item.receiveFrame(frame, 0);
    } else {
        item.receiveFrame(frame, 0);
    }
    QCOMPARE(item.quickSaveCount(), 0);
    if (diskFull) {
        QCOMPARE(allEntries(dir), QStringList());
        return;
    }
    QCOMPARE(allEntries(dir), QStringList{fileName});
    const QFileInfo written(dir.filePath(fileName));
    QVERIFY(written.size() > limit);
    // The permissions any new file of the user's gets there.
    QFile reference(dir.filePath(QStringLiteral("reference")));
    QVERIFY(reference.open(QIODevice::WriteOnly));
    QCOMPARE(written.permissions(), QFileInfo(reference).permissions());
}

void TestCaptureFrame::undecodableFrame_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("raw"); // the raw quick save's file; empty: no file
    const QByteArray full = TestFrames::wordFrame(4, 4, 2, QVector<quint32>(16, 0x12345678u));
    const QByteArray oneShort = full.left(full.size() - 1);
    QTest::newRow("one byte short") << oneShort << oneShort;
    const QByteArray gigapixel = TestFrames::header(65535, 65535, 65535, 2);
    QTest::newRow("gigapixel header alone") << gigapixel << gigapixel;
    const QByteArray zeroPitch = TestFrames::header(65535, 65535, 0, 1);
    QTest::newRow("huge lines, zero pitch") << zeroPitch << zeroPitch;
    const QByteArray small259 = TestFrames::header(4, 2, 12, 259) + QByteArray(24, '\0');
    QTest::newRow("pitch too small for 259") << small259 << small259;
    const QByteArray small422 = TestFrames::header(7, 1, 20, 1) + QByteArray(20, '\0');
    QTest::newRow("pitch too small for 4:2:2") << small422 << small422;
    const QByteArray unknown = TestFrames::header(4, 2, 6, 7) + TestFrames::noise(12, 5);
    QTest::newRow("unknown format, pitch under 4 bytes a pixel") << unknown << unknown;
    // Cut 2 bytes into the second word of line 1: the whole words present get bits 0-9 and
    // 20-29 exchanged and bits 30-31 cleared, the 2 bytes stay as they came.
    const QByteArray cut259 = TestFrames::wordFrame(3, 2, 259, {0x12345678u, 0xC00003FFu, 0x3FF00000u, 0x000003FFu,
                                                                0x12345678u, 0u}).left(12 + 12 + 6);
    const QByteArray exchanged = TestFrames::wordFrame(3, 2, 259, {0x27845523u, 0x3FF00000u, 0x000003FFu,
                                                                   0x3FF00000u, 0u, 0u});
    QTest::newRow("259 cut inside a word") << cut259 << QByteArray(exchanged.left(28) + QByteArray::fromHex("7856"));
    QTest::newRow("shorter than the header") << QByteArray::fromHex("0002000100") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestCaptureFrame::undecodableFrame()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, raw);
    const QRegularExpression notDecoded(QStringLiteral("^receiveFrame: frame not decoded: "));
    QTemporaryDir dir;
    CaptureFrame item;
    item.setSize(QSizeF(300, 100));
    item.receiveFrame(smallFrame({0x01, 0x02, 0x03, 0x04}), 1);
    item.receiveAnci(QByteArray::fromHex("00000000 4105 01 AA 5F"), 4);
    const int repaints = item.repaintRequests();
    QSignalSpy undecodable(&item, &CaptureFrame::frame_undecodableChanged);
    armQuickSave(item, dir, 1, 2);

    // A JPEG needs a picture: nothing is written, the frame still answers one save request.
    {
        DebugLines debug;
        QTest::ignoreMessage(QtWarningMsg, notDecoded);
        QTest::ignoreMessage(QtDebugMsg, "quick save skipped: the frame could not be decoded into a picture");
        item.receiveFrame(frame, 1);
    }
    QVERIFY(filesIn(dir).isEmpty());
    QCOMPARE(item.quickSaveCount(), 1);
    QCOMPARE(item.repaintRequests(), repaints + 1);
    QCOMPARE(item.displayMode(), 0);
    QVERIFY(item.image().isNull());
    QVERIFY(item.property("frame_undecodable").toBool());
    QCOMPARE(undecodable.count(), 1);
    // The picture area says so, without the old picture and its time code.
    QImage expected = canvas(300, 100);
    QPainter(&expected).drawText(QRectF(0, 0, 300, 100), Qt::AlignCenter, QStringLiteral("Frame could not be decoded"));
    QCOMPARE(painted(item, 300, 100), expected);

    // The raw form needs no decoding: the bytes as they came.
    item.setQuickSaveType(3);
    QTest::ignoreMessage(QtWarningMsg, notDecoded);
    item.receiveFrame(frame, 1);
    QCOMPARE(item.quickSaveCount(), 0);
    if (raw.isEmpty()) {
        QVERIFY(filesIn(dir).isEmpty());
    } else {
        QFile file(dir.filePath(QStringLiteral("20261205_12_30_45CapturedImage.raw")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().toHex(), raw.toHex());
    }

    // Without a pending save nothing goes below zero.
    QTest::ignoreMessage(QtWarningMsg, notDecoded);
    item.receiveFrame(frame, 1);
    QCOMPARE(item.quickSaveCount(), 0);
    item.receiveFrame(smallFrame(), 1);
    QVERIFY(!item.frameUndecodable());
}

void TestCaptureFrame::emptyFrameDropsImage()
{
    QTemporaryDir dir;
    CaptureFrame item;
    item.setSize(QSizeF(100, 50));
    item.receiveFrame(smallFrame(), 1);
    QVERIFY(!item.image().isNull());
    const int repaints = item.repaintRequests();
    armQuickSave(item, dir, 1, 1);
    item.receiveFrame(TestFrames::header(0, 1080, 0, 2), 1);
    QVERIFY(item.image().isNull());
    QCOMPARE(item.repaintRequests(), repaints);
    QCOMPARE(item.quickSaveCount(), 0);
    QVERIFY(filesIn(dir).isEmpty());
    QCOMPARE(painted(item, 100, 50), canvas(100, 50));

    item.receiveFrame(TestFrames::header(1920, 0, 7680, 2), 1);
    QVERIFY(item.image().isNull());
}

void TestCaptureFrame::unknownFormatIsBlack()
{
    CaptureFrame item;
    item.receiveFrame(TestFrames::wordFrame(2, 2, 5, {0xFFFFFFFFu, 0x3FFFFFFFu, 0x12345678u, 0u}), 1);
    QCOMPARE(item.image().size(), QSize(2, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            QCOMPARE(item.image().pixel(x, y), 0xFF000000u);
}

void TestCaptureFrame::timecodeText_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArray>("timecode");
    QTest::addColumn<QString>("text");
    const QByteArray published = QByteArray::fromHex("12050917");
    QTest::newRow("monitor") << QStringLiteral("RM-2460") << published << QStringLiteral("TC 12:05:09:23");
    QTest::newRow("no model yet") << QString() << published << QStringLiteral("TC 12:05:09:23");
    QTest::newRow("Cubrix") << QStringLiteral("Cubrix") << published << QStringLiteral("TC 12:05:09:17");
    QTest::newRow("only the exact model text") << QStringLiteral("cubrix") << published
                                               << QStringLiteral("TC 12:05:09:23");
    QTest::newRow("monitor, hex hours") << QStringLiteral("RM-2460") << QByteArray::fromHex("0A3B0001")
                                        << QStringLiteral("TC 0a:59:00:01");
    QTest::newRow("Cubrix, lower-case hex") << QStringLiteral("Cubrix") << QByteArray::fromHex("0A3BFF01")
                                            << QStringLiteral("TC 0a:3b:ff:01");
}

void TestCaptureFrame::timecodeText()
{
    QFETCH(QString, model);
    QFETCH(QByteArray, timecode);
    QFETCH(QString, text);
    CaptureFrame item;
    item.setDeviceModel(model);
    QByteArray frame = TestFrames::header(1, 1, 4, 2) + QByteArray(4, '\0');
    frame.replace(8, 4, timecode);
    item.receiveFrame(frame, 0);
    QCOMPARE(item.frameTimecodeText(), text);
}

void TestCaptureFrame::paintsFrameAndTimecode_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("frameWidth");
    QTest::addColumn<int>("frameHeight");
    QTest::addColumn<QRect>("target"); // where the picture lands in a 200 x 200 item
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("wrongText");
    QTest::newRow("monitor, wide frame") << QStringLiteral("RM-2460") << 4 << 2 << QRect(0, 0, 200, 100)
                                         << QStringLiteral("TC 12:05:09:23") << QStringLiteral("TC 12:05:09:17");
    QTest::newRow("Cubrix, tall frame") << QStringLiteral("Cubrix") << 2 << 4 << QRect(0, 0, 100, 200)
                                        << QStringLiteral("TC 12:05:09:17") << QStringLiteral("TC 12:05:09:23");
}

void TestCaptureFrame::paintsFrameAndTimecode()
{
    QFETCH(QString, model);
    QFETCH(int, frameWidth);
    QFETCH(int, frameHeight);
    QFETCH(QRect, target);
    QFETCH(QString, text);
    QFETCH(QString, wrongText);
    CaptureFrame item;
    item.setSize(QSizeF(200, 200));
    item.setDeviceModel(model);
    item.receiveFrame(solidRgbFrame(frameWidth, frameHeight, 0x000003FFu, {0x12, 0x05, 0x09, 0x17}), 0);
    const QImage actual = painted(item, 200, 200);

    // The picture keeps its aspect ratio and its top-left corner.
    QCOMPARE(actual.pixel(target.right() - 5, target.bottom() - 5), 0xFFFF0000u);
    const QPoint outside = target.width() < 200 ? QPoint(150, 100) : QPoint(100, 150);
    QCOMPARE(actual.pixel(outside), canvas(1, 1).pixel(0, 0));
    // The timecode box: white inside, the default black pen around it.
    QCOMPARE(actual.pixel(99, 17), 0xFFFFFFFFu);
    QCOMPARE(actual.pixel(0, 10), 0xFF000000u);

    auto expected = [&](const QString &label) {
        QImage solid(frameWidth, frameHeight, QImage::Format_ARGB32_Premultiplied);
        solid.fill(0xFFFF0000u);
        QImage image = canvas(200, 200);
        QPainter painter(&image);
        painter.drawImage(QRectF(target), solid);
        painter.fillRect(QRect(1, 1, 100, 18), Qt::white);
        painter.drawRect(QRect(0, 0, 101, 19));
        painter.drawText(QPoint(4, 15), label);
        return image;
    };
    QCOMPARE(actual, expected(text));
    QVERIFY(actual != expected(wrongText));
}

void TestCaptureFrame::paintsNothingWithoutImage()
{
    CaptureFrame item;
    item.setSize(QSizeF(120, 80));
    QCOMPARE(painted(item, 120, 80), canvas(120, 80));
    item.receiveFrame(smallFrame(), 1);
    QVERIFY(painted(item, 120, 80) != canvas(120, 80));
    item.clearFrame();
    QCOMPARE(painted(item, 120, 80), canvas(120, 80));
}

void TestCaptureFrame::paintsAncillaryPage()
{
    CaptureFrame item;
    item.setSize(QSizeF(600, 120));
    item.receiveFrame(smallFrame(), 1);
    item.receiveAnci(QByteArray::fromHex("01020304 4105 03 AABBCC 5F"), 4);
    QCOMPARE(item.displayMode(), 1);

    QImage expected = canvas(600, 120);
    {
        QPainter painter(&expected);
        painter.drawText(QPoint(30, 30), QStringLiteral("Ancillary Data:"));
        painter.drawText(QPoint(330, 30), QStringLiteral("TC 01:02:03:04"));
        painter.drawText(QPoint(30, 50), QStringLiteral("DID=0x41"));
        painter.drawText(QPoint(130, 50), QStringLiteral("SDID=0x05"));
        painter.drawText(QPoint(220, 50), QStringLiteral("DC=0x3"));
        painter.drawText(QPoint(330, 50), QStringLiteral("BLOCK=0x1"));
        painter.drawText(QPoint(430, 50), QStringLiteral("CS=0x5f"));
        painter.drawText(QPoint(30, 70), QStringLiteral("UDW = "));
        painter.drawText(QPoint(80, 70), QStringLiteral("0xaabbcc"));
    }
    QCOMPARE(painted(item, 600, 120), expected);
}

void TestCaptureFrame::captureFrameSendsRequest_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("request");
    QTest::newRow("before LUTs") << 0 << 0;
    QTest::newRow("after LUTs") << 1 << 1;
    QTest::newRow("only the low byte") << 257 << 1;
}

void TestCaptureFrame::captureFrameSendsRequest()
{
    QFETCH(int, id);
    QFETCH(int, request);
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
    QCOMPARE(item.socketHandler(), device.socketHandler());
    QCOMPARE(item.deviceModel(), QStringLiteral("Cubrix"));
    item.captureFrame(id);
    QVERIFY(fake.waitForCommands(1));
    QCOMPARE(fake.received().size(), 1);
    QCOMPARE(int(fake.received().at(0).protocol), 0x0400);
    QCOMPARE(int(fake.received().at(0).request), request);
    QVERIFY(fake.received().at(0).payload.isEmpty());
}

void TestCaptureFrame::frameReplyReachesItem()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    const QByteArray frame = solidRgbFrame(3, 2, 0x3FF003FFu, {0x10, 0x20, 0x30, 0x40});
    fake.setResponder([&frame](const FakeDevice::Command &cmd) {
        return FakeDevice::message(cmd.protocol, cmd.request, frame);
    });
    fake.setChunkSize(5);
    TestDevice device(fake.port());
    device.setAddress(QStringLiteral("127.0.0.1"));
    CaptureFrame item;
    device.onReply = [&item](const TestDevice::Reply &reply) {
        if (reply.header.protocol == 0x0400)
            item.receiveFrame(reply.payload, 0);
    };
    device.deviceConnect();
    QVERIFY(fake.waitForClient());
    QTRY_COMPARE_WITH_TIMEOUT(device.state(), QAbstractSocket::ConnectedState, 5000);
    item.setSocketHandler(device.socketHandler());
    item.captureFrame(1);
    QTRY_VERIFY_WITH_TIMEOUT(!item.image().isNull(), 5000);
    QCOMPARE(item.image().size(), QSize(3, 2));
    QCOMPARE(item.image().pixel(2, 1), 0xFFFF00FFu);
    QCOMPARE(item.frameTimecodeText(), QStringLiteral("TC 10:32:48:64"));
}

void TestCaptureFrame::requestWithoutTransport()
{
    CaptureFrame item;
    QTest::ignoreMessage(QtCriticalMsg,
                         "Error: CaptureFrame class holds NULL pointer to required SocketHandler. \n"
                         "Unable to send request to hardware.");
    item.captureFrame(0);
}

void TestCaptureFrame::requestWhileDisconnected()
{
    TestDevice device;
    CaptureFrame item;
    item.setSocketHandler(device.socketHandler());
    QTest::ignoreMessage(QtCriticalMsg,
                         "Error: CaptureFrame's SocketHandler is not connected. \n"
                         "Unable to send request to hardware.");
    item.captureFrame(1);
    QCOMPARE(device.socketHandler()->queuedCount(), 0);
    QCOMPARE(int(device.socketHandler()->inFlight().protocol), 0);
}

void TestCaptureFrame::requestAfterTransportIsGone()
{
    CaptureFrame item;
    {
        TestDevice device;
        item.setSocketHandler(device.socketHandler());
    }
    QVERIFY(!item.socketHandler());
    QTest::ignoreMessage(QtCriticalMsg,
                         "Error: CaptureFrame class holds NULL pointer to required SocketHandler. \n"
                         "Unable to send request to hardware.");
    item.captureFrame(0);
}

void TestCaptureFrame::ancillaryList()
{
    CaptureFrame item;
    QSignalSpy spy(&item, &CaptureFrame::anci_countChanged);
    item.receiveAnci(QByteArray::fromHex("00000000 4105 6060 4105"), 3);
    QCOMPARE(item.anciCount(), 3);
    QCOMPARE(spy.count(), 1);
    {
        DebugLines debug;
        QTest::ignoreMessage(QtDebugMsg, "start get List Item 0. m_list.count() == 3");
        QTest::ignoreMessage(QtDebugMsg, " get list item 0x4105");
        QCOMPARE(item.getListItem(0), QStringLiteral("0x4105"));
    }
    QCOMPARE(item.getListItem(1), QStringLiteral("0x6060"));
    QCOMPARE(item.getListItem(2), QStringLiteral("0x4105"));
    QCOMPARE(item.getListItem(3), QString());
    QCOMPARE(item.displayMode(), 0);

    // The same length again, and then an empty list: a signal every time.
    item.receiveAnci(QByteArray::fromHex("00000000 0102 0304 0506"), 3);
    QCOMPARE(spy.count(), 2);
    item.receiveAnci(QByteArray::fromHex("00000000"), 3);
    QCOMPARE(item.anciCount(), 0);
    QCOMPARE(spy.count(), 3);

    // Other types are ignored.
    item.receiveAnci(QByteArray::fromHex("00000000 4105"), 2);
    item.receiveAnci(QByteArray::fromHex("00000000 4105"), 5);
    QCOMPARE(spy.count(), 3);
    QCOMPARE(item.displayMode(), 0);
}

void TestCaptureFrame::ancillaryListRefused_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("7 bytes") << QByteArray::fromHex("00000000 410560");
    QTest::newRow("2 bytes") << QByteArray::fromHex("4105");
    QTest::newRow("empty") << QByteArray();
}

void TestCaptureFrame::ancillaryListRefused()
{
    QFETCH(QByteArray, message);
    CaptureFrame item;
    item.receiveAnci(QByteArray::fromHex("00000000 4105 6060"), 3);
    QSignalSpy spy(&item, &CaptureFrame::anci_countChanged);
    QTest::ignoreMessage(QtWarningMsg, "invalid head");
    item.receiveAnci(message, 3);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(item.anciCount(), 2);
    QCOMPARE(item.getListItem(1), QStringLiteral("0x6060"));
}

void TestCaptureFrame::ancillaryPacketsShowPage()
{
    CaptureFrame item;
    item.receiveFrame(smallFrame(), 1);
    const int repaints = item.repaintRequests();
    item.receiveAnci(QByteArray::fromHex("01020304"), 4);
    QCOMPARE(item.displayMode(), 1);
    QCOMPARE(item.repaintRequests(), repaints + 1);
    QCOMPARE(item.ancillary().record().blockCount, 0);
    item.receiveFrame(smallFrame(), 1);
    QCOMPARE(item.displayMode(), 0);
}

void TestCaptureFrame::clearFrame()
{
    CaptureFrame item;
    item.receiveAnci(QByteArray::fromHex("00000000 4105"), 3);
    item.receiveFrame(smallFrame(), 1);
    item.receiveAnci(QByteArray::fromHex("01020304 4105 03 AABBCC 5F"), 4);

    // Ancillary page shown: the record goes, list and mode stay.
    int repaints = item.repaintRequests();
    item.clearFrame();
    QVERIFY(item.image().isNull());
    QCOMPARE(item.displayMode(), 1);
    QCOMPARE(item.repaintRequests(), repaints + 1);
    QVERIFY(item.ancillary().record().data.isEmpty());
    QCOMPARE(item.ancillary().record().blockCount, 0);
    QCOMPARE(int(item.ancillary().record().timecode[0]), 0);
    QCOMPARE(item.anciCount(), 1);
    QCOMPARE(item.getListItem(0), QStringLiteral("0x4105"));

    // Frame shown: the ancillary record is kept.
    item.receiveAnci(QByteArray::fromHex("01020304 4105 03 AABBCC 5F"), 4);
    item.receiveFrame(smallFrame(), 1);
    repaints = item.repaintRequests();
    item.clearFrame();
    QVERIFY(item.image().isNull());
    QCOMPARE(item.displayMode(), 0);
    QCOMPARE(item.repaintRequests(), repaints + 1);
    QCOMPARE(item.ancillary().record().data, QByteArray::fromHex("AABBCC"));
}

void TestCaptureFrame::saveImage()
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
    QVERIFY(!QFile::exists(path));

    // The user picked the file in a save dialog: an existing one is replaced.
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("not a picture");
    }
    item.receiveFrame(smallFrame(), 1);
    item.saveImage(QUrl::fromLocalFile(path));
    QCOMPARE(QImageReader(path).format(), QByteArray("bmp"));
    const QImage saved(path);
    QCOMPARE(saved.pixel(0, 0), 0xFFFFFFFFu);
    QCOMPARE(saved.pixel(1, 0), 0xFF000000u);

    // A write that fails part-way leaves the file that was there, and nothing beside it.
    {
        FileSizeLimit full(16);
        QVERIFY(full.active());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^saveImage: could not write ")));
        item.saveImage(QUrl::fromLocalFile(path));
    }
    QCOMPARE(QImage(path), saved);
    QCOMPARE(allEntries(dir), QStringList{QStringLiteral("picked.bmp")});
}

void TestCaptureFrame::destructorLogs()
{
    DebugLines debug;
    auto item = std::make_unique<CaptureFrame>();
    QTest::ignoreMessage(QtDebugMsg, "Closing CaptureFrame Destructor");
    item.reset();
}

QTEST_MAIN(TestCaptureFrame)
#include "tst_captureframe.moc"
