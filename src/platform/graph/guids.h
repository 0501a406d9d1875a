#pragma once
// Identifiers of media types, subtypes, format types, pin and filter categories and the class
// ids of the filters the program looks for, with their Windows values.

#include "platform/graph/guid.h"

#include <string>

namespace mf {

// Major types
inline constexpr GUID MEDIATYPE_Video = guidOf("{73646976-0000-0010-8000-00AA00389B71}");
inline constexpr GUID MEDIATYPE_Audio = guidOf("{73647561-0000-0010-8000-00AA00389B71}");
inline constexpr GUID MEDIATYPE_Text = guidOf("{73747874-0000-0010-8000-00AA00389B71}");
inline constexpr GUID MEDIATYPE_Interleaved = guidOf("{73766169-0000-0010-8000-00AA00389B71}");
inline constexpr GUID MEDIATYPE_Stream = guidOf("{E436EB83-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIATYPE_MPEG2_PES = guidOf("{E06D8020-DB46-11CF-B4D1-00805F6CBBEA}");

// Subtypes
inline constexpr GUID MEDIASUBTYPE_RGB1 = guidOf("{E436EB78-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_RGB4 = guidOf("{E436EB79-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_RGB8 = guidOf("{E436EB7A-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_RGB565 = guidOf("{E436EB7B-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_RGB555 = guidOf("{E436EB7C-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_RGB24 = guidOf("{E436EB7D-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_RGB32 = guidOf("{E436EB7E-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_ARGB32 = guidOf("{773C9AC0-3274-11D0-B724-00AA006C1A01}");
inline constexpr GUID MEDIASUBTYPE_MPEG1Packet = guidOf("{E436EB80-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_MPEG1Payload = guidOf("{E436EB81-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_MPEG1AudioPayload = fourCCGuid(0x00000050);
inline constexpr GUID MEDIASUBTYPE_MPEG1System = guidOf("{E436EB84-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_MPEG1VideoCD = guidOf("{E436EB85-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_MPEG1Video = guidOf("{E436EB86-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_MPEG1Audio = guidOf("{E436EB87-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_Avi = guidOf("{E436EB88-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_QTMovie = guidOf("{E436EB89-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_WAVE = guidOf("{E436EB8B-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID MEDIASUBTYPE_Asf = guidOf("{3DB80F90-9412-11D1-ADED-0000F8754B99}");
inline constexpr GUID MEDIASUBTYPE_PCM = fourCCGuid(0x00000001);
inline constexpr GUID MEDIASUBTYPE_IEEE_FLOAT = fourCCGuid(0x00000003);
inline constexpr GUID MEDIASUBTYPE_dvsd = fourCCGuid(makeFourCC('d', 'v', 's', 'd'));
inline constexpr GUID MEDIASUBTYPE_MJPG = fourCCGuid(makeFourCC('M', 'J', 'P', 'G'));
inline constexpr GUID MEDIASUBTYPE_H264 = fourCCGuid(makeFourCC('H', '2', '6', '4'));
inline constexpr GUID MEDIASUBTYPE_YV12 = fourCCGuid(makeFourCC('Y', 'V', '1', '2'));
inline constexpr GUID MEDIASUBTYPE_MPEG2_VIDEO = guidOf("{E06D8026-DB46-11CF-B4D1-00805F6CBBEA}");
inline constexpr GUID MEDIASUBTYPE_MPEG2_AUDIO = guidOf("{E06D802B-DB46-11CF-B4D1-00805F6CBBEA}");
inline constexpr GUID MEDIASUBTYPE_DOLBY_AC3 = guidOf("{E06D802C-DB46-11CF-B4D1-00805F6CBBEA}");
inline constexpr GUID MEDIASUBTYPE_DVD_LPCM_AUDIO = guidOf("{E06D8032-DB46-11CF-B4D1-00805F6CBBEA}");
inline constexpr GUID MEDIASUBTYPE_MPEG2_PROGRAM = guidOf("{E06D8022-DB46-11CF-B4D1-00805F6CBBEA}");
inline constexpr GUID MEDIASUBTYPE_MPEG2_TRANSPORT = guidOf("{E06D8023-DB46-11CF-B4D1-00805F6CBBEA}");

// Format types
inline constexpr GUID FORMAT_None = guidOf("{0F6417D6-C318-11D0-A43F-00A0C9223196}");
inline constexpr GUID FORMAT_VideoInfo = guidOf("{05589F80-C356-11CE-BF01-00AA0055595A}");
inline constexpr GUID FORMAT_WaveFormatEx = guidOf("{05589F81-C356-11CE-BF01-00AA0055595A}");
inline constexpr GUID FORMAT_MPEGVideo = guidOf("{05589F82-C356-11CE-BF01-00AA0055595A}");
inline constexpr GUID FORMAT_MPEGStreams = guidOf("{05589F83-C356-11CE-BF01-00AA0055595A}");
inline constexpr GUID FORMAT_DvInfo = guidOf("{05589F84-C356-11CE-BF01-00AA0055595A}");
inline constexpr GUID FORMAT_VideoInfo2 = guidOf("{F72A76A0-EB0A-11D0-ACE4-0000C0CC16BA}");
inline constexpr GUID FORMAT_MPEG2Video = guidOf("{E06D80E3-DB46-11CF-B4D1-00805F6CBBEA}");

// Pin categories
inline constexpr GUID PIN_CATEGORY_CAPTURE = guidOf("{FB6C4281-0353-11D1-905F-0000C0CC16BA}");
inline constexpr GUID PIN_CATEGORY_PREVIEW = guidOf("{FB6C4282-0353-11D1-905F-0000C0CC16BA}");

// Filter categories
inline constexpr GUID CLSID_LegacyAmFilterCategory =
    guidOf("{083863F1-70DE-11D0-BD40-00A0C911CE86}");
inline constexpr GUID CLSID_AudioRendererCategory =
    guidOf("{E0F158E1-CB04-11D0-BD4E-00A0C911CE86}");

// Time formats
inline constexpr GUID TIME_FORMAT_MEDIA_TIME = guidOf("{7B785574-8C82-11CF-BC0C-00AA00AC74F6}");

// Class ids of the outside filters
inline constexpr GUID CLSID_AsyncReader = guidOf("{E436EBB5-524F-11CE-9F53-0020AF0BA770}");
inline constexpr GUID CLSID_AviSplitter = guidOf("{1B544C20-FD0B-11CE-8C63-00AA0044B51E}");
inline constexpr GUID CLSID_MPEG1Splitter = guidOf("{336475D0-942A-11CE-A870-00AA002FEAB5}");
inline constexpr GUID CLSID_MMSPLITTER = guidOf("{3AE86B20-7BE8-11D1-ABE6-00A0C905F375}");
inline constexpr GUID CLSID_MPEG2Demultiplexer = guidOf("{AFB6C280-2C41-11D3-8A60-0000F81E0E4A}");
inline constexpr GUID CLSID_WMAsfReader = guidOf("{187463A0-5BB7-11D3-ACBE-0080C75E246E}");
inline constexpr GUID CLSID_HaaliMediaSplitter = guidOf("{55DA30FC-F16B-49FC-BAA5-AE59FC65F82D}");
inline constexpr GUID CLSID_DVSplitter = guidOf("{4EB31670-9FC6-11CF-AF6E-00AA00B67A42}");
inline constexpr GUID CLSID_DVVideoCodec = guidOf("{B1B77C00-C3E4-11CF-AF79-00AA00B67A42}");
inline constexpr GUID CLSID_FfdshowVideoDecoder = guidOf("{04FE9017-F873-410E-871E-AB91661A4EF7}");
inline constexpr GUID CLSID_FfdshowAudioDecoder = guidOf("{0F40E1E5-4F79-4988-B1A9-CC98794E6B55}");
inline constexpr GUID CLSID_NullRenderer = guidOf("{C1F400A4-3F08-11D3-9F0B-006008039E37}");
inline constexpr GUID CLSID_DSoundRender = guidOf("{79376820-07D0-11CF-A24D-0020AFD79767}");
inline constexpr GUID CLSID_VideoRenderer = guidOf("{70E102B0-5556-11CE-97C0-00AA0055595A}");
inline constexpr GUID CLSID_SystemClock = guidOf("{E436EBB1-524F-11CE-9F53-0020AF0BA770}");

// The symbolic name of a known identifier ("MEDIATYPE_Video"), else its text form.
std::string guidName(const GUID& g);

} // namespace mf
