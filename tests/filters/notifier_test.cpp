#include "filters/notifier.h"

#include "describe/day_count.h"
#include "describe/timecode.h"
#include "platform/graph/filter_graph.h"
#include "platform/graph/guids.h"
#include "platform/graph/message_target.h"
#include "platform/graph/sample.h"

#include "support/byte_source.h"
#include "support/mdpm_access_unit.h"
#include "support/recording_target.h"
#include "support/test_filters.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <random>

namespace sp {
namespace {

using namespace mf;
using sptest::ByteSource;
using sptest::Payload;

// What the main window copies out of a stream information post when it arrives: the record the
// post points to, taken at post time on the posting thread.
struct StreamInfo {
    TvData video;
    TaData audio;
};

StreamInfo CopyStreamInfo(const sptest::RecordingTarget<StreamInfo>::Message& m) {
    StreamInfo info;
    if (m.msg != WM_STREAM_INFO) return info;
    if (m.wParam == kStreamInfoVideo) info.video = *reinterpret_cast<const TvData*>(m.lParam);
    if (m.wParam == kStreamInfoAudio) info.audio = *reinterpret_cast<const TaData*>(m.lParam);
    return info;
}

// DV frames ------------------------------------------------------------------------------------

constexpr size_t kSeq = 12000;
constexpr int kSequences = 10;

uint8_t Bcd(int value) {
    return uint8_t((value / 10) << 4 | value % 10);
}

// Unused bytes (0xFF) but for the header and source-control pack of sequence 0.
Payload DvFrame(bool pal, bool wide) {
    Payload f(kSeq * kSequences, 0xFF);
    f[3] = pal ? 0xBF : 0x3F;
    f[7] = 0x00;
    f[453] = 0x61;
    f[455] = wide ? 0x02 : 0x00;
    return f;
}

void SetRecording(Payload& f, int seq, int day, int month, int yy, int h, int m, int s) {
    uint8_t* p = f.data() + kSeq * size_t(seq);
    p[458] = 0x62;
    p[460] = Bcd(day);
    p[461] = Bcd(month);
    p[462] = Bcd(yy);
    p[463] = 0x63;
    p[465] = Bcd(s);
    p[466] = Bcd(m);
    p[467] = Bcd(h);
}

void SetTimecode(Payload& f, int seq, int h, int m, int s, int fr) {
    uint8_t* p = f.data() + kSeq * size_t(seq);
    p[110] = p[190] = 0x13;
    p[111] = Bcd(fr);
    p[112] = Bcd(s);
    p[113] = Bcd(m);
    p[114] = Bcd(h);
}

void SetDvAudio(Payload& f, int samplingCode, int quantisationCode) {
    f[4323] = 0x50;
    f[4327] = uint8_t(samplingCode << 3 | quantisationCode);
}

// MPEG-2 sequence header followed by a little picture data.
Payload MpegHeader(int width, int height, int aspectCode, int rateCode) {
    Payload b{0x00, 0x00, 0x01, 0xB3, 0, 0, 0, 0, 0x12, 0x34};
    b[4] = uint8_t(width >> 4);
    b[5] = uint8_t((width & 0x0F) << 4 | height >> 8);
    b[6] = uint8_t(height);
    b[7] = uint8_t(aspectCode << 4 | rateCode);
    return b;
}
Payload MpegPicture() {
    return {0x00, 0x00, 0x01, 0x00, 0x01, 0x02, 0x03, 0x04};
}

// Media types ----------------------------------------------------------------------------------

MediaType DvInfoType() {
    MediaType mt;
    mt.majortype = MEDIATYPE_Interleaved;
    mt.subtype = MEDIASUBTYPE_dvsd;
    mt.formattype = FORMAT_DvInfo;
    mt.setFormat(DVINFO{});
    return mt;
}

MediaType DvVideoInfoType(int height) {
    MediaType mt = makeVideoInfoType(MEDIASUBTYPE_dvsd, 720, height, 24, 400000,
                                     makeFourCC('d', 'v', 's', 'd'));
    VIDEOINFOHEADER vih = *mt.formatAs<VIDEOINFOHEADER>();
    vih.dwBitRate = 28800000;
    mt.setFormat(vih);
    return mt;
}

MediaType Mpeg2Type(uint32_t ratioX, uint32_t ratioY) {
    MediaType mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_MPEG2_VIDEO;
    mt.formattype = FORMAT_MPEG2Video;
    MPEG2VIDEOINFO info;
    info.hdr.dwPictAspectRatioX = ratioX;
    info.hdr.dwPictAspectRatioY = ratioY;
    info.hdr.dwBitRate = 8000000;
    mt.setFormat(info);
    return mt;
}

MediaType WaveType(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t bytesPerSecond,
                   uint16_t bits) {
    MediaType mt;
    mt.majortype = MEDIATYPE_Audio;
    mt.subtype = fourCCGuid(tag);
    mt.formattype = FORMAT_WaveFormatEx;
    WAVEFORMATEX wfx;
    wfx.wFormatTag = tag;
    wfx.nChannels = channels;
    wfx.nSamplesPerSec = rate;
    wfx.nAvgBytesPerSec = bytesPerSecond;
    wfx.wBitsPerSample = bits;
    mt.setFormat(wfx);
    return mt;
}

// Fixture --------------------------------------------------------------------------------------

class NotifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        setMainWindowTarget(target);
        SharedTvData() = TvData{};
        SharedTaData() = TaData{};
    }
    void TearDown() override { setMainWindowTarget(nullptr); }

    // source → notifier → sink, connected, run to the end of the payloads and stopped.
    ::testing::AssertionResult Stream(TNotifier* notifier, const MediaType& type,
                                      std::vector<Payload> payloads,
                                      REFERENCE_TIME frameDuration = 400000) {
        auto graph = make<FilterGraph>();
        auto source = make<ByteSource>(type, std::move(payloads), frameDuration);
        auto sink = make<sptest::TestSink>(MediaType{});
        graph->AddFilter(source.get(), "source");
        graph->AddFilter(notifier, "notifier");
        graph->AddFilter(sink.get(), "sink");
        if (graph->ConnectDirect(source->pin(), notifier->input(), nullptr) != S_OK)
            return ::testing::AssertionFailure() << "notifier refused the type";
        if (graph->ConnectDirect(notifier->output(), sink->input(), nullptr) != S_OK)
            return ::testing::AssertionFailure() << "notifier output did not connect";
        graph->SetSyncSource(nullptr);
        graph->Run();
        long code = 0;
        intptr_t p1, p2;
        while (code != EC_COMPLETE && graph->GetEvent(&code, &p1, &p2, 5000) == S_OK) {
        }
        bool complete = code == EC_COMPLETE;
        graph->Stop();
        graph->RemoveFilter(notifier);
        if (!complete) return ::testing::AssertionFailure() << "stream never completed";
        return ::testing::AssertionSuccess();
    }

    // The stream information posted for `kind` (kStreamInfoVideo or kStreamInfoAudio), in order.
    std::vector<StreamInfo> Posts(uintptr_t kind) {
        std::vector<StreamInfo> out;
        for (auto& m : target->messages(WM_STREAM_INFO))
            if (m.wParam == kind) out.push_back(std::move(m.record));
        return out;
    }
    std::vector<std::string> Descriptions(uintptr_t kind) {
        std::vector<std::string> out;
        for (const StreamInfo& p : Posts(kind))
            out.push_back(kind == kStreamInfoVideo ? p.video.Description : p.audio.Description);
        return out;
    }

    std::shared_ptr<sptest::RecordingTarget<StreamInfo>> target =
        std::make_shared<sptest::RecordingTarget<StreamInfo>>(CopyStreamInfo);
};

ComPtr<TNotifier> NewNotifier(bool native, bool decoded, bool audio) {
    auto n = make<TNotifier>();
    n->ResetNotifier();
    n->ReportNative = native;
    n->ReportDecoded = decoded;
    n->ReportAudio = audio;
    return n;
}

// Tests ----------------------------------------------------------------------------------------

TEST_F(NotifierTest, IdentityAndTypeNames) {
    auto n = make<TNotifier>();
    FilterInfo info;
    n->QueryFilterInfo(&info);
    GUID clsid;
    n->GetClassID(&clsid);
    EXPECT_EQ(info.name, "Orvane's Notifier");
    EXPECT_EQ(clsid, guidOf("{904F906E-CC19-462D-95DF-B61A7082E6AD}"));

    EXPECT_EQ(TNotifier::VideoTypeName(makeRgb32Type(8, 8, 0)), "RGB32");
    EXPECT_EQ(TNotifier::VideoTypeName(Mpeg2Type(4, 3)), "MPEG2");
    MediaType fourccMpeg2 = Mpeg2Type(4, 3);
    fourccMpeg2.subtype = fourCCGuid(makeFourCC('m', 'p', 'g', '2'));
    EXPECT_EQ(TNotifier::VideoTypeName(fourccMpeg2), "mpg2");
    MediaType shortBlock = DvVideoInfoType(576);
    shortBlock.format.resize(60);
    EXPECT_EQ(TNotifier::VideoTypeName(shortBlock), "");

    EXPECT_EQ(TNotifier::AudioTypeName(makeRgb32Type(8, 8, 0)), "???");
    MediaType ac3 = WaveType(0x2000, 6, 48000, 448000, 0);
    EXPECT_EQ(TNotifier::AudioTypeName(ac3), "AC3");
    ac3.subtype = MEDIASUBTYPE_DOLBY_AC3;
    EXPECT_EQ(TNotifier::AudioTypeName(ac3), "DOLBY AC3");
    MediaType mpegAudio = WaveType(0x0050, 2, 48000, 24000, 0);
    EXPECT_EQ(TNotifier::AudioTypeName(mpegAudio), "MPEG1"); // the subtype names it first
    mpegAudio.subtype = MEDIASUBTYPE_MPEG1Audio;
    EXPECT_EQ(TNotifier::AudioTypeName(mpegAudio), "MPEG"); // "MPEG Audio" cut to four
    MediaType truncated = WaveType(0x0055, 2, 44100, 16000, 0);
    truncated.format.resize(10);
    EXPECT_EQ(TNotifier::AudioTypeName(truncated), "???");
}

TEST_F(NotifierTest, OutputSideOffersTheInputTypeAndLargeBuffers) {
    auto n = NewNotifier(false, true, false);
    auto graph = make<FilterGraph>();
    MediaType rgb = makeRgb32Type(720, 576, 400000);
    auto source = make<ByteSource>(rgb, std::vector<Payload>{Payload(5000, 0)});
    auto sink = make<sptest::TestSink>(MediaType{});
    graph->AddFilter(source.get(), "source");
    graph->AddFilter(n.get(), "notifier");
    graph->AddFilter(sink.get(), "sink");
    MediaType offered;
    EXPECT_EQ(n->GetMediaType(0, &offered), VFW_S_NO_MORE_ITEMS); // input not connected yet
    ASSERT_EQ(graph->ConnectDirect(source->pin(), n->input(), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(n->output(), sink->input(), nullptr), S_OK);

    EXPECT_EQ(n->GetMediaType(-1, &offered), E_INVALIDARG);
    EXPECT_EQ(n->GetMediaType(1, &offered), VFW_S_NO_MORE_ITEMS);
    ASSERT_EQ(n->GetMediaType(0, &offered), S_OK);
    EXPECT_EQ(offered, rgb);
    EXPECT_EQ(n->CheckTransform(rgb, makeRgb32Type(16, 16, 0)), S_OK);
    EXPECT_EQ(n->CheckTransform(rgb, makePcmType(48000, 2)), VFW_E_TYPE_NOT_ACCEPTED);

    AllocatorProperties granted;
    n->output()->allocator()->GetProperties(&granted);
    EXPECT_GE(granted.cbBuffer, TNotifier::kMinimumBufferBytes);

    // An allocator that grants less than the input's buffers makes the decision fail.
    class StingyAllocator final : public IMemAllocator {
    public:
        HRESULT SetProperties(const AllocatorProperties& r, AllocatorProperties* a) override {
            asked = r;
            *a = r;
            a->cbBuffer = 100;
            return S_OK;
        }
        HRESULT GetProperties(AllocatorProperties*) override { return S_OK; }
        HRESULT Commit() override { return S_OK; }
        HRESULT Decommit() override { return S_OK; }
        HRESULT GetBuffer(ComPtr<IMediaSample>*) override { return E_FAIL; }
        AllocatorProperties asked;
    };
    auto stingy = make<StingyAllocator>();
    AllocatorProperties request;
    EXPECT_EQ(n->DecideBufferSize(stingy.get(), &request), E_FAIL);
    EXPECT_EQ(stingy->asked.cbBuffer, TNotifier::kMinimumBufferBytes);
    EXPECT_EQ(stingy->asked.cBuffers, 1);
    EXPECT_EQ(stingy->asked.cbAlign, 1);
    graph->RemoveFilter(n.get());
}

TEST_F(NotifierTest, RemembersTheStreamedTypeUntilReset) {
    auto n = NewNotifier(true, false, false);
    EXPECT_EQ(n->CheckInputType(makePcmType(48000, 2)), S_OK); // fresh: anything goes
    ASSERT_TRUE(Stream(n.get(), Mpeg2Type(4, 3), {MpegHeader(720, 576, 2, 3)}));

    MediaType pcm = makePcmType(48000, 2);
    EXPECT_EQ(n->CheckInputType(pcm), E_FAIL);
    EXPECT_EQ(n->CheckInputType(Mpeg2Type(16, 9)), S_OK); // same kind, other format block
    n->ReportAudio = true;
    EXPECT_FALSE(Stream(n.get(), pcm, {Payload(16, 0)}));

    n->ResetNotifier();
    EXPECT_FALSE(n->ReportNative || n->ReportDecoded || n->ReportAudio);
    n->ReportAudio = true;
    EXPECT_TRUE(Stream(n.get(), pcm, {Payload(16, 0)}));
}

TEST_F(NotifierTest, Mpeg2PostsAtStartAndThenOnlyOnChange) {
    SharedTvData().Width = 720; // as the decoded notifier would have left them
    SharedTvData().Height = 576;
    SharedTvData().FrameRate = 25;
    auto n = NewNotifier(true, false, false);
    Payload truncated = MpegHeader(352, 288, 3, 3);
    truncated.resize(7);
    ASSERT_TRUE(Stream(n.get(), Mpeg2Type(4, 3),
                       {MpegHeader(720, 576, 2, 3), MpegPicture(), MpegHeader(720, 576, 2, 3),
                        MpegHeader(720, 576, 3, 3), MpegPicture(), MpegHeader(720, 576, 3, 3),
                        truncated, MpegHeader(1920, 1088, 3, 4)}));

    auto posts = Posts(kStreamInfoVideo);
    ASSERT_EQ(posts.size(), 3u);
    EXPECT_EQ(posts[0].video.Description, "MPEG2 (4x3)");
    EXPECT_EQ(posts[0].video.CodecName, "MPEG2");
    EXPECT_EQ(posts[0].video.BitRate, 8000000);
    EXPECT_EQ(posts[0].video.TvStandard, kTvStandardUnknown);
    EXPECT_EQ(posts[1].video.Description, "MPEG2 (16x9)");
    EXPECT_EQ(posts[1].video.Width, 720);
    EXPECT_EQ(posts[2].video.Height, 1088);
    EXPECT_DOUBLE_EQ(posts[2].video.FrameRate, 30000.0 / 1001.0);
    EXPECT_TRUE(Posts(kStreamInfoAudio).empty());
}

TEST_F(NotifierTest, DvType1FollowsStandardAndAspect) {
    auto n = NewNotifier(true, false, false);
    Payload pal43 = DvFrame(true, false);
    SetRecording(pal43, 0, 8, 12, 26, 10, 20, 30);
    SetTimecode(pal43, 0, 1, 2, 3, 4);
    Payload pal169 = DvFrame(true, true);
    SetRecording(pal169, 3, 8, 12, 26, 10, 20, 31); // found in a later sequence
    SetTimecode(pal169, 0, 1, 2, 3, 5);
    Payload ntsc169 = DvFrame(false, true);
    ASSERT_TRUE(Stream(n.get(), DvInfoType(), {pal43, pal43, pal169, pal169, pal169, ntsc169}));

    auto descriptions = Descriptions(kStreamInfoVideo);
    ASSERT_EQ(descriptions.size(), 4u); // start, first frame, 16:9, NTSC
    EXPECT_EQ(descriptions[1], "DV type1 Pal  (4x3) ");
    EXPECT_EQ(descriptions[2], "DV type1 Pal  (16x9) ");
    EXPECT_EQ(descriptions[3], "DV type1 NTSC  (16x9) ");
    auto posts = Posts(kStreamInfoVideo);
    EXPECT_EQ(posts[1].video.Width, 720);
    EXPECT_EQ(posts[1].video.Height, 576);
    EXPECT_EQ(posts[1].video.FrameRate, 25);
    EXPECT_EQ(posts[2].video.RecDateTime,
              *EncodeDayCount({2026, 12, 8, 10, 20, 31, 0})); // refreshed without a message
    EXPECT_EQ(posts[3].video.Height, 480);
    EXPECT_DOUBLE_EQ(posts[3].video.FrameRate, 30000.0 / 1001.0);

    // The NTSC frame carried neither date nor timecode: the timecode stays, the date goes.
    const TvData& tv = SharedTvData();
    EXPECT_FALSE(tv.RecDateValid);
    EXPECT_EQ(tv.RecDateTime, 0);
    EXPECT_TRUE(tv.TimecodeValid);
    EXPECT_EQ(tv.Timecode, MakePackedTimecode(1, 2, 3, 5));
}

TEST_F(NotifierTest, DvRecordingDateRules) {
    struct Case {
        int month, yy;
        bool valid;
        int year;
    };
    for (const Case& c :
         {Case{13, 26, false, 0}, Case{12, 39, true, 2039}, Case{12, 40, true, 1940}}) {
        SharedTvData().RecDateTime = 123.5;
        Payload frame = DvFrame(true, false);
        SetRecording(frame, 0, 31, c.month, c.yy, 23, 59, 58);
        auto n = NewNotifier(true, false, false);
        ASSERT_TRUE(Stream(n.get(), DvVideoInfoType(576), {frame}));
        const TvData& tv = SharedTvData();
        EXPECT_EQ(tv.RecDateValid, c.valid) << "month " << c.month << " year " << c.yy;
        if (c.valid)
            EXPECT_EQ(tv.RecDateTime, *EncodeDayCount({c.year, 12, 31, 23, 59, 58, 0}));
        else
            EXPECT_EQ(tv.RecDateTime, 123.5); // an invalid date leaves the old value
        EXPECT_EQ(Descriptions(kStreamInfoVideo).back(), "DV type2 Pal  (4x3) ");
    }
}

TEST_F(NotifierTest, DvAudioIsReportedOncePerChange) {
    auto n = NewNotifier(false, false, true);
    Payload noPack = DvFrame(true, false);
    Payload pcm48k = DvFrame(true, false);
    SetDvAudio(pcm48k, 0, 0);
    Payload noControl = pcm48k;
    noControl[453] = 0xFF; // without the source-control pack nothing is read
    SetDvAudio(noControl, 2, 1);
    // Cut below one DIF sequence, a frame is not read even where its audio pack would fit.
    Payload pcm32k = DvFrame(true, false);
    SetDvAudio(pcm32k, 2, 1);
    Payload shortFrame(pcm32k.begin(), pcm32k.begin() + 5000);
    ASSERT_TRUE(Stream(n.get(), DvInfoType(),
                       {noPack, noPack, noPack, pcm48k, pcm48k, noControl, shortFrame}));

    auto descriptions = Descriptions(kStreamInfoAudio);
    ASSERT_EQ(descriptions.size(), 3u); // start, no pack, 48 kHz
    EXPECT_EQ(descriptions[1], "DV -1Hz -1bits st\u00e9r\u00e9o");
    EXPECT_EQ(descriptions[2], "DV 48000Hz 16bits st\u00e9r\u00e9o");
    const TaData& ta = SharedTaData();
    EXPECT_EQ(ta.SubType, MEDIASUBTYPE_PCM);
    EXPECT_EQ(ta.FormatType, FORMAT_WaveFormatEx);
    EXPECT_TRUE(Posts(kStreamInfoVideo).empty());
}

TEST_F(NotifierTest, WaveFormatDescriptions) {
    SharedTaData().CodecName = "AC3";
    auto n = NewNotifier(false, false, true);
    ASSERT_TRUE(Stream(n.get(), WaveType(0x2000, 6, 48000, 448000, 0), {Payload(64, 0)}));
    SharedTaData().CodecName = "PCM";
    auto pcm = NewNotifier(false, false, true);
    ASSERT_TRUE(Stream(pcm.get(), makePcmType(48000, 2), {Payload(64, 0)}));
    SharedTaData().CodecName = "MP3";
    auto mono = NewNotifier(false, false, true);
    ASSERT_TRUE(Stream(mono.get(), WaveType(0x55, 1, 22050, 4000, 0), {Payload(64, 0)}));

    auto descriptions = Descriptions(kStreamInfoAudio);
    ASSERT_EQ(descriptions.size(), 3u);
    EXPECT_EQ(descriptions[0], "AC3 48000Hz 3584Kb/s 6 canaux");
    EXPECT_EQ(descriptions[1], "PCM 48000Hz 16bits  st\u00e9r\u00e9o");
    EXPECT_EQ(descriptions[2], "MP3 22050Hz 32Kb/s mono");
    EXPECT_EQ(Posts(kStreamInfoAudio)[0].audio.BitRate, 3584000);
    EXPECT_EQ(Posts(kStreamInfoAudio)[0].audio.Channels, 6);
}

TEST_F(NotifierTest, VideoDescribersAtStart) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    auto decoded = NewNotifier(false, true, false);
    const bool streamed = Stream(decoded.get(), makeRgb32Type(720, 480, 333667), {Payload(64, 0)});
    QLocale::setDefault(previous);
    ASSERT_TRUE(streamed);

    MediaType h264;
    h264.majortype = MEDIATYPE_Video;
    h264.subtype = MEDIASUBTYPE_H264;
    h264.formattype = FORMAT_VideoInfo2;
    VIDEOINFOHEADER2 vih2;
    vih2.dwPictAspectRatioX = 16;
    vih2.dwPictAspectRatioY = 9;
    vih2.bmiHeader.biCompression = makeFourCC('H', '2', '6', '4');
    h264.setFormat(vih2);
    auto native = NewNotifier(true, false, false);
    ASSERT_TRUE(Stream(native.get(), h264, {Payload(64, 0)}));
    auto dvNtsc = NewNotifier(true, false, false);
    ASSERT_TRUE(Stream(dvNtsc.get(), DvVideoInfoType(480), {Payload(64, 0)}));
    MediaType shortBlock = h264;
    shortBlock.format.resize(100);
    auto rejected = NewNotifier(true, true, false);
    ASSERT_TRUE(Stream(rejected.get(), shortBlock, {Payload(64, 0)}));

    auto posts = Posts(kStreamInfoVideo);
    ASSERT_EQ(posts.size(), 3u); // the short format block is not described
    EXPECT_EQ(posts[0].video.SizeText, "720x480 - 29,97 fps");
    EXPECT_EQ(posts[0].video.FrameDuration, 333667);
    EXPECT_EQ(posts[1].video.Description, "H264 (16x9)");
    EXPECT_EQ(posts[1].video.Aspect, kAspect16x9);
    EXPECT_EQ(posts[2].video.Description, "dvsd");
    EXPECT_EQ(posts[2].video.TvStandard, kTvStandardNtsc);
    EXPECT_EQ(posts[2].video.BitRate, 28800000);
    EXPECT_EQ(SizeText(720, 576, 25), "720x576 - 25 fps");
    EXPECT_EQ(SizeText(352, 288, 0), "352x288");
    EXPECT_EQ(AspectFromRatio(0x80000000u, 0x60000000u), kAspect4x3);
    EXPECT_EQ(AspectFromRatio(0, 0x40000000u), kAspectUnknown); // 4·Y wraps to 0 in 32 bits
}

// A decoder that turned its pictures upright says so in its output type; the decoded
// description carries it (the stored size is the upright one turned back), and a plain type
// after it clears it.
TEST_F(NotifierTest, TheDecodedDescriptionCarriesTheTurnOfThePictures) {
    MediaType upright = makeRgb32Type(180, 320, 400000);
    auto vih = *upright.formatAs<VIDEOINFOHEADER>();
    VIDEOINFOHEADER2 vih2;
    vih2.AvgTimePerFrame = vih.AvgTimePerFrame;
    vih2.bmiHeader = vih.bmiHeader;
    vih2.dwReserved2 = PictureOrientation{1, true}.packed();
    upright.formattype = FORMAT_VideoInfo2;
    upright.format.clear();
    upright.setFormat(vih2);
    auto turned = NewNotifier(false, true, false);
    ASSERT_TRUE(Stream(turned.get(), upright, {Payload(64, 0)}));
    auto plain = NewNotifier(false, true, false);
    ASSERT_TRUE(Stream(plain.get(), makeRgb32Type(320, 180, 400000), {Payload(64, 0)}));

    auto posts = Posts(kStreamInfoVideo);
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].video.Width, 180);
    EXPECT_EQ(PictureOrientation::fromPacked(posts[0].video.Orientation),
              (PictureOrientation{1, true}));
    EXPECT_EQ(posts[1].video.Orientation, 0);
}

MediaType H264Type() {
    MediaType mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = fourCCGuid(makeFourCC('H', '2', '6', '4'));
    mt.formattype = FORMAT_VideoInfo2;
    VIDEOINFOHEADER2 vih2;
    vih2.AvgTimePerFrame = 400000;
    vih2.bmiHeader.biWidth = 320;
    vih2.bmiHeader.biHeight = 240;
    vih2.bmiHeader.biCompression = makeFourCC('H', '2', '6', '4');
    mt.setFormat(vih2);
    return mt;
}

TEST_F(NotifierTest, H264UserDataGivesEachFrameItsDateZoneAndCamera) {
    auto n = NewNotifier(true, false, false);
    const Payload first = sptest::AccessUnit(sptest::Mdpm({{0x18, 0x04, 0x20, 0x13, 0x07},
                                                           {0x19, 0x14, 0x09, 0x30, 0x05},
                                                           {0xE0, 0x01, 0x03, 0, 0}}));
    const Payload later = sptest::AccessUnit(
        sptest::Mdpm({{0x18, 0x04, 0x20, 0x13, 0x07}, {0x19, 0x14, 0x09, 0x30, 0x06}}));
    ASSERT_TRUE(Stream(n.get(), H264Type(), {first, later}));
    const TvData& tv = SharedTvData();
    EXPECT_TRUE(tv.RecDateValid);
    EXPECT_EQ(tv.RecDateTime, *EncodeDayCount({2013, 7, 14, 9, 30, 6, 0}));
    EXPECT_TRUE(tv.RecZoneValid);
    EXPECT_EQ(tv.RecZoneMinutes, 120);
    EXPECT_EQ(tv.RecMake, "Panasonic"); // kept from the frame that named it
    EXPECT_TRUE(n->SawStreamDate());

    // A year outside the plausible range, then a frame without user data: no date, and the
    // notifier has seen none since it was reset.
    n->ResetNotifier();
    n->ReportNative = true;
    const Payload old = sptest::AccessUnit(
        sptest::Mdpm({{0x18, 0x04, 0x19, 0x75, 0x07}, {0x19, 0x14, 0x09, 0x30, 0x05}}));
    ASSERT_TRUE(Stream(n.get(), H264Type(), {old, Payload{0, 0, 1, 0x65, 0x88}}));
    EXPECT_FALSE(tv.RecDateValid);
    EXPECT_FALSE(n->SawStreamDate());
}

TEST_F(NotifierTest, TheDecodedNotifierDatesPicturesByPositionAndWritesTheFileFacts) {
    const double start = *EncodeDayCount({2022, 8, 9, 18, 30, 0, 0});
    auto n = NewNotifier(false, true, false);
    n->ContainerFacts = RecordingFacts{start, 120, "Apple", "iPhone 12", GeoPlace{48.8, 2.3, 35}};
    // Three pictures a second apart: the last is 2 s into the file.
    ASSERT_TRUE(Stream(n.get(), makeRgb32Type(32, 24, 400000),
                       std::vector<Payload>(3, Payload(32 * 24 * 4, 0)), 10'000'000));
    const TvData& tv = SharedTvData();
    EXPECT_TRUE(tv.RecDateValid);
    EXPECT_NEAR(tv.RecDateTime, start + 2.0 / 86400, 1e-9);
    EXPECT_EQ(tv.RecZoneMinutes, 120);
    EXPECT_EQ(tv.RecModel, "iPhone 12");
    EXPECT_TRUE(tv.RecPlaceValid);
    EXPECT_TRUE(tv.RecAltitudeValid);
    EXPECT_EQ(tv.RecAltitude, 35);

    // A file without facts writes that: no zone, camera or place, and the date is left alone.
    n->ResetNotifier();
    n->ReportDecoded = true;
    n->ContainerFacts = RecordingFacts{};
    ASSERT_TRUE(Stream(n.get(), makeRgb32Type(32, 24, 400000), {Payload(32 * 24 * 4, 0)}));
    EXPECT_FALSE(tv.RecZoneValid);
    EXPECT_EQ(tv.RecModel, "");
    EXPECT_FALSE(tv.RecPlaceValid);
    EXPECT_NEAR(tv.RecDateTime, start + 2.0 / 86400, 1e-9);
}

// Damaged DV frames and MPEG headers, cut at any length, go through inspection without a read
// past the sample (the sanitizers watch) and leave the records within their value ranges.
TEST_F(NotifierTest, MutatedSamplesAreInspectedSafely) {
    std::mt19937 random(20261208);
    Payload dvBase = DvFrame(true, true);
    SetRecording(dvBase, 0, 8, 12, 26, 10, 20, 30);
    SetTimecode(dvBase, 0, 1, 2, 3, 4);
    SetDvAudio(dvBase, 0, 0);
    Payload mpegBase = MpegHeader(720, 576, 2, 3);

    struct Subject {
        MediaType type;
        bool native, audio;
        const Payload* base;
    };
    const Subject subjects[] = {{DvInfoType(), true, true, &dvBase},
                                {DvVideoInfoType(576), true, false, &dvBase},
                                {Mpeg2Type(4, 3), true, false, &mpegBase}};
    // A fixed number of rounds (the generator is seeded), so a slow machine tests as much.
    long inspected = 0;
    for (int round = 0; round < 9; ++round) {
        const Subject& s = subjects[round % 3];
        auto n = NewNotifier(s.native, false, s.audio);
        auto source = make<ByteSource>(s.type, std::vector<Payload>{});
        auto graph = make<FilterGraph>();
        graph->AddFilter(source.get(), "source");
        graph->AddFilter(n.get(), "notifier");
        ASSERT_EQ(graph->ConnectDirect(source->pin(), n->input(), nullptr), S_OK);
        ASSERT_EQ(n->StartStreaming(), S_OK);
        for (int i = 0; i < 200; ++i, ++inspected) {
            Payload bytes = *s.base;
            for (int k = std::uniform_int_distribution<int>(0, 40)(random); k > 0; --k) {
                size_t at = std::uniform_int_distribution<size_t>(0, bytes.size() - 1)(random);
                bytes[at] = uint8_t(random());
            }
            bytes.resize(std::uniform_int_distribution<size_t>(0, bytes.size())(random));
            // A sample owning exactly these bytes, so any read beyond them is caught.
            auto sample = make<MediaSample>(long(bytes.size()));
            std::copy(bytes.begin(), bytes.end(), sample->GetPointer());
            sample->SetActualDataLength(long(bytes.size()));
            ASSERT_EQ(n->Transform(sample.get()), S_OK);
        }
        const TvData& tv = SharedTvData();
        EXPECT_LE(tv.Aspect, kAspectUnknown);
        EXPECT_LE(tv.TvStandard, kTvStandardUnknown);
        if (tv.RecDateValid) {
            EXPECT_TRUE(DecodeDayCount(tv.RecDateTime).has_value());
        }
        graph->RemoveFilter(n.get());
        target->clear();
    }
    EXPECT_EQ(inspected, 9 * 200);
}

} // namespace
} // namespace sp
