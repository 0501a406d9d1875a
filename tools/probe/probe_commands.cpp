#include "probe_commands.h"

#include "filters/deinterlacer.h"
#include "filters/inlay_records.h"
#include "describe/day_count.h"
#include "describe/timecode.h"
#include "platform/graph/guids.h"
#include "platform/system/image_files.h"
#include "probe_session.h"
#include "probe_util.h"

#include <QDateTime>
#include <QImage>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace sp::probe {

using nlohmann::json;
using namespace mf;



std::optional<Flags> parseFlags(const std::vector<std::string>& args,
                                const std::vector<std::string>& withValue,
                                const std::vector<std::string>& bare) {
    Flags flags;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) != 0) {
            flags.positional.push_back(a);
        } else if (std::find(withValue.begin(), withValue.end(), a) != withValue.end()) {
            if (i + 1 >= args.size()) return std::nullopt;
            flags.named.emplace_back(a, args[++i]);
        } else if (std::find(bare.begin(), bare.end(), a) != bare.end()) {
            flags.named.emplace_back(a, "");
        } else {
            return std::nullopt;
        }
    }
    return flags;
}

std::optional<int> number(const std::optional<std::string>& text, int fallback) {
    if (!text) return fallback;
    try {
        size_t used = 0;
        int n = std::stoi(*text, &used);
        if (used != text->size() || n < 0) return std::nullopt;
        return n;
    } catch (...) {
        return std::nullopt;
    }
}

void print(const json& result, const Options& options) {
    if (options.json) {
        std::printf("%s\n", result.dump(2).c_str());
        return;
    }
    for (auto& [key, value] : result.items())
        std::printf("%s: %s\n", key.c_str(),
                    value.is_string() ? value.get<std::string>().c_str() : value.dump().c_str());
}


std::string PackedTimecodeText(uint32_t packed) {
    char text[32];
    std::snprintf(text, sizeof text, "%d:%.2d:%.2d:%.2d", int(int8_t(packed & 0xFF)),
                  int((packed >> 8) & 0xFF), int((packed >> 16) & 0xFF), int(packed >> 24));
    return text;
}

namespace {

json typeJson(const MediaType& mt) {
    json j{{"major", guidName(mt.majortype)},
           {"subtype", guidName(mt.subtype)},
           {"format", guidName(mt.formattype)}};
    if (auto h = mt.bitmapHeader()) {
        char fourcc[5] = {char(h->biCompression), char(h->biCompression >> 8),
                          char(h->biCompression >> 16), char(h->biCompression >> 24), 0};
        j["fourcc"] = h->biCompression ? std::string(fourcc) : std::string("");
        j["width"] = h->biWidth;
        j["height"] = std::abs(h->biHeight);
        if (auto vih = mt.formatAs<VIDEOINFOHEADER>()) j["frame_duration"] = vih->AvgTimePerFrame;
    }
    if (auto w = mt.formatAs<WAVEFORMATEX>(); w && mt.formattype == FORMAT_WaveFormatEx) {
        j["sample_rate"] = w->nSamplesPerSec;
        j["channels"] = w->nChannels;
    }
    return j;
}

// The media type on the source's output pin, read in a private graph.
MediaType sourceType(TavSource* source, const GUID& major) {
    TGraphComponent graph;
    graph.Activate();
    MediaType mt;
    if (!source->Device->AddToGraph(graph)) return mt;
    ComPtr<IPin> pin;
    for (const GUID* category : {&PIN_CATEGORY_CAPTURE, static_cast<const GUID*>(nullptr)})
        if (!pin)
            graph.CaptureBuilder()->FindPin(source->Device->OutputFilter.get(),
                                            PinDirection::Output, category, &major, true,
                                            source->Number - 1, &pin);
    std::vector<MediaType> types;
    if (pin && SUCCEEDED(pin->EnumMediaTypes(&types)) && !types.empty()) mt = types.front();
    source->Device->RemoveFromGraph();
    return mt;
}

std::string isoDate(double dayCount) {
    auto date = DecodeDayCount(dayCount);
    if (!date) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", date->Year, date->Month,
                  date->Day, date->Hour, date->Minute, date->Second);
    return text;
}

int info(const std::vector<std::string>& args, const Options& options) {
    auto flags = parseFlags(args, {}, {});
    if (!flags || flags->positional.size() != 1) return kBadArguments;
    Session session;
    if (!session.Open(flags->positional[0])) return kCannotPlay;
    TGrabBuilder* b = session.Builder();
    json result;
    result["builder"] = BuilderClassName(b->Device());
    for (auto* v : b->VideoSources)
        result["video"].push_back({{"name", v->StreamName}, {"number", v->Number},
                                   {"type", typeJson(sourceType(v, MEDIATYPE_Video))}});
    for (auto* a : b->AudioSources)
        result["audio"].push_back({{"name", a->StreamName}, {"number", a->Number},
                                   {"type", typeJson(sourceType(a, MEDIATYPE_Audio))}});
    if (!session.Select(b->VideoSources.empty() ? 0 : 1, b->AudioSources.empty() ? 0 : 1))
        return kCannotPlay;
    TMediaSystem& media = session.Media();
    result["duration"] = media.Duration;
    result["duration_timecode"] = FormatTimecode(media.Duration, media.FrameDuration);
    const TvData& v = media.VideoInfo;
    result["tvdata"] = {{"Description", v.Description}, {"SizeText", v.SizeText},
                        {"CodecName", v.CodecName}, {"FrameDuration", v.FrameDuration},
                        {"Aspect", v.Aspect}, {"TvStandard", v.TvStandard},
                        {"RecDateValid", v.RecDateValid},
                        {"RecDateTime", v.RecDateValid ? isoDate(v.RecDateTime) : ""},
                        {"TimecodeValid", v.TimecodeValid},
                        {"Timecode", v.TimecodeValid ? PackedTimecodeText(v.Timecode) : ""}};
    const TaData& a = media.AudioInfo;
    result["tadata"] = {{"Description", a.Description}, {"CodecName", a.CodecName},
                        {"Channels", a.Channels}, {"SampleRate", a.SampleRate},
                        {"BitsPerSample", a.BitsPerSample}};
    print(result, options);
    return kSuccess;
}

} // namespace

int RunGrab(const std::vector<std::string>& args, const Options& options);
int RunPlay(const std::vector<std::string>& args, const Options& options);
int RunStep(const std::vector<std::string>& args, const Options& options);

int RunCommand(const std::vector<std::string>& args, const Options& options) {
    const std::string& command = args[0];
    if (command == "info") return info(args, options);
    if (command == "grab") return RunGrab(args, options);
    if (command == "play") return RunPlay(args, options);
    if (command == "step") return RunStep(args, options);
    std::fprintf(stderr, "stillpick-probe: unknown command %s\n", command.c_str());
    return kBadArguments;
}

} // namespace sp::probe
