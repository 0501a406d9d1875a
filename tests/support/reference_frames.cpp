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

void decodeFromStart(const std::string& path, const DecodedFrameVisitor& visit) {
    auto demuxer = Demuxer::openFile(path, "");
    if (!demuxer) return;
    int stream = -1;
    std::unique_ptr<VideoDecoder> decoder;
    for (const auto& s : demuxer->streams())
        if (s.kind == StreamKind::Video || s.kind == StreamKind::Interleaved) {
            stream = s.index;
            decoder = VideoDecoder::open(s.mediaType);
            break;
        }
    if (!decoder) return;
    std::vector<uint8_t> rgb;
    bool wanted = true;
    auto drain = [&] {
        while (wanted) {
            auto info = decoder->nextFrame();
            if (!info) return;
            rgb.resize(size_t(info->width) * info->height * 4);
            decoder->copyCurrentRgb32(rgb);
            wanted = visit(info->startHns, info->width, info->height, rgb);
        }
    };
    while (wanted) {
        auto p = demuxer->readPacket();
        if (!p) break;
        if (p->streamIndex != stream) continue;
        decoder->sendPacket(p->data(), p->startHns);
        drain();
    }
    if (!wanted) return;
    decoder->sendEndOfStream();
    drain();
}

std::vector<BgraPicture> firstDecodedPictures(const std::string& path, int count) {
    std::vector<BgraPicture> pictures;
    decodeFromStart(path, [&](int64_t, int width, int height, std::span<const uint8_t> bottomUp) {
        BgraPicture p{width, height, {}};
        const size_t row = size_t(width) * 4;
        for (int y = height - 1; y >= 0; --y)
            p.bytes.insert(p.bytes.end(), bottomUp.begin() + long(y * row),
                           bottomUp.begin() + long((y + 1) * row));
        pictures.push_back(std::move(p));
        return int(pictures.size()) < count;
    });
    return pictures;
}

std::vector<ReferenceFrame> decodeAllFrames(const std::string& path) {
    std::vector<ReferenceFrame> frames;
    decodeFromStart(path, [&](int64_t start, int width, int height, std::span<const uint8_t> rgb) {
        frames.push_back({start, signatureOf(rgb.data(), width, height, width * 4, true)});
        return true;
    });
    return frames;
}

const ReferenceFrame* frameOnScreenAt(const std::vector<ReferenceFrame>& frames, int64_t t) {
    const ReferenceFrame* best = frames.empty() ? nullptr : &frames.front();
    for (const auto& f : frames)
        if (f.startHns <= t + kSameTimeHns && f.startHns >= best->startHns) best = &f;
    return best;
}

} // namespace sptest
