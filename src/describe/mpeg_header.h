#pragma once
// Fields of an MPEG-1/2 video sequence header (ISO/IEC 13818-2) at the start of a sample:
// bytes 0..3 = 00 00 01 B3, then 12 bits of width, 12 bits of height, 4 bits of aspect code and
// 4 bits of frame-rate code.
//
// Every function needs the first 8 bytes; a shorter sample is not inspected and gives the
// field's "absent" result (false, 0, kMpegAspectOther, 0.0). Pure functions; the notifier calls
// them on its streaming thread.

#include <cstdint>
#include <span>

namespace sp {

inline constexpr size_t kMpegSequenceHeaderBytes = 8;

// MpegAspect results.
inline constexpr int kMpegAspect4x3 = 0;
inline constexpr int kMpegAspect16x9 = 1;
inline constexpr int kMpegAspectOther = 2;

// The sample starts with a sequence header start code and holds the 8 bytes read below.
bool IsMpegSequenceHeader(std::span<const uint8_t> bytes);
int MpegWidth(std::span<const uint8_t> bytes);
int MpegHeight(std::span<const uint8_t> bytes);
// Aspect code 2 gives kMpegAspect4x3, 3 gives kMpegAspect16x9, anything else kMpegAspectOther.
int MpegAspect(std::span<const uint8_t> bytes);
// Frames per second of frame-rate codes 1..8 (23.976 .. 60); 0 for any other code.
double MpegFrameRate(std::span<const uint8_t> bytes);

} // namespace sp
