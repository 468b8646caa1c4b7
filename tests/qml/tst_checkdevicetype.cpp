// The device-type script of the monitor pages: exact model lists and serial prefixes.
#include "qmltestsupport.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QtTest>

using namespace QmlTest;

namespace {
const char *const Probe = R"QML(
import QtQml 2.15
import "common/CheckDeviceType.js" as CheckDeviceType

QtObject {
    function check(name, model, serial) {
        return CheckDeviceType[name](model, serial);
    }
    function checkWithoutSerial(name, model) {
        return CheckDeviceType[name](model);
    }
    property string rvqModelCode: CheckDeviceType.rvqModelCode
}
)QML";
} // namespace

class TestCheckDeviceType : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void predicate_data();
    void predicate();
    void missingSerialIsNoPrefix();
    void rvqModelCodeIsAnRvqModel();

private:
    bool check(const QString &name, const QString &model, const QString &serial);

    std::unique_ptr<WarningGuard> m_guard;
    QQmlEngine m_engine;
    std::unique_ptr<QObject> m_probe;
};

void TestCheckDeviceType::initTestCase()
{
    m_guard = std::make_unique<WarningGuard>();
    QQmlComponent component(&m_engine);
    component.setData(Probe, QUrl(QStringLiteral("qrc:/probe.qml")));
    m_probe.reset(component.create());
    QVERIFY2(m_probe, qPrintable(component.errorString()));
}

void TestCheckDeviceType::cleanupTestCase()
{
    m_probe.reset();
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

bool TestCheckDeviceType::check(const QString &name, const QString &model, const QString &serial)
{
    return call(m_probe.get(), "check", {name, model, serial}).toBool();
}

void TestCheckDeviceType::predicate_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<bool>("expected");

    QTest::newRow("Cubrix") << "isCubrix" << "Cubrix" << "" << true;
    QTest::newRow("Cubrix Mono DP") << "isCubrix" << "Cubrix Mono DP" << "" << true;
    QTest::newRow("Cubrix Mono SDI") << "isCubrix" << "Cubrix Mono SDI" << "" << true;
    QTest::newRow("cubrix lower case") << "isCubrix" << "cubrix" << "" << false;
    QTest::newRow("Cubrix trailing space") << "isCubrix" << "Cubrix " << "" << false;
    QTest::newRow("Cubrix Mono") << "isCubrix" << "Cubrix Mono" << "" << false;
    QTest::newRow("monitor is no Cubrix") << "isCubrix" << "KT-2400" << "" << false;

    QTest::newRow("KT monitor") << "isMonitor" << "KT-2400" << "" << true;
    QTest::newRow("RV monitor") << "isMonitor" << "RV-3100" << "" << true;
    QTest::newRow("other monitor") << "isMonitor" << "LM-2410" << "" << true;
    QTest::newRow("Cubrix is no monitor") << "isMonitor" << "Cubrix" << "" << false;
    QTest::newRow("unknown model") << "isMonitor" << "XY-100" << "RV0001" << false;
    QTest::newRow("empty model") << "isMonitor" << "" << "" << false;

    QTest::newRow("monitor2 rv serial") << "isMonitor2" << "XY-100" << "rv0001" << true;
    QTest::newRow("monitor2 RV serial") << "isMonitor2" << "XY-100" << "RV0001" << true;
    QTest::newRow("monitor2 q serial") << "isMonitor2" << "XY-100" << "q0001" << true;
    QTest::newRow("monitor2 Q serial") << "isMonitor2" << "XY-100" << "Q0001" << true;
    QTest::newRow("monitor2 listed model") << "isMonitor2" << "TL-2410" << "" << true;
    QTest::newRow("monitor2 prefix inside") << "isMonitor2" << "XY-100" << "XRV0001" << false;
    QTest::newRow("monitor2 Rv mixed case") << "isMonitor2" << "XY-100" << "Rv0001" << false;

    QTest::newRow("KT listed") << "isKTseries" << "KT-1700" << "" << true;
    QTest::newRow("KT not RV") << "isKTseries" << "RV-3100" << "" << false;
    QTest::newRow("KT by serial only") << "isKTseries" << "XY-100" << "KT0001" << false;

    QTest::newRow("RV serial") << "isRVseries" << "" << "RV31A00427" << true;
    QTest::newRow("rv serial") << "isRVseries" << "" << "rv31" << true;
    QTest::newRow("RV model") << "isRVseries" << "RV-2700" << "X" << true;
    QTest::newRow("RVQ is not RV") << "isRVseries" << "RVQ-3100" << "Q31B00118" << false;
    QTest::newRow("KT is not RV") << "isRVseries" << "KT-2400" << "KT24A00317" << false;

    QTest::newRow("RVQ Q serial") << "isRVQseries" << "" << "Q31B00118" << true;
    QTest::newRow("RVQ q serial") << "isRVQseries" << "" << "q1" << true;
    QTest::newRow("RVQ model") << "isRVQseries" << "RVQ-3100" << "" << true;
    QTest::newRow("RV is not RVQ") << "isRVQseries" << "RV-3100" << "RV31A00427" << false;
}

void TestCheckDeviceType::predicate()
{
    QFETCH(QString, function);
    QFETCH(QString, model);
    QFETCH(QString, serial);
    QFETCH(bool, expected);
    QCOMPARE(check(function, model, serial), expected);
}

void TestCheckDeviceType::missingSerialIsNoPrefix()
{
    // The pages may ask before the serial has arrived.
    QCOMPARE(call(m_probe.get(), "checkWithoutSerial", {QStringLiteral("isRVseries"), QStringLiteral("XY")}).toBool(), false);
    QCOMPARE(call(m_probe.get(), "checkWithoutSerial", {QStringLiteral("isMonitor2"), QStringLiteral("KT-2400")}).toBool(), true);
}

void TestCheckDeviceType::rvqModelCodeIsAnRvqModel()
{
    const QString code = m_probe->property("rvqModelCode").toString();
    QVERIFY(!code.isEmpty());
    QVERIFY(check(QStringLiteral("isRVQseries"), code, QString()));
    QVERIFY(check(QStringLiteral("isMonitor"), code, QString()));
}

BREVANTO_QML_TEST_MAIN(TestCheckDeviceType)
#include "tst_checkdevicetype.moc"
