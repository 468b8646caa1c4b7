#include "lut/cubrixutils.h"

#include "lut/cubedecimalscanner.h"
#include "lut/cubeentryreader.h"
#include "lut/cubelinescanner.h"
#include "lut/cubetextwriter.h"

#include <QDebug>
#include <QFile>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace CubrixUtils {

namespace {

constexpr int Points17 = 17;
constexpr int Points33 = 33;
constexpr int Entries17 = Points17 * Points17 * Points17; // 4,913
constexpr int Entries33 = Points33 * Points33 * Points33; // 35,937

constexpr int ImageHeaderSize = 128;
constexpr int ImageDataSize = Entries17 * 4; // 19,652
constexpr int ImageSize = ImageHeaderSize + ImageDataSize;
constexpr uchar ImageMagic[8] = {0x99, 0x02, 0x34, 0x42, 0x00, 0x00, 0x00, 0x02};
constexpr int ImageDataChecksumOffset = 40;
constexpr int ImageDataLengthOffset = 44;
constexpr int ImageHeaderChecksumOffset = 127;

bool readWholeFile(const QString &path, QByteArray &contents)
{
    QFile file(path);
    // No QIODevice::Text: the line scanner trims the "\r" of "\r\n" itself, and reading
    // untranslated is much faster.
    if (!file.open(QIODevice::ReadOnly))
        return false;
    contents = file.readAll();
    return true;
}

bool declaresCubeSize(const QByteArray &text, const char *size)
{
    CubeLineScanner scanner(text);
    CubeLineScanner::Line line;
    while (scanner.next(line)) {
        if (!line.startsWith("LUT_3D_SIZE"))
            continue;
        // Split at single spaces with empty pieces kept: exactly two pieces means exactly
        // one space, so "LUT_3D_SIZE  33" (two spaces) and a tab do not count.
        const char *space =
            static_cast<const char *>(std::memchr(line.begin, ' ', std::size_t(line.size())));
        if (!space)
            continue;
        const CubeLineScanner::Line value{space + 1, line.end};
        if (std::memchr(value.begin, ' ', std::size_t(value.size())))
            continue;
        if (value.equals(size))
            return true;
    }
    return false;
}

quint32 tenBitCode(float value)
{
    // The product is rounded to single precision before 0.5 is added: a fused multiply-add
    // would round once and move some codes by one.
    volatile float product = value * 1023.0f;
    const float scaled = product + 0.5f;
    if (!(scaled >= 1.0f)) // truncation toward zero gives 0 below 1, and negatives clamp to 0
        return 0;
    if (scaled >= 1023.0f)
        return 1023;
    return quint32(scaled);
}

// Where output index i of one axis falls on the input grid: base point and fraction.
struct GridPosition
{
    int base;
    float fraction;
};

GridPosition gridPosition(int index, float step, float scale, int inputPoints)
{
    const float p = float(index) * step * scale;
    const int base = qBound(0, int(std::floor(p)), inputPoints - 2);
    return {base, p - float(base)};
}

// The six tetrahedra of a grid cell, named by the order of the fractions, largest first.
enum class Tetrahedron { RGB, RBG, BRG, BGR, GBR, GRB };

// Ties go to the first matching tetrahedron in the order above; neighbouring tetrahedra
// agree there anyway.
Tetrahedron tetrahedronFor(float fr, float fg, float fb)
{
    if (fr >= fg) {
        if (fg >= fb)
            return Tetrahedron::RGB;
        return fr >= fb ? Tetrahedron::RBG : Tetrahedron::BRG;
    }
    if (fb >= fg)
        return Tetrahedron::BGR;
    return fb >= fr ? Tetrahedron::GBR : Tetrahedron::GRB;
}

// c[X + 2Y + 4Z] is the corner (red + X, green + Y, blue + Z) of the cell.
template <typename T>
T interpolate(Tetrahedron tetrahedron, const T c[8], T fr, T fg, T fb)
{
    switch (tetrahedron) {
    case Tetrahedron::RGB:
        return c[0] + (c[1] - c[0]) * fr + (c[3] - c[1]) * fg + (c[7] - c[3]) * fb;
    case Tetrahedron::RBG:
        return c[0] + (c[1] - c[0]) * fr + (c[5] - c[1]) * fb + (c[7] - c[5]) * fg;
    case Tetrahedron::BRG:
        return c[0] + (c[4] - c[0]) * fb + (c[5] - c[4]) * fr + (c[7] - c[5]) * fg;
    case Tetrahedron::BGR:
        return c[0] + (c[4] - c[0]) * fb + (c[6] - c[4]) * fg + (c[7] - c[6]) * fr;
    case Tetrahedron::GBR:
        return c[0] + (c[2] - c[0]) * fg + (c[6] - c[2]) * fb + (c[7] - c[6]) * fr;
    case Tetrahedron::GRB:
        return c[0] + (c[2] - c[0]) * fg + (c[3] - c[2]) * fr + (c[7] - c[3]) * fb;
    }
    return c[0];
}

float interpolateComponent(Tetrahedron tetrahedron, const float c[8], float fr, float fg, float fb)
{
    const float value = interpolate(tetrahedron, c, fr, fg, fb);
    if (std::isfinite(value))
        return value;
    // Only corners near the float limit get here: their differences overflow although the
    // result, a weighted mean of the corners, does not. Double precision has the headroom.
    const double wide[8] = {c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]};
    return float(interpolate<double>(tetrahedron, wide, fr, fg, fb));
}

// A resampler's source text; a file that cannot be read holds no entries.
QByteArray readSource(const QString &path)
{
    QByteArray text;
    if (!readWholeFile(path, text))
        qDebug() << "Cannot open LUT file:" << path;
    return text;
}

// The decimals to write a resampled text with.
int writtenDecimals(const QByteArray &source)
{
    const int decimals = CubeDecimalScanner::decimals(source);
    if (decimals <= CubeTextWriter::MaxDecimals)
        return decimals;
    qDebug() << "LUT file has" << decimals << "decimals, writing" << CubeTextWriter::MaxDecimals;
    return CubeTextWriter::MaxDecimals;
}

// The resamplers need a full input grid; a shorter file (or one that cannot be read) would
// leave output points without input.
void warnShortGrid(int required, int found)
{
    qWarning() << "ERROR: Expected" << required << "entries, found" << found;
}

} // namespace

QByteArray cubeToBinaryLut(const QByteArray &cubeText)
{
    const std::vector<LutEntry> entries =
        CubeEntryReader::read(cubeText, CubeEntryReader::UnreadablePiece::SkipLine);
    if (int(entries.size()) != Entries17) {
        qWarning() << "ERROR: Expected 4913 entries, found" << int(entries.size());
        return QByteArray();
    }

    // Built in a plain buffer: GCC cannot see that a fresh QByteArray's data() is not the
    // shared empty array and warns about every write into it.
    std::array<uchar, ImageSize> image{};
    uchar *bytes = image.data();
    uchar *word = bytes + ImageHeaderSize;
    quint32 dataChecksum = 0;
    for (const LutEntry &entry : entries) {
        const quint32 packed =
            tenBitCode(entry.red) | (tenBitCode(entry.green) << 10) | (tenBitCode(entry.blue) << 20);
        word[0] = uchar(packed >> 24);
        word[1] = uchar(packed >> 16);
        word[2] = uchar(packed >> 8);
        word[3] = uchar(packed);
        dataChecksum += quint32(word[0]) + word[1] + word[2] + word[3];
        word += 4;
    }

    std::memcpy(bytes, ImageMagic, sizeof ImageMagic);
    for (int i = 0; i < 4; ++i) {
        bytes[ImageDataChecksumOffset + i] = uchar(dataChecksum >> (8 * i));
        bytes[ImageDataLengthOffset + i] = uchar(quint32(ImageDataSize) >> (8 * i));
    }
    uchar headerChecksum = 0;
    for (int i = 0; i < ImageHeaderChecksumOffset; ++i)
        headerChecksum = uchar(headerChecksum + bytes[i]);
    bytes[ImageHeaderChecksumOffset] = headerChecksum;
    return QByteArray(reinterpret_cast<const char *>(bytes), ImageSize);
}

bool isCubeSize33(const QString &path)
{
    QByteArray text;
    return readWholeFile(path, text) && isCubeTextSize33(text);
}

bool isCubeSize17(const QString &path)
{
    QByteArray text;
    return readWholeFile(path, text) && isCubeTextSize17(text);
}

int cubeDecimals(const QString &path)
{
    QByteArray text;
    if (!readWholeFile(path, text))
        return -1;
    return CubeDecimalScanner::decimals(text);
}

QByteArray downsampleCube33to17(const QString &path)
{
    return downsampleCubeText33to17(readSource(path));
}

QByteArray upsampleCube17to33(const QString &path)
{
    return upsampleCubeText17to33(readSource(path));
}

bool isCubeTextSize33(const QByteArray &text)
{
    return declaresCubeSize(text, "33");
}

bool isCubeTextSize17(const QByteArray &text)
{
    return declaresCubeSize(text, "17");
}

int cubeTextDecimals(const QByteArray &text)
{
    return CubeDecimalScanner::decimals(text);
}

namespace {

// The resamplers' work: the entries of `text` resampled into `writer`; false, with the
// warning, when the text does not hold the full grid.
bool downsampleInto(const QByteArray &text, CubeTextWriter &writer)
{
    // Every output position 2i (0.0625 x 32 per step) is a whole input index, the last one
    // included, so output (r, g, b) is input (2r, 2g, 2b) as it stands. With unreadable
    // pieces counting as 0.0 every candidate line is an entry, so only the one input entry
    // in eight that is used needs converting. Both grids run red fastest, so the used
    // entries arrive in output order and are written as they come.
    CubeEntryReader reader(text);
    int index = 0;
    while (index < Entries33 && reader.nextCandidate()) {
        const int r = index % Points33;
        const int g = (index / Points33) % Points33;
        const int b = index / (Points33 * Points33);
        if (r % 2 == 0 && g % 2 == 0 && b % 2 == 0) {
            LutEntry entry;
            reader.convert(entry);
            writer.add(entry);
        }
        ++index;
    }
    if (index < Entries33) {
        warnShortGrid(Entries33, index);
        return false;
    }
    return true;
}

bool upsampleInto(const QByteArray &text, CubeTextWriter &writer)
{
    const std::vector<LutEntry> input =
        CubeEntryReader::read(text, CubeEntryReader::UnreadablePiece::CountAsZero, Entries17);
    if (int(input.size()) < Entries17) {
        warnShortGrid(Entries17, int(input.size()));
        return false;
    }

    GridPosition axis[Points33];
    for (int i = 0; i < Points33; ++i)
        axis[i] = gridPosition(i, 0.03125f, 16.0f, Points17);

    constexpr int strideGreen = Points17;
    constexpr int strideBlue = Points17 * Points17;
    const int cornerOffsets[8] = {0, 1, strideGreen, 1 + strideGreen,
                                  strideBlue, 1 + strideBlue, strideGreen + strideBlue,
                                  1 + strideGreen + strideBlue};

    for (int b = 0; b < Points33; ++b) {
        for (int g = 0; g < Points33; ++g) {
            for (int r = 0; r < Points33; ++r) {
                const float fr = axis[r].fraction;
                const float fg = axis[g].fraction;
                const float fb = axis[b].fraction;
                const Tetrahedron tetrahedron = tetrahedronFor(fr, fg, fb);
                const int base = axis[r].base + strideGreen * axis[g].base + strideBlue * axis[b].base;
                float reds[8], greens[8], blues[8];
                for (int corner = 0; corner < 8; ++corner) {
                    const LutEntry &entry = input[std::size_t(base + cornerOffsets[corner])];
                    reds[corner] = entry.red;
                    greens[corner] = entry.green;
                    blues[corner] = entry.blue;
                }
                writer.add(interpolateComponent(tetrahedron, reds, fr, fg, fb),
                           interpolateComponent(tetrahedron, greens, fr, fg, fb),
                           interpolateComponent(tetrahedron, blues, fr, fg, fb));
            }
        }
    }
    return true;
}

} // namespace

QByteArray downsampleCubeText33to17(const QByteArray &text)
{
    CubeTextWriter writer(Points17, writtenDecimals(text), Entries17);
    return downsampleInto(text, writer) ? writer.take() : QByteArray();
}

QByteArray upsampleCubeText17to33(const QByteArray &text)
{
    CubeTextWriter writer(Points33, writtenDecimals(text), Entries33);
    return upsampleInto(text, writer) ? writer.take() : QByteArray();
}

bool downsampleCubeText33to17(const QByteArray &text, const CubeTextSink &sink)
{
    CubeTextWriter writer(Points17, writtenDecimals(text), Entries17, sink);
    return downsampleInto(text, writer) && writer.finish();
}

bool upsampleCubeText17to33(const QByteArray &text, const CubeTextSink &sink)
{
    CubeTextWriter writer(Points33, writtenDecimals(text), Entries33, sink);
    return upsampleInto(text, writer) && writer.finish();
}

} // namespace CubrixUtils
