#pragma once
// Writing grabbed pictures: 24-bit BMP, JPEG (libjpeg-turbo) and PNG from a 32-bit B,G,R,x
// picture stored top row first. Each file is written to a temporary name and renamed into place,
// so a failed write never leaves a half-written image or destroys an existing one; with
// ExistingFile::Keep an image already at that name is never replaced (the write fails).
//
// Any thread. Failures return false with a one-line reason in `error`.

#include "platform/system/atomic_file.h" // ExistingFile

#include <cstdint>
#include <span>
#include <string>

namespace sp {

struct PictureView {
    const uint8_t* pixels = nullptr; // B, G, R, x per pixel, top row first
    int width = 0;
    int height = 0;
    int strideBytes = 0;
};

bool WriteBmp24(const std::string& path, const PictureView& picture, std::string* error = nullptr,
                ExistingFile existing = ExistingFile::Replace);
// quality 1..100 (clamped).
bool WriteJpeg(const std::string& path, const PictureView& picture, int quality,
               std::string* error = nullptr, ExistingFile existing = ExistingFile::Replace);
bool WritePng(const std::string& path, const PictureView& picture, std::string* error = nullptr,
              ExistingFile existing = ExistingFile::Replace);

} // namespace sp
