#include "platform/graph/capture_builder.h"
#include "platform/graph/clock.h"
#include "platform/graph/filter_graph.h"

#include "support/graph_state.h"
#include "support/test_filters.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace mf;
using namespace sptest;

namespace {

constexpr REFERENCE_TIME kFrame = 400000; // 25 frames per second

MediaType rgbPattern() {
    MediaType mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_RGB32;
    return mt;
}

struct Chain {
    ComPtr<FilterGraph> graph = make<FilterGraph>();
    ComPtr<TimedSource> source;
    ComPtr<TestSink> sink = make<TestSink>(rgbPattern());

    explicit Chain(int frames = 50, REFERENCE_TIME frameDuration = kFrame) {
        source =
            make<TimedSource>(testCompressedType(16, 16, frameDuration), frames, frameDuration);
        graph->AddFilter(source.get(), "source");
        graph->AddFilter(sink.get(), "sink");
    }
    HRESULT connect() { return graph->Connect(source->pin(), sink->input()); }
    // Waits until the paused graph has cued a frame.
    HRESULT settle() { return sptest::settleGraph(*graph, 200); }
    void waitForEvent(long wanted, int timeoutMs = 5000) {
        long code = 0;
        intptr_t p1, p2;
        while (graph->GetEvent(&code, &p1, &p2, uint32_t(timeoutMs)) == S_OK)
            if (code == wanted) return;
        FAIL() << "event " << wanted << " never came";
    }
    int filterCount() {
        std::vector<ComPtr<IBaseFilter>> filters;
        graph->EnumFilters(&filters);
        return int(filters.size());
    }
};

} // namespace

TEST(FilterGraph, NamesAreMadeUnique) {
    auto graph = make<FilterGraph>();
    auto a = make<PassThrough>(), b = make<PassThrough>();
    EXPECT_EQ(graph->AddFilter(a.get(), "Notifier"), S_OK);
    EXPECT_EQ(graph->AddFilter(b.get(), "Notifier"), VFW_S_DUPLICATE_NAME);
    ComPtr<IBaseFilter> found;
    EXPECT_EQ(graph->FindFilterByName("Notifier", &found), S_OK);
    EXPECT_TRUE(sameObject(found.get(), a.get()));
    FilterInfo info;
    b->QueryFilterInfo(&info);
    EXPECT_NE(info.name, "Notifier");
    EXPECT_EQ(info.graph, static_cast<IFilterGraph*>(graph.get()));
}

TEST(FilterGraph, IntelligentConnectionInsertsARegisteredConverter) {
    Chain chain;
    // Without the converter nothing in the graph or the mapper can bridge the types.
    EXPECT_TRUE(FAILED(chain.connect()));
    EXPECT_EQ(chain.filterCount(), 2);

    auto converter = registerTestConverter();
    ASSERT_EQ(chain.connect(), S_OK);
    EXPECT_EQ(chain.filterCount(), 3);
    MediaType connected;
    chain.sink->input()->ConnectionMediaType(&connected);
    EXPECT_EQ(connected.subtype, MEDIASUBTYPE_RGB32);
}

TEST(FilterGraph, ConnectionPrefersAFilterAlreadyInTheGraph) {
    Chain chain;
    auto registered = registerTestConverter();
    auto mine = make<TestConverter>();
    chain.graph->AddFilter(mine.get(), "my decoder");
    ASSERT_EQ(chain.connect(), S_OK);
    EXPECT_EQ(chain.filterCount(), 3);
    EXPECT_TRUE(mine->output()->IsConnected());
}

TEST(FilterGraph, RemovingAFilterDisconnectsBothSides) {
    Chain chain;
    auto registered = registerTestConverter();
    ASSERT_EQ(chain.connect(), S_OK);
    ComPtr<IPin> upstream;
    chain.sink->input()->ConnectedTo(&upstream);
    PinInfo info;
    upstream->QueryPinInfo(&info);
    ASSERT_EQ(chain.graph->RemoveFilter(info.filter), S_OK);
    EXPECT_FALSE(chain.source->pin()->IsConnected());
    EXPECT_FALSE(chain.sink->input()->IsConnected());
    EXPECT_EQ(chain.filterCount(), 2);
}

TEST(FilterGraph, PauseCuesTheFirstFrameAndPausedSeekDeliversTheFrameAtThePosition) {
    Chain chain;
    auto registered = registerTestConverter();
    ASSERT_EQ(chain.connect(), S_OK);
    ASSERT_EQ(chain.graph->Pause(), S_OK);
    EXPECT_EQ(chain.settle(), S_OK);
    EXPECT_EQ(chain.sink->cuedIndex(), 0);

    REFERENCE_TIME target = 10 * kFrame + kFrame / 2; // inside frame 10
    chain.sink->clear();
    ASSERT_EQ(chain.graph->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
    EXPECT_EQ(chain.settle(), S_OK);
    EXPECT_EQ(chain.sink->cuedIndex(), 10);
    REFERENCE_TIME position = 0;
    chain.graph->GetCurrentPosition(&position);
    EXPECT_EQ(position, target);

    // Stop then pause shows the same frame again.
    chain.sink->clear();
    chain.graph->Stop();
    chain.graph->Pause();
    EXPECT_EQ(chain.settle(), S_OK);
    EXPECT_EQ(chain.sink->cuedIndex(), 10);
    chain.graph->Stop();
}

TEST(FilterGraph, GetStateIsIntermediateUntilARendererHasCued) {
    auto graph = make<FilterGraph>();
    auto pass = make<PassThrough>();
    auto sink = make<TestSink>(MediaType{});
    auto source = make<TimedSource>(makeRgb32Type(8, 8, kFrame), 5, kFrame);
    graph->AddFilter(source.get(), "source");
    graph->AddFilter(pass.get(), "pass");
    graph->AddFilter(sink.get(), "sink");
    ComPtr<CaptureGraphBuilder> builder = make<CaptureGraphBuilder>();
    builder->SetFiltergraph(graph.get());
    ASSERT_EQ(builder->RenderStream(nullptr, nullptr, source.get(), pass.get(), sink.get()), S_OK);

    pass->holdSamples = true;
    ASSERT_EQ(graph->Pause(), S_OK);
    FilterState state;
    EXPECT_EQ(graph->GetState(10, &state), VFW_S_STATE_INTERMEDIATE);
    EXPECT_EQ(state, FilterState::Paused);
    pass->holdSamples = false;
    EXPECT_EQ(graph->GetState(2000, &state), S_OK);
    EXPECT_EQ(sink->cuedIndex(), 0);
    graph->Stop();
}

TEST(FilterGraph, WithoutAClockFramesComeFasterThanRealTime) {
    // 250 frames of an hour each: on a clock the first frames alone would outlast the wait.
    Chain chain(250, 36000000000);
    auto registered = registerTestConverter();
    ASSERT_EQ(chain.connect(), S_OK);
    ASSERT_EQ(chain.graph->SetSyncSource(nullptr), S_OK);
    ASSERT_EQ(chain.graph->Run(), S_OK);
    chain.waitForEvent(EC_COMPLETE, 30000);
    EXPECT_EQ(chain.sink->rendered().size(), 250u);
    chain.graph->Stop();
}

TEST(FilterGraph, WithTheDefaultClockFramesArePresentedOnTime) {
    Chain chain(10); // 0.4 s
    auto registered = registerTestConverter();
    ASSERT_EQ(chain.connect(), S_OK);
    ASSERT_EQ(chain.graph->Run(), S_OK);
    chain.waitForEvent(EC_COMPLETE);
    auto frames = chain.sink->rendered();
    ASSERT_EQ(frames.size(), 10u);
    // Each frame is shown no earlier than its time on the stream clock.
    for (size_t i = 0; i < frames.size(); ++i)
        EXPECT_GE(frames[i].streamTime, frames[i].start) << i;
    chain.graph->Stop();
}

TEST(FilterGraph, CompletionIsReportedOncePerRunAndAgainAfterASeek) {
    Chain chain(5);
    auto registered = registerTestConverter();
    ASSERT_EQ(chain.connect(), S_OK);
    chain.graph->SetSyncSource(nullptr);
    int completions = 0, taken = 0; // events taken so far
    // The hook runs once per queued event, on the thread that queued it (after queuing).
    std::mutex mutex;
    std::condition_variable notifiedChanged;
    int notified = 0;
    chain.graph->SetNotify([&] {
        std::lock_guard lock(mutex);
        ++notified;
        notifiedChanged.notify_all();
    });
    auto notifiedAtLeast = [&](int n) {
        std::unique_lock lock(mutex);
        notifiedChanged.wait_for(lock, std::chrono::seconds(10), [&] { return notified >= n; });
        return notified;
    };
    // Takes events until none comes for half a second; counts completions.
    auto takeEvents = [&] {
        int complete = 0;
        long code;
        intptr_t p1, p2;
        while (chain.graph->GetEvent(&code, &p1, &p2, 500) == S_OK) {
            ++taken;
            if (code == EC_COMPLETE) ++complete;
        }
        return complete;
    };
    ASSERT_EQ(chain.graph->Run(), S_OK);
    completions = takeEvents();
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(notifiedAtLeast(taken), taken);

    REFERENCE_TIME start = 0;
    chain.graph->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, 0);
    EXPECT_EQ(takeEvents(), 1);
    EXPECT_EQ(notifiedAtLeast(taken), taken);

    // Cleared, the hook hears of no further event.
    chain.graph->SetNotify(nullptr);
    chain.graph->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, 0);
    const int before = taken;
    EXPECT_EQ(takeEvents(), 1);
    EXPECT_GT(taken, before);
    EXPECT_EQ(notifiedAtLeast(0), before);
    chain.graph->Stop();
}

TEST(FilterGraph, ReconnectingAnInputRenegotiatesTheOutput) {
    auto graph = make<FilterGraph>();
    auto pass = make<PassThrough>();
    auto sink = make<TestSink>(rgbPattern());
    auto small = make<TimedSource>(makeRgb32Type(8, 8, kFrame), 5, kFrame);
    graph->AddFilter(small.get(), "source");
    graph->AddFilter(pass.get(), "pass");
    graph->AddFilter(sink.get(), "sink");
    ASSERT_EQ(graph->ConnectDirect(small->pin(), pass->input(), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(pass->output(), sink->input(), nullptr), S_OK);

    // A source with a new picture size replaces the old one; the pass-through's output
    // follows the new input type when reconnected.
    auto large = make<TimedSource>(makeRgb32Type(32, 32, kFrame), 5, kFrame);
    graph->RemoveFilter(small.get());
    graph->AddFilter(large.get(), "large");
    ASSERT_EQ(graph->ConnectDirect(large->pin(), pass->input(), nullptr), S_OK);
    ASSERT_EQ(graph->Reconnect(pass->output()), S_OK);
    MediaType atSink;
    sink->input()->ConnectionMediaType(&atSink);
    EXPECT_EQ(atSink.bitmapHeader()->biWidth, 32);
}

TEST(FilterGraph, StreamingThreadsEndOnStopWhileSamplesAreHeld) {
    Chain chain(1000);
    auto registered = registerTestConverter();
    ASSERT_EQ(chain.connect(), S_OK);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(chain.graph->Run(), S_OK); // renderer blocks the stream waiting for times
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        ASSERT_EQ(chain.graph->Pause(), S_OK);
        ASSERT_EQ(chain.graph->Stop(), S_OK);
    }
    EXPECT_FALSE(chain.source->pin()->isStreaming());
}

TEST(FilterGraph, VolumeGoesToRenderersThatOfferIt) {
    Chain chain;
    EXPECT_EQ(chain.graph->put_Volume(-752), S_OK);
    EXPECT_EQ(chain.sink->volume(), -752);
    EXPECT_EQ(chain.graph->put_Volume(1), E_INVALIDARG);
}
