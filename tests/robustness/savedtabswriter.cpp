// Helper of tst_savedtabs_crash: rewrites "savedTabs.conf" through SessionManager as fast as it
// can until it is killed (or, at the latest, after a minute). Each round does what the program
// does at start (read the list, which rewrites it) and then builds a new list tab by tab, each
// addition saving the whole list. Every name carries the round, so the test can tell which
// version of the list a file holds.
//
// The data folder comes from XDG_DATA_HOME, set by the test. Prints "ready" once the first
// list is on disk.
#include "session/sessionmanager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Brevanto"));
    QCoreApplication::setApplicationName(QStringLiteral("SavedTabsCrash"));
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});

    QElapsedTimer clock;
    clock.start();
    bool told = false;
    for (int round = 1; clock.elapsed() < 60000; ++round) {
        {
            SessionManager atStart;
            atStart.readFromDisk();
        }
        SessionManager writer;
        const int tabs = 1 + (round * 7) % 40;
        for (int i = 0; i < tabs; ++i) {
            const bool cubrix = (round + i) % 2 == 1;
            writer.addTab(static_cast<uchar>(i), cubrix ? QStringLiteral("CUBRIX") : QStringLiteral("MONITOR"),
                          QStringLiteral("127.0.%1.%2").arg(round % 250).arg(i + 1),
                          QStringLiteral("r%1-t%2-").arg(round).arg(i) + QString(120, QLatin1Char('n')),
                          round % 3 == 0 ? QStringLiteral("light") : QStringLiteral("dark"));
        }
        if (!told) {
            std::printf("ready\n");
            std::fflush(stdout);
            told = true;
        }
    }
    return 0;
}
