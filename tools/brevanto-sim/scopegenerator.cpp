#include "scopegenerator.h"

#include "colourbars.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {
constexpr int LineWidth = 1920;
constexpr double Pi = 3.14159265358979323846;

struct Pixel {
    double y;
    double cb;
    double cr;
};

// Small deterministic generator: the noise pattern follows the frame time, not a global state.
class Noise
{
public:
    explicit Noise(quint32 seed) : m_state(seed ? seed : 0x9E3779B9u) {}
    // Uniform in [-amplitude, amplitude].
    double next(double amplitude)
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return (static_cast<double>(m_state) / 4294967295.0 * 2.0 - 1.0) * amplitude;
    }

private:
    quint32 m_state;
};

// The bars with band-limited edges: eight pixels around each bar boundary blend the two
// neighbouring bars, which draws the faint transition traces a real scope shows.
Pixel barSignal(int x)
{
    const int barWidth = LineWidth / ColourBars::Count;
    const auto &bars = ColourBars::bars();
    const int bar = ColourBars::barIndex(x, LineWidth);
    const int intoBar = x - bar * barWidth;
    const int fromEnd = barWidth - intoBar;
    int other = bar;
    double weight = 0.0;
    if (intoBar < 4 && bar > 0) {
        other = bar - 1;
        weight = 0.5 - (intoBar + 0.5) / 8.0;
    } else if (fromEnd <= 4 && bar < ColourBars::Count - 1) {
        other = bar + 1;
        weight = 0.5 - (fromEnd - 0.5) / 8.0;
    }
    const auto &a = bars[static_cast<size_t>(bar)];
    const auto &b = bars[static_cast<size_t>(other)];
    return Pixel{a.y + (b.y - a.y) * weight, a.cb + (b.cb - a.cb) * weight, a.cr + (b.cr - a.cr) * weight};
}

// The slow movement: a few degrees of hue swing, a few percent of gain and a small
// luma offset, each on its own period, plus two codes of noise.
struct Motion {
    double cosHue;
    double sinHue;
    double gain;
    double lumaOffset;

    explicit Motion(double seconds)
    {
        const double hue = 3.0 * Pi / 180.0 * std::sin(2.0 * Pi * seconds / 6.0);
        cosHue = std::cos(hue);
        sinHue = std::sin(hue);
        gain = 1.0 + 0.015 * std::sin(2.0 * Pi * seconds / 4.0);
        lumaOffset = 3.0 * std::sin(2.0 * Pi * seconds / 5.0);
    }

    Pixel apply(const Pixel &p, Noise &noise) const
    {
        const double u = (p.cb - 512.0) * gain;
        const double v = (p.cr - 512.0) * gain;
        return Pixel{64.0 + (p.y - 64.0) * gain + lumaOffset + noise.next(2.0),
                     512.0 + u * cosHue - v * sinHue + noise.next(2.0),
                     512.0 + u * sinHue + v * cosHue + noise.next(2.0)};
    }
};

quint32 seedFor(double seconds)
{
    return static_cast<quint32>(std::llround(seconds * 25.0)) * 2654435761u + 1u;
}

// Hit counts to intensity bytes on a logarithmic scale, so that single transition samples
// stay visible while the bar traces saturate.
char intensity(int hits, int saturation)
{
    if (hits <= 0)
        return 0;
    const double value = 255.0 * std::log1p(hits) / std::log1p(saturation);
    return static_cast<char>(std::min(255, static_cast<int>(std::lround(value))));
}
} // namespace

int ScopeGenerator::levelRow(double luma)
{
    return std::clamp(static_cast<int>(std::lround(luma / 8.0)), 0, WaveformLines - 1);
}

int ScopeGenerator::vectorColumn(double cb)
{
    return std::clamp(64 + static_cast<int>(std::lround((cb - 512.0) / VectorCodesPerUnit)), 0, VectorSize - 1);
}

int ScopeGenerator::vectorLine(double cr)
{
    return std::clamp(64 + static_cast<int>(std::lround((cr - 512.0) / VectorCodesPerUnit)), 0, VectorSize - 1);
}

int ScopeGenerator::frameSize(int type)
{
    switch (type) {
    case 1: return WaveformBytes;
    case 2: return VectorBytes;
    case 3: return WaveformBytes + VectorBytes;
    default: return 0;
    }
}

QByteArray ScopeGenerator::frame(int type, double seconds) const
{
    switch (type) {
    case 1: return waveform(seconds);
    case 2: return vector(seconds);
    case 3: return waveform(seconds) + vector(seconds);
    default: return QByteArray();
    }
}

QByteArray ScopeGenerator::waveform(double seconds) const
{
    constexpr int sampledLines = 32;
    const Motion motion(seconds);
    Noise noise(seedFor(seconds));
    std::vector<int> hits(WaveformLines * WaveformColumns, 0);
    for (int line = 0; line < sampledLines; ++line) {
        for (int x = 0; x < LineWidth; ++x) {
            const Pixel p = motion.apply(barSignal(x), noise);
            const int column = x * WaveformColumns / LineWidth;
            ++hits[static_cast<size_t>(levelRow(p.y) * WaveformColumns + column)];
        }
    }
    QByteArray out(WaveformBytes, '\0');
    for (int row = 0; row < WaveformLines; ++row) {
        char *line = out.data() + (WaveformLines - 1 - row) * WaveformPitch;
        for (int column = 0; column < WaveformColumns; ++column)
            line[column] = intensity(hits[static_cast<size_t>(row * WaveformColumns + column)], 64);
    }
    return out;
}

QByteArray ScopeGenerator::vector(double seconds) const
{
    constexpr int sampledLines = 16;
    const Motion motion(seconds);
    Noise noise(seedFor(seconds) ^ 0x5bd1e995u);
    std::vector<int> hits(VectorBytes, 0);
    for (int line = 0; line < sampledLines; ++line) {
        for (int x = 0; x < LineWidth; ++x) {
            const Pixel p = motion.apply(barSignal(x), noise);
            ++hits[static_cast<size_t>(vectorLine(p.cr) * VectorSize + vectorColumn(p.cb))];
        }
    }
    QByteArray out(VectorBytes, '\0');
    for (int i = 0; i < VectorBytes; ++i)
        out[i] = intensity(hits[static_cast<size_t>(i)], 256);
    return out;
}
