// The media system's lifecycle, chain building and chain removal.

#include "media/media_system.h"

#include "filters/frame_bitmap.h"
#include "filters/media_forcer.h"
#include "filters/notifier.h"
#include "filters/superposer.h"
#include "media/capture_devices.h"
#include "platform/graph/graph_walk.h"
#include "platform/graph/guids.h"
#include "platform/graph/pin_media_type.h"

#include <QCoreApplication>

namespace sp {

using namespace mf;

namespace {

// Thrown inside a chain build: every failure ends the build the same way.
struct ChainFailure {};
void require(bool condition) {
    if (!condition) throw ChainFailure{};
}

} // namespace

int64_t TMediaSystem::LastPosition = 0;

TMediaSystem::TMediaSystem(int32_t maxWidth, int32_t maxHeight)
    : CurrentVideo(&NoVideo()), CurrentAudio(&NoAudio()),
      audiorender(DefaultSoundDevice(), "Default DirectSound Device"),
      decoderV(GUID_NULL, "Video decoder"), decoderA(GUID_NULL, "Audio decoder"),
      ProcessMessages([] { QCoreApplication::processEvents(); }),
      eventContext_(std::make_unique<QObject>()) {
    FrameDuration = 400000;
    DataModuleCreate(maxWidth, maxHeight);
}

TMediaSystem::~TMediaSystem() {
    DataModuleDestroy();
}

void TMediaSystem::DetectInstalledDecoders() {
    auto creatable = [](const GUID& clsid) {
        ComPtr<IBaseFilter> filter;
        return SUCCEEDED(FilterMapper::instance().CreateFilter(clsid, &filter)) && filter;
    };
    VideoDecoderInstalled = creatable(CLSID_FfdshowVideoDecoder);
    AudioDecoderInstalled = creatable(CLSID_FfdshowAudioDecoder);
}

void TMediaSystem::DataModuleCreate(int32_t maxWidth, int32_t maxHeight) {
    auto side = [](int32_t value, int32_t fallback) {
        return value <= 0 ? fallback : std::min<int32_t>(value, TFrameBitmap::kMaxSide);
    };
    graph.Activate();
    superposer_ =
        make<Tsuperposer>(side(maxWidth, kDefaultMaxWidth), side(maxHeight, kDefaultMaxHeight));
    nativeNotifier_ = make<TNotifier>();
    decodedNotifier_ = make<TNotifier>();
    audioNotifier_ = make<TNotifier>();
    mediaForcer_ = make<TMediaForcer>();
    InstallGraphEvents();
}

void TMediaSystem::DataModuleDestroy() {
    if (superposer_) superposer_->KeepFrameAtStop = false; // the last picture goes too
    if (graph.Graph()) graph.Graph()->SetNotify(nullptr);
    eventContext_.reset();
    if (graph.Graph()) graph.Graph()->Stop();
    audiorender.LeaveGraph();
    decoderV.LeaveGraph();
    decoderA.LeaveGraph();
    if (VideoWindow) VideoWindow->LeaveGraph();
    graph.Deactivate();
    superposer_ = nullptr;
    nativeNotifier_ = decodedNotifier_ = audioNotifier_ = nullptr;
    mediaForcer_ = nullptr;
}

void TMediaSystem::ClearAndDeactivate() {
    DropPictureDemand();
    frameTimes_ = nullptr;
    if (graph.Graph()) graph.Graph()->SetNotify(nullptr);
    graph.Deactivate();
}

void TMediaSystem::ResetGraph() {
    ClearAndDeactivate();
    graph.Activate();
    InstallGraphEvents();
}

// Chains ------------------------------------------------------------------------------------

ComPtr<IPin> TMediaSystem::FindSourcePin(TavSource* source, const GUID& major) {
    IBaseFilter* out = source->Device->OutputFilter.get();
    ComPtr<IPin> pin;
    for (const GUID* category : {&PIN_CATEGORY_CAPTURE, static_cast<const GUID*>(nullptr)}) {
        HRESULT hr = graph.CaptureBuilder()->FindPin(out, PinDirection::Output, category, &major,
                                                     true, source->Number - 1, &pin);
        if (SUCCEEDED(hr) && pin) return pin;
    }
    return nullptr;
}

// The decoded output that reached the forcer, freed from it; the forcer leaves the graph.
ComPtr<IPin> TMediaSystem::TakeForcedPin() {
    ComPtr<IPin> decoded;
    IPin* forcerIn = mediaForcer_->input();
    forcerIn->ConnectedTo(&decoded);
    require(bool(decoded));
    decoded->Disconnect();
    forcerIn->Disconnect();
    graph.Graph()->RemoveFilter(mediaForcer_.get());
    return decoded;
}

void TMediaSystem::ChooseNativeNotifier(TVideoSource* source) {
    if (source->Device->IsDVDevice()) {
        TNotifier* dv = static_cast<TDVCaptureDevice*>(source->Device)->DVNotifier();
        source->Notifier = dv;
        dv->ResetNotifier();
        dv->ReportNative = true;
        nativeNotifier_->ResetNotifier();
        nativeNotifier_->ReportNative = false;
    } else {
        source->Notifier = nativeNotifier_.get();
        nativeNotifier_->ResetNotifier();
        nativeNotifier_->ReportNative = true;
    }
}

// What the tags of the source's file tell of the recording; nullopt for a source without tags.
// DV frames date themselves, better than a file's tag can.
std::optional<RecordingFacts> TMediaSystem::ContainerFactsOf(TVideoSource* source) {
    auto tags = query<IContainerTags>(OwnerOf(source->OutputPin.get()));
    if (!tags) return std::nullopt;
    RecordingFacts facts = RecordingFactsFromTags(
        [&tags](std::string_view name) -> std::optional<std::string> {
            std::string value;
            if (tags->GetTag(name, &value) != S_OK) return std::nullopt;
            return value;
        },
        NowDayCount());
    if (source->IsDV) facts.Start.reset();
    return facts;
}

bool TMediaSystem::SourceDated() const {
    return (decodedNotifier_ && decodedNotifier_->ContainerFacts &&
            decodedNotifier_->ContainerFacts->Start) ||
           (nativeNotifier_ && nativeNotifier_->SawStreamDate());
}

bool TMediaSystem::BuildVideoChain(TVideoSource* source) {
    FilterGraph* g = graph.Graph();
    ICaptureGraphBuilder2* builder = graph.CaptureBuilder();
    ChooseNativeNotifier(source);
    require(bool(source->Device->OutputFilter));
    source->OutputPin = FindSourcePin(source, MEDIATYPE_Video);
    require(bool(source->OutputPin));

    MediaType mpeg2;
    mpeg2.majortype = MEDIATYPE_Video;
    mpeg2.subtype = MEDIASUBTYPE_MPEG2_VIDEO;
    if (ForceDecoder && decoderV.HasMoniker() &&
        (VideoDecoderInstalled || PinOffersMediaType(mpeg2, source->OutputPin.get())))
        decoderV.JoinGraph(g);
    else
        decoderV.LeaveGraph();

    g->AddFilter(mediaForcer_.get(), "Media Forcer");
    mediaForcer_->SetAcceptedType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, GUID_NULL);
    g->AddFilter(nativeNotifier_.get(), "Video Native Notifier");
    require(builder->RenderStream(nullptr, nullptr, source->OutputPin.get(), nativeNotifier_.get(),
                                  mediaForcer_.get()) == S_OK);
    ComPtr<IPin> decoded = TakeForcedPin();
    AskPictureDemand(decoded.get());

    g->AddFilter(decodedNotifier_.get(), "Video Dec Notifier");
    decodedNotifier_->ResetNotifier();
    decodedNotifier_->ReportDecoded = true;
    frameTimes_ = query<IFrameTimes>(OwnerOf(source->OutputPin.get()));
    if (frameTimes_) decodedNotifier_->TimecodeFrameDuration = frameTimes_->TimecodeFrameDuration();
    decodedNotifier_->ContainerFacts = ContainerFactsOf(source);
    g->AddFilter(superposer_.get(), "Superposer");
    superposer_->PrepareReconnect();
    if (!ConnectDecodedTopDown(decoded.get()) &&
        builder->RenderStream(nullptr, nullptr, decoded.get(), decodedNotifier_.get(),
                              superposer_.get()) != S_OK) {
        require(decoded->Connect(decodedNotifier_->input(), nullptr) == S_OK);
        require(decodedNotifier_->output()->Connect(superposer_->input(), nullptr) == S_OK);
    }
    require(VideoWindow && VideoWindow->JoinGraph(g));
    auto rendererIn = PinOf(VideoWindow->Filter(), 0);
    return rendererIn && g->ConnectDirect(superposer_->output(), rendererIn.get(), nullptr) == S_OK;
}

// The superposer judges which pictures the decoder converts (it knows the grab times); the
// judge keeps the superposer alive as long as the decoder holds it.
// The decoder's demand for pictures and its focus measures, when it offers them.
void TMediaSystem::AskPictureDemand(IPin* decoded) {
    DropPictureDemand();
    frameFocus_ = query<IFrameFocus>(OwnerOf(decoded));
    pictureDemand_ = query<IPictureDemand>(OwnerOf(decoded));
    if (!pictureDemand_) return;
    pictureDemand_->SetStepsBack(StepsBack);
    pictureDemand_->SetPictureDemand(
        [superposer = superposer_](REFERENCE_TIME start, REFERENCE_TIME stop, PictureStage stage) {
            return superposer->PictureUseOf(start, stop, stage);
        });
}

void TMediaSystem::DropPictureDemand() {
    if (pictureDemand_) pictureDemand_->SetPictureDemand({});
    pictureDemand_ = nullptr;
    frameFocus_ = nullptr;
}

// A decoder that offers its pictures top row first (the order the window shows them) is
// connected so: the superposer then passes each picture on without copying it. False, with
// nothing connected, when the decoder offers no such type or the chain refuses it.
bool TMediaSystem::ConnectDecodedTopDown(IPin* decoded) {
    std::vector<MediaType> offered;
    if (FAILED(decoded->EnumMediaTypes(&offered))) return false;
    FilterGraph* g = graph.Graph();
    for (const MediaType& type : offered) {
        const std::optional<BITMAPINFOHEADER> header = type.bitmapHeader();
        if (type.subtype != MEDIASUBTYPE_RGB32 || !header || header->biHeight >= 0) continue;
        if (g->ConnectDirect(decoded, decodedNotifier_->input(), &type) != S_OK) continue;
        if (g->ConnectDirect(decodedNotifier_->output(), superposer_->input(), nullptr) == S_OK)
            return true;
        g->Disconnect(decoded);
        g->Disconnect(decodedNotifier_->input());
        superposer_->PrepareReconnect(); // the refused type must not set the frame size
    }
    return false;
}

bool TMediaSystem::ConnectVideo(TVideoSource* source) {
    if (source == CurrentVideo) return true;
    if (!source || !source->Device || !graph.Graph()) return false;
    Stop();
    if (!source->Device->AddToGraph(graph)) return false;
    CurrentVideo = source;
    bool built = false;
    try {
        built = BuildVideoChain(source);
    } catch (...) {
        built = false;
    }
    if (!built) ClearAndDeactivate();
    return built;
}

bool TMediaSystem::BuildAudioChain(TAudioSource* source) {
    FilterGraph* g = graph.Graph();
    ICaptureGraphBuilder2* builder = graph.CaptureBuilder();
    require(bool(source->Device->OutputFilter));
    source->OutputPin = FindSourcePin(source, MEDIATYPE_Audio);
    require(bool(source->OutputPin));
    if (source->Device->IsDVDevice()) {
        TNotifier* dv = static_cast<TDVCaptureDevice*>(source->Device)->DVNotifier();
        source->Notifier = dv;
        dv->ReportAudio = true;
    }
    if (ForceDecoder && decoderA.HasMoniker())
        decoderA.JoinGraph(g);
    else
        decoderA.LeaveGraph();
    g->AddFilter(mediaForcer_.get(), "Media Forcer");
    mediaForcer_->SetAcceptedType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, GUID_NULL);
    require(builder->RenderStream(nullptr, nullptr, source->OutputPin.get(), nullptr,
                                  mediaForcer_.get()) == S_OK);
    MediaType native;
    source->OutputPin->ConnectionMediaType(&native);
    {
        std::lock_guard lock(StreamInfoMutex());
        SharedTaData().CodecName = TNotifier::AudioTypeName(native);
    }
    ComPtr<IPin> decoded = TakeForcedPin();

    g->AddFilter(audioNotifier_.get(), "Audio Dec Notifier");
    audioNotifier_->ResetNotifier();
    audioNotifier_->ReportAudio = true;
    require(audiorender.JoinGraph(g));
    return builder->RenderStream(nullptr, nullptr, decoded.get(), audioNotifier_.get(),
                                 audiorender.Filter()) == S_OK;
}

// A failed audio build takes out only what it added, so the video chain survives.
void TMediaSystem::UndoAudioChain(TAudioSource* source) {
    FilterGraph* g = graph.Graph();
    if (!g) return;
    g->Stop();
    audiorender.LeaveGraph();
    if (source->OutputPin) {
        RemoveFiltersAfterPin(source->OutputPin.get(), audioNotifier_.get());
        RemoveFiltersAfterPin(source->OutputPin.get(), mediaForcer_.get());
        ComPtr<IPin> peer;
        if (source->OutputPin->ConnectedTo(&peer) == S_OK) {
            peer->Disconnect();
            source->OutputPin->Disconnect();
        }
    }
    RemoveFromGraph(mediaForcer_.get());
    RemoveFromGraph(audioNotifier_.get());
    audioNotifier_->ReportAudio = false;
    decoderA.LeaveGraph();
    if (source->Device->IsDVDevice())
        static_cast<TDVCaptureDevice*>(source->Device)->DVNotifier()->ReportAudio = false;
    source->Notifier = nullptr;
    source->OutputPin = nullptr;
    if (IsDeviceIdle(source->Device) && !HasVideo()) source->Device->RemoveFromGraph();
}

bool TMediaSystem::ConnectAudio(TAudioSource* source) {
    if (source == CurrentAudio) return true;
    if (!source || !source->Device || !graph.Graph()) return false;
    Stop();
    if (!source->Device->AddToGraph(graph)) return false;
    CurrentAudio = source;
    bool built = false;
    try {
        built = BuildAudioChain(source);
    } catch (...) {
        built = false;
    }
    if (!built) {
        UndoAudioChain(source);
        CurrentAudio = &NoAudio();
    }
    return built;
}

// Removal -------------------------------------------------------------------------------------

void TMediaSystem::RemoveFromGraph(IBaseFilter* filter) {
    if (graph.Graph() && filter) graph.Graph()->RemoveFilter(filter);
}

bool TMediaSystem::RemoveFiltersBetween(IBaseFilter* a, IBaseFilter* b) {
    if (sameObject(a, b) || !IsUpstreamOf(a, b)) return true;
    for (auto& peer : DownstreamPeers(a)) {
        ComPtr<IBaseFilter> f(OwnerOf(peer.get()));
        if (sameObject(f.get(), b)) return true;
        if (IsUpstreamOf(f.get(), b)) {
            RemoveFiltersBetween(f.get(), b);
            RemoveFromGraph(f.get());
        }
    }
    return true;
}

bool TMediaSystem::RemoveFiltersAfterPin(IPin* pin, IBaseFilter* b) {
    IBaseFilter* f = OwnerOf(pin);
    if (!f || sameObject(f, b) || !IsUpstreamOf(f, b)) return false;
    RemoveFiltersBetween(f, b);
    return true;
}

bool TMediaSystem::DisconnectVideo() {
    Stop();
    if (!HasVideo()) return false;
    TVideoSource* source = CurrentVideo;
    bool result = false;
    DropPictureDemand();
    frameTimes_ = nullptr;
    try {
        if (VideoWindow && VideoWindow->Filter()) {
            if (auto window = query<IVideoWindow>(VideoWindow->Filter()))
                window->put_Visible(false);
            VideoWindow->LeaveGraph();
        }
        RemoveFiltersBetween(decodedNotifier_.get(), superposer_.get());
        RemoveFromGraph(superposer_.get());
        RemoveFiltersBetween(nativeNotifier_.get(), decodedNotifier_.get());
        if (source->OutputPin)
            RemoveFiltersAfterPin(source->OutputPin.get(), nativeNotifier_.get());
        decoderV.LeaveGraph();
        decodedNotifier_->ReportDecoded = false;
        RemoveFromGraph(decodedNotifier_.get());
        source->OutputPin = nullptr;
        RemoveFromGraph(nativeNotifier_.get());
        nativeNotifier_->ReportNative = false;
        if (source->Device->IsDVDevice()) {
            static_cast<TDVCaptureDevice*>(source->Device)->DVNotifier()->ReportNative = false;
            source->Notifier = nullptr;
        }
        result = true;
        if (IsDeviceIdle(source->Device)) source->Device->RemoveFromGraph();
    } catch (...) {
        ClearAndDeactivate();
    }
    CurrentVideo = &NoVideo();
    return result;
}

bool TMediaSystem::DisconnectAudio() {
    Stop();
    if (!HasAudio()) return false;
    TAudioSource* source = CurrentAudio;
    bool result = false;
    try {
        audiorender.LeaveGraph();
        if (source->OutputPin) RemoveFiltersAfterPin(source->OutputPin.get(), audioNotifier_.get());
        audioNotifier_->ReportAudio = false;
        RemoveFromGraph(audioNotifier_.get());
        decoderA.LeaveGraph();
        if (source->Device->IsDVDevice()) {
            static_cast<TDVCaptureDevice*>(source->Device)->DVNotifier()->ReportAudio = false;
            source->Notifier = nullptr;
        }
        source->OutputPin = nullptr;
        if (IsDeviceIdle(source->Device)) source->Device->RemoveFromGraph();
        result = true;
    } catch (...) {
        ClearAndDeactivate();
    }
    CurrentAudio = &NoAudio();
    return result;
}

bool TMediaSystem::SelectSources(TVideoSource* video, TAudioSource* audio) {
    try {
        int previous = GetGraphState();
        if (video) {
            if (video == &NoVideo()) {
                DisconnectVideo();
            } else if (!ConnectVideo(video)) {
                ResetGraph();
                return false;
            }
        }
        if (audio && audio != &NoAudio()) {
            if (MaxSpeed == 1)
                DisconnectAudio(); // no audio chain at maximum speed
            else
                ConnectAudio(audio); // a failure keeps the video chain and plays without sound
        }
        if (!graph.Graph()) return false; // deactivated by a failed removal: nothing to run
        REFERENCE_TIME duration = 0;
        graph.Graph()->GetDuration(&duration);
        Duration = duration;
        SetVolume(0);
        SetMaxSpeed(MaxSpeed);
        Play();
        if (previous != 3) Pause();
        return true;
    } catch (...) {
        return false;
    }
}

bool TMediaSystem::CloseSources() {
    bool closed = true;
    // The file's last picture goes with it (copying it out of the decoder's buffer would take
    // a picture's memory at the very end of a grab that ends the program).
    superposer_->KeepFrameAtStop = false;
    try {
        Stop();
        DisconnectVideo();
        DisconnectAudio();
    } catch (...) {
        closed = false;
    }
    superposer_->KeepFrameAtStop = true;
    // The next file starts at its own beginning, not at this one's last position.
    positionFromPicture_ = false;
    LastPosition = 0;
    superposer_->TimeBase = 0;
    superposer_->CurrentTime = 0;
    return closed;
}

} // namespace sp
