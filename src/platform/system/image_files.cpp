#include "platform/system/image_files.h"

#include "platform/system/atomic_file.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace sp {

namespace {

bool valid(const PictureView& p, std::string* error) {
    bool ok = p.pixels && p.width > 0 && p.height > 0 && p.width <= 65500 && p.height <= 65500 &&
              p.strideBytes >= p.width * 4;
    if (!ok && error) *error = "no picture to write";
    return ok;
}

bool writeAll(const std::string& path, std::span<const uint8_t> bytes, std::string* error) {
    AtomicWriteResult result = writeFileAtomically(path, std::as_bytes(bytes));
    if (!result.ok && error) *error = result.error;
    return result.ok;
}

void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, uint16_t(v));
    put16(out, uint16_t(v >> 16));
}

} // namespace

bool WriteBmp24(const std::string& path, const PictureView& p, std::string* error) {
    if (!valid(p, error)) return false;
    const uint32_t rowBytes = (uint32_t(p.width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * uint32_t(p.height);
    std::vector<uint8_t> file;
    file.reserve(54 + imageBytes);
    file.push_back('B');
    file.push_back('M');
    put32(file, 54 + imageBytes);
    put32(file, 0);
    put32(file, 54);
    put32(file, 40); // BITMAPINFOHEADER
    put32(file, uint32_t(p.width));
    put32(file, uint32_t(p.height)); // positive: bottom row first
    put16(file, 1);
    put16(file, 24);
    put32(file, 0);
    put32(file, imageBytes);
    put32(file, 3780); // 96 dpi
    put32(file, 3780);
    put32(file, 0);
    put32(file, 0);
    file.resize(54 + size_t(imageBytes), 0); // rows are padded to 4 bytes with zeros
    uint8_t* out = file.data() + 54;
    for (int y = p.height - 1; y >= 0; --y, out += rowBytes) {
        const uint8_t* row = p.pixels + size_t(y) * size_t(p.strideBytes);
        for (int x = 0; x < p.width; ++x) std::memcpy(out + x * 3, row + x * 4, 3);
    }
    return writeAll(path, file, error);
}

bool WriteJpeg(const std::string& path, const PictureView& p, int quality, std::string* error) {
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
    if (ok) ok = writeAll(path, std::span<const uint8_t>(jpeg, size), error);
    tjFree(jpeg);
    tjDestroy(handle);
    return ok;
}

} // namespace sp
