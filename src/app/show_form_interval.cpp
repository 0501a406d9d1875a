// The intervalometer: an image every n frames, seconds or minutes from the start of the video
// to its end. Normal mode seeks to each time and grabs there; precision mode plays the video
// at maximum speed and the bitmap filter stops the stream at each grab time (0x401) while the
// frame is saved. A run can be stopped at any moment (Esc, the switch, Ctrl+I); a save that
// fails stops it with one message, keeping the images already written.

#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include "app/interval_count.h"
#include "app/paint_throttle.h"
#include "app/panels/intervallo_frame.h"
#include "app/panels/nav_file_frame.h"
#include "app/video_panel.h"
#include "app/video_view.h"
#include "filters/frame_bitmap.h"
#include "settings/action_table.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>
#include <utility>

namespace sp {

namespace {

// During a precision run the stream plays at maximum speed: the video window shows a few
// pictures a second of it (each grab is on the Grab panel), not every one.
constexpr int kRunPictureIntervalMs = 200;
// The window is painted at most this often during a run (its panels change at every shot).
constexpr int kRunPaintIntervalMs = 40;

QString Argument() {
    return ArgumentList.isEmpty() ? QString() : ArgumentList.front();
}

// Keeps the intervalometer bar over the navigation bar, wherever the layout puts it, but never
// over the video's dark frame: the navigation bar starts right under the video window, inside
// that frame's margin, and the bar (opaque) starts under the frame instead.
class BarFollower final : public QObject {
public:
    BarFollower(QWidget* followed, TVideoPanel* video, QWidget* follower)
        : QObject(follower), followed_(followed), video_(video), follower_(follower) {
        followed->installEventFilter(this);
        video->installEventFilter(this);
        follower->installEventFilter(this);
        follow();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (watched == follower_ ? type == QEvent::Show
                                 : type == QEvent::Move || type == QEvent::Resize)
            follow();
        return QObject::eventFilter(watched, event);
    }

private:
    void follow() {
        QRect bar = followed_->geometry();
        if (video_->videoShown() && video_->parentWidget() == follower_->parentWidget()) {
            const QRect frame = video_->frameRect().translated(video_->pos());
            if (bar.intersects(frame)) bar.moveTop(frame.bottom() + 1);
        }
        follower_->setGeometry(bar);
        follower_->raise();
    }
    QWidget* followed_;
    TVideoPanel* video_;
    QWidget* follower_;
};

} // namespace

void TShowForm::ComputeIntervalCount() {
    if (!S || !Media) return;
    const interval::IntervalCount count = interval::ComputeIntervalCount(
        S->ValeurIntervallometre.Value, interval::UnitOrDefault(S->UnitesIntervallometre.Value),
        Media->FrameDuration, Media->GetPosition(), Media->Duration);
    IntervalLength = count.lengthHns;
    IntervalStart = count.startHns;
    RemainingShots = count.remainingShots;
    Widgets().Intervallo->setRemainingShots(RemainingShots);
}

bool TShowForm::ParseIntervalArgument(const QString& argument) {
    const std::optional<interval::IntervalArgument> parsed =
        interval::ParseIntervalArgument(argument);
    if (!parsed) return false;
    S->ValeurIntervallometre.Value = parsed->value;
    S->UnitesIntervallometre.Value = int(parsed->unit);
    Widgets().Intervallo->setIntervalValue(parsed->value);
    Widgets().Intervallo->setUnitIndex(int(parsed->unit));
    intervalSharpest_ = parsed->sharpest;
    Widgets().Intervallo->setSharpest(parsed->sharpest);
    ComputeIntervalCount();
    if (!Checked("taIntervalloShow")) Execute("taIntervalloShow");
    return true;
}

void TShowForm::ShowIntervalProgress() {
    Widgets().Intervallo->setRemainingShots(std::max<int64_t>(RemainingShots, 0));
    const int64_t taken = std::clamp<int64_t>(IntervalShots - RemainingShots, 0, IntervalShots);
    setWindowTitle(QString("%1 of %2 - %3").arg(taken).arg(IntervalShots).arg(titleBeforeRun_));
}

void TShowForm::StartIntervalRun() {
    if (!S || !Media || intervalRunning_) return;
    if (!Media->HasVideo()) { // nothing to take: no shot, and a script goes on
        SetChecked("taIntervalloGo", false);
        return;
    }
    CommandBusy = true;
    if (const QString argument = Argument(); !argument.trimmed().isEmpty()) {
        ParseIntervalArgument(argument); // with or without the word sharpest
        S->ModePrecision.Value = false;  // a scripted run always seeks shot by shot
    }
    runSharpest_ = intervalSharpest_;
    intervalRunning_ = true;
    runSaveFailed_ = false;
    backgroundSaves_ = true; // the next frame is fetched while the last one is written
    // The frames around a shot are measured one after the other, which a run at the stream's
    // pace cannot wait for: a run for the sharpest frames seeks shot by shot.
    runPrecise_ = S->ModePrecision.Value && !runSharpest_;
    Widgets().Intervallo->setRunning(true);
    SetChecked("taIntervalloGo", true);
    titleBeforeRun_ = windowTitle();
    if (!runPaints_) runPaints_ = new PaintThrottle(this, kRunPaintIntervalMs);
    runPaints_->setOn(true);
    try {
        Media->SetPosition(0);
        ComputeIntervalCount();
        IntervalShots = RemainingShots;
        ShowIntervalProgress();
        Media->Pause();
        Media->SetVolume(0);
        AbortRequested = false;
        if (runPrecise_) {
            SavedAudioSource = Media->CurrentAudio;
            Media->SetMaxSpeed(1);
            if (!S->VitesseMaxi.Value && Media->HasAudio()) Media->DisconnectAudio();
            Media->SetGrabPeriod(IntervalLength);
            Media->SetCompletionHandler([this](mf::IFilterGraph*) { StopIntervalRun(); });
            Widgets().View()->setPictureIntervalMs(kRunPictureIntervalMs);
            Media->Stop();
            Media->Play();
            return; // the grabs come with the stream; its end stops the run
        }
        Timer1.stop();
        RunNormalShots();
    } catch (const std::exception&) {
        // a graph that refuses to pause or play ends the run here
    }
    StopIntervalRun();
}

void TShowForm::RunNormalShots() {
    const int64_t shots = RemainingShots;
    for (int64_t i = 0; i < shots; ++i) {
        QCoreApplication::processEvents();
        if (AbortRequested || !intervalRunning_) break;
        Seeking = true;
        Media->SetPosition(IntervalStart + i * IntervalLength);
        if (runSharpest_) Media->SharpestFrameNear(kIntervalSharpRadius);
        QCoreApplication::processEvents();
        TakeSnapshot(); // collects the last shot's write first: its failure stops the run
        if (intervalRunning_) ConfirmAndSaveImage();
        Seeking = false;
        if (!intervalRunning_) break; // stopped by a failed save or by Cancel
        --RemainingShots;
        ShowIntervalProgress();
    }
    Seeking = false;
}

void TShowForm::GrabTimeHandler(int64_t position, intptr_t bitmap) {
    // The timecode box already shows the grab time; the frame bitmap holds its frame. Only the
    // copy of the frame (deinterlaced on the way) keeps the stream waiting.
    if (!intervalRunning_ || !runPrecise_) return;
    CaptureFrame(reinterpret_cast<TFrameBitmap*>(bitmap), position);
    grabShotQueued_ = true;
    const QString timecode = Widgets().TimecodeText();
    // Posted now, so it runs before the stream's next message, which can only come after the
    // reply.
    QMetaObject::invokeMethod(
        this, [this, timecode] { GrabShot(timecode); }, Qt::QueuedConnection);
}

void TShowForm::GrabShot(const QString& timecode) {
    if (!intervalRunning_ || !runPrecise_) return; // stopped meanwhile: the frame is dropped
    // At most one shot waits: the one before is saved now, waiting for its own predecessor.
    SaveWaitingShot();
    if (!intervalRunning_) return; // that save failed and stopped the run
    Seeking = true;
    ApplyFrameSizes();
    if (HoldSnapshot(timecode)) {
        // While the last shot's file is still being made, this shot's file is begun and the
        // stream is served; the shot is named and saved when the last one has been written.
        if (writer_ && writer_->Pending() && !writer_->PendingWritten())
            waitingShot_ = timecode;
        else
            SaveShot(timecode);
    }
    Seeking = false;
}

void TShowForm::SaveWaitingShot() {
    if (!waitingShot_) return;
    const QString timecode = *std::exchange(waitingShot_, std::nullopt);
    SaveShot(timecode);
}

void TShowForm::SaveShot(const QString& timecode) {
    const bool seeking = std::exchange(Seeking, true);
    Widgets().SetTimecodeText(timecode); // the box may have moved on with the stream
    if (S->IImageAjouter.Value == 1) BuildTimestampName();
    // Collects the last shot's write first: its failure stops the run.
    if (ShowSnapshot() && intervalRunning_) ConfirmAndSaveImage();
    if (intervalRunning_) {
        --RemainingShots;
        ShowIntervalProgress();
    }
    Seeking = seeking;
}

// A full disk or a folder that cannot be written: the run stops (the images written so far
// stay) and the reason is shown once.
void TShowForm::SaveFailedDuringRun() {
    if (runSaveFailed_) return;
    runSaveFailed_ = true;
    StopIntervalRun();
    if (ShowWarning)
        ShowWarning(lastSaveError_ + "\nThe intervalometer has stopped; the images already "
                                     "saved are kept.");
}

void TShowForm::StopIntervalRun() {
    if (!intervalRunning_) {
        SetChecked("taIntervalloGo", false);
        return;
    }
    // The shot waiting and the image in flight are written and counted first; a failure there
    // stops the run itself.
    SaveWaitingShot();
    if (!intervalRunning_ || !FinishPendingSave()) return;
    backgroundSaves_ = false;
    intervalRunning_ = false;
    Widgets().Intervallo->setRunning(false);
    Widgets().View()->setPictureIntervalMs(0); // the picture at the end of the run is shown
    try {
        if (runPrecise_) {
            Media->Stop();
            Media->SetGrabPeriod(0);
            Media->SetCompletionHandler({});
            if (!S->VitesseMaxi.Value) {
                Media->SetMaxSpeed(0);
                if (SavedAudioSource && SavedAudioSource != &NoAudio())
                    Media->SelectSources(nullptr, SavedAudioSource);
                RefreshAfterGraphChange();
            }
            Media->Pause();
        } else {
            AbortRequested = true; // a loop still running stops before its next shot
        }
    } catch (const std::exception&) {
    }
    SetChecked("taIntervalloGo", false);
    Media->SetPosition(IntervalStart);
    Execute("taIntervalloShow");
    // The run silenced the sound; it comes back as the user left it.
    Media->SetVolume(S->MuteOn.Value ? 0 : S->IVolume.Value);
    setWindowTitle(titleBeforeRun_);
    if (runPaints_) runPaints_->setOn(false); // what the run left is painted now
    CommandBusy = false;
    StartTimer1IfStreams();
    PositionTimerStep();
}

void TShowForm::BindIntervalCommands() {
    TActionList& al = *actions_;
    auto on = [](auto f) { return [f](QObject*) { f(); }; };
    Tintervalloframe* bar = Widgets().Intervallo;
    al.OnSwitch("taIntervalloShow", on([this, bar] {
                    bar->show();
                    bar->raise();
                    SetChecked("taIntervalloShow", true);
                    ComputeIntervalCount();
                }),
                on([this, bar] {
                    bar->hide();
                    SetChecked("taIntervalloShow", false);
                }));
    al.OnSwitch("taIntervalloGo", on([this] { StartIntervalRun(); }),
                on([this] { StopIntervalRun(); }));
    al.OnSwitch("taModePrecision", on([this, bar] {
                    if (S) S->ModePrecision.Value = true;
                    bar->setPrecise(true);
                    SetChecked("taModePrecision", true);
                }),
                on([this, bar] {
                    if (S) S->ModePrecision.Value = false;
                    bar->setPrecise(false);
                    SetChecked("taModePrecision", false);
                }));
    connect(bar, &Tintervalloframe::switchClicked, this, [this] { Execute("taIntervalloGo"); });
    connect(bar, &Tintervalloframe::preciseToggled, this, [this](bool precise) {
        if (precise != Checked("taModePrecision")) Execute("taModePrecision");
    });
    connect(bar, &Tintervalloframe::sharpestToggled, this,
            [this](bool sharpest) { intervalSharpest_ = sharpest; });
    connect(bar, &Tintervalloframe::intervalValueChanged, this, [this](int value) {
        S->ValeurIntervallometre.Value = value;
        ComputeIntervalCount();
    });
    connect(bar, &Tintervalloframe::unitIndexChanged, this, [this](int index) {
        S->UnitesIntervallometre.Value = int(interval::UnitOrDefault(index));
        ComputeIntervalCount();
    });
    connect(this, &TShowForm::GrabTimeReached, this,
            [this](int64_t position, intptr_t bitmap) { GrabTimeHandler(position, bitmap); });
    // Without a video stream the bar goes (its action is disabled then).
    connect(this, &TShowForm::GraphChanged, this, [this, bar] {
        if (Media && !Media->HasVideo() && !intervalRunning_ && Checked("taIntervalloShow")) {
            bar->hide();
            SetChecked("taIntervalloShow", false);
        }
    });
    new BarFollower(Widgets().Navigation, Widgets().VideoPanel, bar);
}

} // namespace sp
