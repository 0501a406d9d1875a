// The probe's grab, play and step commands.

#include "describe/timecode.h"
#include "filters/deinterlacer.h"
#include "filters/inlay_records.h"
#include "filters/superposer.h"
#include "platform/system/image_files.h"
#include "probe_session.h"
#include "probe_util.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

namespace sp::probe {

using nlohmann::json;

namespace {

std::string lowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// Writes the frame as .bmp (24-bit), .jpg (quality 90) or .png. An image already at `path` is
// replaced only when `existing` says so.
bool writeFrame(const TFrameBitmap& frame, const std::string& path, ExistingFile existing) {
    std::error_code ec;
    if (existing == ExistingFile::Keep &&
        std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
        std::fprintf(stderr, "stillpick-probe: %s already exists (add --overwrite to replace it)\n",
                     path.c_str());
        return false;
    }
    PictureView view{frame.Bits(), frame.Width(), frame.Height(), frame.Width() * 4};
    std::string ext = lowerExtension(path), error;
    bool ok = false;
    if (ext == ".bmp") {
        ok = WriteBmp24(path, view, &error, existing);
    } else if (ext == ".jpg" || ext == ".jpeg") {
        ok = WriteJpeg(path, view, 90, &error, existing);
    } else if (ext == ".png") {
        ok = WritePng(path, view, &error, existing);
    } else {
        error = "the image name must end in .bmp, .jpg or .png";
    }
    if (!ok) std::fprintf(stderr, "stillpick-probe: %s: %s\n", path.c_str(), error.c_str());
    return ok;
}

ExistingFile existingFileRule(const Flags& flags) {
    return flags.has("--overwrite") ? ExistingFile::Replace : ExistingFile::Keep;
}

void deinterlace(TFrameBitmap& frame) {
    Deinterlacer deinterlacer;
    FrameView view{frame.Bits(), frame.Width(), frame.Height(), frame.Width() * 4, 32};
    deinterlacer.Deinterlace(
        ConstFrameView{view.bits, view.width, view.height, view.strideBytes, 32}, view);
}

double milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int RunGrab(const std::vector<std::string>& args, const Options& options) {
    auto flags = parseFlags(args, {"--video", "--audio", "--inlay"},
                            {"--flipv", "--fliph", "--deinterlace", "--overwrite"});
    if (!flags || flags->positional.size() != 3) return kBadArguments;
    auto video = number(flags->value("--video"), 1), audio = number(flags->value("--audio"), 0);
    auto inlay = number(flags->value("--inlay"), -1);
    if (!video || !audio || (flags->has("--inlay") && (!inlay || *inlay > 7))) return kBadArguments;
    const std::string& out = flags->positional[2];
    if (lowerExtension(out) != ".bmp" && lowerExtension(out) != ".jpg" &&
        lowerExtension(out) != ".jpeg" && lowerExtension(out) != ".png")
        return kBadArguments;

    Session session;
    if (!session.Open(flags->positional[0])) return kCannotPlay;
    TMediaSystem& media = session.Media();
    media.FlipVertical(flags->has("--flipv"));
    media.FlipHorizontal(flags->has("--fliph"));
    if (*inlay >= 0) {
        TincrustRec record;
        record.WhatIncrust = uint8_t(*inlay);
        media.ApplyInlaySettings(record);
        media.EnableInlay(true);
    }
    if (*video == 0 || !session.Select(*video, *audio, false)) return kCannotPlay;
    media.SetPositionFromText(flags->positional[1]);
    // The seek waits a bounded time for its still; on a busy machine decoding from the key
    // frame may take longer, and the picture saved must be the one of that position.
    const bool cued = session.Settle();
    TFrameBitmap frame;
    media.CopyCurrentFrame(frame);
    if (!cued || frame.Width() <= 0) {
        std::fprintf(stderr, "stillpick-probe: no picture at that position\n");
        return kCannotPlay;
    }
    if (flags->has("--deinterlace")) deinterlace(frame);
    if (!writeFrame(frame, out, existingFileRule(*flags))) return kCannotPlay;
    print({{"position", TMediaSystem::LastPosition},
           {"timecode", FormatTimecode(TMediaSystem::LastPosition, media.FrameDuration)},
           {"width", frame.Width()},
           {"height", frame.Height()},
           {"file", out}},
          options);
    return kSuccess;
}

int RunPlay(const std::vector<std::string>& args, const Options& options) {
    auto flags = parseFlags(args, {"--grab-every", "--out"}, {"--max-speed", "--overwrite"});
    if (!flags || flags->positional.size() != 1) return kBadArguments;
    if (flags->has("--grab-every") != flags->has("--out")) return kBadArguments;
    Session session;
    if (!session.Open(flags->positional[0])) return kCannotPlay;
    TMediaSystem& media = session.Media();
    media.MaxSpeed = flags->has("--max-speed") ? 1 : 0;
    TGrabBuilder* b = session.Builder();
    if (!session.Select(b->VideoSources.empty() ? 0 : 1, b->AudioSources.empty() ? 0 : 1))
        return kCannotPlay;

    long grabs = 0;
    bool grabFailed = false;
    if (auto every = flags->value("--grab-every")) {
        std::string dir = *flags->value("--out");
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        const ExistingFile existing = existingFileRule(*flags);
        session.OnGrab = [&, dir, existing](TFrameBitmap& shown, int64_t) {
            if (grabFailed) return; // the run has failed already; one message is enough
            TFrameBitmap copy;
            shown.CopyTo(copy);
            char name[32];
            std::snprintf(name, sizeof name, "/%05ld.bmp", grabs++);
            grabFailed = !writeFrame(copy, dir + name, existing);
        };
        media.SetGrabPeriod(UnpackTimecode(ParseTimecodeText(*every), media.FrameDuration));
    }
    bool done = false;
    media.SetCompletionHandler([&](mf::IFilterGraph*) { done = true; });
    media.SetPosition(0);
    session.Surface().frames = 0;
    // During a precision run at maximum speed the pictures nobody looks at are left out before
    // the window; they were played all the same and count as frames.
    const uint64_t leftOutBefore = media.Superposer()->PicturesLeftOut();
    auto started = std::chrono::steady_clock::now();
    media.Play();
    while (!done)
        session.WaitForEvents();
    double seconds = milliseconds(std::chrono::steady_clock::now() - started) / 1000.0;
    media.Pause();
    const long frames =
        session.Surface().frames + long(media.Superposer()->PicturesLeftOut() - leftOutBefore);
    json result{
        {"frames", frames}, {"seconds", seconds}, {"fps", frames / std::max(seconds, 1e-9)}};
    if (flags->has("--grab-every")) result["grabs"] = grabs;
    print(result, options);
    return grabFailed ? kCannotPlay : kSuccess;
}

int RunStep(const std::vector<std::string>& args, const Options& options) {
    auto flags = parseFlags(args, {"--forward", "--back"}, {});
    if (!flags || flags->positional.size() != 2) return kBadArguments;
    bool forward = flags->has("--forward");
    if (forward == flags->has("--back")) return kBadArguments;
    auto steps = number(flags->value(forward ? "--forward" : "--back"), 1);
    if (!steps) return kBadArguments;
    Session session;
    if (!session.Open(flags->positional[0])) return kCannotPlay;
    TMediaSystem& media = session.Media();
    if (!session.Select(1, 0)) return kCannotPlay;
    media.SetPositionFromText(flags->positional[1]);
    std::vector<double> latencies;
    for (int i = 0; i < *steps; ++i) {
        auto started = std::chrono::steady_clock::now();
        forward ? media.NextFrame() : media.PreviousFrame();
        latencies.push_back(milliseconds(std::chrono::steady_clock::now() - started));
    }
    std::vector<double> sorted = latencies;
    std::sort(sorted.begin(), sorted.end());
    double median = sorted.empty() ? 0 : sorted[sorted.size() / 2];
    print({{"latencies_ms", latencies},
           {"median_ms", median},
           {"timecode", FormatTimecode(TMediaSystem::LastPosition, media.FrameDuration)}},
          options);
    return kSuccess;
}

} // namespace sp::probe
