// Scenes found in the pictures against one play at maximum speed of the same file: the finder
// must find the cuts of a file in no more time than the window takes to play it through with
// "Maximum speed" on.
//
//   bench_scene_finding [FILE]
//
// The default file is the generated 1080p H.264 clip (`--target testmedia_bench`). The finder
// runs alone first (as it runs after opening, on a worker), then the window opens the file,
// waits for its own search to end, and plays it at maximum speed from the start to the end.

#include "app/scene_finder.h"
#include "app/show_form.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString file =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString(SP_BENCH_MEDIA_DIR "/bench_1080p.mp4");
    if (!QFileInfo::exists(file)) {
        std::fprintf(stderr, "bench_scene_finding: %s is missing\n", qPrintable(file));
        return 2;
    }
    QTemporaryDir settings;
    qputenv("STILLPICK_REGISTRY_DIR", QFile::encodeName(settings.path()));

    const std::atomic<bool> never{false};
    QElapsedTimer clock;
    clock.start();
    const auto scenes = sp::FindScenesInPictures(file.toStdString(), never);
    const double findingMs = double(clock.nsecsElapsed()) / 1e6;
    if (!scenes) {
        std::fprintf(stderr, "bench_scene_finding: %s cannot be read\n", qPrintable(file));
        return 2;
    }

    sp::TShowForm window;
    window.AskSaveMode = [] { return std::optional<sp::TPrefsMode>(sp::pmNone); };
    window.ShowWarning = [](const QString&) {};
    window.show();
    window.LoadVideoFile(file);
    if (!window.Media->HasVideo()) {
        std::fprintf(stderr, "bench_scene_finding: %s does not play\n", qPrintable(file));
        return 2;
    }
    while (window.SceneSource() == sp::TShowForm::SceneOrigin::Finding)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    if (!window.Checked("taVitesseMaxi")) window.ExecuteToken("speed_max");
    const int64_t duration = window.Media->Duration;
    clock.restart();
    window.ExecuteToken("play_pause");
    while (window.Checked("taPlayPause") && clock.elapsed() < duration / 10000 + 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    const double playMs = double(clock.nsecsElapsed()) / 1e6;

    std::printf("file: %s (%.1f s), %zu scenes found\n", qPrintable(QFileInfo(file).fileName()),
                double(duration) / 1e7, scenes->startFrames.size());
    std::printf("scenes found in %.0f ms; one play at maximum speed %.0f ms; ratio %.2f "
                "(goal <= 1)\n",
                findingMs, playMs, findingMs / playMs);
    window.close();
    return 0;
}
