#include "platform/system/jpeg_encoder.h"

#include "support/temp_dir.h"

#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace sp {
namespace {

namespace fs = std::filesystem;

// A picture with what photographs have: smooth gradients, sharp edges, fine texture and
// saturated colours (B, G, R, x, rows packed).
std::vector<uint8_t> scene(int width, int height) {
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
    uint32_t noise = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &pixels[(size_t(y) * size_t(width) + size_t(x)) * 4];
            noise = noise * 1664525u + 1013904223u;
            const int grain = int(noise >> 28) - 8;
            const bool box = x > width / 3 && x < width / 2 && y > height / 4 && y < height / 2;
            const int ring =
                int(127 + 120 * std::sin(std::hypot(x - width / 2, y - height / 2) / 6));
            p[0] = uint8_t(std::clamp(box ? 230 : x * 255 / width + grain, 0, 255));
            p[1] = uint8_t(std::clamp(box ? 20 : y * 255 / height + grain, 0, 255));
            p[2] = uint8_t(std::clamp(x < width / 4 ? ring : 90 + grain, 0, 255));
        }
    return pixels;
}

double psnr(const std::vector<uint8_t>& pixels, int width, const QImage& decoded) {
    double squares = 0;
    for (int y = 0; y < decoded.height(); ++y)
        for (int x = 0; x < decoded.width(); ++x) {
            const uint8_t* p = &pixels[(size_t(y) * size_t(width) + size_t(x)) * 4];
            const QRgb q = decoded.pixel(x, y);
            const int d[3] = {p[0] - qBlue(q), p[1] - qGreen(q), p[2] - qRed(q)};
            for (int v : d)
                squares += v * v;
        }
    const double mse = squares / (3.0 * decoded.width() * decoded.height());
    return 10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9));
}

QImage decode(std::span<const uint8_t> bytes) {
    return QImage::fromData(bytes.data(), int(bytes.size()), "JPEG");
}

// The chroma sampling of the first component as its SOF0 marker gives it: 0x22 is 4:2:0.
int lumaSampling(std::span<const uint8_t> jpeg) {
    for (size_t i = 2; i + 12 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) return jpeg[i + 11];
    return -1;
}

TEST(JpegEncoder, MatchesLibjpegsOwnWriterInSizeAndFidelity) {
    const QString convert = QStandardPaths::findExecutable("convert");
    if (convert.isEmpty()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    sptest::TempDir temp{"sp-jpeg"};
    const int width = 640, height = 360;
    const auto pixels = scene(width, height);
    // ImageMagick reads a binary PPM and writes it with libjpeg at the same quality scale; it
    // keeps full chroma from quality 90, so it is asked for libjpeg's default 4:2:0.
    const fs::path ppm = temp.path() / "scene.ppm";
    {
        std::ofstream out(ppm, std::ios::binary);
        out << "P6\n" << width << " " << height << "\n255\n";
        for (size_t i = 0; i < pixels.size(); i += 4)
            out.put(char(pixels[i + 2])).put(char(pixels[i + 1])).put(char(pixels[i]));
    }
    JpegEncoder encoder;
    for (int quality : {50, 90}) {
        const fs::path theirs = temp.path() / ("q" + std::to_string(quality) + ".jpg");
        ASSERT_EQ(
            QProcess::execute(convert, {QString::fromStdString(ppm.string()), "-sampling-factor",
                                        "2x2", "-quality", QString::number(quality),
                                        QString::fromStdString(theirs.string())}),
            0);
        const QImage reference(QString::fromStdString(theirs.string()));
        ASSERT_FALSE(reference.isNull());

        ASSERT_TRUE(encoder.Encode({pixels.data(), width, height, width * 4}, quality));
        const QImage ours = decode(encoder.Bytes());
        ASSERT_EQ(ours.size(), QSize(width, height));
        EXPECT_EQ(lumaSampling(encoder.Bytes()), 0x22) << quality;
        const double size = double(encoder.Bytes().size()),
                     theirSize = double(fs::file_size(theirs));
        EXPECT_LT(size, theirSize * 1.05) << quality;
        EXPECT_GT(size, theirSize * 0.90) << quality;
        EXPECT_GT(psnr(pixels, width, ours), psnr(pixels, width, reference) - 0.2) << quality;
        EXPECT_GT(psnr(pixels, width, ours), quality == 90 ? 34.0 : 28.0) << quality;
    }
}

TEST(JpegEncoder, ReusedEncoderGrowsItsBufferAndRecoversFromBadInput) {
    JpegEncoder encoder;
    const auto small = scene(48, 32);
    ASSERT_TRUE(encoder.Encode({small.data(), 48, 32, 48 * 4}, 75));
    const std::vector<uint8_t> first(encoder.Bytes().begin(), encoder.Bytes().end());

    // Grey noise at quality 100 is far larger than the first guess of the output size (grey, so
    // that halving the chroma loses nothing).
    std::vector<uint8_t> noise(size_t(96) * 80 * 4);
    uint32_t seed = 7;
    for (size_t i = 0; i < noise.size(); i += 4)
        noise[i] = noise[i + 1] = noise[i + 2] = uint8_t((seed = seed * 22695477u + 1u) >> 24);
    ASSERT_TRUE(encoder.Encode({noise.data(), 96, 80, 96 * 4}, 100));
    EXPECT_GT(encoder.Bytes().size(), size_t(96) * 80 / 4 + 4096);
    const QImage decoded = decode(encoder.Bytes());
    ASSERT_EQ(decoded.size(), QSize(96, 80));
    EXPECT_GT(psnr(noise, 96, decoded), 30.0);

    std::string error;
    EXPECT_FALSE(encoder.Encode({small.data(), 48, 32, 40}, 75, {}, &error)); // stride too short
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(encoder.Bytes().empty());
    // Quality 0 is read as 1; a picture wider than its rows (a canvas) is read by its stride.
    ASSERT_TRUE(encoder.Encode({small.data(), 40, 32, 48 * 4}, 0));
    EXPECT_EQ(decode(encoder.Bytes()).size(), QSize(40, 32));
    ASSERT_TRUE(encoder.Encode({small.data(), 48, 32, 48 * 4}, 75));
    EXPECT_EQ(std::vector<uint8_t>(encoder.Bytes().begin(), encoder.Bytes().end()), first);
}

TEST(JpegEncoder, ExifPayloadFollowsTheJfifHeader) {
    const auto pixels = scene(16, 16);
    const std::vector<uint8_t> exif = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0};
    JpegEncoder encoder;
    ASSERT_TRUE(encoder.Encode({pixels.data(), 16, 16, 64}, 90, exif));
    const auto bytes = encoder.Bytes();
    ASSERT_GT(bytes.size(), 40u);
    ASSERT_EQ(bytes[2], 0xFF);
    ASSERT_EQ(bytes[3], 0xE0); // JFIF first
    const size_t at = 4 + (size_t(bytes[4]) << 8 | bytes[5]);
    ASSERT_EQ(bytes[at], 0xFF);
    EXPECT_EQ(bytes[at + 1], 0xE1);
    EXPECT_EQ(size_t(bytes[at + 2]) << 8 | bytes[at + 3], exif.size() + 2);
    EXPECT_TRUE(std::equal(exif.begin(), exif.end(), bytes.begin() + ptrdiff_t(at + 4)));
    // A payload too long for one segment is left out; the picture is still written.
    ASSERT_TRUE(encoder.Encode({pixels.data(), 16, 16, 64}, 90, std::vector<uint8_t>(70000, 1)));
    EXPECT_NE(encoder.Bytes()[4 + (size_t(encoder.Bytes()[4]) << 8 | encoder.Bytes()[5]) + 1],
              0xE1);
    EXPECT_EQ(decode(encoder.Bytes()).size(), QSize(16, 16));
}

// Pictures of a run coded with tables carried over decode exactly as pictures coded with their
// own tables (the entropy coding is lossless), however their content changes.
// A picture handed over a band at a time makes the very file the whole picture makes; a
// source that gives up fails the picture with a reason, and the encoder goes on working.
TEST(JpegEncoder, APictureInBandsIsTheSameFileAsThePictureWhole) {
    const int width = 75, height = 61; // the last band is short
    const auto photo = scene(width, height);
    JpegEncoder whole, banded;
    ASSERT_TRUE(whole.Encode({photo.data(), width, height, width * 4}, 80));
    int calls = 0;
    auto rows = [&](int first, int count, uint8_t* band) {
        ++calls;
        EXPECT_LE(count, JpegEncoder::kBandRows);
        std::memcpy(band, &photo[size_t(first) * width * 4], size_t(count) * width * 4);
        return true;
    };
    ASSERT_TRUE(banded.Encode(width, height, rows, 80));
    EXPECT_EQ(calls, (height + JpegEncoder::kBandRows - 1) / JpegEncoder::kBandRows);
    EXPECT_EQ(std::vector<uint8_t>(banded.Bytes().begin(), banded.Bytes().end()),
              std::vector<uint8_t>(whole.Bytes().begin(), whole.Bytes().end()));

    std::string error;
    auto failing = [&](int first, int count, uint8_t* band) {
        return first < 16 && rows(first, count, band);
    };
    EXPECT_FALSE(banded.Encode(width, height, failing, 80, {}, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(banded.Bytes().empty());
    EXPECT_FALSE(banded.Encode(0, height, rows, 80, {}, &error));
    ASSERT_TRUE(banded.Encode(width, height, rows, 80));
    EXPECT_EQ(decode(banded.Bytes()), decode(whole.Bytes()));
}

TEST(JpegEncoder, CarriedTablesDecodeLikeTablesOfTheirOwn) {
    const int width = 96, height = 64;
    std::vector<uint8_t> flat(size_t(width) * height * 4, 128); // few symbols
    std::vector<uint8_t> noise(flat.size());                    // every symbol, long runs none
    uint32_t seed = 3;
    for (uint8_t& v : noise)
        v = uint8_t((seed = seed * 22695477u + 1u) >> 24);
    const auto photo = scene(width, height);
    auto bytesOf = [](const JpegEncoder& e) {
        return std::vector<uint8_t>(e.Bytes().begin(), e.Bytes().end());
    };

    JpegEncoder carried(JpegEncoder::HuffmanTables::Carried), own;
    struct Step {
        const std::vector<uint8_t>* pixels;
        int width, quality;
        bool computed;
    };
    const Step steps[] = {
        {&flat, width, 75, true},       {&noise, width, 75, false},
        {&photo, width, 75, false},     {&noise, width - 8, 75, true}, // another size
        {&photo, width - 8, 75, false}, {&photo, width - 8, 90, true}, // another quality
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << step.width << " q" << step.quality);
        const PictureView view{step.pixels->data(), step.width, height, width * 4};
        ASSERT_TRUE(carried.Encode(view, step.quality));
        EXPECT_EQ(carried.TablesComputed(), step.computed);
        ASSERT_TRUE(own.Encode(view, step.quality));
        const QImage a = decode(carried.Bytes()), b = decode(own.Bytes());
        ASSERT_EQ(a.size(), QSize(step.width, height));
        EXPECT_EQ(a, b);
        if (step.computed) {
            EXPECT_EQ(bytesOf(carried), bytesOf(own));
        }
    }
    // The photo-like picture after tables made for a flat one is reproduced as faithfully as
    // with its own tables.
    ASSERT_TRUE(carried.Encode({flat.data(), width, height, width * 4}, 75));
    EXPECT_TRUE(carried.TablesComputed());
    const PictureView view{photo.data(), width, height, width * 4};
    ASSERT_TRUE(carried.Encode(view, 75));
    EXPECT_FALSE(carried.TablesComputed());
    const double fidelity = psnr(photo, width, decode(carried.Bytes()));
    EXPECT_GT(fidelity, 30.0);
    ASSERT_TRUE(own.Encode(view, 75));
    EXPECT_DOUBLE_EQ(fidelity, psnr(photo, width, decode(own.Bytes())));

    // Tables of a picture like the next one cost little: the symbols missing from the first
    // picture get long codes without lengthening the others much. The complete tables take up
    // to 416 bytes in the file (12 and 162 symbols, twice), which a picture this small feels.
    const auto shifted = scene(width + 2, height);
    JpegEncoder run(JpegEncoder::HuffmanTables::Carried);
    ASSERT_TRUE(run.Encode(view, 75));
    ASSERT_TRUE(run.Encode({shifted.data(), width, height, (width + 2) * 4}, 75));
    ASSERT_TRUE(own.Encode({shifted.data(), width, height, (width + 2) * 4}, 75));
    EXPECT_FALSE(run.TablesComputed());
    EXPECT_LT(double(run.Bytes().size()), 1.03 * double(own.Bytes().size()) + 416);

    // The tables are computed afresh after a while, so that they follow the video.
    int computed = 0;
    for (int i = 0; i < JpegEncoder::kPicturesPerTables; ++i) {
        ASSERT_TRUE(carried.Encode(view, 75));
        computed += carried.TablesComputed();
    }
    EXPECT_EQ(computed, 1);
}

} // namespace
} // namespace sp
