#pragma once
// One interface for the image formats a still can be saved in, with a class per format over that
// format's own library: BMP and JPEG (image_files.h, jpeg_encoder.h), PNG (libpng), WebP (libwebp
// and its mux library), JPEG XL (libjxl) and AVIF (libavif). An encoder makes the whole file in
// memory; writing it to the disk is the caller's (WriteImageFile writes it atomically).
//
// Every format but BMP carries the EXIF block of BuildExifBlock in its own place: JPEG's APP1
// segment, PNG's eXIf chunk, WebP's EXIF chunk, JPEG XL's Exif box, AVIF's Exif item. Pictures
// are 8-bit sRGB and each format says so (PNG also takes 16-bit pictures of deep video, with the
// same transfer and primaries): PNG's sRGB chunk, JPEG XL's and AVIF's colour
// signalling (sRGB primaries and transfer), WebP's ICC profile. JPEG and BMP are written as they
// always were (JFIF, no colour tag).
//
// Quality 1..100 (clamped) where the format has one: JPEG the IJG scale; WebP lossy at the
// quality, lossless at 100; JPEG XL a butteraugli distance from the quality, lossless at 100;
// AVIF 4:2:0 at a quantizer from the quality, 4:4:4 lossless at 100. BMP and PNG are lossless
// and take no quality. PNG is 8-bit RGB, or 16-bit RGB for a picture of 16-bit samples.
//
// One encoder is used by one thread at a time and may keep buffers from one picture to the next.
// Failures return false with a one-line reason in `error`; the encoder stays usable.

#include "platform/system/image_files.h" // PictureView

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sp {

// The values are those stored in the settings; any other stored value reads as JPEG.
enum class ImageFormat : int { Bmp = 0, Jpeg = 1, Png = 2, Webp = 3, Jxl = 4, Avif = 5 };
inline constexpr int kImageFormatCount = 6;

ImageFormat ImageFormatOrJpeg(int stored);
// ".bmp", ".jpg", ".png", ".webp", ".jxl", ".avif".
std::string_view ImageFormatExtension(ImageFormat format);
// "bmp", "jpeg", "png", "webp", "jxl", "avif": the names the program shows.
std::string_view ImageFormatName(ImageFormat format);
// JPEG, WebP, JPEG XL and AVIF take a quality; BMP and PNG do not.
bool ImageFormatHasQuality(ImageFormat format);

class ImageEncoder {
public:
    virtual ~ImageEncoder() = default;
    virtual ImageFormat Format() const = 0;
    // Makes the file of `picture` into `file` (replacing its content). `exif` is the block of
    // BuildExifBlock ("Exif\0\0" then the TIFF structure), or empty for none.
    virtual bool Encode(const PictureView& picture, int quality, std::span<const uint8_t> exif,
                        std::vector<uint8_t>& file, std::string* error) = 0;
};

// A new encoder of `format`; never null.
std::unique_ptr<ImageEncoder> MakeImageEncoder(ImageFormat format);

// The TIFF structure of an EXIF block of BuildExifBlock (its "Exif\0\0" prefix dropped); empty
// when `exif` is not such a block.
std::span<const uint8_t> ExifTiffPart(std::span<const uint8_t> exif);

// A picture an encoder can take (pixels, sides 1..65500, stride, 8-bit samples or, for an
// encoder that takes them, `deep` 16-bit ones); else false with a reason.
bool ValidPicture(const PictureView& picture, std::string* error, bool deep = false);
// Sets `error` (when given) and returns false.
bool EncodeFailed(std::string* error, std::string_view reason);

} // namespace sp
