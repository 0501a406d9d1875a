#pragma once
// A media type: major type, subtype, sample properties, format type and the format block as raw
// bytes in the Windows layout (AM_MEDIA_TYPE). Value semantics; copying copies the block.

#include "platform/graph/formats.h"
#include "platform/graph/guid.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

namespace mf {

struct MediaType {
    GUID majortype;
    GUID subtype;
    bool bFixedSizeSamples = true;
    bool bTemporalCompression = false;
    uint32_t lSampleSize = 0;
    GUID formattype;
    std::vector<uint8_t> format;

    size_t cbFormat() const { return format.size(); }
    const uint8_t* pbFormat() const { return format.empty() ? nullptr : format.data(); }

    // The block read as T when it is at least sizeof(T) bytes long (copied, so alignment of the
    // byte buffer does not matter); nullopt otherwise.
    template <class T> std::optional<T> formatAs() const {
        static_assert(std::is_trivially_copyable_v<T>);
        if (format.size() < sizeof(T)) return std::nullopt;
        T value;
        std::memcpy(&value, format.data(), sizeof(T));
        return value;
    }
    // Replaces the start of the block with value, growing the block when it is shorter.
    template <class T> void setFormat(const T& value) {
        static_assert(std::is_trivially_copyable_v<T>);
        if (format.size() < sizeof(T)) format.resize(sizeof(T));
        std::memcpy(format.data(), &value, sizeof(T));
    }
    void setFormatBytes(std::span<const uint8_t> bytes) {
        format.assign(bytes.begin(), bytes.end());
    }

    // The bitmap header of a VideoInfo or VideoInfo2 (or MPEG-1/2 video) block, if any.
    std::optional<BITMAPINFOHEADER> bitmapHeader() const;
    // The display orientation a VideoInfo2 (or MPEG-2 video) block carries; upright otherwise.
    PictureOrientation orientation() const;

    friend bool operator==(const MediaType&, const MediaType&) = default;
};

// Wildcard-aware match used by pin type negotiation: a null GUID in `pattern` matches anything.
bool matchesPartial(const MediaType& pattern, const MediaType& type);

// One line "major/subtype/format" with symbolic names, for logs and the probe tool.
std::string describe(const MediaType& mt);

// Convenience builders used by filters and tests.
MediaType makeVideoInfoType(const GUID& subtype, int32_t width, int32_t height, uint16_t bitCount,
                            REFERENCE_TIME avgTimePerFrame, uint32_t compression = BI_RGB);
MediaType makeRgb32Type(int32_t width, int32_t height, REFERENCE_TIME avgTimePerFrame);
MediaType makePcmType(uint32_t sampleRate, uint16_t channels, uint16_t bitsPerSample = 16);

} // namespace mf
