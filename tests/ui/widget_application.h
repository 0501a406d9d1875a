#pragma once
// Widgets need a QApplication (not only a QGuiApplication). Including this header makes one for
// the whole test program (unless one exists already) and destroys it after the last test. The
// platform is the offscreen one (CTest sets it).

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

inline ::testing::Environment* const widgetEnvironment =
    ::testing::AddGlobalTestEnvironment(new WidgetApplicationEnvironment);

} // namespace sptest
