// Opening a video (dialog or pattern, the script loop, paste, drop), the loading routine, and
// bringing the controls in line with the graph afterwards.

#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include "app/panels/film_strip.h"
#include "app/strip_filler.h"

#include "media/capture_devices.h"
#include "platform/graph/interfaces.h"
#include "platform/system/shell_ops.h"
#include "settings/command_line.h"
#include "settings/script.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCollator>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace sp {

namespace {

// Names longer than this are not opened (the limit of the system's file lists).
constexpr int kMaxPathLength = 65531;

const char* const kVideoPatterns[] = {"*.avi", "*.ivf", "*.mpg", "*.mpeg", "*.m1v", "*.mp2",
                                      "*.mpe", "*.wmv", "*.asf", "*MTS",   "*m2ts", "*.ts",
                                      "*.vob", "*.mkv", "*.mov", "*.mp4",  "*.3g2", "*.m4v"};

// Ordinary files of `folder` matching `pattern`, in name order. A pattern without wildcards
// names exactly one file.
QStringList MatchingFiles(const QString& folder, const QString& pattern) {
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    if (const std::optional<QString> name = LiteralOpenName(pattern))
        return QFileInfo(dir.filePath(*name)).isFile() ? QStringList{*name} : QStringList{};
    // No folders, hidden or special files.
    QStringList names = dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    names.removeIf([&](const QString& name) { return !MatchesOpenPattern(name, pattern); });
    QCollator order;
    order.setNumericMode(true);
    std::sort(names.begin(), names.end(),
              [&](const QString& a, const QString& b) { return order.compare(a, b) < 0; });
    return names;
}

QString WithExtension(const QString& path, const QString& extension) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    const int dot = name.lastIndexOf('.');
    const QString base = dot < 0 ? name : name.left(dot);
    return path.left(path.size() - name.size()) + base + extension;
}

} // namespace

QString TShowForm::OpenDialogFilter() {
    QStringList patterns;
    for (const char* p : kVideoPatterns)
        patterns << QString::fromLatin1(p);
    return "Video Files (" + patterns.join(' ') + ");;All files(*.*) (*)";
}

void TShowForm::OpenFile(const QString& pattern) {
    CommandBusy = true;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        const int slash = pattern.lastIndexOf('/');
        OpenFolder = slash < 0 ? QString() : pattern.left(slash + 1);
        const QString namePattern = pattern.mid(slash + 1);
        // The open dialog's choice names one file, whatever characters its name holds.
        const bool chosen = !dialogChoice_.isNull() && pattern == dialogChoice_;
        dialogChoice_.clear();
        OpenSearch = chosen
                         ? (QFileInfo(pattern).isFile() ? QStringList{namePattern} : QStringList{})
                         : MatchingFiles(OpenFolder, namePattern);
        OpenSearchIndex = OpenSearch.isEmpty() ? -1 : 0;
        if (!OpenSearch.isEmpty()) {
            LoadVideoFile(OpenFolder + OpenSearch.front());
            // The loop returns into the innermost run: a script started from the command line
            // loops inside the script.
            LoopRunner = InnermostRunner();
            if (LoopRunner) LoopAnchor = LoopRunner->Position;
        }
    } catch (const std::exception&) {
    }
    QGuiApplication::restoreOverrideCursor();
    CommandBusy = false;
}

void TShowForm::OpenNextFile() {
    if (OpenSearchIndex < 0) return;
    ++OpenSearchIndex;
    if (OpenSearchIndex >= OpenSearch.size()) {
        OpenSearchIndex = -1; // the search ends; the script goes on with its next command
        OpenSearch.clear();
        return;
    }
    LoadVideoFile(OpenFolder + OpenSearch[OpenSearchIndex]);
    if (LoopRunner && LoopRunner->Executing()) LoopRunner->Position = LoopAnchor;
}

void TShowForm::PasteFile() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (data && data->hasUrls()) {
            QStringList files;
            for (const QUrl& url : data->urls())
                if (url.isLocalFile()) files << url.toLocalFile();
            if (!files.isEmpty()) {
                if (files.size() > 1) ShowWarning("Only one file is activated.");
                if (files.front().size() < kMaxPathLength) LoadVideoFile(files.front());
            }
        } else {
            SetEnabled("saPaste", false);
        }
    } catch (const std::exception&) {
    }
    QGuiApplication::restoreOverrideCursor();
}

void TShowForm::DropFiles(const QList<QUrl>& urls) {
    QStringList files;
    for (const QUrl& url : urls)
        if (url.isLocalFile()) files << url.toLocalFile();
    if (files.isEmpty()) return;
    if (files.front().size() < kMaxPathLength) {
        LoadVideoFile(files.front());
        if (files.size() > 1) ShowWarning("Only one file is activated.");
    }
}

TGrabBuilder* TShowForm::BuilderForFile(const QString& path) {
    auto found = BuilderCache.find(path);
    if (found != BuilderCache.end()) return found->second.get();
    auto builder = std::make_unique<TGrabBuilder>(path.toStdString(), env_);
    TGrabBuilder* raw = builder.get();
    BuilderCache.emplace(path, std::move(builder));
    return raw;
}

void TShowForm::LoadVideoFile(const QString& path) {
    try {
        LoadScenes(Scenes, std::filesystem::path(WithExtension(path, ".scn").toStdString()));
        const QString ext = QString::fromStdString(LowerExtension(path.toStdString()));
        Timer1.stop();
        Widgets().SetFileLabel("Loading " + QFileInfo(path).fileName(), false);
        if (Checked("taPlayPause")) Execute("taPlayPause");
        ClearMedia();
        QCoreApplication::processEvents();
        if (closing_ || closed_) return; // closed meanwhile: the loading is abandoned
        TGrabBuilder* builder = BuilderForFile(path);
        if (builder->Failed) {
            const QString suffix = HaaliFound ? "." : ", in particular Haali Media Splitter.";
            ReportFailure("The file <color Maroon>" + path +
                          "</color> has not been recognized by Stillpick on your "
                          "system.<br><br>Please check if all necessary filters have been "
                          "installed" +
                          suffix);
            LoadBuilder(EmptyBuilder.get());
            RefreshAfterGraphChange();
            return;
        }
        const bool loaded = LoadBuilder(builder);
        if (closing_ || closed_) return;
        if (loaded) {
            // LoadBuilder ended with a refresh (and a seek that decodes the first picture);
            // only a graph the speed rule changed is refreshed again.
            if (S->MtsEnVitesseMaxi.Value) {
                const bool isTs = ext == ".mts" || ext == ".m2ts";
                if (isTs != S->VitesseMaxi.Value) {
                    Execute("taVitesseMaxi");
                    RefreshAfterGraphChange();
                }
            }
            ShowSideFileIndicators(path);
            TakeScenesOf(path);
            OpenStripFiller();
            ApplyDisplayAspect();
            SetImageRootAtLoad(path);
            emit ImageRootChanged();
            return;
        }
        const QString suffix =
            FfdshowVideoFound && FfdshowAudioFound ? "." : ", in particular ffdshow.";
        ReportFailure("The file <color Maroon>" + path +
                      "</color> cannot be processed by Stillpick on your system.<br><br>Please "
                      "check if all necessary filters or codecs have been installed" +
                      suffix);
        LoadBuilder(EmptyBuilder.get());
        RefreshAfterGraphChange();
    } catch (const std::exception&) {
    }
}

bool TShowForm::LoadBuilder(TGrabBuilder* builder) {
    try {
        CurrentBuilder = builder;
        FillSourceLists();
        TVideoSource* video =
            builder->VideoSources.empty() ? &NoVideo() : builder->VideoSources.front();
        TAudioSource* audio =
            builder->AudioSources.empty() ? &NoAudio() : builder->AudioSources.front();
        Widgets().SelectStreams(0, 0);
        if (S->VitesseMaxi.Value) {
            MaxSpeedAudioSource = audio;
            audio = &NoAudio();
            Media->SetMaxSpeed(1);
        } else {
            Media->SetMaxSpeed(0);
        }
        if (video == &NoVideo() && S->VitesseMaxi.Value) Execute("taVitesseMaxi");
        QCoreApplication::processEvents();
        if (closed_) return false; // no graph is built for a window that closed meanwhile
        Media->ForceDecoder = S->ForceTheDecoder.Value;
        if (!Media->SelectSources(video, audio)) return false;
        AttachVideoWindow();
        QCoreApplication::processEvents();
        if (closed_) return false;
        GraphBuiltOnce = true;
        RefreshAfterGraphChange();
        Widgets().SetFileLabelLoaded(
            "Current video loaded in Stillpick.\r\nClick to open the parent folder.");
        Widgets().SetDurationText(Timecode(Media->Duration));
        StartTimer1IfStreams();
        // A file whose start cannot be sought was replaced by the empty builder meanwhile.
        return CurrentBuilder == builder;
    } catch (const std::exception&) {
        return false;
    }
}

// The preview renderer is created anew whenever its component joins a graph, so the video
// view is given to it after every chain build.
void TShowForm::AttachVideoWindow() {
    if (auto* window = dynamic_cast<mf::IVideoWindow*>(preview_.Filter())) {
        window->put_Owner(Widgets().VideoSurface());
        window->put_Visible(true);
    }
}

void TShowForm::ClearMedia() {
    CallOffSceneSearch();
    if (stripFiller_) stripFiller_->Close();
    if (filmStrip_) filmStrip_->hide();
    try {
        if (Media) Media->CloseSources();
    } catch (const std::exception&) {
    }
}

void TShowForm::CloseVideo() {
    ClearMedia();
    LoadBuilder(EmptyBuilder.get());
    RefreshAfterGraphChange();
}

void TShowForm::RefreshAfterGraphChange() {
    try {
        if (Media->HasVideo()) AttachVideoWindow(); // a rebuilt video chain has a new renderer
        if (Media->HasVideo())
            ShowVideoControls();
        else
            ShowNoVideoControls();
        if (Media->HasAudio())
            EnableAudioControls();
        else
            DisableAudioControls();
        ClearSnapshot();
        Widgets().SetAudioGroupVisible(Media->MaxSpeed != 1);
        ShowSceneSteps();
        Widgets().SetNavigationVisible(Media->HasVideo() || Media->HasAudio());
        Widgets().ShowIndicators(false, false, false);
        Media->SetVolume(S->MuteOn.Value ? 0 : S->IVolume.Value);
        if (Media->Seek(0)) {
            Widgets().SetFileLabel(QString::fromStdString(CurrentBuilder->Caption), true);
            ApplyDisplayAspect();
            if (Media->HasVideo()) RestoreViewWishes();
        } else {
            QString text = "The file <color Maroon>" +
                           QString::fromStdString(CurrentBuilder->Caption) +
                           "</color> cannot be processed by Stillpick on your system.<br><br>Check "
                           "if it may be corrupt<br><br>";
            if (Media->ForceDecoder && FfdshowVideoFound)
                text += "You can also inactivate the decoder ffdshow on the settings page (F10)";
            ReportFailure(text);
            ClearMedia();
            LoadBuilder(EmptyBuilder.get());
            RefreshAfterGraphChange();
        }
    } catch (const std::exception&) {
    }
    StartTimer1IfStreams();
    emit GraphChanged();
}

void TShowForm::StartTimer1IfStreams() {
    if (Media && (Media->HasVideo() || Media->HasAudio()))
        Timer1.start();
    else
        Timer1.stop();
}

namespace {
const char* const kVideoActions[] = {
    "taSliders", "taIncruster", "taVertFlip",       "taHorzFlip",    "tafullscreen",
    "saGrab",    "saCopier",    "taIntervalloShow", "taVitesseMaxi", "saGrabSharpest"};
const char* const kAudioActions[] = {"taMute", "saIncVolume", "saDecVolume"};
} // namespace

void TShowForm::ShowVideoControls() {
    Widgets().SetVideoShown(true);
    for (const char* name : kVideoActions)
        SetEnabled(name, true);
    SetPlayImage();
}

void TShowForm::ShowNoVideoControls() {
    Widgets().SetVideoShown(false);
    Widgets().SetTopBarVisible(Media && Media->HasAudio());
    if (Checked("taSliders")) Execute("taSliders");
    for (const char* name : kVideoActions)
        SetEnabled(name, false);
    Widgets().SetPlayImage(TShowFormWidgets::PlayImage::NoVideo);
}

void TShowForm::EnableAudioControls() {
    Widgets().SetAudioShown(true);
    for (const char* name : kAudioActions)
        SetEnabled(name, true);
}

void TShowForm::DisableAudioControls() {
    Widgets().SetAudioShown(false);
    for (const char* name : kAudioActions)
        SetEnabled(name, false);
}

void TShowForm::FillSourceLists() {
    QStringList video, audio;
    for (auto* v : CurrentBuilder->VideoSources)
        video << QString::fromStdString(v->StreamName);
    video << QString::fromStdString(NoVideo().StreamName);
    for (auto* a : CurrentBuilder->AudioSources)
        audio << QString::fromStdString(a->StreamName);
    audio << QString::fromStdString(NoAudio().StreamName);
    Widgets().SetStreamLists(video, audio);
}

void TShowForm::ShowSideFileIndicators(const QString& path) {
    Widgets().ShowIndicators(QFileInfo::exists(WithExtension(path, ".scn")),
                             QFileInfo::exists(WithExtension(path, ".srt")),
                             QFileInfo::exists(path + ".modd"));
}

void TShowForm::SetImageRootAtLoad(const QString& path) {
    if (S->INomFichierImage.Value == 0) {
        ImageRoot = S->DefaultRacine.Value;
    } else if (S->INomFichierImage.Value == 1) {
        const QString name = QFileInfo(path).fileName();
        int n = name.indexOf('.'); // characters before the first dot; none without a dot
        if (n < 0) n = 0;
        if (S->LimiterLongueur.Value && S->IRacineLength.Value < n)
            n = std::max(0, S->IRacineLength.Value);
        ImageRoot = name.left(n);
    }
}

void TShowForm::ReportFailure(const QString& markup) {
    if (S && S->TraiterErreurs.Value && ShowErrorReport) ShowErrorReport(markup);
}

void TShowForm::ShowInFileBrowser() {
    const QString path = CurrentBuilder ? QString::fromStdString(CurrentBuilder->FileName) : "";
    if (!path.isEmpty()) sp::ShowInFileBrowser(path);
}

} // namespace sp
