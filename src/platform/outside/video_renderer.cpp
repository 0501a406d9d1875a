#include "platform/outside/video_renderer.h"

#include "platform/graph/com.h"
#include "platform/graph/guids.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace sp::outside {

namespace {

constexpr int64_t kMaxSide = 16384; // larger pictures are refused rather than allocated
constexpr uint32_t kBiBitfields = 3;

bool isEmpty(const mf::RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

// The part of `source` inside a width x height picture; the whole picture when that is empty.
mf::RECT visiblePart(const mf::RECT& source, int width, int height) {
    mf::RECT whole{0, 0, width, height};
    if (isEmpty(source)) return whole;
    mf::RECT clipped{std::max(source.left, 0), std::max(source.top, 0),
                     std::min(source.right, width), std::min(source.bottom, height)};
    return isEmpty(clipped) ? whole : clipped;
}

struct VideoFormat {
    mf::RECT source;
    mf::BITMAPINFOHEADER header;
};

std::optional<VideoFormat> videoFormatOf(const mf::MediaType& type) {
    if (type.formattype == mf::FORMAT_VideoInfo) {
        if (auto vih = type.formatAs<mf::VIDEOINFOHEADER>())
            return VideoFormat{vih->rcSource, vih->bmiHeader};
    } else if (type.formattype == mf::FORMAT_VideoInfo2) {
        if (auto vih = type.formatAs<mf::VIDEOINFOHEADER2>())
            return VideoFormat{vih->rcSource, vih->bmiHeader};
    }
    return std::nullopt;
}

} // namespace

std::optional<PictureLayout> pictureLayoutOf(const mf::MediaType& type) {
    if (type.majortype != mf::MEDIATYPE_Video || type.subtype != mf::MEDIASUBTYPE_RGB32)
        return std::nullopt;
    auto format = videoFormatOf(type);
    if (!format) return std::nullopt;
    const mf::BITMAPINFOHEADER& bmi = format->header;
    if (bmi.biBitCount != 32 ||
        (bmi.biCompression != mf::BI_RGB && bmi.biCompression != kBiBitfields))
        return std::nullopt;
    int64_t width = bmi.biWidth;
    int64_t height = std::llabs(int64_t(bmi.biHeight));
    if (width <= 0 || width > kMaxSide || height == 0 || height > kMaxSide) return std::nullopt;
    PictureLayout layout;
    layout.width = int(width);
    layout.height = int(height);
    layout.strideBytes = int(width) * 4;
    layout.bottomUp = bmi.biHeight > 0;
    layout.visible = visiblePart(format->source, layout.width, layout.height);
    return layout;
}

namespace {

// Only the rows that hold the visible part need to be there (a canvas wider and taller than the
// picture carries just the picture's rows).
bool holdsVisiblePart(const PictureLayout& layout, size_t sampleBytes) {
    const mf::RECT& r = layout.visible;
    const int rowsNeeded = layout.bottomUp ? layout.height - r.top : r.bottom;
    return sampleBytes >= size_t(rowsNeeded) * size_t(layout.strideBytes);
}

} // namespace

bool copyVisiblePart(const PictureLayout& layout, std::span<const uint8_t> sample,
                     StillPicture& out) {
    const mf::RECT& r = layout.visible;
    if (!holdsVisiblePart(layout, sample.size())) return false;
    const size_t rowBytes = size_t(r.right - r.left) * 4;
    out.width = r.right - r.left;
    out.height = r.bottom - r.top;
    out.pixels.resize(rowBytes * size_t(out.height));
    for (int y = 0; y < out.height; ++y) {
        int row = r.top + y;
        int stored = layout.bottomUp ? layout.height - 1 - row : row;
        const uint8_t* from =
            sample.data() + size_t(stored) * size_t(layout.strideBytes) + size_t(r.left) * 4;
        std::memcpy(out.pixels.data() + size_t(y) * rowBytes, from, rowBytes);
    }
    return true;
}

VideoRenderer::VideoRenderer() : BaseRenderer("Video Renderer", CLSID_PreviewRenderer) {}

HRESULT VideoRenderer::CheckMediaType(const mf::MediaType& type) {
    return pictureLayoutOf(type) ? mf::S_OK : mf::VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT VideoRenderer::SetMediaType(const mf::MediaType& type) {
    auto layout = pictureLayoutOf(type);
    // An empty type means the pin disconnects; anything else must be showable.
    if (!layout && !type.majortype.isNull()) return mf::VFW_E_TYPE_NOT_ACCEPTED;
    std::lock_guard lock(layoutMutex_);
    layout_ = layout;
    return mf::S_OK;
}

HRESULT VideoRenderer::DoRenderSample(mf::IMediaSample* sample) {
    show(sample);
    return mf::S_OK;
}

void VideoRenderer::OnReceiveFirstSample(mf::IMediaSample* sample) {
    show(sample);
}

void VideoRenderer::show(mf::IMediaSample* sample) {
    std::optional<PictureLayout> layout;
    {
        std::lock_guard lock(layoutMutex_);
        layout = layout_;
    }
    const uint8_t* data = sample->GetPointer();
    long length = std::min(sample->GetActualDataLength(), sample->GetSize());
    if (!layout || !data || length <= 0 || !holdsVisiblePart(*layout, size_t(length))) return;
    if (!layout->bottomUp && presentFromSample(*layout, data)) return;
    if (!copyVisiblePart(*layout, std::span<const uint8_t>(data, size_t(length)), converting_))
        return;
    {
        std::lock_guard lock(ownerMutex_);
        presentLocked(converting_);
    }
    std::lock_guard lock(lastMutex_);
    std::swap(last_, converting_); // the old picture's buffer is reused for the next one
}

bool VideoRenderer::presentFromSample(const PictureLayout& layout, const uint8_t* data) {
    std::lock_guard lock(ownerMutex_);
    if (!surface_ || !visible_) return false;
    const mf::RECT& r = layout.visible;
    surface_->present(data + size_t(r.top) * size_t(layout.strideBytes) + size_t(r.left) * 4,
                      r.right - r.left, r.bottom - r.top, layout.strideBytes);
    return true;
}

void VideoRenderer::presentLocked(const StillPicture& picture) {
    if (!surface_ || !visible_) return;
    surface_->present(picture.pixels.data(), picture.width, picture.height, picture.width * 4);
}

StillPicture VideoRenderer::lastPicture() const {
    std::lock_guard lock(lastMutex_);
    return last_;
}

HRESULT VideoRenderer::onActive() {
    {
        std::lock_guard lock(ownerMutex_);
        visible_ = true;
    }
    return BaseRenderer::onActive();
}

HRESULT VideoRenderer::put_Owner(mf::IPresentationSurface* surface) {
    std::lock_guard lock(ownerMutex_);
    surface_ = surface;
    return mf::S_OK;
}

HRESULT VideoRenderer::put_Visible(bool visible) {
    std::lock_guard lock(ownerMutex_);
    visible_ = visible;
    return mf::S_OK;
}

HRESULT VideoRenderer::get_Visible(bool* visible) {
    if (!visible) return mf::E_POINTER;
    std::lock_guard lock(ownerMutex_);
    *visible = visible_;
    return mf::S_OK;
}

HRESULT VideoRenderer::SetWindowPosition(long left, long top, long width, long height) {
    if (width < 0 || height < 0) return mf::E_INVALIDARG;
    std::lock_guard lock(ownerMutex_);
    position_ = {left, top, width, height};
    return mf::S_OK;
}

HRESULT VideoRenderer::GetWindowPosition(long* left, long* top, long* width, long* height) {
    if (!left || !top || !width || !height) return mf::E_POINTER;
    std::lock_guard lock(ownerMutex_);
    *left = position_.left;
    *top = position_.top;
    *width = position_.width;
    *height = position_.height;
    return mf::S_OK;
}

mf::FilterRegistration videoRendererRegistration() {
    mf::FilterRegistration reg;
    reg.clsid = CLSID_PreviewRenderer;
    reg.friendlyName = "Video Renderer";
    reg.merit = mf::MERIT_DO_NOT_USE;
    reg.pins = {{mf::PinDirection::Input, true, {{mf::MEDIATYPE_Video, mf::MEDIASUBTYPE_RGB32}}}};
    reg.create = [] { return mf::ComPtr<mf::IBaseFilter>(mf::make<VideoRenderer>()); };
    return reg;
}

} // namespace sp::outside
