#include "ycbcrlineconverter.h"

// The results must be bit-identical to the reference: a fused multiply-add would skip the
// rounding of the product, so contraction stays off even in builds for FMA processors.
#if defined(__clang__)
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

#include <QtEndian>
#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// Four (AVX) or eight (AVX-512) doubles per instruction where the processor has them, chosen at
// run time so that the program still runs on any x86-64.
#if defined(__SSE2__) && defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define BREVANTO_CAPTURE_AVX 1
#include <immintrin.h>
#endif

using Matrix = CubrixUtils::Formulas::Matrix;

namespace {

#if defined(__SSE2__)

// Single precision after each addition: round the two doubles to float and widen again.
inline __m128d toFloatPrecision(__m128d v)
{
    return _mm_cvtps_pd(_mm_cvtpd_ps(v));
}

// Rounding half away from zero followed by the 8-bit mapping (0 below 0, 255 above 1023,
// else v / 4) is, for a single-precision value s, truncation of min(max(s + 0.5, 0), 1023.5),
// then / 4; adding 0.5 to a float's value is exact in double.
inline __m128i to8Bit(__m128d s)
{
    const __m128d t = _mm_min_pd(_mm_max_pd(_mm_add_pd(s, _mm_set1_pd(0.5)), _mm_setzero_pd()), _mm_set1_pd(1023.5));
    return _mm_srli_epi32(_mm_cvttpd_epi32(t), 2);
}

struct Coefficients {
    explicit Coefficients(const Matrix &m)
        : gain(_mm_set1_pd(m.gain)), rCr(_mm_set1_pd(m.rCr)), gCb(_mm_set1_pd(m.gCb)), gCr(_mm_set1_pd(m.gCr)),
          bCb(_mm_set1_pd(m.bCb)), rOffset(_mm_set1_pd(m.rOffset)), gOffset(_mm_set1_pd(m.gOffset)),
          bOffset(_mm_set1_pd(m.bOffset))
    {
    }
    __m128d gain, rCr, gCb, gCr, bCb, rOffset, gOffset, bOffset;
};

// Two pixels: samples in the low two 32-bit lanes; 8-bit R, G, B in the low two lanes.
inline void convertPair(const Coefficients &c, __m128i yi, __m128i cbi, __m128i cri, __m128i &r, __m128i &g,
                        __m128i &b)
{
    const __m128d y = _mm_cvtepi32_pd(yi);
    const __m128d cb = _mm_cvtepi32_pd(cbi);
    const __m128d cr = _mm_cvtepi32_pd(cri);
    const __m128d luma = toFloatPrecision(_mm_mul_pd(c.gain, y));

    __m128d red = toFloatPrecision(_mm_add_pd(luma, _mm_mul_pd(c.rCr, cr)));
    red = toFloatPrecision(_mm_add_pd(red, c.rOffset));

    __m128d green = toFloatPrecision(_mm_add_pd(luma, _mm_mul_pd(c.gCb, cb)));
    green = toFloatPrecision(_mm_add_pd(green, _mm_mul_pd(c.gCr, cr)));
    green = toFloatPrecision(_mm_add_pd(green, c.gOffset));

    __m128d blue = toFloatPrecision(_mm_add_pd(luma, _mm_mul_pd(c.bCb, cb)));
    blue = toFloatPrecision(_mm_add_pd(blue, c.bOffset));

    r = to8Bit(red);
    g = to8Bit(green);
    b = to8Bit(blue);
}

// Converts whole groups of four from `x` on; returns where it stopped.
int convertSse2(const Matrix &m, const qint32 *y, const qint32 *cb, const qint32 *cr, quint32 *out, int x, int count)
{
    const Coefficients c(m);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (; x + 4 <= count; x += 4) {
        const __m128i y4 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(y + x));
        const __m128i cb4 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(cb + x));
        const __m128i cr4 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(cr + x));
        __m128i rLow, gLow, bLow, rHigh, gHigh, bHigh;
        convertPair(c, y4, cb4, cr4, rLow, gLow, bLow);
        convertPair(c, _mm_shuffle_epi32(y4, 0xEE), _mm_shuffle_epi32(cb4, 0xEE), _mm_shuffle_epi32(cr4, 0xEE), rHigh,
                    gHigh, bHigh);
        const __m128i r = _mm_unpacklo_epi64(rLow, rHigh);
        const __m128i g = _mm_unpacklo_epi64(gLow, gHigh);
        const __m128i b = _mm_unpacklo_epi64(bLow, bHigh);
        const __m128i pixels =
            _mm_or_si128(_mm_or_si128(alpha, _mm_slli_epi32(r, 16)), _mm_or_si128(_mm_slli_epi32(g, 8), b));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + x), pixels);
    }
    return x;
}

inline void splitWords(__m128i words, __m128i &y, __m128i &cb, __m128i &cr)
{
    const __m128i mask = _mm_set1_epi32(0x3FF);
    cr = _mm_and_si128(words, mask);
    y = _mm_and_si128(_mm_srli_epi32(words, 10), mask);
    cb = _mm_and_si128(_mm_srli_epi32(words, 20), mask);
}

inline __m128i byteSwapWords(__m128i words)
{
    const __m128i swapped16 = _mm_or_si128(_mm_slli_epi16(words, 8), _mm_srli_epi16(words, 8));
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(swapped16, 0xB1), 0xB1);
}

int convertWordsSse2(const Matrix &m, const uchar *line, bool bigEndian, quint32 *out, int x, int count)
{
    const Coefficients c(m);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (; x + 4 <= count; x += 4) {
        __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i *>(line + 4 * x));
        if (bigEndian)
            words = byteSwapWords(words);
        __m128i y4, cb4, cr4;
        splitWords(words, y4, cb4, cr4);
        __m128i rLow, gLow, bLow, rHigh, gHigh, bHigh;
        convertPair(c, y4, cb4, cr4, rLow, gLow, bLow);
        convertPair(c, _mm_shuffle_epi32(y4, 0xEE), _mm_shuffle_epi32(cb4, 0xEE), _mm_shuffle_epi32(cr4, 0xEE), rHigh,
                    gHigh, bHigh);
        const __m128i r = _mm_unpacklo_epi64(rLow, rHigh);
        const __m128i g = _mm_unpacklo_epi64(gLow, gHigh);
        const __m128i b = _mm_unpacklo_epi64(bLow, bHigh);
        const __m128i pixels =
            _mm_or_si128(_mm_or_si128(alpha, _mm_slli_epi32(r, 16)), _mm_or_si128(_mm_slli_epi32(g, 8), b));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + x), pixels);
    }
    return x;
}

#endif

#if defined(BREVANTO_CAPTURE_AVX)

#define AVX_FUNCTION __attribute__((target("avx")))

AVX_FUNCTION inline __m256d toFloatPrecisionAvx(__m256d v)
{
    return _mm256_cvtps_pd(_mm256_cvtpd_ps(v));
}

AVX_FUNCTION inline __m128i to8BitAvx(__m256d s)
{
    const __m256d t = _mm256_min_pd(_mm256_max_pd(_mm256_add_pd(s, _mm256_set1_pd(0.5)), _mm256_setzero_pd()),
                                    _mm256_set1_pd(1023.5));
    return _mm_srli_epi32(_mm256_cvttpd_epi32(t), 2);
}

// Four pixels, the same steps as convertPair.
AVX_FUNCTION inline __m128i convertQuadAvx(const Matrix &m, __m128i yi, __m128i cbi, __m128i cri)
{
    const __m256d y = _mm256_cvtepi32_pd(yi);
    const __m256d cb = _mm256_cvtepi32_pd(cbi);
    const __m256d cr = _mm256_cvtepi32_pd(cri);
    const __m256d luma = toFloatPrecisionAvx(_mm256_mul_pd(_mm256_set1_pd(m.gain), y));

    __m256d red = toFloatPrecisionAvx(_mm256_add_pd(luma, _mm256_mul_pd(_mm256_set1_pd(m.rCr), cr)));
    red = toFloatPrecisionAvx(_mm256_add_pd(red, _mm256_set1_pd(m.rOffset)));

    __m256d green = toFloatPrecisionAvx(_mm256_add_pd(luma, _mm256_mul_pd(_mm256_set1_pd(m.gCb), cb)));
    green = toFloatPrecisionAvx(_mm256_add_pd(green, _mm256_mul_pd(_mm256_set1_pd(m.gCr), cr)));
    green = toFloatPrecisionAvx(_mm256_add_pd(green, _mm256_set1_pd(m.gOffset)));

    __m256d blue = toFloatPrecisionAvx(_mm256_add_pd(luma, _mm256_mul_pd(_mm256_set1_pd(m.bCb), cb)));
    blue = toFloatPrecisionAvx(_mm256_add_pd(blue, _mm256_set1_pd(m.bOffset)));

    return _mm_or_si128(_mm_or_si128(_mm_set1_epi32(static_cast<int>(0xFF000000u)), _mm_slli_epi32(to8BitAvx(red), 16)),
                        _mm_or_si128(_mm_slli_epi32(to8BitAvx(green), 8), to8BitAvx(blue)));
}

AVX_FUNCTION inline __m128i loadQuad(const qint32 *values)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i *>(values));
}

// Converts whole groups of eight from the start; returns where it stopped.
AVX_FUNCTION int convertAvx(const Matrix &m, const qint32 *y, const qint32 *cb, const qint32 *cr, quint32 *out,
                            int count)
{
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        // Two independent quads keep the pipeline busy.
        const __m128i first = convertQuadAvx(m, loadQuad(y + x), loadQuad(cb + x), loadQuad(cr + x));
        const __m128i second = convertQuadAvx(m, loadQuad(y + x + 4), loadQuad(cb + x + 4), loadQuad(cr + x + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + x), first);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + x + 4), second);
    }
    return x;
}

AVX_FUNCTION inline __m128i convertWordQuadAvx(const Matrix &m, const uchar *words, bool bigEndian)
{
    __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i *>(words));
    if (bigEndian)
        w = _mm_shuffle_epi8(w, _mm_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12));
    const __m128i mask = _mm_set1_epi32(0x3FF);
    return convertQuadAvx(m, _mm_and_si128(_mm_srli_epi32(w, 10), mask), _mm_and_si128(_mm_srli_epi32(w, 20), mask),
                          _mm_and_si128(w, mask));
}

AVX_FUNCTION int convertWordsAvx(const Matrix &m, const uchar *line, bool bigEndian, quint32 *out, int count)
{
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        const __m128i first = convertWordQuadAvx(m, line + 4 * x, bigEndian);
        const __m128i second = convertWordQuadAvx(m, line + 4 * x + 16, bigEndian);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + x), first);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + x + 4), second);
    }
    return x;
}

// Eight doubles per instruction where the processor has AVX-512; the same steps again.
#define AVX512_FUNCTION __attribute__((target("avx512f,avx512vl,avx2")))

AVX512_FUNCTION inline __m512d toFloatPrecision512(__m512d v)
{
    return _mm512_cvtps_pd(_mm512_cvtpd_ps(v));
}

AVX512_FUNCTION inline __m256i to8Bit512(__m512d s)
{
    const __m512d t = _mm512_min_pd(_mm512_max_pd(_mm512_add_pd(s, _mm512_set1_pd(0.5)), _mm512_setzero_pd()),
                                    _mm512_set1_pd(1023.5));
    return _mm256_srli_epi32(_mm512_cvttpd_epi32(t), 2);
}

// Eight pixels, the same steps as convertPair.
AVX512_FUNCTION inline __m256i convertOctet512(const Matrix &m, __m256i yi, __m256i cbi, __m256i cri)
{
    const __m512d y = _mm512_cvtepi32_pd(yi);
    const __m512d cb = _mm512_cvtepi32_pd(cbi);
    const __m512d cr = _mm512_cvtepi32_pd(cri);
    const __m512d luma = toFloatPrecision512(_mm512_mul_pd(_mm512_set1_pd(m.gain), y));

    __m512d red = toFloatPrecision512(_mm512_add_pd(luma, _mm512_mul_pd(_mm512_set1_pd(m.rCr), cr)));
    red = toFloatPrecision512(_mm512_add_pd(red, _mm512_set1_pd(m.rOffset)));

    __m512d green = toFloatPrecision512(_mm512_add_pd(luma, _mm512_mul_pd(_mm512_set1_pd(m.gCb), cb)));
    green = toFloatPrecision512(_mm512_add_pd(green, _mm512_mul_pd(_mm512_set1_pd(m.gCr), cr)));
    green = toFloatPrecision512(_mm512_add_pd(green, _mm512_set1_pd(m.gOffset)));

    __m512d blue = toFloatPrecision512(_mm512_add_pd(luma, _mm512_mul_pd(_mm512_set1_pd(m.bCb), cb)));
    blue = toFloatPrecision512(_mm512_add_pd(blue, _mm512_set1_pd(m.bOffset)));

    return _mm256_or_si256(
        _mm256_or_si256(_mm256_set1_epi32(static_cast<int>(0xFF000000u)), _mm256_slli_epi32(to8Bit512(red), 16)),
        _mm256_or_si256(_mm256_slli_epi32(to8Bit512(green), 8), to8Bit512(blue)));
}

AVX512_FUNCTION inline __m256i loadOctet(const qint32 *values)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(values));
}

// Converts whole groups of sixteen from the start; returns where it stopped.
AVX512_FUNCTION int convertAvx512(const Matrix &m, const qint32 *y, const qint32 *cb, const qint32 *cr,
                                  quint32 *out, int count)
{
    int x = 0;
    for (; x + 16 <= count; x += 16) {
        // Two independent octets keep the pipeline busy.
        const __m256i first = convertOctet512(m, loadOctet(y + x), loadOctet(cb + x), loadOctet(cr + x));
        const __m256i second = convertOctet512(m, loadOctet(y + x + 8), loadOctet(cb + x + 8), loadOctet(cr + x + 8));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + x), first);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + x + 8), second);
    }
    return x;
}

AVX512_FUNCTION inline __m256i convertWordOctet512(const Matrix &m, const uchar *words, bool bigEndian)
{
    __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(words));
    if (bigEndian)
        w = _mm256_shuffle_epi8(w, _mm256_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12, 3, 2, 1, 0,
                                                    7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12));
    const __m256i mask = _mm256_set1_epi32(0x3FF);
    return convertOctet512(m, _mm256_and_si256(_mm256_srli_epi32(w, 10), mask),
                           _mm256_and_si256(_mm256_srli_epi32(w, 20), mask), _mm256_and_si256(w, mask));
}

AVX512_FUNCTION int convertWordsAvx512(const Matrix &m, const uchar *line, bool bigEndian, quint32 *out, int count)
{
    int x = 0;
    for (; x + 16 <= count; x += 16) {
        const __m256i first = convertWordOctet512(m, line + 4 * x, bigEndian);
        const __m256i second = convertWordOctet512(m, line + 4 * x + 32, bigEndian);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + x), first);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + x + 8), second);
    }
    return x;
}

#endif

} // namespace

YCbCrLineConverter::YCbCrLineConverter(uint range, Path path)
    : m_matrix(CubrixUtils::Formulas::matrix(range)), m_table(range), m_path(std::min(path, bestPath()))
{
}

YCbCrLineConverter::Path YCbCrLineConverter::bestPath()
{
#if defined(BREVANTO_CAPTURE_AVX)
    static const Path best = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl")
                                     && __builtin_cpu_supports("avx2")
                                 ? Avx512
                                 : __builtin_cpu_supports("avx") ? Avx : Sse2;
    return best;
#elif defined(__SSE2__)
    return Sse2;
#else
    return Scalar;
#endif
}

const char *YCbCrLineConverter::pathName(Path path)
{
    switch (path) {
    case Avx512: return "AVX-512";
    case Avx: return "AVX";
    case Sse2: return "SSE2";
    default: return "scalar";
    }
}

void YCbCrLineConverter::convert(const qint32 *y, const qint32 *cb, const qint32 *cr, quint32 *out, int count) const
{
    int x = 0;
#if defined(BREVANTO_CAPTURE_AVX)
    if (m_path == Avx512)
        x = convertAvx512(m_matrix, y, cb, cr, out, count);
    if (m_path >= Avx)
        x += convertAvx(m_matrix, y + x, cb + x, cr + x, out + x, count - x);
#endif
#if defined(__SSE2__)
    if (m_path >= Sse2)
        x = convertSse2(m_matrix, y, cb, cr, out, x, count);
#endif
    for (; x < count; ++x)
        out[x] = m_table.pixel(y[x], cb[x], cr[x]);
}

void YCbCrLineConverter::convertWords(const uchar *line, bool bigEndian, quint32 *out, int count) const
{
    int x = 0;
#if defined(BREVANTO_CAPTURE_AVX)
    if (m_path == Avx512)
        x = convertWordsAvx512(m_matrix, line, bigEndian, out, count);
    if (m_path >= Avx)
        x += convertWordsAvx(m_matrix, line + 4 * x, bigEndian, out + x, count - x);
#endif
#if defined(__SSE2__)
    if (m_path >= Sse2)
        x = convertWordsSse2(m_matrix, line, bigEndian, out, x, count);
#endif
    for (; x < count; ++x) {
        const quint32 w = bigEndian ? qFromBigEndian<quint32>(line + 4 * x) : qFromLittleEndian<quint32>(line + 4 * x);
        out[x] = m_table.pixel(static_cast<int>((w >> 10) & 0x3FF), static_cast<int>((w >> 20) & 0x3FF),
                               static_cast<int>(w & 0x3FF));
    }
}
