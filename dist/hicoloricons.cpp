// Draws the application icon at each size of a freedesktop icon theme, from the same code that
// draws the icon of the resources (tools/brevanto-art), so every size is drawn, not scaled:
//   brevanto-hicolor-icons <theme folder> <icon name> <size>...
// writes <theme folder>/<size>x<size>/apps/<icon name>.png.
#include "cubrixicon.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        QTextStream(stderr) << "usage: brevanto-hicolor-icons <theme folder> <icon name> <size>...\n";
        return 2;
    }
    const QDir theme(args.at(1));
    for (const QString &argument : args.mid(3)) {
        bool ok = false;
        const int size = argument.toInt(&ok);
        if (!ok || size < 16 || size > 1024) {
            QTextStream(stderr) << "not an icon size: " << argument << '\n';
            return 2;
        }
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = theme.filePath(folder + QLatin1Char('/') + args.at(2) + QStringLiteral(".png"));
        // Stored without alpha premultiplication, as image files expect.
        if (!theme.mkpath(folder) || !CubrixIcon::draw(size).convertToFormat(QImage::Format_ARGB32).save(file)) {
            QTextStream(stderr) << "cannot write " << file << '\n';
            return 1;
        }
    }
    return 0;
}
