#include "platform/graph/capture_builder.h"
#include "platform/graph/filter_graph.h"

#include "support/test_filters.h"

#include <gtest/gtest.h>

using namespace mf;
using namespace sptest;

namespace {

constexpr REFERENCE_TIME kFrame = 400000;

// A source with several output pins of chosen types and categories.
class MultiPinSource final : public BaseFilter {
public:
    struct Spec {
        MediaType type;
        GUID category;
    };
    explicit MultiPinSource(const std::vector<Spec>& specs)
        : BaseFilter("Multi", GUID_NULL) {
        for (size_t i = 0; i < specs.size(); ++i) {
            pins_.push_back(std::make_unique<FixedPin>(this, "Out" + std::to_string(i),
                                                       specs[i].type));
            pins_.back()->setCategory(specs[i].category);
        }
    }
    int GetPinCount() override { return int(pins_.size()); }
    BasePin* GetPin(int n) override { return n < GetPinCount() ? pins_[size_t(n)].get() : nullptr; }

private:
    class FixedPin final : public BaseOutputPin {
    public:
        FixedPin(BaseFilter* f, std::string name, MediaType type)
            : BaseOutputPin(f, std::move(name)), type_(std::move(type)) {}
        HRESULT CheckMediaType(const MediaType& t) override {
            return t.majortype == type_.majortype && t.subtype == type_.subtype ? S_OK : S_FALSE;
        }
        HRESULT GetMediaType(int position, MediaType* t) override {
            if (position != 0) return VFW_S_NO_MORE_ITEMS;
            *t = type_;
            return S_OK;
        }
        HRESULT DecideBufferSize(IMemAllocator* a, AllocatorProperties* r) override {
            r->cBuffers = 1;
            r->cbBuffer = 64;
            AllocatorProperties actual;
            return a->SetProperties(*r, &actual);
        }

    private:
        MediaType type_;
    };
    std::vector<std::unique_ptr<FixedPin>> pins_;
};

MediaType audioType() { return makePcmType(48000, 2); }

} // namespace

TEST(CaptureGraphBuilder, FindPinFiltersByCategoryTypeConnectionAndIndex) {
    auto graph = make<FilterGraph>();
    auto builder = make<CaptureGraphBuilder>();
    builder->SetFiltergraph(graph.get());
    auto source = make<MultiPinSource>(std::vector<MultiPinSource::Spec>{
        {testCompressedType(8, 8, kFrame), PIN_CATEGORY_CAPTURE},
        {audioType(), GUID_NULL},
        {testCompressedType(8, 8, kFrame), GUID_NULL},
        {audioType(), PIN_CATEGORY_CAPTURE}});
    graph->AddFilter(source.get(), "source");

    auto find = [&](const GUID* category, const GUID* type, int index) -> std::string {
        ComPtr<IPin> pin;
        if (FAILED(builder->FindPin(source.get(), PinDirection::Output, category, type, true,
                                    index, &pin)))
            return "none";
        std::string id;
        pin->QueryId(&id);
        return id;
    };
    EXPECT_EQ(find(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, 0), "Out0");
    EXPECT_EQ(find(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, 1), "none");
    EXPECT_EQ(find(nullptr, &MEDIATYPE_Video, 1), "Out2");
    EXPECT_EQ(find(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio, 0), "Out3");
    EXPECT_EQ(find(nullptr, &MEDIATYPE_Audio, 0), "Out1");
    EXPECT_EQ(find(nullptr, &MEDIATYPE_Interleaved, 0), "none");
    EXPECT_EQ(find(nullptr, nullptr, 3), "Out3");

    // A connected pin is skipped when only unconnected pins are wanted.
    auto sink = make<TestSink>(MediaType{});
    graph->AddFilter(sink.get(), "sink");
    ASSERT_EQ(graph->ConnectDirect(source->GetPin(1), sink->input(), nullptr), S_OK);
    EXPECT_EQ(find(nullptr, &MEDIATYPE_Audio, 0), "Out3");
}

TEST(CaptureGraphBuilder, RenderStreamGoesThroughTheIntermediateAndInsertsDecoders) {
    auto graph = make<FilterGraph>();
    auto builder = make<CaptureGraphBuilder>();
    builder->SetFiltergraph(graph.get());
    auto source = make<TimedSource>(testCompressedType(8, 8, kFrame), 3, kFrame);
    auto notifier = make<PassThrough>();
    MediaType rgb;
    rgb.majortype = MEDIATYPE_Video;
    rgb.subtype = MEDIASUBTYPE_RGB32;
    auto forcer = make<TestSink>(rgb);
    graph->AddFilter(source.get(), "source");
    graph->AddFilter(notifier.get(), "notifier");
    graph->AddFilter(forcer.get(), "forcer");

    // Without a decoder the path cannot be built, and nothing is left half connected.
    EXPECT_TRUE(FAILED(builder->RenderStream(nullptr, nullptr, source->pin(), notifier.get(),
                                             forcer.get())));
    EXPECT_FALSE(source->pin()->IsConnected());

    auto decoder = registerTestConverter();
    ASSERT_EQ(builder->RenderStream(nullptr, nullptr, source->pin(), notifier.get(), forcer.get()),
              S_OK);
    ComPtr<IPin> intoNotifier;
    source->pin()->ConnectedTo(&intoNotifier);
    EXPECT_EQ(intoNotifier.get(), static_cast<IPin*>(notifier->input()));
    // The decoder sits between the notifier and the sink.
    ComPtr<IPin> decoded;
    forcer->input()->ConnectedTo(&decoded);
    PinInfo info;
    decoded->QueryPinInfo(&info);
    GUID clsid;
    info.filter->GetClassID(&clsid);
    EXPECT_EQ(clsid, CLSID_TestConverter);
}

TEST(FilterGraphRenderFile, ClaimedSourceIsRenderedFullyOrPartly) {
    const GUID kSourceClsid = guidOf("{5D1E2001-0000-4000-8000-000000000001}");
    // A file source that loads any path and offers one compressed video and one audio pin.
    class FileSource final : public BaseFilter, public IFileSourceFilter {
    public:
        FileSource()
            : BaseFilter("file", guidOf("{5D1E2001-0000-4000-8000-000000000001}")),
              inner_(make<TimedSource>(testCompressedType(8, 8, kFrame), 3, kFrame)),
              audio_(make<MultiPinSource>(
                  std::vector<MultiPinSource::Spec>{{audioType(), GUID_NULL}})) {}
        int GetPinCount() override { return 2; }
        BasePin* GetPin(int n) override {
            return n == 0 ? static_cast<BasePin*>(inner_->pin()) : audio_->GetPin(0);
        }
        HRESULT Load(std::string_view path, const MediaType*) override {
            path_ = path;
            return S_OK;
        }
        HRESULT GetCurFile(std::string* path, MediaType*) override {
            *path = path_;
            return S_OK;
        }

    private:
        ComPtr<TimedSource> inner_;
        ComPtr<MultiPinSource> audio_;
        std::string path_;
    };
    FilterRegistration reg;
    reg.clsid = kSourceClsid;
    reg.friendlyName = "test file source";
    reg.extensions = {".tst"};
    reg.create = [] { return ComPtr<IBaseFilter>(make<FileSource>()); };
    ScopedFilterRegistration source(std::move(reg));
    auto decoder = registerTestConverter();

    auto graph = make<FilterGraph>();
    MediaType rgb;
    rgb.majortype = MEDIATYPE_Video;
    rgb.subtype = MEDIASUBTYPE_RGB32;
    auto video = make<TestSink>(rgb);
    graph->AddFilter(video.get(), "video renderer");
    // Only the video stream can reach a renderer: a partial success.
    EXPECT_EQ(graph->RenderFile("/nowhere/clip.TST"), VFW_S_PARTIAL_RENDER);
    EXPECT_TRUE(video->input()->IsConnected());

    auto graph2 = make<FilterGraph>();
    auto video2 = make<TestSink>(rgb);
    auto audio2 = make<TestSink>(audioType());
    graph2->AddFilter(video2.get(), "video renderer");
    graph2->AddFilter(audio2.get(), "audio renderer");
    EXPECT_EQ(graph2->RenderFile("/nowhere/clip.tst"), S_OK);
    EXPECT_TRUE(audio2->input()->IsConnected());
}
