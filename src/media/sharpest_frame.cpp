// The sharpest frame near the one on screen: the frames within a radius are shown one after
// the other (one seek to the first, then steps forward, which go on decoding), each is measured
// with the focus measure on the picture the superposer keeps, and the best one is shown again
// (from the decoder's cache of pictures).

#include "filters/frame_bitmap.h"
#include "filters/picture_measures.h"
#include "filters/superposer.h"
#include "media/media_system.h"

#include <algorithm>

namespace sp {

double TMediaSystem::ShownFocus(TFrameBitmap& scratch) {
    superposer_->CopyCurrentFrame(scratch);
    if (scratch.Empty()) return 0;
    return FocusMeasure(ConstFrameView{scratch.Bits(), scratch.Width(), scratch.Height(),
                                       std::ptrdiff_t(scratch.Stride())});
}

std::optional<TMediaSystem::SharpFrame> TMediaSystem::SharpestFrameNear(int radius) {
    if (!HasVideo() || FrameDuration <= 0) return std::nullopt;
    radius = std::clamp(radius, 0, kMaxSharpRadius);
    const int64_t center = ShownPosition();
    const int64_t first = std::max<int64_t>(0, center - radius * FrameDuration);
    // Frames before the centre that exist, then the radius after it.
    const int64_t framesBefore = (center - first + FrameDuration / 2) / FrameDuration;
    const int64_t frames = framesBefore + radius + 1;

    TFrameBitmap scratch;
    if (first != center) SetPosition(first);
    SharpFrame best{ShownPosition(), ShownFocus(scratch)};
    for (int64_t i = 1; i < frames; ++i) {
        const int64_t before = ShownPosition();
        NextFrame();
        const int64_t shown = ShownPosition();
        if (shown <= before) break; // the last frame of the file
        const double focus = ShownFocus(scratch);
        if (focus > best.focus) best = {shown, focus};
    }
    if (ShownPosition() != best.position) SetPosition(best.position);
    return best;
}

} // namespace sp
