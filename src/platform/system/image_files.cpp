#include "platform/system/image_files.h"

#include "platform/system/atomic_file.h"
#include "platform/system/image_encoder.h"
#include "platform/system/jpeg_encoder.h"

#include <libexif/exif-data.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace sp {

namespace {

bool valid(const PictureView& p, std::string* error) {
    return ValidPicture(p, error);
}

bool writeAll(const std::string& path, std::span<const uint8_t> bytes, std::string* error,
              ExistingFile existing) {
    AtomicWriteResult result = writeFileAtomically(path, std::as_bytes(bytes), 0644, existing);
    if (!result.ok && error) *error = result.error;
    return result.ok;
}

// Little-endian fields of the BMP headers, written at `at`, which advances.
void put16(uint8_t*& at, uint16_t v) {
    *at++ = uint8_t(v);
    *at++ = uint8_t(v >> 8);
}
void put32(uint8_t*& at, uint32_t v) {
    put16(at, uint16_t(v));
    put16(at, uint16_t(v >> 16));
}

// One row of B, G, R, X pixels as packed B, G, R triples. Four pixels at a time become three
// 32-bit words; the loads and stores go through memcpy, so alignment does not matter.
void packRow24(const uint8_t* from, uint8_t* to, int width) {
    int x = 0;
    for (; x + 4 <= width; x += 4, from += 16, to += 12) {
        uint32_t p[4];
        std::memcpy(p, from, 16);
        const uint32_t packed[3] = {(p[0] & 0xFFFFFFu) | (p[1] << 24),
                                    ((p[1] >> 8) & 0xFFFFu) | (p[2] << 16),
                                    ((p[2] >> 16) & 0xFFu) | (p[3] << 8)};
        std::memcpy(to, packed, 12);
    }
    for (; x < width; ++x, from += 4, to += 3)
        std::memcpy(to, from, 3);
}

// An entry of `tag` with `components` values of `format` taken from `bytes`.
bool addEntry(ExifContent* ifd, ExifTag tag, ExifFormat format, unsigned components,
              std::span<const unsigned char> bytes) {
    ExifEntry* entry = exif_entry_new();
    if (!entry) return false;
    // libexif's default allocator is malloc: the entry frees this with the rest of it
    entry->data = static_cast<unsigned char*>(std::malloc(bytes.size()));
    if (!entry->data) {
        exif_entry_unref(entry);
        return false;
    }
    std::memcpy(entry->data, bytes.data(), bytes.size());
    entry->size = unsigned(bytes.size());
    entry->components = components;
    entry->format = format;
    entry->tag = tag;
    exif_content_add_entry(ifd, entry); // the IFD keeps its own reference
    exif_entry_unref(entry);
    return true;
}

// An ASCII entry of `tag` holding `text` (NULs removed, UTF-8 kept as it is); nothing for an
// empty text.
bool addAscii(ExifContent* ifd, ExifTag tag, std::string text) {
    std::erase(text, '\0');
    if (text.empty()) return true;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.c_str());
    return addEntry(ifd, tag, EXIF_FORMAT_ASCII, unsigned(text.size() + 1),
                    {bytes, text.size() + 1});
}

// Unsigned rationals, as libexif lays them out in the block's byte order.
bool addRationals(ExifContent* ifd, ExifTag tag, std::initializer_list<ExifRational> values) {
    std::vector<unsigned char> bytes(values.size() * 8);
    unsigned char* at = bytes.data();
    for (const ExifRational& r : values) {
        exif_set_rational(at, EXIF_BYTE_ORDER_INTEL, r);
        at += 8;
    }
    return addEntry(ifd, tag, EXIF_FORMAT_RATIONAL, unsigned(values.size()), bytes);
}

bool addBytes(ExifContent* ifd, ExifTag tag, std::initializer_list<unsigned char> values) {
    return addEntry(ifd, tag, EXIF_FORMAT_BYTE, unsigned(values.size()),
                    {values.begin(), values.size()});
}

// Degrees as whole degrees, whole minutes and seconds to the ten-thousandth.
bool addDegrees(ExifContent* ifd, ExifTag tag, double degrees) {
    const uint32_t tenThousandths = uint32_t(std::llround(std::abs(degrees) * 3600.0 * 10000.0));
    const uint32_t whole = tenThousandths / (3600u * 10000u);
    const uint32_t minutes = tenThousandths / (60u * 10000u) % 60u;
    const uint32_t seconds = tenThousandths % (60u * 10000u);
    return addRationals(ifd, tag, {{whole, 1}, {minutes, 1}, {seconds, 10000}});
}

bool addPlace(ExifContent* gps, const GpsPosition& p) {
    if (!std::isfinite(p.latitude) || !std::isfinite(p.longitude) || std::abs(p.latitude) > 90 ||
        std::abs(p.longitude) > 180)
        return true; // off the globe: no place
    bool ok = addBytes(gps, ExifTag(EXIF_TAG_GPS_VERSION_ID), {2, 2, 0, 0}) &&
              addAscii(gps, ExifTag(EXIF_TAG_GPS_LATITUDE_REF), p.latitude < 0 ? "S" : "N") &&
              addDegrees(gps, ExifTag(EXIF_TAG_GPS_LATITUDE), p.latitude) &&
              addAscii(gps, ExifTag(EXIF_TAG_GPS_LONGITUDE_REF), p.longitude < 0 ? "W" : "E") &&
              addDegrees(gps, ExifTag(EXIF_TAG_GPS_LONGITUDE), p.longitude);
    if (ok && p.altitude && std::isfinite(*p.altitude) && std::abs(*p.altitude) < 1e6) {
        const uint32_t centimetres = uint32_t(std::llround(std::abs(*p.altitude) * 100.0));
        ok = addBytes(gps, ExifTag(EXIF_TAG_GPS_ALTITUDE_REF),
                      {static_cast<unsigned char>(*p.altitude < 0 ? 1 : 0)}) &&
             addRationals(gps, ExifTag(EXIF_TAG_GPS_ALTITUDE), {{centimetres, 100}});
    }
    return ok;
}

// "+02:00", "-05:30"; empty beyond 14 hours either way.
std::string exifOffset(int minutes) {
    if (std::abs(minutes) > 14 * 60) return {};
    char text[8];
    std::snprintf(text, sizeof text, "%c%02d:%02d", minutes < 0 ? '-' : '+', std::abs(minutes) / 60,
                  std::abs(minutes) % 60);
    return text;
}

// "YYYY:MM:DD HH:MM:SS"; empty when a field is out of range.
std::string exifDateTime(const RecordingTime& t) {
    const bool ok = t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
                    t.day <= 31 && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
                    t.second >= 0 && t.second <= 60;
    if (!ok) return {};
    char text[24];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

bool writeJpegWithExif(JpegEncoder& encoder, const std::string& path, const PictureView& p,
                       int quality, std::span<const uint8_t> exif, std::string* error,
                       ExistingFile existing) {
    return valid(p, error) && encoder.Encode(p, quality, exif, error) &&
           writeAll(path, encoder.Bytes(), error, existing);
}

} // namespace

std::vector<uint8_t> EncodeBmp24(const PictureView& p, std::string* error) {
    if (!valid(p, error)) return {};
    const uint32_t rowBytes = (uint32_t(p.width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * uint32_t(p.height);
    const size_t fileBytes = 54 + size_t(imageBytes);
    std::vector<uint8_t> file(fileBytes);
    uint8_t* at = file.data();
    *at++ = 'B';
    *at++ = 'M';
    put32(at, uint32_t(fileBytes));
    put32(at, 0);
    put32(at, 54);
    put32(at, 40); // BITMAPINFOHEADER
    put32(at, uint32_t(p.width));
    put32(at, uint32_t(p.height)); // positive: bottom row first
    put16(at, 1);
    put16(at, 24);
    put32(at, 0);
    put32(at, imageBytes);
    put32(at, 3780); // 96 dpi
    put32(at, 3780);
    put32(at, 0);
    put32(at, 0);
    // Rows end on 4 bytes; the padding stays as the vector was made, zero.
    for (int y = p.height - 1; y >= 0; --y, at += rowBytes)
        packRow24(p.pixels + size_t(y) * size_t(p.strideBytes), at, p.width);
    return file;
}

bool WriteImageFile(const std::string& path, std::span<const uint8_t> bytes, std::string* error,
                    ExistingFile existing) {
    return writeAll(path, bytes, error, existing);
}

bool WriteBmp24(const std::string& path, const PictureView& p, std::string* error,
                ExistingFile existing) {
    const std::vector<uint8_t> file = EncodeBmp24(p, error);
    return !file.empty() && writeAll(path, file, error, existing);
}

bool WriteJpeg(const std::string& path, const PictureView& p, int quality, std::string* error,
               ExistingFile existing) {
    JpegEncoder encoder;
    return writeJpegWithExif(encoder, path, p, quality, {}, error, existing);
}

bool WriteJpeg(const std::string& path, const PictureView& p, int quality,
               const ImageMetadata& metadata, std::string* error, ExistingFile existing) {
    JpegEncoder encoder;
    return WriteJpeg(encoder, path, p, quality, metadata, error, existing);
}

bool WriteJpeg(JpegEncoder& encoder, const std::string& path, const PictureView& p, int quality,
               const ImageMetadata& metadata, std::string* error, ExistingFile existing) {
    const std::vector<uint8_t> exif = BuildExifBlock(metadata);
    return writeJpegWithExif(encoder, path, p, quality, exif, error, existing);
}

bool WriteJpeg(JpegEncoder& encoder, const std::string& path, int width, int height,
               const std::function<bool(int, int, uint8_t*)>& rows, int quality,
               const ImageMetadata& metadata, std::string* error, ExistingFile existing) {
    const std::vector<uint8_t> exif = BuildExifBlock(metadata);
    return encoder.Encode(width, height, rows, quality, exif, error) &&
           writeAll(path, encoder.Bytes(), error, existing);
}

std::vector<uint8_t> BuildExifBlock(const ImageMetadata& metadata) {
    std::unique_ptr<ExifData, void (*)(ExifData*)> data(exif_data_new(), exif_data_unref);
    if (!data) return {};
    exif_data_set_byte_order(data.get(), EXIF_BYTE_ORDER_INTEL);
    exif_data_set_data_type(data.get(), EXIF_DATA_TYPE_COMPRESSED);
    ExifContent* ifd0 = data->ifd[EXIF_IFD_0];
    ExifContent* exifIfd = data->ifd[EXIF_IFD_EXIF];
    bool ok = addAscii(ifd0, EXIF_TAG_IMAGE_DESCRIPTION, metadata.description) &&
              addAscii(ifd0, EXIF_TAG_SOFTWARE, metadata.software);
    ok = ok && addAscii(ifd0, EXIF_TAG_MAKE, metadata.make) &&
         addAscii(ifd0, EXIF_TAG_MODEL, metadata.model);
    if (metadata.recorded) {
        const std::string when = exifDateTime(*metadata.recorded);
        ok = ok && addAscii(exifIfd, EXIF_TAG_DATE_TIME_ORIGINAL, when) &&
             addAscii(exifIfd, EXIF_TAG_DATE_TIME_DIGITIZED, when);
        if (metadata.offsetMinutes && !when.empty())
            ok = ok && addAscii(exifIfd, EXIF_TAG_OFFSET_TIME_ORIGINAL,
                                exifOffset(*metadata.offsetMinutes));
    }
    if (metadata.place) ok = ok && addPlace(data->ifd[EXIF_IFD_GPS], *metadata.place);
    if (ExifEntry* version = exif_entry_new()) { // readers expect the EXIF version beside the IFD
        exif_content_add_entry(exifIfd, version);
        exif_entry_initialize(version, EXIF_TAG_EXIF_VERSION);
        exif_entry_unref(version);
    }
    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    if (ok) exif_data_save_data(data.get(), &bytes, &size);
    std::vector<uint8_t> block;
    if (bytes && size > 0 && size <= 65533) block.assign(bytes, bytes + size);
    std::free(bytes); // allocated by libexif's default allocator (malloc)
    return block;
}

bool WritePng(const std::string& path, const PictureView& p, std::string* error,
              ExistingFile existing) {
    std::vector<uint8_t> file;
    return MakeImageEncoder(ImageFormat::Png)->Encode(p, 0, {}, file, error) &&
           writeAll(path, file, error, existing);
}

} // namespace sp
