#pragma once
// AudioDecoder: compressed audio samples in, interleaved signed 16-bit PCM out, at the
// stream's own sample rate and channel count (libavcodec, then libswresample for the sample
// format). Knows nothing of pins.
//
// Threads: one caller thread at a time (a decoder filter's streaming thread).
// Times are 100 ns units in the caller's reference; a chunk without a time of its own follows
// the previous chunk.
// Failure: open() gives null with a message for a type no decoder handles; a damaged sample is
// skipped (sendPacket() returns false) and decoding goes on.

#include "platform/graph/mediatype.h"
#include "platform/outside/demuxer.h"

#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct AVCodecContext;
struct SwrContext;
struct AVFrame;

namespace sp::outside {

struct AudioChunk {
    int64_t startHns = kNoTimeHns;
    int64_t durationHns = 0;
    int sampleRate = 0;
    int channels = 0;
    std::vector<int16_t> samples; // interleaved, channels * frames values

    size_t frames() const { return channels > 0 ? samples.size() / size_t(channels) : 0; }
};

class AudioDecoder {
public:
    static std::unique_ptr<AudioDecoder> open(const mf::MediaType& input,
                                              std::string* error = nullptr);
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    // One compressed sample (startHns may be kNoTimeHns). False when the decoder rejected it.
    bool sendPacket(std::span<const uint8_t> data, int64_t startHns);
    // No more samples: what the decoder still holds becomes available. Samples sent afterwards
    // start a new run.
    void sendEndOfStream();
    // Forgets everything inside the decoder and the chunks not yet taken (before a seek).
    void flush();
    // The next decoded chunk, if any.
    std::optional<AudioChunk> nextChunk();
    // PCM 16-bit type with the rate and channels of the last chunk (of the input type before).
    mf::MediaType outputType() const;

private:
    AudioDecoder();
    void receiveFrames();
    bool convert(const AVFrame& frame, AudioChunk& chunk);

    AVCodecContext* codec_ = nullptr;
    bool draining_ = false; // sendEndOfStream() ran; the codec needs a flush before new input
    SwrContext* resampler_ = nullptr;
    int resamplerFormat_ = -1;
    int resamplerRate_ = 0;
    int resamplerChannels_ = 0;
    std::deque<AudioChunk> ready_;
    int64_t nextStart_ = kNoTimeHns;
    int sampleRate_ = 0;
    int channels_ = 0;
};

} // namespace sp::outside
