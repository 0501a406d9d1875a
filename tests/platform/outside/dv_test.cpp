#include "platform/outside/dv_audio.h"

#include "media_files.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
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
        if (audio) EXPECT_EQ(audio->samples.size(), size_t(2 * audio->format.sampleCount));
    }
}

} // namespace
} // namespace sp::outside
