// Creation, first show, applying the settings, the list of installed filters, closing and the
// end of the main window.

#include "app/deep_frames.h"
#include "app/layout_rules.h"
#include "app/panels/apropos_frame.h"
#include "app/panels/help_frame.h"
#include "app/panels/panel_column.h"
#include "app/save_prefs_form.h"
#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include "filters/filter_environment.h"

#include "platform/graph/guids.h"
#include "platform/outside/framework_version.h"
#include "platform/outside/outside_registration.h"
#include "platform/outside/video_renderer.h"
#include "platform/system/os_description.h"
#include "platform/system/qt_message_target.h"
#include "platform/system/text_parsing.h"
#include "settings/action_table.h"
#include "settings/program_info.h"
#include "ui/erreur_form.h"
#include "ui/filtres_warning_form.h"
#include "ui/raccourcis_form.h"
#include "ui/system_info.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPaintEvent>
#include <QScreen>
#include <QTabWidget>
#include <QTextEdit>

#include <cstdio>

namespace sp {

using namespace mf;

namespace {

// The filters the program relies on, in the order the diagnostics list them.
struct RequiredFilter {
    const char* name;
    GUID clsid;
};

const RequiredFilter kRequiredFilters[] = {
    {"Default DirectSound Device", CLSID_DSoundRender},
    {"DV Video Decoder", CLSID_DVVideoCodec},
    {"Null Renderer", CLSID_NullRenderer},
    {"ffdshow Video Decoder", CLSID_FfdshowVideoDecoder},
    {"ffdshow Audio Decoder", CLSID_FfdshowAudioDecoder},
    {"DV Splitter", CLSID_DVSplitter},
    {"Avi Splitter", CLSID_AviSplitter},
    {"File Source (Async.)", CLSID_AsyncReader},
    {"MPEG-I Stream Splitter", CLSID_MPEG1Splitter},
    {"WM ASF Reader", CLSID_WMAsfReader},
    {"Haali Media Splitter", CLSID_HaaliMediaSplitter},
    {"MPEG-2 Splitter", CLSID_MMSPLITTER},
    {"MPEG-2 Demultiplexer", CLSID_MPEG2Demultiplexer},
};

} // namespace

QString TShowForm::VersionText() {
    return QString::asprintf("%d.%d.%d", 5, 0, 6);
}
QString TShowForm::LanguageTag() {
    return "En";
}
QString TShowForm::ProgramTitle() {
    return "Stillpick " + VersionText() + " " + LanguageTag();
}
QString TShowForm::Signature() {
    return "Stillpick " + VersionText() + " " + LanguageTag() + " by " + "Orvane";
}

TShowForm::TShowForm(QWidget* parent)
    : QMainWindow(parent), preview_(outside::CLSID_PreviewRenderer, "Video Renderer"),
      sharedSound_(CLSID_DSoundRender, "Default DirectSound Device") {
    // The platform's filters, registered once for the whole program.
    outside::registerOutsideFilters();
    FilterMapper::instance().RegisterFilter(outside::videoRendererRegistration());
    env_.HaaliInstalled = FilterMapper::instance().IsRegistered(CLSID_HaaliMediaSplitter);
    env_.PreviewRenderer = &preview_;
    env_.SharedAudioRender = &sharedSound_;

    CapturedFrame = QImage(1, 1, QImage::Format_RGB888);
    OutputImage = QImage(1, 1, QImage::Format_RGB888);
    setWindowTitle(QString("%1 by %2").arg(ProgramTitle(), CompanyName()));
    EmptyBuilder = std::make_unique<TGrabBuilder>();
    CurrentBuilder = EmptyBuilder.get();

    Timer1.setInterval(40);
    connect(&Timer1, &QTimer::timeout, this, &TShowForm::PositionTimerStep);
    target_ = std::make_shared<QtMessageTarget>(
        [this](uint32_t msg, uintptr_t w, intptr_t l) { return HandleMessage(msg, w, l); });
    setMainWindowTarget(target_);
    // The save-mode question is made when first asked: most closings never ask it.
    AskSaveMode = [this]() -> std::optional<TPrefsMode> {
        // Nobody can answer offscreen: a "save nothing" chosen in this run stands.
        if (noneChosen_ && NoOneCanAnswer()) return pmNone;
        if (!savePrefsForm_) savePrefsForm_ = std::make_unique<TSavePrefsForm>(this);
        savePrefsForm_->Chosen = false;
        if (!savePrefsForm_->Ask()) return std::nullopt;
        return savePrefsForm_->Choice;
    };
    ShowWarning = [this](const QString& text) { Warn(text); };
    // The error report window is made for the first report: most runs never show one.
    ShowErrorReport = [this](const QString& markup) {
        if (!erreurForm_) erreurForm_ = new TErreurForm(ProgramTitle(), this);
        erreurForm_->ShowReport(markup);
    };
    ComposeWindow();
    setMinimumSize(708, 522);
    raccourcis_ = new TRaccourcisForm(this);
    raccourcis_->BindToggle(*actions_->Toggle("taraccourcis"));
    connect(Help(), &THelpFrame::ShortcutsLinkClicked, this, &TShowForm::ShortcutsLinkClicked);
    // A library registered or unregistered from the Help panel changes the filter list.
    connect(Help(), &THelpFrame::FilterFilesChanged, this, &TShowForm::ListInstalledFilters);
}

THelpFrame* TShowForm::Help() const {
    return Widgets().Panels->help();
}

// A warning box; without a screen nobody could close it, so the text goes to stderr instead.
void TShowForm::Warn(const QString& text) {
    if (NoOneCanAnswer()) {
        std::fprintf(stderr, "stillpick: %s\n", qPrintable(text));
        return;
    }
    QMessageBox::warning(this, ProgramTitle(), text, QMessageBox::Ok);
}

TShowForm::~TShowForm() {
    Timer1.stop();
    Help()->StopTimers();
    if (!closed_) ReleaseMedia();
    if (ScreenSaverWasActive) screenSaver_.Release();
    writer_.reset(); // an image still in flight is written, and reported, before the target goes
    setMainWindowTarget(nullptr);
    target_.reset();
    // The media system lets go of the graph first; the builders' filters are then free.
    Media.reset();
    CurrentBuilder = nullptr;
    BuilderCache.clear();
    EmptyBuilder.reset();
    // The outside components get back the settings they had before the program started.
    if (filterEnvironmentStarted_) EndFilterEnvironment();
    filtersWarning_.reset();
    raccourcis_->SetSortSetting(nullptr);
    S.reset();
    Parameters.reset();
}

void TShowForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    FormShow();
}

void TShowForm::FormShow() {
    if (shown_) return;
    shown_ = true;
    Parameters = std::make_unique<TparameterList>(Signature());
    S = DefineSettings(*Parameters);
    CreateMediaSystem();
    ApplySettings();
    AssignStartupShortcuts(*actions_);
    LoadBuilder(EmptyBuilder.get());
    ShowNoVideoControls();
    DisableAudioControls();
    Widgets().Panels->apropos()->SetProgramTitle(ProgramTitle());
    filtersWarning_ = std::make_unique<TFiltresWarningForm>(&S->AvertirSiFiltresAbsents, this);
    LayoutWindow();
    LayoutVideoArea(4, 3);
    PlaceNavigation();
    setAcceptDrops(true);
    StartFilterEnvironment(S->ParametrerFiltres.Value);
    filterEnvironmentStarted_ = true;
    ListInstalledFilters();
    ApplyDecoderSettings();
    RestoreViewWishes();
    raccourcis_->SetSortSetting(&S->RaccourcisSort);
    raccourcis_->FillTable(*actions_);
    Help()->Refresh();
    ScreenSaverWasActive = screenSaver_.Inhibit("Stillpick", "Playing and grabbing video");
    resizeConnected_ = true;
}

void TShowForm::CreateMediaSystem() {
    Media = std::make_unique<TMediaSystem>();
    Media->SetVideoWindow(&preview_);
    Media->ForceDecoder = S->ForceTheDecoder.Value;
}

void TShowForm::ApplySettings() {
    try {
        FitStoredFrameToScreen();
        move(S->Left.Value, S->Top.Value);
        resize(S->MainWidth.Value, S->MainHeight.Value);
        if (S->ReducedOn.Value) Execute("taReduire");
        ShowPanel(S->PanneauActif.Value);
        Widgets().SetVolumeGauge(S->IVolume.Value / 100);
        ShowInlayRecord(S->IncrustRec.Value); // show_form_inlay.cpp
        if (S->FullscreenOn.Value) Execute("tafullscreen");
        if (S->MuteOn.Value) Execute("taMute");
        if (S->VitesseMaxi.Value) Execute("taVitesseMaxi");
        if (S->ModePrecision.Value) Execute("taModePrecision");
        if (S->Filmstrip.Value) Execute("taFilmstrip");
        ApplyOptionBoxes();
        SetModeSelection(SaveMode);
        ImageNumber = S->IFirstImageNum.Value;
        ApplyGrabSettings();
        ShowImageFolderSpace();
    } catch (const std::exception&) {
        // the remaining controls keep their form defaults
    }
}

// A frame larger than the screen would make the window ask for a backing store of that size.
void TShowForm::FitStoredFrameToScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect frame = layout::fitToScreen(S->Left.Value, S->Top.Value, S->MainWidth.Value,
                                            S->MainHeight.Value, screen->availableGeometry());
    S->Left.Value = frame.left();
    S->Top.Value = frame.top();
    S->MainWidth.Value = frame.width();
    S->MainHeight.Value = frame.height();
}

void TShowForm::ShowImageFolderSpace() {
    if (S) Help()->SetImageFolder(S->DossierSave.Value);
}

void TShowForm::ShortcutsLinkClicked() {
    if (!raccourcis_->isVisible()) {
        Execute("taraccourcis");
        return;
    }
    raccourcis_->raise();
    raccourcis_->activateWindow();
}

// The first paint asks about missing filters once, from the event loop (not inside the paint).
void TShowForm::paintEvent(QPaintEvent* event) {
    QMainWindow::paintEvent(event);
    if (firstPaintSeen_) return;
    firstPaintSeen_ = true;
    QTimer::singleShot(0, this, &TShowForm::WarnIfFiltersMissing);
}

void TShowForm::WarnIfFiltersMissing() {
    if (!filtersWarning_ || closed_) return;
    WarnAboutMissingFilters(*filtersWarning_, this, S->AvertirSiFiltresAbsents.Value, HaaliFound,
                            FfdshowVideoFound, FfdshowAudioFound);
}

void TShowForm::ListInstalledFilters() {
    QTextEdit* display = Help()->FiltersText();
    Help()->ClearFiltersText();
    SystemInfoText().clear();
    DiagnosticsLines.clear();
    auto add = [&](const QString& line, const QColor& color, bool bold, bool italic) {
        QTextCharFormat format;
        format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(italic);
        display->setCurrentCharFormat(format);
        AddSystemInfoLine(display, line, color);
        DiagnosticsLines << line;
    };
    add(OsDescription() + ". ", Qt::black, true, false);
    add("DirectX version " + QString::fromStdString(DirectXVersionText()) + ".", Qt::black, true,
        false);
    add("", Qt::black, false, false);
    add("Filters:", Qt::blue, false, true);
    for (const auto& f : kRequiredFilters) {
        const bool present = IsFilterInstalled(f.clsid);
        const QString name = QString::fromUtf8(f.name);
        if (present)
            add(name, Qt::black, false, false);
        else
            add(name + " not found", Qt::red, false, false);
        if (f.clsid == CLSID_FfdshowVideoDecoder) FfdshowVideoFound = present;
        if (f.clsid == CLSID_FfdshowAudioDecoder) FfdshowAudioFound = present;
        if (f.clsid == CLSID_HaaliMediaSplitter) HaaliFound = present;
    }
    // The list is read from its first line (the system), not from where the appending ended.
    display->moveCursor(QTextCursor::Start);
    display->ensureCursorVisible();
    if (Media) Media->DetectInstalledDecoders();
    Widgets().SetDecoderListsVisible(!FfdshowVideoFound, !FfdshowAudioFound);
}

// The view wishes stored at the last closing cannot be applied at the first show (no video
// yet); they are applied once, when the first video stream appears (RefreshAfterGraphChange).
void TShowForm::RestoreViewWishes() {
    if (viewWishesRestored_ || !Media || !Media->HasVideo()) return;
    viewWishesRestored_ = true;
    // The flip, deinterlace and inlay switches are carried out by the view and grab commands;
    // executing their actions applies them when those are attached.
    if (S->WantVertFlip.Value && !Checked("taVertFlip")) Execute("taVertFlip");
    if (S->WantHorzFlip.Value && !Checked("taHorzFlip")) Execute("taHorzFlip");
    if (S->WantDeinter.Value && !Checked("taImagesDeinterlacer")) Execute("taImagesDeinterlacer");
    if (S->WantIncrust.Value && !Checked("taIncruster")) Execute("taIncruster");
}

void TShowForm::closeEvent(QCloseEvent* event) {
    if (closed_) {
        event->accept();
        return;
    }
    if (closing_ || !CloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool TShowForm::CloseQuery() {
    closing_ = true;
    Abort();
    resizeConnected_ = false;
    Help()->StopTimers();
    if (Checked("tafullscreen")) Execute("tafullscreen");
    QCoreApplication::processEvents();
    if (S && SaveMode == pmNone) {
        std::optional<TPrefsMode> choice = AskSaveMode ? AskSaveMode() : std::nullopt;
        if (!choice) {
            closing_ = false;
            resizeConnected_ = shown_;
            return false;
        }
        SetModeSelection(*choice);
    }
    if (S) StoreWindowSettings();
    ReleaseMedia();
    closed_ = true;
    closing_ = false;
    return true;
}

void TShowForm::ReleaseMedia() {
    Timer1.stop();
    if (!Media) return;
    // The view stops receiving pictures before the chains go.
    if (auto* window = dynamic_cast<IVideoWindow*>(preview_.Filter())) window->put_Owner(nullptr);
    try {
        Media->Stop();
    } catch (const std::exception&) {
    }
    try {
        Media->DisconnectVideo();
        Media->DisconnectAudio();
    } catch (const std::exception&) {
    }
    Media->SetVideoWindow(nullptr);
}

} // namespace sp
