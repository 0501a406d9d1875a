// Frame steps. One frame duration from the last position, as long as that lands on the frame
// next to the one shown; where it would stay on the frame shown or pass over one (frames at a
// variable rate, or times the container rounded), the step goes to that neighbour's own start.
// The frames' times come from the splitter (mf::IFrameTimes); without them, or where they are
// not known yet, the step is the frame duration, corrected once reading towards it told more.

#include "media/media_system.h"

namespace sp {

using namespace mf;

namespace {
bool SameFrameStart(int64_t a, int64_t b) {
    return a - b <= TMediaSystem::kSameTimeHns && b - a <= TMediaSystem::kSameTimeHns;
}
} // namespace

std::optional<int64_t> TMediaSystem::KnownFrameAt(int64_t t) {
    REFERENCE_TIME start = 0;
    if (!frameTimes_ || frameTimes_->FrameAt(t, &start) != S_OK) return std::nullopt;
    return start;
}

std::optional<int64_t> TMediaSystem::KnownNeighbour(int64_t t, bool forward) {
    REFERENCE_TIME start = 0;
    if (!frameTimes_ || frameTimes_->NeighbourFrame(t, forward, &start) != S_OK)
        return std::nullopt;
    return start;
}

void TMediaSystem::StepFrame(bool forward) {
    const int64_t target = LastPosition + (forward ? FrameDuration : -FrameDuration);
    if (!frameTimes_ || !HasVideo()) {
        SetPosition(target);
        return;
    }
    const int64_t shown = ShownPosition(); // the start of the frame on screen
    const auto neighbour = KnownNeighbour(shown, forward);
    const auto landing = neighbour ? KnownFrameAt(target) : std::nullopt;
    if (landing) {
        SetPosition(SameFrameStart(*landing, *neighbour) ? target : *neighbour);
        return;
    }
    SetPosition(target);
    const auto after = KnownNeighbour(shown, forward);
    if (after && !SameFrameStart(ShownPosition(), *after)) SetPosition(*after);
}

} // namespace sp
