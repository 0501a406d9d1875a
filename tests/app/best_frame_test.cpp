// Finding the best frame through the main window: grab_sharpest and its button take the sharp
// frame within the radius and name the still by it; a file without a scene file gets its scenes
// from its pictures in the background, and a scene file beside it still wins.

#include "grab_fixture.h"

#include "app/panels/extraire_frame.h"
#include "app/panels/film_strip.h"
#include "app/panels/intervallo_frame.h"
#include "app/panels/sources_frame.h"
#include "app/video_panel.h"
#include "support/scene_file.h"

#include <QCheckBox>
#include <QFile>
#include <QPushButton>

#include <algorithm>
#include <fstream>

namespace apptest {
namespace {

using namespace sp;

class BestFrame : public GrabTest {
protected:
    bool WaitForScenes() {
        return WaitUntil([this] { return W().SceneSource() != TShowForm::SceneOrigin::Finding; });
    }
    std::vector<int32_t> SceneStarts() {
        std::vector<int32_t> starts;
        for (const TScene& scene : W().Scenes)
            starts.push_back(scene.StartFrame);
        return starts;
    }
};

// sharp_one.mp4: motion blur everywhere but frames 12 and 30.
TEST_F(BestFrame, GrabSharpestSavesTheSharpFrameWithinTheRadiusUnderItsOwnTimecode) {
    Load("sharp_one.mp4", "sharp.mp4");
    W().ExecuteToken("bmp"); // lossless: the still compares with the frame exactly
    W().ExecuteToken("add_time");
    const auto references = sptest::ffmpegFrames(MediaPath("sharp_one.mp4"), 0, 50);
    TExtraireFrame* panel = W().Widgets().Extraire();

    GoTo(10 * kFrame);
    W().ExecuteToken("grab_sharpest", "5");
    EXPECT_EQ(panel->timecodeText(), "0:00:00:12");
    ASSERT_EQ(SavedFiles().size(), 1);
    EXPECT_TRUE(IsFrame(references, 12, LoadSaved(Image(SavedFiles().front()))));
    EXPECT_EQ(W().Media->LastPosition, 12 * kFrame);

    // No radius: 5 frames; the sharp frame lies before the position.
    GoTo(34 * kFrame);
    W().ExecuteToken("grab_sharpest");
    EXPECT_EQ(panel->timecodeText(), "0:00:01:05"); // frame 30

    // The sharp frames lie beyond the radius: the frame taken stays within it.
    GoTo(21 * kFrame);
    W().ExecuteToken("grab_sharpest", "3");
    const int64_t taken = W().Media->LastPosition / kFrame;
    EXPECT_GE(taken, 18);
    EXPECT_LE(taken, 24);
    EXPECT_EQ(SavedFiles().size(), 3);

    // The Grab panel's button: the default radius.
    GoTo(8 * kFrame);
    W().Widgets().Extraire()->findChild<QPushButton*>("SharpestBtn")->click();
    EXPECT_EQ(panel->timecodeText(), "0:00:00:12");
    EXPECT_FALSE(W().Checked("taPlayPause"));
    EXPECT_TRUE(W().Timer1.isActive());
    EXPECT_FALSE(CommandBusy);
}

// An intervalometer run with the word "sharpest" takes, for each shot, the sharpest frame
// within two frames of its time and names the still by the frame taken.
TEST_F(BestFrame, AnIntervalRunCanTakeTheSharpestFrameNearEachShot) {
    Load("sharp_one.mp4", "sharp.mp4");
    W().ExecuteToken("bmp");
    W().ExecuteToken("add_time");
    W().ExecuteToken("intervallo", "10 frames sharpest");
    const QStringList saved = SavedFiles();
    ASSERT_GE(saved.size(), 5) << saved.join(' ').toStdString();
    // Shots at 0, 10, 20, 30, 40: 10 finds the sharp frame 12, 30 is sharp itself.
    EXPECT_TRUE(saved.contains("shot_0.00.00.12.bmp")) << saved.join(' ').toStdString();
    EXPECT_TRUE(saved.contains("shot_0.00.01.05.bmp"));
    const auto references = sptest::ffmpegFrames(MediaPath("sharp_one.mp4"), 0, 50);
    EXPECT_TRUE(IsFrame(references, 12, LoadSaved(Image("shot_0.00.00.12.bmp"))));
    for (const QString& name : saved) {
        const QStringList parts = name.chopped(4).split('.'); // shot_0, 00, SS, FF
        const int frame = parts[2].toInt() * 25 + parts[3].toInt();
        const int shot = (frame + 2) / 10 * 10;
        EXPECT_LE(std::abs(frame - shot), 2) << name.toStdString();
    }
}

// The bar's "Sharpest" box and the argument's word are one option: the word checks the box, an
// argument without it clears it, and a run started by the switch follows the box.
TEST_F(BestFrame, TheSharpestBoxOfTheIntervalBarFollowsTheArgumentAndDrivesARun) {
    Load("sharp_one.mp4", "sharp.mp4");
    W().ExecuteToken("bmp");
    W().ExecuteToken("add_time");
    auto* box = W().Widgets().Intervallo->findChild<QCheckBox*>("cbSharpest");
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isChecked());
    W().ExecuteToken("intervallo", "25 frames sharpest");
    EXPECT_TRUE(box->isChecked());
    W().ExecuteToken("intervallo", "10 frames");
    EXPECT_FALSE(box->isChecked());
    EXPECT_TRUE(SavedFiles().contains("shot_0.00.00.10.bmp")); // the shot's own frame
    for (const QString& name : SavedFiles())
        QFile::remove(Image(name));

    box->click(); // as the user would, then a run from the bar's switch
    W().Widgets().Intervallo->findChild<QPushButton*>("RxSwitch1")->click();
    ASSERT_TRUE(WaitUntil([this] { return !W().Checked("taIntervalloGo"); }));
    EXPECT_TRUE(SavedFiles().contains("shot_0.00.00.12.bmp"))
        << SavedFiles().join(' ').toStdString();
}

// scene_cuts.mp4 cuts at frames 40, 80 and 120; two of its shots are pans, one with motion blur.
TEST_F(BestFrame, AFileWithoutSceneFileGetsItsScenesFromThePictures) {
    Load("scene_cuts.mp4", "cuts.mp4");
    EXPECT_FALSE(W().Action("saAvanceTrack")->isVisible()); // not known yet
    ASSERT_TRUE(WaitForScenes());
    ASSERT_EQ(W().SceneSource(), TShowForm::SceneOrigin::Pictures);
    const auto starts = SceneStarts();
    ASSERT_EQ(starts.size(), 4u);
    EXPECT_EQ(starts[0], 0);
    for (size_t i = 1; i < 4; ++i)
        EXPECT_NEAR(starts[i], int(i) * 40, 1) << i;
    EXPECT_EQ(W().Widgets().Sources()->scenesText(), "Scenes: 4 found in the picture");
    EXPECT_TRUE(W().Action("saAvanceTrack")->isVisible());
    // Scene steps use them as a scene file's.
    GoTo(50 * kFrame);
    W().ExecuteToken("track_forward");
    EXPECT_EQ(W().Media->LastPosition, starts[2] * kFrame);
    W().ExecuteToken("track_back");
    EXPECT_EQ(W().Media->LastPosition, starts[1] * kFrame);

    // Motion blur with two sharp frames is one shot.
    W().LoadVideoFile(Copy("sharp_one.mp4", "sharp.mp4"));
    ASSERT_TRUE(WaitForScenes());
    EXPECT_EQ(SceneStarts(), std::vector<int32_t>{0});
    EXPECT_EQ(W().Widgets().Sources()->scenesText(), "Scenes: 1 found in the picture");

    // Interleaved DV: its pictures come in its one interleaved stream.
    W().LoadVideoFile(Copy("raw.dv", "home.dv"));
    ASSERT_TRUE(WaitForScenes());
    EXPECT_EQ(W().SceneSource(), TShowForm::SceneOrigin::Pictures);
    EXPECT_EQ(SceneStarts(), std::vector<int32_t>{0});
}

TEST_F(BestFrame, ASceneFileBesideTheVideoWinsAndClosingCallsTheSearchOff) {
    const QString clip = Copy("scene_cuts.mp4", "cuts.mp4");
    const auto bytes = sptest::SceneFileStarting({0, 25});
    std::ofstream(Path("clips/cuts.scn").toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    Open();
    W().LoadVideoFile(clip);
    EXPECT_EQ(W().SceneSource(), TShowForm::SceneOrigin::File);
    EXPECT_EQ(SceneStarts(), (std::vector<int32_t>{0, 25}));
    EXPECT_EQ(W().Widgets().Sources()->scenesText(), "Scenes: 2 from the scene file cuts.scn");
    WaitUntil([] { return false; }, 300); // nothing arrives later to replace them
    EXPECT_EQ(SceneStarts(), (std::vector<int32_t>{0, 25}));

    // A search called off by closing the file leaves nothing behind.
    W().LoadVideoFile(Copy("scene_cuts.mp4", "other.mp4"));
    EXPECT_EQ(W().SceneSource(), TShowForm::SceneOrigin::Finding);
    W().ExecuteToken("vide");
    EXPECT_EQ(W().SceneSource(), TShowForm::SceneOrigin::None);
    EXPECT_TRUE(W().Widgets().Sources()->scenesText().isEmpty());
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(W().SceneSource(), TShowForm::SceneOrigin::None);
    EXPECT_EQ(SceneStarts(), (std::vector<int32_t>{0, 25}));
}

// Whether the strip's picture at `offset` is frame `index` of `references`: nearer to that
// frame (scaled to the picture's size) than to the frames beside it.
::testing::AssertionResult StripShows(const TFilmStrip& strip, int offset, int index,
                                      const std::vector<sptest::BgraPicture>& references) {
    const size_t cell = size_t(offset + strip.sideCount());
    if (cell >= strip.cells().size() || strip.cells()[cell].isNull())
        return ::testing::AssertionFailure() << "no picture at offset " << offset;
    const QImage picture = strip.cells()[cell].convertToFormat(QImage::Format_RGB32);
    std::vector<sptest::BgraPicture> scaled;
    const int first = std::max(0, index - 1);
    const int last = std::min(int(references.size()) - 1, index + 1);
    for (int i = first; i <= last; ++i)
        scaled.push_back(Stretched(references[size_t(i)], picture.size()));
    const int closest = sptest::closestFrame(scaled, ViewOf(picture)) + first;
    if (closest == index) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "offset " << offset << " shows frame " << closest << ", not " << index;
}

class Filmstrip : public BestFrame {
protected:
    // Runs the position timer until every frame of the strip that exists has its picture.
    bool WaitForStrip() {
        return WaitUntil(
            [this] {
                W().PositionTimerStep();
                const int64_t frame = W().Media->FrameDuration;
                const int64_t current = W().Media->GetPosition() / frame;
                const int64_t frames = (W().Media->Duration + frame - 1) / frame;
                const int side = W().FilmStrip()->sideCount();
                if (W().FilmStrip()->cells().size() != size_t(2 * side + 1)) return false;
                for (int k = -side; k <= side; ++k) {
                    const bool exists = current + k >= 0 && current + k < frames;
                    if (exists == W().FilmStrip()->cells()[size_t(k + side)].isNull()) return false;
                }
                return true;
            },
            60'000);
    }
    // The median time of `count` steps of `token`.
    double MedianStepMs(const QString& token, int count) {
        std::vector<double> times;
        for (int i = 0; i < count; ++i) {
            QElapsedTimer clock;
            clock.start();
            W().ExecuteToken(token);
            times.push_back(double(clock.nsecsElapsed()) / 1e6);
            QCoreApplication::processEvents();
        }
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    }
};

TEST_F(Filmstrip, IsOffAtFirstStartAndRemembered) {
    Load("h264.mp4", "clip.mp4");
    EXPECT_FALSE(W().S->Filmstrip.Value);
    EXPECT_FALSE(W().Checked("taFilmstrip"));
    EXPECT_TRUE(W().FilmStrip()->isHidden());
    const QRect videoAlone = W().Widgets().VideoPanel->videoRect();
    W().ExecuteToken("filmstrip");
    EXPECT_TRUE(W().S->Filmstrip.Value);
    EXPECT_FALSE(W().FilmStrip()->isHidden());
    EXPECT_GE(W().FilmStrip()->sideCount(), TFilmStrip::kMinSide);
    // The video makes room for it; the strip lies under the video, inside the window.
    const QRect video = W().Widgets().VideoPanel->videoRect();
    EXPECT_LT(video.height(), videoAlone.height());
    EXPECT_GT(W().FilmStrip()->y(), video.bottom());
    EXPECT_LE(W().FilmStrip()->geometry().bottom(), W().Widgets().VideoPanel->height());
    Close();
    Open();
    EXPECT_TRUE(W().S->Filmstrip.Value);
    EXPECT_TRUE(W().Checked("taFilmstrip"));
    W().LoadVideoFile(clip);
    EXPECT_FALSE(W().FilmStrip()->isHidden());
    W().ExecuteToken("filmstrip");
    EXPECT_TRUE(W().FilmStrip()->isHidden());
    EXPECT_EQ(W().Widgets().VideoPanel->videoRect(), videoAlone);
}

// h264.mkv: 100 frames with B-frames and open GOPs; the burned-in numbers tell the frames apart.
TEST_F(Filmstrip, ShowsTheFramesAroundTheCurrentOneAfterStepsSeeksAndAtBothEnds) {
    Load("h264.mkv", "clip.mkv");
    W().ExecuteToken("filmstrip");
    W().ExecuteToken("bmp");
    const auto references = sptest::ffmpegFrames(MediaPath("h264.mkv"), 0, 100);
    ASSERT_EQ(references.size(), 100u);
    const TFilmStrip& strip = *W().FilmStrip();
    const int side = strip.sideCount();
    auto expectAround = [&](int current) {
        SCOPED_TRACE("current frame " + std::to_string(current));
        ASSERT_TRUE(WaitForStrip());
        for (int k = -side; k <= side; ++k) {
            if (current + k < 0 || current + k >= 100) {
                EXPECT_TRUE(strip.cells()[size_t(k + side)].isNull()) << k; // an empty frame
                continue;
            }
            EXPECT_TRUE(StripShows(strip, k, current + k, references));
        }
    };
    expectAround(0);
    for (int i = 0; i < 3; ++i)
        W().ExecuteToken("frame_forward");
    expectAround(3);
    GoTo(60 * kFrame);
    expectAround(60);
    W().ExecuteToken("frame_back");
    expectAround(59);
    GoTo(99 * kFrame);
    expectAround(99);

    // A click goes to the frame; the wheel steps; a double click grabs the frame clicked.
    GoTo(50 * kFrame);
    emit W().FilmStrip()->frameClicked(-2);
    EXPECT_EQ(W().Media->LastPosition, 48 * kFrame);
    emit W().FilmStrip()->wheelSteps(3);
    EXPECT_EQ(W().Media->LastPosition, 51 * kFrame);
    emit W().FilmStrip()->frameDoubleClicked(1);
    EXPECT_EQ(W().Widgets().Extraire()->timecodeText(), "0:00:02:02");
    ASSERT_EQ(SavedFiles().size(), 1);
    EXPECT_TRUE(IsFrame(references, 52, LoadSaved(Image(SavedFiles().front()))));
}

// HDR video's strip pictures are tone-mapped as its frames are, not converted as flat SDR.
TEST_F(Filmstrip, PicturesOfHdrVideoAreToneMapped) {
    Load("hlg.mp4", "clip.mp4");
    W().ExecuteToken("filmstrip");
    GoTo(10 * kFrame);
    ASSERT_TRUE(WaitForStrip());
    const TFilmStrip& strip = *W().FilmStrip();
    const QImage picture =
        strip.cells()[size_t(strip.sideCount())].convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(picture.isNull());
    const auto mapped = sptest::ffmpegToneMappedFrames(MediaPath("hlg.mp4"), 10, 1);
    const auto flat = sptest::ffmpegFrames(MediaPath("hlg.mp4"), 10, 1);
    ASSERT_EQ(mapped.size(), 1u);
    ASSERT_EQ(flat.size(), 1u);
    const double toMapped = sptest::psnr(Stretched(mapped[0], picture.size()), ViewOf(picture));
    const double toFlat = sptest::psnr(Stretched(flat[0], picture.size()), ViewOf(picture));
    std::printf("strip picture of HLG video: %.1f dB to the tone-mapped frame, %.1f dB to the "
                "flat one\n",
                toMapped, toFlat);
    EXPECT_GE(toMapped, 25.0);
    EXPECT_GE(toMapped - toFlat, 5.0);
}

// The strip's pictures are made on a worker: a step takes no longer with the strip than without.
TEST_F(Filmstrip, AStepIsNotDelayedByTheStrip) {
    Load("h264.mkv", "clip.mkv");
    GoTo(10 * kFrame);
    const double without = MedianStepMs("frame_forward", 15);
    W().ExecuteToken("filmstrip");
    GoTo(30 * kFrame);
    const double with = MedianStepMs("frame_forward", 15);
    std::printf("median step: %.1f ms without the strip, %.1f ms with it\n", without, with);
    EXPECT_LT(with, 1.5 * without + 5);
}

} // namespace
} // namespace apptest
