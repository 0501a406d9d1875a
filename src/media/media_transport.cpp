// The media system's transport, positions, scenes, sound, speed, end-of-stream handling and
// pass-throughs to the superposer.

#include "describe/timecode.h"
#include "filters/scenes.h"
#include "filters/superposer.h"
#include "media/media_system.h"
#include "platform/graph/message_target.h"

#include <QMetaObject>

#include <cmath>
#include <stdexcept>

namespace sp {

using namespace mf;

namespace {
constexpr int kMaxStatePolls = 200; // of 10 ms each
}

long VolumeToHundredthsDb(int volume) {
    return std::lround(std::log(double(volume) + 1.0) * 1085.73) - 10000;
}

// Transport -------------------------------------------------------------------------------------

void TMediaSystem::Play() {
    int64_t position = GetPosition();
    superposer_->TimeBase = position;
    superposer_->CurrentTime = position;
    if (graph.Graph()) graph.Graph()->Run();
}

bool TMediaSystem::Pause() {
    if (!graph.Graph()) return false;
    const bool wasPlaying = GetGraphState() == 3;
    HRESULT hr = graph.Graph()->Pause();
    if (FAILED(hr)) throw std::runtime_error("the graph cannot pause");
    // The position is only polled while playing; paused after play, it is the picture kept.
    if (wasPlaying && HasVideo()) positionFromPicture_ = true;
    return hr == S_OK;
}

bool TMediaSystem::Stop() {
    if (!graph.Graph()) return false;
    HRESULT hr = graph.Graph()->Stop();
    if (FAILED(hr)) throw std::runtime_error("the graph cannot stop");
    return hr == S_OK;
}

int TMediaSystem::GetGraphState() {
    if (!graph.Graph()) return 0;
    FilterState state;
    if (FAILED(graph.Graph()->GetState(0, &state))) return 0;
    switch (state) {
    case FilterState::Stopped:
        return 1;
    case FilterState::Paused:
        return 2;
    case FilterState::Running:
        return 3;
    }
    return 0;
}

void TMediaSystem::RefreshStill() {
    if (GetGraphState() == 3) return;
    const int64_t shown = ShownPosition();
    Stop();
    RestartAt(shown);
    Pause();
    WaitForState(); // the picture has come through the filters' new settings
}

int64_t TMediaSystem::ShownPosition() {
    return HasVideo() ? superposer_->CurrentTime.load() : GetPosition();
}

void TMediaSystem::RestartAt(int64_t shown) {
    positionFromPicture_ = false;
    LastPosition = shown;
    superposer_->TimeBase = shown;
    superposer_->CurrentTime = shown;
    FilterGraph* g = graph.Graph();
    if (!g || (!HasVideo() && !HasAudio())) return;
    REFERENCE_TIME start = shown;
    g->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
}

// Positions -------------------------------------------------------------------------------------

int64_t TMediaSystem::GetPosition() {
    if (GetGraphState() == 3) {
        if (HasVideo()) {
            LastPosition = superposer_->CurrentTime;
        } else if (graph.Graph()) {
            REFERENCE_TIME p = LastPosition;
            graph.Graph()->GetCurrentPosition(&p);
            LastPosition = p;
        }
    } else if (positionFromPicture_ && HasVideo()) {
        // Read when asked, once the frame the pause caught has reached the picture.
        LastPosition = superposer_->CurrentTime;
    }
    return LastPosition;
}

bool TMediaSystem::SetPosition(int64_t position) {
    if (position < 0) position = 0;
    if (position > Duration) position = Duration;
    positionFromPicture_ = false;
    LastPosition = position;
    if (HasVideo()) {
        superposer_->TimeBase = position;
        superposer_->CurrentTime = position;
    }
    const bool settled = SeekInternal(true, position);
    if (settled && HasVideo()) TakeShownPositionBeforeTarget(position);
    return settled;
}

// Past the last picture that decodes (a cut file whose index promises more), the picture shown
// is that last one, a frame or more before the target: the position becomes its time, so that
// the timecode, the image name and the inlay say which frame it is.
void TMediaSystem::TakeShownPositionBeforeTarget(int64_t target) {
    if (GetGraphState() == 3) return;
    const int64_t shown = superposer_->CurrentTime;
    if (shown + FrameDuration + kSameTimeHns <= target) LastPosition = shown;
}

bool TMediaSystem::Seek(int64_t position) {
    return SeekInternal(true, position);
}

bool TMediaSystem::SeekInternal(bool wait, int64_t position) {
    positionFromPicture_ = false;
    if (!HasVideo() && !HasAudio()) return true;
    FilterGraph* g = graph.Graph();
    if (!g) return false;
    REFERENCE_TIME target = position;
    if (!HasVideo())
        return g->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr,
                               AM_SEEKING_NoPositioning) == S_OK;
    // Streaming starts again at the target with sample times from 0: the target is the base.
    superposer_->TimeBase = position;
    superposer_->CurrentTime = position;
    g->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    // A stopped graph streams nothing, so its picture would stay the one shown before (after
    // a chain was removed, say): pause it, which cues the picture at the target.
    if (GetGraphState() == 1) g->Pause();
    if (!wait) return false;
    bool wasPlaying = GetGraphState() == 3;
    ComPtr<FilterGraph> waited(g); // kept alive even if a handler drops it meanwhile
    if (!WaitForState()) return false;
    if (wasPlaying) waited->Run();
    return true;
}

// Polls the graph (or, when the graph cannot cue, the preview renderer) every 10 ms until the
// state has settled, dispatching pending events meanwhile. The events may run any command
// (a new file, ResetGraph, DisconnectVideo): the polled objects are held by counted
// references, and a graph replaced or a video chain removed meanwhile ends the wait unsettled.
bool TMediaSystem::WaitForState() {
    const ComPtr<FilterGraph> waited(graph.Graph());
    if (!waited) return false;
    ComPtr<IMediaFilter> polled(static_cast<IMediaFilter*>(waited.get()));
    FilterState state;
    if (polled->GetState(10, &state) == VFW_S_CANT_CUE && VideoWindow && VideoWindow->Filter())
        polled = ComPtr<IMediaFilter>(VideoWindow->Filter());
    const bool hadVideo = HasVideo();
    for (int counter = 1; counter < kMaxStatePolls; ++counter) {
        if (ProcessMessages) ProcessMessages();
        if (graph.Graph() != waited.get() || HasVideo() != hadVideo) return false;
        if (polled->GetState(10, &state) == S_OK) return true;
    }
    return false;
}

bool TMediaSystem::NextScene(const TSceneList& scenes) {
    try {
        uint32_t current = uint32_t(GetPosition() / FrameDuration);
        for (const TScene& scene : scenes)
            if (scene.StartFrame >= 0 && uint32_t(scene.StartFrame) > current)
                return SetPosition(int64_t(scene.StartFrame) * FrameDuration), true;
        SetPosition(Duration);
        return true;
    } catch (...) {
        return false;
    }
}

bool TMediaSystem::PreviousScene(const TSceneList& scenes) {
    try {
        uint32_t current = uint32_t(GetPosition() / FrameDuration);
        for (int i = scenes.Count() - 1; i >= 0; --i) {
            const TScene& scene = scenes[i];
            if (scene.StartFrame < 0 || uint32_t(scene.StartFrame) < current)
                return SetPosition(int64_t(scene.StartFrame) * FrameDuration), true;
        }
        SetPosition(0);
        return true;
    } catch (...) {
        return false;
    }
}

void TMediaSystem::SetPositionFromText(std::string_view text) {
    try {
        SetPosition(UnpackTimecode(ParseTimecodeText(text), FrameDuration));
    } catch (...) {
        // a text that cannot be used changes nothing
    }
}

// Sound and speed -------------------------------------------------------------------------------

void TMediaSystem::SetVolume(int volume) {
    if (!HasAudio() || !graph.Graph()) return;
    volume_ = std::clamp(volume, 0, 10000);
    graph.Graph()->put_Volume(VolumeToHundredthsDb(volume_));
}

void TMediaSystem::SetMaxSpeed(uint8_t mode) {
    MaxSpeed = mode;
    UpdateSkipUnseen();
    FilterGraph* g = graph.Graph();
    if (!g) return;
    int previous = GetGraphState();
    const int64_t shown = ShownPosition();
    Stop();
    if (mode == 0)
        g->SetDefaultSyncSource();
    else
        g->SetSyncSource(nullptr);
    if (previous >= 2) RestartAt(shown);
    if (previous == 3)
        g->Run();
    else if (previous == 2)
        Pause();
}

// End of stream ---------------------------------------------------------------------------------

void TMediaSystem::InstallGraphEvents() {
    FilterGraph* g = graph.Graph();
    if (!g) return;
    QObject* context = eventContext_.get();
    // Called on a streaming thread: hand the work to the main thread.
    g->SetNotify([this, context] {
        QMetaObject::invokeMethod(
            context, [this] { DispatchGraphEvents(); }, Qt::QueuedConnection);
    });
}

void TMediaSystem::DispatchGraphEvents() {
    FilterGraph* g = graph.Graph();
    if (!g) return;
    long code = 0;
    intptr_t p1 = 0, p2 = 0;
    while (g->GetEvent(&code, &p1, &p2, 0) == S_OK) {
        if (code != EC_COMPLETE) continue;
        if (completionHandler_)
            completionHandler_(g);
        else
            DefaultCompletion();
        if (graph.Graph() != g) return; // the handler replaced the graph
    }
}

void TMediaSystem::DefaultCompletion() {
    SetPosition(0);
    if (auto target = mainWindowTarget()) target->post(WM_END_OF_MEDIA, 0, 0);
}

void TMediaSystem::SetCompletionHandler(std::function<void(IFilterGraph*)> handler) {
    completionHandler_ = std::move(handler);
}

// Pass-throughs -----------------------------------------------------------------------------------

void TMediaSystem::CopyCurrentFrame(TFrameBitmap& target) {
    superposer_->CopyCurrentFrame(target);
}
void TMediaSystem::ReadCurrentFrame(const std::function<void(const TFrameBitmap&)>& read) {
    superposer_->ReadCurrentFrame(read);
}
void TMediaSystem::ApplyInlaySettings(const TincrustRec& s) {
    superposer_->SetInlaySettings(s);
}
void TMediaSystem::EnableInlay(bool on) {
    superposer_->SetInlay(on);
}
void TMediaSystem::FlipVertical(bool on) {
    superposer_->SetFlipVertical(on);
}
void TMediaSystem::FlipHorizontal(bool on) {
    superposer_->SetFlipHorizontal(on);
}
void TMediaSystem::SetGrabPeriod(int64_t period) {
    superposer_->SetGrabPeriod(period);
    grabPeriod_ = period;
    UpdateSkipUnseen();
}

// A precision run: nobody looks at most pictures, only at the grabs and a few previews.
void TMediaSystem::UpdateSkipUnseen() {
    superposer_->SetSkipUnseen(MaxSpeed == 1 && grabPeriod_ > 0);
}

void TMediaSystem::SetImageNumber(int64_t imageNumber, int digits) {
    superposer_->SetImageNumber(imageNumber, digits);
}

void TMediaSystem::ReconnectSuperposer(bool output) {
    superposer_->PrepareReconnect();
    if (graph.Graph())
        graph.Graph()->Reconnect(output ? static_cast<IPin*>(superposer_->output())
                                        : static_cast<IPin*>(superposer_->input()));
}

} // namespace sp
