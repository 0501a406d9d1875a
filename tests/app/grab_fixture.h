#pragma once
// What the grabbing and intervalometer tests share: a main window with a video loaded, saving
// into a folder of the temporary directory under the root "shot", the overwrite question and
// the file browser answered by the test; and the saved images compared with FFmpeg's own
// decoding of the frames they should show.

#include "app_fixture.h"

#include "app/panels/dossiers_frame.h"
#include "platform/system/picture_stretch.h"
#include "support/ffmpeg_reference.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QThread>

#include <libexif/exif-data.h>

#include <functional>
#include <memory>
#include <string>

namespace apptest {

inline constexpr int64_t kSecond = 10'000'000;
inline constexpr int64_t kFrame = 400'000;

// An image file as opaque B, G, R, x pixels.
inline QImage LoadSaved(const QString& path) {
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

inline sptest::PictureView ViewOf(const QImage& image) {
    return {image.constBits(), image.width(), image.height(), int(image.bytesPerLine()), false};
}

// `reference` stretched as the program stretches a frame onto its image size.
inline sptest::BgraPicture Stretched(const sptest::BgraPicture& reference, QSize size) {
    const sp::OwnedPicture out = sp::StretchPicture(
        {reference.bytes.data(), reference.width, reference.height, reference.width * 4},
        size.width(), size.height());
    return {out.width, out.height, out.pixels};
}

// Whether `image` is frame `index` of `references` (FFmpeg's frames from 0, each stretched to
// the image's size when it differs): within the same-frame tolerance and closer to it than to
// any other frame given.
inline ::testing::AssertionResult IsFrame(const std::vector<sptest::BgraPicture>& references,
                                          int index, const QImage& image) {
    if (image.isNull()) return ::testing::AssertionFailure() << "no image";
    std::vector<sptest::BgraPicture> sized;
    const int first = std::max(0, index - 2);
    const int last = std::min(int(references.size()) - 1, index + 2);
    for (int i = first; i <= last; ++i)
        sized.push_back(references[size_t(i)].width == image.width() &&
                                references[size_t(i)].height == image.height()
                            ? references[size_t(i)]
                            : Stretched(references[size_t(i)], image.size()));
    const int closest = sptest::closestFrame(sized, ViewOf(image)) + first;
    const double difference = sptest::lumaDifference(sized[size_t(index - first)], ViewOf(image));
    if (closest == index && difference <= sptest::kSameFrameLuma)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected frame " << index << ", closest " << closest
                                         << ", luma difference " << difference;
}

// The text of one EXIF field of an image file as libexif reads it; empty when absent.
inline std::string ExifField(const QString& file, ExifIfd ifd, ExifTag tag) {
    std::unique_ptr<ExifData, void (*)(ExifData*)> data(
        exif_data_new_from_file(QFile::encodeName(file).constData()), exif_data_unref);
    if (!data) return {};
    ExifEntry* entry = exif_content_get_entry(data->ifd[ifd], tag);
    if (!entry) return {};
    char text[256] = {};
    exif_entry_get_value(entry, text, sizeof text);
    return text;
}

class GrabTest : public AppTest {
protected:
    // Opens the window and loads a copy of `media` named `name`; images go to Images().
    void Load(const std::string& media, const QString& name) {
        Open();
        W().AskOverwrite = [this](const QString& text) {
            questions_ << text;
            return reply;
        };
        W().OpenInFileBrowser = [this](const QString& path) {
            browsed << path;
            return true;
        };
        W().ExecuteToken("dest_folder", Images());
        W().ExecuteToken("rootname", "shot");
        clip = Copy(media, name);
        W().LoadVideoFile(clip);
        ASSERT_TRUE(W().Media->HasVideo()) << name.toStdString();
    }
    QString Images() const { return Path("images"); }
    QString Image(const QString& name) const { return Path("images/" + name); }
    QStringList SavedFiles() const {
        return QDir(Images()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    void GoTo(int64_t position) {
        W().Media->SetPosition(position);
        W().PositionTimerStep();
    }
    QString NumberText() { return W().Widgets().Dossiers()->numberText(); }
    // Runs the event loop until `done` or the time is up.
    static bool WaitUntil(const std::function<bool()>& done, int ms = 120'000) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(1);
        }
        return done();
    }

    QString clip;
    sp::TShowForm::Overwrite reply = sp::TShowForm::Overwrite::No;
    QStringList questions_, browsed;
};

} // namespace apptest
