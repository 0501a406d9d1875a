// The stretch of a grab as the program runs it: a 720 x 576 picture written by one thread (the
// capture) and stretched to 720 x 540 by another (the making thread), 16 rows at a time as the
// JPEG encoder takes them; beside it, the same stretch of a picture its own thread just wrote.
// With two processors the threads are kept on different ones, where the first reading of the
// picture is what the handed-over stretch pays for.
//   bench_stretch_handoff [pictures]
#include "platform/system/picture_stretch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>
#include <sched.h>
#include <thread>
#include <vector>

namespace {

constexpr int kWidth = 720, kHeight = 576, kOutHeight = 540, kBand = 16;

void KeepOn(int processor) {
    if (std::thread::hardware_concurrency() < 2) return;
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(processor, &set);
    pthread_setaffinity_np(pthread_self(), sizeof set, &set);
}

void Paint(std::vector<uint8_t>& picture, int n) {
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = uint8_t(i * 7 + size_t(n));
}

double StretchMs(sp::PictureStretcher& stretcher, const std::vector<uint8_t>& picture,
                 std::vector<uint8_t>& band) {
    const auto start = std::chrono::steady_clock::now();
    const sp::PictureView view{picture.data(), kWidth, kHeight, kWidth * 4};
    for (int y = 0; y < kOutHeight; y += kBand)
        if (!stretcher.StretchRows(view, kWidth, kOutHeight, y, std::min(kBand, kOutHeight - y),
                                   band.data(), kWidth * 4))
            std::exit(1);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int pictures = argc > 1 ? std::max(1, std::atoi(argv[1])) : 400;
    std::vector<uint8_t> picture(size_t(kWidth) * kHeight * 4), band(size_t(kWidth) * kBand * 4);
    sp::PictureStretcher stretcher;

    std::vector<double> own;
    KeepOn(1);
    for (int n = 0; n < pictures; ++n) {
        Paint(picture, n);
        own.push_back(StretchMs(stretcher, picture, band));
    }

    // The painter hands each picture over and waits until it has been stretched.
    std::atomic<int> painted{-1}, stretched{-1};
    std::thread painter([&] {
        KeepOn(0);
        for (int n = 0; n < pictures; ++n) {
            while (stretched.load() != n - 1)
                std::this_thread::yield();
            Paint(picture, n);
            painted.store(n);
        }
    });
    std::vector<double> handed;
    for (int n = 0; n < pictures; ++n) {
        while (painted.load() != n)
            std::this_thread::yield();
        handed.push_back(StretchMs(stretcher, picture, band));
        stretched.store(n);
    }
    painter.join();

    std::printf("stretch 720x576 -> 720x540, median of %d: written by this thread %.3f ms, "
                "handed over by another %.3f ms (%.2f x)\n",
                pictures, Median(own), Median(handed), Median(handed) / Median(own));
    return 0;
}
