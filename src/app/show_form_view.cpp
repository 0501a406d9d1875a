// The view commands: the forced display ratio, full screen on the backdrop, the reduced window,
// the mirrored layout, the flips, the inlay switch, the deinterlace switch, and the inlay
// position sliders over the video.

#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include "app/layout_rules.h"
#include "app/panels/sources_frame.h"
#include "app/plaque.h"
#include "app/video_panel.h"
#include "app/video_view.h"
#include "settings/action_table.h"

#include <QCoreApplication>
#include <QScreen>
#include <QSlider>

namespace sp {

namespace {

constexpr int kSliderThickness = 14;

QSlider* MakeSlider(Qt::Orientation orientation, int maximum, const char* name, QWidget* parent) {
    auto* slider = new QSlider(orientation, parent);
    slider->setObjectName(name);
    slider->setRange(0, maximum);
    slider->setFocusPolicy(Qt::NoFocus);
    slider->hide();
    return slider;
}

} // namespace

void TShowForm::BindViewActions() {
    TActionList& al = *actions_;
    auto on = [](auto f) { return [f](QObject*) { f(); }; };
    const char* const ratios[] = {"saForcerNone", "saForcer4x3", "saForcer16x9", "saForcerNative"};
    for (int forced = 0; forced < 4; ++forced)
        al.OnExecute(ratios[forced], on([this, forced] { ForceDisplayAspect(forced); }));
    al.OnSwitch("tafullscreen", on([this] { FullScreenOn(); }), on([this] { FullScreenOff(); }));
    al.OnSwitch("taReduire", on([this] { ReduceWindow(); }), on([this] { RestoreWindow(); }));
    al.OnExecute("saBasculerPanneau", on([this] { MirrorWindow(); }));
    al.OnSwitch("taVertFlip", on([this] { SetVerticalFlip(true); }),
                on([this] { SetVerticalFlip(false); }));
    al.OnSwitch("taHorzFlip", on([this] { SetHorizontalFlip(true); }),
                on([this] { SetHorizontalFlip(false); }));
    al.OnSwitch("taIncruster", on([this] { SetInlay(true); }), on([this] { SetInlay(false); }));
    al.OnSwitch("taSliders", on([this] { ShowSliders(); }), on([this] { HideSliders(); }));
    al.OnExecute("saIncVolume", on([this] { ChangeVolume(1000); }));
    al.OnExecute("saDecVolume", on([this] { ChangeVolume(-1000); }));
    al.OnSwitch("taMute", on([this] { MuteOn(); }), on([this] { MuteOff(); }));

    Xslider = MakeSlider(Qt::Horizontal, 970, "Xslider", Widgets().Client);
    Yslider = MakeSlider(Qt::Vertical, 930, "Yslider", Widgets().Client);
    connect(Xslider, &QSlider::valueChanged, this, &TShowForm::XsliderChanged);
    connect(Yslider, &QSlider::valueChanged, this, &TShowForm::YsliderChanged);
    plaque_ = new Tplaque(this);
    plaque_->Closed = [this] {
        if (Checked("tafullscreen")) Execute("tafullscreen");
    };
    // A video that goes away takes full screen with it.
    connect(this, &TShowForm::GraphChanged, this, [this] {
        if (FullScreenShown() && !(Media && Media->HasVideo())) FullScreenOff();
    });
    BindInlayActions();
}

// ---- Display ratio and the video area ----

void TShowForm::ForceDisplayAspect(int forced) {
    S->ForcerAspectRatio.Value = forced;
    if (!Media || !Media->HasVideo()) return;
    ChooseDisplayAspect(Media->VideoInfo);
    ApplyDisplayAspect();
    CaptureFrameAndSizes(); // the size label and the saved image follow
}

bool TShowForm::PlaceVideoForView(int a, int b) {
    if (S && S->ReducedOn.Value && !FullScreenShown()) {
        videoPanelRect_ = QRect(QPoint(0, 0), Widgets().Client->size());
        Widgets().VideoPanel->setGeometry(videoPanelRect_);
        return false;
    }
    if (!FullScreenShown()) return false;
    const QSize screenSize =
        plaque_->screen() ? plaque_->screen()->geometry().size() : plaque_->size();
    const layout::FullScreenLayout f = layout::layoutFullScreen({a, b}, screenSize);
    Widgets().View()->setGeometry(f.video);
    plaque_->setFrameRect(f.frame);
    const layout::VideoAreaLayout v = layout::layoutVideoArea(
        {a, b}, QRect(QPoint(0, 0), videoPanelRect_.size()), grabPanelRect_, FrameSize);
    PreviewSize = v.preview.size();
    ImageSize = v.imageSize;
    return true;
}

void TShowForm::PlaceInlaySliders(const QPoint& vertical, int height, const QPoint& horizontal,
                                  int width) {
    if (!Xslider) return;
    // The places are given from the video panel's corner; the sliders lie on the client.
    const QPoint v = vertical + videoPanelRect_.topLeft();
    const QPoint h = horizontal + videoPanelRect_.topLeft();
    Yslider->setGeometry(v.x() - kSliderThickness / 2 + 6, v.y(), kSliderThickness, height);
    Xslider->setGeometry(h.x(), h.y() - kSliderThickness / 2 + 6, width, kSliderThickness);
    Xslider->raise();
    Yslider->raise();
}

// ---- Full screen ----

bool TShowForm::FullScreenShown() const {
    return plaque_ && plaque_->isVisible();
}

void TShowForm::FullScreenOn() {
    SetChecked("tafullscreen", true);
    if (!Media || !Media->HasVideo() || !plaque_) return;
    // The screen the window is on, when there are several.
    plaque_->showOn(screen());
    TVideoView* view = Widgets().View();
    view->setParent(plaque_);
    view->show();
    ApplyDisplayAspect();
}

void TShowForm::FullScreenOff() {
    SetChecked("tafullscreen", false);
    TVideoView* view = Widgets().View();
    if (plaque_ && view->parentWidget() == plaque_) {
        view->setParent(Widgets().VideoPanel);
        Widgets().VideoPanel->setVideoShown(Widgets().VideoPanel->videoShown());
    }
    if (plaque_) plaque_->hide();
    ApplyDisplayAspect();
    if (isVisible()) activateWindow();
}

// ---- Reduced window ----

void TShowForm::ReduceWindow() {
    // The video panel at its normal size first (reducing at start-up comes before any layout).
    S->ReducedOn.Value = false;
    LayoutWindow();
    S->ReducedOn.Value = true;
    setMinimumSize(0, 0);
    S->MainWidth.Value = width();
    S->MainHeight.Value = height();
    TVideoPanel* panel = Widgets().VideoPanel;
    panel->move(0, 0);
    panel->raise();
    SetChecked("taReduire", true);
    const QSize chrome = size() - Widgets().Client->size();
    resize(panel->size() + chrome);
    videoPanelRect_ = QRect(QPoint(0, 0), panel->size());
    setWindowTitle(Widgets().Sources()->videoStreamText());
}

void TShowForm::RestoreWindow() {
    S->ReducedOn.Value = false;
    SetChecked("taReduire", false);
    setMinimumSize(layout::kMinimumWidth, layout::kMinimumHeight);
    resize(S->MainWidth.Value, S->MainHeight.Value);
    Widgets().VideoPanel->lower();
    LayoutWindow();
    if (Media && Media->HasVideo()) {
        ApplyDisplayAspect();
        PlaceNavigation();
    }
    setWindowTitle(QString("%1 by %2").arg(ProgramTitle(), "Orvane"));
}

void TShowForm::MirrorWindow() {
    S->EcranGauche.Value = !S->EcranGauche.Value;
    if (S->ReducedOn.Value) return;
    LayoutWindow();
    // The sliders are placed in window coordinates: they follow the video.
    if (Media && Media->HasVideo()) ApplyDisplayAspect();
}

// ---- Flips, inlay, deinterlace ----

void TShowForm::SetVerticalFlip(bool on) {
    verticalFlip_ = on;
    if (Media) Media->FlipVertical(on);
    SetChecked("taVertFlip", on);
    SetEnabled("taVertFlip", true);
    RefreshPicture();
}

void TShowForm::SetHorizontalFlip(bool on) {
    horizontalFlip_ = on;
    if (Media) Media->FlipHorizontal(on);
    SetChecked("taHorzFlip", on);
    SetEnabled("taHorzFlip", true);
    RefreshPicture();
}

void TShowForm::SetInlay(bool on) {
    inlayOn_ = on;
    if (Media) {
        if (on) Media->ApplyInlaySettings(InlayRecord());
        Media->EnableInlay(on);
    }
    RefreshPicture();
    SetChecked("taIncruster", on);
    SetEnabled("taIncruster", true);
    S->WantIncrust.Value = Checked("taIncruster");
}

void TShowForm::SetDeinterlace(bool on) {
    deinterlace_ = on;
    SetChecked("taImagesDeinterlacer", on);
    SetEnabled("taImagesDeinterlacer", true);
}

// The paused picture is delivered again, through the filters' new settings. A description
// posted meanwhile is not applied (Seeking).
void TShowForm::RefreshPicture() {
    if (!Media || !Media->HasVideo()) return;
    Seeking = true;
    try {
        Media->RefreshStill();
    } catch (const std::exception&) {
        // the picture stays as it was
    }
    QCoreApplication::processEvents();
    Seeking = false;
}

// ---- Inlay position sliders ----

namespace {

// The intervalometer bar, when the window has one.
QWidget* IntervalloBar(QWidget* client) {
    for (QWidget* w : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->inherits("sp::Tintervalloframe")) return w;
    return nullptr;
}

} // namespace

void TShowForm::ShowSliders() {
    Xslider->show();
    Yslider->show();
    Xslider->raise();
    Yslider->raise();
    if (!Checked("taIncruster")) Execute("taIncruster");
    if (QWidget* bar = IntervalloBar(Widgets().Client)) bar->hide();
    Widgets().SetNavigationVisible(false);
    SetChecked("taSliders", true);
}

void TShowForm::HideSliders() {
    Xslider->hide();
    Yslider->hide();
    Widgets().SetNavigationVisible(true);
    if (QWidget* bar = IntervalloBar(Widgets().Client); bar && Checked("taIntervalloShow"))
        bar->show();
    SetChecked("taSliders", false);
}

} // namespace sp
