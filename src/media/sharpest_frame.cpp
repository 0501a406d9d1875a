// The sharpest frame near the one on screen. The frames after it are shown by steps forward,
// which go on decoding; the frames before it, and the one chosen, come from the decoder's cache
// of pictures (a seek keeps the second before its target), so no key frame is decoded again.
// Each picture the superposer keeps is measured with the focus measure; a large picture every
// second pixel of every second row, which keeps the fine detail the measure looks at.

#include "filters/frame_bitmap.h"
#include "filters/picture_measures.h"
#include "filters/superposer.h"
#include "media/media_system.h"

#include <algorithm>

namespace sp {

namespace {
constexpr int kMeasureEveryPixelUpToWidth = 960;
} // namespace

double TMediaSystem::ShownFocus(TFrameBitmap& scratch) {
    superposer_->CopyCurrentFrame(scratch);
    if (scratch.Empty()) return 0;
    const int step = scratch.Width() > kMeasureEveryPixelUpToWidth ? 2 : 1;
    return FocusMeasure(LumaOf(ConstFrameView{scratch.Bits(), scratch.Width(), scratch.Height(),
                                              std::ptrdiff_t(scratch.Stride())},
                               step));
}

std::optional<TMediaSystem::SharpFrame> TMediaSystem::SharpestFrameNear(int radius) {
    if (!HasVideo() || FrameDuration <= 0) return std::nullopt;
    radius = std::clamp(radius, 0, kMaxSharpRadius);
    TFrameBitmap scratch;
    const int64_t center = ShownPosition();
    SharpFrame best{center, ShownFocus(scratch)};
    const auto measureAfterStep = [&](bool forward) {
        const int64_t before = ShownPosition();
        forward ? NextFrame() : PreviousFrame();
        const int64_t shown = ShownPosition();
        if (forward ? shown <= before : shown >= before) return false; // an end of the file
        const double focus = ShownFocus(scratch);
        // On a tie the earlier frame.
        if (focus > best.focus || (focus == best.focus && shown < best.position))
            best = {shown, focus};
        return true;
    };
    for (int i = 0; i < radius && measureAfterStep(true); ++i) {
    }
    if (radius > 0 && center > 0) SetPosition(center);
    for (int i = 0; i < radius && measureAfterStep(false); ++i) {
    }
    if (ShownPosition() != best.position) SetPosition(best.position);
    return best;
}

} // namespace sp
