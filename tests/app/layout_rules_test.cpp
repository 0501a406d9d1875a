// The window's geometry rules on worked examples.

#include "app/layout_rules.h"

#include <gtest/gtest.h>

#include <climits>

using namespace sp::layout;

TEST(FitAspect, TheLargestCentredRectangleOfTheAspectInsideTheMargin) {
    // A 720 x 576 stream flagged 16:9 in a 420 x 334 video panel.
    const QRect panel(284, 86, 420, 334);
    EXPECT_EQ(fitAspect(16, 9, panel, true, 12), QRect(12, 56, 396, 222));
    EXPECT_EQ(fitAspect(16, 9, panel, false, 12), QRect(284 + 12, 86 + 56, 396, 222));
    // Taller than wide: the width is reduced and the rectangle centred across.
    EXPECT_EQ(fitAspect(4, 3, QRect(0, 0, 100, 300), true, 0), QRect(0, 112, 100, 75));
    EXPECT_EQ(fitAspect(4, 3, QRect(0, 0, 400, 100), true, 0), QRect(133, 0, 133, 100));
    // No aspect: the rectangle less its margin; a negative margin grows it.
    EXPECT_EQ(fitAspect(0, 9, QRect(10, 10, 100, 50), false, 5), QRect(15, 15, 90, 40));
    EXPECT_EQ(fitAspect(-4, 3, QRect(10, 10, 100, 50), true, -5), QRect(-5, -5, 110, 60));
}

TEST(FitAspect, ImageSizesOfTheFrame) {
    const auto image = [](int a, int b, int w, int h) {
        return fitAspect(a, b, QRect(0, 0, w, h), true, 0).size();
    };
    EXPECT_EQ(image(16, 9, 720, 576), QSize(720, 405));
    EXPECT_EQ(image(4, 3, 720, 576), QSize(720, 540));
    EXPECT_EQ(image(720, 576, 720, 576), QSize(720, 576));
    EXPECT_EQ(image(16, 9, 1920, 1080), QSize(1920, 1080));
    // Large sizes do not overflow the cross products.
    EXPECT_EQ(image(65535, 65535, 60000, 40000), QSize(40000, 40000));
}

TEST(DisplayAspect, ForcedSettingFirstThenTheStreamsFlag) {
    const VideoShape pal169{720, 576, 1}, pal43{720, 576, 0}, odd{640, 352, 2}, empty{0, 0, 2};
    EXPECT_EQ(chooseDisplayAspect(1, pal169), (DisplayChoice{{4, 3}, 1}));
    EXPECT_EQ(chooseDisplayAspect(2, pal43), (DisplayChoice{{16, 9}, 2}));
    EXPECT_EQ(chooseDisplayAspect(3, pal169), (DisplayChoice{{720, 576}, 3}));
    EXPECT_EQ(chooseDisplayAspect(0, pal43), (DisplayChoice{{4, 3}, 1}));
    EXPECT_EQ(chooseDisplayAspect(7, pal169), (DisplayChoice{{16, 9}, 2}));
    EXPECT_EQ(chooseDisplayAspect(0, odd), (DisplayChoice{{640, 352}, 0}));

    EXPECT_EQ(displayAspectFor(0, odd), (Aspect{640, 352}));
    EXPECT_EQ(displayAspectFor(2, odd), (Aspect{16, 9}));
    // Native or unknown with a zero side, and modes past 3, fall back to 4:3.
    EXPECT_EQ(displayAspectFor(3, empty), (Aspect{4, 3}));
    EXPECT_EQ(displayAspectFor(0, empty), (Aspect{4, 3}));
    EXPECT_EQ(displayAspectFor(9, pal169), (Aspect{4, 3}));
}

TEST(DisplayAspect, StandardShapesKeepAPortraitPicturesOrientation) {
    // A phone's portrait picture, turned upright; a PAL picture turned a quarter, still flagged.
    const VideoShape phone{720, 1280, 2}, turnedPal{576, 720, 1};
    EXPECT_EQ(chooseDisplayAspect(1, phone), (DisplayChoice{{3, 4}, 1}));
    EXPECT_EQ(chooseDisplayAspect(2, phone), (DisplayChoice{{9, 16}, 2}));
    EXPECT_EQ(chooseDisplayAspect(0, phone), (DisplayChoice{{720, 1280}, 0}));
    EXPECT_EQ(chooseDisplayAspect(0, turnedPal), (DisplayChoice{{9, 16}, 2}));
    EXPECT_EQ(displayAspectFor(1, phone), (Aspect{3, 4}));
    EXPECT_EQ(displayAspectFor(2, phone), (Aspect{9, 16}));
    EXPECT_EQ(displayAspectFor(3, phone), (Aspect{720, 1280}));
}

TEST(WindowLayout, PanelsAtTheLeftOrMirroredAtTheRight) {
    const WindowLayout normal = layoutWindow({708, 522}, false);
    EXPECT_EQ(normal.panelsLeft, 0);
    EXPECT_EQ(normal.videoAreaLeft, 276);
    EXPECT_EQ(normal.verticalSeparator, QRect(277, 54, 1, 438));
    EXPECT_EQ(normal.videoPanel, QRect(284, 86, 416, 330));
    EXPECT_EQ(normal.titleStrip, QRect(0, 30, 708, 24));
    EXPECT_EQ(normal.bottomStrip, QRect(0, 498, 708, 24));
    EXPECT_EQ(normal.horizontalSeparator, QRect(0, 29, 708, 1));
    EXPECT_EQ(normal.grabPanel.height(), 442);
    EXPECT_EQ(normal.panels.x(), 0);

    const WindowLayout mirrored = layoutWindow({1000, 700}, true);
    EXPECT_EQ(mirrored.panelsLeft, 724);
    EXPECT_EQ(mirrored.videoAreaLeft, 0);
    EXPECT_EQ(mirrored.verticalSeparator.x(), 723);
    EXPECT_EQ(mirrored.videoPanel, QRect(8, 86, 708, 508));
    EXPECT_EQ(mirrored.panels.x(), 724);
}

TEST(WindowLayout, ToolSeparatorsShareTheRestOfTheWidthTruncatingTowardZero) {
    EXPECT_EQ(toolSeparatorWidth(708), 24); // 99 / 4
    EXPECT_EQ(toolSeparatorWidth(1000), 97);
    EXPECT_EQ(toolSeparatorWidth(609), 0);
    EXPECT_EQ(toolSeparatorWidth(600), -2); // -9 / 4, not -3
    EXPECT_EQ(layoutWindow({708, 522}, false).toolSeparatorWidth, 24);
    // 21 buttons and the four separators never pass the window's width.
    for (int w = 609; w < 2000; w += 7)
        EXPECT_LE(21 * kToolButtonWidth + 4 * toolSeparatorWidth(w), w) << w;
}

TEST(VideoArea, VideoWindowFrameSlidersPreviewImageAndBarsFollowTheVideo) {
    const QRect panel(284, 86, 420, 334), grab(0, 54, 276, 442);
    const VideoAreaLayout area = layoutVideoArea({16, 9}, panel, grab, QSize(720, 576));
    EXPECT_EQ(area.videoWindow, QRect(12, 56, 396, 222));
    EXPECT_EQ(area.frame, QRect(0, 44, 420, 246));
    EXPECT_EQ(area.inlayCorner, QPoint(12 + 396 - 6, 56 + 222 - 6));
    EXPECT_EQ(area.verticalSlider.at, QPoint(284 + 12 + 396 - 6, 86 + 56 - 8));
    EXPECT_EQ(area.verticalSlider.length, 222 + 16);
    EXPECT_EQ(area.horizontalSlider.at, QPoint(284 + 12 - 8, 86 + 56 + 222 - 6));
    EXPECT_EQ(area.horizontalSlider.length, 396 + 16);
    EXPECT_EQ(area.preview, QRect(12, 12 + (418 - 141) / 2, 252, 141));
    EXPECT_EQ(area.imageSize, QSize(720, 405));

    const NavigationPlaces places = placeNavigation(panel, area.videoWindow);
    EXPECT_EQ(places.topBarTop, 86 + 56 - 32);
    EXPECT_EQ(places.navigationTop, 86 + 56 + 222);
    EXPECT_EQ(places.intervalloTop, places.navigationTop);
    EXPECT_EQ(barLeft(panel, 400), 294);
    EXPECT_EQ(barLeft(panel, 425), 282); // -5 / 2 truncates toward zero
}

TEST(VideoArea, FullScreenFitsTheScreenLessFourPixelsAndFramesItByFour) {
    const FullScreenLayout full = layoutFullScreen({16, 9}, QSize(1280, 800));
    EXPECT_EQ(full.video, QRect(4, 42, 1272, 715));
    EXPECT_EQ(full.frame, QRect(0, 38, 1280, 723));
    EXPECT_EQ(layoutFullScreen({4, 3}, QSize(1920, 1080)).video, QRect(245, 4, 1429, 1072));
}

TEST(WindowFrame, AStoredFrameIsFittedOntoTheScreen) {
    const QRect screen(0, 24, 1920, 1056);
    EXPECT_EQ(fitToScreen(100, 100, 900, 640, screen), QRect(100, 100, 900, 640));
    EXPECT_EQ(fitToScreen(1500, 900, 900, 640, screen), QRect(1020, 440, 900, 640));
    EXPECT_EQ(fitToScreen(INT_MIN, INT_MAX, INT_MAX, INT_MIN, screen), QRect(0, 1080, 1920, 0));
    EXPECT_EQ(fitToScreen(INT_MAX, INT_MIN, 1'000'000'000, 1'000'000'000, screen), screen);
}
