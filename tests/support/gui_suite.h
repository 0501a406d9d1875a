#pragma once
// A QGuiApplication for the tests of one suite only: made before the suite's first test when
// none exists and destroyed after its last, so that the other suites of the same test program
// still run without one (some defaults, such as the screen size, depend on it). Derive the
// suite's fixture from GuiSuite.

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>

namespace sptest {

class GuiSuite : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        if (!QCoreApplication::instance()) app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    static void TearDownTestSuite() { app_.reset(); }

private:
    inline static int argc_ = 1;
    inline static char name_[16] = "tests";
    inline static char* argv_[2] = {name_, nullptr};
    inline static std::unique_ptr<QGuiApplication> app_;
};

} // namespace sptest
