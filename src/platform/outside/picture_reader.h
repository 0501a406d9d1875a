#pragma once
// PictureReader: the pictures of a file's first video stream, one after the other, decoded on
// the caller's thread apart from any graph, for work in the background (finding scenes,
// measuring pictures). Over a Demuxer and a VideoDecoder; knows nothing of pins.
//
// Times are the Demuxer's (0 is the first picture). Pictures come out in presentation order;
// after seek(t) the first picture is the one on screen at t.
//
// Threads: one caller thread at a time; abort() from any thread makes the reading in progress
// and later ones end (next() gives nullopt), so a worker can be called off promptly.
//
// Failure: open() gives null with a message for a file without a video stream or one no
// decoder handles. Damaged data ends the pictures early, never a crash.

#include "platform/outside/demuxer.h"
#include "platform/outside/video_decoder.h"

#include <atomic>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace sp::outside {

class PictureReader {
public:
    // `threads`: libavcodec's decoding threads (0: as many as it likes).
    static std::unique_ptr<PictureReader> open(const std::string& path,
                                               std::string* error = nullptr, int threads = 1);

    // The next picture, nullopt at the end of the stream or after abort().
    std::optional<VideoFrameInfo> next();
    // The picture next() gave last, upright, scaled to width × height, top row first, 4 bytes
    // a pixel (B, G, R, x) into `dst`.
    bool copyScaled(std::span<uint8_t> dst, int width, int height);
    // The picture next() gave last, upright, at 16 bits a channel (VideoDecoder::copyCurrentRgb64).
    bool copyRgb64(std::span<uint8_t> dst, ptrdiff_t stride) {
        return decoder_->copyCurrentRgb64(dst, stride);
    }
    // Bits per sample as the stream describes them (0 when unknown), and whether it is HDR.
    int streamSampleBits() const { return streamBits_; }
    bool streamHdr() const { return streamHdr_; }
    // Positions so that next() gives the picture on screen at positionHns. False when the
    // container cannot seek.
    bool seek(int64_t positionHns);
    void abort();

    // Upright size of the pictures, the stream's frame duration (0 when unknown) and length.
    int width() const { return decoder_->width(); }
    int height() const { return decoder_->height(); }
    int64_t frameHns() const { return decoder_->averageFrameHns(); }
    int64_t durationHns() const { return demuxer_->durationHns(); }

private:
    PictureReader() = default;

    std::unique_ptr<Demuxer> demuxer_;
    std::unique_ptr<VideoDecoder> decoder_;
    int stream_ = -1;
    int streamBits_ = 0;
    bool streamHdr_ = false;
    bool endSent_ = false;
    std::atomic<bool> aborted_{false};
};

} // namespace sp::outside
