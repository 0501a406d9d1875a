// Playing, pausing and moving through the loaded video: the steps, the scene steps, the 40 ms
// position timer, the slider, the timecode box, maximum speed and the choice of streams.

#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include "describe/timecode.h"

#include <QAction>
#include <QCoreApplication>

namespace sp {

int64_t TShowForm::FrameLength() const {
    return Media && Media->FrameDuration > 0 ? Media->FrameDuration : 400000;
}

QString TShowForm::Timecode(int64_t position) const {
    return QString::fromStdString(FormatTimecode(position, FrameLength()));
}

void TShowForm::PlayPause(bool play) {
    try {
        if (play) {
            Media->Play();
        } else {
            Media->Pause();
        }
    } catch (const std::exception&) {
        // a graph that refuses the change keeps its state; the action still follows the user
    }
    SetChecked("taPlayPause", play);
}

void TShowForm::StepBy(Step step) {
    Timer1.stop();
    Seeking = true;
    try {
        switch (step) {
        case Step::FrameBack:
            Media->PreviousFrame();
            break;
        case Step::FrameForward:
            Media->NextFrame();
            break;
        case Step::SecondBack:
            Media->PreviousSecond();
            break;
        case Step::SecondForward:
            Media->NextSecond();
            break;
        case Step::MinuteBack:
            Media->PreviousMinute();
            break;
        case Step::MinuteForward:
            Media->NextMinute();
            break;
        }
    } catch (const std::exception&) {
    }
    QCoreApplication::processEvents();
    Seeking = false;
    StartTimer1IfStreams();
}

void TShowForm::SceneStep(bool forward) {
    Timer1.stop();
    Seeking = true;
    QCoreApplication::processEvents();
    FindDeferredScenes();
    if (forward)
        Media->NextScene(Scenes);
    else
        Media->PreviousScene(Scenes);
    Seeking = false;
    StartTimer1IfStreams();
}

void TShowForm::PositionTimerStep() {
    if (!Media) return;
    const int64_t p = Media->GetPosition();
    Widgets().SetTimecodeText(Timecode(p));
    const int64_t d = Media->Duration;
    if (d != 0 && !sliderHeld_) Widgets().SetSliderValue(int(p * 1024 / d));
    emit PositionShown(p);
}

void TShowForm::SliderPressed() {
    sliderHeld_ = true;
    Timer1.stop();
}

void TShowForm::SliderReleased(int value) {
    sliderHeld_ = false;
    Seeking = true;
    Media->SetPosition(int64_t(value) * Media->Duration / 1024);
    QCoreApplication::processEvents();
    Seeking = false;
    StartTimer1IfStreams();
}

void TShowForm::TimecodeEntered() {
    Timer1.stop();
    if (auto* play = Action("taPlayPause")) play->setShortcut(QKeySequence());
}

void TShowForm::TimecodeConfirmed() {
    try {
        GoToTimecode(Widgets().TimecodeText());
        PositionTimerStep();
        StartTimer1IfStreams();
    } catch (const std::exception&) {
    }
    Widgets().FocusVideo(); // leaves the box, which goes to the same time again
}

void TShowForm::TimecodeLeft() {
    Seeking = true;
    try {
        GoToTimecode(Widgets().TimecodeText());
        QCoreApplication::processEvents();
        PositionTimerStep();
        StartTimer1IfStreams();
    } catch (const std::exception&) {
    }
    Seeking = false;
    if (auto* play = Action("taPlayPause")) play->setShortcut(QKeySequence(Qt::Key_Space));
}

void TShowForm::MoveHeld(const std::function<void()>& move, const char* what) {
    Timer1.stop();
    Seeking = true;
    try {
        move();
    } catch (const std::exception& e) {
        if (what) std::fprintf(stderr, "stillpick: %s: %s\n", what, e.what());
    }
    QCoreApplication::processEvents();
    Seeking = false;
    StartTimer1IfStreams();
}

void TShowForm::GoToTimecode(const QString& text) {
    if (Media) Media->SetPositionFromText(text.toStdString());
}

// Switching the speed rebuilds the audio chain, which stops the graph and goes back to the
// start; the position and the playing state are brought back afterwards.
void TShowForm::MaxSpeedOn() {
    const int64_t position = Media->GetPosition();
    const bool playing = Checked("taPlayPause");
    S->VitesseMaxi.Value = true;
    MaxSpeedAudioSource = Media->CurrentAudio;
    Media->SetMaxSpeed(1);
    Media->DisconnectAudio();
    RefreshAfterGraphChange();
    SetChecked("taVitesseMaxi", true);
    SetPlayImage();
    if (Media->HasVideo() || Media->HasAudio()) {
        Media->SetPosition(position);
        if (playing) Media->Play();
    }
}

void TShowForm::MaxSpeedOff() {
    const int64_t position = Media->GetPosition();
    const bool playing = Checked("taPlayPause");
    S->VitesseMaxi.Value = false;
    Media->SetMaxSpeed(0);
    if (MaxSpeedAudioSource && MaxSpeedAudioSource != &NoAudio())
        Media->ConnectAudio(MaxSpeedAudioSource);
    RefreshAfterGraphChange();
    SetChecked("taVitesseMaxi", false);
    SetPlayImage();
    if (Media->HasVideo() || Media->HasAudio()) {
        Media->SetPosition(position);
        if (playing) Media->Play();
    }
}

void TShowForm::SetPlayImage() {
    if (!Media || !Media->HasVideo())
        Widgets().SetPlayImage(TShowFormWidgets::PlayImage::NoVideo);
    else if (S && S->VitesseMaxi.Value)
        Widgets().SetPlayImage(TShowFormWidgets::PlayImage::MaxSpeed);
    else
        Widgets().SetPlayImage(TShowFormWidgets::PlayImage::Normal);
}

void TShowForm::VideoStreamChosen(int index) {
    if (!CurrentBuilder || index < 0) return;
    const auto& sources = CurrentBuilder->VideoSources;
    TVideoSource* v = size_t(index) < sources.size() ? sources[size_t(index)] : &NoVideo();
    if (Media->IsCurrentVideo(v)) return;
    try {
        Media->Stop();
        if (Media->HasVideo()) Media->DisconnectVideo();
        if (v != &NoVideo()) Media->SelectSources(v, nullptr);
    } catch (const std::exception&) {
    }
    RefreshAfterGraphChange();
}

void TShowForm::AudioStreamChosen(int index) {
    if (!CurrentBuilder || index < 0) return;
    const auto& sources = CurrentBuilder->AudioSources;
    TAudioSource* a = size_t(index) < sources.size() ? sources[size_t(index)] : &NoAudio();
    if (Media->IsCurrentAudio(a)) return;
    try {
        if (Media->HasAudio()) Media->DisconnectAudio();
        if (a != &NoAudio()) Media->SelectSources(nullptr, a);
    } catch (const std::exception&) {
    }
    RefreshAfterGraphChange();
}

void TShowForm::ShowVideoDescription() {
    const TvData& info = Media->VideoInfo;
    Widgets().SetVideoLabel(QString::fromStdString(info.Description + " - " + info.SizeText));
    ChooseDisplayAspect(info);
    LayoutVideoArea(DisplayAspect.width(), DisplayAspect.height());
    Media->FrameDuration = info.FrameDuration != 0 ? info.FrameDuration : 400000;
}

void TShowForm::ShowAudioDescription() {
    Widgets().SetAudioLabel(QString::fromStdString(Media->AudioInfo.Description));
}

} // namespace sp
