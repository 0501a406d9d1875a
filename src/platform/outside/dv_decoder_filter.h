#pragma once
// "DV Video Decoder" (CLSID_DVVideoCodec): DV frames as dvsd video (FORMAT_VideoInfo, as the DV
// splitter delivers them) in, MEDIASUBTYPE_RGB32 pictures (FORMAT_VideoInfo, bottom-up, the
// same size) out. The decoding is VideoDecoder's; this class knows nothing of libav.
//
// Streaming: the decoder opens when the filter leaves the stopped state and closes when it
// returns to it. It runs on one thread, so every DV frame gives its picture at once and the
// output sample takes the input sample's times. Transform runs on the upstream streaming
// thread under streamMutex_.
//
// Failure: a type the decoder cannot open fails the pause with E_FAIL. A damaged frame, or a
// picture whose size is not the output type's (a change of TV system mid-stream), is dropped
// and the next frame goes on. A flush forgets whatever the decoder holds.

#include "platform/graph/transform_filter.h"
#include "platform/outside/video_decoder.h"

#include <memory>

namespace sp::outside {

class DvDecoderFilter final : public mf::TransformFilter {
public:
    DvDecoderFilter();
    ~DvDecoderFilter() override;

    mf::HRESULT CheckInputType(const mf::MediaType& type) override;
    mf::HRESULT CheckTransform(const mf::MediaType& in, const mf::MediaType& out) override;
    mf::HRESULT DecideBufferSize(mf::IMemAllocator* allocator,
                                 mf::AllocatorProperties* request) override;
    mf::HRESULT GetMediaType(int position, mf::MediaType* type) override;
    mf::HRESULT StartStreaming() override;
    mf::HRESULT StopStreaming() override;
    mf::HRESULT Transform(mf::IMediaSample* in, mf::IMediaSample* out) override;
    mf::HRESULT EndFlush() override;

private:
    // Opened by StartStreaming, closed by StopStreaming; used under streamMutex_ in between.
    std::unique_ptr<VideoDecoder> decoder_;
};

} // namespace sp::outside
