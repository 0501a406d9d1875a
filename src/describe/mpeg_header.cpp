#include "describe/mpeg_header.h"

namespace sp {

namespace {

bool LongEnough(std::span<const uint8_t> b) {
    return b.size() >= kMpegSequenceHeaderBytes;
}

} // namespace

bool IsMpegSequenceHeader(std::span<const uint8_t> b) {
    return LongEnough(b) && b[0] == 0x00 && b[1] == 0x00 && b[2] == 0x01 && b[3] == 0xB3;
}

int MpegWidth(std::span<const uint8_t> b) {
    return LongEnough(b) ? b[4] * 16 + (b[5] >> 4) : 0;
}

int MpegHeight(std::span<const uint8_t> b) {
    return LongEnough(b) ? (b[5] & 0x0F) * 256 + b[6] : 0;
}

int MpegAspect(std::span<const uint8_t> b) {
    if (!LongEnough(b)) return kMpegAspectOther;
    switch (b[7] >> 4) {
    case 2:
        return kMpegAspect4x3;
    case 3:
        return kMpegAspect16x9;
    default:
        return kMpegAspectOther;
    }
}

double MpegFrameRate(std::span<const uint8_t> b) {
    if (!LongEnough(b)) return 0.0;
    static constexpr double kRates[16] = {
        0.0, 24000.0 / 1001.0, 24.0, 25.0, 30000.0 / 1001.0, 30.0, 50.0, 60000.0 / 1001.0, 60.0};
    return kRates[b[7] & 0x0F];
}

} // namespace sp
