// The main window from "qrc:/main.qml", headless: start-up from nothing and from saved tabs,
// tab order, closing, the numbered keys, themes, profiles, the fields, Ctrl+C and the device
// error dialogs. Any QML warning fails the test that caused it.
#include "device/devicebase.h"
#include "fakedevice.h"
#include "mncp/mncpprotocol.h"
#include "qmltestsupport.h"
#include "session/deviceprofile.h"

#include <QClipboard>
#include <QQmlIncubationController>
#include <QGuiApplication>
#include <QSettings>
#include <QtTest>

using namespace QmlTest;

namespace {
const QByteArray ThreeSavedTabs("0,MONITOR,127.0.0.2,Hero,light\n"
                                "1,CUBRIX,127.0.0.1,Grading,light\n"
                                "2,MONITOR,127.0.0.3,Client,light\n");

QQuickItem *item(QObject *object)
{
    return qobject_cast<QQuickItem *>(object);
}

// Types into the focused item, one key press per character.
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
    void init();
    void cleanup();

    void firstStartOpensCubrixThenMonitor();
    void firstStartUsesStoredDefaultNames();
    void savedTabsAreRestoredInOrder();
    void savedTabsWithUnknownTypesAreDropped();
    void savedTabsWithOnlyUnknownTypesGiveDefaults();
    void closingTheOnlyTabLeavesNewCubrix();
    void closingTheCurrentTabSelectsThePreviousOne();
    void closingTheFirstTabSelectsTheNextOne();
    void numberedTabKeys();
    void newTabKeysRecordTheTabUnderItsPosition();
    void themeKeysAndMenuRewriteEveryTab();
    void exportWritesTheProfile();
    void exportThatFailsSaysSo();
    void exportDropsSeparatorsFromNames();
    void profileTexts_data();
    void profileTexts();
    void rejectedProfileChangesNothing_data();
    void rejectedProfileChangesNothing();
    void importedProfileReloadsTheWindow();
    void fieldsRefuseSeparators();
    void typingCapitalsKeepsTheTheme();
    void profileKeysOpenTheFileDialogs();
    void loadDialogAsksBeforeImporting();
    void secondPressWhileConnectingCancels();
    void ctrlCConnectsAfterTypingAndDisconnects();
    void ctrlCWithSelectedTextCopies();
    void connectButtonCancelsAndConnects();
    void closedTabRemembersItsFields();
    void monitorProtocolErrorDialog_data();
    void monitorProtocolErrorDialog();
    void cubrixErrorDialogs();

private:
    bool loadWith(const QByteArray &savedTabs);
    QObject *dialog(const QString &name) const;
    QQuickItem *tabChild(int tab, const QString &name) const;
    void key(int key, Qt::KeyboardModifiers modifiers);
    void waitForIncubation();
    QByteArray savedTabs() const { return readFile(savedTabsPath()); }

    std::unique_ptr<WarningGuard> m_guard;
    MainWindow m_main;
    QTemporaryDir m_files;
};

void TestMainWindow::initTestCase()
{
    QVERIFY(m_files.isValid());
    m_guard = std::make_unique<WarningGuard>();
}

void TestMainWindow::init()
{
    clearStoredState();
    m_guard->take();
}

void TestMainWindow::cleanup()
{
    m_main.unload();
    QML_VERIFY_NO_WARNINGS(*m_guard);
}

bool TestMainWindow::loadWith(const QByteArray &savedTabs)
{
    if (!savedTabs.isNull() && !writeFile(savedTabsPath(), savedTabs))
        return false;
    return m_main.load();
}

QObject *TestMainWindow::dialog(const QString &name) const
{
    return find(m_main.window(), name);
}

QQuickItem *TestMainWindow::tabChild(int tab, const QString &name) const
{
    return item(find(m_main.tab(tab), name));
}

void TestMainWindow::key(int key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(m_main.window(), Qt::Key(key), modifiers);
}

void TestMainWindow::waitForIncubation()
{
    QQmlIncubationController *controller = m_main.engine()->incubationController();
    QVERIFY(controller);
    QTRY_COMPARE_WITH_TIMEOUT(controller->incubatingObjectCount(), 0, 5000);
}

void TestMainWindow::firstStartOpensCubrixThenMonitor()
{
    QVERIFY(!QFileInfo::exists(savedTabsPath()));
    QVERIFY(m_main.load());
    QCOMPARE(m_main.window()->title(), QStringLiteral("TWK: Brevanto - Version: 1.11.2"));
    QCOMPARE(m_main.window()->width(), 1020);
    QCOMPARE(m_main.window()->height(), 750);
    QCOMPARE(m_main.tabCount(), 2);
    QCOMPARE(m_main.tabType(0), QStringLiteral("CUBRIX"));
    QCOMPARE(m_main.tabType(1), QStringLiteral("MONITOR"));
    QCOMPARE(m_main.tabTitle(0), QStringLiteral("New Cubrix"));
    QCOMPARE(m_main.tabTitle(1), QStringLiteral("New Monitor"));
    QCOMPARE(m_main.sideBarName(0), QStringLiteral("New Cubrix"));
    QCOMPARE(m_main.sideBarIp(1), QStringLiteral("0000"));
    QCOMPARE(m_main.currentIndex(), 0);
    QCOMPARE(m_main.statusText(), QStringLiteral("  Welcome to TWK - Brevanto"));
    QCOMPARE(m_main.mode(), QStringLiteral("dark"));
    // The fields start from the names and the remembered (placeholder) addresses.
    QCOMPARE(tabChild(0, QStringLiteral("nameField"))->property("text").toString(), QStringLiteral("New Cubrix"));
    QCOMPARE(tabChild(0, QStringLiteral("addressField"))->property("text").toString(), QStringLiteral("192.0.2.10"));
    QCOMPARE(tabChild(1, QStringLiteral("addressField"))->property("text").toString(), QStringLiteral("192.0.2.20"));
    QCOMPARE(tabChild(0, QStringLiteral("stateLabel"))->property("text").toString(), QStringLiteral("Disconnected"));
    QCOMPARE(tabChild(0, QStringLiteral("connectButton"))->property("text").toString(), QStringLiteral("Connect"));
    // Both default tabs are recorded, so that they come back and can be renamed.
    QCOMPARE(savedTabs(), QByteArray("0,CUBRIX,192.0.2.10,New Cubrix,dark\n"
                                     "1,MONITOR,192.0.2.20,New Monitor,dark\n"));
    // The pages are there, with the tab's device.
    QObject *page = find(m_main.tab(0), QStringLiteral("cubrixGeneralPage"));
    QVERIFY(page);
    QCOMPARE(page->property("loadedHardware").value<QObject *>(), find(m_main.tab(0), QStringLiteral("cubrixDevice")));
    QVERIFY(find(m_main.tab(1), QStringLiteral("monitorGeneralPage")));
}

void TestMainWindow::firstStartUsesStoredDefaultNames()
{
    QVERIFY(writeFile(settingsPath(), "[General]\nstoredName_Cubrix=Grading Box\nstoredName_Monitor=Hero Monitor\n"));
    QVERIFY(m_main.load());
    QCOMPARE(m_main.tabTitle(0), QStringLiteral("Grading Box"));
    QCOMPARE(m_main.tabTitle(1), QStringLiteral("Hero Monitor"));
    QCOMPARE(tabChild(1, QStringLiteral("nameField"))->property("text").toString(), QStringLiteral("Hero Monitor"));
}

void TestMainWindow::savedTabsAreRestoredInOrder()
{
    QVERIFY(loadWith("7,MONITOR,127.0.0.2,Hero,light\n"
                     "8,CUBRIX,127.0.0.1,Grading,light\n"
                     "9,MONITOR,127.0.0.3,Client,light\n"));
    QCOMPARE(m_main.tabCount(), 3);
    const QStringList types{QStringLiteral("MONITOR"), QStringLiteral("CUBRIX"), QStringLiteral("MONITOR")};
    const QStringList names{QStringLiteral("Hero"), QStringLiteral("Grading"), QStringLiteral("Client")};
    const QStringList ips{QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.3")};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(m_main.tabType(i), types[i]);
        QCOMPARE(m_main.tabTitle(i), names[i]);
        QCOMPARE(m_main.sideBarName(i), names[i]);
        QCOMPARE(m_main.sideBarIp(i), ips[i]);
        QCOMPARE(tabChild(i, QStringLiteral("nameField"))->property("text").toString(), names[i]);
        QCOMPARE(tabChild(i, QStringLiteral("addressField"))->property("text").toString(), ips[i]);
    }
    QCOMPARE(m_main.currentIndex(), 0);
    QCOMPARE(m_main.mode(), QStringLiteral("light"));
    QCOMPARE(m_main.window()->color(), QColor(QStringLiteral("#ececec")));
    QCOMPARE(find(m_main.window(), QStringLiteral("leftTabBar"))->property("color").value<QColor>(), QColor(Qt::white));
    // Renumbered by position on reading.
    QCOMPARE(savedTabs(), ThreeSavedTabs);
}

void TestMainWindow::savedTabsWithUnknownTypesAreDropped()
{
    QVERIFY(loadWith("0,CUBRIX,127.0.0.1,Grading,dark\n"
                     "1,SCOPE,127.0.0.9,Odd,dark\n"
                     "2,MONITOR,127.0.0.2,Hero,dark\n"));
    QCOMPARE(m_main.tabCount(), 2);
    QCOMPARE(m_main.tabTitle(1), QStringLiteral("Hero"));
    // The record without a tab is dropped, so that record i stays tab i.
    QCOMPARE(savedTabs(), QByteArray("0,CUBRIX,127.0.0.1,Grading,dark\n"
                                     "1,MONITOR,127.0.0.2,Hero,dark\n"));
}

void TestMainWindow::savedTabsWithOnlyUnknownTypesGiveDefaults()
{
    QVERIFY(loadWith("0,cubrix,127.0.0.1,Grading,dark\n"));
    QCOMPARE(m_main.tabCount(), 2);
    QCOMPARE(m_main.tabType(0), QStringLiteral("CUBRIX"));
    QCOMPARE(m_main.tabType(1), QStringLiteral("MONITOR"));
    QCOMPARE(savedTabs(), QByteArray("0,CUBRIX,192.0.2.10,New Cubrix,dark\n"
                                     "1,MONITOR,192.0.2.20,New Monitor,dark\n"));
}

void TestMainWindow::closingTheOnlyTabLeavesNewCubrix()
{
    QVERIFY(loadWith("0,MONITOR,127.0.0.2,Hero,dark\n"));
    QCOMPARE(m_main.tabCount(), 1);
    const QList<QObject *> closeButtons = findAll(m_main.window(), QStringLiteral("closeButton"));
    QCOMPARE(closeButtons.size(), 1);
    click(item(closeButtons.first()));
    QTRY_COMPARE_WITH_TIMEOUT(m_main.tabCount(), 1, 2000);
    QCOMPARE(m_main.tabType(0), QStringLiteral("CUBRIX"));
    QCOMPARE(m_main.tabTitle(0), QStringLiteral("New Cubrix"));
    QCOMPARE(m_main.sideBar()->property("count").toInt(), 1);
    QCOMPARE(m_main.sideBarName(0), QStringLiteral("New Cubrix"));
    QCOMPARE(m_main.currentIndex(), 0);
    QCOMPARE(m_main.statusText(), QStringLiteral("New Cubrix"));
    QCOMPARE(savedTabs(), QByteArray("0,CUBRIX,192.0.2.10,New Cubrix,dark\n"));
}

void TestMainWindow::closingTheCurrentTabSelectsThePreviousOne()
{
    QVERIFY(loadWith(ThreeSavedTabs));
    call(m_main.sideBar(), "select", {2});
    QCOMPARE(m_main.currentIndex(), 2);
    call(m_main.sideBar(), "select", {1});
    call(m_main.sideBar(), "closeEntry", {1});
    QCOMPARE(m_main.tabCount(), 2);
    QCOMPARE(m_main.currentIndex(), 0);
    QCOMPARE(m_main.tabTitle(1), QStringLiteral("Client"));
    QCOMPARE(m_main.sideBarName(1), QStringLiteral("Client"));
    QCOMPARE(m_main.statusText(), QStringLiteral("Hero"));
    QCOMPARE(savedTabs(), QByteArray("0,MONITOR,127.0.0.2,Hero,light\n"
                                     "1,MONITOR,127.0.0.3,Client,light\n"));
}

void TestMainWindow::closingTheFirstTabSelectsTheNextOne()
{
    QVERIFY(loadWith(ThreeSavedTabs));
    call(m_main.sideBar(), "closeEntry", {0});
    QCOMPARE(m_main.tabCount(), 2);
    QCOMPARE(m_main.currentIndex(), 0);
    QCOMPARE(m_main.tabTitle(0), QStringLiteral("Grading"));
    QCOMPARE(m_main.statusText(), QStringLiteral("Grading"));
    // A tab that is not current: the current one stays current.
    call(m_main.sideBar(), "select", {1});
    call(m_main.sideBar(), "closeEntry", {0});
    QCOMPARE(m_main.tabCount(), 1);
    QCOMPARE(m_main.tabTitle(0), QStringLiteral("Client"));
    QCOMPARE(savedTabs(), QByteArray("0,MONITOR,127.0.0.3,Client,light\n"));
}

void TestMainWindow::numberedTabKeys()
{
    QVERIFY(loadWith(ThreeSavedTabs));
    key(Qt::Key_3, Qt::ControlModifier);
    QCOMPARE(m_main.currentIndex(), 2);
    QCOMPARE(m_main.statusText(), QStringLiteral("Client"));
    // Only three tabs: Ctrl+5 and Ctrl+0 do nothing.
    key(Qt::Key_5, Qt::ControlModifier);
    QCOMPARE(m_main.currentIndex(), 2);
    key(Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(m_main.currentIndex(), 2);
    // Next and previous without wrapping.
    key(Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(m_main.currentIndex(), 2);
    key(Qt::Key_1, Qt::ControlModifier);
    QCOMPARE(m_main.currentIndex(), 0);
    QCOMPARE(m_main.statusText(), QStringLiteral("Hero"));
    key(Qt::Key_Equal, Qt::ControlModifier);
    QCOMPARE(m_main.currentIndex(), 0);
    key(Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(m_main.currentIndex(), 1);
    key(Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(m_main.currentIndex(), 2);
    key(Qt::Key_Equal, Qt::ControlModifier);
    QCOMPARE(m_main.currentIndex(), 1);
    QCOMPARE(m_main.statusText(), QStringLiteral("Grading"));
    // Only the current tab is visible.
    QVERIFY(m_main.tab(1)->property("visible").toBool());
    QVERIFY(!m_main.tab(0)->property("visible").toBool());
}

void TestMainWindow::newTabKeysRecordTheTabUnderItsPosition()
{
    QVERIFY(loadWith(ThreeSavedTabs));
    key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m_main.tabCount(), 4);
    QCOMPARE(m_main.tabType(3), QStringLiteral("CUBRIX"));
    QCOMPARE(m_main.currentIndex(), 3);
    QCOMPARE(m_main.statusText(), QStringLiteral("New Cubrix"));
    key(Qt::Key_X, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m_main.tabCount(), 5);
    QCOMPARE(m_main.tabType(4), QStringLiteral("MONITOR"));
    QCOMPARE(m_main.sideBarName(4), QStringLiteral("New Monitor"));
    QCOMPARE(m_main.sideBarIp(4), QStringLiteral("0000"));
    QCOMPARE(savedTabs(), ThreeSavedTabs + QByteArray("3,CUBRIX,192.0.2.10,New Cubrix,light\n"
                                                      "4,MONITOR,192.0.2.20,New Monitor,light\n"));
    // Closing the new tab removes its own record.
    call(m_main.sideBar(), "closeEntry", {3});
    QCOMPARE(savedTabs(), ThreeSavedTabs + QByteArray("3,MONITOR,192.0.2.20,New Monitor,light\n"));
}

void TestMainWindow::themeKeysAndMenuRewriteEveryTab()
{
    QVERIFY(loadWith(ThreeSavedTabs));
    key(Qt::Key_K, Qt::ShiftModifier);
    QCOMPARE(m_main.mode(), QStringLiteral("dark"));
    QCOMPARE(m_main.window()->color(), QColor(QStringLiteral("#222222")));
    auto *profile = qobject_cast<DeviceProfile *>(find(m_main.window(), QStringLiteral("deviceProfile")));
    QVERIFY(profile);
    QCOMPARE(profile->getMoreInfo(), QStringLiteral("dark"));
    QCOMPARE(savedTabs(), QByteArray("0,MONITOR,127.0.0.2,Hero,dark\n"
                                     "1,CUBRIX,127.0.0.1,Grading,dark\n"
                                     "2,MONITOR,127.0.0.3,Client,dark\n"));
    QCOMPARE(m_main.tab(1)->property("mode").toString(), QStringLiteral("dark"));
    key(Qt::Key_L, Qt::ShiftModifier);
    QCOMPARE(m_main.mode(), QStringLiteral("light"));
    QCOMPARE(m_main.tab(2)->property("mode").toString(), QStringLiteral("light"));
    QCOMPARE(profile->getMoreInfo(), QStringLiteral("light"));
    QCOMPARE(savedTabs(), ThreeSavedTabs);
}

void TestMainWindow::exportWritesTheProfile()
{
    QVERIFY(loadWith(ThreeSavedTabs));
    QObject *profiles = find(m_main.window(), QStringLiteral("devicesProfile"));
    const QString path = m_files.filePath(QStringLiteral("export.txt"));
    QCOMPARE(call(profiles, "exportProfile", {path, QString()}).toBool(), true);
    QCOMPARE(readFile(path), QByteArray("MONITOR/Hero/127.0.0.2/light,"
                                        "CUBRIX/Grading/127.0.0.1/light,"
                                        "MONITOR/Client/127.0.0.3/light,"));
    QObject *message = dialog(QStringLiteral("exportedDialog"));
    QCOMPARE(message->property("title").toString(), QStringLiteral("Exported Tabs"));
    QCOMPARE(message->property("text").toString(), QStringLiteral("Your profile has been saved."));
    QTRY_VERIFY_WITH_TIMEOUT(message->property("visible").toBool(), 2000);
    QMetaObject::invokeMethod(message, "close");

    // The variant that forces a theme.
    QCOMPARE(call(profiles, "exportProfile", {path, QStringLiteral("dark")}).toBool(), true);
    QCOMPARE(readFile(path), QByteArray("MONITOR/Hero/127.0.0.2/dark,"
                                        "CUBRIX/Grading/127.0.0.1/dark,"
                                        "MONITOR/Client/127.0.0.3/dark,"));
    QMetaObject::invokeMethod(message, "close");
}

void TestMainWindow::exportThatFailsSaysSo()
{
    QVERIFY(loadWith(ThreeSavedTabs));
    QObject *profiles = find(m_main.window(), QStringLiteral("devicesProfile"));
    const QString path = m_files.filePath(QStringLiteral("no/such/folder/export.txt"));
    QCOMPARE(call(profiles, "exportProfile", {path, QString()}).toBool(), false);
    QObject *message = dialog(QStringLiteral("exportedDialog"));
    QCOMPARE(message->property("text").toString(), QStringLiteral("Your profile could not be saved."));
    QTRY_VERIFY_WITH_TIMEOUT(message->property("visible").toBool(), 2000);
    QMetaObject::invokeMethod(message, "close");
}

void TestMainWindow::exportDropsSeparatorsFromNames()
{
    QVERIFY(loadWith("0,CUBRIX,127.0.0.1,Left/Right,dark\n"));
    const QString path = m_files.filePath(QStringLiteral("slash.txt"));
    QCOMPARE(call(find(m_main.window(), QStringLiteral("devicesProfile")), "exportProfile", {path, QString()}).toBool(),
             true);
    QCOMPARE(readFile(path), QByteArray("CUBRIX/LeftRight/127.0.0.1/dark,"));
    QMetaObject::invokeMethod(dialog(QStringLiteral("exportedDialog")), "close");
}

void TestMainWindow::profileTexts_data()
{
    QTest::addColumn<QString>("text");
    // Entries as "type|name|address|theme" joined by ";", or "refused".
    QTest::addColumn<QString>("entries");
    QTest::newRow("two entries") << "MONITOR/Hero/127.0.0.2/light,CUBRIX/Grade/127.0.0.1/dark,"
                                 << "MONITOR|Hero|127.0.0.2|light;CUBRIX|Grade|127.0.0.1|dark";
    QTest::newRow("empty") << "" << "refused";
    QTest::newRow("one entry, no trailing comma") << "CUBRIX/Grade/127.0.0.1/dark" << "refused";
    QTest::newRow("lower-case type") << "cubrix/Grade/127.0.0.1/dark," << "refused";
    QTest::newRow("empty piece in the middle") << "CUBRIX/Grade/127.0.0.1/dark,,MONITOR/Hero/127.0.0.2/dark,"
                                               << "refused";
    QTest::newRow("leading comma") << ",CUBRIX/Grade/127.0.0.1/dark," << "refused";
    QTest::newRow("unknown type without fields") << "SCOPE," << "refused";
    QTest::newRow("wrong type in the last piece") << "CUBRIX/Grade/127.0.0.1/dark,scope/x" << "refused";
    QTest::newRow("last piece dropped") << "CUBRIX/Grade/127.0.0.1/dark,MONITOR/Hero/127.0.0.2/dark"
                                        << "CUBRIX|Grade|127.0.0.1|dark";
    QTest::newRow("line end after the last comma") << "CUBRIX/Grade/127.0.0.1/light,\n"
                                                   << "CUBRIX|Grade|127.0.0.1|light";
    QTest::newRow("missing fields filled in") << "CUBRIX,MONITOR/Hero,MONITOR/Client//light,"
                                              << "CUBRIX|New Cubrix|192.0.2.10|dark;MONITOR|Hero|192.0.2.20|dark;"
                                                 "MONITOR|Client|192.0.2.20|light";
}

void TestMainWindow::profileTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, entries);
    QVERIFY(m_main.load());
    const QVariant parsed = call(find(m_main.window(), QStringLiteral("devicesProfile")), "parseProfile", {text});
    if (entries == QLatin1String("refused")) {
        QVERIFY(parsed.isNull() || !parsed.isValid());
        return;
    }
    QStringList got;
    for (const QVariant &entry : parsed.toList()) {
        const QVariantMap map = entry.toMap();
        got << QStringList{map.value(QStringLiteral("type")).toString(), map.value(QStringLiteral("name")).toString(),
                           map.value(QStringLiteral("address")).toString(), map.value(QStringLiteral("theme")).toString()}
                   .join(QLatin1Char('|'));
    }
    QCOMPARE(got.join(QLatin1Char(';')), entries);
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
    QVERIFY(loadWith(ThreeSavedTabs));
    QObject *profiles = find(m_main.window(), QStringLiteral("devicesProfile"));
    // A good profile first: a failed read must not bring its text back.
    const QString good = m_files.filePath(QStringLiteral("good.txt"));
    QVERIFY(writeFile(good, "CUBRIX/Other/127.0.0.5/dark,"));
    auto *profile = qobject_cast<DeviceProfile *>(find(m_main.window(), QStringLiteral("deviceProfile")));
    profile->importTabs(good);
    QCOMPARE(profile->getInfo(), QStringLiteral("CUBRIX/Other/127.0.0.5/dark,"));

    const QString path = m_files.filePath(QStringLiteral("rejected.txt"));
    QFile::remove(path);
    if (!contents.isNull())
        QVERIFY(writeFile(path, contents));
    QCOMPARE(call(profiles, "importProfile", {path}).toBool(), false);
    QObject *problem = dialog(QStringLiteral("importProblemDialog"));
    QTRY_VERIFY_WITH_TIMEOUT(problem->property("visible").toBool(), 2000);
    QCOMPARE(problem->property("title").toString(), QStringLiteral("Problem Importing Profile"));
    QCOMPARE(problem->property("text").toString(), QStringLiteral("Incorrect file structure. Please try another file."));
    QCOMPARE(m_main.tabCount(), 3);
    QCOMPARE(savedTabs(), ThreeSavedTabs);
    QVERIFY(m_main.window()->isVisible());
    QMetaObject::invokeMethod(problem, "close");
}

void TestMainWindow::importedProfileReloadsTheWindow()
{
    QVERIFY(loadWith(ThreeSavedTabs));
    QQuickWindow *old = m_main.window();
    const QString path = m_files.filePath(QStringLiteral("import.txt"));
    QVERIFY(writeFile(path, "CUBRIX/Stage Left/127.0.0.7/dark,MONITOR/Stage Right/127.0.0.8/dark,"));
    QCOMPARE(call(find(old, QStringLiteral("devicesProfile")), "importProfile", {path}).toBool(), true);
    QCOMPARE(savedTabs(), QByteArray("0,CUBRIX,127.0.0.7,Stage Left,dark\n"
                                     "1,MONITOR,127.0.0.8,Stage Right,dark\n"));
    QTRY_VERIFY_WITH_TIMEOUT(!old->isVisible(), 2000);
    QCOMPARE(old->property("retired").toBool(), true);
    QCOMPARE(QmlTest::find(old, QStringLiteral("tabView"))->property("count").toInt(), 0);

    QQuickWindow *fresh = MainWindow::latestMainWindow(old);
    QVERIFY(fresh);
    QObject *tabView = find(fresh, QStringLiteral("tabView"));
    QCOMPARE(tabView->property("count").toInt(), 2);
    QObject *first = call(fresh, "tabItem", {0}).value<QObject *>();
    QObject *second = call(fresh, "tabItem", {1}).value<QObject *>();
    QCOMPARE(first->property("deviceType").toString(), QStringLiteral("CUBRIX"));
    QCOMPARE(second->property("deviceType").toString(), QStringLiteral("MONITOR"));
    QCOMPARE(find(second, QStringLiteral("nameField"))->property("text").toString(), QStringLiteral("Stage Right"));
    QCOMPARE(fresh->property("mode").toString(), QStringLiteral("dark"));

    // The reloaded window goes in turn when the next profile comes in.
    QVERIFY(writeFile(path, "MONITOR/Solo/127.0.0.9/light,"));
    QPointer<QQuickWindow> second_window(fresh);
    QCOMPARE(call(find(fresh, QStringLiteral("devicesProfile")), "importProfile", {path}).toBool(), true);
    QTRY_VERIFY_WITH_TIMEOUT(second_window.isNull(), 2000);
    QQuickWindow *third = MainWindow::latestMainWindow(old);
    QVERIFY(third);
    QCOMPARE(find(third, QStringLiteral("tabView"))->property("count").toInt(), 1);
    QCOMPARE(third->property("mode").toString(), QStringLiteral("light"));
}

void TestMainWindow::fieldsRefuseSeparators()
{
    QVERIFY(m_main.load());
    QQuickItem *name = tabChild(0, QStringLiteral("nameField"));
    QQuickItem *address = tabChild(0, QStringLiteral("addressField"));
    QVERIFY(focusItem(name));
    call(name, "selectAll");
    typeText(m_main.window(), QStringLiteral("Desk,A/B"));
    QCOMPARE(name->property("text").toString(), QStringLiteral("DeskAB"));
    QVERIFY(focusItem(address));
    call(address, "selectAll");
    typeText(m_main.window(), QStringLiteral("127,0/0.1"));
    QCOMPARE(address->property("text").toString(), QStringLiteral("12700.1"));
    // Length limits: 32 for names, 15 for addresses.
    call(address, "selectAll");
    typeText(m_main.window(), QStringLiteral("1234567890123456789"));
    QCOMPARE(address->property("text").toString(), QStringLiteral("123456789012345"));
    QCOMPARE(name->property("maximumLength").toInt(), 32);
}

void TestMainWindow::typingCapitalsKeepsTheTheme()
{
    QVERIFY(m_main.load());
    QQuickItem *name = tabChild(0, QStringLiteral("nameField"));
    QVERIFY(focusItem(name));
    call(name, "selectAll");
    // Shift+K and Shift+L switch the theme, but not while they are typed into a field.
    QTest::keyClick(m_main.window(), 'K', Qt::ShiftModifier);
    QTest::keyClick(m_main.window(), 'L', Qt::ShiftModifier);
    QCOMPARE(name->property("text").toString(), QStringLiteral("KL"));
    QCOMPARE(m_main.mode(), QStringLiteral("dark"));
    // Outside the fields they do.
    QQuickItem *tabItem = item(m_main.tab(0));
    tabItem->forceActiveFocus();
    QVERIFY(!name->hasActiveFocus());
    QTest::keyClick(m_main.window(), 'L', Qt::ShiftModifier);
    QCOMPARE(m_main.mode(), QStringLiteral("light"));
}

void TestMainWindow::profileKeysOpenTheFileDialogs()
{
    QVERIFY(m_main.load());
    // Built on first use only.
    QVERIFY(!dialog(QStringLiteral("saveProfileDialog")));
    QVERIFY(!dialog(QStringLiteral("loadProfileDialog")));

    key(Qt::Key_S, Qt::ControlModifier);
    QObject *save = dialog(QStringLiteral("saveProfileDialog"));
    QVERIFY(save);
    QCOMPARE(save->property("title").toString(), QStringLiteral("Please choose a file"));
    QCOMPARE(save->property("selectExisting").toBool(), false);
    QCOMPARE(save->property("nameFilters").toStringList(), QStringList{QStringLiteral("Text Files (*.txt)")});
    QTRY_VERIFY_WITH_TIMEOUT(save->property("visible").toBool(), 2000);
    // The dialog builds its folder view asynchronously while it is shown; let it finish, so
    // that closing the engine right after does not cut it short.
    waitForIncubation();
    QMetaObject::invokeMethod(save, "close");
    QTRY_VERIFY_WITH_TIMEOUT(!save->property("visible").toBool(), 2000);
    m_main.window()->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(m_main.window()));
    key(Qt::Key_L, Qt::ControlModifier);
    QObject *load = dialog(QStringLiteral("loadProfileDialog"));
    QVERIFY(load);
    QCOMPARE(load->property("title").toString(), QStringLiteral("Please choose a file to import"));
    QCOMPARE(load->property("nameFilters").toStringList(),
             (QStringList{QStringLiteral("Text Files (*.txt)"), QStringLiteral("All files (*)")}));
    QTRY_VERIFY_WITH_TIMEOUT(load->property("visible").toBool(), 2000);
    waitForIncubation();
    QMetaObject::invokeMethod(load, "close");
    QVERIFY(!save->property("visible").toBool());
    // Opening again uses the same dialog.
    m_main.window()->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(m_main.window()));
    key(Qt::Key_S, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(save->property("visible").toBool(), 2000);
    QCOMPARE(findAll(m_main.window(), QStringLiteral("saveProfileDialog")).size(), 1);
    waitForIncubation();
    QMetaObject::invokeMethod(save, "close");
}

// The chosen file goes through the confirmation to the import: here a refused profile, which
// leaves the tabs as they were and says so.
void TestMainWindow::loadDialogAsksBeforeImporting()
{
    QVERIFY(loadWith(ThreeSavedTabs));
    const QString path = m_files.filePath(QStringLiteral("refused.txt"));
    QVERIFY(writeFile(path, "CUBRIX/Grade/127.0.0.1/dark"));
    QObject *profiles = find(m_main.window(), QStringLiteral("devicesProfile"));
    QVERIFY(QMetaObject::invokeMethod(profiles, "openLoadDialog"));
    QObject *load = dialog(QStringLiteral("loadProfileDialog"));
    QVERIFY(load);
    QTRY_VERIFY_WITH_TIMEOUT(load->property("visible").toBool(), 2000);
    waitForIncubation();
    QVERIFY(!dialog(QStringLiteral("importConfirmDialog")));
    QMetaObject::invokeMethod(load, "clearSelection");
    bool added = false;
    QVERIFY(QMetaObject::invokeMethod(load, "addSelection", Q_RETURN_ARG(bool, added),
                                      Q_ARG(QUrl, QUrl::fromLocalFile(path))));
    QVERIFY(added);
    QMetaObject::invokeMethod(load, "close");
    QVERIFY(QMetaObject::invokeMethod(load, "accepted"));

    QObject *confirm = dialog(QStringLiteral("importConfirmDialog"));
    QVERIFY(confirm);
    QCOMPARE(confirm->property("title").toString(), QStringLiteral("Import Tabs"));
    QCOMPARE(confirm->property("text").toString(), QStringLiteral("All current tabs will be deleted. Continue?"));
    QTRY_VERIFY_WITH_TIMEOUT(confirm->property("visible").toBool(), 2000);
    // Nothing is imported before the answer.
    QVERIFY(!dialog(QStringLiteral("importProblemDialog")));
    QVERIFY(QMetaObject::invokeMethod(confirm, "yes"));
    QMetaObject::invokeMethod(confirm, "close");

    // The chosen file was the one read.
    auto *profile = qobject_cast<DeviceProfile *>(find(m_main.window(), QStringLiteral("deviceProfile")));
    QCOMPARE(profile->getInfo(), QStringLiteral("CUBRIX/Grade/127.0.0.1/dark"));
    QObject *problem = dialog(QStringLiteral("importProblemDialog"));
    QVERIFY(problem);
    QTRY_VERIFY_WITH_TIMEOUT(problem->property("visible").toBool(), 2000);
    QCOMPARE(m_main.tabCount(), 3);
    QCOMPARE(savedTabs(), ThreeSavedTabs);
    QMetaObject::invokeMethod(problem, "close");
}

void TestMainWindow::secondPressWhileConnectingCancels()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    QVERIFY(m_main.load());
    QObject *tab = m_main.tab(0);
    auto *device = qobject_cast<DeviceBase *>(find(tab, QStringLiteral("cubrixDevice")));
    device->setPort(fake.port());
    tabChild(0, QStringLiteral("addressField"))->setProperty("text", fake.address());
    // Both presses before the event loop runs: the second finds the device still connecting.
    call(tab, "toggleConnection");
    const int connecting = int(device->state());
    QVERIFY2(connecting == QAbstractSocket::HostLookupState || connecting == QAbstractSocket::ConnectingState,
             qPrintable(QString::number(connecting)));
    QCOMPARE(tabChild(0, QStringLiteral("connectButton"))->property("text").toString(), QStringLiteral("Cancel"));
    QCOMPARE(tabChild(0, QStringLiteral("stateLabel"))->property("text").toString(),
             connecting == QAbstractSocket::ConnectingState ? QStringLiteral("Connecting") : QStringLiteral("Unknown: 1"));
    call(tab, "toggleConnection");
    QCOMPARE(int(device->state()), int(QAbstractSocket::UnconnectedState));
    QTest::qWait(200);
    QCOMPARE(int(device->state()), int(QAbstractSocket::UnconnectedState));
    QCOMPARE(tabChild(0, QStringLiteral("connectButton"))->property("text").toString(), QStringLiteral("Connect"));
}

void TestMainWindow::ctrlCConnectsAfterTypingAndDisconnects()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    QVERIFY(m_main.load());
    QObject *tab = m_main.tab(0);
    auto *device = qobject_cast<DeviceBase *>(find(tab, QStringLiteral("cubrixDevice")));
    QVERIFY(device);
    device->setPort(fake.port());

    QQuickItem *name = tabChild(0, QStringLiteral("nameField"));
    QQuickItem *address = tabChild(0, QStringLiteral("addressField"));
    QVERIFY(focusItem(name));
    call(name, "selectAll");
    typeText(m_main.window(), QStringLiteral("Grading"));
    QVERIFY(focusItem(address));
    call(address, "selectAll");
    typeText(m_main.window(), fake.address());
    QVERIFY(address->hasActiveFocus());
    // Just typed, nothing selected: Ctrl+C connects.
    key(Qt::Key_C, Qt::ControlModifier);
    QVERIFY(fake.waitForClient(5000));
    QTRY_COMPARE_WITH_TIMEOUT(int(device->state()), int(QAbstractSocket::ConnectedState), 5000);
    QCOMPARE(fake.connectionCount(), 1);
    QVERIFY(!address->hasActiveFocus());
    QCOMPARE(device->address(), fake.address());
    QCOMPARE(m_main.tabTitle(0), QStringLiteral("Grading"));
    QCOMPARE(m_main.sideBarName(0), QStringLiteral("Grading"));
    QCOMPARE(m_main.sideBarIp(0), fake.address());
    QCOMPARE(m_main.statusText(), QStringLiteral("Grading"));
    QCOMPARE(savedTabs(), QStringLiteral("0,CUBRIX,%1,Grading,dark\n1,MONITOR,192.0.2.20,New Monitor,dark\n")
                              .arg(fake.address())
                              .toUtf8());
    // Connected: the connection group hides; Ctrl+C again disconnects.
    QTRY_VERIFY_WITH_TIMEOUT(!tabChild(0, QStringLiteral("connectionGroup"))->isVisible(), 2000);
    key(Qt::Key_C, Qt::ControlModifier);
    QVERIFY(fake.waitForDisconnect(5000));
    QTRY_COMPARE_WITH_TIMEOUT(int(device->state()), int(QAbstractSocket::UnconnectedState), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(tabChild(0, QStringLiteral("connectionGroup"))->isVisible(), 2000);

    // Ctrl+C acts on the visible tab only: the monitor tab's device stays put.
    auto *monitor = qobject_cast<DeviceBase *>(find(m_main.tab(1), QStringLiteral("monitorDevice")));
    QCOMPARE(int(monitor->state()), int(QAbstractSocket::UnconnectedState));
}

void TestMainWindow::ctrlCWithSelectedTextCopies()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    QVERIFY(m_main.load());
    auto *device = qobject_cast<DeviceBase *>(find(m_main.tab(0), QStringLiteral("cubrixDevice")));
    device->setPort(fake.port());
    QQuickItem *address = tabChild(0, QStringLiteral("addressField"));
    QVERIFY(focusItem(address));
    call(address, "selectAll");
    typeText(m_main.window(), fake.address());
    call(address, "selectAll");
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    key(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), fake.address());
    QTest::qWait(200);
    QCOMPARE(int(device->state()), int(QAbstractSocket::UnconnectedState));
    QCOMPARE(fake.connectionCount(), 0);
}

void TestMainWindow::connectButtonCancelsAndConnects()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    QVERIFY(m_main.load());
    key(Qt::Key_2, Qt::ControlModifier);
    auto *device = qobject_cast<DeviceBase *>(find(m_main.tab(1), QStringLiteral("monitorDevice")));
    device->setPort(fake.port());
    QQuickItem *address = tabChild(1, QStringLiteral("addressField"));
    address->setProperty("text", fake.address());
    QQuickItem *button = tabChild(1, QStringLiteral("connectButton"));
    QCOMPARE(button->property("text").toString(), QStringLiteral("Connect"));
    click(button);
    QVERIFY(fake.waitForClient(5000));
    QTRY_COMPARE_WITH_TIMEOUT(int(device->state()), int(QAbstractSocket::ConnectedState), 5000);
    QCOMPARE(m_main.sideBarIp(1), fake.address());
    QCOMPARE(m_main.tabTitle(1), QStringLiteral("New Monitor"));
    // The page shows the identity box once connected.
    QObject *page = find(m_main.tab(1), QStringLiteral("monitorGeneralPage"));
    QTRY_VERIFY_WITH_TIMEOUT(page->property("connected").toBool(), 2000);
    QCOMPARE(find(page, QStringLiteral("addressLabel"))->property("text").toString(),
             QStringLiteral("Address: ") + fake.address());
    click(item(find(page, QStringLiteral("disconnectButton"))));
    QTRY_COMPARE_WITH_TIMEOUT(int(device->state()), int(QAbstractSocket::UnconnectedState), 5000);
    QCOMPARE(tabChild(1, QStringLiteral("stateLabel"))->property("text").toString(), QStringLiteral("Disconnected"));
}

void TestMainWindow::closedTabRemembersItsFields()
{
    QVERIFY(m_main.load());
    tabChild(1, QStringLiteral("nameField"))->setProperty("text", QStringLiteral("Bench"));
    tabChild(1, QStringLiteral("addressField"))->setProperty("text", QStringLiteral("127.0.0.4"));
    call(m_main.sideBar(), "closeEntry", {1});
    m_main.unload();
    QSettings settings(settingsPath(), QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("monitorName")).toString(), QStringLiteral("Bench"));
    QCOMPARE(settings.value(QStringLiteral("state_mon")).toString(), QStringLiteral("127.0.0.4"));
    // A new monitor tab starts from the remembered address.
    QVERIFY(m_main.load());
    key(Qt::Key_X, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(tabChild(1, QStringLiteral("addressField"))->property("text").toString(), QStringLiteral("127.0.0.4"));
}

void TestMainWindow::monitorProtocolErrorDialog_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("shown");
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
    if (!shown) {
        QTest::qWait(100);
        // The dialog is built when first shown, so there may be none.
        QVERIFY(!errors || !errors->property("visible").toBool());
        return;
    }
    QVERIFY(errors);
    QTRY_VERIFY_WITH_TIMEOUT(errors->property("visible").toBool(), 2000);
    QCOMPARE(errors->property("title").toString(), QStringLiteral("Protocol error"));
    QCOMPARE(errors->property("text").toString(),
             QStringLiteral("protocol number: 784\n request number: 769\n status number: %1").arg(status));
    QMetaObject::invokeMethod(errors, "close");
}

void TestMainWindow::cubrixErrorDialogs()
{
    QVERIFY(m_main.load());
    QObject *cubrix = find(m_main.tab(0), QStringLiteral("cubrixDevice"));
    // Built when the first error arrives.
    QVERIFY(!find(m_main.tab(0), QStringLiteral("errorDialog")));

    QVERIFY(QMetaObject::invokeMethod(cubrix, "protocolError", Q_ARG(int, 0x0001), Q_ARG(int, 32), Q_ARG(int, 5)));
    QObject *errors = find(m_main.tab(0), QStringLiteral("errorDialog"));
    QVERIFY(errors);
    QTRY_VERIFY_WITH_TIMEOUT(errors->property("visible").toBool(), 2000);
    QCOMPARE(errors->property("title").toString(), QStringLiteral("Protocol error"));
    QCOMPARE(errors->property("text").toString(),
             QStringLiteral("Error Status: 5\nProtocol number: 1\nHeader Request: 32\n\nDetails:  ") + getProtocolMessage(1));
    QMetaObject::invokeMethod(errors, "close");

    QVERIFY(QMetaObject::invokeMethod(cubrix, "commError", Q_ARG(int, 2), Q_ARG(int, 3), Q_ARG(int, 4)));
    QCOMPARE(errors->property("title").toString(), QStringLiteral("Communication error"));
    QCOMPARE(errors->property("text").toString(), QStringLiteral("protocol number: 2\n request number: 3\n error number: 4"));
    QMetaObject::invokeMethod(errors, "close");

    QVERIFY(QMetaObject::invokeMethod(cubrix, "updateFirmwareComplete"));
    QCOMPARE(errors->property("title").toString(), QStringLiteral("Wait for Firmware Update"));
    QCOMPARE(errors->property("text").toString(),
             QStringLiteral("Firmware received! Please wait 2 minutes then power cycle Cubrix."));
    QMetaObject::invokeMethod(errors, "close");

    QVERIFY(QMetaObject::invokeMethod(cubrix, "socketReadException", Q_ARG(QString, QStringLiteral("read failed")),
                                      Q_ARG(QString, QStringLiteral("frame"))));
    QCOMPARE(errors->property("title").toString(), QStringLiteral("Socket Read Error"));
    QCOMPARE(errors->property("text").toString(), QStringLiteral("read failed"));
    QMetaObject::invokeMethod(errors, "close");

    QVERIFY(QMetaObject::invokeMethod(cubrix, "socketWriteException", Q_ARG(QString, QStringLiteral("write failed")),
                                      Q_ARG(QString, QStringLiteral("lut"))));
    QCOMPARE(errors->property("title").toString(), QStringLiteral("Socket Write Error"));
    QCOMPARE(errors->property("text").toString(), QStringLiteral("write failed"));
    QMetaObject::invokeMethod(errors, "close");
    // One dialog serves every error of the tab.
    QCOMPARE(findAll(m_main.tab(0), QStringLiteral("errorDialog")).size(), 1);

    QObject *monitor = find(m_main.tab(1), QStringLiteral("monitorDevice"));
    QVERIFY(QMetaObject::invokeMethod(monitor, "updateFirmwareComplete"));
    QObject *monitorErrors = find(m_main.tab(1), QStringLiteral("errorDialog"));
    QVERIFY(monitorErrors);
    QCOMPARE(monitorErrors->property("text").toString(),
             QStringLiteral("Firmware received! Please wait 2 minutes then power cycle the monitor."));
    QMetaObject::invokeMethod(monitorErrors, "close");
}

BREVANTO_QML_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
