#pragma once
// Tsuperposer: the inlay renderer. The bitmap filter (bitmap_filter.h) with a drawing step: while
// the inlay is on, two lines of text are written into every frame before it goes to the preview
// and before the main window can copy it for a snapshot.
//
// The lines follow the inlay settings (`TincrustRec`, inlay_records.h; texts and layout in
// inlay_text.h) and, for each frame, the stream's values: the DV recording date and timecode of
// `TvData` (stream_info.h), the stream position `CurrentTime`, the image number of the next grab
// and the local date and time now. Dates use the French (France) conventions.
//
// Threads: ApplySettings and SetImageNumber are called by the main thread; DrawOverlay runs on
// the video streaming thread with `Frame` locked. ApplySettings prepares the new font and
// layout without the lock and takes it only to swap them in with the settings, so a frame is
// drawn entirely with the old settings or entirely with the new ones and the streaming thread
// never waits for a font to be loaded. Fonts need the Qt GUI application object: create the
// superposer after it.

#include "filters/bitmap_filter.h"
#include "filters/date_format.h"
#include "filters/inlay_painter.h"
#include "filters/inlay_records.h"

#include <atomic>
#include <cstdint>

namespace sp {

inline constexpr mf::GUID CLSID_Superposer = mf::guidOf("{E97F14A9-9EB5-486F-8235-B29F93983433}");
inline constexpr const char* kSuperposerName = "Orvane fs_Superposer";

class Tsuperposer final : public TBitmapFilter {
public:
    explicit Tsuperposer(int32_t maxWidth = kDefaultMaxWidth,
                         int32_t maxHeight = kDefaultMaxHeight);

    // Takes a copy of the record and applies its font, colour, styles, positions (clamped to
    // 0 … 1000 thousandths), alignment and border. The automatic font height follows the width
    // of the frame as it is now. Main thread; effective from the next frame drawn.
    void ApplySettings(const TincrustRec& record);
    void SetInlaySettings(const TincrustRec& record) { ApplySettings(record); }

    // The main window's number of the next grab and its setting "digits". Main thread.
    void SetImageNumber(int64_t imageNumber, int digits) {
        ImageNumber = imageNumber;
        Digits = digits;
    }

    // A copy of the settings in use (taken under the frame lock).
    TincrustRec CurrentSettings();

    // Since the last reset: how many ApplySettings calls, the longest whole call and the
    // longest time one held the frame lock (what the streaming thread may have waited for it),
    // and the longest drawing of one frame's lines, in nanoseconds. Any thread.
    struct SettingsTiming {
        uint64_t Calls = 0;
        int64_t LongestCallNs = 0;
        int64_t LongestLockNs = 0;
        int64_t LongestDrawNs = 0;
    };
    SettingsTiming SettingsTimes() const;
    void ResetSettingsTimes();
    // The values the next frame's lines are made of: the stream's description, the position,
    // the image number and "digits", the time now. Any thread.
    InlayValues SampleValues() const;

protected:
    void DrawOverlay(TFrameBitmap& frame) override;

private:
    // guarded by Frame's lock
    TincrustRec Settings;
    InlayPainter Painter; // font, colour, positions, alignment, border; LineHeight()
    // Immutable after construction.
    const DateFormatConventions DateFormatSettings;
    // Written by the main thread, read while drawing.
    std::atomic<int64_t> ImageNumber{0};
    std::atomic<int> Digits{4};
    // Written by ApplySettings and DrawOverlay, read by SettingsTimes.
    std::atomic<uint64_t> SettingsCalls{0};
    std::atomic<int64_t> LongestSettingsCallNs{0};
    std::atomic<int64_t> LongestSettingsLockNs{0};
    std::atomic<int64_t> LongestDrawNs{0};
};

} // namespace sp
