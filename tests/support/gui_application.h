#pragma once
// Fonts and queued calls need the GUI application object. Including this header makes one for
// the whole test program (unless one exists already) and destroys it after the last test, not
// at exit when Qt is half torn down. The platform is the offscreen one (CTest sets it).

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>

namespace sptest {

class GuiApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!QCoreApplication::instance()) app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};

// One per program, whichever test files include this header; gtest owns it.
inline ::testing::Environment* const guiEnvironment =
    ::testing::AddGlobalTestEnvironment(new GuiApplicationEnvironment);

} // namespace sptest
