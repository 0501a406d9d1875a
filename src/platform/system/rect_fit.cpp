#include "platform/system/rect_fit.h"

#include <cstdint>

namespace sp {

TRect FitAspect(int a, int b, const TRect& rect, bool relative, int margin) {
    TRect r{rect.Left + margin, rect.Top + margin, rect.Right - margin, rect.Bottom - margin};
    if (a > 0 && b > 0) {
        const int64_t w = r.Width();
        const int64_t h = r.Height();
        if (w * b < h * a) {
            const int64_t fitted = w * b / a;
            r.Top += static_cast<int>((h - fitted) / 2);
            r.Bottom = r.Top + static_cast<int>(fitted);
        } else {
            const int64_t fitted = h * a / b;
            r.Left += static_cast<int>((w - fitted) / 2);
            r.Right = r.Left + static_cast<int>(fitted);
        }
    }
    if (relative) {
        r.Left -= rect.Left;
        r.Right -= rect.Left;
        r.Top -= rect.Top;
        r.Bottom -= rect.Top;
    }
    return r;
}

} // namespace sp
