#include "cubrixsim.h"
#include "monitorsim.h"
#include "quitonsignal.h"
#include "simlogger.h"
#include "simoptions.h"
#include "simserver.h"
#include "uploadstore.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <cstdio>
#include <malloc.h>
#include <memory>

int main(int argc, char *argv[])
{
    // A large upload arrives in thousands of reads, each buffered in a few megabytes. Keeping
    // those buffers in the heap (not mapped and unmapped each time, nor trimmed) spares the
    // system from faulting fresh pages in for every read.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
    // Headless by default: the analyzer pictures are painted off screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    SimLogger::installMessageHandler(false);
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brevanto-sim"));

    QCommandLineParser parser;
    SimOptions::addOptions(parser);
    parser.process(app);

    QString error;
    const auto options = SimOptions::fromParser(parser, &error);
    if (!options) {
        std::fprintf(stderr, "brevanto-sim: %s\n", qPrintable(error));
        return 2;
    }
    if (!SimLogger::open(options->logFile, &error)) {
        std::fprintf(stderr, "brevanto-sim: %s\n", qPrintable(error));
        return 2;
    }
    SimLogger::installMessageHandler(options->verbose);

    UploadStore uploads;
    if (!uploads.setDumpDir(options->dumpDir, &error)) {
        SimLogger::log(error);
        return 2;
    }
    std::unique_ptr<SimDevice> device;
    if (options->role == SimOptions::Role::Monitor)
        device = std::make_unique<MonitorSim>(*options, uploads);
    else
        device = std::make_unique<CubrixSim>(*options, uploads);

    SimServer server(*device, options->faults);
    if (!server.listen(options->address, options->port, &error)) {
        SimLogger::log(QStringLiteral("cannot listen on %1:%2: %3").arg(options->address.toString()).arg(options->port).arg(error));
        return 1;
    }
    SimLogger::log(QStringLiteral("brevanto-sim %1 \"%2\" version %3 serial %4, %5 channels, frame format %6")
                       .arg(options->roleName(), options->model, options->version, options->serial)
                       .arg(options->channels)
                       .arg(options->frameFormat));
    for (const QString &fault : options->faults.describe())
        SimLogger::log(QStringLiteral("fault injection: ") + fault);
    if (!uploads.dumpDir().isEmpty())
        SimLogger::log(QStringLiteral("uploads are dumped to ") + uploads.dumpDir());
    SimLogger::log(QStringLiteral("listening on %1:%2").arg(options->address.toString()).arg(options->port));
    quitOnSignal();
    const int status = app.exec();
    SimLogger::log(QStringLiteral("stopped"));
    return status;
}
