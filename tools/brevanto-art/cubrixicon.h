#pragma once

#include <QImage>

// The Cubrix application icon: an isometric cube whose faces run through the colour ramps of
// a 3D LUT, on a dark rounded tile.
class CubrixIcon
{
public:
    static QImage draw(int size);
};
