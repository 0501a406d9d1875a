// The sharpest frame near the one on screen.
//
// Measured where decoded: the video decoder (mf::IFrameFocus) measures the luma plane of its
// pictures as they come out of libavcodec, so no picture but the one chosen is converted and
// shown. One seek to the last frame of the radius measures the pictures the decoder keeps for
// steps back (a seek keeps the second before its target, so those before the frame on screen
// are there) and each one decoded on the way; a second seek to the first frame of the radius
// is needed only when those before were not kept. Then one move to the frame chosen, from the
// cache. The measure is taken on the decoded luma (Y) instead of the BT.601 luma of the RGB
// picture: the two differ by the limited range's scale, which changes no comparison.
//
// Shown and measured: with a decoder that measures nothing (another decoder, a picture format
// without a plane of luma samples), each frame is shown by a step and its picture copied and
// measured, as the superposer keeps it: the slow way, but the same choice.

#include "filters/frame_bitmap.h"
#include "filters/picture_measures.h"
#include "filters/superposer.h"
#include "media/media_system.h"

#include <algorithm>

namespace sp {

using namespace mf;

namespace {
constexpr int kMeasureEveryPixelUpToWidth = 960;

// The sharpest of the measures, the earliest on a tie; nullopt without measures.
std::optional<TMediaSystem::SharpFrame>
Sharpest(const std::vector<std::pair<REFERENCE_TIME, double>>& measures) {
    std::optional<TMediaSystem::SharpFrame> best;
    for (const auto& [start, focus] : measures) // earliest first
        if (!best || focus > best->focus) best = TMediaSystem::SharpFrame{start, focus};
    return best;
}
} // namespace

std::optional<TMediaSystem::SharpFrame> TMediaSystem::SharpestFrameNear(int radius) {
    if (!HasVideo() || FrameDuration <= 0) return std::nullopt;
    radius = std::clamp(radius, 0, kMaxSharpRadius);
    const int64_t center = ShownPosition();
    const auto best = SharpestMeasured(center, radius);
    if (!best) return SharpestShown(center, radius);
    if (ShownPosition() != best->position) SetPosition(best->position);
    return best;
}

std::optional<TMediaSystem::SharpFrame> TMediaSystem::SharpestMeasured(int64_t center, int radius) {
    if (!frameFocus_) return std::nullopt;
    const int64_t reach = radius * FrameDuration;
    const int64_t first = std::max<int64_t>(center - reach, 0);
    frameFocus_->MeasureFocus(first - kSameTimeHns, center + reach + kSameTimeHns);
    SetPosition(std::min(center + reach, Duration));
    std::vector<std::pair<REFERENCE_TIME, double>> measures;
    frameFocus_->TakenFocus(&measures);
    // The frames before the one on screen were not kept: decode them from their key frame.
    if (!measures.empty() && measures.front().first > first + kSameTimeHns) {
        SetPosition(first);
        frameFocus_->TakenFocus(&measures);
    }
    frameFocus_->MeasureFocus(1, 0);
    const bool centerMeasured = std::any_of(measures.begin(), measures.end(), [&](const auto& m) {
        return m.first >= center - kSameTimeHns && m.first <= center + kSameTimeHns;
    });
    if (!centerMeasured) { // the decoder measures nothing here: back to where it was
        SetPosition(center);
        return std::nullopt;
    }
    return Sharpest(measures);
}

double TMediaSystem::ShownFocus(TFrameBitmap& scratch) {
    superposer_->CopyCurrentFrame(scratch);
    if (scratch.Empty()) return 0;
    const int step = scratch.Width() > kMeasureEveryPixelUpToWidth ? 2 : 1;
    return FocusMeasure(LumaOf(ConstFrameView{scratch.Bits(), scratch.Width(), scratch.Height(),
                                              std::ptrdiff_t(scratch.Stride())},
                               step));
}

std::optional<TMediaSystem::SharpFrame> TMediaSystem::SharpestShown(int64_t center, int radius) {
    TFrameBitmap scratch;
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
