#include "tst_cli.h"

#include "cubefiles.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

void TestCli::initTestCase()
{
    using namespace CubeFiles;
    useCNumericLocale();
    QVERIFY(m_dir.isValid());
    m_names.insert(QStringLiteral("{dir}"), m_dir.path());
    // The 17-point identity, and copies with line 4 (the second entry) or another line changed.
    const QByteArray identity17 = cubeFile(17, identity(17), 6), entry = "\n0.062500 0.000000 0.000000\n";
    const auto changed = [&identity17](const QByteArray &line, const QByteArray &by) { return QByteArray(identity17).replace(line, by); };
    const QList<std::pair<const char *, QByteArray>> files{
        {"identity17.cube", identity17}, {"identity33.cube", cubeFile(33, identity(33), 6)}, {"curved33.cube", cubeFile(33, curved(33), 4)},
        {"curved17.cube", "TITLE \"kept\"\n" + cubeFile(17, curved(17), 10)},
        {"bom-title.cube", "\xEF\xBB\xBFTITLE \"Identity 17\"\n" + identity17}, {"bom33.cube", "\xEF\xBB\xBF" + cubeFile(33, identity(33), 6)},
        {"header.cube", "TITLE \"look\"\n# graded by hand\nDOMAIN_MIN 0 0 0\nDOMAIN_MAX 1.0 1.0 1.0\n" + identity17},
        {"two.cube", changed(entry, "\n0.5 0.5\n")}, {"word.cube", changed(entry, "\n0.1 green 0.3\n")},
        {"comma.cube", changed("\n\n0.000000 0.000000 0.000000", "\n\n0,0 0,0 0,0")}, {"extra.cube", identity17 + "1 1 1\n"},
        {"spaced.cube", changed("LUT_3D_SIZE 17", "LUT_3D_SIZE  17")}, {"unsized.cube", changed("LUT_3D_SIZE 17", "# no size")},
        {"big.cube", changed("LUT_3D_SIZE 17", "LUT_3D_SIZE 65")}, {"oned.cube", "LUT_1D_SIZE 4\n0 0 0\n0.3 0.3 0.3\n0.6 0.6 0.6\n1 1 1\n"},
        {"bright.cube", changed(entry, "\n1.25 -0.5 0.5\n")}, {"domain.cube", changed("17\n", "17\nDOMAIN_MAX 1023 1023 1023\n")},
        {"crlf.cube", changed(entry, "\n0.062500 0.000000\n").replace("\n", "\r\n")}, {"identity17.txt", identity17},
        {"bad17.cube", "LUT_3D_SIZE 17\n0 0 0\n"}, {"empty.cube", {}}, {"empty.lut", {}}, {"empty.img", {}},
        {"ramp.lut", "LUT_1D_SIZE 4\nLUT_1D_BITS 12\n0 0 0\n1365 1365 1365\n2730 2730 2730\n4095 4095 4095\n"},
        {"update.BREC", "S0030000FC\nS9030000FC\n"}, {"old.txt", "old contents"}, {"keep.png", "old contents"}, {"keep.raw", "old contents"},
        {"replaced.jpg", "old contents"},
        // Frames: video-range white and black (Y 940 and 64, Cb Cr 512) in format 2, a red picture
        // in format 259 (R 1023 in bits 20-29 of the file's little-endian word), broken ones.
        {"wb.raw", frameHeader(2, 1, 8, 2) + QByteArray::fromHex("200EB200" "20010200")},
        {"red.raw", frameHeader(63, 8, 256, 259) + QByteArray::fromHex("0000F03F").repeated(64 * 8)},
        {"whole.raw", frameHeader(2, 2, 8, 2) + QByteArray(16, '\0')}, {"short-header.raw", QByteArray(8, '\1')},
        {"lines-missing.raw", frameHeader(4, 4, 16, 2) + QByteArray(32, '\0')}, {"pitch-small.raw", frameHeader(8, 1, 16, 2) + QByteArray(16, '\0')},
        {"no-pixels.raw", frameHeader(0, 5, 0, 2)}, {"format7.raw", frameHeader(2, 2, 8, 7) + QByteArray(16, '\0')}};
    for (const auto &[name, contents] : files)
        file(name, contents);
    // The binary image whose bytes the LUT library's tests check: a reference for what reaches a
    // device, and damaged copies.
    QCOMPARE(ProcessRun(BREVANTO_CLI_PATH, {"lut", "binary", path("identity17.cube"), path("binary17.dat")}).exitCode, 0);
    const QByteArray image = readFile(path("binary17.dat"));
    QVERIFY(image.size() == 19780 && image.startsWith("\x99\x02\x34\x42") && image.endsWith("\x3f\xff\xff\xff")); // white last
    file("short.dat", image.left(1000));
    file("damaged.dat", QByteArray(image).replace(500, 1, QByteArray(1, char(image[500] ^ 1))));
    QByteArray random(300000, '\0');
    QRandomGenerator(12).fillRange(reinterpret_cast<quint32 *>(random.data()), random.size() / 4);
    file("update.img", random), file("junk.cube", random.left(70000));
    QFile huge(path("huge.raw")); // sparse: larger than any frame a device sends
    QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(257) * 1024 * 1024));
    for (const char *name : {"special.png", "special.raw", "special.pdf"})
        QVERIFY(makeFifo(path(name)));
    QVERIFY(QFile::link(path("special.png"), path("special-link.dat")));
    // Outputs to replace: a file of restricted permissions, a link to a file; a new file's
    // permissions (the umask's) for comparison; the tool alone, without the module of the frame
    // and device commands.
    const auto restricted = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ReadGroup;
    file("restricted.cube", "old"), file("restricted.ref", "x"), file("new.ref", "x"), file("target.dat", "old");
    QVERIFY(QFile::setPermissions(path("restricted.cube"), restricted) && QFile::setPermissions(path("restricted.ref"), restricted));
    QVERIFY(QFile::link(path("target.dat"), path("link.dat")) && QDir(m_dir.path()).mkdir("alone"));
    QVERIFY(QFile::copy(QStringLiteral(BREVANTO_CLI_PATH), path("alone/brevanto-cli")) && QFile::setPermissions(path("alone/brevanto-cli"), QFile::permissions(QStringLiteral(BREVANTO_CLI_PATH))));

    const QStringList monitor1{"--role", "monitor", "--family", "kt", "--channels", "1"}; // 7 identity queries
    const QList<std::pair<QString, QStringList>> sims{
        {"rv", {"--role", "monitor", "--family", "rv", "--frame-format", "259"}},
        {"cubrix", {"--role", "cubrix"}},
        {"kt", {"--role", "monitor", "--family", "kt", "--version", "9.9.1", "--serial", "KT99X001", "--channels", "2", "--ports", "4",
                "--channel-names", "Cam A,Cam B", "--channel-modes", "1920x1080p 50,3840x2160p 25", "--frame-format", "258"}},
        {"errors", monitor1 + QStringList{"--error-reply", "0x0311:0x0200:5", "--error-reply", "0x0001:0x0020", "--error-reply", "0x0400:0x0000"}},
        {"silent", monitor1 + QStringList{"--silent-after", "7"}}, {"closing", monitor1 + QStringList{"--close-after", "7"}},
        {"badcrc", monitor1 + QStringList{"--bad-crc", "0x0001:0x0020"}}, {"mute", monitor1 + QStringList{"--silent-after", "2"}},
        {"refusing", monitor1 + QStringList{"--error-reply", "0x0100:0x0000"}}};
    for (const auto &[name, arguments] : sims) {
        auto &sim = m_sims[name] = std::make_unique<SimProcess>();
        const QStringList files{"--dump-dir", path("dump-" + name), "--log-file", path(name + ".log")};
        QVERIFY2(QDir(m_dir.path()).mkdir("dump-" + name) && sim->start(arguments + files, QStringLiteral("127.0.0.%1").arg(m_sims.size())), qPrintable(name));
        m_names.insert('{' + name + '}', QStringLiteral("%1:%2").arg(sim->address()).arg(sim->port()));
        m_names.insert('{' + name + "_}", QStringLiteral("%1_%2").arg(sim->address()).arg(sim->port()));
    }
    m_names.insert(QStringLiteral("{nobody}"), QStringLiteral("127.0.0.10:%1").arg(SimProcess::freePort("127.0.0.10")));
    for (const char *sim : {"rv", "cubrix", "kt"}) // raw frames that captures replace
        file(expand(QStringLiteral("cap-{%1_}.raw").arg(sim)), "old contents");
}

void TestCli::columns()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("checks");
}

void TestCli::row(const QString &name, const QString &arguments, int exitCode, const QStringList &checks)
{
    QTest::newRow(qPrintable(name)) << arguments << exitCode << checks;
}

QString TestCli::expand(QString text) const
{
    for (auto it = m_names.begin(); it != m_names.end(); ++it)
        text.replace(it.key(), it.value());
    return text;
}

void TestCli::runRow()
{
    QFETCH(QString, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, checks);
    QHash<QString, QString> logs;
    QHash<QString, QStringList> dumps;
    for (const auto &[name, sim] : m_sims)
        logs.insert(name, sim->log()), dumps.insert(name, this->dumps(name));
    QStringList words = expand(arguments).split(' ', Qt::SkipEmptyParts);
    const QString program = words.value(0).startsWith('/') ? words.takeFirst() : QStringLiteral(BREVANTO_CLI_PATH); // or another copy
    std::unique_ptr<FifoWriter> feeder; // for an argument <<X: a FIFO fed with {dir}/X, or with zeros without end for X "endless"
    for (QString &word : words) {
        if (!word.startsWith("<<"))
            continue;
        const QString source = word.mid(2);
        const QByteArray contents = source == "endless" ? QByteArray("0") : readFile(path(source));
        QVERIFY(makeFifo(word = path("fifo-" + source)));
        feeder = std::make_unique<FifoWriter>(word, contents, source == "endless" ? qint64(272) * 1024 * 1024 : contents.size());
    }
    const ProcessRun result(program, words, 30000);
    feeder.reset();
    QVERIFY2(result.finished && result.exitCode == exitCode, qPrintable(result.describe()));
    for (const auto &[name, sim] : m_sims)
        dumps[name] = this->dumps(name).mid(dumps.value(name).size());
    for (const QString &check : checks) {
        const QString failed = failure(expand(check), result, dumps, logs);
        QVERIFY2(failed.isEmpty(), qPrintable(failed + "\n" + result.describe()));
    }
    for (auto it = dumps.begin(); it != dumps.end(); ++it)
        QVERIFY2(it.value().isEmpty(), qPrintable(it.key() + " dumped " + it.value().join(' ')));
    QVERIFY(!arguments.contains("--json") || exitCode != 0 || !QJsonDocument::fromJson(result.out.toUtf8()).isNull());
}

QString TestCli::failure(const QString &check, const ProcessRun &result, QHash<QString, QStringList> &dumps, const QHash<QString, QString> &logs)
{
    const QString what = check.section(':', 1), target = what.section('=', 0, -2), expected = what.section('=', -1);
    const QString name = what.section(' ', 0, 0), piece = target.section(' ', 1);
    bool ok = false;
    if (check.contains(QRegularExpression("^-?(out|err)[:=]"))) {
        const QString &text = check.contains(QRegularExpression("^-?out")) ? result.out : result.err;
        const int at = check.indexOf(QRegularExpression("[:=]"));
        int from = 0; // past the last piece found, the pieces between "…" in order
        for (const QString &piece : check.mid(at + 1).split(QStringLiteral("…")))
            from = from < 0 || text.indexOf(piece, from) < 0 ? -1 : text.indexOf(piece, from) + int(piece.size());
        ok = check[at] == '=' ? text.trimmed() == check.mid(at + 1) : (from >= 0) != check.startsWith('-');
    } else if (check.startsWith("ms")) {
        ok = check[2] == '<' ? result.ms < check.mid(3).toInt() : result.ms > check.mid(3).toInt();
    } else if (check.startsWith("file:")) {
        const QRegularExpressionMatch size = QRegularExpression("^(\\d+)x(\\d+)$").match(expected);
        if (expected == "link" || expected.startsWith("mode of "))
            ok = expected == "link" ? QFileInfo(target).isSymLink() : QFileInfo(target).permissions() == QFileInfo(path(expected.mid(8))).permissions();
        else if (expected == "-")
            ok = QDir(QFileInfo(target).path()).entryList({QFileInfo(target).fileName()}, QDir::AllEntries | QDir::Hidden | QDir::System).isEmpty();
        else if (expected == "fifo" || size.hasMatch())
            ok = expected == "fifo" ? isFifo(target) : QImage(target).size() == QSize(size.captured(1).toInt(), size.captured(2).toInt());
        else
            ok = expected.startsWith('%') ? readFile(target).startsWith(expected == "%PNG" ? "\x89PNG" : "%PDF-") : readFile(target) == readFile(path(expected));
    } else if (check.startsWith("px:")) {
        const QImage image(target);
        const QStringList pixels = expected.section('~', 0, 0).split(' ');
        ok = image.width() >= pixels.size();
        for (int x = 0; ok && x < pixels.size(); ++x)
            for (int shift : {16, 8, 0})
                ok = ok && qAbs(int(image.pixel(x, 0) >> shift & 0xFF) - int(pixels[x].toUInt(nullptr, 16) >> shift & 0xFF)) <= expected.section('~', 1).toInt();
    } else if (check.startsWith("json:")) {
        const QJsonDocument json = QJsonDocument::fromJson(result.out.toUtf8());
        QJsonValue value = json.isArray() ? QJsonValue(json.array()) : QJsonValue(json.object());
        for (const QString &key : target.split('.'))
            value = value.isArray() ? value.toArray().at(key.toInt()) : value.toObject().value(key);
        bool number = false;
        const double wanted = expected.toDouble(&number);
        ok = number && value.isDouble() ? qAbs(value.toDouble() - wanted) < 1e-6 : value.toVariant().toString() == expected;
    } else if (check.startsWith("sim:")) {
        ok = countInLog(m_sims.at(name)->log(), piece) - countInLog(logs.value(name), piece) == expected.toInt();
    } else if (check.startsWith("dump:")) {
        const QString dumped = dumps[name].isEmpty() ? QString() : dumps[name].takeFirst();
        ok = dumped.contains(piece) && readFile(path("dump-" + name + '/' + dumped)) == readFile(path(expected));
    } else {
        return "unknown check " + check;
    }
    return ok ? QString() : "failed: " + check;
}

QTEST_MAIN(TestCli)
