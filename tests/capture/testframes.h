#pragma once

// Frame payloads built by hand for the capture tests: the 12-byte header and pixel words
// written byte by byte, independently of the code under test.

#include <QByteArray>
#include <QVector>
#include <QtGlobal>
#include <initializer_list>

namespace TestFrames {

inline void putBe16(QByteArray &bytes, int at, quint16 value)
{
    bytes[at] = static_cast<char>(value >> 8);
    bytes[at + 1] = static_cast<char>(value & 0xFF);
}

inline void putBe32(QByteArray &bytes, int at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
}

inline void putLe32(QByteArray &bytes, int at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline QByteArray header(int width, int height, int pitch, int format, std::initializer_list<int> timecode = {0, 0, 0, 0})
{
    QByteArray bytes(12, '\0');
    putBe16(bytes, 0, static_cast<quint16>(width));
    putBe16(bytes, 2, static_cast<quint16>(height));
    putBe16(bytes, 4, static_cast<quint16>(pitch));
    putBe16(bytes, 6, static_cast<quint16>(format));
    int i = 8;
    for (int field : timecode)
        bytes[i++] = static_cast<char>(field);
    return bytes;
}

// One 32-bit word per pixel (formats 2, 258, 259 and unknown ones), lines of `pitch` bytes;
// words[y * width + x]. Padding bytes at the end of a line are filled with 0xEE.
inline QByteArray wordFrame(int width, int height, int format, const QVector<quint32> &words, int pitch = 0,
                            std::initializer_list<int> timecode = {0, 0, 0, 0})
{
    if (pitch == 0)
        pitch = 4 * width;
    QByteArray frame = header(width, height, pitch, format, timecode);
    frame.append(QByteArray(height * pitch, '\xEE'));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int at = 12 + y * pitch + 4 * x;
            const quint32 word = words.at(y * width + x);
            if (format == 2)
                putBe32(frame, at, word);
            else
                putLe32(frame, at, word);
        }
    }
    return frame;
}

// Format 2/258 word: Cr in bits 0-9, Y in 10-19, Cb in 20-29. Format 259: R, G, B.
inline quint32 word444(int low, int middle, int high)
{
    return quint32(low) | (quint32(middle) << 10) | (quint32(high) << 20);
}

// Format 1 group: the 128-bit string "4 unused bits, Cb01, Y0, Cr01, Y1, Cb23, Y2, 4 unused
// bits, Cr23, Y3, Cb45, Y4, Cr45, Y5" written field by field from the most significant bit.
struct Group422 {
    int y[6];
    int cb[3]; // pixels 0-1, 2-3, 4-5
    int cr[3];
};

inline QByteArray packGroup(const Group422 &g, int unusedBits = 0)
{
    QVector<int> bits;
    auto put = [&bits](int value, int width) {
        for (int b = width - 1; b >= 0; --b)
            bits.append((value >> b) & 1);
    };
    put(unusedBits, 4);
    put(g.cb[0], 10);
    put(g.y[0], 10);
    put(g.cr[0], 10);
    put(g.y[1], 10);
    put(g.cb[1], 10);
    put(g.y[2], 10);
    put(unusedBits, 4);
    put(g.cr[1], 10);
    put(g.y[3], 10);
    put(g.cb[2], 10);
    put(g.y[4], 10);
    put(g.cr[2], 10);
    put(g.y[5], 10);
    Q_ASSERT(bits.size() == 128);
    QByteArray bytes(16, '\0');
    for (int i = 0; i < 128; ++i)
        if (bits.at(i))
            bytes[i / 8] = static_cast<char>(static_cast<uchar>(bytes.at(i / 8)) | (0x80 >> (i % 8)));
    return bytes;
}

// The expected 8-bit pixel from 10-bit results, written from the rule: 255 above 1023,
// 0 below 0, otherwise v / 4, opaque.
inline quint32 expectedPixel(int r, int g, int b)
{
    auto to8 = [](int v) { return v > 1023 ? 255u : v < 0 ? 0u : quint32(v / 4); };
    return 0xFF000000u | (to8(r) << 16) | (to8(g) << 8) | to8(b);
}

// Deterministic noise for larger frames.
inline QByteArray noise(int size, quint32 seed)
{
    QByteArray bytes(size, '\0');
    quint32 state = seed;
    for (int i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(state >> 23);
    }
    return bytes;
}

} // namespace TestFrames
