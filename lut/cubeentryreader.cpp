#include "lut/cubeentryreader.h"

#include "lut/cubelinescanner.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace CubrixUtils {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Keyword and comment lines that never hold an entry.
bool isIgnoredLine(const CubeLineScanner::Line &line)
{
    if (line.isEmpty() || *line.begin == '#')
        return true;
    return line.startsWith("TITLE") || line.startsWith("DOMAIN_") || line.startsWith("LUT_");
}

// Splits a trimmed line on runs of white space; true only for exactly three pieces.
bool splitThree(const CubeLineScanner::Line &line, CubeLineScanner::Line pieces[3])
{
    const char *p = line.begin;
    int count = 0;
    while (p < line.end) {
        while (p < line.end && CubeLineScanner::isSpace(*p))
            ++p;
        if (p == line.end)
            break;
        if (count == 3)
            return false;
        const char *start = p;
        while (p < line.end && !CubeLineScanner::isSpace(*p))
            ++p;
        pieces[count].begin = start;
        pieces[count].end = p;
        ++count;
    }
    return count == 3;
}

} // namespace

bool CubeEntryReader::toFloat(const char *begin, const char *end, float &value)
{
    // Check the whole token against the decimal grammar first: from_chars would also take
    // "inf" and "nan" and would stop early on trailing junk.
    const char *p = begin;
    if (p < end && (*p == '+' || *p == '-'))
        ++p;
    const char *digits = p;
    int mantissaDigits = 0;
    while (p < end && isDigit(*p)) {
        ++p;
        ++mantissaDigits;
    }
    if (p < end && *p == '.') {
        ++p;
        while (p < end && isDigit(*p)) {
            ++p;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return false;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-'))
            ++p;
        const char *exponentDigits = p;
        while (p < end && isDigit(*p))
            ++p;
        if (p == exponentDigits)
            return false;
    }
    if (p != end)
        return false;

    // from_chars takes no plus sign and is independent of the C locale.
    const char *start = (*begin == '+') ? digits : begin;
    float parsed = 0.0f;
    const std::from_chars_result result = std::from_chars(start, end, parsed);
    if (result.ec != std::errc() || result.ptr != end)
        return false;
    value = parsed;
    return true;
}

std::vector<LutEntry> CubeEntryReader::read(const QByteArray &text, UnreadablePiece rule,
                                            int maxEntries)
{
    std::vector<LutEntry> entries;
    // An entry line takes at least six bytes ("0 0 0\n"), which bounds the reservation by
    // the text itself.
    std::size_t expected = std::size_t(text.size()) / 6 + 1;
    if (maxEntries >= 0)
        expected = std::min(expected, std::size_t(maxEntries));
    entries.reserve(std::min<std::size_t>(expected, 35937));

    CubeLineScanner scanner(text);
    CubeLineScanner::Line line;
    CubeLineScanner::Line pieces[3];
    while ((maxEntries < 0 || int(entries.size()) < maxEntries) && scanner.next(line)) {
        if (isIgnoredLine(line) || !splitThree(line, pieces))
            continue;
        float values[3];
        bool complete = true;
        for (int i = 0; i < 3; ++i) {
            if (!toFloat(pieces[i].begin, pieces[i].end, values[i])) {
                values[i] = 0.0f;
                complete = false;
            }
        }
        if (!complete && rule == UnreadablePiece::SkipLine)
            continue;
        entries.push_back(LutEntry{values[0], values[1], values[2]});
    }
    return entries;
}

} // namespace CubrixUtils
