#pragma once
// Small helpers shared by the probe's commands.

#include "probe_commands.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sp::probe {

// Command-line words after the command: positional words, "--name value" and "--flag".
struct Flags {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> named;
    bool has(const std::string& name) const {
        return std::any_of(named.begin(), named.end(), [&](auto& n) { return n.first == name; });
    }
    std::optional<std::string> value(const std::string& name) const {
        for (auto& [n, v] : named)
            if (n == name) return v;
        return std::nullopt;
    }
};

// nullopt for an unknown flag or a flag missing its value.
std::optional<Flags> parseFlags(const std::vector<std::string>& args,
                                const std::vector<std::string>& withValue,
                                const std::vector<std::string>& bare);
// The non-negative number in `text`, `fallback` when absent, nullopt when malformed.
std::optional<int> number(const std::optional<std::string>& text, int fallback);
void print(const nlohmann::json& result, const Options& options);
// "h:mm:ss:ff" of a packed timecode (bytes from the lowest: hours, minutes, seconds, frames).
std::string PackedTimecodeText(uint32_t packed);

} // namespace sp::probe
