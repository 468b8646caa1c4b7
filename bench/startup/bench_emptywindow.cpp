// The start-up reference of bench_startup: an empty Qt Quick Controls 1 window, loaded from the
// resources by a QQmlApplicationEngine as the program loads its main window, with the program's
// start-up probe. Only useful timed: without BREVANTO_STARTUP_PROBE it does nothing unless asked
// to stay on the screen with --show (so that running every bench executable in turn does not
// leave a window waiting for someone to close it).

#include "app/startupprobe.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    const bool show = argc > 1 && std::strcmp(argv[1], "--show") == 0;
    if (!qEnvironmentVariableIsSet(StartupProbe::EnvironmentVariable) && !show) {
        std::printf("bench_emptywindow: the reference window of bench_startup; run bench_startup "
                    "(or this with --show to see the window)\n");
        return 0;
    }
    // As the program: its shader programs are not cached on disk either.
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache, true);
    QGuiApplication app(argc, argv);
    QQmlApplicationEngine engine(QUrl(QStringLiteral("qrc:/emptywindow.qml")));
    StartupProbe::installIfRequested(engine);
    return app.exec();
}
