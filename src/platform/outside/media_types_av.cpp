#include "platform/outside/media_types_av.h"

#include "platform/graph/guids.h"
#include "platform/outside/picture_turn.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
}

namespace sp::outside {

namespace {

constexpr int64_t kHnsPerSecond = 10'000'000;
constexpr size_t kDifBlock = 80;
constexpr size_t kDifSequence = 150 * kDifBlock;

uint32_t riffTag(AVCodecID id, bool video) {
    const AVCodecTag* const tables[] = {
        video ? avformat_get_riff_video_tags() : avformat_get_riff_audio_tags(), nullptr};
    return av_codec_get_tag(tables, id);
}

uint32_t movTag(AVCodecID id, bool video) {
    const AVCodecTag* const tables[] = {
        video ? avformat_get_mov_video_tags() : avformat_get_mov_audio_tags(), nullptr};
    return av_codec_get_tag(tables, id);
}

AVCodecID codecForTag(uint32_t tag, bool video) {
    const AVCodecTag* const riff[] = {
        video ? avformat_get_riff_video_tags() : avformat_get_riff_audio_tags(), nullptr};
    AVCodecID id = av_codec_get_id(riff, tag);
    if (id != AV_CODEC_ID_NONE) return id;
    const AVCodecTag* const mov[] = {
        video ? avformat_get_mov_video_tags() : avformat_get_mov_audio_tags(), nullptr};
    return av_codec_get_id(mov, tag);
}

std::span<const uint8_t> extradataOf(const AVCodecParameters& par) {
    if (!par.extradata || par.extradata_size <= 0) return {};
    return {par.extradata, size_t(par.extradata_size)};
}

int64_t frameDurationHns(const AVStream& st) {
    AVRational rate = st.avg_frame_rate.num > 0 ? st.avg_frame_rate : st.r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) return 0;
    return av_rescale(kHnsPerSecond, rate.den, rate.num);
}

} // namespace

// Variable rate: the base rate (libavformat's r_frame_rate, the lowest rate on whose grid every
// frame starts) is faster than the average, and not a whole multiple of it as a field rate is.
// Timecodes count frames in at most a byte.
int64_t variableRateBaseFrameHns(const AVStream& st) {
    const AVRational avg = st.avg_frame_rate, base = st.r_frame_rate;
    if (avg.num <= 0 || avg.den <= 0 || base.num <= 0 || base.den <= 0) return 0;
    const double ratio = av_q2d(base) / av_q2d(avg);
    if (ratio < 1.01 || std::abs(ratio - std::round(ratio)) < 0.01 || av_q2d(base) > 240) return 0;
    return av_rescale(kHnsPerSecond, base.den, base.num);
}

namespace {

AspectRatio pictureAspect(const AVCodecParameters& par, AVRational sar) {
    if (sar.num <= 0 || sar.den <= 0) sar = {1, 1};
    int x = 0, y = 0;
    av_reduce(&x, &y, int64_t(par.width) * sar.num, int64_t(par.height) * sar.den, 1 << 30);
    return {x, y};
}

mf::BITMAPINFOHEADER bitmapHeader(const AVCodecParameters& par, uint32_t fourcc,
                                  size_t extraBytes) {
    mf::BITMAPINFOHEADER bih;
    bih.biSize = uint32_t(sizeof(mf::BITMAPINFOHEADER) + extraBytes);
    bih.biWidth = par.width;
    bih.biHeight = par.height;
    bih.biBitCount = uint16_t(par.bits_per_coded_sample > 0 ? par.bits_per_coded_sample : 24);
    bih.biCompression = fourcc;
    bih.biSizeImage = uint32_t(par.width) * uint32_t(par.height) * 3;
    return bih;
}

template <class Header> void fillVideoCommon(Header& h, const AVStream& st) {
    const AVCodecParameters& par = *st.codecpar;
    h.rcSource = {0, 0, par.width, par.height};
    h.rcTarget = h.rcSource;
    h.dwBitRate = uint32_t(std::clamp<int64_t>(par.bit_rate, 0, UINT32_MAX));
    h.AvgTimePerFrame = frameDurationHns(st);
}

void appendBytes(mf::MediaType& mt, std::span<const uint8_t> bytes) {
    mt.format.insert(mt.format.end(), bytes.begin(), bytes.end());
}

mf::MediaType videoInfoType(const AVStream& st, uint32_t fourcc) {
    auto extra = extradataOf(*st.codecpar);
    mf::VIDEOINFOHEADER vih;
    fillVideoCommon(vih, st);
    vih.bmiHeader = bitmapHeader(*st.codecpar, fourcc, extra.size());
    mf::MediaType mt;
    mt.formattype = mf::FORMAT_VideoInfo;
    mt.setFormat(vih);
    appendBytes(mt, extra);
    return mt;
}

// The display matrix MP4 and MOV (and, with newer libavformat, Matroska) give the stream.
const int32_t* displayMatrix(const AVStream& st) {
#if LIBAVFORMAT_VERSION_MAJOR >= 61
    const AVPacketSideData* sd = av_packet_side_data_get(
        st.codecpar->coded_side_data, st.codecpar->nb_coded_side_data, AV_PKT_DATA_DISPLAYMATRIX);
    if (!sd || sd->size < 9 * sizeof(int32_t)) return nullptr;
    return reinterpret_cast<const int32_t*>(sd->data);
#else
    size_t size = 0;
    const uint8_t* data = av_stream_get_side_data(&st, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!data || size < 9 * sizeof(int32_t)) return nullptr;
    return reinterpret_cast<const int32_t*>(data);
#endif
}

mf::VIDEOINFOHEADER2 videoInfo2Header(const AVStream& st, uint32_t fourcc, size_t extraBytes,
                                      AspectRatio aspect) {
    mf::VIDEOINFOHEADER2 vih2;
    fillVideoCommon(vih2, st);
    if (const int32_t* matrix = displayMatrix(st))
        vih2.dwReserved2 = orientationFromDisplayMatrix(matrix).packed();
    vih2.dwPictAspectRatioX = uint32_t(aspect.x);
    vih2.dwPictAspectRatioY = uint32_t(aspect.y);
    vih2.bmiHeader = bitmapHeader(*st.codecpar, fourcc, extraBytes);
    return vih2;
}

mf::MediaType videoInfo2Type(const AVStream& st, uint32_t fourcc) {
    auto extra = extradataOf(*st.codecpar);
    AVRational sar =
        st.sample_aspect_ratio.num ? st.sample_aspect_ratio : st.codecpar->sample_aspect_ratio;
    mf::MediaType mt;
    mt.formattype = mf::FORMAT_VideoInfo2;
    mt.setFormat(videoInfo2Header(st, fourcc, extra.size(), pictureAspect(*st.codecpar, sar)));
    appendBytes(mt, extra);
    return mt;
}

// The sequence header and its extensions: from the 00 00 01 B3 start code up to the next start
// code that is neither an extension (B5) nor user data (B2).
std::span<const uint8_t> sequenceHeader(std::span<const uint8_t> data) {
    size_t start = 0;
    while (start + 4 <= data.size() && !(data[start] == 0 && data[start + 1] == 0 &&
                                         data[start + 2] == 1 && data[start + 3] == 0xB3))
        ++start;
    if (start + 12 > data.size()) return {};
    size_t end = start + 4;
    while (end + 4 <= data.size()) {
        if (data[end] == 0 && data[end + 1] == 0 && data[end + 2] == 1 && data[end + 3] != 0xB5 &&
            data[end + 3] != 0xB2)
            break;
        ++end;
    }
    if (end + 4 > data.size()) end = data.size();
    return data.subspan(start, end - start);
}

mf::MediaType mpeg1VideoType(const AVStream& st) {
    auto header = sequenceHeader(extradataOf(*st.codecpar));
    mf::MPEG1VIDEOINFO info;
    fillVideoCommon(info.hdr, st);
    info.hdr.bmiHeader = bitmapHeader(*st.codecpar, 0, 0);
    info.cbSequenceHeader = uint32_t(header.size());
    mf::MediaType mt;
    mt.subtype = mf::MEDIASUBTYPE_MPEG1Payload;
    mt.formattype = mf::FORMAT_MPEGVideo;
    mt.setFormat(info);
    mt.format.resize(mf::mpeg1FormatSize(0));
    appendBytes(mt, header);
    return mt;
}

// libavcodec's MPEG-2 profile and level numbers to the AM_MPEG2Profile / AM_MPEG2Level values.
uint32_t mpeg2Profile(int profile) {
    return profile >= 1 && profile <= 5 ? 6 - profile : 0;
}
uint32_t mpeg2Level(int level) {
    switch (level) {
    case 10:
        return 1;
    case 8:
        return 2;
    case 6:
        return 3;
    case 4:
        return 4;
    default:
        return 0;
    }
}

mf::MediaType mpeg2VideoType(const AVStream& st) {
    const AVCodecParameters& par = *st.codecpar;
    auto header = sequenceHeader(extradataOf(par));
    auto aspect = mpeg2PictureAspect(header, par.width, par.height)
                      .value_or(pictureAspect(par, par.sample_aspect_ratio));
    mf::MPEG2VIDEOINFO info;
    info.hdr = videoInfo2Header(st, 0, 0, aspect);
    info.cbSequenceHeader = uint32_t(header.size());
    info.dwProfile = mpeg2Profile(par.profile);
    info.dwLevel = mpeg2Level(par.level);
    mf::MediaType mt;
    mt.subtype = mf::MEDIASUBTYPE_MPEG2_VIDEO;
    mt.formattype = mf::FORMAT_MPEG2Video;
    mt.setFormat(info);
    mt.format.resize(mf::mpeg2FormatSize(0));
    appendBytes(mt, header);
    return mt;
}

bool isVfwContainer(std::string_view container) {
    return container == "avi" || container == "asf";
}

std::optional<mf::MediaType> videoType(const AVStream& st, std::string_view container) {
    const AVCodecParameters& par = *st.codecpar;
    if (par.codec_id == AV_CODEC_ID_MPEG1VIDEO) return mpeg1VideoType(st);
    if (par.codec_id == AV_CODEC_ID_MPEG2VIDEO) return mpeg2VideoType(st);
    uint32_t fourcc = 0;
    if (par.codec_id == AV_CODEC_ID_DVVIDEO)
        fourcc = mf::makeFourCC('d', 'v', 's', 'd');
    else if (isVfwContainer(container) && par.codec_tag != 0)
        fourcc = par.codec_tag;
    else if (par.codec_id == AV_CODEC_ID_RAWVIDEO) // uncompressed: named by its pixel layout
        fourcc = avcodec_pix_fmt_to_codec_tag(AVPixelFormat(par.format));
    else
        fourcc = riffTag(par.codec_id, true);
    if (fourcc == 0) fourcc = movTag(par.codec_id, true);
    if (fourcc == 0) return std::nullopt;
    mf::MediaType mt =
        isVfwContainer(container) ? videoInfoType(st, fourcc) : videoInfo2Type(st, fourcc);
    mt.subtype = mf::fourCCGuid(fourcc);
    return mt;
}

struct AudioSubtype {
    mf::GUID subtype;
    uint16_t formatTag = 0;
};

std::optional<AudioSubtype> audioSubtype(const AVCodecParameters& par) {
    switch (par.codec_id) {
    case AV_CODEC_ID_MP1:
    case AV_CODEC_ID_MP2:
        // MPEG-1 audio has the 32, 44.1 and 48 kHz rates; the lower ones are MPEG-2's.
        return par.sample_rate >= 32000 ? AudioSubtype{mf::MEDIASUBTYPE_MPEG1AudioPayload, 0x50}
                                        : AudioSubtype{mf::MEDIASUBTYPE_MPEG2_AUDIO, 0x50};
    case AV_CODEC_ID_AC3:
        return AudioSubtype{mf::MEDIASUBTYPE_DOLBY_AC3, 0x2000};
    case AV_CODEC_ID_PCM_DVD:
        return AudioSubtype{mf::MEDIASUBTYPE_DVD_LPCM_AUDIO, 1};
    case AV_CODEC_ID_PCM_U8:
    case AV_CODEC_ID_PCM_S16LE:
    case AV_CODEC_ID_PCM_S24LE:
    case AV_CODEC_ID_PCM_S32LE:
        return AudioSubtype{mf::MEDIASUBTYPE_PCM, mf::WAVE_FORMAT_PCM};
    case AV_CODEC_ID_PCM_F32LE:
    case AV_CODEC_ID_PCM_F64LE:
        return AudioSubtype{mf::MEDIASUBTYPE_IEEE_FLOAT, 3};
    default:
        break;
    }
    uint32_t tag = riffTag(par.codec_id, false);
    if (tag != 0 && tag <= 0xFFFF) return AudioSubtype{mf::fourCCGuid(tag), uint16_t(tag)};
    tag = movTag(par.codec_id, false);
    if (tag != 0) return AudioSubtype{mf::fourCCGuid(tag), 0xFFFE};
    return std::nullopt;
}

std::optional<mf::MediaType> audioType(const AVStream& st) {
    const AVCodecParameters& par = *st.codecpar;
    auto sub = audioSubtype(par);
    if (!sub) return std::nullopt;
    auto extra = extradataOf(par);
    const int channels = par.ch_layout.nb_channels;
    int bits = par.bits_per_coded_sample;
    if (bits == 0) bits = av_get_bits_per_sample(par.codec_id);
    mf::WAVEFORMATEX wfx;
    wfx.wFormatTag = sub->formatTag;
    wfx.nChannels = uint16_t(channels);
    wfx.nSamplesPerSec = uint32_t(par.sample_rate);
    wfx.wBitsPerSample = uint16_t(bits);
    wfx.nBlockAlign = uint16_t(par.block_align > 0 ? par.block_align : channels * bits / 8);
    wfx.nAvgBytesPerSec =
        par.bit_rate > 0 ? uint32_t(par.bit_rate / 8) : wfx.nBlockAlign * wfx.nSamplesPerSec;
    wfx.cbSize = uint16_t(std::min<size_t>(extra.size(), UINT16_MAX));
    mf::MediaType mt;
    mt.majortype = mf::MEDIATYPE_Audio;
    mt.subtype = sub->subtype;
    mt.formattype = mf::FORMAT_WaveFormatEx;
    mt.bFixedSizeSamples = sub->subtype == mf::MEDIASUBTYPE_PCM;
    mt.lSampleSize = mt.bFixedSizeSamples ? wfx.nBlockAlign : 0;
    mt.setFormat(wfx);
    appendBytes(mt, extra.first(wfx.cbSize));
    return mt;
}

uint32_t packAfterId(std::span<const uint8_t> frame, size_t offset) {
    return uint32_t(frame[offset + 1]) | uint32_t(frame[offset + 2]) << 8 |
           uint32_t(frame[offset + 3]) << 16 | uint32_t(frame[offset + 4]) << 24;
}

// Looks for pack `id` in the audio (AAUX) or video (VAUX) blocks of DIF sequences [from, to).
uint32_t findDvPack(std::span<const uint8_t> frame, size_t from, size_t to, uint8_t id,
                    bool audio) {
    for (size_t seq = from; seq < to; ++seq) {
        const size_t base = seq * kDifSequence;
        const size_t count = audio ? 9 : 45;
        for (size_t i = 0; i < count; ++i) {
            size_t off = audio ? base + (6 + 16 * i) * kDifBlock + 3
                               : base + (3 + i / 15) * kDifBlock + 3 + 5 * (i % 15);
            if (off + 5 <= frame.size() && frame[off] == id) return packAfterId(frame, off);
        }
    }
    return 0;
}

} // namespace

mf::DVINFO dvInfoFromFrame(std::span<const uint8_t> frame) {
    mf::DVINFO info;
    if (frame.size() < kDifSequence) return info;
    // The header block says 625/50 (12 sequences per frame) or 525/60 (10).
    const size_t sequences =
        std::min<size_t>((frame[3] & 0x80) ? 12 : 10, frame.size() / kDifSequence);
    const size_t half = sequences / 2;
    info.dwDVAAuxSrc = findDvPack(frame, 0, half, 0x50, true);
    info.dwDVAAuxCtl = findDvPack(frame, 0, half, 0x51, true);
    info.dwDVAAuxSrc1 = findDvPack(frame, half, sequences, 0x50, true);
    info.dwDVAAuxCtl1 = findDvPack(frame, half, sequences, 0x51, true);
    info.dwDVVAuxSrc = findDvPack(frame, 0, half, 0x60, false);
    info.dwDVVAuxCtl = findDvPack(frame, 0, half, 0x61, false);
    return info;
}

mf::MediaType interleavedDvType(std::span<const uint8_t> firstFrame) {
    mf::MediaType mt;
    mt.majortype = mf::MEDIATYPE_Interleaved;
    mt.subtype = mf::MEDIASUBTYPE_dvsd;
    mt.formattype = mf::FORMAT_DvInfo;
    mt.bFixedSizeSamples = true;
    mt.lSampleSize = uint32_t(firstFrame.size());
    mt.setFormat(dvInfoFromFrame(firstFrame));
    return mt;
}

std::optional<AspectRatio> mpeg2PictureAspect(std::span<const uint8_t> header, int width,
                                              int height) {
    if (header.size() < 8 || header[0] != 0 || header[1] != 0 || header[2] != 1 ||
        header[3] != 0xB3)
        return std::nullopt;
    switch (header[7] >> 4) {
    case 1: {
        if (width <= 0 || height <= 0) return std::nullopt;
        AspectRatio r;
        av_reduce(&r.x, &r.y, width, height, 1 << 30);
        return r;
    }
    case 2:
        return AspectRatio{4, 3};
    case 3:
        return AspectRatio{16, 9};
    case 4:
        return AspectRatio{221, 100};
    default:
        return std::nullopt;
    }
}

StreamDescription describeStream(const AVStream& stream, std::string_view containerName) {
    StreamDescription d;
    if (!stream.codecpar) return d;
    if (stream.codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
        if (auto mt = videoType(stream, containerName)) {
            mt->majortype = mf::MEDIATYPE_Video;
            mt->bFixedSizeSamples = false;
            mt->bTemporalCompression = true;
            d = {StreamKind::Video, std::move(*mt)};
        }
    } else if (stream.codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
        if (auto mt = audioType(stream)) d = {StreamKind::Audio, std::move(*mt)};
    }
    return d;
}

void CodecParametersDeleter::operator()(AVCodecParameters* p) const {
    avcodec_parameters_free(&p);
}

namespace {

bool setExtradata(AVCodecParameters& par, std::span<const uint8_t> bytes) {
    if (bytes.empty()) return true;
    par.extradata = static_cast<uint8_t*>(av_mallocz(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!par.extradata) return false;
    std::memcpy(par.extradata, bytes.data(), bytes.size());
    par.extradata_size = int(bytes.size());
    return true;
}

std::span<const uint8_t> blockTail(const mf::MediaType& mt, size_t offset, size_t length) {
    if (mt.format.size() <= offset) return {};
    return std::span<const uint8_t>(mt.format).subspan(offset,
                                                       std::min(length, mt.format.size() - offset));
}

AVCodecID videoCodecFor(const mf::MediaType& mt, const mf::BITMAPINFOHEADER& bih) {
    if (mt.subtype == mf::MEDIASUBTYPE_MPEG1Payload || mt.subtype == mf::MEDIASUBTYPE_MPEG1Packet ||
        mt.subtype == mf::MEDIASUBTYPE_MPEG1Video)
        return AV_CODEC_ID_MPEG1VIDEO;
    if (mt.subtype == mf::MEDIASUBTYPE_MPEG2_VIDEO) return AV_CODEC_ID_MPEG2VIDEO;
    if (mt.subtype == mf::MEDIASUBTYPE_dvsd) return AV_CODEC_ID_DVVIDEO;
    uint32_t tag = bih.biCompression != 0 ? bih.biCompression : mt.subtype.Data1;
    return codecForTag(tag, true);
}

CodecParametersPtr videoParameters(const mf::MediaType& mt) {
    CodecParametersPtr par(avcodec_parameters_alloc());
    if (!par) return nullptr;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    if (mt.formattype == mf::FORMAT_DvInfo) {
        par->codec_id = AV_CODEC_ID_DVVIDEO;
        return par;
    }
    auto bih = mt.bitmapHeader();
    if (!bih) return nullptr;
    par->codec_id = videoCodecFor(mt, *bih);
    if (par->codec_id == AV_CODEC_ID_NONE) return nullptr;
    par->codec_tag = bih->biCompression;
    par->width = bih->biWidth;
    par->height = std::abs(bih->biHeight);
    std::span<const uint8_t> extra;
    if (mt.formattype == mf::FORMAT_MPEGVideo) {
        auto info = mt.formatAs<mf::MPEG1VIDEOINFO>();
        extra = blockTail(mt, mf::mpeg1FormatSize(0), info ? info->cbSequenceHeader : 0);
    } else if (mt.formattype == mf::FORMAT_MPEG2Video) {
        auto info = mt.formatAs<mf::MPEG2VIDEOINFO>();
        extra = blockTail(mt, mf::mpeg2FormatSize(0), info ? info->cbSequenceHeader : 0);
    } else {
        size_t fixed = mt.formattype == mf::FORMAT_VideoInfo ? sizeof(mf::VIDEOINFOHEADER)
                                                             : sizeof(mf::VIDEOINFOHEADER2);
        extra = blockTail(mt, fixed, SIZE_MAX);
    }
    if (!setExtradata(*par, extra)) return nullptr;
    return par;
}

AVCodecID pcmCodec(const mf::WAVEFORMATEX& wfx, bool isFloat) {
    if (isFloat) return wfx.wBitsPerSample == 64 ? AV_CODEC_ID_PCM_F64LE : AV_CODEC_ID_PCM_F32LE;
    switch (wfx.wBitsPerSample) {
    case 8:
        return AV_CODEC_ID_PCM_U8;
    case 16:
        return AV_CODEC_ID_PCM_S16LE;
    case 24:
        return AV_CODEC_ID_PCM_S24LE;
    case 32:
        return AV_CODEC_ID_PCM_S32LE;
    default:
        return AV_CODEC_ID_NONE;
    }
}

AVCodecID audioCodecFor(const mf::MediaType& mt, const mf::WAVEFORMATEX& wfx) {
    const mf::GUID& s = mt.subtype;
    if (s == mf::MEDIASUBTYPE_MPEG1AudioPayload || s == mf::MEDIASUBTYPE_MPEG2_AUDIO ||
        s == mf::MEDIASUBTYPE_MPEG1Audio || s == mf::MEDIASUBTYPE_MPEG1Payload ||
        s == mf::MEDIASUBTYPE_MPEG1Packet)
        return AV_CODEC_ID_MP2; // the MPEG audio decoder reads the layer from each frame header
    if (s == mf::MEDIASUBTYPE_DOLBY_AC3) return AV_CODEC_ID_AC3;
    if (s == mf::MEDIASUBTYPE_DVD_LPCM_AUDIO) return AV_CODEC_ID_PCM_DVD;
    if (s == mf::MEDIASUBTYPE_PCM) return pcmCodec(wfx, false);
    if (s == mf::MEDIASUBTYPE_IEEE_FLOAT) return pcmCodec(wfx, true);
    uint32_t tag = wfx.wFormatTag != 0 && wfx.wFormatTag != 0xFFFE ? wfx.wFormatTag : s.Data1;
    return codecForTag(tag, false);
}

CodecParametersPtr audioParameters(const mf::MediaType& mt) {
    auto wfx = mt.formatAs<mf::WAVEFORMATEX>();
    if (mt.formattype != mf::FORMAT_WaveFormatEx || !wfx) return nullptr;
    CodecParametersPtr par(avcodec_parameters_alloc());
    if (!par) return nullptr;
    par->codec_type = AVMEDIA_TYPE_AUDIO;
    par->codec_id = audioCodecFor(mt, *wfx);
    if (par->codec_id == AV_CODEC_ID_NONE || wfx->nChannels == 0) return nullptr;
    av_channel_layout_default(&par->ch_layout, wfx->nChannels);
    par->sample_rate = int(wfx->nSamplesPerSec);
    par->block_align = wfx->nBlockAlign;
    par->bit_rate = int64_t(wfx->nAvgBytesPerSec) * 8;
    par->bits_per_coded_sample = wfx->wBitsPerSample;
    if (!setExtradata(*par, blockTail(mt, sizeof(mf::WAVEFORMATEX), wfx->cbSize))) return nullptr;
    return par;
}

} // namespace

CodecParametersPtr codecParametersFor(const mf::MediaType& type) {
    if (type.majortype == mf::MEDIATYPE_Video || type.majortype == mf::MEDIATYPE_Interleaved)
        return videoParameters(type);
    if (type.majortype == mf::MEDIATYPE_Audio) return audioParameters(type);
    return nullptr;
}

} // namespace sp::outside
