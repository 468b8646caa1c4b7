// The waveform level axis graticule: fixed grid and label positions, labels by value.
#include "scope/customlabelswaveform.h"
#include "scopetesthelpers.h"

#include <QtDataVisualization/QValue3DAxis>
#include <QtTest>
#include <cmath>
#include <limits>

using QtDataVisualization::QValue3DAxis;
using QtDataVisualization::QValue3DAxisFormatter;

namespace {
// Opens the formatter's protected interface to the test.
class ProbeFormatter : public CustomLabelsWaveform
{
public:
    using CustomLabelsWaveform::recalculate;
    QVector<float> grid() const { return gridPositions(); }
    QVector<float> labelPos() const { return labelPositions(); }
    QStringList labels() const { return labelStrings(); }
    QVector<float> subGrid() const { return subGridPositions(); }
    QString label(qreal value, const QString &format = QStringLiteral("%.1f")) const
    {
        return stringForValue(value, format);
    }
    QValue3DAxisFormatter *fresh() const { return createNewInstance(); }
};

// Video code values 16 (black) to 236 (white) in 22-code steps over the 0..254 span of the
// axis, framed by the two axis ends.
QVector<double> expectedPositions()
{
    QVector<double> positions{0.0};
    for (int k = 0; k <= 10; ++k)
        positions.append((16.0 + 22.0 * k) / 254.0);
    positions.append(1.0);
    return positions;
}

QStringList expectedLabels()
{
    QStringList labels{QString()};
    for (int percent = 0; percent <= 100; percent += 10)
        labels.append(QString::number(percent));
    labels.append(QString());
    return labels;
}

QString positionMismatch(const QVector<float> &actual)
{
    const QVector<double> expected = expectedPositions();
    if (actual.size() != expected.size())
        return QStringLiteral("%1 positions").arg(actual.size());
    for (int i = 0; i < expected.size(); ++i) {
        // The positions are kept to six decimals.
        if (std::fabs(actual.at(i) - expected.at(i)) > 1e-6)
            return QStringLiteral("position %1: %2, expected %3").arg(i).arg(actual.at(i)).arg(expected.at(i));
    }
    return QString();
}
} // namespace

class TestCustomLabelsWaveform : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { ScopeTest::enableDebugLines(); }
    void recalculateFillsGraticule();
    void recalculateIsRepeatable();
    void axisLabelsWhateverSegments_data();
    void axisLabelsWhateverSegments();
    void stringForValue_data();
    void stringForValue();
    void newInstance();
    void pointerTypeRegistered();
};

void TestCustomLabelsWaveform::recalculateFillsGraticule()
{
    ProbeFormatter formatter;
    QTest::ignoreMessage(QtDebugMsg, "End Recalculate()");
    formatter.recalculate();
    QString mismatch = positionMismatch(formatter.grid());
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    mismatch = positionMismatch(formatter.labelPos());
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    QCOMPARE(formatter.grid().first(), 0.0f);
    QCOMPARE(formatter.grid().last(), 1.0f);
    QCOMPARE(formatter.labels(), expectedLabels());
    QVERIFY(formatter.subGrid().isEmpty());
}

void TestCustomLabelsWaveform::recalculateIsRepeatable()
{
    ProbeFormatter formatter;
    formatter.recalculate();
    formatter.recalculate();
    QCOMPARE(formatter.labels().size(), 13);
    QCOMPARE(formatter.grid().size(), 13);
    QCOMPARE(formatter.labels(), expectedLabels());
}

void TestCustomLabelsWaveform::axisLabelsWhateverSegments_data()
{
    QTest::addColumn<int>("segments");
    QTest::addColumn<int>("subSegments");
    QTest::addColumn<float>("max");
    QTest::newRow("as the scope sets it") << 12 << 1 << 127.0f;
    QTest::newRow("one segment") << 1 << 1 << 127.0f;
    QTest::newRow("many segments") << 40 << 3 << 127.0f;
    QTest::newRow("other range") << 5 << 2 << 1000.0f;
}

void TestCustomLabelsWaveform::axisLabelsWhateverSegments()
{
    QFETCH(int, segments);
    QFETCH(int, subSegments);
    QFETCH(float, max);
    QValue3DAxis axis;
    axis.setRange(0.0f, max);
    axis.setSegmentCount(segments);
    axis.setSubSegmentCount(subSegments);
    auto *formatter = new CustomLabelsWaveform;
    axis.setFormatter(formatter); // the axis owns it from here
    QCOMPARE(axis.formatter(), static_cast<QValue3DAxisFormatter *>(formatter));
    QCOMPARE(axis.labels(), expectedLabels());
}

void TestCustomLabelsWaveform::stringForValue_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("label");
    QTest::newRow("0") << 0.0 << QString();
    QTest::newRow("9.99") << 9.99 << QString();
    QTest::newRow("10") << 10.0 << "0";
    QTest::newRow("19.99") << 19.99 << "0";
    QTest::newRow("20") << 20.0 << "10";
    QTest::newRow("35") << 35.0 << "20";
    QTest::newRow("64") << 64.0 << "50";
    QTest::newRow("110") << 110.0 << "100";
    QTest::newRow("119.99") << 119.99 << "100";
    QTest::newRow("120") << 120.0 << QString();
    QTest::newRow("127 (axis end)") << 127.0 << QString();
    QTest::newRow("129.99") << 129.99 << QString();
    QTest::newRow("-5 truncates to the first label") << -5.0 << QString();
    // Off the label list: no label rather than a read past its end.
    QTest::newRow("130") << 130.0 << QString();
    QTest::newRow("1e9") << 1e9 << QString();
    QTest::newRow("-10") << -10.0 << QString();
    QTest::newRow("-1e9") << -1e9 << QString();
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << QString();
    QTest::newRow("-infinity") << -std::numeric_limits<double>::infinity() << QString();
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << QString();
}

void TestCustomLabelsWaveform::stringForValue()
{
    QFETCH(double, value);
    QFETCH(QString, label);
    ProbeFormatter formatter;
    QCOMPARE(formatter.label(value), label);
    // The format is ignored.
    QCOMPARE(formatter.label(value, QStringLiteral("%d Y")), label);
}

void TestCustomLabelsWaveform::newInstance()
{
    QObject owner;
    ProbeFormatter formatter;
    formatter.setParent(&owner);
    QValue3DAxisFormatter *copy = formatter.fresh();
    QVERIFY(qobject_cast<CustomLabelsWaveform *>(copy));
    QCOMPARE(copy->parent(), static_cast<QObject *>(nullptr));
    delete copy;
    formatter.setParent(nullptr);
}

void TestCustomLabelsWaveform::pointerTypeRegistered()
{
    CustomLabelsWaveform formatter;
    const int id = QMetaType::type("QValue3DAxisFormatter *");
    QVERIFY(id != QMetaType::UnknownType);
    QCOMPARE(id, qMetaTypeId<QValue3DAxisFormatter *>());
}

QTEST_MAIN(TestCustomLabelsWaveform)
#include "tst_customlabelswaveform.moc"
