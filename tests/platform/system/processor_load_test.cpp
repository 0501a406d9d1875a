#include "platform/system/processor_load.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace sp {
namespace {

// A /proc/stat text: the total line, then one line per processor from (busy, idle) ticks.
std::string statText(const std::vector<std::pair<uint64_t, uint64_t>>& processors) {
    uint64_t busyAll = 0, idleAll = 0;
    std::string lines;
    for (size_t i = 0; i < processors.size(); ++i) {
        const auto [busy, idle] = processors[i];
        busyAll += busy;
        idleAll += idle;
        // user nice system idle iowait irq softirq steal guest guest_nice
        lines += "cpu" + std::to_string(i) + " " + std::to_string(busy) + " 0 0 " +
                 std::to_string(idle) + " 0 0 0 0 " + std::to_string(busy) + " 0\n";
    }
    return "cpu  " + std::to_string(busyAll) + " 0 0 " + std::to_string(idleAll) +
           " 0 0 0 0 0 0\n" + lines + "intr 12345 0 1\nctxt 987\nprocs_running 2\n";
}

TEST(ProcessorTimes, PerProcessorLinesWithoutTheTotal) {
    auto times = ParseProcessorTimes("cpu  50 0 0 50 0 0 0 0 0 0\n"
                                     "cpu0 10 2 3 40 5 1 1 1 7 7\n"
                                     "cpu1 1 0 0 2\n"
                                     "cpufreq nonsense\n"
                                     "cpu2 x y\n"
                                     "intr 1 2 3\n");
    ASSERT_TRUE(times);
    ASSERT_EQ(times->size(), 2u);
    // Waiting for input/output is idle time; guest time is already in user time.
    EXPECT_EQ((*times)[0], (ProcessorTimes{45, 63}));
    EXPECT_EQ((*times)[1], (ProcessorTimes{2, 3}));
    EXPECT_FALSE(ParseProcessorTimes("cpu  1 2 3 4\nintr 5\n"));
    EXPECT_FALSE(ParseProcessorTimes(""));
}

TEST(ProcessorLoad, TheBusiestOfFourProcessorsNotTheTotal) {
    const auto dir = std::filesystem::path(::testing::TempDir()) / "sp-stat";
    std::filesystem::create_directories(dir);
    const auto file = dir / "stat";
    ProcessorLoadSampler sampler(file.string());

    std::ofstream(file) << statText({{1000, 9000}, {500, 9500}, {700, 9300}, {100, 9900}});
    EXPECT_EQ(sampler.sample(), 0); // nothing to compare with yet
    // Over the next period processor 2 is 90 % busy, the others idle: the total is 22.5 %.
    std::ofstream(file) << statText({{1000, 9100}, {500, 9600}, {790, 9310}, {100, 10000}});
    EXPECT_EQ(sampler.sample(), 90);
    // A period in which no time passed, then a processor whose counters restarted.
    EXPECT_EQ(sampler.sample(), 0);
    std::ofstream(file) << statText({{1050, 9150}, {0, 10}, {790, 9410}, {100, 10100}});
    EXPECT_EQ(sampler.sample(), 50);
}

TEST(ProcessorLoad, UnreadableCountersGiveZeroAndOneMessage) {
    ProcessorLoadSampler sampler(
        (std::filesystem::path(::testing::TempDir()) / "no-such-stat").string());
    testing::internal::CaptureStderr();
    EXPECT_EQ(sampler.sample(), 0);
    EXPECT_EQ(sampler.sample(), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Unable to read performance data"), std::string::npos);
    EXPECT_EQ(said.find("Unable", 1), std::string::npos); // said once

    ProcessorLoadSampler real;
    EXPECT_GE(real.sample(), 0);
    const int load = real.sample();
    EXPECT_GE(load, 0);
    EXPECT_LE(load, 100);
}

TEST(ProcessorLoadAverages, TwoRingsOfSixteenFromZero) {
    ProcessorLoadAverages averages;
    EXPECT_EQ(averages.text(), "0 - 0");
    averages.add(100);
    EXPECT_DOUBLE_EQ(averages.average(), 6.25);
    EXPECT_DOUBLE_EQ(averages.averageOfAverages(), 6.25 / 16);
    EXPECT_EQ(averages.text(), "6 - 0");
    for (int i = 1; i < 16; ++i)
        averages.add(100);
    // A1 is the mean of the 16 samples; A2 the mean of A1's 16 values 6.25, 12.5 ... 100.
    EXPECT_DOUBLE_EQ(averages.average(), 100);
    EXPECT_DOUBLE_EQ(averages.averageOfAverages(), 100.0 * 136 / 256);
    EXPECT_EQ(averages.text(), "100 - 53");
    averages.add(0); // the oldest 100 leaves the ring
    EXPECT_DOUBLE_EQ(averages.average(), 93.75);
    for (int i = 0; i < 40; ++i)
        averages.add(0);
    EXPECT_NEAR(averages.average(), 0, 1e-9);
    EXPECT_NEAR(averages.averageOfAverages(), 0, 1e-9);
    EXPECT_EQ(averages.text(), "0 - 0");
}

} // namespace
} // namespace sp
