#pragma once
// Measures of decoded pictures used to find the best frame and the cuts of a video.
//
// Pictures are 32-bit B, G, R, x views (the frame bitmap's layout). Luma uses the BT.601
// weights in integers. Pure functions and one small stateful detector; no threads, no Qt.

#include "filters/deinterlacer.h" // ConstFrameView

#include <cstdint>
#include <optional>
#include <vector>

namespace sp {

// One byte of luma per pixel, rows without padding.
struct LumaPlane {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> values;
};

// The luma of every `step`-th pixel of every `step`-th row of a 32-bit picture (step 1: all of
// them); empty for an empty or non-32-bit view.
LumaPlane LumaOf(const ConstFrameView& picture, int step = 1);

// Focus measure: the variance of the 4-neighbour Laplacian of the luma over the inner pixels.
// A sharp picture has strong, varied second differences; blur (focus or motion) flattens them.
// 0 for a picture smaller than 3 × 3.
double FocusMeasure(const LumaPlane& luma);
double FocusMeasure(const ConstFrameView& picture);

// Mean absolute difference of two luma planes of the same size, as a percentage of full
// scale (0..100); nullopt when the sizes differ or the planes are empty.
std::optional<double> MeanLumaDifference(const LumaPlane& a, const LumaPlane& b);

// Finds hard cuts in a run of consecutive pictures (small luma planes, all of one size), with
// the scene-change score of FFmpeg's scdet: score = min(d, |d - previous d|), d being the mean
// difference to the picture before. A cut gives one large d after small ones; a pan or motion
// blur gives large d's that stay alike from picture to picture, so its score stays low.
//
// A picture unlike both its neighbours (a flash, one sharp frame among blurred ones) is no
// cut: a candidate is confirmed only when the picture after it does not look like the one
// before it again, so the answer for a picture comes with the next one. A picture that is left
// out so is also skipped as the reference of the next difference.
class SceneCutDetector {
public:
    static constexpr double kDefaultThreshold = 10.0; // percent, as scdet's default

    explicit SceneCutDetector(double threshold = kDefaultThreshold) : threshold_(threshold) {}
    // The next picture; true when the picture added before it starts a new scene. The first
    // two pictures never do, nor does a picture of another size than the one before (the
    // detector starts over).
    bool Add(LumaPlane picture);
    // No picture follows: true when the last picture added starts a new scene.
    bool Finish();

private:
    struct Candidate {
        LumaPlane picture;
        double difference = 0;
    };
    // Takes `picture` after the reference: as the new reference, or as a candidate cut.
    void Take(LumaPlane picture);

    double threshold_;
    LumaPlane previous_; // the reference: the last picture taken that was not left out
    std::optional<double> previousDifference_;
    std::optional<Candidate> candidate_;
};

} // namespace sp
