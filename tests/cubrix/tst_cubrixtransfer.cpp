// LUT and frame uploads of the Cubrix, seen by a fake box: request ids, payload sources,
// the 17/33-point conversion choice and the refusals.

#include "cubrixharness.h"

#include "lut/cubrixutils.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(CommandIds)

namespace {

using Transfer = std::function<void(Cubrix &, const QUrl &)>;

// Identity .cube text with six decimals, red index fastest.
QByteArray identityCube(int size, int entries = -1)
{
    QByteArray text = "TITLE \"identity\"\nLUT_3D_SIZE " + QByteArray::number(size) + "\n\n";
    const int total = entries < 0 ? size * size * size : entries;
    const double step = 1.0 / (size - 1);
    for (int i = 0; i < total; ++i) {
        const int r = i % size, g = (i / size) % size, b = i / (size * size);
        text += QByteArray::number(r * step, 'f', 6) + ' ' + QByteArray::number(g * step, 'f', 6) + ' '
                + QByteArray::number(b * step, 'f', 6) + '\n';
    }
    return text;
}

// Lets the test see debug lines although the test environment switches them off.
QLoggingCategory::CategoryFilter previousFilter = nullptr;
void debugVisible(QLoggingCategory *category)
{
    if (previousFilter)
        previousFilter(category);
    if (qstrcmp(category->categoryName(), "default") == 0)
        category->setEnabled(QtDebugMsg, true);
}

} // namespace
Q_DECLARE_METATYPE(Transfer)

class TestCubrixTransfer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void requestIdsAndPayloads_data();
    void requestIdsAndPayloads();
    void refusedTypesAndFunctions_data();
    void refusedTypesAndFunctions();
    void resamplingConvertsOnlyTheMatchingSize_data();
    void resamplingConvertsOnlyTheMatchingSize();
    void resamplingLogsThePathTaken();
    void shortGridSendsNothing_data();
    void shortGridSendsNothing();
    void unreadableFileSendsNothing_data();
    void unreadableFileSendsNothing();
    void emptyUrlKeepsSendingAnEmptyPayload_data();
    void emptyUrlKeepsSendingAnEmptyPayload();
    void frameFileForTheGenerator();
    void frameFileWithEmptyUrl();

private:
    QUrl url(const QString &name) const { return QUrl::fromLocalFile(m_dir.filePath(name)); }
    QByteArray contents(const QString &name) const
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
    void write(const QString &name, const QByteArray &bytes)
    {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), qint64(bytes.size()));
    }

    QTemporaryDir m_dir;
    CubrixHarness *m_box = nullptr;
};

void TestCubrixTransfer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QByteArray binary;
    for (int i = 0; i < 1000; ++i)
        binary.append(char(i * 37));
    write("table.lut", QByteArray("LUT_1D_SIZE 4\n0 0 0\n") + binary);
    write("image.dat", binary + binary);
    write("frame.raw", QByteArray::fromHex("0001000100040002") + binary);
    write("grid33.cube", identityCube(33));
    write("grid17.cube", identityCube(17));
    write("short33.cube", identityCube(33, 10));
    write("short17.cube", identityCube(17, 10));
    QVERIFY(QDir(m_dir.path()).mkdir("folder.cube"));

    m_box = new CubrixHarness;
    QVERIFY(m_box->connectAndSettle());
}

void TestCubrixTransfer::cleanupTestCase()
{
    delete m_box;
}

void TestCubrixTransfer::requestIdsAndPayloads_data()
{
    QTest::addColumn<Transfer>("transfer");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("request");

    using C = Cubrix;
    QTest::newRow("send 3D DIT, 12 bit")
        << Transfer([](C &c, const QUrl &u) { c.sendLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, u, 3); })
        << "grid17.cube" << 0x0311 << 0x0230;
    QTest::newRow("send 3D CAL, 8 bit")
        << Transfer([](C &c, const QUrl &u) { c.sendLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_CALIBRATION, 0, u, 1); })
        << "image.dat" << 0x0310 << 0x0210;
    QTest::newRow("send 1D DIT, bit size ignored")
        << Transfer([](C &c, const QUrl &u) { c.sendLutFile(C::LUT_TYPE_1D, C::LUT_FUNC_DIT, 0, u, 3); })
        << "table.lut" << 0x0301 << 0x0200;
    QTest::newRow("save 1D BOX slot 5")
        << Transfer([](C &c, const QUrl &u) { c.saveLutFile(C::LUT_TYPE_1D, C::LUT_FUNC_BOX, 4, u, 3); })
        << "table.lut" << 0x0302 << 0x0304;
    QTest::newRow("save 1D CAL slot 1")
        << Transfer([](C &c, const QUrl &u) { c.saveLutFile(C::LUT_TYPE_1D, C::LUT_FUNC_CALIBRATION, 0, u, 0); })
        << "table.lut" << 0x0300 << 0x0300;
    QTest::newRow("save 3D DIT slot 16, 10 bit")
        << Transfer([](C &c, const QUrl &u) { c.saveLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 15, u, 2); })
        << "grid33.cube" << 0x0311 << 0x032F;
    QTest::newRow("save 3D .dat, bit size 0")
        << Transfer([](C &c, const QUrl &u) { c.saveLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 2, u, 0); })
        << "image.dat" << 0x0311 << 0x0302;
    QTest::newRow("send downsample 1D BOX")
        << Transfer([](C &c, const QUrl &u) { c.sendLutFileDownsample(C::LUT_TYPE_1D, C::LUT_FUNC_BOX, 0, u, 0); })
        << "table.lut" << 0x0302 << 0x0200;
    QTest::newRow("save upsample 1D DIT slot 3")
        << Transfer([](C &c, const QUrl &u) { c.saveLutFileUpsample(C::LUT_TYPE_1D, C::LUT_FUNC_DIT, 2, u, 0); })
        << "table.lut" << 0x0301 << 0x0302;
    QTest::newRow("send frame")
        << Transfer([](C &c, const QUrl &u) { c.sendFrame(0, u); }) << "frame.raw" << 0x0401 << 0x0200;
    QTest::newRow("save frame slot 16")
        << Transfer([](C &c, const QUrl &u) { c.saveFrame(15, u); }) << "frame.raw" << 0x0401 << 0x030F;
}

void TestCubrixTransfer::requestIdsAndPayloads()
{
    QFETCH(Transfer, transfer);
    QFETCH(QString, file);
    QFETCH(int, protocol);
    QFETCH(int, request);

    QCOMPARE(m_box->sentBy([&] { transfer(m_box->cubrix, url(file)); }), (CommandIds{{protocol, request}}));
    // Files travel byte for byte; no re-query follows a transfer.
    QCOMPARE(m_box->fake.received().first().payload, contents(file));
}

void TestCubrixTransfer::refusedTypesAndFunctions_data()
{
    QTest::addColumn<Transfer>("transfer");
    QTest::addColumn<CommandIds>("expected");
    QTest::addColumn<QByteArray>("payload");

    using C = Cubrix;
    const QString text = QString::fromUtf8("LUT_1D_SIZE 2\n0 0 0\n4095 4095 4095\n\xc3\xa4");
    // "ä" is C3 A4 in UTF-8.
    const QByteArray textBytes = QByteArray("LUT_1D_SIZE 2\n0 0 0\n4095 4095 4095\n") + QByteArray::fromHex("c3a4");

    QTest::newRow("array send 3D DIT, 10 bit")
        << Transfer([text](C &c, const QUrl &) { c.sendLutArray(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, text, 2); })
        << CommandIds{{0x0311, 0x0220}} << textBytes;
    QTest::newRow("array save 1D BOX slot 8")
        << Transfer([text](C &c, const QUrl &) { c.saveLutArray(C::LUT_TYPE_1D, C::LUT_FUNC_BOX, 7, text, 0); })
        << CommandIds{{0x0302, 0x0307}} << textBytes;
    QTest::newRow("array save 3D CAL slot 2, 12 bit")
        << Transfer([text](C &c, const QUrl &) { c.saveLutArray(C::LUT_TYPE_3D, C::LUT_FUNC_CALIBRATION, 1, text, 3); })
        << CommandIds{{0x0310, 0x0331}} << textBytes;
    QTest::newRow("array save 3D BOX refused")
        << Transfer([text](C &c, const QUrl &) { c.saveLutArray(C::LUT_TYPE_3D, C::LUT_FUNC_BOX, 0, text, 3); })
        << CommandIds{} << QByteArray();
    QTest::newRow("array send type 2 refused")
        << Transfer([text](C &c, const QUrl &) { c.sendLutArray(C::LutType(2), C::LUT_FUNC_DIT, 0, text, 3); })
        << CommandIds{} << QByteArray();
    QTest::newRow("array send 1D function 3 refused")
        << Transfer([text](C &c, const QUrl &) { c.sendLutArray(C::LUT_TYPE_1D, C::LutFunc(3), 0, text, 0); })
        << CommandIds{} << QByteArray();
    QTest::newRow("file send 3D BOX refused")
        << Transfer([](C &c, const QUrl &u) { c.sendLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_BOX, 0, u, 3); })
        << CommandIds{} << QByteArray();
    QTest::newRow("file save 1D function -1 refused")
        << Transfer([](C &c, const QUrl &u) { c.saveLutFile(C::LUT_TYPE_1D, C::LutFunc(-1), 0, u, 0); })
        << CommandIds{} << QByteArray();
    QTest::newRow("file upsample type 7 refused")
        << Transfer([](C &c, const QUrl &u) { c.sendLutFileUpsample(C::LutType(7), C::LUT_FUNC_DIT, 0, u, 3); })
        << CommandIds{} << QByteArray();
    QTest::newRow("file save downsample 3D BOX refused")
        << Transfer([](C &c, const QUrl &u) { c.saveLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_BOX, 0, u, 3); })
        << CommandIds{} << QByteArray();
}

void TestCubrixTransfer::refusedTypesAndFunctions()
{
    QFETCH(Transfer, transfer);
    QFETCH(CommandIds, expected);
    QFETCH(QByteArray, payload);

    QCOMPARE(m_box->sentBy([&] { transfer(m_box->cubrix, url("grid17.cube")); }), expected);
    if (!expected.isEmpty())
        QCOMPARE(m_box->fake.received().first().payload.toHex(), payload.toHex());
}

void TestCubrixTransfer::resamplingConvertsOnlyTheMatchingSize_data()
{
    QTest::addColumn<Transfer>("transfer");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("path"); // "file", "down" or "up"
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("request");

    using C = Cubrix;
    const Transfer sendDown3d = [](C &c, const QUrl &u) { c.sendLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, u, 3); };
    const Transfer sendUp3d = [](C &c, const QUrl &u) { c.sendLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, u, 3); };
    const Transfer saveDown3d = [](C &c, const QUrl &u) { c.saveLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 2, u, 2); };
    const Transfer saveUp3d = [](C &c, const QUrl &u) { c.saveLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_CALIBRATION, 2, u, 1); };
    const Transfer sendDown1d = [](C &c, const QUrl &u) { c.sendLutFileDownsample(C::LUT_TYPE_1D, C::LUT_FUNC_DIT, 0, u, 3); };
    const Transfer sendUp1d = [](C &c, const QUrl &u) { c.sendLutFileUpsample(C::LUT_TYPE_1D, C::LUT_FUNC_DIT, 0, u, 3); };
    const Transfer sendPlain3d = [](C &c, const QUrl &u) { c.sendLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, u, 3); };
    const Transfer savePlain3d = [](C &c, const QUrl &u) { c.saveLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 2, u, 2); };

    QTest::newRow("send down, 33 converted") << sendDown3d << "grid33.cube" << "down" << 0x0311 << 0x0230;
    QTest::newRow("send down, 17 unchanged") << sendDown3d << "grid17.cube" << "file" << 0x0311 << 0x0230;
    QTest::newRow("send down, .dat unchanged") << sendDown3d << "image.dat" << "file" << 0x0311 << 0x0230;
    QTest::newRow("send down, 1D never converted") << sendDown1d << "grid33.cube" << "file" << 0x0301 << 0x0200;
    QTest::newRow("send up, 17 converted") << sendUp3d << "grid17.cube" << "up" << 0x0311 << 0x0230;
    QTest::newRow("send up, 33 unchanged") << sendUp3d << "grid33.cube" << "file" << 0x0311 << 0x0230;
    QTest::newRow("send up, 1D never converted") << sendUp1d << "grid17.cube" << "file" << 0x0301 << 0x0200;
    QTest::newRow("save down, 33 converted") << saveDown3d << "grid33.cube" << "down" << 0x0311 << 0x0322;
    QTest::newRow("save down, 17 unchanged") << saveDown3d << "grid17.cube" << "file" << 0x0311 << 0x0322;
    QTest::newRow("save up, 17 converted") << saveUp3d << "grid17.cube" << "up" << 0x0310 << 0x0312;
    QTest::newRow("save up, 33 unchanged") << saveUp3d << "grid33.cube" << "file" << 0x0310 << 0x0312;
    QTest::newRow("plain send never converts") << sendPlain3d << "grid33.cube" << "file" << 0x0311 << 0x0230;
    QTest::newRow("plain save never converts") << savePlain3d << "grid17.cube" << "file" << 0x0311 << 0x0322;
}

void TestCubrixTransfer::resamplingConvertsOnlyTheMatchingSize()
{
    QFETCH(Transfer, transfer);
    QFETCH(QString, file);
    QFETCH(QString, path);
    QFETCH(int, protocol);
    QFETCH(int, request);

    const QString local = m_dir.filePath(file);
    QByteArray expected = contents(file);
    if (path == "down")
        expected = CubrixUtils::downsampleCube33to17(local);
    else if (path == "up")
        expected = CubrixUtils::upsampleCube17to33(local);
    // A converted table must be told apart from the file itself.
    if (path != "file")
        QVERIFY(!expected.isEmpty() && expected != contents(file));

    QCOMPARE(m_box->sentBy([&] { transfer(m_box->cubrix, url(file)); }), (CommandIds{{protocol, request}}));
    const QByteArray sent = m_box->fake.received().first().payload;
    QCOMPARE(sent.size(), expected.size());
    QVERIFY(sent == expected);
}

void TestCubrixTransfer::resamplingLogsThePathTaken()
{
    previousFilter = QLoggingCategory::installFilter(debugVisible);
    using C = Cubrix;
    QTest::ignoreMessage(QtDebugMsg, "Downsampling 33x33x33 LUT to 17x17x17...");
    m_box->sentBy([&] { m_box->cubrix.sendLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, url("grid33.cube"), 3); });
    QTest::ignoreMessage(QtDebugMsg, "Upsampling 17x17x17 LUT to 33x33x33...");
    m_box->sentBy([&] { m_box->cubrix.sendLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, url("grid17.cube"), 3); });
    // The save variant keeps the box software's own spelling of this line.
    QTest::ignoreMessage(QtDebugMsg, "Upwnsampling 17x17x17 LUT to 33x33x33...");
    m_box->sentBy([&] { m_box->cubrix.saveLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, url("grid17.cube"), 3); });
    QTest::ignoreMessage(QtDebugMsg, "Unknown lut func:  2");
    m_box->sentBy([&] { m_box->cubrix.saveLutArray(C::LUT_TYPE_3D, C::LUT_FUNC_BOX, 0, QStringLiteral("x"), 3); });
    QTest::ignoreMessage(QtDebugMsg, "Unknown type:  4");
    m_box->sentBy([&] { m_box->cubrix.saveLutArray(C::LutType(4), C::LUT_FUNC_DIT, 0, QStringLiteral("x"), 3); });
    QTest::ignoreMessage(QtDebugMsg, "Unknown lut type:  4");
    m_box->sentBy([&] { m_box->cubrix.sendLutArray(C::LutType(4), C::LUT_FUNC_DIT, 0, QStringLiteral("x"), 3); });
    QLoggingCategory::installFilter(previousFilter);
}

void TestCubrixTransfer::shortGridSendsNothing_data()
{
    QTest::addColumn<Transfer>("transfer");
    QTest::addColumn<QString>("file");
    using C = Cubrix;
    QTest::newRow("send down")
        << Transfer([](C &c, const QUrl &u) { c.sendLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, u, 3); })
        << "short33.cube";
    QTest::newRow("save down")
        << Transfer([](C &c, const QUrl &u) { c.saveLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 1, u, 3); })
        << "short33.cube";
    QTest::newRow("send up")
        << Transfer([](C &c, const QUrl &u) { c.sendLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, u, 3); })
        << "short17.cube";
    QTest::newRow("save up")
        << Transfer([](C &c, const QUrl &u) { c.saveLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 1, u, 3); })
        << "short17.cube";
}

void TestCubrixTransfer::shortGridSendsNothing()
{
    QFETCH(Transfer, transfer);
    QFETCH(QString, file);
    // The converter explains itself; the operation adds that it sent nothing.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Expected (35937|4913) entries, found 10"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("no resampled LUT .*nothing sent"));
    QCOMPARE(m_box->sentBy([&] { transfer(m_box->cubrix, url(file)); }), CommandIds{});
}

void TestCubrixTransfer::unreadableFileSendsNothing_data()
{
    QTest::addColumn<Transfer>("transfer");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("warns");

    using C = Cubrix;
    const QList<QPair<const char *, Transfer>> operations = {
        {"sendLutFile", [](C &c, const QUrl &u) { c.sendLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, u, 3); }},
        {"sendLutFileDownsample", [](C &c, const QUrl &u) { c.sendLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, u, 3); }},
        {"sendLutFileUpsample", [](C &c, const QUrl &u) { c.sendLutFileUpsample(C::LUT_TYPE_1D, C::LUT_FUNC_DIT, 0, u, 3); }},
        {"saveLutFile", [](C &c, const QUrl &u) { c.saveLutFile(C::LUT_TYPE_1D, C::LUT_FUNC_BOX, 4, u, 0); }},
        {"saveLutFileDownsample", [](C &c, const QUrl &u) { c.saveLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 4, u, 3); }},
        {"saveLutFileUpsample", [](C &c, const QUrl &u) { c.saveLutFileUpsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 4, u, 3); }},
        {"sendFrame", [](C &c, const QUrl &u) { c.sendFrame(0, u); }},
        {"saveFrame", [](C &c, const QUrl &u) { c.saveFrame(3, u); }},
    };
    for (const auto &operation : operations) {
        QTest::addRow("%s, missing file", operation.first) << operation.second << "missing.cube" << true;
        QTest::addRow("%s, directory", operation.first) << operation.second << "folder.cube" << true;
    }
    QTest::newRow("sendFrameFile, missing file")
        << Transfer([](C &c, const QUrl &u) { c.sendFrameFile(u); }) << "missing.raw" << false;
}

void TestCubrixTransfer::unreadableFileSendsNothing()
{
    QFETCH(Transfer, transfer);
    QFETCH(QString, file);
    QFETCH(bool, warns);
    if (warns)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot (open|read) .*nothing sent"));
    QCOMPARE(m_box->sentBy([&] { transfer(m_box->cubrix, url(file)); }), CommandIds{});

    // A URL that names no local file is just as unreadable.
    if (warns)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot (open|read) .*nothing sent"));
    QCOMPARE(m_box->sentBy([&] { transfer(m_box->cubrix, QUrl("http://127.0.0.1/table.cube")); }), CommandIds{});
}

void TestCubrixTransfer::emptyUrlKeepsSendingAnEmptyPayload_data()
{
    QTest::addColumn<Transfer>("transfer");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<int>("request");

    using C = Cubrix;
    QTest::newRow("saveLutFile 3D")
        << Transfer([](C &c, const QUrl &u) { c.saveLutFile(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 5, u, 3); }) << 0x0311 << 0x0335;
    QTest::newRow("saveLutFileDownsample")
        << Transfer([](C &c, const QUrl &u) { c.saveLutFileDownsample(C::LUT_TYPE_3D, C::LUT_FUNC_DIT, 0, u, 1); }) << 0x0311 << 0x0310;
    QTest::newRow("saveLutFileUpsample 1D")
        << Transfer([](C &c, const QUrl &u) { c.saveLutFileUpsample(C::LUT_TYPE_1D, C::LUT_FUNC_BOX, 1, u, 1); }) << 0x0302 << 0x0301;
    QTest::newRow("sendLutFile")
        << Transfer([](C &c, const QUrl &u) { c.sendLutFile(C::LUT_TYPE_1D, C::LUT_FUNC_DIT, 0, u, 0); }) << 0x0301 << 0x0200;
    QTest::newRow("sendFrame") << Transfer([](C &c, const QUrl &u) { c.sendFrame(0, u); }) << 0x0401 << 0x0200;
}

void TestCubrixTransfer::emptyUrlKeepsSendingAnEmptyPayload()
{
    QFETCH(Transfer, transfer);
    QFETCH(int, protocol);
    QFETCH(int, request);
    QCOMPARE(m_box->sentBy([&] { transfer(m_box->cubrix, QUrl()); }), (CommandIds{{protocol, request}}));
    QCOMPARE(m_box->fake.received().first().payload, QByteArray());
}

void TestCubrixTransfer::frameFileForTheGenerator()
{
    QCOMPARE(m_box->sentBy([&] { m_box->cubrix.sendFrameFile(url("frame.raw")); }),
             (CommandIds{{0x0600, 0x0005}, {0x0100, 13}}));
    QCOMPARE(m_box->fake.received().first().payload, contents("frame.raw"));
}

void TestCubrixTransfer::frameFileWithEmptyUrl()
{
    previousFilter = QLoggingCategory::installFilter(debugVisible);
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^sendFrameFile .*invalid file$"));
    QCOMPARE(m_box->sentBy([&] { m_box->cubrix.sendFrameFile(QUrl()); }), CommandIds{});
    QLoggingCategory::installFilter(previousFilter);
}

QTEST_MAIN(TestCubrixTransfer)
#include "tst_cubrixtransfer.moc"
