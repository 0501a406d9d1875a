#include "platform/outside/audio_renderer.h"

#include "platform/graph/guids.h"
#include "platform/outside/sdl_audio_library.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string>

namespace sp::outside {

namespace {

constexpr uint16_t kWaveFormatExtensible = 0xFFFE;
constexpr uint32_t kMaxSampleRate = 768000;
constexpr uint32_t kQueueMs = 2000; // room for a long sample arriving in one piece
constexpr uint32_t kDeviceBufferMs = 20;
constexpr uint32_t kMaxLagMs = 300; // with a clock, more queued than this means the device is slow

// SDL's audio start and end are process-wide and not thread-safe; every use goes through this.
struct SdlAudioProcessState {
    std::mutex mutex;
    int users = 0; // guarded by mutex: live SdlAudioSession holders that started it
};

SdlAudioProcessState& sdlProcessState() {
    static SdlAudioProcessState state;
    return state;
}

// Whether the system lists a sound card. Without one, ALSA (SDL's usual pick) can only fail,
// and it says so on stderr at length.
bool systemHasSoundCard() {
    std::ifstream cards("/proc/asound/cards");
    std::string line;
    if (!cards || !std::getline(cards, line)) return false;
    return line.find("no soundcards") == std::string::npos;
}

// Holds SDL's audio subsystem for its lifetime: the first holder starts it (asking for its
// driver unless SDL_AUDIODRIVER is set in the environment; with no sound card, only the sound
// servers are tried), the last to go ends it.
class SdlAudioSession {
public:
    explicit SdlAudioSession(const std::string& driver) {
        auto& process = sdlProcessState();
        std::lock_guard lock(process.mutex);
        if (process.users == 0) {
            const SdlAudioLibrary* sdl = SdlAudio();
            if (!sdl) return;
            sdl->SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
            // A normal-priority hint: SDL lets the environment variable win over it.
            if (!driver.empty())
                sdl->SetHint(SDL_HINT_AUDIODRIVER, driver.c_str());
            else if (!systemHasSoundCard())
                sdl->SetHint(SDL_HINT_AUDIODRIVER, "pipewire,pulseaudio,jack");
            else
                sdl->ResetHint(SDL_HINT_AUDIODRIVER);
            if (sdl->InitSubSystem(SDL_INIT_AUDIO) != 0) return;
        }
        ++process.users;
        started_ = true;
    }
    ~SdlAudioSession() {
        if (!started_) return;
        auto& process = sdlProcessState();
        std::lock_guard lock(process.mutex);
        if (--process.users == 0) SdlAudio()->QuitSubSystem(SDL_INIT_AUDIO);
    }
    SdlAudioSession(const SdlAudioSession&) = delete;
    SdlAudioSession& operator=(const SdlAudioSession&) = delete;

    bool started() const { return started_; }

private:
    bool started_ = false;
};

uint16_t devicePeriodFrames(uint32_t sampleRate) {
    uint32_t wanted = std::max<uint32_t>(sampleRate * kDeviceBufferMs / 1000, 64);
    uint32_t frames = 64;
    while (frames * 2 <= wanted && frames < 8192)
        frames *= 2;
    return uint16_t(frames);
}

} // namespace

// PCM helpers -------------------------------------------------------------------------------

std::optional<PcmFormat> pcmFormatOf(const mf::MediaType& type) {
    if (type.majortype != mf::MEDIATYPE_Audio || type.subtype != mf::MEDIASUBTYPE_PCM ||
        type.formattype != mf::FORMAT_WaveFormatEx)
        return std::nullopt;
    auto wfx = type.formatAs<mf::WAVEFORMATEX>();
    if (!wfx) return std::nullopt;
    if (wfx->wFormatTag != mf::WAVE_FORMAT_PCM && wfx->wFormatTag != kWaveFormatExtensible)
        return std::nullopt;
    bool bitsOk = wfx->wBitsPerSample == 8 || wfx->wBitsPerSample == 16;
    bool channelsOk = wfx->nChannels >= 1 && wfx->nChannels <= 8;
    bool rateOk = wfx->nSamplesPerSec >= 1 && wfx->nSamplesPerSec <= kMaxSampleRate;
    if (!bitsOk || !channelsOk || !rateOk) return std::nullopt;
    if (wfx->nBlockAlign != wfx->nChannels * wfx->wBitsPerSample / 8) return std::nullopt;
    return PcmFormat{wfx->nSamplesPerSec, wfx->nChannels, wfx->wBitsPerSample, wfx->nBlockAlign};
}

float volumeToGain(long volume) {
    if (volume <= -10000) return 0.0f;
    if (volume >= 0) return 1.0f;
    return float(std::pow(10.0, double(volume) / 2000.0));
}

void applyGain(std::span<uint8_t> samples, uint16_t bitsPerSample, float gain) {
    if (gain >= 1.0f) return;
    if (bitsPerSample == 8) {
        for (uint8_t& s : samples) {
            long scaled = std::lround((int(s) - 128) * gain) + 128;
            s = uint8_t(std::clamp(scaled, 0L, 255L));
        }
        return;
    }
    for (size_t i = 0; i + 1 < samples.size(); i += 2) {
        int16_t s = int16_t(samples[i] | (samples[i + 1] << 8));
        long scaled = std::clamp(std::lround(s * gain), -32768L, 32767L);
        samples[i] = uint8_t(scaled & 0xFF);
        samples[i + 1] = uint8_t((scaled >> 8) & 0xFF);
    }
}

// Ring buffer -------------------------------------------------------------------------------

void PcmRingBuffer::reset(size_t capacityBytes, size_t blockAlign) {
    std::lock_guard lock(mutex_);
    blockAlign_ = std::max<size_t>(blockAlign, 1);
    data_.assign(capacityBytes / blockAlign_ * blockAlign_, 0);
    head_ = size_ = 0;
}

size_t PcmRingBuffer::write(std::span<const uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    size_t count = std::min(bytes.size(), data_.size() - size_);
    count -= count % blockAlign_;
    if (count == 0) return 0;
    size_t tail = (head_ + size_) % data_.size();
    size_t first = std::min(count, data_.size() - tail);
    std::memcpy(data_.data() + tail, bytes.data(), first);
    std::memcpy(data_.data(), bytes.data() + first, count - first);
    size_ += count;
    return count;
}

size_t PcmRingBuffer::read(std::span<uint8_t> out) {
    std::lock_guard lock(mutex_);
    size_t count = std::min(out.size(), size_);
    count -= count % blockAlign_;
    if (count == 0) return 0;
    size_t first = std::min(count, data_.size() - head_);
    std::memcpy(out.data(), data_.data() + head_, first);
    std::memcpy(out.data() + first, data_.data(), count - first);
    head_ = (head_ + count) % data_.size();
    size_ -= count;
    return count;
}

void PcmRingBuffer::clear() {
    std::lock_guard lock(mutex_);
    head_ = size_ = 0;
}

size_t PcmRingBuffer::size() const {
    std::lock_guard lock(mutex_);
    return size_;
}

size_t PcmRingBuffer::capacity() const {
    std::lock_guard lock(mutex_);
    return data_.size();
}

// Sound device ------------------------------------------------------------------------------

// One SDL playback device fed from a PcmRingBuffer by SDL's callback. Thread-safe: opening,
// closing and pausing are serialised by deviceMutex_; the callback touches only ring_, gain_
// and callbackBits_ (written before the device opens, while no callback runs).
class SdlAudioOutput {
public:
    explicit SdlAudioOutput(std::string driver) : driver_(std::move(driver)) {}
    ~SdlAudioOutput() {
        close();
        std::lock_guard lock(deviceMutex_);
        session_.reset();
    }
    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

    // Makes a device play `format` (started when `play`); false when no device opens. A format
    // that failed once is not tried again until another format comes.
    bool open(const PcmFormat& format, bool play);
    void close() {
        std::lock_guard lock(deviceMutex_);
        closeLocked();
        failedFormat_.reset();
    }
    bool isOpen() const {
        std::lock_guard lock(deviceMutex_);
        return device_ != 0;
    }
    std::optional<PcmFormat> format() const {
        std::lock_guard lock(deviceMutex_);
        return device_ != 0 ? deviceFormat_ : std::nullopt;
    }
    void play(bool on) {
        std::lock_guard lock(deviceMutex_);
        if (device_ != 0) SdlAudio()->PauseAudioDevice(device_, on ? 0 : 1);
    }
    // `timed`: the sample came at its time on the clock. Then a queue longer than kMaxLagMs
    // means the device plays slower than the clock runs, and the sample is dropped so that the
    // sound does not fall ever further behind.
    void queue(std::span<const uint8_t> bytes, bool timed) {
        if (timed && ring_.size() > lagLimitBytes_.load()) return;
        ring_.write(bytes);
    }
    size_t queued() const { return ring_.size(); }
    void drop() { ring_.clear(); }
    void setGain(float gain) { gain_.store(gain); }

private:
    static void SDLCALL deviceCallback(void* self, Uint8* stream, int length) {
        static_cast<SdlAudioOutput*>(self)->fill(std::span<uint8_t>(stream, size_t(length)));
    }
    void fill(std::span<uint8_t> out) {
        size_t taken = ring_.read(out);
        applyGain(out.first(taken), callbackBits_, gain_.load());
        std::memset(out.data() + taken, callbackBits_ == 8 ? 0x80 : 0, out.size() - taken);
    }
    void closeLocked();
    bool openLocked(const PcmFormat& format);

    const std::string driver_;
    mutable std::mutex deviceMutex_;
    // guarded by deviceMutex_
    std::optional<SdlAudioSession> session_;
    SDL_AudioDeviceID device_ = 0;
    std::optional<PcmFormat> deviceFormat_;
    std::optional<PcmFormat> failedFormat_;

    PcmRingBuffer ring_;
    std::atomic<float> gain_{1.0f};
    std::atomic<size_t> lagLimitBytes_{0};
    uint16_t callbackBits_ = 16;
};

bool SdlAudioOutput::open(const PcmFormat& format, bool play) {
    std::lock_guard lock(deviceMutex_);
    if (device_ != 0 && deviceFormat_ == format) return true;
    if (failedFormat_ == format) return false;
    closeLocked();
    if (!openLocked(format)) {
        failedFormat_ = format;
        return false;
    }
    failedFormat_.reset();
    SdlAudio()->PauseAudioDevice(device_, play ? 0 : 1);
    return true;
}

bool SdlAudioOutput::openLocked(const PcmFormat& format) {
    if (!session_) session_.emplace(driver_);
    if (!session_->started()) {
        session_.reset();
        return false;
    }
    ring_.reset(size_t(format.sampleRate) * format.blockAlign * kQueueMs / 1000, format.blockAlign);
    callbackBits_ = format.bitsPerSample;
    lagLimitBytes_ = size_t(format.sampleRate) * format.blockAlign * kMaxLagMs / 1000;
    SDL_AudioSpec wanted{};
    wanted.freq = int(format.sampleRate);
    wanted.format = format.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    wanted.channels = Uint8(format.channels);
    wanted.samples = devicePeriodFrames(format.sampleRate);
    wanted.callback = &SdlAudioOutput::deviceCallback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    {
        // SDL keeps its table of open devices without a lock of its own.
        std::lock_guard sdlLock(sdlProcessState().mutex);
        device_ = SdlAudio()->OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    }
    if (device_ == 0) {
        ring_.reset(0, 1);
        return false;
    }
    deviceFormat_ = format;
    return true;
}

void SdlAudioOutput::closeLocked() {
    if (device_ == 0) return;
    {
        std::lock_guard sdlLock(sdlProcessState().mutex);
        SdlAudio()->CloseAudioDevice(device_); // waits for a running callback to return
    }
    device_ = 0;
    deviceFormat_.reset();
    ring_.reset(0, 1); // without a device, samples are dropped as they come
}

// Renderer ----------------------------------------------------------------------------------

AudioRenderer::AudioRenderer(std::string driver)
    : BaseRenderer("Default DirectSound Device", mf::CLSID_DSoundRender),
      output_(std::make_unique<SdlAudioOutput>(std::move(driver))) {}

AudioRenderer::~AudioRenderer() = default;

HRESULT AudioRenderer::CheckMediaType(const mf::MediaType& type) {
    return pcmFormatOf(type) ? mf::S_OK : mf::VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AudioRenderer::SetMediaType(const mf::MediaType& type) {
    if (type.majortype.isNull()) { // the pin is disconnecting
        {
            std::lock_guard lock(formatMutex_);
            format_.reset();
        }
        output_->close();
        return mf::S_OK;
    }
    auto format = pcmFormatOf(type);
    if (!format) return mf::VFW_E_TYPE_NOT_ACCEPTED;
    {
        std::lock_guard lock(formatMutex_);
        format_ = format;
    }
    // A type change carried by a sample (streaming thread) takes effect on the device at once.
    if (state() != mf::FilterState::Stopped)
        output_->open(*format, state() == mf::FilterState::Running);
    return mf::S_OK;
}

std::optional<PcmFormat> AudioRenderer::currentFormat() {
    std::lock_guard lock(formatMutex_);
    return format_;
}

HRESULT AudioRenderer::DoRenderSample(mf::IMediaSample* sample) {
    const uint8_t* data = sample->GetPointer();
    long length = std::min(sample->GetActualDataLength(), sample->GetSize());
    if (!data || length <= 0) return mf::S_OK;
    bytesRendered_ += length;
    output_->queue(std::span<const uint8_t>(data, size_t(length)), clock() != nullptr);
    return mf::S_OK;
}

void AudioRenderer::OnFlush() {
    output_->drop();
}

HRESULT AudioRenderer::put_Volume(long volume) {
    if (volume < -10000 || volume > 0) return mf::E_INVALIDARG;
    volume_ = volume;
    output_->setGain(volumeToGain(volume));
    return mf::S_OK;
}

HRESULT AudioRenderer::get_Volume(long* volume) {
    if (!volume) return mf::E_POINTER;
    *volume = volume_;
    return mf::S_OK;
}

bool AudioRenderer::deviceOpen() const {
    return output_->isOpen();
}

std::optional<PcmFormat> AudioRenderer::deviceFormat() const {
    return output_->format();
}

size_t AudioRenderer::queuedBytes() const {
    return output_->queued();
}

HRESULT AudioRenderer::onActive() {
    // Without a device the filter goes on as a silent renderer, so a failure is not reported.
    if (auto format = currentFormat()) output_->open(*format, false);
    output_->drop();
    return BaseRenderer::onActive();
}

HRESULT AudioRenderer::onInactive() {
    output_->play(false);
    output_->drop();
    return BaseRenderer::onInactive();
}

HRESULT AudioRenderer::onRun(mf::REFERENCE_TIME tStart) {
    output_->play(true);
    return BaseRenderer::onRun(tStart);
}

HRESULT AudioRenderer::onPause() {
    output_->play(false);
    return BaseRenderer::onPause();
}

} // namespace sp::outside
