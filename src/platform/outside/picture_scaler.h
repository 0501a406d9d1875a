#pragma once
// scalerFor: the libswscale set-up shared by every conversion of decoded pictures to RGB, told
// the picture's own matrix (BT.709 for high definition, BT.601 for standard definition, unless
// the stream says) and range; the output is full-range RGB.

#include <array>

extern "C" {
#include <libavutil/pixfmt.h>
}

struct AVFrame;
struct SwsContext;

namespace sp::outside {

// A scaler from the first `sourceRows` rows of pictures like `f` (its width, format, matrix and
// range) to width × height pixels of `output`; `cached` is reused when it fits, freed otherwise.
// Null when libswscale cannot convert the format.
SwsContext* scalerFor(SwsContext* cached, const AVFrame& f, int sourceRows, int width, int height,
                      AVPixelFormat output, int flags);

// Y'CbCr pictures of any subsampling and depth to 16-bit 4:4:4 (AV_PIX_FMT_YUV444P16) at
// any size, the codes kept as they are (10-bit code c becomes c × 64; matrix and range are left
// to whoever reads them), the chroma samples taken from where the picture says they lie
// (left-sited, between two rows, when it says nothing, as for MPEG-2, H.264 and HEVC), as
// libzimg takes them. Owns its context, made anew whenever the sizes, format, flags or chroma
// siting change.
class ChromaUpsampler {
public:
    ChromaUpsampler() = default;
    ~ChromaUpsampler();
    ChromaUpsampler(const ChromaUpsampler&) = delete;
    ChromaUpsampler& operator=(const ChromaUpsampler&) = delete;

    // A scaler from the first `sourceRows` rows of pictures like `f` to width × height; null
    // when libswscale cannot convert the format.
    SwsContext* prepare(const AVFrame& f, int sourceRows, int width, int height, int flags);

private:
    SwsContext* context_ = nullptr;
    std::array<int, 7> shape_{}; // what context_ was made for
};

} // namespace sp::outside
