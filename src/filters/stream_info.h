#pragma once
// The descriptions of the playing video and audio streams, `TvData` and `TaData`, with the one
// program-wide instance of each, and the text rules used to build them.
//
// Writers: the notifiers fill both records on the framework's threads (at the start of streaming
// and while inspecting samples), without a lock, and then post WM_STREAM_INFO (0x403) with the
// record's address to the main window. Besides them, the media system writes
// `TaData.CodecName` when it connects an audio stream, and the bitmap filter sets
// `TvData.FrameDuration` when it is 0. The video notifiers write the recording fields (date,
// zone, camera, place) from DV frames, AVCHD user data or the container's tags. The inlay renderer
// reads `RecDateValid`, `RecDateTime`, `TimecodeValid` and `Timecode` on the video streaming
// thread.
//
// Readers on the main thread copy the record as soon as the message arrives and work on the
// copy; the message only says that the record changed, it may have changed again since.
// Nothing clears the records: they keep their last values for the whole run of the program.
//
// Strings are UTF-8.

#include "platform/graph/formats.h"
#include "platform/graph/guid.h"

#include <cstdint>
#include <mutex>
#include <string>

namespace sp {

// `TvData.Aspect` values.
inline constexpr uint8_t kAspect4x3 = 0;
inline constexpr uint8_t kAspect16x9 = 1;
inline constexpr uint8_t kAspectUnknown = 2;

// `TvData.TvStandard` values.
inline constexpr uint8_t kTvStandardPal = 0;  // 625 lines / 50 Hz
inline constexpr uint8_t kTvStandardNtsc = 1; // 525 lines / 60 Hz
inline constexpr uint8_t kTvStandardUnknown = 2;

// The description of the video stream.
struct TvData {
    mf::GUID MajorType;
    mf::GUID SubType;
    mf::GUID FormatType;
    int32_t Width = 0;  // pixels, from the format block's bitmap header
    int32_t Height = 0; // pixels
    int32_t BitCount = 0;
    double FrameRate = 0;      // frames per second, 0 when unknown
    int64_t FrameDuration = 0; // 100 ns units, 0 when unknown
    std::string Description;   // one line: codec name, with the aspect for some kinds
    std::string SizeText;      // "720x576 - 25 fps"
    std::string CodecName;
    uint8_t Aspect = kAspect4x3;
    uint8_t TvStandard = kTvStandardPal;
    bool RecDateValid = false; // RecDateTime holds a valid recording date and time
    double RecDateTime = 0;    // day count (days since 30 December 1899)
    // What the source tells of the recording besides its date (AVCHD user data, container
    // tags): the zone of RecDateTime's clock, the camera, the place.
    bool RecZoneValid = false;
    int32_t RecZoneMinutes = 0; // offset from UTC
    std::string RecMake;
    std::string RecModel;
    bool RecPlaceValid = false;
    double RecLatitude = 0;  // degrees north
    double RecLongitude = 0; // degrees east
    bool RecAltitudeValid = false;
    double RecAltitude = 0; // metres above sea level
    bool TimecodeValid = false;
    uint32_t Timecode = 0; // packed: from the lowest byte hours, minutes, seconds, frames
    int32_t BitRate = 0;   // bits per second
    // How the decoded pictures were turned upright (mf::PictureOrientation packed; 0 when shown
    // as stored): Width and Height are the upright size, the stored one has the sides swapped
    // when the turn is a quarter or three.
    uint8_t Orientation = 0;
};

// The description of the audio stream.
struct TaData {
    mf::GUID MajorType;
    mf::GUID SubType;
    mf::GUID FormatType;
    std::string CodecName; // written by the media system only
    int32_t Channels = 0;
    int32_t BitsPerSample = 0;
    int32_t SampleRate = 0;
    int32_t BitRate = 0; // bits per second
    std::string Description;
};

// The program-wide records. They live as long as the program; see the top of this file for who
// writes them on which thread.
TvData& SharedTvData();
TaData& SharedTaData();

// The records' own lock, like a frame bitmap's: whoever changes a record holds it, and a
// reader on another thread holds it while it copies the record (strings are not safe to copy
// while they are being rewritten). Never held while waiting for anything else.
std::mutex& StreamInfoMutex();
TvData CopyTvData();
TaData CopyTaData();

// " (4x3)", " (16x9)" or nothing for an unknown aspect.
std::string AspectSuffix(uint8_t aspect);

// The aspect of a picture aspect ratio X:Y: 4:3, 16:9, otherwise unknown (also when both are 0).
uint8_t AspectFromRatio(uint32_t x, uint32_t y);

// The TV standard a picture height suggests: 480, 240, 120 lines NTSC; 576, 288, 144 PAL.
uint8_t TvStandardFromHeight(int32_t height);

// "720x576", followed by " - 25 fps" when the rate is above 0: the rate rounded to two decimals,
// in the shortest general form, with the decimal separator of the default locale.
std::string SizeText(int32_t width, int32_t height, double frameRate);

// Width, height and bit count of the bitmap header, the frame duration and the frame rate
// derived from it, and the size text.
void ApplySizeGroup(TvData& tv, const mf::BITMAPINFOHEADER& header, int64_t avgTimePerFrameHns);

// The audio description of a codec name, rate, bits or bit rate, and channel count, such as
// "PCM 48000Hz 16bits  stéréo" or "AC3 48000Hz 3584Kb/s 6 canaux".
std::string AudioDescription(const std::string& codecName, int32_t sampleRate,
                             int32_t bitsPerSample, int32_t bitRate, int32_t channels);

} // namespace sp
