// Finding the best frame: grabbing the sharpest frame near the one on screen, and the scenes of
// a file without a scene file, found in its pictures in the background.

#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include "app/panels/extraire_frame.h"
#include "app/panels/sources_frame.h"
#include "app/scene_finder.h"
#include "media/grab_builder.h"
#include "settings/action_table.h"

#include <QFileInfo>

#include <cmath>
#include <cstdio>

namespace sp {

namespace {

constexpr int kDefaultSharpRadius = 5;

// The radius a command gives: its argument when it is a whole number, else the default.
int RadiusArgument() {
    bool ok = false;
    const int radius = ArgumentList.isEmpty() ? 0 : ArgumentList.front().trimmed().toInt(&ok);
    return ok ? radius : kDefaultSharpRadius;
}

} // namespace

void TShowForm::GrabSharpest(int radius) {
    if (!Media || !Media->HasVideo()) return;
    CommandBusy = true;
    if (Checked("taPlayPause")) PlayPause(false);
    // A seek the graph refused leaves the frame on screen, which is grabbed as it is.
    MoveHeld([&] { Media->SharpestFrameNear(radius); }, "grab_sharpest");
    Execute("saGrab"); // reads the position again: the still is named by the frame taken
    CommandBusy = false;
}

void TShowForm::BindBestFrameCommands() {
    actions_->OnExecute("saGrabSharpest", [this](QObject*) { GrabSharpest(RadiusArgument()); });
    connect(Widgets().Extraire(), &TExtraireFrame::sharpestClicked, this,
            [this] { Execute("saGrabSharpest"); });
    sceneFinder_ = new TSceneFinder(this);
    connect(sceneFinder_, &TSceneFinder::found, this, &TShowForm::ScenesFound);
    connect(sceneFinder_, &TSceneFinder::failed, this, [this](const QString& path) {
        std::fprintf(stderr, "stillpick: no scenes could be found in %s\n", qPrintable(path));
        sceneOrigin_ = SceneOrigin::None;
        ShowSceneSource();
    });
}

void TShowForm::TakeScenesOf(const QString& path) {
    CallOffSceneSearch();
    if (!CurrentBuilder) return;
    if (CurrentBuilder->HasSceneFile) {
        sceneOrigin_ = SceneOrigin::File;
    } else if (Media && Media->HasVideo()) {
        // Decoding the whole file beside the grab would only slow a run that ends the program.
        sceneOrigin_ = EndsWhenDone() ? SceneOrigin::Deferred : SceneOrigin::Finding;
        if (sceneOrigin_ == SceneOrigin::Finding) sceneFinder_->Start(path);
    }
    ShowSceneSource();
    ShowSceneSteps();
}

void TShowForm::CallOffSceneSearch() {
    if (sceneFinder_) sceneFinder_->Cancel();
    sceneOrigin_ = SceneOrigin::None;
    ShowSceneSource();
}

void TShowForm::FindDeferredScenes() {
    if (sceneOrigin_ != SceneOrigin::Deferred || !CurrentBuilder) return;
    sceneOrigin_ = SceneOrigin::Finding;
    sceneFinder_->Start(QString::fromStdString(CurrentBuilder->FileName));
    sceneFinder_->Wait();
}

void TShowForm::ScenesFound(const QString& path, const FoundScenes& found) {
    if (!CurrentBuilder || QString::fromStdString(CurrentBuilder->FileName) != path) return;
    // Scene steps count in the frames of the stream as the engine knows it.
    const int64_t frame = FrameLength();
    Scenes.Clear();
    for (int32_t start : found.startFrames)
        Scenes.Add(
            {{}, int32_t(std::llround(double(start) * double(found.frameHns) / double(frame))), 0});
    sceneOrigin_ = SceneOrigin::Pictures;
    ShowSceneSource();
    ShowSceneSteps();
}

void TShowForm::ShowSceneSource() {
    QString text;
    switch (sceneOrigin_) {
    case SceneOrigin::None:
    case SceneOrigin::Deferred:
        break;
    case SceneOrigin::File:
        text = QString("Scenes: %1 from the scene file %2")
                   .arg(Scenes.Count())
                   .arg(QFileInfo(QString::fromStdString(SceneFileName(CurrentBuilder->FileName)))
                            .fileName());
        break;
    case SceneOrigin::Finding:
        text = "Scenes: looking for the cuts in the picture...";
        break;
    case SceneOrigin::Pictures:
        text = QString("Scenes: %1 found in the picture").arg(Scenes.Count());
        break;
    }
    Widgets().Sources()->setScenesText(text);
}

// The scene steps are offered with a scene file, or once the pictures gave the scenes.
void TShowForm::ShowSceneSteps() {
    const bool scenes = sceneOrigin_ == SceneOrigin::File || sceneOrigin_ == SceneOrigin::Pictures;
    if (auto* a = Action("saReculeTrack")) a->setVisible(scenes);
    if (auto* a = Action("saAvanceTrack")) a->setVisible(scenes);
}

} // namespace sp
