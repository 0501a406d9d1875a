#pragma once
// What the video and audio decoders share of libavcodec: opening a decoder for a media type,
// and sending one compressed sample to it. Knows libav; pin code never includes this.

#include "platform/graph/mediatype.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

struct AVCodecContext;

namespace sp::outside {

// An opened libavcodec decoder for `type`, which must be of the given AVMediaType (video or
// audio), times in 100 ns units; `threads` 0 lets libavcodec choose (frame and slice threads).
// `prepare`, when given, sees the context just before it is opened. Null with a one-line
// message in `error` when no decoder handles the type.
AVCodecContext* openDecoderContext(const mf::MediaType& type, int avMediaType, int threads,
                                   std::string* error,
                                   const std::function<void(AVCodecContext*)>& prepare = {});

// Sends one sample (startHns may be kNoTimeHns). A codec drained by an end of stream is flushed
// first, so samples after the end start a new run (`draining` is cleared). When the decoder's
// output is full, `takeOutput` is called and the sample sent again; it is called once more
// afterwards. False when the decoder rejects the sample.
bool sendDecoderPacket(AVCodecContext* codec, std::span<const uint8_t> data, int64_t startHns,
                       bool& draining, const std::function<void()>& takeOutput);

} // namespace sp::outside
