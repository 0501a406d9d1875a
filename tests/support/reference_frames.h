#pragma once
// Reference pictures for exact-frame tests: every frame of a file's first video stream decoded
// from the start (no seeking), reduced to a coarse signature, and the frame on screen at a time.

#include "support/ffmpeg_reference.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace sptest {

// Per-channel means of 16x16 blocks, rows top first: equal for the same decoded picture,
// clearly different between neighbouring frames of the moving test pattern.
using Signature = std::vector<int>;

Signature signatureOf(const uint8_t* bgrx, int width, int height, int strideBytes, bool bottomUp);
// Largest difference of one block channel; huge when the sizes differ.
int signatureDistance(const Signature& a, const Signature& b);

struct ReferenceFrame {
    int64_t startHns;
    Signature signature;
};

// Decodes the file's first video stream from the start with our demuxer and decoder, in
// display order, handing each picture (RGB32, bottom-up, width * 4 bytes a row) to `visit`
// until it returns false or the stream ends.
using DecodedFrameVisitor = std::function<bool(int64_t startHns, int width, int height,
                                               std::span<const uint8_t> bottomUpRgb32)>;
void decodeFromStart(const std::string& path, const DecodedFrameVisitor& visit);

// The first `count` pictures decodeFromStart gives, top row first.
std::vector<BgraPicture> firstDecodedPictures(const std::string& path, int count);

std::vector<ReferenceFrame> decodeAllFrames(const std::string& path);
// The last frame whose start is at or before t, or no more than 20 µs after it, as timecodes
// count it (the first frame for earlier times).
const ReferenceFrame* frameOnScreenAt(const std::vector<ReferenceFrame>& frames, int64_t t);

} // namespace sptest
