// The JPEG encoder on a video's own pictures: milliseconds per picture and bytes, with Huffman
// tables computed for each picture and with tables carried from picture to picture.
//   bench_jpeg_encoder FILE [pictures] [width height] [quality]
// The pictures come from the ffmpeg command line (BGRA, scaled to width × height, 720 × 540 by
// default: a 4:3 grab of a PAL frame), so the encoder alone is measured.
#include "platform/system/jpeg_encoder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::vector<uint8_t>> ReadPictures(const char* file, int count, int width, int height) {
    const std::string command = "ffmpeg -hide_banner -loglevel error -nostdin -i '" +
                                std::string(file) + "' -an -frames:v " + std::to_string(count) +
                                " -vf scale=" + std::to_string(width) + ":" +
                                std::to_string(height) + " -pix_fmt bgra -f rawvideo -";
    std::vector<std::vector<uint8_t>> pictures;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return pictures;
    const size_t bytes = size_t(width) * size_t(height) * 4;
    for (;;) {
        std::vector<uint8_t> picture(bytes);
        if (std::fread(picture.data(), 1, bytes, pipe) != bytes) break;
        pictures.push_back(std::move(picture));
    }
    pclose(pipe);
    return pictures;
}

struct Figures {
    double msPerPicture = 0;
    size_t bytes = 0;
};

Figures Encode(sp::JpegEncoder::HuffmanTables tables,
               const std::vector<std::vector<uint8_t>>& pictures, int width, int height,
               int quality) {
    sp::JpegEncoder encoder(tables);
    Figures f;
    const auto start = std::chrono::steady_clock::now();
    for (const auto& p : pictures) {
        if (!encoder.Encode({p.data(), width, height, width * 4}, quality)) std::exit(1);
        f.bytes += encoder.Bytes().size();
    }
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    f.msPerPicture = took.count() / double(pictures.size());
    return f;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [pictures] [width height] [quality]\n", argv[0]);
        return 2;
    }
    const int count = argc > 2 ? std::atoi(argv[2]) : 200;
    const int width = argc > 4 ? std::atoi(argv[3]) : 720;
    const int height = argc > 4 ? std::atoi(argv[4]) : 540;
    const int quality = argc > 5 ? std::atoi(argv[5]) : 50;
    const auto pictures = ReadPictures(argv[1], count, width, height);
    if (pictures.empty()) {
        std::fprintf(stderr, "no pictures from %s\n", argv[1]);
        return 1;
    }
    using T = sp::JpegEncoder::HuffmanTables;
    for (int round = 0; round < 3; ++round) { // alternated, so both see the same machine
        const Figures own = Encode(T::PerPicture, pictures, width, height, quality);
        const Figures carried = Encode(T::Carried, pictures, width, height, quality);
        std::printf("%zu pictures %d x %d q%d: tables per picture %.3f ms %zu bytes, carried "
                    "%.3f ms %zu bytes (time %.2f x, size %.4f x)\n",
                    pictures.size(), width, height, quality, own.msPerPicture, own.bytes,
                    carried.msPerPicture, carried.bytes, carried.msPerPicture / own.msPerPicture,
                    double(carried.bytes) / double(own.bytes));
    }
    return 0;
}
