#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QRandomGenerator>

// Shared by the scope tests: deterministic frame contents and debug-line capture.
namespace ScopeTest {

// Frame sizes as the devices send them (32768 waveform, 16384 vector, both back to back).
constexpr int WaveformBytes = 128 * 256;
constexpr int VectorBytes = 128 * 128;
constexpr int BothBytes = WaveformBytes + VectorBytes;

inline QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(generator.bounded(256));
    return bytes;
}

inline QLoggingCategory::CategoryFilter &previousFilter()
{
    static QLoggingCategory::CategoryFilter filter = nullptr;
    return filter;
}

inline void debugEnablingFilter(QLoggingCategory *category)
{
    if (previousFilter())
        previousFilter()(category);
    if (qstrcmp(category->categoryName(), "default") == 0)
        category->setEnabled(QtDebugMsg, true);
}

// The test environment switches debug output off; the scope's debug lines are behaviour,
// so the tests turn them back on for the default category to be able to expect them.
inline void enableDebugLines()
{
    if (!previousFilter())
        previousFilter() = QLoggingCategory::installFilter(debugEnablingFilter);
}

} // namespace ScopeTest
