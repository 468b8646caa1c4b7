#include "mappedfile.h"

#include <limits>

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
