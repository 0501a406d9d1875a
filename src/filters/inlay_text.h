// The texts and the layout of the inlay: the two lines written into each frame, and where they go.
//
// Everything here is pure (no drawing, no global state) and may be called from any thread; the
// inlay renderer calls it on the video streaming thread for every frame, with its settings
// copied under the frame lock.
#pragma once

#include "filters/date_format.h"
#include "filters/inlay_records.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <vector>

namespace sp {

// The facts the lines are made of, sampled for one frame.
struct InlayValues {
    bool RecDateValid = false; // a DV recording date was seen
    double RecDateTime = 0.0;  // that date, as a day count
    bool TimecodeValid = false;
    // Packed DV timecode: hours, minutes, seconds, frames from the lowest byte.
    uint32_t Timecode = 0;
    int64_t ImageNumber = 0;        // number of the next grab
    int Digits = 4;                 // the setting "digits"
    int64_t LastPosition = 0;       // stream position, 100 ns units
    int64_t FrameDuration = 400000; // 100 ns units
    double RealDate = 0.0;          // the local date and time now, as a day count
};

struct InlayLines {
    QString First;
    QString Second;
};

inline const QString kNotAvailable = QStringLiteral("N/A");

// The image number on `digits` characters: zeros in front, or only its last `digits` digits.
// `digits` is taken within 0 to 32 (the setting holds small numbers; a damaged one must not
// make a huge text).
QString ImageNumberText(int64_t imageNumber, int digits);

// "h:mm:ss:ff" of a packed timecode, hours unpadded.
QString PackedTimecodeText(uint32_t packed);

// The texts every template may use, for one line.
struct InlayFields {
    QString Date;      // D1 or D2: recording date, "N/A" without one
    QString Timecode;  // T
    QString RealDate;  // R1 or R2
    QString Number;    // N
    QString Timestamp; // S
};

// Fills the fields of the first (line 0) or second (line 1) line.
InlayFields ComputeInlayFields(const TincrustRec& settings, const InlayValues& values,
                               const DateFormatConventions& conventions, int line);

// Replaces "%D", "%T", "%R", "%N", "%S" (any letter case), in that order, each on the text left
// by the one before.
QString SubstituteTemplate(QStringView templateText, const InlayFields& fields);

// The two lines of the inlay kind `settings.WhatIncrust`.
InlayLines ComputeInlayLines(const TincrustRec& settings, const InlayValues& values,
                             const DateFormatConventions& conventions);

// --- Layout ---

// Font height in pixels that follows the frame width: 28 on a 720-pixel-wide frame, at least 16.
int AutoFontHeight(int frameWidth);

// Pixel height of a font of `points` points on a screen of `dotsPerInch`, rounded half away
// from zero.
int PointsToPixels(int points, int dotsPerInch = 96);

// The height of the inlay font in pixels for a frame of this width: the automatic height, or
// the record's point size at 96 dots per inch.
int InlayLineHeight(const TincrustRec& settings, int frameWidth);

// A position in thousandths taken within 0 to 1000.
int ClampPermille(int permille);

// Borders up to this size are drawn as copies of the text at BorderOffsets (at most 61 copies);
// larger ones as an outline stroke of the text, whose cost does not grow with the size.
inline constexpr int kMaxBorderSize = 5;
// Any border size is drawn as it is up to this bound; larger values (damaged settings) are
// drawn at the bound, so that a frame's drawing stays short on the streaming thread.
inline constexpr int kBorderSizeBound = 64;

// Font sizes, in points, are taken up to this bound (a line taller than most frames); larger
// values from scripts, the panel or damaged settings would ask for pictures of gigabytes.
inline constexpr int kMaxFontSize = 400;
// `points` taken within -kMaxFontSize to kMaxFontSize (a negative size reads as its magnitude).
int BoundFontSize(int points);

// The offsets at which the black border copies of a text are drawn for a border of `size`
// pixels: every (dx, dy) with |dx|, |dy| <= size and |dx| + |dy| > size, dy in the outer loop.
// `size` is taken within 0 to kMaxBorderSize.
struct Offset {
    int dx = 0;
    int dy = 0;
    bool operator==(const Offset&) const = default;
};
std::vector<Offset> BorderOffsets(int size);

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// Where a line of text goes, as the top-left corner of the text.
struct InlayLayout {
    int FrameWidth = 0;
    int FrameHeight = 0;
    int XPermille = 900; // 0..1000
    int YPermille = 900; // 0..1000
    int LineHeight = 0;
    int Alignment = 2; // 0 left, 1 centre, 2 right, 3 subtitle; other values draw nothing

    int X0() const { return XPermille * FrameWidth / 1000; }
    int Y0() const { return YPermille * FrameHeight / 1000; }
    // Top-left corner of line 0 (first) or 1 (second) whose text is `textWidth` pixels wide;
    // empty for an unknown alignment.
    std::optional<Point> LinePosition(int line, int textWidth) const;
};

} // namespace sp
