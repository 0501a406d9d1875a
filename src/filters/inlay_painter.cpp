#include "filters/inlay_painter.h"

#include <algorithm>
#include <cmath>

namespace sp {

namespace {

QColor colorFromRecord(int32_t bgr) {
    const auto value = uint32_t(bgr);
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QFont initialFont() {
    QFont font;
    font.setPixelSize(PointsToPixels(8));
    return font;
}

} // namespace

QFont InlayFont(const TfontRecord& record, int pixelHeight, bool cellHeight) {
    QFont font(QString::fromStdWString(record.Name));
    font.setBold(record.Bold);
    font.setItalic(record.Italic);
    font.setUnderline(record.Underline);
    font.setStrikeOut(record.StrikeOut);
    const int height = std::max(pixelHeight, 1);
    font.setPixelSize(height);
    if (cellHeight) {
        // Qt sizes the em square; shrink it until ascent plus descent fit the height.
        const int cell = QFontMetrics(font).height();
        if (cell > height) {
            int size = std::max(1, int(std::lround(double(height) * height / cell)));
            font.setPixelSize(size);
            while (size > 1 && QFontMetrics(font).height() > height)
                font.setPixelSize(--size);
        }
    }
    return font;
}

InlayPainter::InlayPainter()
    : font_(initialFont()), metrics_(font_), borderSize_(TincrustRec{}.BorderSize),
      border_(BorderOffsets(borderSize_)) {}

void InlayPainter::ApplySettings(const TincrustRec& settings, int frameWidth) {
    xPermille_ = ClampPermille(settings.Xpos);
    yPermille_ = ClampPermille(settings.Ypos);
    lineHeight_ = InlayLineHeight(settings, frameWidth);
    font_ = InlayFont(settings.FontRec, lineHeight_, settings.Autofontsize);
    metrics_ = QFontMetrics(font_);
    color_ = colorFromRecord(settings.FontRec.Color);
    alignment_ = settings.Alignement;
    borderSize_ = std::clamp(settings.BorderSize, 0, kBorderSizeBound);
    border_ = BorderOffsets(borderSize_);
    pictures_ = {};
}

void InlayPainter::Draw(FrameView frame, const InlayLines& lines) {
    if (!frame.valid() || frame.bitsPerPixel != 32 || frame.width == 0 || frame.height == 0) return;
    if (lines.First.isEmpty() && lines.Second.isEmpty()) return;
    const InlayLayout layout{frame.width, frame.height, xPermille_,
                             yPermille_,  lineHeight_,  alignment_};
    const QString* texts[] = {&lines.First, &lines.Second};
    for (int line = 0; line < 2; ++line) {
        const QString& text = *texts[line];
        if (text.isEmpty()) continue;
        const std::optional<Point> at = layout.LinePosition(line, TextWidth(text));
        if (!at) return;
        picture(line, text).BlendInto(frame, *at, color_);
    }
}

void InlayPainter::Prepare(const InlayLines& lines) {
    if (!lines.First.isEmpty()) picture(0, lines.First);
    if (!lines.Second.isEmpty()) picture(1, lines.Second);
}

const InlayLinePicture& InlayPainter::picture(int line, const QString& text) {
    InlayLinePicture& kept = pictures_[std::size_t(line)];
    if (kept.Empty() || kept.Text() != text)
        kept = InlayLinePicture(text, font_, metrics_.ascent(), borderSize_, border_);
    return kept;
}

} // namespace sp
