#include "app/layout_rules.h"

#include "platform/system/rect_fit.h"

namespace sp::layout {

namespace {

// A standard shape in the picture's own orientation: 3:4 and 9:16 for a portrait picture.
Aspect shaped(int a, int b, const VideoShape& video) {
    return video.height > video.width ? Aspect{b, a} : Aspect{a, b};
}

} // namespace

DisplayChoice chooseDisplayAspect(int forced, const VideoShape& video) {
    switch (forced) {
    case 1:
        return {shaped(4, 3, video), 1};
    case 2:
        return {shaped(16, 9, video), 2};
    case 3:
        return {{video.width, video.height}, 3};
    default:
        break;
    }
    if (video.aspect == 0) return {shaped(4, 3, video), 1};
    if (video.aspect == 1) return {shaped(16, 9, video), 2};
    return {{video.width, video.height}, 0};
}

Aspect displayAspectFor(uint8_t mode, const VideoShape& video) {
    Aspect aspect{0, 0};
    switch (mode) {
    case 0:
        aspect = chooseDisplayAspect(0, video).aspect;
        break;
    case 1:
        aspect = shaped(4, 3, video);
        break;
    case 2:
        aspect = shaped(16, 9, video);
        break;
    case 3:
        aspect = {video.width, video.height};
        break;
    default:
        break;
    }
    if (aspect.a == 0 || aspect.b == 0) return {4, 3};
    return aspect;
}

QRect fitAspect(int a, int b, const QRect& rect, bool relative, int margin) {
    return FitAspect(a, b, TRect::FromQRect(rect), relative, margin).ToQRect();
}

int toolSeparatorWidth(int clientWidth, int toolItems) {
    return (clientWidth + 4 * kToolButtonWidth - kToolButtonWidth * toolItems) / 4;
}

int barLeft(const QRect& videoPanel, int barWidth) {
    return videoPanel.x() + (videoPanel.width() - barWidth) / 2;
}

WindowLayout layoutWindow(QSize client, bool videoAtLeft, int toolItems, int videoPanelTop) {
    const int w = client.width();
    const int h = client.height();
    WindowLayout out;
    int separatorX = 0;
    if (videoAtLeft) {
        out.panelsLeft = w - kPanelWidth;
        out.videoAreaLeft = 0;
        separatorX = w - kPanelWidth - 1;
    } else {
        out.panelsLeft = 0;
        out.videoAreaLeft = kPanelWidth;
        separatorX = kPanelWidth + 1;
    }
    out.toolBar = QRect(0, 0, w, kToolButtonWidth);
    out.horizontalSeparator = QRect(0, 29, w, 1);
    out.verticalSeparator = QRect(separatorX, 54, 1, h - 84);
    out.titleStrip = QRect(0, 30, w, 24);
    out.bottomStrip = QRect(0, h - 24, w, 24);
    out.videoPanel = QRect(out.videoAreaLeft + 8, videoPanelTop, w - 292, h - 192);
    out.panels = QRect(out.panelsLeft, kPanelsTop, kPanelWidth, h - 80);
    out.grabPanel = out.panels;
    out.toolSeparatorWidth = toolSeparatorWidth(w, toolItems);
    return out;
}

VideoAreaLayout layoutVideoArea(Aspect aspect, const QRect& videoPanel, const QRect& grabPanel,
                                QSize frameSize) {
    VideoAreaLayout out;
    const QRect v = fitAspect(aspect.a, aspect.b, videoPanel, true, kVideoMargin);
    out.videoWindow = v;
    out.frame = v.adjusted(-kVideoMargin, -kVideoMargin, kVideoMargin, kVideoMargin);
    out.inlayCorner = QPoint(v.x() + v.width() - 6, v.y() + v.height() - 6);
    const QPoint at = videoPanel.topLeft() + v.topLeft();
    out.verticalSlider = {QPoint(at.x() + v.width() - 6, at.y() - 8), v.height() + 16};
    out.horizontalSlider = {QPoint(at.x() - 8, at.y() + v.height() - 6), v.width() + 16};
    out.preview = fitAspect(aspect.a, aspect.b, grabPanel, true, kVideoMargin);
    out.imageSize = fitAspect(aspect.a, aspect.b, QRect(QPoint(0, 0), frameSize), true, 0).size();
    return out;
}

FullScreenLayout layoutFullScreen(Aspect aspect, QSize screen) {
    // The rules give the rectangle as edges: (4, 4) to (width - 4, height - 4).
    const QRect inner(4, 4, screen.width() - 8, screen.height() - 8);
    const QRect video = fitAspect(aspect.a, aspect.b, inner, false, 0);
    return {video, video.adjusted(-4, -4, 4, 4)};
}

QRect fitToScreen(int left, int top, int width, int height, const QRect& screen) {
    const int w = std::clamp(width, 0, screen.width());
    const int h = std::clamp(height, 0, screen.height());
    return {std::clamp(left, screen.left(), screen.left() + screen.width() - w),
            std::clamp(top, screen.top(), screen.top() + screen.height() - h), w, h};
}

NavigationPlaces placeNavigation(const QRect& videoPanel, const QRect& videoWindow) {
    NavigationPlaces out;
    out.topBarTop = videoPanel.y() + videoWindow.y() - 32;
    out.navigationTop = videoPanel.y() + videoWindow.y() + videoWindow.height();
    out.intervalloTop = out.navigationTop;
    return out;
}

} // namespace sp::layout
