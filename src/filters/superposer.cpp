#include "filters/superposer.h"

#include "filters/inlay_text.h"
#include "filters/stream_info.h"

#include <chrono>
#include <mutex>

namespace sp {

namespace {

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void KeepLongest(std::atomic<int64_t>& longest, int64_t ns) {
    int64_t seen = longest.load();
    while (ns > seen && !longest.compare_exchange_weak(seen, ns)) {
    }
}

} // namespace

Tsuperposer::Tsuperposer(int32_t maxWidth, int32_t maxHeight)
    : TBitmapFilter(kSuperposerName, CLSID_Superposer, maxWidth, maxHeight),
      DateFormatSettings(FrenchDateFormatConventions()) {}

// The font is made and measured, and the lines as they are now drawn into their pictures, before
// the lock is taken; under it the new settings and painter only change places with the old
// ones, which are let go after it.
void Tsuperposer::ApplySettings(const TincrustRec& record) {
    const int64_t start = NowNs();
    int frameWidth = 0;
    {
        std::lock_guard lock(Frame);
        frameWidth = Frame.Width();
    }
    TincrustRec settings = record;
    InlayPainter painter;
    painter.ApplySettings(settings, frameWidth);
    painter.Prepare(ComputeInlayLines(settings, SampleValues(), DateFormatSettings));
    int64_t locked = 0;
    {
        std::lock_guard lock(Frame);
        locked = NowNs();
        std::swap(Settings, settings);
        std::swap(Painter, painter);
        locked = NowNs() - locked;
    }
    ++SettingsCalls;
    KeepLongest(LongestSettingsLockNs, locked);
    KeepLongest(LongestSettingsCallNs, NowNs() - start);
}

Tsuperposer::SettingsTiming Tsuperposer::SettingsTimes() const {
    return {SettingsCalls.load(), LongestSettingsCallNs.load(), LongestSettingsLockNs.load(),
            LongestDrawNs.load()};
}

void Tsuperposer::ResetSettingsTimes() {
    SettingsCalls = 0;
    LongestSettingsCallNs = 0;
    LongestSettingsLockNs = 0;
    LongestDrawNs = 0;
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
    const int64_t start = NowNs();
    const InlayLines lines = ComputeInlayLines(Settings, SampleValues(), DateFormatSettings);
    Painter.Draw(frame.View(), lines);
    KeepLongest(LongestDrawNs, NowNs() - start);
}

} // namespace sp
