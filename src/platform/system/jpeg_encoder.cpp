#include "platform/system/jpeg_encoder.h"

#include "platform/system/jpeg_huffman.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace sp {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return: it jumps back
// into Encode. Only libjpeg's C frames lie between, so no destructor is skipped.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void failAndJump(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

void keepQuiet(j_common_ptr) {} // warnings (corrupt-data notes) are not printed

// Output into a byte vector that doubles when libjpeg fills it.
struct VectorDestination {
    jpeg_destination_mgr pub;
    std::vector<uint8_t>* bytes;
};

void startOutput(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->bytes->data();
    dest->pub.free_in_buffer = dest->bytes->size();
}

boolean growOutput(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    const size_t used = dest->bytes->size(); // libjpeg calls this with the buffer full
    dest->bytes->resize(used * 2);
    dest->pub.next_output_byte = dest->bytes->data() + used;
    dest->pub.free_in_buffer = dest->bytes->size() - used;
    return TRUE;
}

void endOutput(j_compress_ptr) {}

} // namespace

// Tables 0 (luminance) and 1 (chrominance) of each class, as jpeg_set_defaults assigns them.
struct CarriedTables {
    bool carry = false;
    bool valid = false;
    int width = 0, height = 0, quality = 0;
    int picturesLeft = 0;
    jpeg::HuffmanTable dc[2], ac[2];
};

struct JpegEncoder::State {
    jpeg_compress_struct cinfo{};
    ErrorManager errors{};
    VectorDestination destination{};
    std::vector<JSAMPROW> rows;
    CarriedTables tables;
};

namespace {

void CopyInto(JHUFF_TBL* to, const jpeg::HuffmanTable& from) {
    std::copy(from.bits.begin(), from.bits.end(), to->bits);
    std::copy(from.huffval.begin(), from.huffval.end(), to->huffval);
    to->sent_table = FALSE;
}

jpeg::HuffmanTable CopyOf(const JHUFF_TBL* table) {
    jpeg::HuffmanTable t;
    std::copy(table->bits, table->bits + 17, t.bits.begin());
    std::copy(table->huffval, table->huffval + 256, t.huffval.begin());
    return t;
}

} // namespace

JpegEncoder::JpegEncoder(HuffmanTables tables) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.tables.carry = tables == HuffmanTables::Carried;
    s.cinfo.err = jpeg_std_error(&s.errors.pub);
    s.errors.pub.error_exit = failAndJump;
    s.errors.pub.output_message = keepQuiet;
    jpeg_create_compress(&s.cinfo); // only fails on memory exhaustion, which libjpeg reports
    s.destination.pub.init_destination = startOutput;
    s.destination.pub.empty_output_buffer = growOutput;
    s.destination.pub.term_destination = endOutput;
    s.destination.bytes = &output_;
    s.cinfo.dest = &s.destination.pub;
}

JpegEncoder::~JpegEncoder() {
    jpeg_destroy_compress(&state_->cinfo);
}

namespace {

bool encodable(int width, int height, std::string* error) {
    const bool ok =
        width >= 1 && height >= 1 && width <= JPEG_MAX_DIMENSION && height <= JPEG_MAX_DIMENSION;
    if (!ok && error) *error = "no picture to write";
    return ok;
}

} // namespace

bool JpegEncoder::Encode(const PictureView& picture, int quality, std::span<const uint8_t> exif,
                         std::string* error) {
    outputSize_ = 0;
    if (!picture.pixels || picture.strideBytes < picture.width * 4) {
        if (error) *error = "no picture to write";
        return false;
    }
    if (!encodable(picture.width, picture.height, error)) return false;
    State& s = *state_;
    s.rows.resize(size_t(picture.height));
    for (int y = 0; y < picture.height; ++y)
        s.rows[size_t(y)] =
            const_cast<JSAMPROW>(picture.pixels) + size_t(y) * size_t(picture.strideBytes);
    return Compress(picture.width, picture.height, quality, exif, nullptr, error);
}

bool JpegEncoder::Encode(int width, int height, const RowSource& source, int quality,
                         std::span<const uint8_t> exif, std::string* error) {
    outputSize_ = 0;
    if (!source) {
        if (error) *error = "no picture to write";
        return false;
    }
    if (!encodable(width, height, error)) return false;
    const size_t rowBytes = size_t(width) * 4;
    band_.resize(rowBytes * kBandRows);
    State& s = *state_;
    s.rows.resize(kBandRows);
    for (int y = 0; y < kBandRows; ++y)
        s.rows[size_t(y)] = band_.data() + size_t(y) * rowBytes;
    return Compress(width, height, quality, exif, &source, error);
}

bool JpegEncoder::Compress(int width, int height, int quality, std::span<const uint8_t> exif,
                           const RowSource* source, std::string* error) {
    State& s = *state_;
    // A first guess that holds most pictures at ordinary qualities without growing.
    output_.resize(std::max(output_.size(), size_t(width) * size_t(height) / 4 + 4096));

    jpeg_compress_struct& c = s.cinfo;
    if (setjmp(s.errors.jump)) {
        jpeg_abort_compress(&c);
        s.tables.valid = false; // the next picture computes its own
        if (error) *error = std::string("the JPEG encoder failed: ") + s.errors.message;
        return false;
    }
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = 4;
    c.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&c); // 4:2:0 chroma, JFIF header
    jpeg_set_quality(&c, std::clamp(quality, 1, 100), TRUE);
    c.dct_method = JDCT_ISLOW;
    const CarriedTables& carried = s.tables;
    const bool carry = carried.valid && carried.picturesLeft > 0 && carried.width == width &&
                       carried.height == height && carried.quality == quality;
    c.optimize_coding = carry ? FALSE : TRUE;
    if (carry) UseCarriedTables();
    jpeg_start_compress(&c, TRUE);
    if (!exif.empty() && exif.size() <= 65533)
        jpeg_write_marker(&c, JPEG_APP0 + 1, exif.data(), unsigned(exif.size()));
    while (c.next_scanline < c.image_height) {
        const int next = int(c.next_scanline);
        if (!source) {
            jpeg_write_scanlines(&c, s.rows.data() + next, JDIMENSION(height - next));
            continue;
        }
        const int count = std::min(kBandRows, height - next);
        if (!(*source)(next, count, band_.data())) { // the source never jumps: only libjpeg does
            jpeg_abort_compress(&c);
            if (error) *error = "the picture could not be prepared";
            return false;
        }
        jpeg_write_scanlines(&c, s.rows.data(), JDIMENSION(count));
    }
    jpeg_finish_compress(&c);
    outputSize_ = output_.size() - s.destination.pub.free_in_buffer;
    tablesComputed_ = !carry;
    if (carry)
        --s.tables.picturesLeft;
    else if (s.tables.carry)
        KeepTables(width, height, quality);
    return true;
}

void JpegEncoder::UseCarriedTables() {
    jpeg_compress_struct& c = state_->cinfo;
    for (int i = 0; i < 2; ++i) { // jpeg_set_defaults allocated both
        CopyInto(c.dc_huff_tbl_ptrs[i], state_->tables.dc[i]);
        CopyInto(c.ac_huff_tbl_ptrs[i], state_->tables.ac[i]);
    }
}

// libjpeg leaves the tables it computed for this picture in its table slots.
void JpegEncoder::KeepTables(int width, int height, int quality) {
    const jpeg_compress_struct& c = state_->cinfo;
    CarriedTables& t = state_->tables;
    t.valid = false;
    for (int i = 0; i < 2; ++i) {
        if (!c.dc_huff_tbl_ptrs[i] || !c.ac_huff_tbl_ptrs[i]) return;
        t.dc[i] = jpeg::CompleteTable(CopyOf(c.dc_huff_tbl_ptrs[i]), jpeg::TableClass::Dc);
        t.ac[i] = jpeg::CompleteTable(CopyOf(c.ac_huff_tbl_ptrs[i]), jpeg::TableClass::Ac);
    }
    t.valid = true;
    t.width = width;
    t.height = height;
    t.quality = quality;
    t.picturesLeft = kPicturesPerTables - 1;
}

} // namespace sp
