#pragma once
// source → bitmap filter → sink in a real graph without a clock, for the bitmap filter's tests.
// The chain owns the three filters and stops the graph when it goes.

#include "filters/bitmap_filter.h"
#include "platform/graph/filter_graph.h"
#include "support/frame_source.h"
#include <gtest/gtest.h>
#include <utility>

namespace sptest {

struct BitmapFilterChain {
    mf::ComPtr<mf::FilterGraph> graph = mf::make<mf::FilterGraph>();
    mf::ComPtr<FrameSource> source;
    mf::ComPtr<sp::TBitmapFilter> filter;
    mf::ComPtr<FrameSink> sink = mf::make<FrameSink>();

    BitmapFilterChain(mf::ComPtr<sp::TBitmapFilter> bitmapFilter, mf::MediaType type, int frames,
                      mf::REFERENCE_TIME frameTime, FrameSource::Painter paint)
        : source(mf::make<FrameSource>(std::move(type), frames, frameTime, std::move(paint))),
          filter(std::move(bitmapFilter)) {
        graph->AddFilter(source.get(), "source");
        graph->AddFilter(filter.get(), "Superposer");
        graph->AddFilter(sink.get(), "sink");
        graph->SetSyncSource(nullptr);
    }
    ~BitmapFilterChain() { graph->Stop(); }

    ::testing::AssertionResult Connect() {
        filter->PrepareReconnect();
        if (graph->ConnectDirect(source->pin(), filter->input(), nullptr) != mf::S_OK)
            return ::testing::AssertionFailure() << "input refused";
        if (graph->ConnectDirect(filter->output(), sink->input(), nullptr) != mf::S_OK)
            return ::testing::AssertionFailure() << "output refused";
        return ::testing::AssertionSuccess();
    }
    ::testing::AssertionResult RunToEnd() {
        sink->clear();
        graph->Run();
        long code = 0;
        intptr_t p1, p2;
        while (code != mf::EC_COMPLETE && graph->GetEvent(&code, &p1, &p2, 10000) == mf::S_OK) {
        }
        graph->Stop();
        if (code != mf::EC_COMPLETE) return ::testing::AssertionFailure() << "stream never ended";
        return ::testing::AssertionSuccess();
    }
    mf::MediaType OutputType() {
        mf::MediaType mt;
        filter->output()->ConnectionMediaType(&mt);
        return mt;
    }
};

} // namespace sptest
