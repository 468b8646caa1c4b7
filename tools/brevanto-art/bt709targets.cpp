#include "bt709targets.h"

#include <cmath>

void Bt709Targets::colourDifference(double r, double g, double b, double *cb, double *cr)
{
    const double y = Kr * r + (1.0 - Kr - Kb) * g + Kb * b;
    *cb = (b - y) / (2.0 * (1.0 - Kb));
    *cr = (r - y) / (2.0 * (1.0 - Kr));
}

int Bt709Targets::tenBitCode(double difference)
{
    return int(std::lround(512.0 + 896.0 * difference));
}

QVector<Bt709Targets::Target> Bt709Targets::targets(double level)
{
    struct Bar {
        const char *name;
        double r, g, b;
        QColor colour;
    };
    static const Bar bars[] = {
        {"R", 1, 0, 0, QColor(230, 60, 60)},   {"MG", 1, 0, 1, QColor(220, 80, 220)},
        {"B", 0, 0, 1, QColor(80, 110, 240)},  {"CY", 0, 1, 1, QColor(70, 210, 220)},
        {"G", 0, 1, 0, QColor(80, 210, 90)},   {"YL", 1, 1, 0, QColor(225, 215, 70)},
    };
    QVector<Target> result;
    for (const Bar &bar : bars) {
        Target target;
        target.name = QString::fromLatin1(bar.name);
        target.colour = bar.colour;
        colourDifference(bar.r * level, bar.g * level, bar.b * level, &target.cb, &target.cr);
        result << target;
    }
    return result;
}
