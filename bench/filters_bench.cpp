// Speed of the frame work done for grabs and for every previewed frame: deinterlacing a grabbed
// 1080p picture, and building and drawing the inlay on a 1080p frame.
#include "filters/date_format.h"
#include "filters/deinterlacer.h"
#include "filters/inlay_painter.h"
#include "filters/inlay_text.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// A 32-bit 1080p picture: smooth gradients with a moving object whose odd rows lag behind
// (combing on its edges), so that detection, filtering and repair all have work.
std::vector<std::uint32_t> interlacedPicture() {
    std::vector<std::uint32_t> pixels(std::size_t(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        const int shift = (y % 2) ? 24 : 0; // the odd field was taken later
        for (int x = 0; x < kWidth; ++x) {
            const bool inObject = x - shift > 600 && x - shift < 1300 && y > 300 && y < 800;
            const std::uint32_t r = inObject ? 230 : std::uint32_t(x * 255 / kWidth);
            const std::uint32_t g = inObject ? 40 : std::uint32_t(y * 255 / kHeight);
            const std::uint32_t b = inObject ? 30 : 128;
            pixels[std::size_t(y) * kWidth + x] = (r << 16) | (g << 8) | b;
        }
    }
    return pixels;
}

sp::FrameView viewOf(std::vector<std::uint32_t>& pixels) {
    return {reinterpret_cast<std::uint8_t*>(pixels.data()), kWidth, kHeight, kWidth * 4, 32};
}

void BM_Deinterlace1080p(benchmark::State& state) {
    std::vector<std::uint32_t> source = interlacedPicture();
    std::vector<std::uint32_t> result(source.size());
    sp::Deinterlacer deinterlacer;
    for (auto _ : state) {
        deinterlacer.Deinterlace(viewOf(source), viewOf(result));
        benchmark::DoNotOptimize(result.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(source.size()) * 4);
}
BENCHMARK(BM_Deinterlace1080p)->Unit(benchmark::kMillisecond);

void BM_Deinterlace1080pInPlace(benchmark::State& state) {
    const std::vector<std::uint32_t> original = interlacedPicture();
    std::vector<std::uint32_t> picture = original;
    sp::Deinterlacer deinterlacer;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(picture.data(), original.data(), original.size() * 4);
        state.ResumeTiming();
        deinterlacer.Deinterlace(viewOf(picture), viewOf(picture));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Deinterlace1080pInPlace)->Unit(benchmark::kMillisecond);

// What the inlay renderer does for each frame: build the two lines, then draw them.
void inlayFrames(benchmark::State& state, const TincrustRec& settings) {
    std::vector<std::uint32_t> frame = interlacedPicture();
    const sp::DateFormatConventions french = sp::FrenchDateFormatConventions();
    sp::InlayPainter painter;
    painter.ApplySettings(settings, kWidth);
    sp::InlayValues values;
    values.RealDate = sp::CurrentDayCount();
    for (auto _ : state) {
        values.LastPosition += values.FrameDuration;
        const sp::InlayLines lines = sp::ComputeInlayLines(settings, values, french);
        painter.Draw(viewOf(frame), lines);
        benchmark::ClobberMemory();
    }
}

void BM_InlayDefault1080p(benchmark::State& state) {
    inlayFrames(state, TincrustRec{});
}
BENCHMARK(BM_InlayDefault1080p)->Unit(benchmark::kMicrosecond);

void BM_InlayTemplates1080pBorder3(benchmark::State& state) {
    TincrustRec settings;
    settings.WhatIncrust = 2;
    settings.Incrust2 = L"%S image %N %R";
    settings.BorderSize = 3;
    inlayFrames(state, settings);
}
BENCHMARK(BM_InlayTemplates1080pBorder3)->Unit(benchmark::kMicrosecond);

void BM_InlayTextsOnly(benchmark::State& state) {
    const sp::DateFormatConventions french = sp::FrenchDateFormatConventions();
    TincrustRec settings;
    settings.WhatIncrust = 2;
    sp::InlayValues values;
    values.RealDate = sp::CurrentDayCount();
    for (auto _ : state)
        benchmark::DoNotOptimize(sp::ComputeInlayLines(settings, values, french));
}
BENCHMARK(BM_InlayTextsOnly)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for the inlay
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
