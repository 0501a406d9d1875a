// Placing the window's pieces at the rectangles of the layout rules: the window layout, the
// video area for a display aspect, and the bars around the video.

#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include "app/layout_rules.h"
#include "app/panels/bottom_strip.h"
#include "app/panels/nav_file_frame.h"
#include "app/panels/panel_column.h"
#include "app/panels/title_strip.h"
#include "app/panels/tool_bar.h"
#include "app/panels/top_bar.h"
#include "app/video_panel.h"

#include <QFrame>
#include <QResizeEvent>

#include <algorithm>

namespace sp {

namespace {

layout::VideoShape ShapeOf(const TvData& info) {
    return {info.Width, info.Height, info.Aspect};
}

} // namespace

void TShowForm::LayoutWindow() {
    if (S && S->ReducedOn.Value) return;
    TShowFormWidgets& w = Widgets();
    const QSize client = w.Client->size();
    const bool videoAtLeft = S && S->EcranGauche.Value;
    const layout::WindowLayout l =
        layout::layoutWindow(client, videoAtLeft, w.ToolBar->itemCount());
    PanelsLeft = l.panelsLeft;
    VideoAreaLeft = l.videoAreaLeft;
    w.ToolBar->setGeometry(l.toolBar);
    w.ToolBar->setSeparatorWidth(l.toolSeparatorWidth);
    w.HorizontalLine->setGeometry(l.horizontalSeparator);
    w.VerticalLine->setGeometry(l.verticalSeparator);
    w.TitleStrip->setGeometry(l.titleStrip);
    w.BottomStrip->setGeometry(l.bottomStrip);
    w.VideoPanel->setGeometry(l.videoPanel);
    w.Panels->setGeometry(l.panels);
    videoPanelRect_ = l.videoPanel;
    grabPanelRect_ = l.grabPanel;
    w.TopBar->setGeometry(layout::barLeft(l.videoPanel, TTopBar::kWidth), w.TopBar->y(),
                          TTopBar::kWidth, TTopBar::kHeight);
    w.Navigation->setGeometry(layout::barLeft(l.videoPanel, Tnav_fileframe::kWidth),
                              w.Navigation->y(), Tnav_fileframe::kWidth, Tnav_fileframe::kHeight);
    PlaceNavigation();
}

void TShowForm::LayoutVideoArea(int a, int b) {
    if (PlaceVideoForView(a, b)) return; // full screen (show_form_view.cpp)
    // With the filmstrip, the video leaves room under the navigation bar for it.
    const QSize forVideo(videoPanelRect_.width(), VideoPanelHeightForVideo());
    const layout::VideoAreaLayout v =
        layout::layoutVideoArea({a, b}, QRect(QPoint(0, 0), forVideo), grabPanelRect_, FrameSize);
    Widgets().VideoPanel->setVideoRect(v.videoWindow);
    PlaceFilmstrip();
    PlaceInlaySliders(v.verticalSlider.at, v.verticalSlider.length, v.horizontalSlider.at,
                      v.horizontalSlider.length);
    PreviewSize = v.preview.size();
    ImageSize = v.imageSize;
    PlaceNavigation();
}

void TShowForm::ChooseDisplayAspect(const TvData& description) {
    const layout::DisplayChoice choice =
        layout::chooseDisplayAspect(S->ForcerAspectRatio.Value, ShapeOf(description));
    DisplayAspect = QSize(choice.aspect.a, choice.aspect.b);
    AspectMode = choice.mode;
}

void TShowForm::ApplyDisplayAspect() {
    if (!Media || !Media->HasVideo()) return;
    FrameSize = QSize(Media->VideoInfo.Width, Media->VideoInfo.Height);
    const layout::Aspect aspect = layout::displayAspectFor(AspectMode, ShapeOf(Media->VideoInfo));
    LayoutVideoArea(aspect.a, aspect.b);
}

void TShowForm::PlaceNavigation() {
    TShowFormWidgets& w = Widgets();
    const layout::NavigationPlaces places =
        layout::placeNavigation(videoPanelRect_, w.VideoPanel->videoRect());
    w.TopBar->move(w.TopBar->x(), places.topBarTop);
    w.Navigation->move(w.Navigation->x(), places.navigationTop);
}

void TShowForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!resizeConnected_) return;
    LayoutWindow();
    if (Media && Media->HasVideo()) {
        ApplyDisplayAspect();
        PlaceNavigation();
        // The size label and the Grab panel's picture follow the new video window; a resize
        // leaves the side panel the user chose in place.
        CaptureFrameAndSizes();
        PlaceSnapshotPreview(false);
    }
}

} // namespace sp
