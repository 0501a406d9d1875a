#include "filters/superposer.h"

#include "filters/inlay_text.h"
#include "filters/stream_info.h"

#include <mutex>

namespace sp {

Tsuperposer::Tsuperposer(int32_t maxWidth, int32_t maxHeight)
    : TBitmapFilter(kSuperposerName, CLSID_Superposer, maxWidth, maxHeight),
      DateFormatSettings(FrenchDateFormatConventions()) {}

void Tsuperposer::ApplySettings(const TincrustRec& record) {
    std::lock_guard lock(Frame);
    Settings = record;
    Painter.ApplySettings(Settings, Frame.Width());
}

TincrustRec Tsuperposer::CurrentSettings() {
    std::lock_guard lock(Frame);
    return Settings;
}

InlayValues Tsuperposer::SampleValues() const {
    std::lock_guard lock(StreamInfoMutex());
    const TvData& video = SharedTvData();
    InlayValues values;
    values.RecDateValid = video.RecDateValid;
    values.RecDateTime = video.RecDateTime;
    values.TimecodeValid = video.TimecodeValid;
    values.Timecode = video.Timecode;
    values.FrameDuration = video.FrameDuration;
    values.ImageNumber = ImageNumber;
    values.Digits = Digits;
    values.LastPosition = CurrentTime;
    values.RealDate = CurrentDayCount();
    return values;
}

void Tsuperposer::DrawOverlay(TFrameBitmap& frame) {
    const InlayLines lines = ComputeInlayLines(Settings, SampleValues(), DateFormatSettings);
    Painter.Draw(frame.View(), lines);
}

} // namespace sp
