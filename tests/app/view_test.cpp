// The view and sound commands on the real window: display ratios and the video area, full
// screen on the backdrop, the reduced window, the mirrored layout, the flips checked on the
// frame itself, the inlay sliders, the volume and mute.

#include "app_fixture.h"

#include "app/layout_rules.h"
#include "app/panels/nav_file_frame.h"
#include "app/panels/sources_frame.h"
#include "app/panels/top_bar.h"
#include "app/plaque.h"
#include "app/video_panel.h"
#include "app/video_view.h"
#include "filters/frame_bitmap.h"
#include "ui/text_gauge.h"

#include <QDir>
#include <QImage>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <cstring>

namespace apptest {
namespace {

using namespace sp;

class View : public AppTest {
protected:
    // The window at a size whose video panel is 420 x 334, with `media` loaded.
    void Load(const std::string& media, const QString& name) {
        Open();
        W().resize(712, 526);
        W().LoadVideoFile(Copy(media, name));
        ASSERT_TRUE(W().Media->HasVideo()) << name.toStdString();
        QCoreApplication::processEvents();
    }
    QRect VideoRect() { return W().Widgets().VideoPanel->videoRect(); }

    // The frame the inlay renderer holds now (flips and inlay applied).
    std::vector<uint8_t> Frame(int& width, int& height) {
        TFrameBitmap copy;
        W().Media->CopyCurrentFrame(copy);
        width = copy.Width();
        height = copy.Height();
        return {copy.Bits(), copy.Bits() + copy.Stride() * std::size_t(copy.Height())};
    }
};

TEST_F(View, A16x9PalStreamFitsThePanelAndForcedRatiosChangeTheVideoAreaAndImageSize) {
    Load("raw.dv", "clip.dv");
    ASSERT_EQ(W().Media->VideoInfo.Width, 720);
    ASSERT_EQ(W().Media->VideoInfo.Height, 576);
    ASSERT_EQ(W().Media->VideoInfo.Aspect, 1); // flagged 16:9
    ASSERT_EQ(W().Widgets().VideoPanel->size(), QSize(420, 334));
    EXPECT_EQ(VideoRect(), QRect(12, 56, 396, 222));
    EXPECT_EQ(W().AspectMode, 2);

    W().ExecuteToken("ratio_4x3");
    EXPECT_EQ(W().S->ForcerAspectRatio.Value, 1);
    EXPECT_EQ(W().AspectMode, 1);
    EXPECT_EQ(VideoRect(), QRect(12, 18, 396, 297));
    EXPECT_EQ(W().ImageSize, QSize(720, 540)); // the saved image is 4:3
    EXPECT_TRUE(W().Widgets().TopBar->sizeText().endsWith(" [4x3]"))
        << W().Widgets().TopBar->sizeText().toStdString();
    W().ExecuteToken("dest_folder", Path("images"));
    W().ExecuteToken("grab");
    const QStringList saved = QDir(Path("images")).entryList(QDir::Files);
    ASSERT_EQ(saved.size(), 1);
    EXPECT_EQ(QImage(Path("images/" + saved.front())).size(), QSize(720, 540));

    W().ExecuteToken("ratio_native");
    EXPECT_EQ(W().AspectMode, 3);
    EXPECT_EQ(VideoRect().size(), QSize(387, 310)); // 720:576 in 396 x 310
    EXPECT_EQ(W().ImageSize, QSize(720, 576));

    W().ExecuteToken("ratio_16x9");
    EXPECT_EQ(VideoRect(), QRect(12, 56, 396, 222));
    EXPECT_EQ(W().ImageSize, QSize(720, 405));

    W().ExecuteToken("ratio_normal");
    EXPECT_EQ(W().S->ForcerAspectRatio.Value, 0);
    EXPECT_EQ(W().AspectMode, 2); // from the stream's flag again
    // The top bar sits over the video, the navigation bar under it.
    EXPECT_EQ(W().Widgets().TopBar->y(), 86 + 56 - 32);
    EXPECT_EQ(W().Widgets().Navigation->y(), 86 + 56 + 222);
}

TEST_F(View, AStreamOfNoStandardShapeShowsNoSuffix) {
    Load("h264.mp4", "clip.mp4");
    W().Media->VideoInfo.Aspect = 2; // neither 4:3 nor 16:9
    W().ExecuteToken("ratio_normal");
    EXPECT_EQ(W().AspectMode, 0);
    EXPECT_EQ(W().DisplayAspect, QSize(W().Media->VideoInfo.Width, W().Media->VideoInfo.Height));
    EXPECT_FALSE(W().Widgets().TopBar->sizeText().contains("["))
        << W().Widgets().TopBar->sizeText().toStdString();
}

TEST_F(View, WithoutVideoTheRatioIsOnlyRemembered) {
    Open();
    const QRect before = VideoRect();
    W().ForceDisplayAspect(3);
    EXPECT_EQ(W().S->ForcerAspectRatio.Value, 3);
    EXPECT_EQ(VideoRect(), before);
}

TEST_F(View, ResizingTheWindowLaysTheVideoOutAgain) {
    Load("raw.dv", "clip.dv");
    W().resize(1000, 700);
    QCoreApplication::processEvents();
    const QRect panel = W().Widgets().VideoPanel->geometry();
    EXPECT_EQ(panel, QRect(W().VideoAreaLeft + 8, 86, 1000 - 292, 700 - 192));
    EXPECT_EQ(VideoRect(), layout::fitAspect(16, 9, QRect(QPoint(0, 0), panel.size()), true, 12));
}

TEST_F(View, FullScreenStoredAtStartOnlyChecksTheAction) {
    Open();
    W().ExecuteToken("save_prefs", "registry");
    W().SetChecked("tafullscreen", true); // kept at closing
    ASSERT_TRUE(Close());
    Open();
    EXPECT_TRUE(W().Checked("tafullscreen"));
    EXPECT_EQ(W().Action("tafullscreen")->text(), "Leave Full screen");
    EXPECT_FALSE(W().FullScreenShown());
}

TEST_F(View, FullScreenPutsThePictureOnTheBackdropAndEscBringsItBack) {
    Load("raw.dv", "clip.dv");
    TVideoView* view = W().Widgets().View();
    W().ExecuteToken("full_screen");
    ASSERT_TRUE(W().FullScreenShown());
    EXPECT_TRUE(W().Checked("tafullscreen"));
    EXPECT_EQ(view->parentWidget(), W().Plaque());
    EXPECT_EQ(W().Plaque()->screen(), W().screen());
    const QSize screen = W().screen()->geometry().size();
    const layout::FullScreenLayout expected = layout::layoutFullScreen({16, 9}, screen);
    EXPECT_EQ(view->geometry(), expected.video);
    EXPECT_EQ(W().Plaque()->frameRect(), expected.video.adjusted(-4, -4, 4, 4));
    EXPECT_EQ(expected.video.left() >= 4 && expected.video.right() < screen.width() - 4, true);
    // Every action of the window works on the backdrop.
    for (QAction* a : W().actions())
        EXPECT_TRUE(W().Plaque()->actions().contains(a));
    // Another ratio in full screen stays on the backdrop.
    W().ExecuteToken("ratio_4x3");
    EXPECT_EQ(view->geometry(), layout::layoutFullScreen({4, 3}, screen).video);

    // Shortcuts typed on the backdrop reach the window's actions.
    QApplication::setActiveWindow(W().Plaque());
    QTest::keyClick(W().Plaque(), Qt::Key_F4);
    EXPECT_TRUE(W().Checked("taVertFlip"));
    QTest::keyClick(W().Plaque(), Qt::Key_Escape);
    EXPECT_FALSE(W().FullScreenShown());
    W().ExecuteToken("full_screen");
    W().Execute("saAbort"); // Esc
    EXPECT_FALSE(W().FullScreenShown());
    EXPECT_FALSE(W().Checked("tafullscreen"));
    EXPECT_EQ(view->parentWidget(), W().Widgets().VideoPanel);
    EXPECT_TRUE(view->isVisibleTo(W().Widgets().VideoPanel));
    EXPECT_EQ(VideoRect(), QRect(12, 18, 396, 297));
    EXPECT_EQ(view->geometry(), VideoRect());
}

TEST_F(View, ClosingTheBackdropLeavesFullScreenAndSoDoesClosingTheVideo) {
    Load("raw.dv", "clip.dv");
    W().ExecuteToken("full_screen");
    ASSERT_TRUE(W().FullScreenShown());
    W().Plaque()->close();
    EXPECT_FALSE(W().FullScreenShown());
    EXPECT_FALSE(W().Checked("tafullscreen"));
    EXPECT_EQ(W().Widgets().View()->parentWidget(), W().Widgets().VideoPanel);

    W().ExecuteToken("full_screen");
    ASSERT_TRUE(W().FullScreenShown());
    W().CloseVideo();
    EXPECT_FALSE(W().FullScreenShown());
    EXPECT_EQ(W().Widgets().View()->parentWidget(), W().Widgets().VideoPanel);
}

TEST_F(View, ReducingResizingAndRestoringGivesBackTheSize) {
    Load("raw.dv", "clip.dv");
    W().resize(900, 640);
    QCoreApplication::processEvents();
    const QSize panel = W().Widgets().VideoPanel->size();
    W().ExecuteToken("reduce");
    EXPECT_TRUE(W().Checked("taReduire"));
    EXPECT_TRUE(W().S->ReducedOn.Value);
    EXPECT_EQ(W().S->MainWidth.Value, 900);
    EXPECT_EQ(W().S->MainHeight.Value, 640);
    EXPECT_EQ(W().size(), panel);
    EXPECT_EQ(W().Widgets().VideoPanel->pos(), QPoint(0, 0));
    EXPECT_EQ(W().windowTitle(), W().Widgets().Sources()->videoStreamText());
    EXPECT_FALSE(W().windowTitle().contains("by Orvane"));
    EXPECT_LT(W().minimumWidth(), 708);

    // A reduced window can be made smaller than the normal minimum; the video follows.
    W().resize(400, 260);
    QCoreApplication::processEvents();
    EXPECT_EQ(W().Widgets().VideoPanel->geometry(), QRect(0, 0, 400, 260));
    EXPECT_EQ(VideoRect(), layout::fitAspect(16, 9, QRect(0, 0, 400, 260), true, 12));
    // The layout is frozen while reduced: mirroring changes the setting only.
    W().ExecuteToken("mirror");
    EXPECT_EQ(W().Widgets().VideoPanel->geometry(), QRect(0, 0, 400, 260));
    W().ExecuteToken("mirror");

    W().ExecuteToken("reduce");
    EXPECT_FALSE(W().Checked("taReduire"));
    EXPECT_FALSE(W().S->ReducedOn.Value);
    EXPECT_EQ(W().size(), QSize(900, 640));
    EXPECT_EQ(W().minimumSize(), QSize(708, 522));
    EXPECT_EQ(W().windowTitle(), "Stillpick 5.0.6 En by Orvane");
    EXPECT_EQ(W().Widgets().VideoPanel->geometry(),
              QRect(W().VideoAreaLeft + 8, 86, 900 - 292, 640 - 192));
}

TEST_F(View, MirroringSwapsTheVideoAndThePanels) {
    Load("raw.dv", "clip.dv");
    const bool videoAtLeft = W().S->EcranGauche.Value;
    W().ExecuteToken("sliders");
    for (int run = 0; run < 2; ++run) {
        W().ExecuteToken("mirror");
        const bool left = run == 0 ? !videoAtLeft : videoAtLeft;
        EXPECT_EQ(W().S->EcranGauche.Value, left);
        EXPECT_EQ(W().PanelsLeft, left ? 712 - 276 : 0);
        EXPECT_EQ(W().VideoAreaLeft, left ? 0 : 276);
        const int panelLeft = left ? 8 : 276 + 8;
        EXPECT_EQ(W().Widgets().VideoPanel->x(), panelLeft);
        // The sliders follow the video to its new place.
        EXPECT_EQ(W().Xslider->x(), panelLeft + 12 - 8);
        EXPECT_EQ(W().Yslider->x(), panelLeft + 12 + 396 - 6 - 7 + 6);
    }
}

// True when `b` is `a` turned upside down (rows reversed) or mirrored (each row reversed).
bool Flipped(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int w, int h,
             bool vertical) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int sx = vertical ? x : w - 1 - x;
            const int sy = vertical ? h - 1 - y : y;
            if (std::memcmp(&a[(std::size_t(y) * w + x) * 4], &b[(std::size_t(sy) * w + sx) * 4],
                            3) != 0)
                return false;
        }
    return true;
}

TEST_F(View, FlipsTurnTheFrameAndComeBack) {
    Load("avi_mjpeg.avi", "clip.avi");
    int w = 0, h = 0;
    W().RefreshPicture();
    const std::vector<uint8_t> plain = Frame(w, h);
    W().RefreshPicture(); // the same picture is delivered again
    ASSERT_EQ(Frame(w, h), plain) << W().Media->LastPosition;
    ASSERT_GT(w, 0);
    ASSERT_FALSE(Flipped(plain, plain, w, h, true)); // the picture is not symmetric

    W().ExecuteToken("vertical_flip");
    EXPECT_TRUE(W().Checked("taVertFlip"));
    EXPECT_FALSE(W().Seeking);
    std::vector<uint8_t> turned = Frame(w, h);
    EXPECT_TRUE(Flipped(plain, turned, w, h, true));

    W().ExecuteToken("vertical_flip");
    W().ExecuteToken("horizontal_flip");
    EXPECT_FALSE(W().Checked("taVertFlip"));
    EXPECT_TRUE(W().Checked("taHorzFlip"));
    turned = Frame(w, h);
    EXPECT_TRUE(Flipped(plain, turned, w, h, false));

    W().ExecuteToken("horizontal_flip");
    EXPECT_EQ(Frame(w, h), plain);
    // The window shows the frame it holds.
    const QImage shown = W().Widgets().View()->shownPicture();
    EXPECT_EQ(shown.size(), QSize(w, h));
}

TEST_F(View, TheSlidersSwitchTheInlayOnAndTakeThePlaceOfTheNavigationBar) {
    Load("raw.dv", "clip.dv");
    ASSERT_FALSE(W().Checked("taIncruster"));
    auto* corner = W().Widgets().VideoPanel->findChild<QToolButton*>("InlayCorner");
    ASSERT_TRUE(corner);
    corner->click(); // the inlay corner square
    EXPECT_TRUE(W().Checked("taSliders"));
    EXPECT_TRUE(W().Xslider->isVisibleTo(&W()));
    EXPECT_TRUE(W().Yslider->isVisibleTo(&W()));
    EXPECT_TRUE(W().Checked("taIncruster"));
    EXPECT_TRUE(W().S->WantIncrust.Value);
    EXPECT_FALSE(W().Widgets().Navigation->isVisibleTo(&W()));
    // Along the video's right and lower edges.
    const QRect video = VideoRect().translated(W().Widgets().VideoPanel->pos());
    EXPECT_EQ(W().Yslider->height(), video.height() + 16);
    EXPECT_EQ(W().Yslider->y(), video.y() - 8);
    EXPECT_EQ(W().Xslider->width(), video.width() + 16);
    EXPECT_EQ(W().Xslider->x(), video.x() - 8);

    W().ExecuteToken("sliders");
    EXPECT_FALSE(W().Checked("taSliders"));
    EXPECT_FALSE(W().Xslider->isVisibleTo(&W()));
    EXPECT_TRUE(W().Widgets().Navigation->isVisibleTo(&W()));
    EXPECT_TRUE(W().Checked("taIncruster")); // the inlay stays on
}

TEST_F(View, HidingTheSlidersBringsTheIntervalometerBarBackOnlyWhenItWasShown) {
    Load("raw.dv", "clip.dv");
    QWidget* bar = nullptr;
    for (QWidget* w : W().Widgets().Client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->inherits("sp::Tintervalloframe")) bar = w;
    ASSERT_TRUE(bar);
    for (bool shown : {true, false}) {
        if (W().Checked("taIntervalloShow") != shown) W().ExecuteToken("show_intervallo");
        ASSERT_EQ(W().Checked("taIntervalloShow"), shown);
        EXPECT_EQ(bar->isVisibleTo(&W()), shown);
        W().ExecuteToken("sliders");
        EXPECT_FALSE(bar->isVisibleTo(&W())) << shown;
        EXPECT_FALSE(W().Widgets().Navigation->isVisibleTo(&W()));
        W().ExecuteToken("sliders");
        EXPECT_EQ(bar->isVisibleTo(&W()), shown);
        EXPECT_TRUE(W().Widgets().Navigation->isVisibleTo(&W()));
    }
}

// Grabs of the paused picture, saved losslessly: flipped ones are the plain one turned, and the
// inlay's number changes only the pixels of its place.
TEST_F(View, GrabbedImagesShowTheFlipsAndTheInlayText) {
    Load("avi_mjpeg.avi", "clip.avi");
    QDir().mkpath(Path("images"));
    W().ExecuteToken("dest_folder", Path("images"));
    W().ExecuteToken("bmp");
    W().ExecuteToken("add_num", "0001"); // numbered names: the paused picture is grabbed again
    // Deinterlacing works on the rows' field order, which turning the picture changes.
    if (W().Checked("taImagesDeinterlacer")) W().ExecuteToken("deinterlace");
    int n = 0;
    auto grab = [&] {
        const QStringList before = QDir(Path("images")).entryList(QDir::Files);
        W().ExecuteToken("grab");
        const QStringList after = QDir(Path("images")).entryList(QDir::Files);
        EXPECT_EQ(after.size(), before.size() + 1) << ++n;
        for (const QString& name : after)
            if (!before.contains(name))
                return QImage(Path("images/" + name)).convertToFormat(QImage::Format_RGB32);
        return QImage();
    };
    const QImage plain = grab();
    ASSERT_EQ(plain.size(), QSize(320, 240));
    ASSERT_NE(plain, plain.mirrored(false, true)); // the picture is not symmetric
    W().ExecuteToken("vertical_flip");
    EXPECT_EQ(grab(), plain.mirrored(false, true));
    W().ExecuteToken("vertical_flip");
    W().ExecuteToken("horizontal_flip");
    EXPECT_EQ(grab(), plain.mirrored(true, false));
    W().ExecuteToken("horizontal_flip");
    EXPECT_EQ(grab(), plain);

    W().ExecuteToken("inlay_number");
    const QImage numbered = grab();
    QRect changed;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            if (numbered.pixel(x, y) != plain.pixel(x, y))
                changed = changed.united(QRect(x, y, 1, 1));
    ASSERT_FALSE(changed.isEmpty());
    // Right-aligned at 914/1000 of 320, the second line from 914/1000 of 240, 16 pixels high,
    // with its 2-pixel border.
    EXPECT_LE(changed.right(), 292 + 2);
    EXPECT_GE(changed.right(), 292 - 8);
    EXPECT_GE(changed.top(), 219 - 2);
    EXPECT_LE(changed.bottom(), 219 + 16 + 2);
    EXPECT_GT(changed.width(), 16); // several digits
}

TEST_F(View, VolumeStepsStopAtTheEndsAndMuteKeepsTheVolume) {
    Load("raw.dv", "clip.dv");
    ASSERT_TRUE(W().Media->HasAudio());
    TTextGauge* gauge = W().Widgets().TopBar->volumeGauge();
    W().S->IVolume.Value = 9500;
    W().ExecuteToken("inc_volume");
    EXPECT_EQ(W().S->IVolume.Value, 10000);
    EXPECT_EQ(W().Media->Volume(), 10000);
    EXPECT_EQ(gauge->Progress(), 100);
    W().S->IVolume.Value = 500;
    W().ExecuteToken("dec_volume");
    EXPECT_EQ(W().S->IVolume.Value, 0);
    EXPECT_EQ(gauge->Progress(), 0);
    W().ExecuteToken("inc_volume");
    W().ExecuteToken("inc_volume");
    EXPECT_EQ(W().Media->Volume(), 2000);

    W().ExecuteToken("mute");
    EXPECT_TRUE(W().Checked("taMute"));
    EXPECT_TRUE(W().S->MuteOn.Value);
    EXPECT_EQ(W().Media->Volume(), 0);
    // A step while muted changes the setting and the gauge, not the sound.
    W().ExecuteToken("inc_volume");
    EXPECT_EQ(W().S->IVolume.Value, 3000);
    EXPECT_EQ(W().Media->Volume(), 0);
    EXPECT_EQ(gauge->Progress(), 30);
    W().ExecuteToken("mute");
    EXPECT_FALSE(W().Checked("taMute"));
    EXPECT_FALSE(W().S->MuteOn.Value);
    EXPECT_EQ(W().Media->Volume(), 3000);
}

// The needle gauge shows per cent and any volume above 0 in the alert colour.
TEST_F(View, TheVolumeGaugeShowsPerCentInTheAlertColourAboveZero) {
    Open();
    TTextGauge* gauge = W().Widgets().TopBar->volumeGauge();
    gauge->resize(44, 20);
    auto count = [&](QRgb colour) {
        const QImage image = gauge->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
        return n;
    };
    const QRgb alert = qRgb(0xEE, 0xA3, 0xA2);
    gauge->SetProgress(0);
    EXPECT_EQ(count(alert), 0);
    gauge->SetProgress(1);
    EXPECT_GT(count(alert), 0);
    EXPECT_EQ(gauge->PercentDone(), 1);
    EXPECT_EQ(gauge->TextKind(), tkPercentDone);
}

} // namespace
} // namespace apptest
