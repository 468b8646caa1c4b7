// Resident set of the program with a monitor tab and a Cubrix tab, first unconnected, then
// connected to simulators with the waveform and the vector window of each tab open and playing,
// against two references measured in the same run (bench_memoryreference): an empty Qt Quick
// Controls 1 window (target: at most 1.15 times it) and four windows showing an empty surface
// graph each (target: at most 1.10 times it).
//
// The program's main window is loaded in this process exactly as the program starts it (same
// attributes, Material style, QML types, translator, names, "qrc:/main.qml" from the same
// resources) with a private home folder whose saved tabs hold the two tabs. The device classes
// connect to port 18181, so the bench points each device at its simulator's port
// (DeviceBase::setPort) before the tab's own connect action. The scope windows are opened and
// started through the pages' and windows' own QML functions. While they play, VmRSS is sampled
// every 500 ms for 10 s; the peak is the figure. Every window must draw frames all along,
// otherwise the bench fails: a figure taken with nothing playing says nothing.
//
// Needs a display with OpenGL (run under xvfb-run with LIBGL_ALWAYS_SOFTWARE=1).
// Usage: bench_memory [seconds]   (default 10)

#include "bench/common/benchobjects.h"
#include "bench/common/benchsupport.h"
#include "app/applicationsetup.h"
#include "app/softwareopengl.h"
#include "bench/common/benchresult.h"
#include "cubrix/cubrix.h"
#include "device/devicebase.h"
#include "monitor/monitor.h"
#include "scope/scopestream.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QHostAddress>
#include <QPointer>
#include <QProcess>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSet>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtDataVisualization/QSurface3DSeries>
#include <QtDataVisualization/QSurfaceDataProxy>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

using QtDataVisualization::QSurface3DSeries;
using QtDataVisualization::QSurfaceDataProxy;

namespace {

constexpr int SampleIntervalMs = 500;
constexpr int SettleMs = 2000;
// Each window must draw at least this many frames per second of sampling: the simulators send
// 25 a second, but with software OpenGL four surface graphs draw only a few each second (fewer
// on a loaded machine). A window that stopped would draw none.
constexpr double MinimumFramesPerSecond = 0.5;

QVariant callQml(QObject *object, const char *function, const QVariantList &arguments = {})
{
    QVariant result;
    QGenericArgument args[2];
    for (int i = 0; i < arguments.size() && i < 2; ++i)
        args[i] = Q_ARG(QVariant, arguments.at(i));
    if (!object || !QMetaObject::invokeMethod(object, function, Q_RETURN_ARG(QVariant, result), args[0], args[1]))
        std::fprintf(stderr, "bench_memory: cannot call %s\n", function);
    return result;
}

// One simulator process on 127.0.0.1 with a free port; its log goes to a file so that this
// process does not hold it in memory.
class Simulator
{
public:
    Simulator(const QString &label, const QStringList &arguments, const QString &logFile)
        : m_label(label), m_arguments(arguments), m_logFile(logFile)
    {
    }
    ~Simulator() { stop(); }

    bool start()
    {
        const QString program = Bench::buildPath(QStringLiteral("tools/brevanto-sim/brevanto-sim"));
        if (!QFileInfo(program).isExecutable()) {
            std::fprintf(stderr, "bench_memory: %s not found\n", qPrintable(program));
            return false;
        }
        // A port found free can be taken before the simulator binds it: a few tries.
        for (int attempt = 0; attempt < 3; ++attempt) {
            stop();
            QFile::remove(m_logFile);
            QTcpServer probe;
            if (!probe.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0))
                return false;
            m_port = probe.serverPort();
            probe.close();
            m_process = std::make_unique<QProcess>();
            m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            m_process->setStandardOutputFile(QProcess::nullDevice());
            m_process->start(program, QStringList(m_arguments)
                                          << QStringLiteral("--listen") << QStringLiteral("127.0.0.1")
                                          << QStringLiteral("--port") << QString::number(m_port)
                                          << QStringLiteral("--log-file") << m_logFile);
            if (m_process->waitForStarted(10000)
                && Bench::waitFor([this] { return log().contains("listening on"); }, 10000))
                return true;
        }
        std::fprintf(stderr, "bench_memory: the %s simulator did not start\n", qPrintable(m_label));
        return false;
    }

    void stop()
    {
        if (!m_process)
            return;
        if (m_process->state() != QProcess::NotRunning) {
            m_process->terminate();
            if (!m_process->waitForFinished(5000)) {
                m_process->kill();
                m_process->waitForFinished(5000);
            }
        }
        m_process.reset();
    }

    QByteArray log() const
    {
        QFile file(m_logFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    quint16 port() const { return m_port; }
    const QString &label() const { return m_label; }

private:
    QString m_label;
    QStringList m_arguments;
    QString m_logFile;
    quint16 m_port = 0;
    std::unique_ptr<QProcess> m_process;
};

// One scope window of a tab and the frames its series has been given.
struct ScopeWindow {
    QString label;
    QPointer<QQuickWindow> window;
    QPointer<ScopeStream> stream;
    int frames = 0;
};

struct Tab {
    const char *label;
    const char *tabName;
    const char *deviceName;
    const char *pageName;
    QObject *tab = nullptr;
    DeviceBase *device = nullptr;
    QObject *page = nullptr;
};

bool connectTab(Tab &tab, const Simulator &sim, const std::function<bool()> &ready)
{
    tab.device->setPort(sim.port());
    callQml(tab.tab, "toggleConnection");
    if (!Bench::waitFor([&] { return tab.device->state() == QAbstractSocket::ConnectedState && ready(); }, 20000)) {
        std::fprintf(stderr, "bench_memory: the %s tab did not connect to its simulator\n", tab.label);
        return false;
    }
    return true;
}

bool openAndPlay(Tab &tab, const char *view, const char *windowProperty, std::vector<ScopeWindow> &windows)
{
    callQml(tab.page, "openScope", {QString::fromLatin1(view)});
    auto *window = qobject_cast<QQuickWindow *>(tab.page->property(windowProperty).value<QObject *>());
    if (!window || !Bench::waitFor([window] { return window->isExposed(); }, 20000)) {
        std::fprintf(stderr, "bench_memory: the %s %s window did not open\n", tab.label, view);
        return false;
    }
    auto *series = qobject_cast<QSurface3DSeries *>(window->property("series").value<QObject *>());
    auto *stream = qobject_cast<ScopeStream *>(window->property("stream").value<QObject *>());
    auto *button = qobject_cast<QQuickItem *>(Bench::findObject(window, QStringLiteral("startStopButton")));
    if (!series || !stream || !button || !button->isEnabled()) {
        std::fprintf(stderr, "bench_memory: the %s %s window cannot play\n", tab.label, view);
        return false;
    }
    windows.push_back(ScopeWindow{QStringLiteral("%1 %2").arg(QString::fromLatin1(tab.label), QString::fromLatin1(view)),
                                  window, stream, 0});
    const size_t index = windows.size() - 1;
    QObject::connect(series->dataProxy(), &QSurfaceDataProxy::arrayReset, series,
                     [&windows, index] { ++windows[index].frames; });
    // The window's own Start button.
    QMetaObject::invokeMethod(button, "clicked");
    const int type = QString::fromLatin1(view) == QLatin1String("vector") ? ScopeStream::Vector : ScopeStream::Waveform;
    if (!Bench::waitFor([&] { return stream->isPlaying() & type; }, 5000)) {
        std::fprintf(stderr, "bench_memory: the %s %s window did not start\n", tab.label, view);
        return false;
    }
    return true;
}

double megabytes(qint64 bytes)
{
    return bytes / (1024.0 * 1024.0);
}

// The resident set of a reference process (bench_memoryreference), or a negative value when
// it could not be measured.
double referenceMegabytes(const char *kind, int seconds)
{
    QProcess reference;
    reference.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    reference.start(Bench::buildPath(QStringLiteral("bench/memory/bench_memoryreference")),
                    {QString::fromLatin1(kind), QString::number(seconds)});
    if (!reference.waitForFinished(60000 + 1000 * seconds) || reference.exitCode() != 0) {
        reference.kill();
        reference.waitForFinished(5000);
        std::fprintf(stderr, "bench_memory: the %s reference did not run\n", kind);
        return -1.0;
    }
    const QByteArray line = reference.readAllStandardOutput().trimmed();
    bool ok = false;
    const double value = line.startsWith("resident MB ") ? line.mid(12).toDouble(&ok) : 0.0;
    return ok ? value : -1.0;
}

} // namespace

int main(int argc, char *argv[])
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    // A private home: the saved tabs and settings of the bench never touch the user's.
    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    for (const char *folder : {"home", "config", "data", "cache", "runtime"})
        QDir(root.path()).mkpath(QString::fromLatin1(folder));
    QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("HOME", root.filePath(QStringLiteral("home")).toUtf8());
    qputenv("XDG_CONFIG_HOME", root.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", root.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CACHE_HOME", root.filePath(QStringLiteral("cache")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", root.filePath(QStringLiteral("runtime")).toUtf8());
    const QString savedTabs = root.filePath(QStringLiteral("data/Tarnwick/BrevantosavedTabs.conf"));
    QDir().mkpath(QFileInfo(savedTabs).absolutePath());
    {
        QFile file(savedTabs);
        if (!file.open(QIODevice::WriteOnly)
            || file.write("0,MONITOR,127.0.0.1,Bench Monitor,dark\n1,CUBRIX,127.0.0.1,Bench Cubrix,dark\n") <= 0)
            return 1;
    }

    // As the program's entry point.
    ApplicationSetup::beforeApplication();
    SoftwareOpenGL::chooseGlyphCacheWorkaround();
    QGuiApplication app(argc, argv);
    QTranslator translator;
    ApplicationSetup::application(app, translator);
    // The program logs every scope frame; only warnings are of interest here.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type >= QtWarningMsg)
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });

    // The references first, each alone on the machine.
    const double emptyReference = referenceMegabytes("empty", seconds);
    const double surfacesReference = referenceMegabytes("surfaces", seconds);
    if (emptyReference <= 0 || surfacesReference <= 0)
        return 1;

    Simulator monitorSim(QStringLiteral("monitor"),
                         {QStringLiteral("--role"), QStringLiteral("monitor"), QStringLiteral("--family"), QStringLiteral("kt")},
                         root.filePath(QStringLiteral("monitor-sim.log")));
    Simulator cubrixSim(QStringLiteral("Cubrix"), {QStringLiteral("--role"), QStringLiteral("cubrix")},
                        root.filePath(QStringLiteral("cubrix-sim.log")));
    if (!monitorSim.start() || !cubrixSim.start())
        return 1;

    const qint64 beforeWindow = Bench::statusBytes("VmRSS");
    QQmlApplicationEngine engine(QUrl(QStringLiteral("qrc:/main.qml")));
    auto *mainWindow = qobject_cast<QQuickWindow *>(engine.rootObjects().value(0));
    if (!mainWindow || !Bench::waitFor([mainWindow] { return mainWindow->isExposed(); }, 20000)) {
        std::fprintf(stderr, "bench_memory: the main window did not open\n");
        return 1;
    }
    Bench::waitMs(500);
    const qint64 windowOnly = Bench::statusBytes("VmRSS");

    // In the order of the saved tabs; a tab is built when first shown, as selecting it in the
    // side bar shows it.
    Tab monitorTab{"monitor", "monitorTab", "monitorDevice", "monitorGeneralPage"};
    Tab cubrixTab{"Cubrix", "cubrixTab", "cubrixDevice", "cubrixGeneralPage"};
    int index = 0;
    for (Tab *tab : {&monitorTab, &cubrixTab}) {
        callQml(Bench::findObject(mainWindow, QStringLiteral("tabView")), "selectTab", {index++});
        tab->tab = Bench::findObject(mainWindow, QString::fromLatin1(tab->tabName));
        tab->device = tab->tab ? qobject_cast<DeviceBase *>(Bench::findObject(tab->tab, QString::fromLatin1(tab->deviceName))) : nullptr;
        if (!tab->device || !tab->tab) {
            std::fprintf(stderr, "bench_memory: no %s tab in the window\n", tab->label);
            return 1;
        }
    }
    auto *monitor = qobject_cast<Monitor *>(monitorTab.device);
    auto *cubrix = qobject_cast<Cubrix *>(cubrixTab.device);
    // A tab builds its pages when first shown or connected.
    const auto pageWith = [](Tab &tab, const char *part) {
        tab.page = Bench::findObject(tab.tab, QString::fromLatin1(tab.pageName));
        return tab.page && Bench::findObject(tab.page, QString::fromLatin1(part));
    };
    if (!connectTab(monitorTab, monitorSim, [&] { return monitor->model() == QLatin1String("KT-2400") && pageWith(monitorTab, "launchSection"); })
        || !connectTab(cubrixTab, cubrixSim,
                       [&] { return cubrix->model() == QLatin1String("Cubrix") && cubrix->boxMode() == 1 && pageWith(cubrixTab, "launchComponents"); }))
        return 1;
    Bench::waitMs(500);
    const qint64 connected = Bench::statusBytes("VmRSS");

    std::vector<ScopeWindow> windows;
    windows.reserve(4);
    for (Tab *tab : {&monitorTab, &cubrixTab}) {
        if (!openAndPlay(*tab, "waveform", "waveformWindow", windows) || !openAndPlay(*tab, "vector", "vectorWindow", windows))
            return 1;
    }
    Bench::waitMs(SettleMs);

    // The sampling: VmRSS every 500 ms while everything plays, and the frames drawn meanwhile.
    std::vector<int> framesBefore;
    for (const ScopeWindow &window : windows)
        framesBefore.push_back(window.frames);
    Bench::resetPeakRss();
    std::vector<qint64> samples;
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= seconds * 1000 / SampleIntervalMs; ++i) {
        Bench::waitFor([&] { return clock.elapsed() >= i * SampleIntervalMs; }, 2 * SampleIntervalMs);
        samples.push_back(Bench::statusBytes("VmRSS"));
    }
    const double sampledSeconds = clock.elapsed() / 1000.0;
    const qint64 highWater = Bench::statusBytes("VmHWM");

    bool allPlayed = true;
    std::printf("Scope frames drawn while sampling (%.1f s):\n", sampledSeconds);
    for (size_t i = 0; i < windows.size(); ++i) {
        const ScopeWindow &window = windows[i];
        const int frames = window.frames - framesBefore[i];
        const bool playing = window.window && window.window->isVisible() && window.stream
                             && frames >= MinimumFramesPerSecond * sampledSeconds;
        allPlayed = allPlayed && playing;
        std::printf("  %-18s %5d frames (%.1f per second)%s\n", qPrintable(window.label), frames, frames / sampledSeconds,
                    playing ? "" : "  NOT PLAYING");
    }
    for (const Simulator *sim : {&monitorSim, &cubrixSim})
        std::printf("  %-18s %5d scope requests logged in all\n", qPrintable(sim->label() + QStringLiteral(" simulator")),
                    int(sim->log().count("protocol=0x0403")));
    if (!allPlayed) {
        std::fprintf(stderr, "bench_memory: a scope window did not play; no figure\n");
        return 1;
    }

    const qint64 peak = *std::max_element(samples.begin(), samples.end());
    const qint64 low = *std::min_element(samples.begin(), samples.end());
    std::printf("Resident set (MB): before the window %.1f, window with two tabs %.1f, tabs connected %.1f\n",
                megabytes(beforeWindow), megabytes(windowOnly), megabytes(connected));
    std::printf("  four scope windows playing: %zu samples every %d ms, lowest %.1f, peak %.1f (high-water mark %.1f)\n",
                samples.size(), SampleIntervalMs, megabytes(low), megabytes(peak), megabytes(highWater));
    std::printf("References (MB): empty Controls 1 window %.1f, four empty surface graph windows %.1f\n", emptyReference,
                surfacesReference);
    Bench::result("resident set, window with two tabs", megabytes(windowOnly), "MB", 1.15 * emptyReference, Bench::Goal::Below);
    Bench::result("resident set, two tabs with scopes", megabytes(peak), "MB", 1.10 * surfacesReference, Bench::Goal::Below);

    for (const ScopeWindow &window : windows) {
        if (window.window)
            window.window->close();
    }
    Bench::waitMs(200);
    return 0;
}
