#pragma once
// "Null Renderer" (CLSID_NullRenderer): a renderer that accepts every media type and discards
// what it receives. It is still a full renderer (mf::BaseRenderer): it cues the first sample
// while paused, waits for each sample's time on the reference clock while running (at once
// without a clock), and reports EC_COMPLETE at end of stream.
//
// Threads: DoRenderSample runs on the upstream streaming thread; samplesRendered() may be read
// from any thread.

#include "platform/graph/renderer.h"

#include <atomic>
#include <cstdint>

namespace sp::outside {

using mf::HRESULT;

class NullRenderer final : public mf::BaseRenderer {
public:
    NullRenderer();

    HRESULT CheckMediaType(const mf::MediaType& type) override;
    HRESULT DoRenderSample(mf::IMediaSample* sample) override;

    // Samples discarded since creation (cued samples count once they are rendered).
    int64_t samplesRendered() const { return rendered_.load(); }

private:
    std::atomic<int64_t> rendered_{0};
};

} // namespace sp::outside
