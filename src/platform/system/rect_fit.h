#pragma once
// Fitting a picture shape a:b into a rectangle: the largest a:b rectangle inside it, centred.
// Used for the video window, the snapshot preview and the size of saved images. Pure, any thread.

#include <QRect>

namespace sp {

// A rectangle with exclusive right and bottom edges: the width is Right - Left.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    QRect ToQRect() const { return QRect(Left, Top, Width(), Height()); }
    static TRect FromQRect(const QRect& r) {
        return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
    bool operator==(const TRect&) const = default;
};

// The rectangle is first shrunk by `margin` on every side (a negative margin grows it). When a and
// b are both positive, the height or the width is then reduced so that the result has the shape
// a:b, and it is centred in the other direction; otherwise the shrunk rectangle is returned as it
// is. With `relative` the result is moved by (-rect.Left, -rect.Top). Integer arithmetic with
// truncating division; intermediate products are 64-bit, so no size overflows.
TRect FitAspect(int a, int b, const TRect& rect, bool relative, int margin);

} // namespace sp
