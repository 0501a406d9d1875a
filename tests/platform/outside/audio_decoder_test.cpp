#include "platform/outside/audio_decoder.h"

#include "media_files.h"
#include "platform/graph/guids.h"
#include "platform/outside/demuxer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sp::outside {
namespace {

using testing::mediaPath;

struct AudioCase {
    const char* name;
    const char* format;
    int sampleRate;
    double seconds;
};
void PrintTo(const AudioCase& c, std::ostream* os) {
    *os << c.name;
}

class EveryAudioStream : public ::testing::TestWithParam<AudioCase> {};

// Every audio stream of the file decodes to 16-bit PCM of about the file's length, holding the
// generated tone (not silence), with times that follow each other.
TEST_P(EveryAudioStream, DecodesToPcm16WithContinuousTimes) {
    const AudioCase& c = GetParam();
    std::string error;
    auto d = Demuxer::openFile(mediaPath(c.name), c.format, &error);
    ASSERT_TRUE(d) << error;
    for (const auto& s : d->streams()) {
        if (s.kind != StreamKind::Audio) continue;
        auto decoder = AudioDecoder::open(s.mediaType, &error);
        ASSERT_TRUE(decoder) << s.codecName << ": " << error;
        ASSERT_TRUE(d->seek(0));
        size_t frames = 0;
        int peak = 0, chunks = 0;
        int64_t expectedStart = kNoTimeHns;
        auto drain = [&] {
            while (auto chunk = decoder->nextChunk()) {
                ++chunks;
                EXPECT_EQ(chunk->samples.size(), chunk->frames() * size_t(chunk->channels));
                frames += chunk->frames();
                for (int16_t v : chunk->samples)
                    peak = std::max(peak, std::abs(int(v)));
                // No overlap; small gaps where a decoder keeps bytes back (DVD LPCM does).
                if (expectedStart != kNoTimeHns && chunks > 2) {
                    EXPECT_GE(chunk->startHns, expectedStart - 10'000) << s.codecName << chunks;
                    EXPECT_LE(chunk->startHns, expectedStart + 300'000) << s.codecName << chunks;
                }
                expectedStart = chunk->startHns + chunk->durationHns;
            }
        };
        while (auto p = d->readPacket()) {
            if (p->streamIndex != s.index) continue;
            decoder->sendPacket(p->data(), p->startHns);
            drain();
        }
        decoder->sendEndOfStream();
        drain();
        const auto out = decoder->outputType();
        auto wfx = out.formatAs<mf::WAVEFORMATEX>();
        ASSERT_TRUE(wfx);
        EXPECT_EQ(out.subtype, mf::MEDIASUBTYPE_PCM);
        EXPECT_EQ(wfx->wBitsPerSample, 16);
        EXPECT_EQ(int(wfx->nSamplesPerSec), c.sampleRate) << s.codecName;
        EXPECT_NEAR(double(frames) / c.sampleRate, c.seconds, 0.15) << s.codecName;
        EXPECT_GT(peak, 2000) << s.codecName << " decoded to silence";
    }
}

INSTANTIATE_TEST_SUITE_P(Media, EveryAudioStream,
                         ::testing::Values(AudioCase{"avi_mjpeg.avi", "avi", 48000, 4},
                                           AudioCase{"avi_dv_type2.avi", "avi", 48000, 2},
                                           AudioCase{"mpeg1.mpg", "mpeg", 44100, 4},
                                           AudioCase{"dvd.vob", "mpeg", 48000, 4},
                                           AudioCase{"mpeg2.ts", "mpegts", 48000, 4},
                                           AudioCase{"avchd.m2ts", "mpegts", 48000, 4},
                                           AudioCase{"wmv8.wmv", "asf", 44100, 4},
                                           AudioCase{"h264.mkv", "matroska,webm", 48000, 4},
                                           AudioCase{"audio_only.mp3", "mp3", 44100, 3}),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (auto& ch : n)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

TEST(AudioDecoder, ThreeStreamsKeepTheirOwnRates) {
    auto d = Demuxer::openFile(mediaPath("three_audio.avi"), "avi");
    ASSERT_TRUE(d);
    std::vector<int> rates;
    for (const auto& s : d->streams()) {
        if (s.kind != StreamKind::Audio) continue;
        auto decoder = AudioDecoder::open(s.mediaType);
        ASSERT_TRUE(decoder) << s.codecName;
        while (auto p = d->readPacket()) {
            if (p->streamIndex != s.index) continue;
            decoder->sendPacket(p->data(), p->startHns);
            if (auto chunk = decoder->nextChunk()) {
                rates.push_back(chunk->sampleRate);
                EXPECT_EQ(chunk->channels, 2);
                break;
            }
        }
        d->seek(0);
    }
    EXPECT_EQ(rates, (std::vector<int>{48000, 48000, 22050}));
}

TEST(AudioDecoder, FlushForgetsPendingAudioAndUnknownTypesAreRefused) {
    auto d = Demuxer::openFile(mediaPath("avi_mjpeg.avi"), "avi");
    ASSERT_TRUE(d);
    auto decoder = AudioDecoder::open(d->streams()[1].mediaType);
    ASSERT_TRUE(decoder);
    while (auto p = d->readPacket())
        if (p->streamIndex == 1) {
            decoder->sendPacket(p->data(), p->startHns);
            break;
        }
    decoder->flush();
    EXPECT_FALSE(decoder->nextChunk());
    std::string error;
    EXPECT_FALSE(AudioDecoder::open(mf::makeRgb32Type(8, 8, 0), &error));
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace sp::outside
