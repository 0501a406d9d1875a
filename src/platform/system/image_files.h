#pragma once
// Writing grabbed pictures: 24-bit BMP, JPEG (libjpeg-turbo, see jpeg_encoder.h) and PNG (the
// encoder of image_encoder.h) from a 32-bit B,G,R,x picture stored top row first. Each file is
// written to a temporary name and renamed into place, so a failed write never leaves a half-written
// image or destroys an existing one; with ExistingFile::Keep an image already at that name is never
// replaced (the write fails). A JPEG can carry EXIF metadata (libexif): when the picture was
// recorded (and in which zone), the camera, the place, the program that wrote it and a
// description; a BMP has no place for metadata.
//
// Any thread. Failures return false with a one-line reason in `error`.

#include "platform/system/atomic_file.h" // ExistingFile

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sp {

struct PictureView {
    const uint8_t* pixels = nullptr; // B, G, R, x per pixel, top row first
    int width = 0;
    int height = 0;
    int strideBytes = 0;
    // 16: the pixels are R, G, B, x, each a 16-bit sample in host order (8 bytes a pixel), for a
    // still of deep video; only the PNG encoder takes such a picture.
    int sampleBits = 8;
};

bool WriteBmp24(const std::string& path, const PictureView& picture, std::string* error = nullptr,
                ExistingFile existing = ExistingFile::Replace);
// The same BMP file in memory; empty, with the reason in `error`, for no valid picture.
std::vector<uint8_t> EncodeBmp24(const PictureView& picture, std::string* error = nullptr);
// The bytes of an image file made in memory, written as every image file is (see above).
bool WriteImageFile(const std::string& path, std::span<const uint8_t> bytes,
                    std::string* error = nullptr, ExistingFile existing = ExistingFile::Replace);
// quality 1..100 (clamped).
bool WriteJpeg(const std::string& path, const PictureView& picture, int quality,
               std::string* error = nullptr, ExistingFile existing = ExistingFile::Replace);

// A clock time as recorded with the video (no time zone), for EXIF DateTimeOriginal.
struct RecordingTime {
    int year = 0;  // 1..9999
    int month = 0; // 1..12
    int day = 0;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The EXIF fields of a grabbed still (every format but BMP carries them, see image_encoder.h).
// Empty texts are left out; texts are written as UTF-8 with any NUL removed.
// A place for the GPS fields: degrees north and east (WGS 84), metres above sea level.
struct GpsPosition {
    double latitude = 0;  // -90..90
    double longitude = 0; // -180..180
    std::optional<double> altitude;
};

struct ImageMetadata {
    std::optional<RecordingTime> recorded; // DateTimeOriginal; left out when out of range
    std::string software;                  // Software: the program's name
    std::string description;               // ImageDescription: the position in the video
    std::optional<int> offsetMinutes = {}; // OffsetTimeOriginal ("+02:00"), with `recorded` only
    std::string make = {};                 // Make and Model: the camera
    std::string model = {};
    std::optional<GpsPosition> place =
        {}; // GPS latitude, longitude, altitude; left out off the globe
};

// The JPEG with an EXIF block (after the JFIF header) holding `metadata`.
bool WriteJpeg(const std::string& path, const PictureView& picture, int quality,
               const ImageMetadata& metadata, std::string* error = nullptr,
               ExistingFile existing = ExistingFile::Replace);

// The same through `encoder`, which keeps its buffers from one picture to the next (one thread
// at a time).
class JpegEncoder;
bool WriteJpeg(JpegEncoder& encoder, const std::string& path, const PictureView& picture,
               int quality, const ImageMetadata& metadata, std::string* error = nullptr,
               ExistingFile existing = ExistingFile::Replace);
// The same for a width x height picture that `rows` writes a band at a time (see
// JpegEncoder::RowSource): rows `first` .. `first + count - 1` into `band`, width x 4 bytes apart.
bool WriteJpeg(JpegEncoder& encoder, const std::string& path, int width, int height,
               const std::function<bool(int first, int count, uint8_t* band)>& rows, int quality,
               const ImageMetadata& metadata, std::string* error = nullptr,
               ExistingFile existing = ExistingFile::Replace);

// The EXIF block of `metadata` as the payload of a JPEG APP1 segment ("Exif\0\0" then the TIFF
// structure); empty when libexif cannot build it.
std::vector<uint8_t> BuildExifBlock(const ImageMetadata& metadata);
bool WritePng(const std::string& path, const PictureView& picture, std::string* error = nullptr,
              ExistingFile existing = ExistingFile::Replace);

} // namespace sp
