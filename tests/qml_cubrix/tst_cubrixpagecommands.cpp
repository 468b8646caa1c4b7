// The Cubrix controls and settings pages driven through their QML objects, in the real window
// connected to a fake box: the commands that reach the box for every control, with the cases
// that need care (upload variant per mode, the precision dialog and the order of the upload
// and setCube, .dat files in mode 2, clearing 1D and 3D slots, SetIP with an empty field).

#include "cubrixpagefixture.h"

#include <QtTest>

using namespace QmlTest;

using CommandList = QList<QPair<int, int>>;
Q_DECLARE_METATYPE(CommandList)

namespace {
QByteArray be32(quint32 value)
{
    QByteArray bytes(4, '\0');
    bytes[0] = char(value >> 24);
    bytes[1] = char(value >> 16);
    bytes[2] = char(value >> 8);
    bytes[3] = char(value);
    return bytes;
}

// A 17-point identity .cube file: its size line is what the resampling checks.
QByteArray cube17()
{
    QByteArray text = "TITLE \"identity\"\nLUT_3D_SIZE 17\n";
    for (int b = 0; b < 17; ++b)
        for (int g = 0; g < 17; ++g)
            for (int r = 0; r < 17; ++r)
                text += QByteArray::number(r / 16.0, 'f', 6) + ' ' + QByteArray::number(g / 16.0, 'f', 6) + ' '
                        + QByteArray::number(b / 16.0, 'f', 6) + '\n';
    return text;
}

// The 1D ramp that clears a slot, written out as its definition says.
QByteArray rampText()
{
    QByteArray text = "LUT_1D_SIZE 4096\nLUT_1D_BITS 12\nLUT_1D_NAME Image2";
    for (int k = 0; k < 4096; ++k) {
        const QByteArray field = QByteArray::number(k).rightJustified(5, ' ');
        text += '\n' + field + ' ' + field + ' ' + field;
    }
    return text;
}

QObject *child(QObject *parent, const char *name)
{
    return parent ? find(parent, QString::fromLatin1(name)) : nullptr;
}

// What a dialog does when one of its buttons is pressed: it closes, then reports the answer.
bool answer(QObject *dialog, const char *signal)
{
    return dialog && QMetaObject::invokeMethod(dialog, "close") && QMetaObject::invokeMethod(dialog, signal);
}
} // namespace

class TestCubrixPageCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void modeChannelAndInputButtons_data();
    void modeChannelAndInputButtons();
    void uploadVariantPerMode_data();
    void uploadVariantPerMode();
    void precisionDialogUploadsThenSetsTheDefault();
    void precisionDialogForSavesKeepsItsOwnChoice();
    void precisionDialogCancelledSendsNothing();
    void datFileInModeTwoIsSentUnconverted();
    void deleting1DSlotStoresTheRampAndLoadsIt();
    void deletingNeedsAYes();
    void deleting3DSlot_data();
    void deleting3DSlot();
    void recallLoadsTheSlot();
    void switchesAskTheBoxAndFollowIt();
    void frameBoxCommands();
    void generatorCommands();
    void rangeButtons_data();
    void rangeButtons();
    void signalFormatChoices();
    void dualChannelRefusedForTheDpModel();
    void setIpWithAnEmptyFieldSendsNothing();
    void setIpSendsAndDisconnects();
    void setIpWaitsForTheCommandInFlight();
    void wifiButtons();
    void firmwareUpdateAsksFirst();
    void precisionSettingIsLocal();
    void pageFlipAndDisconnect();

private:
    QObject *lutBox(const char *row, const char *box) const;
    QByteArray payloadOf(int protocol, int request) const;

    std::unique_ptr<WarningGuard> m_guard;
    std::unique_ptr<LogRecorder> m_log;
    std::unique_ptr<CubrixPageFixture> m_box;
};

void TestCubrixPageCommands::initTestCase()
{
    m_guard = std::make_unique<WarningGuard>();
    // The offscreen platform cannot pass a dialog window's size limits on (a display can).
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        m_guard->allow(QStringLiteral("This plugin does not support propagateSizeHints()"));
}

void TestCubrixPageCommands::init()
{
    m_box = std::make_unique<CubrixPageFixture>();
    QVERIFY(m_box->open());
    m_log = std::make_unique<LogRecorder>();
}

void TestCubrixPageCommands::cleanup()
{
    m_log.reset();
    m_box.reset();
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

QObject *TestCubrixPageCommands::lutBox(const char *row, const char *box) const
{
    return m_box->box(QString::fromLatin1(row), QString::fromLatin1(box));
}

QByteArray TestCubrixPageCommands::payloadOf(int protocol, int request) const
{
    for (const auto &cmd : m_box->fake().received()) {
        if (cmd.protocol == protocol && cmd.request == request)
            return cmd.payload;
    }
    return QByteArray();
}

void TestCubrixPageCommands::modeChannelAndInputButtons_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("button");
    QTest::addColumn<CommandList>("expected");
    QTest::newRow("Single Channel") << 2 << 1 << "singleChannelButton" << CommandList{{0x0001, 112}};
    QTest::newRow("Dual Channel") << 1 << 0 << "dualChannelButton" << CommandList{{0x0001, 113}};
    QTest::newRow("Test Pattern Generator") << 1 << 0 << "generatorButton" << CommandList{{0x0001, 114}};
    QTest::newRow("Ch 1") << 2 << 2 << "channel1Button" << CommandList{{0x0001, 128}, {0x0100, 5}};
    QTest::newRow("Ch 2") << 2 << 1 << "channel2Button" << CommandList{{0x0001, 129}, {0x0100, 5}};
    QTest::newRow("SDI 1, mode 1") << 1 << 0 << "sdi1Button" << CommandList{{0x0001, 16}, {0x0100, 8}};
    QTest::newRow("SDI 2, mode 2 ch 2") << 2 << 2 << "sdi2Button" << CommandList{{0x0001, 17}, {0x0100, 12}};
    QTest::newRow("CH2 Output") << 2 << 1 << "ch2OutputButton" << CommandList{{0x0001, 18}, {0x0100, 11}};
    QTest::newRow("OSD Menu") << 3 << 0 << "osdMenuButton" << CommandList{{0x0001, 32}};
}

void TestCubrixPageCommands::modeChannelAndInputButtons()
{
    QFETCH(int, mode);
    QFETCH(int, channel);
    QFETCH(QString, button);
    QFETCH(CommandList, expected);
    m_box->setBox(QStringLiteral("Cubrix"), mode, channel);
    QVERIFY(m_box->enabled(button));
    QVERIFY(m_box->press(button));
    QVERIFY(m_box->waitForCommands(expected.size()));
    QCOMPARE(m_box->commands().mid(0, expected.size()), expected);
    // The page does not change the mode itself: the box reports it.
    QCOMPARE(m_box->device()->boxMode(), mode);
}

void TestCubrixPageCommands::uploadVariantPerMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("save");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QString>("logged");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("request");
    QTest::addColumn<bool>("converted");

    // Request: operation 0x200 send / 0x300 save, bit size in bits 4-7 for a 3D .cube, slot - 1.
    QTest::newRow("mode 1, 3D preview, .cube") << 1 << 0 << "lutRowMode1" << "cubeLut" << false << 1 << "look.cube" << 2
                                               << "sendLutFileUpsample" << 0x0311 << 0x0220 << true;
    QTest::newRow("mode 1, 3D save slot 2, .cube") << 1 << 0 << "lutRowMode1" << "cubeLut" << true << 2 << "look.cube"
                                                   << 2 << "saveLutFileUpsample" << 0x0311 << 0x0321 << true;
    QTest::newRow("mode 1, front 1D preview") << 1 << 0 << "lutRowMode1" << "frontLut" << false << 1 << "ramp.lut" << 3
                                              << "sendLutFileUpsample" << 0x0301 << 0x0200 << false;
    QTest::newRow("mode 2 ch 1, 3D preview, .cube") << 2 << 1 << "lutRowMode2Ch1" << "cubeLut" << false << 1
                                                    << "look.cube" << 3 << "sendLutFileDownsample" << 0x0311 << 0x0230
                                                    << false;
    QTest::newRow("mode 2 ch 2, back 1D save slot 5") << 2 << 2 << "lutRowMode2Ch2" << "backLut" << true << 5
                                                      << "ramp.lut" << 3 << "saveLutFileDownsample" << 0x0302 << 0x0304
                                                      << false;
    QTest::newRow("mode 3, 3D preview, .cube") << 3 << 0 << "lutRowMode3" << "cubeLut" << false << 1 << "look.cube" << 1
                                               << "sendLutFile QUrl" << 0x0311 << 0x0210 << false;
    QTest::newRow("mode 3, 3D save slot 16, .cube") << 3 << 0 << "lutRowMode3" << "cubeLut" << true << 16 << "look.cube"
                                                    << 3 << "saveLutFile QUrl" << 0x0311 << 0x033F << false;
    QTest::newRow("mode 3, front 1D save slot 1") << 3 << 0 << "lutRowMode3" << "frontLut" << true << 1 << "ramp.lut" << 3
                                                  << "saveLutFile QUrl" << 0x0301 << 0x0300 << false;
}

void TestCubrixPageCommands::uploadVariantPerMode()
{
    QFETCH(int, mode);
    QFETCH(int, channel);
    QFETCH(QString, row);
    QFETCH(QString, box);
    QFETCH(bool, save);
    QFETCH(int, slot);
    QFETCH(QString, file);
    QFETCH(int, bits);
    QFETCH(QString, logged);
    QFETCH(int, protocol);
    QFETCH(int, request);
    QFETCH(bool, converted);

    const QByteArray contents = file.endsWith(QLatin1String(".cube")) ? cube17() : QByteArray("0 0 0\n1023 1023 1023\n");
    const QString path = m_box->writeFile(file, contents);
    m_box->setBox(QStringLiteral("Cubrix"), mode, channel);
    m_box->device()->setCube(bits);
    QObject *lut = m_box->box(row, box);
    QVERIFY(lut);
    if (save)
        QVERIFY(find(lut, QStringLiteral("saveSlot"))->setProperty("value", slot));
    QVERIFY(m_box->press(child(lut, save ? "saveButton" : "previewButton")));

    QObject *dialog = m_box->fileDialog();
    QVERIFY(dialog && dialog->property("visible").toBool());
    QCOMPARE(dialog->property("title").toString(), QStringLiteral("Select LUT file"));
    const bool is3D = box == QLatin1String("cubeLut");
    QCOMPARE(dialog->property("nameFilters").toStringList(),
             is3D ? QStringList({"3D LUT files (*.dat *.cube)", "All files (*)"})
                  : QStringList({"1D LUT files (*.lut)", "All files (*)"}));
    m_log->clear();
    QVERIFY(m_box->chooseFile(path));

    QVERIFY(m_box->waitForCommands(1));
    QCOMPARE(m_box->commands(), (CommandList{{protocol, request}}));
    QVERIFY2(m_log->indexOf(logged) >= 0, qPrintable(m_log->lines().join(QLatin1Char('\n'))));
    // No precision question while a default is set.
    QObject *precision = m_box->dialogs()->property("precisionDialog").value<QObject *>();
    QVERIFY(!precision || !precision->property("visible").toBool());
    const QByteArray payload = m_box->fake().received().first().payload;
    if (converted) {
        QVERIFY(payload.contains("LUT_3D_SIZE 33"));
        QVERIFY(payload.size() > contents.size() * 5);
    } else {
        QCOMPARE(payload, contents);
    }
    QVERIFY(m_box->quietFor(100));
}

void TestCubrixPageCommands::precisionDialogUploadsThenSetsTheDefault()
{
    const QString path = m_box->writeFile(QStringLiteral("look.cube"), cube17());
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    // "Ask on LUT Upload" chosen on the settings page.
    QVERIFY(m_box->press(QStringLiteral("precision0"), m_box->infoPage()));
    QCOMPARE(m_box->device()->cubeBitDef(), 0);

    QObject *cube = lutBox("lutRowMode1", "cubeLut");
    QVERIFY(m_box->press(child(cube, "previewButton")));
    QVERIFY(m_box->chooseFile(path));
    QVERIFY(m_box->quietFor(100));

    QObject *dialog = m_box->dialogs()->property("precisionDialog").value<QObject *>();
    QVERIFY(dialog && dialog->property("visible").toBool());
    QCOMPARE(dialog->property("title").toString(), QStringLiteral("Select LUT Processing Precision"));
    QVERIFY(child(dialog, "precisionChoice3")->property("checked").toBool());
    QObject *tenBits = child(dialog, "precisionChoice2");
    QCOMPARE(tenBits->property("text").toString(), QStringLiteral("10 bits"));
    QVERIFY(m_box->press(tenBits));
    QVERIFY(tenBits->property("checked").toBool());
    QVERIFY(!child(dialog, "precisionChoice3")->property("checked").toBool());
    QObject *asDefault = child(dialog, "precisionDefault");
    QCOMPARE(asDefault->property("text").toString(), QStringLiteral("set 10 bits as default"));
    asDefault->setProperty("checked", true);
    m_log->clear();
    QVERIFY(answer(dialog, "accepted"));

    QVERIFY(m_box->waitForCommands(1));
    QCOMPARE(m_box->commands(), (CommandList{{0x0311, 0x0220}}));
    QCOMPARE(m_box->device()->cubeBitDef(), 2);
    const int upload = m_log->indexOf(QStringLiteral("sendLutFileUpsample"));
    // QDebug puts a blank between the text and the number.
    const int setCube = m_log->indexOf(QStringLiteral("set cube bit def =  2"));
    QVERIFY(upload >= 0 && setCube >= 0);
    QVERIFY2(upload < setCube, "the upload goes first, then the default is stored");

    // With the default stored, the next upload asks nothing.
    m_box->fake().clearReceived();
    QVERIFY(m_box->press(child(cube, "previewButton")));
    QVERIFY(m_box->chooseFile(path));
    QVERIFY(m_box->waitForCommands(1));
    QCOMPARE(m_box->commands(), (CommandList{{0x0311, 0x0220}}));
    QVERIFY(!dialog->property("visible").toBool());
}

void TestCubrixPageCommands::precisionDialogForSavesKeepsItsOwnChoice()
{
    const QString path = m_box->writeFile(QStringLiteral("look.cube"), cube17());
    m_box->setBox(QStringLiteral("Cubrix"), 3);
    m_box->device()->setCube(0);
    QObject *cube = lutBox("lutRowMode3", "cubeLut");
    find(cube, QStringLiteral("saveSlot"))->setProperty("value", 4);

    QVERIFY(m_box->press(child(cube, "saveButton")));
    QVERIFY(m_box->chooseFile(path));
    QObject *dialog = m_box->dialogs()->property("precisionDialog").value<QObject *>();
    QVERIFY(dialog && dialog->property("visible").toBool());
    QCOMPARE(dialog->property("title").toString(), QStringLiteral("Select cube file bit"));
    QVERIFY(m_box->press(child(dialog, "precisionChoice1")));
    QVERIFY(answer(dialog, "accepted"));
    QVERIFY(m_box->waitForCommands(1));
    // 8 bit (code 1) into slot 4 (id 3); not stored as the default.
    QCOMPARE(m_box->commands(), (CommandList{{0x0311, 0x0313}}));
    QCOMPARE(m_box->device()->cubeBitDef(), 0);
    QCOMPARE(cube->property("savePrecision").toInt(), 1);
    QCOMPARE(cube->property("uploadPrecision").toInt(), 3);

    // The next save starts from the last save answer, the next upload from its own.
    QVERIFY(m_box->press(child(cube, "saveButton")));
    QVERIFY(m_box->chooseFile(path));
    QVERIFY(child(dialog, "precisionChoice1")->property("checked").toBool());
    QVERIFY(!child(dialog, "precisionDefault")->property("checked").toBool());
    QVERIFY(answer(dialog, "rejected"));
    QVERIFY(m_box->press(child(cube, "previewButton")));
    QVERIFY(m_box->chooseFile(path));
    QVERIFY(child(dialog, "precisionChoice3")->property("checked").toBool());
    QCOMPARE(dialog->property("title").toString(), QStringLiteral("Select LUT Processing Precision"));
    QVERIFY(answer(dialog, "rejected"));
    QVERIFY(m_box->quietFor(150));
    QCOMPARE(m_box->commands().size(), 1);
}

void TestCubrixPageCommands::precisionDialogCancelledSendsNothing()
{
    const QString path = m_box->writeFile(QStringLiteral("look.cube"), cube17());
    m_box->setBox(QStringLiteral("Cubrix"), 2, 1);
    m_box->device()->setCube(0);
    QVERIFY(m_box->press(child(lutBox("lutRowMode2Ch1", "cubeLut"), "previewButton")));
    QVERIFY(m_box->chooseFile(path));
    QObject *dialog = m_box->dialogs()->property("precisionDialog").value<QObject *>();
    QVERIFY(dialog && dialog->property("visible").toBool());
    child(dialog, "precisionDefault")->setProperty("checked", true);
    QVERIFY(answer(dialog, "rejected"));
    QVERIFY(m_box->quietFor(200));
    QVERIFY(m_box->commands().isEmpty());
    QCOMPARE(m_box->device()->cubeBitDef(), 0);
}

void TestCubrixPageCommands::datFileInModeTwoIsSentUnconverted()
{
    const QByteArray image(128 + 4913 * 4, '\x5a');
    const QString path = m_box->writeFile(QStringLiteral("grade.dat"), image);
    m_box->setBox(QStringLiteral("Cubrix"), 2, 2);
    // Even without a default precision: a .dat file carries its own.
    m_box->device()->setCube(0);
    QVERIFY(m_box->press(child(lutBox("lutRowMode2Ch2", "cubeLut"), "previewButton")));
    QVERIFY(m_box->chooseFile(path));
    QVERIFY(m_box->waitForCommands(1));
    QCOMPARE(m_box->commands(), (CommandList{{0x0311, 0x0200}}));
    QCOMPARE(m_box->fake().received().first().payload, image);
    QVERIFY(m_log->indexOf(QStringLiteral("sendLutFileDownsample")) >= 0);
    QObject *precision = m_box->dialogs()->property("precisionDialog").value<QObject *>();
    QVERIFY(!precision || !precision->property("visible").toBool());
}

void TestCubrixPageCommands::deleting1DSlotStoresTheRampAndLoadsIt()
{
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    QObject *front = lutBox("lutRowMode1", "frontLut");
    find(front, QStringLiteral("deleteSlot"))->setProperty("value", 3);
    QVERIFY(m_box->press(child(front, "deleteButton")));
    QObject *question = m_box->dialogs()->property("confirmDialog").value<QObject *>();
    QVERIFY(question && question->property("visible").toBool());
    QCOMPARE(question->property("text").toString(),
             QStringLiteral("Are you sure you wish to clear LUT data from slot 3? This cannot be undone."));
    QVERIFY(m_box->quietFor(100));
    QVERIFY(answer(question, "yes"));

    // Slot 3 is id 2: store the ramp (1D, no bit size), load it, then the channel re-query.
    QVERIFY(m_box->waitForCommands(3));
    QCOMPARE(m_box->commands(), (CommandList{{0x0301, 0x0302}, {0x0301, 0x0402}, {0x0100, 8}}));
    QCOMPARE(m_box->fake().received().first().payload, rampText());
}

void TestCubrixPageCommands::deletingNeedsAYes()
{
    m_box->setBox(QStringLiteral("Cubrix"), 3);
    QObject *back = lutBox("lutRowMode3", "backLut");
    QVERIFY(m_box->press(child(back, "deleteButton")));
    QObject *question = m_box->dialogs()->property("confirmDialog").value<QObject *>();
    QVERIFY(question && question->property("visible").toBool());
    QVERIFY(answer(question, "no"));
    QVERIFY(m_box->quietFor(200));
    QVERIFY(m_box->commands().isEmpty());
    // A later Yes to another question does not run the refused one.
    QVERIFY(m_box->press(child(back, "deleteButton")));
    QVERIFY(answer(question, "yes"));
    QVERIFY(m_box->waitForCommands(3));
    QCOMPARE(m_box->commands(), (CommandList{{0x0302, 0x0300}, {0x0302, 0x0400}, {0x0100, 16}}));
}

void TestCubrixPageCommands::deleting3DSlot_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("row");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("slot");
    QTest::addColumn<CommandList>("expected");
    QTest::addColumn<int>("points");

    QTest::newRow("mode 1, 12 bit, slot 1") << 1 << 0 << "lutRowMode1" << 3 << 1
                                            << CommandList{{0x0311, 0x0330}, {0x0311, 0x0400}, {0x0100, 8}} << 33;
    QTest::newRow("mode 2 ch 2, 8 bit, slot 16") << 2 << 2 << "lutRowMode2Ch2" << 1 << 16
                                                 << CommandList{{0x0311, 0x031F}, {0x0311, 0x040F}, {0x0100, 12},
                                                                {0x0100, 16}}
                                                 << 17;
    QTest::newRow("mode 2 ch 1, 10 bit, slot 7") << 2 << 1 << "lutRowMode2Ch1" << 2 << 7
                                                 << CommandList{{0x0311, 0x0326}, {0x0311, 0x0406}, {0x0100, 11},
                                                                {0x0100, 16}}
                                                 << 17;
    QTest::newRow("mode 1, no default precision") << 1 << 0 << "lutRowMode1" << 0 << 2 << CommandList{} << 0;
    QTest::newRow("mode 3") << 3 << 0 << "lutRowMode3" << 3 << 2 << CommandList{} << 0;
}

void TestCubrixPageCommands::deleting3DSlot()
{
    QFETCH(int, mode);
    QFETCH(int, channel);
    QFETCH(QString, row);
    QFETCH(int, bits);
    QFETCH(int, slot);
    QFETCH(CommandList, expected);
    QFETCH(int, points);
    m_box->setBox(QStringLiteral("Cubrix"), mode, channel);
    m_box->device()->setCube(bits);
    QObject *cube = m_box->box(row, QStringLiteral("cubeLut"));
    find(cube, QStringLiteral("deleteSlot"))->setProperty("value", slot);
    QVERIFY(m_box->press(child(cube, "deleteButton")));
    QObject *question = m_box->dialogs()->property("confirmDialog").value<QObject *>();
    QVERIFY(question && question->property("visible").toBool());
    QVERIFY(answer(question, "yes"));

    if (expected.isEmpty()) {
        QVERIFY(m_box->quietFor(300));
        QVERIFY(m_box->commands().isEmpty());
        return;
    }
    QVERIFY(m_box->waitForCommands(expected.size()));
    QCOMPARE(m_box->commands(), expected);
    const QList<QByteArray> lines = m_box->fake().received().first().payload.split('\n');
    QCOMPARE(lines.size(), 1 + points * points * points);
    QCOMPARE(lines.first(), "LUT_3D_SIZE " + QByteArray::number(points));
    QCOMPARE(lines.at(1), points == 33 ? QByteArray("0.000000 0.000000 0.000000")
                                       : QByteArray("0.00000000 0.00000000 0.00000000"));
    // Red varies fastest: index 1 of red.
    QCOMPARE(lines.at(2), points == 33 ? QByteArray("0.031250 0.000000 0.000000")
                                       : QByteArray("0.06250095 0.00000000 0.00000000"));
    QCOMPARE(lines.last(), points == 33 ? QByteArray("1.000000 1.000000 1.000000")
                                        : QByteArray("1.00000000 1.00000000 1.00000000"));
}

void TestCubrixPageCommands::recallLoadsTheSlot()
{
    m_box->setBox(QStringLiteral("Cubrix"), 2, 1);
    QObject *cube = lutBox("lutRowMode2Ch1", "cubeLut");
    find(cube, QStringLiteral("recallSlot"))->setProperty("value", 5);
    QVERIFY(m_box->press(child(cube, "recallButton")));
    QVERIFY(m_box->waitForCommands(3));
    QCOMPARE(m_box->commands(), (CommandList{{0x0311, 0x0404}, {0x0100, 11}, {0x0100, 16}}));
}

void TestCubrixPageCommands::switchesAskTheBoxAndFollowIt()
{
    Cubrix *d = m_box->device();
    m_box->setBox(QStringLiteral("Cubrix"), 2, 2);
    QObject *lutSwitch = child(lutBox("lutRowMode2Ch2", "frontLut"), "lutSwitch");
    // A flip: the switch reports the change, then shows what the box says.
    lutSwitch->setProperty("checked", true);
    QVERIFY(m_box->press(lutSwitch));
    QVERIFY(m_box->waitForCommands(2));
    QCOMPARE(m_box->commands(), (CommandList{{0x0301, 0x0100}, {0x0100, 12}}));
    QCOMPARE(lutSwitch->property("checked").toBool(), false);
    d->set_boxmode2_ch2_1dlut1_state(1);
    QCOMPARE(lutSwitch->property("checked").toBool(), true);
    m_box->fake().clearReceived();
    lutSwitch->setProperty("checked", false);
    QVERIFY(m_box->press(lutSwitch));
    QVERIFY(m_box->waitForCommands(2));
    QCOMPARE(m_box->commands(), (CommandList{{0x0301, 0x0000}, {0x0100, 12}}));
    d->set_boxmode2_ch2_1dlut1_state(0);
    QCOMPARE(lutSwitch->property("checked").toBool(), false);

    // 3D and back 1D of mode 1, the frame of mode 3.
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    m_box->fake().clearReceived();
    QObject *cubeSwitch = child(lutBox("lutRowMode1", "cubeLut"), "lutSwitch");
    cubeSwitch->setProperty("checked", true);
    QVERIFY(m_box->press(cubeSwitch));
    QObject *backSwitch = child(lutBox("lutRowMode1", "backLut"), "lutSwitch");
    backSwitch->setProperty("checked", true);
    QVERIFY(m_box->press(backSwitch));
    QVERIFY(m_box->waitForCommands(4));
    QCOMPARE(m_box->commands(), (CommandList{{0x0311, 0x0100}, {0x0100, 8}, {0x0302, 0x0100}, {0x0100, 8}}));

    m_box->setBox(QStringLiteral("Cubrix"), 3);
    m_box->fake().clearReceived();
    QObject *frameSwitch = child(lutBox("lutRowMode3", "frameBox"), "frameSwitch");
    frameSwitch->setProperty("checked", true);
    QVERIFY(m_box->press(frameSwitch));
    QVERIFY(m_box->waitForCommands(2));
    QCOMPARE(m_box->commands(), (CommandList{{0x0401, 0x0100}, {0x0100, 19}}));
}

void TestCubrixPageCommands::frameBoxCommands()
{
    const QByteArray frame(4096, '\x11');
    const QString path = m_box->writeFile(QStringLiteral("still.raw"), frame);
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    QObject *box = lutBox("lutRowMode1", "frameBox");

    QVERIFY(m_box->press(child(box, "sendFrameButton")));
    QObject *dialog = m_box->fileDialog();
    QCOMPARE(dialog->property("title").toString(), QStringLiteral("Select Frame file"));
    QCOMPARE(dialog->property("nameFilters").toStringList(), QStringList({"Frame raw file (*.raw)", "ALL files (*)"}));
    QVERIFY(m_box->chooseFile(path));
    QVERIFY(m_box->waitForCommands(1));
    QCOMPARE(m_box->commands(), (CommandList{{0x0401, 0x0200}}));
    QCOMPARE(m_box->fake().received().first().payload, frame);

    m_box->fake().clearReceived();
    find(box, QStringLiteral("storeSlot"))->setProperty("value", 16);
    QVERIFY(m_box->press(child(box, "saveFrameButton")));
    QVERIFY(m_box->chooseFile(path));
    find(box, QStringLiteral("recallFrameSlot"))->setProperty("value", 4);
    QVERIFY(m_box->press(child(box, "loadFrameButton")));
    QVERIFY(m_box->waitForCommands(3));
    QCOMPARE(m_box->commands(), (CommandList{{0x0401, 0x030F}, {0x0401, 0x0403}, {0x0100, 17}}));
}

void TestCubrixPageCommands::generatorCommands()
{
    m_box->setBox(QStringLiteral("Cubrix"), 3);
    CubrixPageFixture &b = *m_box;
    b.object(QStringLiteral("redLine"))->setProperty("value", 1023);
    b.object(QStringLiteral("greenLine"))->setProperty("value", 0);
    b.object(QStringLiteral("blueLine"))->setProperty("value", 512);
    QVERIFY(b.press(QStringLiteral("rgbSetButton")));
    QVERIFY(b.waitForCommands(2));
    QCOMPARE(b.commands(), (CommandList{{0x0600, 0x0001}, {0x0100, 13}}));
    QCOMPARE(b.fake().received().first().payload, QByteArray::fromHex("3FF00200"));

    // A number typed into a field moves its slider without sending.
    b.fake().clearReceived();
    QObject *yField = find(b.object(QStringLiteral("yLine")), QStringLiteral("valueField"));
    yField->setProperty("text", QStringLiteral("512"));
    QVERIFY(QMetaObject::invokeMethod(yField, "editingFinished"));
    QCOMPARE(b.object(QStringLiteral("yLine"))->property("value").toInt(), 512);
    b.object(QStringLiteral("crLine"))->setProperty("value", 64);
    b.object(QStringLiteral("cbLine"))->setProperty("value", 940);
    QCOMPARE(find(b.object(QStringLiteral("cbLine")), QStringLiteral("valueField"))->property("text").toString(),
             QStringLiteral("940"));
    QVERIFY(b.quietFor(100));
    QVERIFY(b.press(QStringLiteral("ycbcrSetButton")));
    QVERIFY(b.waitForCommands(2));
    QCOMPARE(b.commands(), (CommandList{{0x0600, 0x0002}, {0x0100, 13}}));
    // Cr, Y, Cb in bits 29-20, 19-10, 9-0.
    QCOMPARE(b.fake().received().first().payload, be32((64u << 20) | (512u << 10) | 940u));

    // Pressing (or releasing) a slider sends its group's colour as well.
    b.fake().clearReceived();
    QVERIFY(QMetaObject::invokeMethod(b.object(QStringLiteral("greenLine")), "pressedOrReleased"));
    QVERIFY(QMetaObject::invokeMethod(b.object(QStringLiteral("cbLine")), "pressedOrReleased"));
    QVERIFY(b.waitForCommands(4));
    QCOMPARE(b.commands(), (CommandList{{0x0600, 0x0001}, {0x0100, 13}, {0x0600, 0x0002}, {0x0100, 13}}));
    QCOMPARE(b.fake().received().at(0).payload, QByteArray::fromHex("3FF00200"));

    // Pattern and output format buttons.
    b.fake().clearReceived();
    QVERIFY(b.press(QStringLiteral("pattern2")));
    QVERIFY(b.press(QStringLiteral("outputFormat17")));
    QVERIFY(b.press(QStringLiteral("outputFormat5")));
    QVERIFY(b.waitForCommands(6));
    QCOMPARE(b.commands(), (CommandList{{0x0600, 0x0004}, {0x0100, 13}, {0x0600, 0x0003}, {0x0100, 13},
                                        {0x0600, 0x0003}, {0x0100, 13}}));
    QCOMPARE(b.fake().received().at(0).payload, be32(2));
    QCOMPARE(b.fake().received().at(2).payload, be32(17));
    QCOMPARE(b.fake().received().at(4).payload, be32(5));
    QCOMPARE(b.object(QStringLiteral("pattern2"))->property("text").toString(), QStringLiteral("IRE Field"));

    // A frame file replaces the generator's picture.
    b.fake().clearReceived();
    const QByteArray frame(2048, '\x22');
    const QString path = b.writeFile(QStringLiteral("tpg.raw"), frame);
    QVERIFY(b.press(QStringLiteral("loadRawFrameButton")));
    QObject *dialog = b.fileDialog();
    QCOMPARE(dialog->property("title").toString(), QStringLiteral("Select input frame file"));
    QCOMPARE(dialog->property("nameFilters").toStringList(), QStringList({"frame raw files (*.raw)", "All files (*)"}));
    QVERIFY(b.chooseFile(path));
    QVERIFY(b.waitForCommands(2));
    QCOMPARE(b.commands(), (CommandList{{0x0600, 0x0005}, {0x0100, 13}}));
    QCOMPARE(b.fake().received().first().payload, frame);
}

void TestCubrixPageCommands::rangeButtons_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("button");
    QTest::addColumn<CommandList>("expected");
    QTest::newRow("video, mode 1") << 1 << 0 << "videoRangeButton" << CommandList{{0x0304, 1}, {0x0100, 8}};
    QTest::newRow("extended, mode 2 ch 1") << 2 << 1 << "extendedRangeButton"
                                           << CommandList{{0x0304, 2}, {0x0100, 11}, {0x0100, 16}};
    QTest::newRow("SMPTE full, mode 2 ch 2") << 2 << 2 << "smpteRangeButton"
                                             << CommandList{{0x0304, 3}, {0x0100, 12}, {0x0100, 16}};
    QTest::newRow("full, mode 3") << 3 << 0 << "fullRangeButton" << CommandList{{0x0304, 4}, {0x0100, 16}};
}

void TestCubrixPageCommands::rangeButtons()
{
    QFETCH(int, mode);
    QFETCH(int, channel);
    QFETCH(QString, button);
    QFETCH(CommandList, expected);
    m_box->setBox(QStringLiteral("Cubrix Mono SDI"), mode, channel);
    QVERIFY(m_box->press(button));
    QVERIFY(m_box->waitForCommands(expected.size()));
    QCOMPARE(m_box->commands(), expected);
}

void TestCubrixPageCommands::signalFormatChoices()
{
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    QVERIFY(m_box->press(QStringLiteral("linkDualLink")));
    QVERIFY(m_box->waitForCommands(2));
    QCOMPARE(m_box->commands(), (CommandList{{0x0006, 0x0100}, {0x0100, 20}}));
    // The mark waits for the box.
    QVERIFY(!m_box->object(QStringLiteral("linkDualLink"))->property("checked").toBool());
    QVERIFY(m_box->object(QStringLiteral("linkAutomatic"))->property("checked").toBool());

    m_box->device()->set_boxmode1_ch1_signal(0x0205);
    QVERIFY(m_box->object(QStringLiteral("link3GA"))->property("checked").toBool());
    m_box->fake().clearReceived();
    QVERIFY(m_box->press(QStringLiteral("sample3")));
    QVERIFY(m_box->press(QStringLiteral("sample0")));
    QVERIFY(m_box->press(QStringLiteral("linkAutomatic")));
    QVERIFY(m_box->waitForCommands(6));
    QCOMPARE(m_box->commands(), (CommandList{{0x0006, 0x0203}, {0x0100, 20}, {0x0006, 0x0200}, {0x0100, 20},
                                             {0x0006, 0x0000}, {0x0100, 20}}));
}

void TestCubrixPageCommands::dualChannelRefusedForTheDpModel()
{
    m_box->setBox(QStringLiteral("Cubrix Mono DP"), 1);
    QVERIFY(!m_box->enabled(QStringLiteral("dualChannelButton")));
    QVERIFY(!m_box->shown(QStringLiteral("inputGroup")));
    // A click on the disabled button does nothing.
    click(m_box->item(QStringLiteral("dualChannelButton")));
    QVERIFY(m_box->quietFor(200));
    QVERIFY(m_box->commands().isEmpty());
    // The same button works for the other models.
    m_box->setBox(QStringLiteral("Cubrix Mono SDI"), 1);
    QVERIFY(m_box->shown(QStringLiteral("inputGroup")));
    click(m_box->item(QStringLiteral("dualChannelButton")));
    QVERIFY(m_box->waitForCommands(1));
    QCOMPARE(m_box->commands().first(), qMakePair(0x0001, 113));
}

void TestCubrixPageCommands::setIpWithAnEmptyFieldSendsNothing()
{
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    QObject *info = m_box->infoPage();
    m_box->object(QStringLiteral("gateField3"), info)->setProperty("text", QString());
    m_log->clear();
    QVERIFY(m_box->press(QStringLiteral("setIpButton"), info));
    QVERIFY(m_box->quietFor(300));
    QVERIFY(m_box->commands().isEmpty());
    QObject *notice = m_box->dialogs(info)->property("noticeDialog").value<QObject *>();
    QVERIFY(!notice || !notice->property("visible").toBool());
    const QStringList parts = m_box->device()->address().split(QLatin1Char('.'));
    QVERIFY(m_log->indexOf(QStringLiteral("SetIP  address ") + parts.join(QLatin1Char('.'))) >= 0);
    QVERIFY(m_log->indexOf(QStringLiteral("SetIP  mask    255.255.255.0")) >= 0);
    QVERIFY(m_log->indexOf(QStringLiteral("SetIP  gate    192.168.1.")) >= 0);
    QCOMPARE(int(m_box->device()->state()), int(QAbstractSocket::ConnectedState));
}

void TestCubrixPageCommands::setIpSendsAndDisconnects()
{
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    QObject *info = m_box->infoPage();
    const QStringList address{"10", "0", "0", "7"}, mask{"255", "255", "0", "0"}, gate{"10", "0", "0", "1"};
    for (int i = 0; i < 4; ++i) {
        m_box->object(QStringLiteral("ipField%1").arg(i), info)->setProperty("text", address.at(i));
        m_box->object(QStringLiteral("maskField%1").arg(i), info)->setProperty("text", mask.at(i));
        m_box->object(QStringLiteral("gateField%1").arg(i), info)->setProperty("text", gate.at(i));
    }
    QVERIFY(m_box->press(QStringLiteral("flipButton")));
    QCOMPARE(find(m_box->tab(), QStringLiteral("pageList"))->property("currentIndex").toInt(), 1);
    QVERIFY(m_box->press(QStringLiteral("setIpButton"), info));
    QVERIFY(m_box->waitForCommands(1));
    QCOMPARE(m_box->commands(), (CommandList{{0x0500, 0x0001}}));
    QCOMPARE(m_box->fake().received().first().payload, QByteArray::fromHex("0A000007FFFF00000A000001"));
    QObject *notice = m_box->dialogs(info)->property("noticeDialog").value<QObject *>();
    QVERIFY(notice && notice->property("visible").toBool());
    QCOMPARE(notice->property("title").toString(), QStringLiteral("IP Address Updated"));
    QCOMPARE(notice->property("text").toString(), QStringLiteral("The IP Address has been updated, please reconnect."));
    QVERIFY(m_box->fake().waitForDisconnect(5000));
    QTRY_COMPARE_WITH_TIMEOUT(int(m_box->device()->state()), int(QAbstractSocket::UnconnectedState), 5000);
    QCOMPARE(find(m_box->tab(), QStringLiteral("pageList"))->property("currentIndex").toInt(), 0);
    QVERIFY(answer(notice, "accepted"));
}

void TestCubrixPageCommands::setIpWaitsForTheCommandInFlight()
{
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    QObject *info = m_box->infoPage();
    // A key press the box has not answered yet holds the transport.
    m_box->fake().setSilent(true);
    QVERIFY(m_box->press(QStringLiteral("osdMenuButton")));
    QVERIFY(m_box->waitForCommands(1));
    QVERIFY(m_box->press(QStringLiteral("setIpButton"), info));
    QVERIFY(m_box->quietFor(200));
    QCOMPARE(m_box->commands(), (CommandList{{0x0001, 32}}));
    // The answer comes before the disconnection: the address still leaves.
    m_box->fake().setSilent(false);
    m_box->fake().send(FakeDevice::message(0x0001, 32));
    QVERIFY(m_box->waitForCommands(2));
    QCOMPARE(m_box->commands().last(), qMakePair(0x0500, 0x0001));
    QVERIFY(m_box->fake().waitForDisconnect(5000));
}

void TestCubrixPageCommands::wifiButtons()
{
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    QObject *info = m_box->infoPage();
    m_box->object(QStringLiteral("ssidField"), info)->setProperty("text", QStringLiteral("Studio"));
    m_box->object(QStringLiteral("passwordField"), info)->setProperty("text", QStringLiteral("secret"));
    QVERIFY(m_box->press(QStringLiteral("wifiSetButton"), info));
    QVERIFY(m_box->press(QStringLiteral("wifiOnButton"), info));
    QVERIFY(m_box->press(QStringLiteral("wifiOffButton"), info));
    QVERIFY(m_box->waitForCommands(3));
    QCOMPARE(m_box->commands(), (CommandList{{0x0500, 0x0004}, {0x0500, 0x0002}, {0x0500, 0x0003}}));
    QCOMPARE(m_box->fake().received().first().payload, QByteArray("Studio:secret"));
}

void TestCubrixPageCommands::firmwareUpdateAsksFirst()
{
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    const QByteArray image(1000, '\x7e');
    const QString path = m_box->writeFile(QStringLiteral("cubrix.img"), image);

    QVERIFY(m_box->press(QStringLiteral("firmwareButton")));
    QObject *dialog = m_box->fileDialog();
    QCOMPARE(dialog->property("title").toString(), QStringLiteral("Select a firmware file"));
    QCOMPARE(dialog->property("nameFilters").toStringList(), QStringList({"img (*.img)", "All files (*)"}));
    QVERIFY(m_box->chooseFile(path));
    QObject *question = m_box->dialogs()->property("confirmDialog").value<QObject *>();
    QVERIFY(question && question->property("visible").toBool());
    QCOMPARE(question->property("title").toString(), QStringLiteral("Update Firmware"));
    QCOMPARE(question->property("text").toString(),
             QStringLiteral("Firmware file: ") + QUrl::fromLocalFile(path).toString());
    QCOMPARE(question->property("informativeText").toString(),
             QStringLiteral("This procedure cannot be canceled, are you sure you want to update this firmware?"));
    // Cancel sends nothing.
    QVERIFY(answer(question, "rejected"));
    QVERIFY(m_box->quietFor(200));
    QVERIFY(m_box->commands().isEmpty());

    QVERIFY(m_box->press(QStringLiteral("firmwareButton")));
    QVERIFY(m_box->chooseFile(path));
    QVERIFY(answer(question, "accepted"));
    QVERIFY(m_box->waitForCommands(1));
    QCOMPARE(m_box->commands(), (CommandList{{0x0005, 0x0001}}));
    QCOMPARE(m_box->fake().received().first().payload, image);
}

void TestCubrixPageCommands::precisionSettingIsLocal()
{
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    QObject *info = m_box->infoPage();
    QVERIFY(m_box->press(QStringLiteral("precision1"), info));
    QCOMPARE(m_box->device()->cubeBitDef(), 1);
    QVERIFY(m_box->object(QStringLiteral("precision1"), info)->property("checked").toBool());
    QVERIFY(m_box->press(QStringLiteral("precision2"), info));
    QCOMPARE(m_box->device()->cubeBitDef(), 2);
    QVERIFY(!m_box->object(QStringLiteral("precision1"), info)->property("checked").toBool());
    QVERIFY(m_box->quietFor(150));
    QVERIFY(m_box->commands().isEmpty());
}

void TestCubrixPageCommands::pageFlipAndDisconnect()
{
    m_box->setBox(QStringLiteral("Cubrix"), 1);
    QObject *pageList = find(m_box->tab(), QStringLiteral("pageList"));
    QVERIFY(m_box->press(QStringLiteral("flipButton")));
    QCOMPARE(pageList->property("currentIndex").toInt(), 1);
    QVERIFY(m_box->press(QStringLiteral("flipButton"), m_box->infoPage()));
    QCOMPARE(pageList->property("currentIndex").toInt(), 0);

    // Disconnect from the settings page: back to the controls, box disconnected.
    QVERIFY(m_box->press(QStringLiteral("flipButton")));
    QVERIFY(m_box->press(QStringLiteral("disconnectButton"), m_box->infoPage()));
    QVERIFY(m_box->fake().waitForDisconnect(5000));
    QTRY_COMPARE_WITH_TIMEOUT(int(m_box->device()->state()), int(QAbstractSocket::UnconnectedState), 5000);
    QCOMPARE(pageList->property("currentIndex").toInt(), 0);
    QCOMPARE(qobject_cast<QQuickItem *>(m_box->generalPage())->isEnabled(), false);
    QVERIFY(!m_box->shown(QStringLiteral("deviceHeader")));
}

BREVANTO_QML_TEST_MAIN(TestCubrixPageCommands)
#include "tst_cubrixpagecommands.moc"
