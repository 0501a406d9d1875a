#pragma once
// The encoders of image_encoder.h, one per format; made only through MakeImageEncoder.

#include "platform/system/image_encoder.h"

#include <memory>

namespace sp::formats {

std::unique_ptr<ImageEncoder> MakePngEncoder();
std::unique_ptr<ImageEncoder> MakeWebpEncoder();
std::unique_ptr<ImageEncoder> MakeJxlEncoder();
std::unique_ptr<ImageEncoder> MakeAvifEncoder();

} // namespace sp::formats
