#pragma once

#include <QByteArray>
#include <initializer_list>

// A format 1 (4:2:2) group of six pixels written field by field as its 128-bit string: 4 unused
// bits, Cb01, Y0, Cr01, Y1, Cb23, Y2, 4 unused bits, Cr23, Y3, Cb45, Y4, Cr45, Y5, 10 bits each.
namespace TestFrames {

struct Group422 {
    int y[6];
    int cb[3]; // pixels 0-1, 2-3, 4-5
    int cr[3];
};

inline QByteArray packGroup(const Group422 &g, int unusedBits = 0)
{
    QByteArray bytes(16, '\0');
    int bit = 0;
    const auto put = [&](int value, int width) {
        for (int b = width - 1; b >= 0; --b, ++bit)
            bytes[bit / 8] = char(uchar(bytes[bit / 8]) | (((value >> b) & 1) << (7 - bit % 8)));
    };
    for (const auto &field : {std::pair<int, int>{unusedBits, 4}, {g.cb[0], 10}, {g.y[0], 10}, {g.cr[0], 10}, {g.y[1], 10},
                              {g.cb[1], 10}, {g.y[2], 10}, {unusedBits, 4}, {g.cr[1], 10}, {g.y[3], 10}, {g.cb[2], 10},
                              {g.y[4], 10}, {g.cr[2], 10}, {g.y[5], 10}})
        put(field.first, field.second);
    return bytes;
}

} // namespace TestFrames
