// The filmstrip: small pictures of the frames around the current one under the video. The
// pictures are made by TStripFiller on a worker; the strip is filled from the position timer
// (40 ms) with what is there, so a step never waits for it.

#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include "app/layout_rules.h"
#include "app/panels/film_strip.h"
#include "app/panels/nav_file_frame.h"
#include "app/strip_filler.h"
#include "app/video_panel.h"
#include "settings/action_table.h"

#include <algorithm>

namespace sp {

void TShowForm::BindStripCommands() {
    auto on = [](auto f) { return [f](QObject*) { f(); }; };
    actions_->OnSwitch("taFilmstrip", on([this] { ShowFilmstrip(true); }),
                       on([this] { ShowFilmstrip(false); }));
    stripFiller_ = new TStripFiller(this);
    filmStrip_ = new TFilmStrip(Widgets().VideoPanel);
    filmStrip_->hide();
    connect(stripFiller_, &TStripFiller::picturesChanged, this, &TShowForm::FillFilmstrip);
    connect(this, &TShowForm::PositionShown, this, &TShowForm::FillFilmstrip);
    connect(filmStrip_, &TFilmStrip::sideCountChanged, this, &TShowForm::FillFilmstrip);
    connect(filmStrip_, &TFilmStrip::frameClicked, this, &TShowForm::GoToStripFrame);
    connect(filmStrip_, &TFilmStrip::frameDoubleClicked, this, [this](int offset) {
        GoToStripFrame(offset);
        Execute("saGrab");
    });
    connect(filmStrip_, &TFilmStrip::wheelSteps, this, [this](int steps) {
        for (int i = 0; i < std::abs(steps); ++i)
            StepBy(steps > 0 ? Step::FrameForward : Step::FrameBack);
        PositionTimerStep();
    });
}

void TShowForm::ShowFilmstrip(bool on) {
    S->Filmstrip.Value = on;
    SetChecked("taFilmstrip", on);
    OpenStripFiller();
    ApplyDisplayAspect(); // the video gives the strip its room, or takes it back
}

void TShowForm::OpenStripFiller() {
    const bool shown = S && S->Filmstrip.Value && Media && Media->HasVideo() && CurrentBuilder &&
                       !CurrentBuilder->FileName.empty();
    filmStrip_->setVisible(shown);
    if (!shown) {
        stripFiller_->Close();
        return;
    }
    const double aspect = DisplayAspect.height() > 0
                              ? double(DisplayAspect.width()) / DisplayAspect.height()
                              : 4.0 / 3.0;
    filmStrip_->setPictureAspect(aspect);
    const int height = TFilmStrip::kHeight - 6;
    stripFiller_->Open(QString::fromStdString(CurrentBuilder->FileName),
                       QSize(std::max(8, int(height * aspect + 0.5)), height));
    FillFilmstrip();
}

void TShowForm::FillFilmstrip() {
    if (!filmStrip_ || filmStrip_->isHidden() || !stripFiller_->IsOpen() || !Media) return;
    const int64_t frame = FrameLength();
    const int64_t current = Media->GetPosition() / frame * frame;
    const int64_t lastFrame = std::max<int64_t>(0, (Media->Duration - 1) / frame * frame);
    const int side = filmStrip_->sideCount();
    std::vector<QImage> cells;
    for (int k = -side; k <= side; ++k) {
        const int64_t t = current + k * frame;
        cells.push_back(t < 0 || t > lastFrame ? QImage() : stripFiller_->PictureAt(t, frame));
    }
    stripFiller_->Want(std::max<int64_t>(0, current - side * frame),
                       std::min(lastFrame, current + side * frame));
    filmStrip_->setFlips(Checked("taHorzFlip"), Checked("taVertFlip"));
    filmStrip_->setCells(std::move(cells));
}

void TShowForm::GoToStripFrame(int offset) {
    if (!Media || !Media->HasVideo()) return;
    const int64_t frame = FrameLength();
    MoveHeld([&] { Media->SetPosition(Media->GetPosition() / frame * frame + offset * frame); });
    PositionTimerStep();
}

int TShowForm::VideoPanelHeightForVideo() const {
    const int height = videoPanelRect_.height();
    if (!filmStrip_ || filmStrip_->isHidden()) return height;
    // The navigation bar lies under the video, the strip under the bar.
    return std::max(0, height - TFilmStrip::kHeight - Tnav_fileframe::kHeight);
}

void TShowForm::PlaceFilmstrip() {
    if (!filmStrip_ || filmStrip_->isHidden()) return;
    const QRect video = Widgets().VideoPanel->videoRect();
    const int top = std::min(video.y() + video.height() + Tnav_fileframe::kHeight,
                             videoPanelRect_.height() - TFilmStrip::kHeight);
    filmStrip_->setGeometry(layout::kVideoMargin, top,
                            videoPanelRect_.width() - 2 * layout::kVideoMargin,
                            TFilmStrip::kHeight);
    filmStrip_->raise();
}

} // namespace sp
