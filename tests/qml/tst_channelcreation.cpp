// The window's creation script: pages that do not exist yet are skipped quietly, file-dialog
// URLs become local paths, separators are dropped from names.
#include "qmltestsupport.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QtTest>

using namespace QmlTest;

namespace {
const char *const Probe = R"QML(
import QtQuick 2.15
import "ChannelCreation.js" as Creation

Item {
    property QtObject device: QtObject { objectName: "device" }
    Loader { id: loader }
    function load(url) { return Creation.loadPage(loader, url, device); }
    function loadedItem() { return loader.item; }
    function create(url) { return Creation.createObject(url, null, { "objectName": "created" }); }
    function localPath(url) { return Creation.localPath(url); }
    function withoutSeparators(text) { return Creation.withoutSeparators(text); }
}
)QML";
} // namespace

class TestChannelCreation : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void missingPageIsSkippedWithoutWarning();
    void existingPageGetsTheDevice();
    void createObjectReportsMissingFiles();
    void localPath_data();
    void localPath();
    void separatorsAreDropped();

private:
    std::unique_ptr<WarningGuard> m_guard;
    QQmlEngine m_engine;
    std::unique_ptr<QObject> m_probe;
};

void TestChannelCreation::initTestCase()
{
    m_guard = std::make_unique<WarningGuard>();
    QQmlComponent component(&m_engine);
    component.setData(Probe, QUrl(QStringLiteral("qrc:/probe.qml")));
    m_probe.reset(component.create());
    QVERIFY2(m_probe, qPrintable(component.errorString()));
}

void TestChannelCreation::cleanupTestCase()
{
    m_probe.reset();
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

void TestChannelCreation::missingPageIsSkippedWithoutWarning()
{
    QCOMPARE(call(m_probe.get(), "load", {QStringLiteral("qrc:/cubrix/NotWrittenYet.qml")}).toBool(), false);
    QVERIFY(!call(m_probe.get(), "loadedItem").value<QObject *>());
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

void TestChannelCreation::existingPageGetsTheDevice()
{
    QCOMPARE(call(m_probe.get(), "load", {QStringLiteral("qrc:/cubrix/Info.qml")}).toBool(), true);
    QObject *page = call(m_probe.get(), "loadedItem").value<QObject *>();
    QVERIFY(page);
    QObject *device = page->property("loadedHardware").value<QObject *>();
    QVERIFY(device);
    QCOMPARE(device->objectName(), QStringLiteral("device"));
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

void TestChannelCreation::createObjectReportsMissingFiles()
{
    QVERIFY(!call(m_probe.get(), "create", {QStringLiteral("qrc:/common/NotThere.qml")}).value<QObject *>());
    QObject *created = call(m_probe.get(), "create", {QStringLiteral("qrc:/monitor/GeneralPage.qml")}).value<QObject *>();
    QVERIFY(created);
    QCOMPARE(created->objectName(), QStringLiteral("created"));
    delete created;
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

void TestChannelCreation::localPath_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << "file:///home/user/profile.txt" << "/home/user/profile.txt";
    QTest::newRow("escaped space") << "file:///home/user/my%20tabs.txt" << "/home/user/my tabs.txt";
    QTest::newRow("drive letter") << "file:///C:/Users/me/tabs.txt" << "C:/Users/me/tabs.txt";
    QTest::newRow("already a path") << "/tmp/tabs.txt" << "/tmp/tabs.txt";
}

void TestChannelCreation::localPath()
{
    QFETCH(QString, url);
    QFETCH(QString, path);
    QCOMPARE(call(m_probe.get(), "localPath", {url}).toString(), path);
}

void TestChannelCreation::separatorsAreDropped()
{
    QCOMPARE(call(m_probe.get(), "withoutSeparators", {QStringLiteral("A,B/C")}).toString(), QStringLiteral("ABC"));
    QCOMPARE(call(m_probe.get(), "withoutSeparators", {QStringLiteral("127.0.0.1")}).toString(), QStringLiteral("127.0.0.1"));
}

BREVANTO_QML_TEST_MAIN(TestChannelCreation)
#include "tst_channelcreation.moc"
