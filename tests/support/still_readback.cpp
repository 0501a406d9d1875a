#include "support/still_readback.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <tuple>

namespace sptest {
namespace {

bool endsWith(const std::string& path, const std::string& end) {
    return path.size() > end.size() && path.compare(path.size() - end.size(), end.size(), end) == 0;
}

// ImageMagick cannot read JPEG XL here, and its AVIF reader (libheif 1.15) ignores the identity
// matrix of lossless AVIF; FFmpeg reads both.
bool readByFfmpeg(const std::string& path) {
    return endsWith(path, ".jxl") || endsWith(path, ".avif");
}

std::pair<int, int> sizeOf(const std::string& path) {
    std::istringstream words(runTool({"identify", "-format", "%w %h", path + "[0]"}));
    int width = 0, height = 0;
    words >> width >> height;
    return {width, height};
}

std::pair<int, int> ffprobeSizeOf(const std::string& path) {
    std::istringstream words(
        runTool({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                 "stream=width,height", "-of", "csv=p=0:s=x", path}));
    int width = 0, height = 0;
    char x = 0;
    words >> width >> x >> height;
    return {width, height};
}

} // namespace

std::string runTool(const std::vector<std::string>& argv) {
    std::string command;
    for (const std::string& word : argv) { // each word single-quoted for the shell
        command += " '";
        for (char c : word)
            command += c == '\'' ? std::string("'\\''") : std::string(1, c);
        command += '\'';
    }
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return {};
    std::string out;
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    return ::pclose(pipe) == 0 ? out : std::string();
}

RgbPicture decodeStill(const std::string& path) {
    RgbPicture picture;
    std::string raw;
    if (readByFfmpeg(path)) {
        std::tie(picture.width, picture.height) = ffprobeSizeOf(path);
        raw = runTool(
            {"ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    } else {
        std::tie(picture.width, picture.height) = sizeOf(path);
        raw = runTool({"convert", path + "[0]", "-depth", "8", "rgb:-"});
    }
    if (picture.width <= 0 || raw.size() != size_t(picture.width) * size_t(picture.height) * 3)
        return {};
    picture.rgb.assign(raw.begin(), raw.end());
    return picture;
}

Rgb16Picture decodeStill16(const std::string& path) {
    Rgb16Picture picture;
    std::tie(picture.width, picture.height) = sizeOf(path);
    // ImageMagick writes 16-bit raw samples most significant byte first.
    const std::string raw =
        runTool({"convert", path + "[0]", "-endian", "MSB", "-depth", "16", "rgb:-"});
    const size_t samples = size_t(std::max(picture.width, 0)) * size_t(picture.height) * 3;
    if (picture.width <= 0 || raw.size() != samples * 2) return {};
    picture.rgb.resize(samples);
    for (size_t i = 0; i < samples; ++i)
        picture.rgb[i] = uint16_t(uint8_t(raw[2 * i]) << 8 | uint8_t(raw[2 * i + 1]));
    return picture;
}

int stillBitDepth(const std::string& path) {
    if (readByFfmpeg(path)) {
        const std::string format =
            runTool({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                     "stream=pix_fmt", "-of", "csv=p=0", path});
        if (format.empty()) return 0;
        for (const char* deep : {"48", "64", "16", "12", "10"})
            if (format.find(deep) != std::string::npos)
                return std::atoi(deep) > 16 ? 16 : std::atoi(deep);
        return 8;
    }
    return std::atoi(runTool({"identify", "-format", "%z", path + "[0]"}).c_str());
}

std::map<std::string, std::string> exifToolTags(const std::string& path,
                                                const std::vector<std::string>& tags) {
    std::vector<std::string> argv = {"exiftool", "-s", "-s"};
    for (const std::string& tag : tags)
        argv.push_back("-" + tag);
    argv.push_back(path);
    std::map<std::string, std::string> found;
    std::istringstream lines(runTool(argv));
    for (std::string line; std::getline(lines, line);) {
        const size_t colon = line.find(": ");
        if (colon == std::string::npos) continue;
        std::string name = line.substr(0, colon);
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        found[name] = line.substr(colon + 2);
    }
    return found;
}

double rgbPsnr(const RgbPicture& a, const RgbPicture& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size() || a.rgb.empty())
        return 0;
    double squares = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        const double d = double(a.rgb[i]) - double(b.rgb[i]);
        squares += d * d;
    }
    if (squares == 0) return std::numeric_limits<double>::infinity();
    return 10 * std::log10(255.0 * 255.0 * double(a.rgb.size()) / squares);
}

} // namespace sptest
