#include "platform/outside/audio_decoder.h"

#include "platform/outside/decoder_context.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libswresample/swresample.h>
}

namespace sp::outside {

AudioDecoder::AudioDecoder() = default;

AudioDecoder::~AudioDecoder() {
    swr_free(&resampler_);
    avcodec_free_context(&codec_);
}

std::unique_ptr<AudioDecoder> AudioDecoder::open(const mf::MediaType& input, std::string* error) {
    // Audio decodes on the calling thread: chunks are small and come in order.
    AVCodecContext* context = openDecoderContext(input, AVMEDIA_TYPE_AUDIO, 1, error);
    if (!context) return nullptr;
    std::unique_ptr<AudioDecoder> d(new AudioDecoder());
    d->codec_ = context;
    d->sampleRate_ = d->codec_->sample_rate;
    d->channels_ = d->codec_->ch_layout.nb_channels;
    return d;
}

bool AudioDecoder::sendPacket(std::span<const uint8_t> data, int64_t startHns) {
    return sendDecoderPacket(codec_, data, startHns, draining_, [this] { receiveFrames(); });
}

void AudioDecoder::sendEndOfStream() {
    avcodec_send_packet(codec_, nullptr);
    draining_ = true;
    receiveFrames();
}

void AudioDecoder::flush() {
    avcodec_flush_buffers(codec_);
    draining_ = false;
    ready_.clear();
    nextStart_ = kNoTimeHns;
}

void AudioDecoder::receiveFrames() {
    AVFrame* frame = av_frame_alloc();
    if (!frame) return;
    while (avcodec_receive_frame(codec_, frame) >= 0) {
        AudioChunk chunk;
        if (convert(*frame, chunk)) ready_.push_back(std::move(chunk));
        av_frame_unref(frame);
    }
    av_frame_free(&frame);
}

bool AudioDecoder::convert(const AVFrame& frame, AudioChunk& chunk) {
    const int channels = frame.ch_layout.nb_channels;
    if (channels <= 0 || frame.sample_rate <= 0 || frame.nb_samples <= 0) return false;
    if (!resampler_ || resamplerFormat_ != frame.format || resamplerRate_ != frame.sample_rate ||
        resamplerChannels_ != channels) {
        swr_free(&resampler_);
        AVChannelLayout layout{}; // this libswresample takes the layouts as non-const
        av_channel_layout_copy(&layout, &frame.ch_layout);
        const int r =
            swr_alloc_set_opts2(&resampler_, &layout, AV_SAMPLE_FMT_S16, frame.sample_rate, &layout,
                                AVSampleFormat(frame.format), frame.sample_rate, 0, nullptr);
        av_channel_layout_uninit(&layout);
        if (r < 0 || swr_init(resampler_) < 0) {
            swr_free(&resampler_);
            return false;
        }
        resamplerFormat_ = frame.format;
        resamplerRate_ = frame.sample_rate;
        resamplerChannels_ = channels;
    }
    chunk.samples.resize(size_t(frame.nb_samples) * size_t(channels));
    uint8_t* out[1] = {reinterpret_cast<uint8_t*>(chunk.samples.data())};
    const int converted =
        swr_convert(resampler_, out, frame.nb_samples,
                    const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
    if (converted <= 0) return false;
    chunk.samples.resize(size_t(converted) * size_t(channels));
    chunk.sampleRate = sampleRate_ = frame.sample_rate;
    chunk.channels = channels_ = channels;
    chunk.durationHns = av_rescale(converted, 10'000'000, frame.sample_rate);
    int64_t start = frame.best_effort_timestamp;
    chunk.startHns = start != AV_NOPTS_VALUE ? start : nextStart_;
    nextStart_ = chunk.startHns == kNoTimeHns ? kNoTimeHns : chunk.startHns + chunk.durationHns;
    return true;
}

std::optional<AudioChunk> AudioDecoder::nextChunk() {
    if (ready_.empty()) return std::nullopt;
    AudioChunk c = std::move(ready_.front());
    ready_.pop_front();
    return c;
}

mf::MediaType AudioDecoder::outputType() const {
    return mf::makePcmType(uint32_t(sampleRate_), uint16_t(channels_), 16);
}

} // namespace sp::outside
