#include "platform/system/image_encoder.h"

#include "support/still_readback.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace sp {
namespace {

namespace fs = std::filesystem;
using sptest::RgbPicture;

constexpr int kWidth = 161, kHeight = 91; // odd sides: chroma halving and padding at the edges

// A photograph-like picture, B, G, R, x: smooth gradients, a hard-edged square and a little
// texture, so that lossy formats have something to lose and lossless ones something to keep.
std::vector<uint8_t> scene() {
    std::vector<uint8_t> bgrx(size_t(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* p = &bgrx[(size_t(y) * kWidth + size_t(x)) * 4];
            const bool square = x > 40 && x < 90 && y > 20 && y < 60;
            const int texture = int(8 * std::sin(x * 0.7) * std::cos(y * 0.5));
            p[0] = uint8_t(square ? 30 : std::clamp(x * 255 / kWidth + texture, 0, 255));
            p[1] = uint8_t(square ? 200 : y * 255 / kHeight);
            p[2] = uint8_t(std::clamp((x + y) * 2 % 256 / 2 + 60 + texture, 0, 255));
            p[3] = 0x5A; // filler: must not leak into any file
        }
    return bgrx;
}

RgbPicture asRgb(const std::vector<uint8_t>& bgrx) {
    RgbPicture rgb{kWidth, kHeight, {}};
    for (size_t i = 0; i < bgrx.size(); i += 4)
        rgb.rgb.insert(rgb.rgb.end(), {bgrx[i + 2], bgrx[i + 1], bgrx[i]});
    return rgb;
}

ImageMetadata metadata() {
    ImageMetadata m;
    m.software = "Stillpick";
    m.description = "0:01:23:12";
    m.recorded = RecordingTime{2009, 7, 14, 16, 5, 42};
    return m;
}

class ImageEncoders : public ::testing::Test {
protected:
    // Encodes the scene as `format` at `quality` and writes it; the path, empty on failure.
    std::string Save(ImageFormat format, int quality, const std::string& name) {
        const std::vector<uint8_t> exif = BuildExifBlock(metadata());
        std::vector<uint8_t> file;
        std::string error;
        const auto encoder = MakeImageEncoder(format);
        EXPECT_EQ(encoder->Format(), format);
        if (!encoder->Encode({pixels.data(), kWidth, kHeight, kWidth * 4}, quality, exif, file,
                             &error)) {
            ADD_FAILURE() << name << ": " << error;
            return {};
        }
        const std::string path = (dir / name).string();
        EXPECT_TRUE(WriteImageFile(path, file, &error)) << error;
        return path;
    }

    sptest::TempDir temp{"sp-encoders"};
    const fs::path dir = temp.path();
    const std::vector<uint8_t> pixels = scene();
};

TEST_F(ImageEncoders, LosslessFormatsGiveBackEveryPixelAtEightBits) {
    const RgbPicture original = asRgb(pixels);
    for (const auto& [format, quality, name] :
         {std::tuple{ImageFormat::Png, 0, "a.png"}, std::tuple{ImageFormat::Webp, 100, "a.webp"},
          std::tuple{ImageFormat::Jxl, 100, "a.jxl"},
          std::tuple{ImageFormat::Avif, 100, "a.avif"}}) {
        const std::string path = Save(format, quality, name);
        const RgbPicture back = sptest::decodeStill(path);
        ASSERT_EQ(back.width, kWidth) << name;
        ASSERT_EQ(back.height, kHeight) << name;
        EXPECT_TRUE(back.rgb == original.rgb)
            << name << " PSNR " << sptest::rgbPsnr(back, original);
        EXPECT_EQ(sptest::stillBitDepth(path), 8) << name;
    }
}

// Lossy formats at their default qualities: close to the picture (PSNR, dB, measured with this
// textured scene: WebP 75 31.6, JPEG XL 90 36.5, AVIF 60 31.2) and smaller than the PNG.
TEST_F(ImageEncoders, LossyFormatsStayCloseAndAreSmallerThanPng) {
    const RgbPicture original = asRgb(pixels);
    const auto pngBytes = fs::file_size(Save(ImageFormat::Png, 0, "ref.png"));
    for (const auto& [format, quality, name, minPsnr] :
         {std::tuple{ImageFormat::Webp, 75, "b.webp", 30.0},
          std::tuple{ImageFormat::Jxl, 90, "b.jxl", 34.0},
          std::tuple{ImageFormat::Avif, 60, "b.avif", 29.5}}) {
        const std::string path = Save(format, quality, name);
        const RgbPicture back = sptest::decodeStill(path);
        ASSERT_EQ(back.width, kWidth) << name;
        ASSERT_EQ(back.height, kHeight) << name;
        EXPECT_GT(sptest::rgbPsnr(back, original), minPsnr) << name;
        EXPECT_LT(fs::file_size(path), pngBytes) << name;
        // A lower quality loses more.
        const RgbPicture low = sptest::decodeStill(Save(format, 10, std::string("low-") + name));
        EXPECT_LT(sptest::rgbPsnr(low, original), sptest::rgbPsnr(back, original)) << name;
        // The lowest quality still gives a picture (JPEG XL's distance curve passes its bound).
        EXPECT_EQ(sptest::decodeStill(Save(format, 1, std::string("q1-") + name)).width, kWidth)
            << name;
    }
}

// Every format but BMP carries the JPEG's EXIF fields, read by exiftool, and says sRGB.
TEST_F(ImageEncoders, EveryFormatCarriesTheJpegsExifAndSaysSrgb) {
    const std::vector<std::string> tags = {"Software", "ImageDescription", "DateTimeOriginal",
                                           "ExifVersion"};
    const auto jpeg = sptest::exifToolTags(Save(ImageFormat::Jpeg, 80, "m.jpg"), tags);
    ASSERT_EQ(jpeg.size(), tags.size());
    EXPECT_EQ(jpeg.at("Software"), "Stillpick");
    EXPECT_EQ(jpeg.at("DateTimeOriginal"), "2009:07:14 16:05:42");
    for (const auto& [format, quality, name] :
         {std::tuple{ImageFormat::Png, 0, "m.png"}, std::tuple{ImageFormat::Webp, 80, "m.webp"},
          std::tuple{ImageFormat::Webp, 100, "n.webp"}, std::tuple{ImageFormat::Jxl, 80, "m.jxl"},
          std::tuple{ImageFormat::Avif, 80, "m.avif"}})
        EXPECT_EQ(sptest::exifToolTags(Save(format, quality, name), tags), jpeg) << name;

    const auto png = sptest::exifToolTags((dir / "m.png").string(), {"SRGBRendering"});
    EXPECT_EQ(png.count("SRGBRendering"), 1u);
    const auto webp = sptest::exifToolTags((dir / "m.webp").string(), {"ColorSpaceData"});
    EXPECT_EQ(webp.count("ColorSpaceData"), 1u) << "no ICC profile";
    const auto avif = sptest::exifToolTags((dir / "m.avif").string(),
                                           {"ColorPrimaries", "TransferCharacteristics"});
    EXPECT_NE(avif.count("ColorPrimaries") ? avif.at("ColorPrimaries").find("709") : 0,
              std::string::npos);
    EXPECT_NE(avif.count("TransferCharacteristics")
                  ? avif.at("TransferCharacteristics").find("sRGB")
                  : std::string::npos,
              std::string::npos);
    // BMP has no place for metadata.
    EXPECT_TRUE(sptest::exifToolTags(Save(ImageFormat::Bmp, 0, "m.bmp"), tags).empty());
}

TEST_F(ImageEncoders, FormatFactsAndRefusals) {
    EXPECT_EQ(ImageFormatOrJpeg(2), ImageFormat::Png);
    EXPECT_EQ(ImageFormatOrJpeg(6), ImageFormat::Jpeg);
    EXPECT_EQ(ImageFormatOrJpeg(-1), ImageFormat::Jpeg);
    EXPECT_EQ(ImageFormatExtension(ImageFormat::Jxl), ".jxl");
    EXPECT_EQ(ImageFormatExtension(ImageFormat::Jpeg), ".jpg");
    EXPECT_EQ(ImageFormatName(ImageFormat::Avif), "avif");
    EXPECT_FALSE(ImageFormatHasQuality(ImageFormat::Png));
    EXPECT_TRUE(ImageFormatHasQuality(ImageFormat::Webp));
    const std::vector<uint8_t> notExif = {'I', 'I', '*', 0, 8, 0, 0, 0};
    EXPECT_TRUE(ExifTiffPart(notExif).empty());

    for (int f = 0; f < kImageFormatCount; ++f) {
        const auto encoder = MakeImageEncoder(ImageFormat(f));
        std::vector<uint8_t> file = {1, 2, 3};
        std::string error;
        EXPECT_FALSE(encoder->Encode({nullptr, 4, 4, 16}, 50, {}, file, &error)) << f;
        EXPECT_FALSE(error.empty()) << f;
        // The encoder stays usable after a refusal.
        EXPECT_TRUE(
            encoder->Encode({pixels.data(), kWidth, kHeight, kWidth * 4}, 50, {}, file, &error))
            << f << ": " << error;
        EXPECT_FALSE(file.empty()) << f;
    }
}

// A picture of 16-bit samples: PNG keeps every sample (read back by ImageMagick, which gives
// them big-endian) with the EXIF; every other format refuses it rather than misread it.
TEST_F(ImageEncoders, PngKeepsSixteenBitSamplesAndOtherFormatsRefuseThem) {
    std::vector<uint16_t> rgbx(size_t(kWidth) * kHeight * 4);
    for (size_t i = 0; i < rgbx.size(); ++i)
        rgbx[i] = i % 4 == 3 ? 0x1234 : uint16_t(i * 2654435761u >> 7); // every bit pattern
    const PictureView deep{reinterpret_cast<const uint8_t*>(rgbx.data()), kWidth, kHeight,
                           kWidth * 8, 16};
    std::vector<uint8_t> file;
    std::string error;
    ASSERT_TRUE(MakeImageEncoder(ImageFormat::Png)
                    ->Encode(deep, 0, BuildExifBlock(metadata()), file, &error))
        << error;
    const std::string path = (dir / "deep.png").string();
    ASSERT_TRUE(WriteImageFile(path, file, &error));
    EXPECT_EQ(sptest::stillBitDepth(path), 16);
    const sptest::Rgb16Picture back = sptest::decodeStill16(path);
    ASSERT_EQ(back.rgb.size(), size_t(kWidth) * kHeight * 3);
    bool same = true;
    for (size_t p = 0; p < back.rgb.size() / 3 && same; ++p)
        for (size_t c = 0; c < 3; ++c)
            same &= back.rgb[p * 3 + c] == rgbx[p * 4 + c];
    EXPECT_TRUE(same);
    EXPECT_EQ(sptest::exifToolTags(path, {"Software"}).at("Software"), "Stillpick");

    for (ImageFormat f : {ImageFormat::Webp, ImageFormat::Jxl, ImageFormat::Avif}) {
        EXPECT_FALSE(MakeImageEncoder(f)->Encode(deep, 90, {}, file, &error)) << int(f);
        EXPECT_NE(error.find("8-bit"), std::string::npos) << error;
    }
}

} // namespace
} // namespace sp
