#include "app/show_form_widgets.h"

#include "app/panels/bottom_strip.h"
#include "app/panels/dossiers_frame.h"
#include "app/panels/extraire_frame.h"
#include "app/panels/help_frame.h"
#include "app/panels/icons.h"
#include "app/panels/intervallo_frame.h"
#include "app/panels/nav_file_frame.h"
#include "app/panels/options_frame.h"
#include "app/panels/panel_column.h"
#include "app/panels/side_panel.h"
#include "app/panels/sources_frame.h"
#include "app/panels/title_strip.h"
#include "app/panels/tool_bar.h"
#include "app/panels/top_bar.h"
#include "app/video_panel.h"
#include "app/video_view.h"

#include <QFrame>
#include <QMenu>
#include <QTextEdit>
#include <QVBoxLayout>

namespace sp {

namespace {

const QColor kNavy(0x00, 0x00, 0x80);
const QColor kMaroon(0x80, 0x00, 0x00);

QFrame* Line(QWidget* parent, QFrame::Shape shape) {
    auto* line = new QFrame(parent);
    line->setFrameShape(shape);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

TShowFormWidgets::TShowFormWidgets(QWidget* client)
    : Client(client), ToolBar(new TToolBar(client)), HorizontalLine(Line(client, QFrame::HLine)),
      VerticalLine(Line(client, QFrame::VLine)), TitleStrip(new TTitleStrip(client)),
      VideoPanel(new TVideoPanel(client)), Panels(new TPanelColumn(client)),
      BottomStrip(new TBottomStrip(client)), VideoMenu(new QMenu(client)) {
    // The bars lie over the video panel, so they are made after it.
    TopBar = new TTopBar(client);
    Navigation = new Tnav_fileframe(client);
    TopBar->setObjectName("TopBar");
    Diagnostics = Panels->help()->FiltersText();
    Navigation->setObjectName("nav_fileframe");
    // The intervalometer bar lies over the navigation bar, so it is made after it.
    Intervallo = new Tintervalloframe(client);
    Intervallo->setObjectName("intervalloframe");
    Intervallo->hide();
}

TDossiersFrame* TShowFormWidgets::Dossiers() const {
    return Panels->dossiers();
}
TExtraireFrame* TShowFormWidgets::Extraire() const {
    return Panels->extraire();
}

TSourcesFrame* TShowFormWidgets::Sources() const {
    return Panels->sources();
}
TOptionsFrame* TShowFormWidgets::Options() const {
    return Panels->options();
}
TVideoView* TShowFormWidgets::View() const {
    return VideoPanel->view();
}
mf::IPresentationSurface* TShowFormWidgets::VideoSurface() const {
    return VideoPanel->view();
}

void TShowFormWidgets::SetFileLabel(const QString& text, bool loaded) {
    TitleStrip->setFileText(text, loaded ? kMaroon : kNavy);
}

void TShowFormWidgets::SetFileLabelLoaded(const QString& hint) {
    TitleStrip->setFileText(TitleStrip->fileText(), kMaroon);
    TitleStrip->setFileHint(hint);
    TopBar->setDurationHint("Duration of the video");
}

void TShowFormWidgets::ShowIndicators(bool scn, bool srt, bool modd) {
    TitleStrip->setSideFileShown(TTitleStrip::Scn, scn);
    TitleStrip->setSideFileShown(TTitleStrip::Srt, srt);
    TitleStrip->setSideFileShown(TTitleStrip::Modd, modd);
}

void TShowFormWidgets::SetDurationText(const QString& text) {
    TopBar->setDurationText(text);
}
void TShowFormWidgets::SetTimecodeText(const QString& text) {
    TopBar->setTimecode(text);
}
QString TShowFormWidgets::TimecodeText() const {
    return TopBar->timecode();
}
void TShowFormWidgets::SetVolumeGauge(int percent) {
    TopBar->setVolumePercent(percent);
}
void TShowFormWidgets::SetTopBarVisible(bool visible) {
    TopBar->setVisible(visible);
}
void TShowFormWidgets::SetSliderValue(int value) {
    Navigation->setSliderPosition(value);
}
void TShowFormWidgets::SetNavigationVisible(bool visible) {
    Navigation->setVisible(visible);
}

void TShowFormWidgets::SetPlayImage(PlayImage image) {
    switch (image) {
    case PlayImage::Normal:
        Navigation->setPlayButtonIcon(QIcon());
        break;
    case PlayImage::MaxSpeed:
        Navigation->setPlayButtonIcon(maxSpeedPlayIcon());
        break;
    case PlayImage::NoVideo:
        Navigation->setPlayButtonIcon(noVideoPlayIcon());
        break;
    }
}

void TShowFormWidgets::SetVideoShown(bool shown) {
    hasVideo_ = shown;
    VideoPanel->setVideoShown(shown);
    VideoPanel->setCornerVisible(shown);
    TopBar->setSizeVisible(shown);
    if (shown) TopBar->setVisible(true);
    BottomStrip->setNextImageNameVisible(shown);
    Sources()->setVideoDescriptionVisible(shown);
}

void TShowFormWidgets::SetAudioShown(bool shown) {
    hasAudio_ = shown;
    TopBar->setVolumeVisible(shown);
    Sources()->setAudioDescriptionVisible(shown);
}

void TShowFormWidgets::FocusVideo() {
    View()->setFocus(Qt::OtherFocusReason);
}

void TShowFormWidgets::SetStreamLists(const QStringList& video, const QStringList& audio) {
    Sources()->setVideoStreams(video, 0);
    Sources()->setAudioStreams(audio, 0);
}

void TShowFormWidgets::SelectStreams(int video, int audio) {
    Sources()->selectVideoStream(video);
    Sources()->selectAudioStream(audio);
}

void TShowFormWidgets::SetVideoLabel(const QString& text) {
    Sources()->setVideoDescription(text);
}
void TShowFormWidgets::SetAudioLabel(const QString& text) {
    Sources()->setAudioDescription(text);
}
void TShowFormWidgets::SetAudioGroupVisible(bool visible) {
    Sources()->setAudioGroupVisible(visible);
}
bool TShowFormWidgets::MaxSpeedBox() const {
    return Sources()->maxSpeedChecked();
}
int TShowFormWidgets::PrefsItem() const {
    return Options()->saveMode();
}
void TShowFormWidgets::SetPrefsItem(int item) {
    Options()->setSaveMode(item);
}

void TShowFormWidgets::SetDecoderListsVisible(bool video, bool audio) {
    Options()->setVideoDecoderListVisible(video);
    Options()->setAudioDecoderListVisible(audio);
}

} // namespace sp
