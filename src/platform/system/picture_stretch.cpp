#include "platform/system/picture_stretch.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sp {

namespace {

constexpr int kMaxSide = 65500;

// Catmull-Rom: sharp, no overshoot on flat areas, exact at the sample points.
float cubic(float x) {
    x = std::fabs(x);
    if (x < 1.f) return (1.5f * x - 2.5f) * x * x + 1.f;
    if (x < 2.f) return ((-0.5f * x + 2.5f) * x - 4.f) * x + 2.f;
    return 0.f;
}

// The source samples and weights of each output position along one axis.
struct Taps {
    int count = 0;              // taps per output position
    std::vector<int> first;     // first source index of each output position
    std::vector<float> weights; // count weights per output position, summing to 1
};

Taps makeTaps(int sourceSize, int targetSize) {
    const float scale = float(sourceSize) / float(targetSize);
    const float widen = std::max(1.f, scale); // shrinking: the kernel covers more source
    const float support = 2.f * widen;
    Taps t;
    t.count = int(std::ceil(support)) * 2 + 1;
    t.first.resize(size_t(targetSize));
    t.weights.assign(size_t(targetSize) * size_t(t.count), 0.f);
    for (int i = 0; i < targetSize; ++i) {
        const float centre = (float(i) + 0.5f) * scale - 0.5f;
        const int first = int(std::floor(centre - support)) + 1;
        t.first[size_t(i)] = first;
        float* w = &t.weights[size_t(i) * size_t(t.count)];
        float sum = 0.f;
        for (int k = 0; k < t.count; ++k)
            sum += w[k] = cubic((float(first + k) - centre) / widen);
        for (int k = 0; k < t.count; ++k)
            w[k] /= sum;
    }
    return t;
}

int clampIndex(int i, int size) {
    return std::clamp(i, 0, size - 1);
}

uint8_t toByte(float v) {
    return uint8_t(std::clamp(std::lround(v), 0L, 255L));
}

// Source rows stretched across to `width`, as three floats per pixel.
std::vector<float> stretchAcross(const PictureView& s, int width) {
    const Taps t = makeTaps(s.width, width);
    std::vector<float> out(size_t(width) * size_t(s.height) * 3);
    for (int y = 0; y < s.height; ++y) {
        const uint8_t* row = s.pixels + size_t(y) * size_t(s.strideBytes);
        float* to = &out[size_t(y) * size_t(width) * 3];
        for (int x = 0; x < width; ++x, to += 3) {
            const float* w = &t.weights[size_t(x) * size_t(t.count)];
            float b = 0.f, g = 0.f, r = 0.f;
            for (int k = 0; k < t.count; ++k) {
                const uint8_t* p = row + size_t(clampIndex(t.first[size_t(x)] + k, s.width)) * 4;
                b += w[k] * p[0];
                g += w[k] * p[1];
                r += w[k] * p[2];
            }
            to[0] = b, to[1] = g, to[2] = r;
        }
    }
    return out;
}

// Rows of three floats per pixel stretched down to `height`, into 32-bit pixels.
void stretchDown(const std::vector<float>& rows, int width, int sourceHeight, OwnedPicture& out) {
    const Taps t = makeTaps(sourceHeight, out.height);
    const size_t rowFloats = size_t(width) * 3;
    std::vector<float> line(rowFloats);
    for (int y = 0; y < out.height; ++y) {
        std::fill(line.begin(), line.end(), 0.f);
        const float* w = &t.weights[size_t(y) * size_t(t.count)];
        for (int k = 0; k < t.count; ++k) {
            const float* from =
                &rows[size_t(clampIndex(t.first[size_t(y)] + k, sourceHeight)) * rowFloats];
            for (size_t i = 0; i < rowFloats; ++i)
                line[i] += w[k] * from[i];
        }
        uint8_t* to = &out.pixels[size_t(y) * size_t(width) * 4];
        for (int x = 0; x < width; ++x, to += 4) {
            to[0] = toByte(line[size_t(x) * 3]);
            to[1] = toByte(line[size_t(x) * 3 + 1]);
            to[2] = toByte(line[size_t(x) * 3 + 2]);
            to[3] = 255;
        }
    }
}

} // namespace

OwnedPicture StretchPicture(const PictureView& s, int width, int height) {
    OwnedPicture out;
    const bool valid = s.pixels && s.width > 0 && s.height > 0 && s.strideBytes >= s.width * 4;
    if (!valid || width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return out;
    out.width = width;
    out.height = height;
    out.pixels.resize(size_t(width) * size_t(height) * 4);
    if (width == s.width && height == s.height) { // same size: a plain copy
        for (int y = 0; y < height; ++y) {
            uint8_t* to = &out.pixels[size_t(y) * size_t(width) * 4];
            std::memcpy(to, s.pixels + size_t(y) * size_t(s.strideBytes), size_t(width) * 4);
            for (int x = 0; x < width; ++x)
                to[x * 4 + 3] = 255;
        }
        return out;
    }
    stretchDown(stretchAcross(s, width), width, s.height, out);
    return out;
}

} // namespace sp
