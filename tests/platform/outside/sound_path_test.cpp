// The sound through real graphs: splitter audio pin → audio decoder (inserted by intelligent
// connection) → a recording renderer, beside the picture path. The sound delivered after a
// seek is compared with the ffmpeg command line's decoding of the same stream at the same time,
// so a shifted time, a lost or doubled buffer, or sound from before the position played late
// all show up.

#include "platform/graph/filter_graph.h"
#include "platform/graph/guids.h"
#include "platform/outside/outside_registration.h"

#include "media_files.h"
#include "support/ffmpeg_reference.h"
#include "support/graph_state.h"
#include "support/sample_recorder.h"
#include "support/test_filters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <utility>

namespace sp::outside {
namespace {

using namespace mf;
using testing::mediaPath;

struct Pcm {
    int rate = 0;
    int channels = 0;
};

Pcm pcmOf(const MediaType& type) {
    auto wfx = type.formatAs<WAVEFORMATEX>();
    return wfx ? Pcm{int(wfx->nSamplesPerSec), int(wfx->nChannels)} : Pcm{};
}

// A file rendered into a picture recorder and a sound recorder, run without a clock.
class SoundPath {
public:
    explicit SoundPath(const std::string& path)
        : pictures_(make<sptest::SampleRecorder>(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, false)),
          sound_(make<sptest::SampleRecorder>(MEDIATYPE_Audio, MEDIASUBTYPE_PCM)) {
        graph_->AddFilter(pictures_.get(), "pictures");
        graph_->AddFilter(sound_.get(), "sound");
        rendered_ = graph_->RenderFile(path);
        graph_->SetSyncSource(nullptr);
    }
    ~SoundPath() { graph_->Stop(); }

    HRESULT rendered() const { return rendered_; }
    Pcm format() { return pcmOf(sound_->connectedType()); }

    // A paused seek to `position`, then a run to the end of both streams.
    bool seekAndPlay(REFERENCE_TIME position) {
        if (FAILED(graph_->Pause()) || !settle()) return false;
        if (FAILED(graph_->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, 0)))
            return false;
        if (!settle()) return false;
        pictures_->clear();
        sound_->clear();
        if (FAILED(graph_->Run())) return false;
        const bool completed = waitForCompletion();
        graph_->Pause();
        return completed;
    }
    std::vector<sptest::RecordedSample> sound() { return sound_->samples(); }
    std::vector<sptest::RecordedSample> pictures() { return pictures_->samples(); }

private:
    bool settle() { return sptest::settleGraph(*graph_) == S_OK; }
    bool waitForCompletion() {
        long code = 0;
        intptr_t p1, p2;
        while (graph_->GetEvent(&code, &p1, &p2, 30000) == S_OK)
            if (code == EC_COMPLETE) return true;
        return false;
    }

    ComPtr<FilterGraph> graph_ = make<FilterGraph>();
    ComPtr<sptest::SampleRecorder> pictures_, sound_;
    HRESULT rendered_ = E_FAIL;
};

// 100 ns units of `frames` sample frames at `rate`.
REFERENCE_TIME hnsOf(int64_t frames, int rate) {
    return REFERENCE_TIME(frames * 10000000 / rate);
}

// Containers that store times in milliseconds (Matroska) put sound buffers up to 1 ms off
// the continuous stream; players take that as it comes.
constexpr REFERENCE_TIME kTimeJitter = 10000;

// The offset (sample frames, within ±2 ms) at which `ours` best matches the reference around
// frame `at`, and the difference there.
std::pair<int64_t, double> bestMatch(const sptest::PcmReference& reference, int64_t at,
                                     const int16_t* ours, int64_t count, int channels) {
    const int64_t window = reference.sampleRate / 500;
    std::pair<int64_t, double> best{0, std::numeric_limits<double>::infinity()};
    for (int64_t d = -window; d <= window; ++d) {
        const double difference = sptest::pcmDifference(reference, at + d, ours, count, channels);
        if (difference < best.second) best = {d, difference};
    }
    return best;
}

// Checks the sound after a seek to `position`: it starts within one buffer of the position
// (no more than one buffer of earlier sound, no gap), at the time ffmpeg plays that sound, and
// runs on to the end without a gap, an overlap or a lost or doubled buffer.
void expectSoundFrom(SoundPath& play, const sptest::PcmReference& reference,
                     REFERENCE_TIME position) {
    const Pcm pcm = play.format();
    ASSERT_EQ(pcm.rate, reference.sampleRate);
    ASSERT_EQ(pcm.channels, reference.channels);
    const auto sound = play.sound();
    ASSERT_GT(sound.size(), 3u);
    const long blockAlign = 2 * pcm.channels;
    const REFERENCE_TIME oneFrame = hnsOf(1, pcm.rate) + 1;
    const auto& first = sound.front();
    const REFERENCE_TIME firstLength = hnsOf(first.length / blockAlign, pcm.rate);
    ASSERT_TRUE(first.timed);
    EXPECT_EQ(first.segmentStart, position);
    EXPECT_GE(first.start, -firstLength - kTimeJitter) << "more than a buffer before";
    // Sound from the position on, or from where ffmpeg's sound starts when that is later.
    EXPECT_LE(first.start,
              std::max<REFERENCE_TIME>(0, reference.startHns - position) + kTimeJitter + oneFrame)
        << "a gap after the position";

    // The second buffer holds the sound ffmpeg plays at its time. (Not the first: codecs with
    // overlapping transforms, AC-3 and AAC, rebuild the first block after a seek without the
    // block before it.)
    const auto& second = sound[1];
    const int64_t firstFrames = first.length / blockAlign;
    const int64_t at = reference.frameAt(position + first.start);
    const auto [offset, difference] = bestMatch(
        reference, at + firstFrames, reinterpret_cast<const int16_t*>(second.bytes.data()),
        second.length / blockAlign, pcm.channels);
    EXPECT_LE(difference, 64.0) << "the second buffer is not the sound near its time";
    EXPECT_LE(std::abs(offset), pcm.rate * kTimeJitter / 10000000 + 1)
        << "the sound plays " << offset << " sample frames off its time";

    // Then every buffer follows on, in time and in sound.
    int64_t delivered = 0;
    for (size_t i = 0; i < sound.size(); ++i) {
        const auto& s = sound[i];
        SCOPED_TRACE("sound sample " + std::to_string(i));
        ASSERT_TRUE(s.timed);
        ASSERT_EQ(s.length % blockAlign, 0);
        const int64_t frames = s.length / blockAlign;
        EXPECT_NEAR(double(s.start), double(first.start + hnsOf(delivered, pcm.rate)),
                    double(kTimeJitter + oneFrame));
        EXPECT_NEAR(double(s.stop - s.start), double(hnsOf(frames, pcm.rate)),
                    double(kTimeJitter + oneFrame));
        const int64_t from = at + offset + delivered;
        const int64_t count = std::min(frames, reference.frames() - from);
        delivered += frames;
        if (i == 0 || count <= 0) continue; // past ffmpeg's last sample: padding at the end
        EXPECT_LE(sptest::pcmDifference(reference, from,
                                        reinterpret_cast<const int16_t*>(s.bytes.data()), count,
                                        pcm.channels),
                  64.0)
            << "the sound does not follow on from the previous buffer";
    }
    // Everything from the first buffer to the end of the stream, nothing twice.
    EXPECT_NEAR(double(delivered), double(reference.frames() - at - offset), pcm.rate * 0.03);
}

struct SoundCase {
    const char* file;
    REFERENCE_TIME first, second; // two seeks, the second flushing the first's streams
};

class SoundThroughGraphs : public ::testing::TestWithParam<SoundCase> {
protected:
    static void SetUpTestSuite() { registerOutsideFilters(); }
};

TEST_P(SoundThroughGraphs, SoundAfterASeekIsContinuousAndMatchesFfmpegAtItsTimes) {
    const std::string file = GetParam().file;
    const std::string path = mediaPath(file);
    const auto reference = sptest::ffmpegAudio(path);
    ASSERT_GT(reference.frames(), 0);
    SoundPath play(path);
    ASSERT_EQ(play.rendered(), S_OK);
    for (REFERENCE_TIME position : {GetParam().first, GetParam().second, REFERENCE_TIME(0)}) {
        SCOPED_TRACE("seek to " + std::to_string(position));
        ASSERT_TRUE(play.seekAndPlay(position));
        expectSoundFrom(play, reference, position);
        // The picture path ran beside it from the same position.
        const auto pictures = play.pictures();
        ASSERT_FALSE(pictures.empty());
        EXPECT_EQ(pictures.front().segmentStart, position);
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, SoundThroughGraphs,
                         ::testing::Values(SoundCase{"avi_mjpeg.avi", 15000000, 5200000},
                                           SoundCase{"mpeg1.mpg", 21234567, 8000000},
                                           SoundCase{"mpeg2.ts", 17000000, 26000000},
                                           SoundCase{"h264.mp4", 23000000, 10100000},
                                           SoundCase{"h264.mkv", 12345678, 30000000},
                                           SoundCase{"dvd.vob", 20000000, 6000000},
                                           SoundCase{"wmv8.wmv", 14000000, 25000000},
                                           SoundCase{"avi_dv_type2.avi", 10000000, 3000000},
                                           SoundCase{"mpeg2_2997.ts", 17000000, 9000000},
                                           SoundCase{"h264_2997.mp4", 20000000, 13346667},
                                           SoundCase{"mxf_mpeg2.mxf", 12000000, 4000000},
                                           SoundCase{"ogv_theora.ogv", 13000000, 9000000},
                                           SoundCase{"webm_vp9.webm", 11000000, 7000000},
                                           SoundCase{"flv_h263.flv", 12000000, 5000000}),
                         [](const auto& info) {
                             std::string name = info.param.file;
                             std::replace_if(
                                 name.begin(), name.end(), [](char c) { return !std::isalnum(c); },
                                 '_');
                             return name;
                         });

// Two renderers whose streams end at different times: the graph completes once, after the
// later one has rendered its last sample.
TEST(SoundThroughGraphs, TwoStreamsEndingApartCompleteOnceAfterTheLater) {
    using sptest::TimedSource;
    constexpr REFERENCE_TIME kFrame = 400000;
    auto graph = make<FilterGraph>();
    auto shortSource = make<TimedSource>(sptest::testCompressedType(8, 8, kFrame), 5, kFrame);
    auto longSource = make<TimedSource>(sptest::testCompressedType(8, 8, kFrame), 15, kFrame);
    MediaType any;
    any.majortype = MEDIATYPE_Video;
    auto shortSink = make<sptest::TestSink>(any), longSink = make<sptest::TestSink>(any);
    graph->AddFilter(shortSource.get(), "short");
    graph->AddFilter(longSource.get(), "long");
    graph->AddFilter(shortSink.get(), "short sink");
    graph->AddFilter(longSink.get(), "long sink");
    ASSERT_EQ(graph->ConnectDirect(shortSource->pin(), shortSink->input(), nullptr), S_OK);
    ASSERT_EQ(graph->ConnectDirect(longSource->pin(), longSink->input(), nullptr), S_OK);
    for (int run = 0; run < 2; ++run) { // the second run after a seek back to the start
        SCOPED_TRACE(run);
        ASSERT_EQ(graph->Run(), S_OK);
        long code = 0;
        intptr_t p1, p2;
        int completions = 0;
        size_t longRenderedAtCompletion = 0, shortRenderedAtCompletion = 0;
        while (graph->GetEvent(&code, &p1, &p2, completions ? 800 : 10000) == S_OK)
            if (code == EC_COMPLETE && ++completions == 1) {
                longRenderedAtCompletion = longSink->rendered().size();
                shortRenderedAtCompletion = shortSink->rendered().size();
            }
        EXPECT_EQ(completions, 1);
        EXPECT_EQ(shortRenderedAtCompletion, 5u);
        EXPECT_EQ(longRenderedAtCompletion, 15u) << "completed before the longer stream ended";
        graph->Stop();
        shortSink->clear();
        longSink->clear();
        REFERENCE_TIME start = 0;
        graph->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, 0);
    }
}

} // namespace
} // namespace sp::outside
