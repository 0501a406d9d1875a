#include "filters/media_forcer.h"

#include "filters/notifier.h"
#include "platform/graph/capture_builder.h"
#include "platform/graph/filter_graph.h"
#include "platform/graph/guids.h"
#include "platform/graph/sample.h"

#include "support/test_filters.h"

#include <gtest/gtest.h>

namespace sp {
namespace {

using namespace mf;

constexpr REFERENCE_TIME kFrame = 400000;

MediaType Rgb32VideoInfo2() {
    MediaType mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_RGB32;
    mt.formattype = FORMAT_VideoInfo2;
    mt.setFormat(VIDEOINFOHEADER2{});
    return mt;
}

TEST(MediaForcer, AcceptsOnlyTheConfiguredType) {
    auto forcer = make<TMediaForcer>();
    FilterInfo info;
    forcer->QueryFilterInfo(&info);
    GUID clsid;
    forcer->GetClassID(&clsid);
    EXPECT_EQ(info.name, "Orvane's MediaForcer");
    EXPECT_EQ(clsid, guidOf("{574BBEA3-D5F4-4CE2-B789-A6BF39CAE6D1}"));

    // A new forcer takes anything, even a type without GUIDs.
    for (const MediaType& type : {makeRgb32Type(8, 8, kFrame), makePcmType(44100, 1),
                                  sptest::testCompressedType(8, 8, kFrame), MediaType{}})
        EXPECT_EQ(forcer->CheckInputType(type), S_OK);

    forcer->SetAcceptedType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, GUID_NULL);
    EXPECT_EQ(forcer->CheckInputType(makeVideoInfoType(MEDIASUBTYPE_RGB24, 8, 8, 24, kFrame)),
              E_FAIL);
    EXPECT_EQ(forcer->CheckInputType(Rgb32VideoInfo2()), S_OK);
    EXPECT_EQ(forcer->CheckInputType(makeRgb32Type(8, 8, kFrame)), S_OK);
    EXPECT_EQ(forcer->CheckInputType(makePcmType(48000, 2)), E_FAIL);

    forcer->SetAcceptedType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, GUID_NULL);
    EXPECT_EQ(forcer->CheckInputType(makePcmType(48000, 2)), S_OK);
    EXPECT_EQ(forcer->CheckInputType(makeRgb32Type(8, 8, kFrame)), E_FAIL);

    forcer->SetAcceptedType(GUID_NULL, GUID_NULL, FORMAT_VideoInfo2);
    EXPECT_EQ(forcer->CheckInputType(Rgb32VideoInfo2()), S_OK);
    EXPECT_EQ(forcer->CheckInputType(makeRgb32Type(8, 8, kFrame)), E_FAIL);
}

TEST(MediaForcer, OutputSideIsNeverUsedAndSamplesAreDropped) {
    auto forcer = make<TMediaForcer>();
    MediaType type;
    EXPECT_EQ(forcer->GetMediaType(0, &type), VFW_S_NO_MORE_ITEMS);
    EXPECT_EQ(forcer->GetMediaType(1, &type), VFW_S_NO_MORE_ITEMS);
    EXPECT_EQ(forcer->CheckTransform(makeRgb32Type(8, 8, kFrame), makeRgb32Type(8, 8, kFrame)),
              E_NOTIMPL);
    auto allocator = make<MemAllocator>();
    AllocatorProperties request;
    EXPECT_EQ(forcer->DecideBufferSize(allocator.get(), &request), E_NOTIMPL);
    auto in = make<MediaSample>(16L);
    auto out = make<MediaSample>(16L);
    EXPECT_EQ(forcer->Transform(in.get(), out.get()), S_FALSE);
}

// The media system's use: render the source's pin through the native notifier into the forcer,
// let the graph insert the decoder, then take the decoder's output and remove the forcer.
TEST(MediaForcer, RenderingIntoTheForcerInsertsADecoder) {
    auto graph = make<FilterGraph>();
    auto builder = make<CaptureGraphBuilder>();
    builder->SetFiltergraph(graph.get());
    auto source = make<sptest::TimedSource>(sptest::testCompressedType(16, 16, kFrame), 3, kFrame);
    auto notifier = make<TNotifier>();
    notifier->ReportNative = true;
    auto forcer = make<TMediaForcer>();
    forcer->SetAcceptedType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, GUID_NULL);
    graph->AddFilter(source.get(), "source");
    graph->AddFilter(forcer.get(), "Media Forcer");
    graph->AddFilter(notifier.get(), "Video Native Notifier");

    // The compressed type cannot reach the forcer without a decoder.
    EXPECT_TRUE(FAILED(
        builder->RenderStream(nullptr, nullptr, source->pin(), notifier.get(), forcer.get())));
    EXPECT_FALSE(forcer->input()->IsConnected());

    auto registration = sptest::registerTestConverter();
    ASSERT_EQ(builder->RenderStream(nullptr, nullptr, source->pin(), notifier.get(), forcer.get()),
              S_OK);
    ComPtr<IPin> decoded;
    ASSERT_EQ(forcer->input()->ConnectedTo(&decoded), S_OK);
    PinInfo info;
    decoded->QueryPinInfo(&info);
    GUID clsid;
    info.filter->GetClassID(&clsid);
    EXPECT_EQ(clsid, sptest::CLSID_TestConverter);
    MediaType connected;
    forcer->input()->ConnectionMediaType(&connected);
    EXPECT_EQ(connected.subtype, MEDIASUBTYPE_RGB32);
    EXPECT_FALSE(forcer->output()->IsConnected());

    ASSERT_EQ(graph->RemoveFilter(forcer.get()), S_OK);
    ComPtr<IPin> peer;
    EXPECT_NE(decoded->ConnectedTo(&peer), S_OK); // free for the rest of the chain
}

} // namespace
} // namespace sp
