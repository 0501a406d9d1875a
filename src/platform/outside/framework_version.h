#pragma once
// The version of the media framework, for the diagnostics panel and the start-up check.
//
// The framework under the program's filters is FFmpeg, so its version is the one of the
// libavformat library loaded at run time, shown as "major.minor" ("61.7"). The start-up check
// warns when DirectXMajorVersion() is below BuiltFrameworkMajorVersion(), the major version the
// program was compiled against. Any thread.
//
// DirectXVersionText and DirectXMajorVersion call into libavformat: a target that uses them links
// FFmpeg. The other functions need no library.

#include <string>
#include <string_view>

namespace sp {

// "major.minor" of the running libavformat. Throws std::runtime_error when the library reports
// no usable version.
std::string DirectXVersionText();

// The number before the first "." of DirectXVersionText(); 0 when it cannot be read.
int DirectXMajorVersion();

// The libavformat major version of the headers the program was built with.
int BuiltFrameworkMajorVersion();

// "major.minor" of a version packed as FFmpeg packs it (major << 16 | minor << 8 | micro).
// Throws std::runtime_error for 0, which no library reports.
std::string FrameworkVersionText(unsigned packedVersion);

// The number before the first "." of a version text; 0 when there is no "." or no number.
int MajorVersionOf(std::string_view versionText);

} // namespace sp
