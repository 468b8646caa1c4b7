// Start-up: from starting the process to the first frame of the main window, restoring two saved
// tabs (a Cubrix and a monitor), against an empty Qt Quick Controls 1 window of the same size
// (bench_emptywindow) started the same way. Both run with BREVANTO_STARTUP_PROBE set, print
// "first frame" when their window's first frame has been swapped, and quit. The runs alternate
// between the two (and which goes first), after one untimed run of each that fills the QML
// cache of the private home folder as any earlier session would have.
//
// Target: the program's median at most 1.3 times the reference's median.
// Usage: bench_startup [runs]   (default 9 of each)

#include "bench/common/benchresult.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int StartTimeoutMs = 30000;
constexpr int QuitTimeoutMs = 10000;

// Two tabs on loopback placeholders; nothing connects at start, and nothing may anywhere else.
const QByteArray SavedTabs = "0,CUBRIX,127.0.0.1,Bench Cubrix,dark\n"
                             "1,MONITOR,127.0.0.2,Bench Monitor,dark\n";

QString buildPath(const QString &relative)
{
    const QString buildDir = qEnvironmentVariable("BREVANTO_BUILD_DIR");
    if (!buildDir.isEmpty())
        return buildDir + QLatin1Char('/') + relative;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../../") + relative;
}

struct Run {
    double ms = -1.0;
    QByteArray errors;
};

class Starter
{
public:
    Starter(const QString &program, const QProcessEnvironment &environment)
        : m_program(program), m_environment(environment)
    {
    }

    // Starts the program and waits for its probe line; the time from start to that line.
    Run run() const
    {
        Run result;
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        QByteArray output;
        QElapsedTimer clock;
        clock.start();
        process.start(m_program, QStringList());
        while (!output.contains("first frame\n")) {
            const qint64 left = StartTimeoutMs - clock.elapsed();
            if (left <= 0 || !process.waitForReadyRead(int(left)))
                break;
            output += process.readAllStandardOutput();
        }
        if (output.contains("first frame\n"))
            result.ms = clock.nsecsElapsed() / 1.0e6;
        if (!process.waitForFinished(QuitTimeoutMs)) {
            process.kill();
            process.waitForFinished(QuitTimeoutMs);
            result.ms = -1.0;
        }
        result.errors = process.readAllStandardError();
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            std::fprintf(stderr, "%s ended with status %d (%s)\n", qPrintable(m_program), process.exitCode(),
                         qPrintable(process.errorString()));
            result.ms = -1.0;
        }
        return result;
    }

private:
    QString m_program;
    QProcessEnvironment m_environment;
};

bool prepareHome(const QString &root, QProcessEnvironment *environment)
{
    for (const char *folder : {"home", "config", "data", "cache", "runtime"}) {
        if (!QDir(root).mkpath(QString::fromLatin1(folder)))
            return false;
    }
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    environment->insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    environment->insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    environment->insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
    environment->insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/cache"));
    environment->insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/runtime"));
    environment->insert(QStringLiteral("BREVANTO_STARTUP_PROBE"), QStringLiteral("1"));
    // The program's log is how the bench sees that the saved tabs were read.
    environment->insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("default.debug=true;qt.qpa.*=false"));
    return true;
}

// The saved-tabs file lies beside the application data folder (its name is appended to the
// folder's path without a separator).
QString savedTabsPath(const QString &root)
{
    return root + QStringLiteral("/data/Tarnwick/BrevantosavedTabs.conf");
}

bool writeSavedTabs(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(SavedTabs) == SavedTabs.size();
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The program logged both saved tabs as it read them.
bool readBothTabs(const QByteArray &log)
{
    int cubrix = 0, monitor = 0;
    for (const QByteArray &line : log.split('\n')) {
        if (!line.contains("SessionManager: saved tab"))
            continue;
        cubrix += line.contains("\"CUBRIX\"") && line.contains("\"Bench Cubrix\"") ? 1 : 0;
        monitor += line.contains("\"MONITOR\"") && line.contains("\"Bench Monitor\"") ? 1 : 0;
    }
    return cubrix == 1 && monitor == 1 && !log.contains("Invalid savedTabs");
}

void printRow(const char *label, const std::vector<double> &times)
{
    const auto [low, high] = std::minmax_element(times.begin(), times.end());
    std::printf("  %-22s median %8.1f ms   min %8.1f   max %8.1f\n", label, Bench::median(times), *low, *high);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;

    const QString program = QFileInfo(buildPath(QStringLiteral("app/brevanto"))).absoluteFilePath();
    const QString reference =
        QFileInfo(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_emptywindow")).absoluteFilePath();
    for (const QString &path : {program, reference}) {
        if (!QFileInfo(path).isExecutable()) {
            std::fprintf(stderr, "bench_startup: %s not found\n", qPrintable(path));
            return 1;
        }
    }

    QTemporaryDir root;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!root.isValid() || !prepareHome(root.path(), &environment)) {
        std::fprintf(stderr, "bench_startup: cannot prepare a private home folder\n");
        return 1;
    }
    const QString tabsFile = savedTabsPath(root.path());
    const Starter programStarter(program, environment);
    const Starter referenceStarter(reference, environment);

    // Untimed first runs: the QML documents are compiled into the private cache.
    if (!writeSavedTabs(tabsFile))
        return 1;
    const Run warmProgram = programStarter.run();
    const Run warmReference = referenceStarter.run();
    if (warmProgram.ms < 0 || warmReference.ms < 0) {
        std::fprintf(stderr, "bench_startup: no first frame reported\n%s", warmProgram.errors.right(4000).constData());
        return 1;
    }

    std::vector<double> programTimes, referenceTimes;
    for (int i = 0; i < runs; ++i) {
        for (int k = 0; k < 2; ++k) {
            const bool programTurn = (i + k) % 2 == 0;
            if (programTurn) {
                // Every start reads the same two tabs.
                if (!writeSavedTabs(tabsFile))
                    return 1;
                const Run run = programStarter.run();
                if (run.ms < 0) {
                    std::fprintf(stderr, "bench_startup: the program reported no first frame\n%s",
                                 run.errors.right(4000).constData());
                    return 1;
                }
                if (!readBothTabs(run.errors)) {
                    std::fprintf(stderr, "bench_startup: the program did not read the two saved tabs\n%s",
                                 run.errors.right(4000).constData());
                    return 1;
                }
                if (readAll(tabsFile) != SavedTabs) {
                    std::fprintf(stderr, "bench_startup: the saved tabs changed:\n%s", readAll(tabsFile).constData());
                    return 1;
                }
                programTimes.push_back(run.ms);
            } else {
                const Run run = referenceStarter.run();
                if (run.ms < 0) {
                    std::fprintf(stderr, "bench_startup: the reference reported no first frame\n%s",
                                 run.errors.right(4000).constData());
                    return 1;
                }
                referenceTimes.push_back(run.ms);
            }
        }
    }

    const double programMedian = Bench::median(programTimes);
    const double referenceMedian = Bench::median(referenceTimes);
    std::printf("Start-up to the first frame (%d runs each, alternating; QML cache warm):\n", runs);
    printRow("program, two tabs", programTimes);
    printRow("empty Controls 1 window", referenceTimes);
    std::printf("  ratio %.2f (target at most 1.30)\n", referenceMedian > 0 ? programMedian / referenceMedian : 0.0);
    Bench::result("start-up to first frame", programMedian, "ms", 1.3 * referenceMedian, Bench::Goal::Below);
    return 0;
}
