// The references of bench_memory, each in a process of its own started the way the program
// starts: "empty" shows the empty Qt Quick Controls 1 window of the start-up benchmark, "surfaces"
// four windows of a scope window's size with an empty surface graph each. Once every window has
// drawn, the resident set is sampled as bench_memory samples the program's (once after 500 ms
// for the window, every 500 ms for [seconds] for the graphs) and the highest sample printed as
// "resident MB <value>".
//
// Needs a display with OpenGL (run under xvfb-run with LIBGL_ALWAYS_SOFTWARE=1).
// Usage: bench_memoryreference empty|surfaces [seconds]

#include "bench/common/benchresult.h"
#include "bench/common/benchsupport.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char *argv[])
{
    const bool surfaces = argc > 1 && std::strcmp(argv[1], "surfaces") == 0;
    if (argc < 2 || (!surfaces && std::strcmp(argv[1], "empty") != 0)) {
        std::fprintf(stderr, "usage: bench_memoryreference empty|surfaces [seconds]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache, true);
    QGuiApplication app(argc, argv);
    QQmlApplicationEngine engine(QUrl(surfaces ? QStringLiteral("qrc:/surfacewindows.qml") : QStringLiteral("qrc:/emptywindow.qml")));
    QList<QQuickWindow *> windows;
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        if (auto *quickWindow = qobject_cast<QQuickWindow *>(window))
            windows.append(quickWindow);
    }
    if (windows.size() != (surfaces ? 4 : 1)) {
        std::fprintf(stderr, "bench_memoryreference: the reference windows did not load\n");
        return 1;
    }
    int drawn = 0;
    for (QQuickWindow *window : windows)
        QObject::connect(window, &QQuickWindow::frameSwapped, window, [&drawn, window] {
            if (!window->property("drawn").toBool()) {
                window->setProperty("drawn", true);
                ++drawn;
            }
        });
    if (!Bench::waitFor([&] { return drawn == windows.size(); }, 30000)) {
        std::fprintf(stderr, "bench_memoryreference: a reference window drew nothing (%d of %d drew)\n", drawn, int(windows.size()));
        return 1;
    }
    qint64 peak = 0;
    if (!surfaces) {
        Bench::waitMs(500);
        peak = Bench::statusBytes("VmRSS");
    } else {
        for (int i = 0; i < seconds * 2; ++i) {
            Bench::waitMs(500);
            peak = std::max(peak, Bench::statusBytes("VmRSS"));
        }
    }
    std::printf("resident MB %.1f\n", peak / (1024.0 * 1024.0));
    return 0;
}
