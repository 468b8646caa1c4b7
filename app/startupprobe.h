#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>

class QQmlApplicationEngine;
class QQuickWindow;

// Start-up timing aid: with BREVANTO_STARTUP_PROBE set in the environment, the program prints
// the line "first frame" on standard output as soon as its main window has put its first
// frame on the screen, and then quits. A benchmark measures the time from starting the process
// to that line.
class StartupProbe : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *EnvironmentVariable = "BREVANTO_STARTUP_PROBE";
    static constexpr const char *Line = "first frame";

    // Watches the engine's first root window when the environment asks for it; returns the
    // probe (owned by the engine) or nullptr.
    static StartupProbe *installIfRequested(QQmlApplicationEngine &engine);

    explicit StartupProbe(QQmlApplicationEngine &engine);

private:
    void watch(QObject *root);
    // Runs on the thread that swapped the buffers (the render thread of a threaded render loop).
    void onFrameSwapped();

    QQmlApplicationEngine &m_engine;
    QPointer<QQuickWindow> m_window;
    std::atomic_bool m_reported{false};
};
