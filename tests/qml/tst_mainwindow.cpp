// The main window from "qrc:/main.qml", headless: start-up from nothing and from saved tabs,
// closing tabs, the window keys, themes, the tab fields, profiles, connecting and the device
// error dialogs; the window's scripts and resource files. Any QML warning fails the test.
#include "cubrix/cubrix.h"
#include "device/connectionkeeper.h"
#include "device/devicelog.h"
#include "fakedevice.h"
#include "mncp/mncpprotocol.h"
#include "qmltestsupport.h"
#include "session/deviceprofile.h"

#include <QClipboard>
#include <QDirIterator>
#include <QGuiApplication>
#include <QImageReader>
#include <QQmlComponent>
#include <QQmlExpression>
#include <QQmlListReference>
#include <QSettings>
#include <QTcpServer>
#include <QtTest>

using namespace QmlTest;

namespace {
const QByteArray Three("0,MONITOR,127.0.0.2,Hero,light\n1,CUBRIX,127.0.0.1,Grading,light\n2,MONITOR,127.0.0.3,Client,light\n");
const QByteArray Defaults("0,CUBRIX,192.0.2.10,New Cubrix,dark\n1,MONITOR,192.0.2.20,New Monitor,dark\n");
const QByteArray TwoOfThree("0,CUBRIX,127.0.0.1,Grading,light\n1,MONITOR,127.0.0.3,Client,light\n");

// The window's scripts, as the pages use them.
const char *const Probe = R"QML(
import QtQuick 2.15
import "common/CheckDeviceType.js" as Type
import "ChannelCreation.js" as Creation
Item { id: root; property QtObject device: QtObject { objectName: "device" }; Loader { id: loader } }
)QML";

void type(QWindow *window, const QString &text)
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
    void tabs_data();
    void tabs();
    void themes();
    void fields();
    void tabAreaScrolls();
    void exportProfile_data();
    void exportProfile();
    void profiles_data();
    void profiles();
    void importReloadsTheWindow();
    void profileDialogs();
    void connecting();
    void errorDialogs_data();
    void errorDialogs();
    void feedback();
    void transferLine_data();
    void transferLine();
    void deviceLog();
    void reconnecting();
    void autoReconnectSetting();
    void scripts_data();
    void scripts();
    void menus();
    void resources();

private:
    QObject *at(int tab, const char *name) const { return find(m_main.tab(tab), QLatin1String(name)); }
    QString text(int tab, const char *name) const { return at(tab, name)->property("text").toString(); }
    DeviceBase *device(int tab) const { return qobject_cast<DeviceBase *>(m_main.tab(tab)->property("device").value<QObject *>()); }
    // Tab `tab` connected to the fake device, with the connection's own queries answered.
    bool connectTo(int tab, FakeDevice &fake);
    QString shownOutcome(int tab) const { return text(tab, "outcomeText") + '|' + at(tab, "outcomeText")->property("color").value<QColor>().name(); }
    QObject *window(const char *name) const { return find(m_main.window(), QLatin1String(name)); }
    // An entry of the window's menus, which are built on first use.
    QObject *menuEntry(const char *name) const
    {
        call(window("mainMenuBar"), "menu", {0});
        return window(name);
    }
    DeviceProfile *deviceProfile() const { return qobject_cast<DeviceProfile *>(window("deviceProfile")); }
    QByteArray savedTabs() const { return readFile(savedTabsPath()); }
    // The message dialog's title and text once it shows; it is closed again.
    QString shown(QObject *dialog);

    std::unique_ptr<LogCapture> m_log;
    QQmlEngine m_engine;
    std::unique_ptr<QObject> m_probe;
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

QString TestMainWindow::shown(QObject *dialog)
{
    if (!dialog || !QTest::qWaitFor([dialog] { return dialog->property("visible").toBool(); }, 2000))
        return QStringLiteral("<none>");
    QMetaObject::invokeMethod(dialog, "close");
    return dialog->property("title").toString() + ": " + dialog->property("text").toString();
}

void TestMainWindow::startUp_data()
{
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("tabs");
    QTest::addColumn<QByteArray>("rewritten");
    QTest::addColumn<int>("setAside");
    const QString defaults = QStringLiteral("CUBRIX,New Cubrix,New Cubrix,0000;MONITOR,New Monitor,New Monitor,0000");
    QTest::newRow("first start") << QByteArray() << QByteArray() << defaults << Defaults << 0;
    QTest::newRow("stored default names") << QByteArray() << QByteArray("[General]\nstoredName_Cubrix=Grade\nstoredName_Monitor=Hero\n")
                                          << "CUBRIX,Grade,Grade,0000;MONITOR,Hero,Hero,0000" << QByteArray(Defaults).replace("New Cubrix", "Grade").replace("New Monitor", "Hero") << 0;
    // Renumbered by position on reading. A record of a type the program does not know is kept in a
    // copy of the file beside it, and the window says so once.
    QTest::newRow("saved tabs in order") << QByteArray(Three).replace("0,M", "7,M").replace("1,C", "8,C") << QByteArray()
                                         << "MONITOR,Hero,Hero,127.0.0.2;CUBRIX,Grading,Grading,127.0.0.1;MONITOR,Client,Client,127.0.0.3" << Three << 0;
    QTest::newRow("unknown type set aside") << QByteArray(Three).replace("0,MONITOR", "0,SCOPE") << QByteArray()
                                          << "CUBRIX,Grading,Grading,127.0.0.1;MONITOR,Client,Client,127.0.0.3" << TwoOfThree << 1;
    QTest::newRow("only unknown types") << QByteArray("0,cubrix,127.0.0.1,Grading,dark\n") << QByteArray() << defaults << Defaults << 1;
}

void TestMainWindow::startUp()
{
    QFETCH(QByteArray, saved);
    QFETCH(QByteArray, settings);
    QFETCH(QString, tabs);
    QFETCH(QByteArray, rewritten);
    QFETCH(int, setAside);
    QVERIFY(settings.isEmpty() || writeFile(settingsPath(), settings));
    if (setAside > 0)
        m_log->allow(QStringLiteral("could not be opened and were set aside"));
    QVERIFY(m_main.load(saved));
    // Only the shown tab is built at start; the others when first shown.
    const auto built = [this] {
        QString flags;
        for (int i = 0; i < m_main.tabCount(); ++i)
            flags += call(window("tabView"), "getTab", {i}).value<QObject *>()->property("item").value<QObject *>() ? '1' : '0';
        return flags;
    };
    QCOMPARE(built(), '1' + QString(m_main.tabCount() - 1, '0'));
    QCOMPARE(m_main.tabs(), tabs);
    QCOMPARE(savedTabs(), rewritten);
    const QFileInfoList copies = QFileInfo(savedTabsPath()).dir().entryInfoList({QFileInfo(savedTabsPath()).fileName() + ".*.bak"});
    QCOMPARE(copies.size(), setAside);
    QCOMPARE(item(window("noticeBar"))->isVisible(), setAside > 0);
    if (setAside > 0)
        QVERIFY(readFile(copies.at(0).filePath()) == saved && window("noticeText")->property("text").toString().contains(QStringLiteral("1 saved tab"))
                && window("noticeText")->property("text").toString().contains(copies.at(0).fileName()) && QFile::remove(copies.at(0).filePath()));
    const bool light = rewritten.contains("light");
    QCOMPARE(QStringList({m_main.window()->title(), QString::number(m_main.window()->width()) + 'x' + QString::number(m_main.window()->height()),
                          m_main.statusText(), m_main.mode(), m_main.window()->color().name(), m_main.sideBar()->property("color").value<QColor>().name()}),
             QStringList({"TWK: Brevanto - Version: 1.11.2", "1020x750", "  Welcome to TWK - Brevanto", light ? "light" : "dark",
                          light ? "#ececec" : "#222222", light ? "#ffffff" : "#47484b"}));
    // Every text and field is drawn natively (Text.NativeRendering), as the desktop controls draw theirs.
    const QList<QObject *> texts = findIf(m_main.window(), [](QObject *o) { return o->property("renderType").isValid(); });
    QVERIFY(texts.size() > 10 && std::all_of(texts.cbegin(), texts.cend(), [](QObject *o) { return o->property("renderType").toInt() == 1; }));
    // The fields start from the saved or the remembered (placeholder) address; the pages have the tab's device.
    QCOMPARE(text(0, "nameField") + text(0, "stateLabel") + text(0, "connectButton") + text(1, "addressField"),
             m_main.tabTitle(0) + "DisconnectedConnect" + rewritten.split('\n').at(1).split(',').at(2));
    // A tab builds its pages, with its device, when the device starts to connect.
    const auto page = [this](int tab) {
        QObject *loader = find(m_main.tab(tab), QStringLiteral("pageLoader"));
        return loader ? loader->property("item").value<QObject *>() : nullptr;
    };
    QVERIFY(!page(0) && !page(1));
    find(m_main.tab(1), QStringLiteral("addressField"))->setProperty("text", QStringLiteral("127.0.0.9"));
    call(m_main.tab(1), "toggleConnection");
    QVERIFY(!page(0) && page(1) && page(1)->property("loadedHardware") == m_main.tab(1)->property("device"));
    // A tab built after the start still reports its address to the side bar.
    QCOMPARE(call(m_main.sideBar(), "entryIp", {1}).toString(), QStringLiteral("127.0.0.9"));
    call(m_main.tab(1), "toggleConnection");
}

void TestMainWindow::tabs_data()
{
    QTest::addColumn<QString>("steps");     // keys, or "select N" and "close N" (the side bar's close button)
    QTest::addColumn<QString>("indexes");   // the current tab after each step
    QTest::addColumn<QByteArray>("rewritten");
    // Ctrl+1 to Ctrl+0 select tabs 1 to 10 where they exist; Ctrl+- and Ctrl+= step from the last
    // selected tab without wrapping.
    QTest::newRow("numbers") << "Ctrl+3,Ctrl+5,Ctrl+0,Ctrl+1" << "2 2 2 0" << Three;
    QTest::newRow("next and previous") << "Ctrl+-,Ctrl+-,Ctrl+-,Ctrl+=,Ctrl+=,Ctrl+=" << "1 2 2 1 0 0" << Three;
    QTest::newRow("from the last selected") << "Ctrl+3,Ctrl+=,Ctrl+2,Ctrl+-" << "2 1 1 2" << Three;
    QTest::newRow("new tabs recorded") << "Ctrl+Shift+Z,Ctrl+Shift+X" << "3 4"
                                       << Three + "3,CUBRIX,192.0.2.10,New Cubrix,light\n4,MONITOR,192.0.2.20,New Monitor,light\n";
    // Closing: the one before the current becomes current, the next when it was the first.
    QTest::newRow("close the current") << "select 1,close 1" << "1 0" << QByteArray("0,MONITOR,127.0.0.2,Hero,light\n1,MONITOR,127.0.0.3,Client,light\n");
    QTest::newRow("close the first and current") << "select 0,close 0" << "0 0" << TwoOfThree;
    QTest::newRow("close another") << "select 2,close 0" << "2 1" << TwoOfThree;
    QTest::newRow("close the current by key") << "select 0,Ctrl+W" << "0 0" << TwoOfThree;
    QTest::newRow("close a new tab") << "Ctrl+Shift+Z,Ctrl+Shift+X,close 3" << "3 4 3" << Three + "3,MONITOR,192.0.2.20,New Monitor,light\n";
    QTest::newRow("the last leaves New Cubrix") << "close 0,close 0,close 0" << "0 0 0" << QByteArray("0,CUBRIX,192.0.2.10,New Cubrix,light\n");
}

void TestMainWindow::tabs()
{
    QFETCH(QString, steps);
    QFETCH(QString, indexes);
    QFETCH(QByteArray, rewritten);
    QVERIFY(m_main.load(Three));
    QStringList seen;
    for (const QString &step : steps.split(QLatin1Char(','))) {
        if (step.startsWith(QLatin1String("select")))
            call(m_main.sideBar(), "select", {step.section(' ', 1).toInt()});
        else if (step.startsWith(QLatin1String("close")))
            click(item(findIf(m_main.window(), [](QObject *o) { return o->objectName() == "closeButton" && item(o)->isVisible(); })
                           .value(step.section(' ', 1).toInt())));
        else
            QTest::keySequence(m_main.window(), QKeySequence(step));
        // The side bar's entry of a closed tab goes later.
        QTest::qWait(20);
        seen << QString::number(m_main.currentIndex());
    }
    QCOMPARE(seen.join(QLatin1Char(' ')), indexes);
    QCOMPARE(savedTabs(), rewritten);
    QCOMPARE(m_main.sideBar()->property("count").toInt(), rewritten.count('\n'));
    QCOMPARE(m_main.statusText(), m_main.tabTitle(m_main.currentIndex()));
    // Only the current tab is visible.
    for (int tab = 0; tab < m_main.tabCount(); ++tab)
        QCOMPARE(m_main.tab(tab)->property("visible").toBool(), tab == m_main.currentIndex());
}

// Alt+K and Alt+L rewrite every saved tab's theme; Shift+K and Shift+L are a Cubrix page's signal
// link keys and never switch the theme, and typed into a field they are letters.
void TestMainWindow::themes()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    QVERIFY(m_main.load(Three));
    m_main.key(Qt::Key_K, Qt::AltModifier);
    QCOMPARE(m_main.window()->color().name() + deviceProfile()->getMoreInfo() + m_main.tab(1)->property("mode").toString(), "#222222darkdark");
    QCOMPARE(savedTabs(), QByteArray(Three).replace("light", "dark"));
    click(item(at(0, "nameField")));
    call(at(0, "nameField"), "selectAll");
    QTest::keyClick(m_main.window(), 'L', Qt::ShiftModifier);
    QCOMPARE(text(0, "nameField") + m_main.mode(), QStringLiteral("Ldark"));
    item(m_main.tab(0))->forceActiveFocus();
    m_main.key(Qt::Key_L, Qt::AltModifier);
    QCOMPARE(savedTabs(), Three);
    auto *cubrix = qobject_cast<Cubrix *>(m_main.tab(1)->property("device").value<QObject *>());
    cubrix->setPort(fake.port());
    at(1, "addressField")->setProperty("text", fake.address());
    m_main.key(Qt::Key_2, Qt::ControlModifier);
    m_main.key(Qt::Key_C, Qt::ControlModifier);
    // Once the connection's queries are answered, the box reports its model and mode.
    SocketHandler *handler = cubrix->socketHandler();
    QTRY_VERIFY_WITH_TIMEOUT(cubrix->state() == QAbstractSocket::ConnectedState && handler->queuedCount() == 0 && handler->inFlight().protocol == 0, 5000);
    cubrix->setModel(QStringLiteral("Cubrix"));
    for (int mode : {1, 3}) {
        cubrix->setBoxMode(mode);
        m_main.key(Qt::Key_K, Qt::ShiftModifier);
        m_main.key(Qt::Key_L, Qt::ShiftModifier);
        QCOMPARE(m_main.mode(), QLatin1String("light"));
    }
    m_main.key(Qt::Key_K, Qt::AltModifier);
    QCOMPARE(m_main.mode(), QLatin1String("dark"));
}

// Names and addresses without separators, at most 32 and 15 characters; Ctrl+C with selected
// text copies instead of connecting; a closed tab's fields are remembered for the next one.
void TestMainWindow::fields()
{
    QVERIFY(m_main.load());
    m_main.key(Qt::Key_2, Qt::ControlModifier);
    const std::pair<const char *, const char *> typing[] = {{"nameField", "Desk,A/B"}, {"addressField", "127,0/0.1"}, {"addressField", "1234567890123456789"}};
    for (const auto &[field, typed] : typing) {
        click(item(at(1, field)));
        call(at(1, field), "selectAll");
        type(m_main.window(), QLatin1String(typed));
    }
    QCOMPARE(text(1, "nameField") + '|' + text(1, "addressField") + '|' + at(1, "nameField")->property("maximumLength").toString(), "DeskAB|123456789012345|32");
    call(at(1, "addressField"), "selectAll");
    m_main.key(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text() + text(1, "stateLabel"), QStringLiteral("123456789012345Disconnected"));
    call(m_main.sideBar(), "closeEntry", {1});
    m_main.unload();
    QSettings settings(settingsPath(), QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("monitorName")).toString() + settings.value(QStringLiteral("state_mon")).toString(), "DeskAB123456789012345");
    QVERIFY(m_main.load());
    m_main.key(Qt::Key_X, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(text(1, "addressField"), QStringLiteral("123456789012345"));
    // The right button opens the field's edit menu; its Paste replaces the selection.
    QQuickItem *name = item(at(1, "nameField"));
    // The offscreen platform of the tests cannot grab the mouse and keyboard for the menu's popup.
    m_log->allow(QStringLiteral("This plugin does not support grabbing"));
    QTest::mouseClick(m_main.window(), Qt::RightButton, Qt::NoModifier, name->mapToScene(QPointF(name->width() / 2, name->height() / 2)).toPoint());
    QObject *menu = find(name, QStringLiteral("lineFieldMenu"));
    QVERIFY(menu);
    QMetaObject::invokeMethod(find(menu, QStringLiteral("selectAllItem")), "trigger");
    QMetaObject::invokeMethod(find(menu, QStringLiteral("pasteItem")), "trigger");
    QCOMPARE(text(1, "nameField"), QStringLiteral("123456789012345"));
}

// The tabs are taller than the window: the wheel scrolls them a step, the bar's track to the end.
void TestMainWindow::tabAreaScrolls()
{
    QVERIFY(m_main.load());
    QObject *area = window("tabArea");
    QQuickItem *bar = item(window("scrollBar"));
    const double range = area->property("contentHeight").toDouble() - area->property("height").toDouble();
    QVERIFY(range > 0 && bar->isVisible() && area->property("contentY").toDouble() == 0);
    const QPointF inside = item(area)->mapToScene(QPointF(400, 300));
    QWheelEvent wheel(inside, inside, QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(m_main.window(), &wheel);
    QCOMPARE(area->property("contentY").toDouble(), 60.0);
    QTest::mouseClick(m_main.window(), Qt::LeftButton, Qt::NoModifier, bar->mapToScene(QPointF(bar->width() / 2, bar->height() - 1)).toPoint());
    QCOMPARE(area->property("contentY").toDouble(), range);
}

void TestMainWindow::exportProfile_data()
{
    QTest::addColumn<QByteArray>("saved");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("theme");
    QTest::addColumn<QByteArray>("profile");
    QTest::newRow("saved themes") << Three << "a.txt" << "" << QByteArray("MONITOR/Hero/127.0.0.2/light,CUBRIX/Grading/127.0.0.1/light,MONITOR/Client/127.0.0.3/light,");
    QTest::newRow("one theme") << Three << "a.txt" << "dark" << QByteArray("MONITOR/Hero/127.0.0.2/dark,CUBRIX/Grading/127.0.0.1/dark,MONITOR/Client/127.0.0.3/dark,");
    QTest::newRow("separators dropped") << QByteArray("0,CUBRIX,127.0.0.1,Left/Right,dark\n") << "b.txt" << "" << QByteArray("CUBRIX/LeftRight/127.0.0.1/dark,");
    QTest::newRow("not written") << Three << "no/such/folder/a.txt" << "" << QByteArray();
}

void TestMainWindow::exportProfile()
{
    QFETCH(QByteArray, saved);
    QFETCH(QString, file);
    QFETCH(QString, theme);
    QFETCH(QByteArray, profile);
    QVERIFY(m_main.load(saved));
    QCOMPARE(call(window("devicesProfile"), "exportProfile", {m_files.filePath(file), theme}).toBool(), !profile.isNull());
    QCOMPARE(readFile(m_files.filePath(file)), profile);
    QCOMPARE(shown(window("exportedDialog")), profile.isNull() ? "Exported Tabs: Your profile could not be saved." : "Exported Tabs: Your profile has been saved.");
}

void TestMainWindow::profiles_data()
{
    QTest::addColumn<QByteArray>("text");  // null: no such file
    QTest::addColumn<QString>("entries"); // "type|name|address|theme" joined by ';', or "refused"
    QTest::newRow("two entries") << QByteArray("MONITOR/Hero/127.0.0.2/light,CUBRIX/Grade/127.0.0.1/dark,") << "MONITOR|Hero|127.0.0.2|light;CUBRIX|Grade|127.0.0.1|dark";
    QTest::newRow("empty") << QByteArray("") << "refused";
    QTest::newRow("missing file") << QByteArray() << "refused";
    QTest::newRow("one entry, no trailing comma") << QByteArray("CUBRIX/Grade/127.0.0.1/dark") << "refused";
    QTest::newRow("lower-case type") << QByteArray("monitor/Grade/127.0.0.1/dark,") << "refused";
    QTest::newRow("empty piece in the middle") << QByteArray("CUBRIX/Grade/127.0.0.1/dark,,MONITOR/Hero/127.0.0.2/dark,") << "refused";
    QTest::newRow("leading comma") << QByteArray(",CUBRIX/Grade/127.0.0.1/dark,") << "refused";
    QTest::newRow("wrong type in the last piece") << QByteArray("CUBRIX/Grade/127.0.0.1/dark,scope/x") << "refused";
    QTest::newRow("last piece dropped") << QByteArray("CUBRIX/Grade/127.0.0.1/dark,MONITOR/Hero/127.0.0.2/dark") << "CUBRIX|Grade|127.0.0.1|dark";
    QTest::newRow("line end after the last comma") << QByteArray("CUBRIX/Grade/127.0.0.1/light,\n") << "CUBRIX|Grade|127.0.0.1|light";
    QTest::newRow("missing fields filled in") << QByteArray("CUBRIX,MONITOR/Hero,MONITOR/Client//light,")
                                              << "CUBRIX|New Cubrix|192.0.2.10|dark;MONITOR|Hero|192.0.2.20|dark;MONITOR|Client|192.0.2.20|light";
}

// What a profile text holds; a refused one changes nothing and says so, even after a good one
// was read before.
void TestMainWindow::profiles()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, entries);
    QVERIFY(m_main.load(Three));
    const QVariant parsed = call(window("devicesProfile"), "parseProfile", {QString::fromLatin1(text)});
    QStringList got;
    for (const QVariant &entry : parsed.toList()) {
        const QVariantMap map = entry.toMap();
        got << QStringList({map["type"].toString(), map["name"].toString(), map["address"].toString(), map["theme"].toString()}).join('|');
    }
    QCOMPARE(parsed.isNull() || !parsed.isValid() ? QStringLiteral("refused") : got.join(QLatin1Char(';')), entries);
    if (entries != QLatin1String("refused"))
        return;
    QVERIFY(writeFile(m_files.filePath(QStringLiteral("good.txt")), "CUBRIX/Other/127.0.0.5/dark,"));
    deviceProfile()->importTabs(m_files.filePath(QStringLiteral("good.txt")));
    const QString path = m_files.filePath(QStringLiteral("refused.txt"));
    QFile::remove(path);
    QVERIFY(text.isNull() || writeFile(path, text));
    QCOMPARE(call(window("devicesProfile"), "importProfile", {path}).toBool(), false);
    QCOMPARE(shown(window("importProblemDialog")), QStringLiteral("Problem Importing Profile: Incorrect file structure. Please try another file."));
    QCOMPARE(savedTabs(), Three);
    QVERIFY(m_main.window()->isVisible());
}

// An accepted profile rewrites the saved tabs and a new window starts from them; that one goes
// in turn with the next profile.
void TestMainWindow::importReloadsTheWindow()
{
    QVERIFY(m_main.load(Three));
    QPointer<QQuickWindow> old = m_main.window();
    const auto fresh = [&old]() -> QObject * {
        const QWindowList all = QGuiApplication::topLevelWindows();
        auto found = std::find_if(all.cbegin(), all.cend(), [&](QWindow *w) { return w != old && w->isVisible() && w->objectName() == "mainWindow"; });
        return found == all.cend() ? nullptr : *found;
    };
    const QString path = m_files.filePath(QStringLiteral("import.txt"));
    QVERIFY(writeFile(path, "CUBRIX/Stage Left/127.0.0.7/dark,MONITOR/Stage Right/127.0.0.8/dark,"));
    QCOMPARE(call(window("devicesProfile"), "importProfile", {path}).toBool(), true);
    QCOMPARE(savedTabs(), QByteArray("0,CUBRIX,127.0.0.7,Stage Left,dark\n1,MONITOR,127.0.0.8,Stage Right,dark\n"));
    QTRY_VERIFY_WITH_TIMEOUT(!old->isVisible() && fresh(), 2000);
    QVERIFY(old->property("retired").toBool() && m_main.tabCount() == 0);
    QCOMPARE(find(call(fresh(), "tabItem", {0}).value<QObject *>(), QStringLiteral("nameField"))->property("text").toString(), QStringLiteral("Stage Left"));
    QCOMPARE(call(find(fresh(), QStringLiteral("tabView")), "getTab", {1}).value<QObject *>()->property("title").toString(), QStringLiteral("Stage Right"));
    QVERIFY(writeFile(path, "MONITOR/Solo/127.0.0.9/light,"));
    QPointer<QObject> second = fresh();
    QCOMPARE(call(find(second, QStringLiteral("devicesProfile")), "importProfile", {path}).toBool(), true);
    QTRY_VERIFY_WITH_TIMEOUT(second.isNull() && fresh(), 2000);
    QCOMPARE(find(fresh(), QStringLiteral("tabView"))->property("count").toString() + fresh()->property("mode").toString(), QStringLiteral("1light"));
}

// Ctrl+S and Ctrl+L open their file dialogs, built on first use; the chosen file goes through
// the confirmation to the import (here a refused one, which leaves the tabs as they were).
void TestMainWindow::profileDialogs()
{
    QVERIFY(m_main.load(Three));
    QVERIFY(!window("saveProfileDialog"));
    QStringList seen;
    for (const Qt::Key key : {Qt::Key_S, Qt::Key_L}) {
        QVERIFY(activate(m_main.window()));
        m_main.key(key, Qt::ControlModifier);
        QObject *dialog = window(key == Qt::Key_S ? "saveProfileDialog" : "loadProfileDialog");
        QTRY_VERIFY_WITH_TIMEOUT(dialog->property("visible").toBool(), 2000);
        QVERIFY(finishIncubation(m_main.engine()));
        QMetaObject::invokeMethod(dialog, "close");
        seen << dialog->property("title").toString() << dialog->property("selectExisting").toString() << dialog->property("nameFilters").toStringList().join(',');
    }
    QCOMPARE(seen, QStringList({"Please choose a file", "false", "Text Files (*.txt)", "Please choose a file to import", "true", "Text Files (*.txt),All files (*)"}));
    const QString path = m_files.filePath(QStringLiteral("refused.txt"));
    QVERIFY(writeFile(path, "CUBRIX/Grade/127.0.0.1/dark"));
    bool added = false;
    QVERIFY(QMetaObject::invokeMethod(window("loadProfileDialog"), "addSelection", Q_RETURN_ARG(bool, added), Q_ARG(QUrl, QUrl::fromLocalFile(path))) && added);
    QVERIFY(QMetaObject::invokeMethod(window("loadProfileDialog"), "accepted"));
    // Nothing is imported before the answer.
    QVERIFY(!window("importProblemDialog"));
    QCOMPARE(shown(window("importConfirmDialog")), QStringLiteral("Import Tabs: All current tabs will be deleted. Continue?"));
    QVERIFY(QMetaObject::invokeMethod(window("importConfirmDialog"), "yes"));
    QCOMPARE(deviceProfile()->getInfo(), QStringLiteral("CUBRIX/Grade/127.0.0.1/dark"));
    QCOMPARE(shown(window("importProblemDialog")), QStringLiteral("Problem Importing Profile: Incorrect file structure. Please try another file."));
    QCOMPARE(savedTabs(), Three);
}

// A second press while connecting cancels; typed fields and Ctrl+C connect the visible tab,
// renaming and recording it, and Ctrl+C again disconnects.
void TestMainWindow::connecting()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    QVERIFY(m_main.load());
    auto *cubrix = qobject_cast<DeviceBase *>(m_main.tab(0)->property("device").value<QObject *>());
    cubrix->setPort(fake.port());
    at(0, "addressField")->setProperty("text", fake.address());
    // Both presses before the event loop runs: the second finds the device still connecting.
    call(m_main.tab(0), "toggleConnection");
    const bool lookup = cubrix->state() == QAbstractSocket::HostLookupState;
    QCOMPARE(text(0, "connectButton") + text(0, "stateLabel"), lookup ? "CancelUnknown: 1" : "CancelConnecting");
    call(m_main.tab(0), "toggleConnection");
    QTest::qWait(200);
    QCOMPARE(text(0, "connectButton") + QString::number(cubrix->state()), QStringLiteral("Connect0"));
    click(item(at(0, "nameField")));
    call(at(0, "nameField"), "selectAll");
    type(m_main.window(), QStringLiteral("Grading"));
    m_main.key(Qt::Key_C, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(int(cubrix->state()), int(QAbstractSocket::ConnectedState), 5000);
    QCOMPARE(m_main.tabs().section(QLatin1Char(';'), 0, 0) + m_main.statusText(), "CUBRIX,Grading,Grading," + fake.address() + "Grading");
    QCOMPARE(savedTabs(), QStringLiteral("0,CUBRIX,%1,Grading,dark\n1,MONITOR,192.0.2.20,New Monitor,dark\n").arg(fake.address()).toUtf8());
    QTRY_VERIFY_WITH_TIMEOUT(!item(at(0, "connectionGroup"))->isVisible(), 2000);
    m_main.key(Qt::Key_C, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(item(at(0, "connectionGroup"))->isVisible(), 5000);
    QCOMPARE(int(cubrix->state()), int(QAbstractSocket::UnconnectedState));

    // Closing a connected tab asks first, and says so when a file is still on its way.
    const auto closeFirst = [this] {
        click(item(findIf(m_main.window(), [](QObject *o) { return o->objectName() == "closeButton" && item(o)->isVisible(); }).value(0)));
    };
    // Space presses the focused button.
    item(at(0, "connectButton"))->forceActiveFocus();
    m_main.key(Qt::Key_Space);
    QTRY_COMPARE_WITH_TIMEOUT(int(cubrix->state()), int(QAbstractSocket::ConnectedState), 5000);
    QVERIFY(fake.waitForCommands(1) && QTest::qWaitFor([cubrix] { return cubrix->socketHandler()->queuedCount() == 0; }, 5000));
    closeFirst();
    QCOMPARE(shown(window("closeTabQuestion")), QStringLiteral("Close Grading: Grading is connected. Closing the tab disconnects it. Close it?"));
    fake.setSilent(true);
    const QString firmware = m_files.filePath(QStringLiteral("firmware.bin"));
    QVERIFY(writeFile(firmware, QByteArray(4096, 'f')));
    cubrix->updateFirmware(QUrl::fromLocalFile(firmware));
    closeFirst();
    QVERIFY(shown(window("closeTabQuestion")).contains(QLatin1String("An upload to Grading is still in progress")));
    QCOMPARE(m_main.tabCount(), 2);
    closeFirst();
    QVERIFY(QTest::qWaitFor([this] { return window("closeTabQuestion")->property("visible").toBool(); }, 2000));
    QMetaObject::invokeMethod(window("closeTabQuestion"), "yes");
    QCOMPARE(m_main.tabs().section(QLatin1Char(','), 0, 1), QStringLiteral("MONITOR,New Monitor"));
    QMetaObject::invokeMethod(window("closeTabQuestion"), "close");
}

void TestMainWindow::errorDialogs_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("identity"); // model/serial of the monitor
    QTest::addColumn<QString>("error");    // the signal and its arguments
    QTest::addColumn<QString>("dialog");   // "<none>", or "title: text"
    const QString monitorText = QStringLiteral("Protocol error: protocol number: 784\n request number: 769\n status number: %1");
    // RV monitors answer this request with status 1 in normal operation.
    QTest::newRow("RV serial") << 1 << "/rv0001" << "protocolError 784 769 1" << "<none>";
    QTest::newRow("RV model") << 1 << "RV-2700/X1" << "protocolError 784 769 1" << "<none>";
    QTest::newRow("RV, another status") << 1 << "RV-3100/RV31A00427" << "protocolError 784 769 2" << monitorText.arg(2);
    QTest::newRow("RVQ monitor") << 1 << "RVQ-3100/Q31B00118" << "protocolError 784 769 1" << monitorText.arg(1);
    QTest::newRow("other monitor") << 1 << "LM-2410/LM24C00981" << "protocolError 784 769 1" << monitorText.arg(1);
    QTest::newRow("Cubrix protocol error") << 0 << "" << "protocolError 1 32 5"
                                           << "Protocol error: Error Status: 5\nProtocol number: 1\nHeader Request: 32\n\nDetails:  " + getProtocolMessage(1);
    QTest::newRow("communication error") << 0 << "" << "commError 1 32 5" << "Communication error: protocol number: 1\n request number: 32\n error number: 5";
    QTest::newRow("Cubrix firmware") << 0 << "" << "updateFirmwareComplete" << "Wait for Firmware Update: Firmware received! Please wait 2 minutes then power cycle Cubrix.";
    QTest::newRow("monitor firmware") << 1 << "" << "updateFirmwareComplete"
                                      << "Wait for Firmware Update: Firmware received! Please wait 2 minutes then power cycle the monitor.";
    QTest::newRow("socket read") << 1 << "" << "socketReadException read failed" << "Socket Read Error: read failed";
    QTest::newRow("socket write") << 0 << "" << "socketWriteException write failed" << "Socket Write Error: write failed";
}

void TestMainWindow::errorDialogs()
{
    QFETCH(int, tab);
    QFETCH(QString, identity);
    QFETCH(QString, error);
    QFETCH(QString, dialog);
    QVERIFY(m_main.load());
    QObject *device = m_main.tab(tab)->property("device").value<QObject *>();
    device->setProperty("model", identity.section(QLatin1Char('/'), 0, 0));
    device->setProperty("serial", identity.section(QLatin1Char('/'), 1));
    const QStringList words = error.split(QLatin1Char(' '));
    const QByteArray signal = words.first().toLatin1();
    // Twice: one dialog (built when first needed) serves every error of the tab.
    for (int round = 0; round < 2; ++round) {
        QVERIFY(words.size() == 1 ? QMetaObject::invokeMethod(device, signal)
                : words.size() == 4 ? QMetaObject::invokeMethod(device, signal, Q_ARG(int, words[1].toInt()), Q_ARG(int, words[2].toInt()), Q_ARG(int, words[3].toInt()))
                                    : QMetaObject::invokeMethod(device, signal, Q_ARG(QString, error.section(' ', 1)), Q_ARG(QString, QString())));
        QCOMPARE(shown(find(m_main.tab(tab), QStringLiteral("errorDialog"))), dialog);
    }
    QCOMPARE(findAll(m_main.tab(tab), QStringLiteral("errorDialog")).size(), dialog == QLatin1String("<none>") ? 0 : 1);
}

bool TestMainWindow::connectTo(int tab, FakeDevice &fake)
{
    DeviceBase *dev = device(tab);
    dev->setPort(fake.port());
    at(tab, "addressField")->setProperty("text", fake.address());
    call(m_main.tab(tab), "toggleConnection");
    return QTest::qWaitFor([dev] { return dev->state() == QAbstractSocket::ConnectedState && dev->socketHandler()->queuedCount() == 0
                                          && dev->socketHandler()->inFlight().protocol == 0; }, 5000);
}

// The tab shows what runs and how it ended, green or red; the current tab's outcomes reach the
// status bar under its title; a large upload shows its bar until the device answers.
void TestMainWindow::feedback()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    QVERIFY(m_main.load(Three));
    m_main.key(Qt::Key_2, Qt::ControlModifier);
    QVERIFY(connectTo(1, fake));
    QCOMPARE(item(at(1, "activityArea"))->isVisible(), false);
    device(1)->setTally(true, false);
    QVERIFY(item(at(1, "activityText"))->isVisible());
    QCOMPARE(text(1, "activityText"), QStringLiteral("Setting the tally lamps"));
    QTRY_COMPARE_WITH_TIMEOUT(shownOutcome(1), QStringLiteral("Tally lamps set|#1a7f1a"), 5000);
    QVERIFY(!item(at(1, "activityText"))->isVisible());
    QCOMPARE(m_main.statusText(), QStringLiteral("Grading: Tally lamps set"));
    fake.setResponder([](const FakeDevice::Command &c) { return FakeDevice::errorReply(c.protocol, c.request, 5); });
    device(1)->setTally(false, true);
    QTRY_VERIFY_WITH_TIMEOUT(shownOutcome(1).startsWith("Setting the tally lamps failed: "), 5000);
    QVERIFY(shownOutcome(1).endsWith(QLatin1String(" (status 5)|#c00000")));
    // Another tab's outcome stays in its own tab.
    device(0)->reportOutcome(QStringLiteral("Elsewhere"), true);
    QCOMPARE(m_main.statusText(), "Grading: " + text(1, "outcomeText"));

    fake.setResponder(FakeDevice::Responder());
    fake.setSilent(true);
    const QString firmware = m_files.filePath(QStringLiteral("big.img"));
    QVERIFY(writeFile(firmware, QByteArray(3 << 20, 'f')));
    device(1)->updateFirmware(QUrl::fromLocalFile(firmware));
    QTRY_VERIFY_WITH_TIMEOUT(at(1, "transferBar") && at(1, "transferBar")->property("value").toDouble() == double(3 << 20), 5000);
    QVERIFY(item(at(1, "transferBar"))->isVisible() && text(1, "transferText").startsWith(QLatin1String("3.0 of 3.0 MiB")));
    QCOMPARE(at(1, "transferBar")->property("maximumValue").toDouble(), double(3 << 20));
    const FakeDevice::Command upload = fake.received().last();
    fake.send(FakeDevice::message(upload.protocol, upload.request));
    QTRY_VERIFY_WITH_TIMEOUT(!at(1, "transferRow") || !item(at(1, "transferRow"))->isVisible(), 5000);
    QCOMPARE(shownOutcome(1), QStringLiteral("Firmware big.img accepted by the device|#1a7f1a"));
    shown(find(m_main.tab(1), QStringLiteral("errorDialog")));
}

void TestMainWindow::transferLine_data()
{
    QTest::addColumn<QVariantList>("arguments"); // sent, total, rate (bytes/s), seconds left
    QTest::addColumn<QString>("line");
    const double MiB = 1024 * 1024;
    QTest::newRow("rate and time") << QVariantList{12 * MiB, 64 * MiB, 8.5 * MiB, 6.2} << QStringLiteral("12.0 of 64.0 MiB \u00b7 8.5 MiB/s \u00b7 7 s left");
    QTest::newRow("nothing known yet") << QVariantList{0, 2 * MiB, 0, -1} << QStringLiteral("0.0 of 2.0 MiB");
    QTest::newRow("minutes") << QVariantList{1.25 * MiB, 100 * MiB, 0.8 * MiB, 125} << QStringLiteral("1.3 of 100.0 MiB \u00b7 0.8 MiB/s \u00b7 2 min 5 s left");
}

void TestMainWindow::transferLine()
{
    QFETCH(QVariantList, arguments);
    QFETCH(QString, line);
    QVERIFY(m_main.load());
    QCOMPARE(call(at(0, "activityArea"), "transferLine", arguments).toString(), line);
}

// Ctrl+D and the View menu show and hide the current tab's log; it lists the device's entries,
// saves them as text (and says so), and clears them.
void TestMainWindow::deviceLog()
{
    FakeDevice fake;
    QVERIFY(fake.listen());
    QVERIFY(m_main.load(Three));
    QVERIFY(connectTo(0, fake));
    // The key works before the menus are built, and then as their entry's.
    QVERIFY(!item(at(0, "deviceLogLoader"))->isVisible() && !window("deviceLogMenuItem"));
    m_main.key(Qt::Key_D, Qt::ControlModifier);
    QObject *menuItem = menuEntry("deviceLogMenuItem");
    QVERIFY(item(at(0, "deviceLogLoader"))->isVisible() && menuItem->property("checked").toBool());
    DeviceLog *log = device(0)->deviceLog();
    QCOMPARE(at(0, "deviceLogList")->property("count").toInt(), log->count());
    // Each entry shows its time.
    QObject *shownTime = findAll(at(0, "deviceLogList"), QStringLiteral("deviceLogTime")).value(0);
    QVERIFY(shownTime && QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3}$")).match(shownTime->property("text").toString()).hasMatch());
    const QString path = m_files.filePath(QStringLiteral("device log.txt"));
    QCOMPARE(call(at(0, "deviceLogPanel"), "saveTo", {QUrl::fromLocalFile(path)}).toBool(), true);
    QVERIFY(readFile(path).contains(QStringLiteral("connecting to %1:%2").arg(fake.address()).arg(fake.port()).toUtf8()));
    QCOMPARE(shownOutcome(0), "Device log saved to " + path + "|#1a7f1a");
    QCOMPARE(at(0, "deviceLogSaveDialog")->property("nameFilters").toStringList().join(',') + at(0, "deviceLogSaveDialog")->property("selectExisting").toString(),
             QStringLiteral("Text files (*.txt)false"));
    m_log->allow(QStringLiteral("no/such"));
    QCOMPARE(call(at(0, "deviceLogPanel"), "saveTo", {QUrl::fromLocalFile(m_files.filePath("no/such/log.txt"))}).toBool(), false);
    QVERIFY(shownOutcome(0).endsWith(QLatin1String("no/such/log.txt|#c00000")));
    click(item(at(0, "deviceLogClearButton")));
    QCOMPARE(at(0, "deviceLogList")->property("count").toInt(), 0);
    // The menu acts on the current tab.
    m_main.key(Qt::Key_3, Qt::ControlModifier);
    QVERIFY(!menuItem->property("checked").toBool());
    QVERIFY(QMetaObject::invokeMethod(menuItem, "trigger"));
    QVERIFY(item(at(2, "deviceLogLoader"))->isVisible() && menuItem->property("checked").toBool());
    m_main.key(Qt::Key_D, Qt::ControlModifier);
    QVERIFY(!item(at(2, "deviceLogLoader"))->isVisible() && !menuItem->property("checked").toBool());
}

// The tab says why a connection failed; a connection ended by the device is tried again, the
// scope and capture windows stay open meanwhile, and Cancel (here Ctrl+C) stops the retries and
// closes them.
void TestMainWindow::reconnecting()
{
    QVERIFY(m_main.load(Three));
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress(QStringLiteral("127.0.0.1"))));
    const quint16 refusing = closed.serverPort();
    closed.close();
    device(0)->setPort(refusing);
    at(0, "addressField")->setProperty("text", "127.0.0.1");
    call(m_main.tab(0), "toggleConnection");
    // What the line says is the keeper's to decide (its own tests check the words).
    QTRY_VERIFY_WITH_TIMEOUT(!device(0)->connection()->status().isEmpty() && int(device(0)->state()) == int(QAbstractSocket::UnconnectedState), 5000);
    QVERIFY(item(at(0, "connectionStatus"))->isVisible());
    QCOMPARE(text(0, "connectionStatus"), device(0)->connection()->status());

    FakeDevice fake;
    QVERIFY(fake.listen());
    QVERIFY(connectTo(0, fake));
    QObject *page = at(0, "monitorGeneralPage");
    call(page, "openCapture");
    QObject *capture = page->property("captureWindow").value<QObject *>();
    QVERIFY(capture && capture->property("visible").toBool());
    fake.dropClient();
    QTRY_COMPARE_WITH_TIMEOUT(text(0, "connectionStatus"), QStringLiteral("Reconnecting (attempt 1): closed by the device"), 5000);
    QTest::qWait(50);
    QVERIFY(capture->property("visible").toBool() && item(at(0, "connectionGroup"))->isVisible());
    QCOMPARE(text(0, "connectButton") + text(0, "stateLabel"), QStringLiteral("CancelDisconnected"));
    QVERIFY(activate(m_main.window()));
    m_main.key(Qt::Key_C, Qt::ControlModifier);
    QVERIFY(!device(0)->connection()->reconnecting());
    QCOMPARE(text(0, "connectButton"), QStringLiteral("Connect"));
    QTRY_VERIFY_WITH_TIMEOUT(!capture->property("visible").toBool(), 2000);
    QTest::qWait(ConnectionKeeper::FirstRetryDelayMs + 200);
    QCOMPARE(int(device(0)->state()), int(QAbstractSocket::UnconnectedState));
}

// "Reconnect automatically" is on at first, reaches every tab's device, and is remembered.
void TestMainWindow::autoReconnectSetting()
{
    // Each tab's device, then the menu entry.
    const auto state = [this] {
        QString on;
        for (int tab = 0; tab < m_main.tabCount(); ++tab)
            on += device(tab)->connection()->autoReconnect() ? '1' : '0';
        return on + (menuEntry("autoReconnectMenuItem")->property("checked").toBool() ? "+" : "-");
    };
    QVERIFY(m_main.load(Three));
    QString seen = state();
    QVERIFY(QMetaObject::invokeMethod(menuEntry("autoReconnectMenuItem"), "trigger"));
    seen += ' ' + state();
    QVERIFY(m_main.load(Three));
    seen += ' ' + state();
    QCOMPARE(seen, QStringLiteral("111+ 000- 000-"));
}

void TestMainWindow::scripts_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("result");
    const auto row = [](const char *expression, const char *result) { QTest::newRow(expression) << expression << result; };
    // The device types: exact names, and the family prefixes of the serial.
    row("['Cubrix', 'Cubrix Mono DP', 'Cubrix Mono SDI', 'cubrix', 'Cubrix ', 'Cubrix Mono', 'KT-2400'].map(m => Type.isCubrix(m))", "true,true,true,false,false,false,false");
    row("['KT-2400', 'RV-3100', 'LM-2410', 'TL-2410', 'Cubrix', 'XY-100', ''].map(m => Type.isMonitor(m))", "true,true,true,true,false,false,false");
    row("['rv1', 'RV1', 'q1', 'Q1', 'XRV1', 'Rv1'].map(s => Type.isMonitor2('XY-100', s)).concat(Type.isMonitor2('KT-2400'))", "true,true,true,true,false,false,true");
    row("[Type.isKTseries('KT-1700'), Type.isKTseries('RV-3100'), Type.isKTseries('XY-100', 'KT0001')]", "true,false,false");
    row("[['', 'RV31'], ['', 'rv31'], ['RV-2700', 'X'], ['XY'], ['RVQ-3100', 'Q31'], ['KT-2400', 'KT24']].map(a => Type.isRVseries(a[0], a[1]))",
        "true,true,true,false,false,false");
    row("[['', 'Q31'], ['', 'q1'], ['RVQ-3100', ''], ['RV-3100', 'RV31']].map(a => Type.isRVQseries(a[0], a[1]))", "true,true,true,false");
    // The RV calibration boxes name "User" slots for this model: an RVQ monitor.
    row("Type.isRVQseries(Type.rvqModelCode, '') && Type.isMonitor(Type.rvqModelCode)", "true");
    // Pages and windows whose file is not there are skipped (a debug line); a page gets the device.
    row("[Creation.loadPage(loader, 'qrc:/cubrix/NotWrittenYet.qml', device), Creation.createObject('qrc:/common/NotThere.qml', root, {})]", "false,");
    row("Creation.loadPage(loader, 'qrc:/cubrix/Info.qml', device) && loader.item.loadedHardware.objectName", "device");
    row("Creation.createObject('qrc:/monitor/GeneralPage.qml', root, { 'objectName': 'created' }).objectName", "created");
    row("Creation.withoutSeparators('A,B/C 127.0.0.1')", "ABC 127.0.0.1");
    row("['file:///home/u/p.txt', 'file:///home/u/my%20tabs.txt', 'file:///C:/Users/t.txt', '/tmp/t.txt'].map(Creation.localPath)",
        "/home/u/p.txt,/home/u/my tabs.txt,C:/Users/t.txt,/tmp/t.txt");
}

void TestMainWindow::scripts()
{
    QFETCH(QString, expression);
    QFETCH(QString, result);
    QQmlExpression script(qmlContext(m_probe.get()), m_probe.get(), QStringLiteral("String(%1)").arg(expression));
    const QString got = script.evaluate().toString();
    QCOMPARE(script.hasError() ? script.error().toString() : got, result);
}

// Every picture of the resource sets decodes; the icon containers carry their magic number.
// The menus, built when first opened, sit under their titles and act on the window.
void TestMainWindow::menus()
{
    QVERIFY(m_main.load(Three));
    QObject *bar = window("mainMenuBar");
    QVERIFY(!bar->property("menusBuilt").toBool());
    QStringList titles;
    for (int i = 0; i < bar->property("titles").toStringList().size(); ++i)
        titles << call(bar, "menu", {i}).value<QObject *>()->property("title").toString();
    QCOMPARE(titles, bar->property("titles").toStringList());
    QObject *manage = call(bar, "menu", {1}).value<QObject *>();
    QVERIFY(QMetaObject::invokeMethod(QQmlListReference(manage, "items").at(1), "trigger"));
    QCOMPARE(m_main.tabCount(), 4);
    QCOMPARE(m_main.tabTitle(m_main.currentIndex()), QStringLiteral("New Monitor"));
}

void TestMainWindow::resources()
{
    QStringList checked;
    for (QDirIterator it(QStringLiteral(":/"), QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        if (path.startsWith(QLatin1String(":/qt-project.org")) || !QRegularExpression(QStringLiteral("\\.(png|jpg|ico|icns)$")).match(path).hasMatch())
            continue;
        QVERIFY2(path.endsWith(QLatin1String(".icns")) ? readFile(path).startsWith("icns") : !QImageReader(path).read().isNull(), qPrintable(path));
        checked << path;
    }
    QVERIFY2(checked.size() > 20 && checked.contains(":/monitor/kt-series.jpg") && checked.contains(":/cubrix/images/Cubrix.icns"), qPrintable(checked.join(' ')));
}

BREVANTO_QML_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
