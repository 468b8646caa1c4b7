#include "lut/identitylut.h"

#include <QByteArray>
#include <QVector>
#include <QtGlobal>

namespace {
constexpr qint64 FullScale = 65535;

// Writes the decimal text of `numerator / FullScale` rounded to `decimals` places into out.
// The quotient is never exactly halfway (FullScale is odd and 2 * 10^d is even), so rounding
// the exact integer ratio to nearest is the one correct answer.
int writeFraction(char *out, qint64 numerator, int decimals)
{
    qint64 scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const qint64 scaled = (2 * numerator * scale + FullScale) / (2 * FullScale);
    qint64 whole = scaled / scale;
    qint64 fraction = scaled % scale;

    char digits[24];
    int count = 0;
    do {
        digits[count++] = char('0' + whole % 10);
        whole /= 10;
    } while (whole > 0);
    int length = 0;
    while (count > 0)
        out[length++] = digits[--count];
    if (decimals > 0) {
        out[length++] = '.';
        for (int i = decimals - 1; i >= 0; --i) {
            out[length + i] = char('0' + fraction % 10);
            fraction /= 10;
        }
        length += decimals;
    }
    return length;
}

// round(index * FullScale / (points - 1)), halves up.
qint64 latticeNumerator(int index, int points)
{
    const qint64 steps = points - 1;
    return (2 * qint64(index) * FullScale + steps) / (2 * steps);
}

void appendLatin1(QString &text, const char *bytes, int length)
{
    text.append(QLatin1String(bytes, length));
}
} // namespace

IdentityLut::IdentityLut(QObject *parent)
    : QObject(parent)
{
}

QString IdentityLut::ramp1D() const
{
    return rampText();
}

QString IdentityLut::identity17() const
{
    return cubeText17();
}

QString IdentityLut::identity33() const
{
    return cubeText33();
}

const QString &IdentityLut::rampText()
{
    static const QString text = buildRamp(RampEntries);
    return text;
}

const QString &IdentityLut::cubeText17()
{
    static const QString text = buildCube(17, Grid17Decimals);
    return text;
}

const QString &IdentityLut::cubeText33()
{
    static const QString text = buildCube(33, Grid33Decimals);
    return text;
}

QString IdentityLut::buildRamp(int entries)
{
    entries = qBound(0, entries, 1 << 20);
    QString text = QStringLiteral("LUT_1D_SIZE %1\nLUT_1D_BITS 12\nLUT_1D_NAME Image2").arg(entries);
    text.reserve(text.size() + entries * 18);
    char line[64];
    for (int k = 0; k < entries; ++k) {
        const int length = qsnprintf(line, sizeof line, "\n%5d %5d %5d", k, k, k);
        appendLatin1(text, line, length);
    }
    return text;
}

QString IdentityLut::buildCube(int points, int decimals)
{
    points = qBound(2, points, 256);
    decimals = qBound(0, decimals, 9);

    // The values of one axis, written once.
    QVector<QByteArray> values(points);
    for (int k = 0; k < points; ++k) {
        char buffer[24];
        values[k] = QByteArray(buffer, writeFraction(buffer, latticeNumerator(k, points), decimals));
    }

    const qint64 lines = qint64(points) * points * points;
    QByteArray bytes = "LUT_3D_SIZE " + QByteArray::number(points);
    bytes.reserve(int(bytes.size() + lines * (3 * (decimals + 3))));
    for (int blue = 0; blue < points; ++blue) {
        for (int green = 0; green < points; ++green) {
            for (int red = 0; red < points; ++red) {
                bytes += '\n';
                bytes += values[red];
                bytes += ' ';
                bytes += values[green];
                bytes += ' ';
                bytes += values[blue];
            }
        }
    }
    return QString::fromLatin1(bytes);
}

QString IdentityLut::latticeValue(int index, int points, int decimals)
{
    points = qBound(2, points, 256);
    decimals = qBound(0, decimals, 9);
    char buffer[24];
    return QString::fromLatin1(buffer, writeFraction(buffer, latticeNumerator(index, points), decimals));
}
