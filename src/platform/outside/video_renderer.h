#pragma once
// "Video Renderer": the preview renderer behind the video window. It takes RGB32 pictures
// (MEDIATYPE_Video, MEDIASUBTYPE_RGB32, FORMAT_VideoInfo or FORMAT_VideoInfo2; rows bottom-up
// when the bitmap header's height is positive, top-down when negative) and shows the source
// rectangle of each one (rcSource of the format; the whole picture when it is empty, clipped to
// the picture otherwise).
//
// Showing a picture: its visible part goes top row first to the owner's
// IPresentationSurface::present when an owner is set and the window is visible. A top-down
// picture is handed over straight from the sample: the owner, which must copy it anyway, keeps
// what it needs for repainting. A bottom-up picture, or any picture while no owner shows it, is
// copied top row first into a packed BGRA buffer, presented from there, and kept as the last
// picture (lastPicture(); headless, that is the picture on screen). While paused the
// first sample that arrives is shown at once (that is how a paused seek shows its still); while
// running each sample is shown at its time on the reference clock. A sample shorter than its
// picture is skipped. Without an owner (headless) pictures are still converted and kept.
//
// The window shows itself when the filter leaves the stopped state (automatic show);
// put_Visible(false) hides it until put_Visible(true) or the next start from stopped. The
// window position is stored for the owner to place its surface; the renderer does not scale.
//
// Threads: IVideoWindow and state changes on the controlling thread; present() is called on
// the upstream streaming thread with the owner lock held, so once put_Owner(nullptr) returns no
// call to the old surface is running or will come. present() must therefore copy or queue the
// picture and return, never wait for the controlling thread (which may be stopping the graph
// or changing the owner). lastPicture() may be called from any thread.
//
// Not registered in the mapper by default: the main window creates the renderer and adds it to
// the graph. videoRendererRegistration() describes it for those who want it registered.

#include "platform/graph/filter_mapper.h"
#include "platform/graph/picture_memory.h"
#include "platform/graph/renderer.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace sp::outside {

using mf::HRESULT;

inline constexpr mf::GUID CLSID_PreviewRenderer =
    mf::guidOf("{D98045EB-0461-4E04-9F87-CBC7EB8D09F4}");

// Where the visible part of an RGB32 picture lies in a sample.
struct PictureLayout {
    int width = 0;       // whole picture, pixels
    int height = 0;      // whole picture, rows
    int strideBytes = 0; // bytes from one stored row to the next
    bool bottomUp = true;
    mf::RECT visible; // in picture coordinates, top row 0; never empty

    size_t sampleBytes() const { return size_t(strideBytes) * size_t(height); }
};

// The layout of an RGB32 video type; nullopt when the renderer cannot show it.
std::optional<PictureLayout> pictureLayoutOf(const mf::MediaType& type);

// A picture top row first, 4 bytes a pixel (B, G, R, X), rows packed (stride width * 4).
struct StillPicture {
    int width = 0;
    int height = 0;
    mf::ZeroedBuffer pixels;
};

// Copies the visible part of `sample` into `out`; false when the sample is too short.
bool copyVisiblePart(const PictureLayout& layout, std::span<const uint8_t> sample,
                     StillPicture& out);

class VideoRenderer final : public mf::BaseRenderer, public mf::IVideoWindow {
public:
    VideoRenderer();

    HRESULT CheckMediaType(const mf::MediaType& type) override;
    HRESULT SetMediaType(const mf::MediaType& type) override;
    HRESULT DoRenderSample(mf::IMediaSample* sample) override;
    void OnReceiveFirstSample(mf::IMediaSample* sample) override;

    // IVideoWindow
    HRESULT put_Owner(mf::IPresentationSurface* surface) override;
    HRESULT put_Visible(bool visible) override;
    HRESULT get_Visible(bool* visible) override;
    HRESULT SetWindowPosition(long left, long top, long width, long height) override;
    HRESULT GetWindowPosition(long* left, long* top, long* width, long* height) override;

    // A copy of the last picture kept (see above; empty before the first one). Any thread.
    StillPicture lastPicture() const;

protected:
    HRESULT onActive() override;

private:
    void show(mf::IMediaSample* sample);
    // Presents a top-down picture from the sample itself; false when no owner shows it.
    bool presentFromSample(const PictureLayout& layout, const uint8_t* data);
    void presentLocked(const StillPicture& picture);

    // guarded by layoutMutex_ (set on the controlling thread, or by a sample's type change)
    std::mutex layoutMutex_;
    std::optional<PictureLayout> layout_;

    // guarded by ownerMutex_
    std::mutex ownerMutex_;
    mf::IPresentationSurface* surface_ = nullptr; // not owning
    bool visible_ = false;
    struct WindowPosition {
        long left = 0, top = 0, width = 0, height = 0;
    } position_;

    StillPicture converting_; // streaming thread only: the picture being converted

    mutable std::mutex lastMutex_;
    StillPicture last_; // guarded by lastMutex_
};

// The mapper entry of the preview renderer (legacy category, MERIT_DO_NOT_USE, RGB32 input).
mf::FilterRegistration videoRendererRegistration();

} // namespace sp::outside
