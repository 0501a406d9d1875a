#include "platform/system/jpeg_encoder.h"

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

struct JpegEncoder::State {
    jpeg_compress_struct cinfo{};
    ErrorManager errors{};
    VectorDestination destination{};
    std::vector<JSAMPROW> rows;
};

JpegEncoder::JpegEncoder() : state_(std::make_unique<State>()) {
    State& s = *state_;
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

bool JpegEncoder::Encode(const PictureView& picture, int quality, std::span<const uint8_t> exif,
                         std::string* error) {
    outputSize_ = 0;
    if (!picture.pixels || picture.width < 1 || picture.height < 1 ||
        picture.width > JPEG_MAX_DIMENSION || picture.height > JPEG_MAX_DIMENSION ||
        picture.strideBytes < picture.width * 4) {
        if (error) *error = "no picture to write";
        return false;
    }
    State& s = *state_;
    s.rows.resize(size_t(picture.height));
    for (int y = 0; y < picture.height; ++y)
        s.rows[size_t(y)] =
            const_cast<JSAMPROW>(picture.pixels) + size_t(y) * size_t(picture.strideBytes);
    // A first guess that holds most pictures at ordinary qualities without growing.
    output_.resize(
        std::max(output_.size(), size_t(picture.width) * size_t(picture.height) / 4 + 4096));

    jpeg_compress_struct& c = s.cinfo;
    if (setjmp(s.errors.jump)) {
        jpeg_abort_compress(&c);
        if (error) *error = std::string("the JPEG encoder failed: ") + s.errors.message;
        return false;
    }
    c.image_width = JDIMENSION(picture.width);
    c.image_height = JDIMENSION(picture.height);
    c.input_components = 4;
    c.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&c); // 4:2:0 chroma, JFIF header
    jpeg_set_quality(&c, std::clamp(quality, 1, 100), TRUE);
    c.dct_method = JDCT_ISLOW;
    c.optimize_coding = TRUE;
    jpeg_start_compress(&c, TRUE);
    if (!exif.empty() && exif.size() <= 65533)
        jpeg_write_marker(&c, JPEG_APP0 + 1, exif.data(), unsigned(exif.size()));
    while (c.next_scanline < c.image_height)
        jpeg_write_scanlines(&c, s.rows.data() + c.next_scanline, c.image_height - c.next_scanline);
    jpeg_finish_compress(&c);
    outputSize_ = output_.size() - s.destination.pub.free_in_buffer;
    return true;
}

} // namespace sp
