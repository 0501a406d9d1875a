#pragma once
// Which media type an FFmpeg stream becomes, and back: the codec parameters a decoder needs,
// rebuilt from a media type alone (so a decoder filter needs nothing but its input pin's type).
// Codec private data (H.264 avcC, WMV and WMA headers, AAC configuration) travels in the
// format block after the fixed header, as the Windows formats carry it; MPEG-1/2 video carries
// its sequence header in MPEG1VIDEOINFO/MPEG2VIDEOINFO.
//
// Pure functions, callable from any thread. Knows libav; pin code never includes this.

#include "platform/graph/formats.h"
#include "platform/graph/mediatype.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

struct AVStream;
struct AVCodecParameters;

namespace sp::outside {

enum class StreamKind { Video, Audio, Interleaved, Other };

struct StreamDescription {
    StreamKind kind = StreamKind::Other;
    mf::MediaType mediaType; // empty (null GUIDs) for kind Other
};

// The media type of one demuxed stream. `containerName` is the demuxer's short name ("avi",
// "asf", "mpeg", ...): AVI and ASF video gets FORMAT_VideoInfo with the stream's own
// four-character code, other containers FORMAT_VideoInfo2 with the picture aspect ratio.
// Streams without a usable mapping come back as kind Other. Interleaved DV is not decided
// here (see interleavedDvType).
StreamDescription describeStream(const AVStream& stream, std::string_view containerName);

// MEDIATYPE_Interleaved / MEDIASUBTYPE_dvsd / FORMAT_DvInfo for whole DV frames (raw DV, type-1
// DV AVI). The DVINFO block holds the auxiliary packs found in `firstFrame` (zero when absent).
// A variable-rate video stream's base frame duration in 100 ns; 0 for a constant rate.
int64_t variableRateBaseFrameHns(const AVStream& st);

mf::MediaType interleavedDvType(std::span<const uint8_t> firstFrame);

// The DVINFO of one DV frame: first AAUX source and source-control packs of each half of the
// frame's DIF sequences (the two audio channels' blocks), first VAUX source and source-control
// packs. Each field is the four bytes after the pack id, little-endian; 0 when not found.
mf::DVINFO dvInfoFromFrame(std::span<const uint8_t> frame);

// The picture aspect ratio X:Y stored in an MPEG-1/2 sequence header (aspect_ratio_information),
// given the coded size for the square-pixel code; nullopt when the bytes are not a sequence
// header or the code is reserved.
struct AspectRatio {
    int x = 0, y = 0;
};
std::optional<AspectRatio> mpeg2PictureAspect(std::span<const uint8_t> sequenceHeader, int width,
                                              int height);

struct CodecParametersDeleter {
    void operator()(AVCodecParameters* p) const;
};
using CodecParametersPtr = std::unique_ptr<AVCodecParameters, CodecParametersDeleter>;

// What a decoder needs to open for `type`: codec id, picture size or sample format facts,
// private data. Null when the type names no codec FFmpeg knows.
CodecParametersPtr codecParametersFor(const mf::MediaType& type);

} // namespace sp::outside
