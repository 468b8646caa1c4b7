// The corpus runner: runs one fuzz target, without libFuzzer, over every file of its corpus
// folders, so that the seeds and every input that once made a target fail stay in the suite.
// Arguments: the target's name, then corpus folders or single files.
#include "fuzzsupport.h"

#include <QDir>
#include <QRegularExpression>
#include <cstdio>

int main(int argc, char **argv)
{
    const Fuzz::Target target = argc > 2 ? Fuzz::targets().value(QString::fromLatin1(argv[1])) : nullptr;
    int count = 0;
    for (int i = 2; target && i < argc; ++i) {
        QStringList inputs{QFile::decodeName(argv[i])};
        if (QFileInfo(inputs[0]).isDir())
            inputs = QDir(inputs[0]).entryList(QDir::Files, QDir::Name).replaceInStrings(QRegularExpression("^"), inputs[0] + '/');
        for (const QString &path : qAsConst(inputs)) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                qFatal("cannot read %s", qPrintable(path));
            if (qEnvironmentVariableIsSet("FUZZ_VERBOSE"))
                std::fprintf(stderr, "running %s\n", qPrintable(path));
            const QByteArray bytes = file.readAll();
            target(reinterpret_cast<const uint8_t *>(bytes.constData()), static_cast<size_t>(bytes.size()));
            ++count;
        }
    }
    if (count == 0) {
        std::fprintf(stderr, "usage: %s TARGET CORPUS... (a known target and at least one input)\n", argv[0]);
        return 2;
    }
    std::printf("%d inputs passed\n", count);
    return 0;
}
