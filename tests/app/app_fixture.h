#pragma once
// What the controller tests share: a widget application on the offscreen platform, a private
// settings store (registry folder and program folder in a temporary directory), the generated
// media, and a main window made and first shown as the program does it, with the questions it
// could ask answered by the test.

#include "app/show_form.h"
#include "app/show_form_widgets.h"

#include "settings/preferences.h"

#include "support/widget_application.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace apptest {

inline std::string MediaPath(const std::string& name) {
    static bool made = false;
    const std::string dir = SP_TEST_MEDIA_DIR;
    if (!made) {
        const std::string probe = dir + "/three_audio.avi";
        if (!std::filesystem::exists(probe))
            std::system(
                ("bash " + std::string(SP_TEST_MEDIA_SCRIPT) + " " + dir + " >/dev/null").c_str());
        made = true;
    }
    return dir + "/" + name;
}

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        qputenv("STILLPICK_REGISTRY_DIR", QFile::encodeName(dir_.filePath("registry")));
        QDir().mkpath(dir_.filePath("program"));
        sp::SetProgramFilePath(dir_.filePath("program/stillpick"));
    }
    void TearDown() override {
        Close();
        sp::SetProgramFilePath({});
        qunsetenv("STILLPICK_REGISTRY_DIR");
    }

    // A new main window, first shown; the close question answers `answer` (none: dismissed).
    sp::TShowForm& Open() {
        Close();
        window_ = std::make_unique<sp::TShowForm>();
        window_->AskSaveMode = [this]() -> std::optional<sp::TPrefsMode> {
            ++questions;
            return answer;
        };
        window_->ShowWarning = [this](const QString& text) { warnings << text; };
        window_->ShowErrorReport = [this](const QString& text) { errors << text; };
        window_->show();
        return *window_;
    }
    // A new window as main() makes it, with `arguments` as its command line, run once shown;
    // closing it answers pmNone. `catchErrors`: error reports go to `errors` rather than to the
    // window's own report.
    void StartWith(const QStringList& arguments, bool catchErrors = true) {
        Close();
        window_ = std::make_unique<sp::TShowForm>();
        window_->AskSaveMode = [] { return std::optional<sp::TPrefsMode>(sp::pmNone); };
        window_->ShowWarning = [this](const QString& text) { warnings << text; };
        if (catchErrors) window_->ShowErrorReport = [this](const QString& text) { errors << text; };
        window_->CreateRunners(arguments);
        window_->show();
        window_->RunCommandLine();
    }
    // Closes the window through its close path (when it accepts) and destroys it.
    bool Close() {
        if (!window_) return true;
        const bool closed = window_->close();
        if (closed) window_.reset();
        return closed;
    }
    sp::TShowForm& W() { return *window_; }

    // A copy of a generated file under a new name in the temporary folder.
    QString Copy(const std::string& media, const QString& name) {
        const QString target = dir_.filePath("clips/" + name);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::remove(target);
        QFile::copy(QString::fromStdString(MediaPath(media)), target);
        return target;
    }
    QString Path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    std::unique_ptr<sp::TShowForm> window_;
    std::optional<sp::TPrefsMode> answer = sp::pmRegistry;
    int questions = 0;
    QStringList warnings, errors;
};

} // namespace apptest
