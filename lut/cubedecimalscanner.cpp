#include "lut/cubedecimalscanner.h"

#include "lut/cubelinescanner.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace CubrixUtils {

namespace {

struct ScanState
{
    int decimals = 0;
    bool scanning = false;
};

bool isDigit(uchar c)
{
    return uchar(c - '0') <= 9;
}

// The exact scan of the lines from `from` (a line start) to `to`; a line that `to` cuts off
// counts as ended only when `lastLine` says the text ends there. `text` is the start of the
// whole text, for the look back at a point.
void scanLines(const uchar *text, const uchar *from, const uchar *to, bool lastLine, ScanState &state)
{
    bool lineMentionsSize = false;
    int lineFraction = 0;
    const auto endLine = [&] {
        if (lineMentionsSize)
            state.scanning = true;
        else if (state.scanning)
            state.decimals = std::max(state.decimals, lineFraction);
        lineMentionsSize = false;
        lineFraction = 0;
    };

    const uchar *p = from;
    while (p < to) {
        const uchar c = *p;
        if (c == '\n') {
            endLine();
            ++p;
            continue;
        }
        if (!isDigit(c)) {
            ++p;
            continue;
        }
        const bool afterPoint = p > text && p[-1] == '.';
        const uchar *const run = p;
        uint pair = c;
        while (++p < to && isDigit(*p)) {
            pair = ((pair << 8) | *p) & 0xFFFF;
            if (pair == ('1' << 8 | '7') || pair == ('3' << 8 | '3'))
                lineMentionsSize = true;
        }
        if (afterPoint)
            lineFraction = std::max(lineFraction, int(p - run));
    }
    if (lastLine)
        endLine();
}

const uchar *lineStartOf(const uchar *text, const uchar *p)
{
    while (p > text && p[-1] != '\n')
        --p;
    return p;
}

#if defined(__SSE2__)

// Once scanning is on, a line can only raise the result with a fraction longer than the result
// so far, and such fractions are rare: the lines of a LUT file all have about the same
// decimals. So the text is searched 64 bytes at a time for a point followed by more digits
// than the result, and only the lines where one stands are scanned exactly. `p` is a line
// start after the line that turned scanning on; gives the line start where the exact scan of
// the rest of the text is to go on.
const uchar *skipLinesWithoutLongerFractions(const uchar *text, const uchar *p, const uchar *end, ScanState &state)
{
    const __m128i zero = _mm_set1_epi8('0');
    const __m128i nine = _mm_set1_epi8(9);
    const __m128i point = _mm_set1_epi8('.');
    // A window of 64 bytes starts one byte before p, so that bit 0 tells whether p follows a
    // point. Fractions of up to 31 digits are told apart within one window.
    while (state.decimals < 31 && end - p >= 63) {
        const uchar *const window = p - 1;
        quint64 digits = 0;
        quint64 points = 0;
        for (int i = 0; i < 4; ++i) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(window + 16 * i));
            const __m128i offset = _mm_sub_epi8(bytes, zero);
            const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(offset, nine), offset);
            digits |= quint64(quint32(_mm_movemask_epi8(digit))) << (16 * i);
            points |= quint64(quint32(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, point)))) << (16 * i);
        }
        // Bit i of `longer`: bits i to i + needed - 1 are all digits, bits past the window
        // counting as digits. A run that starts at bit `stride` or earlier and reaches past the
        // window has at least `needed` digits, so the bits past the window add nothing false.
        const int needed = state.decimals + 1;
        const int stride = 64 - needed;
        quint64 longer = digits;
        for (int have = 1; have < needed;) {
            const int shift = std::min(have, needed - have);
            longer &= (longer >> shift) | (~quint64(0) << (64 - shift));
            have += shift;
        }
        const quint64 ownStarts = ((quint64(1) << stride) - 1) << 1; // bits 1 to stride: p onwards
        const quint64 candidates = (points << 1) & digits & longer & ownStarts;
        if (candidates == 0) {
            p += stride;
            continue;
        }
        // The whole line of the first candidate, exactly; then on after it.
        const uchar *const candidate = window + __builtin_ctzll(candidates);
        const uchar *const lineStart = lineStartOf(text, candidate);
        const void *newline = std::memchr(candidate, '\n', std::size_t(end - candidate));
        const uchar *const lineEnd = newline ? static_cast<const uchar *>(newline) + 1 : end;
        scanLines(text, lineStart, lineEnd, newline == nullptr, state);
        p = lineEnd;
    }
    return lineStartOf(text, p);
}

#endif

} // namespace

namespace {

// The scanned text: the file's bytes after a leading byte-order mark, as the line scanner sees them.
const uchar *textBegin(const QByteArray &text)
{
    return reinterpret_cast<const uchar *>(
        CubeLineScanner::afterByteOrderMark(text.constData(), text.constData() + text.size()));
}

} // namespace

int CubeDecimalScanner::decimals(const QByteArray &text)
{
    const uchar *const begin = textBegin(text);
    const uchar *const end = reinterpret_cast<const uchar *>(text.constData()) + text.size();
    ScanState state;
    // The lines up to the one that turns scanning on (the header: a few lines), exactly.
    const uchar *p = begin;
    while (p < end && !state.scanning) {
        const void *newline = std::memchr(p, '\n', std::size_t(end - p));
        const uchar *const lineEnd = newline ? static_cast<const uchar *>(newline) + 1 : end;
        scanLines(begin, p, lineEnd, newline == nullptr, state);
        p = lineEnd;
    }
#if defined(__SSE2__)
    if (state.scanning)
        p = skipLinesWithoutLongerFractions(begin, p, end, state);
#endif
    scanLines(begin, p, end, true, state);
    return state.decimals;
}

int CubeDecimalScanner::decimalsBytewise(const QByteArray &text)
{
    const uchar *const begin = textBegin(text);
    ScanState state;
    scanLines(begin, begin, reinterpret_cast<const uchar *>(text.constData()) + text.size(), true, state);
    return state.decimals;
}

} // namespace CubrixUtils
