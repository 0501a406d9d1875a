// The intervalometer on the generated media: the shots of a normal run and of a precision run,
// each image checked against FFmpeg's frame at its time; script arguments; stopping at any
// moment; a full disk during a run; the bar.

#include "grab_fixture.h"

#include "app/panels/bottom_strip.h"
#include "app/panels/dossiers_frame.h"
#include "app/panels/intervallo_frame.h"
#include "app/panels/nav_file_frame.h"
#include "app/video_panel.h"
#include "app/video_view.h"
#include "settings/script.h"
#include "support/file_size_limit.h"

#include <QLineEdit>
#include <QMetaObject>
#include <QSpinBox>
#include <QTimer>

#include <memory>

namespace apptest {
namespace {

using namespace sp;

class Interval : public GrabTest {
protected:
    void LoadNumbered(const std::string& media, const QString& name) {
        Load(media, name);
        W().ExecuteToken("bmp");
        W().ExecuteToken("add_num", "0001");
    }
    void SetInterval(int value, int unit, bool precise) {
        W().S->ValeurIntervallometre.Value = value;
        W().S->UnitesIntervallometre.Value = unit;
        if (precise != W().Checked("taModePrecision")) W().Execute("taModePrecision");
        ASSERT_EQ(W().S->ModePrecision.Value, precise);
    }
    // Starts a run as Ctrl+I does and waits for its end.
    void Run() {
        W().Execute("taIntervalloGo");
        ASSERT_TRUE(WaitUntil([this] { return !W().IntervalRunning(); }));
    }
    // Checks the saved images shot_0001.bmp ... against frames `frames` of the clip.
    void ExpectFrames(const std::vector<int>& frames) {
        const int last = *std::max_element(frames.begin(), frames.end());
        const auto references = sptest::ffmpegFrames(MediaPath(media_), 0, last + 3);
        ASSERT_GT(int(references.size()), last);
        for (size_t i = 0; i < frames.size(); ++i) {
            const QString file = Image(QString("shot_%1.bmp").arg(i + 1, 4, 10, QChar('0')));
            EXPECT_TRUE(IsFrame(references, frames[i], LoadSaved(file))) << file.toStdString();
        }
    }
    void ExpectIdleAtTheStart() {
        EXPECT_FALSE(W().Checked("taIntervalloGo"));
        EXPECT_FALSE(sp::CommandBusy);
        EXPECT_FALSE(W().Widgets().Intervallo->running());
        EXPECT_EQ(W().Media->LastPosition, 0);
        EXPECT_FALSE(W().windowTitle().contains(" of "));
        EXPECT_TRUE(W().Timer1.isActive());
    }
    // The bar covers the navigation bar's place but leaves the video's dark frame whole, and
    // stays inside the window.
    void ExpectBarUnderTheVideoFrame() {
        const QRect bar = W().Widgets().Intervallo->geometry();
        const QRect navigation = W().Widgets().Navigation->geometry();
        const TVideoPanel* video = W().Widgets().VideoPanel;
        const QRect frame = video->frameRect().translated(video->pos());
        EXPECT_EQ(bar.left(), navigation.left());
        EXPECT_EQ(bar.size(), navigation.size());
        EXPECT_FALSE(bar.intersects(frame))
            << "bar top " << bar.top() << ", frame bottom " << frame.bottom();
        EXPECT_EQ(bar.top(), frame.bottom() + 1);
        EXPECT_LE(bar.bottom(), W().Widgets().BottomStrip->geometry().top())
            << "window " << W().width() << "x" << W().height();
    }
    std::string media_;
};

TEST_F(Interval, ANormalRunOf10SecondsEverySecondTakes11ShotsEachAtItsTime) {
    media_ = "interval_10s.avi";
    LoadNumbered(media_, "ten.avi");
    SetInterval(1, 1, false);
    QStringList titles;
    QObject::connect(&W(), &QWidget::windowTitleChanged, [&](const QString& t) { titles << t; });
    W().Media->SetPosition(3 * kSecond);
    W().Execute("taPlayPause"); // a playing video is paused at 0 first
    Run();
    EXPECT_EQ(SavedFiles().size(), 11);
    EXPECT_EQ(NumberText(), "0012"); // advanced by the shots taken
    ExpectFrames({0, 25, 50, 75, 100, 125, 150, 175, 200, 225, 249});
    ExpectIdleAtTheStart();
    EXPECT_EQ(W().Media->GetGraphState(), 2);
    // The end of the run toggled the bar into view, counting for the next run.
    EXPECT_TRUE(W().Checked("taIntervalloShow"));
    EXPECT_EQ(W().RemainingShots, 11);
    // The progress in the title: before the first shot, after each, and the title back.
    ASSERT_EQ(titles.size(), 13) << titles.join('\n').toStdString();
    EXPECT_TRUE(titles[0].startsWith("0 of 11 - "));
    EXPECT_TRUE(titles[11].startsWith("11 of 11 - "));
    EXPECT_EQ(titles[12], QString("%1 by Orvane").arg(TShowForm::ProgramTitle()));
}

TEST_F(Interval, AMinuteOver61SecondsIsTwoShotsAndArgumentsForceTheNormalMode) {
    media_ = "interval_61s.avi";
    LoadNumbered(media_, "long.avi");
    SetInterval(1, 2, true);
    W().ExecuteToken("intervallo", "1minutes");
    EXPECT_FALSE(W().S->ModePrecision.Value); // a scripted run seeks shot by shot
    EXPECT_EQ(SavedFiles().size(), 2);
    ExpectFrames({0, 300}); // 5 frames per second
    ExpectIdleAtTheStart();

    // "5seconds" sets 5 and Seconds and shows the bar; "5" changes neither.
    // The argument showed the bar, the end of the run toggled it away again.
    EXPECT_FALSE(W().Checked("taIntervalloShow"));
    EXPECT_TRUE(W().Widgets().Intervallo->isHidden());
    W().ExecuteToken("add_num", "0001");
    W().S->ModePrecision.Value = true;
    QDir(Images()).removeRecursively();
    QDir().mkpath(Images());
    W().ExecuteToken("intervallo", "20seconds");
    EXPECT_EQ(W().S->ValeurIntervallometre.Value, 20);
    EXPECT_EQ(W().S->UnitesIntervallometre.Value, 1);
    EXPECT_EQ(W().Widgets().Intervallo->intervalValue(), 20);
    EXPECT_EQ(SavedFiles().size(), 4); // 0, 20, 40, 60
    W().S->ModePrecision.Value = true;
    W().ExecuteToken("add_num", "0001");
    W().ExecuteToken("intervallo", "5");
    EXPECT_EQ(W().S->ValeurIntervallometre.Value, 20);
    EXPECT_FALSE(W().S->ModePrecision.Value);
    EXPECT_EQ(SavedFiles().size(), 4); // the same names again: asked, and answered No
    EXPECT_EQ(questions_.size(), 4);
}

TEST_F(Interval, APrecisionRunInFramesGrabsEveryFrameExactly) {
    media_ = "avi_mjpeg.avi";
    LoadNumbered(media_, "clip.avi");
    SetInterval(1, 0, true);
    Run();
    const QStringList saved = SavedFiles();
    // Every frame of the clip: the grab time at its very end has no frame after it.
    ASSERT_EQ(saved.size(), 100) << saved.join(' ').toStdString();
    std::vector<int> frames(100);
    for (int i = 0; i < 100; ++i)
        frames[size_t(i)] = i;
    ExpectFrames(frames);
    EXPECT_EQ(NumberText(), "0101");
    ExpectIdleAtTheStart();
    EXPECT_TRUE(W().Media->HasAudio()); // the sound chain the run took away is back
    EXPECT_EQ(W().Media->MaxSpeed, 0);
}

TEST_F(Interval, APrecisionRunShowsAFewPicturesOnTheWayAndItsStartAfterwards) {
    media_ = "interval_10s.avi";
    LoadNumbered(media_, "ten.avi");
    SetInterval(1, 1, true);
    TVideoView* view = W().Widgets().View();
    view->resetStatistics();
    Run();
    ExpectFrames({0, 25, 50, 75, 100, 125, 150, 175, 200, 225});
    // At maximum speed most pictures never reach the window; every grab is still exact.
    const TVideoView::Statistics during = view->statistics();
    EXPECT_GT(during.skipped, 0u);
    EXPECT_LT(during.presented, 250u);
    // Back at the start, the window shows the first frame again, as it would after any seek.
    const auto first = sptest::ffmpegFrames(MediaPath(media_), 0, 3);
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(WaitUntil([&] {
        const QImage shown = view->shownPicture();
        return !shown.isNull() && IsFrame(first, 0, shown);
    }));
    const uint64_t skipped = view->statistics().skipped;
    W().ExecuteToken("frame_forward"); // and every picture again once the run is over
    EXPECT_TRUE(WaitUntil([&] { return view->statistics().presented > during.presented; }));
    EXPECT_EQ(view->statistics().skipped, skipped);
}

TEST_F(Interval, EscStopsANormalRunBeforeItsNextShotKeepingTheImages) {
    media_ = "interval_10s.avi";
    LoadNumbered(media_, "ten.avi");
    SetInterval(1, 1, false);
    // Esc pressed while the second image is being saved: it is written in the background
    // while the run goes on, and the stop waits for it and counts it.
    bool inFlight = false;
    QObject::connect(&W(), &QWidget::windowTitleChanged, [&](const QString& title) {
        if (title.startsWith("2 of ")) inFlight = W().SaveInFlight();
        if (title.startsWith("2 of "))
            QMetaObject::invokeMethod(
                &W(), [this] { W().Execute("saAbort"); }, Qt::QueuedConnection);
    });
    Run();
    EXPECT_TRUE(inFlight);
    EXPECT_FALSE(W().SaveInFlight());
    EXPECT_EQ(SavedFiles(), (QStringList{"shot_0001.bmp", "shot_0002.bmp"}));
    EXPECT_EQ(NumberText(), "0003");
    ExpectFrames({0, 25});
    ExpectIdleAtTheStart();
}

TEST_F(Interval, EscStopsAPrecisionRunAtOnce) {
    media_ = "interval_10s.avi";
    LoadNumbered(media_, "ten.avi");
    SetInterval(1, 0, true);
    int grabs = 0;
    QObject::connect(&W(), &TShowForm::GrabTimeReached, [&] {
        if (++grabs == 3)
            QMetaObject::invokeMethod(
                &W(), [this] { W().Execute("saAbort"); }, Qt::QueuedConnection);
    });
    Run();
    EXPECT_EQ(grabs, 3);
    // The third image may still have been on its way to the disk when Esc came: it is written
    // and counted all the same.
    EXPECT_EQ(SavedFiles().size(), 3);
    EXPECT_EQ(NumberText(), "0004");
    ExpectFrames({0, 1, 2});
    ExpectIdleAtTheStart();
    // The stream goes on normally afterwards.
    W().ExecuteToken("frame_forward");
    EXPECT_EQ(W().Media->LastPosition, kFrame);
}

// The rest of a precision shot runs after the grab message has been answered. A run stopped
// inside the message itself (before that rest) drops that shot whole: nothing is written or
// counted for it, and no shot of the run comes after the stop.
TEST_F(Interval, APrecisionRunStoppedInsideTheGrabMessageDropsThatShot) {
    media_ = "interval_10s.avi";
    LoadNumbered(media_, "ten.avi");
    SetInterval(1, 0, true);
    int grabs = 0, shownAfterStop = 0;
    QObject::connect(&W(), &TShowForm::GrabTimeReached, [&] {
        if (!W().IntervalRunning()) ++shownAfterStop;
        if (++grabs == 3) W().Execute("saAbort");
    });
    Run();
    ASSERT_TRUE(WaitUntil([this] { return !W().SaveInFlight(); }));
    QCoreApplication::processEvents(); // a shot still queued would run here
    EXPECT_EQ(shownAfterStop, 0);
    EXPECT_EQ(SavedFiles(), (QStringList{"shot_0001.bmp", "shot_0002.bmp"}));
    EXPECT_EQ(NumberText(), "0003");
    ExpectFrames({0, 1});
    ExpectIdleAtTheStart();
}

TEST_F(Interval, AFullDiskStopsTheRunWithOneMessageAndNoHalfImage) {
    media_ = "interval_10s.avi";
    LoadNumbered(media_, "ten.avi");
    // Every frame at maximum speed: shots wait while the one before is still on its way, and
    // none of them may be written after the failure.
    const struct {
        bool precise;
        int unit;
    } runs[] = {{false, 1}, {true, 1}, {true, 0}};
    for (const auto& run : runs) {
        const bool precise = run.precise;
        SCOPED_TRACE(precise ? (run.unit == 0 ? "precision, frames" : "precision") : "normal");
        QDir(Images()).removeRecursively();
        QDir().mkpath(Images());
        W().ExecuteToken("add_num", "0001");
        warnings.clear();
        SetInterval(1, run.unit, precise);
        std::unique_ptr<sptest::FileSizeLimit> full;
        // Once two images are written and counted; the third is then written while the run
        // fetches the fourth, and its failure must still stop the run.
        auto* number = W().Widgets().Dossiers()->findChild<QLineEdit*>("numEdit");
        const auto watch = QObject::connect(number, &QLineEdit::textChanged, [&] {
            if (!full && NumberText() == "0003")
                full = std::make_unique<sptest::FileSizeLimit>(4096);
        });
        Run();
        QObject::disconnect(watch);
        full.reset();
        EXPECT_EQ(warnings.size(), 1) << warnings.join('\n').toStdString();
        EXPECT_EQ(SavedFiles(), (QStringList{"shot_0001.bmp", "shot_0002.bmp"}));
        EXPECT_EQ(NumberText(), "0003");
        ExpectIdleAtTheStart();
    }
}

TEST_F(Interval, TheBarLiesOverTheNavigationBarAndCountsTheShots) {
    media_ = "interval_10s.avi";
    LoadNumbered(media_, "ten.avi");
    Tintervalloframe* bar = W().Widgets().Intervallo;
    EXPECT_TRUE(bar->isHidden());
    W().ExecuteToken("show_intervallo");
    EXPECT_FALSE(bar->isHidden());
    ExpectBarUnderTheVideoFrame();
    EXPECT_EQ(bar->counterText(), "11");
    bar->findChild<QSpinBox*>("RxSpinEdit7")->setValue(2); // as the user would
    EXPECT_EQ(W().S->ValeurIntervallometre.Value, 2);
    EXPECT_EQ(bar->counterText(), "6");
    W().Media->SetPosition(5 * kSecond); // counted from the position
    W().ComputeIntervalCount();
    EXPECT_EQ(bar->counterText(), "3");
    W().resize(900, 700);
    ExpectBarUnderTheVideoFrame();
    W().resize(W().minimumSize());
    ExpectBarUnderTheVideoFrame();
    // The Precise box and Ctrl+P are one switch.
    const bool precise = W().S->ModePrecision.Value;
    W().Execute("taModePrecision");
    EXPECT_EQ(bar->precise(), !precise);
    EXPECT_EQ(W().S->ModePrecision.Value, !precise);
    // A stored unit with no entry reads as seconds.
    W().S->UnitesIntervallometre.Value = 3;
    W().ApplyGrabSettings();
    EXPECT_EQ(W().S->UnitesIntervallometre.Value, 1);
    EXPECT_EQ(bar->unitIndex(), 1);
    W().ExecuteToken("show_intervallo");
    EXPECT_TRUE(bar->isHidden());
}

// With no video loaded the grab, copy and intervalometer commands take nothing, hold nothing,
// and a script goes on (a precision run used to wait for a stream end that never came).
TEST_F(Interval, WithoutAVideoNothingIsTakenAndTheScriptGoesOn) {
    Open();
    W().ExecuteToken("dest_folder", Images());
    bool gaveUp = false;
    QTimer::singleShot(30'000, W().Script(), [&] {
        gaveUp = true;
        W().Execute("saAbort");
    });
    TScript& script = *W().Script();
    for (const char16_t* line : {u"precision", u"intervallo", u"grab", u"copy", u"-precision",
                                 u"intervallo \"1 Seconds\"", u"grab", u"rootname after"})
        script.ParseLine(line);
    for (auto& command : script.Commands)
        command.Action->SetEnabled(true); // as a command line given before any refresh finds them
    script.Run();
    EXPECT_FALSE(gaveUp);
    EXPECT_FALSE(sp::CommandBusy);
    EXPECT_FALSE(W().IntervalRunning());
    EXPECT_FALSE(W().Checked("taIntervalloGo"));
    EXPECT_EQ(W().S->DefaultRacine.Value, "after");
    EXPECT_TRUE(SavedFiles().isEmpty()) << SavedFiles().join(' ').toStdString();
}

} // namespace
} // namespace apptest
