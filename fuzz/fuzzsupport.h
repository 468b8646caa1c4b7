#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <algorithm>
#include <cmath>
#include <cstdint>

// Shared by every fuzz target and by the corpus runner.
namespace Fuzz {

// The corpus runner links every target into one program, where each registers under its name.
using Target = int (*)(const uint8_t *data, size_t size);
inline QHash<QString, Target> &targets()
{
    static QHash<QString, Target> registered;
    return registered;
}

// One application object for the whole process (offscreen, per-user folders in the scratch
// folder). Messages are dropped unless FUZZ_VERBOSE is set: printing what the code under test
// logs would cost more than the work itself.
void ensureApplication();
// A private folder for files handed to file readers (in /dev/shm where there is one), and a
// file written there (or at an absolute path; fails when it cannot be written).
QString scratchDir();
QString writeScratchFile(const QString &name, const QByteArray &bytes);
void processEventsOnce();
// Reports a broken invariant and aborts, so that libFuzzer keeps the input.
[[noreturn]] void fail(const char *condition, const char *file, int line);

// Runs the event loop until `done` holds or `timeoutMs` has passed; returns whether it holds.
template <typename Done>
bool processEventsUntil(Done done, int timeoutMs)
{
    QElapsedTimer timer;
    for (timer.start(); !done(); QCoreApplication::processEvents(QEventLoop::AllEvents, 5)) {
        if (timer.elapsed() > timeoutMs)
            return false;
    }
    return true;
}

// Whether every entry of a colour table has finite components.
template <typename Entries>
bool allFinite(const Entries &entries)
{
    return std::all_of(entries.cbegin(), entries.cend(), [](const auto &e) { return std::isfinite(e.red) && std::isfinite(e.green) && std::isfinite(e.blue); });
}

// Takes the fuzz input apart front to back, big-endian; reads past the end give zeros and empty arrays.
class InputReader
{
public:
    InputReader(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    size_t remaining() const { return m_size - m_pos; }
    quint8 u8() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    quint16 u16() { const quint16 high = u8(); return static_cast<quint16>(high << 8 | u8()); }
    quint32 u32() { const quint32 high = u16(); return high << 16 | u16(); }
    QByteArray bytes(size_t count)
    {
        const size_t take = qMin(count, remaining());
        m_pos += take;
        return QByteArray(reinterpret_cast<const char *>(m_data + m_pos - take), static_cast<int>(take));
    }
    QByteArray rest() { return bytes(remaining()); }

private:
    const uint8_t *m_data;
    size_t m_size, m_pos = 0;
};

} // namespace Fuzz

#define FUZZ_CHECK(condition)                                   \
    do {                                                        \
        if (!(condition))                                       \
            Fuzz::fail(#condition, __FILE__, __LINE__);         \
    } while (false)

// The entry point of a target: libFuzzer's, or one registered with the corpus runner.
#ifdef FUZZ_CORPUS_RUNNER
#define FUZZ_TARGET(name)                                                            \
    static int fuzzTarget(const uint8_t *data, size_t size);                         \
    static const bool fuzzTargetRegistered = (Fuzz::targets().insert(name, fuzzTarget), true); \
    static int fuzzTarget
#else
#define FUZZ_TARGET(name) extern "C" int LLVMFuzzerTestOneInput
#endif
