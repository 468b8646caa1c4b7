// The .cube readers on any text: the entry reader under both rules, the binary image, the size
// and precision probes, and both resamplers reading the text as a file.
#include "fuzzsupport.h"

#include "lut/cubeentryreader.h"
#include "lut/cubrixutils.h"

FUZZ_TARGET("cube")(const uint8_t *data, size_t size)
{
    using namespace CubrixUtils;
    Fuzz::ensureApplication();
    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<int>(size));

    const auto readable = CubeEntryReader::read(text, CubeEntryReader::UnreadablePiece::SkipLine);
    const auto counted = CubeEntryReader::read(text, CubeEntryReader::UnreadablePiece::CountAsZero);
    FUZZ_CHECK(readable.size() <= counted.size() && Fuzz::allFinite(readable) && Fuzz::allFinite(counted));
    const auto capped = CubeEntryReader::read(text, CubeEntryReader::UnreadablePiece::SkipLine, 7);
    FUZZ_CHECK(capped.size() == qMin<size_t>(readable.size(), 7));

    // The image exists exactly for texts of 4,913 readable entries, and always at its one size.
    const QByteArray image = cubeToBinaryLut(text);
    FUZZ_CHECK(image.isEmpty() == (readable.size() != 4913) && (image.isEmpty() || image.size() == 19780));

    const QString path = Fuzz::writeScratchFile(QStringLiteral("input.cube"), text);
    isCubeSize33(path);
    isCubeSize17(path);
    FUZZ_CHECK(cubeDecimals(path) >= 0);

    // Whatever a resampler gives is a complete table that the program can read back.
    const QByteArray down = downsampleCube33to17(path), up = upsampleCube17to33(path);
    FUZZ_CHECK(down.isEmpty() || CubeEntryReader::read(down, CubeEntryReader::UnreadablePiece::SkipLine).size() == 4913);
    FUZZ_CHECK(up.isEmpty() || CubeEntryReader::read(up, CubeEntryReader::UnreadablePiece::SkipLine).size() == 35937);
    return 0;
}
