#pragma once

// .cube texts built straight from their definition, and files in a temporary directory.

#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <clocale>
#include <cstdio>
#include <functional>

namespace CubeFiles {

using Colour = std::array<double, 3>;
using ColourFunction = std::function<Colour(int r, int g, int b)>;

// printf's fixed notation; the tests set LC_NUMERIC to "C" first.
inline QByteArray fixed(double value, int decimals)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return QByteArray(buffer);
}

// The written form of a value: printf's fixed notation, except that zero carries no minus sign
// (printf writes one for -0.0).
inline QByteArray written(double value, int decimals) { return fixed(value == 0.0 ? 0.0 : value, decimals); }

inline void useCNumericLocale() { std::setlocale(LC_NUMERIC, "C"); }

// The entry lines of an N-point table, red index fastest.
inline QByteArray entryLines(int points, const ColourFunction &colour, int decimals)
{
    QByteArray text;
    for (int i = 0; i < points * points * points; ++i) {
        const Colour c = colour(i % points, (i / points) % points, i / (points * points));
        text += fixed(c[0], decimals) + ' ' + fixed(c[1], decimals) + ' ' + fixed(c[2], decimals) + '\n';
    }
    return text;
}

inline ColourFunction identity(int points)
{
    return [top = points - 1.0](int r, int g, int b) { return Colour{r / top, g / top, b / top}; };
}

// Non-linear in every pair of indices, so that the choice of tetrahedron shows in the result.
inline ColourFunction curved(int points)
{
    return [top = points - 1.0](int r, int g, int b) {
        const double x = r / top, y = g / top, z = b / top;
        return Colour{x * y, 0.2 + 0.7 * y * z * z, x * z * (1.0 - 0.5 * y)};
    };
}

inline QByteArray sizeLine(int points) { return "LUT_3D_SIZE " + QByteArray::number(points) + "\n"; }

inline QByteArray cubeFile(int points, const ColourFunction &colour, int decimals)
{
    return sizeLine(points) + "\n" + entryLines(points, colour, decimals);
}

inline QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &contents)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        qFatal("cannot write test file %s", qPrintable(file.fileName()));
    return file.fileName();
}

inline QList<QByteArray> splitLines(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace CubeFiles
