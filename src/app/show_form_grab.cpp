// Taking a snapshot of the frame on screen, saving it under the next image name (with the
// overwrite question), the image sizes and the size label, the Grab panel, the clipboard and
// the image folder in the file browser.

#include "app/deep_frames.h"
#include "app/save_prefs_form.h" // NoOneCanAnswer
#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include "app/image_naming.h"
#include "app/layout_rules.h"
#include "app/panels/bottom_strip.h"
#include "app/panels/dossiers_frame.h"
#include "app/panels/extraire_frame.h"
#include "app/panels/top_bar.h"
#include "app/video_panel.h"
#include "app/video_view.h"
#include "describe/day_count.h"
#include "filters/frame_bitmap.h"
#include "platform/system/image_files.h"
#include "platform/system/picture_image.h"
#include "platform/system/picture_stretch.h"
#include "platform/system/qt_message_target.h"
#include "platform/system/shell_ops.h"
#include "settings/action_table.h"
#include "settings/still_format.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>

namespace sp {

namespace {

const QColor kButtonFace(0xF0, 0xF0, 0xF0);
const QColor kSavedColour(0xC0, 0xDC, 0xC0);
constexpr int kPreviewMargin = 12;
constexpr int kPreviewAboveVideoBottom = 56;
// The labels above the picture need this much room under the panel's title.
constexpr int kLowestPreviewTop = 72;
constexpr int kMaxImageSide = 65500; // what the stretch and the image files take

// Presses of any mouse button on the video window, with the keys held.
class MousePressWatcher final : public QObject {
public:
    using Handler = std::function<void(Qt::MouseButton, Qt::KeyboardModifiers)>;
    MousePressWatcher(QObject* parent, Handler handler)
        : QObject(parent), handler_(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            handler_(mouse->button(), mouse->modifiers());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    Handler handler_;
};

// `into` := the frame bitmap's B, G, R, x pixels, made opaque (Qt's RGB32 wants 0xFF there),
// repaired by `deinterlacer` when there is one, in one pass over the picture. `into` has the
// frame's size. `upsideDown`: the frame is the video flipped top to bottom.
void CaptureInto(const TFrameBitmap& frame, QImage& into, Deinterlacer* deinterlacer,
                 bool upsideDown) {
    const ConstFrameView source{frame.Bits(), frame.Width(), frame.Height(),
                                std::ptrdiff_t(frame.Stride())};
    const FrameView target{into.bits(), into.width(), into.height(), into.bytesPerLine(), 32};
    if (deinterlacer) {
        deinterlacer->Deinterlace(source, target, true, upsideDown);
        return;
    }
    for (int y = 0; y < frame.Height(); ++y) { // one pass: read, make opaque, write
        auto* out = reinterpret_cast<uint32_t*>(into.scanLine(y));
        const uint8_t* in = frame.Row(y);
        for (int x = 0; x < frame.Width(); ++x, in += 4) {
            uint32_t pixel;
            std::memcpy(&pixel, in, 4);
            out[x] = pixel | 0xFF000000u;
        }
    }
}

// A buffer of `size` to capture into that no one else holds: one of `buffers` when one is free
// (no snapshot, preview or image being written shares it any more), else a new one in the
// place of the one after the last taken. A run so writes its frames into the same few
// buffers rather than into fresh memory every time.
QImage& FreeBuffer(std::span<QImage> buffers, QSize size, size_t& next) {
    for (QImage& buffer : buffers)
        if (buffer.size() == size && buffer.format() == QImage::Format_RGB32 && buffer.isDetached())
            return buffer;
    QImage& replaced = buffers[next];
    next = (next + 1) % buffers.size();
    replaced = NewPictureImage(size.width(), size.height()); // null when there is no memory
    return replaced;
}

PictureView ViewOf(const QImage& image) {
    return {image.constBits(), image.width(), image.height(), int(image.bytesPerLine())};
}

layout::VideoShape ShapeOf(const TvData& info) {
    return {info.Width, info.Height, info.Aspect};
}

} // namespace

// ---- Sizes ----

QString TShowForm::SizeLabelText(QSize frame, QSize image, uint8_t aspectMode) {
    if (frame.width() < 1 || frame.height() < 1) return {};
    static const char* const kSuffixes[] = {"", " [4x3]", " [16x9}", " [native]"};
    const char* suffix = aspectMode < 4 ? kSuffixes[aspectMode] : "";
    return QString("%1 x %2  =>  %3 x %4%5")
        .arg(frame.width())
        .arg(frame.height())
        .arg(image.width())
        .arg(image.height())
        .arg(QLatin1String(suffix));
}

void TShowForm::CaptureFrameAndSizes() {
    CaptureFrame(nullptr);
    ApplyFrameSizes();
}

bool TShowForm::VideoLoaded() const {
    return Media && Media->HasVideo();
}

void TShowForm::CaptureFrame(TFrameBitmap* bitmap, int64_t time) {
    if (!VideoLoaded()) {
        FrameSize = QSize(0, 0);
        return;
    }
    captureTime_ = bitmap ? time : Media->GetPosition();
    // Combs are repaired on the way in, so the frame is read and written once.
    Deinterlacer* deinterlacer = S && S->InternalDeinterlacer.Value ? &deinterlacer_ : nullptr;
    auto capture = [&](const TFrameBitmap& frame) {
        CapturedFrame = QImage(); // its buffer may be free once this share is gone
        QImage& into =
            FreeBuffer(captureBuffers_, QSize(frame.Width(), frame.Height()), nextCaptureBuffer_);
        if (!into.isNull()) CaptureInto(frame, into, deinterlacer, verticalFlip_);
        captureRepaired_ = deinterlacer != nullptr;
        CapturedFrame = into;
    };
    bool empty = true;
    if (bitmap) { // the stream waits in its message: read its bitmap in place
        std::lock_guard lock(*bitmap);
        empty = bitmap->Empty();
        if (!empty) capture(*bitmap);
    } else { // read in place as well: a copy first would cost a picture's memory and time
        Media->ReadCurrentFrame([&](const TFrameBitmap& frame) {
            empty = frame.Empty();
            if (!empty) capture(frame);
        });
    }
    FrameSize = empty || CapturedFrame.isNull() ? QSize(0, 0) : CapturedFrame.size();
}

void TShowForm::ApplyFrameSizes() {
    const bool video = Media && Media->HasVideo();
    const QSize captured = FrameSize;
    ApplyDisplayAspect();
    // The layout sized the image for the stream's description; the saved image follows the
    // picture actually captured.
    FrameSize = captured;
    if (video) {
        const layout::Aspect a = layout::displayAspectFor(AspectMode, ShapeOf(Media->VideoInfo));
        ImageSize = layout::fitAspect(a.a, a.b, QRect(QPoint(0, 0), captured), true, 0).size();
    }
    // The label gives the size as stored, then the image's: a phone's portrait picture, stored
    // lying on its side, reads 1280 x 720  =>  720 x 1280.
    QSize stored = FrameSize;
    if (video && mf::PictureOrientation::fromPacked(Media->VideoInfo.Orientation).swapsSides())
        stored.transpose();
    Widgets().TopBar->setSizeText(SizeLabelText(stored, ImageSize, AspectMode));
}

// ---- Snapshot ----

void TShowForm::TakeSnapshot(bool readPosition) {
    if (!S || !Media) return;
    if (readPosition) PositionTimerStep();
    if (S->IImageAjouter.Value == 1) BuildTimestampName();
    CaptureFrameAndSizes();
    FinishSnapshot();
}

void TShowForm::FinishSnapshot() {
    SaveWaitingShot(); // a run's shot goes before another snapshot
    if (HoldSnapshot(Widgets().TimecodeText())) ShowSnapshot();
}

bool TShowForm::HoldSnapshot(const QString& timecode) {
    if (FrameSize.isEmpty() || CapturedFrame.height() <= 0) return false;
    const QSize size = ImageSize.isEmpty() ? CapturedFrame.size() : ImageSize;
    if (size.width() > kMaxImageSide || size.height() > kMaxImageSide) return false;
    // Shared: the next capture writes into a buffer of its own. The stretched image is made
    // when asked for (SnapshotOutput) or, for a save, by the writer.
    snapshotFrame_ = CapturedFrame;
    snapshotSize_ = size;
    snapshotDeep_ = DeepSnapshot();
    OutputImage = size == CapturedFrame.size() ? CapturedFrame : QImage();
    // During a run the file is begun now, while the last shot's outcome (which decides this
    // one's name) is collected.
    snapshotPrepared_ =
        backgroundSaves_ && GraphBuiltOnce ? Writer().Prepare(SaveJob(timecode)) : 0;
    return true;
}

bool TShowForm::ShowSnapshot() {
    // The image still being written counts before this one shows (its write went on meanwhile).
    if (!FinishPendingSave()) return false;
    TExtraireFrame* grab = Widgets().Extraire();
    grab->setSizeText(QString("%1 x %2").arg(snapshotSize_.width()).arg(snapshotSize_.height()));
    if (GraphBuiltOnce) {
        // Drawn over the preview's rectangle, which has the image's shape.
        grab->setPicture(snapshotFrame_);
        grab->setTimecodeText(Widgets().TimecodeText());
        SetNameLabelSaved(false);
        grab->setHighlightVisible(true);
    }
    PlaceSnapshotPreview();
    return true;
}

const QImage& TShowForm::SnapshotOutput() {
    if (!OutputImage.isNull() || snapshotFrame_.isNull()) return OutputImage;
    QImage stretched(snapshotSize_, QImage::Format_RGB32);
    if (!stretched.isNull() &&
        stretcher_.Stretch(ViewOf(snapshotFrame_), stretched.bits(), snapshotSize_.width(),
                           snapshotSize_.height(), int(stretched.bytesPerLine())))
        OutputImage = std::move(stretched);
    return OutputImage;
}

// After the graph changed the panel holds no still: its name and time belonged to the file
// before.
void TShowForm::ClearSnapshot() {
    snapshotFrame_ = QImage();
    snapshotDeep_ = QImage();
    if (deepFrames_) deepFrames_->Close();
    OutputImage = QImage();
    snapshotSize_ = QSize();
    SnapshotUnsaved = false;
    TExtraireFrame* grab = Widgets().Extraire();
    grab->setPicture(QImage());
    grab->setSizeText(QString());
    grab->setTimecodeText(QString());
    grab->setNameLabel(QString(), QString(), kButtonFace, false);
    grab->setHighlightVisible(false);
    grab->setPictureHint(VideoLoaded() ? "Click to return the video file to this position"
                                       : QString());
}

void TShowForm::SetNameLabelSaved(bool saved) {
    SnapshotUnsaved = !saved;
    TExtraireFrame* grab = Widgets().Extraire();
    if (saved)
        grab->setNameLabel(grab->nameText(), "This picture has already been saved", kSavedColour,
                           false);
    else
        grab->setNameLabel(QFileInfo(NextImageName).fileName(),
                           "This picture has not yet been saved.\nClick on this label to save it.",
                           kButtonFace, true);
}

void TShowForm::PlaceSnapshotPreview(bool showGrabPanel) {
    const QRect video = Widgets().VideoPanel->videoRect();
    const QSize size = PreviewSize.isEmpty() ? QSize(252, 189) : PreviewSize;
    const int left =
        kPreviewMargin + (grabPanelRect_.width() - 2 * kPreviewMargin - size.width()) / 2;
    int top = video.top() + video.height() + videoPanelRect_.top() - size.height() -
              kPreviewAboveVideoBottom;
    // Kept inside the panel, with its labels, whatever the window's shape.
    top = std::min(top, grabPanelRect_.height() - size.height() - 24);
    top = std::max(top, kLowestPreviewTop);
    Widgets().Extraire()->placePicture(QRect(QPoint(std::max(left, 0), top), size));
    if (showGrabPanel && S && S->PanneauActif.Value != 2) Execute("saExtraireFrame");
}

void TShowForm::GoBackToSnapshot() {
    const QString timecode = Widgets().Extraire()->timecodeText();
    if (timecode.isEmpty() || !Media) return;
    Seeking = true;
    GoToTimecode(timecode);
    QCoreApplication::processEvents();
    Seeking = false;
    PositionTimerStep();
}

void TShowForm::VideoMousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    if (button == Qt::RightButton || !Media || !Media->HasVideo() || !S) return;
    TakeSnapshot();
    if (S->SauverQuandClic.Value || modifiers.testFlag(Qt::ShiftModifier)) ConfirmAndSaveImage();
}

// ---- Saving ----

TShowForm::SaveResult TShowForm::ConfirmAndSaveImage() {
    if (!GraphBuiltOnce || !S) return SaveResult::Nothing;
    if (!QFileInfo::exists(NextImageName) || !S->ConfirmerImage.Value)
        return SaveImage() ? SaveResult::Saved : SaveResult::Failed;
    const QString text =
        QString("The file %1 exists already .Do you want to overwrite it?\n\nClick on \"Yes to "
                "All\" if you do no more want to be prompted for confirmation.")
            .arg(NextImageName);
    switch (AskOverwrite ? AskOverwrite(text) : Overwrite::No) {
    case Overwrite::YesToAll:
        for (int i = 0; i < kOptionCount; ++i)
            if (std::strcmp(OptionActionName(i), "taConfirmerImages") == 0)
                SetOptionAction(i, false);
        [[fallthrough]];
    case Overwrite::Yes:
        return SaveImage() ? SaveResult::Saved : SaveResult::Failed;
    case Overwrite::Cancel:
        Execute("saAbort");
        return SaveResult::Cancelled;
    case Overwrite::No:
        break;
    }
    return SaveResult::Skipped;
}

bool TShowForm::SaveImage() {
    if (!GraphBuiltOnce || !S || (OutputImage.isNull() && snapshotFrame_.isNull())) return false;
    if (waitingShot_) { // a run's shot not yet shown: that one is saved, in its turn
        SaveWaitingShot();
        return !runSaveFailed_;
    }
    if (!FinishPendingSave()) return false;
    const QString timecode = Widgets().Extraire()->timecodeText();
    if (backgroundSaves_) { // the outcome is collected before the next snapshot
        if (!snapshotPrepared_ || Writer().PreparedSequence() != snapshotPrepared_)
            Writer().Prepare(SaveJob(timecode));
        snapshotPrepared_ = 0;
        Writer().Submit(QFile::encodeName(NextImageName).toStdString());
        return true;
    }
    const TImageWriter::Outcome outcome = Writer().Write(SaveJob(timecode));
    if (outcome.ok)
        ImageSaved();
    else
        ImageNotSaved(outcome.path, outcome.error);
    return outcome.ok;
}

TImageWriter::Job TShowForm::SaveJob(const QString& timecode) const {
    TImageWriter::Job job;
    if (OutputImage.isNull()) { // the writer stretches it
        job.picture = snapshotFrame_;
        job.size = snapshotSize_;
    } else {
        job.picture = OutputImage;
    }
    job.path = QFile::encodeName(NextImageName).toStdString();
    job.format = StillFormat(*S);
    job.quality = QualitySetting(*S, job.format).Value;
    if (job.format == ImageFormat::Png) job.deep = snapshotDeep_;
    if (job.format == ImageFormat::Bmp) return job;
    job.metadata.software = "Stillpick";
    job.metadata.description = timecode.toStdString();
    if (Media && Media->HasVideo()) AddRecordingFacts(job.metadata);
    return job;
}

// What the source tells of the recording: the date (after the time difference) with its zone,
// the camera and the place. A file that dates nothing gives no date, even after one that did.
void TShowForm::AddRecordingFacts(ImageMetadata& metadata) const {
    const TvData video = CopyTvData();
    const double difference = S->IncrustRec.Value.DecalageHoraire;
    const bool dated = Media->CurrentVideo->IsDV || Media->SourceDated();
    if (dated && video.RecDateValid) {
        if (const auto c = DecodeDayCount(video.RecDateTime + difference))
            metadata.recorded =
                RecordingTime{c->Year, c->Month, c->Day, c->Hour, c->Minute, c->Second};
        // A UTC time moved by a time difference is some local time whose zone is not known.
        const bool utc = video.RecZoneValid && video.RecZoneMinutes == 0;
        if (video.RecZoneValid && !(utc && difference != 0))
            metadata.offsetMinutes = video.RecZoneMinutes;
    }
    if (Media->CurrentVideo->IsDV) return; // the rest comes from other sources
    metadata.make = video.RecMake;
    metadata.model = video.RecModel;
    if (video.RecPlaceValid) {
        metadata.place = GpsPosition{video.RecLatitude, video.RecLongitude, std::nullopt};
        if (video.RecAltitudeValid) metadata.place->altitude = video.RecAltitude;
    }
}

TImageWriter& TShowForm::Writer() {
    if (!writer_) {
        std::weak_ptr<QtMessageTarget> target = target_;
        writer_ = std::make_unique<TImageWriter>([target](uint64_t sequence) {
            if (const auto t = target.lock()) t->post(kImageWritten, uintptr_t(sequence), 0);
        });
    }
    return *writer_;
}

// The written image counts: its label, the number and the next name move on.
void TShowForm::ImageSaved() {
    SetNameLabelSaved(true);
    const int digits = S->Digits.Value;
    if (S->IImageAjouter.Value == 0) {
        ImageNumber = naming::NextImageNumber(ImageNumber, digits);
        Widgets().Dossiers()->setNumberText(naming::PadImageNumber(ImageNumber, digits));
    }
    UpdateNextImageName();
    if (Media) Media->SetImageNumber(ImageNumber, digits);
}

// Nothing of the naming changes. During a run the run reports it once, after stopping.
void TShowForm::ImageNotSaved(const std::string& path, const std::string& reason) {
    lastSaveError_ = QString("The image %1 could not be written: %2")
                         .arg(QFile::decodeName(path.c_str()), QString::fromStdString(reason));
    if (intervalRunning_)
        SaveFailedDuringRun();
    else if (ShowWarning)
        ShowWarning(lastSaveError_);
}

bool TShowForm::FinishPendingSave() {
    if (!writer_ || !writer_->Pending()) return true;
    const std::optional<TImageWriter::Outcome> outcome = writer_->Collect();
    if (!outcome || outcome->ok) {
        ImageSaved();
        return true;
    }
    ImageNotSaved(outcome->path, outcome->error);
    return false;
}

// A background image has been written: its outcome applies now (and a shot held for it is
// saved), unless a snapshot collected it first.
void TShowForm::ImageWritten(uint64_t sequence) {
    if (!writer_ || writer_->PendingSequence() != sequence) return;
    if (waitingShot_)
        SaveWaitingShot(); // collects this one first
    else
        FinishPendingSave();
}

// ---- Clipboard and image folder ----

void TShowForm::CopySnapshotToClipboard() {
    TakeSnapshot();
    if (!SnapshotOutput().isNull()) QGuiApplication::clipboard()->setImage(OutputImage);
}

void TShowForm::OpenImageFolder() {
    if (!OpenInFileBrowser) return;
    if (!NextImageName.isEmpty() && QFileInfo::exists(NextImageName)) {
        OpenInFileBrowser(NextImageName);
        return;
    }
    const QString folder = naming::FolderPrefix(S ? S->DossierSave.Value : QString());
    QDir dir(folder);
    const QStringList matches =
        dir.entryList({ImageRoot + "_*"}, QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    if (!matches.isEmpty())
        OpenInFileBrowser(folder + matches.front());
    else if (dir.exists())
        OpenInFileBrowser(folder);
}

// ---- Commands ----

TShowForm::Overwrite TShowForm::AskOverwriteBox(const QString& text) {
    if (NoOneCanAnswer()) {
        std::fprintf(stderr, "stillpick: %s\nstillpick: no one can answer: not overwritten\n",
                     qPrintable(text));
        return Overwrite::No;
    }
    QMessageBox box(
        QMessageBox::Warning, ProgramTitle(), text,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::YesToAll, this);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Overwrite::Yes;
    case QMessageBox::YesToAll:
        return Overwrite::YesToAll;
    case QMessageBox::Cancel:
        return Overwrite::Cancel;
    default:
        return Overwrite::No;
    }
}

void TShowForm::BindGrabCommands() {
    AskOverwrite = [this](const QString& text) { return AskOverwriteBox(text); };
    OpenInFileBrowser = [](const QString& path) {
        return QFileInfo(path).isDir() ? OpenDocument(path) : sp::ShowInFileBrowser(path);
    };
    TActionList& al = *actions_;
    auto on = [](auto f) { return [f](QObject*) { f(); }; };
    // Without a video there is no picture to take.
    al.OnExecute("saGrab", on([this] {
                     if (!VideoLoaded()) return;
                     if (S->PanneauActif.Value != 2) Execute("saExtraireFrame");
                     TakeSnapshot();
                     ConfirmAndSaveImage();
                     Widgets().Extraire()->setHighlightVisible(false);
                 }));
    al.OnExecute("saCopier", on([this] {
                     if (VideoLoaded()) CopySnapshotToClipboard();
                 }));
    al.OnExecute("saOuvrirDossierImages", on([this] { OpenImageFolder(); }));
    BindNamingCommands();
    ConnectGrabWidgets();
}

void TShowForm::ConnectGrabWidgets() {
    TShowFormWidgets& w = Widgets();
    w.View()->installEventFilter(new MousePressWatcher(
        this, [this](Qt::MouseButton b, Qt::KeyboardModifiers m) { VideoMousePressed(b, m); }));
    connect(w.Extraire(), &TExtraireFrame::nameClicked, this, [this] { ConfirmAndSaveImage(); });
    connect(w.Extraire(), &TExtraireFrame::pictureClicked, this, &TShowForm::GoBackToSnapshot);
    connect(w.BottomStrip, &TBottomStrip::clicked, this, &TShowForm::OpenImageFolder);
    connect(this, &TShowForm::ImageRootChanged, this, &TShowForm::UpdateNextImageName);
    // The size label follows the stream as soon as it is there.
    connect(this, &TShowForm::GraphChanged, this, [this] {
        if (Media && Media->HasVideo()) CaptureFrameAndSizes();
    });
    connect(this, &TShowForm::PositionShown, this, [this] {
        if (S && S->IImageAjouter.Value == 1) BuildTimestampName();
    });
    ConnectFolderPanel();
}

} // namespace sp
