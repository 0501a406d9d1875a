// Seeks far from their key frame decode only the pictures others refer to until shortly before
// the target. The picture reached must still be exact, steps back from there must be exact both
// inside the cached stretch and past it (where the cache must not link across a skipped
// picture), and nothing is skipped when the stream's end is unknown.

#include "platform/outside/video_decoder.h"

#include "platform/graph/capture_builder.h"
#include "platform/graph/filter_graph.h"
#include "platform/graph/filter_mapper.h"
#include "platform/graph/guids.h"
#include "platform/graph/renderer.h"
#include "platform/outside/demuxer.h"
#include "platform/outside/file_source_filter.h"
#include "platform/outside/outside_registration.h"
#include "platform/outside/video_decoder_filter.h"

#include "media_files.h"
#include "support/graph_state.h"
#include "support/reference_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <tuple>

namespace sp::outside {
namespace {

using namespace mf;
using testing::mediaPath;

constexpr int64_t kTarget = 65'000'000; // 6.5 s: frame 162, 6.5 s after the only key frame

// Every picture of the file decoded from the start without seeking (our demuxer and decoder,
// nothing skipped), which the ffmpeg comparisons of other tests hold to ffmpeg's pictures.
struct Reference {
    std::vector<sptest::ReferenceFrame> frames;
    explicit Reference(const std::string& path) : frames(sptest::decodeAllFrames(path)) {}
    int64_t start(int i) const { return frames[size_t(i)].startHns; }
    int at(int64_t t) const { return int(sptest::frameOnScreenAt(frames, t) - frames.data()); }
    // The index of the picture `s` is, when it is clearly one (-1 otherwise).
    int indexOf(const sptest::Signature& s) const {
        int best = -1, bestDistance = 1 << 30;
        for (size_t i = 0; i < frames.size(); ++i)
            if (int d = sptest::signatureDistance(s, frames[i].signature); d < bestDistance)
                best = int(i), bestDistance = d;
        return bestDistance <= 1 ? best : -1;
    }
};

struct SkipCase {
    const char* file;
    const char* format;
};

class SeekSkipping : public ::testing::TestWithParam<SkipCase> {};

// Seeking the decoder alone: with the stream's end known, fewer pictures come out of libavcodec
// than lie between the key frame and the target, and the first delivered is the target's. With
// no cache to fill, the second before the target is skipped like the rest.
TEST_P(SeekSkipping, DecoderSkipsOnlyWithAKnownEndAndLandsOnTheTarget) {
    const std::string path = mediaPath(GetParam().file);
    const Reference reference(path);
    ASSERT_EQ(reference.frames.size(), 200u);
    const int expected = reference.at(kTarget);
    size_t decodedWithCache = 0;
    for (auto [endKnown, cached] : {std::pair{true, true}, std::pair{false, true},
                                    std::pair{true, false}, std::pair{false, false}}) {
        SCOPED_TRACE(endKnown ? "end known" : "end unknown");
        SCOPED_TRACE(cached ? "cached" : "no cache");
        std::string error;
        auto demuxer = Demuxer::openFile(path, GetParam().format, &error);
        ASSERT_TRUE(demuxer) << error;
        int stream = -1;
        std::unique_ptr<VideoDecoder> decoder;
        for (const auto& s : demuxer->streams())
            if (s.kind == StreamKind::Video) {
                stream = s.index;
                decoder = VideoDecoder::open(s.mediaType, &error);
            }
        ASSERT_TRUE(decoder) << error;
        decoder->setCacheBudget(cached ? FrameCache::kDefaultBudgetBytes : 0);
        decoder->setStreamEnd(endKnown ? demuxer->durationHns() : kNoTimeHns);
        ASSERT_TRUE(demuxer->seek(kTarget));
        decoder->flush();
        decoder->setDropBefore(kTarget);
        std::optional<VideoFrameInfo> info;
        while (!(info = decoder->nextFrame())) {
            auto packet = demuxer->readPacket();
            ASSERT_TRUE(packet);
            if (packet->streamIndex == stream)
                decoder->sendPacket(packet->data(), packet->startHns);
        }
        std::vector<uint8_t> rgb(size_t(info->width) * info->height * 4);
        ASSERT_TRUE(decoder->copyCurrentRgb32(rgb));
        EXPECT_EQ(reference.indexOf(sptest::signatureOf(rgb.data(), info->width, info->height,
                                                        info->width * 4, true)),
                  expected);
        // Skipping goes on until a frame short of the cached second: half the pictures of the
        // first 5.4 s (the B-frames no other refers to) are not decoded. Without a cache, half
        // of the second's 25 pictures are left out too.
        const size_t decoded = decoder->decodedPictures();
        if (!endKnown) {
            EXPECT_GE(decoded, size_t(expected));
        } else if (cached) {
            EXPECT_LT(decoded, size_t(expected) * 16 / 25);
            decodedWithCache = decoded;
        } else {
            EXPECT_LE(decoded + 8, decodedWithCache);
        }
        EXPECT_EQ(decoder->cache().count() > 0, cached);
    }
}

// Decodes the whole file from the start with every sample outside the grab neighbourhoods (a
// frame before and the frame at each whole second after `origin`) marked unseen; gives the
// pictures delivered and how many libavcodec decoded.
struct UnseenRun {
    std::vector<std::pair<int64_t, sptest::Signature>> delivered;
    size_t decoded = 0;
};
void decodeWithGrabsEverySecond(const std::string& path, const char* format, int64_t origin,
                                UnseenRun& run) {
    std::string error;
    auto demuxer = Demuxer::openFile(path, format, &error);
    ASSERT_TRUE(demuxer) << error;
    int stream = -1;
    std::unique_ptr<VideoDecoder> decoder;
    for (const auto& s : demuxer->streams())
        if (s.kind == StreamKind::Video && !decoder) {
            stream = s.index;
            decoder = VideoDecoder::open(s.mediaType, &error);
        }
    ASSERT_TRUE(decoder) << error;
    decoder->setStreamEnd(demuxer->durationHns());
    constexpr int64_t kFrame = 400'000, kSecond = 10'000'000;
    auto take = [&] {
        while (auto info = decoder->nextFrame()) {
            std::vector<uint8_t> rgb(size_t(info->width) * info->height * 4);
            ASSERT_TRUE(decoder->copyCurrentRgb32(rgb));
            run.delivered.emplace_back(
                info->startHns,
                sptest::signatureOf(rgb.data(), info->width, info->height, info->width * 4, true));
        }
    };
    while (auto packet = demuxer->readPacket()) {
        if (packet->streamIndex != stream) continue;
        const int64_t t = packet->startHns;
        const int64_t sinceGrab =
            t == kNoTimeHns ? 0 : (t - origin + kFrame + kFrame / 2) % kSecond;
        decoder->sendPacket(packet->data(), t, sinceGrab > 2 * kFrame);
        ASSERT_NO_FATAL_FAILURE(take());
    }
    decoder->sendEndOfStream();
    ASSERT_NO_FATAL_FAILURE(take());
    run.decoded = decoder->decodedPictures();
}

// A precision run's decoder told which samples nobody will see: with B-frames timed as they
// are shown, about half the pictures (those no other refers to) are not decoded, yet each
// grab's picture, every picture delivered and the last one are exact. Times that only grow
// (AVI's decoding times) do not say which picture a sample is: nothing is left out there.
TEST(UnseenSkipping, OnlyPicturesNoGrabNeedsAreLeftOutAndTheRestStayExact) {
    for (auto [file, format, skips] : {std::tuple{"long_gop.mkv", "matroska,webm", true},
                                       std::tuple{"late_video.ts", "mpegts", true},
                                       std::tuple{"h264_bframes.avi", "avi", false}}) {
        SCOPED_TRACE(file);
        const Reference reference(mediaPath(file));
        UnseenRun run;
        ASSERT_NO_FATAL_FAILURE(
            decodeWithGrabsEverySecond(mediaPath(file), format, reference.start(0), run));
        const size_t frames = reference.frames.size();
        if (skips)
            EXPECT_LT(run.decoded, frames * 3 / 4);
        else
            EXPECT_EQ(run.decoded, frames);
        std::set<int> seen;
        for (const auto& [start, signature] : run.delivered) {
            const int index = reference.indexOf(signature);
            ASSERT_GE(index, 0) << "a damaged picture at " << start;
            EXPECT_EQ(reference.start(index), start);
            seen.insert(index);
        }
        for (size_t grab = 0; grab < frames; grab += 25)
            EXPECT_TRUE(seen.count(int(grab))) << "grab picture " << grab;
        EXPECT_TRUE(seen.count(int(frames) - 1)) << "the last picture";
    }
}

// Keeps the picture it was last given (cued or rendered), as a signature.
class SignatureSink final : public BaseRenderer {
public:
    SignatureSink() : BaseRenderer("signature sink", GUID_NULL) {}
    HRESULT CheckMediaType(const MediaType& type) override {
        return type.majortype == MEDIATYPE_Video && type.subtype == MEDIASUBTYPE_RGB32
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT DoRenderSample(IMediaSample* sample) override {
        keep(sample);
        return S_OK;
    }
    void OnReceiveFirstSample(IMediaSample* sample) override { keep(sample); }
    sptest::Signature last() {
        std::lock_guard lock(mutex_);
        return last_;
    }

private:
    void keep(IMediaSample* sample) {
        MediaType mt;
        input()->ConnectionMediaType(&mt);
        const auto header = mt.bitmapHeader();
        if (!header ||
            sample->GetActualDataLength() < header->biWidth * 4 * std::abs(header->biHeight))
            return;
        std::lock_guard lock(mutex_);
        last_ =
            sptest::signatureOf(sample->GetPointer(), header->biWidth, std::abs(header->biHeight),
                                header->biWidth * 4, header->biHeight > 0);
    }
    std::mutex mutex_;
    sptest::Signature last_;
};

// The file through the splitter and the decoder filter into a signature sink, paused.
struct PausedDecoding {
    ComPtr<FilterGraph> graph = make<FilterGraph>();
    ComPtr<SignatureSink> sink = make<SignatureSink>();
    VideoDecoderFilter* decoder = nullptr;

    void open(const std::string& path, bool stepsBack = true) {
        ComPtr<IBaseFilter> source;
        ASSERT_EQ(graph->AddSourceFilter(path, "source", &source), S_OK);
        graph->AddFilter(sink.get(), "sink");
        auto builder = make<CaptureGraphBuilder>();
        builder->SetFiltergraph(graph.get());
        ASSERT_EQ(
            builder->RenderStream(nullptr, &MEDIATYPE_Video, source.get(), nullptr, sink.get()),
            S_OK);
        std::vector<ComPtr<IBaseFilter>> filters;
        graph->EnumFilters(&filters);
        for (const auto& f : filters)
            if (auto* d = dynamic_cast<VideoDecoderFilter*>(f.get())) decoder = d;
        ASSERT_NE(decoder, nullptr);
        ASSERT_EQ(decoder->SetStepsBack(stepsBack), S_OK);
        ASSERT_EQ(graph->Pause(), S_OK);
        ASSERT_EQ(settle(), S_OK);
    }
    HRESULT settle() { return sptest::settleGraph(*graph); }
    // Seeks to `target` and waits for its picture to be cued.
    HRESULT seekTo(REFERENCE_TIME target) {
        const HRESULT hr = graph->SetPositions(&target, AM_SEEKING_AbsolutePositioning, nullptr, 0);
        return FAILED(hr) ? hr : settle();
    }
};

// Through the splitter and the decoder filter, paused: the target, then 70 steps back one
// frame at a time (the first 25 from the cache, then past the decoded stretch), each exact.
// Inside the cached stretch a step converts about the picture it shows: the cached pictures
// after it are not converted while the next seek flushes them away (which made each step back
// slower than the one before).
TEST_P(SeekSkipping, StepsBackFromAFarSeekAreExactAndConvertOnlyWhatTheyShow) {
    registerOutsideFilters();
    const std::string path = mediaPath(GetParam().file);
    const Reference reference(path);
    ASSERT_EQ(reference.frames.size(), 200u);

    PausedDecoding paused;
    ASSERT_NO_FATAL_FAILURE(paused.open(path));
    const int first = reference.at(kTarget);
    uint64_t converted = paused.decoder->picturesConverted();
    for (int k = 0; k <= 70; ++k) {
        ASSERT_EQ(paused.seekTo(reference.start(first - k)), S_OK) << "step " << k;
        EXPECT_EQ(reference.indexOf(paused.sink->last()), first - k) << "step " << k;
        // The picture shown, and at most the few that fit the buffers left behind it (one more
        // when the decoder's thread gets a buffer back before the next seek reaches it, which
        // a loaded machine shows now and then); far fewer than the cached stretch.
        const uint64_t now = paused.decoder->picturesConverted();
        if (k <= 30) {
            EXPECT_LE(now - converted, 6u) << "step " << k;
        }
        converted = now;
    }
    paused.graph->Stop();
}

// A job that grabs and ends needs no steps back: the decoder filter keeps no pictures, and a
// seek, and the step back after it (which decodes from the key frame again), still show
// exactly the picture asked for. Paused, it converts the picture shown and none ahead of it
// (each would fill a buffer of its own); run, the pictures still flow through its two buffers.
TEST_P(SeekSkipping, WithoutStepsBackSeeksAndStepsStayExactAndFillNothingAhead) {
    registerOutsideFilters();
    const std::string path = mediaPath(GetParam().file);
    const Reference reference(path);
    ASSERT_EQ(reference.frames.size(), 200u);
    PausedDecoding paused;
    ASSERT_NO_FATAL_FAILURE(paused.open(path, false));
    const int first = reference.at(kTarget);
    for (int k : {0, 1, 30}) {
        const uint64_t before = paused.decoder->picturesConverted();
        ASSERT_EQ(paused.seekTo(reference.start(first - k)), S_OK) << "step " << k;
        EXPECT_EQ(reference.indexOf(paused.sink->last()), first - k) << "step " << k;
        std::this_thread::sleep_for(std::chrono::milliseconds(150)); // time to decode ahead
        EXPECT_EQ(paused.decoder->picturesConverted() - before, 1u) << "step " << k;
    }
    const uint64_t before = paused.decoder->picturesConverted();
    ASSERT_EQ(paused.graph->Run(), S_OK);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (paused.decoder->picturesConverted() - before < 20 &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(paused.decoder->picturesConverted() - before, 20u);
    paused.graph->Stop();
}

// HDR pictures cost a tone mapping each: paused, even with steps back, the decoder filter
// converts the picture shown and none ahead of it, which a step back would throw away.
TEST(DecoderFilterHdr, PausedConvertsOnlyThePictureShown) {
    registerOutsideFilters();
    PausedDecoding paused;
    ASSERT_NO_FATAL_FAILURE(paused.open(mediaPath("hlg.mp4")));
    constexpr REFERENCE_TIME frame = 400000;
    for (int k : {20, 19, 5, 30}) {
        const uint64_t before = paused.decoder->picturesConverted();
        ASSERT_EQ(paused.seekTo(k * frame), S_OK) << "frame " << k;
        std::this_thread::sleep_for(std::chrono::milliseconds(150)); // time to convert ahead
        EXPECT_EQ(paused.decoder->picturesConverted() - before, 1u) << "frame " << k;
    }
    paused.graph->Stop();
}

// Focus measures through the decoder filter, paused, on sharp_one.mp4 (every frame blurred by
// motion but frames 12 and 30): a request applies from the next segment on, takes the cached
// pictures before the target and those decoded on the way to it, and nothing outside its range.
TEST(DecoderFilterFocus, MeasuresTheRangeFromTheNextSeekOn) {
    registerOutsideFilters();
    PausedDecoding paused;
    ASSERT_NO_FATAL_FAILURE(paused.open(mediaPath("sharp_one.mp4")));
    constexpr REFERENCE_TIME frame = 400000;
    ASSERT_EQ(paused.seekTo(10 * frame), S_OK);
    std::vector<std::pair<REFERENCE_TIME, double>> measures;
    ASSERT_EQ(paused.decoder->MeasureFocus(5 * frame, 15 * frame), S_OK);
    paused.decoder->TakenFocus(&measures);
    EXPECT_TRUE(measures.empty());
    ASSERT_EQ(paused.seekTo(15 * frame), S_OK);
    paused.decoder->TakenFocus(&measures);
    ASSERT_EQ(measures.size(), 11u);
    for (size_t i = 0; i < measures.size(); ++i)
        EXPECT_EQ(measures[i].first, REFERENCE_TIME(5 + i) * frame);
    const auto sharpest = std::max_element(measures.begin(), measures.end(),
                                           [](auto& a, auto& b) { return a.second < b.second; });
    EXPECT_EQ(sharpest->first, 12 * frame);

    ASSERT_EQ(paused.decoder->MeasureFocus(1, 0), S_OK);
    paused.decoder->TakenFocus(&measures);
    EXPECT_TRUE(measures.empty());
    ASSERT_EQ(paused.seekTo(30 * frame), S_OK);
    paused.decoder->TakenFocus(&measures);
    EXPECT_TRUE(measures.empty());
    paused.graph->Stop();
}

INSTANTIATE_TEST_SUITE_P(Containers, SeekSkipping,
                         ::testing::Values(SkipCase{"long_gop.mkv", "matroska,webm"}),
                         [](const auto& info) {
                             return std::string(info.param.file).substr(9); // the extension
                         });

} // namespace
} // namespace sp::outside
