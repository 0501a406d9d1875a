#include "app/scene_finder.h"

#include "filters/picture_measures.h"
#include "platform/outside/picture_reader.h"

#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

namespace sp {

namespace {

// Pictures are measured at this size: cuts change most of a picture, and averaging areas this
// large keeps noise and fine motion out of the difference.
constexpr int kMeasureWidth = 64;
constexpr int kMeasureHeight = 36;
constexpr int64_t kDefaultFrameHns = 400000;

} // namespace

std::optional<FoundScenes> FindScenesInPictures(const std::string& path,
                                                const std::atomic<bool>& cancel) {
    // Two decoding threads: the picture and the steps keep the other processors' time.
    auto reader = outside::PictureReader::open(path, nullptr, 2);
    if (!reader) return std::nullopt;
    FoundScenes scenes;
    scenes.frameHns = reader->frameHns() > 0 ? reader->frameHns() : kDefaultFrameHns;
    scenes.startFrames.push_back(0);
    SceneCutDetector detector;
    std::vector<uint8_t> small(size_t(kMeasureWidth) * kMeasureHeight * 4);
    // The detector answers for a picture with the next one: the start of the picture before.
    int64_t before = outside::kNoTimeHns;
    const auto addCut = [&](int64_t startHns) {
        if (startHns == outside::kNoTimeHns) return;
        const auto start = int32_t(std::llround(double(startHns) / double(scenes.frameHns)));
        if (start > scenes.startFrames.back()) scenes.startFrames.push_back(start);
    };
    while (!cancel.load()) {
        const auto frame = reader->next();
        if (!frame) {
            if (detector.Finish()) addCut(before);
            return scenes;
        }
        if (!reader->copyScaled(small, kMeasureWidth, kMeasureHeight)) continue;
        if (detector.Add(LumaOf(
                ConstFrameView{small.data(), kMeasureWidth, kMeasureHeight, kMeasureWidth * 4})))
            addCut(before);
        before = frame->startHns;
    }
    return std::nullopt;
}

TSceneFinder::TSceneFinder(QObject* parent) : QObject(parent) {
    connect(&watcher_, &QFutureWatcherBase::finished, this, &TSceneFinder::Finished);
}

TSceneFinder::~TSceneFinder() {
    Cancel();
}

void TSceneFinder::Start(const QString& path) {
    Cancel();
    path_ = path;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    watcher_.setFuture(QtConcurrent::run([file = path.toStdString(), cancel = cancel_] {
        return FindScenesInPictures(file, *cancel);
    }));
}

void TSceneFinder::Cancel() {
    if (!cancel_) return;
    *cancel_ = true;
    watcher_.waitForFinished();
    cancel_.reset(); // its finished signal, still queued, finds no run and says nothing
}

void TSceneFinder::Wait() {
    if (!cancel_) return;
    watcher_.waitForFinished();
    Finished(); // the watcher's own finished signal, still queued, then finds no run
}

void TSceneFinder::Finished() {
    if (!cancel_) return; // a run called off
    const auto result = watcher_.future().resultCount() > 0 ? watcher_.result() : std::nullopt;
    cancel_.reset();
    if (result)
        emit found(path_, *result);
    else
        emit failed(path_);
}

} // namespace sp
