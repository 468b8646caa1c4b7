// The capture windows of the monitor and the Cubrix: load without QML warnings, register their
// capture item with the device, choose a location, capture and save one file per click in the
// chosen format (against the simulator), name the files with the capture-source letter, scan
// and capture ancillary packets (simulator and fake device), follow the Cubrix box mode and
// close with Shift+Q.
#include "capture/captureframe.h"
#include "cubrix/cubrix.h"
#include "deviceconnection.h"
#include "fakedevice.h"
#include "monitor/monitor.h"
#include "scopewindowsupport.h"
#include "simprocess.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace QmlTest;
using namespace ScopeWindowTest;

namespace {
constexpr quint16 FrameProtocol = 0x0400;
constexpr quint16 AnciProtocol = 0x0402;

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}
} // namespace

class TestCaptureWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void loadsWithoutWarnings_data();
    void loadsWithoutWarnings();
    void chosenLocation();
    void captureAndSaveWritesOneFilePerClick_data();
    void captureAndSaveWritesOneFilePerClick();
    void captureSourceAndNameLetter();
    void ancillaryScanAndCaptureFromTheSimulator();
    void captureSelectCountsOccurrences();
    void cubrixBoxModeControlsTheCapture();
    void shiftQCloses();

private:
    QQuickWindow *open(DeviceBase *device, bool cubrix, const QString &mode = QStringLiteral("dark"));
    static CaptureFrame *captureItem(QQuickWindow *window);

    std::unique_ptr<WarningGuard> m_guard;
    std::unique_ptr<QQmlEngine> m_engine;
    SimProcess m_monitorSim;
    SimProcess m_cubrixSim;
    QList<QPointer<QQuickWindow>> m_windows;
};

void TestCaptureWindow::initTestCase()
{
    m_guard = std::make_unique<WarningGuard>();
    QVERIFY(m_monitorSim.start({QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--family"),
                                QStringLiteral("kt")}));
    QVERIFY(m_cubrixSim.start({QStringLiteral("--role"), QStringLiteral("cubrix")}, QStringLiteral("127.0.0.2")));
}

void TestCaptureWindow::init()
{
    m_engine = std::make_unique<QQmlEngine>();
}

void TestCaptureWindow::cleanup()
{
    for (const QPointer<QQuickWindow> &window : qAsConst(m_windows))
        delete window.data();
    m_windows.clear();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    m_engine.reset();
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

QQuickWindow *TestCaptureWindow::open(DeviceBase *device, bool cubrix, const QString &mode)
{
    QString error;
    const QString url = cubrix ? QStringLiteral("qrc:/cubrix/FrameCapture.qml") : QStringLiteral("qrc:/monitor/FrameCapture.qml");
    QQuickWindow *window = createWindow(*m_engine, url, withDevice(device, {{QStringLiteral("mode"), mode}}), &error);
    if (!window) {
        qWarning("%s", qPrintable(error));
        return nullptr;
    }
    m_windows << window;
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return nullptr;
    return window;
}

CaptureFrame *TestCaptureWindow::captureItem(QQuickWindow *window)
{
    return qobject_cast<CaptureFrame *>(find(window, QStringLiteral("captureItem")));
}

void TestCaptureWindow::loadsWithoutWarnings_data()
{
    QTest::addColumn<bool>("cubrix");
    QTest::addColumn<QString>("mode");
    QTest::newRow("monitor dark") << false << "dark";
    QTest::newRow("monitor light") << false << "light";
    QTest::newRow("cubrix dark") << true << "dark";
    QTest::newRow("cubrix light") << true << "light";
}

void TestCaptureWindow::loadsWithoutWarnings()
{
    QFETCH(bool, cubrix);
    QFETCH(QString, mode);
    Monitor monitor;
    Cubrix box;
    box.setBoxMode(1);
    DeviceBase *device = cubrix ? static_cast<DeviceBase *>(&box) : &monitor;
    QQuickWindow *window = open(device, cubrix, mode);
    QVERIFY(window);
    QTest::qWait(100);
    QML_VERIFY_NO_WARNINGS(*m_guard);

    QCOMPARE(window->title(), cubrix ? QStringLiteral("Cubrix Capture Frame") : QStringLiteral("Monitor Capture Frame"));
    QCOMPARE(window->height(), cubrix ? 550 : 450);
    QCOMPARE(window->minimumHeight(), window->maximumHeight());
    QVERIFY(window->width() >= 900 && window->width() <= 950);
    QCOMPARE(window->color(), mode == QLatin1String("dark") ? QColor(QStringLiteral("#1d1f21")) : QColor(QStringLiteral("#ececec")));

    // The capture item registered itself with the device.
    CaptureFrame *item = captureItem(window);
    QVERIFY(item);
    QCOMPARE(device->property("cCaptureFrame").value<CaptureFrame *>(), item);
    // The frame box takes the room the controls leave (their width follows the font).
    QVERIFY2(item->width() >= 560 && item->height() >= 390, qPrintable(QStringLiteral("%1 x %2 in %3").arg(item->width()).arg(item->height()).arg(window->width())));

    QVERIFY(find(window, QStringLiteral("beforeLutsRadio"))->property("checked").toBool());
    QVERIFY(!find(window, QStringLiteral("afterLutsRadio"))->property("checked").toBool());
    QVERIFY(find(window, QStringLiteral("suffixOffRadio"))->property("checked").toBool());
    QVERIFY(find(window, QStringLiteral("formatRadio1"))->property("checked").toBool());
    QCOMPARE(controlText(window, QStringLiteral("formatRadio2")), QStringLiteral(".BMP"));
    QCOMPARE(controlText(window, QStringLiteral("locationButton")), QStringLiteral("Capture and Save Location... "));
    QCOMPARE(controlText(window, QStringLiteral("fileNameField")), QStringLiteral("CapturedImage"));
    // Nothing to save into before a location is chosen.
    QVERIFY(!controlEnabled(window, QStringLiteral("captureSaveButton")));
    QVERIFY(controlEnabled(window, QStringLiteral("captureImageButton")));
    QCOMPARE(find(window, QStringLiteral("scanIdButton")) != nullptr, cubrix);
}

void TestCaptureWindow::chosenLocation()
{
    Monitor monitor;
    QQuickWindow *window = open(&monitor, false);
    QVERIFY(window);
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("shots")));
    const QUrl folder = QUrl::fromLocalFile(root.path() + QStringLiteral("/shots"));
    QVERIFY(QMetaObject::invokeMethod(window, "chooseLocation", Q_ARG(QVariant, QVariant::fromValue(folder))));

    QCOMPARE(controlText(window, QStringLiteral("locationButton")), QStringLiteral("../shots"));
    QCOMPARE(find(window, QStringLiteral("locationButton"))->property("tooltip").toString(), folder.toString());
    QCOMPARE(captureItem(window)->quickSaveDir(), folder.toString());
    QVERIFY(controlEnabled(window, QStringLiteral("captureSaveButton")));
    QVERIFY(find(window, QStringLiteral("fileNameField"))->property("enabled").toBool());
}

void TestCaptureWindow::captureAndSaveWritesOneFilePerClick_data()
{
    QTest::addColumn<bool>("cubrix");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("monitor jpeg") << false << 1 << ".jpg" << bytes({0xFF, 0xD8, 0xFF});
    QTest::newRow("monitor bitmap") << false << 2 << ".bmp" << QByteArray("BM");
    // Raw: the frame as it came, header first: width 1920 (0x0780), height 1080 (0x0438).
    QTest::newRow("monitor raw") << false << 3 << ".raw" << bytes({0x07, 0x80, 0x04, 0x38});
    QTest::newRow("cubrix jpeg") << true << 1 << ".jpg" << bytes({0xFF, 0xD8, 0xFF});
    QTest::newRow("cubrix bitmap") << true << 2 << ".bmp" << QByteArray("BM");
    QTest::newRow("cubrix raw") << true << 3 << ".raw" << bytes({0x07, 0x80, 0x04, 0x38});
}

void TestCaptureWindow::captureAndSaveWritesOneFilePerClick()
{
    QFETCH(bool, cubrix);
    QFETCH(int, format);
    QFETCH(QString, suffix);
    QFETCH(QByteArray, magic);
    Monitor monitor;
    Cubrix box;
    DeviceBase *device = cubrix ? static_cast<DeviceBase *>(&box) : &monitor;
    const SimProcess &sim = cubrix ? m_cubrixSim : m_monitorSim;
    QVERIFY(connectToSim(*device, sim.address(), sim.port()));
    if (cubrix)
        QTRY_COMPARE_WITH_TIMEOUT(box.boxMode(), 1, 10000);
    QQuickWindow *window = open(device, cubrix);
    QVERIFY(window);
    CaptureFrame *item = captureItem(window);

    QTemporaryDir folder;
    QVERIFY(QMetaObject::invokeMethod(window, "chooseLocation",
                                      Q_ARG(QVariant, QVariant::fromValue(QUrl::fromLocalFile(folder.path())))));
    QVERIFY(clickControl(window, QStringLiteral("formatRadio%1").arg(format)));
    QCOMPARE(item->quickSaveType(), format);
    QTRY_VERIFY(find(window, QStringLiteral("formatRadio%1").arg(format))->property("checked").toBool());

    for (int click = 0; click < 3; ++click)
        QVERIFY(clickControl(window, QStringLiteral("captureSaveButton")));
    QCOMPARE(item->quickSaveCount(), 3);
    QTRY_COMPARE_WITH_TIMEOUT(item->quickSaveCount(), 0, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(filesIn(folder.path()).size(), 3, 10000);
    for (const QString &name : filesIn(folder.path())) {
        QVERIFY2(name.endsWith(suffix), qPrintable(name));
        QVERIFY2(name.contains(QLatin1String("CapturedImage")), qPrintable(name));
        QFile file(QDir(folder.path()).filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(file.read(magic.size()) == magic, qPrintable(name));
    }
    // The picture of the last frame is shown too.
    QVERIFY(!item->image().isNull());
    QCOMPARE(item->image().size(), QSize(1920, 1080));
}

void TestCaptureWindow::captureSourceAndNameLetter()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    Monitor monitor;
    QVERIFY(connectToFake(monitor, fake));
    fake.waitForCommands(5);
    QTest::qWait(50);
    QQuickWindow *window = open(&monitor, false);
    QVERIFY(window);
    CaptureFrame *item = captureItem(window);
    QTemporaryDir folder;
    QVERIFY(QMetaObject::invokeMethod(window, "chooseLocation",
                                      Q_ARG(QVariant, QVariant::fromValue(QUrl::fromLocalFile(folder.path())))));

    auto frameRequests = [&fake]() {
        QList<int> requests;
        for (const auto &command : fake.received()) {
            if (command.protocol == FrameProtocol)
                requests << command.request;
        }
        return requests;
    };

    // Off: the name as typed, before the LUTs.
    fake.clearReceived();
    QVERIFY(clickControl(window, QStringLiteral("captureSaveButton")));
    QVERIFY(fake.waitForCommands(1));
    QCOMPARE(frameRequests(), (QList<int>{0}));
    QCOMPARE(item->quickSaveName(), QStringLiteral("CapturedImage"));

    // On, after the LUTs: "_A", and it does not pile up over several clicks.
    find(window, QStringLiteral("suffixOnRadio"))->setProperty("checked", true);
    find(window, QStringLiteral("afterLutsRadio"))->setProperty("checked", true);
    QCOMPARE(find(window, QStringLiteral("captureRadio"))->property("currentIndex").toInt(), 1);
    QCOMPARE(find(window, QStringLiteral("lutAfterBefore"))->property("currentIndex").toInt(), 1);
    fake.clearReceived();
    QVERIFY(clickControl(window, QStringLiteral("captureSaveButton")));
    QVERIFY(clickControl(window, QStringLiteral("captureSaveButton")));
    QVERIFY(fake.waitForCommands(2));
    QCOMPARE(frameRequests(), (QList<int>{1, 1}));
    QCOMPARE(item->quickSaveName(), QStringLiteral("CapturedImage_A"));
    QCOMPARE(controlText(window, QStringLiteral("fileNameField")), QStringLiteral("CapturedImage"));

    // Before the LUTs with a name of the user's own: "_B".
    find(window, QStringLiteral("beforeLutsRadio"))->setProperty("checked", true);
    QObject *field = find(window, QStringLiteral("fileNameField"));
    field->setProperty("text", QStringLiteral("Grade"));
    QVERIFY(QMetaObject::invokeMethod(field, "editingFinished"));
    QCOMPARE(item->quickSaveName(), QStringLiteral("Grade"));
    fake.clearReceived();
    QVERIFY(clickControl(window, QStringLiteral("captureSaveButton")));
    QCOMPARE(item->quickSaveName(), QStringLiteral("Grade_B"));
    QTRY_COMPARE_WITH_TIMEOUT(frameRequests(), (QList<int>{0}), 5000);

    // "Capture Image" asks for the chosen source and saves nothing.
    const int pending = item->quickSaveCount();
    fake.clearReceived();
    QVERIFY(clickControl(window, QStringLiteral("captureImageButton")));
    QVERIFY(fake.waitForCommands(1));
    QCOMPARE(frameRequests(), (QList<int>{0}));
    QCOMPARE(item->quickSaveCount(), pending);
}

void TestCaptureWindow::ancillaryScanAndCaptureFromTheSimulator()
{
    Cubrix box;
    QVERIFY(connectToSim(box, m_cubrixSim.address(), m_cubrixSim.port()));
    QQuickWindow *window = open(&box, true);
    QVERIFY(window);
    CaptureFrame *item = captureItem(window);
    QObject *combo = find(window, QStringLiteral("packetCombo"));
    QVERIFY(combo);

    // The simulator carries AFD, two audio metadata packets, ATC time code and caption data.
    QVERIFY(clickControl(window, QStringLiteral("scanIdButton")));
    QTRY_COMPARE_WITH_TIMEOUT(item->anciCount(), 5, 10000);
    auto *model = qobject_cast<QAbstractItemModel *>(window->property("ancimodel").value<QObject *>());
    QVERIFY(model);
    const int nameRole = model->roleNames().key("name", -1);
    QVERIFY(nameRole >= 0);
    QStringList names;
    for (int i = 0; i < model->rowCount(); ++i)
        names << model->data(model->index(i, 0), nameRole).toString();
    QCOMPARE(names, (QStringList{QStringLiteral("0x4105"), QStringLiteral("0x4501"), QStringLiteral("0x4501"),
                                 QStringLiteral("0x6060"), QStringLiteral("0x6101")}));
    QCOMPARE(model->property("count").toInt(), 5);
    QCOMPARE(combo->property("currentIndex").toInt(), 4);

    // The second audio metadata packet alone: the data page shows it.
    combo->setProperty("currentIndex", 2);
    QVERIFY(clickControl(window, QStringLiteral("captureSelectButton")));
    QTRY_COMPARE_WITH_TIMEOUT(item->displayMode(), int(CaptureFrame::DisplayAncillary), 10000);
    QCOMPARE(int(item->ancillary().record().did), 0x45);
    QCOMPARE(int(item->ancillary().record().sdid), 0x01);
    QCOMPARE(item->ancillary().record().blockCount, 1);
    QCOMPARE(item->ancillary().record().data, bytes({0x02, 0x10, 0x24, 0x00, 0x1F, 0x40, 0x00, 0x00}));
    QVERIFY(window->property("ancillaryPage").toBool());

    // Both packets of that pair.
    combo->setProperty("currentIndex", 1);
    QVERIFY(clickControl(window, QStringLiteral("captureDataButton")));
    QTRY_COMPARE_WITH_TIMEOUT(item->ancillary().record().blockCount, 2, 10000);
    QCOMPARE(item->ancillary().record().dcTotal, 10 + 8);
    // With BREVANTO_SCOPE_GRAB_DIR set, the window with its data page is kept for a look.
    const QString keep = qEnvironmentVariable("BREVANTO_SCOPE_GRAB_DIR");
    if (!keep.isEmpty()) {
        QTest::qWait(100);
        const QImage grabbed = window->grabWindow();
        // (The offscreen platform has nothing to grab; run under Xvfb for the picture.)
        if (!grabbed.isNull())
            grabbed.save(QDir(keep).filePath(QStringLiteral("cubrix-capture.png")));
    }

    // Asking for a frame leaves the data page.
    QVERIFY(clickControl(window, QStringLiteral("captureImageButton")));
    QVERIFY(!window->property("ancillaryPage").toBool());

    // A new scan empties the list first and fills it again.
    QVERIFY(clickControl(window, QStringLiteral("scanIdButton")));
    QCOMPARE(model->property("count").toInt(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(model->property("count").toInt(), 5, 10000);
}

void TestCaptureWindow::captureSelectCountsOccurrences()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    Cubrix box;
    QVERIFY(connectToFake(box, fake));
    QQuickWindow *window = open(&box, true);
    QVERIFY(window);
    CaptureFrame *item = captureItem(window);
    QObject *combo = find(window, QStringLiteral("packetCombo"));

    auto anciCommands = [&fake]() {
        QList<QByteArray> payloads;
        for (const auto &command : fake.received()) {
            if (command.protocol == AnciProtocol && command.request == 4)
                payloads << command.payload;
        }
        return payloads;
    };

    QTest::qWait(300); // the state sweep of the connection
    fake.clearReceived();
    // Nothing selected: nothing sent.
    item->receiveAnci(bytes({0, 0, 0, 0}), 3);
    QCOMPARE(combo->property("currentIndex").toInt(), -1);
    QVERIFY(clickControl(window, QStringLiteral("captureSelectButton")));
    QVERIFY(clickControl(window, QStringLiteral("captureDataButton")));

    // The third entry is the second occurrence (index 1) of 0x4105.
    item->receiveAnci(bytes({0, 0, 0, 0, 0x41, 0x05, 0x60, 0x60, 0x41, 0x05}), 3);
    QCOMPARE(combo->property("currentIndex").toInt(), 2);
    QVERIFY(clickControl(window, QStringLiteral("captureSelectButton")));
    combo->setProperty("currentIndex", 1);
    QVERIFY(clickControl(window, QStringLiteral("captureDataButton")));
    QTRY_COMPARE_WITH_TIMEOUT(anciCommands().size(), 2, 5000);
    QCOMPARE(anciCommands().at(0), bytes({0x41, 0x05, 0x00, 0x01}));
    QCOMPARE(anciCommands().at(1), bytes({0x60, 0x60}));

    // Scan ID asks the box for its list.
    fake.clearReceived();
    QVERIFY(clickControl(window, QStringLiteral("scanIdButton")));
    QVERIFY(fake.waitForCommands(1));
    QCOMPARE(commandIds(fake).first(), qMakePair(int(AnciProtocol), 3));
}

void TestCaptureWindow::cubrixBoxModeControlsTheCapture()
{
    Cubrix box;
    box.setBoxMode(1);
    QQuickWindow *window = open(&box, true);
    QVERIFY(window);
    CaptureFrame *item = captureItem(window);
    QVERIFY(item->isVisible());

    // A small frame on screen (format 2, 2 x 1), then the mode changes: the box clears it.
    QByteArray frame = bytes({0, 2, 0, 1, 0, 8, 0, 2, 1, 2, 3, 4});
    frame += bytes({0x20, 0x0E, 0xB2, 0x00, 0x20, 0x0E, 0xB2, 0x00});
    item->receiveFrame(frame, 1);
    QVERIFY(!item->image().isNull());

    box.setBoxMode(3);
    QVERIFY(item->image().isNull());
    QVERIFY(!item->isVisible());
    QVERIFY(!controlEnabled(window, QStringLiteral("captureImageButton")));
    QVERIFY(!find(window, QStringLiteral("captureSaveButton"))->property("visible").toBool());
    // The ancillary controls stay.
    QVERIFY(controlEnabled(window, QStringLiteral("scanIdButton")));

    box.setBoxMode(2);
    QVERIFY(item->isVisible());
    QVERIFY(controlEnabled(window, QStringLiteral("captureImageButton")));
}

void TestCaptureWindow::shiftQCloses()
{
    Monitor monitor;
    QQuickWindow *window = open(&monitor, false);
    QVERIFY(window);
    window->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::ignoreMessage(QtDebugMsg, "Capture Frame Window closing");
    QTest::keyClick(window, Qt::Key_Q, Qt::ShiftModifier);
    QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 5000);
}

BREVANTO_QML_TEST_MAIN(TestCaptureWindow)
#include "tst_capturewindow.moc"
