// The real main window playing a file to its end with sound: how many of the stream's pictures
// were painted on time, and how long it took from opening the file to the first picture
// painted. Run it under a display (Xvfb does): `window_playback_bench [FILE]`; the default is
// the generated 1080p H.264 clip (`--target testmedia_bench`).

#include "app/show_form.h"
#include "app/show_form_widgets.h"
#include "app/video_view.h"

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
        std::fprintf(stderr, "window_playback_bench: %s is missing\n", qPrintable(file));
        return 2;
    }
    QTemporaryDir settings;
    qputenv("STILLPICK_REGISTRY_DIR", QFile::encodeName(settings.path()));
    sp::TShowForm window;
    window.AskSaveMode = [] { return std::optional<sp::TPrefsMode>(sp::pmNone); };
    window.resize(1280, 800);
    window.show();
    QCoreApplication::processEvents();

    sp::TVideoView* view = window.Widgets().View();
    view->resetStatistics();
    QElapsedTimer clock;
    clock.start();
    window.LoadVideoFile(file);
    if (!window.Media->HasVideo()) {
        std::fprintf(stderr, "window_playback_bench: %s does not play\n", qPrintable(file));
        return 2;
    }
    while (view->statistics().firstPaintMs < 0 && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const int64_t firstPaintMs = view->statistics().firstPaintMs;

    view->resetStatistics();
    const int64_t duration = window.Media->Duration;
    const int64_t frame = window.Media->FrameDuration;
    window.ExecuteToken("play_pause");
    QElapsedTimer playing;
    playing.start();
    while (window.Checked("taPlayPause") && playing.elapsed() < duration / 10000 + 20000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    const auto s = view->statistics();
    const double inStream = double(duration) / double(frame);
    const double onTime = double(s.painted - std::min(s.painted, s.late));
    std::printf("file: %s (%.0f pictures, %.1f s)\n", qPrintable(QFileInfo(file).fileName()),
                inStream, double(duration) / 1e7);
    std::printf("open to first picture painted: %lld ms (goal < 300)\n",
                static_cast<long long>(firstPaintMs));
    std::printf("played in %.2f s: presented %llu, painted %llu, replaced %llu, late %llu\n",
                double(playing.elapsed()) / 1000.0, static_cast<unsigned long long>(s.presented),
                static_cast<unsigned long long>(s.painted),
                static_cast<unsigned long long>(s.replaced),
                static_cast<unsigned long long>(s.late));
    std::printf("pictures painted on time / pictures in the stream: %.1f %% (goal >= 99 %%)\n",
                100.0 * onTime / inStream);
    window.close();
    return 0;
}
