#include "platform/system/image_files.h"

#include "platform/system/atomic_file.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <turbojpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace sp {

namespace {

bool valid(const PictureView& p, std::string* error) {
    bool ok = p.pixels && p.width > 0 && p.height > 0 && p.width <= 65500 && p.height <= 65500 &&
              p.strideBytes >= p.width * 4;
    if (!ok && error) *error = "no picture to write";
    return ok;
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
    for (; x < width; ++x, from += 4, to += 3) std::memcpy(to, from, 3);
}

} // namespace

bool WriteBmp24(const std::string& path, const PictureView& p, std::string* error,
                ExistingFile existing) {
    if (!valid(p, error)) return false;
    const uint32_t rowBytes = (uint32_t(p.width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * uint32_t(p.height);
    const size_t fileBytes = 54 + size_t(imageBytes);
    // Every byte is written below, so the buffer is not cleared first.
    auto file = std::make_unique_for_overwrite<uint8_t[]>(fileBytes);
    uint8_t* at = file.get();
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
    const size_t padding = rowBytes - size_t(p.width) * 3; // rows end on 4 bytes, with zeros
    for (int y = p.height - 1; y >= 0; --y, at += rowBytes) {
        packRow24(p.pixels + size_t(y) * size_t(p.strideBytes), at, p.width);
        std::memset(at + rowBytes - padding, 0, padding);
    }
    return writeAll(path, std::span<const uint8_t>(file.get(), fileBytes), error, existing);
}

bool WriteJpeg(const std::string& path, const PictureView& p, int quality, std::string* error,
               ExistingFile existing) {
    if (!valid(p, error)) return false;
    tjhandle handle = tjInitCompress();
    if (!handle) {
        if (error) *error = "the JPEG encoder cannot start";
        return false;
    }
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    int rc = tjCompress2(handle, p.pixels, p.width, p.strideBytes, p.height, TJPF_BGRX, &jpeg,
                         &size, TJSAMP_420, std::clamp(quality, 1, 100), TJFLAG_ACCURATEDCT);
    bool ok = rc == 0 && jpeg;
    if (!ok && error) *error = tjGetErrorStr2(handle);
    if (ok) ok = writeAll(path, std::span<const uint8_t>(jpeg, size), error, existing);
    tjFree(jpeg);
    tjDestroy(handle);
    return ok;
}

bool WritePng(const std::string& path, const PictureView& p, std::string* error,
              ExistingFile existing) {
    if (!valid(p, error)) return false;
    const QImage image(p.pixels, p.width, p.height, p.strideBytes, QImage::Format_RGB32);
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        if (error) *error = "the PNG encoder failed";
        return false;
    }
    return writeAll(path,
                    std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(png.constData()),
                                             size_t(png.size())),
                    error, existing);
}

} // namespace sp
