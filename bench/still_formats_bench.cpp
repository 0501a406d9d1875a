// The still encoders on pictures read from a raw BGRA file (as bench/still_formats.sh makes
// it), each written as a file the way the program writes a still: milliseconds per still (wall
// and CPU, all threads) and bytes per still.
//   bench_still_formats RAW WIDTH HEIGHT FORMAT QUALITY OUTDIR
// FORMAT is png, webp, jxl, avif, jpeg or bmp, or png16: 16-bit PNG from a raw file of 16-bit
// R, G, B, A samples (rgba64le), as a still of deep video. Prints one line:
// "wall_ms cpu_ms bytes".
#include "platform/system/image_encoder.h"
#include "platform/system/image_files.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

double cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
            double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3);
}

int formatNamed(std::string_view name) {
    for (int f = 0; f < sp::kImageFormatCount; ++f)
        if (sp::ImageFormatName(sp::ImageFormat(f)) == name) return f;
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s RAW WIDTH HEIGHT FORMAT QUALITY OUTDIR\n", argv[0]);
        return 2;
    }
    const int width = std::atoi(argv[2]), height = std::atoi(argv[3]);
    const bool deep = std::string_view(argv[4]) == "png16";
    const int format = deep ? int(sp::ImageFormat::Png) : formatNamed(argv[4]);
    const int pixelBytes = deep ? 8 : 4;
    const int quality = std::atoi(argv[5]);
    const std::string out = argv[6];
    if (format < 0 || width < 1 || height < 1) return 2;
    std::ifstream raw(argv[1], std::ios::binary);
    const size_t bytes = size_t(width) * size_t(height) * size_t(pixelBytes);
    std::vector<std::vector<uint8_t>> pictures;
    for (std::vector<uint8_t> p(bytes); raw.read(reinterpret_cast<char*>(p.data()), long(bytes));)
        pictures.push_back(p);
    if (pictures.empty()) return 1;

    const auto encoder = sp::MakeImageEncoder(sp::ImageFormat(format));
    sp::ImageMetadata metadata;
    metadata.software = "Stillpick";
    metadata.description = "0:00:10:00";
    const std::vector<uint8_t> exif = sp::BuildExifBlock(metadata);
    const std::string extension(sp::ImageFormatExtension(sp::ImageFormat(format)));
    std::vector<uint8_t> file;
    size_t written = 0;
    const double cpuStart = cpuMs();
    const auto start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < pictures.size(); ++i) {
        std::string error;
        const std::string path = out + "/" + std::to_string(i) + extension;
        const sp::PictureView view{pictures[i].data(), width, height, width * pixelBytes,
                                   deep ? 16 : 8};
        if (!encoder->Encode(view, quality, exif, file, &error) ||
            !sp::WriteImageFile(path, file, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        written += file.size();
    }
    const std::chrono::duration<double, std::milli> wall = std::chrono::steady_clock::now() - start;
    const double n = double(pictures.size());
    std::printf("%.2f %.2f %zu\n", wall.count() / n, (cpuMs() - cpuStart) / n,
                size_t(double(written) / n));
    return 0;
}
