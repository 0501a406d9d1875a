// stillpick-probe: the media system without the window. Prints what a file offers, grabs the
// frame at a timecode into an image file, plays a file (optionally grabbing at a fixed period,
// exactly), or measures frame steps. An existing image is never replaced without --overwrite.
// Exit status: 0 success, 2 bad arguments, 3 a file that is not recognised or cannot be played
// (or an image that cannot be written).

#include "probe_commands.h"

#include "platform/system/runtime_folder.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: stillpick-probe [--json] info FILE\n"
    "       stillpick-probe [--json] grab FILE TIMECODE OUT [--video N] [--audio N] [--flipv]\n"
    "                       [--fliph] [--inlay KIND] [--deinterlace] [--overwrite]\n"
    "       stillpick-probe [--json] play FILE [--max-speed] [--grab-every TIMECODE --out DIR]\n"
    "                       [--overwrite]\n"
    "       stillpick-probe [--json] step FILE TIMECODE (--forward|--back) N\n";

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::vector<std::string> args(argv + 1, argv + argc);
    sp::probe::Options options;
    std::erase_if(args, [&](const std::string& a) {
        if (a != "--json") return false;
        options.json = true;
        return true;
    });
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? sp::probe::kBadArguments : 0;
    }
    // Without a session's runtime folder Qt would warn on stderr, which is the tool's own.
    sp::EnsureRuntimeFolder();
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    int status = sp::probe::RunCommand(args, options);
    if (status == sp::probe::kBadArguments) std::fputs(kUsage, stderr);
    // Everything the command opened is closed by now. Qt's font database, torn down with the
    // application object, first loads the whole font configuration (about 50 ms) only to free
    // it: a command-line tool is better off leaving that to the end of the process.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}
