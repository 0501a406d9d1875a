// Composing the window from the panels, showing one side panel at a time, and the Settings
// panel: its check boxes, the save-mode choice and the two decoder lists.

#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include "app/panels/action_layout.h"
#include "app/panels/help_frame.h"
#include "app/panels/icons.h"
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
#include "platform/graph/guids.h"
#include "settings/action_table.h"

#include <QMenu>
#include <QTabWidget>

namespace sp {

using namespace mf;

namespace {

// The Settings panel's check boxes with their settings and actions, in the panel's order.
struct OptionRow {
    TOptionsFrame::Option box;
    const char* action;
    TBooleanParameter TSettings::*setting;
};

const OptionRow kOptions[] = {
    {TOptionsFrame::ConfirmerImage, "taConfirmerImages", &TSettings::ConfirmerImage},
    {TOptionsFrame::SauverQuandClic, "taSauverQuandClic", &TSettings::SauverQuandClic},
    {TOptionsFrame::MTSVitessemaxi, "taMTSVitesseMaxi", &TSettings::MtsEnVitesseMaxi},
    {TOptionsFrame::ParametrerFiltres, "taParametrerFiltres", &TSettings::ParametrerFiltres},
    {TOptionsFrame::ImagesDeInterlacer, "taImagesDeinterlacer", &TSettings::InternalDeinterlacer},
    {TOptionsFrame::ForcerDecodeur, "taForcerDecodeur", &TSettings::ForceTheDecoder},
    {TOptionsFrame::TraiterErreurs, "taTraiterErreurs", &TSettings::TraiterErreurs},
};

QStringList ToQt(const std::vector<std::string>& names) {
    QStringList out;
    for (auto& n : names)
        out << QString::fromStdString(n);
    return out;
}

} // namespace

const char* TShowForm::OptionActionName(int index) {
    return kOptions[index].action;
}

void TShowForm::ComposeWindow() {
    auto* client = new QWidget(this);
    setCentralWidget(client);
    widgets_ = std::make_unique<TShowFormWidgets>(client);
    actions_ = new TActionList(this);
    addActions(actions_->QActions());
    actions_->OnImageChanged(
        [](TCustomSuperAction& a, int) { a.setIcon(actionIcon(a.objectName())); });
    for (auto* a : actions_->Actions())
        a->setIcon(actionIcon(a->objectName()));
    for (int n = 0; n < 7; ++n)
        actions_->Find(PanelActionName(n))->setCheckable(true);
    CreateScriptRunner();
    BindActions();
    auto find = [this](const QString& name) -> QAction* { return actions_->Find(name); };
    TShowFormWidgets& w = Widgets();
    w.ToolBar->setItems(toolBarItems(find));
    w.Navigation->setActions(navigationActions(find));
    fillVideoMenu(*w.VideoMenu, find);
    w.Sources()->bindMaxSpeedAction(*actions_->Find("taVitesseMaxi"));
    ConnectWidgets();
}

void TShowForm::ConnectWidgets() {
    TShowFormWidgets& w = Widgets();
    connect(w.TitleStrip, &TTitleStrip::clicked, this, &TShowForm::ShowInFileBrowser);
    connect(w.TopBar, &TTopBar::timecodeEditEntered, this, &TShowForm::TimecodeEntered);
    connect(w.TopBar, &TTopBar::timecodeEntered, this, &TShowForm::TimecodeConfirmed);
    connect(w.TopBar, &TTopBar::timecodeEditLeft, this, &TShowForm::TimecodeLeft);
    connect(w.Navigation, &Tnav_fileframe::sliderPressed, this, &TShowForm::SliderPressed);
    connect(w.Navigation, &Tnav_fileframe::sliderReleased, this, &TShowForm::SliderReleased);
    connect(w.Sources(), &TSourcesFrame::videoChosen, this, &TShowForm::VideoStreamChosen);
    connect(w.Sources(), &TSourcesFrame::audioChosen, this, &TShowForm::AudioStreamChosen);
    connect(w.Options(), &TOptionsFrame::optionClicked, this,
            [this](TOptionsFrame::Option box, bool on) { OptionBoxClicked(int(box), on); });
    connect(w.Options(), &TOptionsFrame::saveModeChosen, this, [this](int mode) {
        noneChosen_ = mode == pmNone;
        PrefsModeChanged(mode);
    });
    connect(w.Options(), &TOptionsFrame::videoDecoderChosen, this, &TShowForm::VideoDecoderChosen);
    connect(w.Options(), &TOptionsFrame::audioDecoderChosen, this, &TShowForm::AudioDecoderChosen);
    connect(w.View(), &TVideoView::menuRequested, this,
            [this](const QPoint& at) { Widgets().VideoMenu->popup(at); });
    connect(w.VideoPanel, &TVideoPanel::cornerClicked, this, [this] { Execute("taSliders"); });
}

// ---- Side panels ----

void TShowForm::HidePanel() {
    const int n = S->PanneauActif.Value;
    if (n <= 6) {
        if (auto* panel = Widgets().Panels->panel(n)) panel->hide();
        SetChecked(PanelActionName(n), false);
    }
    S->PanneauActif.Value = 0;
}

void TShowForm::ShowPanel(int n) {
    if (n > 8 || n < 0) return;
    HidePanel();
    S->PanneauActif.Value = uint8_t(n);
    Widgets().Panels->showOnly(n); // 7 and 8 show none
    if (n <= 6) SetChecked(PanelActionName(n), true);
}

void TShowForm::NextPanel() {
    ShowPanel(S->PanneauActif.Value == 6 ? 0 : S->PanneauActif.Value + 1);
}

void TShowForm::ShowHelpPanel() {
    Widgets().Panels->help()->PageControl1()->setCurrentIndex(THelpFrame::tabHelp);
    ShowPanel(5);
}

// ---- Settings panel check boxes ----

void TShowForm::ApplyOptionBoxes() {
    for (int i = 0; i < kOptionCount; ++i) {
        const bool on = ((*S).*(kOptions[i].setting)).Value;
        Widgets().Options()->setOption(kOptions[i].box, on);
        SetChecked(kOptions[i].action, on);
    }
}

void TShowForm::OptionBoxClicked(int index, bool on) {
    if (index < 0 || index >= kOptionCount) return;
    ((*S).*(kOptions[index].setting)).Value = on;
}

void TShowForm::SetOptionAction(int index, bool on) {
    ((*S).*(kOptions[index].setting)).Value = on;
    Widgets().Options()->setOption(kOptions[index].box, on);
    SetChecked(kOptions[index].action, on);
}

// ---- Decoder lists ----

void TShowForm::ApplyDecoderSettings() {
    try {
        const std::vector<std::string> words{"decod"};
        VideoDecoders.ClearMonikers();
        VideoDecoders.AddMatchingFilters({MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO},
                                         {MEDIATYPE_Video, MEDIASUBTYPE_RGB32}, words, false);
        AudioDecoders.ClearMonikers();
        for (const GUID& sub :
             {MEDIASUBTYPE_MPEG1Payload, MEDIASUBTYPE_MPEG1Audio, MEDIASUBTYPE_MPEG2_AUDIO})
            AudioDecoders.AddMatchingFilters({MEDIATYPE_Audio, sub},
                                             {MEDIATYPE_Audio, MEDIASUBTYPE_PCM}, words, true);
        Widgets().Options()->setVideoDecoders(ToQt(VideoDecoders.Strings()), -1);
        Widgets().Options()->setAudioDecoders(ToQt(AudioDecoders.Strings()), -1);
        if (FfdshowVideoFound) S->DecodeurMpegVideo.Value = "ffdshow Video Decoder";
        SelectVideoDecoder(S->DecodeurMpegVideo.Value);
        if (FfdshowAudioFound) S->DecodeurMpegAudio.Value = "ffdshow Audio Decoder";
        SelectAudioDecoder(S->DecodeurMpegAudio.Value);
    } catch (const std::exception&) {
    }
}

void TShowForm::SelectVideoDecoder(const QString& name) {
    if (VideoDecoders.Count() == 0) return;
    int index = VideoDecoders.IndexOf(name.toStdString());
    if (index < 0) index = 0;
    Widgets().Options()->selectVideoDecoder(index);
    S->DecodeurMpegVideo.Value = QString::fromStdString(VideoDecoders.String(index));
    Media->decoderV.LeaveGraph();
    Media->decoderV.SetMoniker(VideoDecoders.GetMoniker(index));
}

void TShowForm::SelectAudioDecoder(const QString& name) {
    if (AudioDecoders.Count() == 0) return;
    int index = AudioDecoders.IndexOf(name.toStdString());
    if (index < 0) index = 0;
    Widgets().Options()->selectAudioDecoder(index);
    S->DecodeurMpegAudio.Value = QString::fromStdString(AudioDecoders.String(index));
    Media->decoderA.LeaveGraph();
    Media->decoderA.SetMoniker(AudioDecoders.GetMoniker(index));
}

// A new decoder needs the chain rebuilt; the graph comes back in the state it had (a graph
// that was not playing is paused again on its picture).
void TShowForm::VideoDecoderChosen(int index) {
    if (index < 0 || index >= VideoDecoders.Count()) return;
    try {
        const int state = Media->GetGraphState();
        TVideoSource* video = Media->CurrentVideo;
        Media->DisconnectVideo();
        SelectVideoDecoder(QString::fromStdString(VideoDecoders.String(index)));
        if (video == &NoVideo()) return;
        if (Media->ConnectVideo(video)) {
            AttachVideoWindow();
            Media->Play();
            if (state != 3) Media->Pause();
        } else {
            Media->ResetGraph();
        }
    } catch (const std::exception&) {
    }
}

void TShowForm::AudioDecoderChosen(int index) {
    if (index < 0 || index >= AudioDecoders.Count()) return;
    try {
        const int state = Media->GetGraphState();
        TAudioSource* audio = Media->CurrentAudio;
        Media->DisconnectAudio();
        SelectAudioDecoder(QString::fromStdString(AudioDecoders.String(index)));
        if (audio == &NoAudio()) return;
        if (Media->ConnectAudio(audio)) {
            Media->Play();
            if (state != 3) Media->Pause();
        } else {
            Media->ResetGraph();
        }
    } catch (const std::exception&) {
    }
}

} // namespace sp
