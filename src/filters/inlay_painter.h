// Draws the two inlay lines into a 32-bit frame, in place.
//
// The painter holds what the inlay renderer applies from the settings (font, colour, position,
// alignment, border) and draws each line as an InlayLinePicture (inlay_line.h), kept while the
// line's text stays the same, so a frame whose lines did not change costs two blends. Each line
// is drawn completely before the next: first its black border, then the text in its colour,
// with a transparent background. A border of n pixels reaches n pixels beyond the text on every
// side: up to kMaxBorderSize it is the text drawn at every offset of BorderOffsets, above that
// the text grown by n like an outline stroke 2n wide (sizes above kBorderSizeBound are drawn at
// the bound). Texts or positions outside the frame are clipped.
//
// Threading: one painter is used by one thread at a time (Draw keeps the line pictures). The
// renderer makes a new painter for new settings on the main thread and swaps it in under its
// frame lock; Draw runs on the video streaming thread. Fonts need the Qt GUI application
// object: create the painter after it; it may then be used from any thread.
#pragma once

#include "filters/deinterlacer.h" // FrameView
#include "filters/inlay_line.h"
#include "filters/inlay_records.h"
#include "filters/inlay_text.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QString>

#include <array>
#include <vector>

namespace sp {

class InlayPainter {
public:
    // Before any settings are applied: the default record's alignment and border, positions at
    // 900 thousandths, and a plain 8-point black font.
    InlayPainter();

    // Takes the record's font (face, styles, colour; height from the frame width when
    // Autofontsize, else its point size at 96 dots per inch), positions (clamped to 0..1000),
    // alignment and border size. The automatic height follows `frameWidth` as it is now; a later
    // change of frame size keeps it until the next call.
    void ApplySettings(const TincrustRec& settings, int frameWidth);

    // Draws the lines into `frame`, which must hold 32-bit pixels (B, G, R, reserved; other
    // depths are left alone). The reserved byte of drawn pixels is set to 0xFF.
    void Draw(FrameView frame, const InlayLines& lines);
    // Makes the pictures of these lines now, so that a Draw of the same texts only blends them
    // (the renderer prepares a new painter before swapping it in).
    void Prepare(const InlayLines& lines);

    // Width of a text in pixels with the current font.
    int TextWidth(const QString& text) const { return metrics_.horizontalAdvance(text); }
    // |font height| in pixels: the distance between the tops of the two lines.
    int LineHeight() const { return lineHeight_; }
    const QFont& Font() const { return font_; }
    QColor TextColor() const { return color_; }

private:
    const InlayLinePicture& picture(int line, const QString& text);

    QFont font_;
    QFontMetrics metrics_;
    QColor color_ = Qt::black;
    int lineHeight_ = 0;
    int xPermille_ = 900;
    int yPermille_ = 900;
    int alignment_ = 2;
    int borderSize_ = 0;         // 0 .. kBorderSizeBound
    std::vector<Offset> border_; // the copies' offsets for borders up to kMaxBorderSize
    std::array<InlayLinePicture, 2> pictures_; // the lines drawn last, by Draw
};

// A font of `pixelHeight` pixels: with `cellHeight` the whole character cell (ascent plus
// descent) is that tall, otherwise the em square is.
QFont InlayFont(const TfontRecord& record, int pixelHeight, bool cellHeight);

} // namespace sp
