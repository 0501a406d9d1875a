#pragma once
// ToneMapper: pictures of HDR video (BT.2020 with the PQ or HLG transfer) converted to SDR
// BT.709 RGB32 (bytes B, G, R, X). The tone mapping is libavfilter's over libzimg: zscale to
// linear light (nominal peak 100 cd/m²) with BT.709 primaries, tonemap with the Hable curve (no
// desaturation), zscale to the BT.709 transfer and RGB. Running those filters on every picture
// costs about 20 ms for full HD, so they run once, on a picture of 49³ Y'CbCr grid colours, when
// the first picture with a given transfer, primaries, matrix and range comes; their result
// becomes a ColourTable. Each picture then goes through libswscale to 16-bit 4:4:4 Y'CbCr (the
// chroma sited as libzimg sites it; no clipping, so colours beyond the RGB cube come out as the
// filters map them) and through the table, band by band while the rows are still in the cache;
// full-size pictures in two halves at once, the lower half on a short-lived thread ("tonemap
// half").
//
// Failure: convert() and convertScaled() give false for pictures that are not Y'CbCr and when
// the filters or libswscale cannot handle the picture; the caller converts it some other way.
//
// Threads: one caller thread at a time.

#include "platform/outside/colour_table.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

struct AVFrame;

namespace sp::outside {

class ToneMapper {
public:
    // The filter chain that does the tone mapping, as ffmpeg's -vf takes it, from Y'CbCr
    // tagged with its transfer, primaries, matrix and range to R'G'B' with the BT.709 transfer
    // and primaries (as floats; a format filter after it picks the bit depth).
    static constexpr std::string_view kChain =
        "zscale=t=linear:npl=100:p=bt709,format=gbrpf32le,tonemap=tonemap=hable:desat=0,"
        "zscale=t=bt709";

    // True for a picture that needs tone mapping: PQ or HLG transfer; the same for a transfer
    // (AVColorTransferCharacteristic) a stream declares.
    static bool isHdr(const AVFrame& frame);
    static bool isHdrTransfer(int transfer);

    ToneMapper();
    ~ToneMapper();
    ToneMapper(const ToneMapper&) = delete;
    ToneMapper& operator=(const ToneMapper&) = delete;

    // Converts `frame` into rows of width * 4 bytes starting at `top` (the picture's top row),
    // `stride` bytes apart (negative for bottom-up).
    bool convert(const AVFrame& frame, uint8_t* top, ptrdiff_t stride);
    // The same, the picture averaged down (or up) to width × height.
    bool convertScaled(const AVFrame& frame, uint8_t* top, ptrdiff_t stride, int width, int height);

private:
    class Part;
    bool prepareTable(const AVFrame& frame);

    ColourTable table_;
    std::array<int, 4> tableTags_{-1, -1, -1, -1}; // transfer, primaries, matrix, range of table_
    std::unique_ptr<Part> upper_; // full-size pictures: the upper half, or the whole
    std::unique_ptr<Part> lower_;
    std::unique_ptr<Part> scaled_;
};

} // namespace sp::outside
