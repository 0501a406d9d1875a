// The video decoder filter's top-down output: a downstream pin that takes only rows top row
// first gets them by intelligent connection, and the pictures are those the ffmpeg command line
// decodes (paused seeks), row for row the bottom-up pictures turned over, also across a change
// of picture size. A pin taking either order still gets the usual bottom-up pictures.

#include "platform/graph/capture_builder.h"
#include "platform/graph/filter_graph.h"
#include "platform/graph/filter_mapper.h"
#include "platform/graph/guids.h"
#include "platform/graph/renderer.h"
#include "platform/outside/file_source_filter.h"
#include "platform/outside/outside_registration.h"

#include "media_files.h"
#include "support/ffmpeg_reference.h"
#include "support/graph_state.h"
#include "support/reference_frames.h"

#include <gtest/gtest.h>

#include <mutex>

namespace sp::outside {
namespace {

using namespace mf;
using testing::mediaPath;

// Takes RGB32 in the row orders it is told; keeps the last picture and a signature of each.
class RowOrderSink final : public BaseRenderer {
public:
    RowOrderSink(bool topDown, bool bottomUp)
        : BaseRenderer("row order sink", GUID_NULL), topDown_(topDown), bottomUp_(bottomUp) {}
    HRESULT CheckMediaType(const MediaType& type) override {
        const auto header = type.bitmapHeader();
        if (type.majortype != MEDIATYPE_Video || type.subtype != MEDIASUBTYPE_RGB32 || !header)
            return VFW_E_TYPE_NOT_ACCEPTED;
        return (header->biHeight < 0 ? topDown_ : bottomUp_) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT DoRenderSample(IMediaSample* sample) override {
        keep(sample, true);
        return S_OK;
    }
    void OnReceiveFirstSample(IMediaSample* sample) override { keep(sample, false); }

    struct Picture {
        int width = 0, height = 0;
        bool bottomUp = true;
        std::vector<uint8_t> bytes;
        sptest::PictureView view() const {
            return {bytes.data(), width, height, width * 4, bottomUp};
        }
    };
    Picture last() {
        std::lock_guard lock(mutex_);
        return last_;
    }
    std::vector<sptest::Signature> rendered() {
        std::lock_guard lock(mutex_);
        return signatures_;
    }
    bool anyBottomUp() {
        std::lock_guard lock(mutex_);
        return sawBottomUp_;
    }

private:
    void keep(IMediaSample* sample, bool rendered) {
        MediaType mt;
        input()->ConnectionMediaType(&mt); // follows types carried by samples
        const auto header = mt.bitmapHeader();
        if (!header) return;
        Picture p;
        p.width = header->biWidth;
        p.height = std::abs(header->biHeight);
        p.bottomUp = header->biHeight > 0;
        p.bytes.assign(sample->GetPointer(), sample->GetPointer() + sample->GetActualDataLength());
        std::lock_guard lock(mutex_);
        sawBottomUp_ = sawBottomUp_ || p.bottomUp;
        if (rendered && p.bytes.size() >= size_t(p.width) * p.height * 4)
            signatures_.push_back(
                sptest::signatureOf(p.bytes.data(), p.width, p.height, p.width * 4, p.bottomUp));
        last_ = std::move(p);
    }
    const bool topDown_, bottomUp_;
    std::mutex mutex_;
    Picture last_;
    std::vector<sptest::Signature> signatures_;
    bool sawBottomUp_ = false;
};

class TopDownDecoding : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registerOutsideFilters(); }

    // The file in `splitter` (which reads it itself), its video rendered into `sink` with the
    // decoder put in between by intelligent connection.
    bool build(const std::string& file, const GUID& splitterClsid, IBaseFilter* sink) {
        ComPtr<IBaseFilter> splitter;
        if (FAILED(FilterMapper::instance().CreateFilter(splitterClsid, &splitter))) return false;
        graph->AddFilter(splitter.get(), "splitter");
        if (query<IFileSourceFilter>(splitter)->Load(mediaPath(file), nullptr) != S_OK)
            return false;
        graph->AddFilter(sink, "sink");
        auto builder = make<CaptureGraphBuilder>();
        builder->SetFiltergraph(graph.get());
        return builder->RenderStream(nullptr, &MEDIATYPE_Video, splitter.get(), nullptr, sink) ==
               S_OK;
    }
    HRESULT settle() { return sptest::settleGraph(*graph); }
    bool playToEnd() {
        graph->SetSyncSource(nullptr);
        if (graph->Run() != S_OK) return false;
        long code = 0;
        intptr_t p1, p2;
        while (graph->GetEvent(&code, &p1, &p2, 20000) == S_OK && code != EC_COMPLETE) {
        }
        graph->Stop();
        return code == EC_COMPLETE;
    }
    ComPtr<FilterGraph> graph = make<FilterGraph>();
};

TEST_F(TopDownDecoding, PausedSeeksGiveTheFramesTopRowFirst) {
    for (const char* file : {"h264.mkv", "mpeg2.ts"}) {
        SCOPED_TRACE(file);
        const std::string path = mediaPath(file);
        const auto times = sptest::ffprobeFrameTimes(path);
        ASSERT_GT(times.size(), 30u);
        graph = make<FilterGraph>();
        auto sink = make<RowOrderSink>(true, false);
        ASSERT_TRUE(build(file, CLSID_HaaliMediaSplitter, sink.get()));
        ASSERT_EQ(graph->Pause(), S_OK);
        ASSERT_EQ(settle(), S_OK);
        for (int64_t t : {int64_t(0), times[17] + 5, times.back() - 1}) {
            REFERENCE_TIME target = t;
            ASSERT_EQ(graph->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr, 0),
                      S_OK);
            ASSERT_EQ(settle(), S_OK) << "at " << t;
            const RowOrderSink::Picture picture = sink->last();
            EXPECT_FALSE(picture.bottomUp);
            ASSERT_GE(picture.bytes.size(), size_t(picture.width) * picture.height * 4);
            EXPECT_TRUE(sptest::showsFrame(path, sptest::frameIndexAt(times, t), picture.view()))
                << "at " << t;
        }
        graph->Stop();
    }
}

// Every picture played through a size change equals the bottom-up picture of the same frame
// turned over (the type carried by the sample at the change keeps the row order).
TEST_F(TopDownDecoding, SizeChangeKeepsTheRowOrder) {
    const std::string path = mediaPath("size_change.ts");
    auto sink = make<RowOrderSink>(true, false);
    ASSERT_TRUE(build("size_change.ts", CLSID_HaaliMediaSplitter, sink.get()));
    ASSERT_TRUE(playToEnd());
    EXPECT_FALSE(sink->anyBottomUp());
    const std::vector<sptest::Signature> ours = sink->rendered();
    const std::vector<sptest::ReferenceFrame> reference = sptest::decodeAllFrames(path);
    ASSERT_GT(reference.size(), 40u);
    ASSERT_EQ(ours.size(), reference.size());
    for (size_t i = 0; i < ours.size(); ++i)
        EXPECT_LE(sptest::signatureDistance(ours[i], reference[i].signature), 1) << "frame " << i;
}

TEST_F(TopDownDecoding, EitherOrderTakesBottomUp) {
    auto sink = make<RowOrderSink>(true, true);
    ASSERT_TRUE(build("h264.mkv", CLSID_HaaliMediaSplitter, sink.get()));
    MediaType mt;
    ASSERT_EQ(sink->input()->ConnectionMediaType(&mt), S_OK);
    ASSERT_TRUE(mt.bitmapHeader().has_value());
    EXPECT_GT(mt.bitmapHeader()->biHeight, 0);
}

} // namespace
} // namespace sp::outside
