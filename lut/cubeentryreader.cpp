#include "lut/cubeentryreader.h"

#include <QtGlobal>

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <optional>
#include <system_error>

namespace CubrixUtils {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Integers up to 2^24 and powers of ten up to 10^10 (5^10 < 2^24) are exact floats.
constexpr quint32 MaxExactMantissa = 1u << 24;
constexpr int MaxExactPowerOfTen = 10;
constexpr float PowersOfTen[MaxExactPowerOfTen + 1] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                                      1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
// Float operations round to float only where the compiler evaluates them in float.
constexpr bool ExactFloatArithmetic = FLT_EVAL_METHOD == 0;

// Keyword and comment lines that never hold an entry, and why.
std::optional<CubeEntryReader::SkipReason> ignoredLineReason(const CubeLineScanner::Line &line)
{
    using Reason = CubeEntryReader::SkipReason;
    if (line.isEmpty())
        return Reason::Blank;
    switch (*line.begin) {
    case '#':
        return Reason::Comment;
    case 'T':
        if (line.startsWith("TITLE"))
            return Reason::Keyword;
        break;
    case 'D':
        if (line.startsWith("DOMAIN_"))
            return Reason::Keyword;
        break;
    case 'L':
        if (line.startsWith("LUT_"))
            return Reason::Keyword;
        break;
    default:
        break;
    }
    return std::nullopt;
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
    // "inf" and "nan" and would stop early on trailing junk. Collect the digits on the way
    // for the fast path below.
    const char *p = begin;
    const bool negative = p < end && *p == '-';
    if (p < end && (*p == '+' || *p == '-'))
        ++p;
    const char *digits = p;
    int mantissaDigits = 0;
    int fractionDigits = 0;
    quint32 mantissa = 0;
    bool mantissaFits = true;
    const auto takeDigit = [&](char c) {
        if (mantissa > (MaxExactMantissa - 9) / 10)
            mantissaFits = false;
        else
            mantissa = mantissa * 10 + quint32(c - '0');
        ++mantissaDigits;
    };
    while (p < end && isDigit(*p))
        takeDigit(*p++);
    if (p < end && *p == '.') {
        ++p;
        while (p < end && isDigit(*p)) {
            takeDigit(*p++);
            ++fractionDigits;
        }
    }
    if (mantissaDigits == 0)
        return false;
    bool hasExponent = false;
    if (p < end && (*p == 'e' || *p == 'E')) {
        hasExponent = true;
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

    // The usual LUT value ("0.117647"): a mantissa and a power of ten that are both exact
    // floats, so one correctly rounded division gives the nearest float, as from_chars does.
    if (ExactFloatArithmetic && !hasExponent && mantissaFits && fractionDigits <= MaxExactPowerOfTen) {
        const float magnitude = float(mantissa) / PowersOfTen[fractionDigits];
        value = negative ? -magnitude : magnitude;
        return true;
    }

    // from_chars takes no plus sign and is independent of the C locale.
    const char *start = (*begin == '+') ? digits : begin;
    float parsed = 0.0f;
    const std::from_chars_result result = std::from_chars(start, end, parsed);
    if (result.ec != std::errc() || result.ptr != end)
        return false;
    value = parsed;
    return true;
}

CubeEntryReader::CubeEntryReader(const QByteArray &text) : m_scanner(text)
{
}

bool CubeEntryReader::nextCandidate()
{
    CubeLineScanner::Line line;
    while (m_scanner.next(line)) {
        const std::optional<SkipReason> ignored = ignoredLineReason(line);
        if (!ignored && splitThree(line, m_pieces))
            return true;
        if (m_skipObserver)
            m_skipObserver(m_scanner.lineNumber(), ignored.value_or(SkipReason::NotThreePieces), line);
    }
    return false;
}

bool CubeEntryReader::convert(LutEntry &entry) const
{
    bool complete = true;
    float *const values[3] = {&entry.red, &entry.green, &entry.blue};
    for (int i = 0; i < 3; ++i) {
        if (!toFloat(m_pieces[i].begin, m_pieces[i].end, *values[i])) {
            *values[i] = 0.0f;
            complete = false;
        }
    }
    return complete;
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

    CubeEntryReader reader(text);
    while ((maxEntries < 0 || int(entries.size()) < maxEntries) && reader.nextCandidate()) {
        LutEntry entry;
        if (reader.convert(entry) || rule == UnreadablePiece::CountAsZero)
            entries.push_back(entry);
    }
    return entries;
}

} // namespace CubrixUtils
