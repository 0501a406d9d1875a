// Phone videos stored lying on their side (a display rotation in MP4 and MOV, a projection
// roll in Matroska): the saved stills, the clipboard and precision runs show the picture
// upright, as FFmpeg's command line does; the size label gives the stored size and the upright
// one; forced shapes keep the portrait orientation; flips act on the upright picture.

#include "grab_fixture.h"

#include "app/panels/extraire_frame.h"
#include "app/panels/top_bar.h"

#include <QClipboard>
#include <QGuiApplication>

namespace apptest {
namespace {

using namespace sp;

class Rotation : public GrabTest {
protected:
    void LoadNumbered(const std::string& media) {
        media_ = media;
        Load(media, QString::fromStdString(media));
        W().ExecuteToken("bmp");
        W().ExecuteToken("add_num", "0001");
    }
    void Force(int aspect) {
        W().S->ForcerAspectRatio.Value = aspect;
        W().ChooseDisplayAspect(W().Media->VideoInfo);
    }
    std::vector<sptest::BgraPicture> References(int count = 30) {
        return sptest::ffmpegFrames(MediaPath(media_), 0, count);
    }
    QImage Saved(int number) {
        return LoadSaved(Image(QString("shot_%1.bmp").arg(number, 4, 10, QChar('0'))));
    }
    std::string media_;
};

// ffmpeg's frames mirrored as the flips mirror ours.
std::vector<sptest::BgraPicture> Mirrored(std::vector<sptest::BgraPicture> frames, bool vertical,
                                          bool horizontal) {
    for (auto& f : frames) {
        const QImage image(f.bytes.data(), f.width, f.height, f.width * 4, QImage::Format_RGB32);
        const QImage flipped = image.mirrored(horizontal, vertical);
        f.bytes.assign(flipped.constBits(), flipped.constBits() + f.bytes.size());
    }
    return frames;
}

struct Turned {
    const char* media;
    QSize upright;
    const char* sizeLabel;
};

class RotatedFile : public Rotation, public ::testing::WithParamInterface<Turned> {};

TEST_P(RotatedFile, IsShownSavedAndLabelledUpright) {
    const Turned& c = GetParam();
    LoadNumbered(c.media);
    EXPECT_EQ(QSize(W().Media->VideoInfo.Width, W().Media->VideoInfo.Height), c.upright);
    GoTo(20 * kFrame);
    W().ExecuteToken("grab");
    EXPECT_EQ(W().Widgets().TopBar->sizeText(), c.sizeLabel);
    EXPECT_EQ(W().Widgets().Extraire()->picture().size().width() <
                  W().Widgets().Extraire()->picture().size().height(),
              c.upright.width() < c.upright.height());
    const QImage still = Saved(1);
    EXPECT_EQ(still.size(), c.upright);
    EXPECT_TRUE(IsFrame(References(), 20, still));
}

INSTANTIATE_TEST_SUITE_P(
    PhoneFiles, RotatedFile,
    ::testing::Values(Turned{"rotate_90.mp4", {180, 320}, "320 x 180  =>  180 x 320 [16x9}"},
                      Turned{"rotate_180.mp4", {320, 180}, "320 x 180  =>  320 x 180 [16x9}"},
                      Turned{"rotate_270.mp4", {180, 320}, "320 x 180  =>  180 x 320 [16x9}"},
                      Turned{"rotate_90.mov", {180, 320}, "320 x 180  =>  180 x 320 [16x9}"},
                      Turned{"rotate_180.mov", {320, 180}, "320 x 180  =>  320 x 180 [16x9}"},
                      Turned{"rotate_270.mov", {180, 320}, "320 x 180  =>  180 x 320 [16x9}"},
                      Turned{
                          "rotate_90_mirror.mp4", {180, 320}, "320 x 180  =>  180 x 320 [16x9}"},
                      Turned{"rotate_90.mkv", {180, 320}, "320 x 180  =>  180 x 320 [16x9}"},
                      Turned{"rotate_180.mkv", {320, 180}, "320 x 180  =>  320 x 180 [16x9}"},
                      Turned{"rotate_270.mkv", {180, 320}, "320 x 180  =>  180 x 320 [16x9}"},
                      Turned{
                          "rotate_90_mirror.mkv", {180, 320}, "320 x 180  =>  180 x 320 [16x9}"}),
    [](const auto& info) {
        std::string name = info.param.media;
        for (char& ch : name)
            if (ch == '.') ch = '_';
        return name;
    });

TEST_F(Rotation, FlipsActOnTheUprightPictureAndForcedShapesStayPortrait) {
    LoadNumbered("rotate_90.mp4");
    const auto references = References();
    GoTo(10 * kFrame);
    W().ExecuteToken("vertical_flip");
    W().ExecuteToken("grab");
    EXPECT_TRUE(IsFrame(Mirrored(references, true, false), 10, Saved(1)));
    W().ExecuteToken("vertical_flip");
    W().ExecuteToken("horizontal_flip");
    W().ExecuteToken("grab");
    EXPECT_TRUE(IsFrame(Mirrored(references, false, true), 10, Saved(2)));
    W().ExecuteToken("horizontal_flip");

    // 4:3 and 16:9 on a portrait picture: 3:4 and 9:16, upright.
    Force(1);
    W().ExecuteToken("grab");
    EXPECT_EQ(W().Widgets().TopBar->sizeText(), "320 x 180  =>  180 x 240 [4x3]");
    EXPECT_EQ(Saved(3).size(), QSize(180, 240));
    EXPECT_TRUE(IsFrame(references, 10, Saved(3)));
    Force(2);
    W().ExecuteToken("grab");
    EXPECT_EQ(W().Widgets().TopBar->sizeText(), "320 x 180  =>  180 x 320 [16x9}");
    EXPECT_EQ(Saved(4).size(), QSize(180, 320));

    W().ExecuteToken("copy");
    const QImage copied =
        QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(copied.size(), QSize(180, 320));
    EXPECT_TRUE(IsFrame(references, 10, copied));
}

TEST_F(Rotation, APrecisionRunAndTheInlaySaveUprightPictures) {
    LoadNumbered("rotate_270.mov");
    W().S->ValeurIntervallometre.Value = 10;
    W().S->UnitesIntervallometre.Value = 0; // frames
    if (!W().Checked("taModePrecision")) W().Execute("taModePrecision");
    W().Execute("taIntervalloGo");
    ASSERT_TRUE(WaitUntil([this] { return !W().IntervalRunning(); }));
    ASSERT_GE(SavedFiles().size(), 4);
    const auto references = References(50);
    for (int shot = 1; shot <= 4; ++shot) {
        EXPECT_EQ(Saved(shot).size(), QSize(180, 320));
        EXPECT_TRUE(IsFrame(references, (shot - 1) * 10, Saved(shot))) << shot;
    }
    // The inlay is drawn on the upright picture, at the bottom right of it (its default
    // place): the picture above it is the frame's, the band at the bottom is not.
    const int next = int(SavedFiles().size()) + 1;
    W().ExecuteToken("inlay");
    GoTo(30 * kFrame);
    W().ExecuteToken("grab");
    const QImage inlaid = Saved(next);
    ASSERT_EQ(inlaid.size(), QSize(180, 320));
    const QImage frame(references[30].bytes.data(), 180, 320, 180 * 4, QImage::Format_RGB32);
    auto band = [&](int top, int height) {
        const QImage part = frame.copy(0, top, 180, height);
        return sptest::BgraPicture{
            180, height,
            std::vector<uint8_t>(part.constBits(), part.constBits() + 180 * height * 4)};
    };
    const QImage above = inlaid.copy(0, 0, 180, 200);
    const QImage bottom = inlaid.copy(0, 250, 180, 70);
    EXPECT_LE(sptest::lumaDifference(band(0, 200), ViewOf(above)), sptest::kSameFrameLuma);
    EXPECT_GT(sptest::lumaDifference(band(250, 70), ViewOf(bottom)), sptest::kSameFrameLuma);
}

} // namespace
} // namespace apptest
