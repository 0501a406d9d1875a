#include "filters/inlay_painter.h"

#include "support/gui_application.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace sp {
namespace {

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool empty() const { return right < 0; }
};

// A 32-bit frame with padded rows; the padding must never be written.
struct Frame {
    static constexpr std::uint32_t kPadding = 0xDEADBEEF;
    int width, height;
    std::ptrdiff_t stride;
    std::vector<std::uint32_t> pixels;
    std::uint32_t background;

    Frame(int w, int h, std::uint32_t fill)
        : width(w), height(h), stride(std::ptrdiff_t(w + 3) * 4),
          pixels(std::size_t(w + 3) * std::size_t(h), kPadding), background(fill) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                at(x, y) = fill;
    }
    std::uint32_t& at(int x, int y) { return pixels[std::size_t(y) * std::size_t(width + 3) + x]; }
    FrameView view() {
        return {reinterpret_cast<std::uint8_t*>(pixels.data()), width, height, stride, 32};
    }

    // Bounding box of the pixels whose B, G, R differ from the background.
    Box changed() {
        Box b;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (((at(x, y) ^ background) & 0x00FFFFFF) != 0) {
                    b.left = std::min(b.left, x);
                    b.right = std::max(b.right, x);
                    b.top = std::min(b.top, y);
                    b.bottom = std::max(b.bottom, y);
                }
        return b;
    }
    int count(std::uint32_t rgb) {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                n += (at(x, y) & 0x00FFFFFF) == rgb;
        return n;
    }
    bool paddingIntact() const {
        for (int y = 0; y < height; ++y)
            for (int k = 0; k < 3; ++k)
                if (pixels[std::size_t(y) * std::size_t(width + 3) + width + k] != kPadding)
                    return false;
        return true;
    }
};

constexpr std::uint32_t kInlayBlue = 0x00A6CAF0; // the default colour 0xF0CAA6 as B, G, R bytes
constexpr std::uint32_t kBlack = 0x00000000;
constexpr std::uint32_t kWhite = 0x00FFFFFF;

class InlayPainterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(QCoreApplication::instance(), nullptr); }
    const InlayLines timestamp{QString(), QStringLiteral("0:00:12:05")};
};

TEST_F(InlayPainterTest, DefaultInlayEndsAtTheAnchorOnPal) {
    InlayPainter painter;
    painter.ApplySettings(TincrustRec{}, 720);
    EXPECT_EQ(painter.LineHeight(), 28);
    EXPECT_LE(QFontMetrics(painter.Font()).height(), 28);
    Frame frame(720, 576, kWhite);
    painter.Draw(frame.view(), timestamp);
    const Box box = frame.changed();
    ASSERT_FALSE(box.empty());
    const int width = painter.TextWidth(timestamp.Second);
    // The text spans [658 - width, 658) and rows from 526; the border reaches 2 pixels beyond.
    EXPECT_GE(box.left, 658 - width - 2);
    EXPECT_LE(box.left, 658 - width + 6);
    EXPECT_LE(box.right, 658 + 2);
    EXPECT_GE(box.right, 658 - 6);
    EXPECT_GE(box.top, 526 - 2);
    EXPECT_LE(box.bottom, 526 + 28 + 2);
    EXPECT_GT(frame.count(kInlayBlue), 0) << "text in its colour";
    EXPECT_GT(frame.count(kBlack), 0) << "black border";
    EXPECT_TRUE(frame.paddingIntact());
}

TEST_F(InlayPainterTest, NoBorderMeansNoBlackAndFirstLineAbove) {
    TincrustRec rec;
    rec.BorderSize = 0;
    rec.Alignement = 0;
    rec.Xpos = 100;
    rec.Ypos = 500;
    InlayPainter painter;
    painter.ApplySettings(rec, 720);
    Frame frame(720, 576, kWhite);
    painter.Draw(frame.view(), {QStringLiteral("HHHH"), QString()});
    const Box box = frame.changed();
    ASSERT_FALSE(box.empty());
    EXPECT_EQ(frame.count(kBlack), 0);
    EXPECT_GE(box.left, 72);
    EXPECT_LE(box.left, 72 + 6);
    EXPECT_GE(box.top, 288 - 28);
    EXPECT_LT(box.bottom, 288) << "the first line stands above the anchor row";
}

// A border of n pixels reaches exactly n pixels beyond the text on every side, whatever n is
// (one pixel of antialiasing aside); only absurd sizes are bounded.
TEST_F(InlayPainterTest, BorderSizesAreDrawnAsTheyAre) {
    auto drawnBox = [](int borderSize) {
        TincrustRec rec;
        rec.BorderSize = borderSize;
        rec.Alignement = 0;
        rec.Xpos = 300;
        rec.Ypos = 500;
        InlayPainter painter;
        painter.ApplySettings(rec, 720);
        Frame frame(720, 576, kWhite);
        painter.Draw(frame.view(), {QString(), QStringLiteral("H0x")});
        return frame.changed();
    };
    const Box text = drawnBox(0);
    ASSERT_FALSE(text.empty());
    for (int size : {1, 2, 5, 6, 9, 32, 64, 1000}) {
        const int n = std::min(size, 64);
        const Box box = drawnBox(size);
        EXPECT_NEAR(text.left - box.left, n, 1) << size;
        EXPECT_NEAR(box.right - text.right, n, 1) << size;
        EXPECT_NEAR(text.top - box.top, n, 1) << size;
        EXPECT_NEAR(box.bottom - text.bottom, n, 1) << size;
    }
}

TEST_F(InlayPainterTest, SubtitleIsCentredWhateverTheXPosition) {
    TincrustRec rec;
    rec.Alignement = 3;
    rec.Xpos = 20;
    InlayPainter painter;
    painter.ApplySettings(rec, 1280);
    Frame frame(1280, 720, kBlack);
    painter.Draw(frame.view(), {QStringLiteral("centred text"), QStringLiteral("x")});
    const Box box = frame.changed();
    ASSERT_FALSE(box.empty());
    EXPECT_NEAR((box.left + box.right) / 2.0, 640.0, 8.0);
}

TEST_F(InlayPainterTest, ClampedPositionAndUnknownAlignment) {
    TincrustRec rec;
    rec.Xpos = 1500; // treated as the right edge
    InlayPainter painter;
    painter.ApplySettings(rec, 720);
    Frame frame(720, 576, kWhite);
    painter.Draw(frame.view(), timestamp);
    const Box box = frame.changed();
    ASSERT_FALSE(box.empty());
    EXPECT_GE(box.right, 719 - 8) << "right-aligned on the right edge";
    EXPECT_TRUE(frame.paddingIntact()) << "nothing drawn past the edge";

    rec.Alignement = 7;
    painter.ApplySettings(rec, 720);
    Frame untouched(720, 576, kWhite);
    painter.Draw(untouched.view(), timestamp);
    EXPECT_TRUE(untouched.changed().empty());
}

TEST_F(InlayPainterTest, FontFollowsTheRecord) {
    TincrustRec rec;
    rec.FontRec.Bold = true;
    rec.FontRec.Italic = true;
    rec.FontRec.Color = 0x0000FF; // red
    InlayPainter painter;
    painter.ApplySettings(rec, 1920);
    EXPECT_EQ(painter.LineHeight(), 74);
    EXPECT_TRUE(painter.Font().bold());
    EXPECT_TRUE(painter.Font().italic());
    EXPECT_EQ(painter.TextColor(), QColor(255, 0, 0));
    rec.Autofontsize = false;
    rec.FontRec.Size = 36;
    painter.ApplySettings(rec, 1920);
    EXPECT_EQ(painter.LineHeight(), 48);
    EXPECT_EQ(painter.Font().pixelSize(), 48);
}

TEST_F(InlayPainterTest, OtherDepthsAndEmptyLinesAreLeftAlone) {
    InlayPainter painter;
    painter.ApplySettings(TincrustRec{}, 64);
    std::vector<std::uint8_t> rgb24(64 * 3 * 32, 0x40);
    const auto copy = rgb24;
    painter.Draw(FrameView{rgb24.data(), 64, 32, 64 * 3, 24}, timestamp);
    EXPECT_EQ(rgb24, copy);
    Frame frame(64, 32, kWhite);
    painter.Draw(frame.view(), InlayLines{});
    EXPECT_TRUE(frame.changed().empty());
}

} // namespace
} // namespace sp
