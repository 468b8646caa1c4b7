#include "lut/cubelinescanner.h"

#include <cstring>

namespace CubrixUtils {

bool CubeLineScanner::Line::startsWith(const char *prefix) const
{
    const std::size_t length = std::strlen(prefix);
    return std::size_t(size()) >= length && std::memcmp(begin, prefix, length) == 0;
}

bool CubeLineScanner::Line::equals(const char *text) const
{
    const std::size_t length = std::strlen(text);
    return std::size_t(size()) == length && std::memcmp(begin, text, length) == 0;
}

const char *CubeLineScanner::afterByteOrderMark(const char *begin, const char *end)
{
    static constexpr char Mark[] = "\xEF\xBB\xBF";
    constexpr std::size_t MarkSize = sizeof Mark - 1;
    if (std::size_t(end - begin) >= MarkSize && std::memcmp(begin, Mark, MarkSize) == 0)
        return begin + MarkSize;
    return begin;
}

CubeLineScanner::CubeLineScanner(const QByteArray &text)
    : m_position(afterByteOrderMark(text.constData(), text.constData() + text.size())),
      m_end(text.constData() + text.size())
{
}

bool CubeLineScanner::next(Line &line)
{
    if (m_position >= m_end)
        return false;
    const void *newline = std::memchr(m_position, '\n', std::size_t(m_end - m_position));
    const char *lineEnd = newline ? static_cast<const char *>(newline) : m_end;
    const char *begin = m_position;
    m_position = newline ? lineEnd + 1 : m_end;
    ++m_lineNumber;

    while (begin < lineEnd && isSpace(*begin))
        ++begin;
    while (lineEnd > begin && isSpace(lineEnd[-1]))
        --lineEnd;
    line.begin = begin;
    line.end = lineEnd;
    return true;
}

} // namespace CubrixUtils
