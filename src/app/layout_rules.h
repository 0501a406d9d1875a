#pragma once
// The geometry of the main window as pure functions: sizes in, rectangles out. The controller
// applies the results to its widgets; nothing here touches a widget. Rectangles are QRect built
// from left, top, width and height (right() and bottom() of QRect are one less than the edges
// the rules speak of, so they are not used). Integer arithmetic, divisions truncating toward
// zero, as the rules are written.

#include <QRect>
#include <QSize>

#include <cstdint>

namespace sp::layout {

inline constexpr int kPanelWidth = 276;
inline constexpr int kMinimumWidth = 708;
inline constexpr int kMinimumHeight = 522;
inline constexpr int kToolButtonWidth = 29;
inline constexpr int kToolBarItems = 25; // 21 buttons and 4 separators
inline constexpr int kVideoPanelTop = 86;
inline constexpr int kPanelsTop = 54;
inline constexpr int kVideoMargin = 12;

// The display aspect a:b.
struct Aspect {
    int a = 4;
    int b = 3;
    bool operator==(const Aspect&) const = default;
};

// What the layout needs of a video description: its size in pixels and its aspect flag
// (0 = 4:3, 1 = 16:9, anything else: not one of the two).
struct VideoShape {
    int width = 0;
    int height = 0;
    int aspect = 0;
};

struct DisplayChoice {
    Aspect aspect;
    uint8_t mode = 0; // AspectMode: 0 from the stream, 1 = 4:3, 2 = 16:9, 3 = native
    bool operator==(const DisplayChoice&) const = default;
};

// The display aspect for the setting "Forcer Aspect Ratio" (`forced`) and a description. The
// standard shapes keep the picture's orientation: a portrait picture (taller than wide, as a
// phone's video turned upright) forced to 4:3 or 16:9 takes 3:4 or 9:16.
DisplayChoice chooseDisplayAspect(int forced, const VideoShape& video);
// The aspect a stream shown in `mode` is laid out with; 4:3 whenever the mode gives a zero side.
Aspect displayAspectFor(uint8_t mode, const VideoShape& video);

// FitAspect (platform/system/rect_fit.h) on QRect: the largest a:b rectangle inside `rect` less
// `margin` on each side, centred; `rect` less the margin when a or b is not positive.
// `relative`: moved by (-left, -top) of `rect`.
QRect fitAspect(int a, int b, const QRect& rect, bool relative, int margin);

// Everything placed by the window layout, in client coordinates.
struct WindowLayout {
    int panelsLeft = 0;
    int videoAreaLeft = 0;
    QRect toolBar;
    QRect horizontalSeparator; // 1 pixel high
    QRect verticalSeparator;   // 1 pixel wide
    QRect titleStrip;
    QRect bottomStrip;
    QRect videoPanel;
    QRect panels;    // each of the seven side panels
    QRect grabPanel; // the Grab panel (its height is fixed by the rules)
    int toolSeparatorWidth = 0;
};

// `client`: the client size; `videoAtLeft`: the setting "EcranGauche"; `toolItems`: the tool
// bar's buttons and separators counted together.
WindowLayout layoutWindow(QSize client, bool videoAtLeft, int toolItems = kToolBarItems,
                          int videoPanelTop = kVideoPanelTop);
// The width each of the four tool-bar separators gets.
int toolSeparatorWidth(int clientWidth, int toolItems = kToolBarItems);
// The left edge of a bar of `barWidth` centred on the video panel.
int barLeft(const QRect& videoPanel, int barWidth);

// An inlay position slider: where it starts and how long its client area is.
struct SliderPlace {
    QPoint at;
    int length = 0;
};

// The video area for the aspect a:b, outside full screen.
struct VideoAreaLayout {
    QRect videoWindow;          // in video panel coordinates
    QRect frame;                // the frame shape around it, 12 pixels larger each side
    QPoint inlayCorner;         // the inlay corner square's top left, video panel coordinates
    SliderPlace verticalSlider; // the inlay position sliders, client coordinates
    SliderPlace horizontalSlider;
    QRect preview;   // the Grab panel's preview picture, in its coordinates
    QSize imageSize; // the size of the saved image
};

VideoAreaLayout layoutVideoArea(Aspect aspect, const QRect& videoPanel, const QRect& grabPanel,
                                QSize frameSize);

// Full screen: where the picture lies on the backdrop, and the backdrop's frame around it.
struct FullScreenLayout {
    QRect video;
    QRect frame;
};
FullScreenLayout layoutFullScreen(Aspect aspect, QSize screen);

// A stored window frame brought onto `screen`: its size at most the screen's, its position so
// that it lies inside (damaged settings may hold any numbers).
QRect fitToScreen(int left, int top, int width, int height, const QRect& screen);

// The tops of the bars around the video window (`videoWindow` in video panel coordinates).
struct NavigationPlaces {
    int topBarTop = 0;
    int navigationTop = 0;
    int intervalloTop = 0;
};
NavigationPlaces placeNavigation(const QRect& videoPanel, const QRect& videoWindow);

} // namespace sp::layout
