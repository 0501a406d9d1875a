#pragma once
// Processor load for the diagnostics panel, from the kernel's per-processor counters in
// /proc/stat. The figure shown is the load of the busiest processor since the previous sample,
// never the machine-wide total (a single busy thread shows as 100 %, not 100 % / n).
//
// ProcessorLoadSampler reads the counters; ProcessorLoadAverages keeps the two 16-sample rings
// behind the "average - average of averages" label. Both are plain objects owned by the Help
// panel and used on the user-interface thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sp {

// Cumulative time of one processor, in the kernel's clock ticks.
struct ProcessorTimes {
    uint64_t idle = 0;  // idle and waiting for input/output
    uint64_t total = 0; // every state
    bool operator==(const ProcessorTimes&) const = default;
};

// The per-processor lines ("cpu0", "cpu1", ...) of a /proc/stat text, in order; the total line
// ("cpu") is left out. Nothing when the text holds no processor line.
std::optional<std::vector<ProcessorTimes>> ParseProcessorTimes(std::string_view statText);

// The load of the busiest processor between two samples, in per cent rounded (0..100). A
// processor whose counters did not move counts as 0; processors present in only one sample
// are ignored.
int BusiestProcessorLoad(const std::vector<ProcessorTimes>& previous,
                         const std::vector<ProcessorTimes>& current);

class ProcessorLoadSampler {
public:
    explicit ProcessorLoadSampler(std::string statPath = "/proc/stat");

    // The busiest processor's load since the previous call; 0 on the first call. A file that
    // cannot be read or holds no processor line gives 0, reported once on stderr.
    int sample();

private:
    std::string statPath_;
    std::vector<ProcessorTimes> previous_;
    bool reported_ = false;
};

// The mean of the last 16 samples (A1) and the mean of the last 16 values of that mean (A2),
// both counted from zero at the start as the rings start filled with zeros.
class ProcessorLoadAverages {
public:
    static constexpr int kRingSize = 16;

    void add(int load);
    double average() const { return average_; }
    double averageOfAverages() const { return averageOfAverages_; }
    // "round(A1) - round(A2)", the text of the average label.
    std::string text() const;

private:
    int loads_[kRingSize] = {};
    double averages_[kRingSize] = {};
    int loadPosition_ = 0;
    int averagePosition_ = 0;
    double average_ = 0;
    double averageOfAverages_ = 0;
};

} // namespace sp
