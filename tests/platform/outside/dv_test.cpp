#include "platform/outside/dv_audio.h"

#include "media_files.h"
#include "platform/graph/filter_graph.h"
#include "platform/graph/filter_mapper.h"
#include "platform/graph/guids.h"
#include "platform/outside/demuxer.h"
#include "platform/outside/dv_decoder_filter.h"
#include "platform/outside/dv_registration.h"
#include "platform/outside/dv_splitter_filter.h"
#include "platform/outside/media_types_av.h"
#include "platform/outside/outside_registration.h"
#include "support/dv_frame_source.h"
#include "support/graph_state.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace sp::outside {
namespace {

using testing::mediaPath;
using Bytes = std::vector<uint8_t>;

// What libavformat's own DV demuxer reads from a raw DV file: every frame, and for each frame
// the samples of its first audio stream (channels 1 and 2), empty when it gave none.
struct FfmpegDv {
    std::vector<Bytes> frames;
    std::vector<std::vector<int16_t>> audio;
};

FfmpegDv readWithFfmpeg(const std::string& path) {
    FfmpegDv out;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), av_find_input_format("dv"), nullptr) < 0) {
        ADD_FAILURE() << "libavformat cannot open " << path;
        return out;
    }
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> ctx(
        raw, [](AVFormatContext* c) { avformat_close_input(&c); });
    std::unique_ptr<AVPacket, void (*)(AVPacket*)> pkt(av_packet_alloc(),
                                                       [](AVPacket* p) { av_packet_free(&p); });
    // Audio streams appear as the frames announce them; the first one made is channels 1/2.
    int firstAudio = -1;
    while (av_read_frame(ctx.get(), pkt.get()) >= 0) {
        const AVCodecParameters& par = *ctx->streams[pkt->stream_index]->codecpar;
        if (par.codec_type == AVMEDIA_TYPE_VIDEO) {
            out.frames.emplace_back(pkt->data, pkt->data + pkt->size);
            out.audio.emplace_back();
        } else if (par.codec_type == AVMEDIA_TYPE_AUDIO && !out.frames.empty()) {
            if (firstAudio < 0) firstAudio = pkt->stream_index;
            if (pkt->stream_index == firstAudio) {
                auto* s = reinterpret_cast<const int16_t*>(pkt->data);
                out.audio.back().assign(s, s + pkt->size / 2);
            }
        }
        av_packet_unref(pkt.get());
    }
    return out;
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "dvtestXXXXXX").string();
        if (char* made = mkdtemp(pattern.data())) path_ = made;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// 525/60 DV with 48 kHz audio whose channels differ (a channel swap would show).
std::string makeNtscDv(const TempDir& dir) {
    const std::string path = dir.file("ntsc.dv");
    const std::string command =
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=s=720x480:r=30000/1001:d=0.4 "
        "-f lavfi -i 'aevalsrc=0.6*sin(2*PI*300*t)|0.3*sin(2*PI*1100*t):s=48000:d=0.4' "
        "-c:v dvvideo -pix_fmt yuv411p -c:a pcm_s16le -f dv '" +
        path + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return path;
}

// Rewrites the AAUX source pack of every frame (sequence 0, audio block 3, where every reader
// looks) to announce another rate code, quantisation code and sample count.
std::string patchAudioPack(const TempDir& dir, const std::string& source, size_t frameBytes,
                           int rateCode, int quantCode, int afSize) {
    Bytes bytes = readFile(source);
    for (size_t f = 0; f + frameBytes <= bytes.size(); f += frameBytes) {
        uint8_t* pack = &bytes[f + 4323];
        EXPECT_EQ(pack[0], 0x50);
        pack[1] = uint8_t((pack[1] & 0xC0) | afSize);
        pack[4] = uint8_t((pack[4] & 0xC0) | rateCode << 3 | quantCode);
    }
    const std::string path =
        dir.file("patched_" + std::to_string(rateCode) + std::to_string(quantCode) + ".dv");
    writeFile(path, bytes);
    return path;
}

// Every frame's extraction equals libavformat's audio for it; returns the frames compared.
size_t expectSameAudioAsFfmpeg(const std::string& path, int rate, int bits) {
    const FfmpegDv reference = readWithFfmpeg(path);
    EXPECT_FALSE(reference.frames.empty());
    for (size_t i = 0; i < reference.frames.size(); ++i) {
        auto audio = extractDvAudio(reference.frames[i]);
        EXPECT_TRUE(audio) << "frame " << i;
        if (!audio) continue;
        EXPECT_EQ(audio->format.sampleRate, rate);
        EXPECT_EQ(audio->format.bits, bits);
        EXPECT_EQ(audio->samples.size(), size_t(2 * audio->format.sampleCount));
        EXPECT_TRUE(audio->samples == reference.audio[i]) << "frame " << i;
    }
    return reference.frames.size();
}

TEST(DvAudio, EqualsFfmpegOnRawPalFile) {
    const std::string path = mediaPath("raw.dv");
    EXPECT_EQ(expectSameAudioAsFfmpeg(path, 48000, 16), 50u);
    auto audio = extractDvAudio(readWithFfmpeg(path).frames.front());
    ASSERT_TRUE(audio);
    EXPECT_EQ(audio->format.sampleCount, 1920); // 48000 / 25
    EXPECT_EQ(dvFrameSystem(readWithFfmpeg(path).frames.front()), DvSystem::Lines625);
}

TEST(DvAudio, EqualsFfmpegOnNtscFile) {
    TempDir dir;
    const std::string path = makeNtscDv(dir);
    EXPECT_GE(expectSameAudioAsFfmpeg(path, 48000, 16), 10u);
    const FfmpegDv reference = readWithFfmpeg(path);
    ASSERT_FALSE(reference.frames.empty());
    EXPECT_EQ(dvFrameSystem(reference.frames[0]), DvSystem::Lines525);
    // 1601.6 samples per frame on average: the counts alternate around it.
    auto count = extractDvAudio(reference.frames[1])->format.sampleCount;
    EXPECT_TRUE(count == 1600 || count == 1602) << count;
}

// Other rates and the 12-bit nonlinear layout, announced in the packs of real frames: the
// samples are then read from other places and widened, exactly as libavformat does.
TEST(DvAudio, EqualsFfmpegForOtherRatesAndTwelveBits) {
    TempDir dir;
    const std::string pal = mediaPath("raw.dv");
    expectSameAudioAsFfmpeg(patchAudioPack(dir, pal, kDvFrameBytes625, 1, 0, 20), 44100, 16);
    expectSameAudioAsFfmpeg(patchAudioPack(dir, pal, kDvFrameBytes625, 2, 0, 7), 32000, 16);
    expectSameAudioAsFfmpeg(patchAudioPack(dir, pal, kDvFrameBytes625, 2, 1, 32), 32000, 12);
    const std::string ntsc = makeNtscDv(dir);
    expectSameAudioAsFfmpeg(patchAudioPack(dir, ntsc, kDvFrameBytes525, 2, 1, 27), 32000, 12);
    expectSameAudioAsFfmpeg(patchAudioPack(dir, ntsc, kDvFrameBytes525, 1, 0, 37), 44100, 16);
}

TEST(DvAudio, ShortOrDamagedFramesGiveNoAudio) {
    const Bytes frame = readWithFfmpeg(mediaPath("raw.dv")).frames.at(0);
    ASSERT_TRUE(extractDvAudio(frame));
    auto without = [&](auto change) {
        Bytes f = frame;
        change(f);
        return !extractDvAudio(f) && !dvAudioFormat(f);
    };
    EXPECT_TRUE(without([](Bytes& f) { f.resize(f.size() - 1); }));
    EXPECT_TRUE(without([](Bytes& f) { f.resize(kDvFrameBytes525); })); // 625/50 header
    EXPECT_TRUE(without([](Bytes& f) { f.clear(); }));
    EXPECT_TRUE(without([](Bytes& f) { f[0] = 0x3F; })); // not a header block
    EXPECT_TRUE(without([](Bytes& f) {                   // no AAUX source pack anywhere
        for (size_t s = 0; s < 12; ++s)
            for (size_t b = 0; b < 9; ++b)
                f[s * 12000 + (6 + 16 * b) * 80 + 3] = 0xFF;
    }));
    EXPECT_TRUE(without([](Bytes& f) { f[4327] = uint8_t((f[4327] & 0xF8) | 2); }));      // quant
    EXPECT_TRUE(without([](Bytes& f) { f[4327] = uint8_t((f[4327] & 0xC7) | 3 << 3); })); // rate
    // 12-bit samples at 48 kHz do not fit in a frame.
    EXPECT_TRUE(without([](Bytes& f) { f[4327] = uint8_t((f[4327] & 0xC0) | 1); }));
    EXPECT_TRUE(without([](Bytes& f) { f[4324] = uint8_t(f[4324] | 0x3F); })); // 1959 > 1944

    // A pack lost at the usual place is found in another audio block.
    Bytes moved = frame;
    moved[4323] = 0xFF;
    auto audio = extractDvAudio(moved);
    ASSERT_TRUE(audio);
    EXPECT_EQ(audio->samples, extractDvAudio(frame)->samples);
}

// Random bytes and random lengths around the frame sizes, under the sanitizers: no read past
// the end, whatever the packs claim.
TEST(DvAudio, RandomDamageNeverReadsOutside) {
    const Bytes frame = readWithFfmpeg(mediaPath("raw.dv")).frames.at(0);
    std::mt19937 rng(20261208);
    for (int round = 0; round < 200; ++round) {
        Bytes f = frame;
        for (int k = 0; k < 400; ++k)
            f[rng() % f.size()] = uint8_t(rng());
        f[3] = uint8_t(rng() & 1 ? 0x3F : 0xBF);
        f[0] = 0x1F;
        f[4323] = 0x50;
        f.resize(rng() % 3 == 0 ? rng() % (f.size() + 1) : f.size());
        // The heap copy has exactly f.size() bytes, so any overrun is reported.
        auto exact = std::make_unique<uint8_t[]>(f.size());
        std::copy(f.begin(), f.end(), exact.get());
        auto audio = extractDvAudio(std::span<const uint8_t>(exact.get(), f.size()));
        if (audio) {
            EXPECT_EQ(audio->samples.size(), size_t(2 * audio->format.sampleCount));
        }
    }
}

// Filters ----------------------------------------------------------------------------------

using namespace mf;
using sptest::CopiedSample;
using sptest::CopyingSink;
using sptest::FrameListSource;

// Decodes DV frames with libavcodec and converts them to top-down B, G, R, X bytes: the
// reference the decoder filter's bottom-up pictures are compared with.
class ReferenceDecoder {
public:
    ReferenceDecoder() : codec_(avcodec_alloc_context3(avcodec_find_decoder(AV_CODEC_ID_DVVIDEO))) {
        codec_->thread_count = 1;
        EXPECT_EQ(avcodec_open2(codec_, codec_->codec, nullptr), 0);
    }
    ~ReferenceDecoder() {
        sws_freeContext(scaler_);
        av_frame_free(&frame_);
        avcodec_free_context(&codec_);
    }
    Bytes decode(const Bytes& dv) {
        AVPacket* pkt = av_packet_alloc();
        av_new_packet(pkt, int(dv.size()));
        std::copy(dv.begin(), dv.end(), pkt->data);
        EXPECT_EQ(avcodec_send_packet(codec_, pkt), 0);
        av_packet_free(&pkt);
        if (avcodec_receive_frame(codec_, frame_) != 0) return {};
        const int w = frame_->width, h = frame_->height;
        scaler_ = sws_getCachedContext(scaler_, w, h, AVPixelFormat(frame_->format), w, h,
                                       AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
        Bytes rgb(size_t(w) * size_t(h) * 4);
        uint8_t* planes[4] = {rgb.data(), nullptr, nullptr, nullptr};
        int strides[4] = {w * 4, 0, 0, 0};
        sws_scale(scaler_, frame_->data, frame_->linesize, 0, h, planes, strides);
        return rgb;
    }

private:
    AVCodecContext* codec_;
    AVFrame* frame_ = av_frame_alloc();
    SwsContext* scaler_ = nullptr;
};

// Largest per-channel difference between a bottom-up picture and a top-down reference.
int largestDifference(const Bytes& bottomUp, const Bytes& topDown, int width, int height) {
    if (bottomUp.size() != topDown.size()) return 256;
    int worst = 0;
    const size_t stride = size_t(width) * 4;
    for (int y = 0; y < height; ++y) {
        const uint8_t* a = &bottomUp[size_t(height - 1 - y) * stride];
        const uint8_t* b = &topDown[size_t(y) * stride];
        for (size_t x = 0; x < stride; ++x)
            if (x % 4 != 3) worst = std::max(worst, std::abs(a[x] - b[x]));
    }
    return worst;
}

MediaType pattern(const GUID& major, const GUID& sub) {
    MediaType mt;
    mt.majortype = major;
    mt.subtype = sub;
    return mt;
}

// Raw DV frames → DV splitter → (DV decoder → RGB32 sink) and (PCM sink), in a real graph.
struct DvChain {
    ComPtr<FilterGraph> graph = make<FilterGraph>();
    ComPtr<FrameListSource> source;
    ComPtr<DvSplitterFilter> splitter = make<DvSplitterFilter>();
    ComPtr<DvDecoderFilter> decoder = make<DvDecoderFilter>();
    ComPtr<CopyingSink> videoSink = make<CopyingSink>(pattern(MEDIATYPE_Video, MEDIASUBTYPE_RGB32));
    ComPtr<CopyingSink> audioSink = make<CopyingSink>(pattern(MEDIATYPE_Audio, MEDIASUBTYPE_PCM));

    explicit DvChain(std::vector<Bytes> frames, REFERENCE_TIME frameHns = kDvFrameHns625,
                     std::optional<MediaType> type = std::nullopt) {
        if (!type) type = interleavedDvType(frames.at(0));
        source = make<FrameListSource>(*type, std::move(frames), frameHns);
        for (auto [filter, name] : std::initializer_list<std::pair<IBaseFilter*, const char*>>{
                 {source.get(), "source"},
                 {splitter.get(), "DV Splitter"},
                 {decoder.get(), "DV Video Decoder"},
                 {videoSink.get(), "video"},
                 {audioSink.get(), "audio"}})
            graph->AddFilter(filter, name);
        graph->SetSyncSource(nullptr); // as fast as the frames come
    }
    HRESULT connectInput() {
        return graph->ConnectDirect(source->pin(), splitter->input(), nullptr);
    }
    HRESULT connectVideo() {
        HRESULT hr = graph->ConnectDirect(splitter->videoOutput(), decoder->input(), nullptr);
        return SUCCEEDED(hr) ? graph->ConnectDirect(decoder->output(), videoSink->input(), nullptr)
                             : hr;
    }
    HRESULT connectAudio() {
        return graph->ConnectDirect(splitter->audioOutput(), audioSink->input(), nullptr);
    }
    void runToEnd() {
        ASSERT_EQ(graph->Run(), S_OK);
        long code = 0;
        intptr_t p1, p2;
        bool complete = false;
        while (!complete && graph->GetEvent(&code, &p1, &p2, 20000) == S_OK)
            complete = code == EC_COMPLETE;
        EXPECT_TRUE(complete);
        graph->Stop();
    }
};

std::vector<Bytes> palFrames() {
    return readWithFfmpeg(mediaPath("raw.dv")).frames;
}

MediaType connectionType(IPin* pin) {
    MediaType mt;
    pin->ConnectionMediaType(&mt);
    return mt;
}

TEST(DvSplitter, OutputTypesFollowTheInputsDvInfo) {
    DvChain chain(palFrames());
    MediaType offered;
    EXPECT_EQ(chain.splitter->videoOutput()->GetMediaType(0, &offered), VFW_S_NO_MORE_ITEMS);
    EXPECT_NE(chain.connectAudio(), S_OK); // nothing to offer before the input is connected
    ASSERT_EQ(chain.connectInput(), S_OK);

    ASSERT_EQ(chain.splitter->videoOutput()->GetMediaType(0, &offered), S_OK);
    EXPECT_EQ(offered.majortype, MEDIATYPE_Video);
    EXPECT_EQ(offered.subtype, MEDIASUBTYPE_dvsd);
    ASSERT_EQ(offered.formattype, FORMAT_VideoInfo);
    const VIDEOINFOHEADER vih = *offered.formatAs<VIDEOINFOHEADER>();
    EXPECT_EQ(vih.bmiHeader.biWidth, 720);
    EXPECT_EQ(vih.bmiHeader.biHeight, 576);
    EXPECT_EQ(vih.AvgTimePerFrame, 400000);
    EXPECT_EQ(vih.bmiHeader.biCompression, makeFourCC('d', 'v', 's', 'd'));
    EXPECT_EQ(vih.bmiHeader.biSizeImage, 144000u);

    ASSERT_EQ(chain.splitter->audioOutput()->GetMediaType(0, &offered), S_OK);
    EXPECT_EQ(offered, makePcmType(48000, 2, 16));

    // The 50/60 flag of the VAUX (else AAUX) source pack decides the system; the AAUX source
    // pack the rate; without packs, 625/50 at 48 kHz.
    TempDir dir;
    const FfmpegDv ntsc = readWithFfmpeg(makeNtscDv(dir));
    DVINFO info = dvInfoFromFrame(ntsc.frames.at(0));
    EXPECT_EQ(dvStreamFormatFromInfo(info), (DvStreamFormat{DvSystem::Lines525, 48000}));
    info.dwDVVAuxSrc = 0;
    info.dwDVAAuxSrc |= 2u << 27; // 32 kHz
    EXPECT_EQ(dvStreamFormatFromInfo(info), (DvStreamFormat{DvSystem::Lines525, 32000}));
    EXPECT_EQ(dvStreamFormatFromInfo(DVINFO{}), (DvStreamFormat{DvSystem::Lines625, 48000}));
    const MediaType ntscVideo = dvVideoType(DvSystem::Lines525);
    EXPECT_EQ(ntscVideo.bitmapHeader()->biHeight, 480);
    EXPECT_EQ(ntscVideo.formatAs<VIDEOINFOHEADER>()->AvgTimePerFrame, 333667);
    EXPECT_EQ(ntscVideo.bitmapHeader()->biSizeImage, 120000u);
}

// Runs every frame through splitter, decoder and sinks; the pictures must match libavcodec's
// and the audio the extraction, each with its frame's times.
void expectChainDeliversEveryFrame(const std::vector<Bytes>& frames, DvSystem system) {
    const REFERENCE_TIME frameHns = dvFrameHns(system);
    const int height = system == DvSystem::Lines625 ? 576 : 480;
    DvChain chain(frames, frameHns);
    ASSERT_EQ(chain.connectInput(), S_OK);
    ASSERT_EQ(chain.connectVideo(), S_OK);
    ASSERT_EQ(chain.connectAudio(), S_OK);
    EXPECT_EQ(connectionType(chain.videoSink->input()), makeRgb32Type(720, height, frameHns));
    chain.runToEnd();

    const std::vector<CopiedSample> pictures = chain.videoSink->samples();
    const std::vector<CopiedSample> sound = chain.audioSink->samples();
    ASSERT_EQ(pictures.size(), frames.size());
    ASSERT_EQ(sound.size(), frames.size());
    ReferenceDecoder reference;
    for (size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        const REFERENCE_TIME start = REFERENCE_TIME(i) * frameHns;
        EXPECT_TRUE(pictures[i].timed && pictures[i].start == start &&
                    pictures[i].stop == start + frameHns);
        EXPECT_TRUE(sound[i].timed && sound[i].start == start && sound[i].stop == start + frameHns);
        EXPECT_LE(largestDifference(pictures[i].data, reference.decode(frames[i]), 720, height), 2);
        const std::vector<int16_t> pcm = extractDvAudio(frames[i])->samples;
        EXPECT_EQ(sound[i].data.size(), pcm.size() * 2);
        EXPECT_EQ(std::memcmp(sound[i].data.data(), pcm.data(), sound[i].data.size()), 0);
    }
}

TEST(DvSplitter, GraphDeliversPicturesAndAudioOfEveryFrame) {
    expectChainDeliversEveryFrame(palFrames(), DvSystem::Lines625);
    TempDir dir;
    expectChainDeliversEveryFrame(readWithFfmpeg(makeNtscDv(dir)).frames, DvSystem::Lines525);
}

// The interleaved stream of a type-1 DV AVI as the demuxer describes and reads it.
TEST(DvSplitter, TakesTheDemuxersInterleavedStream) {
    std::string error;
    auto demuxer = Demuxer::openFile(mediaPath("avi_dv_type1.avi"), "avi", &error);
    ASSERT_TRUE(demuxer) << error;
    std::optional<MediaType> type;
    int stream = -1;
    for (const auto& s : demuxer->streams())
        if (s.kind == StreamKind::Interleaved) {
            type = s.mediaType;
            stream = s.index;
        }
    ASSERT_TRUE(type);
    std::vector<Bytes> frames;
    while (frames.size() < 10) {
        auto packet = demuxer->readPacket();
        if (!packet) break;
        if (packet->streamIndex == stream)
            frames.emplace_back(packet->data().begin(), packet->data().end());
    }
    ASSERT_EQ(frames.size(), 10u);

    DvChain chain(frames, kDvFrameHns625, type);
    ASSERT_EQ(chain.connectInput(), S_OK);
    ASSERT_EQ(chain.connectVideo(), S_OK);
    ASSERT_EQ(chain.connectAudio(), S_OK);
    EXPECT_EQ(connectionType(chain.audioSink->input()), makePcmType(48000, 2, 16));
    chain.runToEnd();
    EXPECT_EQ(chain.videoSink->samples().size(), 10u);
    EXPECT_EQ(chain.audioSink->samples().size(), 10u);
}

TEST(DvSplitter, UnconnectedOutputsAreSkipped) {
    {
        DvChain audioOnly(palFrames());
        ASSERT_EQ(audioOnly.connectInput(), S_OK);
        ASSERT_EQ(audioOnly.connectAudio(), S_OK);
        audioOnly.runToEnd();
        EXPECT_EQ(audioOnly.audioSink->samples().size(), 50u);
    }
    DvChain videoOnly(palFrames());
    ASSERT_EQ(videoOnly.connectInput(), S_OK);
    ASSERT_EQ(videoOnly.connectVideo(), S_OK);
    videoOnly.runToEnd();
    EXPECT_EQ(videoOnly.videoSink->samples().size(), 50u);
}

// A short frame and a frame without audio packs: no audio for them, the rest goes on.
TEST(DvSplitter, DamagedFramesLoseTheirAudioOnly) {
    std::vector<Bytes> frames = palFrames();
    frames.resize(8);
    frames[2].resize(100000);
    for (size_t s = 0; s < 12; ++s)
        for (size_t b = 0; b < 9; ++b)
            frames[5][s * 12000 + (6 + 16 * b) * 80 + 3] = 0xFF;
    DvChain chain(frames);
    ASSERT_EQ(chain.connectInput(), S_OK);
    ASSERT_EQ(chain.connectVideo(), S_OK);
    ASSERT_EQ(chain.connectAudio(), S_OK);
    chain.runToEnd();
    std::vector<REFERENCE_TIME> audioTimes;
    for (const auto& s : chain.audioSink->samples())
        audioTimes.push_back(s.start / 400000);
    EXPECT_EQ(audioTimes, (std::vector<REFERENCE_TIME>{0, 1, 3, 4, 6, 7}));
    EXPECT_GE(chain.videoSink->samples().size(), 7u); // frame 5's picture is intact
}

// Frames announcing another audio rate switch the audio connection with the first of them.
TEST(DvSplitter, AudioRateChangeTravelsWithTheSample) {
    std::vector<Bytes> frames = palFrames();
    frames.resize(6);
    for (size_t i = 3; i < frames.size(); ++i) {
        frames[i][4324] = uint8_t((frames[i][4324] & 0xC0) | 20);     // 1742 + 20
        frames[i][4327] = uint8_t((frames[i][4327] & 0xC7) | 1 << 3); // 44.1 kHz
    }
    DvChain chain(frames);
    ASSERT_EQ(chain.connectInput(), S_OK);
    ASSERT_EQ(chain.connectAudio(), S_OK);
    EXPECT_EQ(connectionType(chain.audioSink->input()), makePcmType(48000, 2, 16));
    chain.runToEnd();
    const auto sound = chain.audioSink->samples();
    ASSERT_EQ(sound.size(), 6u);
    EXPECT_EQ(sound[2].data.size(), 1920u * 4);
    EXPECT_EQ(sound[3].data.size(), 1762u * 4);
    EXPECT_EQ(connectionType(chain.audioSink->input()), makePcmType(44100, 2, 16));
    EXPECT_EQ(connectionType(chain.splitter->audioOutput()), makePcmType(44100, 2, 16));
}

// Each output delivers on its own thread: paused, both renderers hold a first sample (one
// thread for both would stay stuck behind the cued picture). A seek then flushes both streams
// and starts them again from the frame covering the new position.
TEST(DvSplitter, PausedGraphCuesBothStreamsAndSeeks) {
    const std::vector<Bytes> frames = palFrames();
    DvChain chain(frames);
    ASSERT_EQ(chain.connectInput(), S_OK);
    ASSERT_EQ(chain.connectVideo(), S_OK);
    ASSERT_EQ(chain.connectAudio(), S_OK);
    ASSERT_TRUE(SUCCEEDED(chain.graph->Pause()));
    FilterState state = FilterState::Stopped;
    EXPECT_EQ(sptest::settleGraph(*chain.graph, 500, &state), S_OK);
    EXPECT_EQ(state, FilterState::Paused);

    REFERENCE_TIME position = 20 * kDvFrameHns625;
    ASSERT_EQ(chain.graph->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr,
                                        AM_SEEKING_NoPositioning),
              S_OK);
    chain.runToEnd();
    const auto pictures = chain.videoSink->samples();
    const auto sound = chain.audioSink->samples();
    ASSERT_EQ(pictures.size(), 30u);
    ASSERT_EQ(sound.size(), 30u);
    EXPECT_EQ(pictures[0].start, 0);
    EXPECT_EQ(sound[0].start, 0);
    EXPECT_EQ(largestDifference(pictures[0].data, ReferenceDecoder().decode(frames[20]), 720, 576),
              0);
    const std::vector<int16_t> pcm = extractDvAudio(frames[20])->samples;
    ASSERT_EQ(sound[0].data.size(), pcm.size() * 2);
    EXPECT_EQ(std::memcmp(sound[0].data.data(), pcm.data(), sound[0].data.size()), 0);
    EXPECT_EQ(chain.audioSink->input()->segmentStart(), position);
    EXPECT_EQ(chain.videoSink->input()->segmentStart(), position);
}

TEST(DvRegistration, MapperFindsBothFiltersAndInsertsTheDecoder) {
    FilterMapper& mapper = FilterMapper::instance();
    const bool registeredBefore = mapper.IsRegistered(CLSID_DVSplitter);
    // The DV filters alone: the general video decoder, when an earlier test registered it,
    // would take the dvsd pictures first (see the merit order test below).
    const bool generalBefore = mapper.IsRegistered(CLSID_FfdshowVideoDecoder);
    mapper.UnregisterFilter(CLSID_LegacyAmFilterCategory, CLSID_FfdshowVideoDecoder);
    registerDvFilters();
    FilterQuery query;
    query.inputNeeded = true;
    query.inputTypes = {{MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd}};
    std::vector<ComPtr<Moniker>> found;
    ASSERT_EQ(mapper.EnumMatchingFilters(query, &found), S_OK);
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found[0]->friendlyName(), "DV Splitter");
    EXPECT_EQ(found[0]->merit(), MERIT_NORMAL);
    query.inputTypes = {{MEDIATYPE_Video, MEDIASUBTYPE_dvsd}};
    query.outputNeeded = true;
    query.outputTypes = {{MEDIATYPE_Video, MEDIASUBTYPE_RGB32}};
    ASSERT_EQ(mapper.EnumMatchingFilters(query, &found), S_OK);
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found[0]->friendlyName(), "DV Video Decoder");

    // Connecting the video pin to an RGB32 sink brings in the registered decoder.
    DvChain chain(palFrames());
    chain.graph->RemoveFilter(chain.decoder.get());
    ASSERT_EQ(chain.connectInput(), S_OK);
    EXPECT_EQ(chain.graph->Connect(chain.splitter->videoOutput(), chain.videoSink->input()), S_OK);
    ComPtr<IPin> upstream;
    ASSERT_EQ(chain.videoSink->input()->ConnectedTo(&upstream), S_OK);
    PinInfo info;
    upstream->QueryPinInfo(&info);
    GUID clsid;
    info.filter->GetClassID(&clsid);
    EXPECT_EQ(clsid, CLSID_DVVideoCodec);
    if (!registeredBefore) { // leave the register as this test found it
        mapper.UnregisterFilter(CLSID_LegacyAmFilterCategory, CLSID_DVSplitter);
        mapper.UnregisterFilter(CLSID_LegacyAmFilterCategory, CLSID_DVVideoCodec);
    }
    if (generalBefore) registerOutsideFilters();
}

// The general video decoder and the DV Video Decoder both take dvsd; the merit decides, never
// the order of registration (tests share one register per process, in any order).
TEST(DvRegistration, TheGeneralDecoderTakesDvAheadOfTheDvDecoderInAnyRegistrationOrder) {
    FilterMapper& mapper = FilterMapper::instance();
    FilterQuery query;
    query.inputNeeded = true;
    query.inputTypes = {{MEDIATYPE_Video, MEDIASUBTYPE_dvsd}};
    query.outputNeeded = true;
    query.outputTypes = {{MEDIATYPE_Video, MEDIASUBTYPE_RGB32}};
    auto names = [&] {
        std::vector<ComPtr<Moniker>> found;
        EXPECT_EQ(mapper.EnumMatchingFilters(query, &found), S_OK);
        std::vector<std::string> result;
        for (const auto& m : found)
            result.push_back(m->friendlyName());
        return result;
    };
    const std::vector<std::string> expected = {"ffdshow Video Decoder", "DV Video Decoder"};
    for (bool dvFirst : {true, false}) {
        SCOPED_TRACE(dvFirst ? "DV filters registered first" : "DV filters registered last");
        mapper.UnregisterFilter(CLSID_LegacyAmFilterCategory, CLSID_DVVideoCodec);
        mapper.UnregisterFilter(CLSID_LegacyAmFilterCategory, CLSID_FfdshowVideoDecoder);
        if (dvFirst) registerDvFilters();
        registerOutsideFilters();
        if (!dvFirst) registerDvFilters();
        EXPECT_EQ(names(), expected);
    }
    // The DV splitter alone parts interleaved DV.
    query.inputTypes = {{MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd}};
    query.outputNeeded = false;
    ASSERT_FALSE(names().empty());
    EXPECT_EQ(names().front(), "DV Splitter");
}

} // namespace
} // namespace sp::outside
