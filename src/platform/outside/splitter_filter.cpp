#include "platform/outside/splitter_filter.h"

#include "platform/graph/guids.h"

#include <algorithm>
#include <cstring>

namespace sp::outside {

using namespace mf;

namespace {

const char* pinName(StreamKind kind) {
    switch (kind) {
    case StreamKind::Video:
        return "Video";
    case StreamKind::Audio:
        return "Audio";
    case StreamKind::Interleaved:
        return "DV";
    default:
        return "Stream";
    }
}

long bufferBytesFor(const MediaType& type) {
    if (type.majortype == MEDIATYPE_Audio) return 512 * 1024;
    long picture = 0;
    if (auto header = type.bitmapHeader())
        picture = long(header->biWidth) * std::abs(header->biHeight) * 2;
    return std::max(picture, 2L * 1024 * 1024); // an intra frame of a high bit rate stream
}

// The front of an uncompressed sound packet that lies before the segment start. No decoder
// stands between the splitter and the renderer to leave it out, and the renderer would play it at
// once, late: after a seek into a long PCM chunk (AVI interleaves up to a second) or when the sound
// starts before the first picture. Cut to the sample frame; a packet ending by the start is cut
// whole.
struct LeadingCut {
    size_t bytes = 0;
    REFERENCE_TIME hns = 0; // the time the cut bytes last
};

LeadingCut pcmBeforeStart(const MediaType& type, const Packet& packet,
                          REFERENCE_TIME segmentStart) {
    if (type.majortype != MEDIATYPE_Audio || type.subtype != MEDIASUBTYPE_PCM) return {};
    auto wfx = type.formatAs<WAVEFORMATEX>();
    if (!wfx || wfx->nBlockAlign == 0 || wfx->nSamplesPerSec == 0) return {};
    if (packet.startHns == kNoTimeHns || packet.startHns >= segmentStart) return {};
    const int64_t rate = wfx->nSamplesPerSec;
    const int64_t frames = int64_t(packet.data().size() / wfx->nBlockAlign);
    const int64_t late = segmentStart - packet.startHns;
    const int64_t cut = std::min(frames, (late * rate + 9'999'999) / 10'000'000);
    if (cut == frames) return {packet.data().size(), late};
    return {size_t(cut) * wfx->nBlockAlign, cut * 10'000'000 / rate};
}

} // namespace

// Output pin ----------------------------------------------------------------------------------

SplitterOutputPin::SplitterOutputPin(SplitterFilter* owner, std::string name, int streamIndex,
                                     MediaType type)
    : StreamingOutputPin(owner, std::move(name)), owner_(owner), streamIndex_(streamIndex),
      type_(std::move(type)) {
    setCategory(PIN_CATEGORY_CAPTURE);
}

HRESULT SplitterOutputPin::CheckMediaType(const MediaType& type) {
    return type.majortype == type_.majortype && type.subtype == type_.subtype &&
                   type.formattype == type_.formattype
               ? S_OK
               : S_FALSE;
}

HRESULT SplitterOutputPin::GetMediaType(int position, MediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = type_;
    return S_OK;
}

HRESULT SplitterOutputPin::DecideBufferSize(IMemAllocator* allocator,
                                            AllocatorProperties* request) {
    request->cBuffers = std::max(request->cBuffers, 8L);
    request->cbBuffer = std::max(request->cbBuffer, bufferBytesFor(type_));
    AllocatorProperties actual;
    HRESULT hr = allocator->SetProperties(*request, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer >= request->cbBuffer ? S_OK : E_FAIL;
}

HRESULT SplitterOutputPin::OnThreadStart() {
    // A continuing run keeps a mark not yet taken downstream (a seek answered from the
    // decoder's cache before its first sample was taken).
    if (!std::exchange(continuing_, false)) discontinuity_ = true;
    REFERENCE_TIME start = owner_->segmentStart();
    return DeliverNewSegment(start, std::max(owner_->duration(), start), 1.0);
}

HRESULT SplitterOutputPin::FillBuffer(IMediaSample* sample) {
    for (;;) {
        std::optional<Packet> packet = owner_->nextPacket(streamIndex_, stopToken());
        if (!packet) return S_FALSE;
        const REFERENCE_TIME segmentStart = owner_->segmentStart();
        const LeadingCut cut = pcmBeforeStart(type_, *packet, segmentStart);
        std::span<const uint8_t> data = packet->data().subspan(cut.bytes);
        if (data.empty() && cut.bytes > 0) continue;   // all of it before the start
        if (data.size() > size_t(sample->GetSize())) { // cannot carry it: skip, mark the gap
            discontinuity_ = true;
            continue;
        }
        std::memcpy(sample->GetPointer(), data.data(), data.size());
        unsent_ = std::move(packet);
        const Packet* const kept = &*unsent_;
        sample->SetActualDataLength(long(data.size()));
        if (kept->startHns != kNoTimeHns) {
            REFERENCE_TIME start = kept->startHns + cut.hns - segmentStart;
            REFERENCE_TIME stop = start + std::max<int64_t>(kept->durationHns - cut.hns, 1);
            sample->SetTime(&start, &stop);
        }
        sample->SetSyncPoint(kept->keyframe);
        sample->SetDiscontinuity(discontinuity_);
        return S_OK;
    }
}

void SplitterOutputPin::OnDelivered(HRESULT hr) {
    if (hr != S_OK) return;
    unsent_.reset();
    discontinuity_ = false;
}

// Splitter core -------------------------------------------------------------------------------

SplitterFilter::SplitterFilter(SplitterIdentity identity)
    : BaseFilter(identity.name, identity.clsid), identity_(std::move(identity)) {}

SplitterFilter::~SplitterFilter() = default;

bool SplitterFilter::acceptsFormat(const std::string& formatName) const {
    if (identity_.formats.empty()) return true;
    return std::find(identity_.formats.begin(), identity_.formats.end(), formatName) !=
           identity_.formats.end();
}

bool SplitterFilter::adopt(std::unique_ptr<Demuxer> demuxer, std::string* error) {
    if (!demuxer) return false;
    if (!acceptsFormat(demuxer->formatName())) {
        if (error) *error = "container " + demuxer->formatName() + " is not handled here";
        return false;
    }
    std::vector<std::unique_ptr<SplitterOutputPin>> pins;
    int counts[3] = {0, 0, 0};
    for (const DemuxerStream& s : demuxer->streams()) {
        if (s.kind == StreamKind::Other) continue;
        int n = ++counts[int(s.kind)];
        std::string name = pinName(s.kind);
        if (n > 1) name.append(" ").append(std::to_string(n));
        pins.push_back(std::make_unique<SplitterOutputPin>(this, name, s.index, s.mediaType));
    }
    if (pins.empty()) {
        if (error) *error = "no video or audio stream";
        return false;
    }
    std::lock_guard lock(demuxMutex_);
    durationHns_ = demuxer->durationHns();
    queues_.clear();
    queues_.resize(demuxer->streams().size());
    // Only a video stream continues on forward seeks. Interleaved DV (one stream, split further
    // downstream) always seeks: every frame is a key frame, so a seek decodes one frame; and
    // continuing would send the sound of the frames before the target to a paused renderer,
    // which cues on the first and blocks the DV splitter's only thread before the target
    // picture arrives.
    videoStream_ = -1;
    timecodeFrameHns_ = 0;
    for (const DemuxerStream& s : demuxer->streams())
        if (videoStream_ < 0 && s.kind == StreamKind::Video) {
            videoStream_ = s.index;
            timecodeFrameHns_ = s.baseFrameHns;
        }
    timeline_.clear();
    demuxer_ = std::move(demuxer);
    outputs_ = std::move(pins);
    endOfFile_ = false;
    videoRead_ = false;
    segmentStart_ = 0;
    return true;
}

std::unique_ptr<Demuxer> SplitterFilter::dropOutputs() {
    for (auto& pin : outputs_) {
        ComPtr<IPin> peer;
        if (pin->ConnectedTo(&peer) == S_OK) {
            peer->Disconnect();
            pin->Disconnect();
        }
    }
    std::lock_guard lock(demuxMutex_);
    for (auto& pin : outputs_)
        retired_.push_back(std::move(pin));
    outputs_.clear();
    queues_.clear();
    return std::move(demuxer_);
}

std::optional<Packet> SplitterFilter::nextPacket(int streamIndex, const std::stop_token& stop) {
    std::lock_guard lock(demuxMutex_);
    auto& mine = queues_.at(size_t(streamIndex));
    while (mine.empty()) {
        if (endOfFile_ || stop.stop_requested() || !demuxer_) return std::nullopt;
        std::optional<Packet> p = demuxer_->readPacket();
        if (!p) {
            endOfFile_ = true;
            if (demuxer_->reachedEnd()) timeline_.endOfStream();
            break;
        }
        size_t index = size_t(p->streamIndex);
        if (index >= queues_.size()) continue;
        if (int(index) == videoStream_) timeline_.add(p->startHns, p->decodeHns);
        if (int(index) == videoStream_ && p->startHns != kNoTimeHns) {
            lastVideoReadHns_ = videoRead_ ? std::max(lastVideoReadHns_, p->startHns) : p->startHns;
            videoRead_ = true;
        }
        bool wanted = std::any_of(outputs_.begin(), outputs_.end(), [&](const auto& pin) {
            return size_t(pin->streamIndex()) == index && pin->IsConnected();
        });
        if (!wanted) continue;
        auto& queue = queues_[index];
        // A stream nobody consumes for a long while (its renderer is paused) loses its oldest
        // packets rather than growing without bound.
        if (queue.size() >= kMaxQueuedPackets) queue.pop_front();
        queue.push_back(std::move(*p));
    }
    if (mine.empty()) return std::nullopt;
    Packet p = std::move(mine.front());
    mine.pop_front();
    return p;
}

HRESULT SplitterFilter::GetDuration(REFERENCE_TIME* duration) {
    if (!duration) return E_POINTER;
    *duration = durationHns_;
    return demuxer_ ? S_OK : E_UNEXPECTED;
}

HRESULT SplitterFilter::GetCurrentPosition(REFERENCE_TIME* position) {
    if (!position) return E_POINTER;
    *position = segmentStart_;
    return S_OK;
}

HRESULT SplitterFilter::GetStopPosition(REFERENCE_TIME* stop) {
    return GetDuration(stop);
}

HRESULT SplitterFilter::SetPositions(REFERENCE_TIME* current, uint32_t flags, REFERENCE_TIME*,
                                     uint32_t) {
    if ((flags & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_AbsolutePositioning) return S_OK;
    if (!current) return E_POINTER;
    if (!demuxer_) return E_UNEXPECTED;
    REFERENCE_TIME target = std::max<REFERENCE_TIME>(0, *current);
    std::vector<bool> running;
    for (auto& pin : outputs_)
        running.push_back(pin->suspendForSeek());
    bool moved = false;
    {
        std::lock_guard lock(demuxMutex_);
        const bool continuing = std::find(running.begin(), running.end(), true) != running.end() &&
                                canContinueToLocked(target);
        if (continuing) {
            requeueUnsentLocked();
            moved = true;
        } else {
            for (auto& pin : outputs_)
                pin->takeUnsent();
            moved = demuxer_->seek(target);
            timeline_.beginRun();
            for (auto& queue : queues_)
                queue.clear();
            endOfFile_ = !moved;
            videoRead_ = false;
        }
        for (auto& pin : outputs_)
            pin->prepareRun(continuing);
        segmentStart_ = target;
    }
    for (size_t i = 0; i < outputs_.size(); ++i)
        outputs_[i]->resumeAfterSeek(running[i]);
    return moved ? S_OK : E_FAIL;
}

HRESULT SplitterFilter::FrameAt(REFERENCE_TIME t, REFERENCE_TIME* start) {
    if (!start) return E_POINTER;
    const auto frame = timeline_.frameAt(t);
    if (frame) *start = *frame;
    return frame ? S_OK : S_FALSE;
}

HRESULT SplitterFilter::NeighbourFrame(REFERENCE_TIME t, bool forward, REFERENCE_TIME* start) {
    if (!start) return E_POINTER;
    const auto frame = timeline_.neighbour(t, forward);
    if (frame) *start = *frame;
    return frame ? S_OK : S_FALSE;
}

HRESULT SplitterFilter::GetTag(std::string_view name, std::string* value) {
    if (!value) return E_POINTER;
    value->clear();
    std::lock_guard lock(demuxMutex_);
    if (!demuxer_) return S_FALSE;
    auto found = demuxer_->tag(name);
    if (!found) return S_FALSE;
    *value = std::move(*found);
    return S_OK;
}

// Forward of the last target, or (while decoding towards one, a step back from it) ahead of
// every video packet read; not past the end, and no farther than decoding on is worth.
bool SplitterFilter::canContinueToLocked(REFERENCE_TIME target) const {
    if (!videoRead_ || endOfFile_) return false;
    if (target <= lastVideoReadHns_) return target > segmentStart_;
    if (auto key = demuxer_->keyframeAtOrBefore(target)) return *key <= lastVideoReadHns_;
    return target - lastVideoReadHns_ <= kContinueWindowHns;
}

// Packets copied into a sample that downstream did not take (it was flushing) go back to the
// front of their queues, so the continuing run loses none.
void SplitterFilter::requeueUnsentLocked() {
    for (auto& pin : outputs_)
        if (auto packet = pin->takeUnsent()) {
            const size_t index = size_t(packet->streamIndex);
            if (index < queues_.size()) queues_[index].push_front(std::move(*packet));
        }
}

// Stream splitter (fed by File Source) ----------------------------------------------------------

SplitterInputPin::SplitterInputPin(StreamSplitterFilter* owner)
    : BasePin(owner, "Input", PinDirection::Input), owner_(owner) {}

HRESULT SplitterInputPin::CheckMediaType(const MediaType& type) {
    if (type.majortype != MEDIATYPE_Stream) return S_FALSE;
    const auto& subtypes = owner_->identity().inputSubtypes;
    return std::find(subtypes.begin(), subtypes.end(), type.subtype) != subtypes.end() ? S_OK
                                                                                       : S_FALSE;
}

HRESULT SplitterInputPin::CompleteConnect(IPin* peer) {
    auto reader = query<IAsyncReader>(peer);
    if (!reader) return E_NOINTERFACE;
    return owner_->openFrom(reader.get());
}

HRESULT SplitterInputPin::BreakConnect() {
    owner_->close();
    return S_OK;
}

StreamSplitterFilter::StreamSplitterFilter(SplitterIdentity identity)
    : SplitterFilter(std::move(identity)), input_(std::make_unique<SplitterInputPin>(this)) {}

StreamSplitterFilter::~StreamSplitterFilter() = default;

BasePin* StreamSplitterFilter::GetPin(int n) {
    if (n == 0) return input_.get();
    return n - 1 < outputCount() ? output(n - 1) : nullptr;
}

namespace {

// The file a reader pin's filter loaded; empty when it does not say.
std::string FileBehind(IAsyncReader* reader) {
    auto pin = query<IPin>(reader);
    PinInfo info;
    if (!pin || FAILED(pin->QueryPinInfo(&info)) || !info.filter) return {};
    auto source = query<IFileSourceFilter>(info.filter);
    std::string path;
    if (!source || FAILED(source->GetCurFile(&path, nullptr))) return {};
    return path;
}

} // namespace

HRESULT StreamSplitterFilter::openFrom(IAsyncReader* reader) {
    int64_t total = 0, available = 0;
    if (FAILED(reader->Length(&total, &available))) return E_FAIL;
    reader_ = ComPtr<IAsyncReader>(reader);
    IAsyncReader* raw = reader;
    Demuxer::ReadAt readAt = [raw, total](int64_t pos, std::span<uint8_t> buffer) -> int64_t {
        if (pos >= total) return 0;
        long length = long(std::min<int64_t>(int64_t(buffer.size()), total - pos));
        return raw->SyncRead(pos, length, buffer.data()) == E_FAIL ? -1 : length;
    };
    std::string error;
    Kept kept = std::exchange(kept_, {});
    if (kept.demuxer && kept.length == total && kept.path == FileBehind(reader) &&
        kept.demuxer->rebind(readAt) && adopt(std::move(kept.demuxer), &error))
        return S_OK;
    // Each container we take is tried in turn (the demultiplexer reads program and transport
    // streams alike).
    std::vector<std::string> formats = identity_.formats;
    if (formats.empty()) formats.push_back("");
    for (const std::string& format : formats)
        if (adopt(Demuxer::openReader(readAt, total, format, &error), &error)) return S_OK;
    reader_ = nullptr;
    return VFW_E_UNSUPPORTED_STREAM;
}

void StreamSplitterFilter::close() {
    std::unique_ptr<Demuxer> demuxer = dropOutputs();
    std::string path = reader_ ? FileBehind(reader_.get()) : std::string();
    int64_t total = 0, available = 0;
    // Its reader goes with the connection: until it is given another one it reads nothing.
    if (demuxer && demuxer->untouched() && !path.empty() &&
        SUCCEEDED(reader_->Length(&total, &available)) &&
        demuxer->rebind([](int64_t, std::span<uint8_t>) -> int64_t { return -1; }))
        kept_ = {std::move(demuxer), std::move(path), total};
    reader_ = nullptr;
}

// File splitter (loads the path itself) ---------------------------------------------------------

FileSplitterFilter::FileSplitterFilter(SplitterIdentity identity)
    : SplitterFilter(std::move(identity)) {}

HRESULT FileSplitterFilter::Load(std::string_view path, const MediaType*) {
    if (!path_.empty()) return E_UNEXPECTED;
    std::string error;
    // Several containers are ours: let libavformat name it, then check the name.
    auto demuxer = Demuxer::openFile(
        std::string(path),
        identity_.formats.size() == 1 ? identity_.formats.front() : std::string(), &error);
    if (!demuxer) return VFW_E_UNKNOWN_FILE_TYPE;
    if (!adopt(std::move(demuxer), &error)) return VFW_E_UNSUPPORTED_STREAM;
    path_ = std::string(path);
    return S_OK;
}

HRESULT FileSplitterFilter::GetCurFile(std::string* path, MediaType*) {
    if (!path) return E_POINTER;
    if (path_.empty()) return E_FAIL;
    *path = path_;
    return S_OK;
}

} // namespace sp::outside
