// The corpus runner: runs one fuzz target, without libFuzzer, over every file of its corpus
// folders, so that the seeds and every input that once made a target fail stay in the suite.
// Arguments: the target's name, then corpus folders or single files.
#include "fuzzsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char **argv)
{
    const Fuzz::Target target = argc > 2 ? Fuzz::target(QString::fromLatin1(argv[1])) : nullptr;
    QStringList inputs;
    for (int i = 2; i < argc; ++i) {
        const QFileInfo info(QFile::decodeName(argv[i]));
        const QDir dir = info.isDir() ? QDir(info.filePath()) : info.dir();
        for (const QString &name : info.isDir() ? dir.entryList(QDir::Files, QDir::Name) : QStringList{info.fileName()})
            inputs << dir.filePath(name);
    }
    if (!target || inputs.isEmpty()) {
        std::fprintf(stderr, "usage: %s TARGET CORPUS... (a known target and at least one input)\n", argv[0]);
        return 2;
    }
    for (const QString &path : qAsConst(inputs)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(path));
        const QByteArray bytes = file.readAll();
        if (qEnvironmentVariableIsSet("FUZZ_VERBOSE"))
            std::fprintf(stderr, "running %s (%d bytes)\n", qPrintable(path), bytes.size());
        target(reinterpret_cast<const uint8_t *>(bytes.constData()), static_cast<size_t>(bytes.size()));
    }
    std::printf("%d inputs passed\n", int(inputs.size()));
    return 0;
}
