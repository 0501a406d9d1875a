#pragma once
// A JPEG encoder over libjpeg (libjpeg-turbo), set as libjpeg's own writers set it: the IJG
// quality scale, 4:2:0 chroma, the accurate integer DCT, and Huffman tables computed for each
// picture (smaller files than the standard tables at the same quality, for one extra pass over
// the coefficients). An optional EXIF payload goes into an APP1 segment after the JFIF header.
//
// Huffman tables: by default computed for each picture. An encoder made with
// HuffmanTables::Carried (for runs of pictures of one video) computes them for the first picture
// of a given size and quality, completes them so that every symbol has a code, and codes the
// next pictures of that size and quality with them, which saves the statistics pass; the tables
// are computed afresh every kPicturesPerTables pictures so that they follow the video. The
// pictures decode exactly the same either way; the files are a little larger.
//
// One encoder is used by one thread at a time; it keeps its libjpeg state and its output buffer
// from one picture to the next, so a run of same-sized pictures allocates next to nothing.

#include "platform/system/image_files.h" // PictureView

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace sp {

class JpegEncoder {
public:
    enum class HuffmanTables { PerPicture, Carried };
    static constexpr int kPicturesPerTables = 50;

    explicit JpegEncoder(HuffmanTables tables = HuffmanTables::PerPicture);
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    // Compresses `picture` (B, G, R, x) at `quality` (clamped to 1..100). `exif` is the APP1
    // payload ("Exif\0\0" + TIFF structure, at most 65,533 bytes; a longer one is left out), or
    // empty for none. On failure returns false with a one-line reason in `error`; the encoder
    // stays usable.
    bool Encode(const PictureView& picture, int quality, std::span<const uint8_t> exif = {},
                std::string* error = nullptr);

    // Writes `count` rows of the picture, from row `first`, into `rows` (B, G, R, x, width x 4
    // bytes a row); false gives up the picture.
    using RowSource = std::function<bool(int first, int count, uint8_t* rows)>;
    static constexpr int kBandRows = 16; // one row of 4:2:0 blocks
    // The same for a width x height picture that `source` makes a band of kBandRows rows at a
    // time, so it never exists whole: the encoder reads each band while it is in cache.
    bool Encode(int width, int height, const RowSource& source, int quality,
                std::span<const uint8_t> exif = {}, std::string* error = nullptr);
    // The file of the last successful Encode; valid until the next call.
    std::span<const uint8_t> Bytes() const { return {output_.data(), outputSize_}; }

    // The last successful Encode computed its Huffman tables (rather than carrying them).
    bool TablesComputed() const { return tablesComputed_; }

private:
    // Compresses the rows that state_->rows points at: all of them, or with `source` one band
    // refilled before each write.
    bool Compress(int width, int height, int quality, std::span<const uint8_t> exif,
                  const RowSource* source, std::string* error);
    void UseCarriedTables();
    void KeepTables(int width, int height, int quality);

    struct State; // libjpeg's structures, kept out of this header
    std::unique_ptr<State> state_;
    std::vector<uint8_t> output_; // grows as needed, never shrinks
    std::vector<uint8_t> band_;   // the rows of a RowSource
    size_t outputSize_ = 0;
    bool tablesComputed_ = false;
};

} // namespace sp
