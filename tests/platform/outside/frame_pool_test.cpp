#include "platform/outside/frame_pool.h"

#include "media_files.h"
#include "platform/outside/decoder_context.h"
#include "platform/outside/demuxer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace sp::outside {
namespace {

using testing::mediaPath;

// Every decoded picture of the file's video stream, planes packed row by row (no padding).
struct Decoded {
    std::vector<std::vector<uint8_t>> pictures;
    int pooled = 0; // pictures whose planes all lay in one pool block
};

std::vector<uint8_t> packedPlanes(const AVFrame& f) {
    std::vector<uint8_t> out;
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(f.format));
    for (int plane = 0; plane < 4 && f.data[plane]; ++plane) {
        const int bytes = av_image_get_linesize(AVPixelFormat(f.format), f.width, plane);
        const int rows =
            plane == 1 || plane == 2 ? AV_CEIL_RSHIFT(f.height, desc->log2_chroma_h) : f.height;
        for (int y = 0; y < rows; ++y) {
            const uint8_t* row = f.data[plane] + ptrdiff_t(y) * f.linesize[plane];
            out.insert(out.end(), row, row + bytes);
        }
    }
    return out;
}

Decoded decodeAll(const std::string& path, FramePool* pool) {
    Decoded result;
    std::string error;
    auto demuxer = Demuxer::openFile(path, "", &error);
    EXPECT_TRUE(demuxer) << error;
    if (!demuxer) return result;
    const DemuxerStream& video = demuxer->streams().front();
    std::function<void(AVCodecContext*)> prepare;
    if (pool) prepare = [pool](AVCodecContext* c) { pool->attach(c); };
    AVCodecContext* codec =
        openDecoderContext(video.mediaType, AVMEDIA_TYPE_VIDEO, 2, &error, prepare);
    EXPECT_TRUE(codec) << error;
    if (!codec) return result;
    AVFrame* frame = av_frame_alloc();
    auto take = [&] {
        while (avcodec_receive_frame(codec, frame) == 0) {
            result.pictures.push_back(packedPlanes(*frame));
            if (frame->buf[0] && !frame->buf[1]) ++result.pooled;
            av_frame_unref(frame);
        }
    };
    while (auto packet = demuxer->readPacket()) {
        if (packet->streamIndex != video.index) continue;
        avcodec_send_packet(codec, packet->raw.get());
        take();
    }
    avcodec_send_packet(codec, nullptr);
    take();
    av_frame_free(&frame);
    avcodec_free_context(&codec);
    return result;
}

TEST(FramePool, FullHdPicturesFromThePoolDecodeExactlyAsWithLibavcodecsBuffers) {
    // H.264 4:2:0 with frame threads and B-frames, MPEG-2 4:2:2.
    for (const auto& [file, count] :
         {std::pair{"h264_1080p.mp4", 25u}, std::pair{"mpeg2_1080_422.mpg", 10u}}) {
        const std::string path = mediaPath(file);
        const Decoded plain = decodeAll(path, nullptr);
        FramePool pool;
        const Decoded pooled = decodeAll(path, &pool);
        ASSERT_EQ(plain.pictures.size(), count) << file;
        ASSERT_EQ(pooled.pictures.size(), plain.pictures.size()) << file;
        EXPECT_EQ(plain.pooled, 0) << file;
        EXPECT_EQ(pooled.pooled, int(count)) << file; // one block a picture, every picture
        for (size_t i = 0; i < plain.pictures.size(); ++i)
            EXPECT_TRUE(pooled.pictures[i] == plain.pictures[i]) << file << " picture " << i;
    }
}

TEST(FramePool, PalPicturesShareLargePagesAndDecodeExactlyAsWithLibavcodecsBuffers) {
    const std::string path = mediaPath("avi_dv_type2.avi"); // 720 x 576, 4:2:0
    const Decoded plain = decodeAll(path, nullptr);
    Decoded pooled;
    {
        FramePool pool;
        pooled = decodeAll(path, &pool);
    } // the pool goes before the pictures it cut: they were copied out already
    ASSERT_EQ(plain.pictures.size(), 50u);
    ASSERT_EQ(pooled.pictures.size(), plain.pictures.size());
    EXPECT_EQ(pooled.pooled, 50);
    for (size_t i = 0; i < plain.pictures.size(); ++i)
        EXPECT_TRUE(pooled.pictures[i] == plain.pictures[i]) << "picture " << i;
}

TEST(FramePool, SmallPicturesKeepLibavcodecsBuffers) {
    FramePool pool;
    const Decoded small = decodeAll(mediaPath("h264.mp4"), &pool);
    ASSERT_GT(small.pictures.size(), 50u);
    EXPECT_EQ(small.pooled, 0);
}

} // namespace
} // namespace sp::outside
