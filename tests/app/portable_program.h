#pragma once
// The stillpick executable run as a user runs it, from a temporary folder of its own with an
// empty Stillpick.ini beside it (the portable mode), on the offscreen platform, with its
// registry folder in the same place and no runtime folder named; and the settings file it leaves, as text.

#include "app_fixture.h"

#include <QProcess>
#include <QTemporaryDir>

namespace apptest {

class PortableProgram {
public:
    PortableProgram() {
        EXPECT_TRUE(dir.isValid());
        EXPECT_TRUE(QFile::copy(SP_STILLPICK_PROGRAM, Path("stillpick")));
        QFile ini(Path("Stillpick.ini"));
        EXPECT_TRUE(ini.open(QIODevice::WriteOnly)); // an empty file selects the portable mode
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
    // A copy of the generated `media` beside the program.
    QString CopyMedia(const std::string& media, const QString& name) const {
        EXPECT_TRUE(QFile::copy(QString::fromStdString(MediaPath(media)), Path(name)));
        return Path(name);
    }
    // Starts the program with `arguments`; the caller waits for it.
    void Start(QProcess& run, const QStringList& arguments) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("STILLPICK_REGISTRY_DIR", Path("registry"));
        env.remove("XDG_RUNTIME_DIR"); // as under cron or ssh: the program prepares its own
        run.setProcessEnvironment(env);
        run.start(Path("stillpick"), arguments);
    }
    // The settings file's text in its own encoding (UTF-8, or UTF-16 after its byte-order mark).
    QString IniText() const {
        QFile ini(Path("Stillpick.ini"));
        if (!ini.open(QIODevice::ReadOnly)) return {};
        const QByteArray bytes = ini.readAll();
        if (!bytes.startsWith("\xFF\xFE")) return QString::fromUtf8(bytes);
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                  (bytes.size() - 2) / 2);
    }

    QTemporaryDir dir;
};

} // namespace apptest
