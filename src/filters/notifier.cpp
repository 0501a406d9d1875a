#include "filters/notifier.h"

#include "describe/dv_frame.h"
#include "describe/mpeg_header.h"
#include "describe/wave_tags.h"
#include "platform/graph/guids.h"
#include "platform/graph/message_target.h"

#include <algorithm>

namespace sp {

using namespace mf;

namespace {

// The 12000 bytes of one DIF sequence: a shorter sample is no DV frame and is not read.
constexpr size_t kDvMinimumBytes = kDVSequenceBytes;

void CopyGuids(TvData& tv, const MediaType& type) {
    tv.MajorType = type.majortype;
    tv.SubType = type.subtype;
    tv.FormatType = type.formattype;
}

void CopyGuids(TaData& ta, const MediaType& type) {
    ta.MajorType = type.majortype;
    ta.SubType = type.subtype;
    ta.FormatType = type.formattype;
}

bool Matches(const GUID& accepted, const GUID& offered) {
    return accepted == GUID_NULL || accepted == offered;
}

// The subtype is in the four-character-code form {XXXXXXXX-0000-0010-8000-00AA00389B71}.
bool IsFourCCSubtype(const GUID& subtype) {
    return subtype.toString().ends_with("-0000-0010-8000-00AA00389B71}");
}

std::string RgbSubtypeName(const GUID& subtype) {
    struct Entry {
        const GUID& subtype;
        const char* name;
    };
    static const Entry kNames[] = {
        {MEDIASUBTYPE_RGB24, "RGB24"},   {MEDIASUBTYPE_RGB32, "RGB32"},
        {MEDIASUBTYPE_RGB1, "RGB1"},     {MEDIASUBTYPE_RGB4, "RGB4"},
        {MEDIASUBTYPE_RGB8, "RGB8"},     {MEDIASUBTYPE_RGB565, "RGB565"},
        {MEDIASUBTYPE_RGB555, "RGB555"},
    };
    for (const Entry& e : kNames)
        if (e.subtype == subtype) return e.name;
    return {};
}

std::string AudioSubtypeName(const GUID& subtype) {
    struct Entry {
        const GUID& subtype;
        const char* name;
    };
    static const Entry kNames[] = {
        {MEDIASUBTYPE_MPEG2_AUDIO, "MPEG2"},         {MEDIASUBTYPE_DOLBY_AC3, "DOLBY AC3"},
        {MEDIASUBTYPE_DVD_LPCM_AUDIO, "LPCM"},       {MEDIASUBTYPE_MPEG1Packet, "MPEG1Packet"},
        {MEDIASUBTYPE_MPEG1Payload, "MPEG1Payload"}, {MEDIASUBTYPE_MPEG1AudioPayload, "MPEG1"},
    };
    for (const Entry& e : kNames)
        if (e.subtype == subtype) return e.name;
    return {};
}

// The bytes of a sample that hold data; empty for a sample without a buffer.
std::span<const uint8_t> SampleBytes(IMediaSample* sample) {
    const uint8_t* data = sample->GetPointer();
    long length = std::min(sample->GetActualDataLength(), sample->GetSize());
    if (!data || length <= 0) return {};
    return {data, size_t(length)};
}

bool IsH264(const MediaType& type) {
    return type.subtype == fourCCGuid(makeFourCC('H', '2', '6', '4')) ||
           type.subtype == fourCCGuid(makeFourCC('h', '2', '6', '4'));
}

constexpr double kHnsPerDay = 864e9;

} // namespace

TNotifier::TNotifier() : TransInPlaceFilter(kNotifierName, CLSID_Notifier) {
    ResetNotifier();
}

void TNotifier::ResetNotifier() {
    ReportNative = false;
    ReportDecoded = false;
    ReportAudio = false;
    TimecodeFrameDuration = 0;
    AcceptedMajor = GUID_NULL;
    AcceptedSub = GUID_NULL;
    AcceptedFormat = GUID_NULL;
    ContainerFacts.reset();
    sawStreamDate_ = false;
}

// Type names ----------------------------------------------------------------------------------

std::string TNotifier::VideoTypeName(const MediaType& type) {
    try {
        if (std::string rgb = RgbSubtypeName(type.subtype); !rgb.empty()) return rgb;
        if (type.formattype == FORMAT_VideoInfo) {
            auto vih = type.formatAs<VIDEOINFOHEADER>();
            return vih ? FourCCText(vih->bmiHeader.biCompression) : std::string();
        }
        if (type.formattype == FORMAT_VideoInfo2) {
            auto vih2 = type.formatAs<VIDEOINFOHEADER2>();
            return vih2 ? FourCCText(vih2->bmiHeader.biCompression) : std::string();
        }
        if (type.formattype == FORMAT_MPEGVideo)
            return IsFourCCSubtype(type.subtype) ? FourCCText(type.subtype.Data1) : "MPEG1";
        if (type.formattype == FORMAT_MPEG2Video)
            return IsFourCCSubtype(type.subtype) ? FourCCText(type.subtype.Data1) : "MPEG2";
    } catch (...) {
        // A name is a courtesy: no failure may stop the description.
    }
    return {};
}

std::string TNotifier::AudioTypeName(const MediaType& type) {
    std::string name = "???";
    try {
        if (type.majortype != MEDIATYPE_Audio) return name;
        if (std::string known = AudioSubtypeName(type.subtype); !known.empty()) return known;
        if (type.formattype != FORMAT_WaveFormatEx) return name;
        auto wfx = type.formatAs<WAVEFORMATEX>();
        if (!wfx || wfx->wFormatTag == 0) return name;
        name = std::string(WaveFormatTagName(wfx->wFormatTag).substr(0, 4));
    } catch (...) {
        // Keep the text reached so far.
    }
    return name;
}

// Filter overrides ----------------------------------------------------------------------------

HRESULT TNotifier::CheckInputType(const MediaType& type) {
    return Matches(AcceptedMajor, type.majortype) && Matches(AcceptedSub, type.subtype) &&
                   Matches(AcceptedFormat, type.formattype)
               ? S_OK
               : E_FAIL;
}

HRESULT TNotifier::CheckTransform(const MediaType& in, const MediaType& out) {
    return in.majortype == out.majortype && in.subtype == out.subtype ? S_OK
                                                                      : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TNotifier::GetMediaType(int position, MediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position > 0 || !input()->IsConnected()) return VFW_S_NO_MORE_ITEMS;
    if (!type) return E_POINTER;
    *type = input()->CurrentMediaType();
    return S_OK;
}

HRESULT TNotifier::DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) {
    if (!allocator || !request) return E_POINTER;
    if (!input()->IsConnected()) return VFW_E_NOT_CONNECTED;
    IMemAllocator* upstream = input()->PeekAllocator();
    if (!upstream) return VFW_E_NO_ALLOCATOR;
    AllocatorProperties in;
    HRESULT hr = upstream->GetProperties(&in);
    if (FAILED(hr)) return hr;
    if (request->cbAlign == 0) request->cbAlign = 1;
    if (request->cbBuffer == 0) request->cbBuffer = 1;
    if (request->cBuffers == 0) request->cBuffers = 1;
    request->cbBuffer = std::max({request->cbBuffer, in.cbBuffer, kMinimumBufferBytes});
    AllocatorProperties actual;
    hr = allocator->SetProperties(*request, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer < in.cbBuffer ? E_FAIL : S_OK;
}

HRESULT TNotifier::SetMediaType(PinDirection, const MediaType&) {
    return S_OK;
}

// Start of streaming --------------------------------------------------------------------------

HRESULT TNotifier::StartStreaming() {
    std::lock_guard lock(StreamInfoMutex());
    InspectFrames = false;
    DateFrames = false;
    SharedTaData().SampleRate = 0; // so that the next DV audio frame is reported
    if (!input()->IsConnected()) return S_OK;
    const MediaType type = input()->CurrentMediaType();
    AcceptedMajor = type.majortype;
    AcceptedSub = type.subtype;
    AcceptedFormat = type.formattype;
    try {
        if (type.majortype == MEDIATYPE_Video) CopyGuids(SharedTvData(), type);
        if (type.majortype == MEDIATYPE_Audio) CopyGuids(SharedTaData(), type);
        if (ReportDecoded || ReportNative) DescribeVideo(type);
        if (ReportAudio) DescribeAudio(type);
        if (ReportDecoded && ContainerFacts) {
            WriteContainerFacts(*ContainerFacts);
            DateFrames = ContainerFacts->Start.has_value();
        }
    } catch (...) {
        // A failed description leaves the stream playing.
    }
    return S_OK;
}

void TNotifier::DescribeVideo(const MediaType& type) {
    // The kinds whose samples are read, then the ones described once.
    if (DescribeDvInVideoInfo(type) || DescribeMpeg2(type) || DescribeDvInfo(type)) {
        PostVideoInfo();
        InspectFrames = true;
    } else if (DescribeVideoInfo(type) || DescribeVideoInfo2(type) || DescribeMpeg1(type)) {
        PostVideoInfo();
        InspectFrames = ReportNative && IsH264(type);
    }
}

void TNotifier::DescribeAudio(const MediaType& type) {
    if (DescribeWaveFormat(type)) {
        PostAudioInfo();
    } else if (type.formattype == FORMAT_DvInfo && type.formatAs<DVINFO>()) {
        PostAudioInfo();
        InspectFrames = true;
    }
}

// The native group (codec, aspect, bit rate, description) and the decoded size group that
// every video format block gives the same way.
void TNotifier::DescribeVideoBlock(const MediaType& type, const NativeVideo& native,
                                   const BITMAPINFOHEADER& header, int64_t avgTimePerFrame) {
    TvData& tv = SharedTvData();
    if (ReportNative) {
        CopyGuids(tv, type);
        tv.CodecName = native.codecName;
        tv.Aspect = native.aspect;
        tv.BitRate = int32_t(native.bitRate);
        tv.TvStandard = kTvStandardUnknown;
        tv.Description = native.codecName + AspectSuffix(native.aspect);
    }
    if (!ReportDecoded) return;
    ApplySizeGroup(tv, header, avgTimePerFrame); // the rate described stays the average
    tv.Orientation = uint8_t(type.orientation().packed());
    if (TimecodeFrameDuration > 0) tv.FrameDuration = TimecodeFrameDuration;
}

bool TNotifier::DescribeDvInVideoInfo(const MediaType& type) {
    if (type.subtype != MEDIASUBTYPE_dvsd || type.formattype != FORMAT_VideoInfo) return false;
    auto vih = type.formatAs<VIDEOINFOHEADER>();
    if (!vih) return false;
    DescribeVideoBlock(type, {VideoTypeName(type), kAspectUnknown, vih->dwBitRate}, vih->bmiHeader,
                       vih->AvgTimePerFrame);
    if (ReportNative) { // DV also gives its own size, and the TV standard with it
        TvData& tv = SharedTvData();
        tv.Width = vih->bmiHeader.biWidth;
        tv.Height = vih->bmiHeader.biHeight;
        tv.BitCount = vih->bmiHeader.biBitCount;
        tv.TvStandard = TvStandardFromHeight(tv.Height);
    }
    return true;
}

bool TNotifier::DescribeMpeg2(const MediaType& type) {
    if (type.formattype != FORMAT_MPEG2Video) return false;
    auto info = type.formatAs<MPEG2VIDEOINFO>();
    if (!info) return false;
    const uint8_t aspect =
        AspectFromRatio(info->hdr.dwPictAspectRatioX, info->hdr.dwPictAspectRatioY);
    DescribeVideoBlock(type, {"MPEG2", aspect, info->hdr.dwBitRate}, info->hdr.bmiHeader,
                       info->hdr.AvgTimePerFrame);
    return true;
}

bool TNotifier::DescribeDvInfo(const MediaType& type) {
    if (type.formattype != FORMAT_DvInfo || !type.formatAs<DVINFO>()) return false;
    if (ReportNative) {
        TvData& tv = SharedTvData();
        CopyGuids(tv, type);
        tv.Aspect = kAspectUnknown;
        tv.TvStandard = kTvStandardUnknown;
    }
    return true;
}

bool TNotifier::DescribeVideoInfo(const MediaType& type) {
    if (type.formattype != FORMAT_VideoInfo) return false;
    auto vih = type.formatAs<VIDEOINFOHEADER>();
    if (!vih) return false;
    DescribeVideoBlock(type, {VideoTypeName(type), kAspectUnknown, vih->dwBitRate}, vih->bmiHeader,
                       vih->AvgTimePerFrame);
    return true;
}

bool TNotifier::DescribeVideoInfo2(const MediaType& type) {
    if (type.formattype != FORMAT_VideoInfo2) return false;
    auto vih2 = type.formatAs<VIDEOINFOHEADER2>();
    if (!vih2) return false;
    const uint8_t aspect = AspectFromRatio(vih2->dwPictAspectRatioX, vih2->dwPictAspectRatioY);
    DescribeVideoBlock(type, {VideoTypeName(type), aspect, vih2->dwBitRate}, vih2->bmiHeader,
                       vih2->AvgTimePerFrame);
    return true;
}

bool TNotifier::DescribeMpeg1(const MediaType& type) {
    if (type.formattype != FORMAT_MPEGVideo) return false;
    auto info = type.formatAs<MPEG1VIDEOINFO>();
    if (!info) return false;
    DescribeVideoBlock(type, {"MPEG1", kAspectUnknown, info->hdr.dwBitRate}, info->hdr.bmiHeader,
                       info->hdr.AvgTimePerFrame);
    if (ReportDecoded) { // MPEG-1 knows no aspect or TV standard, decoded or not
        TvData& tv = SharedTvData();
        tv.Aspect = kAspectUnknown;
        tv.TvStandard = kTvStandardUnknown;
        tv.BitRate = int32_t(info->hdr.dwBitRate);
    }
    return true;
}

bool TNotifier::DescribeWaveFormat(const MediaType& type) {
    if (type.formattype != FORMAT_WaveFormatEx) return false;
    auto wfx = type.formatAs<WAVEFORMATEX>();
    if (!wfx) return false;
    TaData& ta = SharedTaData();
    CopyGuids(ta, type);
    ta.Channels = wfx->nChannels;
    ta.SampleRate = int32_t(wfx->nSamplesPerSec);
    // Bytes per second above 268 million would overflow the 32-bit bit rate: keep the largest.
    ta.BitRate = int32_t(std::min<int64_t>(int64_t(wfx->nAvgBytesPerSec) * 8, INT32_MAX));
    ta.BitsPerSample = wfx->wBitsPerSample;
    ta.Description =
        AudioDescription(ta.CodecName, ta.SampleRate, ta.BitsPerSample, ta.BitRate, ta.Channels);
    return true;
}

// Sample inspection ---------------------------------------------------------------------------

HRESULT TNotifier::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    segmentStart_ = start;
    return TransInPlaceFilter::NewSegment(start, stop, rate);
}

HRESULT TNotifier::Transform(IMediaSample* sample) {
    if (!sample) return S_OK;
    if (DateFrames) DateDecodedSample(sample);
    if (!InspectFrames) return S_OK;
    std::lock_guard lock(StreamInfoMutex());
    SampleData = SampleBytes(sample);
    try {
        InspectSample(input()->CurrentMediaType());
    } catch (...) {
        // Inspection never fails a sample.
    }
    SampleData = {};
    return S_OK;
}

void TNotifier::InspectSample(const MediaType& connected) {
    const GUID& format = connected.formattype;
    if (format == FORMAT_MPEG2Video) {
        if (ReportNative) InspectMpeg2Header();
    } else if (format == FORMAT_VideoInfo && connected.subtype == MEDIASUBTYPE_dvsd) {
        if (ReportNative) InspectDvFrame(2);
    } else if (format == FORMAT_DvInfo) {
        if (ReportNative) InspectDvFrame(1);
        if (ReportAudio) InspectDvAudio();
    } else if (IsH264(connected)) {
        if (ReportNative) InspectMdpm();
    }
}

void TNotifier::InspectMdpm() {
    const std::optional<MdpmFacts> mdpm = FindMdpm(SampleData);
    if (!mdpm) return;
    TvData& tv = SharedTvData();
    const std::optional<double> when = mdpm->When ? EncodeDayCount(*mdpm->When) : std::nullopt;
    tv.RecDateValid = when && IsPlausibleRecordingDate(*when, NowDayCount());
    if (tv.RecDateValid) {
        tv.RecDateTime = *when;
        sawStreamDate_ = true;
    }
    tv.RecZoneValid = mdpm->ZoneMinutes.has_value();
    tv.RecZoneMinutes = mdpm->ZoneMinutes.value_or(0);
    if (!mdpm->Make.empty()) tv.RecMake = mdpm->Make;
    if (!mdpm->Model.empty()) tv.RecModel = mdpm->Model;
}

void TNotifier::DateDecodedSample(IMediaSample* sample) {
    REFERENCE_TIME start = 0, stop = 0;
    if (FAILED(sample->GetTime(&start, &stop)) || !ContainerFacts || !ContainerFacts->Start) return;
    std::lock_guard lock(StreamInfoMutex());
    TvData& tv = SharedTvData();
    tv.RecDateTime = *ContainerFacts->Start + double(segmentStart_ + start) / kHnsPerDay;
    tv.RecDateValid = true;
}

void TNotifier::WriteContainerFacts(const RecordingFacts& facts) {
    TvData& tv = SharedTvData();
    tv.RecZoneValid = facts.ZoneMinutes.has_value();
    tv.RecZoneMinutes = facts.ZoneMinutes.value_or(0);
    tv.RecMake = facts.Make;
    tv.RecModel = facts.Model;
    tv.RecPlaceValid = facts.Place.has_value();
    tv.RecLatitude = facts.Place ? facts.Place->Latitude : 0;
    tv.RecLongitude = facts.Place ? facts.Place->Longitude : 0;
    tv.RecAltitudeValid = facts.Place && facts.Place->Altitude;
    tv.RecAltitude = tv.RecAltitudeValid ? *facts.Place->Altitude : 0;
}

void TNotifier::InspectMpeg2Header() {
    if (!IsMpegSequenceHeader(SampleData)) return;
    TvData& tv = SharedTvData();
    bool changed = false;
    auto update = [&changed](auto& field, auto value) {
        if (field == value) return;
        field = value;
        changed = true;
    };
    update(tv.Width, int32_t(MpegWidth(SampleData)));
    update(tv.Height, int32_t(MpegHeight(SampleData)));
    update(tv.Aspect, uint8_t(MpegAspect(SampleData)));
    update(tv.FrameRate, MpegFrameRate(SampleData));
    if (!changed) return;
    tv.Description = "MPEG2" + AspectSuffix(tv.Aspect);
    PostVideoInfo();
}

void TNotifier::InspectDvFrame(int dvType) {
    if (SampleData.size() < kDvMinimumBytes || !DVHasSourceControl(SampleData)) return;
    TvData& tv = SharedTvData();
    const uint8_t standard = uint8_t(DVSystem(SampleData));
    const uint8_t aspect = DVIsWide(SampleData) ? kAspect16x9 : kAspect4x3;

    const TRecordingDate date = FirstDVRecordingDateTime(SampleData);
    if (!date.present()) {
        tv.RecDateValid = false;
        tv.RecDateTime = 0;
    } else {
        const std::optional<double> dayCount = RecordingDayCount(date);
        tv.RecDateValid = dayCount.has_value();
        if (dayCount) tv.RecDateTime = *dayCount;
    }
    if (std::optional<uint32_t> timecode = FirstDVTimecode(SampleData)) {
        tv.Timecode = *timecode;
        tv.TimecodeValid = true;
    }

    bool changed = false;
    if (dvType == 1 && standard != tv.TvStandard) {
        tv.TvStandard = standard;
        changed = true;
        if (standard == kTvStandardPal) {
            tv.Width = 720;
            tv.Height = 576;
            tv.FrameRate = 25;
        } else if (standard == kTvStandardNtsc) {
            tv.Width = 720;
            tv.Height = 480;
            tv.FrameRate = 30000.0 / 1001.0;
        }
    }
    if (aspect != tv.Aspect) {
        tv.Aspect = aspect;
        changed = true;
    }
    if (!changed) return;
    std::string text = dvType == 1 ? "DV type1 " : "DV type2 ";
    if (tv.TvStandard == kTvStandardPal) text += "Pal ";
    if (tv.TvStandard == kTvStandardNtsc) text += "NTSC ";
    text += tv.Aspect == kAspect16x9 ? " (16x9) " : " (4x3) ";
    tv.Description = std::move(text);
    PostVideoInfo();
}

void TNotifier::InspectDvAudio() {
    if (SampleData.size() < kDvMinimumBytes || !DVHasSourceControl(SampleData)) return;
    TaData& ta = SharedTaData();
    const int32_t rate = DVAudioSampleRate(SampleData);
    const int32_t bits = DVAudioBits(SampleData);
    if (rate == ta.SampleRate && bits == ta.BitsPerSample) return;
    ta.SampleRate = rate;
    ta.BitsPerSample = bits;
    ta.MajorType = MEDIATYPE_Audio;
    ta.SubType = MEDIASUBTYPE_PCM;
    ta.FormatType = FORMAT_WaveFormatEx;
    ta.Description =
        "DV " + std::to_string(rate) + "Hz " + std::to_string(bits) + "bits st\u00e9r\u00e9o";
    PostAudioInfo();
}

// Messages ------------------------------------------------------------------------------------

void TNotifier::PostVideoInfo() {
    if (auto target = mainWindowTarget())
        target->post(WM_STREAM_INFO, kStreamInfoVideo, reinterpret_cast<intptr_t>(&SharedTvData()));
}

void TNotifier::PostAudioInfo() {
    if (auto target = mainWindowTarget())
        target->post(WM_STREAM_INFO, kStreamInfoAudio, reinterpret_cast<intptr_t>(&SharedTaData()));
}

} // namespace sp
