// Stills of deep video (10 or 12 bits a sample) saved as PNG keep 16 bits a channel: the frame
// is read again from the file at full precision, turned and flipped as the picture on screen.
// Combs are repaired at the very pixels the 8-bit still had repaired. With the inlay drawn on
// the picture the still stays 8-bit, as for every other format: the text exists at 8 bits only.

#include "app/deep_frames.h"
#include "app/show_form.h"
#include "settings/still_format.h"

namespace sp {

QImage TShowForm::DeepSnapshot() {
    if (!S || !CurrentBuilder || !VideoLoaded() || StillFormat(*S) != ImageFormat::Png || inlayOn_)
        return {};
    if (!deepFrames_) deepFrames_ = std::make_unique<TDeepFrames>();
    const std::string& path = CurrentBuilder->FileName;
    if (!deepFrames_->Deep(path)) return {};
    QImage deep = deepFrames_->FrameAt(path, captureTime_);
    if (deep.size() != snapshotFrame_.size()) return {};
    if (horizontalFlip_ || verticalFlip_) deep = deep.mirrored(horizontalFlip_, verticalFlip_);
    if (captureRepaired_ && !deinterlacer_.RepairLikeLast(FrameView{
                                deep.bits(), deep.width(), deep.height(), deep.bytesPerLine(), 64}))
        return {};
    return deep;
}

} // namespace sp
