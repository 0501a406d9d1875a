// Speed of the inlay renderer's frame processing for one 1080p frame: the copy into the frame
// bitmap and out into the canvas (with and without the horizontal flip), and the same with the
// default inlay drawn in between. Frames per second are reported as items per second.
#include "filters/bitmap_filter.h"
#include "filters/inlay_records.h"
#include "filters/stream_info.h"
#include "filters/superposer.h"
#include "platform/graph/formats.h"
#include "platform/graph/guids.h"
#include "platform/graph/sample.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cstdint>
#include <cstring>

namespace {

using namespace mf;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr long kPictureBytes = long(kWidth) * kHeight * 4;

MediaType Rgb32Info2Type() {
    MediaType mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_RGB32;
    mt.formattype = FORMAT_VideoInfo2;
    VIDEOINFOHEADER2 vih2;
    vih2.AvgTimePerFrame = 400000;
    vih2.bmiHeader.biWidth = kWidth;
    vih2.bmiHeader.biHeight = kHeight;
    vih2.bmiHeader.biBitCount = 32;
    vih2.bmiHeader.biSizeImage = uint32_t(kPictureBytes);
    mt.lSampleSize = uint32_t(kPictureBytes);
    mt.setFormat(vih2);
    return mt;
}

// A picture with some variety (gradients), bottom row first as a decoder delivers it.
ComPtr<MediaSample> InputSample() {
    auto sample = make<MediaSample>(kPictureBytes);
    uint8_t* bytes = sample->GetPointer();
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t pixel =
                uint32_t(x * 255 / kWidth) << 16 | uint32_t(y * 255 / kHeight) << 8 | 0x80;
            std::memcpy(bytes + (size_t(y) * kWidth + x) * 4, &pixel, 4);
        }
    sample->SetActualDataLength(kPictureBytes);
    return sample;
}

// Prepares the filter as a connection would: frame size from the input type, output stride
// from a 1080p canvas type.
void Configure(sp::TBitmapFilter& filter) {
    const MediaType type = Rgb32Info2Type();
    filter.PrepareReconnect();
    filter.CheckInputType(type);
    filter.CheckTransform(type, type);
}

void ProcessFrames(benchmark::State& state, sp::TBitmapFilter& filter) {
    sp::SharedTvData().FrameDuration = 400000;
    ComPtr<MediaSample> in = InputSample();
    auto out = make<MediaSample>(kPictureBytes);
    REFERENCE_TIME start = 0;
    for (auto _ : state) {
        REFERENCE_TIME stop = start + 400000;
        in->SetTime(&start, &stop);
        filter.Transform(in.get(), out.get());
        benchmark::ClobberMemory();
        start = stop;
    }
    // The top output row must be the input's bottom row: the work really happened.
    const size_t lastRow = size_t(kHeight - 1) * kWidth * 4;
    if (std::memcmp(out->GetPointer() + 4, in->GetPointer() + lastRow + 4, 4) != 0 &&
        std::memcmp(out->GetPointer() + 4, in->GetPointer() + lastRow + (kWidth - 2) * 4, 4) != 0)
        state.SkipWithError("output does not hold the picture");
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * int64_t(kPictureBytes) * 2);
}

void BM_CopyPath1080p(benchmark::State& state) {
    auto filter = make<sp::TBitmapFilter>(kWidth, kHeight);
    Configure(*filter);
    filter->SetFlipHorizontal(state.range(0) != 0);
    ProcessFrames(state, *filter);
}
BENCHMARK(BM_CopyPath1080p)->ArgName("hflip")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DefaultInlay1080p(benchmark::State& state) {
    auto superposer = make<sp::Tsuperposer>(kWidth, kHeight);
    Configure(*superposer);
    superposer->ApplySettings(TincrustRec{});
    superposer->SetInlay(true);
    ProcessFrames(state, *superposer);
}
BENCHMARK(BM_DefaultInlay1080p)->Unit(benchmark::kMillisecond);

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
