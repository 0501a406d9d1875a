// The window's pieces with a video loaded, at the smallest size and a larger one: the timecode
// bar right under the title strip (no empty band), the picture under it, the navigation bar
// under the picture, nothing over the bottom strip or the panel column.

#include "app_fixture.h"

#include "app/panels/bottom_strip.h"
#include "app/panels/nav_file_frame.h"
#include "app/panels/panel_column.h"
#include "app/panels/title_strip.h"
#include "app/panels/top_bar.h"
#include "app/video_panel.h"

namespace apptest {
namespace {

using namespace sp;

class VideoAreaPlacement : public AppTest {
protected:
    // The video window in client coordinates.
    QRect VideoOnClient() {
        TVideoPanel* panel = W().Widgets().VideoPanel;
        return panel->videoRect().translated(panel->pos());
    }
    void ExpectPlaced(QSize size) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        W().resize(size);
        QCoreApplication::processEvents();
        TShowFormWidgets& w = W().Widgets();
        const QRect title = w.TitleStrip->geometry();
        const QRect top = w.TopBar->geometry();
        const QRect video = VideoOnClient();
        const QRect nav = w.Navigation->geometry();
        const QRect bottom = w.BottomStrip->geometry();
        EXPECT_GE(top.top(), title.bottom() + 1);
        EXPECT_LE(top.top() - title.bottom(), 16) << "an empty band under the title strip";
        EXPECT_LE(top.bottom(), video.top() - 12); // above the frame round the picture
        EXPECT_GT(video.width(), 300);
        EXPECT_GE(nav.top(), video.bottom());
        EXPECT_LE(nav.bottom(), bottom.top());
        EXPECT_FALSE(video.intersects(w.Panels->geometry()));
        EXPECT_TRUE(w.Client->rect().contains(w.VideoPanel->geometry()));
    }
};

TEST_F(VideoAreaPlacement, AWidePictureSitsUnderTheTimecodeBarAtEverySize) {
    Open();
    W().LoadVideoFile(Copy("mpeg2_16x9.mpg", "wide.mpg"));
    ASSERT_TRUE(W().Media->HasVideo());
    ExpectPlaced({708, 522});
    ExpectPlaced({1000, 700});
    ExpectPlaced({1400, 600}); // height-bound: the picture fills the panel's height
}

TEST_F(VideoAreaPlacement, AFourByThreePictureToo) {
    Open();
    W().LoadVideoFile(Copy("avi_mjpeg.avi", "square.avi"));
    ASSERT_TRUE(W().Media->HasVideo());
    ExpectPlaced({708, 522});
    ExpectPlaced({1000, 700});
}

} // namespace
} // namespace apptest
