#pragma once

namespace CubrixUtils {

// One output colour of a 3D LUT. Entries of an N-point table are kept in file order:
// red index fastest, then green, then blue.
struct LutEntry
{
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
};

} // namespace CubrixUtils
