#include "filters/stream_info.h"

#include <QLocale>

#include <charconv>
#include <cmath>

namespace sp {

TvData& SharedTvData() {
    static TvData data;
    return data;
}

TaData& SharedTaData() {
    static TaData data;
    return data;
}

std::string AspectSuffix(uint8_t aspect) {
    switch (aspect) {
    case kAspect4x3:
        return " (4x3)";
    case kAspect16x9:
        return " (16x9)";
    default:
        return {};
    }
}

uint8_t AspectFromRatio(uint32_t x, uint32_t y) {
    if (x == 0 && y == 0) return kAspectUnknown;
    // 64-bit products: a ratio near the 32-bit limit must not wrap into a false match.
    const uint64_t wx = x, wy = y;
    if (3 * wx == 4 * wy) return kAspect4x3;
    if (9 * wx == 16 * wy) return kAspect16x9;
    return kAspectUnknown;
}

uint8_t TvStandardFromHeight(int32_t height) {
    switch (height) {
    case 480:
    case 240:
    case 120:
        return kTvStandardNtsc;
    case 576:
    case 288:
    case 144:
        return kTvStandardPal;
    default:
        return kTvStandardUnknown;
    }
}

namespace {

// A number in the general form with up to 15 significant digits and no trailing zeros
// ("25", "29.97"), with the default locale's decimal separator.
std::string GeneralNumberText(double value) {
    char buffer[64];
    auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    if (error != std::errc{}) return {};
    std::string text(buffer, end);
    const std::string separator = QLocale().decimalPoint().toStdString();
    if (auto dot = text.find('.'); dot != std::string::npos) text.replace(dot, 1, separator);
    return text;
}

} // namespace

std::string SizeText(int32_t width, int32_t height, double frameRate) {
    std::string text = std::to_string(width) + "x" + std::to_string(height);
    if (frameRate > 0)
        text += " - " + GeneralNumberText(std::round(frameRate * 100) / 100) + " fps";
    return text;
}

void ApplySizeGroup(TvData& tv, const mf::BITMAPINFOHEADER& header, int64_t avgTimePerFrameHns) {
    tv.Width = header.biWidth;
    tv.Height = header.biHeight < 0 ? -header.biHeight : header.biHeight; // top-down rows
    tv.BitCount = header.biBitCount;
    tv.FrameDuration = avgTimePerFrameHns;
    tv.FrameRate = avgTimePerFrameHns > 0 ? 10000000.0 / double(avgTimePerFrameHns) : 0.0;
    tv.SizeText = SizeText(tv.Width, tv.Height, tv.FrameRate);
}

std::string AudioDescription(const std::string& codecName, int32_t sampleRate,
                             int32_t bitsPerSample, int32_t bitRate, int32_t channels) {
    std::string text = codecName;
    if (sampleRate > 0) text += " " + std::to_string(sampleRate) + "Hz";
    if (bitsPerSample > 0)
        text += " " + std::to_string(bitsPerSample) + "bits ";
    else
        text += " " + std::to_string(bitRate / 1000) + "Kb/s";
    if (channels == 1)
        text += " mono";
    else if (channels == 2)
        text += " st\u00e9r\u00e9o";
    else
        text += " " + std::to_string(channels) + " canaux";
    return text;
}

std::mutex& StreamInfoMutex() {
    static std::mutex mutex;
    return mutex;
}

TvData CopyTvData() {
    std::lock_guard lock(StreamInfoMutex());
    return SharedTvData();
}

TaData CopyTaData() {
    std::lock_guard lock(StreamInfoMutex());
    return SharedTaData();
}

} // namespace sp
