#pragma once
// Shared set-up for the media system tests: the outside filters registered, the generated
// media, stand-in renderers for the preview window and the sound device, and the builder
// environment the main window would provide.

#include "filters/frame_bitmap.h"
#include "media/capture_devices.h"
#include "media/media_system.h"
#include "platform/graph/guids.h"
#include "platform/outside/outside_registration.h"

#include "support/ffmpeg_reference.h"
#include "support/test_filters.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>

namespace sp::mediatest {

inline constexpr mf::GUID CLSID_TestPreview = mf::guidOf("{5D1E3001-0000-4000-8000-000000000001}");
inline constexpr mf::GUID CLSID_TestSound = mf::guidOf("{5D1E3002-0000-4000-8000-000000000002}");

inline const std::string& mediaDir() {
    static const std::string dir = SP_TEST_MEDIA_DIR;
    static std::once_flag generated;
    std::call_once(generated, [] {
        // Files the generator writes early and late: one missing means it has not run through.
        if (std::filesystem::exists(dir + "/avi_mjpeg.avi") &&
            std::filesystem::exists(dir + "/tone.flac") &&
            std::filesystem::exists(dir + "/not_a_video.mpg"))
            return;
        const std::string command =
            std::string("bash '") + SP_TEST_MEDIA_SCRIPT + "' '" + dir + "' >&2";
        if (std::system(command.c_str()) != 0) ADD_FAILURE() << "test media generation failed";
    });
    return dir;
}
inline std::string mediaPath(const std::string& name) {
    return mediaDir() + "/" + name;
}

// Registers the outside filters (optionally without the general splitter) and two renderers
// standing for the preview window and the sound device.
inline void registerFilters(bool withGeneralSplitter = true) {
    outside::registerOutsideFilters(withGeneralSplitter);
    auto sink = [](mf::GUID clsid, const char* name, mf::GUID major, mf::GUID sub) {
        mf::FilterMapper::instance().RegisterFilter(sptest::describeFilter(
            clsid, name, mf::MERIT_DO_NOT_USE,
            {mf::RegPin{mf::PinDirection::Input, true, {{major, sub}}}}, [major, sub] {
                mf::MediaType accepted;
                accepted.majortype = major;
                accepted.subtype = sub;
                return mf::ComPtr<mf::IBaseFilter>(mf::make<sptest::TestSink>(accepted));
            }));
    };
    sink(CLSID_TestPreview, "Test Preview", mf::MEDIATYPE_Video, mf::MEDIASUBTYPE_RGB32);
    sink(CLSID_TestSound, "Test Sound", mf::MEDIATYPE_Audio, mf::MEDIASUBTYPE_PCM);
}

// The picture in the media system's frame bitmap (what a grab saves) is the frame the ffmpeg
// command line shows at `position` of `path`, whose frame times (ffprobe's) are `times`.
// `sizeChanges`: the picture size changes within the stream.
inline ::testing::AssertionResult showsFrameAt(TMediaSystem& media, const std::string& path,
                                               const std::vector<int64_t>& times, int64_t position,
                                               bool sizeChanges = false) {
    TFrameBitmap frame;
    media.CopyCurrentFrame(frame);
    std::lock_guard lock(frame);
    const sptest::PictureView view{frame.Bits(), frame.Width(), frame.Height(), frame.Width() * 4,
                                   false};
    return sptest::showsFrame(path, sptest::frameIndexAt(times, position), view, sizeChanges)
           << " at position " << position;
}

struct Environment {
    TFilterComponent preview{CLSID_TestPreview, "Video Renderer"};
    TFilterComponent sound{CLSID_TestSound, "Default DirectSound Device"};
    TBuilderEnvironment env;
    explicit Environment(bool haali = true) {
        env.HaaliInstalled = haali;
        env.PreviewRenderer = &preview;
        env.SharedAudioRender = &sound;
    }
};

} // namespace sp::mediatest
