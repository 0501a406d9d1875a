#include "platform/outside/picture_turn.h"

#include <algorithm>
#include <cstring>

namespace sp::outside {

namespace {

// Where an upright pixel comes from: with the forward map of the orientation
// x' = a x + c y, y' = b x + d y (y downwards), the stored pixel of upright pixel (u, v) is
// x = a u + b v, y = c u + d v, shifted into the picture (the map is orthogonal).
struct Coefficients {
    int a, b, c, d;
};

Coefficients coefficientsOf(mf::PictureOrientation o) {
    static constexpr Coefficients kTurns[4] = {
        {1, 0, 0, 1}, {0, 1, -1, 0}, {-1, 0, 0, -1}, {0, -1, 1, 0}};
    Coefficients k = kTurns[o.quarterTurns & 3];
    if (o.mirrored) { // x' := -x'
        k.a = -k.a;
        k.c = -k.c;
    }
    return k;
}

int signOf(int32_t fixed16) {
    constexpr int32_t kHalf = 1 << 15;
    return fixed16 > kHalf ? 1 : fixed16 < -kHalf ? -1 : 0;
}

constexpr int kTile = 32;

} // namespace

PictureSize uprightSize(int width, int height, mf::PictureOrientation orientation) {
    return orientation.swapsSides() ? PictureSize{height, width} : PictureSize{width, height};
}

namespace {

template <typename Pixel>
void turnTiles(const uint8_t* src, int width, int height, ptrdiff_t srcStride,
               mf::PictureOrientation orientation, uint8_t* dst, ptrdiff_t dstStride) {
    constexpr ptrdiff_t kBytes = sizeof(Pixel);
    const PictureSize up = uprightSize(width, height, orientation);
    const Coefficients k = coefficientsOf(orientation);
    // In bytes: one step right and one step down in the upright picture, read in the stored.
    const ptrdiff_t stepU = k.a * kBytes + k.c * srcStride;
    const ptrdiff_t stepV = k.b * kBytes + k.d * srcStride;
    const uint8_t* origin = src + ((k.a < 0 || k.b < 0) ? ptrdiff_t(width - 1) * kBytes : 0) +
                            ((k.c < 0 || k.d < 0) ? ptrdiff_t(height - 1) * srcStride : 0);
    for (int v0 = 0; v0 < up.height; v0 += kTile) {
        const int v1 = std::min(v0 + kTile, up.height);
        for (int u0 = 0; u0 < up.width; u0 += kTile) {
            const int u1 = std::min(u0 + kTile, up.width);
            for (int v = v0; v < v1; ++v) {
                const uint8_t* from = origin + v * stepV + u0 * stepU;
                auto* to = reinterpret_cast<Pixel*>(dst + v * dstStride) + u0;
                for (int u = u0; u < u1; ++u, from += stepU, ++to)
                    std::memcpy(to, from, kBytes);
            }
        }
    }
}

} // namespace

void turnPicture(const uint8_t* src, int width, int height, ptrdiff_t srcStride,
                 mf::PictureOrientation orientation, uint8_t* dst, ptrdiff_t dstStride,
                 int pixelBytes) {
    if (orientation.upright()) {
        const PictureSize up = uprightSize(width, height, orientation);
        for (int v = 0; v < up.height; ++v)
            std::memcpy(dst + v * dstStride, src + v * srcStride, size_t(up.width) * pixelBytes);
        return;
    }
    if (pixelBytes == 8)
        turnTiles<uint64_t>(src, width, height, srcStride, orientation, dst, dstStride);
    else
        turnTiles<uint32_t>(src, width, height, srcStride, orientation, dst, dstStride);
}

mf::PictureOrientation orientationFromDisplayMatrix(const int32_t matrix[9]) {
    const Coefficients m{signOf(matrix[0]), signOf(matrix[1]), signOf(matrix[3]),
                         signOf(matrix[4])};
    for (uint8_t turns = 0; turns < 4; ++turns)
        for (bool mirrored : {false, true}) {
            const mf::PictureOrientation o{turns, mirrored};
            const Coefficients k = coefficientsOf(o);
            if (k.a == m.a && k.b == m.b && k.c == m.c && k.d == m.d) return o;
        }
    return {};
}

} // namespace sp::outside
