// Changing the inlay while the real window plays a file: do the pictures keep the stream's pace?
//
// The file is played several times at normal speed, one run without and one with changes of
// the inlay in turn, and the changes come many times a second the way a user makes them: the
// kinds, font, size, colour, border, alignment, styles and template through the window's
// commands (the Inlay panel's buttons run the same handlers), the position through the two
// sliders. Each run prints the intervals between the pictures handed to the video window (on
// the renderer's streaming thread), the pictures painted late by the window, and, from the
// inlay renderer, the longest settings change and the longest time one held the frame lock
// (what the streaming thread may have waited). The medians of each kind of run close.
//
//   bench_inlay_while_playing [FILE] [--runs N] [--seconds S] [--rate CHANGES_PER_SECOND]
//
// The default file is the generated 1080p H.264 clip with AC-3 sound (`--target testmedia_bench`).
// Run it under a display (Xvfb) or with QT_QPA_PLATFORM=offscreen.

#include "app/panels/incruster_frame.h"
#include "app/panels/panel_column.h"
#include "app/show_form.h"
#include "app/show_form_widgets.h"
#include "app/video_view.h"
#include "filters/superposer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFontDatabase>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace {

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// Notes when each picture arrives, then hands it on to the window's video view.
class TimedSurface final : public mf::IPresentationSurface {
public:
    explicit TimedSurface(mf::IPresentationSurface* view) : view_(view) {}
    void present(const uint8_t* pixels, int width, int height, int strideBytes) override {
        {
            std::lock_guard lock(mutex_);
            arrivals_.push_back(NowNs());
        }
        view_->present(pixels, width, height, strideBytes);
    }
    std::vector<int64_t> Take() {
        std::lock_guard lock(mutex_);
        return std::exchange(arrivals_, {});
    }

private:
    mf::IPresentationSurface* view_;
    std::mutex mutex_;
    std::vector<int64_t> arrivals_; // guarded by mutex_
};

struct RunFigures {
    bool changing = false;
    double seconds = 0;
    size_t expected = 0, presented = 0;
    double medianMs = 0, p99Ms = 0, maxMs = 0;
    size_t longIntervals = 0; // intervals above 1.5 frame durations
    uint64_t painted = 0, replaced = 0, late = 0;
    size_t changes = 0;
    double longestHandlerMs = 0; // one change on the main thread, panel included
    sp::Tsuperposer::SettingsTiming settings;
};

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

template <typename T> double Median(const std::vector<RunFigures>& runs, T field) {
    std::vector<double> v;
    for (const RunFigures& r : runs)
        v.push_back(double(field(r)));
    return Percentile(v, 0.5);
}

// One kind of change a user makes, and the longest times seen after it: its handler on the main
// thread, the SetInlaySettings call in it, and the drawing of a frame until the next change.
struct Change {
    const char* name;
    std::function<void(sp::TShowForm&, int)> make;
    double handlerMs = 0, settingsMs = 0, drawMs = 0;
};

// The user's changes, taken in turn, each a small edit of the inlay.
std::vector<Change> UserChanges() {
    QStringList fonts = QFontDatabase::families();
    if (fonts.size() > 6) fonts = fonts.mid(0, 6);
    if (fonts.isEmpty()) fonts << "Sans";
    const QStringList kinds = {"inlay_timestamp", "inlay_number", "inlay_perso",
                               "inlay_timecode",  "inlay_real",   "inlay_datecode"};
    const QStringList sizes = {"auto", "14", "28", "48", "72", "auto©"};
    const QStringList colours = {"clRed", "#00FF80", "$0000FFFF", "white", "12632256"};
    const QStringList aligns = {"align_left", "align_center", "align_right", "align_subtitles"};
    auto pick = [](const QStringList& l, int i) { return l[i % int(l.size())]; };
    return {
        {"kind", [=](sp::TShowForm& w, int i) { w.ExecuteToken(pick(kinds, i)); }},
        {"font", [=](sp::TShowForm& w, int i) { w.ExecuteToken("inlay_font", pick(fonts, i)); }},
        {"size", [=](sp::TShowForm& w, int i) { w.ExecuteToken("inlay_size", pick(sizes, i)); }},
        {"colour",
         [=](sp::TShowForm& w, int i) { w.ExecuteToken("inlay_color", pick(colours, i)); }},
        {"border",
         [](sp::TShowForm& w, int i) { w.ExecuteToken("Border Size", QString::number(i % 9)); }},
        {"alignment", [=](sp::TShowForm& w, int i) { w.ExecuteToken(pick(aligns, i)); }},
        {"X slider", [](sp::TShowForm& w, int i) { w.Xslider->setValue(100 + (i * 37) % 870); }},
        {"Y slider", [](sp::TShowForm& w, int i) { w.Yslider->setValue(50 + (i * 53) % 880); }},
        {"bold/italic",
         [](sp::TShowForm& w, int i) { w.ExecuteToken(i % 2 ? "inlay_italic" : "inlay_bold"); }},
        {"underline button",
         [](sp::TShowForm& w, int i) {
             emit w.Widgets().Panels->incruster()->underlineClicked(i % 2 == 0);
         }},
        {"template", [](sp::TShowForm& w,
                        int i) { w.ExecuteToken("perso1", QString("take %1 on %R").arg(i)); }},
    };
}

class Bench {
public:
    Bench(QString file, double seconds, int rate)
        : file_(std::move(file)), seconds_(seconds), rate_(rate), changes_(UserChanges()) {
        window_.AskSaveMode = [] { return std::optional<sp::TPrefsMode>(sp::pmNone); };
        window_.resize(1280, 800);
        window_.show();
        window_.ExecuteToken("inlay_page");
        QCoreApplication::processEvents();
    }

    bool Run(bool changing, RunFigures& f);
    void PrintChanges() const;

private:
    bool Open();
    void Play(bool changing, RunFigures& f);
    void Summarise(const std::vector<int64_t>& arrivals, RunFigures& f) const;

    QString file_;
    double seconds_;
    int rate_;
    std::vector<Change> changes_;
    sp::TShowForm window_;
    std::unique_ptr<TimedSurface> surface_;
    TincrustRec start_;
    bool started_ = false;
    int changeCount_ = 0;
};

bool Bench::Open() {
    window_.LoadVideoFile(file_);
    if (!window_.Media->HasVideo() || !window_.Media->VideoWindow) return false;
    auto* renderer = dynamic_cast<mf::IVideoWindow*>(window_.Media->VideoWindow->Filter());
    if (!renderer) return false;
    surface_ = std::make_unique<TimedSurface>(window_.Widgets().VideoSurface());
    renderer->put_Owner(surface_.get());
    // Every run starts from the same inlay: the time stamp in the stored settings.
    if (!started_) {
        window_.ExecuteToken("inlay_timestamp");
        start_ = window_.InlayRecord();
        started_ = true;
    }
    window_.InlayRecord() = start_;
    window_.ShowInlayRecord(start_);
    if (!window_.Checked("taIncruster")) window_.ExecuteToken("inlay");
    window_.HandInlayRecord();
    return true;
}

void Bench::Play(bool changing, RunFigures& f) {
    sp::TVideoView* view = window_.Widgets().View();
    sp::Tsuperposer* superposer = window_.Media->Superposer();
    view->resetStatistics();
    superposer->ResetSettingsTimes();
    surface_->Take();
    QTimer changer;
    changer.setTimerType(Qt::PreciseTimer);
    changer.setInterval(1000 / std::max(rate_, 1));
    Change* last = nullptr;
    // What the renderer saw since the last change is put down to that change.
    auto takeTimes = [&] {
        const auto t = superposer->SettingsTimes();
        superposer->ResetSettingsTimes();
        f.settings.Calls += t.Calls;
        f.settings.LongestCallNs = std::max(f.settings.LongestCallNs, t.LongestCallNs);
        f.settings.LongestLockNs = std::max(f.settings.LongestLockNs, t.LongestLockNs);
        f.settings.LongestDrawNs = std::max(f.settings.LongestDrawNs, t.LongestDrawNs);
        if (!last) return;
        last->settingsMs = std::max(last->settingsMs, double(t.LongestCallNs) / 1e6);
        last->drawMs = std::max(last->drawMs, double(t.LongestDrawNs) / 1e6);
    };
    QObject::connect(&changer, &QTimer::timeout, [&] {
        takeTimes();
        const int n = changeCount_++;
        Change& change = changes_[size_t(n) % changes_.size()];
        const int64_t t = NowNs();
        change.make(window_, n / int(changes_.size()));
        const double ms = double(NowNs() - t) / 1e6;
        change.handlerMs = std::max(change.handlerMs, ms);
        f.longestHandlerMs = std::max(f.longestHandlerMs, ms);
        last = &change;
        ++f.changes;
    });
    window_.ExecuteToken("play_pause");
    QElapsedTimer clock;
    clock.start();
    if (changing) changer.start();
    while (clock.elapsed() < int64_t(seconds_ * 1000) && window_.Checked("taPlayPause"))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    changer.stop();
    f.seconds = double(clock.elapsed()) / 1000.0;
    if (window_.Checked("taPlayPause")) window_.ExecuteToken("play_pause");
    const auto s = view->statistics();
    f.painted = s.painted;
    f.replaced = s.replaced;
    f.late = s.late;
    takeTimes();
}

void Bench::PrintChanges() const {
    std::printf("longest times after each kind of change (handler / SetInlaySettings / drawing "
                "of one frame until the next change), ms:\n");
    for (const Change& c : changes_)
        std::printf("  %-17s %7.2f %7.2f %7.2f\n", c.name, c.handlerMs, c.settingsMs, c.drawMs);
}

void Bench::Summarise(const std::vector<int64_t>& arrivals, RunFigures& f) const {
    const double frameMs = double(window_.Media->FrameDuration) / 1e4;
    f.presented = arrivals.size();
    f.expected = size_t(f.seconds * 1000.0 / frameMs);
    std::vector<double> intervals;
    // The first pictures come as fast as the start of playing lets them; they are left out.
    for (size_t i = 6; i < arrivals.size(); ++i)
        intervals.push_back(double(arrivals[i] - arrivals[i - 1]) / 1e6);
    f.medianMs = Percentile(intervals, 0.5);
    f.p99Ms = Percentile(intervals, 0.99);
    f.maxMs = intervals.empty() ? 0 : *std::max_element(intervals.begin(), intervals.end());
    f.longIntervals = size_t(std::count_if(intervals.begin(), intervals.end(),
                                           [&](double ms) { return ms > 1.5 * frameMs; }));
}

bool Bench::Run(bool changing, RunFigures& f) {
    if (!Open()) return false;
    f.changing = changing;
    Play(changing, f);
    Summarise(surface_->Take(), f);
    return true;
}

void Print(const RunFigures& f) {
    std::printf("%-8s %5.1f s  pictures %4zu of %4zu  interval median %5.1f p99 %5.1f max %6.1f ms"
                "  >1.5 frames %3zu  painted %4llu late %3llu replaced %3llu",
                f.changing ? "changes" : "still", f.seconds, f.presented, f.expected, f.medianMs,
                f.p99Ms, f.maxMs, f.longIntervals, static_cast<unsigned long long>(f.painted),
                static_cast<unsigned long long>(f.late),
                static_cast<unsigned long long>(f.replaced));
    if (f.changing)
        std::printf("  changes %zu: handler max %.2f ms, SetInlaySettings max %.3f ms, lock max "
                    "%.3f ms",
                    f.changes, f.longestHandlerMs, double(f.settings.LongestCallNs) / 1e6,
                    double(f.settings.LongestLockNs) / 1e6);
    std::printf("  drawing max %.2f ms", double(f.settings.LongestDrawNs) / 1e6);
    std::printf("\n");
    std::fflush(stdout);
}

void PrintMedians(const std::vector<RunFigures>& runs, const char* name) {
    if (runs.empty()) return;
    std::printf("median of %zu %-8s runs: pictures %.0f of %.0f, interval median %.1f p99 %.1f "
                "max %.1f ms, >1.5 frames %.0f, late %.0f",
                runs.size(), name, Median(runs, [](auto& r) { return r.presented; }),
                Median(runs, [](auto& r) { return r.expected; }),
                Median(runs, [](auto& r) { return r.medianMs; }),
                Median(runs, [](auto& r) { return r.p99Ms; }),
                Median(runs, [](auto& r) { return r.maxMs; }),
                Median(runs, [](auto& r) { return r.longIntervals; }),
                Median(runs, [](auto& r) { return r.late; }));
    if (runs.front().changing)
        std::printf(", SetInlaySettings max %.3f ms, lock held max %.3f ms",
                    Median(runs, [](auto& r) { return r.settings.LongestCallNs; }) / 1e6,
                    Median(runs, [](auto& r) { return r.settings.LongestLockNs; }) / 1e6);
    std::printf("\n");
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QString file = QString(SP_BENCH_MEDIA_DIR "/bench_1080p_ac3.mkv");
    int runs = 6, rate = 25;
    double seconds = 12;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc)
            runs = std::max(2, std::atoi(argv[++i]));
        else if (a == "--seconds" && i + 1 < argc)
            seconds = std::max(1.0, std::atof(argv[++i]));
        else if (a == "--rate" && i + 1 < argc)
            rate = std::max(1, std::atoi(argv[++i]));
        else
            file = QString::fromLocal8Bit(argv[i]);
    }
    if (!QFileInfo::exists(file)) {
        std::fprintf(stderr, "bench_inlay_while_playing: %s is missing\n", qPrintable(file));
        return 2;
    }
    QTemporaryDir settings;
    qputenv("STILLPICK_REGISTRY_DIR", QFile::encodeName(settings.path()));
    std::printf("file: %s, %d runs of %.0f s, %d changes a second; load average %s\n",
                qPrintable(QFileInfo(file).fileName()), runs, seconds, rate, LoadAverage().c_str());
    Bench bench(file, seconds, rate);
    std::vector<RunFigures> still, changing;
    for (int run = 0; run < runs; ++run) {
        RunFigures f;
        if (!bench.Run(run % 2 == 1, f)) {
            std::fprintf(stderr, "bench_inlay_while_playing: %s does not play\n", qPrintable(file));
            return 2;
        }
        Print(f);
        (f.changing ? changing : still).push_back(f);
    }
    PrintMedians(still, "still");
    PrintMedians(changing, "changes");
    bench.PrintChanges();
    std::printf("load average at the end: %s\n", LoadAverage().c_str());
    return 0;
}
