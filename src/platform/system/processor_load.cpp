#include "platform/system/processor_load.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iostream>
#include <sstream>

namespace sp {

namespace {

// user nice system idle iowait irq softirq steal; guest time is already part of user and nice.
constexpr int kCountedFields = 8;
constexpr int kIdleField = 3, kIoWaitField = 4;

std::optional<ProcessorTimes> parseProcessorLine(std::string_view line) {
    // "cpuN" followed by at least the four first fields.
    size_t at = 3;
    if (line.substr(0, 3) != "cpu" || at >= line.size() || !std::isdigit((unsigned char)line[at]))
        return std::nullopt;
    while (at < line.size() && std::isdigit((unsigned char)line[at]))
        ++at;
    ProcessorTimes times;
    int field = 0;
    const char* p = line.data() + at;
    const char* end = line.data() + line.size();
    for (; field < kCountedFields; ++field) {
        while (p < end && *p == ' ')
            ++p;
        uint64_t value = 0;
        auto [next, error] = std::from_chars(p, end, value);
        if (error != std::errc()) break;
        p = next;
        times.total += value;
        if (field == kIdleField || field == kIoWaitField) times.idle += value;
    }
    if (field < 4) return std::nullopt;
    return times;
}

} // namespace

std::optional<std::vector<ProcessorTimes>> ParseProcessorTimes(std::string_view statText) {
    std::vector<ProcessorTimes> processors;
    while (!statText.empty()) {
        const size_t end = std::min(statText.find('\n'), statText.size());
        if (auto times = parseProcessorLine(statText.substr(0, end))) processors.push_back(*times);
        statText.remove_prefix(std::min(end + 1, statText.size()));
    }
    if (processors.empty()) return std::nullopt;
    return processors;
}

int BusiestProcessorLoad(const std::vector<ProcessorTimes>& previous,
                         const std::vector<ProcessorTimes>& current) {
    int busiest = 0;
    const size_t count = std::min(previous.size(), current.size());
    for (size_t i = 0; i < count; ++i) {
        // Counters only grow; a processor brought back online restarts them.
        if (current[i].total <= previous[i].total || current[i].idle < previous[i].idle) continue;
        const double wall = double(current[i].total - previous[i].total);
        const double idle = std::min(wall, double(current[i].idle - previous[i].idle));
        busiest = std::max(busiest, int(std::lround(100.0 * (1.0 - idle / wall))));
    }
    return busiest;
}

ProcessorLoadSampler::ProcessorLoadSampler(std::string statPath) : statPath_(std::move(statPath)) {}

int ProcessorLoadSampler::sample() {
    std::ifstream in(statPath_);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    auto current = in ? ParseProcessorTimes(text.str()) : std::nullopt;
    if (!current) {
        if (!reported_)
            std::cerr << "Unable to read performance data from " << statPath_
                      << "; the processor load shows 0 %\n";
        reported_ = true;
        previous_.clear();
        return 0;
    }
    const int load = BusiestProcessorLoad(previous_, *current);
    previous_ = std::move(*current);
    return load;
}

void ProcessorLoadAverages::add(int load) {
    loadPosition_ = (loadPosition_ + 1) % kRingSize;
    average_ += double(load - loads_[loadPosition_]) / kRingSize;
    loads_[loadPosition_] = load;
    averagePosition_ = (averagePosition_ + 1) % kRingSize;
    averageOfAverages_ += (average_ - averages_[averagePosition_]) / kRingSize;
    averages_[averagePosition_] = average_;
}

std::string ProcessorLoadAverages::text() const {
    return std::to_string(std::lround(average_)) + " - " +
           std::to_string(std::lround(averageOfAverages_));
}

} // namespace sp
