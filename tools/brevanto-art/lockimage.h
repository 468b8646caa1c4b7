#pragma once

#include <QImage>

// Padlock pictures: 1 locked, 2 unlocked, 3 locked and active (green), 4 unlocked and
// attention (red). Transparent background.
class LockImage
{
public:
    static constexpr int Variants = 4;
    static QImage draw(int variant, int size);
};
