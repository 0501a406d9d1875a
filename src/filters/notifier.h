#pragma once
// TNotifier: a pass-through filter that describes the stream crossing it into the program-wide
// records `TvData` or `TaData` (stream_info.h) and posts WM_STREAM_INFO (0x403) to the main
// window: wParam 1 with the address of `TvData`, wParam 2 with the address of `TaData`. It never
// changes a sample and never fails one.
//
// Use (controlling thread, filter stopped): ResetNotifier, then switch on the one reporting flag
// the instance's place needs, then connect. At the start of streaming the connected type is
// described and posted, and remembered: until the next ResetNotifier the filter accepts only a
// type with the same major type, subtype and format type.
//
// For MPEG-2 video and DV the samples are read while streaming (a few bytes at fixed offsets) to
// follow the picture size, aspect, TV standard, DV recording date and DV timecode; a message is
// posted only when a described value changes, never for every frame. The recording date and
// timecode are refreshed without a message. A sample too short for what is read (less than one
// DIF sequence of a DV frame, less than the 8 bytes of an MPEG sequence header) is not read.
//
// Recording facts: the native notifier of H.264 reads each access unit's AVCHD user data
// (describe/recording_facts.h) into the recording date, zone and camera. The decoded notifier,
// given the facts of a file's tags (`ContainerFacts`), writes its zone, camera and place at the
// start of streaming and dates every picture: the recording start plus the picture's position
// (the segment start plus the sample time).
//
// Threads: StartStreaming runs on the controlling thread when the filter leaves the stopped
// state; Transform runs on the upstream streaming thread. Both write the shared records without
// a lock (see stream_info.h for how readers cope). Messages go through mf::mainWindowTarget();
// with no target they are dropped.

#include "describe/recording_facts.h"
#include "filters/stream_info.h"
#include "platform/graph/inplace_filter.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace sp {

inline constexpr mf::GUID CLSID_Notifier = mf::guidOf("{904F906E-CC19-462D-95DF-B61A7082E6AD}");
inline constexpr const char* kNotifierName = "Orvane's Notifier";

// wParam values of WM_STREAM_INFO.
inline constexpr uintptr_t kStreamInfoVideo = 1;
inline constexpr uintptr_t kStreamInfoAudio = 2;

class TNotifier final : public mf::TransInPlaceFilter {
public:
    TNotifier();

    // Set by the media system after ResetNotifier, while the filter is stopped.
    bool ReportNative = false;
    bool ReportDecoded = false;
    bool ReportAudio = false;
    // With ReportDecoded: the frame duration the description gives for timecodes when it is
    // not the average one (a variable-rate stream's base rate); 0 takes the average.
    int64_t TimecodeFrameDuration = 0;
    // With ReportDecoded: what the file's tags tell of the recording; nullopt for a source
    // without tags (a device), which leaves the records' recording fields alone.
    std::optional<RecordingFacts> ContainerFacts;

    // Since the last ResetNotifier, a native sample carried a plausible recording date.
    bool SawStreamDate() const { return sawStreamDate_.load(); }

    // Clears the reporting flags and forgets the accepted type. Controlling thread, stopped.
    void ResetNotifier();

    // A short name for a video type ("RGB32", "dvsd", "MPEG2" ...); empty when none applies.
    static std::string VideoTypeName(const mf::MediaType& type);
    // A short name for an audio type ("MPEG2", "DOLBY AC3", "PCM", "MP3" ...); "???" when the
    // type is not audio or nothing names it.
    static std::string AudioTypeName(const mf::MediaType& type);

    // Filter overrides.
    mf::HRESULT CheckInputType(const mf::MediaType& type) override;
    mf::HRESULT CheckTransform(const mf::MediaType& in, const mf::MediaType& out) override;
    mf::HRESULT GetMediaType(int position, mf::MediaType* type) override;
    mf::HRESULT DecideBufferSize(mf::IMemAllocator* allocator,
                                 mf::AllocatorProperties* request) override;
    mf::HRESULT SetMediaType(mf::PinDirection dir, const mf::MediaType& type) override;
    mf::HRESULT StartStreaming() override;
    mf::HRESULT Transform(mf::IMediaSample* sample) override;
    mf::HRESULT NewSegment(mf::REFERENCE_TIME start, mf::REFERENCE_TIME stop, double rate) override;

    // Buffers asked of the output allocator are at least this large.
    static constexpr long kMinimumBufferBytes = 3000000;

private:
    // Start of streaming (controlling thread).
    struct NativeVideo {
        std::string codecName;
        uint8_t aspect;
        uint32_t bitRate;
    };
    void DescribeVideoBlock(const mf::MediaType& type, const NativeVideo& native,
                            const mf::BITMAPINFOHEADER& header, int64_t avgTimePerFrame);
    void DescribeVideo(const mf::MediaType& type);
    void DescribeAudio(const mf::MediaType& type);
    bool DescribeDvInVideoInfo(const mf::MediaType& type);
    bool DescribeMpeg2(const mf::MediaType& type);
    bool DescribeDvInfo(const mf::MediaType& type);
    bool DescribeVideoInfo(const mf::MediaType& type);
    bool DescribeVideoInfo2(const mf::MediaType& type);
    bool DescribeMpeg1(const mf::MediaType& type);
    bool DescribeWaveFormat(const mf::MediaType& type);

    // Sample inspection (streaming thread), on SampleData.
    void InspectSample(const mf::MediaType& connected);
    void InspectMpeg2Header();
    void InspectDvFrame(int dvType);
    void InspectDvAudio();
    void InspectMdpm();
    void DateDecodedSample(mf::IMediaSample* sample);
    void WriteContainerFacts(const RecordingFacts& facts);

    static void PostVideoInfo();
    static void PostAudioInfo();

    // Set at the start of streaming, read by Transform.
    bool InspectFrames = false;
    bool DateFrames = false; // decoded pictures get ContainerFacts' start plus their position
    mf::REFERENCE_TIME segmentStart_ = 0; // streaming thread
    std::atomic<bool> sawStreamDate_{false};
    // streaming thread only: the data of the sample being inspected, empty otherwise
    std::span<const uint8_t> SampleData;
    // The type last connected; GUID_NULL accepts anything. Controlling thread.
    mf::GUID AcceptedMajor;
    mf::GUID AcceptedSub;
    mf::GUID AcceptedFormat;
};

} // namespace sp
