// Writes the vectorscope graticule mesh and its texture into one folder (normally qml/models):
//   brevanto-mesh <folder>
#include "graticulemesh.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        QTextStream(stderr) << "usage: brevanto-mesh <output folder>\n";
        return 2;
    }
    QDir folder(args.at(1));
    if (!folder.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "cannot create " << args.at(1) << '\n';
        return 1;
    }
    const QByteArray obj = GraticuleMesh().toObj();
    QFile file(folder.filePath(QStringLiteral("Vector-large-collapsed-ai-mathed3.obj")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(obj) != obj.size()) {
        QTextStream(stderr) << "cannot write " << file.fileName() << '\n';
        return 1;
    }
    file.close();
    if (!GraticuleMesh::texture().save(folder.filePath(QStringLiteral("yellow50.png")))) {
        QTextStream(stderr) << "cannot write " << folder.filePath(QStringLiteral("yellow50.png")) << '\n';
        return 1;
    }
    return 0;
}
