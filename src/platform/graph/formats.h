#pragma once
// Format blocks with the Windows byte layouts (x86-64). A media type carries one of these as
// raw bytes; read them with MediaType::formatAs<T>(), which checks the block's length.

#include "platform/graph/guid.h"
#include "platform/graph/hresult.h"

#include <cstddef>
#include <cstdint>

namespace mf {

struct RECT {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct BITMAPINFOHEADER {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
inline constexpr uint32_t BI_RGB = 0;

struct VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    uint32_t dwBitRate = 0;
    uint32_t dwBitErrorRate = 0;
    REFERENCE_TIME AvgTimePerFrame = 0;
    BITMAPINFOHEADER bmiHeader;
};

struct VIDEOINFOHEADER2 {
    RECT rcSource;
    RECT rcTarget;
    uint32_t dwBitRate = 0;
    uint32_t dwBitErrorRate = 0;
    REFERENCE_TIME AvgTimePerFrame = 0;
    uint32_t dwInterlaceFlags = 0;
    uint32_t dwCopyProtectFlags = 0;
    uint32_t dwPictAspectRatioX = 0;
    uint32_t dwPictAspectRatioY = 0;
    uint32_t dwControlFlags = 0;
    uint32_t dwReserved2 = 0; // here: the picture's display orientation (PictureOrientation)
    BITMAPINFOHEADER bmiHeader;
};

// How a picture is turned to be shown upright: `quarterTurns` clockwise, then mirrored left to
// right when `mirrored` (the eight turns and mirrors of a rectangle). Phones store portrait
// video lying on its side with one clockwise quarter turn to apply. Windows leaves
// VIDEOINFOHEADER2.dwReserved2 zero; this program's splitters put the packed orientation there
// (zero: shown as stored), and the video decoder, which turns its pictures upright, keeps it on
// its output type to say what it did (the stored size is the upright one with the sides swapped
// when `swapsSides()`).
struct PictureOrientation {
    uint8_t quarterTurns = 0; // 0..3, clockwise
    bool mirrored = false;

    bool upright() const { return quarterTurns == 0 && !mirrored; }
    bool swapsSides() const { return quarterTurns % 2 == 1; }
    uint32_t packed() const { return (quarterTurns & 3u) | (mirrored ? 4u : 0u); }
    static PictureOrientation fromPacked(uint32_t bits) {
        return {uint8_t(bits & 3u), (bits & 4u) != 0};
    }
    bool operator==(const PictureOrientation&) const = default;
};

struct MPEG1VIDEOINFO {
    VIDEOINFOHEADER hdr;
    uint32_t dwStartTimeCode = 0;
    uint32_t cbSequenceHeader = 0;
    uint8_t bSequenceHeader[1] = {};
};

struct MPEG2VIDEOINFO {
    VIDEOINFOHEADER2 hdr;
    uint32_t dwStartTimeCode = 0;
    uint32_t cbSequenceHeader = 0;
    uint32_t dwProfile = 0;
    uint32_t dwLevel = 0;
    uint32_t dwFlags = 0;
    uint32_t dwSequenceHeader[1] = {};
};

#pragma pack(push, 1)
struct WAVEFORMATEX {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};
#pragma pack(pop)
inline constexpr uint16_t WAVE_FORMAT_PCM = 1;

struct DVINFO {
    uint32_t dwDVAAuxSrc = 0;
    uint32_t dwDVAAuxCtl = 0;
    uint32_t dwDVAAuxSrc1 = 0;
    uint32_t dwDVAAuxCtl1 = 0;
    uint32_t dwDVVAuxSrc = 0;
    uint32_t dwDVVAuxCtl = 0;
    uint32_t dwDVReserved[2] = {};
};

static_assert(sizeof(RECT) == 16);
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(VIDEOINFOHEADER) == 88 && offsetof(VIDEOINFOHEADER, bmiHeader) == 48);
static_assert(sizeof(VIDEOINFOHEADER2) == 112 && offsetof(VIDEOINFOHEADER2, bmiHeader) == 72);
static_assert(sizeof(MPEG1VIDEOINFO) == 104 && offsetof(MPEG1VIDEOINFO, bSequenceHeader) == 96);
static_assert(sizeof(MPEG2VIDEOINFO) == 136 && offsetof(MPEG2VIDEOINFO, dwSequenceHeader) == 132);
static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(sizeof(DVINFO) == 32);

// Format size of an MPEG-1/2 video type: the sequence-header offset plus the header's length.
constexpr size_t mpeg1FormatSize(size_t sequenceHeaderBytes) {
    return offsetof(MPEG1VIDEOINFO, bSequenceHeader) + sequenceHeaderBytes;
}
constexpr size_t mpeg2FormatSize(size_t sequenceHeaderBytes) {
    return offsetof(MPEG2VIDEOINFO, dwSequenceHeader) + sequenceHeaderBytes;
}

} // namespace mf
