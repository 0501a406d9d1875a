// Framework overhead per sample: 1920x1080 RGB32 samples from a streaming source through three
// in-place filters into a renderer, with no reference clock, so the figure is the cost of the
// framework itself (allocators, pins, threads, state checks), not of any pixel work.

#include "platform/graph/filter_graph.h"
#include "support/test_filters.h"

#include <benchmark/benchmark.h>

using namespace mf;
using namespace sptest;

namespace {

void runChain(int frames) {
    auto graph = make<FilterGraph>();
    auto source = make<TimedSource>(makeRgb32Type(1920, 1080, 400000), frames, 400000);
    ComPtr<PassThrough> stages[3] = {make<PassThrough>(), make<PassThrough>(),
                                     make<PassThrough>()};
    auto sink = make<TestSink>(MediaType{});
    graph->AddFilter(source.get(), "source");
    IPin* previous = source->pin();
    for (auto& stage : stages) {
        graph->AddFilter(stage.get(), "stage");
        graph->ConnectDirect(previous, stage->input(), nullptr);
        previous = stage->output();
    }
    graph->AddFilter(sink.get(), "sink");
    graph->ConnectDirect(previous, sink->input(), nullptr);
    graph->SetSyncSource(nullptr);
    graph->Run();
    long code = 0;
    intptr_t p1, p2;
    while (graph->GetEvent(&code, &p1, &p2, 10000) == S_OK && code != EC_COMPLETE) {
    }
    graph->Stop();
    if (sink->rendered().size() != size_t(frames)) std::abort();
}

void BM_ThreeInPlaceFilters1080p(benchmark::State& state) {
    const int frames = int(state.range(0));
    for (auto _ : state) runChain(frames);
    state.SetItemsProcessed(state.iterations() * frames);
    state.counters["samples_per_s"] =
        benchmark::Counter(double(state.iterations() * frames), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_ThreeInPlaceFilters1080p)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
