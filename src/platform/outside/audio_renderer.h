#pragma once
// "Default DirectSound Device" (CLSID_DSoundRender): the sound renderer. It takes PCM
// (MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx; 8-bit unsigned or 16-bit signed,
// 1 to 8 channels) and plays it on an SDL2 playback device.
//
// Timing belongs to mf::BaseRenderer: a sample is handed on when the reference clock reaches its
// start time (at once without a clock), so the device receives the stream at its own pace. The
// samples go into a bounded PcmRingBuffer that SDL's audio thread empties; a write never waits,
// and what does not fit is dropped (without a clock the stream arrives faster than it plays).
// With a clock, a sample is also dropped while more than 300 ms wait for the device, so a device
// slower than the clock never makes the sound lag further behind the picture.
// The volume (IBasicAudio, hundredths of a dB) is applied to the samples as the device takes
// them, so a change is heard at once.
//
// Without a sound device (SDL2 cannot be loaded or cannot start its audio, or no device opens) the
// filter stays a working renderer: it consumes the samples at their times and reports end of stream
// like any other; deviceOpen() tells which way it runs.
//
// Device life: opened when the filter leaves the stopped state with a connected format (a
// format that failed to open is not tried again until another comes), kept open and paused
// while stopped, closed when the format changes or the pin disconnects. Stop and flush drop
// whatever is queued.
//
// Threads: state changes, connection and put_Volume on the controlling thread; DoRenderSample,
// OnFlush and in-band format changes on the upstream streaming thread; the device callback on
// SDL's audio thread, which only touches the ring buffer and the gain.

#include "platform/graph/renderer.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sp::outside {

using mf::HRESULT;

// The layout of uncompressed PCM audio taken from a WAVEFORMATEX.
struct PcmFormat {
    uint32_t sampleRate = 0;
    uint16_t channels = 0;
    uint16_t bitsPerSample = 0; // 8 (unsigned) or 16 (signed little-endian)
    uint16_t blockAlign = 0;    // bytes per sample frame (all channels)

    friend bool operator==(const PcmFormat&, const PcmFormat&) = default;
};

// The PCM format of a media type the renderer can play; nullopt for anything else (other major
// or subtype, other format block, inconsistent block alignment, rate outside 1..768000 Hz).
std::optional<PcmFormat> pcmFormatOf(const mf::MediaType& type);

// Linear gain of a volume in hundredths of a dB: 10^(volume/2000); exactly 0 at -10000 and
// below, 1 at 0 and above.
float volumeToGain(long volume);

// Scales PCM samples in place by `gain` (saturating). 8-bit samples are unsigned around 128.
void applyGain(std::span<uint8_t> samples, uint16_t bitsPerSample, float gain);

// The one handoff between the streaming thread and the sound device's thread: a bounded byte
// queue of whole sample frames. Neither side waits: write keeps what fits, read takes what is
// there. Every operation is thread-safe.
class PcmRingBuffer {
public:
    // Capacity rounded down to whole frames of `blockAlign` bytes; empties the buffer.
    void reset(size_t capacityBytes, size_t blockAlign);
    // Returns the bytes kept (whole frames, the rest of `bytes` is dropped).
    size_t write(std::span<const uint8_t> bytes);
    // Returns the bytes taken (whole frames, at most out.size()).
    size_t read(std::span<uint8_t> out);
    void clear();
    size_t size() const;
    size_t capacity() const;

private:
    mutable std::mutex mutex_;
    // guarded by mutex_
    std::vector<uint8_t> data_;
    size_t blockAlign_ = 1;
    size_t head_ = 0; // first queued byte
    size_t size_ = 0; // queued bytes
};

class SdlAudioOutput;

class AudioRenderer final : public mf::BaseRenderer, public mf::IBasicAudio {
public:
    // `driver` names the SDL audio driver to ask for ("" lets SDL choose). A driver the user
    // set in the environment (SDL_AUDIODRIVER) wins over it. SDL's audio is started once per
    // process, with the driver of the first renderer that tries a device while no other
    // renderer holds it; a renderer that started or joined it holds it until it is destroyed,
    // and the last one to go ends it.
    explicit AudioRenderer(std::string driver = {});
    ~AudioRenderer() override;

    HRESULT CheckMediaType(const mf::MediaType& type) override;
    HRESULT SetMediaType(const mf::MediaType& type) override;
    HRESULT DoRenderSample(mf::IMediaSample* sample) override;
    void OnFlush() override;

    // IBasicAudio: -10000 (silence) .. 0 (full); E_INVALIDARG outside.
    HRESULT put_Volume(long volume) override;
    HRESULT get_Volume(long* volume) override;

    // Any thread.
    bool deviceOpen() const;
    std::optional<PcmFormat> deviceFormat() const; // the open device's format; nullopt if none
    int64_t bytesRendered() const { return bytesRendered_.load(); } // PCM bytes consumed
    size_t queuedBytes() const;                                     // waiting for the device

protected:
    HRESULT onActive() override;
    HRESULT onInactive() override;
    HRESULT onRun(mf::REFERENCE_TIME tStart) override;
    HRESULT onPause() override;

private:
    std::optional<PcmFormat> currentFormat();

    std::unique_ptr<SdlAudioOutput> output_; // thread-safe itself
    std::atomic<long> volume_{0};
    std::atomic<int64_t> bytesRendered_{0};

    std::mutex formatMutex_;
    std::optional<PcmFormat> format_; // guarded by formatMutex_: the connected format
};

} // namespace sp::outside
