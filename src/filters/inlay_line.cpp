#include "filters/inlay_line.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace sp {

namespace {

// Room around the text's ink for antialiasing and glyphs that reach past their advance.
constexpr int kMargin = 2;

// x / 255 rounded, for x in 0 .. 255 * 255.
inline uint32_t Div255(uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}

// The squared distance from every sample to the nearest sample where f is 0, along one row or
// column (f holds 0 there and kFar elsewhere): the lower envelope of the parabolas rooted at
// the samples, in one pass each way.
constexpr float kFar = 1e20f;

void SquaredDistances(const std::vector<float>& f, std::vector<float>& out, std::vector<int>& v,
                      std::vector<float>& z) {
    const int n = int(f.size());
    v.assign(std::size_t(n), 0);
    z.assign(std::size_t(n) + 1, 0.0f);
    int k = 0;
    z[0] = -std::numeric_limits<float>::infinity();
    z[1] = std::numeric_limits<float>::infinity();
    for (int q = 1; q < n; ++q) {
        float s = 0;
        for (;;) {
            const int p = v[std::size_t(k)];
            s = ((f[std::size_t(q)] + float(q) * float(q)) -
                 (f[std::size_t(p)] + float(p) * float(p))) /
                (2.0f * float(q - p));
            if (s > z[std::size_t(k)]) break;
            --k; // z[0] is minus infinity, so k stays >= 0
        }
        ++k;
        v[std::size_t(k)] = q;
        z[std::size_t(k)] = s;
        z[std::size_t(k) + 1] = std::numeric_limits<float>::infinity();
    }
    out.resize(std::size_t(n));
    k = 0;
    for (int q = 0; q < n; ++q) {
        while (z[std::size_t(k) + 1] < float(q))
            ++k;
        const int p = v[std::size_t(k)];
        out[std::size_t(q)] = float(q - p) * float(q - p) + f[std::size_t(p)];
    }
}

// shows[i] *= (255 - cover[i]) / 255 over a row; the two rows never overlap.
void CoverRow(uint8_t* __restrict shows, const uint8_t* __restrict cover, int count) {
    for (int i = 0; i < count; ++i)
        shows[i] = uint8_t(Div255(uint32_t(shows[i]) * (255u - cover[i])));
}

} // namespace

InlayLinePicture::InlayLinePicture(const QString& text, const QFont& font, int ascent,
                                   int borderSize, const std::vector<Offset>& offsets)
    : text_(text) {
    if (text.isEmpty()) return;
    const QFontMetrics metrics(font);
    const QRect ink = metrics.boundingRect(text);
    const int grow = kMargin + std::clamp(borderSize, 0, kBorderSizeBound);
    // Relative to the pen position on the baseline.
    const int x0 = std::min(ink.left(), 0) - grow;
    const int x1 = std::max(ink.right() + 1, metrics.horizontalAdvance(text)) + grow;
    const int y0 = std::min(ink.top(), -metrics.ascent()) - grow;
    const int y1 = std::max(ink.bottom() + 1, metrics.descent() + 1) + grow;
    width_ = x1 - x0;
    height_ = y1 - y0;
    left_ = x0;
    top_ = ascent + y0;
    rasterise(font, -y0, -x0);
    if (borderSize > kMaxBorderSize)
        borderFromDistance(std::min(borderSize, kBorderSizeBound));
    else if (!offsets.empty())
        borderFromCopies(offsets);
}

void InlayLinePicture::rasterise(const QFont& font, int baselineY, int originX) {
    QImage image(width_, height_, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(originX, baselineY, text_);
    }
    cover_.resize(std::size_t(width_) * std::size_t(height_));
    for (int y = 0; y < height_; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width_; ++x)
            cover_[index(x, y)] = uint8_t(qAlpha(row[x]));
    }
}

// Each copy covers what the copies before it left showing: what still shows is the product of
// (1 - coverage) over the copies.
void InlayLinePicture::borderFromCopies(const std::vector<Offset>& offsets) {
    std::vector<uint8_t> shows(cover_.size(), 255);
    for (const Offset& o : offsets) {
        const int x0 = std::max(0, o.dx), x1 = std::min(width_, width_ + o.dx);
        for (int y = std::max(0, o.dy); y < std::min(height_, height_ + o.dy); ++y)
            CoverRow(&shows[index(x0, y)], &cover_[index(x0 - o.dx, y - o.dy)], x1 - x0);
    }
    border_.resize(cover_.size());
    for (std::size_t i = 0; i < shows.size(); ++i)
        border_[i] = uint8_t(255 - shows[i]);
}

// Every pixel within `size` pixels of the text (any pixel it covers at all), fading out over
// the next pixel.
void InlayLinePicture::borderFromDistance(int size) {
    std::vector<float> d(cover_.size());
    for (std::size_t i = 0; i < cover_.size(); ++i)
        d[i] = cover_[i] ? 0.0f : kFar;
    std::vector<float> f, out, z;
    std::vector<int> v;
    for (int x = 0; x < width_; ++x) {
        f.resize(std::size_t(height_));
        for (int y = 0; y < height_; ++y)
            f[std::size_t(y)] = d[index(x, y)];
        SquaredDistances(f, out, v, z);
        for (int y = 0; y < height_; ++y)
            d[index(x, y)] = out[std::size_t(y)];
    }
    for (int y = 0; y < height_; ++y) {
        f.assign(d.begin() + std::ptrdiff_t(index(0, y)),
                 d.begin() + std::ptrdiff_t(index(0, y + 1)));
        SquaredDistances(f, out, v, z);
        std::copy(out.begin(), out.end(), d.begin() + std::ptrdiff_t(index(0, y)));
    }
    border_.resize(cover_.size());
    const float reach = float(size) + 1.0f;
    for (std::size_t i = 0; i < d.size(); ++i) {
        const float c = std::clamp(reach - std::sqrt(d[i]), 0.0f, 1.0f);
        border_[i] = uint8_t(std::lround(c * 255.0f));
    }
}

void InlayLinePicture::BlendInto(FrameView frame, Point topLeft, QColor color) const {
    if (Empty() || !frame.valid() || frame.bitsPerPixel != 32) return;
    const int fx = topLeft.x + left_, fy = topLeft.y + top_;
    const int xBegin = std::max(0, -fx), xEnd = std::min(width_, frame.width - fx);
    const int yBegin = std::max(0, -fy), yEnd = std::min(height_, frame.height - fy);
    const uint32_t bgr[3] = {uint32_t(color.blue()), uint32_t(color.green()),
                             uint32_t(color.red())};
    for (int y = yBegin; y < yEnd; ++y) {
        uint8_t* row = frame.bits + std::ptrdiff_t(fy + y) * frame.strideBytes;
        const uint8_t* text = &cover_[index(0, y)];
        const uint8_t* border = border_.empty() ? nullptr : &border_[index(0, y)];
        for (int x = xBegin; x < xEnd; ++x) {
            const uint32_t b = border ? border[x] : 0u, t = text[x];
            if ((b | t) == 0) continue;
            uint8_t* p = row + std::ptrdiff_t(fx + x) * 4;
            for (int c = 0; c < 3; ++c) {
                const uint32_t under = Div255(uint32_t(p[c]) * (255u - b));
                p[c] = uint8_t(Div255(under * (255u - t) + bgr[c] * t));
            }
            p[3] = 0xFF;
        }
    }
}

} // namespace sp
