#include "filters/picture_measures.h"

#include "platform/graph/focus_measure.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sp {

LumaPlane LumaOf(const ConstFrameView& picture, int step) {
    LumaPlane luma;
    if (!picture.bits || picture.bitsPerPixel != 32 || picture.width <= 0 || picture.height <= 0 ||
        step < 1)
        return luma;
    luma.width = (picture.width + step - 1) / step;
    luma.height = (picture.height + step - 1) / step;
    luma.values.resize(size_t(luma.width) * size_t(luma.height));
    uint8_t* out = luma.values.data();
    for (int y = 0; y < picture.height; y += step) {
        const uint8_t* in = picture.bits + std::ptrdiff_t(y) * picture.strideBytes;
        for (int x = 0; x < picture.width; x += step, in += 4 * step)
            *out++ = uint8_t((29 * in[0] + 150 * in[1] + 77 * in[2]) >> 8);
    }
    return luma;
}

double FocusMeasure(const LumaPlane& luma) {
    if (luma.values.size() < size_t(luma.width) * size_t(std::max(luma.height, 0))) return 0;
    return mf::LaplacianVariance(
        mf::LumaGrid<uint8_t>{luma.values.data(), luma.width, luma.height, luma.width});
}

double FocusMeasure(const ConstFrameView& picture) {
    return FocusMeasure(LumaOf(picture));
}

std::optional<double> MeanLumaDifference(const LumaPlane& a, const LumaPlane& b) {
    if (a.values.empty() || a.width != b.width || a.height != b.height ||
        a.values.size() != b.values.size())
        return std::nullopt;
    uint64_t total = 0;
    for (size_t i = 0; i < a.values.size(); ++i)
        total += uint64_t(std::abs(a.values[i] - b.values[i]));
    return 100.0 * double(total) / (255.0 * double(a.values.size()));
}

bool SceneCutDetector::Add(LumaPlane picture) {
    bool cut = false;
    if (candidate_) {
        // A flash: the picture after the candidate is clearly nearer the one before it than the
        // candidate was (after a cut it is about as far).
        const auto back = MeanLumaDifference(previous_, picture);
        cut = !back || *back > candidate_->difference - threshold_ / 2;
        if (cut) {
            previous_ = std::move(candidate_->picture);
            previousDifference_ = candidate_->difference;
        }
        candidate_.reset();
    }
    Take(std::move(picture));
    return cut;
}

bool SceneCutDetector::Finish() {
    const bool cut = candidate_.has_value();
    candidate_.reset();
    return cut;
}

void SceneCutDetector::Take(LumaPlane picture) {
    const auto difference = MeanLumaDifference(previous_, picture);
    if (!difference) {
        previous_ = std::move(picture);
        previousDifference_.reset();
        return;
    }
    // The second picture has no difference to compare with: a shot that starts moving is no cut.
    const double score = previousDifference_
                             ? std::min(*difference, std::abs(*difference - *previousDifference_))
                             : 0;
    if (score >= threshold_) {
        candidate_ = Candidate{std::move(picture), *difference};
        return;
    }
    previous_ = std::move(picture);
    previousDifference_ = *difference;
}

} // namespace sp
