#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <cstddef>
#include <cstdint>

// Shared by every fuzz target and by the corpus runner.
namespace Fuzz {

// The corpus runner links every target into one program, where each registers under its name.
using Target = int (*)(const uint8_t *data, size_t size);
bool registerTarget(const char *name, Target target);
Target target(const QString &name);

// One application object for the whole process (offscreen, per-user folders in the scratch
// folder). Messages are dropped unless FUZZ_VERBOSE is set: printing what the code under test
// logs would cost more than the work itself.
void ensureApplication();
// A private folder for files handed to file readers (in /dev/shm where there is one), and a
// file written there.
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
    timer.start();
    for (; !done(); QCoreApplication::processEvents(QEventLoop::AllEvents, 5)) {
        if (timer.elapsed() > timeoutMs)
            return false;
    }
    return true;
}

// Takes the fuzz input apart front to back; reads past the end give zeros and empty arrays.
class InputReader
{
public:
    InputReader(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    size_t remaining() const { return m_size - m_pos; }
    quint8 u8() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    quint16 u16() { const quint16 high = u8(); return static_cast<quint16>(high << 8 | u8()); } // big-endian, high first
    quint32 u32() { const quint32 high = u16(); return high << 16 | u16(); }
    QByteArray bytes(size_t count);
    QByteArray rest() { return bytes(remaining()); }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// CRC-16/X-25 of an MNCP header with its CRC field zero, bit by bit (independent of the
// program's table): the targets repair CRCs so that inputs reach past the header check.
quint16 headerCrc(const uchar *header12);

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
    static const bool fuzzTargetRegistered = Fuzz::registerTarget(name, fuzzTarget); \
    static int fuzzTarget
#else
#define FUZZ_TARGET(name) extern "C" int LLVMFuzzerTestOneInput
#endif
