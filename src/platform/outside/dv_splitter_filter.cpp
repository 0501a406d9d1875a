#include "platform/outside/dv_splitter_filter.h"

#include "platform/graph/guids.h"

#include <pthread.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace sp::outside {

using namespace mf;

namespace {

constexpr long kVideoBuffers = 4;
constexpr long kAudioBuffers = 8;
// The most audio one frame can carry: 1944 stereo pairs of 16 bits (625/50 at 48 kHz).
constexpr long kMaxAudioBytes = 1944 * 4;

// Bit 5 of a VAUX or AAUX source pack's third byte (PC3): 1 for 50 fields, 0 for 60.
bool packSays50Fields(uint32_t pack) {
    return (pack >> 16) & 0x20;
}

int packSampleRate(uint32_t aauxSource) {
    constexpr int kRates[3] = {48000, 44100, 32000};
    const uint32_t code = (aauxSource >> 27) & 7; // PC4 bits 3..5
    return code < 3 ? kRates[code] : 0;
}

// Whether two output types describe the same stream: picture size for video; rate, channels and
// sample size for audio. Other fields may differ when the downstream pin proposed the type.
bool sameStreamFormat(const MediaType& a, const MediaType& b) {
    if (a.majortype != b.majortype || a.subtype != b.subtype || a.formattype != b.formattype)
        return false;
    if (a.majortype == MEDIATYPE_Video) {
        auto x = a.bitmapHeader(), y = b.bitmapHeader();
        return x && y && x->biWidth == y->biWidth && std::abs(x->biHeight) == std::abs(y->biHeight);
    }
    auto x = a.formatAs<WAVEFORMATEX>(), y = b.formatAs<WAVEFORMATEX>();
    return x && y && x->wFormatTag == y->wFormatTag && x->nChannels == y->nChannels &&
           x->nSamplesPerSec == y->nSamplesPerSec && x->wBitsPerSample == y->wBitsPerSample;
}

} // namespace

DvStreamFormat dvStreamFormatFromInfo(const DVINFO& info) {
    DvStreamFormat format;
    if (info.dwDVVAuxSrc != 0)
        format.system =
            packSays50Fields(info.dwDVVAuxSrc) ? DvSystem::Lines625 : DvSystem::Lines525;
    else if (info.dwDVAAuxSrc != 0)
        format.system =
            packSays50Fields(info.dwDVAAuxSrc) ? DvSystem::Lines625 : DvSystem::Lines525;
    if (info.dwDVAAuxSrc != 0 && packSampleRate(info.dwDVAAuxSrc) != 0)
        format.sampleRate = packSampleRate(info.dwDVAAuxSrc);
    return format;
}

MediaType dvVideoType(DvSystem system) {
    const int height = system == DvSystem::Lines625 ? 576 : 480;
    const uint32_t frameBytes = uint32_t(dvFrameBytes(system));
    MediaType mt = makeVideoInfoType(MEDIASUBTYPE_dvsd, 720, height, 24, dvFrameHns(system),
                                     makeFourCC('d', 'v', 's', 'd'));
    VIDEOINFOHEADER vih = *mt.formatAs<VIDEOINFOHEADER>();
    vih.bmiHeader.biSizeImage = frameBytes;
    vih.dwBitRate = uint32_t(int64_t(frameBytes) * 8 * 10000000 / dvFrameHns(system));
    mt.setFormat(vih);
    mt.bFixedSizeSamples = true;
    mt.bTemporalCompression = false; // every DV frame stands alone
    mt.lSampleSize = frameBytes;
    return mt;
}

MediaType dvAudioType(int sampleRate) {
    return makePcmType(uint32_t(sampleRate), 2, 16);
}

// Input pin -----------------------------------------------------------------------------------

DvSplitterInputPin::DvSplitterInputPin(DvSplitterFilter* owner)
    : BaseInputPin(owner, "Input"), owner_(owner) {}

HRESULT DvSplitterInputPin::CheckMediaType(const MediaType& type) {
    return type.majortype == MEDIATYPE_Interleaved && type.subtype == MEDIASUBTYPE_dvsd &&
                   type.formattype == FORMAT_DvInfo
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DvSplitterInputPin::SetMediaType(const MediaType& type) {
    HRESULT hr = BasePin::SetMediaType(type);
    if (FAILED(hr)) return hr;
    // A DVINFO block too short to read leaves the defaults (625/50, 48 kHz).
    owner_->announced_ = dvStreamFormatFromInfo(type.formatAs<DVINFO>().value_or(DVINFO{}));
    return S_OK;
}

HRESULT DvSplitterInputPin::Receive(IMediaSample* sample) {
    return owner_->receive(sample);
}
HRESULT DvSplitterInputPin::EndOfStream() {
    return owner_->endOfStream();
}
HRESULT DvSplitterInputPin::BeginFlush() {
    return owner_->beginFlush();
}
HRESULT DvSplitterInputPin::EndFlush() {
    return owner_->endFlush();
}
HRESULT DvSplitterInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    BasePin::NewSegment(start, stop, rate);
    return owner_->newSegment(start, stop, rate);
}

// Output pins ---------------------------------------------------------------------------------

DvSplitterOutputPin::DvSplitterOutputPin(DvSplitterFilter* owner, Kind kind)
    : BaseOutputPin(owner, kind == Kind::Video ? "DVVidOut0" : "AudOut00"), owner_(owner),
      kind_(kind), queue_(this) {}

HRESULT DvSplitterOutputPin::CheckConnect(IPin* peer) {
    if (!owner_->input()->IsConnected()) return VFW_E_NOT_CONNECTED;
    return BaseOutputPin::CheckConnect(peer);
}

HRESULT DvSplitterOutputPin::CheckMediaType(const MediaType& type) {
    if (!owner_->input()->IsConnected()) return VFW_E_NOT_CONNECTED;
    MediaType offered;
    GetMediaType(0, &offered);
    return sameStreamFormat(type, offered) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DvSplitterOutputPin::GetMediaType(int position, MediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position > 0 || !owner_->input()->IsConnected()) return VFW_S_NO_MORE_ITEMS;
    const DvStreamFormat format = owner_->announcedFormat();
    *type = kind_ == Kind::Video ? dvVideoType(format.system) : dvAudioType(format.sampleRate);
    return S_OK;
}

HRESULT DvSplitterOutputPin::DecideBufferSize(IMemAllocator* allocator,
                                              AllocatorProperties* request) {
    // Buffers of the largest frame, so that a change of system or rate needs no new allocator.
    const long needed = kind_ == Kind::Video ? long(kDvFrameBytes625) : kMaxAudioBytes;
    request->cbBuffer = std::max(request->cbBuffer, needed);
    request->cBuffers =
        std::max(request->cBuffers, kind_ == Kind::Video ? kVideoBuffers : kAudioBuffers);
    if (request->cbAlign <= 0) request->cbAlign = 1;
    AllocatorProperties actual;
    HRESULT hr = allocator->SetProperties(*request, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer < needed || actual.cBuffers < 1 ? E_FAIL : S_OK;
}

HRESULT DvSplitterOutputPin::Active() {
    HRESULT hr = BaseOutputPin::Active();
    if (FAILED(hr)) return hr;
    queue_.start("sp:" + name_.substr(0, 12));
    return S_OK;
}

HRESULT DvSplitterOutputPin::Inactive() {
    queue_.stop();
    return BaseOutputPin::Inactive(); // releases upstream waiting for a buffer
}

bool DvSplitterOutputPin::switchTypeTo(const MediaType& type, IMediaSample* out) {
    if (sameStreamFormat(type, mt_)) return true;
    if (!connected_ || connected_->QueryAccept(type) != S_OK) return false;
    out->SetMediaType(&type);
    mt_ = type;
    return true;
}

HRESULT DvSplitterOutputPin::queuePayload(IMediaSample* in, std::span<const uint8_t> payload,
                                          const MediaType& type) {
    ComPtr<IMediaSample> out;
    HRESULT hr = GetDeliveryBuffer(&out);
    if (FAILED(hr)) return hr;
    if (long(payload.size()) > out->GetSize()) return S_OK; // not a frame this pin can carry
    if (!switchTypeTo(type, out.get())) return S_OK;
    std::memcpy(out->GetPointer(), payload.data(), payload.size());
    out->SetActualDataLength(long(payload.size()));
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT timeHr = in->GetTime(&start, &stop);
    if (timeHr == S_OK)
        out->SetTime(&start, &stop);
    else if (timeHr == VFW_S_NO_STOP_TIME)
        out->SetTime(&start, nullptr);
    out->SetSyncPoint(true);
    out->SetPreroll(in->IsPreroll() == S_OK);
    out->SetDiscontinuity(in->IsDiscontinuity() == S_OK);
    return queue_.push({mf::OutputQueue::Item::Kind::Sample, std::move(out)});
}

HRESULT DvSplitterOutputPin::queueEndOfStream() {
    mf::OutputQueue::Item item;
    item.kind = mf::OutputQueue::Item::Kind::EndOfStream;
    return queue_.push(std::move(item));
}

HRESULT DvSplitterOutputPin::queueNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                             double rate) {
    return queue_.push({mf::OutputQueue::Item::Kind::NewSegment, nullptr, start, stop, rate});
}

HRESULT DvSplitterOutputPin::beginFlush() {
    queue_.beginFlush();
    return DeliverBeginFlush(); // releases a delivery blocked downstream
}

HRESULT DvSplitterOutputPin::endFlush() {
    queue_.endFlush();
    return DeliverEndFlush();
}

// Delivery queue ------------------------------------------------------------------------------


// Filter --------------------------------------------------------------------------------------

DvSplitterFilter::DvSplitterFilter()
    : BaseFilter("DV Splitter", CLSID_DVSplitter),
      input_(std::make_unique<DvSplitterInputPin>(this)),
      video_(std::make_unique<DvSplitterOutputPin>(this, DvSplitterOutputPin::Kind::Video)),
      audio_(std::make_unique<DvSplitterOutputPin>(this, DvSplitterOutputPin::Kind::Audio)) {}

DvSplitterFilter::~DvSplitterFilter() = default;

BasePin* DvSplitterFilter::GetPin(int n) {
    switch (n) {
    case 0:
        return input_.get();
    case 1:
        return video_.get();
    case 2:
        return audio_.get();
    default:
        return nullptr;
    }
}

DvStreamFormat DvSplitterFilter::announcedFormat() const {
    return announced_.load();
}

HRESULT DvSplitterFilter::onInactive() {
    // Waits for a Receive in progress; the pins are inactive, so none can start.
    std::lock_guard lock(streamMutex_);
    return S_OK;
}

template <class F> HRESULT DvSplitterFilter::forEachConnectedOutput(F&& f) {
    HRESULT result = S_OK;
    for (DvSplitterOutputPin* pin : {video_.get(), audio_.get()}) {
        if (!pin->IsConnected()) continue;
        HRESULT hr = f(*pin);
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

HRESULT DvSplitterFilter::receive(IMediaSample* sample) {
    std::lock_guard lock(streamMutex_);
    HRESULT hr = input_->BaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    const long length = std::max(0L, std::min(sample->GetActualDataLength(), sample->GetSize()));
    const std::span<const uint8_t> frame(sample->GetPointer(), size_t(length));
    const HRESULT video = queueVideoLocked(sample, frame);
    if (FAILED(video)) return video;
    const HRESULT audio = queueAudioLocked(sample, frame);
    if (FAILED(audio)) return audio;
    // S_FALSE only once every connected output has been told to stop.
    const bool videoOpen = video_->IsConnected() && video == S_OK;
    const bool audioOpen = audio_->IsConnected() && audio == S_OK;
    const bool anyConnected = video_->IsConnected() || audio_->IsConnected();
    return anyConnected && !videoOpen && !audioOpen ? S_FALSE : S_OK;
}

HRESULT DvSplitterFilter::queueVideoLocked(IMediaSample* sample, std::span<const uint8_t> frame) {
    if (!video_->IsConnected()) return S_OK;
    // A frame without a header block keeps the current type; the decoder judges it.
    auto system = dvFrameSystem(frame);
    const MediaType type = system ? dvVideoType(*system) : video_->CurrentMediaType();
    return video_->queuePayload(sample, frame, type);
}

HRESULT DvSplitterFilter::queueAudioLocked(IMediaSample* sample, std::span<const uint8_t> frame) {
    if (!audio_->IsConnected()) return S_OK;
    // Sound that ends before the segment starts (frames read to reach a seek target) is never
    // played; queuing it would only fill the pin's buffers while the picture catches up.
    REFERENCE_TIME start = 0, stop = 0;
    if (sample->GetTime(&start, &stop) == S_OK && stop <= 0) return S_OK;
    auto audio = extractDvAudio(frame);
    if (!audio) return S_OK;
    const auto* bytes = reinterpret_cast<const uint8_t*>(audio->samples.data());
    return audio_->queuePayload(sample, {bytes, audio->samples.size() * sizeof(int16_t)},
                                dvAudioType(audio->format.sampleRate));
}

HRESULT DvSplitterFilter::endOfStream() {
    std::lock_guard lock(streamMutex_);
    HRESULT hr = input_->CheckStreaming();
    if (hr != S_OK) return hr;
    forEachConnectedOutput([](DvSplitterOutputPin& pin) { return pin.queueEndOfStream(); });
    return S_OK;
}

HRESULT DvSplitterFilter::beginFlush() {
    // Not under the stream lock: a Receive may be waiting for a buffer until the flush frees one.
    input_->BaseInputPin::BeginFlush();
    return forEachConnectedOutput([](DvSplitterOutputPin& pin) { return pin.beginFlush(); });
}

HRESULT DvSplitterFilter::endFlush() {
    std::lock_guard lock(streamMutex_);
    input_->BaseInputPin::EndFlush();
    return forEachConnectedOutput([](DvSplitterOutputPin& pin) { return pin.endFlush(); });
}

HRESULT DvSplitterFilter::newSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    forEachConnectedOutput(
        [&](DvSplitterOutputPin& pin) { return pin.queueNewSegment(start, stop, rate); });
    return S_OK;
}

} // namespace sp::outside
