// Both Cubrix pages for the three models in every box mode (0, 1, 2 on each channel, 3), in
// the real window connected to a fake box: which rows and controls are on show and enabled,
// which buttons are lit, the read-outs of the settings page, and not one QML warning.

#include "cubrixpagefixture.h"

#include <QtTest>

using namespace QmlTest;

class TestCubrixPageLoad : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void disconnectedPagesShowNothing();
    void sectionsByModelAndMode_data();
    void sectionsByModelAndMode();
    void unknownModelShowsOnlyTheRows();
    void highlightsFollowTheReportedState();
    void signalFormatMarks_data();
    void signalFormatMarks();
    void settingsPageReadOuts();
    void precisionChoiceFollowsTheDefault();
    void themeReachesThePages();
    void closingAConnectedTabIsQuiet();

private:
    std::unique_ptr<WarningGuard> m_guard;
    std::unique_ptr<CubrixPageFixture> m_box;
};

void TestCubrixPageLoad::initTestCase()
{
    m_guard = std::make_unique<WarningGuard>();
}

void TestCubrixPageLoad::init()
{
    m_box = std::make_unique<CubrixPageFixture>();
}

void TestCubrixPageLoad::cleanup()
{
    m_box.reset();
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

void TestCubrixPageLoad::disconnectedPagesShowNothing()
{
    clearStoredState();
    QVERIFY(m_box->main().load());
    QObject *general = m_box->generalPage();
    QObject *info = m_box->infoPage();
    QVERIFY(general && info);
    QCOMPARE(general->property("connected").toBool(), false);
    QCOMPARE(qobject_cast<QQuickItem *>(general)->isEnabled(), false);
    QCOMPARE(qobject_cast<QQuickItem *>(info)->isVisible(), false);
    QVERIFY(!m_box->shown(QStringLiteral("deviceHeader"), general));
    // Nothing the box has to report first is built before it is connected.
    QVERIFY(!m_box->object(QStringLiteral("modeSelection"), general));
    QVERIFY(!m_box->object(QStringLiteral("frontLut"), general));
    QVERIFY(!m_box->object(QStringLiteral("launchComponents"), general));
    QVERIFY(!m_box->object(QStringLiteral("networkSettings"), info));
}

void TestCubrixPageLoad::sectionsByModelAndMode_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("channel");
    // The row on show ("" for none), whether it has a frame box, and its title prefix.
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("titlePrefix");

    const QStringList models{QStringLiteral("Cubrix"), QStringLiteral("Cubrix Mono DP"),
                             QStringLiteral("Cubrix Mono SDI")};
    for (const QString &model : models) {
        const QByteArray m = model.toLatin1();
        QTest::newRow((m + ", mode 0").constData()) << model << 0 << 0 << "" << "";
        QTest::newRow((m + ", mode 1").constData()) << model << 1 << 0 << "lutRowMode1" << "";
        QTest::newRow((m + ", mode 2 ch 1").constData()) << model << 2 << 1 << "lutRowMode2Ch1" << "Channel 1 ";
        QTest::newRow((m + ", mode 2 ch 2").constData()) << model << 2 << 2 << "lutRowMode2Ch2" << "Channel 2 ";
        QTest::newRow((m + ", mode 3").constData()) << model << 3 << 0 << "lutRowMode3" << "";
    }
}

void TestCubrixPageLoad::sectionsByModelAndMode()
{
    QFETCH(QString, model);
    QFETCH(int, mode);
    QFETCH(int, channel);
    QFETCH(QString, row);
    QFETCH(QString, titlePrefix);
    QVERIFY(m_box->open());
    m_box->setBox(model, mode, channel);
    CubrixPageFixture &b = *m_box;
    QObject *general = b.generalPage();
    QVERIFY(qobject_cast<QQuickItem *>(general)->isEnabled());

    // Header: identity, state, flip and firmware for a known model.
    QVERIFY(b.shown(QStringLiteral("deviceHeader")));
    QCOMPARE(b.object(QStringLiteral("modelLabel"))->property("text").toString(), QStringLiteral("Model: ") + model);
    QCOMPARE(b.object(QStringLiteral("connectionStateLabel"))->property("text").toString(), QStringLiteral("Connected"));
    QCOMPARE(b.object(QStringLiteral("flipButton"))->property("text").toString(), QStringLiteral("Settings"));
    QVERIFY(b.shown(QStringLiteral("flipButton")));
    QVERIFY(b.shown(QStringLiteral("firmwareButton")));
    QVERIFY(b.shown(QStringLiteral("osdMenuButton")));
    QCOMPARE(b.object(QStringLiteral("disconnectButton"))->property("text").toString(), QStringLiteral("Disconnect"));

    // Mode selection.
    const bool dp = model == QLatin1String("Cubrix Mono DP");
    QVERIFY(b.shown(QStringLiteral("modeSelection")));
    QVERIFY(b.enabled(QStringLiteral("singleChannelButton")));
    QCOMPARE(b.enabled(QStringLiteral("dualChannelButton")), !dp);
    QVERIFY(b.enabled(QStringLiteral("generatorButton")));
    QCOMPARE(b.enabled(QStringLiteral("channel1Button")), mode == 2);
    QCOMPARE(b.enabled(QStringLiteral("channel2Button")), mode == 2);
    QCOMPARE(b.shown(QStringLiteral("inputGroup")), !dp);
    if (!dp) {
        QCOMPARE(b.enabled(QStringLiteral("sdi1Button")), mode == 1 || mode == 2);
        QCOMPARE(b.enabled(QStringLiteral("sdi2Button")), mode == 1 || mode == 2);
        QCOMPARE(b.enabled(QStringLiteral("ch2OutputButton")), mode == 2 && channel == 1);
    }
    QCOMPARE(b.highlighted(QStringLiteral("singleChannelButton")), mode == 1);
    QCOMPARE(b.highlighted(QStringLiteral("dualChannelButton")), mode == 2);
    QCOMPARE(b.highlighted(QStringLiteral("generatorButton")), mode == 3);
    QCOMPARE(b.highlighted(QStringLiteral("channel1Button")), mode == 2 && channel == 1);
    QCOMPARE(b.highlighted(QStringLiteral("channel2Button")), mode == 2 && channel == 2);

    // Exactly one LUT row, the one of the mode and channel.
    const QStringList rows{QStringLiteral("lutRowMode1"), QStringLiteral("lutRowMode2Ch1"),
                           QStringLiteral("lutRowMode2Ch2"), QStringLiteral("lutRowMode3")};
    for (const QString &name : rows)
        QVERIFY2(b.shown(name) == (name == row), qPrintable(name));
    if (!row.isEmpty()) {
        QObject *front = b.box(row, QStringLiteral("frontLut"));
        QObject *cube = b.box(row, QStringLiteral("cubeLut"));
        QObject *back = b.box(row, QStringLiteral("backLut"));
        QVERIFY(front && cube && back);
        QCOMPARE(front->property("title").toString(), titlePrefix + QStringLiteral("Front 1D LUT"));
        QCOMPARE(cube->property("title").toString(), titlePrefix + QStringLiteral("3D LUT"));
        QCOMPARE(back->property("title").toString(), titlePrefix + QStringLiteral("Back 1D LUT"));
        QCOMPARE(front->property("lutType").toInt(), int(Cubrix::LUT_TYPE_1D));
        QCOMPARE(front->property("lutFunc").toInt(), int(Cubrix::LUT_FUNC_DIT));
        QCOMPARE(cube->property("lutType").toInt(), int(Cubrix::LUT_TYPE_3D));
        QCOMPARE(cube->property("lutFunc").toInt(), int(Cubrix::LUT_FUNC_DIT));
        QCOMPARE(back->property("lutType").toInt(), int(Cubrix::LUT_TYPE_1D));
        QCOMPARE(back->property("lutFunc").toInt(), int(Cubrix::LUT_FUNC_BOX));
        for (const char *control : {"lutSwitch", "previewButton", "saveButton", "recallButton", "deleteButton",
                                    "saveSlot", "recallSlot", "deleteSlot"}) {
            QQuickItem *inBox = qobject_cast<QQuickItem *>(find(cube, QString::fromLatin1(control)));
            QVERIFY2(inBox && inBox->isVisible() && inBox->isEnabled(), control);
        }
        QCOMPARE(find(cube, QStringLiteral("saveSlot"))->property("prefix").toString(), QStringLiteral("Id: "));
        QObject *frame = b.box(row, QStringLiteral("frameBox"));
        const bool hasFrame = row != QLatin1String("lutRowMode2Ch2");
        QCOMPARE(frame != nullptr, hasFrame);
        if (frame) {
            QCOMPARE(frame->property("title").toString(), titlePrefix + QStringLiteral("Frame Callback"));
            QVERIFY(qobject_cast<QQuickItem *>(frame)->isVisible());
        }
    }

    // The generator in mode 3 only.
    QCOMPARE(b.shown(QStringLiteral("generatorSection")), mode == 3);
    if (mode == 3) {
        for (const char *control : {"colourPanel", "rgbSetButton", "ycbcrSetButton", "redLine", "crLine",
                                    "loadRawFrameButton", "pattern1", "pattern4", "outputFormat1", "outputFormat17"})
            QVERIFY2(b.shown(QString::fromLatin1(control)), control);
    }

    // Launch components and ranges for every known model; the input format in mode 1.
    QVERIFY(b.shown(QStringLiteral("launchComponents")));
    QVERIFY(b.shown(QStringLiteral("rangeSelection")));
    const bool scopes = mode == 1 || (mode == 2 && channel == 1);
    QCOMPARE(b.enabled(QStringLiteral("waveformButton")), scopes);
    QCOMPARE(b.enabled(QStringLiteral("vectorButton")), scopes);
    QCOMPARE(b.enabled(QStringLiteral("captureButton")), mode == 1 || mode == 2);
    QCOMPARE(b.object(QStringLiteral("captureButton"))->property("tooltip").toString(),
             QStringLiteral("Open Capture Frame Window"));
    QCOMPARE(b.shown(QStringLiteral("signalFormatSelect")), mode == 1);

    // The settings page: header with "Controls", the settings once connected.
    QObject *info = b.infoPage();
    QVERIFY(qobject_cast<QQuickItem *>(info)->isVisible());
    QCOMPARE(b.object(QStringLiteral("flipButton"), info)->property("text").toString(), QStringLiteral("Controls"));
    for (const char *control : {"networkSettings", "wifiSettings", "precisionSettings", "statusSection", "setIpButton",
                                "wifiSetButton", "wifiOnButton", "wifiOffButton", "singleStatusButton"})
        QVERIFY2(b.shown(QString::fromLatin1(control), info), control);
}

void TestCubrixPageLoad::unknownModelShowsOnlyTheRows()
{
    QVERIFY(m_box->open());
    m_box->setBox(QStringLiteral("LM-2410"), 1);
    QVERIFY(m_box->shown(QStringLiteral("deviceHeader")));
    QVERIFY(!m_box->shown(QStringLiteral("flipButton")));
    QVERIFY(!m_box->shown(QStringLiteral("firmwareButton")));
    QVERIFY(!m_box->shown(QStringLiteral("modeSelection")));
    QVERIFY(!m_box->shown(QStringLiteral("launchComponents")));
    QVERIFY(m_box->shown(QStringLiteral("lutRowMode1")));
    // Once the model is known the rest appears.
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    QVERIFY(m_box->shown(QStringLiteral("modeSelection")));
    QVERIFY(m_box->shown(QStringLiteral("signalFormatSelect")));
}

void TestCubrixPageLoad::highlightsFollowTheReportedState()
{
    QVERIFY(m_box->open());
    CubrixPageFixture &b = *m_box;
    Cubrix *d = b.device();
    b.setBox(QStringLiteral("Cubrix"), 1);

    // Mode 1: input and range of channel 1, states of its LUTs and frame.
    d->set_boxmode1_ch1_input(2);
    d->set_boxmode1_ch1_range(0x13); // only the low four bits count
    d->set_boxmode1_ch1_3dlut_state(1);
    d->set_boxmode1_ch1_frm_state(1);
    QVERIFY(!b.highlighted(QStringLiteral("sdi1Button")));
    QVERIFY(b.highlighted(QStringLiteral("sdi2Button")));
    QVERIFY(!b.highlighted(QStringLiteral("ch2OutputButton")));
    QVERIFY(b.highlighted(QStringLiteral("smpteRangeButton")));
    QVERIFY(!b.highlighted(QStringLiteral("videoRangeButton")));
    QCOMPARE(find(b.box(QStringLiteral("lutRowMode1"), QStringLiteral("cubeLut")), QStringLiteral("lutSwitch"))
                 ->property("checked").toBool(), true);
    QCOMPARE(find(b.box(QStringLiteral("lutRowMode1"), QStringLiteral("frontLut")), QStringLiteral("lutSwitch"))
                 ->property("checked").toBool(), false);
    QCOMPARE(find(b.box(QStringLiteral("lutRowMode1"), QStringLiteral("frameBox")), QStringLiteral("frameSwitch"))
                 ->property("checked").toBool(), true);
    d->set_boxmode1_ch1_3dlut_state(0);
    QCOMPARE(find(b.box(QStringLiteral("lutRowMode1"), QStringLiteral("cubeLut")), QStringLiteral("lutSwitch"))
                 ->property("checked").toBool(), false);

    // Mode 2: each channel shows its own input and range; CH2 Output on channel 1.
    d->set_boxmode2_ch1_input(3);
    d->set_boxmode2_ch1_range(1);
    d->set_boxmode2_ch2_input(1);
    d->set_boxmode2_ch2_range(4);
    b.setBox(QStringLiteral("Cubrix"), 2, 1);
    QVERIFY(b.highlighted(QStringLiteral("ch2OutputButton")));
    QVERIFY(!b.highlighted(QStringLiteral("sdi1Button")));
    QVERIFY(b.highlighted(QStringLiteral("videoRangeButton")));
    b.setBox(QStringLiteral("Cubrix"), 2, 2);
    QVERIFY(!b.highlighted(QStringLiteral("ch2OutputButton")));
    QVERIFY(b.highlighted(QStringLiteral("sdi1Button")));
    QVERIFY(b.highlighted(QStringLiteral("fullRangeButton")));
    QVERIFY(!b.highlighted(QStringLiteral("videoRangeButton")));

    // Mode 3: its range, pattern and output format.
    d->set_boxmode3_ch1_range(2);
    d->set_boxmode3_output_form(3);
    d->set_boxmode3_output_type(17);
    b.setBox(QStringLiteral("Cubrix"), 3);
    QVERIFY(b.highlighted(QStringLiteral("extendedRangeButton")));
    QVERIFY(!b.highlighted(QStringLiteral("sdi1Button")));
    QVERIFY(b.highlighted(QStringLiteral("pattern3")));
    QVERIFY(!b.highlighted(QStringLiteral("pattern1")));
    QVERIFY(b.highlighted(QStringLiteral("outputFormat17")));
    QVERIFY(!b.highlighted(QStringLiteral("outputFormat1")));
    QCOMPARE(b.object(QStringLiteral("outputFormat17"))->property("text").toString(),
             QStringLiteral("Output 3G Level A 1080P 60"));
    QCOMPARE(b.object(QStringLiteral("pattern3"))->property("text").toString(), QStringLiteral("IRE 10% Window"));
}

void TestCubrixPageLoad::signalFormatMarks_data()
{
    QTest::addColumn<int>("word");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("sample");
    QTest::addColumn<bool>("samplesShown");
    QTest::newRow("automatic") << 0x0000 << "linkAutomatic" << "" << false;
    QTest::newRow("automatic link, RGB 10 bit") << 0x0005 << "" << "" << false;
    QTest::newRow("dual link, auto structure") << 0x0100 << "linkDualLink" << "sample0" << true;
    QTest::newRow("3G level A, RGB 4:4:4 10 bit") << 0x0205 << "link3GA" << "sample5" << true;
    QTest::newRow("3G level B, YCbCr 4:2:2 12 bit") << 0x0303 << "link3GB" << "sample3" << true;
    QTest::newRow("unknown word -1") << -1 << "" << "" << false;
}

void TestCubrixPageLoad::signalFormatMarks()
{
    QFETCH(int, word);
    QFETCH(QString, link);
    QFETCH(QString, sample);
    QFETCH(bool, samplesShown);
    QVERIFY(m_box->open());
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    m_box->device()->set_boxmode1_ch1_signal(word);
    for (const char *name : {"linkAutomatic", "linkDualLink", "link3GA", "link3GB"})
        QVERIFY2(m_box->object(QString::fromLatin1(name))->property("checked").toBool() == (link == QLatin1String(name)),
                 name);
    QCOMPARE(m_box->shown(QStringLiteral("sampleGroup")), samplesShown);
    for (int k = 0; samplesShown && k <= 6; ++k) {
        const QString name = QStringLiteral("sample%1").arg(k);
        QVERIFY2(m_box->object(name)->property("checked").toBool() == (name == sample), qPrintable(name));
    }
    QCOMPARE(m_box->object(QStringLiteral("linkDualLink"))->property("text").toString(),
             QStringLiteral("DL-SDI     [ST-372M]"));
    QCOMPARE(m_box->object(QStringLiteral("sample0"))->property("text").toString(), QStringLiteral("Auto"));
}

void TestCubrixPageLoad::settingsPageReadOuts()
{
    QVERIFY(m_box->open());
    CubrixPageFixture &b = *m_box;
    Cubrix *d = b.device();
    b.setBox(QStringLiteral("Cubrix"), 1);
    d->set_boxmode1_1dlut_inbit(10);
    d->set_boxmode1_1dlut_outbit(12);
    d->set_boxmode1_3dlut_inbit(10);
    d->set_boxmode1_3dlut_outbit(12);
    d->set_boxmode1_3dlut_size(33);
    d->set_boxmode1_ch1_1dlut1_state(1);
    d->set_boxmode1_ch1_1dlut1_load(5);
    d->set_boxmode1_ch1_frm_load(16);
    d->set_boxmode1_ch1_input(1);
    d->set_boxmode1_ch1_range(4);
    d->set_boxmode2_ch1_input(3);
    d->set_boxmode2_ch1_range(4);
    d->set_boxmode2_ch2_input(3);
    d->set_boxmode2_ch2_range(7);
    d->set_boxmode2_ch2_3dlut_state(1);
    d->set_boxmode3_input_type(2);
    d->set_boxmode3_output_form(2);
    d->set_boxmode3_output_type(6);
    d->set_boxmode3_ch1_range(3);

    QObject *info = b.infoPage();
    QVERIFY(!b.shown(QStringLiteral("singleStatus"), info));
    QVERIFY(b.press(QStringLiteral("singleStatusButton"), info));
    QVERIFY(b.press(QStringLiteral("dualStatusButton"), info));
    QVERIFY(b.press(QStringLiteral("tpgStatusButton"), info));
    const QStringList single = b.object(QStringLiteral("singleStatus"), info)->property("lines").toStringList();
    QCOMPARE(single, (QStringList{"Mode1-Lut1d:", "inbit: 10", "outbit: 12", "Mode1-Lut3d:", "inbit: 10", "outbit: 12",
                                  "size: 33", "front-1dlut-state: On", "3dlut-state: Off", "back-1dlut-state: Off",
                                  "frame-load-state: Off", "front-1dlut-load: 5", "3dlut-load: ", "back-1dlut-load: ",
                                  "frame-load: 16", "input-port: SDI 1", "input-range: Full range"}));
    const QStringList dual = b.object(QStringLiteral("dualStatus"), info)->property("lines").toStringList();
    QVERIFY(dual.contains(QStringLiteral("Mode2-Lut3d:")));
    QVERIFY(dual.contains(QStringLiteral("input-port: CH2_Output")));
    // Channel 2 cannot take the other channel's output: the number is shown as it came.
    QVERIFY(dual.contains(QStringLiteral("input-port: 3")));
    QVERIFY(dual.contains(QStringLiteral("input-range: full range")));
    QVERIFY(dual.contains(QStringLiteral("input-range: 7")));
    QCOMPARE(dual.count(QStringLiteral("frame-load-state: Off")), 1);
    QCOMPARE(dual.count(QStringLiteral("3dlut-state: On")), 1);
    const QStringList tpg = b.object(QStringLiteral("tpgStatus"), info)->property("lines").toStringList();
    QVERIFY(tpg.contains(QStringLiteral("input-type: RGB")));
    QVERIFY(tpg.contains(QStringLiteral("output-form: ire field")));
    QVERIFY(tpg.contains(QStringLiteral("output-type: 6")));
    QVERIFY(tpg.contains(QStringLiteral("input-range: SMPTE full range")));
    QVERIFY(!tpg.join(QLatin1Char('|')).contains(QStringLiteral("input-port")));

    // The read-outs follow the box.
    d->set_boxmode3_output_type(5);
    d->set_boxmode3_input_type(1);
    d->set_boxmode3_output_form(0);
    const QStringList later = b.object(QStringLiteral("tpgStatus"), info)->property("lines").toStringList();
    QVERIFY(later.contains(QStringLiteral("output-type: HD 1080p 23.98")));
    QVERIFY(later.contains(QStringLiteral("input-type: YCbCr")));
    QVERIFY(later.contains(QStringLiteral("output-form: ")));

    // A second press hides a read-out again.
    QVERIFY(b.press(QStringLiteral("singleStatusButton"), info));
    QVERIFY(!b.shown(QStringLiteral("singleStatus"), info));

    // The address fields start from the device's address; mask and gateway from their defaults.
    const QStringList parts = d->address().split(QLatin1Char('.'));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(b.object(QStringLiteral("ipField%1").arg(i), info)->property("text").toString(), parts.at(i));
    QCOMPARE(b.object(QStringLiteral("maskField3"), info)->property("text").toString(), QStringLiteral("0"));
    QCOMPARE(b.object(QStringLiteral("gateField0"), info)->property("text").toString(), QStringLiteral("192"));
    QCOMPARE(b.object(QStringLiteral("ssidField"), info)->property("text").toString(), QStringLiteral("YourSSID"));
    QCOMPARE(b.object(QStringLiteral("passwordField"), info)->property("placeholderText").toString().size(), 12);
}

void TestCubrixPageLoad::precisionChoiceFollowsTheDefault()
{
    QVERIFY(m_box->open());
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    QObject *info = m_box->infoPage();
    // Reset on connection: 12 bit.
    QVERIFY(m_box->object(QStringLiteral("precision3"), info)->property("checked").toBool());
    m_box->device()->setCube(0);
    QVERIFY(m_box->object(QStringLiteral("precision0"), info)->property("checked").toBool());
    QVERIFY(!m_box->object(QStringLiteral("precision3"), info)->property("checked").toBool());
    QCOMPARE(m_box->object(QStringLiteral("precision0"), info)->property("text").toString(),
             QStringLiteral("Ask on LUT Upload"));
}

void TestCubrixPageLoad::themeReachesThePages()
{
    QVERIFY(m_box->open());
    m_box->setBox(QStringLiteral("Cubrix"), 3);
    QCOMPARE(m_box->generalPage()->property("mode").toString(), QStringLiteral("dark"));
    QTest::keyClick(m_box->main().window(), Qt::Key_L, Qt::ShiftModifier);
    QCOMPARE(m_box->main().mode(), QStringLiteral("light"));
    QCOMPARE(m_box->generalPage()->property("mode").toString(), QStringLiteral("light"));
    QCOMPARE(m_box->infoPage()->property("mode").toString(), QStringLiteral("light"));
    QCOMPARE(m_box->box(QStringLiteral("lutRowMode3"), QStringLiteral("cubeLut"))->property("mode").toString(),
             QStringLiteral("light"));
}

void TestCubrixPageLoad::closingAConnectedTabIsQuiet()
{
    QVERIFY(m_box->open());
    // Every part of both pages built and on show at some point.
    for (int mode : {1, 2, 3})
        m_box->setBox(QStringLiteral("Cubrix"), mode, mode == 2 ? 1 : 0);
    m_box->setBox(QStringLiteral("Cubrix"), 2, 2);
    QObject *info = m_box->infoPage();
    for (const char *button : {"singleStatusButton", "dualStatusButton", "tpgStatusButton"})
        QVERIFY(m_box->press(QString::fromLatin1(button), info));
    QVERIFY(m_box->press(QStringLiteral("flipButton")));
    QCOMPARE(m_box->main().tabCount(), 2);
    call(m_box->main().sideBar(), "closeEntry", {0});
    QTRY_COMPARE_WITH_TIMEOUT(m_box->main().tabCount(), 1, 2000);
    QVERIFY(m_box->fake().waitForDisconnect(5000));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::qWait(50);
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

BREVANTO_QML_TEST_MAIN(TestCubrixPageLoad)
#include "tst_cubrixpageload.moc"
