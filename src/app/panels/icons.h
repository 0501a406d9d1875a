#pragma once
// The pictures of the actions and of the video area. Each action has a freedesktop icon-theme
// name where the standard offers one, used when the desktop's theme has it, and a picture of our
// own (SVG, built into the program) otherwise. A two-state action's icon holds both pictures: its
// unchecked one as QIcon::Off and its checked one as QIcon::On, which tool buttons and menus pick
// from the action's checked state by themselves. User-interface thread (QIcon needs the GUI
// application).

#include <QIcon>
#include <QString>

class QPixmap;

namespace sp {

// The icon of the action named `actionName` (saGrab, taPlayPause, ...); null for an action that
// has none (most menu-only and script-only actions).
QIcon actionIcon(const QString& actionName);
// The play button while maximum speed is on, and while no video is loaded.
QIcon maxSpeedPlayIcon();
QIcon noVideoPlayIcon();
// The picture shown in the video area while no video is loaded (160 x 120 at scale 1).
QPixmap placeholderPicture();
// True when the picture of our own exists for `actionName` (for tests: every action with an icon
// has a built-in one, whatever the theme).
bool hasBuiltInIcon(const QString& actionName);

} // namespace sp
