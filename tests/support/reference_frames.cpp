#include "support/reference_frames.h"

#include "platform/outside/demuxer.h"
#include "platform/outside/video_decoder.h"

#include <algorithm>
#include <cstdlib>

namespace sptest {

using namespace sp::outside;

Signature signatureOf(const uint8_t* bgrx, int width, int height, int strideBytes, bool bottomUp) {
    Signature s;
    for (int by = 0; by + 16 <= height; by += 16)
        for (int bx = 0; bx + 16 <= width; bx += 16)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int y = by; y < by + 16; ++y) {
                    const uint8_t* row = bgrx + size_t(bottomUp ? height - 1 - y : y) * strideBytes;
                    for (int x = bx; x < bx + 16; ++x)
                        sum += row[size_t(x) * 4 + c];
                }
                s.push_back(sum / 256);
            }
    return s;
}

int signatureDistance(const Signature& a, const Signature& b) {
    if (a.size() != b.size() || a.empty()) return 1 << 20;
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i)
        worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

std::vector<ReferenceFrame> decodeAllFrames(const std::string& path) {
    std::vector<ReferenceFrame> frames;
    auto demuxer = Demuxer::openFile(path, "");
    if (!demuxer) return frames;
    int stream = -1;
    std::unique_ptr<VideoDecoder> decoder;
    for (const auto& s : demuxer->streams())
        if (s.kind == StreamKind::Video || s.kind == StreamKind::Interleaved) {
            stream = s.index;
            decoder = VideoDecoder::open(s.mediaType);
            break;
        }
    if (!decoder) return frames;
    auto drain = [&] {
        while (auto info = decoder->nextFrame()) {
            std::vector<uint8_t> rgb(size_t(info->width) * info->height * 4);
            decoder->copyCurrentRgb32(rgb);
            frames.push_back({info->startHns, signatureOf(rgb.data(), info->width, info->height,
                                                          info->width * 4, true)});
        }
    };
    while (auto p = demuxer->readPacket()) {
        if (p->streamIndex != stream) continue;
        decoder->sendPacket(p->data(), p->startHns);
        drain();
    }
    decoder->sendEndOfStream();
    drain();
    return frames;
}

const ReferenceFrame* frameOnScreenAt(const std::vector<ReferenceFrame>& frames, int64_t t) {
    const ReferenceFrame* best = frames.empty() ? nullptr : &frames.front();
    for (const auto& f : frames)
        if (f.startHns <= t + kSameTimeHns && f.startHns >= best->startHns) best = &f;
    return best;
}

} // namespace sptest
