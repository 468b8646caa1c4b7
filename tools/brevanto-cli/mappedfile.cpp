#include "mappedfile.h"

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
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_error = m_file.errorString();
        return false;
    }
    m_size = m_file.size();
    if (m_size > maximumSize || m_size > std::numeric_limits<int>::max()) {
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
    m_bytes = m_file.readAll();
    m_size = m_bytes.size();
    if (m_file.error() != QFileDevice::NoError) {
        m_error = m_file.errorString();
        return false;
    }
    return true;
}
