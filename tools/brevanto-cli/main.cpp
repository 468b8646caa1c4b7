#include "cliarguments.h"
#include "console.h"
#include "devicecommands.h"
#include "framecommands.h"
#include "helptexts.h"
#include "lutcommands.h"

#include <QGuiApplication>

int main(int argc, char *argv[])
{
    // The capture item, pictures and PDF reports need a GUI application, but the tool runs in
    // scripts and on machines without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Console::installMessageHandler();
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brevanto-cli"));

    QStringList words = QCoreApplication::arguments().mid(1);
    CliArguments arguments(words);
    Console::setVerbose(arguments.takeFlag(QStringLiteral("verbose")));

    const QString command = arguments.takeWord();
    if (command == QLatin1String("lut"))
        return LutCommands::run(arguments);
    if (command == QLatin1String("frame"))
        return FrameCommands::run(arguments);
    if (command == QLatin1String("device"))
        return DeviceCommands::run(arguments);
    if (command.isEmpty() && arguments.hasHelp()) {
        Console::out(HelpTexts::text(QString()));
        return ExitSuccess;
    }
    Console::err(command.isEmpty() ? QStringLiteral("brevanto-cli: a command is needed: lut, frame or device")
                                   : QStringLiteral("brevanto-cli: unknown command '%1'").arg(command));
    Console::err(QStringLiteral("Run \"brevanto-cli --help\" for usage."));
    return ExitUsage;
}
