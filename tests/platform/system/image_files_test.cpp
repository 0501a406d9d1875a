#include "platform/system/image_files.h"

#include "support/temp_dir.h"

#include <QImage>

#include <gtest/gtest.h>
#include <libexif/exif-data.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
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
    return {0,   0,   255, 0, 0, 255, 0, 0, 255, 0,   0,   0,
            255, 255, 255, 0, 0, 0,   0, 0, 128, 128, 128, 0};
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
    for (size_t i = 0; i < pixels.size(); i += 4)
        pixels[i + 2] = 200; // red
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

// The text of one EXIF field as libexif reads it back from the file; empty when absent.
std::string exifField(const fs::path& file, ExifIfd ifd, ExifTag tag) {
    std::unique_ptr<ExifData, void (*)(ExifData*)> data(exif_data_new_from_file(file.c_str()),
                                                        exif_data_unref);
    if (!data) return {};
    ExifEntry* entry = exif_content_get_entry(data->ifd[ifd], tag);
    if (!entry) return {};
    char text[1024] = {};
    exif_entry_get_value(entry, text, sizeof text);
    return text;
}

TEST_F(ImageFiles, JpegCarriesItsRecordingDateProgramAndPosition) {
    auto pixels = picture();
    const fs::path dv = dir / "dv.jpg";
    ImageMetadata meta{RecordingTime{2003, 7, 14, 18, 5, 9}, "Stillpick", "Position 0:01:23:12"};
    ASSERT_TRUE(WriteJpeg(dv.string(), {pixels.data(), 3, 2, 12}, 90, meta));
    EXPECT_EQ(exifField(dv, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL), "2003:07:14 18:05:09");
    EXPECT_EQ(exifField(dv, EXIF_IFD_0, EXIF_TAG_SOFTWARE), "Stillpick");
    EXPECT_EQ(exifField(dv, EXIF_IFD_0, EXIF_TAG_IMAGE_DESCRIPTION), "Position 0:01:23:12");
    // Still an ordinary JPEG, decoding to the same pixels as one written without metadata.
    ASSERT_TRUE(WriteJpeg((dir / "bare.jpg").string(), {pixels.data(), 3, 2, 12}, 90));
    QImage image(QString::fromStdString(dv.string()));
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image, QImage(QString::fromStdString((dir / "bare.jpg").string())));

    // No recording date (or a date that cannot be one): the field is left out, the rest stays.
    const fs::path plain = dir / "plain.jpg";
    for (auto when : {std::optional<RecordingTime>{}, std::optional(RecordingTime{2003, 13, 1})}) {
        meta.recorded = when;
        ASSERT_TRUE(WriteJpeg(plain.string(), {pixels.data(), 3, 2, 12}, 90, meta));
        EXPECT_EQ(exifField(plain, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL), "");
        EXPECT_EQ(exifField(plain, EXIF_IFD_0, EXIF_TAG_SOFTWARE), "Stillpick");
    }
    // The writer without metadata adds no EXIF block at all.
    ASSERT_TRUE(WriteJpeg(plain.string(), {pixels.data(), 3, 2, 12}, 90));
    EXPECT_EQ(exifField(plain, EXIF_IFD_0, EXIF_TAG_SOFTWARE), "");
}

TEST_F(ImageFiles, JpegCarriesZoneCameraAndPlace) {
    auto pixels = picture();
    const fs::path file = dir / "phone.jpg";
    ImageMetadata meta{RecordingTime{2022, 8, 9, 18, 30, 0}, "Stillpick", "0:00:10:00"};
    meta.offsetMinutes = -330;
    meta.make = "Apple";
    meta.model = "iPhone 12";
    meta.place = GpsPosition{48.8584, -2.2945, -12.5};
    ASSERT_TRUE(WriteJpeg(file.string(), {pixels.data(), 3, 2, 12}, 90, meta));
    EXPECT_EQ(exifField(file, EXIF_IFD_EXIF, EXIF_TAG_OFFSET_TIME_ORIGINAL), "-05:30");
    EXPECT_EQ(exifField(file, EXIF_IFD_0, EXIF_TAG_MAKE), "Apple");
    EXPECT_EQ(exifField(file, EXIF_IFD_0, EXIF_TAG_MODEL), "iPhone 12");
    const auto gps = [&](unsigned tag) { return exifField(file, EXIF_IFD_GPS, ExifTag(tag)); };
    EXPECT_EQ(gps(EXIF_TAG_GPS_LATITUDE_REF), "N");
    EXPECT_EQ(gps(EXIF_TAG_GPS_LATITUDE), "48, 51, 30.2400");
    EXPECT_EQ(gps(EXIF_TAG_GPS_LONGITUDE_REF), "W");
    EXPECT_EQ(gps(EXIF_TAG_GPS_LONGITUDE), " 2, 17, 40.2000");
    EXPECT_EQ(gps(EXIF_TAG_GPS_ALTITUDE_REF), "Sea level reference"); // libexif's text for 1: below
    EXPECT_EQ(gps(EXIF_TAG_GPS_ALTITUDE), "12.50");

    // No date: no offset either. A place off the globe is left out, the rest stays.
    meta.recorded.reset();
    meta.place = GpsPosition{95, 10, std::nullopt};
    ASSERT_TRUE(WriteJpeg(file.string(), {pixels.data(), 3, 2, 12}, 90, meta));
    EXPECT_EQ(exifField(file, EXIF_IFD_EXIF, EXIF_TAG_OFFSET_TIME_ORIGINAL), "");
    EXPECT_EQ(gps(EXIF_TAG_GPS_LATITUDE), "");
    EXPECT_EQ(exifField(file, EXIF_IFD_0, EXIF_TAG_MAKE), "Apple");
}

TEST_F(ImageFiles, ExifTextsSurviveNulsAndAnImageKeptIsNotReplaced) {
    auto pixels = picture();
    const fs::path file = dir / "k.jpg";
    ImageMetadata meta{{}, std::string("Still\0pick", 10), ""};
    ASSERT_TRUE(WriteJpeg(file.string(), {pixels.data(), 3, 2, 12}, 90, meta));
    EXPECT_EQ(exifField(file, EXIF_IFD_0, EXIF_TAG_SOFTWARE), "Stillpick");
    EXPECT_EQ(exifField(file, EXIF_IFD_0, EXIF_TAG_IMAGE_DESCRIPTION), ""); // empty: left out
    const auto before = readAll(file);
    EXPECT_FALSE(
        WriteJpeg(file.string(), {pixels.data(), 3, 2, 12}, 50, meta, nullptr, ExistingFile::Keep));
    EXPECT_EQ(readAll(file), before);
    // A description too long for one JPEG segment still gives a valid JPEG, without EXIF.
    meta.description.assign(70000, 'x');
    EXPECT_TRUE(BuildExifBlock(meta).empty());
    ASSERT_TRUE(WriteJpeg(file.string(), {pixels.data(), 3, 2, 12}, 90, meta));
    EXPECT_EQ(QImage(QString::fromStdString(file.string())).size(), QSize(3, 2));
}

} // namespace
} // namespace sp
