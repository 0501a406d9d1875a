// The video window's share of showing a full-HD stream: copying a 1920 x 1080 picture in
// present() (streaming thread) and painting it scaled into the video window (user-interface
// thread), at the minimum window's video size, at a large window's and full screen at 1080p.
// Painting goes into an RGB32 image, as into a backing store. Run offscreen:
// QT_QPA_PLATFORM=offscreen bench_video_view

#include "app/video_view.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

std::vector<uint8_t> picture(int width, int height) {
    std::vector<uint8_t> bytes(size_t(width) * height * 4);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 7 + i / 4096);
    return bytes;
}

void BM_Present1080p(benchmark::State& state) {
    sp::TVideoView view;
    const std::vector<uint8_t> bytes = picture(1920, 1080);
    for (auto _ : state)
        view.present(bytes.data(), 1920, 1080, 1920 * 4);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}
BENCHMARK(BM_Present1080p)->Unit(benchmark::kMillisecond);

void BM_Paint1080p(benchmark::State& state) {
    const QSize target(int(state.range(0)), int(state.range(1)));
    sp::TVideoView view;
    view.resize(target);
    const std::vector<uint8_t> bytes = picture(1920, 1080);
    QImage backing(target, QImage::Format_RGB32);
    for (auto _ : state) {
        view.present(bytes.data(), 1920, 1080, 1920 * 4); // a fresh picture each time
        QPainter painter(&backing);
        view.render(&painter);
    }
    state.counters["painted"] = double(view.statistics().painted) / double(state.iterations());
}
BENCHMARK(BM_Paint1080p)
    ->Args({396, 222})
    ->Args({708, 398})
    ->Args({1272, 715})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
