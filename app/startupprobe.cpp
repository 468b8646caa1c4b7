#include "startupprobe.h"

#include <QCoreApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <cstdio>

StartupProbe *StartupProbe::installIfRequested(QQmlApplicationEngine &engine)
{
    if (!qEnvironmentVariableIsSet(EnvironmentVariable))
        return nullptr;
    return new StartupProbe(engine);
}

StartupProbe::StartupProbe(QQmlApplicationEngine &engine) : QObject(&engine), m_engine(engine)
{
    // A document from the resources is created before the engine's constructor returns; one
    // loaded later arrives through objectCreated.
    const QList<QObject *> roots = engine.rootObjects();
    if (!roots.isEmpty())
        watch(roots.first());
    else
        connect(&engine, &QQmlApplicationEngine::objectCreated, this,
                [this](QObject *root, const QUrl &) { watch(root); });
}

void StartupProbe::watch(QObject *root)
{
    if (m_window)
        return;
    auto *window = qobject_cast<QQuickWindow *>(root);
    if (!window) {
        // No window (a load error): nothing would ever be drawn, so say so and end the run.
        std::fprintf(stderr, "startup probe: the first root object is not a window\n");
        QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::exit(1); },
                                  Qt::QueuedConnection);
        return;
    }
    m_window = window;
    // Direct: the time is taken when the swap happens, not when the GUI thread gets to it.
    connect(window, &QQuickWindow::frameSwapped, this, &StartupProbe::onFrameSwapped, Qt::DirectConnection);
}

void StartupProbe::onFrameSwapped()
{
    if (m_reported.exchange(true))
        return;
    std::fputs(Line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
}
