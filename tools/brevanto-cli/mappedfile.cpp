#include "mappedfile.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <limits>
#include <unistd.h>

namespace {
// A mapped file cut short by another program while it is read raises SIGBUS at the first page
// past its new end. The run then ends as a failure that says why, not as a crash.
void inputChangedWhileRead(int)
{
    static const char message[] = "brevanto-cli: an input file was shortened while it was being read\n";
    const ssize_t ignored = write(STDERR_FILENO, message, sizeof message - 1);
    (void)ignored;
    _exit(1);
}

void reportShortenedFiles()
{
    static const bool installed = [] {
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = inputChangedWhileRead;
        sigemptyset(&action.sa_mask);
        return sigaction(SIGBUS, &action, nullptr) == 0;
    }();
    (void)installed;
}
} // namespace

bool MappedFile::open(const QString &path, qint64 maximumSize)
{
    // A byte array holds less than 2 GiB, and one byte past the limit is read to tell a source
    // that ends there from a longer one.
    maximumSize = qBound<qint64>(0, maximumSize, std::numeric_limits<int>::max() - 1);
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_error = m_file.errorString();
        return false;
    }
    m_size = m_file.size();
    if (m_size > maximumSize) {
        m_file.close();
        m_tooLarge = true;
        m_error = QStringLiteral("%1 bytes is too large").arg(m_size);
        return false;
    }
    // A file of no bytes, or one the system cannot map (a pipe, say), is read instead.
    const uchar *mapped = m_size > 0 ? m_file.map(0, m_size) : nullptr;
    if (mapped) {
        reportShortenedFiles();
        m_bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(mapped), int(m_size));
        return true;
    }
    const bool read = readBounded(maximumSize);
    // The bytes are held now; a writer at the other end of a pipe learns that nobody reads on.
    m_file.close();
    return read;
}

bool MappedFile::readBounded(qint64 maximumSize)
{
    // The size the system gives is no bound here: a device or a pipe says 0 and may go on
    // for ever.
    constexpr qint64 ChunkSize = 1024 * 1024;
    m_bytes.clear();
    for (;;) {
        const qint64 room = maximumSize + 1 - m_bytes.size();
        const qint64 wanted = std::min(ChunkSize, room);
        const int start = m_bytes.size();
        m_bytes.resize(start + int(wanted));
        const qint64 got = m_file.read(m_bytes.data() + start, wanted);
        m_bytes.resize(start + int(std::max<qint64>(got, 0)));
        if (got < 0) {
            m_error = m_file.errorString();
            m_bytes.clear();
            return false;
        }
        if (m_bytes.size() > maximumSize) {
            m_bytes.clear();
            m_size = -1;
            m_tooLarge = true;
            m_error = QStringLiteral("more than %1 bytes is too large").arg(maximumSize);
            return false;
        }
        if (got == 0)
            break;
    }
    m_size = m_bytes.size();
    return true;
}
