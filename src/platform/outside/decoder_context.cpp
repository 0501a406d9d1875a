#include "platform/outside/decoder_context.h"

#include "platform/outside/demuxer.h"
#include "platform/outside/media_types_av.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>

namespace sp::outside {

AVCodecContext* openDecoderContext(const mf::MediaType& type, int avMediaType, int threads,
                                   std::string* error,
                                   const std::function<void(AVCodecContext*)>& prepare) {
    auto fail = [&](std::string text) -> AVCodecContext* {
        if (error) *error = std::move(text);
        return nullptr;
    };
    auto par = codecParametersFor(type);
    if (!par || par->codec_type != avMediaType)
        return fail(std::string("no ") + (avMediaType == AVMEDIA_TYPE_VIDEO ? "video" : "audio") +
                    " decoder for " + mf::describe(type));
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) return fail(std::string("no decoder for ") + avcodec_get_name(par->codec_id));
    AVCodecContext* context = avcodec_alloc_context3(codec);
    if (!context || avcodec_parameters_to_context(context, par.get()) < 0) {
        avcodec_free_context(&context);
        return fail("out of memory");
    }
    context->pkt_timebase = AVRational{1, 10'000'000};
    context->thread_count = threads;
    context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (prepare) prepare(context);
    if (avcodec_open2(context, codec, nullptr) < 0) {
        avcodec_free_context(&context);
        return fail(std::string("cannot open the ") + codec->name + " decoder");
    }
    return context;
}

bool sendDecoderPacket(AVCodecContext* codec, std::span<const uint8_t> data, int64_t startHns,
                       bool& draining, const std::function<void()>& takeOutput) {
    if (data.empty()) return true;
    AVPacket* pkt = av_packet_alloc();
    if (!pkt || av_new_packet(pkt, int(data.size())) < 0) {
        av_packet_free(&pkt);
        return false;
    }
    std::copy(data.begin(), data.end(), pkt->data);
    pkt->pts = startHns == kNoTimeHns ? AV_NOPTS_VALUE : startHns;
    if (draining) {
        avcodec_flush_buffers(codec);
        draining = false;
    }
    int r = avcodec_send_packet(codec, pkt);
    if (r == AVERROR(EAGAIN)) { // output is full: take the frames, then the packet fits
        takeOutput();
        r = avcodec_send_packet(codec, pkt);
    }
    av_packet_free(&pkt);
    takeOutput();
    return r >= 0;
}

} // namespace sp::outside
