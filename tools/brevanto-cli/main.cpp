#include "cliarguments.h"
#include "commandmodule.h"
#include "console.h"
#include "helptexts.h"
#include "lutcommands.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    if (CommandModule::runs(CliArguments::commandWord(argc, argv)))
        return CommandModule::run(argc, argv);

    // The LUT commands work on files alone: a core application is all they need.
    Console::installMessageHandler();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brevanto-cli"));

    CliArguments arguments(QCoreApplication::arguments().mid(1));
    Console::setVerbose(arguments.takeFlag(QStringLiteral("verbose")));

    const QString command = arguments.takeWord();
    if (command == QLatin1String("lut"))
        return LutCommands::run(arguments);
    if (command.isEmpty() && arguments.hasHelp()) {
        Console::out(HelpTexts::text(QString()));
        return ExitSuccess;
    }
    Console::err(command.isEmpty() ? QStringLiteral("brevanto-cli: a command is needed: lut, frame or device")
                                   : QStringLiteral("brevanto-cli: unknown command '%1'").arg(command));
    Console::err(QStringLiteral("Run \"brevanto-cli --help\" for usage."));
    return ExitUsage;
}
