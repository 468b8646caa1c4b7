// Both resamplers and the binary image on complete grids whose every line comes from the
// input, so that the full-grid paths see arbitrary text (numbers of any form, comments,
// keywords, stray bytes).
//
// Input layout:
//   byte 0  bit 0: a 17-point grid (upsampled, and turned into the binary image) instead of a
//           33-point grid (downsampled); bits 1-2: lines written: 0 exactly the grid, 1 one
//           fewer, 2 one more, 3 the grid plus a header of keyword lines
//   2 bytes length of a prefix written before the grid, then the prefix
//   rest    line pool, split at line feeds (each piece cut to 48 bytes); line i of the grid is
//           piece i modulo the number of pieces
#include "fuzzsupport.h"

#include "lut/cubeentryreader.h"
#include "lut/cubrixutils.h"

namespace {
bool readsBackAs(const QByteArray &text, size_t count)
{
    const auto entries = CubrixUtils::CubeEntryReader::read(text, CubrixUtils::CubeEntryReader::UnreadablePiece::SkipLine);
    return entries.size() == count && Fuzz::allFinite(entries);
}
} // namespace

FUZZ_TARGET("cuberesample")(const uint8_t *data, size_t size)
{
    using namespace CubrixUtils;
    Fuzz::ensureApplication();
    Fuzz::InputReader input(data, size);
    const quint8 mode = input.u8();
    const bool grid17 = mode & 0x01;
    const int variant = (mode >> 1) & 0x03;
    const QByteArray prefix = input.bytes(input.u16());
    QList<QByteArray> pool = input.rest().split('\n');
    for (QByteArray &piece : pool)
        piece.truncate(48);

    const int lines = (grid17 ? 4913 : 35937) + (variant == 1 ? -1 : variant == 2 ? 1 : 0);
    QByteArray text = prefix;
    if (variant == 3)
        text += QByteArray("TITLE \"fuzz\"\nLUT_3D_SIZE ") + (grid17 ? "17" : "33") + "\nDOMAIN_MIN 0 0 0\nDOMAIN_MAX 1 1 1\n";
    text.reserve(text.size() + lines * 24);
    for (int i = 0; i < lines; ++i)
        text += pool.at(i % pool.size()) + '\n';
    const QString path = Fuzz::writeScratchFile(QStringLiteral("grid.cube"), text);

    if (grid17) {
        const QByteArray up = upsampleCube17to33(path), image = cubeToBinaryLut(text);
        FUZZ_CHECK((up.isEmpty() || readsBackAs(up, 35937)) && (image.isEmpty() || image.size() == 19780));
    } else {
        const QByteArray down = downsampleCube33to17(path);
        FUZZ_CHECK(down.isEmpty() || (readsBackAs(down, 4913) && cubeToBinaryLut(down).size() == 19780));
    }
    cubeDecimals(path);
    return 0;
}
