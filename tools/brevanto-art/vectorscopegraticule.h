#pragma once

#include <QImage>
#include <QPointF>

// The background behind the vector plot: outer circle, axes with 5 % ticks, the 75 % and
// 100 % BT.709 colour-bar target boxes and the skin-tone line. The plain variant is drawn for
// the dark theme, the "b" variant for the light one.
class VectorscopeGraticule
{
public:
    enum Variant { Dark, Light };

    // Chroma magnitude at the outer circle; the 100 % magenta and green targets (about 0.596)
    // sit just inside it.
    static constexpr double FullScale = 0.62;

    static QImage draw(int size, Variant variant);
    // Image position of a colour-difference pair (Cb to the right, Cr up).
    static QPointF position(int size, double cb, double cr);
};
