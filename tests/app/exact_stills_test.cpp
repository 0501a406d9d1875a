// A still is the frame its name and its timecode say, on footage as cameras write it: scripted
// positions and steps at maximum speed (the default for camcorder transport streams), precision
// runs past 7 min 9 s, and positions past the last picture a cut file decodes; HDR footage is
// saved tone-mapped as ffmpeg's zscale + tonemap map it.

#include "grab_fixture.h"

#include <QFile>
#include <QRegularExpression>

namespace apptest {
namespace {

using namespace sp;

class ExactStills : public GrabTest {
protected:
    // Loads `media` with timestamp names and BMP images.
    void LoadTimestamped(const std::string& media, const QString& name) {
        media_ = media;
        Load(media, name);
        W().ExecuteToken("bmp");
        W().ExecuteToken("add_time");
    }
    // Grabs and checks that the image named by the timecode `name` holds frame `frame`.
    void GrabAndExpect(const QString& name, int frame) {
        W().ExecuteToken("grab");
        const auto references = sptest::ffmpegFrames(MediaPath(media_), 0, frame + 3);
        ASSERT_GT(int(references.size()), frame);
        const QString file = Image("shot_" + name + ".bmp");
        EXPECT_TRUE(QFileInfo::exists(file)) << file.toStdString();
        EXPECT_TRUE(IsFrame(references, frame, LoadSaved(file))) << file.toStdString();
    }
    // The frame number a timestamp name gives at 25 frames per second; -1 when it has none.
    static int FrameOfName(const QString& file) {
        const auto m = QRegularExpression(R"((\d+)\.(\d\d)\.(\d\d)\.(\d\d)\.bmp$)").match(file);
        if (!m.hasMatch()) return -1;
        const int seconds =
            (m.captured(1).toInt() * 60 + m.captured(2).toInt()) * 60 + m.captured(3).toInt();
        return seconds * 25 + m.captured(4).toInt();
    }
    std::string media_;
};

TEST_F(ExactStills, ScriptedPositionsAndStepsAtMaximumSpeedGrabTheirFrames) {
    LoadTimestamped("camera.MTS", "clip.MTS");
    ASSERT_EQ(W().Media->MaxSpeed, 1); // the transport-stream rule turned it on
    W().ExecuteToken("position", "0:00:01:00");
    GrabAndExpect("0.00.01.00", 25);
    W().ExecuteToken("position", "0:00:02:00");
    GrabAndExpect("0.00.02.00", 50);
    W().ExecuteToken("second_back");
    GrabAndExpect("0.00.01.00", 25);
    W().ExecuteToken("frame_forward");
    GrabAndExpect("0.00.01.01", 26);

    // Any container once maximum speed is switched on by hand.
    LoadTimestamped("mpeg1.mpg", "clip.mpg");
    W().ExecuteToken("speed_max");
    ASSERT_EQ(W().Media->MaxSpeed, 1);
    W().ExecuteToken("position", "0:00:02:10");
    GrabAndExpect("0.00.02.10", 60);
}

TEST_F(ExactStills, APrecisionRunPastSevenMinutesNamesEachShotByItsTime) {
    LoadTimestamped("long_500s.avi", "long.avi"); // 8 min 20 s, 2 frames per second
    W().S->ValeurIntervallometre.Value = 30;
    W().S->UnitesIntervallometre.Value = 1; // seconds
    if (!W().Checked("taModePrecision")) W().Execute("taModePrecision");
    W().Execute("taIntervalloGo");
    ASSERT_TRUE(WaitUntil([this] { return !W().IntervalRunning(); }));
    QStringList expected;
    for (int s = 0; s <= 480; s += 30)
        expected << QString("shot_0.%1.%2.00.bmp")
                        .arg(s / 60, 2, 10, QChar('0'))
                        .arg(s % 60, 2, 10, QChar('0'));
    EXPECT_EQ(SavedFiles(), expected);
    // The shot at 8 minutes is frame 960.
    const QImage last = LoadSaved(Image("shot_0.08.00.00.bmp"));
    EXPECT_TRUE(sptest::showsFrame(MediaPath("long_500s.avi"), 960, ViewOf(last)));
}

TEST_F(ExactStills, APositionPastTheLastDecodablePictureIsNamedByThePictureShown) {
    media_ = "truncated.mp4"; // its index says 24 s, its data ends before 12 s
    Load(media_, "cut.mp4");
    W().ExecuteToken("bmp");
    W().ExecuteToken("add_time");
    ASSERT_GT(W().Media->Duration, 20 * kSecond);
    W().ExecuteToken("position", "0:00:20:00");
    W().ExecuteToken("grab");
    const QStringList saved = SavedFiles();
    ASSERT_EQ(saved.size(), 1);
    const int frame = FrameOfName(saved[0]);
    EXPECT_GT(frame, 250) << saved[0].toStdString();
    EXPECT_LT(frame, 300) << saved[0].toStdString();
    EXPECT_TRUE(sptest::showsFrame(MediaPath(media_), frame, ViewOf(LoadSaved(Image(saved[0])))));
    EXPECT_EQ(W().Widgets().TimecodeText(), saved[0].mid(5, 10).replace('.', ':'));
}

TEST_F(ExactStills, AnHdrStillIsToneMappedAsFfmpegMapsIt) {
    for (const char* media : {"hlg.mp4", "pq.mp4"}) {
        LoadTimestamped(media, "clip.mp4");
        W().ExecuteToken("position", "0:00:01:05");
        W().ExecuteToken("grab");
        const QString file = Image("shot_0.00.01.05.bmp");
        const QImage still = LoadSaved(file);
        QFile::remove(file); // the next file's still takes the same name
        const auto mapped = sptest::ffmpegToneMappedFrames(MediaPath(media), 30, 1);
        const auto asSdr = sptest::ffmpegFrames(MediaPath(media), 30, 1);
        ASSERT_EQ(mapped.size(), 1u);
        ASSERT_EQ(asSdr.size(), 1u);
        const double toMapped = sptest::psnr(mapped[0], ViewOf(still));
        EXPECT_GE(toMapped, 30.0) << media;
        EXPECT_GE(toMapped - sptest::psnr(asSdr[0], ViewOf(still)), 8.0) << media;
    }
}

} // namespace
} // namespace apptest
