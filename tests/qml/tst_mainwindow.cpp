// The main window from "qrc:/main.qml", headless: start-up from nothing and from saved tabs,
// closing tabs, the window keys, themes, profiles, the tab fields, connecting and the device
// error dialogs; the window's scripts (device types, page creation) and its resource files.
// Any QML warning fails the test that caused it.
#include "cubrix/cubrix.h"
#include "fakedevice.h"
#include "mncp/mncpprotocol.h"
#include "qmltestsupport.h"
#include "session/deviceprofile.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QQmlComponent>
#include <QSettings>
#include <QtTest>

using namespace QmlTest;

namespace {
const QByteArray Three("0,MONITOR,127.0.0.2,Hero,light\n1,CUBRIX,127.0.0.1,Grading,light\n2,MONITOR,127.0.0.3,Client,light\n");
const QByteArray Defaults("0,CUBRIX,192.0.2.10,New Cubrix,dark\n1,MONITOR,192.0.2.20,New Monitor,dark\n");

// Stands in for the pages that use the window's scripts.
const char *const Probe = R"QML(
import QtQuick 2.15
import "common/CheckDeviceType.js" as Type
import "ChannelCreation.js" as Creation
Item {
    property QtObject device: QtObject { objectName: "device" }
    property string rvqModelCode: Type.rvqModelCode
    Loader { id: loader }
    function check(name, model, serial) { return serial === "-" ? Type[name](model) : Type[name](model, serial); }
    function load(url) { return Creation.loadPage(loader, url, device) ? loader.item : null; }
    function create(url) { return Creation.createObject(url, null, { "objectName": "created" }); }
    function localPath(url) { return Creation.localPath(url); }
    function withoutSeparators(text) { return Creation.withoutSeparators(text); }
}
)QML";

void typeText(QWindow *window, const QString &text)
{
    for (const QChar c : text)
        QTest::keyClick(window, c.toLatin1());
}
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { clearStoredState(); }
    void cleanup();
    void startUp_data();
    void startUp();
    void firstStart();
    void closeTab_data();
    void closeTab();
    void tabKeys_data();
    void tabKeys();
    void newTabsAreRecorded();
    void themeRewritesEveryTab();
    void pageLinkKeysWinOverTheTheme();
    void typingCapitalsKeepsTheTheme();
    void fieldsRefuseSeparators();
    void closedTabRemembersItsFields();
    void exportProfile_data();
    void exportProfile();
    void profileTexts_data();
    void profileTexts();
    void rejectedProfileChangesNothing_data();
    void rejectedProfileChangesNothing();
    void importedProfileReloadsTheWindow();
    void profileDialogs();
    void connectButtonAndCtrlC();
    void secondPressWhileConnectingCancels();
    void ctrlCWithSelectedTextCopies();
    void monitorProtocolErrorDialog_data();
    void monitorProtocolErrorDialog();
    void deviceErrorDialogs_data();
    void deviceErrorDialogs();
    void deviceType_data();
    void deviceType();
    void pageCreation();
    void localPath_data();
    void localPath();
    void resources_data();
    void resources();

private:
    QObject *dialog(const QString &name) const { return find(m_main.window(), name); }
    QString field(int tab, const char *name) const { return find(m_main.tab(tab), QLatin1String(name))->property("text").toString(); }
    QObject *profiles() const { return find(m_main.window(), QStringLiteral("devicesProfile")); }
    QByteArray savedTabs() const { return readFile(savedTabsPath()); }
    bool shows(QObject *message, const QString &text);

    std::unique_ptr<LogCapture> m_log;
    std::unique_ptr<QObject> m_probe;
    QQmlEngine m_engine;
    MainWindow m_main;
    QTemporaryDir m_files;
};

void TestMainWindow::initTestCase()
{
    m_log = warningGuard();
    QQmlComponent component(&m_engine);
    component.setData(Probe, QUrl(QStringLiteral("qrc:/probe.qml")));
    m_probe.reset(component.create());
    QVERIFY2(m_probe, qPrintable(component.errorString()));
}

void TestMainWindow::cleanup()
{
    m_main.unload();
    VERIFY_NO_LOG(*m_log);
}

// A message dialog on show with this text; it is closed again.
bool TestMainWindow::shows(QObject *message, const QString &text)
{
    const bool shown = message && QTest::qWaitFor([message] { return message->property("visible").toBool(); }, 2000)
                       && message->property("text").toString() == text;
    if (message)
        QMetaObject::invokeMethod(message, "close");
    return shown;
}

void TestMainWindow::startUp_data()
{
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<QString>("tabs");
    QTest::addColumn<QByteArray>("rewritten");
    QTest::newRow("first start") << QByteArray() << "CUBRIX,New Cubrix,New Cubrix,0000;MONITOR,New Monitor,New Monitor,0000" << Defaults;
    // Renumbered by position on reading.
    QTest::newRow("saved tabs in order") << Three.mid(0).replace("0,M", "7,M").replace("1,C", "8,C")
                                         << "MONITOR,Hero,Hero,127.0.0.2;CUBRIX,Grading,Grading,127.0.0.1;MONITOR,Client,Client,127.0.0.3" << Three;
    // A record without a tab is dropped, so that record i stays tab i.
    QTest::newRow("unknown type dropped") << QByteArray("0,CUBRIX,127.0.0.1,Grading,dark\n1,SCOPE,127.0.0.9,Odd,dark\n2,MONITOR,127.0.0.2,Hero,dark\n")
                                          << "CUBRIX,Grading,Grading,127.0.0.1;MONITOR,Hero,Hero,127.0.0.2"
                                          << QByteArray("0,CUBRIX,127.0.0.1,Grading,dark\n1,MONITOR,127.0.0.2,Hero,dark\n");
    QTest::newRow("only unknown types") << QByteArray("0,cubrix,127.0.0.1,Grading,dark\n")
                                        << "CUBRIX,New Cubrix,New Cubrix,0000;MONITOR,New Monitor,New Monitor,0000" << Defaults;
}

void TestMainWindow::startUp()
{
    QFETCH(QByteArray, saved);
    QFETCH(QString, tabs);
    QFETCH(QByteArray, rewritten);
    QVERIFY(m_main.load(saved));
    QCOMPARE(m_main.tabs(), tabs);
    QCOMPARE(savedTabs(), rewritten);
    QCOMPARE(m_main.currentIndex(), 0);
    // The fields start from the saved address, or from the remembered (placeholder) one.
    QCOMPARE(field(0, "nameField"), m_main.tabTitle(0));
    QCOMPARE(field(1, "addressField"), QString::fromLatin1(rewritten.split('\n').at(1).split(',').at(2)));
    const bool light = rewritten.contains("light");
    QCOMPARE(m_main.mode(), QLatin1String(light ? "light" : "dark"));
    QCOMPARE(m_main.window()->color(), QColor(light ? "#ececec" : "#222222"));
    QCOMPARE(m_main.sideBar()->property("color").value<QColor>(), QColor(light ? "white" : "#47484B"));
}

void TestMainWindow::firstStart()
{
    QVERIFY(writeFile(settingsPath(), "[General]\nstoredName_Cubrix=Grading Box\nstoredName_Monitor=Hero Monitor\n"));
    QVERIFY(m_main.load());
    QCOMPARE(m_main.window()->title(), QStringLiteral("TWK: Brevanto - Version: 1.11.2"));
    QCOMPARE(m_main.window()->size(), QSize(1020, 750));
    QCOMPARE(m_main.statusText(), QStringLiteral("  Welcome to TWK - Brevanto"));
    QCOMPARE(m_main.tabs(), QStringLiteral("CUBRIX,Grading Box,Grading Box,0000;MONITOR,Hero Monitor,Hero Monitor,0000"));
    QCOMPARE(field(0, "addressField"), QStringLiteral("192.0.2.10"));
    QCOMPARE(field(0, "stateLabel"), QStringLiteral("Disconnected"));
    QCOMPARE(field(0, "connectButton"), QStringLiteral("Connect"));
    // The pages are there, with the tab's device.
    QCOMPARE(find(m_main.tab(0), QStringLiteral("cubrixGeneralPage"))->property("loadedHardware").value<QObject *>(),
             find(m_main.tab(0), QStringLiteral("cubrixDevice")));
    QCOMPARE(find(m_main.tab(1), QStringLiteral("monitorGeneralPage"))->property("loadedHardware").value<QObject *>(),
             find(m_main.tab(1), QStringLiteral("monitorDevice")));
}

void TestMainWindow::closeTab_data()
{
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("closed");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QByteArray>("rewritten");
    QTest::newRow("the only tab leaves New Cubrix") << QByteArray("0,MONITOR,127.0.0.2,Hero,dark\n") << 0 << 0 << 0 << "New Cubrix"
                                                   << QByteArray("0,CUBRIX,192.0.2.10,New Cubrix,dark\n");
    QTest::newRow("current: the previous one") << Three << 1 << 1 << 0 << "Hero"
                                               << QByteArray("0,MONITOR,127.0.0.2,Hero,light\n1,MONITOR,127.0.0.3,Client,light\n");
    QTest::newRow("current first: the next one") << Three << 0 << 0 << 0 << "Grading"
                                                 << QByteArray("0,CUBRIX,127.0.0.1,Grading,light\n1,MONITOR,127.0.0.3,Client,light\n");
    QTest::newRow("another: the current stays") << Three << 2 << 0 << 1 << "Client"
                                                 << QByteArray("0,CUBRIX,127.0.0.1,Grading,light\n1,MONITOR,127.0.0.3,Client,light\n");
}

void TestMainWindow::closeTab()
{
    QFETCH(QByteArray, saved);
    QFETCH(int, selected);
    QFETCH(int, closed);
    QFETCH(int, current);
    QFETCH(QString, status);
    QFETCH(QByteArray, rewritten);
    QVERIFY(m_main.load(saved));
    call(m_main.sideBar(), "select", {selected});
    // The side bar's close button of that tab, clicked.
    click(item(findAll(m_main.window(), QStringLiteral("closeButton")).value(closed)));
    QTRY_COMPARE_WITH_TIMEOUT(savedTabs(), rewritten, 2000);
    QCOMPARE(m_main.tabCount(), rewritten.count('\n'));
    QCOMPARE(m_main.sideBar()->property("count").toInt(), m_main.tabCount());
    QCOMPARE(m_main.currentIndex(), current);
    QCOMPARE(m_main.statusText(), status);
    QCOMPARE(m_main.tabTitle(current), status);
}

void TestMainWindow::tabKeys_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("indexes");
    // Ctrl+1 to Ctrl+0 for tabs 1 to 10 when they exist; Ctrl+- and Ctrl+= step without wrapping.
    QTest::newRow("numbers") << "Ctrl+3 Ctrl+5 Ctrl+0 Ctrl+1" << "2 2 2 0";
    QTest::newRow("next and previous") << "Ctrl+- Ctrl+- Ctrl+- Ctrl+= Ctrl+= Ctrl+=" << "1 2 2 1 0 0";
    QTest::newRow("from the last selected") << "Ctrl+3 Ctrl+= Ctrl+2 Ctrl+-" << "2 1 1 2";
}

void TestMainWindow::tabKeys()
{
    QFETCH(QString, keys);
    QFETCH(QString, indexes);
    QVERIFY(m_main.load(Three));
    QStringList seen;
    for (const QString &key : keys.split(QLatin1Char(' '))) {
        QTest::keySequence(m_main.window(), QKeySequence(key));
        seen << QString::number(m_main.currentIndex());
    }
    QCOMPARE(seen.join(QLatin1Char(' ')), indexes);
    QCOMPARE(m_main.statusText(), m_main.tabTitle(m_main.currentIndex()));
    // Only the current tab is visible.
    QVERIFY(m_main.tab(m_main.currentIndex())->property("visible").toBool());
    QVERIFY(!m_main.tab((m_main.currentIndex() + 1) % 3)->property("visible").toBool());
}

void TestMainWindow::newTabsAreRecorded()
{
    QVERIFY(m_main.load(Three));
    m_main.key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m_main.currentIndex(), 3);
    QCOMPARE(m_main.statusText(), QStringLiteral("New Cubrix"));
    m_main.key(Qt::Key_X, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m_main.tabs().section(QLatin1Char(';'), 3), QStringLiteral("CUBRIX,New Cubrix,New Cubrix,0000;MONITOR,New Monitor,New Monitor,0000"));
    QCOMPARE(savedTabs(), Three + "3,CUBRIX,192.0.2.10,New Cubrix,light\n4,MONITOR,192.0.2.20,New Monitor,light\n");
    // Closing the new tab removes its own record.
    call(m_main.sideBar(), "closeEntry", {3});
    QCOMPARE(savedTabs(), Three + "3,MONITOR,192.0.2.20,New Monitor,light\n");
}

void TestMainWindow::themeRewritesEveryTab()
{
    QVERIFY(m_main.load(Three));
    auto *profile = qobject_cast<DeviceProfile *>(find(m_main.window(), QStringLiteral("deviceProfile")));
    m_main.key(Qt::Key_K, Qt::ShiftModifier);
    QCOMPARE(m_main.window()->color(), QColor(QStringLiteral("#222222")));
    QCOMPARE(profile->getMoreInfo(), QStringLiteral("dark"));
    QCOMPARE(m_main.tab(1)->property("mode").toString(), QStringLiteral("dark"));
    QCOMPARE(savedTabs(), QByteArray(Three).replace("light", "dark"));
    m_main.key(Qt::Key_L, Qt::ShiftModifier);
    QCOMPARE(m_main.tab(2)->property("mode").toString(), QStringLiteral("light"));
    QCOMPARE(savedTabs(), Three);
}

// Shift+K and Shift+L choose the signal link while a Cubrix page shows its input format.
void TestMainWindow::pageLinkKeysWinOverTheTheme()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    QVERIFY(m_main.load());
    auto *cubrix = qobject_cast<Cubrix *>(find(m_main.tab(0), QStringLiteral("cubrixDevice")));
    cubrix->setPort(fake.port());
    find(m_main.tab(0), QStringLiteral("addressField"))->setProperty("text", fake.address());
    call(m_main.tab(0), "toggleConnection");
    // Once the connection's queries are answered, the box reports the model and mode.
    SocketHandler *handler = cubrix->socketHandler();
    QTRY_VERIFY_WITH_TIMEOUT(cubrix->state() == QAbstractSocket::ConnectedState && handler->queuedCount() == 0 && handler->inFlight().protocol == 0, 5000);
    cubrix->setModel(QStringLiteral("Cubrix"));
    cubrix->setBoxMode(1);
    m_main.key(Qt::Key_L, Qt::ShiftModifier);
    QCOMPARE(m_main.mode(), QStringLiteral("dark"));
    cubrix->setBoxMode(3);
    m_main.key(Qt::Key_L, Qt::ShiftModifier);
    QCOMPARE(m_main.mode(), QStringLiteral("light"));
}

void TestMainWindow::typingCapitalsKeepsTheTheme()
{
    QVERIFY(m_main.load());
    QQuickItem *name = item(find(m_main.tab(0), QStringLiteral("nameField")));
    QVERIFY(focusItem(name));
    call(name, "selectAll");
    QTest::keyClick(m_main.window(), 'K', Qt::ShiftModifier);
    QTest::keyClick(m_main.window(), 'L', Qt::ShiftModifier);
    QCOMPARE(name->property("text").toString(), QStringLiteral("KL"));
    QCOMPARE(m_main.mode(), QStringLiteral("dark"));
    item(m_main.tab(0))->forceActiveFocus();
    QTest::keyClick(m_main.window(), 'L', Qt::ShiftModifier);
    QCOMPARE(m_main.mode(), QStringLiteral("light"));
}

void TestMainWindow::fieldsRefuseSeparators()
{
    QVERIFY(m_main.load());
    QQuickItem *name = item(find(m_main.tab(0), QStringLiteral("nameField")));
    QQuickItem *address = item(find(m_main.tab(0), QStringLiteral("addressField")));
    QVERIFY(focusItem(name));
    call(name, "selectAll");
    typeText(m_main.window(), QStringLiteral("Desk,A/B"));
    QCOMPARE(name->property("text").toString(), QStringLiteral("DeskAB"));
    QVERIFY(focusItem(address));
    call(address, "selectAll");
    typeText(m_main.window(), QStringLiteral("127,0/0.1"));
    QCOMPARE(address->property("text").toString(), QStringLiteral("12700.1"));
    // At most 32 characters for names, 15 for addresses.
    call(address, "selectAll");
    typeText(m_main.window(), QStringLiteral("1234567890123456789"));
    QCOMPARE(address->property("text").toString(), QStringLiteral("123456789012345"));
    QCOMPARE(name->property("maximumLength").toInt(), 32);
}

void TestMainWindow::closedTabRemembersItsFields()
{
    QVERIFY(m_main.load());
    find(m_main.tab(1), QStringLiteral("nameField"))->setProperty("text", QStringLiteral("Bench"));
    find(m_main.tab(1), QStringLiteral("addressField"))->setProperty("text", QStringLiteral("127.0.0.4"));
    call(m_main.sideBar(), "closeEntry", {1});
    m_main.unload();
    QSettings settings(settingsPath(), QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("monitorName")).toString(), QStringLiteral("Bench"));
    QCOMPARE(settings.value(QStringLiteral("state_mon")).toString(), QStringLiteral("127.0.0.4"));
    // A new monitor tab starts from the remembered address.
    QVERIFY(m_main.load());
    m_main.key(Qt::Key_X, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(field(1, "addressField"), QStringLiteral("127.0.0.4"));
}

void TestMainWindow::exportProfile_data()
{
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("theme");
    QTest::addColumn<QByteArray>("profile");
    QTest::newRow("saved themes") << Three << "export.txt" << ""
                                  << QByteArray("MONITOR/Hero/127.0.0.2/light,CUBRIX/Grading/127.0.0.1/light,MONITOR/Client/127.0.0.3/light,");
    QTest::newRow("one theme") << Three << "export.txt" << "dark"
                               << QByteArray("MONITOR/Hero/127.0.0.2/dark,CUBRIX/Grading/127.0.0.1/dark,MONITOR/Client/127.0.0.3/dark,");
    QTest::newRow("separators dropped") << QByteArray("0,CUBRIX,127.0.0.1,Left/Right,dark\n") << "slash.txt" << ""
                                        << QByteArray("CUBRIX/LeftRight/127.0.0.1/dark,");
    QTest::newRow("not written") << Three << "no/such/folder/export.txt" << "" << QByteArray();
}

void TestMainWindow::exportProfile()
{
    QFETCH(QByteArray, saved);
    QFETCH(QString, file);
    QFETCH(QString, theme);
    QFETCH(QByteArray, profile);
    QVERIFY(m_main.load(saved));
    const QString path = m_files.filePath(file);
    QCOMPARE(call(profiles(), "exportProfile", {path, theme}).toBool(), !profile.isNull());
    QCOMPARE(readFile(path), profile);
    QCOMPARE(dialog(QStringLiteral("exportedDialog"))->property("title").toString(), QStringLiteral("Exported Tabs"));
    QVERIFY(shows(dialog(QStringLiteral("exportedDialog")),
                  profile.isNull() ? QStringLiteral("Your profile could not be saved.") : QStringLiteral("Your profile has been saved.")));
}

void TestMainWindow::profileTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("entries"); // "type|name|address|theme" joined by ';', or "refused"
    QTest::newRow("two entries") << "MONITOR/Hero/127.0.0.2/light,CUBRIX/Grade/127.0.0.1/dark,"
                                 << "MONITOR|Hero|127.0.0.2|light;CUBRIX|Grade|127.0.0.1|dark";
    QTest::newRow("empty") << "" << "refused";
    QTest::newRow("one entry, no trailing comma") << "CUBRIX/Grade/127.0.0.1/dark" << "refused";
    QTest::newRow("lower-case type") << "cubrix/Grade/127.0.0.1/dark," << "refused";
    QTest::newRow("empty piece in the middle") << "CUBRIX/Grade/127.0.0.1/dark,,MONITOR/Hero/127.0.0.2/dark," << "refused";
    QTest::newRow("leading comma") << ",CUBRIX/Grade/127.0.0.1/dark," << "refused";
    QTest::newRow("unknown type without fields") << "SCOPE," << "refused";
    QTest::newRow("wrong type in the last piece") << "CUBRIX/Grade/127.0.0.1/dark,scope/x" << "refused";
    QTest::newRow("last piece dropped") << "CUBRIX/Grade/127.0.0.1/dark,MONITOR/Hero/127.0.0.2/dark" << "CUBRIX|Grade|127.0.0.1|dark";
    QTest::newRow("line end after the last comma") << "CUBRIX/Grade/127.0.0.1/light,\n" << "CUBRIX|Grade|127.0.0.1|light";
    QTest::newRow("missing fields filled in") << "CUBRIX,MONITOR/Hero,MONITOR/Client//light,"
                                              << "CUBRIX|New Cubrix|192.0.2.10|dark;MONITOR|Hero|192.0.2.20|dark;MONITOR|Client|192.0.2.20|light";
}

void TestMainWindow::profileTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, entries);
    QVERIFY(m_main.load());
    const QVariant parsed = call(profiles(), "parseProfile", {text});
    QStringList got;
    for (const QVariant &entry : parsed.toList()) {
        const QVariantMap map = entry.toMap();
        got << QStringList{map.value(QStringLiteral("type")).toString(), map.value(QStringLiteral("name")).toString(),
                           map.value(QStringLiteral("address")).toString(), map.value(QStringLiteral("theme")).toString()}
                   .join(QLatin1Char('|'));
    }
    QCOMPARE(parsed.isValid() && !parsed.isNull() ? got.join(QLatin1Char(';')) : QStringLiteral("refused"), entries);
}

void TestMainWindow::rejectedProfileChangesNothing_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("empty file") << QByteArray("");
    QTest::newRow("single entry without trailing comma") << QByteArray("CUBRIX/Grade/127.0.0.1/dark");
    QTest::newRow("lower-case type tag") << QByteArray("monitor/Hero/127.0.0.2/dark,");
    QTest::newRow("missing file") << QByteArray();
}

void TestMainWindow::rejectedProfileChangesNothing()
{
    QFETCH(QByteArray, contents);
    QVERIFY(m_main.load(Three));
    // A good profile first: a failed read must not bring its text back.
    const QString good = m_files.filePath(QStringLiteral("good.txt"));
    QVERIFY(writeFile(good, "CUBRIX/Other/127.0.0.5/dark,"));
    qobject_cast<DeviceProfile *>(find(m_main.window(), QStringLiteral("deviceProfile")))->importTabs(good);
    const QString path = m_files.filePath(QStringLiteral("rejected.txt"));
    QFile::remove(path);
    QVERIFY(contents.isNull() || writeFile(path, contents));
    QCOMPARE(call(profiles(), "importProfile", {path}).toBool(), false);
    QObject *problem = dialog(QStringLiteral("importProblemDialog"));
    QCOMPARE(problem->property("title").toString(), QStringLiteral("Problem Importing Profile"));
    QVERIFY(shows(problem, QStringLiteral("Incorrect file structure. Please try another file.")));
    QCOMPARE(m_main.tabCount(), 3);
    QCOMPARE(savedTabs(), Three);
    QVERIFY(m_main.window()->isVisible());
}

void TestMainWindow::importedProfileReloadsTheWindow()
{
    QVERIFY(m_main.load(Three));
    QQuickWindow *old = m_main.window();
    const auto fresh = [old]() -> QQuickWindow * {
        for (QWindow *window : QGuiApplication::topLevelWindows()) {
            if (window != old && window->isVisible() && window->objectName() == QLatin1String("mainWindow"))
                return qobject_cast<QQuickWindow *>(window);
        }
        return nullptr;
    };
    const QString path = m_files.filePath(QStringLiteral("import.txt"));
    QVERIFY(writeFile(path, "CUBRIX/Stage Left/127.0.0.7/dark,MONITOR/Stage Right/127.0.0.8/dark,"));
    QCOMPARE(call(profiles(), "importProfile", {path}).toBool(), true);
    QCOMPARE(savedTabs(), QByteArray("0,CUBRIX,127.0.0.7,Stage Left,dark\n1,MONITOR,127.0.0.8,Stage Right,dark\n"));
    QTRY_VERIFY_WITH_TIMEOUT(!old->isVisible(), 2000);
    QCOMPARE(old->property("retired").toBool(), true);
    QCOMPARE(m_main.tabCount(), 0);
    QQuickWindow *second = fresh();
    QVERIFY(second);
    QCOMPARE(find(second, QStringLiteral("tabView"))->property("count").toInt(), 2);
    QCOMPARE(find(call(second, "tabItem", {1}).value<QObject *>(), QStringLiteral("nameField"))->property("text").toString(),
             QStringLiteral("Stage Right"));
    // The reloaded window goes in turn when the next profile comes in.
    QVERIFY(writeFile(path, "MONITOR/Solo/127.0.0.9/light,"));
    QPointer<QQuickWindow> replaced(second);
    QCOMPARE(call(find(second, QStringLiteral("devicesProfile")), "importProfile", {path}).toBool(), true);
    QTRY_VERIFY_WITH_TIMEOUT(replaced.isNull(), 2000);
    QVERIFY(fresh());
    QCOMPARE(find(fresh(), QStringLiteral("tabView"))->property("count").toInt(), 1);
    QCOMPARE(fresh()->property("mode").toString(), QStringLiteral("light"));
}

// The file dialogs of Ctrl+S and Ctrl+L, built on first use; the chosen file goes through the
// confirmation to the import (here a refused profile, which leaves the tabs as they were).
void TestMainWindow::profileDialogs()
{
    QVERIFY(m_main.load(Three));
    QVERIFY(!dialog(QStringLiteral("saveProfileDialog")));
    m_main.key(Qt::Key_S, Qt::ControlModifier);
    QObject *save = dialog(QStringLiteral("saveProfileDialog"));
    QCOMPARE(save->property("title").toString(), QStringLiteral("Please choose a file"));
    QCOMPARE(save->property("selectExisting").toBool(), false);
    QCOMPARE(save->property("nameFilters").toStringList(), QStringList{QStringLiteral("Text Files (*.txt)")});
    QTRY_VERIFY_WITH_TIMEOUT(save->property("visible").toBool(), 2000);
    QVERIFY(finishIncubation(m_main.engine()));
    QMetaObject::invokeMethod(save, "close");
    QVERIFY(activate(m_main.window()));
    m_main.key(Qt::Key_L, Qt::ControlModifier);
    QObject *load = dialog(QStringLiteral("loadProfileDialog"));
    QCOMPARE(load->property("title").toString(), QStringLiteral("Please choose a file to import"));
    QCOMPARE(load->property("nameFilters").toStringList(), (QStringList{QStringLiteral("Text Files (*.txt)"), QStringLiteral("All files (*)")}));
    QTRY_VERIFY_WITH_TIMEOUT(load->property("visible").toBool(), 2000);
    QVERIFY(finishIncubation(m_main.engine()));

    const QString path = m_files.filePath(QStringLiteral("refused.txt"));
    QVERIFY(writeFile(path, "CUBRIX/Grade/127.0.0.1/dark"));
    bool added = false;
    QVERIFY(QMetaObject::invokeMethod(load, "addSelection", Q_RETURN_ARG(bool, added), Q_ARG(QUrl, QUrl::fromLocalFile(path))) && added);
    QMetaObject::invokeMethod(load, "close");
    QVERIFY(QMetaObject::invokeMethod(load, "accepted"));
    QObject *confirm = dialog(QStringLiteral("importConfirmDialog"));
    QCOMPARE(confirm->property("title").toString(), QStringLiteral("Import Tabs"));
    QTRY_VERIFY_WITH_TIMEOUT(confirm->property("visible").toBool(), 2000);
    // Nothing is imported before the answer.
    QVERIFY(!dialog(QStringLiteral("importProblemDialog")));
    QVERIFY(shows(confirm, QStringLiteral("All current tabs will be deleted. Continue?")));
    QVERIFY(QMetaObject::invokeMethod(confirm, "yes"));
    QCOMPARE(qobject_cast<DeviceProfile *>(find(m_main.window(), QStringLiteral("deviceProfile")))->getInfo(),
             QStringLiteral("CUBRIX/Grade/127.0.0.1/dark"));
    QVERIFY(shows(dialog(QStringLiteral("importProblemDialog")), QStringLiteral("Incorrect file structure. Please try another file.")));
    QCOMPARE(savedTabs(), Three);
    // Opening again uses the same dialog.
    QVERIFY(activate(m_main.window()));
    m_main.key(Qt::Key_S, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(save->property("visible").toBool(), 2000);
    QCOMPARE(findAll(m_main.window(), QStringLiteral("saveProfileDialog")).size(), 1);
    QVERIFY(finishIncubation(m_main.engine()));
    QMetaObject::invokeMethod(save, "close");
}

// Typed fields and Ctrl+C connect the visible tab (and rename it); the page shows the identity
// box then; its Disconnect and Ctrl+C again disconnect.
void TestMainWindow::connectButtonAndCtrlC()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    QVERIFY(m_main.load());
    auto *device = qobject_cast<DeviceBase *>(find(m_main.tab(0), QStringLiteral("cubrixDevice")));
    device->setPort(fake.port());
    QQuickItem *name = item(find(m_main.tab(0), QStringLiteral("nameField")));
    QQuickItem *address = item(find(m_main.tab(0), QStringLiteral("addressField")));
    QVERIFY(focusItem(name));
    call(name, "selectAll");
    typeText(m_main.window(), QStringLiteral("Grading"));
    QVERIFY(focusItem(address));
    call(address, "selectAll");
    typeText(m_main.window(), fake.address());
    // Just typed, nothing selected: Ctrl+C connects.
    m_main.key(Qt::Key_C, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(int(device->state()), int(QAbstractSocket::ConnectedState), 5000);
    QCOMPARE(fake.connectionCount(), 1);
    QVERIFY(!address->hasActiveFocus());
    QCOMPARE(m_main.tabs().section(QLatin1Char(';'), 0, 0), QStringLiteral("CUBRIX,Grading,Grading,") + fake.address());
    QCOMPARE(m_main.statusText(), QStringLiteral("Grading"));
    QCOMPARE(savedTabs(), QStringLiteral("0,CUBRIX,%1,Grading,dark\n1,MONITOR,192.0.2.20,New Monitor,dark\n").arg(fake.address()).toUtf8());
    QTRY_VERIFY_WITH_TIMEOUT(!item(find(m_main.tab(0), QStringLiteral("connectionGroup")))->isVisible(), 2000);
    m_main.key(Qt::Key_C, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(int(device->state()), int(QAbstractSocket::UnconnectedState), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(item(find(m_main.tab(0), QStringLiteral("connectionGroup")))->isVisible(), 2000);

    // The monitor tab: its button, then the page's own Disconnect.
    m_main.key(Qt::Key_2, Qt::ControlModifier);
    auto *monitor = qobject_cast<DeviceBase *>(find(m_main.tab(1), QStringLiteral("monitorDevice")));
    monitor->setPort(fake.port());
    find(m_main.tab(1), QStringLiteral("addressField"))->setProperty("text", fake.address());
    click(item(find(m_main.tab(1), QStringLiteral("connectButton"))));
    QObject *page = find(m_main.tab(1), QStringLiteral("monitorGeneralPage"));
    QTRY_VERIFY_WITH_TIMEOUT(page->property("connected").toBool(), 5000);
    QCOMPARE(find(page, QStringLiteral("addressLabel"))->property("text").toString(), QStringLiteral("Address: ") + fake.address());
    click(item(find(page, QStringLiteral("disconnectButton"))));
    QTRY_COMPARE_WITH_TIMEOUT(field(1, "stateLabel"), QStringLiteral("Disconnected"), 5000);
}

void TestMainWindow::secondPressWhileConnectingCancels()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    QVERIFY(m_main.load());
    auto *device = qobject_cast<DeviceBase *>(find(m_main.tab(0), QStringLiteral("cubrixDevice")));
    device->setPort(fake.port());
    find(m_main.tab(0), QStringLiteral("addressField"))->setProperty("text", fake.address());
    // Both presses before the event loop runs: the second finds the device still connecting.
    call(m_main.tab(0), "toggleConnection");
    const int connecting = int(device->state());
    QVERIFY2(connecting == QAbstractSocket::HostLookupState || connecting == QAbstractSocket::ConnectingState, qPrintable(QString::number(connecting)));
    QCOMPARE(field(0, "connectButton"), QStringLiteral("Cancel"));
    QCOMPARE(field(0, "stateLabel"), connecting == QAbstractSocket::ConnectingState ? QStringLiteral("Connecting") : QStringLiteral("Unknown: 1"));
    call(m_main.tab(0), "toggleConnection");
    QTest::qWait(200);
    QCOMPARE(int(device->state()), int(QAbstractSocket::UnconnectedState));
    QCOMPARE(field(0, "connectButton"), QStringLiteral("Connect"));
}

void TestMainWindow::ctrlCWithSelectedTextCopies()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    QVERIFY(m_main.load());
    qobject_cast<DeviceBase *>(find(m_main.tab(0), QStringLiteral("cubrixDevice")))->setPort(fake.port());
    QQuickItem *address = item(find(m_main.tab(0), QStringLiteral("addressField")));
    QVERIFY(focusItem(address));
    call(address, "selectAll");
    typeText(m_main.window(), fake.address());
    call(address, "selectAll");
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    m_main.key(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), fake.address());
    QTest::qWait(200);
    QCOMPARE(fake.connectionCount(), 0);
}

void TestMainWindow::monitorProtocolErrorDialog_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("shown");
    // RV monitors answer this request with status 1 in normal operation.
    QTest::newRow("RV serial, the known status") << "" << "RV31A00427" << 1 << false;
    QTest::newRow("rv serial prefix") << "" << "rv0001" << 1 << false;
    QTest::newRow("RV model") << "RV-2700" << "X1" << 1 << false;
    QTest::newRow("RV, another status") << "RV-3100" << "RV31A00427" << 2 << true;
    QTest::newRow("RVQ monitor") << "RVQ-3100" << "Q31B00118" << 1 << true;
    QTest::newRow("other monitor") << "LM-2410" << "LM24C00981" << 1 << true;
}

void TestMainWindow::monitorProtocolErrorDialog()
{
    QFETCH(QString, model);
    QFETCH(QString, serial);
    QFETCH(int, status);
    QFETCH(bool, shown);
    QVERIFY(m_main.load());
    QObject *monitor = find(m_main.tab(1), QStringLiteral("monitorDevice"));
    monitor->setProperty("model", model);
    monitor->setProperty("serial", serial);
    QVERIFY(QMetaObject::invokeMethod(monitor, "protocolError", Q_ARG(int, 784), Q_ARG(int, 769), Q_ARG(int, status)));
    QObject *errors = find(m_main.tab(1), QStringLiteral("errorDialog"));
    // The dialog is built when first shown.
    QCOMPARE(errors != nullptr, shown);
    QVERIFY(!shown || shows(errors, QStringLiteral("protocol number: 784\n request number: 769\n status number: %1").arg(status)));
}

void TestMainWindow::deviceErrorDialogs_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("signal");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("Cubrix protocol error") << 0 << "protocolError" << "Protocol error"
                                           << "Error Status: 5\nProtocol number: 1\nHeader Request: 32\n\nDetails:  " + getProtocolMessage(1);
    QTest::newRow("communication error") << 0 << "commError" << "Communication error" << "protocol number: 1\n request number: 32\n error number: 5";
    QTest::newRow("Cubrix firmware") << 0 << "updateFirmwareComplete" << "Wait for Firmware Update"
                                     << "Firmware received! Please wait 2 minutes then power cycle Cubrix.";
    QTest::newRow("monitor firmware") << 1 << "updateFirmwareComplete" << "Wait for Firmware Update"
                                      << "Firmware received! Please wait 2 minutes then power cycle the monitor.";
    QTest::newRow("socket read") << 1 << "socketReadException" << "Socket Read Error" << "read failed";
    QTest::newRow("socket write") << 0 << "socketWriteException" << "Socket Write Error" << "write failed";
}

void TestMainWindow::deviceErrorDialogs()
{
    QFETCH(int, tab);
    QFETCH(QString, signal);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QVERIFY(m_main.load());
    QObject *device = find(m_main.tab(tab), tab == 0 ? QStringLiteral("cubrixDevice") : QStringLiteral("monitorDevice"));
    const QByteArray name = signal.toLatin1();
    for (int round = 0; round < 2; ++round) {
        const bool sent = name.startsWith("socket") ? QMetaObject::invokeMethod(device, name, Q_ARG(QString, text), Q_ARG(QString, QString()))
                        : name.endsWith("Error") ? QMetaObject::invokeMethod(device, name, Q_ARG(int, 1), Q_ARG(int, 32), Q_ARG(int, 5))
                                                 : QMetaObject::invokeMethod(device, name);
        QVERIFY(sent);
        QCOMPARE(find(m_main.tab(tab), QStringLiteral("errorDialog"))->property("title").toString(), title);
        QVERIFY(shows(find(m_main.tab(tab), QStringLiteral("errorDialog")), text));
    }
    // One dialog serves every error of the tab.
    QCOMPARE(findAll(m_main.tab(tab), QStringLiteral("errorDialog")).size(), 1);
}

void TestMainWindow::deviceType_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("serial"); // "-": none given (the pages may ask before it arrived)
    QTest::addColumn<bool>("expected");
    const auto row = [](const char *name, const char *function, const char *model, const char *serial, bool expected) {
        QTest::newRow(name) << function << model << serial << expected;
    };
    row("Cubrix", "isCubrix", "Cubrix", "", true);
    row("Cubrix Mono DP", "isCubrix", "Cubrix Mono DP", "", true);
    row("Cubrix Mono SDI", "isCubrix", "Cubrix Mono SDI", "", true);
    row("cubrix lower case", "isCubrix", "cubrix", "", false);
    row("Cubrix trailing space", "isCubrix", "Cubrix ", "", false);
    row("Cubrix Mono", "isCubrix", "Cubrix Mono", "", false);
    row("KT monitor", "isMonitor", "KT-2400", "", true);
    row("RV monitor", "isMonitor", "RV-3100", "", true);
    row("other monitor", "isMonitor", "LM-2410", "", true);
    row("Cubrix is no monitor", "isMonitor", "Cubrix", "", false);
    row("unknown model", "isMonitor", "XY-100", "RV0001", false);
    row("empty model", "isMonitor", "", "", false);
    row("monitor2 rv serial", "isMonitor2", "XY-100", "rv0001", true);
    row("monitor2 RV serial", "isMonitor2", "XY-100", "RV0001", true);
    row("monitor2 q serial", "isMonitor2", "XY-100", "q0001", true);
    row("monitor2 Q serial", "isMonitor2", "XY-100", "Q0001", true);
    row("monitor2 listed model", "isMonitor2", "TL-2410", "", true);
    row("monitor2 listed model, no serial", "isMonitor2", "KT-2400", "-", true);
    row("monitor2 prefix inside", "isMonitor2", "XY-100", "XRV0001", false);
    row("monitor2 Rv mixed case", "isMonitor2", "XY-100", "Rv0001", false);
    row("KT listed", "isKTseries", "KT-1700", "", true);
    row("KT not RV", "isKTseries", "RV-3100", "", false);
    row("KT by serial only", "isKTseries", "XY-100", "KT0001", false);
    row("RV serial", "isRVseries", "", "RV31A00427", true);
    row("rv serial", "isRVseries", "", "rv31", true);
    row("RV model", "isRVseries", "RV-2700", "X", true);
    row("RV, no serial", "isRVseries", "XY", "-", false);
    row("RVQ is not RV", "isRVseries", "RVQ-3100", "Q31B00118", false);
    row("KT is not RV", "isRVseries", "KT-2400", "KT24A00317", false);
    row("RVQ Q serial", "isRVQseries", "", "Q31B00118", true);
    row("RVQ q serial", "isRVQseries", "", "q1", true);
    row("RVQ model", "isRVQseries", "RVQ-3100", "", true);
    row("RV is not RVQ", "isRVQseries", "RV-3100", "RV31A00427", false);
}

void TestMainWindow::deviceType()
{
    QFETCH(QString, function);
    QFETCH(QString, model);
    QFETCH(QString, serial);
    QFETCH(bool, expected);
    QCOMPARE(call(m_probe.get(), "check", {function, model, serial}).toBool(), expected);
}

// Pages and windows are created by script: a file that is not there is skipped quietly (a
// debug line), an existing page gets the tab's device.
void TestMainWindow::pageCreation()
{
    QVERIFY(!call(m_probe.get(), "load", {QStringLiteral("qrc:/cubrix/NotWrittenYet.qml")}).value<QObject *>());
    QObject *page = call(m_probe.get(), "load", {QStringLiteral("qrc:/cubrix/Info.qml")}).value<QObject *>();
    QCOMPARE(page->property("loadedHardware").value<QObject *>()->objectName(), QStringLiteral("device"));
    QVERIFY(!call(m_probe.get(), "create", {QStringLiteral("qrc:/common/NotThere.qml")}).value<QObject *>());
    std::unique_ptr<QObject> created(call(m_probe.get(), "create", {QStringLiteral("qrc:/monitor/GeneralPage.qml")}).value<QObject *>());
    QCOMPARE(created->objectName(), QStringLiteral("created"));
    QCOMPARE(call(m_probe.get(), "withoutSeparators", {QStringLiteral("A,B/C 127.0.0.1")}).toString(), QStringLiteral("ABC 127.0.0.1"));
    // The model the RV calibration boxes name "User" slots for is an RVQ monitor.
    const QString code = m_probe->property("rvqModelCode").toString();
    QVERIFY(call(m_probe.get(), "check", {QStringLiteral("isRVQseries"), code, QString()}).toBool());
    QVERIFY(call(m_probe.get(), "check", {QStringLiteral("isMonitor"), code, QString()}).toBool());
}

void TestMainWindow::localPath_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("path");
    QTest::newRow("plain") << "file:///home/user/profile.txt" << "/home/user/profile.txt";
    QTest::newRow("escaped space") << "file:///home/user/my%20tabs.txt" << "/home/user/my tabs.txt";
    QTest::newRow("drive letter") << "file:///C:/Users/me/tabs.txt" << "C:/Users/me/tabs.txt";
    QTest::newRow("already a path") << "/tmp/tabs.txt" << "/tmp/tabs.txt";
}

void TestMainWindow::localPath()
{
    QFETCH(QString, url);
    QFETCH(QString, path);
    QCOMPARE(call(m_probe.get(), "localPath", {url}).toString(), path);
}

void TestMainWindow::resources_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size"); // of a picture, or empty for a document
    QTest::addColumn<QByteArray>("start");
    const QStringList pictures{"VectorScopeBackground-S05x256.png", "VectorScopeBackground-S05x256b.png", "VectorScopeBackground-S05x128.png",
                               "VectorScopeBackground-S05x128b.png", "lock-image-1.png", "lock-image-2.png", "lock-image-3.png",
                               "lock-image-4.png", "Cubrix.ico", "cubrix.png"};
    const QList<QSize> sizes{{256, 256}, {256, 256}, {128, 128}, {128, 128}, {64, 64}, {64, 64}, {64, 64}, {64, 64}, {16, 16}, {256, 256}};
    // Set 0 at the root, set 1's copy under /cubrix.
    for (const QString &prefix : {QStringLiteral(":/images/"), QStringLiteral(":/cubrix/images/")}) {
        for (int i = 0; i < pictures.size(); ++i)
            QTest::newRow(qPrintable(prefix + pictures[i])) << prefix + pictures[i] << sizes[i] << QByteArray();
    }
    for (const char *name : {":/monitor/kt-series.jpg", ":/monitor/tl-series.png", ":/monitor/sn-pr-series.png"})
        QTest::newRow(name) << QString::fromLatin1(name) << QSize(480, 300) << QByteArray();
    for (int size : {128, 256})
        QTest::addRow("monitor vector background %d", size) << QStringLiteral(":/monitor/images/VectorScopeBackground-S05x%1b.png").arg(size)
                                                            << QSize(size, size) << QByteArray();
    for (const char *name : {":/main.qml", ":/LeftTabBar.qml", ":/maintab_monitor.qml", ":/maintab_cubrix.qml", ":/DevicesProfile.qml"})
        QTest::newRow(name) << QString::fromLatin1(name) << QSize() << QByteArray("import QtQuick");
    for (const char *name : {":/ChannelCreation.js", ":/common/CheckDeviceType.js"})
        QTest::newRow(name) << QString::fromLatin1(name) << QSize() << QByteArray(".pragma library");
    // The icon containers carry their magic numbers.
    for (const char *name : {":/images/Cubrix.icns", ":/cubrix/images/Cubrix.icns", ":/monitor/monitor.icns"})
        QTest::newRow(name) << QString::fromLatin1(name) << QSize() << QByteArray("icns");
}

void TestMainWindow::resources()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(QByteArray, start);
    QImageReader reader(path);
    QCOMPARE(size.isValid() ? reader.read().size() : QSize(), size);
    QVERIFY2(readFile(path).startsWith(start), qPrintable(path));
}

BREVANTO_QML_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
