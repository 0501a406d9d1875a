#include "platform/outside/colour_table.h"

#include <cstring>

namespace sp::outside {

namespace {

constexpr uint32_t kLevels = 65535;
constexpr uint32_t kLargestEntry = 255 << 4; // 8.4 fixed point: 255 at most, so never rounds to 256

} // namespace

uint16_t ColourTable::gridLevel(int index, int points) {
    return uint16_t((uint32_t(index) * kLevels + uint32_t(points - 1) / 2) / uint32_t(points - 1));
}

ColourTable::ColourTable(int points, std::span<const uint16_t> red, std::span<const uint16_t> green,
                         std::span<const uint16_t> blue) {
    if (points < 2) return;
    const size_t count = size_t(points) * size_t(points) * size_t(points);
    if (red.size() < count || green.size() < count || blue.size() < count) return;
    const auto field = [](uint16_t level) {
        return uint64_t((uint32_t(level) * kLargestEntry + kLevels / 2) / kLevels);
    };
    points_ = points;
    entries_.resize(count);
    for (size_t i = 0; i < count; ++i)
        entries_[i] =
            field(blue[i]) | field(green[i]) << kFieldBits | field(red[i]) << (2 * kFieldBits);
}

void ColourTable::mapRow(const uint16_t* first, const uint16_t* second, const uint16_t* third,
                         uint8_t* bgrx, int width) const {
    const uint32_t scale = uint32_t(points_ - 1);
    const size_t s1 = size_t(points_), s2 = s1 * s1, far = 1 + s1 + s2; // steps along each axis
    constexpr int kShift = kValueFractionBits + kWeightBits;
    constexpr uint64_t kMask = (uint64_t(1) << (kFieldBits - kShift)) - 1; // a field, shifted
    constexpr uint64_t kHalf = uint64_t(1) << (kShift - 1);
    constexpr uint64_t kRounding = kHalf | kHalf << kFieldBits | kHalf << (2 * kFieldBits);
    const uint64_t* table = entries_.data();
    for (int x = 0; x < width; ++x) {
        // Position on the grid in 16.16 fixed point; the small addition maps 65535 onto the
        // last grid point rather than just below it.
        uint32_t p0 = first[x] * scale, p1 = second[x] * scale, p2 = third[x] * scale;
        p0 += p0 >> 16;
        p1 += p1 >> 16;
        p2 += p2 >> 16;
        const uint32_t f0 = ((p0 & 0xFFFF) + 128) >> 8, f1 = ((p1 & 0xFFFF) + 128) >> 8,
                       f2 = ((p2 & 0xFFFF) + 128) >> 8;
        const uint64_t* c = table + (p0 >> 16) + (p1 >> 16) * s1 + (p2 >> 16) * s2;
        // The tetrahedron holding the point: walk from the cell's first corner along the axis
        // of the largest fraction, then the middle one, to the far corner.
        uint32_t high, mid, low;
        size_t next, then;
        if (f0 >= f1) {
            if (f1 >= f2)
                high = f0, mid = f1, low = f2, next = 1, then = 1 + s1;
            else if (f0 >= f2)
                high = f0, mid = f2, low = f1, next = 1, then = 1 + s2;
            else
                high = f2, mid = f0, low = f1, next = s2, then = s2 + 1;
        } else {
            if (f2 >= f1)
                high = f2, mid = f1, low = f0, next = s2, then = s2 + s1;
            else if (f2 >= f0)
                high = f1, mid = f2, low = f0, next = s1, then = s1 + s2;
            else
                high = f1, mid = f0, low = f2, next = s1, then = s1 + 1;
        }
        const uint64_t sum = c[0] * ((1u << kWeightBits) - high) + c[next] * (high - mid) +
                             c[then] * (mid - low) + c[far] * low + kRounding;
        const uint32_t pixel = uint32_t((sum >> kShift) & kMask) |
                               uint32_t((sum >> (kFieldBits + kShift)) & kMask) << 8 |
                               uint32_t((sum >> (2 * kFieldBits + kShift)) & kMask) << 16 |
                               0xFF000000u;
        std::memcpy(bgrx + 4 * x, &pixel, 4);
    }
}

} // namespace sp::outside
