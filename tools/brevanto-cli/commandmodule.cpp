#include "commandmodule.h"

#include "cliarguments.h"
#include "console.h"
#include "moduleentry.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QStandardPaths>
#include <QStringList>

#include <cstring>

namespace {

// The directory of this executable, found without an application object.
QString executableDirectory(const char *argv0)
{
#if defined(Q_OS_LINUX)
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (!self.isEmpty())
        return QFileInfo(self).absolutePath();
#endif
    QString program = QString::fromLocal8Bit(argv0);
    if (!program.contains(QLatin1Char('/')))
        program = QStandardPaths::findExecutable(program);
    return QFileInfo(program).canonicalPath();
}

} // namespace

bool CommandModule::runs(const char *command)
{
    return std::strcmp(command, "frame") == 0 || std::strcmp(command, "device") == 0;
}

int CommandModule::run(int &argc, char **argv)
{
    // Beside the executable in the build tree, in the library folder the install rules chose when installed.
    const QDir directory(executableDirectory(argc > 0 ? argv[0] : ""));
    const QStringList candidates{
        directory.filePath(QStringLiteral(BREVANTO_CLI_MODULE_FILE)),
        QDir::cleanPath(directory.filePath(QStringLiteral(BREVANTO_CLI_MODULE_INSTALL_DIR "/" BREVANTO_CLI_MODULE_FILE)))};
    QStringList errors;
    for (const QString &path : candidates) {
        if (!QFileInfo::exists(path))
            continue;
        QLibrary module(path);
        const auto entry = reinterpret_cast<ModuleMain>(module.resolve(BREVANTO_CLI_MODULE_ENTRY));
        if (entry)
            return entry(&argc, argv); // the module stays loaded until the process ends
        errors << module.errorString();
    }
    if (errors.isEmpty())
        errors << QStringLiteral("%1 is not installed (looked for %2)")
                      .arg(QStringLiteral(BREVANTO_CLI_MODULE_FILE), candidates.join(QStringLiteral(", ")));
    Console::err(QStringLiteral("brevanto-cli: the frame and device commands cannot be loaded: %1")
                     .arg(errors.join(QStringLiteral("; "))));
    return ExitFailure;
}
