#pragma once

#include <QColor>
#include <QString>
#include <QVector>

// Where the colour-bar colours land on a vectorscope: BT.709 colour-difference values of the
// six saturated bars at a given level (0.75 for 75 % bars, 1.0 for 100 %).
class Bt709Targets
{
public:
    struct Target {
        QString name;
        QColor colour;
        double cb = 0; // -0.5 .. 0.5
        double cr = 0; // -0.5 .. 0.5
    };

    static constexpr double Kr = 0.2126;
    static constexpr double Kb = 0.0722;

    // Red, magenta, blue, cyan, green, yellow: counter-clockwise round the scope from red.
    static QVector<Target> targets(double level);
    static void colourDifference(double r, double g, double b, double *cb, double *cr);
    // 10-bit narrow-range code of a colour-difference value (512 +/- 448).
    static int tenBitCode(double difference);
};
