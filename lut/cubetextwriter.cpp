#include "lut/cubetextwriter.h"

#include <QtGlobal>
#include <array>
#include <charconv>
#include <cstring>

namespace CubrixUtils {

namespace {

constexpr quint64 PowersOfTen[] = {
    1ull, 10ull, 100ull, 1000ull, 10000ull, 100000ull, 1000000ull, 10000000ull,
    100000000ull, 1000000000ull, 10000000000ull, 100000000000ull,
};
// 10^11 times a 24-bit significand still fits in 64 bits.
constexpr int FastMaxDecimals = 11;

// Writes an unsigned number, most significant digit first; gives the length.
int writeDigits(char *out, quint64 number)
{
    char reversed[20];
    int count = 0;
    do {
        reversed[count++] = char('0' + number % 10);
        number /= 10;
    } while (number != 0);
    for (int i = 0; i < count; ++i)
        out[i] = reversed[count - 1 - i];
    return count;
}

// "000" to "999", three characters each.
constexpr std::array<char, 3000> makeDigitTriples()
{
    std::array<char, 3000> table{};
    for (int i = 0; i < 1000; ++i) {
        table[std::size_t(3 * i)] = char('0' + i / 100);
        table[std::size_t(3 * i + 1)] = char('0' + i / 10 % 10);
        table[std::size_t(3 * i + 2)] = char('0' + i % 10);
    }
    return table;
}
constexpr std::array<char, 3000> DigitTriples = makeDigitTriples();

// Writes the `count` lowest decimal digits of `fraction`, leading zeros included, so that the
// last one lands just before `end`; three at a time, which keeps the chain of divisions short.
template <typename Unsigned>
void writeFraction(char *end, Unsigned fraction, int count)
{
    for (; count >= 3; count -= 3) {
        const unsigned triple = unsigned(fraction % 1000);
        fraction /= 1000;
        end -= 3;
        std::memcpy(end, DigitTriples.data() + 3 * triple, 3);
    }
    if (count == 2) {
        end -= 2;
        std::memcpy(end, DigitTriples.data() + 3 * unsigned(fraction % 100) + 1, 2);
    } else if (count == 1) {
        *--end = char('0' + unsigned(fraction % 10));
    }
}

// The writer formats three values a line: the whole of it inlined where it is used.
inline int formatFixedInline(char *out, float value, int decimals)
{
    decimals = qBound(0, decimals, int(CubeTextWriter::MaxDecimals));
    // Zero is not negative: -0.0 (the sign a source's "-0" or an interpolation may leave) is
    // written as 0, where printf would write a minus sign.
    if (value == 0.0f)
        value = 0.0f;
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    const quint32 biasedExponent = (bits >> 23) & 0xFF;

    // Exact integer path for |value| < 2^24: value = significand * 2^-shift with shift >= 0,
    // so value * 10^decimals = significand * 10^decimals / 2^shift, rounded half to even on
    // the exact quotient, which is what printf does.
    if (decimals <= FastMaxDecimals && biasedExponent < 127 + 24) {
        const quint64 significand = biasedExponent == 0 ? (bits & 0x7FFFFF)
                                                        : ((bits & 0x7FFFFF) | 0x800000);
        const int shift = biasedExponent == 0 ? 149 : 150 - int(biasedExponent);
        const quint64 product = significand * PowersOfTen[decimals];
        quint64 scaled = 0;
        if (shift == 0) {
            scaled = product;
        } else if (shift < 64) {
            scaled = product >> shift;
            const quint64 remainder = product & ((quint64(1) << shift) - 1);
            const quint64 half = quint64(1) << (shift - 1);
            if (remainder > half || (remainder == half && (scaled & 1)))
                ++scaled;
        }
        // shift >= 64: product < 2^61 lies below half a unit, so the result is zero.

        int length = 0;
        if (bits & 0x80000000u)
            out[length++] = '-';
        // LUT values lie below 1 and need no division for their integer part.
        const quint64 unit = PowersOfTen[decimals];
        quint64 whole = 0;
        quint64 fraction = scaled;
        if (scaled >= unit) {
            whole = scaled / unit;
            fraction = scaled - whole * unit;
        }
        if (whole < 10)
            out[length++] = char('0' + whole);
        else
            length += writeDigits(out + length, whole);
        if (decimals > 0) {
            out[length++] = '.';
            length += decimals;
            if (decimals <= 9)
                writeFraction(out + length, quint32(fraction), decimals);
            else
                writeFraction(out + length, fraction, decimals);
        }
        return length;
    }

    // Large values and long fractions: to_chars gives the exact printf text in the C locale.
    const std::to_chars_result result =
        std::to_chars(out, out + CubeTextWriter::MaxFixedLength, double(value), std::chars_format::fixed, decimals);
    return int(result.ptr - out);
}

} // namespace

int CubeTextWriter::formatFixed(char *out, float value, int decimals)
{
    return formatFixedInline(out, value, decimals);
}

CubeTextWriter::CubeTextWriter(int gridSize, int decimals, int expectedEntries, CubeTextSink sink)
    : m_text("LUT_3D_SIZE " + QByteArray::number(gridSize) + "\n\n"), m_decimals(qBound(0, decimals, MaxDecimals)),
      m_sink(std::move(sink))
{
    if (m_sink) {
        // One piece and the line that completes it; the room is kept from piece to piece.
        m_text.reserve(PieceSize + MaxLineLength);
        return;
    }
    // Typical LUT values lie in 0 to 1: one integer digit per value. Callers expect at most a
    // 33-point grid, far below the size limit of a byte array.
    const int typicalLine = 3 * (m_decimals + 3) + 1;
    m_text.reserve(m_text.size() + qBound(0, expectedEntries, 35937) * typicalLine);
}

void CubeTextWriter::add(float red, float green, float blue)
{
    char line[MaxLineLength];
    int length = formatFixedInline(line, red, m_decimals);
    line[length++] = ' ';
    length += formatFixedInline(line + length, green, m_decimals);
    line[length++] = ' ';
    length += formatFixedInline(line + length, blue, m_decimals);
    line[length++] = '\n';
    m_text.append(line, length);
    if (m_sink && m_text.size() >= PieceSize)
        handOver();
}

void CubeTextWriter::handOver()
{
    if (!m_refused && !m_sink(m_text))
        m_refused = true;
    m_text.resize(0); // the reserved room stays
}

QByteArray CubeTextWriter::take()
{
    return std::move(m_text);
}

bool CubeTextWriter::finish()
{
    if (!m_text.isEmpty())
        handOver();
    return !m_refused;
}

QByteArray CubeTextWriter::write(int gridSize, const std::vector<LutEntry> &entries, int decimals)
{
    CubeTextWriter writer(gridSize, decimals, int(qMin<std::size_t>(entries.size(), 35937)));
    for (const LutEntry &entry : entries)
        writer.add(entry);
    return writer.take();
}

} // namespace CubrixUtils
