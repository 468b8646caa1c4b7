// Opening a Cubrix tab must cost no more than opening a monitor tab plus a small margin: the
// Cubrix controls page (with the LUT page) is built for every tab shown, and the identity tables
// that clear LUT slots (about 1.2 MB of text) are made only when a slot is cleared.
//
// Times, each the median of several runs:
//   - opening a tab cold: a fresh QML engine per run, so every document is loaded and compiled
//     again ("maintab_cubrix.qml" with the Cubrix controls page against "maintab_monitor.qml"
//     with the monitor page), and connecting its device (to the bench's own socket: the pages
//     are built when the device starts to connect), until the first page exists;
//   - opening a tab warm: the same engine again, documents already compiled;
//   - the Cubrix controls page filling in when a connected box first reports a mode (the
//     parts of the page that wait for the box), per mode, with a fresh engine per run;
//   - building the identity tables on the first "Delete LUT".
// Prints the figures, the margin of the Cubrix tab over the monitor tab, and whether it stays
// within the allowed margin (25 % or 20 ms, whichever is larger); the cold Cubrix tab is the
// benchmark table's figure (target: under 150 ms). Runs headless.
// Usage: bench_tabopen [runs]   (default 9)

#include "bench/common/benchobjects.h"
#include "app/qmlregistry.h"
#include "bench/common/benchresult.h"
#include "cubrix/cubrix.h"
#include "lut/identitylut.h"
#include "monitor/monitor.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHostAddress>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QSet>
#include <QTcpServer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

// Spins the event loop until `ready` holds (at most 10 s); false on time-out.
bool spinUntil(const std::function<bool()> &ready)
{
    QElapsedTimer timer;
    timer.start();
    while (!ready()) {
        if (timer.elapsed() > 10000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

double elapsedMs(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1.0e6;
}

struct TabKind {
    const char *label;
    const char *url;
    QStringList pages;
};

const TabKind CubrixTab{"Cubrix tab", "qrc:/maintab_cubrix.qml", {QStringLiteral("cubrixGeneralPage")}};
const TabKind MonitorTab{"Monitor tab", "qrc:/maintab_monitor.qml", {QStringLiteral("monitorGeneralPage")}};

// A window like the main window's tab area, in which a tab is created as the tab view does.
class Stage
{
public:
    explicit Stage(QTcpServer &server) : m_server(server)
    {
        m_window.resize(1020, 750);
        m_window.show();
    }

    QQuickWindow &window() { return m_window; }

    // Creates the tab and spins until its pages exist; returns the time taken, or -1.
    double open(QQmlEngine &engine, const TabKind &kind, std::unique_ptr<QObject> *tab)
    {
        QElapsedTimer timer;
        timer.start();
        QQmlComponent component(&engine, QUrl(QString::fromLatin1(kind.url)));
        QObject *created = component.create();
        if (!created) {
            std::fprintf(stderr, "%s: %s\n", kind.url, qPrintable(component.errorString()));
            return -1.0;
        }
        tab->reset(created);
        auto *item = qobject_cast<QQuickItem *>(created);
        item->setParentItem(m_window.contentItem());
        item->setSize(QSizeF(800, 1300));
        // A tab builds its pages when its device starts to connect: to the bench's own socket.
        auto *device = qobject_cast<DeviceBase *>(created->property("device").value<QObject *>());
        if (!device) {
            std::fprintf(stderr, "%s: no device\n", kind.url);
            return -1.0;
        }
        device->setPort(m_server.serverPort());
        device->setAddress(QStringLiteral("127.0.0.1"));
        device->deviceConnect();
        const bool ready = spinUntil([&] {
            for (const QString &page : kind.pages) {
                if (!Bench::findObject(created, page))
                    return false;
            }
            return true;
        });
        const double ms = elapsedMs(timer);
        if (!spinUntil([&] { return device->state() == QAbstractSocket::ConnectedState && m_server.hasPendingConnections(); }))
            return -1.0;
        delete m_server.nextPendingConnection();
        return ready ? ms : -1.0;
    }

private:
    QTcpServer &m_server;
    QQuickWindow m_window;
};

struct ModeCase {
    const char *label;
    int mode;
    int channel;
    const char *row;
};

const ModeCase ModeCases[] = {
    {"mode 1", 1, 0, "lutRowMode1"},
    {"mode 2, channel 1", 2, 1, "lutRowMode2Ch1"},
    {"mode 2, channel 2", 2, 2, "lutRowMode2Ch2"},
    {"mode 3", 3, 0, "lutRowMode3"},
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Every cold run compiles the documents again, as the first tab of a session does.
    qputenv("QML_DISABLE_DISK_CACHE", "1");
    // A throw-away settings and data folder: the tabs read and write the settings store.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache, true);
    QGuiApplication app(argc, argv);
    QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    QQuickStyle::setStyle(QStringLiteral("Material"));
    registerQmlTypes();
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwick"));
    QCoreApplication::setApplicationName(QStringLiteral("Brevanto-bench"));
    // Only the figures on the terminal.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type >= QtWarningMsg)
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    QTcpServer server;
    if (!server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0)) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1\n");
        return 1;
    }
    Stage stage(server);

    // Tabs, cold and warm, alternating the kinds so that neither gains from the other's order.
    std::vector<double> cold[2], warm[2];
    const TabKind *kinds[2] = {&CubrixTab, &MonitorTab};
    {
        // Loads the shared modules (Controls, Dialogs, the MNCP types) once before timing.
        QQmlEngine engine;
        std::unique_ptr<QObject> tab;
        stage.open(engine, MonitorTab, &tab);
        tab.reset();
        stage.open(engine, CubrixTab, &tab);
    }
    for (int run = 0; run < runs; ++run) {
        for (int k = 0; k < 2; ++k) {
            const TabKind &kind = *kinds[(run + k) % 2];
            const int index = (run + k) % 2;
            QQmlEngine engine;
            std::unique_ptr<QObject> tab;
            const double first = stage.open(engine, kind, &tab);
            tab.reset();
            const double again = stage.open(engine, kind, &tab);
            tab.reset();
            if (first < 0 || again < 0)
                return 1;
            cold[index].push_back(first);
            warm[index].push_back(again);
        }
    }

    // The Cubrix controls page filling in when the box reports a mode (fresh engine per run).
    std::vector<double> modeTimes[4];
    for (int run = 0; run < runs; ++run) {
        for (int m = 0; m < 4; ++m) {
            QQmlEngine engine;
            std::unique_ptr<QObject> tab;
            if (stage.open(engine, CubrixTab, &tab) < 0)
                return 1;
            auto *cubrix = qobject_cast<Cubrix *>(Bench::findObject(tab.get(), QStringLiteral("cubrixDevice")));
            if (!cubrix)
                return 1;
            QObject *page = Bench::findObject(tab.get(), QStringLiteral("cubrixGeneralPage"));
            QElapsedTimer timer;
            timer.start();
            cubrix->setModel(QStringLiteral("Cubrix"));
            cubrix->setBoxMode(ModeCases[m].mode);
            cubrix->setBoxCh(ModeCases[m].channel);
            const QString row = QString::fromLatin1(ModeCases[m].row);
            if (!spinUntil([&] {
                    auto *rowItem = qobject_cast<QQuickItem *>(Bench::findObject(page, row));
                    return rowItem && rowItem->isVisible() && Bench::findObject(page, QStringLiteral("launchComponents"));
                }))
                return 1;
            modeTimes[m].push_back(elapsedMs(timer));
            cubrix->deviceDisconnect();
        }
    }

    // The identity tables, the first time a slot is cleared.
    QElapsedTimer identity;
    identity.start();
    const qsizetype identityBytes = IdentityLut::rampText().size() + IdentityLut::cubeText17().size()
                                    + IdentityLut::cubeText33().size();
    const double identityMs = elapsedMs(identity);

    const double cubrixCold = Bench::median(cold[0]), monitorCold = Bench::median(cold[1]);
    const double cubrixWarm = Bench::median(warm[0]), monitorWarm = Bench::median(warm[1]);
    std::printf("Opening a device tab until its pages exist (median of %d runs, ms):\n", runs);
    std::printf("  %-14s cold %8.2f   warm %8.2f\n", CubrixTab.label, cubrixCold, cubrixWarm);
    std::printf("  %-14s cold %8.2f   warm %8.2f\n", MonitorTab.label, monitorCold, monitorWarm);
    const double margin = cubrixCold - monitorCold;
    const double allowed = std::max(20.0, 0.25 * monitorCold);
    std::printf("Margin of the Cubrix tab over the monitor tab: cold %+.2f ms (%+.1f %%), warm %+.2f ms\n", margin,
                monitorCold > 0 ? 100.0 * margin / monitorCold : 0.0, cubrixWarm - monitorWarm);
    std::printf("Allowed margin: %.2f ms -> %s\n", allowed, margin <= allowed ? "within" : "EXCEEDED");
    std::printf("Cubrix controls page filling in on the first mode report (median, fresh engine, ms):\n");
    for (int m = 0; m < 4; ++m)
        std::printf("  %-18s %8.2f\n", ModeCases[m].label, Bench::median(modeTimes[m]));
    std::printf("Identity tables for \"Delete LUT\" built on first use: %.2f ms (%lld characters)\n", identityMs,
                static_cast<long long>(identityBytes));
    Bench::result("new Cubrix tab", cubrixCold, "ms", 150, Bench::Goal::Below);
    return 0;
}
