#include "platform/outside/outside_registration.h"

#include "platform/graph/filter_mapper.h"
#include "platform/graph/guids.h"
#include "platform/outside/audio_decoder_filter.h"
#include "platform/outside/dv_registration.h"
#include "platform/outside/file_source_filter.h"
#include "platform/outside/renderers_registration.h"
#include "platform/outside/splitter_filter.h"
#include "platform/outside/video_decoder_filter.h"

#include <cstdlib>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

namespace sp::outside {

using namespace mf;

namespace {

RegPin streamInput(std::vector<GUID> subtypes) {
    RegPin pin{PinDirection::Input, false, {}};
    for (const GUID& s : subtypes)
        pin.types.push_back({MEDIATYPE_Stream, s});
    return pin;
}

RegPin anyOutput() {
    return RegPin{
        PinDirection::Output, false, {{MEDIATYPE_Video, GUID_NULL}, {MEDIATYPE_Audio, GUID_NULL}}};
}

void registerStreamSplitter(SplitterIdentity identity, uint32_t merit) {
    FilterRegistration reg;
    reg.clsid = identity.clsid;
    reg.friendlyName = identity.name;
    reg.merit = merit;
    reg.pins = {streamInput(identity.inputSubtypes), anyOutput()};
    reg.create = [identity] { return ComPtr<IBaseFilter>(make<StreamSplitterFilter>(identity)); };
    FilterMapper::instance().RegisterFilter(std::move(reg));
}

// Whether libavformat recognises the file by its content (not by its name): the general
// splitter reads every such file.
bool libavformatReads(std::string_view path) {
    AVIOContext* io = nullptr;
    const std::string url = "file:" + std::string(path); // never another protocol
    if (avio_open(&io, url.c_str(), AVIO_FLAG_READ) < 0) return false;
    const AVInputFormat* format = nullptr;
    const int score = av_probe_input_buffer2(io, &format, "", nullptr, 0, 0);
    avio_closep(&io);
    return format && score >= AVPROBE_SCORE_RETRY;
}

void registerFileSplitter(SplitterIdentity identity, std::vector<std::string> extensions,
                          uint32_t merit, bool claimsEveryReadableFile = false) {
    FilterRegistration reg;
    reg.clsid = identity.clsid;
    reg.friendlyName = identity.name;
    reg.merit = merit;
    reg.pins = {anyOutput()};
    reg.extensions = std::move(extensions);
    if (claimsEveryReadableFile) reg.claimsFile = libavformatReads;
    reg.create = [identity] { return ComPtr<IBaseFilter>(make<FileSplitterFilter>(identity)); };
    FilterMapper::instance().RegisterFilter(std::move(reg));
}

void registerFileSource() {
    FilterRegistration reg;
    reg.clsid = CLSID_AsyncReader;
    reg.friendlyName = "File Source (Async.)";
    reg.merit = MERIT_UNLIKELY;
    reg.pins = {RegPin{PinDirection::Output, false, {{MEDIATYPE_Stream, GUID_NULL}}}};
    reg.create = [] { return ComPtr<IBaseFilter>(make<FileSourceFilter>()); };
    FilterMapper::instance().RegisterFilter(std::move(reg));
}

void registerDecoders() {
    FilterRegistration video;
    video.clsid = CLSID_FfdshowVideoDecoder;
    video.friendlyName = "ffdshow Video Decoder";
    video.merit = MERIT_NORMAL;
    video.pins = {RegPin{PinDirection::Input,
                         false,
                         {{MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO},
                          {MEDIATYPE_Video, MEDIASUBTYPE_MPEG1Payload},
                          {MEDIATYPE_Video, GUID_NULL}}},
                  RegPin{PinDirection::Output, false, {{MEDIATYPE_Video, MEDIASUBTYPE_RGB32}}}};
    video.create = [] {
        return ComPtr<IBaseFilter>(
            make<VideoDecoderFilter>("ffdshow Video Decoder", CLSID_FfdshowVideoDecoder));
    };
    FilterMapper::instance().RegisterFilter(std::move(video));

    FilterRegistration audio;
    audio.clsid = CLSID_FfdshowAudioDecoder;
    audio.friendlyName = "ffdshow Audio Decoder";
    audio.merit = MERIT_NORMAL;
    audio.pins = {RegPin{PinDirection::Input,
                         false,
                         {{MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1Payload},
                          {MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1AudioPayload},
                          {MEDIATYPE_Audio, MEDIASUBTYPE_MPEG2_AUDIO},
                          {MEDIATYPE_Audio, GUID_NULL}}},
                  RegPin{PinDirection::Output, false, {{MEDIATYPE_Audio, MEDIASUBTYPE_PCM}}}};
    audio.create = [] { return ComPtr<IBaseFilter>(make<AudioDecoderFilter>()); };
    FilterMapper::instance().RegisterFilter(std::move(audio));
}

} // namespace

void registerOutsideFilters(bool withGeneralSplitter) {
    // Damaged input is reported through results, not through libav's console chatter;
    // STILLPICK_AV_LOG=1 brings it back for diagnosis.
    if (!std::getenv("STILLPICK_AV_LOG")) av_log_set_level(AV_LOG_FATAL);
    registerFileSource();
    registerStreamSplitter({CLSID_AviSplitter, "AVI Splitter", {"avi"}, {MEDIASUBTYPE_Avi}},
                           MERIT_NORMAL);
    registerStreamSplitter({CLSID_MPEG1Splitter,
                            "MPEG-I Stream Splitter",
                            {"mpeg"},
                            {MEDIASUBTYPE_MPEG1System, MEDIASUBTYPE_MPEG1VideoCD}},
                           MERIT_NORMAL);
    registerStreamSplitter(
        {CLSID_MMSPLITTER, "MPEG-2 Splitter", {"mpeg"}, {MEDIASUBTYPE_MPEG2_PROGRAM}},
        MERIT_NORMAL);
    registerStreamSplitter({CLSID_MPEG2Demultiplexer,
                            "MPEG-2 Demultiplexer",
                            {"mpeg", "mpegts"},
                            {MEDIASUBTYPE_MPEG2_PROGRAM, MEDIASUBTYPE_MPEG2_TRANSPORT}},
                           MERIT_DO_NOT_USE + 1);
    registerFileSplitter({CLSID_WMAsfReader, "WM ASF Reader", {"asf"}, {}}, {".wmv", ".asf"},
                         MERIT_NORMAL);
    // The general splitter takes every container libavformat reads: by extension the ones
    // its builder is chosen for, and any other file by its content.
    if (withGeneralSplitter)
        registerFileSplitter(
            {CLSID_HaaliMediaSplitter, "Haali Media Splitter", {}, {}},
            {".ts", ".m2ts", ".mts", ".mkv", ".mp4", ".mov", ".3g2", ".m4v", ".dv", ".dif"},
            MERIT_NORMAL, true);
    else
        FilterMapper::instance().UnregisterFilter(CLSID_LegacyAmFilterCategory,
                                                  CLSID_HaaliMediaSplitter);
    registerDecoders();
    registerDvFilters();
    registerOutsideRenderers();
}

} // namespace sp::outside
