// One line of inlay text made ready for drawing into frames: its coverage (how much of each
// pixel the text covers) and its black border's coverage, over a small rectangle around the
// text, made once and then blended into each frame the line stays the same for.
//
// Drawing a large font straight into a frame is slow: Qt draws glyphs above 64 pixels as
// paths, and a border drawn as up to 60 copies of the text, or as a stroked outline, multiplies
// that. Here the text is rasterised once; the copies of a border up to kMaxBorderSize are
// combined from that coverage (the same result as drawing each copy over the last), and a wider
// border is the text grown by its size, from an exact distance transform, like an outline
// stroke with round joins. A frame then costs one blend of the rectangle.
//
// Plain values; no thread of its own. Rasterising needs the Qt GUI application object.
#pragma once

#include "filters/deinterlacer.h" // FrameView
#include "filters/inlay_text.h"

#include <QColor>
#include <QFont>
#include <QString>

#include <cstdint>
#include <vector>

namespace sp {

class InlayLinePicture {
public:
    InlayLinePicture() = default;
    // The text in `font` with a border of `borderSize` pixels (0 .. kBorderSizeBound; up to
    // kMaxBorderSize as copies at `offsets`), its top at `ascent` pixels above the baseline.
    InlayLinePicture(const QString& text, const QFont& font, int ascent, int borderSize,
                     const std::vector<Offset>& offsets);

    const QString& Text() const { return text_; }
    bool Empty() const { return width_ == 0; }

    // Blends the border in black, then the text in `color`, into a 32-bit frame (B, G, R,
    // reserved) with the line's top-left corner at `topLeft`; what falls outside is clipped.
    // The reserved byte of drawn pixels is set to 0xFF.
    void BlendInto(FrameView frame, Point topLeft, QColor color) const;

    // Coverage 0..255 at a pixel of the rectangle, whose corner lies at (Left(), Top()) from
    // the line's top-left corner.
    int TextAt(int x, int y) const { return cover_[index(x, y)]; }
    int BorderAt(int x, int y) const { return border_.empty() ? 0 : border_[index(x, y)]; }
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    std::size_t index(int x, int y) const { return std::size_t(y) * std::size_t(width_) + x; }
    void rasterise(const QFont& font, int baselineY, int originX);
    void borderFromCopies(const std::vector<Offset>& offsets);
    void borderFromDistance(int size);

    QString text_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    std::vector<uint8_t> cover_;  // width_ x height_
    std::vector<uint8_t> border_; // width_ x height_, empty without a border
};

} // namespace sp
