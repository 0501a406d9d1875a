#include "platform/outside/framework_version.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace sp;

TEST(FrameworkVersion, TextIsMajorDotMinor) {
    EXPECT_EQ(FrameworkVersionText(61u << 16 | 7u << 8 | 100u), "61.7");
    EXPECT_EQ(FrameworkVersionText(1u << 8), "0.1");
    EXPECT_THROW(FrameworkVersionText(0), std::runtime_error);
}

TEST(FrameworkVersion, MajorIsTheNumberBeforeTheFirstDot) {
    EXPECT_EQ(MajorVersionOf("61.7"), 61);
    EXPECT_EQ(MajorVersionOf("9.0c"), 9);
    EXPECT_EQ(MajorVersionOf("61"), 0);
    EXPECT_EQ(MajorVersionOf(".7"), 0);
    EXPECT_EQ(MajorVersionOf("Erreur"), 0);
    EXPECT_EQ(MajorVersionOf("x1.2"), 0);
    EXPECT_GE(BuiltFrameworkMajorVersion(), 58); // no supported FFmpeg is older
}

TEST(FrameworkVersion, RunningLibraryIsTheOneBuiltAgainst) {
    EXPECT_EQ(sp::DirectXMajorVersion(), sp::BuiltFrameworkMajorVersion());
    EXPECT_EQ(sp::MajorVersionOf(sp::DirectXVersionText()), sp::BuiltFrameworkMajorVersion());
}
