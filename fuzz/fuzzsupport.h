#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>

// Shared by every fuzz target and by the corpus regression runner.
namespace Fuzz {

// One application object for the whole process (offscreen platform, data folders inside the
// scratch folder). Messages are dropped unless FUZZ_VERBOSE is set: the code under test logs
// every reply, and printing would cost more than the work itself.
void ensureApplication();

// A private folder for files handed to file readers; in /dev/shm when there is one.
QString scratchDir();
// Writes `bytes` to `name` inside the scratch folder and returns the full path.
QString writeScratchFile(const QString &name, const QByteArray &bytes);

// Runs the event loop until `done` holds or `timeoutMs` has passed; returns `done()`.
template <typename Done>
bool processEventsUntil(Done done, int timeoutMs);
void processEventsOnce();

// Reports a broken invariant and aborts, so that libFuzzer keeps the input.
[[noreturn]] void fail(const char *condition, const char *file, int line);

// Takes the fuzz input apart front to back; reads past the end give zeros and empty arrays.
class InputReader
{
public:
    InputReader(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    size_t remaining() const { return m_size - m_pos; }
    quint8 u8();
    quint16 u16();
    quint32 u32();
    QByteArray bytes(size_t count);
    QByteArray rest();

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// CRC-16/X-25 of an MNCP header with its CRC field zero: the fuzz targets repair CRCs so
// that inputs reach past the header check. Bit by bit, independent of the program's table.
quint16 headerCrc(const uchar *header12);

} // namespace Fuzz

#define FUZZ_CHECK(condition)                                   \
    do {                                                        \
        if (!(condition))                                       \
            Fuzz::fail(#condition, __FILE__, __LINE__);         \
    } while (false)

#include <QCoreApplication>
#include <QElapsedTimer>

template <typename Done>
bool Fuzz::processEventsUntil(Done done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}
