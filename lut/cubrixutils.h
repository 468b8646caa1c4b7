#pragma once

#include "lut/cubetextwriter.h"

#include <QByteArray>
#include <QString>

// LUT file functions: stateless, they take a file path or bytes and give a value; none of
// them touches a device. The devices' LUT operations use them to probe, convert and
// resample 3D LUTs before sending them.
namespace CubrixUtils {

// The 19,780-byte binary 3D LUT image (128-byte header, 4,913 packed 10-bit RGB words) of a
// 17-point .cube text; empty, with the warning "ERROR: Expected 4913 entries, found <n>",
// when the text does not hold exactly 4,913 readable entries.
QByteArray cubeToBinaryLut(const QByteArray &cubeText);

// True when a trimmed line of the file starts with "LUT_3D_SIZE" and holds exactly one space,
// followed by "33" ("LUT_3D_SIZE 33"; two spaces or a tab do not count); false when no line
// does or the file cannot be opened.
bool isCubeSize33(const QString &path);
// The same test for "LUT_3D_SIZE 17".
bool isCubeSize17(const QString &path);

// The largest number of digits after a decimal point on the lines that follow the first line
// mentioning "17" or "33" (lines that mention either are passed over); -1 when the file
// cannot be opened.
int cubeDecimals(const QString &path);

// 17-point .cube text made from a 33-point file (every other grid point). Empty, with a
// warning, when the file does not hold the full 35,937-entry grid.
QByteArray downsampleCube33to17(const QString &path);
// 33-point .cube text made from a 17-point file by tetrahedral interpolation. Empty, with a
// warning, when the file does not hold the full 4,913-entry grid.
QByteArray upsampleCube17to33(const QString &path);

// The probes and resamplers above on a file's contents already in memory, for callers that
// read a file once and use it several times. Each gives what its path form gives for a file
// holding `text`.
bool isCubeTextSize33(const QByteArray &text);
bool isCubeTextSize17(const QByteArray &text);
int cubeTextDecimals(const QByteArray &text);
QByteArray downsampleCubeText33to17(const QByteArray &text);
QByteArray upsampleCubeText17to33(const QByteArray &text);

// The resamplers once more, handing their text to `sink` in pieces of whole lines as it is made,
// for callers that write it out and need not hold all of it. False, with the same warning, when
// the source does not hold the full grid, or when the sink refused a piece; pieces the sink
// already took are then to be dropped.
bool downsampleCubeText33to17(const QByteArray &text, const CubeTextSink &sink);
bool upsampleCubeText17to33(const QByteArray &text, const CubeTextSink &sink);

} // namespace CubrixUtils
