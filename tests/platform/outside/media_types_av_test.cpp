#include "platform/outside/media_types_av.h"

#include "media_files.h"
#include "platform/graph/guids.h"
#include "platform/outside/demuxer.h"

#include <gtest/gtest.h>

#include <array>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace sp::outside {
namespace {

using testing::mediaPath;

std::unique_ptr<Demuxer> open(const char* name, const char* format) {
    std::string error;
    auto d = Demuxer::openFile(mediaPath(name), format, &error);
    EXPECT_TRUE(d) << name << ": " << error;
    return d;
}

const DemuxerStream* nth(const Demuxer& d, StreamKind kind, int n = 0) {
    for (const auto& s : d.streams())
        if (s.kind == kind && n-- == 0) return &s;
    return nullptr;
}

std::string fourCC(uint32_t code) {
    std::string s;
    for (int i = 0; i < 4; ++i)
        s += char((code >> (8 * i)) & 0xFF);
    return s;
}

TEST(MediaTypes, AviVideoIsVideoInfoWithTheStreamsFourCC) {
    auto d = open("avi_mjpeg.avi", "avi");
    ASSERT_TRUE(d);
    const auto* v = nth(*d, StreamKind::Video);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->mediaType.majortype, mf::MEDIATYPE_Video);
    EXPECT_EQ(v->mediaType.subtype, mf::MEDIASUBTYPE_MJPG);
    EXPECT_EQ(v->mediaType.formattype, mf::FORMAT_VideoInfo);
    auto vih = v->mediaType.formatAs<mf::VIDEOINFOHEADER>();
    ASSERT_TRUE(vih);
    EXPECT_EQ(fourCC(vih->bmiHeader.biCompression), "MJPG");
    EXPECT_EQ(vih->bmiHeader.biWidth, 320);
    EXPECT_EQ(vih->bmiHeader.biHeight, 240);
    EXPECT_EQ(vih->AvgTimePerFrame, 400000);
    const auto* a = nth(*d, StreamKind::Audio);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->mediaType.subtype, mf::MEDIASUBTYPE_PCM);
    auto wfx = a->mediaType.formatAs<mf::WAVEFORMATEX>();
    ASSERT_TRUE(wfx);
    EXPECT_EQ(a->mediaType.cbFormat(), 18u);
    EXPECT_EQ(wfx->wFormatTag, 1);
    EXPECT_EQ(wfx->nSamplesPerSec, 48000u);
    EXPECT_EQ(wfx->wBitsPerSample, 16);
    EXPECT_EQ(wfx->nBlockAlign, 2);
}

TEST(MediaTypes, DvType2IsVideoDvsdAndTypes1AndRawAreInterleaved) {
    auto t2 = open("avi_dv_type2.avi", "avi");
    ASSERT_TRUE(t2);
    const auto* v = nth(*t2, StreamKind::Video);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->mediaType.subtype, mf::MEDIASUBTYPE_dvsd);
    EXPECT_EQ(v->mediaType.formattype, mf::FORMAT_VideoInfo);
    EXPECT_GE(v->mediaType.cbFormat(), 88u);
    EXPECT_EQ(v->mediaType.bitmapHeader()->biHeight, 576);

    for (auto [name, format] : {std::pair{"avi_dv_type1.avi", "avi"}, {"raw.dv", "dv"}}) {
        auto d = open(name, format);
        ASSERT_TRUE(d);
        const auto* s = nth(*d, StreamKind::Interleaved);
        ASSERT_TRUE(s) << name;
        EXPECT_EQ(s->mediaType.majortype, mf::MEDIATYPE_Interleaved);
        EXPECT_EQ(s->mediaType.subtype, mf::MEDIASUBTYPE_dvsd);
        EXPECT_EQ(s->mediaType.formattype, mf::FORMAT_DvInfo);
        ASSERT_EQ(s->mediaType.cbFormat(), 32u);
        auto info = s->mediaType.formatAs<mf::DVINFO>();
        // AAUX source pack of a 48 kHz PAL frame, VAUX source control with the 16:9 flag.
        EXPECT_EQ(info->dwDVAAuxSrc & 0xFF, 0xD8u) << name;
        EXPECT_NE(info->dwDVAAuxSrc1, 0u);
        EXPECT_NE(info->dwDVVAuxSrc, 0u);
        EXPECT_EQ((info->dwDVVAuxCtl >> 8) & 0x07, 0x02u) << "display select 16:9";
        auto p = d->readPacket();
        ASSERT_TRUE(p);
        EXPECT_EQ(p->data().size(), 144000u) << "whole PAL frames with their audio";
        EXPECT_EQ(s->mediaType.lSampleSize, 144000u);
    }
}

TEST(MediaTypes, Mpeg1VideoCarriesItsSequenceHeader) {
    auto d = open("mpeg1.mpg", "mpeg");
    ASSERT_TRUE(d);
    const auto* v = nth(*d, StreamKind::Video);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->mediaType.subtype, mf::MEDIASUBTYPE_MPEG1Payload);
    EXPECT_EQ(v->mediaType.formattype, mf::FORMAT_MPEGVideo);
    auto info = v->mediaType.formatAs<mf::MPEG1VIDEOINFO>();
    ASSERT_TRUE(info);
    EXPECT_GE(info->cbSequenceHeader, 12u);
    EXPECT_EQ(v->mediaType.cbFormat(), 96u + info->cbSequenceHeader);
    const uint8_t* seq = v->mediaType.pbFormat() + 96;
    EXPECT_EQ(seq[3], 0xB3);
    EXPECT_EQ(info->hdr.bmiHeader.biWidth, 352);
    EXPECT_EQ(info->hdr.AvgTimePerFrame, 400000);
    const auto* a = nth(*d, StreamKind::Audio);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->mediaType.subtype, mf::MEDIASUBTYPE_MPEG1AudioPayload);
    EXPECT_EQ(a->mediaType.formatAs<mf::WAVEFORMATEX>()->nSamplesPerSec, 44100u);
}

struct Mpeg2Case {
    const char* name;
    const char* format;
    uint32_t aspectX, aspectY;
};

TEST(MediaTypes, Mpeg2VideoCarriesPictureAspectAndSequenceHeader) {
    for (const auto& c :
         {Mpeg2Case{"mpeg2_16x9.mpg", "mpeg", 16, 9}, Mpeg2Case{"dvd.vob", "mpeg", 4, 3},
          Mpeg2Case{"mpeg2.ts", "mpegts", 11, 9}}) { // square pixels, 352x288
        auto d = open(c.name, c.format);
        ASSERT_TRUE(d);
        const auto* v = nth(*d, StreamKind::Video);
        ASSERT_TRUE(v) << c.name;
        EXPECT_EQ(v->mediaType.subtype, mf::MEDIASUBTYPE_MPEG2_VIDEO);
        EXPECT_EQ(v->mediaType.formattype, mf::FORMAT_MPEG2Video);
        auto info = v->mediaType.formatAs<mf::MPEG2VIDEOINFO>();
        ASSERT_TRUE(info) << c.name;
        EXPECT_EQ(info->hdr.dwPictAspectRatioX, c.aspectX) << c.name;
        EXPECT_EQ(info->hdr.dwPictAspectRatioY, c.aspectY) << c.name;
        EXPECT_EQ(v->mediaType.cbFormat(), 132u + info->cbSequenceHeader);
        EXPECT_EQ(v->mediaType.pbFormat()[132 + 3], 0xB3);
        EXPECT_EQ(info->hdr.bmiHeader.biHeight, 288);
        EXPECT_EQ(info->dwProfile, 2u) << "main profile";
        EXPECT_EQ(info->dwLevel, 2u) << "main level";
    }
}

TEST(MediaTypes, VobAudioIsAc3AndLpcm) {
    auto d = open("dvd.vob", "mpeg");
    ASSERT_TRUE(d);
    ASSERT_TRUE(nth(*d, StreamKind::Audio, 1));
    EXPECT_EQ(nth(*d, StreamKind::Audio, 0)->mediaType.subtype, mf::MEDIASUBTYPE_DOLBY_AC3);
    EXPECT_EQ(nth(*d, StreamKind::Audio, 1)->mediaType.subtype, mf::MEDIASUBTYPE_DVD_LPCM_AUDIO);
}

TEST(MediaTypes, H264IsVideoInfo2WithFourCCAspectAndPrivateData) {
    for (auto [name, format] : {std::pair{"h264.mkv", "matroska,webm"},
                                {"h264.mp4", "mov,mp4,m4a,3gp,3g2,mj2"},
                                {"avchd.m2ts", "mpegts"}}) {
        auto d = open(name, format);
        ASSERT_TRUE(d);
        const auto* v = nth(*d, StreamKind::Video);
        ASSERT_TRUE(v);
        EXPECT_EQ(v->mediaType.subtype, mf::MEDIASUBTYPE_H264) << name;
        EXPECT_EQ(v->mediaType.formattype, mf::FORMAT_VideoInfo2);
        auto vih2 = v->mediaType.formatAs<mf::VIDEOINFOHEADER2>();
        ASSERT_TRUE(vih2);
        EXPECT_EQ(fourCC(vih2->bmiHeader.biCompression), "H264");
        EXPECT_EQ(vih2->dwPictAspectRatioX, 4u);
        EXPECT_EQ(vih2->dwPictAspectRatioY, 3u);
        EXPECT_EQ(vih2->bmiHeader.biSize, 40u + (v->mediaType.cbFormat() - 112));
    }
}

TEST(MediaTypes, OtherAudioUsesTheWaveTagAndKeepsPrivateData) {
    auto wmv = open("wmv8.wmv", "asf");
    ASSERT_TRUE(wmv);
    const auto* a = nth(*wmv, StreamKind::Audio);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->mediaType.subtype, mf::fourCCGuid(0x161));
    auto wfx = a->mediaType.formatAs<mf::WAVEFORMATEX>();
    EXPECT_EQ(wfx->wFormatTag, 0x161);
    EXPECT_GT(wfx->cbSize, 0);
    EXPECT_EQ(a->mediaType.cbFormat(), 18u + wfx->cbSize);
    const auto* v = nth(*wmv, StreamKind::Video);
    EXPECT_EQ(v->mediaType.subtype, mf::fourCCGuid(mf::makeFourCC('W', 'M', 'V', '2')));
    EXPECT_EQ(v->mediaType.formattype, mf::FORMAT_VideoInfo);

    auto m2ts = open("avchd.m2ts", "mpegts");
    EXPECT_EQ(nth(*m2ts, StreamKind::Audio)->mediaType.subtype, mf::MEDIASUBTYPE_DOLBY_AC3);
    auto mp3 = open("audio_only.mp3", "mp3");
    EXPECT_EQ(nth(*mp3, StreamKind::Audio)->mediaType.subtype, mf::fourCCGuid(0x55));
}

// A decoder gets nothing but the media type: the codec must come back from it.
TEST(MediaTypes, CodecParametersComeBackFromEveryStreamType) {
    const std::pair<const char*, const char*> files[] = {
        {"avi_mjpeg.avi", "avi"},   {"avi_dv_type2.avi", "avi"}, {"raw.dv", "dv"},
        {"mpeg1.mpg", "mpeg"},      {"dvd.vob", "mpeg"},         {"mpeg2.ts", "mpegts"},
        {"avchd.m2ts", "mpegts"},   {"wmv8.wmv", "asf"},         {"h264.mkv", "matroska,webm"},
        {"three_audio.avi", "avi"}, {"audio_only.mp3", "mp3"},
    };
    for (const auto& [name, format] : files) {
        auto d = open(name, format);
        ASSERT_TRUE(d);
        for (const auto& s : d->streams()) {
            if (s.kind == StreamKind::Other) continue;
            auto par = codecParametersFor(s.mediaType);
            ASSERT_TRUE(par) << name << " " << s.codecName;
            std::string back = avcodec_get_name(par->codec_id);
            // MPEG audio layers share one decoder family.
            if (s.codecName == "mp2" || s.codecName == "mp1") back = s.codecName;
            EXPECT_EQ(back, s.codecName) << name;
        }
    }
    EXPECT_FALSE(codecParametersFor(mf::MediaType{}));
    EXPECT_FALSE(codecParametersFor(
        mf::makeVideoInfoType(mf::fourCCGuid(0x31323334), 8, 8, 24, 0, 0x31323334)));
}

TEST(MediaTypes, Mpeg2AspectCodes) {
    uint8_t header[12] = {0, 0, 1, 0xB3, 0x16, 0x01, 0x20, 0x23};
    auto r = mpeg2PictureAspect(header, 352, 288);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->x, 4);
    EXPECT_EQ(r->y, 3);
    header[7] = 0x33;
    EXPECT_EQ(mpeg2PictureAspect(header, 352, 288)->x, 16);
    header[7] = 0x13;
    EXPECT_EQ(mpeg2PictureAspect(header, 352, 288)->x, 11);
    header[7] = 0x93;
    EXPECT_FALSE(mpeg2PictureAspect(header, 352, 288));
    header[3] = 0xB8;
    EXPECT_FALSE(mpeg2PictureAspect(header, 352, 288));
}

// The first pack with `id` in the VAUX blocks (video) or subcode sync blocks of DIF sequence 0.
std::array<uint8_t, 5> dvPack(std::span<const uint8_t> frame, uint8_t id, bool subcode) {
    for (size_t block = subcode ? 1 : 3; block < (subcode ? 3u : 6u); ++block)
        for (size_t k = 0; k < (subcode ? 6u : 15u); ++k) {
            size_t off = block * 80 + 3 + (subcode ? 8 * k + 3 : 5 * k);
            if (frame[off] == id)
                return {frame[off], frame[off + 1], frame[off + 2], frame[off + 3], frame[off + 4]};
        }
    return {};
}

// The generated DV carries the recording date 2009-07-14 15:42:07 and timecode 10:20:30:12 that
// the notifier and the inlay tests read.
TEST(MediaTypes, GeneratedDvCarriesRecordingDateAndTimecode) {
    for (auto [name, format] : {std::pair{"raw.dv", "dv"}, {"avi_dv_type1.avi", "avi"}}) {
        auto d = open(name, format);
        ASSERT_TRUE(d);
        auto p = d->readPacket();
        ASSERT_TRUE(p);
        auto date = dvPack(p->data(), 0x62, false);
        EXPECT_EQ(date[2] & 0x3F, 0x14) << name << " day";
        EXPECT_EQ(date[3] & 0x1F, 0x07) << name << " month";
        EXPECT_EQ(date[4], 0x09) << name << " year";
        auto time = dvPack(p->data(), 0x63, false);
        EXPECT_EQ(time[2] & 0x7F, 0x07) << name << " seconds";
        EXPECT_EQ(time[3] & 0x7F, 0x42) << name << " minutes";
        EXPECT_EQ(time[4] & 0x3F, 0x15) << name << " hours";
        auto tc = dvPack(p->data(), 0x13, true);
        EXPECT_EQ(tc[1] & 0x3F, 0x12) << name << " frames";
        EXPECT_EQ(tc[2] & 0x7F, 0x30) << name << " seconds";
        EXPECT_EQ(tc[3] & 0x7F, 0x20) << name << " minutes";
        EXPECT_EQ(tc[4] & 0x3F, 0x10) << name << " hours";
    }
}

TEST(MediaTypes, DvInfoOfShortOrBlankFramesIsZero) {
    std::vector<uint8_t> blank(144000, 0xFF);
    blank[3] = 0x80;
    auto info = dvInfoFromFrame(blank);
    EXPECT_EQ(info.dwDVAAuxSrc, 0u);
    EXPECT_EQ(info.dwDVVAuxCtl, 0u);
    EXPECT_EQ(dvInfoFromFrame(std::span<const uint8_t>(blank).first(100)).dwDVVAuxSrc, 0u);
}

} // namespace
} // namespace sp::outside
