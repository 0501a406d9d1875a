#pragma once
// TSceneFinder: finds the scenes of a video file from its pictures, for a file with no scene
// file beside it. A worker thread decodes the file apart from the playback graph (its own
// reader), reduces each picture to a small luma plane and feeds the cut detector
// (filters/picture_measures.h); the start frames (0 first) come back to the owner's thread.
//
// Threads: Start, Cancel and the destructor run on the owner's (user-interface) thread; the
// result arrives there as the signal `found`, through the future's watcher. The worker shares
// only its cancel flag, an atomic, with that thread.
//
// Lifetime: Cancel (and the destructor) call the worker off and wait for it: the wait lasts at
// most the decoding of one picture. A run whose file cannot be read finds nothing (`failed`).

#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

namespace sp {

struct FoundScenes {
    std::vector<int32_t> startFrames; // in frames of frameHns, ascending, the first 0
    int64_t frameHns = 0;
};

// The scenes of the file at `path`, found in its pictures; nullopt when it cannot be read or
// `cancel` was set meanwhile. Runs on the caller's thread (the worker's).
std::optional<FoundScenes> FindScenesInPictures(const std::string& path,
                                                const std::atomic<bool>& cancel);

class TSceneFinder final : public QObject {
    Q_OBJECT
public:
    explicit TSceneFinder(QObject* parent = nullptr);
    ~TSceneFinder() override;

    // Calls off a run in progress, then starts one on `path`.
    void Start(const QString& path);
    void Cancel();
    // Waits for the run in progress to end and reports its result at once (found or failed).
    void Wait();
    bool Running() const { return cancel_ != nullptr; }
    QString Path() const { return path_; }

signals:
    void found(const QString& path, const FoundScenes& scenes);
    void failed(const QString& path);

private:
    void Finished();

    QFutureWatcher<std::optional<FoundScenes>> watcher_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    QString path_;
};

} // namespace sp
