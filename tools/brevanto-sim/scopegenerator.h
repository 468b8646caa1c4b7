#pragma once

#include <QByteArray>

// Scope frames of a live, slightly moving 75% colour-bar signal.
//
// Waveform (type 1): 128 lines of 256 bytes, 240 sample columns (one per 8 pixels of a
// 1920-pixel line), intensity bytes. Level row = round(Y / 8) for the 10-bit luma Y
// (that is, the 8-bit code divided by 2), clamped to 0..127, and row r is carried in
// payload line 127 - r. Black (64) lies on row 8, 75% white (721) on row 90 and 100%
// white (940) on row 118, matching a level axis of 0..127 whose graticule puts 8-bit code
// k at k / 254 of its height.
//
// Vectorscope (type 2): 128 x 128 intensity bytes; the byte at line r, column c is the
// point (c - 64, r - 64) = ((Cb - 512) / 8, (Cr - 512) / 8), i.e. eight 10-bit code units
// per plane unit, Cb to the right and Cr along increasing lines. The largest chroma
// excursion of 100% bars is 448 codes, so every 100% target lies within +-56 units and
// inside the plane. The 75% targets, rounded, are: yellow (-42, 4), cyan (10, -42),
// green (-32, -38), magenta (32, 38), red (-10, 42), blue (42, -4); the 100% targets are
// those scaled by 4/3. Black and white sit at the centre (0, 0).
//
// Type 3 is a waveform frame followed by a vectorscope frame.
class ScopeGenerator
{
public:
    static constexpr int WaveformLines = 128;
    static constexpr int WaveformPitch = 256;
    static constexpr int WaveformColumns = 240;
    static constexpr int WaveformBytes = WaveformLines * WaveformPitch;
    static constexpr int VectorSize = 128;
    static constexpr int VectorBytes = VectorSize * VectorSize;
    static constexpr int VectorCodesPerUnit = 8;

    static int levelRow(double luma);
    static int vectorColumn(double cb);
    static int vectorLine(double cr);
    // Payload size of a frame type, 0 for a type that has no frame.
    static int frameSize(int type);

    // `seconds` drives the slow movement (hue and gain wobble, noise pattern).
    QByteArray frame(int type, double seconds) const;
    QByteArray waveform(double seconds) const;
    QByteArray vector(double seconds) const;
};
