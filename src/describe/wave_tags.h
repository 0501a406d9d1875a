#pragma once
// Names of WAVE audio format tags and four-character codes as text, for stream descriptions.
// Pure functions; any thread.

#include <cstdint>
#include <string>
#include <string_view>

namespace sp {

// The name of a WAVE format tag ("PCM", "MP3", "AC3" ...); empty when the tag is unknown.
// The text is static and lives as long as the program.
std::string_view WaveFormatTagName(uint16_t tag);

// The four bytes of a code as characters, lowest byte first ("dvsd"); empty when any byte is a
// control character (below 32). Bytes above 127 are taken as Latin-1 and encoded as UTF-8.
std::string FourCCText(uint32_t code);

} // namespace sp
