// Closing the main window in the middle of its work: while a file is loading (the loading lets
// the window's events through, the close among them), and while playing.

#include "app_fixture.h"

#include "app/video_view.h"

#include <QTimer>

namespace apptest {
namespace {

using namespace sp;

class Closing : public AppTest {
protected:
    // Starts loading `path` with a close request waiting in the event queue; the close runs
    // from inside the loading.
    void LoadAndCloseMeanwhile(const QString& path) {
        W().ExecuteToken("save_prefs", "registry");
        W().ExecuteToken("options_page");
        if (!W().S->TraiterErreurs.Value) W().Execute("taTraiterErreurs");
        ASSERT_TRUE(W().S->TraiterErreurs.Value);
        bool closeRan = false, accepted = false;
        QTimer::singleShot(0, window_.get(), [this, &closeRan, &accepted] {
            closeRan = true;
            accepted = window_->close();
        });
        W().LoadVideoFile(path);
        QCoreApplication::processEvents();
        ASSERT_TRUE(closeRan);
        EXPECT_TRUE(accepted);
        EXPECT_FALSE(W().isVisible());
        EXPECT_FALSE(W().Timer1.isActive()) << "the position timer runs after the close";
        EXPECT_FALSE(W().Media->HasVideo()) << "a graph was built after the close";
        EXPECT_TRUE(errors.isEmpty()) << "a failure was reported for the abandoned loading";
        window_.reset(); // the end of the window, with the loading abandoned
    }
};

TEST_F(Closing, WhileAFileIsLoadingEndsCleanlyWithTheSettingsSaved) {
    Open();
    LoadAndCloseMeanwhile(Copy("mpeg2_16x9.mpg", "loading.mpg"));
    Open(); // the settings of the closed window were stored
    EXPECT_EQ(W().S->PanneauActif.Value, 4);
    EXPECT_EQ(SaveMode, pmRegistry);
}

TEST_F(Closing, WhileAFileWithSoundIsLoadingToo) {
    Open();
    LoadAndCloseMeanwhile(Copy("avi_mjpeg.avi", "loading.avi"));
}

TEST_F(Closing, WhilePlayingStopsTheGraphAndTheTimer) {
    Open();
    W().ExecuteToken("save_prefs", "registry");
    W().LoadVideoFile(Copy("mpeg2_16x9.mpg", "playing.mpg"));
    ASSERT_TRUE(W().Media->HasVideo());
    W().ExecuteToken("play_pause");
    ASSERT_TRUE(W().Checked("taPlayPause"));
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(W().close());
    EXPECT_FALSE(W().Timer1.isActive());
    window_.reset();
}

} // namespace
} // namespace apptest
