#pragma once
// Widgets need the widget application object. Including this header makes one QApplication for
// the whole test program (unless an application exists already) and destroys it after the last
// test. The platform is the offscreen one (CTest sets it).

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace sptest {

class WidgetApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!QCoreApplication::instance()) app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

// One per program, whichever test files include this header; gtest owns it.
inline ::testing::Environment* const widgetEnvironment =
    ::testing::AddGlobalTestEnvironment(new WidgetApplicationEnvironment);

} // namespace sptest
