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
    if (!target) {
        std::fprintf(stderr, "usage: %s TARGET CORPUS...\n", argv[0]);
        return 2;
    }
    QStringList inputs;
    for (int i = 2; i < argc; ++i) {
        const QFileInfo info(QFile::decodeName(argv[i]));
        if (info.isFile())
            inputs << info.filePath();
        for (const QString &name : info.isDir() ? QDir(info.filePath()).entryList(QDir::Files, QDir::Name) : QStringList())
            inputs << info.filePath() + QLatin1Char('/') + name;
    }
    if (inputs.isEmpty()) {
        std::fprintf(stderr, "empty or missing corpus\n");
        return 2;
    }
    for (const QString &path : qAsConst(inputs)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 2;
        }
        const QByteArray bytes = file.readAll();
        if (qEnvironmentVariableIsSet("FUZZ_VERBOSE"))
            std::fprintf(stderr, "running %s (%d bytes)\n", qPrintable(path), bytes.size());
        target(reinterpret_cast<const uint8_t *>(bytes.constData()), static_cast<size_t>(bytes.size()));
    }
    std::printf("%d inputs passed\n", int(inputs.size()));
    return 0;
}
