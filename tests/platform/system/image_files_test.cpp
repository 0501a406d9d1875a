#include "platform/system/image_files.h"

#include "support/temp_dir.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace sp {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// 3 x 2 picture, top row first: red green blue / white black grey.
std::vector<uint8_t> picture() {
    return {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0,  255, 255, 255, 0,
            0, 0, 0,   0, 128, 128, 128, 0};
}

class ImageFiles : public ::testing::Test {
protected:
    sptest::TempDir temp{"sp-images"};
    const fs::path dir = temp.path();
};

TEST_F(ImageFiles, BmpIsBottomUpTwentyFourBitWithPaddedRows) {
    auto pixels = picture();
    ASSERT_TRUE(WriteBmp24((dir / "a.bmp").string(), {pixels.data(), 3, 2, 12}));
    auto bytes = readAll(dir / "a.bmp");
    ASSERT_EQ(bytes.size(), 54u + 2 * 12); // 9 bytes of pixels padded to 12 per row
    int32_t width, height;
    uint16_t bits;
    std::memcpy(&width, &bytes[18], 4);
    std::memcpy(&height, &bytes[22], 4);
    std::memcpy(&bits, &bytes[28], 2);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2); // positive: bottom row first
    EXPECT_EQ(bits, 24);
    const uint8_t* bottom = &bytes[54];
    const uint8_t* top = &bytes[54 + 12];
    EXPECT_EQ(std::vector<uint8_t>(bottom, bottom + 12),
              (std::vector<uint8_t>{255, 255, 255, 0, 0, 0, 128, 128, 128, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(top, top + 9),
              (std::vector<uint8_t>{0, 0, 255, 0, 255, 0, 255, 0, 0}));
}

TEST_F(ImageFiles, BmpHoldsEveryPixelAtAnyWidthAndStride) {
    // Widths around the four-pixel packing and the four-byte row padding, with rows longer
    // than the picture (a canvas).
    for (int width = 1; width <= 9; ++width) {
        const int height = 3, stride = (width + 2) * 4;
        std::vector<uint8_t> pixels(size_t(stride) * height, 0xEE);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                uint8_t* p = &pixels[size_t(y) * stride + size_t(x) * 4];
                p[0] = uint8_t(10 * x + 1); // blue
                p[1] = uint8_t(20 * y + 2); // green
                p[2] = uint8_t(x * y + 3);  // red
            }
        const fs::path file = dir / ("w" + std::to_string(width) + ".bmp");
        ASSERT_TRUE(WriteBmp24(file.string(), {pixels.data(), width, height, stride}));
        EXPECT_EQ(fs::file_size(file), 54u + size_t(height) * ((size_t(width) * 3 + 3) & ~3u));
        QImage image(QString::fromStdString(file.string()));
        ASSERT_EQ(image.size(), QSize(width, height)) << width;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(image.pixel(x, y), qRgb(x * y + 3, 20 * y + 2, 10 * x + 1))
                    << width << ": " << x << "," << y;
    }
}

TEST_F(ImageFiles, JpegDecodesBackToThePicture) {
    std::vector<uint8_t> pixels(64 * 32 * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) pixels[i + 2] = 200; // red
    ASSERT_TRUE(WriteJpeg((dir / "a.jpg").string(), {pixels.data(), 64, 32, 256}, 90));
    QImage image(QString::fromStdString((dir / "a.jpg").string()));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(64, 32));
    QColor c = image.pixelColor(10, 10);
    EXPECT_NEAR(c.red(), 200, 8);
    EXPECT_LT(c.green(), 12);
}

TEST_F(ImageFiles, PngDecodesBackAndAnImageKeptIsNotReplaced) {
    auto pixels = picture();
    const std::string png = (dir / "a.png").string();
    ASSERT_TRUE(WritePng(png, {pixels.data(), 3, 2, 12}, nullptr, ExistingFile::Keep));
    QImage image(QString::fromStdString(png));
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(2, 1), qRgb(128, 128, 128));

    const auto before = readAll(png);
    std::vector<uint8_t> black(pixels.size(), 0);
    std::string error;
    EXPECT_FALSE(WritePng(png, {black.data(), 3, 2, 12}, &error, ExistingFile::Keep));
    EXPECT_NE(error.find("already exists"), std::string::npos) << error;
    EXPECT_FALSE(WriteBmp24(png, {black.data(), 3, 2, 12}, nullptr, ExistingFile::Keep));
    EXPECT_FALSE(WriteJpeg(png, {black.data(), 3, 2, 12}, 90, nullptr, ExistingFile::Keep));
    EXPECT_EQ(readAll(png), before);
    EXPECT_TRUE(WriteBmp24(png, {black.data(), 3, 2, 12})); // replacing is the default
    EXPECT_NE(readAll(png), before);
}

TEST_F(ImageFiles, FailuresLeaveNoFileAndKeepTheOldOne) {
    auto pixels = picture();
    EXPECT_FALSE(WriteBmp24((dir / "none" / "a.bmp").string(), {pixels.data(), 3, 2, 12}));
    EXPECT_FALSE(fs::exists(dir / "none"));
    std::ofstream(dir / "keep.bmp") << "old";
    std::string error;
    EXPECT_FALSE(WriteJpeg((dir / "keep.bmp").string(), {nullptr, 3, 2, 12}, 90, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(readAll(dir / "keep.bmp").size(), 3u);
}

} // namespace
} // namespace sp
