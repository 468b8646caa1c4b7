// Runs a fuzz target over every file of its corpus folder without libFuzzer: the seeds and
// every input that once made the target fail stay in the suite as regression cases.
// Arguments: corpus folders or single files (default: the target's folder under fuzz/corpus).
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv)
{
    QStringList roots;
    for (int i = 1; i < argc; ++i)
        roots << QFile::decodeName(argv[i]);
    if (roots.isEmpty())
        roots << QStringLiteral(FUZZ_CORPUS_DIR);

    QStringList inputs;
    for (const QString &root : roots) {
        const QFileInfo info(root);
        if (info.isFile()) {
            inputs << info.filePath();
            continue;
        }
        if (!info.isDir()) {
            std::fprintf(stderr, "no such corpus: %s\n", qPrintable(root));
            return 2;
        }
        const QDir dir(root);
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
            inputs << dir.filePath(name);
    }
    if (inputs.isEmpty()) {
        std::fprintf(stderr, "empty corpus\n");
        return 2;
    }
    for (const QString &path : inputs) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 2;
        }
        const QByteArray bytes = file.readAll();
        if (qEnvironmentVariableIsSet("FUZZ_VERBOSE"))
            std::fprintf(stderr, "running %s (%d bytes)\n", qPrintable(path), bytes.size());
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), static_cast<size_t>(bytes.size()));
    }
    std::printf("%d inputs passed\n", int(inputs.size()));
    return 0;
}
