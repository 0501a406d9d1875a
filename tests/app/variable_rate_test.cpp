// A phone-like clip whose frames come at a variable rate (a 30 fps source with frames dropped,
// then at 15 fps), driven through the window's own actions: typed and scripted positions show
// the frame on screen at that time, frame steps go to the next frame that exists, and the
// timecode shown for a frame, typed back, saves that frame again. Every saved still is
// compared with FFmpeg's decoding of the frame it should show.

#include "grab_fixture.h"

namespace apptest {
namespace {

using namespace sp;

class VariableRate : public GrabTest {
protected:
    void SetUp() override {
        GrabTest::SetUp();
        path = MediaPath("vfr_drops.mp4");
        times = sptest::ffprobeFrameTimes(path);
        references = sptest::ffmpegFrames(path, 0, int(times.size()));
        ASSERT_EQ(references.size(), times.size());
        Load("vfr_drops.mp4", "phone.mp4");
        W().ExecuteToken("bmp");
        W().ExecuteToken("add_num", "0001");
    }
    // Grabs the frame shown: it must be frame `index`, the frame on screen at the position.
    void GrabShows(int index) {
        const int64_t position = W().Media->LastPosition;
        EXPECT_EQ(sptest::frameIndexAt(times, position), index) << "at " << position;
        W().ExecuteToken("grab");
        const QString name = QString("shot_%1.bmp").arg(++grabs, 4, 10, QChar('0'));
        EXPECT_TRUE(IsFrame(references, index, LoadSaved(Image(name))))
            << name.toStdString() << " at " << position;
    }

    std::string path;
    std::vector<int64_t> times;
    std::vector<sptest::BgraPicture> references;
    int grabs = 0;
};

TEST_F(VariableRate, StepsGoToTheFramesThatExistAndTimecodesNameTheirFrame) {
    // Timecodes count frames of the 30 fps base; the description keeps the average rate.
    EXPECT_EQ(W().Media->FrameDuration, 333333);
    EXPECT_TRUE(W().Media->VideoInfo.SizeText.ends_with(" - 17.95 fps"))
        << W().Media->VideoInfo.SizeText;
    // 2 s lies between the frames at 1.9667 s and 2.0333 s: the first is on screen.
    W().ExecuteToken("position", "0:00:02:00");
    const int at2 = sptest::frameIndexAt(times, 2 * kSecond);
    ASSERT_GT(at2, 0);
    EXPECT_LT(times[size_t(at2)], 2 * kSecond);
    GrabShows(at2);
    // Forward over the rate change and back, one frame that exists at a time.
    int index = at2;
    for (const char* step : {"frame_forward", "frame_forward", "frame_back", "frame_back",
                             "frame_back", "frame_back", "frame_back", "frame_forward"}) {
        SCOPED_TRACE(step);
        W().ExecuteToken(step);
        index += std::string(step) == "frame_forward" ? 1 : -1;
        GrabShows(index);
        // The timecode the window shows, typed back, shows the same frame.
        W().PositionTimerStep();
        const QString shown = W().Widgets().TimecodeText();
        W().ExecuteToken("position", shown);
        EXPECT_EQ(sptest::frameIndexAt(times, W().Media->LastPosition), index)
            << shown.toStdString();
    }
    // A second step lands on the frame on screen a second later.
    const int64_t before = W().Media->LastPosition;
    W().ExecuteToken("second_forward");
    EXPECT_EQ(W().Media->LastPosition, before + kSecond);
    GrabShows(sptest::frameIndexAt(times, before + kSecond));
}

} // namespace
} // namespace apptest
