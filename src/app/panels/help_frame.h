#pragma once
// Side panel 5, Help: three tabs. "Help" shows the help text with its links; "CPU" shows the
// load of the busiest processor and its averages, the free space where the images are saved, and
// the diagnostics text the main window fills (ListInstalledFilters through AddSystemInfoLine);
// "install" takes filter libraries dropped on it, asks, and registers or unregisters them.
//
// The processor timer (500 ms) and the free-space timer (2000 ms) run exactly while the panel is
// shown with the "CPU" tab current; they stop when the panel is hidden (also when its window
// closes) or another tab is shown.
//
// A dumb panel: it reports the shortcuts link as a signal and takes the image folder through a
// setter; it knows nothing of the main window. User-interface thread only; owned by the panel
// column.

#include "app/panels/side_panel.h"
#include "platform/system/free_space.h"
#include "platform/system/processor_load.h"

#include <QTimer>

#include <functional>

class QLabel;
class QTabWidget;
class QTextEdit;

namespace sp {

class TDropArea;
class TLinkEdit;
class TTextGauge;

class THelpFrame : public TSidePanel {
    Q_OBJECT
public:
    enum Tab { tabHelp = 0, tabCPU = 1, tabInstall = 2 };

    explicit THelpFrame(QWidget* parent = nullptr);

    // Sets the help text and opens the drop areas; done at construction, again on request.
    void InitHelp();
    static QString HelpMarkup();

    // The folder of the setting "DossierSave"; the free space is shown for it at once.
    void SetImageFolder(const QString& folder);
    // Both figures now (the start-up refresh); the timers call them while they run.
    void Refresh();
    void RefreshFreeSpace();
    void SampleProcessorLoad();
    // What the two timers show, from given figures.
    void ShowFreeSpace(const VolumeSpace& space);
    void ShowProcessorLoad(int busiestLoad);
    bool TimersActive() const { return cpuTimer_.isActive(); }
    void StopTimers();

    // The diagnostics text ("Arial", 8 points) for AddSystemInfoLine; ClearFiltersText empties it.
    QTextEdit* FiltersText() const { return reFiltres_; }
    void ClearFiltersText();

    // Asks about each file and registers (or unregisters) it; names longer than 65530
    // characters are skipped. What the drop areas do with dropped files.
    void InstallFiles(const QStringList& paths);
    void UninstallFiles(const QStringList& paths);

    // The questions and results: message boxes by default. On the offscreen platform, where no
    // one can answer, a question takes its default No (no library is loaded unasked) and a
    // result goes to stderr. Tests replace them.
    std::function<bool(const QString& question)> AskYesNo;
    std::function<void(const QString& message)> Tell;

    QTabWidget* PageControl1() const { return pages_; }
    TLinkEdit* LinkEdit1() const { return linkEdit1_; }
    TTextGauge* tgImage() const { return tgImage_; }
    TTextGauge* tgCPU() const { return tgCPU_; }
    QLabel* labEspaceLibre() const { return labEspaceLibre_; }
    QLabel* labAverage() const { return labAverage_; }
    TDropArea* MemoIns() const { return memoIns_; }
    TDropArea* MemoDes() const { return memoDes_; }
    // Tests: read processor counters from another file.
    void SetProcessorStatPath(const std::string& path) { sampler_ = ProcessorLoadSampler(path); }

signals:
    // The named link "F11": the main window shows the shortcuts window, or raises it.
    void ShortcutsLinkClicked();
    // A filter library was registered or unregistered.
    void FilterFilesChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* makeHelpTab();
    QWidget* makeCpuTab();
    QWidget* makeInstallTab();
    void connectLinks();
    void updateTimers();
    void runFilterFiles(const QStringList& paths, bool install);

    QTabWidget* pages_;
    TLinkEdit* linkEdit1_ = nullptr;
    TTextGauge* tgImage_ = nullptr;
    TTextGauge* tgCPU_ = nullptr;
    QLabel* labEspaceLibre_ = nullptr;
    QLabel* labAverage_ = nullptr;
    QTextEdit* reFiltres_ = nullptr;
    TDropArea* memoIns_ = nullptr;
    TDropArea* memoDes_ = nullptr;
    QTimer cpuTimer_;
    QTimer freeSpaceTimer_;
    QString imageFolder_;
    ProcessorLoadSampler sampler_;
    ProcessorLoadAverages averages_;
};

} // namespace sp
