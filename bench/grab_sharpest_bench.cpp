// grab_sharpest against a plain grab at the same position, through the real window (offscreen).
//
// For each position the file is opened afresh (no picture cached) and shown at the position;
// then one of the two commands is timed: "grab" (capture and save the frame on screen) or
// "grab_sharpest" with radius 5 (the eleven frames around it measured where the decoder decodes
// them, the sharpest shown and saved). The time of going to the position is printed apart, and
// the ratios both without and with it. Medians over the positions are printed at the end.
//
//   bench_grab_sharpest [FILE] [--radius R]
//
// The default file is the generated 1080p H.264 clip (`--target testmedia_bench`).

#include "app/show_form.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int64_t kSecondHns = 10'000'000;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct Timing {
    double seekMs = 0;
    double commandMs = 0;
};

// Opens `file` afresh, goes to `position` and times the command given by `token`.
Timing Measure(sp::TShowForm& window, const QString& file, int64_t position, const QString& token,
               const QString& argument) {
    window.ExecuteToken("vide");
    window.LoadVideoFile(file);
    QElapsedTimer clock;
    clock.start();
    window.Media->SetPosition(position);
    window.PositionTimerStep();
    Timing t;
    t.seekMs = double(clock.nsecsElapsed()) / 1e6;
    clock.restart();
    window.ExecuteToken(token, argument);
    t.commandMs = double(clock.nsecsElapsed()) / 1e6;
    return t;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QString file = QString(SP_BENCH_MEDIA_DIR "/bench_1080p.mp4");
    int radius = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--radius" && i + 1 < argc)
            radius = std::max(0, std::atoi(argv[++i]));
        else
            file = QString::fromLocal8Bit(argv[i]);
    }
    if (!QFileInfo::exists(file)) {
        std::fprintf(stderr, "bench_grab_sharpest: %s is missing\n", qPrintable(file));
        return 2;
    }
    QTemporaryDir dir;
    qputenv("STILLPICK_REGISTRY_DIR", QFile::encodeName(dir.filePath("registry")));
    sp::TShowForm window;
    window.AskSaveMode = [] { return std::optional<sp::TPrefsMode>(sp::pmNone); };
    window.ShowWarning = [](const QString&) {};
    window.show();
    window.ExecuteToken("dest_folder", dir.filePath("images"));
    window.ExecuteToken("add_num", "1");
    std::printf("file: %s, radius %d\n", qPrintable(QFileInfo(file).fileName()), radius);
    std::printf("%10s %12s %12s %12s %14s %14s\n", "position", "go to (ms)", "grab (ms)",
                "sharpest", "ratio alone", "ratio with go");
    std::vector<double> alone, withSeek, grabs, sharpests;
    for (int64_t position : {3 * kSecondHns, 7 * kSecondHns + 4'000'000, 12 * kSecondHns,
                             15 * kSecondHns + 2'000'000, 18 * kSecondHns + 6'000'000}) {
        const Timing grab = Measure(window, file, position, "grab", {});
        const Timing sharp =
            Measure(window, file, position, "grab_sharpest", QString::number(radius));
        const double seek = (grab.seekMs + sharp.seekMs) / 2;
        alone.push_back(sharp.commandMs / grab.commandMs);
        withSeek.push_back((seek + sharp.commandMs) / (seek + grab.commandMs));
        grabs.push_back(grab.commandMs);
        sharpests.push_back(sharp.commandMs);
        std::printf("%9.2fs %12.1f %12.1f %12.1f %14.2f %14.2f\n", double(position) / 1e7, seek,
                    grab.commandMs, sharp.commandMs, alone.back(), withSeek.back());
    }
    std::printf("median: grab %.1f ms, grab_sharpest %.1f ms; ratio %.2f alone, %.2f with the go "
                "to the position\n",
                Median(grabs), Median(sharpests), Median(alone), Median(withSeek));
    window.close();
    return 0;
}
