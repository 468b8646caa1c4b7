// The monitor page's controls, driven through their QML objects in the real window, and the
// commands that reach a fake monitor: LUT slots, custom markers, analyzer pictures, the
// firmware update and a launcher whose window cannot load. (Keys: tst_monitorpagekeys.)
#include "monitorpagefixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <memory>

using namespace QmlTest;
using Command = FakeDevice::Command;

namespace {
QList<QPair<int, int>> ids(const QList<Command> &commands)
{
    QList<QPair<int, int>> pairs;
    for (const Command &command : commands)
        pairs.append({command.protocol, command.request});
    return pairs;
}
} // namespace

class TestMonitorPageCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void ktLutStoresIntoChosenSlot();
    void lutSwitchOnNonKtAddressesSlotZero();
    void calibrationListAndIdBoxStoreIntoDifferentSlots();
    void rvCalibrationStoresBothSizes();
    void lutLoadAndPreview();
    void lutDialogsByType();
    void temporaryMarker();
    void namedMarkerUpload();
    void markerListAndDelete();
    void analyzerRequestsPerStyle_data();
    void analyzerRequestsPerStyle();
    void analyzerPictureShownAndSaved();
    void firmwareUpdateAfterConfirmation();
    void launcherThatCannotLoadOpensNothing();

private:
    QString writeFile(const QString &name, const QByteArray &bytes);
    QUrl fileUrl(const QString &name, const QByteArray &bytes) { return QUrl::fromLocalFile(writeFile(name, bytes)); }
    void showLutBoxes();

    std::unique_ptr<WarningGuard> m_guard;
    std::unique_ptr<MonitorPageFixture> m_page;
    QTemporaryDir m_dir;
};

void TestMonitorPageCommands::initTestCase()
{
    m_guard = std::make_unique<WarningGuard>();
    QVERIFY(m_dir.isValid());
}

void TestMonitorPageCommands::init()
{
    m_page = std::make_unique<MonitorPageFixture>();
    QVERIFY(m_page->fake().port() != 0);
}

void TestMonitorPageCommands::cleanup()
{
    m_page.reset();
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

QString TestMonitorPageCommands::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

void TestMonitorPageCommands::showLutBoxes()
{
    if (!m_page->isShown(QStringLiteral("lutBoxes")))
        QVERIFY(m_page->press(QStringLiteral("moreButton")));
    QVERIFY(m_page->isShown(QStringLiteral("lutBoxes")));
}

void TestMonitorPageCommands::ktLutStoresIntoChosenSlot()
{
    QVERIFY(m_page->open(MonitorPageFixture::kt()));
    QObject *lut = m_page->object(QStringLiteral("lutKT"));
    QVERIFY(lut);
    QVERIFY(m_page->isShown(QStringLiteral("lutKtSaveButton")));
    QObject *dialog = m_page->object(QStringLiteral("lutKtFileDialog"));
    QCOMPARE(dialog->property("title").toString(), QStringLiteral("Select LUT file"));
    QCOMPARE(dialog->property("nameFilters").toStringList(),
             (QStringList{"3D LUT files (*.dat *.cube)", "All files (*)"}));

    const QByteArray image = QByteArray(128, '\x01') + QByteArray(4913 * 4, '\x02');
    m_page->item(QStringLiteral("lutKtId"))->setProperty("value", 3);
    call(lut, "storeFile", {fileUrl(QStringLiteral("look.dat"), image)});
    const QList<Command> sent = m_page->take(1);
    // DIT 3D store into slot 3 counted from 0.
    QCOMPARE(ids(sent), (QList<QPair<int, int>>{{0x0311, 0x0302}}));
    QCOMPARE(sent.first().payload, image);

    m_page->item(QStringLiteral("lutKtId"))->setProperty("value", 16);
    call(lut, "storeFile", {fileUrl(QStringLiteral("look.dat"), image)});
    QCOMPARE(ids(m_page->take(1)), (QList<QPair<int, int>>{{0x0311, 0x030F}}));
}

void TestMonitorPageCommands::lutSwitchOnNonKtAddressesSlotZero()
{
    QVERIFY(m_page->open(MonitorPageFixture::rv()));
    showLutBoxes();
    QObject *front = m_page->object(QStringLiteral("frontDit1dLut"));
    // Even with a slot left in the (hidden) selector, only slot 0 is switched.
    find(front, QStringLiteral("lutSwitchId"))->setProperty("value", 5);
    QObject *frontSwitch = find(front, QStringLiteral("lutSwitch"));
    frontSwitch->setProperty("checked", true);
    frontSwitch->setProperty("checked", false);
    QObject *dit3d = find(m_page->object(QStringLiteral("dit3dLut")), QStringLiteral("lutSwitch"));
    dit3d->setProperty("checked", true);
    QObject *postDit = find(m_page->object(QStringLiteral("postDit1dLut")), QStringLiteral("lutSwitch"));
    postDit->setProperty("checked", true);
    // DIT 1D is protocol 0x0301, DIT 3D 0x0311, post-DIT 1D 0x0302; on is 0x0100 plus the slot.
    QCOMPARE(ids(m_page->take(4)),
             (QList<QPair<int, int>>{{0x0301, 0x0100}, {0x0301, 0x0000}, {0x0311, 0x0100}, {0x0302, 0x0100}}));
}

void TestMonitorPageCommands::calibrationListAndIdBoxStoreIntoDifferentSlots()
{
    QVERIFY(m_page->open(MonitorPageFixture::rvq()));
    showLutBoxes();
    const QByteArray table("LUT_1D_SIZE 2\n0 0 0\n1 1 1\n");
    const QUrl url = fileUrl(QStringLiteral("curve.lut"), table);

    // The second entry of the calibration list ("User 2") is slot 2 ...
    QObject *calibration = m_page->object(QStringLiteral("frontCalibration1dLut"));
    QObject *list = find(calibration, QStringLiteral("lutRvStoreSlot"));
    list->setProperty("currentIndex", 1);
    QCOMPARE(list->property("currentText").toString(), QStringLiteral("User 2"));
    call(calibration, "storeFile", {url});
    // ... while "Id: " 2 of the general box is slot 1.
    QObject *general = m_page->object(QStringLiteral("frontDit1dLut"));
    find(general, QStringLiteral("lutStoreId"))->setProperty("value", 2);
    call(general, "storeFile", {url});

    const QList<Command> sent = m_page->take(2);
    QCOMPARE(ids(sent), (QList<QPair<int, int>>{{0x0300, 0x0302}, {0x0301, 0x0301}}));
    QCOMPARE(sent.at(0).payload, table);
    QCOMPARE(sent.at(1).payload, table);

    // The last entry of the back calibration list is slot 6 of the post-calibration LUT.
    QObject *back = m_page->object(QStringLiteral("backCalibration1dLut"));
    find(back, QStringLiteral("lutRvStoreSlot"))->setProperty("currentIndex", 5);
    call(back, "storeFile", {url});
    QCOMPARE(ids(m_page->take(1)), (QList<QPair<int, int>>{{0x0303, 0x0306}}));
}

void TestMonitorPageCommands::rvCalibrationStoresBothSizes()
{
    QVERIFY(m_page->open(MonitorPageFixture::rv()));
    m_page->monitor()->setRvPauseMs(0);
    showLutBoxes();

    // A 17-point cube: stored as it is, then as the 33-point version made from it.
    QByteArray cube("LUT_3D_SIZE 17\n");
    for (int b = 0; b < 17; ++b)
        for (int g = 0; g < 17; ++g)
            for (int r = 0; r < 17; ++r)
                cube += QByteArray::number(r / 16.0, 'f', 6) + ' ' + QByteArray::number(g / 16.0, 'f', 6) + ' '
                        + QByteArray::number(b / 16.0, 'f', 6) + '\n';
    QObject *calibration = m_page->object(QStringLiteral("calibration3dLut"));
    find(calibration, QStringLiteral("lutRvStoreSlot"))->setProperty("currentIndex", 2);
    QTest::ignoreMessage(QtDebugMsg, "RV Series, Create both and send. ");
    call(calibration, "storeFile", {fileUrl(QStringLiteral("grade.cube"), cube)});
    const QList<Command> sent = m_page->take(2);
    QCOMPARE(ids(sent), (QList<QPair<int, int>>{{0x0310, 0x0303}, {0x0310, 0x0303}}));
    QCOMPARE(sent.at(0).payload, cube);
    QVERIFY(sent.at(1).payload.contains("LUT_3D_SIZE 33"));

    // A 1D calibration table goes once.
    QObject *front = m_page->object(QStringLiteral("frontCalibration1dLut"));
    find(front, QStringLiteral("lutRvStoreSlot"))->setProperty("currentIndex", 0);
    call(front, "storeFile", {fileUrl(QStringLiteral("curve.lut"), "LUT_1D_SIZE 2\n0 0 0\n1 1 1\n")});
    QCOMPARE(ids(m_page->take(1)), (QList<QPair<int, int>>{{0x0300, 0x0301}}));
    QVERIFY(m_page->nothingSentBefore());
}

void TestMonitorPageCommands::lutLoadAndPreview()
{
    // RV: the general boxes load a slot, the calibration lists load their named slot.
    QVERIFY(m_page->open(MonitorPageFixture::rv()));
    showLutBoxes();
    QObject *general = m_page->object(QStringLiteral("postDit1dLut"));
    find(general, QStringLiteral("lutLoadId"))->setProperty("value", 4);
    QVERIFY(m_page->pressWithin(QStringLiteral("postDit1dLut"), QStringLiteral("lutLoadButton")));
    QObject *calibration = m_page->object(QStringLiteral("calibration3dLut"));
    find(calibration, QStringLiteral("lutRvLoadSlot"))->setProperty("currentIndex", 3);
    QVERIFY(m_page->pressWithin(QStringLiteral("calibration3dLut"), QStringLiteral("lutRvLoadButton")));
    QCOMPARE(ids(m_page->take(2)), (QList<QPair<int, int>>{{0x0302, 0x0403}, {0x0310, 0x0404}}));
    m_page->unload();

    // RVQ: a 3D file previewed on SDI 1 goes for immediate use in slot 0 and is switched on.
    m_page = std::make_unique<MonitorPageFixture>();
    QVERIFY(m_page->open(MonitorPageFixture::rvq()));
    showLutBoxes();
    QVERIFY(!m_page->pressWithin(QStringLiteral("dit3dLut"), QStringLiteral("lutLoadButton")));
    QVERIFY(qobject_cast<QQuickItem *>(m_page->within(QStringLiteral("dit3dLut"), QStringLiteral("lutPreviewButton")))
                ->isVisible());
    const QByteArray image = QByteArray(128, '\x07') + QByteArray(4913 * 4, '\x05');
    call(m_page->object(QStringLiteral("dit3dLut")), "previewFile", {fileUrl(QStringLiteral("preview.dat"), image)});
    const QList<Command> sent = m_page->take(2);
    QCOMPARE(ids(sent), (QList<QPair<int, int>>{{0x0311, 0x0200}, {0x0311, 0x0100}}));
    QCOMPARE(sent.at(0).payload, image);
    QVERIFY(sent.at(1).payload.isEmpty());
}

void TestMonitorPageCommands::lutDialogsByType()
{
    QVERIFY(m_page->open(MonitorPageFixture::rvq()));
    showLutBoxes();
    // The file chooser of each box offers the files of its LUT type. (The dialogs themselves are
    // not opened here: the fallback file dialog keeps loading folders after it is closed.)
    for (const char *box : {"frontDit1dLut", "postDit1dLut", "frontCalibration1dLut", "backCalibration1dLut"}) {
        const QString name = QString::fromLatin1(box);
        for (const char *dialogName : {"lutStoreDialog", "lutPreviewDialog", "lutRvStoreDialog"}) {
            QObject *dialog = m_page->within(name, QString::fromLatin1(dialogName));
            if (!dialog)
                continue;
            QCOMPARE(dialog->property("title").toString(), QStringLiteral("Select LUT file"));
            QCOMPARE(dialog->property("nameFilters").toStringList(),
                     (QStringList{"1D LUT files (*.lut)", "All files (*)"}));
            QVERIFY(dialog->property("selectExisting").toBool());
        }
    }
    for (const char *box : {"dit3dLut", "calibration3dLut"}) {
        const QString name = QString::fromLatin1(box);
        for (const char *dialogName : {"lutStoreDialog", "lutPreviewDialog", "lutRvStoreDialog"}) {
            QObject *dialog = m_page->within(name, QString::fromLatin1(dialogName));
            if (!dialog)
                continue;
            QCOMPARE(dialog->property("nameFilters").toStringList(),
                     (QStringList{"3D LUT files (*.dat *.cube)", "All files (*)"}));
        }
    }
    QVERIFY(m_page->within(QStringLiteral("dit3dLut"), QStringLiteral("lutPreviewDialog")));
    QVERIFY(m_page->within(QStringLiteral("calibration3dLut"), QStringLiteral("lutRvStoreDialog")));
    QVERIFY(m_page->nothingSentBefore());
}

void TestMonitorPageCommands::temporaryMarker()
{
    QVERIFY(m_page->open(MonitorPageFixture::rv()));
    QQuickItem *display = m_page->item(QStringLiteral("displayMarkerButton"));
    QVERIFY(display->isVisible());
    QCOMPARE(display->property("text").toString(), QStringLiteral("Display .PNG..."));
    QCOMPARE(display->property("tooltip").toString(), QStringLiteral("Load .png custom marker (1920x1080)"));
    QObject *dialog = m_page->object(QStringLiteral("tempMarkerDialog"));
    QCOMPARE(dialog->property("title").toString(), QStringLiteral("Select marker file"));
    QCOMPARE(dialog->property("nameFilters").toStringList(), (QStringList{"Custom marker (*.png)", "ALL files (*)"}));

    const QByteArray png = MonitorPageFixture::pngOfSize(32, 18, qRgb(255, 0, 0));
    call(m_page->object(QStringLiteral("lutPageRV")), "displayMarker", {fileUrl(QStringLiteral("marker.png"), png)});
    QObject *toggle = m_page->object(QStringLiteral("tempMarkerSwitch"));
    QVERIFY(toggle->property("checked").toBool());
    toggle->setProperty("checked", false);
    toggle->setProperty("checked", true);
    const QList<Command> sent = m_page->take(3);
    QCOMPARE(ids(sent), (QList<QPair<int, int>>{{0x0404, 0x0002}, {0x0404, 0x0000}, {0x0404, 0x0001}}));
    QCOMPARE(sent.first().payload, png);
}

void TestMonitorPageCommands::namedMarkerUpload()
{
    QVERIFY(m_page->open(MonitorPageFixture::rvq()));
    QObject *field = m_page->object(QStringLiteral("markerNameField"));
    QCOMPARE(field->property("maximumLength").toInt(), 32);
    field->setProperty("text", QStringLiteral("Crosshair"));
    QObject *dialog = m_page->object(QStringLiteral("storeMarkerDialog"));
    QCOMPARE(dialog->property("title").toString(), QStringLiteral("Select marker file"));
    QVERIFY(m_page->isShown(QStringLiteral("selectMarkerButton")));

    const QByteArray png = MonitorPageFixture::pngOfSize(16, 9, qRgb(0, 255, 0));
    QObject *uploaded = m_page->object(QStringLiteral("markerUploadedDialog"));
    QVERIFY(!uploaded->property("visible").toBool());
    call(m_page->object(QStringLiteral("lutPageRV")), "storeMarker", {fileUrl(QStringLiteral("cross.png"), png)});
    const QList<Command> sent = m_page->take(1);
    QCOMPARE(ids(sent), (QList<QPair<int, int>>{{0x0404, 0x0003}}));
    // 32-byte name field, zero padded, then the picture.
    QByteArray expected("Crosshair");
    expected.append(QByteArray(32 - expected.size(), '\0'));
    expected.append(png);
    QCOMPARE(sent.first().payload, expected);

    QTRY_VERIFY_WITH_TIMEOUT(uploaded->property("visible").toBool(), 2000);
    QCOMPARE(uploaded->property("title").toString(), QStringLiteral("Custom Marker Uploaded"));
    QCOMPARE(uploaded->property("text").toString(), QStringLiteral("Custom Marker Uploaded.\n\nPlease power cycle the monitor."));
    m_page->evaluate(uploaded, QStringLiteral("close()"));
    QTRY_VERIFY_WITH_TIMEOUT(!uploaded->property("visible").toBool(), 2000);
}

void TestMonitorPageCommands::markerListAndDelete()
{
    QVERIFY(m_page->open(MonitorPageFixture::rv()));
    m_page->setMarkerNames({QStringLiteral("Grid"), QStringLiteral("Safe Area"), QStringLiteral("Logo")});
    QObject *list = m_page->object(QStringLiteral("markerList"));
    QCOMPARE(list->property("count").toInt(), 0);
    QVERIFY(m_page->press(QStringLiteral("listMarkersButton")));
    QCOMPARE(ids(m_page->take(1)), (QList<QPair<int, int>>{{0x0404, 0x0005}}));
    QTRY_COMPARE_WITH_TIMEOUT(list->property("count").toInt(), 3, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(m_page->visibleItem(QStringLiteral("markerNameButton_2")), 5000);
    QCOMPARE(m_page->visibleItem(QStringLiteral("markerNameButton_1"))->property("text").toString(),
             QStringLiteral("Safe Area.png"));

    QVERIFY(m_page->press(QStringLiteral("markerDeleteButton_1")));
    // The row is gone at once, before the monitor has answered anything.
    QCOMPARE(list->property("count").toInt(), 2);
    QCOMPARE(call(list, "markerName", {0}).toString(), QStringLiteral("Grid"));
    QCOMPARE(call(list, "markerName", {1}).toString(), QStringLiteral("Logo"));
    const QList<Command> sent = m_page->take(1);
    QCOMPARE(ids(sent), (QList<QPair<int, int>>{{0x0404, 0x0006}}));
    QByteArray expected("\x01\x00\x00\x00", 4);
    expected.append("Safe Area");
    expected.append(QByteArray(36 - expected.size(), '\0'));
    QCOMPARE(sent.first().payload, expected);
    // No new list query follows the deletion.
    QVERIFY(m_page->nothingSentBefore());
    QCOMPARE(list->property("count").toInt(), 2);
    QCOMPARE(m_page->monitor()->markerNameList(), (QStringList{"Grid", "Logo"}));

    // A new list from the monitor replaces the rows.
    m_page->setMarkerNames({QStringLiteral("Only")});
    QVERIFY(m_page->press(QStringLiteral("listMarkersButton")));
    QCOMPARE(ids(m_page->take(1)), (QList<QPair<int, int>>{{0x0404, 0x0005}}));
    QTRY_COMPARE_WITH_TIMEOUT(list->property("count").toInt(), 1, 5000);
    // The view makes its rows when it lays itself out.
    QTRY_VERIFY_WITH_TIMEOUT(m_page->visibleItem(QStringLiteral("markerNameButton_0")), 5000);
    QCOMPARE(m_page->visibleItem(QStringLiteral("markerNameButton_0"))->property("text").toString(),
             QStringLiteral("Only.png"));
    QVERIFY(!m_page->visibleItem(QStringLiteral("markerNameButton_1")));
}

void TestMonitorPageCommands::analyzerRequestsPerStyle_data()
{
    QTest::addColumn<bool>("white");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("last");
    QTest::newRow("Black (Screen)") << false << 0x0010 << 0x0011;
    QTest::newRow("White (Print)") << true << 0x0000 << 0x0001;
}

void TestMonitorPageCommands::analyzerRequestsPerStyle()
{
    QFETCH(bool, white);
    QFETCH(int, current);
    QFETCH(int, last);

    QVERIFY(m_page->open(MonitorPageFixture::rv()));
    QObject *black = m_page->object(QStringLiteral("blackStyleRadio"));
    QObject *whiteRadio = m_page->object(QStringLiteral("whiteStyleRadio"));
    QCOMPARE(black->property("text").toString(), QStringLiteral("Black (Screen)"));
    QCOMPARE(whiteRadio->property("text").toString(), QStringLiteral("White (Print)"));
    QVERIFY(black->property("checked").toBool());
    QVERIFY(!whiteRadio->property("checked").toBool());
    if (white) {
        whiteRadio->setProperty("checked", true);
        // The choice is exclusive.
        QVERIFY(!black->property("checked").toBool());
    }
    QVERIFY(m_page->press(QStringLiteral("currentAnalyzerButton")));
    QVERIFY(m_page->press(QStringLiteral("lastAnalyzerButton")));
    QCOMPARE(ids(m_page->take(2)), (QList<QPair<int, int>>{{0x0405, current}, {0x0405, last}}));

    // Back to black.
    black->setProperty("checked", true);
    QVERIFY(!whiteRadio->property("checked").toBool());
    QVERIFY(m_page->press(QStringLiteral("currentAnalyzerButton")));
    QCOMPARE(ids(m_page->take(1)), (QList<QPair<int, int>>{{0x0405, 0x0010}}));
}

void TestMonitorPageCommands::analyzerPictureShownAndSaved()
{
    QVERIFY(m_page->open(MonitorPageFixture::rv()));
    QObject *image = m_page->object(QStringLiteral("analyzerImage"));
    QVERIFY(!image->property("cache").toBool());
    QVERIFY(!m_page->isShown(QStringLiteral("saveAnalyzerPngButton")));
    QVERIFY(!m_page->isShown(QStringLiteral("saveAnalyzerPdfButton")));

    const QByteArray first = MonitorPageFixture::pngOfSize(64, 36, qRgb(10, 20, 30));
    m_page->setAnalyzerPicture(first);
    QVERIFY(m_page->press(QStringLiteral("currentAnalyzerButton")));
    m_page->take(1);
    QTRY_COMPARE_WITH_TIMEOUT(image->property("status").toInt(), 1 /* Image.Ready */, 5000);
    QCOMPARE(image->property("source").toUrl().toString(), m_page->monitor()->analyzerPngUrl());
    QCOMPARE(image->property("implicitWidth").toInt(), 64);
    QVERIFY(m_page->isShown(QStringLiteral("saveAnalyzerPngButton")));
    QVERIFY(m_page->isShown(QStringLiteral("saveAnalyzerPdfButton")));

    // The next picture lands in the same file; the view shows the new one.
    const QByteArray second = MonitorPageFixture::pngOfSize(1200, 675, qRgb(200, 100, 0));
    m_page->setAnalyzerPicture(second);
    QVERIFY(m_page->press(QStringLiteral("lastAnalyzerButton")));
    m_page->take(1);
    QTRY_COMPARE_WITH_TIMEOUT(image->property("implicitWidth").toInt(), 1200, 5000);
    // Never wider than 600, aspect ratio kept.
    auto *view = qobject_cast<QQuickItem *>(image);
    QTRY_COMPARE_WITH_TIMEOUT(view->width(), 600.0, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(view->height(), 337.5, 5000);

    QObject *pngDialog = m_page->object(QStringLiteral("savePngDialog"));
    QCOMPARE(pngDialog->property("title").toString(), QStringLiteral("Save Analyzer PNG"));
    QCOMPARE(pngDialog->property("nameFilters").toStringList(), QStringList{"PNG files (*.png)"});
    QVERIFY(!pngDialog->property("selectExisting").toBool());
    QObject *pdfDialog = m_page->object(QStringLiteral("savePdfDialog"));
    QCOMPARE(pdfDialog->property("title").toString(), QStringLiteral("Save Analyzer PDF"));
    QCOMPARE(pdfDialog->property("nameFilters").toStringList(), QStringList{"PDF files (*.pdf)"});

    QObject *rvPage = m_page->object(QStringLiteral("lutPageRV"));
    const QString pngPath = m_dir.filePath(QStringLiteral("analyzer.png"));
    const QString pdfPath = m_dir.filePath(QStringLiteral("analyzer.pdf"));
    call(rvPage, "saveAnalyzerPng", {QUrl::fromLocalFile(pngPath)});
    call(rvPage, "saveAnalyzerPdf", {QUrl::fromLocalFile(pdfPath)});
    QFile png(pngPath);
    QVERIFY(png.open(QIODevice::ReadOnly));
    QCOMPARE(png.readAll(), second);
    QFile pdf(pdfPath);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.readAll().startsWith("%PDF"));
    // Saving is local: nothing goes to the monitor.
    QVERIFY(m_page->nothingSentBefore());
}

void TestMonitorPageCommands::firmwareUpdateAfterConfirmation()
{
    QVERIFY(m_page->open(MonitorPageFixture::rvq()));
    QObject *metaData = m_page->object(QStringLiteral("metaData"));
    QObject *chooser = m_page->object(QStringLiteral("firmwareFileDialog"));
    QCOMPARE(chooser->property("title").toString(), QStringLiteral("Select a firmware file"));
    QCOMPARE(chooser->property("nameFilters").toStringList(), (QStringList{"img (*.img)", "All files (*)"}));
    QObject *confirm = m_page->object(QStringLiteral("firmwareConfirmDialog"));

    const QByteArray image("FIRMWARE-IMAGE-0123456789");
    const QUrl url = fileUrl(QStringLiteral("monitor.img"), image);

    // Cancel: nothing is sent.
    call(metaData, "firmwareChosen", {url});
    QTRY_VERIFY_WITH_TIMEOUT(confirm->property("visible").toBool(), 2000);
    QCOMPARE(confirm->property("title").toString(), QStringLiteral("Update Firmware"));
    QCOMPARE(confirm->property("text").toString(), QStringLiteral("Firmware file: ") + url.toString());
    QCOMPARE(confirm->property("informativeText").toString(),
             QStringLiteral("This procedure cannot be canceled. \nAre you sure you want to update this Monitor's firmware?"));
    m_page->evaluate(confirm, QStringLiteral("click(StandardButton.Cancel)"));
    QTRY_VERIFY_WITH_TIMEOUT(!confirm->property("visible").toBool(), 2000);
    QVERIFY(m_page->nothingSentBefore());

    // OK: the whole image goes as one firmware command.
    call(metaData, "firmwareChosen", {url});
    QTRY_VERIFY_WITH_TIMEOUT(confirm->property("visible").toBool(), 2000);
    m_page->evaluate(confirm, QStringLiteral("click(StandardButton.Ok)"));
    const QList<Command> sent = m_page->take(1);
    QCOMPARE(ids(sent), (QList<QPair<int, int>>{{0x0005, 0x0001}}));
    QCOMPARE(sent.first().payload, image);
}

void TestMonitorPageCommands::launcherThatCannotLoadOpensNothing()
{
    QVERIFY(m_page->open(MonitorPageFixture::kt()));
    QObject *page = m_page->page();
    page->setProperty("scopeWindowUrl", QStringLiteral("qrc:/common/no-such-window.qml"));
    page->setProperty("captureWindowUrl", QStringLiteral("qrc:/monitor/no-such-window.qml"));
    QVERIFY(m_page->press(QStringLiteral("waveformButton")));
    m_page->key(Qt::Key_V, Qt::ShiftModifier);
    m_page->key(Qt::Key_C, Qt::ShiftModifier);
    QVERIFY(page->property("waveformWindow").value<QObject *>() == nullptr);
    QVERIFY(page->property("vectorWindow").value<QObject *>() == nullptr);
    QVERIFY(page->property("captureWindow").value<QObject *>() == nullptr);
    int shown = 0;
    for (QWindow *window : QGuiApplication::topLevelWindows())
        shown += window->isVisible() ? 1 : 0;
    QCOMPARE(shown, 1);
    QVERIFY(m_page->nothingSentBefore());
}


BREVANTO_QML_TEST_MAIN(TestMonitorPageCommands)
#include "tst_monitorpagecommands.moc"
