#include "filters/deinterlacer.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

namespace sp {

namespace {

constexpr int kDetectionThreshold = 2000;

// Rows are read and written as whole 32-bit pixels so that the channel arithmetic below runs
// in 32-bit lanes, which the compiler turns into vector code. The buffers come from
// allocations of bytes, which may hold objects of any type.
const std::uint32_t* pixelRow(ConstFrameView v, int row) {
    return reinterpret_cast<const std::uint32_t*>(v.bits + row * v.strideBytes);
}

std::uint32_t* pixelRow(FrameView v, int row) {
    return reinterpret_cast<std::uint32_t*>(v.bits + row * v.strideBytes);
}

// Weighted product of the differences of the pixel c to its neighbours a (above) and b (below):
// positive in a channel when c lies outside the range of a and b.
inline int combScore(std::uint32_t a, std::uint32_t c, std::uint32_t b) {
    const int aB = int(a & 0xFF), cB = int(c & 0xFF), bB = int(b & 0xFF);
    const int aG = int((a >> 8) & 0xFF), cG = int((c >> 8) & 0xFF), bG = int((b >> 8) & 0xFF);
    const int aR = int((a >> 16) & 0xFF), cR = int((c >> 16) & 0xFF), bR = int((b >> 16) & 0xFF);
    return 3 * (aR - cR) * (bR - cR) + 6 * (aG - cG) * (bG - cG) + (aB - cB) * (bB - cB);
}

// Per-byte floor((a + b) / 2) of B, G, R without carries between bytes; the fourth byte
// comes from `keep`.
inline std::uint32_t averageKeepingFourth(std::uint32_t a, std::uint32_t b, std::uint32_t keep) {
    const std::uint32_t average = (a & b) + (((a ^ b) & 0xFEFEFEFEu) >> 1);
    return (average & 0x00FFFFFFu) | (keep & 0xFF000000u);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SP_DEINTERLACE_AVX2 1
// The SSE2 steps below on eight pixels at a time (each 128-bit half does four), on processors
// with AVX2; returns how many pixels it did.
__attribute__((target("avx2"))) inline __m256i pairSumsAvx2(__m256i a, __m256i c, __m256i b,
                                                            __m256i weights) {
    return _mm256_madd_epi16(_mm256_mullo_epi16(_mm256_sub_epi16(a, c), weights),
                             _mm256_sub_epi16(b, c));
}

__attribute__((target("avx2"))) int detectCombsAvx2(const std::uint32_t* above,
                                                    const std::uint32_t* current,
                                                    const std::uint32_t* below, int width,
                                                    std::uint8_t* detected) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i weights = _mm256_set_epi16(0, 3, 6, 1, 0, 3, 6, 1, 0, 3, 6, 1, 0, 3, 6, 1);
    const __m256i threshold = _mm256_set1_epi32(kDetectionThreshold);
    int i = 0;
    for (; i + 8 <= width; i += 8) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(above + i));
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(current + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(below + i));
        const __m256i lowSums =
            pairSumsAvx2(_mm256_unpacklo_epi8(a, zero), _mm256_unpacklo_epi8(c, zero),
                         _mm256_unpacklo_epi8(b, zero), weights);
        const __m256i highSums =
            pairSumsAvx2(_mm256_unpackhi_epi8(a, zero), _mm256_unpackhi_epi8(c, zero),
                         _mm256_unpackhi_epi8(b, zero), weights);
        const __m256i low = _mm256_shuffle_epi32(lowSums, _MM_SHUFFLE(3, 1, 2, 0));
        const __m256i high = _mm256_shuffle_epi32(highSums, _MM_SHUFFLE(3, 1, 2, 0));
        const __m256i score =
            _mm256_add_epi32(_mm256_unpacklo_epi64(low, high), _mm256_unpackhi_epi64(low, high));
        const __m256i hit = _mm256_srli_epi32(_mm256_cmpgt_epi32(score, threshold), 31);
        // Per half: pixels 0..3 and 4..7, four bytes each at the bottom of the half.
        const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(hit, zero), zero);
        const int lowFour = _mm_cvtsi128_si32(_mm256_castsi256_si128(bytes));
        const int highFour = _mm_cvtsi128_si32(_mm256_extracti128_si256(bytes, 1));
        std::memcpy(detected + i, &lowFour, 4);
        std::memcpy(detected + i + 4, &highFour, 4);
    }
    return i;
}

bool haveAvx2() {
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}
#endif

// detected[i] := the comb score of pixel i of `current` is above the threshold, for the first
// pixels of the row; returns how many it did (the caller finishes the row).
int detectCombs(const std::uint32_t* above, const std::uint32_t* current,
                const std::uint32_t* below, int width, std::uint8_t* detected) {
    int i = 0;
#if defined(SP_DEINTERLACE_AVX2)
    if (haveAvx2()) i = detectCombsAvx2(above, current, below, width, detected);
#endif
#if defined(__SSE2__)
    // Four pixels at a time: the differences as 16-bit channels, the one to the pixel above
    // weighted (B 1, G 6, R 3, fourth byte 0), multiplied by the one below and summed in
    // pairs by pmaddwd, then the two pair sums of each pixel added. The largest score,
    // 10 x 255 x 255, fits 32 bits; a weighted difference fits 16.
    const __m128i zero = _mm_setzero_si128();
    const __m128i weights = _mm_set_epi16(0, 3, 6, 1, 0, 3, 6, 1);
    const __m128i threshold = _mm_set1_epi32(kDetectionThreshold);
    auto pairSums = [&](__m128i a, __m128i c, __m128i b) {
        return _mm_madd_epi16(_mm_mullo_epi16(_mm_sub_epi16(a, c), weights), _mm_sub_epi16(b, c));
    };
    for (; i + 4 <= width; i += 4) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + i));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(current + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(below + i));
        // Pixels 0 and 1, then 2 and 3: (first pair, second pair) of each, reordered so that
        // the first pairs of the four pixels end up in one register and the second in another.
        const __m128i low =
            _mm_shuffle_epi32(pairSums(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(c, zero),
                                       _mm_unpacklo_epi8(b, zero)),
                              _MM_SHUFFLE(3, 1, 2, 0));
        const __m128i high =
            _mm_shuffle_epi32(pairSums(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(c, zero),
                                       _mm_unpackhi_epi8(b, zero)),
                              _MM_SHUFFLE(3, 1, 2, 0));
        const __m128i score =
            _mm_add_epi32(_mm_unpacklo_epi64(low, high), _mm_unpackhi_epi64(low, high));
        const __m128i hit = _mm_srli_epi32(_mm_cmpgt_epi32(score, threshold), 31); // 0 or 1
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(hit, zero), zero);
        const int four = _mm_cvtsi128_si32(bytes);
        std::memcpy(detected + i, &four, 4);
    }
#else
    (void)above, (void)current, (void)below, (void)detected;
#endif
    return i;
}

void copyPicture(ConstFrameView source, FrameView result) {
    if (source.bits == result.bits && source.strideBytes == result.strideBytes) return;
    const std::size_t bytes = source.rowBytes();
    for (int row = 0; row < source.height; ++row)
        std::memcpy(result.bits + row * result.strideBytes, source.bits + row * source.strideBytes,
                    bytes);
}

// Row `row` of `source` into `result`, with `fourth` (0 or 0xFF000000) set in every pixel; in
// place and with nothing to set there is nothing to do.
void copyRow(ConstFrameView source, FrameView result, int row, std::uint32_t fourth) {
    const std::uint8_t* from = source.bits + row * source.strideBytes;
    std::uint8_t* to = result.bits + row * result.strideBytes;
    if (fourth == 0) {
        if (from != to) std::memcpy(to, from, std::size_t(source.width) * 4);
        return;
    }
    for (int i = 0; i < source.width; ++i, from += 4, to += 4) { // vectorised by the compiler
        std::uint32_t pixel;
        std::memcpy(&pixel, from, 4);
        pixel |= fourth;
        std::memcpy(to, &pixel, 4);
    }
}

} // namespace

std::size_t FrameView::rowBytes() const {
    return (std::size_t(width) * std::size_t(bitsPerPixel) + 7) / 8;
}

bool FrameView::valid() const {
    return bits != nullptr && width >= 0 && height >= 0 && bitsPerPixel > 0 &&
           strideBytes >= std::ptrdiff_t(rowBytes());
}

std::size_t ConstFrameView::rowBytes() const {
    return (std::size_t(width) * std::size_t(bitsPerPixel) + 7) / 8;
}

bool ConstFrameView::valid() const {
    return bits != nullptr && width >= 0 && height >= 0 && bitsPerPixel > 0 &&
           strideBytes >= std::ptrdiff_t(rowBytes());
}

bool Deinterlacer::Deinterlace(ConstFrameView source, FrameView result, bool opaque,
                               bool upsideDown) {
    if (!source.valid() || !result.valid() || source.width != result.width ||
        source.height != result.height || source.bitsPerPixel != result.bitsPerPixel)
        return false;
    if (source.bitsPerPixel != 32) {
        repairedRows_.clear();
        copyPicture(source, result);
        return true;
    }
    prepareMasks(source.width, source.height);
    const std::uint32_t fourth = opaque ? 0xFF000000u : 0;
    // The rows of the field repaired: odd ones, or even ones in an upside-down picture of even
    // height (row k there is row height - 1 - k of the video).
    const int parity = upsideDown && source.height % 2 == 0 ? 0 : 1;
    // One pass, row by row: each row of that field is detected, filtered and repaired while the
    // rows it reads are in cache. Repairing in place is safe because only rows of that field
    // change (the others at most in their fourth byte, which detection ignores) and each is
    // read before written.
    repairedRows_.assign(std::size_t(source.height), 0);
    for (int row = 0; row < source.height; ++row) {
        const bool repairable = (row & 1) == parity && row > 0 && row < source.height - 1;
        if (repairable && repairRow(source, result, row, fourth))
            repairedRows_[std::size_t(row)] = 1;
        else
            copyRow(source, result, row, fourth);
    }
    repairedWidth_ = source.width;
    return true;
}

bool Deinterlacer::RepairLikeLast(FrameView deep) {
    if (!deep.valid() || deep.bitsPerPixel != 64 || deep.width != repairedWidth_ ||
        std::size_t(deep.height) != repairedRows_.size())
        return false;
    const std::size_t width = std::size_t(deep.width);
    for (int row = 1; row + 1 < deep.height; ++row) {
        if (!repairedRows_[std::size_t(row)]) continue;
        const std::uint8_t* kept = DeinterlaceMask2.data() + std::size_t(row) * width;
        auto sampleRow = [&](int r) {
            return reinterpret_cast<std::uint16_t*>(deep.bits + r * deep.strideBytes);
        };
        const std::uint16_t* above = sampleRow(row - 1);
        const std::uint16_t* below = sampleRow(row + 1);
        std::uint16_t* out = sampleRow(row);
        for (std::size_t i = 0; i < width; ++i)
            if (kept[i])
                for (std::size_t c = 0; c < 3; ++c)
                    out[i * 4 + c] =
                        std::uint16_t((std::uint32_t(above[i * 4 + c]) + below[i * 4 + c]) / 2);
    }
    return true;
}

void Deinterlacer::prepareMasks(int width, int height) {
    const std::size_t size = std::size_t(width) * std::size_t(height);
    DeinterlaceMask.resize(size);
    DeinterlaceMask2.resize(size);
}

bool Deinterlacer::repairRow(ConstFrameView source, FrameView result, int row,
                             std::uint32_t fourth) {
    const int width = source.width;
    const std::uint32_t* above = pixelRow(source, row - 1);
    const std::uint32_t* current = pixelRow(source, row);
    const std::uint32_t* below = pixelRow(source, row + 1);
    std::uint8_t* detected = DeinterlaceMask.data() + std::size_t(row) * std::size_t(width);
    std::uint8_t* kept = DeinterlaceMask2.data() + std::size_t(row) * std::size_t(width);

    for (int i = detectCombs(above, current, below, width, detected); i < width; ++i)
        detected[i] = combScore(above[i], current[i], below[i]) > kDetectionThreshold ? 1 : 0;

    // Most rows of most pictures have no comb at all: the row is copied as it is.
    if (std::memchr(detected, 1, std::size_t(width)) == nullptr) return false;

    // A detection counts only with a detected horizontal neighbour.
    if (width == 1) {
        kept[0] = 0;
    } else if (width > 1) {
        kept[0] = detected[0] & detected[1];
        for (int i = 1; i < width - 1; ++i)
            kept[i] = detected[i] & (detected[i - 1] | detected[i + 1]);
        kept[width - 1] = detected[width - 1] & detected[width - 2];
    }

    std::uint32_t* out = pixelRow(result, row);
    for (int i = 0; i < width; ++i) {
        const std::uint32_t repaired = averageKeepingFourth(above[i], below[i], current[i]);
        out[i] = (kept[i] ? repaired : current[i]) | fourth;
    }
    return true;
}

} // namespace sp
