#include "describe/wave_tags.h"

#include <algorithm>
#include <array>

namespace sp {

namespace {

struct TagName {
    uint16_t tag;
    std::string_view name;
};

// Sorted by tag. Mostly the mmreg.h identifiers without their WAVE_FORMAT_ prefix; the
// exceptions ("MPEG Audio", "WMA", "AC3", the trailing blank of 0x0088 ...) are deliberate.
constexpr TagName kTagNames[] = {
    {0x0001, "PCM"},
    {0x0002, "ADPCM"},
    {0x0003, "IEEE_FLOAT"},
    {0x0004, "VSELP"},
    {0x0005, "IBM_CVSD"},
    {0x0006, "ALAW"},
    {0x0007, "MULAW"},
    {0x0008, "DTS"},
    {0x0009, "DRM"},
    {0x0010, "OKI_ADPCM"},
    {0x0011, "DVI_ADPCM"},
    {0x0012, "MEDIASPACE_ADPCM"},
    {0x0013, "SIERRA_ADPCM"},
    {0x0014, "G723_ADPCM"},
    {0x0015, "DIGISTD"},
    {0x0016, "DIGIFIX"},
    {0x0017, "DIALOGIC_OKI_ADPCM"},
    {0x0018, "MEDIAVISION_ADPCM"},
    {0x0019, "HP_CU"},
    {0x0020, "YAMAHA_ADPCM"},
    {0x0021, "SONARC"},
    {0x0022, "DSPGROUP_TRUESPEECH"},
    {0x0023, "ECHOSC1"},
    {0x0024, "AUDIOFILE_AF36"},
    {0x0025, "APTX"},
    {0x0026, "AUDIOFILE_AF10"},
    {0x0027, "PROSODY_1612"},
    {0x0028, "LRC"},
    {0x0030, "DOLBY_AC2"},
    {0x0031, "GSM610"},
    {0x0032, "MSNAUDIO"},
    {0x0033, "ANTEX_ADPCME"},
    {0x0034, "CONTROL_RES_VQLPC"},
    {0x0035, "DIGIREAL"},
    {0x0036, "DIGIADPCM"},
    {0x0037, "CONTROL_RES_CR10"},
    {0x0038, "NMS_VBXADPCM"},
    {0x0039, "CS_IMAADPCM"},
    {0x003A, "ECHOSC3"},
    {0x003B, "ROCKWELL_ADPCM"},
    {0x003C, "ROCKWELL_DIGITALK"},
    {0x003D, "XEBEC"},
    {0x0040, "G721_ADPCM"},
    {0x0041, "G728_CELP"},
    {0x0042, "MSG723"},
    {0x0050, "MPEG Audio"},
    {0x0052, "RT24"},
    {0x0053, "PAC"},
    {0x0055, "MP3"},
    {0x0059, "LUCENT G.723"},
    {0x0060, "CIRRUS"},
    {0x0061, "ESPCM"},
    {0x0062, "VOXWARE"},
    {0x0063, "CANOPUS_ATRAC"},
    {0x0064, "G726_ADPCM"},
    {0x0065, "G722_ADPCM"},
    {0x0066, "DSAT"},
    {0x0067, "DSAT_DISPLAY"},
    {0x0069, "VOXWARE_BYTE_ALIGNED"},
    {0x0070, "VOXWARE_AC8"},
    {0x0071, "VOXWARE_AC10"},
    {0x0072, "VOXWARE_AC16"},
    {0x0073, "VOXWARE_AC20"},
    {0x0074, "VOXWARE_RT24"},
    {0x0075, "VOXWARE_RT29"},
    {0x0076, "VOXWARE_RT29HW"},
    {0x0077, "VOXWARE_VR12"},
    {0x0078, "VOXWARE_VR18"},
    {0x0079, "VOXWARE_TQ40"},
    {0x0080, "SOFTSOUND"},
    {0x0081, "VOXWARE_TQ60"},
    {0x0082, "MSRT24"},
    {0x0083, "G729A"},
    {0x0084, "MVI_MV12"},
    {0x0085, "DF_G726"},
    {0x0086, "DF_GSM610"},
    {0x0088, "ISIAUDIO "},
    {0x0089, "ONLIVE"},
    {0x0091, "SBC24"},
    {0x0092, "DOLBY_AC3_SPDIF"},
    {0x0097, "ZYXEL_ADPCM"},
    {0x0098, "PHILIPS_LPCBB"},
    {0x0099, "PACKED"},
    {0x00FF, "AAC"},
    {0x0100, "RHETOREX_ADPCM"},
    {0x0101, "IRAT"},
    {0x0111, "VIVO_G723"},
    {0x0112, "VIVO_SIREN"},
    {0x0123, "DIGITAL_G723"},
    {0x0125, "SANYO_LD_ADPCM"},
    {0x0130, "SIPROLAB_ACEPLNET"},
    {0x0131, "SIPROLAB_ACELP4800"},
    {0x0132, "SIPROLAB_ACELP8V3"},
    {0x0133, "SIPROLAB_G729"},
    {0x0134, "SIPROLAB_G729A"},
    {0x0135, "SIPROLAB_KELVIN"},
    {0x0140, "G726ADPCM"},
    {0x0150, "QUALCOMM_PUREVOICE"},
    {0x0151, "QUALCOMM_HALFRATE"},
    {0x0155, "TUBGSM"},
    {0x0160, "MSAUDIO1"},
    {0x0161, "WMA"},
    {0x0162, "WMA_Pro"},
    {0x0163, "WMA_Lossless"},
    {0x0170, "UNISYS_NAP_ADPCM"},
    {0x0171, "UNISYS_NAP_ULAW"},
    {0x0172, "UNISYS_NAP_ALAW"},
    {0x0173, "UNISYS_NAP_16K"},
    {0x0200, "CREATIVE_ADPCM"},
    {0x0202, "CREATIVE_FASTSPEECH8"},
    {0x0203, "CREATIVE_FASTSPEECH10"},
    {0x0220, "QUARTERDECK"},
    {0x0300, "FM_TOWNS_SND"},
    {0x0400, "BTV_DIGITAL"},
    {0x0680, "VME_VMPCM"},
    {0x1000, "OLIGSM"},
    {0x1001, "OLIADPCM"},
    {0x1002, "OLICELP"},
    {0x1003, "OLISBC"},
    {0x1004, "OLIOPR"},
    {0x1100, "LH_CODEC"},
    {0x1101, "LH_SELP"},
    {0x1102, "LH_SBC"},
    {0x1103, "LH_SBC"},
    {0x1104, "LH_SBC"},
    {0x1400, "NORRIS"},
    {0x1401, "ISIAUDIO"},
    {0x1500, "SOUNDSPACE_MUSICOMPRESS"},
    {0x181C, "VOXWARE_RT24_Speech"},
    {0x1FC4, "NCTSOFT_ALF2CD"},
    {0x2000, "AC3"},
    {0x2001, "14_4"},
    {0x2002, "14_4"},
    {0x2003, "28_8"},
    {0x2004, "COOK"},
    {0x2005, "DNET"},
    {0x674F, "OGG_VORBIS1"},
    {0x6750, "OGG_VORBIS2"},
    {0x6751, "OGG_VORBIS3"},
    {0x676F, "OGG_VORBIS1+"},
    {0x6770, "OGG_VORBIS2+"},
    {0x6771, "OGG_VORBIS3+"},
    {0x7A21, "GSM_AMR"},
    {0x7A22, "GSM_AMR"},
};

constexpr bool SortedByTag() {
    for (size_t i = 1; i < std::size(kTagNames); ++i)
        if (kTagNames[i - 1].tag >= kTagNames[i].tag) return false;
    return true;
}
static_assert(SortedByTag(), "the tag table is searched by bisection");

} // namespace

std::string_view WaveFormatTagName(uint16_t tag) {
    const auto* end = std::end(kTagNames);
    const auto* it = std::lower_bound(std::begin(kTagNames), end, tag,
                                      [](const TagName& e, uint16_t t) { return e.tag < t; });
    return it != end && it->tag == tag ? it->name : std::string_view();
}

std::string FourCCText(uint32_t code) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        auto c = static_cast<unsigned char>(code >> (8 * i));
        if (c < 32) return {};
        // Bytes above 127 are read as Latin-1 so that the text stays valid UTF-8.
        if (c >= 0x80) {
            text.push_back(static_cast<char>(0xC0 | (c >> 6)));
            text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            text.push_back(static_cast<char>(c));
        }
    }
    return text;
}

} // namespace sp
