// The video window as the renderer's presentation surface: pictures arrive on another thread,
// the latest is painted, an expose paints it again, and bad pictures are ignored; the paint
// trace of the window benches.

#include "app/video_view.h"

#include "support/widget_application.h"

#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <thread>
#include <vector>

using sp::TVideoView;

namespace {

// A BGRX picture of one colour with the fourth byte left at 0, as a decoder may leave it, and
// rows `padding` bytes longer than the pixels.
struct Picture {
    Picture(int w, int h, QRgb colour, int padding = 0)
        : width(w), height(h), stride(w * 4 + padding), bytes(size_t(stride) * h) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t* p = &bytes[size_t(y) * stride + size_t(x) * 4];
                p[0] = uint8_t(qBlue(colour));
                p[1] = uint8_t(qGreen(colour));
                p[2] = uint8_t(qRed(colour));
                p[3] = 0;
            }
    }
    void presentTo(TVideoView& view) const { view.present(bytes.data(), width, height, stride); }
    int width, height, stride;
    std::vector<uint8_t> bytes;
};

QColor centre(QWidget& view) {
    const QImage shot = view.grab().toImage();
    return shot.pixelColor(shot.width() / 2, shot.height() / 2);
}

void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

} // namespace

TEST(VideoView, PaintsTheLatestPictureScaledOpaqueAndAgainOnExpose) {
    TVideoView view;
    view.resize(396, 222);
    view.show();
    settle();
    EXPECT_FALSE(view.hasPicture());
    EXPECT_EQ(centre(view), QColor(Qt::black));

    // Rows with padding, the fourth byte 0: painted opaque, at the widget's size.
    Picture(720, 576, qRgb(200, 30, 60), 64).presentTo(view);
    settle();
    EXPECT_EQ(centre(view), QColor(200, 30, 60));
    const QImage shown = view.shownPicture();
    EXPECT_EQ(shown.size(), QSize(720, 576));
    EXPECT_EQ(qAlpha(shown.pixel(5, 5)), 255);

    // An expose paints the same picture again without a new one.
    view.hide();
    view.show();
    settle();
    EXPECT_EQ(centre(view), QColor(200, 30, 60));
    EXPECT_EQ(view.statistics().painted, 1u);

    view.clearPicture();
    settle();
    EXPECT_FALSE(view.hasPicture());
    EXPECT_EQ(centre(view), QColor(Qt::black));
}

// Painting keeps up: each picture takes the buffer of one already painted, and each still shows
// its own colour (not a reused buffer's older picture).
TEST(VideoView, PicturesPaintedOneByOneEachShowTheirOwnColour) {
    TVideoView view;
    view.resize(320, 180);
    view.show();
    settle();
    for (QRgb colour : {qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200), qRgb(90, 90, 0)}) {
        Picture(64, 36, colour).presentTo(view);
        settle();
        EXPECT_EQ(centre(view), QColor(colour));
        EXPECT_EQ(view.shownPicture().pixelColor(3, 3), QColor(colour));
    }
    EXPECT_EQ(view.statistics().painted, 4u);
}

// With STILLPICK_PAINT_TRACE set, the view says when it paints a fresh picture (not when it
// paints the same one again) and when a key press arrives, on the monotonic clock; without it,
// nothing.
TEST(VideoView, TheTraceSaysEachFreshPaintAndKeyPressOnlyWhenAskedFor) {
    const auto lines = [](const std::string& text, const std::string& word) {
        int count = 0;
        for (size_t at = text.find("stillpick-trace: " + word + " "); at != std::string::npos;
             at = text.find("stillpick-trace: " + word + " ", at + 1))
            ++count;
        return count;
    };
    const auto run = [](bool traced) {
        if (traced) qputenv("STILLPICK_PAINT_TRACE", "1");
        testing::internal::CaptureStderr();
        {
            TVideoView view;
            view.resize(320, 180);
            view.show();
            settle();
            Picture(64, 36, qRgb(200, 0, 0)).presentTo(view);
            settle();
            view.repaint(); // the same picture again
            QTest::keyClick(&view, Qt::Key_Right, Qt::ControlModifier);
            settle();
        }
        qunsetenv("STILLPICK_PAINT_TRACE");
        return testing::internal::GetCapturedStderr();
    };
    const std::string traced = run(true);
    EXPECT_EQ(lines(traced, "painted"), 1) << traced;
    EXPECT_EQ(lines(traced, "key"), 1) << traced;
    const std::string quiet = run(false);
    EXPECT_EQ(lines(quiet, "painted") + lines(quiet, "key"), 0) << quiet;
}

TEST(VideoView, PicturesThatCannotBeShownAreIgnored) {
    TVideoView view;
    view.resize(100, 100);
    const Picture good(16, 16, qRgb(0, 0, 255));
    view.present(nullptr, 16, 16, 64);
    view.present(good.bytes.data(), 0, 16, 64);
    view.present(good.bytes.data(), 16, -1, 64);
    view.present(good.bytes.data(), 16, 16, 60); // rows shorter than the width
    settle();
    EXPECT_FALSE(view.hasPicture());
    EXPECT_EQ(view.statistics().presented, 0u);
}

TEST(VideoView, ManyPicturesBeforeARepaintMakeOnePaintOfTheLast) {
    TVideoView view;
    view.resize(160, 90);
    view.show();
    settle();
    QSignalSpy first(&view, &TVideoView::firstPicturePainted);
    view.resetStatistics();
    for (QRgb colour : {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)})
        Picture(64, 36, colour).presentTo(view);
    settle();
    const TVideoView::Statistics stats = view.statistics();
    EXPECT_EQ(stats.presented, 3u);
    EXPECT_EQ(stats.painted, 1u);
    EXPECT_EQ(stats.replaced, 2u);
    EXPECT_GE(stats.firstPaintMs, 0);
    EXPECT_EQ(first.count(), 1);
    EXPECT_EQ(centre(view), QColor(0, 0, 255));
}

TEST(VideoView, AStreamingThreadPresentsWhileTheWindowPaintsAndResizes) {
    TVideoView view;
    view.resize(320, 180);
    view.show();
    const Picture a(1920, 1080, qRgb(10, 20, 30)), b(1280, 720, qRgb(40, 50, 60));
    std::atomic<bool> done{false};
    std::thread streaming([&] {
        for (int i = 0; i < 60; ++i)
            (i % 7 == 6 ? b : a).presentTo(view); // the size changes now and then
        b.presentTo(view);
        done = true;
    });
    int width = 320;
    while (!done) {
        view.resize(width, width * 9 / 16);
        width = width == 320 ? 400 : 320;
        QCoreApplication::processEvents();
    }
    streaming.join();
    settle();
    const TVideoView::Statistics stats = view.statistics();
    EXPECT_EQ(stats.presented, 61u);
    EXPECT_EQ(stats.painted + stats.replaced, stats.presented);
    EXPECT_EQ(centre(view), QColor(40, 50, 60));
}

TEST(VideoView, AViewDestroyedWithARepaintPendingIsNotCalled) {
    const Picture picture(32, 32, qRgb(1, 2, 3));
    {
        TVideoView view;
        picture.presentTo(view); // queues a repaint, then the view goes
    }
    settle(); // the queued call must have been dropped with the view
    SUCCEED();
}

TEST(VideoView, AFineDetailedPictureShrunkMuchReadsAsItsAverageNotAsAliasing) {
    TVideoView view;
    view.resize(396, 222); // the video window of the smallest window at 16:9
    view.show();
    // One-pixel black and white columns: bilinear filtering alone gives anything from black to
    // white at this size.
    Picture stripes(1920, 1080, qRgb(0, 0, 0));
    for (int y = 0; y < 1080; ++y)
        for (int x = 1; x < 1920; x += 2)
            std::fill_n(&stripes.bytes[size_t(y) * stripes.stride + size_t(x) * 4], 3,
                        uint8_t(255));
    stripes.presentTo(view);
    settle();
    const QImage shot = view.grab().toImage();
    int darkest = 255, lightest = 0;
    for (int x = 0; x < shot.width(); ++x) {
        const int grey = qGreen(shot.pixel(x, 111));
        darkest = std::min(darkest, grey);
        lightest = std::max(lightest, grey);
    }
    EXPECT_GE(darkest, 119);
    EXPECT_LE(lightest, 136);
    // The picture kept is the one presented, not its shrunk copy.
    EXPECT_EQ(view.shownPicture().size(), QSize(1920, 1080));
}
