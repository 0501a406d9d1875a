#pragma once
// A private world for one settings test: a temporary registry store folder (through
// STILLPICK_REGISTRY_DIR), a temporary program folder the program file pretends to live in, and
// SaveMode restored afterwards.

#include "settings/ini_file.h"
#include "settings/preferences.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>

#include <cstdlib>
#include <filesystem>
#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& lines, std::ostream* os) {
    *os << "{";
    for (const QString& line : lines)
        *os << "\n  \"" << line.toStdString() << '"';
    *os << " }";
}

namespace sptest {

class SettingsWorld : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "sp-set-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        std::filesystem::create_directories(root_ + "/registry");
        std::filesystem::create_directories(root_ + "/program");
        ::setenv("STILLPICK_REGISTRY_DIR", (root_ + "/registry").c_str(), 1);
        programFile_ = QString::fromStdString(root_ + "/program/stillpick");
        sp::SetProgramFilePath(programFile_);
        savedMode_ = sp::SaveMode;
    }
    void TearDown() override {
        sp::SaveMode = savedMode_;
        sp::SetProgramFilePath({});
        ::unsetenv("STILLPICK_REGISTRY_DIR");
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    QString iniPath() const { return sp::IniFileName(); }

    static QByteArray readBytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void writeBytes(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    void writeIni(const QStringList& lines) { writeBytes(iniPath(), sp::EncodeIniText(lines)); }
    QStringList iniLines() const { return sp::DecodeIniText(readBytes(iniPath())); }

    std::string root_;
    QString programFile_;
    sp::TPrefsMode savedMode_ = sp::pmRegistry;
};

inline const QString kSection = QStringLiteral("[\\Software\\Orvane\\Stillpick]");

} // namespace sptest
