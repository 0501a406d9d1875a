#pragma once
// Audio decoder filter: every compressed audio FFmpeg decodes, to 16-bit PCM at the stream's
// rate and channel count. Registered as "ffdshow Audio Decoder".
//
// Streaming: each input sample is decoded at once; decoded audio is cut into output samples
// of at most the buffer size, timed from the decoder's chunk times. A change of rate or
// channel count goes out in a sample carrying the new media type. Audio before the segment
// start is delivered with negative times: the renderer plays it at once (it is short).

#include "platform/graph/transform_filter.h"
#include "platform/outside/audio_decoder.h"

#include <memory>

namespace sp::outside {

using mf::HRESULT;

class AudioDecoderFilter final : public mf::TransformFilter {
public:
    AudioDecoderFilter();

    HRESULT CheckInputType(const mf::MediaType& type) override;
    HRESULT CheckTransform(const mf::MediaType& in, const mf::MediaType& out) override;
    HRESULT DecideBufferSize(mf::IMemAllocator* allocator,
                             mf::AllocatorProperties* request) override;
    HRESULT GetMediaType(int position, mf::MediaType* type) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;

    HRESULT Receive(mf::IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT EndFlush() override;

private:
    HRESULT deliverChunks();
    HRESULT deliverChunk(const AudioChunk& chunk);

    std::unique_ptr<AudioDecoder> decoder_; // streaming thread, created by StartStreaming
    int outRate_ = 0, outChannels_ = 0;
};

} // namespace sp::outside
