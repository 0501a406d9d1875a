// The outside splitters and decoders in real graphs over the generated media: each container
// loads with its splitter, the decoder is inserted by intelligent connection, and a paused
// seek shows exactly the frame the ffmpeg command line shows at that time.

#include "platform/graph/capture_builder.h"
#include "platform/graph/filter_graph.h"
#include "platform/graph/filter_mapper.h"
#include "platform/graph/guids.h"
#include "platform/graph/renderer.h"
#include "platform/outside/demuxer.h"
#include "platform/outside/file_source_filter.h"
#include "platform/outside/outside_registration.h"
#include "platform/outside/video_decoder.h"

#include "media_files.h"
#include "support/ffmpeg_reference.h"
#include "support/graph_state.h"

#include <gtest/gtest.h>

#include <fstream>
#include <mutex>

namespace sp::outside {
namespace {

using namespace mf;
using testing::mediaPath;

// Keeps the picture it was last given (cued or rendered).
class PictureSink final : public BaseRenderer {
public:
    PictureSink() : BaseRenderer("picture sink", GUID_NULL) {}
    HRESULT CheckMediaType(const MediaType& type) override {
        return type.majortype == MEDIATYPE_Video && type.subtype == MEDIASUBTYPE_RGB32
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT DoRenderSample(IMediaSample* sample) override {
        keep(sample);
        std::lock_guard lock(mutex_);
        ++count_;
        return S_OK;
    }
    void OnReceiveFirstSample(IMediaSample* sample) override { keep(sample); }
    // The last picture, as it came (RGB32 DIB rows).
    std::vector<uint8_t> last(int* width, int* height, bool* bottomUp) {
        std::lock_guard lock(mutex_);
        *width = width_;
        *height = height_;
        *bottomUp = bottomUp_;
        return last_;
    }
    int count() {
        std::lock_guard lock(mutex_);
        return count_;
    }

private:
    void keep(IMediaSample* sample) {
        MediaType mt;
        input()->ConnectionMediaType(&mt);
        auto header = mt.bitmapHeader();
        if (!header) return;
        std::lock_guard lock(mutex_);
        width_ = header->biWidth;
        height_ = std::abs(header->biHeight);
        bottomUp_ = header->biHeight > 0;
        last_.assign(sample->GetPointer(), sample->GetPointer() + sample->GetActualDataLength());
    }
    std::mutex mutex_;
    std::vector<uint8_t> last_;
    int width_ = 0, height_ = 0;
    bool bottomUp_ = true;
    int count_ = 0;
};

struct Case {
    const char* file;
    GUID splitter;
    bool loadsItself;
};

class OutsideFilters : public ::testing::TestWithParam<Case> {
protected:
    static void SetUpTestSuite() { registerOutsideFilters(); }

    // Source and splitter as the source builders put them in a graph; the splitter or null.
    ComPtr<IBaseFilter> loadSplitter(const Case& c) {
        ComPtr<IBaseFilter> splitter;
        if (FAILED(FilterMapper::instance().CreateFilter(c.splitter, &splitter))) return nullptr;
        graph->AddFilter(splitter.get(), "splitter");
        if (c.loadsItself)
            return query<IFileSourceFilter>(splitter)->Load(mediaPath(c.file), nullptr) == S_OK
                       ? splitter
                       : nullptr;
        ComPtr<IBaseFilter> source;
        FilterMapper::instance().CreateFilter(CLSID_AsyncReader, &source);
        graph->AddFilter(source.get(), "source");
        if (query<IFileSourceFilter>(source)->Load(mediaPath(c.file), nullptr) != S_OK)
            return nullptr;
        std::vector<ComPtr<IPin>> out, in;
        source->EnumPins(&out);
        splitter->EnumPins(&in);
        return graph->ConnectDirect(out[0].get(), in[0].get(), nullptr) == S_OK ? splitter
                                                                                : nullptr;
    }

    HRESULT settle() { return sptest::settleGraph(*graph); }

    ComPtr<FilterGraph> graph = make<FilterGraph>();
};

TEST_P(OutsideFilters, PausedSeekShowsTheFrameOnScreenAtThatTime) {
    const Case& c = GetParam();
    const std::string path = mediaPath(c.file);
    const auto times = sptest::ffprobeFrameTimes(path);
    ASSERT_GT(times.size(), 10u) << c.file;

    auto splitter = loadSplitter(c);
    ASSERT_TRUE(splitter) << c.file;
    auto builder = make<CaptureGraphBuilder>();
    builder->SetFiltergraph(graph.get());
    ComPtr<IPin> videoPin;
    ASSERT_EQ(builder->FindPin(splitter.get(), PinDirection::Output, &PIN_CATEGORY_CAPTURE,
                               &MEDIATYPE_Video, true, 0, &videoPin),
              S_OK);
    auto sink = make<PictureSink>();
    graph->AddFilter(sink.get(), "sink");
    ASSERT_EQ(builder->RenderStream(nullptr, nullptr, videoPin.get(), nullptr, sink.get()), S_OK);

    REFERENCE_TIME duration = 0;
    ASSERT_EQ(graph->GetDuration(&duration), S_OK);
    EXPECT_GT(duration, 10'000'000);
    ASSERT_EQ(graph->Pause(), S_OK);
    ASSERT_EQ(settle(), S_OK);

    const int64_t last = times.back();
    for (int64_t t : {int64_t(0), last / 3 + 123457, last / 2 + 7, last - 1, last + 5'000'000}) {
        REFERENCE_TIME target = t;
        ASSERT_EQ(graph->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
        ASSERT_EQ(settle(), S_OK) << c.file << " at " << t;
        int width = 0, height = 0;
        bool bottomUp = true;
        const std::vector<uint8_t> picture = sink->last(&width, &height, &bottomUp);
        ASSERT_GE(picture.size(), size_t(width) * height * 4) << c.file << " at " << t;
        EXPECT_TRUE(sptest::showsFrame(path, sptest::frameIndexAt(times, t),
                                       {picture.data(), width, height, width * 4, bottomUp}))
            << c.file << " at " << t;
    }
    graph->Stop();
}

TEST_P(OutsideFilters, PlaysToTheEndWithoutAClock) {
    const Case& c = GetParam();
    auto splitter = loadSplitter(c);
    ASSERT_TRUE(splitter) << c.file;
    auto builder = make<CaptureGraphBuilder>();
    builder->SetFiltergraph(graph.get());
    auto sink = make<PictureSink>();
    graph->AddFilter(sink.get(), "sink");
    ASSERT_EQ(builder->RenderStream(nullptr, &MEDIATYPE_Video, splitter.get(), nullptr, sink.get()),
              S_OK);
    graph->SetSyncSource(nullptr);
    ASSERT_EQ(graph->Run(), S_OK);
    long code = 0;
    intptr_t p1, p2;
    while (graph->GetEvent(&code, &p1, &p2, 20000) == S_OK && code != EC_COMPLETE) {
    }
    EXPECT_EQ(code, EC_COMPLETE) << c.file;
    EXPECT_EQ(size_t(sink->count()), sptest::ffprobeFrameTimes(mediaPath(c.file)).size()) << c.file;
    graph->Stop();
}

INSTANTIATE_TEST_SUITE_P(Containers, OutsideFilters,
                         ::testing::Values(Case{"avi_mjpeg.avi", CLSID_AviSplitter, false},
                                           Case{"avi_dv_type2.avi", CLSID_AviSplitter, false},
                                           Case{"mpeg1.mpg", CLSID_MPEG1Splitter, false},
                                           Case{"mpeg2_16x9.mpg", CLSID_MMSPLITTER, false},
                                           Case{"dvd.vob", CLSID_MPEG2Demultiplexer, false},
                                           Case{"mpeg2.ts", CLSID_HaaliMediaSplitter, true},
                                           Case{"camera.MTS", CLSID_HaaliMediaSplitter, true},
                                           Case{"avchd.m2ts", CLSID_HaaliMediaSplitter, true},
                                           Case{"h264.mkv", CLSID_HaaliMediaSplitter, true},
                                           Case{"h264.mp4", CLSID_HaaliMediaSplitter, true},
                                           Case{"wmv8.wmv", CLSID_WMAsfReader, true}),
                         [](const auto& info) {
                             std::string name = info.param.file;
                             for (char& ch : name)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

TEST(OutsideSplitters, RefuseFilesThatAreNotTheirContainer) {
    registerOutsideFilters();
    auto tryStream = [](const char* file, const GUID& clsid) {
        auto graph = make<FilterGraph>();
        ComPtr<IBaseFilter> source, splitter;
        FilterMapper::instance().CreateFilter(CLSID_AsyncReader, &source);
        FilterMapper::instance().CreateFilter(clsid, &splitter);
        graph->AddFilter(source.get(), "source");
        graph->AddFilter(splitter.get(), "splitter");
        if (query<IFileSourceFilter>(source)->Load(mediaPath(file), nullptr) != S_OK) return E_FAIL;
        std::vector<ComPtr<IPin>> out, in;
        source->EnumPins(&out);
        splitter->EnumPins(&in);
        return graph->ConnectDirect(out[0].get(), in[0].get(), nullptr);
    };
    EXPECT_EQ(tryStream("mpeg2_16x9.mpg", CLSID_MPEG2Demultiplexer), S_OK);
    EXPECT_NE(tryStream("mpeg1.mpg", CLSID_MPEG2Demultiplexer), S_OK);
    EXPECT_NE(tryStream("not_a_video.mpg", CLSID_MPEG1Splitter), S_OK);
    EXPECT_NE(tryStream("empty.avi", CLSID_AviSplitter), S_OK);
    EXPECT_NE(tryStream("h264.mkv", CLSID_AviSplitter), S_OK);

    auto load = [](const char* file, const GUID& clsid) {
        ComPtr<IBaseFilter> reader;
        FilterMapper::instance().CreateFilter(clsid, &reader);
        return query<IFileSourceFilter>(reader)->Load(mediaPath(file), nullptr);
    };
    EXPECT_EQ(load("wmv8.wmv", CLSID_WMAsfReader), S_OK);
    EXPECT_NE(load("h264.mp4", CLSID_WMAsfReader), S_OK);
    EXPECT_NE(load("not_a_video.mpg", CLSID_HaaliMediaSplitter), S_OK);
    EXPECT_NE(load("/no/such/file.ts", CLSID_HaaliMediaSplitter), S_OK);
}

// Bytes this process has read so far (all threads).
int64_t BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    int64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return -1;
}

// A stream splitter taken out of one graph before it streamed and connected in another to a
// source of the same file goes on with what it read (the streams are found once); connected
// to any other file, or once it has streamed, it opens the file again.
TEST(OutsideSplitters, AMovedSplitterGoesOnWithTheFileItOpenedAndOnlyWithThatFile) {
    registerOutsideFilters();
    auto splitter = [] {
        ComPtr<IBaseFilter> f;
        FilterMapper::instance().CreateFilter(CLSID_MPEG2Demultiplexer, &f);
        return f;
    };
    struct Wired {
        ComPtr<FilterGraph> graph = make<FilterGraph>();
        ComPtr<IBaseFilter> source;
        int64_t bytes = 0; // read to connect
    };
    auto connect = [](IBaseFilter* to, const char* file) {
        Wired w;
        FilterMapper::instance().CreateFilter(CLSID_AsyncReader, &w.source);
        w.graph->AddFilter(w.source.get(), "source");
        w.graph->AddFilter(to, "splitter");
        EXPECT_EQ(query<IFileSourceFilter>(w.source)->Load(mediaPath(file), nullptr), S_OK);
        std::vector<ComPtr<IPin>> out, in;
        w.source->EnumPins(&out);
        to->EnumPins(&in);
        const int64_t before = BytesRead();
        EXPECT_EQ(w.graph->ConnectDirect(out[0].get(), in[0].get(), nullptr), S_OK) << file;
        w.bytes = BytesRead() - before;
        return w;
    };
    // The first picture the splitter's video shows, paused at the start, is `file`'s first.
    auto showsFirstFrame = [](Wired& w, IBaseFilter* from, const char* file) {
        auto builder = make<CaptureGraphBuilder>();
        builder->SetFiltergraph(w.graph.get());
        auto sink = make<PictureSink>();
        w.graph->AddFilter(sink.get(), "sink");
        EXPECT_EQ(builder->RenderStream(nullptr, &MEDIATYPE_Video, from, nullptr, sink.get()),
                  S_OK);
        EXPECT_EQ(w.graph->Pause(), S_OK);
        EXPECT_EQ(sptest::settleGraph(*w.graph), S_OK);
        int width = 0, height = 0;
        bool bottomUp = true;
        const std::vector<uint8_t> picture = sink->last(&width, &height, &bottomUp);
        w.graph->Stop();
        w.graph->RemoveFilter(sink.get());
        return picture.size() >= size_t(width) * height * 4 && width > 0 &&
               sptest::showsFrame(mediaPath(file), 0,
                                  {picture.data(), width, height, width * 4, bottomUp});
    };
    auto leave = [](Wired& w, IBaseFilter* f) {
        w.graph->RemoveFilter(f);
        w.graph->RemoveFilter(w.source.get());
    };

    auto moved = splitter();
    Wired discovery = connect(moved.get(), "dvd.vob");
    ASSERT_GT(discovery.bytes, 64 * 1024); // the streams are looked for in the data
    leave(discovery, moved.get());
    Wired playing = connect(moved.get(), "dvd.vob");
    EXPECT_LT(playing.bytes, discovery.bytes / 10);
    EXPECT_TRUE(showsFirstFrame(playing, moved.get(), "dvd.vob"));

    // It has streamed now: connected again, it reads the file afresh and still starts there.
    leave(playing, moved.get());
    Wired again = connect(moved.get(), "dvd.vob");
    EXPECT_GT(again.bytes, discovery.bytes / 2);
    EXPECT_TRUE(showsFirstFrame(again, moved.get(), "dvd.vob"));

    // Kept for one file, it is connected to another: that one's streams and pictures.
    auto other = splitter();
    Wired first = connect(other.get(), "dvd.vob");
    leave(first, other.get());
    Wired second = connect(other.get(), "mpeg2_16x9.mpg");
    EXPECT_GT(second.bytes, 64 * 1024);
    EXPECT_TRUE(showsFirstFrame(second, other.get(), "mpeg2_16x9.mpg"));
}

TEST(OutsideSplitters, DamagedFilesEndCleanly) {
    registerOutsideFilters();
    for (const char* file : {"damaged_truncated.mpg", "damaged_overwritten.ts",
                             "damaged_truncated.mp4", "damaged_overwritten.mkv"}) {
        SCOPED_TRACE(file);
        const auto reference = sptest::ffprobeVideoCounts(mediaPath(file));
        auto graph = make<FilterGraph>();
        auto sink = make<PictureSink>();
        graph->AddFilter(sink.get(), "sink");
        HRESULT hr = graph->RenderFile(mediaPath(file));
        if (FAILED(hr)) { // refusing is clean too, for a file the ffmpeg tools refuse
            EXPECT_FALSE(reference) << "ffprobe decodes " << reference->frames << " pictures";
            continue;
        }
        graph->SetSyncSource(nullptr);
        graph->Run();
        long code = 0;
        intptr_t p1, p2;
        while (graph->GetEvent(&code, &p1, &p2, 20000) == S_OK && code != EC_COMPLETE &&
               code != EC_ERRORABORT) {
        }
        EXPECT_TRUE(code == EC_COMPLETE || code == EC_ERRORABORT) << file;
        graph->Stop();
        if (reference) {
            EXPECT_GE(sink->count(), reference->frames / 2);
        }
    }
}

} // namespace
} // namespace sp::outside
