#pragma once
// An independent reference for exact-frame tests: the pictures and display times of a file's
// first video stream as the ffmpeg and ffprobe command-line tools decode them, and a comparison
// of one of our RGB32 pictures against them.
//
// Nothing here goes through the program's demuxer or decoder, so a uniform time offset or a
// one-frame error of the engine shows up as a mismatch. Frame index n counts the pictures the
// decoder puts out, in display order, from 0.
//
// Pictures are compared by the mean absolute difference of their luma (0.299 R + 0.587 G +
// 0.114 B, 0..255). Colour conversion (chroma upsampling, rounding) moves luma by about one
// level between ffmpeg's command line and a decoder converting another way; neighbouring
// frames of the generated media differ by two to five times more (the moving test pattern and
// the burned-in frame number), which tests/platform/outside/ffmpeg_reference_test.cpp checks
// for every file the tests use. A frame is recognised when it is within the tolerance and
// closer to the expected frame than to either neighbour.
//
// Untagged pictures of 1280 wide or 720 high and more are converted with the BT.709 matrix, the
// others with BT.601, as video players do; tagged pictures with their own matrix.
//
// Threads: any; each call runs its own ffmpeg or ffprobe process and waits for it.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sptest {

// 8-bit B, G, R, A pixels, top row first, rows packed (width × 4 bytes).
struct BgraPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;
    bool empty() const { return bytes.empty(); }
};

// A picture of ours: B, G, R, X bytes with any stride, top-down or bottom-up (DIB order).
struct PictureView {
    const uint8_t* bgrx = nullptr;
    int width = 0;
    int height = 0;
    int strideBytes = 0;
    bool bottomUp = true;
};
PictureView viewOf(const BgraPicture& picture); // top-down, packed

struct VideoStreamFacts {
    int width = 0;
    int height = 0;
    std::string colourSpace; // ffprobe's name ("bt709", "unknown", ...)
};
std::optional<VideoStreamFacts> ffprobeVideoStream(const std::string& path);

// Frames first .. first+count-1, decoded in one run (fewer at the end of the file; empty when
// ffmpeg fails).
// `scaleFlags` are libswscale's for the conversion to BGRA ("bilinear" converts as our
// decoder does; others serve to measure how far another conversion moves the pictures).
std::vector<BgraPicture> ffmpegFrames(const std::string& path, int first, int count,
                                      const std::string& scaleFlags = "bilinear");
// The same frames of an HDR (PQ or HLG) stream tone-mapped by ffmpeg's own filters: zscale to
// linear light at a nominal peak of 100 cd/m², BT.709 primaries, tonemap's Hable curve without
// desaturation, zscale back to the BT.709 transfer.
std::vector<BgraPicture> ffmpegToneMappedFrames(const std::string& path, int first, int count);
// Frame `index`; empty past the end or when ffmpeg fails.
BgraPicture ffmpegFrame(const std::string& path, int index);
// As ffmpegFrames, for a stream whose picture size changes: each picture at its own size. The
// frames are picked by their times (ffprobe's), since ffmpeg starts counting frames again and
// scales to the first size when its filters are rebuilt at the change.
std::vector<BgraPicture> ffmpegFramesOfAnySize(const std::string& path, int first, int count);

// What ffprobe reads of the first video stream, decoding it to the end; nullopt when it cannot
// open the file (or finds no video).
struct VideoStreamCounts {
    int packets = 0;
    int frames = 0;
};
std::optional<VideoStreamCounts> ffprobeVideoCounts(const std::string& path);

// Display times (best-effort timestamps) of every frame, in 100 ns units relative to the first
// picture's presentation time (position 0, as the program's demuxer counts).
std::vector<int64_t> ffprobeFrameTimes(const std::string& path);
// Index of the frame on screen at `timeHns` given those times: the last frame starting at or
// before it, a frame starting at most 20 us after it counting as at it, as timecodes allow (0 for
// earlier times, -1 for no frames).
int frameIndexAt(const std::vector<int64_t>& frameTimesHns, int64_t timeHns);

// The sound of audio stream `audioIndex` (0 = the file's first audio stream) as the ffmpeg
// command line decodes it: interleaved 16-bit samples at the stream's own rate and channel
// count. Sample frame 0 plays at startHns: the time of the first frame the decoder puts out,
// in 100 ns units relative to the first picture (to the file's start time without video), as
// positions count. Empty samples when ffmpeg fails.
struct PcmReference {
    int sampleRate = 0;
    int channels = 0;
    int64_t startHns = 0;
    std::vector<int16_t> samples;
    int64_t frames() const { return channels ? int64_t(samples.size()) / channels : 0; }
    // The sample frame playing at `timeHns` (may lie outside the samples).
    int64_t frameAt(int64_t timeHns) const;
};
PcmReference ffmpegAudio(const std::string& path, int audioIndex = 0);

// Mean absolute difference between `count` sample frames of ours, starting at `ours`, and the
// reference from frame `referenceFrame` on (per sample, all channels); +infinity when the
// reference does not cover them or the channel counts differ.
double pcmDifference(const PcmReference& reference, int64_t referenceFrame, const int16_t* ours,
                     int64_t count, int channels);

// Mean absolute difference of luma (0..255); +infinity when the sizes differ.
double lumaDifference(const BgraPicture& reference, const PictureView& picture);
// Mean absolute difference of B, G, R (0..255); +infinity when the sizes differ.
double meanAbsoluteDifference(const BgraPicture& reference, const PictureView& picture);
// Peak signal-to-noise ratio over B, G, R in dB; +infinity for identical pictures.
double psnr(const BgraPicture& reference, const PictureView& picture);

// The largest luma difference still taken for the same frame.
inline constexpr double kSameFrameLuma = 1.2;

// Index into `references` of the picture of least luma difference to `picture` (-1 when none
// has its size).
int closestFrame(const std::vector<BgraPicture>& references, const PictureView& picture);

// Passes when `picture` is frame `index` of `path`: within kSameFrameLuma of it and closer to
// it than to either neighbour. The failure message gives the luma differences to frames
// index-2 .. index+2, which tells an off-by-one from a wrong picture.
// `sizeChanges`: the stream's picture size changes (see ffmpegFramesOfAnySize).
::testing::AssertionResult showsFrame(const std::string& path, int index,
                                      const PictureView& picture, bool sizeChanges = false);

} // namespace sptest
