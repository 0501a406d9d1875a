#pragma once
// TShowForm: the main window controller. It owns the settings, the media system, the builder
// cache, the scene list, the decoder lists and the window's widgets; it carries out every
// command of the program as an action handler and receives the filters' notifications through
// its message target.
//
// The class is one unit split by theme, one source file each:
//   show_form_startup.cpp   creation, first show, ApplySettings, filter list, closing, end
//   show_form_panels.cpp    composing the window from the panels, side panels, Settings panel
//   show_form_actions.cpp   the handlers attached to the rows of the action table
//   show_form_messages.cpp  notifications 0x401..0x405, file drops, abort
//   show_form_opening.cpp   opening and closing a video, control states
//   show_form_playback.cpp  play, pause, steps, slider, timecode box, maximum speed, streams
//   show_form_savemode.cpp  where the settings are kept, the question at closing
//   show_form_layout.cpp    placement of the video area and the bars
//
// Threads: everything here runs on the user-interface thread. Filters reach the window only
// through `HandleMessage`, called by the message target on this thread (0x401 is sent, the
// streaming thread waiting for the answer; the others are posted).

#include "app/image_writer.h"
#include "app/screen_saver.h"
#include "filters/deinterlacer.h"
#include "filters/scenes.h"
#include "media/grab_builder.h"
#include "media/media_system.h"
#include "media/moniker.h"
#include "platform/system/picture_stretch.h"
#include "settings/settings_catalogue.h"
#include "settings/super_action.h"

#include <QDir>
#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QAction;
class QUrl;
class QSlider; // the inlay position sliders

namespace sp {

class QtMessageTarget;
class TSavePrefsForm;
class TSceneFinder;
class TStripFiller;
class TFilmStrip;
struct FoundScenes;
class TErreurForm;
class TShowFormWidgets;
class TActionList;
class TFiltresWarningForm;
class THelpFrame;
class TRaccourcisForm;
class TCustomScript;
class TScript;
class TSwitch;
class TFrameBitmap;
class PaintThrottle;

class TShowForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TShowForm(QWidget* parent = nullptr);
    ~TShowForm() override;

    // ---- Fixed texts ----
    static QString VersionText();  // "5.0.6"
    static QString LanguageTag();  // "En"
    static QString ProgramTitle(); // "Stillpick 5.0.6 En"
    static QString Signature();    // the parameter list's signature

    // ---- Start-up (show_form_startup.cpp) ----
    // Runs the first-show steps once; show() calls it, tests without a window may too.
    void FormShow();
    void ApplySettings();
    void FitStoredFrameToScreen();
    void ApplyDecoderSettings();
    void ListInstalledFilters();
    bool Shown() const { return shown_; }

    // ---- Side panels and the Settings panel (show_form_panels.cpp) ----
    void ShowPanel(int n);
    void HidePanel();
    void NextPanel();
    void ShowHelpPanel();
    void SelectVideoDecoder(const QString& name);
    void SelectAudioDecoder(const QString& name);
    void VideoDecoderChosen(int index);
    void AudioDecoderChosen(int index);

    // ---- Save mode (show_form_savemode.cpp) ----
    void SetModeSelection(TPrefsMode mode);
    void PrefsModeChanged(int mode);
    void SavePreferencesCommand(const QString& argument);
    // When the program's folder takes no file (installed where the user cannot write), says so
    // through ShowWarning, puts the shown choice back to the current mode and returns true.
    bool PortableModeRefused();
    void StoreWindowSettings();
    // Asks where to keep the settings at closing; nullopt when the question was dismissed.
    // Replaceable (tests); by default the save-mode dialog.
    std::function<std::optional<TPrefsMode>()> AskSaveMode;

    // ---- Notifications (show_form_messages.cpp) ----
    intptr_t HandleMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam);
    void DropFiles(const QList<QUrl>& urls);
    void Abort();

    // ---- Opening (show_form_opening.cpp) ----
    void OpenFile(const QString& pattern);
    void OpenNextFile();
    void PasteFile();
    void LoadVideoFile(const QString& path);
    bool LoadBuilder(TGrabBuilder* builder);
    TGrabBuilder* BuilderForFile(const QString& path);
    void ClearMedia();
    void RefreshAfterGraphChange();
    void CloseVideo();
    static QString OpenDialogFilter(); // the filter in Qt's form
    // Shows a warning box (offscreen: on stderr); replaceable (tests record the order).
    std::function<void(const QString&)> ShowWarning;
    // Shows a failure message when "Traiter Erreurs" is set; replaceable (tests).
    std::function<void(const QString& markup)> ShowErrorReport;

    // ---- Playback and navigation (show_form_playback.cpp) ----
    void PlayPause(bool play);
    enum class Step {
        FrameBack,
        FrameForward,
        SecondBack,
        SecondForward,
        MinuteBack,
        MinuteForward
    };
    void StepBy(Step step);
    void SceneStep(bool forward);

    // ---- Finding the best frame (show_form_bestframe.cpp) ----
    // Goes to the sharpest frame within `radius` frames of the one on screen (pausing first)
    // and grabs it under its own timecode.
    void GrabSharpest(int radius);
    // Where the scenes of the loaded file come from: its scene file, the pictures (found in
    // the background after opening, or still being looked for), or nowhere. A run that ends
    // the program looks for them only when its first scene step needs them (Deferred).
    enum class SceneOrigin { None, File, Finding, Pictures, Deferred };
    SceneOrigin SceneSource() const { return sceneOrigin_; }
    // After a file is loaded: its scene file's scenes, else a search of its pictures.
    void TakeScenesOf(const QString& path);
    // Calls off a search in progress (closing or changing the file).
    void CallOffSceneSearch();
    // The filmstrip under the video (taFilmstrip, the setting "Filmstrip"); its pictures are
    // made on a worker (TStripFiller) and shown as they come, from the position timer.
    void ShowFilmstrip(bool on);
    TFilmStrip* FilmStrip() const { return filmStrip_; }
    void FillFilmstrip();
    void PositionTimerStep();
    void SliderPressed();
    void SliderReleased(int value);
    void TimecodeEntered();   // focus into CurrentEdit
    void TimecodeConfirmed(); // Enter in CurrentEdit
    void TimecodeLeft();      // focus out of CurrentEdit
    void GoToTimecode(const QString& text);
    void MaxSpeedOn();
    void MaxSpeedOff();
    void VideoStreamChosen(int index);
    void AudioStreamChosen(int index);
    void ShowVideoDescription();
    void ShowAudioDescription();

    // ---- Layout (show_form_layout.cpp) ----
    void LayoutWindow();
    void LayoutVideoArea(int a, int b);
    void ApplyDisplayAspect();
    void ChooseDisplayAspect(const TvData& description);
    void PlaceNavigation();

    // ---- Actions (show_form_actions.cpp) ----
    // The action of a row of the table by its name (saGrab ...), or null.
    QAction* Action(const char* name) const;
    bool Checked(const char* name) const;
    void SetChecked(const char* name, bool on);
    void SetEnabled(const char* name, bool on);
    // Runs an action as a user would (through its prepare step).
    void Execute(const char* name);
    // Runs the action named by a script token or switch with an argument, as a script does
    // (tests). False when no action has that name.
    bool ExecuteToken(const QString& token, const QString& argument = {});
    TActionList& Actions() const { return *actions_; }
    static const char* PanelActionName(int n);

    // ---- Script runners (show_form_actions.cpp) ----
    // Makes the command-line runner for `arguments` (without the program name); before the
    // first show. Without it there is no command line to run.
    void CreateRunners(const QStringList& arguments);
    // Runs the command line once (the first activation, or this call, whichever comes first).
    void RunCommandLine();
    TScript* Script() const { return script_; }
    TSwitch* Switch() const { return switch_; }

    // ---- State named by the program (user-interface thread) ----
    bool GraphBuiltOnce = false;
    bool AbortRequested = false;
    bool Seeking = false;
    TGrabBuilder* CurrentBuilder = nullptr;
    std::unique_ptr<TGrabBuilder> EmptyBuilder;
    std::map<QString, std::unique_ptr<TGrabBuilder>> BuilderCache;
    QImage CapturedFrame;
    QImage OutputImage;
    QImage DeinterlaceBuffer;
    QString NextImageName, ImageRoot;
    int64_t ImageNumber = 0;
    uint8_t AspectMode = 1;
    QSize DisplayAspect{4, 3};
    QSize FrameSize, ImageSize, PreviewSize;
    int PanelsLeft = 0, VideoAreaLeft = 276;
    QString OpenFolder;
    QStringList OpenSearch; // the matches of the last pattern, in order
    int OpenSearchIndex = -1;
    int LoopAnchor = -1;
    QPointer<TCustomScript> LoopRunner; // the run whose command index LoopAnchor is
    bool ScreenSaverWasActive = false;
    TAudioSource* MaxSpeedAudioSource = nullptr;
    // What ListInstalledFilters found (kept until the program ends).
    bool FfdshowVideoFound = false, FfdshowAudioFound = false, HaaliFound = false;
    // The diagnostics lines as listed (also in the Help panel and the error report's text).
    QStringList DiagnosticsLines;

    TSceneList Scenes;
    TMonikerStringList VideoDecoders, AudioDecoders;
    std::unique_ptr<TparameterList> Parameters;
    std::unique_ptr<TSettings> S;
    std::unique_ptr<TMediaSystem> Media;
    QTimer Timer1;

    TShowFormWidgets& Widgets() const { return *widgets_; }

    // ---- Grabbing, saving and naming (show_form_grab.cpp) ----
    // The snapshot of the frame on screen into CapturedFrame and OutputImage, shown on the Grab
    // panel. `readPosition`: run the position timer's step first (a precision grab has set the
    // timecode box to its own time already).
    void TakeSnapshot(bool readPosition = true);
    // OutputImage, the snapshot's frame stretched to its image size. The stretch is made when
    // something asks for the whole image (the clipboard): a saved image is stretched by the
    // writer as it encodes, so a run never makes it.
    const QImage& SnapshotOutput();
    // CapturedFrame from the media system (with a video stream), FrameSize, ImageSize for the
    // display aspect, and the top bar's size label ("720 x 576  =>  720 x 405 [16x9}").
    void CaptureFrameAndSizes();
    static QString SizeLabelText(QSize frame, QSize image, uint8_t aspectMode);
    // `showGrabPanel`: show the Grab panel when another one is current (a window resize does not).
    void PlaceSnapshotPreview(bool showGrabPanel = true);
    enum class SaveResult { Saved, Skipped, Cancelled, Failed, Nothing };
    // Saves OutputImage under NextImageName, asking first when that file exists and "Confirmer
    // Image" is set.
    SaveResult ConfirmAndSaveImage();
    // Writes OutputImage (in the chosen format, at its quality, with EXIF) under NextImageName,
    // replacing a file there; false, with the system's reason shown and nothing of the naming
    // changed, when it cannot be written.
    bool SaveImage();
    void UpdateNextImageName();
    void BuildNumberedName();
    void BuildTimestampName();
    void UpdateRoot();
    void OpenImageFolder();
    void CopySnapshotToClipboard();
    // Fills the Folders panel and the intervalometer bar from the settings (ApplySettings).
    void ApplyGrabSettings();
    // The overwrite question; replaceable (tests). By default a warning box with Yes, No, Cancel
    // and Yes to All; with no one to answer it (offscreen) No, said on stderr.
    enum class Overwrite { Yes, No, Cancel, YesToAll };
    std::function<Overwrite(const QString& text)> AskOverwrite;
    Overwrite AskOverwriteBox(const QString& text);
    // Opens the file browser on a file or folder; replaceable (tests).
    std::function<bool(const QString& path)> OpenInFileBrowser;
    // The last snapshot has not been saved yet.
    bool SnapshotUnsaved = false;
    // A save of a run is still being written in the background (its outcome not yet counted).
    bool SaveInFlight() const { return writer_ && writer_->Pending(); }

    // ---- Intervalometer (show_form_interval.cpp) ----
    void ComputeIntervalCount();
    // "5Seconds", "10 frames", "2Minutes": sets the interval and shows the bar; false (nothing
    // changed) without a unit word.
    bool ParseIntervalArgument(const QString& argument);
    void StartIntervalRun();
    void StopIntervalRun();
    // One precision grab at `position` (0x401): the frame is copied out of `bitmap` (the frame
    // bitmap the stream holds during the message; 0: the media system's) at once, and the shot
    // goes on (GrabShot) after the reply, while the stream decodes the next frames.
    void GrabTimeHandler(int64_t position, intptr_t bitmap = 0);
    bool IntervalRunning() const { return intervalRunning_; }
    int64_t IntervalLength = 0, IntervalStart = 0, RemainingShots = 0;
    int64_t IntervalShots = 0; // shots counted when the run started
    TAudioSource* SavedAudioSource = nullptr;

    // ---- View, sound and inlay (show_form_view.cpp, show_form_sound.cpp,
    //      show_form_inlay.cpp, show_form_decalage.cpp) ----
    // View.
    void ForceDisplayAspect(int forced); // the four ratio actions
    void FullScreenOn();
    void FullScreenOff();
    bool FullScreenShown() const; // the backdrop is visible
    void ReduceWindow();
    void RestoreWindow();
    void MirrorWindow();
    void SetVerticalFlip(bool on);
    void SetHorizontalFlip(bool on);
    void SetInlay(bool on);
    void SetDeinterlace(bool on);
    void RefreshPicture();
    void ShowSliders();
    void HideSliders();
    // Sound.
    void ApplyVolume();
    void ChangeVolume(int delta); // +1000 / -1000, kept within 0..10000
    void MuteOn();
    void MuteOff();
    // Inlay settings: the record is the setting "IncrustRec".
    TincrustRec& InlayRecord();
    void ShowInlayRecord(const TincrustRec& record);
    void ApplyInlay();
    void HandInlayRecord(); // to the renderer only, no redraw
    void SetInlayKind(uint8_t kind);
    void InlayOff();
    void InlayFontCommand(const QString& argument);
    void InlayFontChosen();
    void FontSizeCommand(const QString& argument);
    void FontSizeChanged();
    void SetInlayStyle(int style, bool on); // 0 bold, 1 italic, 2 underline
    void InlayColorChosen(int32_t bgr);
    void FontColorCommand(const QString& argument);
    void SetBorderSize(int32_t size);
    void SetInlayAlignment(int alignment); // 3: subtitle, through the X slider
    void SetDateFormat(int line, const QString& format);
    void SetTemplate(int line, const QString& text);
    void XsliderChanged(int value);
    void YsliderChanged(int value);
    void InlayTextFieldEntered();
    void InlayTextFieldLeft();
    // Time difference.
    void ShowDecalagePanel();
    void HideDecalagePanel();
    void DecalageChange();
    void ResetDecalage();
    void DecalageCommand(const QString& argument);
    double OldDate = 0, NewDate = 0;
    // The inlay position sliders (children of the client widget).
    QSlider* Xslider = nullptr;
    QSlider* Yslider = nullptr;
    class Tplaque* Plaque() const {
        return plaque_;
    }

    // ---- Filter environment, Help, About, shortcuts (show_form_startup.cpp) ----
    // The Help panel shows the free space where the images go; call after "DossierSave" changed.
    void ShowImageFolderSpace();
    // The named link "F11" of the help text: shows the shortcuts window, or raises it.
    void ShortcutsLinkClicked();
    THelpFrame* Help() const;
    TRaccourcisForm* Raccourcis() const { return raccourcis_; }
    // Made at the first show (it changes "Avertir si Filtres Absents"); null before.
    TFiltresWarningForm* FiltersWarning() const { return filtersWarning_.get(); }
    bool FilterEnvironmentStarted() const { return filterEnvironmentStarted_; }

private:
    void BindViewActions();
    void BindInlayActions();
    void ConnectInlayPanel();
    void AddDecalageCommand(); // the script command saDecalage
    // LayoutVideoArea's full-screen and reduced cases: the video panel filling a reduced window,
    // the picture on the backdrop (true: laid out there, the panel is left as it is).
    bool PlaceVideoForView(int a, int b);
    void PlaceInlaySliders(const QPoint& vertical, int height, const QPoint& horizontal, int width);
    void SetEditorsFromOldDate();
    class TIncrusterFrame* InlayPanel() const;
    class Tplaque* plaque_ = nullptr; // child window of the main window
    bool verticalFlip_ = false, horizontalFlip_ = false, inlayOn_ = false, deinterlace_ = false;
signals:
    // After a file was loaded or closed (the controls follow the graph).
    void GraphChanged();
    // After a file was loaded: the image root (ImageRoot) was set for it; the naming of the
    // saved images follows.
    void ImageRootChanged();
    // The position timer ran (the timestamp naming follows the position).
    void PositionShown(int64_t position);
    // A precision grab is due (0x401): the frame bitmap `bitmap` holds the frame of `position`.
    // The streaming thread waits until the connected slots return.
    void GrabTimeReached(int64_t position, intptr_t bitmap);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Start-up and closing.
    void CreateMediaSystem();
    bool CloseQuery();
    void ReleaseMedia();
    void AttachVideoWindow();
    void RestoreViewWishes();
    void Warn(const QString& text);

    // Panels and widgets.
    void ComposeWindow();
    void ConnectWidgets();
    void BindActions();
    void CreateScriptRunner();
    void GiveUpStepsBackIfQuitting(const TCustomScript& runner);
    bool EndsWhenDone() const { return Media && !Media->StepsBack; }
    void AskForVideoFile();
    void AskForScriptFile();
    void StopRunners();
    void ApplyOptionBoxes();
    void OptionBoxClicked(int index, bool on);
    void SetOptionAction(int index, bool on);
    void FillDecoderList(TMonikerStringList& list, bool video);

    // Opening.
    void ShowVideoControls();
    void ShowNoVideoControls();
    void EnableAudioControls();
    void DisableAudioControls();
    void FillSourceLists();
    void ShowSideFileIndicators(const QString& path);
    void SetImageRootAtLoad(const QString& path);
    void ReportFailure(const QString& markup);
    void ShowInFileBrowser();
    TCustomScript* InnermostRunner() const;

    // Playback.
    QString Timecode(int64_t position) const;
    // The video's frame duration (100 ns), a 25 fps frame while the stream does not say.
    int64_t FrameLength() const;
    void StartTimer1IfStreams();
    // Runs `move` (seeks, steps) with the position timer stopped and Seeking set, so that no
    // tick or stream report writes over the position meanwhile; a seek the graph refuses leaves
    // the frame shown (said on stderr under `what` when given).
    void MoveHeld(const std::function<void()>& move, const char* what = nullptr);
    void SetPlayImage();

    static constexpr int kOptionCount = 7;
    static const char* OptionActionName(int index);

    std::unique_ptr<TShowFormWidgets> widgets_;
    TActionList* actions_ = nullptr; // child of the window
    TScript* script_ = nullptr;      // child of the window
    TSwitch* switch_ = nullptr;      // child of the window
    QString dialogChoice_;           // the open dialog's last choice, opened as it is
    bool noneChosen_ = false;        // "save nothing" chosen by the user or a script this run
    std::shared_ptr<QtMessageTarget> target_;
    std::unique_ptr<TSavePrefsForm> savePrefsForm_;
    TErreurForm* erreurForm_ = nullptr; // child of the window
    TScreenSaverInhibitor screenSaver_;
    TFilterComponent preview_;
    TFilterComponent sharedSound_;
    TBuilderEnvironment env_;
    bool shown_ = false;
    bool resizeConnected_ = false;
    bool closing_ = false;
    bool closed_ = false;
    bool sliderHeld_ = false;
    bool viewWishesRestored_ = false;
    QRect videoPanelRect_, grabPanelRect_; // from the last window layout

    // Grabbing and the intervalometer.
    void BindGrabCommands();
    void BindNamingCommands();
    void BindFormatCommands(); // png, webp, jxl, avif
    void BindIntervalCommands();
    void BindBestFrameCommands();
    void ScenesFound(const QString& path, const FoundScenes& found);
    void ShowSceneSource();
    void ShowSceneSteps();
    void FindDeferredScenes();
    TSceneFinder* sceneFinder_ = nullptr; // child of the window
    // The filmstrip (show_form_strip.cpp).
    void BindStripCommands();
    void OpenStripFiller();
    void GoToStripFrame(int offset);
    // The strip's rectangle in the video panel under the navigation bar; the video panel's
    // height left for the video when the strip is shown.
    int VideoPanelHeightForVideo() const;
    void PlaceFilmstrip();
    TFilmStrip* filmStrip_ = nullptr;     // child of the video panel
    TStripFiller* stripFiller_ = nullptr; // child of the window
    SceneOrigin sceneOrigin_ = SceneOrigin::None;
    void ChooseTimestampNames();
    void ChooseNumberedNames();
    void NamingChanged();
    void ConnectGrabWidgets();
    void ConnectFolderPanel();
    void SetNameLabelSaved(bool saved);
    void ClearSnapshot();
    bool VideoLoaded() const;
    void GoBackToSnapshot();
    void VideoMousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void ShowIntervalProgress();
    void RunNormalShots();
    void SaveFailedDuringRun();
    Deinterlacer deinterlacer_;
    PictureStretcher stretcher_; // the snapshot onto OutputImage, taps kept between grabs
    // The last snapshot's frame (deinterlaced, shared with CapturedFrame until the next capture
    // writes) and the size of its image; OutputImage is null while not yet stretched.
    QImage snapshotFrame_;
    QSize snapshotSize_;
    // A still of deep video saved as PNG keeps 16 bits a channel (show_form_deep.cpp): the
    // captured frame's time and whether the comb repair went over it, and the snapshot's frame
    // read again at 16 bits (null when the still is 8-bit).
    int64_t captureTime_ = 0;
    bool captureRepaired_ = false;
    QImage snapshotDeep_;
    std::unique_ptr<class TDeepFrames> deepFrames_;
    QImage DeepSnapshot();
    std::array<QImage, 4> captureBuffers_; // CapturedFrame is one of them
    size_t nextCaptureBuffer_ = 0;
    bool intervalRunning_ = false;
    bool runSaveFailed_ = false;
    bool runPrecise_ = false;
    // Runs take, for each shot, the sharpest frame within kIntervalSharpRadius of its time: the
    // bar's "Sharpest" box, which an argument sets (with the word "sharpest") or clears. A run
    // reads it at its start (runSharpest_) and then seeks shot by shot, in either mode.
    bool intervalSharpest_ = false;
    bool runSharpest_ = false;
    static constexpr int kIntervalSharpRadius = 2;
    QString lastSaveError_;
    // Saves during a run are made and written in the background, one at a time, each
    // snapshot's file begun as the snapshot is taken; their outcome is collected before the
    // next snapshot, at the stop of the run and on kImageWritten.
    static constexpr uint32_t kImageWritten = 0x406; // posted for the writer: wParam = sequence
    TImageWriter& Writer();
    TImageWriter::Job SaveJob(const QString& timecode) const;
    void AddRecordingFacts(ImageMetadata& metadata) const;
    uint64_t snapshotPrepared_ = 0; // the writer's sequence of the snapshot's file, 0: none
    bool FinishPendingSave();       // false: the image in flight could not be written
    void ImageSaved();
    void ImageNotSaved(const std::string& path, const std::string& reason);
    void ImageWritten(uint64_t sequence);
    std::unique_ptr<TImageWriter> writer_;
    // The still format (show_form_formats.cpp): the chosen one becomes the format choice, the
    // extension of the next name and, with a quality, the slider's quality; `quality` (a
    // script's argument, an empty text keeping the stored one) sets it first.
    void ChooseStillFormat(ImageFormat format, const QString& quality = {});
    void ShowFormatQuality();
    QString StillExtension() const;
    bool backgroundSaves_ = false;
    // The snapshot in steps: the copy of the frame, deinterlaced (CapturedFrame, FrameSize), the
    // sizes for the display aspect, then stretching and the Grab panel.
    // `time`: the frame's time when the bitmap is a stream's grab (else the position is read).
    void CaptureFrame(TFrameBitmap* bitmap, int64_t time = 0);
    void ApplyFrameSizes();
    void FinishSnapshot();                      // HoldSnapshot, then ShowSnapshot
    bool HoldSnapshot(const QString& timecode); // keeps the frame (begins its file in runs)
    bool ShowSnapshot();                        // collects the image in flight, then the Grab panel
    void GrabShot(const QString& timecode);     // the rest of a precision grab, after the reply
    void SaveShot(const QString& timecode);     // a precision shot kept: shown, saved, counted
    void SaveWaitingShot();                     // the shot held, if any
    // A precision shot held while the shot before is still being made or written: its timecode.
    std::optional<QString> waitingShot_;
    bool grabShotQueued_ = false; // set by GrabTimeHandler for the 0x401 being handled
    // On during runs: the window is painted a few times a second, not at every shot.
    PaintThrottle* runPaints_ = nullptr; // child of the window, made by the first run
    QString titleBeforeRun_;
    // Filter environment, missing-filters warning, shortcuts window.
    void WarnIfFiltersMissing();
    TRaccourcisForm* raccourcis_ = nullptr;               // child of the window (a tool window)
    std::unique_ptr<TFiltresWarningForm> filtersWarning_; // uses the settings: goes before them
    bool filterEnvironmentStarted_ = false;
    bool firstPaintSeen_ = false;
};

} // namespace sp
