#include "lut/cubeentryreader.h"

#include <QtTest>

using CubrixUtils::CubeEntryReader;
using CubrixUtils::CubeLineScanner;
using CubrixUtils::LutEntry;
using Reason = CubeEntryReader::SkipReason;

namespace {

QString reasonName(Reason reason)
{
    switch (reason) {
    case Reason::Blank: return QStringLiteral("blank");
    case Reason::Comment: return QStringLiteral("comment");
    case Reason::Keyword: return QStringLiteral("keyword");
    case Reason::NotThreePieces: return QStringLiteral("pieces");
    }
    return QStringLiteral("?");
}

QString text(const CubeLineScanner::Line &line)
{
    return QString::fromLatin1(line.begin, line.size());
}

// "number reason text" for every line passed over, and "number r|g|b" for every candidate.
struct Walk {
    QStringList skipped;
    QStringList candidates;
};

Walk walk(const QByteArray &cube)
{
    Walk result;
    CubeEntryReader reader(cube);
    reader.setSkipObserver([&result](int number, Reason reason, const CubeLineScanner::Line &line) {
        result.skipped << QStringLiteral("%1 %2 %3").arg(number).arg(reasonName(reason), text(line));
    });
    while (reader.nextCandidate()) {
        result.candidates << QStringLiteral("%1 %2|%3|%4")
                                 .arg(reader.lineNumber())
                                 .arg(text(reader.piece(0)), text(reader.piece(1)), text(reader.piece(2)));
    }
    return result;
}

} // namespace

// The observer that lists the lines a .cube reader passes over, and the line numbers of the
// candidates, as a tool shows them to a user before a file reaches a device.
class TestCubeSkippedLines : public QObject
{
    Q_OBJECT
private slots:
    void linesAndReasons_data();
    void linesAndReasons();
    void observerDoesNotChangeTheEntries();
    void readWithoutObserverStillWorks();
};

void TestCubeSkippedLines::linesAndReasons_data()
{
    QTest::addColumn<QByteArray>("cube");
    QTest::addColumn<QStringList>("skipped");
    QTest::addColumn<QStringList>("candidates");

    // Line numbers counted by hand from the literal texts.
    QTest::newRow("every kind of line")
        << QByteArray("TITLE \"grade\"\n"           // 1
                      "# made by hand\n"             // 2
                      "DOMAIN_MIN 0 0 0\n"           // 3
                      "LUT_3D_SIZE 17\n"             // 4
                      "\n"                           // 5
                      "0 0 0\n"                      // 6
                      "0.5 0.5\n"                    // 7
                      "  0.1   0.2\t0.3  \n"         // 8
                      "0.1 0.2 0.3 0.4\n"            // 9
                      "0.1 green 0.3\n"              // 10
                      "   \n"                        // 11
                      "1 1 1")                       // 12, no line end
        << QStringList{QStringLiteral("1 keyword TITLE \"grade\""), QStringLiteral("2 comment # made by hand"),
                       QStringLiteral("3 keyword DOMAIN_MIN 0 0 0"), QStringLiteral("4 keyword LUT_3D_SIZE 17"),
                       QStringLiteral("5 blank "), QStringLiteral("7 pieces 0.5 0.5"),
                       QStringLiteral("9 pieces 0.1 0.2 0.3 0.4"), QStringLiteral("11 blank ")}
        << QStringList{QStringLiteral("6 0|0|0"), QStringLiteral("8 0.1|0.2|0.3"),
                       QStringLiteral("10 0.1|green|0.3"), QStringLiteral("12 1|1|1")};

    QTest::newRow("carriage returns do not add lines")
        << QByteArray("LUT_3D_SIZE 17\r\n\r\n0 0 0\r\nbad\r\n1 1 1\r\n")
        << QStringList{QStringLiteral("1 keyword LUT_3D_SIZE 17"), QStringLiteral("2 blank "),
                       QStringLiteral("4 pieces bad")}
        << QStringList{QStringLiteral("3 0|0|0"), QStringLiteral("5 1|1|1")};

    // Keywords are matched at the start of the trimmed line and case-sensitively.
    QTest::newRow("keyword look-alikes")
        << QByteArray("lut_3d_size 17\n  LUT_1D_SIZE 4096\nTITLES a b\nXDOMAIN_MAX 1 1\n")
        << QStringList{QStringLiteral("1 pieces lut_3d_size 17"), QStringLiteral("2 keyword LUT_1D_SIZE 4096"),
                       QStringLiteral("3 keyword TITLES a b")}
        << QStringList{QStringLiteral("4 XDOMAIN_MAX|1|1")};

    QTest::newRow("trailing blank lines")
        << QByteArray("0 0 0\n\n\n")
        << QStringList{QStringLiteral("2 blank "), QStringLiteral("3 blank ")}
        << QStringList{QStringLiteral("1 0|0|0")};

    QTest::newRow("empty text") << QByteArray() << QStringList() << QStringList();
}

void TestCubeSkippedLines::linesAndReasons()
{
    QFETCH(QByteArray, cube);
    QFETCH(QStringList, skipped);
    QFETCH(QStringList, candidates);
    const Walk result = walk(cube);
    QCOMPARE(result.skipped, skipped);
    QCOMPARE(result.candidates, candidates);
}

void TestCubeSkippedLines::observerDoesNotChangeTheEntries()
{
    const QByteArray cube("# c\nLUT_3D_SIZE 2\n0 0 0\n0.25 x 1\nnot-an-entry\n1 0.5 0\n");
    CubeEntryReader observed(cube);
    int calls = 0;
    observed.setSkipObserver([&calls](int, Reason, const CubeLineScanner::Line &) { ++calls; });
    QList<float> values;
    while (observed.nextCandidate()) {
        LutEntry entry;
        const bool complete = observed.convert(entry);
        values << entry.red << entry.green << entry.blue << (complete ? 1.0f : 0.0f);
    }
    QCOMPARE(calls, 3);
    // 0.25 x 1 keeps its line with the unreadable piece read as 0.0.
    const QList<float> expected{0, 0, 0, 1, 0.25f, 0, 1, 0, 1, 0.5f, 0, 1};
    QCOMPARE(values, expected);
}

void TestCubeSkippedLines::readWithoutObserverStillWorks()
{
    const QByteArray cube("LUT_3D_SIZE 2\n0 0 0\nonly two\n1 1 1\n");
    const auto entries = CubeEntryReader::read(cube, CubeEntryReader::UnreadablePiece::SkipLine);
    QCOMPARE(int(entries.size()), 2);
    QCOMPARE(entries[1].blue, 1.0f);
}

QTEST_GUILESS_MAIN(TestCubeSkippedLines)
#include "tst_cubeskippedlines.moc"
