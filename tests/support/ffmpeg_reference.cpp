#include "support/ffmpeg_reference.h"

#include "platform/outside/frame_cache.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <sstream>
#include <utility>

namespace sptest {
namespace {

std::string shellQuoted(const std::string& s) {
    std::string quoted = "'";
    for (char c : s) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// Runs `command` through the shell and returns its standard output; nullopt when it cannot be
// started or exits with a non-zero status. Its standard error is dropped.
std::optional<std::string> commandOutput(const std::string& command) {
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string out;
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    const int status = ::pclose(pipe);
    if (status != 0) return std::nullopt;
    return out;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) result.push_back(line);
    return result;
}

// The matrix ffmpeg converts with: the stream's own, or the one players pick by size.
std::string inputMatrix(const VideoStreamFacts& facts) {
    if (facts.colourSpace == "bt709" || facts.colourSpace == "smpte240m") return facts.colourSpace;
    if (facts.colourSpace == "bt470bg" || facts.colourSpace == "smpte170m") return "bt601";
    if (facts.colourSpace.rfind("bt2020", 0) == 0) return "bt2020";
    return facts.width >= 1280 || facts.height >= 720 ? "bt709" : "bt601";
}

const uint8_t* rowOf(const PictureView& p, int y) {
    return p.bgrx + size_t(p.bottomUp ? p.height - 1 - y : y) * size_t(p.strideBytes);
}

// Sum of squared (or absolute) B, G, R differences; false when the sizes differ.
template <typename Accumulate>
bool compareChannels(const BgraPicture& reference, const PictureView& picture, Accumulate add) {
    if (reference.empty() || !picture.bgrx || reference.width != picture.width ||
        reference.height != picture.height)
        return false;
    for (int y = 0; y < picture.height; ++y) {
        const uint8_t* ours = rowOf(picture, y);
        const uint8_t* theirs = reference.bytes.data() + size_t(y) * reference.width * 4;
        for (int x = 0; x < picture.width * 4; x += 4)
            for (int c = 0; c < 3; ++c)
                add(int(ours[x + c]) - int(theirs[x + c]));
    }
    return true;
}

} // namespace

PictureView viewOf(const BgraPicture& picture) {
    return {picture.bytes.data(), picture.width, picture.height, picture.width * 4, false};
}

std::optional<VideoStreamFacts> ffprobeVideoStream(const std::string& path) {
    auto out = commandOutput("ffprobe -v error -select_streams v:0 -show_entries "
                             "stream=width,height,color_space -of default=noprint_wrappers=1 " +
                             shellQuoted(path));
    if (!out) return std::nullopt;
    VideoStreamFacts facts;
    for (const auto& line : lines(*out)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "width") facts.width = std::atoi(value.c_str());
        if (key == "height") facts.height = std::atoi(value.c_str());
        if (key == "color_space") facts.colourSpace = value;
    }
    if (facts.width <= 0 || facts.height <= 0) return std::nullopt;
    return facts;
}

namespace {
// Splits ffmpeg's PAM stream (RGB_ALPHA pictures, each with its own header, so a picture size
// may change from one to the next) into BGRA pictures.
std::vector<BgraPicture> picturesFromPam(const std::string& pam) {
    std::vector<BgraPicture> pictures;
    size_t at = 0;
    while (pam.compare(at, 3, "P7\n") == 0) {
        const size_t end = pam.find("ENDHDR\n", at);
        if (end == std::string::npos) break;
        int width = 0, height = 0, depth = 0;
        for (const auto& line : lines(pam.substr(at, end - at))) {
            std::sscanf(line.c_str(), "WIDTH %d", &width);
            std::sscanf(line.c_str(), "HEIGHT %d", &height);
            std::sscanf(line.c_str(), "DEPTH %d", &depth);
        }
        at = end + 7;
        const size_t bytes = size_t(width) * size_t(height) * 4;
        if (depth != 4 || width <= 0 || height <= 0 || at + bytes > pam.size()) break;
        BgraPicture p{width, height,
                      std::vector<uint8_t>(pam.begin() + long(at), pam.begin() + long(at + bytes))};
        for (size_t i = 0; i < bytes; i += 4)
            std::swap(p.bytes[i], p.bytes[i + 2]); // R G B A to B G R A
        pictures.push_back(std::move(p));
        at += bytes;
    }
    return pictures;
}
} // namespace

namespace {
// Frames first .. first+count-1 of the first video stream through `conversion` (filters after
// the frame selection, ending in RGB).
std::vector<BgraPicture> framesConverted(const std::string& path, int first, int count,
                                         const std::string& conversion) {
    const std::string filter = "select=between(n\\," + std::to_string(first) + "\\," +
                               std::to_string(first + count - 1) + ")," + conversion +
                               ",format=rgba";
    auto out = commandOutput("ffmpeg -nostdin -v error -i " + shellQuoted(path) +
                             " -map 0:v:0 -an -sn -vf " + shellQuoted(filter) +
                             " -fps_mode passthrough -frames:v " + std::to_string(count) +
                             " -c:v pam -f image2pipe -");
    if (!out) return {};
    return picturesFromPam(*out);
}
} // namespace

std::vector<BgraPicture> ffmpegFrames(const std::string& path, int first, int count,
                                      const std::string& scaleFlags) {
    const auto facts = ffprobeVideoStream(path);
    if (!facts || first < 0 || count <= 0) return {};
    return framesConverted(path, first, count,
                           "scale=in_color_matrix=" + inputMatrix(*facts) + ":flags=" + scaleFlags);
}

std::vector<BgraPicture> ffmpegToneMappedFrames(const std::string& path, int first, int count) {
    if (first < 0 || count <= 0) return {};
    return framesConverted(path, first, count,
                           "zscale=transfer=linear:npl=100,format=gbrpf32le,"
                           "zscale=primaries=bt709,tonemap=tonemap=hable:desat=0,"
                           "zscale=transfer=bt709:matrix=bt709:range=tv");
}

BgraPicture ffmpegFrame(const std::string& path, int index) {
    auto frames = ffmpegFrames(path, index, 1);
    return frames.empty() ? BgraPicture{} : std::move(frames.front());
}

std::optional<VideoStreamCounts> ffprobeVideoCounts(const std::string& path) {
    auto out = commandOutput("ffprobe -v quiet -select_streams v:0 -count_frames -count_packets "
                             "-show_entries stream=nb_read_frames,nb_read_packets -of csv=p=0 " +
                             shellQuoted(path));
    if (!out) return std::nullopt;
    for (const auto& line : lines(*out)) { // "frames,packets" (the first line of a stream)
        VideoStreamCounts counts;
        if (std::sscanf(line.c_str(), "%d,%d", &counts.frames, &counts.packets) == 2) return counts;
    }
    return std::nullopt;
}

namespace {
// The first picture's presentation time in seconds (the earliest frame time), which is where
// positions start; nullopt when the file has no picture.
std::optional<double> firstPictureSeconds(const std::vector<double>& frameSeconds) {
    if (frameSeconds.empty()) return std::nullopt;
    return *std::min_element(frameSeconds.begin(), frameSeconds.end());
}

std::vector<double> videoFrameSeconds(const std::string& file) {
    std::vector<double> seconds;
    auto frames = commandOutput("ffprobe -v error -select_streams v:0 -show_entries "
                                "frame=best_effort_timestamp_time -of csv=p=0 " +
                                file);
    if (!frames) return seconds;
    for (const auto& line : lines(*frames)) {
        if (line.find_first_of("0123456789") == std::string::npos) continue;
        seconds.push_back(std::atof(line.c_str()));
    }
    return seconds;
}

// The time of the first decoded frame of audio stream `stream` ("a:N"), in seconds.
std::optional<double> firstAudioFrameSeconds(const std::string& file, const std::string& stream) {
    auto frames = commandOutput("ffprobe -v error -select_streams " + stream +
                                " -read_intervals %+#32 -show_entries "
                                "frame=best_effort_timestamp_time -of csv=p=0 " +
                                file);
    if (!frames) return std::nullopt;
    for (const auto& line : lines(*frames))
        if (line.find_first_of("0123456789") != std::string::npos) return std::atof(line.c_str());
    return std::nullopt;
}
} // namespace

std::vector<BgraPicture> ffmpegFramesOfAnySize(const std::string& path, int first, int count) {
    const std::string file = shellQuoted(path);
    const auto facts = ffprobeVideoStream(path);
    const auto seconds = videoFrameSeconds(file);
    std::vector<BgraPicture> pictures;
    if (!facts || first < 0 || count <= 0) return pictures;
    // One run per picture: ffmpeg's picture encoder keeps the size of the first picture it gets.
    // With -copyts, the filter's t is the frame's own time as ffprobe prints it (in whole
    // microseconds), so half a microsecond either side takes exactly that frame.
    for (int n = first; n < first + count && n < int(seconds.size()); ++n) {
        char range[96];
        std::snprintf(range, sizeof range, "between(t\\,%.7f\\,%.7f)", seconds[size_t(n)] - 5e-7,
                      seconds[size_t(n)] + 5e-7);
        const std::string filter = std::string("select=") + range +
                                   ",scale=in_color_matrix=" + inputMatrix(*facts) +
                                   ":flags=bilinear,format=rgba";
        auto out = commandOutput("ffmpeg -nostdin -v error -copyts -i " + file +
                                 " -map 0:v:0 -an -sn -autoscale 0 -vf " + shellQuoted(filter) +
                                 " -fps_mode passthrough -frames:v 1 -c:v pam -f image2pipe -");
        auto picture = out ? picturesFromPam(*out) : std::vector<BgraPicture>{};
        if (picture.size() != 1) break;
        pictures.push_back(std::move(picture.front()));
    }
    return pictures;
}

std::vector<int64_t> ffprobeFrameTimes(const std::string& path) {
    std::vector<int64_t> times;
    const auto seconds = videoFrameSeconds(shellQuoted(path));
    const auto origin = firstPictureSeconds(seconds);
    if (!origin) return times;
    for (double t : seconds)
        times.push_back(std::llround((t - *origin) * 1e7));
    return times;
}

int64_t PcmReference::frameAt(int64_t timeHns) const {
    const long double offset = (long double)(timeHns - startHns) * sampleRate / 10000000.0L;
    return int64_t(std::floor(offset + 0.5L));
}

PcmReference ffmpegAudio(const std::string& path, int audioIndex) {
    PcmReference pcm;
    const std::string file = shellQuoted(path);
    const std::string stream = "a:" + std::to_string(audioIndex);
    auto facts = commandOutput("ffprobe -v error -select_streams " + stream +
                               " -show_entries stream=sample_rate,channels,start_time "
                               "-of default=noprint_wrappers=1 " +
                               file);
    auto start =
        commandOutput("ffprobe -v error -show_entries format=start_time -of csv=p=0 " + file);
    if (!facts || !start) return pcm;
    double streamStart = 0;
    for (const auto& line : lines(*facts)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "sample_rate") pcm.sampleRate = std::atoi(value.c_str());
        if (key == "channels") pcm.channels = std::atoi(value.c_str());
        if (key == "start_time") streamStart = std::atof(value.c_str());
    }
    // ffmpeg's first sample is that of the first frame its decoder puts out, which is later than
    // the stream's start when the decoder keeps its first packets (WMA keeps two).
    if (auto first = firstAudioFrameSeconds(file, stream)) streamStart = *first;
    // Sound is placed against the first picture when there is one, else against the file's start.
    const auto origin = firstPictureSeconds(videoFrameSeconds(file));
    pcm.startHns = std::llround((streamStart - origin.value_or(std::atof(start->c_str()))) * 1e7);
    auto raw = commandOutput("ffmpeg -nostdin -v error -i " + file + " -map 0:" + stream +
                             " -vn -sn -f s16le -acodec pcm_s16le -");
    if (!raw || pcm.channels <= 0 || pcm.sampleRate <= 0) return pcm;
    pcm.samples.resize(raw->size() / 2);
    std::memcpy(pcm.samples.data(), raw->data(), pcm.samples.size() * 2);
    return pcm;
}

double pcmDifference(const PcmReference& reference, int64_t referenceFrame, const int16_t* ours,
                     int64_t count, int channels) {
    if (channels != reference.channels || referenceFrame < 0 || count <= 0 ||
        referenceFrame + count > reference.frames())
        return std::numeric_limits<double>::infinity();
    const int16_t* theirs = reference.samples.data() + referenceFrame * channels;
    uint64_t sum = 0;
    for (int64_t i = 0; i < count * channels; ++i)
        sum += uint64_t(std::abs(int(ours[i]) - int(theirs[i])));
    return double(sum) / double(count * channels);
}

int frameIndexAt(const std::vector<int64_t>& frameTimesHns, int64_t timeHns) {
    if (frameTimesHns.empty()) return -1;
    int index = 0;
    for (size_t i = 0; i < frameTimesHns.size(); ++i)
        if (frameTimesHns[i] <= timeHns + sp::outside::kSameTimeHns &&
            frameTimesHns[i] >= frameTimesHns[size_t(index)])
            index = int(i);
    return index;
}

double lumaDifference(const BgraPicture& reference, const PictureView& picture) {
    if (reference.empty() || !picture.bgrx || reference.width != picture.width ||
        reference.height != picture.height)
        return std::numeric_limits<double>::infinity();
    // Luma in 1/1000 levels: 114 B + 587 G + 299 R.
    auto luma = [](const uint8_t* p) { return 114 * p[0] + 587 * p[1] + 299 * p[2]; };
    uint64_t sum = 0;
    for (int y = 0; y < picture.height; ++y) {
        const uint8_t* ours = rowOf(picture, y);
        const uint8_t* theirs = reference.bytes.data() + size_t(y) * reference.width * 4;
        for (int x = 0; x < picture.width * 4; x += 4)
            sum += uint64_t(std::abs(luma(ours + x) - luma(theirs + x)));
    }
    return double(sum) / 1000.0 / (double(picture.width) * picture.height);
}

double meanAbsoluteDifference(const BgraPicture& reference, const PictureView& picture) {
    uint64_t sum = 0;
    if (!compareChannels(reference, picture, [&](int d) { sum += uint64_t(std::abs(d)); }))
        return std::numeric_limits<double>::infinity();
    return double(sum) / (double(picture.width) * picture.height * 3);
}

double psnr(const BgraPicture& reference, const PictureView& picture) {
    uint64_t squares = 0;
    if (!compareChannels(reference, picture, [&](int d) { squares += uint64_t(d * d); }))
        return 0.0;
    if (squares == 0) return std::numeric_limits<double>::infinity();
    const double mse = double(squares) / (double(picture.width) * picture.height * 3);
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

int closestFrame(const std::vector<BgraPicture>& references, const PictureView& picture) {
    int best = -1;
    double bestMad = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < references.size(); ++i) {
        const double mad = lumaDifference(references[i], picture);
        if (mad < bestMad) {
            bestMad = mad;
            best = int(i);
        }
    }
    return best;
}

::testing::AssertionResult showsFrame(const std::string& path, int index,
                                      const PictureView& picture, bool sizeChanges) {
    const int first = std::max(0, index - 2);
    const auto frames = sizeChanges ? ffmpegFramesOfAnySize(path, first, index + 3 - first)
                                    : ffmpegFrames(path, first, index + 3 - first);
    if (index - first >= int(frames.size()))
        return ::testing::AssertionFailure() << "ffmpeg gives no frame " << index << " of " << path;
    std::ostringstream differences;
    double own = 0, nearestOther = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < frames.size(); ++i) {
        const int n = first + int(i);
        const double mad = lumaDifference(frames[i], picture);
        differences << " frame " << n << ": " << mad << ";";
        if (n == index)
            own = mad;
        else if (n == index - 1 || n == index + 1)
            nearestOther = std::min(nearestOther, mad);
    }
    if (own <= kSameFrameLuma && own < nearestOther) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the picture is not frame " << index << " of " << path
                                         << " (luma differences:" << differences.str() << ")";
}

} // namespace sptest
