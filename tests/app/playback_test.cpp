// Playing and moving through a video: steps and their bounds, scene steps, typed timecodes,
// maximum speed and the choice of streams.

#include "app_fixture.h"

#include "app/panels/top_bar.h"
#include "app/video_view.h"
#include "describe/timecode.h"
#include "support/scene_file.h"

#include <QElapsedTimer>
#include <QFocusEvent>
#include <QLineEdit>

#include <fstream>

namespace apptest {
namespace {

using namespace sp;

constexpr int64_t kSecond = 10000000;
constexpr int64_t kFrame = 400000;

class Playback : public AppTest {
protected:
    void Load(const std::string& media, const QString& name) {
        Open();
        W().LoadVideoFile(Copy(media, name));
        ASSERT_TRUE(W().Media->HasVideo()) << name.toStdString();
        W().PositionTimerStep();
    }
    int64_t Position() { return W().Media->LastPosition; }
};

TEST_F(Playback, StepsStopAtTheStartAndAtTheEnd) {
    Load("avi_mjpeg.avi", "clip.avi");
    const int64_t d = W().Media->Duration;
    ASSERT_GT(d, 3 * kSecond);
    W().Media->SetPosition(4 * kFrame);
    W().ExecuteToken("second_back");
    EXPECT_EQ(Position(), 0);
    W().ExecuteToken("frame_forward");
    EXPECT_EQ(Position(), kFrame);
    W().ExecuteToken("second_forward");
    EXPECT_EQ(Position(), kFrame + kSecond);
    W().ExecuteToken("minute_forward");
    EXPECT_EQ(Position(), d);
    W().ExecuteToken("frame_back");
    EXPECT_EQ(Position(), d - kFrame);
    W().ExecuteToken("minute_back");
    EXPECT_EQ(Position(), 0);
    EXPECT_FALSE(W().Seeking);
    EXPECT_TRUE(W().Timer1.isActive());
    // The position timer shows the position in the box and on the slider.
    W().Media->SetPosition(d / 2);
    W().PositionTimerStep();
    EXPECT_EQ(W().Widgets().TimecodeText(),
              QString::fromStdString(FormatTimecode(d / 2, W().Media->FrameDuration)));
}

TEST_F(Playback, SceneStepsFollowTheSceneFile) {
    const QString clip = Copy("avi_mjpeg.avi", "scenes.avi");
    const auto bytes = sptest::SceneFileStarting({0, 25, 50});
    std::ofstream(Path("clips/scenes.scn").toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    Open();
    W().LoadVideoFile(clip);
    ASSERT_EQ(W().Scenes.Count(), 3);
    EXPECT_TRUE(W().Action("saAvanceTrack")->isVisible());
    W().Media->SetPosition(25 * kFrame);
    W().ExecuteToken("track_back"); // the scene at 25 is not before frame 25
    EXPECT_EQ(Position(), 0);
    W().Media->SetPosition(25 * kFrame);
    W().ExecuteToken("track_forward");
    EXPECT_EQ(Position(), 50 * kFrame);
    W().ExecuteToken("track_forward"); // after the last scene: the end
    EXPECT_EQ(Position(), W().Media->Duration);
    // A file without a scene file hides the scene steps.
    W().LoadVideoFile(Copy("avi_mjpeg.avi", "plain.avi"));
    EXPECT_FALSE(W().Action("saAvanceTrack")->isVisible());
}

TEST_F(Playback, TypedTimecodesGoWhereTheirPartsSay) {
    Load("avi_mjpeg.avi", "clip.avi");
    const int64_t d = W().Media->Duration;
    struct Case {
        const char* text;
        int64_t position;
    };
    for (const Case& c : {Case{"12", 12 * kFrame}, Case{"0:00:00:300", 44 * kFrame},
                          Case{"0:00:02:05", 2 * kSecond + 5 * kFrame}, Case{"0:01:30:00", d},
                          Case{"1:30", d}, Case{"junk", 0}}) {
        W().Widgets().TopBar->setTimecode(c.text);
        W().TimecodeEntered();
        EXPECT_FALSE(W().Timer1.isActive());
        EXPECT_TRUE(W().Action("taPlayPause")->shortcut().isEmpty());
        W().TimecodeLeft();
        EXPECT_EQ(Position(), c.position) << c.text;
        EXPECT_EQ(W().Action("taPlayPause")->shortcut(), QKeySequence(Qt::Key_Space));
        EXPECT_TRUE(W().Timer1.isActive());
    }
    W().ExecuteToken("position", "0:00:01:00");
    EXPECT_EQ(Position(), kSecond);
}

TEST_F(Playback, MaximumSpeedRemovesTheSoundAndBringsBackTheChosenStream) {
    Load("three_audio.avi", "three.avi");
    TGrabBuilder* b = W().CurrentBuilder;
    ASSERT_EQ(b->AudioSources.size(), 3u);
    W().AudioStreamChosen(1);
    ASSERT_TRUE(W().Media->IsCurrentAudio(b->AudioSources[1]));
    W().Media->SetPosition(kSecond);
    W().ExecuteToken("speed_max");
    EXPECT_TRUE(W().S->VitesseMaxi.Value);
    EXPECT_FALSE(W().Media->HasAudio());
    EXPECT_FALSE(W().Action("taMute")->isEnabled());
    EXPECT_EQ(Position(), kSecond);
    W().ExecuteToken("speed_max");
    EXPECT_FALSE(W().S->VitesseMaxi.Value);
    EXPECT_TRUE(W().Media->IsCurrentAudio(b->AudioSources[1]));
    EXPECT_TRUE(W().Action("taMute")->isEnabled());
}

TEST_F(Playback, ChoosingNoVideoLeavesTheSoundAndBackAgain) {
    Load("three_audio.avi", "three.avi");
    TGrabBuilder* b = W().CurrentBuilder;
    W().AudioStreamChosen(2);
    EXPECT_TRUE(W().Media->IsCurrentAudio(b->AudioSources[2]));
    W().VideoStreamChosen(int(b->VideoSources.size())); // "No Video"
    EXPECT_FALSE(W().Media->HasVideo());
    EXPECT_TRUE(W().Media->HasAudio());
    EXPECT_FALSE(W().Action("saGrab")->isEnabled());
    W().Widgets().View()->clearPicture();
    W().VideoStreamChosen(0);
    EXPECT_TRUE(W().Media->HasVideo());
    // The rebuilt chain shows its pictures in the window again.
    QElapsedTimer clock;
    clock.start();
    while (!W().Widgets().View()->hasPicture() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(W().Widgets().View()->hasPicture());
    W().AudioStreamChosen(3); // "No Audio"
    EXPECT_FALSE(W().Media->HasAudio());
}

TEST_F(Playback, PlayingToTheEndPausesAtTheStart) {
    Load("mpeg1.mpg", "short.mpg");
    W().Media->SetPosition(W().Media->Duration - 3 * kFrame);
    W().ExecuteToken("play_pause");
    EXPECT_TRUE(W().Checked("taPlayPause"));
    QElapsedTimer clock;
    clock.start();
    while (W().Checked("taPlayPause") && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_FALSE(W().Checked("taPlayPause"));
    EXPECT_EQ(W().Media->GetGraphState(), 2);
}

// The click that enters the timecode box may also activate the window: its focus-in, of the
// window-activation kind, enters the box all the same. The position timer stops writing into
// it, Space types a blank, and the typed time goes where it says when the box is left.
TEST_F(Playback, EveryWayIntoTheTimecodeBoxCounts) {
    Load("mpeg1.mpg", "clip.mpg");
    auto* edit = W().Widgets().TopBar->findChild<QLineEdit*>("CurrentEdit");
    ASSERT_TRUE(edit);
    ASSERT_TRUE(W().Timer1.isActive());
    QFocusEvent in(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(edit, &in);
    EXPECT_FALSE(W().Timer1.isActive());
    EXPECT_TRUE(W().Action("taPlayPause")->shortcut().isEmpty());
    // Leaving for another window keeps it entered; coming back does not enter it twice.
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(edit, &away);
    QCoreApplication::sendEvent(edit, &in);
    EXPECT_FALSE(W().Timer1.isActive());
    edit->setText("0:00:02:00");
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(edit, &out);
    EXPECT_EQ(Position(), 2 * kSecond);
    EXPECT_TRUE(W().Timer1.isActive());
    EXPECT_EQ(W().Action("taPlayPause")->shortcut(), QKeySequence(Qt::Key_Space));
}

} // namespace
} // namespace apptest
