#include "platform/system/picture_stretch.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

namespace sp {

namespace {

constexpr int kMaxSide = 65500;
constexpr int kWeightBits = 14;
constexpr int kOne = 1 << kWeightBits;
// Rows stretched across keep 6 fractional bits: Catmull-Rom's lobes reach about -0.1 and 1.1
// of the range, so -64..320 x 64 fits 16 bits.
constexpr int kRowBits = 6;

// Catmull-Rom: sharp, no overshoot on flat areas, exact at the sample points.
double cubic(double x) {
    x = std::fabs(x);
    if (x < 1) return (1.5 * x - 2.5) * x * x + 1;
    if (x < 2) return ((-0.5 * x + 2.5) * x - 4) * x + 2;
    return 0;
}

// The weights of one output position along one axis: the cubic at each source sample within
// the support, samples beyond an edge folded onto the border sample. `lo`..`hi` is the span of
// source samples with a weight.
struct DenseTaps {
    int base = 0; // source index of weights[0]
    int lo = 0, hi = -1;
    std::vector<double> weights;
};

DenseTaps denseTaps(int i, int sourceSize, double scale, double widen, int span) {
    const double support = 2 * widen;
    const double centre = (i + 0.5) * scale - 0.5;
    const int first = int(std::floor(centre - support)) + 1;
    DenseTaps d;
    d.base = std::clamp(first, 0, sourceSize - 1);
    d.lo = sourceSize;
    d.weights.assign(size_t(span), 0.0);
    for (int k = 0; k < span; ++k) {
        const double weight = cubic((first + k - centre) / widen);
        if (std::fabs(weight) < 1e-9) continue;
        const int at = std::clamp(first + k, 0, sourceSize - 1);
        d.weights[size_t(at - d.base)] += weight;
        d.lo = std::min(d.lo, at);
        d.hi = std::max(d.hi, at);
    }
    if (d.hi < 0) { // cannot happen with this kernel; a nearest sample keeps the output defined
        d.lo = d.hi = d.base;
        d.weights[0] = 1;
    }
    return d;
}

// Every output position's taps, trimmed to the longest span that matters and scaled to sum
// exactly to kOne (the rounding error goes to the largest tap).
void makeTaps(int sourceSize, int targetSize, StretchTaps& t) {
    if (t.sourceSize == sourceSize && t.targetSize == targetSize) return;
    const double scale = double(sourceSize) / double(targetSize);
    const double widen = std::max(1.0, scale); // shrinking: the kernel covers more source
    const int span = int(std::ceil(2 * widen)) * 2 + 1;
    std::vector<DenseTaps> dense;
    dense.reserve(size_t(targetSize));
    int count = 1;
    for (int i = 0; i < targetSize; ++i) {
        dense.push_back(denseTaps(i, sourceSize, scale, widen, span));
        count = std::max(count, dense.back().hi - dense.back().lo + 1);
    }
    t.sourceSize = sourceSize, t.targetSize = targetSize, t.count = count;
    t.first.assign(size_t(targetSize), 0);
    t.weights.assign(size_t(targetSize) * size_t(count), 0);
    for (int i = 0; i < targetSize; ++i) {
        const DenseTaps& d = dense[size_t(i)];
        const int first = std::max(0, std::min(d.lo, sourceSize - count)); // a window inside
        t.first[size_t(i)] = first;
        auto weightAt = [&](int at) {
            const int j = at - d.base;
            return j >= 0 && j < span ? d.weights[size_t(j)] : 0.0;
        };
        double sum = 0;
        for (int k = 0; k < count; ++k)
            sum += weightAt(first + k);
        int16_t* out = &t.weights[size_t(i) * size_t(count)];
        int total = 0, largest = 0;
        for (int k = 0; k < count; ++k) {
            out[k] = int16_t(std::lround(weightAt(first + k) / sum * kOne));
            total += out[k];
            if (out[k] > out[largest]) largest = k;
        }
        out[largest] = int16_t(out[largest] + kOne - total);
    }
}

uint8_t clampByte(int v) {
    return uint8_t(std::clamp(v, 0, 255));
}

// One row across: 4 channels per pixel, `Out` either 16-bit rows (kRowBits) or final bytes.
template <typename Out> void stretchRowAcross(const uint8_t* from, Out* to, const StretchTaps& t) {
    for (int x = 0; x < t.targetSize; ++x, to += 4) {
        const int16_t* w = &t.weights[size_t(x) * size_t(t.count)];
        const uint8_t* p = from + size_t(t.first[size_t(x)]) * 4;
        int32_t b = 0, g = 0, r = 0;
        for (int k = 0; k < t.count; ++k, p += 4) {
            b += w[k] * p[0];
            g += w[k] * p[1];
            r += w[k] * p[2];
        }
        if constexpr (sizeof(Out) == 1) {
            constexpr int round = 1 << (kWeightBits - 1);
            to[0] = clampByte((b + round) >> kWeightBits);
            to[1] = clampByte((g + round) >> kWeightBits);
            to[2] = clampByte((r + round) >> kWeightBits);
            to[3] = 255;
        } else {
            constexpr int shift = kWeightBits - kRowBits, round = 1 << (shift - 1);
            to[0] = Out((b + round) >> shift);
            to[1] = Out((g + round) >> shift);
            to[2] = Out((r + round) >> shift);
            to[3] = 0;
        }
    }
}

// One output row down from `count` source rows starting at `rows`, `rowStride` values apart
// (`In`: bytes of the source, or 16-bit rows stretched across).
template <typename In>
void stretchRowDown(const In* rows, size_t rowStride, size_t rowValues, const int16_t* w, int count,
                    uint8_t* to, int32_t* sums) {
    constexpr int fraction = kWeightBits + (sizeof(In) == 1 ? 0 : kRowBits);
    constexpr int32_t round = 1 << (fraction - 1);
    std::fill(sums, sums + rowValues, round);
    for (int k = 0; k < count; ++k) {
        const In* from = rows + size_t(k) * rowStride;
        const int32_t weight = w[k];
        for (size_t i = 0; i < rowValues; ++i)
            sums[i] += weight * from[i];
    }
    for (size_t i = 0; i < rowValues; ++i)
        to[i] = clampByte(sums[i] >> fraction);
    for (size_t i = 3; i < rowValues; i += 4)
        to[i] = 255;
}

#if defined(__SSE2__)
// The two paths the program takes (FitAspect keeps one side of the frame, so a grab is only
// ever stretched along one axis), with SSE2: pmaddwd multiplies two taps' samples by their
// 16-bit weights and adds them in one step; the packs saturate to 0..255 as the clamp does.

// One output row down from bytes, 16 values at a time; the same sums as stretchRowDown.
void stretchRowDownFromBytes(const uint8_t* rows, size_t rowStride, size_t rowValues,
                             const int16_t* w, int count, uint8_t* to) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));
    size_t i = 0;
    for (; i + 16 <= rowValues; i += 16) {
        __m128i sum[4];
        for (__m128i& v : sum)
            v = _mm_set1_epi32(1 << (kWeightBits - 1));
        for (int k = 0; k < count; k += 2) {
            const bool pair = k + 1 < count;
            const uint32_t weights = uint16_t(w[k]) | uint32_t(pair ? uint16_t(w[k + 1]) : 0) << 16;
            const __m128i wk = _mm_set1_epi32(int(weights));
            const __m128i a =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows + size_t(k) * rowStride + i));
            const __m128i b = pair ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(
                                         rows + size_t(k + 1) * rowStride + i))
                                   : zero;
            const __m128i aLow = _mm_unpacklo_epi8(a, zero), aHigh = _mm_unpackhi_epi8(a, zero);
            const __m128i bLow = _mm_unpacklo_epi8(b, zero), bHigh = _mm_unpackhi_epi8(b, zero);
            sum[0] = _mm_add_epi32(sum[0], _mm_madd_epi16(_mm_unpacklo_epi16(aLow, bLow), wk));
            sum[1] = _mm_add_epi32(sum[1], _mm_madd_epi16(_mm_unpackhi_epi16(aLow, bLow), wk));
            sum[2] = _mm_add_epi32(sum[2], _mm_madd_epi16(_mm_unpacklo_epi16(aHigh, bHigh), wk));
            sum[3] = _mm_add_epi32(sum[3], _mm_madd_epi16(_mm_unpackhi_epi16(aHigh, bHigh), wk));
        }
        for (__m128i& v : sum)
            v = _mm_srai_epi32(v, kWeightBits);
        const __m128i bytes =
            _mm_packus_epi16(_mm_packs_epi32(sum[0], sum[1]), _mm_packs_epi32(sum[2], sum[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm_or_si128(bytes, opaque));
    }
    for (; i < rowValues; ++i) {
        int32_t sum = 1 << (kWeightBits - 1);
        for (int k = 0; k < count; ++k)
            sum += w[k] * rows[size_t(k) * rowStride + i];
        to[i] = (i & 3) == 3 ? 255 : clampByte(sum >> kWeightBits);
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SP_STRETCH_AVX2 1
// The same sums 32 values at a time, on processors with AVX2 (checked once at run time). The
// unpacks and packs work within each 128-bit half, so every half computes what the SSE2 loop
// computes for its 16 values; the rest of the row goes to the SSE2 loop.
__attribute__((target("avx2"))) void stretchRowDownFromBytesAvx2(const uint8_t* rows,
                                                                 size_t rowStride, size_t rowValues,
                                                                 const int16_t* w, int count,
                                                                 uint8_t* to) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i opaque = _mm256_set1_epi32(int(0xFF000000u));
    size_t i = 0;
    for (; i + 32 <= rowValues; i += 32) {
        __m256i sum[4];
        for (__m256i& v : sum)
            v = _mm256_set1_epi32(1 << (kWeightBits - 1));
        for (int k = 0; k < count; k += 2) {
            const bool pair = k + 1 < count;
            const uint32_t weights = uint16_t(w[k]) | uint32_t(pair ? uint16_t(w[k + 1]) : 0) << 16;
            const __m256i wk = _mm256_set1_epi32(int(weights));
            const __m256i a = _mm256_loadu_si256(
                reinterpret_cast<const __m256i*>(rows + size_t(k) * rowStride + i));
            const __m256i b = pair ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(
                                         rows + size_t(k + 1) * rowStride + i))
                                   : zero;
            // The two rows' bytes interleaved (a0 b0 a1 b1 ...), then widened: 16-bit pairs
            // (a, b) ready for the multiply-add, in six unpacks rather than eight.
            const __m256i low = _mm256_unpacklo_epi8(a, b);
            const __m256i high = _mm256_unpackhi_epi8(a, b);
            sum[0] =
                _mm256_add_epi32(sum[0], _mm256_madd_epi16(_mm256_unpacklo_epi8(low, zero), wk));
            sum[1] =
                _mm256_add_epi32(sum[1], _mm256_madd_epi16(_mm256_unpackhi_epi8(low, zero), wk));
            sum[2] =
                _mm256_add_epi32(sum[2], _mm256_madd_epi16(_mm256_unpacklo_epi8(high, zero), wk));
            sum[3] =
                _mm256_add_epi32(sum[3], _mm256_madd_epi16(_mm256_unpackhi_epi8(high, zero), wk));
        }
        for (__m256i& v : sum)
            v = _mm256_srai_epi32(v, kWeightBits);
        const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(sum[0], sum[1]),
                                                  _mm256_packs_epi32(sum[2], sum[3]));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + i), _mm256_or_si256(bytes, opaque));
    }
    if (i < rowValues)
        stretchRowDownFromBytes(rows + i, rowStride, rowValues - i, w, count, to + i);
}

bool haveAvx2() {
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}
#endif

__m128i widenPixel(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(v), _mm_setzero_si128());
}

// One row across into bytes, a pixel (four channels) at a time.
void stretchRowAcrossToBytes(const uint8_t* from, uint8_t* to, const StretchTaps& t) {
    const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));
    for (int x = 0; x < t.targetSize; ++x, to += 4) {
        const int16_t* w = &t.weights[size_t(x) * size_t(t.count)];
        const uint8_t* p = from + size_t(t.first[size_t(x)]) * 4;
        __m128i sum = _mm_set1_epi32(1 << (kWeightBits - 1));
        for (int k = 0; k < t.count; k += 2) {
            const bool pair = k + 1 < t.count;
            const uint32_t weights = uint16_t(w[k]) | uint32_t(pair ? uint16_t(w[k + 1]) : 0) << 16;
            const __m128i b = pair ? widenPixel(p + size_t(k + 1) * 4) : _mm_setzero_si128();
            const __m128i both = _mm_unpacklo_epi16(widenPixel(p + size_t(k) * 4), b);
            sum = _mm_add_epi32(sum, _mm_madd_epi16(both, _mm_set1_epi32(int(weights))));
        }
        sum = _mm_srai_epi32(sum, kWeightBits);
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(sum, sum), _mm_setzero_si128());
        const int32_t pixel = _mm_cvtsi128_si32(_mm_or_si128(bytes, opaque));
        std::memcpy(to, &pixel, 4);
    }
}
#else
void stretchRowDownFromBytes(const uint8_t* rows, size_t rowStride, size_t rowValues,
                             const int16_t* w, int count, uint8_t* to) {
    std::vector<int32_t> sums(rowValues);
    stretchRowDown(rows, rowStride, rowValues, w, count, to, sums.data());
}
void stretchRowAcrossToBytes(const uint8_t* from, uint8_t* to, const StretchTaps& t) {
    stretchRowAcross(from, to, t);
}
#endif

void prefetchRow(const uint8_t* row, size_t bytes) {
    for (size_t i = 0; i < bytes; i += 64)
        __builtin_prefetch(row + i);
}

} // namespace

bool PictureStretcher::Stretch(const PictureView& source, uint8_t* target, int width, int height,
                               int targetStride) {
    return StretchRows(source, width, height, 0, height, target, targetStride);
}

bool PictureStretcher::StretchRows(const PictureView& s, int width, int height, int first,
                                   int count, uint8_t* target, int targetStride) {
    const bool valid = s.pixels && s.width > 0 && s.height > 0 && s.strideBytes >= s.width * 4;
    if (!valid || !target || width < 1 || height < 1 || width > kMaxSide || height > kMaxSide ||
        targetStride < width * 4 || first < 0 || count < 1 || count > height - first)
        return false;
    const size_t rowValues = size_t(width) * 4;
    // Output row y (first <= y < first + count) goes to band row y - first.
    auto targetRow = [&](int y) { return target + size_t(y - first) * size_t(targetStride); };
    auto sourceRow = [&](int y) { return s.pixels + size_t(y) * size_t(s.strideBytes); };
    const int end = first + count;
    const bool across = width != s.width, down = height != s.height;
    if (across) makeTaps(s.width, width, across_);
    if (down) makeTaps(s.height, height, down_);
    if (!across && !down) { // same size: a plain copy
        for (int y = first; y < end; ++y) {
            uint8_t* to = targetRow(y);
            std::memcpy(to, sourceRow(y), rowValues);
            for (size_t i = 3; i < rowValues; i += 4)
                to[i] = 255;
        }
        return true;
    }
    if (!down) {
        for (int y = first; y < end; ++y)
            stretchRowAcrossToBytes(sourceRow(y), targetRow(y), across_);
        return true;
    }
    if (!across) { // the source rows are read as they are
        auto rowDown = stretchRowDownFromBytes;
#if defined(SP_STRETCH_AVX2)
        if (haveAvx2()) rowDown = stretchRowDownFromBytesAvx2;
#endif
        for (int y = first; y < end; ++y) {
            // The source row the next output row reads for the first time is asked for now:
            // the picture was usually just written by another thread, and waiting for its
            // rows is most of what this loop costs otherwise.
            const int ahead = down_.first[size_t(y)] + down_.count;
            if (ahead < s.height) prefetchRow(sourceRow(ahead), rowValues);
            rowDown(sourceRow(down_.first[size_t(y)]), size_t(s.strideBytes), rowValues,
                    &down_.weights[size_t(y) * size_t(down_.count)], down_.count, targetRow(y));
        }
        return true;
    }
    // Both axes: the source rows these output rows read, stretched across first.
    const int lowest = down_.first[size_t(first)];
    const int highest = down_.first[size_t(end - 1)] + down_.count; // one past
    std::vector<int32_t> sums(rowValues);
    rows_.resize(rowValues * size_t(highest - lowest));
    for (int y = lowest; y < highest; ++y)
        stretchRowAcross(sourceRow(y), &rows_[size_t(y - lowest) * rowValues], across_);
    for (int y = first; y < end; ++y)
        stretchRowDown(&rows_[size_t(down_.first[size_t(y)] - lowest) * rowValues], rowValues,
                       rowValues, &down_.weights[size_t(y) * size_t(down_.count)], down_.count,
                       targetRow(y), sums.data());
    return true;
}

OwnedPicture StretchPicture(const PictureView& source, int width, int height) {
    OwnedPicture out;
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return out;
    out.pixels.resize(size_t(width) * size_t(height) * 4);
    PictureStretcher stretcher;
    if (!stretcher.Stretch(source, out.pixels.data(), width, height, width * 4)) return {};
    out.width = width;
    out.height = height;
    return out;
}

} // namespace sp
