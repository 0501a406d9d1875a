// Decoding through the graph alone: the general splitter, the video decoder and a sink that
// accepts RGB32, with no reference clock. Prints frames per second for the file given (a
// 1080p H.264 file in the comparison script); the script sets it against the ffmpeg CLI.

#include "platform/graph/capture_builder.h"
#include "platform/graph/clock.h"
#include "platform/graph/filter_graph.h"
#include "platform/graph/guids.h"
#include "platform/outside/outside_registration.h"
#include "support/test_filters.h"

#include <cstdio>

using namespace mf;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_decode FILE\n");
        return 2;
    }
    sp::outside::registerOutsideFilters();
    auto graph = make<FilterGraph>();
    MediaType rgb;
    rgb.majortype = MEDIATYPE_Video;
    rgb.subtype = MEDIASUBTYPE_RGB32;
    auto sink = make<sptest::TestSink>(rgb);
    ComPtr<IBaseFilter> splitter;
    FilterMapper::instance().CreateFilter(CLSID_HaaliMediaSplitter, &splitter);
    graph->AddFilter(splitter.get(), "splitter");
    graph->AddFilter(sink.get(), "sink");
    if (query<IFileSourceFilter>(splitter)->Load(argv[1], nullptr) != S_OK) return 3;
    auto builder = make<CaptureGraphBuilder>();
    builder->SetFiltergraph(graph.get());
    if (builder->RenderStream(nullptr, &MEDIATYPE_Video, splitter.get(), nullptr, sink.get()) !=
        S_OK)
        return 3;
    graph->SetSyncSource(nullptr);
    REFERENCE_TIME started = SystemClock::now();
    graph->Run();
    long code = 0;
    intptr_t p1, p2;
    while (graph->GetEvent(&code, &p1, &p2, 60000) == S_OK && code != EC_COMPLETE) {
    }
    double seconds = double(SystemClock::now() - started) / 1e7;
    graph->Stop();
    size_t frames = sink->rendered().size();
    std::printf("{\"frames\": %zu, \"seconds\": %.3f, \"fps\": %.1f}\n", frames, seconds,
                frames / seconds);
    return 0;
}
