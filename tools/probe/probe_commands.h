#pragma once
// The probe's commands. Each prints its result (plain text, or JSON with --json) on stdout
// and a one-line message on stderr when it fails.

#include <string>
#include <vector>

namespace sp::probe {

inline constexpr int kSuccess = 0;
inline constexpr int kBadArguments = 2;
inline constexpr int kCannotPlay = 3;

struct Options {
    bool json = false;
};

// args[0] is the command name.
int RunCommand(const std::vector<std::string>& args, const Options& options);

} // namespace sp::probe
