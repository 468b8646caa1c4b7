// The stream and the formatter as the scope window uses them from QML: property types,
// invokable overloads and passing a QML surface series and formatter across.
#include "scope/customlabelswaveform.h"
#include "scope/scopestream.h"
#include "scopetesthelpers.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQmlError>
#include <QtDataVisualization/QSurface3DSeries>
#include <QtDataVisualization/QValue3DAxis>
#include <QtTest>
#include <memory>

using QtDataVisualization::QSurface3DSeries;
using QtDataVisualization::QValue3DAxis;
using namespace ScopeTest;

namespace {
const char *const ScopeDocument = R"QML(
import QtQuick 2.12
import QtDataVisualization 1.3
import MNCP 1.0

Item {
    property alias stream: stream
    property alias series: series
    property alias levelAxis: levelAxis
    property int playing: stream.isPlaying
    property int gain: stream.vectorGain
    property string buttonText: (stream.isPlaying === 3 || stream.isPlaying === 1) ? "Stop" : "Start"
    property int rows: series.dataProxy.rowCount

    ScopeStream { id: stream }
    Surface3DSeries { id: series }
    ValueAxis3D {
        id: levelAxis
        min: 0; max: 127; segmentCount: 12; subSegmentCount: 1
        formatter: CustomLabelsWaveform {}
    }

    function open() {
        stream.vectorGain = 1
        stream.generateData_TWK("waveform", 128, 240)
        stream.setDataSeries_Wave(series)
    }
    function toggle(type) { stream.startStopPlayback(type) }
    function play(type, on) { stream.startStopPlayback(type, on) }
    function stop(type) { stream.stopPlayback(type) }
    function setGain(value) { stream.vectorGain = value }
    function forget() { stream.deleteSeries("waveform") }
}
)QML";
} // namespace

class TestScopeStreamQml : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void scopeWindowFlow();
    void gainFromQml();
    void formatterOnAxis();

private:
    QObject *call(const char *function, QVariant a = QVariant(), QVariant b = QVariant());

    std::unique_ptr<QQmlEngine> m_engine;
    std::unique_ptr<QObject> m_root;
    QList<QQmlError> m_warnings;
};

void TestScopeStreamQml::initTestCase()
{
    enableDebugLines();
    qmlRegisterType<ScopeStream>("MNCP", 1, 0, "ScopeStream");
    qmlRegisterType<CustomLabelsWaveform>("MNCP", 1, 0, "CustomLabelsWaveform");
}

void TestScopeStreamQml::init()
{
    m_warnings.clear();
    m_engine = std::make_unique<QQmlEngine>();
    connect(m_engine.get(), &QQmlEngine::warnings, this,
            [this](const QList<QQmlError> &warnings) { m_warnings += warnings; });
    QQmlComponent component(m_engine.get());
    component.setData(ScopeDocument, QUrl(QStringLiteral("qrc:/tst_scopestreamqml.qml")));
    m_root.reset(component.create());
    QVERIFY2(m_root, qPrintable(component.errorString()));
}

void TestScopeStreamQml::cleanup()
{
    m_root.reset();
    m_engine.reset();
    for (const QQmlError &warning : qAsConst(m_warnings))
        qWarning("%s", qPrintable(warning.toString()));
    QVERIFY2(m_warnings.isEmpty(), "QML warnings");
}

QObject *TestScopeStreamQml::call(const char *function, QVariant a, QVariant b)
{
    QVariant result;
    bool ok = false;
    if (!a.isValid())
        ok = QMetaObject::invokeMethod(m_root.get(), function);
    else if (!b.isValid())
        ok = QMetaObject::invokeMethod(m_root.get(), function, Q_ARG(QVariant, a));
    else
        ok = QMetaObject::invokeMethod(m_root.get(), function, Q_ARG(QVariant, a), Q_ARG(QVariant, b));
    return ok ? m_root.get() : nullptr;
}

void TestScopeStreamQml::scopeWindowFlow()
{
    auto *stream = m_root->property("stream").value<ScopeStream *>();
    QVERIFY(stream);
    auto *series = m_root->property("series").value<QSurface3DSeries *>();
    QVERIFY(series);
    QVERIFY(call("open"));
    QCOMPARE(stream->waveformArray().size(), 128);
    QCOMPARE(m_root->property("buttonText").toString(), QStringLiteral("Start"));

    // The QML-side stream has no handler: the start is logged as unsendable but takes effect.
    QTest::ignoreMessage(QtCriticalMsg, "Error: ScopeStream class holds NULL pointer to required SocketHandler. \n"
                                        "Unable to send request to hardware.");
    QVERIFY(call("toggle", 1));
    QCOMPARE(m_root->property("playing").toInt(), 1);
    QCOMPARE(m_root->property("buttonText").toString(), QStringLiteral("Stop"));

    // The series handed over from QML receives the frames.
    stream->receiveFrame(randomBytes(WaveformBytes, 1), 1);
    QCOMPARE(m_root->property("rows").toInt(), 128);
    QCOMPARE(series->dataProxy()->columnCount(), 240);

    QVERIFY(call("play", 2, true));
    QCOMPARE(m_root->property("playing").toInt(), 3);
    QVERIFY(call("toggle", 1));
    QCOMPARE(m_root->property("playing").toInt(), 2);
    QCOMPARE(m_root->property("buttonText").toString(), QStringLiteral("Start"));
    QVERIFY(call("stop", 3));
    QCOMPARE(m_root->property("playing").toInt(), 0);

    QVERIFY(call("forget"));
    QVERIFY(call("play", 1, true));
    stream->receiveFrame(randomBytes(WaveformBytes, 2), 1);
    QCOMPARE(series->dataProxy()->itemAt(0, 0)->position().y(),
             float(quint8(randomBytes(WaveformBytes, 1).at(127 * 256))));
}

void TestScopeStreamQml::gainFromQml()
{
    auto *stream = m_root->property("stream").value<ScopeStream *>();
    QVERIFY(stream);
    QVERIFY(call("setGain", 4));
    QCOMPARE(m_root->property("gain").toInt(), 4);
    QVERIFY(call("setGain", 3));
    QCOMPARE(m_root->property("gain").toInt(), 4);
    QVERIFY(call("setGain", 2));
    QCOMPARE(stream->vectorGain(), quint8(2));
}

void TestScopeStreamQml::formatterOnAxis()
{
    auto *axis = m_root->property("levelAxis").value<QValue3DAxis *>();
    QVERIFY(axis);
    QVERIFY(qobject_cast<CustomLabelsWaveform *>(axis->formatter()));
    const QStringList labels = axis->labels();
    QCOMPARE(labels.size(), 13);
    QCOMPARE(labels.at(1), QStringLiteral("0"));
    QCOMPARE(labels.at(11), QStringLiteral("100"));
}

QTEST_MAIN(TestScopeStreamQml)
#include "tst_scopestreamqml.moc"
