#include "platform/graph/mediatype.h"

#include "platform/graph/guids.h"

namespace mf {

std::optional<BITMAPINFOHEADER> MediaType::bitmapHeader() const {
    if (formattype == FORMAT_VideoInfo || formattype == FORMAT_MPEGVideo) {
        if (auto vih = formatAs<VIDEOINFOHEADER>()) return vih->bmiHeader;
    } else if (formattype == FORMAT_VideoInfo2 || formattype == FORMAT_MPEG2Video) {
        if (auto vih2 = formatAs<VIDEOINFOHEADER2>()) return vih2->bmiHeader;
    }
    return std::nullopt;
}

PictureOrientation MediaType::orientation() const {
    if (formattype != FORMAT_VideoInfo2 && formattype != FORMAT_MPEG2Video) return {};
    auto vih2 = formatAs<VIDEOINFOHEADER2>();
    return vih2 ? PictureOrientation::fromPacked(vih2->dwReserved2) : PictureOrientation{};
}

bool matchesPartial(const MediaType& pattern, const MediaType& type) {
    auto ok = [](const GUID& want, const GUID& have) { return want.isNull() || want == have; };
    return ok(pattern.majortype, type.majortype) && ok(pattern.subtype, type.subtype) &&
           ok(pattern.formattype, type.formattype);
}

std::string describe(const MediaType& mt) {
    return guidName(mt.majortype) + "/" + guidName(mt.subtype) + "/" + guidName(mt.formattype);
}

MediaType makeVideoInfoType(const GUID& subtype, int32_t width, int32_t height, uint16_t bitCount,
                            REFERENCE_TIME avgTimePerFrame, uint32_t compression) {
    MediaType mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = subtype;
    mt.formattype = FORMAT_VideoInfo;
    VIDEOINFOHEADER vih;
    vih.AvgTimePerFrame = avgTimePerFrame;
    vih.bmiHeader.biWidth = width;
    vih.bmiHeader.biHeight = height;
    vih.bmiHeader.biBitCount = bitCount;
    vih.bmiHeader.biCompression = compression;
    uint64_t rows = height < 0 ? uint64_t(-int64_t(height)) : uint64_t(height);
    uint32_t bytes = uint32_t(uint64_t(uint32_t(width)) * rows * bitCount / 8);
    vih.bmiHeader.biSizeImage = compression == BI_RGB ? bytes : 0;
    mt.bFixedSizeSamples = compression == BI_RGB;
    mt.bTemporalCompression = compression != BI_RGB;
    mt.lSampleSize = vih.bmiHeader.biSizeImage;
    mt.setFormat(vih);
    return mt;
}

MediaType makeRgb32Type(int32_t width, int32_t height, REFERENCE_TIME avgTimePerFrame) {
    return makeVideoInfoType(MEDIASUBTYPE_RGB32, width, height, 32, avgTimePerFrame);
}

MediaType makePcmType(uint32_t sampleRate, uint16_t channels, uint16_t bitsPerSample) {
    MediaType mt;
    mt.majortype = MEDIATYPE_Audio;
    mt.subtype = MEDIASUBTYPE_PCM;
    mt.formattype = FORMAT_WaveFormatEx;
    WAVEFORMATEX wfx;
    wfx.wFormatTag = WAVE_FORMAT_PCM;
    wfx.nChannels = channels;
    wfx.nSamplesPerSec = sampleRate;
    wfx.wBitsPerSample = bitsPerSample;
    wfx.nBlockAlign = uint16_t(channels * bitsPerSample / 8);
    wfx.nAvgBytesPerSec = sampleRate * wfx.nBlockAlign;
    mt.lSampleSize = wfx.nBlockAlign;
    mt.setFormat(wfx);
    return mt;
}

} // namespace mf
