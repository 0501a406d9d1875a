#pragma once
// Reading a saved still back with tools that share no code with the program's writers:
// ImageMagick's convert and identify (BMP, JPEG, PNG, WebP), the ffmpeg command line for JPEG XL
// and AVIF (which this ImageMagick cannot read, or reads wrongly when lossless), and exiftool
// for the EXIF fields and colour tags of every format.
//
// Threads: any; each call runs its own process and waits for it.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sptest {

// Packed R, G, B, top row first; empty when the tool could not decode the file.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};
RgbPicture decodeStill(const std::string& path);

// The same at 16 bits a sample (ImageMagick), R, G, B host-order; empty when it fails.
struct Rgb16Picture {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> rgb;
};
Rgb16Picture decodeStill16(const std::string& path);

// Bits per sample as the reading tool reports them (identify's %z; ffprobe's pixel format for
// JPEG XL and AVIF); 0 when unknown.
int stillBitDepth(const std::string& path);

// exiftool's values of `tags` (e.g. "Software") found in the file; a missing tag is absent.
std::map<std::string, std::string> exifToolTags(const std::string& path,
                                                const std::vector<std::string>& tags);

// PSNR over R, G, B in dB; +infinity for identical pictures, 0 for different sizes.
double rgbPsnr(const RgbPicture& a, const RgbPicture& b);

// The whole output of a command (argv[0] looked up in PATH); empty when it fails.
std::string runTool(const std::vector<std::string>& argv);

} // namespace sptest
