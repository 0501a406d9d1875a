#pragma once
// ToneMapper: pictures of HDR video (BT.2020 with the PQ or HLG transfer) converted to SDR
// BT.709 RGB32 (bytes B, G, R, X), through a libavfilter graph over libzimg: zscale to linear
// light (nominal peak 100 cd/m²) with BT.709 primaries, tonemap with the Hable curve (no
// desaturation), zscale to the BT.709 transfer and 8-bit RGB. Asking zscale for 8 bits itself
// (rather than leaving float RGB to libswscale) saves a third of the time a picture takes.
// The graph is built for the first picture and again whenever size or pixel format change.
//
// Threads: one caller thread at a time.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

struct AVFilterGraph;
struct AVFilterContext;
struct AVFrame;

namespace sp::outside {

class ToneMapper {
public:
    // The filter chain after the buffer source, as ffmpeg's -vf takes it (without the final
    // conversion to packed RGB).
    static constexpr std::string_view kChain =
        "zscale=t=linear:npl=100:p=bt709,format=gbrpf32le,tonemap=tonemap=hable:desat=0,"
        "zscale=t=bt709,format=gbrp";

    // True for a picture that needs tone mapping: PQ or HLG transfer.
    static bool isHdr(const AVFrame& frame);

    ToneMapper();
    ~ToneMapper();
    ToneMapper(const ToneMapper&) = delete;
    ToneMapper& operator=(const ToneMapper&) = delete;

    // Converts `frame` into rows of width * 4 bytes starting at `top` (the picture's top row),
    // `stride` bytes apart (negative for bottom-up). False when the graph fails.
    bool convert(const AVFrame& frame, uint8_t* top, ptrdiff_t stride);

private:
    bool build(const AVFrame& frame);
    void reset();

    AVFilterGraph* graph_ = nullptr;
    AVFilterContext* source_ = nullptr;
    AVFilterContext* sink_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int format_ = -1;
    bool failed_ = false; // the graph for this size and format could not be built
};

} // namespace sp::outside
