// The monitor page in the real window for each monitor family: which sections a connected
// monitor shows follows from the model and serial it reports, the page stays hidden while
// the tab is not connected, and nothing logs a QML warning.
#include "monitorpagefixture.h"

#include <QtTest>
#include <memory>

using namespace QmlTest;

class TestMonitorPages : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void sectionsByFamily_data();
    void sectionsByFamily();
    void hiddenUntilConnectedAndAfterDisconnect();
    void keyLayouts_data();
    void keyLayouts();
    void rvLutBoxesFoldedUntilMore_data();
    void rvLutBoxesFoldedUntilMore();
    void calibrationSlotNames_data();
    void calibrationSlotNames();
    void lightTheme();

private:
    QStringList comboTexts(QObject *combo);

    std::unique_ptr<WarningGuard> m_guard;
    std::unique_ptr<MonitorPageFixture> m_page;
};

void TestMonitorPages::initTestCase()
{
    m_guard = std::make_unique<WarningGuard>();
}

void TestMonitorPages::init()
{
    m_page = std::make_unique<MonitorPageFixture>();
    QVERIFY(m_page->fake().port() != 0);
}

void TestMonitorPages::cleanup()
{
    m_page.reset();
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

QStringList TestMonitorPages::comboTexts(QObject *combo)
{
    QStringList texts;
    const int count = combo->property("count").toInt();
    for (int i = 0; i < count; ++i)
        texts << call(combo, "textAt", {i}).toString();
    return texts;
}

void TestMonitorPages::sectionsByFamily_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<bool>("keys");
    QTest::addColumn<bool>("kt");
    QTest::addColumn<bool>("rv");

    QTest::newRow("KT") << "KT-2400" << "KT24A00317" << true << true << false;
    QTest::newRow("RV") << "RV-3100" << "RV31A00427" << false << false << true;
    QTest::newRow("RVQ") << "RVQ-3100" << "Q31B00118" << false << false << true;
    QTest::newRow("other listed monitor") << "LM-2410" << "LM24C00981" << true << false << false;
    QTest::newRow("unlisted model") << "XV-5500" << "XV55A00001" << false << false << false;
    // The serial alone puts an unknown model into a family, and it wins over the listed model.
    QTest::newRow("unlisted model, RV serial") << "XV-5500" << "rv0001" << false << false << true;
    QTest::newRow("unlisted model, RVQ serial") << "XV-5500" << "q0001" << false << false << true;
    QTest::newRow("listed model, RV serial") << "LM-2410" << "RV0002" << false << false << true;
    // Family names are compared exactly.
    QTest::newRow("model in other case") << "kt-2400" << "KT24A00317" << false << false << false;
}

void TestMonitorPages::sectionsByFamily()
{
    QFETCH(QString, model);
    QFETCH(QString, serial);
    QFETCH(bool, keys);
    QFETCH(bool, kt);
    QFETCH(bool, rv);

    QVERIFY(m_page->open({model, serial}));
    QCOMPARE(m_page->object(QStringLiteral("modelLabel"))->property("text").toString(), QStringLiteral("Model: ") + model);
    QCOMPARE(m_page->object(QStringLiteral("serialLabel"))->property("text").toString(),
             QStringLiteral("Serial Number: ") + serial);
    QCOMPARE(m_page->object(QStringLiteral("versionLabel"))->property("text").toString(),
             QStringLiteral("Firmware Version: 1.2.3"));
    QCOMPARE(m_page->object(QStringLiteral("addressLabel"))->property("text").toString(),
             QStringLiteral("Address: 127.0.0.1"));
    QCOMPARE(m_page->object(QStringLiteral("connectedLabel"))->property("text").toString(), QStringLiteral("Connected"));

    QVERIFY(m_page->isShown(QStringLiteral("metaData")));
    QVERIFY(m_page->isShown(QStringLiteral("disconnectButton")));
    QCOMPARE(m_page->isShown(QStringLiteral("keyboardSection")), keys);
    QCOMPARE(m_page->isShown(QStringLiteral("launchSection")), kt);
    QCOMPARE(m_page->isShown(QStringLiteral("ktKnobs")), kt);
    QCOMPARE(m_page->isShown(QStringLiteral("ktLutSection")), kt);
    QCOMPARE(m_page->isShown(QStringLiteral("lutPageRV")), rv);
    // Firmware goes to the RV families only.
    QCOMPARE(m_page->isShown(QStringLiteral("updateFirmwareButton")), rv);
    QCOMPARE(m_page->item(QStringLiteral("updateFirmwareButton"))->property("text").toString(),
             QStringLiteral("Update Firmware..."));
}

void TestMonitorPages::hiddenUntilConnectedAndAfterDisconnect()
{
    QVERIFY(m_page->load());
    QObject *page = m_page->page();
    QVERIFY(!page->property("enabled").toBool());
    for (const char *section : {"metaData", "keyboardSection", "launchSection", "ktKnobs", "ktLutSection", "lutPageRV"})
        QVERIFY2(!m_page->isShown(QString::fromLatin1(section)), section);

    QVERIFY(m_page->connectAs(MonitorPageFixture::kt()));
    QVERIFY(page->property("enabled").toBool());
    QVERIFY(m_page->isShown(QStringLiteral("launchSection")));

    // The page's own button disconnects; every section goes with the identity.
    QVERIFY(m_page->press(QStringLiteral("disconnectButton")));
    QVERIFY(m_page->fake().waitForDisconnect(5000));
    QTRY_COMPARE_WITH_TIMEOUT(int(m_page->monitor()->state()), int(QAbstractSocket::UnconnectedState), 5000);
    QVERIFY(!page->property("enabled").toBool());
    for (const char *section : {"metaData", "keyboardSection", "launchSection", "ktKnobs", "ktLutSection", "lutPageRV"})
        QVERIFY2(!m_page->isShown(QString::fromLatin1(section)), section);
    // The tab shows its connection controls again.
    QVERIFY(find(m_page->tab(), QStringLiteral("connectionGroup"))->property("visible").toBool());

    // Connecting again as another family rebuilds the page for it.
    QVERIFY(m_page->connectAs(MonitorPageFixture::rvq()));
    QVERIFY(m_page->isShown(QStringLiteral("lutPageRV")));
    QVERIFY(!m_page->isShown(QStringLiteral("launchSection")));
}

void TestMonitorPages::keyLayouts_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QStringList>("functions");

    QTest::newRow("KT") << "kt" << "keyboardSection" << "inputButton_" << QStringList{"SDI 1", "SDI 2", "DP", "DVI"}
                        << QStringList{"F1", "F2", "F3", "F4", "F5", "F6"};
    QTest::newRow("other listed monitor") << "listed" << "keyboardSection" << "inputButton_"
                                          << QStringList{"SDI 1", "SDI 2", "YPbPr", "Video", "DVI"}
                                          << QStringList{"F1", "F2", "F3", "F4", "F5"};
    QTest::newRow("RV") << "rv" << "lutPageRV" << "rvInputButton_" << QStringList{"SDI 1", "SDI 2", "SDI 3", "SDI 4", "DP"}
                        << QStringList{"F1", "F2", "F3", "F4", "F5"};
}

void TestMonitorPages::keyLayouts()
{
    QFETCH(QString, family);
    QFETCH(QString, container);
    QFETCH(QString, prefix);
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, functions);

    QVERIFY(m_page->open(MonitorPageFixture::byName(family)));
    QObject *section = m_page->object(container);
    QVERIFY(section);
    const QString functionPrefix = prefix == QLatin1String("inputButton_") ? QStringLiteral("functionButton_")
                                                                           : QStringLiteral("rvFunctionButton_");
    QStringList shownInputs;
    for (const QString &label : {"SDI 1", "SDI 2", "SDI 3", "SDI 4", "DP", "DVI", "YPbPr", "Video"}) {
        auto *button = qobject_cast<QQuickItem *>(find(section, prefix + label));
        if (button && button->isVisible()) {
            QCOMPARE(button->property("text").toString(), label);
            shownInputs << label;
        }
    }
    QStringList expectedInputs = inputs;
    std::sort(expectedInputs.begin(), expectedInputs.end());
    std::sort(shownInputs.begin(), shownInputs.end());
    QCOMPARE(shownInputs, expectedInputs);
    QStringList shownFunctions;
    for (int f = 0; f <= 7; ++f) {
        auto *button = qobject_cast<QQuickItem *>(find(section, functionPrefix + QStringLiteral("F%1").arg(f)));
        if (button && button->isVisible())
            shownFunctions << button->property("text").toString();
    }
    QCOMPARE(shownFunctions, functions);
    // The four menu keys are there in every layout.
    for (const char *name : {"osdUpButton", "osdMenuButton", "osdEnterButton", "osdDownButton"}) {
        auto *button = qobject_cast<QQuickItem *>(find(section, QString::fromLatin1(name)));
        QVERIFY2(button && button->isVisible(), name);
    }
}

void TestMonitorPages::rvLutBoxesFoldedUntilMore_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<bool>("preview");
    QTest::addColumn<bool>("load");
    QTest::newRow("RV") << "rv" << false << true;
    QTest::newRow("RVQ") << "rvq" << true << false;
}

void TestMonitorPages::rvLutBoxesFoldedUntilMore()
{
    QFETCH(QString, family);
    QFETCH(bool, preview);
    QFETCH(bool, load);

    QVERIFY(m_page->open(MonitorPageFixture::byName(family)));
    const QStringList boxes{"frontDit1dFrame", "dit3dFrame", "postDit1dFrame",
                            "frontCalibration1dFrame", "calibration3dFrame", "backCalibration1dFrame"};
    const QStringList titles{"Front DIT 1D LUT", "DIT 3D LUT", "Post DIT 1D LUT",
                             "Front Calibration 1D  LUT", "Calibration 3D LUT", "Back Calibration 1D LUT"};
    QQuickItem *more = m_page->item(QStringLiteral("moreButton"));
    QCOMPARE(more->property("text").toString(), QStringLiteral("More  >>"));
    QCOMPARE(more->property("tooltip").toString(), QStringLiteral("Show LUT Boxes"));
    for (const QString &box : boxes)
        QVERIFY2(!m_page->isShown(box), qPrintable(box));

    QVERIFY(m_page->press(QStringLiteral("moreButton")));
    QCOMPARE(more->property("text").toString(), QStringLiteral("<<  Collapse"));
    for (int i = 0; i < boxes.size(); ++i) {
        QVERIFY2(m_page->isShown(boxes.at(i)), qPrintable(boxes.at(i)));
        QCOMPARE(m_page->object(boxes.at(i))->property("title").toString(), titles.at(i));
    }
    // The general boxes: preview for RVQ, load for RV, the slot of the switch only for KT.
    for (const char *lut : {"frontDit1dLut", "dit3dLut", "postDit1dLut"}) {
        const QString name = QString::fromLatin1(lut);
        QCOMPARE(qobject_cast<QQuickItem *>(m_page->within(name, QStringLiteral("lutPreviewButton")))->isVisible(), preview);
        QCOMPARE(qobject_cast<QQuickItem *>(m_page->within(name, QStringLiteral("lutLoadButton")))->isVisible(), load);
        QVERIFY(!qobject_cast<QQuickItem *>(m_page->within(name, QStringLiteral("lutSwitchId")))->isVisible());
        QVERIFY(qobject_cast<QQuickItem *>(m_page->within(name, QStringLiteral("lutStoreId")))->isVisible());
    }

    QVERIFY(m_page->press(QStringLiteral("moreButton")));
    QCOMPARE(more->property("text").toString(), QStringLiteral("More  >>"));
    for (const QString &box : boxes)
        QVERIFY2(!m_page->isShown(box), qPrintable(box));
}

void TestMonitorPages::calibrationSlotNames_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("RV") << "rv"
                        << QStringList{"Rec 709", "DCI P3", "BT.2020", "BT. 2020 - ST 2084", "P3-D65 - ST 2084", "HLG-2020"};
    QTest::newRow("RVQ") << "rvq" << QStringList{"User 1", "User 2", "User 3", "User 4", "User 5", "User 6"};
}

void TestMonitorPages::calibrationSlotNames()
{
    QFETCH(QString, family);
    QFETCH(QStringList, names);

    QVERIFY(m_page->open(MonitorPageFixture::byName(family)));
    for (const char *lut : {"frontCalibration1dLut", "calibration3dLut", "backCalibration1dLut"}) {
        for (const char *list : {"lutRvStoreSlot", "lutRvLoadSlot"}) {
            QObject *combo = m_page->within(QString::fromLatin1(lut), QString::fromLatin1(list));
            QVERIFY(combo);
            QCOMPARE(comboTexts(combo), names);
        }
    }
}

void TestMonitorPages::lightTheme()
{
    QVERIFY(m_page->open(MonitorPageFixture::rv()));
    QObject *page = m_page->page();
    QCOMPARE(page->property("mode").toString(), QStringLiteral("dark"));
    QCOMPARE(m_page->object(QStringLiteral("modelLabel"))->property("color").value<QColor>(), QColor(Qt::white));
    m_page->key(Qt::Key_L, Qt::ShiftModifier);
    QCOMPARE(page->property("mode").toString(), QStringLiteral("light"));
    QCOMPARE(m_page->object(QStringLiteral("modelLabel"))->property("color").value<QColor>(), QColor(Qt::black));
    QCOMPARE(m_page->object(QStringLiteral("analyzerFrame"))->property("mode").toString(), QStringLiteral("light"));
}

BREVANTO_QML_TEST_MAIN(TestMonitorPages)
#include "tst_monitorpages.moc"
