#include "moduleentry.h"

#include "cliarguments.h"
#include "console.h"
#include "devicecommands.h"
#include "framecommands.h"

#include <QGuiApplication>

#include <cstring>
#include <memory>

extern "C" Q_DECL_EXPORT int brevantoCliModuleMain(int *argc, char **argv)
{
    Console::installMessageHandler();
    std::unique_ptr<QCoreApplication> app;
    if (std::strcmp(CliArguments::commandWord(*argc, argv), "device") == 0) {
        // The capture item and the PDF reports need a GUI application, but the tool runs in
        // scripts and on machines without a display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(*argc, argv);
    } else {
        // Decoding a frame file needs images, not a display: no platform plugin, no fonts.
        app = std::make_unique<QCoreApplication>(*argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("brevanto-cli"));

    CliArguments arguments(QCoreApplication::arguments().mid(1));
    Console::setVerbose(arguments.takeFlag(QStringLiteral("verbose")));
    const QString command = arguments.takeWord();
    if (command == QLatin1String("device"))
        return DeviceCommands::run(arguments);
    return FrameCommands::run(arguments);
}
