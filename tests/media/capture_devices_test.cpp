#include "media/capture_devices.h"
#include "media/grab_builder.h"

#include "media_test_support.h"
#include "support/temp_dir.h"

#include <fstream>

namespace sp {
namespace {

using namespace mediatest;

template <class T> bool builtBy(const TGrabBuilder& b) {
    return dynamic_cast<const T*>(b.Device()) != nullptr;
}

std::vector<std::string> names(const TVideoSourcesList& list) {
    std::vector<std::string> out;
    for (auto* s : list) out.push_back(s->StreamName);
    return out;
}
std::vector<std::string> names(const TAudioSourcesList& list) {
    std::vector<std::string> out;
    for (auto* s : list) out.push_back(s->StreamName);
    return out;
}

class Builders : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registerFilters(); }
    Environment environment;
};

TEST_F(Builders, EachExtensionFindsItsBuilderAndNamesTheStreams) {
    TGrabBuilder avi(mediaPath("avi_mjpeg.avi"), environment.env);
    ASSERT_FALSE(avi.Failed);
    EXPECT_TRUE(builtBy<TFileAviCaptureDevice>(avi));
    EXPECT_EQ(avi.Caption, "avi_mjpeg.avi");
    EXPECT_EQ(names(avi.VideoSources), std::vector<std::string>{"avi_mjpeg.avi"});
    EXPECT_EQ(names(avi.AudioSources), std::vector<std::string>{"avi_mjpeg.avi"});

    TGrabBuilder ps(mediaPath("mpeg2_16x9.mpg"), environment.env);
    EXPECT_TRUE(builtBy<TFileMpeg2PSCaptureDevice>(ps));
    TGrabBuilder mpeg1(mediaPath("mpeg1.mpg"), environment.env);
    EXPECT_TRUE(builtBy<TFileMpeg1CaptureDevice>(mpeg1)); // the demultiplexer refuses MPEG-1
    TGrabBuilder vob(mediaPath("dvd.vob"), environment.env);
    EXPECT_TRUE(builtBy<TFileMpeg2PSCaptureDevice>(vob));
    TGrabBuilder wmv(mediaPath("wmv8.wmv"), environment.env);
    EXPECT_TRUE(builtBy<TFileWmvCaptureDevice>(wmv));
    for (const char* file : {"mpeg2.ts", "camera.MTS", "avchd.m2ts", "h264.mkv", "h264.mp4"}) {
        TGrabBuilder b(mediaPath(file), environment.env);
        EXPECT_TRUE(builtBy<TFileMpeg2TSCaptureDevice>(b)) << file;
        EXPECT_EQ(b.VideoSources.size(), 1u) << file;
        EXPECT_EQ(b.AudioSources.size(), 1u) << file;
    }
}

TEST_F(Builders, SeveralAudioStreamsAreNumberedWithoutABlank) {
    TGrabBuilder b(mediaPath("three_audio.avi"), environment.env);
    EXPECT_EQ(names(b.AudioSources),
              (std::vector<std::string>{"three_audio.avi", "three_audio.avi#2",
                                        "three_audio.avi#3"}));
    EXPECT_EQ(b.AudioSources[2]->Number, 3);
}

TEST_F(Builders, TypeOneDvBecomesOneDvSubBuilderWithBothStreams) {
    TGrabBuilder b(mediaPath("avi_dv_type1.avi"), environment.env);
    ASSERT_FALSE(b.Failed);
    TCaptureDevice* parent = b.Device();
    EXPECT_TRUE(parent->VideoSources.empty());
    ASSERT_EQ(parent->SubDevices.Count(), 1u);
    EXPECT_TRUE(parent->SubDevices.Item(0)->IsDVDevice());
    ASSERT_EQ(names(b.VideoSources), std::vector<std::string>{"avi_dv_type1.avi"});
    ASSERT_EQ(names(b.AudioSources), std::vector<std::string>{"avi_dv_type1.avi"});
    EXPECT_TRUE(b.VideoSources[0]->IsDV);
}

TEST_F(Builders, RawDvIsPlayedThroughTheGenericBuilderAndStillSplitByTheDvBuilder) {
    TGrabBuilder b(mediaPath("raw.dv"), environment.env);
    ASSERT_FALSE(b.Failed);
    EXPECT_TRUE(builtBy<TFileUnknownCaptureDevice>(b));
    ASSERT_EQ(b.VideoSources.size(), 1u);
    EXPECT_TRUE(b.VideoSources[0]->IsDV); // the DV notifier sees the frames
}

TEST_F(Builders, UnknownAndDamagedFilesGiveAFailedBuilder) {
    for (const char* file : {"not_a_video.mpg", "empty.avi"}) {
        TGrabBuilder b(mediaPath(file), environment.env);
        EXPECT_TRUE(b.Failed) << file;
        EXPECT_EQ(b.Caption, "No video file");
        EXPECT_TRUE(b.VideoSources.empty());
    }
    TGrabBuilder missing("/no/such/dir/clip.avi", environment.env);
    EXPECT_TRUE(missing.Failed);
}

TEST_F(Builders, SceneFileBesideTheVideoIsNoticed) {
    sptest::TempDir temp("sp-scn");
    const std::filesystem::path dir = temp.path();
    std::filesystem::copy_file(mediaPath("mpeg1.mpg"), dir / "clip.MPG",
                               std::filesystem::copy_options::overwrite_existing);
    std::ofstream(dir / "clip.scn") << "x";
    TGrabBuilder b((dir / "clip.MPG").string(), environment.env);
    EXPECT_FALSE(b.Failed); // clip.MPG is handled like .mpg
    EXPECT_TRUE(b.HasSceneFile);
    EXPECT_EQ(SceneFileName("/a.b/c"), "/a.b/c.scn");
    EXPECT_EQ(SceneFileName("/a/c.d.mpg"), "/a/c.d.scn");
}

TEST(BuildersWithoutGeneralSplitter, TransportStreamFallsToTheGenericBuilder) {
    registerFilters(false);
    Environment environment(false);
    TGrabBuilder b(mediaPath("mpeg2.ts"), environment.env);
    EXPECT_FALSE(b.Failed);
    EXPECT_TRUE(builtBy<TFileUnknownCaptureDevice>(b));
    EXPECT_EQ(b.VideoSources.size(), 1u);
    registerFilters(true);
}

TEST_F(Builders, AddToGraphIsIdempotentAndIdleUntilAChainUsesAStream) {
    TGrabBuilder b(mediaPath("avi_mjpeg.avi"), environment.env);
    TGraphComponent graph;
    graph.Activate();
    TCaptureDevice* device = b.Device();
    ASSERT_TRUE(device->AddToGraph(graph));
    mf::IBaseFilter* splitter = device->OutputFilter.get();
    ASSERT_TRUE(device->AddToGraph(graph));
    EXPECT_EQ(device->OutputFilter.get(), splitter);
    EXPECT_TRUE(IsDeviceIdle(device));
    device->RemoveFromGraph();
    std::vector<mf::ComPtr<mf::IBaseFilter>> filters;
    graph.Graph()->EnumFilters(&filters);
    EXPECT_TRUE(filters.empty());
}

TEST_F(Builders, AFileReaderOpenedForTheStreamsServesTheFirstGraphThenAFreshOneTheNext) {
    TGrabBuilder b(mediaPath("h264.mp4"), environment.env);
    ASSERT_FALSE(b.Failed);
    TCaptureDevice* device = b.Device();
    ASSERT_TRUE(builtBy<TFileMpeg2TSCaptureDevice>(b));
    auto outputTypes = [&] {
        std::vector<mf::GUID> majors;
        std::vector<mf::ComPtr<mf::IPin>> pins;
        device->OutputFilter->EnumPins(&pins);
        for (auto& pin : pins) {
            mf::PinDirection dir;
            std::vector<mf::MediaType> types;
            if (pin->QueryDirection(&dir) == mf::S_OK && dir == mf::PinDirection::Output &&
                pin->EnumMediaTypes(&types) == mf::S_OK && !types.empty())
                majors.push_back(types[0].majortype);
        }
        return majors;
    };
    for (int round = 0; round < 2; ++round) {
        TGraphComponent graph;
        graph.Activate();
        ASSERT_TRUE(device->AddToGraph(graph)) << round;
        EXPECT_EQ(outputTypes(), (std::vector<mf::GUID>{mf::MEDIATYPE_Video, mf::MEDIATYPE_Audio}))
            << round;
        device->RemoveFromGraph();
    }
}

TEST(FilterComponent, AFilterSetAsideJoinsTheNextGraphItself) {
    registerFilters();
    TFilterComponent component(CLSID_TestPreview, "Video Renderer");
    TGraphComponent first, second, third;
    first.Activate();
    second.Activate();
    third.Activate();
    ASSERT_TRUE(component.JoinGraph(first.Graph()));
    const mf::ComPtr<mf::IBaseFilter> kept(component.Filter());
    component.SetAside();
    EXPECT_TRUE(component.HasSetAside());
    EXPECT_EQ(component.Filter(), nullptr);
    std::vector<mf::ComPtr<mf::IBaseFilter>> filters;
    first.Graph()->EnumFilters(&filters);
    EXPECT_TRUE(filters.empty());

    ASSERT_TRUE(component.JoinGraph(second.Graph()));
    EXPECT_EQ(component.Filter(), kept.get());
    EXPECT_FALSE(component.HasSetAside());
    // Leaving for good lets it go: the next graph gets a new filter.
    component.LeaveGraph();
    ASSERT_TRUE(component.JoinGraph(third.Graph()));
    EXPECT_NE(component.Filter(), kept.get());
}

} // namespace
} // namespace sp
