#pragma once
// TMediaSystem: the one object that owns the playback graph. It builds, around the source
// builders' filters, the video chain (source pin → "Video Native Notifier" → decoders →
// "Video Dec Notifier" → "Superposer" → preview renderer) and the audio chain (source pin →
// decoders → "Audio Dec Notifier" → sound renderer), using a temporary "Media Forcer" sink to
// make intelligent connection insert the decoders. It offers transport, positions in 100 ns
// units (absolute, by frame, second, minute, scene or typed timecode), volume, a maximum-speed
// mode and pass-throughs to the superposer.
//
// Threads: every operation runs on the main (user-interface) thread. The filters report through
// the message target; the graph's end-of-stream event is brought back to the main thread with
// a queued call on `this` and handled there (the default handler rewinds and posts 0x405).
// Waiting for a seek to settle dispatches pending events through `ProcessMessages`
// (QCoreApplication::processEvents by default, replaceable so it runs without Qt).
//
// Pictures nobody sees: while maximum speed and a grab period are both on (a precision run),
// the video decoder (when it offers mf::IPictureDemand) converts only the pictures the
// superposer may grab or show as a preview; the others pass as samples without data. On from
// SetMaxSpeed(1) and SetGrabPeriod(p > 0), off when either goes. The still of a paused graph is
// always converted; a caller that pauses a run half-way and wants the picture of the position
// seeks (SetPosition), as the end of a precision run does.
//
// Ownership: the module owns the graph component, the sound renderer component, the two
// decoder components (their monikers are set by the main window) and the five program
// filters for its whole life; the preview renderer component (`SetVideoWindow`), the sources
// and the scene list belong to the caller.

#include "describe/recording_facts.h"
#include "filters/inlay_records.h"
#include "filters/stream_info.h"
#include "media/graph_components.h"
#include "media/sources.h"
#include "platform/graph/focus_measure.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

namespace sp {

class TNotifier;
class TMediaForcer;
class Tsuperposer;
class TFrameBitmap;
class TSceneList;

class TMediaSystem {
public:
    // The superposer's canvas starts at `maxWidth` × `maxHeight`: the settings "Max Width" and
    // "Max Height" at creation. A value of 0 or less takes the default (736 × 576); a side
    // above the largest frame the bitmap filter takes is reduced to that.
    explicit TMediaSystem(int32_t maxWidth = 736, int32_t maxHeight = 576);
    ~TMediaSystem();
    TMediaSystem(const TMediaSystem&) = delete;
    TMediaSystem& operator=(const TMediaSystem&) = delete;

    // Lifecycle and chains.
    void SetVideoWindow(TFilterComponent* window) { VideoWindow = window; }
    // Sets VideoDecoderInstalled and AudioDecoderInstalled by creating each decoder once
    // through the filter mapper (the start-up presence test).
    void DetectInstalledDecoders();
    bool ConnectVideo(TVideoSource* source);
    bool ConnectAudio(TAudioSource* source);
    bool DisconnectVideo();
    bool DisconnectAudio();
    // Either may be null (left as it is).
    bool SelectSources(TVideoSource* video, TAudioSource* audio);
    bool CloseSources();
    void ResetGraph();

    // Transport and positions.
    void Play();
    bool Pause();        // throws std::runtime_error on a failure code
    bool Stop();         // likewise
    int GetGraphState(); // 0 uninitialised, 1 stopped, 2 paused, 3 playing
    void RefreshStill();
    int64_t GetPosition();
    bool SetPosition(int64_t position);
    bool Seek(int64_t position);
    // ± one frame duration, or, where that would stay on the frame shown or pass over one
    // (frames at a variable rate), to the start of the neighbouring frame that exists.
    void NextFrame() { StepFrame(true); }
    void PreviousFrame() { StepFrame(false); }
    void NextSecond() { SetPosition(LastPosition + 10000000); }
    void PreviousSecond() { SetPosition(LastPosition - 10000000); }
    void NextMinute() { SetPosition(LastPosition + 600000000); }
    void PreviousMinute() { SetPosition(LastPosition - 600000000); }
    bool NextScene(const TSceneList& scenes);
    bool PreviousScene(const TSceneList& scenes);
    void SetPositionFromText(std::string_view text);

    // The sharpest frame near the one shown: among the frames up to `radius` (clamped to
    // 0..kMaxSharpRadius) before and after it, within the file, the one whose picture has the
    // highest focus measure (variance of the Laplacian of the luma, filters/picture_measures.h);
    // on a tie the earliest. Leaves that frame on screen (LastPosition at its start) and gives
    // its start and measure; nullopt, moving nothing, without video. Expects a paused graph.
    struct SharpFrame {
        int64_t position = 0;
        double focus = 0;
    };
    static constexpr int kMaxSharpRadius = 250;
    // Sample times are rounded to 100 ns: a frame this close to a time starts at it.
    static constexpr int64_t kSameTimeHns = 200;
    std::optional<SharpFrame> SharpestFrameNear(int radius);

    // Sound, speed, end of stream.
    void SetVolume(int volume); // 0..10000
    int Volume() const { return volume_; }
    void SetMaxSpeed(uint8_t mode);
    // Empty restores the default handler.
    void SetCompletionHandler(std::function<void(mf::IFilterGraph*)> handler);

    // Pass-throughs to the superposer.
    void CopyCurrentFrame(TFrameBitmap& target);
    // `read` sees the current frame in place, under its lock (it must not take the lock again).
    void ReadCurrentFrame(const std::function<void(const TFrameBitmap&)>& read);
    void ApplyInlaySettings(const TincrustRec& settings);
    void EnableInlay(bool on);
    void FlipVertical(bool on);
    void FlipHorizontal(bool on);
    void SetGrabPeriod(int64_t period);
    void ReconnectSuperposer(bool output);
    // The main window's number of the next image and its setting "digits", drawn by the inlay
    // kind "number"; called after each save and whenever either changes.
    void SetImageNumber(int64_t imageNumber, int digits);

    // Queries.
    bool HasVideo() const { return CurrentVideo != &NoVideo(); }
    // The current source dates its pictures itself: by its file's tags or by recording dates
    // in its stream (AVCHD user data). DV sources say so by IsDV.
    bool SourceDated() const;
    bool HasAudio() const { return CurrentAudio != &NoAudio(); }
    bool IsCurrentVideo(const TVideoSource* s) const { return CurrentVideo == s; }
    bool IsCurrentAudio(const TAudioSource* s) const { return CurrentAudio == s; }
    bool HasVideoNotifier() const { return HasVideo() && CurrentVideo->Notifier; }

    // Fields named by the program.
    TVideoSource* CurrentVideo;
    TAudioSource* CurrentAudio;
    TFilterComponent* VideoWindow = nullptr;
    int64_t FrameDuration = 400000;
    int64_t Duration = 0;
    TaData AudioInfo;
    TvData VideoInfo;
    bool ForceDecoder = true;
    // Whether the user may step back onto the pictures shown; false for a command line or
    // script that ends the program: the decoder then keeps no pictures for steps back. Read
    // at each open.
    bool StepsBack = true;
    // Whether the MPEG video and audio decoders of the user's choice (the ffdshow ones) can be
    // created; set by the start-up filter listing (DetectInstalledDecoders).
    bool VideoDecoderInstalled = false;
    bool AudioDecoderInstalled = false;
    uint8_t MaxSpeed = 0;
    static int64_t LastPosition; // shared by all instances

    TGraphComponent graph;
    TFilterComponent audiorender;
    TFilterComponent decoderV;
    TFilterComponent decoderA;

    // Dispatches pending events while a seek settles; replaceable (tests without Qt).
    std::function<void()> ProcessMessages;

    Tsuperposer* Superposer() const { return superposer_.get(); }
    TNotifier* NativeNotifier() const { return nativeNotifier_.get(); }
    TNotifier* DecodedNotifier() const { return decodedNotifier_.get(); }
    TNotifier* AudioNotifier() const { return audioNotifier_.get(); }

private:
    void DataModuleCreate(int32_t maxWidth, int32_t maxHeight);
    void DataModuleDestroy();
    // Where the frame on screen lies: the superposer's position with video, else LastPosition.
    int64_t ShownPosition();
    // Before a stopped graph streams again (a still drawn again, a clock change): the sources
    // start over at the frame on screen, `shown`, with sample times from 0 there, and the
    // superposer and LastPosition count from it.
    void RestartAt(int64_t shown);
    void ClearAndDeactivate();
    void InstallGraphEvents();
    void DispatchGraphEvents();
    void DefaultCompletion();
    bool SeekInternal(bool wait, int64_t position);
    void TakeShownPositionBeforeTarget(int64_t target);
    void StepFrame(bool forward);
    // The sharpest frame within `radius` frames of `center` (the frame on screen): by the
    // decoder's measures (nullopt, with `center` on screen again, when it measures none), or
    // by showing each frame and measuring its picture.
    std::optional<SharpFrame> SharpestMeasured(int64_t center, int radius);
    std::optional<SharpFrame> SharpestShown(int64_t center, int radius);
    // The focus measure of the picture on screen, copied into `scratch`; 0 without one.
    double ShownFocus(TFrameBitmap& scratch);
    std::optional<int64_t> KnownFrameAt(int64_t t);
    std::optional<int64_t> KnownNeighbour(int64_t t, bool forward);
    bool WaitForState();
    mf::ComPtr<mf::IPin> FindSourcePin(TavSource* source, const mf::GUID& major);
    mf::ComPtr<mf::IPin> TakeForcedPin();
    void ChooseNativeNotifier(TVideoSource* source);
    bool BuildVideoChain(TVideoSource* source);
    bool ConnectDecodedTopDown(mf::IPin* decoded);
    bool BuildAudioChain(TAudioSource* source);
    void UndoAudioChain(TAudioSource* source);
    void AskPictureDemand(mf::IPin* decoded);
    void DropPictureDemand();
    void UpdateSkipUnseen();
    static std::optional<RecordingFacts> ContainerFactsOf(TVideoSource* source);
    bool RemoveFiltersBetween(mf::IBaseFilter* a, mf::IBaseFilter* b);
    bool RemoveFiltersAfterPin(mf::IPin* pin, mf::IBaseFilter* b);
    void RemoveFromGraph(mf::IBaseFilter* filter);

    mf::ComPtr<Tsuperposer> superposer_;
    mf::ComPtr<TNotifier> nativeNotifier_;
    mf::ComPtr<TNotifier> decodedNotifier_;
    mf::ComPtr<TNotifier> audioNotifier_;
    mf::ComPtr<TMediaForcer> mediaForcer_;
    // The decoder of the video chain that leaves out pictures nobody needs; null when none.
    mf::ComPtr<mf::IPictureDemand> pictureDemand_;
    // The splitter of the video chain that knows where its frames lie; null when none.
    mf::ComPtr<mf::IFrameTimes> frameTimes_;
    // The decoder of the video chain that measures the focus of its pictures; null when none.
    mf::ComPtr<mf::IFrameFocus> frameFocus_;
    int64_t grabPeriod_ = 0;
    std::function<void(mf::IFilterGraph*)> completionHandler_;
    int volume_ = 0;
    // Paused after play, with video: GetPosition() reads the superposer's time of the picture
    // kept (the poll while playing lags it). Cleared by a seek, a restart or closing.
    bool positionFromPicture_ = false;
    // Target of the queued calls that bring graph events to the main thread; destroyed with
    // the module, which drops calls still queued.
    std::unique_ptr<QObject> eventContext_;
};

// The volume curve: ln(v + 1) × 1085.73 rounded, minus 10000 (hundredths of a decibel).
long VolumeToHundredthsDb(int volume);

} // namespace sp
